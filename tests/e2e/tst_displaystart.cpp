#include "VirtualScreens.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"
#include "slideshow/slideShowWindowController.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// A code handed to the third of four displays, as the kiosk is wired at
// launch: the photo must be on that monitor's pixels, whole and centred.
class TestDisplayStart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void codeStartsOnTheThirdDisplay();
    // The OpenGL view is a window of its own: what must show above or
    // instead of it has to reach the monitor too.
    void captionAndPlainViewReachTheMonitor_data();
    void captionAndPlainViewReachTheMonitor();

private:
    QString makeCodeFolder(const QString &code);
    QList<QVariantMap> statusesOf(int screenIndex) const;

    Preferences store_{QString()};
    QTemporaryDir dir_;
    QObject observer_;
    QList<QVariantMap> statuses_;
    QMap<QString, QColor> colours_;
};

namespace {

// Photos of 4:3 on a 16:9 monitor: bars left and right show the photo is
// fitted and centred, not stretched or cropped.
const QSize kPhotoSize(1600, 1200);

bool near(QRgb pixel, const QColor &colour)
{
    constexpr int tolerance = 28;
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// Inside the fitted frame the photo's colour, outside it something else.
// A caption strip may cover the bottom rows.
bool showsPhotoCentred(const QImage &shot, const QColor &colour, int coveredAtBottom = 0)
{
    if (shot.isNull()) {
        return false;
    }
    const QRect frame = QRect(QPoint(), kPhotoSize.scaled(shot.size(), Qt::KeepAspectRatio));
    const QRect fitted =
        frame.translated((shot.width() - frame.width()) / 2, (shot.height() - frame.height()) / 2);
    const QList<QPoint> inside{fitted.center(), fitted.topLeft() + QPoint(8, 8),
                               fitted.bottomRight() - QPoint(8, 8 + coveredAtBottom),
                               fitted.topRight() + QPoint(-8, 8)};
    const QList<QPoint> outside{QPoint(fitted.left() - 20, fitted.center().y()),
                                QPoint(fitted.right() + 20, fitted.center().y())};
    for (const QPoint &p : inside) {
        if (!near(shot.pixel(p), colour)) {
            return false;
        }
    }
    for (const QPoint &p : outside) {
        if (near(shot.pixel(p), colour)) {
            return false;
        }
    }
    return true;
}

} // namespace

void TestDisplayStart::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(virtualScreensOf(this));
    QCOMPARE(QGuiApplication::screens().size(), 4);
    QVERIFY(dir_.isValid());
    Preferences::setStandardUserDefaults(&store_);
    for (int n = 1; n <= 4; ++n) {
        store_.setBool(true, u"prefDoSlideShow%1"_s.arg(n));
        // Long enough that the first photo is still up when looked at.
        store_.setFloat(30.0f, u"prefSlideShowDelay%1"_s.arg(n));
    }
    store_.setObject(u"transitionModeFixed"_s, kPrefUseTransitionMode);
    store_.setObject(u"fade"_s, kPrefTransitionStyle);
    store_.setObject(u"Garden Room"_s, u"prefNameOfDisplay3"_s);
    NotificationCenter::defaultCenter()->addObserver(
        &observer_, kSlideShowStatus, [this](const Notification &n) { statuses_ << n.userInfo; });
}

void TestDisplayStart::cleanupTestCase()
{
    NotificationCenter::defaultCenter()->removeObserver(&observer_);
    Preferences::setStandardUserDefaults(nullptr);
}

QString TestDisplayStart::makeCodeFolder(const QString &code)
{
    const QString folder = dir_.filePath(u"2026-12-06/"_s + code);
    QDir().mkpath(folder);
    const QList<QColor> colours{QColor(220, 30, 30), QColor(30, 200, 40), QColor(40, 60, 230),
                                QColor(240, 220, 20)};
    for (qsizetype i = 0; i < colours.size(); ++i) {
        QImage photo(kPhotoSize, QImage::Format_RGB32);
        photo.fill(colours.at(i));
        const QString path = u"%1/%2_%3.jpg"_s.arg(folder, code).arg(i + 1);
        QImageWriter writer(path);
        writer.setQuality(95);
        writer.write(photo);
        colours_.insert(path, colours.at(i));
    }
    return folder;
}

QList<QVariantMap> TestDisplayStart::statusesOf(int screenIndex) const
{
    QList<QVariantMap> found;
    for (const QVariantMap &status : statuses_) {
        if (status.value(u"screenIndex"_s).toInt() == screenIndex) {
            found << status;
        }
    }
    return found;
}

void TestDisplayStart::codeStartsOnTheThirdDisplay()
{
    VirtualScreens *screens = virtualScreensOf(this);
    const QString folder = makeCodeFolder(u"K4711"_s);

    AppDelegate delegate;
    delegate.setupWindowControllers();
    delegate.startSequence(kStartSequenceAll);
    const auto &displays = delegate.slideShowWindowControllerList();
    QCOMPARE(displays.size(), size_t(4));
    slideShowWindowController *third = displays.at(2).get();
    QVERIFY(QTest::qWaitForWindowExposed(third->window()));
    QCOMPARE(third->window()->geometry(), screens->monitorGeometry(2));
    // The main screen stays with the operator; the others start, find
    // nothing queued and say so.
    QVERIFY(!displays.at(0)->window()->isVisible());
    QTRY_VERIFY(statusesOf(1).size() == 1 && statusesOf(2).size() == 1 &&
                statusesOf(3).size() == 1);
    for (const QVariantMap &status : std::as_const(statuses_)) {
        QCOMPARE(status.value(u"mesg"_s).toString(), u"<Slide Show is NOT Running...>"_s);
    }
    QVERIFY(statusesOf(0).isEmpty());
    statuses_.clear();

    QSignalSpy shown(third, &slideShowWindowController::slideShown);
    QElapsedTimer clock;
    clock.start();
    NotificationCenter::defaultCenter()->postNotificationName(
        u"SlideShowParamChanged"_s, QVariant(), {{u"screenIndex"_s, 2}, {u"sourcePath"_s, folder}});

    // Polled with an in-process grab of the monitor (milliseconds); `import`
    // takes seconds on a busy machine. The times are reported, not asserted.
    QScreen *monitor = QGuiApplication::screens().at(2);
    auto photoColour = [&] {
        return colours_.value(shown.first().first().toString());
    };
    qint64 handedOverMs = -1;
    qint64 upMs = -1;
    auto firstPhotoIsUp = [&] {
        if (shown.isEmpty()) {
            return false;
        }
        const qint64 now = clock.elapsed();
        if (handedOverMs < 0) {
            handedOverMs = now;
        }
        if (!showsPhotoCentred(monitor->grabWindow(0).toImage(), photoColour())) {
            return false;
        }
        upMs = now;
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(firstPhotoIsUp(), 2500);
    qInfo("photo handed to the view by %lld ms, fully on monitor 3 by %lld ms after the post",
          handedOverMs, upMs);

    const QImage root = screens->screenshot();
    const QImage shot = root.copy(screens->monitorGeometry(2));
    const QString saved =
        QDir(QCoreApplication::applicationDirPath()).filePath(u"tst_displaystart-monitor3.png"_s);
    QVERIFY(shot.save(saved));
    qInfo("screenshot: %s", qPrintable(saved));
    QVERIFY(showsPhotoCentred(shot, photoColour()));
    // Only the third monitor plays it.
    QVERIFY(!showsPhotoCentred(root.copy(screens->monitorGeometry(1)), photoColour()));
    QVERIFY(!showsPhotoCentred(root.copy(screens->monitorGeometry(3)), photoColour()));

    const QList<QVariantMap> statuses = statusesOf(2);
    QCOMPARE(statuses.size(), 2);
    const QVariantMap code = statuses.at(0);
    QCOMPARE(code.value(u"code"_s).toString(), u"K4711"_s);
    QCOMPARE(code.value(u"codeStatus"_s).toString(), u"K4711 (Garden Room)"_s);
    QCOMPARE(code.value(u"screenIsPlaying"_s).toBool(), true);
    QCOMPARE(statuses.at(1).value(u"mesg"_s).toString(), u"<Slide Show is Running...>"_s);
    QCOMPARE(statuses_.size(), 2);
}

void TestDisplayStart::captionAndPlainViewReachTheMonitor_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("caption");
    QTest::newRow("fade, caption") << u"transitionModeFixed"_s << true;
    QTest::newRow("fade, no caption") << u"transitionModeFixed"_s << false;
    QTest::newRow("no transition, caption") << u"transitionModeNone"_s << true;
}

void TestDisplayStart::captionAndPlainViewReachTheMonitor()
{
    QFETCH(QString, mode);
    QFETCH(bool, caption);
    store_.setObject(mode, kPrefUseTransitionMode);
    store_.setBool(caption, kPrefShowPhotoWithFilename);
    const QString folder =
        makeCodeFolder(u"K%1"_s.arg(QLatin1String(QTest::currentDataTag())).remove(u' '));

    AppDelegate delegate;
    delegate.setupWindowControllers();
    delegate.startSequence(kStartSequenceAll);
    slideShowWindowController *second = delegate.slideShowWindowControllerList().at(1).get();
    QVERIFY(QTest::qWaitForWindowExposed(second->window()));
    QSignalSpy shown(second, &slideShowWindowController::slideShown);
    NotificationCenter::defaultCenter()->postNotificationName(
        kSlideShowParamChanged, QVariant(), {{kKeyScreenIndex, 1}, {kKeySourcePath, folder}});
    QVERIFY(shown.wait(10000));
    const QColor colour = colours_.value(shown.first().first().toString());
    QScreen *monitor = QGuiApplication::screens().at(1);

    QTRY_VERIFY_WITH_TIMEOUT(showsPhotoCentred(monitor->grabWindow(0).toImage(), colour, 40), 5000);

    // White caption text along the bottom edge.
    auto captionShows = [&] {
        const QImage shot = monitor->grabWindow(0).toImage();
        for (int y = shot.height() - 40; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                if (near(shot.pixel(x, y), Qt::white)) {
                    return true;
                }
            }
        }
        return false;
    };
    if (caption) {
        QTRY_VERIFY_WITH_TIMEOUT(captionShows(), 5000);
    } else {
        QVERIFY(!captionShows());
    }
}

OVRA_TEST_MAIN_WITH_SCREENS(TestDisplayStart, 4)
#include "tst_displaystart.moc"
