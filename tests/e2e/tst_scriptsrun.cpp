#include "E2eKiosk.h"
#include "TestHarness.h"
#include "TestSupport.h"

#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QTest>

using namespace Qt::StringLiterals;

// Guards the README's first command on a fresh machine: scripts/run makes the sample store in a
// demo home and starts the kiosk of this build on it; a typed sample code plays in the room. The
// sample store is whole even after an interrupted run.
class TestScriptsRun : public QObject
{
    Q_OBJECT
private slots:
    void interruptedSampleStoreIsMadeWhole();
    void typedSampleCodePlaysInTheRoom();
};

namespace {

const QString kTool = QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-sample-store");

QString dayName()
{
    return getDailyFolderName2(kDefaultDailyFolderFormat);
}

// The photos below folder, hidden folders included, as shown (EXIF applied).
QMap<QString, QImage> photosIn(const QString &folder)
{
    QMap<QString, QImage> photos;
    QDirIterator it(folder, {u"*.jpg"_s}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QImageReader reader(it.next());
        reader.setAutoTransform(true);
        photos.insert(it.filePath(), reader.read());
    }
    return photos;
}

// The photo fitted and centred on the monitor, compared on a coarse grid:
// scaling, fades and JPEG change single pixels, not the picture.
bool showsPhoto(const QImage &monitor, const QImage &photo)
{
    if (monitor.isNull() || photo.isNull()) {
        return false;
    }
    const QSize fitted = photo.size().scaled(monitor.size(), Qt::KeepAspectRatio);
    const QRect frame(
        QPoint((monitor.width() - fitted.width()) / 2, (monitor.height() - fitted.height()) / 2),
        fitted);
    const QSize grid(16, 12);
    const QImage seen =
        monitor.copy(frame).scaled(grid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage expected = photo.scaled(grid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            if (!TestHarness::near(seen.pixel(x, y), expected.pixelColor(x, y))) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

void TestScriptsRun::interruptedSampleStoreIsMadeWhole()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(u"store"_s);
    const QString slides = dir.filePath(u"slides"_s);
    const QString day = store + u'/' + dayName();
    // What an older generator left after a failure: a photo, no info file.
    QVERIFY(TestSupport::writeFile(day + u"/10001234/IMG_0001.jpg"_s, "half"));

    QProcess first;
    first.start(kTool, {store, slides});
    // Killed once its first photos are written, beside the day folder.
    QVERIFY(E2e::poll([&] {
        QDirIterator it(store, {u"*.jpg"_s}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (it.next().contains(u".partial-"_s)) {
                return true;
            }
        }
        return false;
    }));
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    QVERIFY(first.waitForFinished());
    QVERIFY(!QFile::exists(day + u"/10001234/10001234.xml"_s));

    QProcess second;
    second.start(kTool, {store, slides});
    QVERIFY(second.waitForFinished(E2e::kWaitMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(QDir(store).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{dayName()});
    // One code per room of a four-room venue, each with its info file and photos
    // that decode; photos like a camera's; a name that needs escaping in XML.
    const QStringList codes = QDir(day).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(codes.size(), 4);
    QByteArray infos;
    for (const QString &code : codes) {
        infos += TestSupport::readFile(day + u'/' + code + u'/' + code + u".xml"_s);
        QVERIFY(!photosIn(day + u'/' + code).isEmpty());
    }
    QCOMPARE(infos.count("<data>"), 4);
    QVERIFY(infos.contains("&amp;"));
    int large = 0, portrait = 0, landscape = 0, tagged = 0;
    const QMap<QString, QImage> photos = photosIn(day);
    for (auto it = photos.cbegin(); it != photos.cend(); ++it) {
        QVERIFY2(!it.value().isNull(), qPrintable(it.key()));
        large += it.value().width() * it.value().height() >= 12'000'000 ? 1 : 0;
        (it.value().width() > it.value().height() ? landscape : portrait) += 1;
        tagged += QImageReader(it.key()).transformation() != QImageIOHandler::TransformationNone;
    }
    QVERIFY(large >= 3 && portrait > 0 && landscape > 0 && tagged > 0);
    QVERIFY(!photosIn(slides).isEmpty());
}

void TestScriptsRun::typedSampleCodePlaysInTheRoom()
{
    E2eKiosk kiosk(2);
    QString error;
    if (!kiosk.setUp(&error)) {
        QSKIP(qPrintable(error));
    }
    // The kiosk of this build, started without building: the test runs
    // beside others that use the build folder.
    QProcessEnvironment env = kiosk.environment();
    env.insert(u"OVRA_DEMO_HOME"_s, kiosk.home(u"demo"_s));
    env.insert(u"OVRA_BUILD_DIR"_s, QFileInfo(QStringLiteral(OVRA_BUILD_BIN_DIR)).path());
    env.insert(u"OVRA_SKIP_BUILD"_s, u"1"_s);
    QProcess &run = kiosk.kiosk();
    run.setProcessEnvironment(env);
    run.setStandardOutputFile(kiosk.home(u"run.out"_s));
    run.setStandardErrorFile(kiosk.logPath());
    run.start(QStringLiteral(OVRA_SOURCE_DIR "/scripts/run"), {});
    QVERIFY2(kiosk.waitForLog("applicationDidFinishLaunching...Done", 1, 3 * E2e::kWaitMs),
             kiosk.log().constData());

    // The code it tells us to type, and that code's photos.
    const QString code = u"10001234"_s;
    QVERIFY(TestSupport::readFile(kiosk.home(u"run.out"_s)).contains(code.toLatin1()));
    const QList<QImage> photos =
        photosIn(kiosk.home(u"demo/OvraPhotoStore/"_s) + dayName() + u'/' + code).values();
    QVERIFY(photos.size() > 1);
    const QImage idle = kiosk.grabMonitor(1);
    for (const QImage &photo : photos) {
        QVERIFY(!showsPhoto(idle, photo));
    }

    QVERIFY(kiosk.typeCode(code));
    // Every photo in turn, upright, fitted and centred on the room screen.
    QList<int> seen;
    QVERIFY2(E2e::poll(
                 [&] {
                     const QImage room = kiosk.grabMonitor(1);
                     for (int i = 0; i < photos.size(); ++i) {
                         if (!seen.contains(i) && showsPhoto(room, photos.at(i))) {
                             seen.append(i);
                         }
                     }
                     return seen.size() == photos.size();
                 },
                 3 * E2e::kWaitMs),
             kiosk.log().constData());
    QVERIFY(kiosk.quit());
}

QTEST_MAIN(TestScriptsRun)
#include "tst_scriptsrun.moc"
