#include "VirtualScreens.h"
#include "platform/PropertyList.h"
#include "support/PhotoStoreLayout.h"

#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The done-when check of code intake, end to end: the real kiosk on two
// virtual monitors, a code typed into its display window as a keyboard
// scanner would, and the photos of that code on the second screen.
class TestBarcodeTyping : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void typedCodeReachesTheSecondScreen();

private:
    struct Photo
    {
        QString name;
        QColor colour;
    };

    bool makeStore(const QString &root, const QString &code);
    bool writePreferences(const QString &root);
    QProcessEnvironment kioskEnvironment() const;
    bool waitForLog(QProcess &kiosk, const QByteArray &line, int timeoutMs);
    // The kiosk's log so far, kept in the build tree beside the screenshot.
    static QString logPath();
    void saveLog() const;
    // Runs a tool on the virtual display; false unless it ends well in time.
    bool runOnDisplay(const QString &program, const QStringList &arguments, int timeoutMs,
                      QByteArray *output = nullptr);

    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<VirtualScreens> screens_;
    QByteArray log_;
    QList<Photo> newest_; // of the typed code, newest first
};

namespace {

const QString kCode = u"47110815"_s;
constexpr int kPhotosShown = 4; // "prefMaxPhotosInLocalFolder"
constexpr int kWaitMs = 30000;

// Plain colours survive JPEG compression and are easy to tell apart on screen.
const QList<QColor> kNewestColours{QColor(220, 30, 30), QColor(30, 190, 60), QColor(40, 70, 230),
                                   QColor(210, 40, 210)};
const QColor kOlderColour(128, 128, 128);
const QColor kOtherCodeColour(230, 210, 30);

bool writePhoto(const QString &path, const QColor &colour, const QDateTime &modified)
{
    QImage image(1200, 800, QImage::Format_RGB32);
    image.fill(colour);
    QFile file(path);
    // Old enough for the photo script, which leaves fresh files alone.
    return image.save(path, "JPEG", 90) && file.open(QIODevice::ReadWrite) &&
           file.setFileTime(modified, QFileDevice::FileModificationTime);
}

bool near(QRgb pixel, const QColor &colour)
{
    constexpr int tolerance = 40;
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// True when every sample point of the monitor's middle shows the colour: a
// 3:2 photo fitted to 1920x1080 covers x 150..1770, all of y.
bool showsColour(const QImage &monitor, const QColor &colour)
{
    if (monitor.isNull()) {
        return false;
    }
    const QList<QPointF> samples{{0.5, 0.5}, {0.2, 0.2}, {0.8, 0.2}, {0.2, 0.7}, {0.8, 0.7}};
    for (const QPointF &at : samples) {
        const QPoint p(int(at.x() * monitor.width()), int(at.y() * monitor.height()));
        if (!near(monitor.pixel(p), colour)) {
            return false;
        }
    }
    return true;
}

} // namespace

void TestBarcodeTyping::initTestCase()
{
    for (const QString &tool : {u"Xvfb"_s, u"xrandr"_s, u"xdotool"_s, u"import"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            QSKIP(qPrintable(tool + u" is not installed"_s));
        }
    }
}

bool TestBarcodeTyping::makeStore(const QString &root, const QString &code)
{
    // The kiosk names the day the same way: now minus three hours.
    const QString day = root + u'/' + getDailyFolderName2(u"yyyy-MM-dd"_s);
    const QString codeFolder = day + u'/' + code;
    const QString otherFolder = day + u"/90000001"_s;
    if (!QDir().mkpath(codeFolder) || !QDir().mkpath(otherFolder)) {
        return false;
    }
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    // Two older photos of the code that must not be shown...
    for (int i = 0; i < 2; ++i) {
        if (!writePhoto(codeFolder + u"/IMG_OLD%1.jpg"_s.arg(i), kOlderColour,
                        hourAgo.addSecs(i))) {
            return false;
        }
    }
    // ...its newest ones, and a newer photo of another code.
    newest_.clear();
    for (int i = 0; i < kPhotosShown; ++i) {
        const QString name = u"IMG_%1.jpg"_s.arg(100 + i);
        if (!writePhoto(codeFolder + u'/' + name, kNewestColours.at(i),
                        hourAgo.addSecs(600 - 60 * i))) {
            return false;
        }
        newest_.append({name, kNewestColours.at(i)});
    }
    return writePhoto(otherFolder + u"/IMG_900.jpg"_s, kOtherCodeColour, hourAgo.addSecs(1200));
}

bool TestBarcodeTyping::writePreferences(const QString &root)
{
    // The store as the kiosk reads it at launch.
    const QVariantMap preferences{
        {u"prefSlideShowPath"_s, root},
        {u"prefMaxPhotosInLocalFolder"_s, kPhotosShown},
        // The first photo stays up while the screen is checked.
        {u"prefSlideShowDelay2"_s, 120.0},
    };
    const QString folder = home_->filePath(u".config/ovra-videowall"_s);
    return QDir().mkpath(folder) &&
           PropertyList::writeFileAtomically(folder + u"/org.ovra.VideoWall.plist"_s, preferences);
}

QProcessEnvironment TestBarcodeTyping::kioskEnvironment() const
{
    QProcessEnvironment env = screens_->environment(QProcessEnvironment::systemEnvironment());
    env.insert(u"HOME"_s, home_->path());
    env.insert(u"XDG_CONFIG_HOME"_s, home_->filePath(u".config"_s));
    env.insert(u"XDG_DATA_HOME"_s, home_->filePath(u".local/share"_s));
    env.insert(u"XDG_CACHE_HOME"_s, home_->filePath(u".cache"_s));
    env.remove(u"XDG_RUNTIME_DIR"_s);
    return env;
}

bool TestBarcodeTyping::waitForLog(QProcess &kiosk, const QByteArray &line, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!log_.contains(line)) {
        if (timer.hasExpired(timeoutMs) || kiosk.state() == QProcess::NotRunning) {
            log_ += kiosk.readAllStandardError();
            return log_.contains(line);
        }
        kiosk.waitForReadyRead(200);
        log_ += kiosk.readAllStandardError();
    }
    return true;
}

QString TestBarcodeTyping::logPath()
{
    return QCoreApplication::applicationDirPath() + u"/barcodetyping-kiosk.log"_s;
}

void TestBarcodeTyping::saveLog() const
{
    QFile file(logPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(log_);
    }
}

bool TestBarcodeTyping::runOnDisplay(const QString &program, const QStringList &arguments,
                                     int timeoutMs, QByteArray *output)
{
    QProcess tool;
    tool.setProcessEnvironment(screens_->environment(QProcessEnvironment::systemEnvironment()));
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

void TestBarcodeTyping::typedCodeReachesTheSecondScreen()
{
    screens_ = std::make_unique<VirtualScreens>(2);
    QString error;
    if (!screens_->start(&error)) {
        QSKIP(qPrintable(u"no virtual screens: "_s + error));
    }
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    const QString root = home_->filePath(u"PhotoStore"_s);
    QVERIFY(makeStore(root, kCode));
    QVERIFY(writePreferences(root));

    QProcess kiosk;
    kiosk.setProcessEnvironment(kioskEnvironment());
    kiosk.setProcessChannelMode(QProcess::SeparateChannels);
    kiosk.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-videowall"), {});
    QVERIFY(kiosk.waitForStarted());
    QVERIFY2(waitForLog(kiosk, "applicationDidFinishLaunching...Done", kWaitMs), log_.constData());

    // The display window of the second screen (the first is the operator's).
    QByteArray found;
    QVERIFY2(runOnDisplay(
                 u"xdotool"_s,
                 {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--class"_s, u"ovra-videowall"_s},
                 kWaitMs, &found),
             "no visible kiosk window");
    const QList<QByteArray> windows = found.trimmed().split('\n');
    for (const QByteArray &w : windows) {
        QByteArray geometry;
        runOnDisplay(u"xdotool"_s, {u"getwindowgeometry"_s, QString::fromLatin1(w)}, kWaitMs,
                     &geometry);
        qInfo("window %s: %s", w.constData(), geometry.simplified().constData());
    }
    const QImage before = screens_->screenshotOfMonitor(1);
    QVERIFY(!before.isNull());
    for (const Photo &photo : std::as_const(newest_)) {
        QVERIFY2(!showsColour(before, photo.colour), "the photo is up before its code was typed");
    }

    // Focus first; then the keys through XTEST (xdotool sends synthetic
    // events instead once it is given a window) in one run, so the Return
    // follows the last digit well within the scanner pace of half a second.
    QVERIFY(runOnDisplay(u"xdotool"_s,
                         {u"windowfocus"_s, u"--sync"_s, QString::fromLatin1(windows.first())},
                         kWaitMs));
    QStringList keys{u"key"_s, u"--delay"_s, u"20"_s};
    for (const QChar digit : kCode) {
        keys.append(digit);
    }
    keys.append(u"Return"_s);
    QVERIFY(runOnDisplay(u"xdotool"_s, keys, kWaitMs));
    const bool gotCode =
        waitForLog(kiosk, "GOT NEW BARCODE ID = [" + kCode.toLatin1() + "]", kWaitMs);
    saveLog();
    QVERIFY2(gotCode, qPrintable(u"see "_s + logPath()));

    // The working folder holds exactly the code's newest photos.
    QStringList expected;
    for (const Photo &photo : std::as_const(newest_)) {
        expected.append(photo.name);
    }
    expected.sort();
    const QDir working(home_->filePath(u"tmp/slideshowA"_s));
    QTRY_COMPARE_WITH_TIMEOUT(working.entryList(QDir::Files, QDir::Name), expected, kWaitMs);

    // The display starts about a second after it was told; then one of the
    // copied photos fills the middle of the second screen.
    const QString shot = QCoreApplication::applicationDirPath() + u"/barcodetyping-screen2.png"_s;
    QElapsedTimer timer;
    timer.start();
    QImage screen;
    const Photo *shown = nullptr;
    while (shown == nullptr && !timer.hasExpired(kWaitMs)) {
        QTest::qWait(250);
        screen = screens_->screenshotOfMonitor(1, shot);
        for (const Photo &photo : std::as_const(newest_)) {
            if (showsColour(screen, photo.colour)) {
                shown = &photo;
            }
        }
    }
    log_ += kiosk.readAllStandardError();
    saveLog();
    QVERIFY2(shown != nullptr, qPrintable(u"screen 2 never showed a photo of the code (see "_s +
                                          shot + u" and "_s + logPath() + u')'));
    qInfo("screen 2 shows %s after %lld ms of polling; saved as %s", qPrintable(shown->name),
          timer.elapsed(), qPrintable(shot));
    // The primary screen stays the operator's: no photo there.
    QVERIFY(!showsColour(screens_->screenshotOfMonitor(0), shown->colour));

    kiosk.terminate();
    QVERIFY(kiosk.waitForFinished(kWaitMs));
    QCOMPARE(kiosk.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestBarcodeTyping)
#include "tst_barcodetyping.moc"
