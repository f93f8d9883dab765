// Guards code intake: keys, companions, the photo script, and whole photos copied on activation.
#include "BadCorpus.h"
#include "IntakeTestRig.h"
#include "StderrCapture.h"
#include "TestHarness.h"
#include "intake/ActivationCopier.h"
#include "intake/OverlayCompositor.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using TestHarness::near;

namespace {
// Before 03:00 the photo day is still the previous calendar day.
const QDateTime kBeforeDayChange(QDate(2012, 6, 12), QTime(2, 30));
const QString kDay = u"store/2012-06-11/"_s;
const QString kCr = QString(QChar(13));
const QString kEsc = QString(QChar(27));

// Overlay: transparent, with an opaque green band along the top edge.
QImage overlayPicture(QSize size)
{
    QImage overlay(size, QImage::Format_ARGB32);
    overlay.fill(Qt::transparent);
    QPainter(&overlay).fillRect(0, 0, size.width(), 6, Qt::green);
    return overlay;
}

struct Call
{
    QString kind;
    QVariantMap param;
    QStringList response;
};

// Records every answer with the result the search showed at that moment.
class Recorder : public OvraSearchDelegate
{
public:
    QList<Call> calls;
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) override
    {
        calls.append({u"done"_s, param, query->response()});
    }
    void doneSearchOperationNew(OvraPhotoQueryController *query, const QVariantMap &param) override
    {
        calls.append({u"new"_s, param, query->response()});
    }
};

// A file last modified ageSeconds ago (negative: ahead of now).
bool makeFile(const QString &path, qint64 ageSeconds)
{
    return TestHarness::writeFile(path, "x", TestHarness::ago(ageSeconds));
}

QVariantMap request(const QString &searchPath, OvraSearchDelegate *delegate,
                    const QVariant &code = QVariant())
{
    QVariantMap param{{kKeySearchPath, searchPath}, {kKeyDelegate, searchDelegateValue(delegate)}};
    if (code.isValid()) {
        param.insert(kKeyCustomerId, code);
    }
    return param;
}

// Runs the bundle's photo script; exit code -1 when it did not end.
QPair<int, QStringList> runScript(const QStringList &arguments)
{
    QProcess process;
    process.start(Bundle::mainBundle().pathForScript(kGetNewestFilesScript), arguments);
    if (!process.waitForFinished(30000)) {
        return {-1, {}};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// The part that runs inside the mount namespace: copies the photos of dir/store
// into dir/tmp/slideshowA (on the small tmpfs) and checks what is left there.
// Exit code 0 when every file in the folder is one of the photos, whole, and
// the loop counted exactly those.
int copyIntoFullFolder(const QString &dir)
{
    const QString workingFolder = dir + u"/tmp/slideshowA"_s;
    QStringList photos;
    for (const QString &name : QDir(dir + u"/store"_s).entryList(QDir::Files, QDir::Name)) {
        photos << dir + u"/store/"_s + name;
    }
    int announced = 0;
    ActivationCopyJob job;
    job.results = photos;
    job.workingFolder = workingFolder;
    job.announce = [&announced] {
        ++announced;
    };
    const int count = copyFoundImages(job);
    const QStringList left = QDir(workingFolder).entryList(QDir::Files | QDir::Hidden);
    int whole = 0;
    for (const QString &name : left) {
        const auto source = std::find_if(photos.cbegin(), photos.cend(),
                                         [&](const QString &p) { return p.endsWith(u'/' + name); });
        if (source == photos.cend() ||
            TestHarness::readFile(workingFolder + u'/' + name) != TestHarness::readFile(*source)) {
            std::fprintf(stderr, "NOT A WHOLE PHOTO: %s\n", qPrintable(name));
            return 1;
        }
        ++whole;
    }
    std::fprintf(stderr, "COPIED %d OF %d, ANNOUNCED %d\n", count, int(photos.size()), announced);
    return (count == whole && whole > 0 && whole < photos.size() && announced == 2) ? 0 : 1;
}

} // namespace

class tst_BarcodeEntryController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!Bundle::mainBundle().pathForScript(kGetNewestFilesScript).isEmpty(),
                 "the photo script is not in the bundle (OVRA_SHARE_DIR)");
        QVERIFY(corpus.isValid());
        QString error;
        QVERIFY2(BadCorpus::generate(corpus.path(), {u"names"_s, u"keys"_s}, &error),
                 qPrintable(error));
        const QString text =
            QString::fromUtf8(TestHarness::readFile(corpus.filePath(u"keys/flood-10000.txt"_s)));
        QCOMPARE(text.size(), 10000);
        for (const QChar c : text) {
            floodKeys.append(QString(c));
        }
    }
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        rig = std::make_unique<IntakeTestRig>();
        QVERIFY(rig->isValid());
        Clock::setFixed(kBeforeDayChange);
    }
    void cleanup() { rig.reset(); }

    void keystrokes_data();
    void keystrokes();
    void partialCodeIsForgotten();
    void keysFromUserInfoAreIgnored();
    void flood_data();
    void flood();
    void newCustomerId_data();
    void newCustomerId();
    void recordingAlertKeepsCurrentCodeButActivates();
    void videoCompanion_data();
    void videoCompanion();
    void previewerCompanion_data();
    void previewerCompanion();
    void sharedChannelMayGoFirst();
    void fullWorkingFolderKeepsOnlyWholePhotos();
    void replacedPhotoIsCopiedWhole_data();
    void replacedPhotoIsCopiedWhole();

    void activatesNewestPhotosOfThePhotoDay()
    {
        QVERIFY(rig->makePhoto(kDay + u"ABC/IMG_1.jpg"_s, "one"));
        QVERIFY(rig->makePhoto(kDay + u"ABC/IMG_2.jpg"_s, "two"));
        QVERIFY(rig->makePhoto(kDay + u"XYZ/IMG_8.jpg"_s));
        QVERIFY(rig->makePhoto(u"store/2012-06-12/ABC/IMG_9.jpg"_s));
        QVERIFY(rig->makePhoto(u"home/tmp/slideshowA/previous.jpg"_s));
        rig->controller().FindOvraFilesWithID(u"ABC"_s);
        rig->settle();
        QCOMPARE(rig->store.stringForKey(kPrefTempFolderPath), rig->path(u"home/tmp/slideshowA"_s));

        QCOMPARE(rig->workingFolderEntries(), (QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s}));
        QCOMPARE(TestHarness::readFile(rig->path(u"home/tmp/slideshowA/IMG_1.jpg"_s)), "one");
        // After the first copy and after the last, on the main thread.
        QCOMPARE(rig->displayMessages.size(), 2);
        const QVariantMap expected{{kKeyScreenIndex, 0},
                                   {kKeySourcePath, rig->path(u"home/tmp/slideshowA"_s)}};
        for (const IntakeTestRig::Post &post : std::as_const(rig->displayMessages)) {
            QCOMPARE(post.userInfo, expected);
            QCOMPARE(post.thread, qApp->thread());
        }
    }

    void shoutModeSearchesAllCodes()
    {
        rig->store.setBool(true, kPrefDoShoutMode);
        QVERIFY(rig->makePhoto(kDay + u"ABC/a.jpg"_s));
        QVERIFY(rig->makePhoto(kDay + u"XYZ/x.jpg"_s));
        rig->controller().FindOvraFilesWithID(u"*"_s);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), (QStringList{u"a.jpg"_s, u"x.jpg"_s}));
    }

    void demoCodes_data()
    {
        QTest::addColumn<QVariant>("list");
        QTest::addColumn<bool>("demoFolderExists");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("shown");
        const QVariant text(u"demo, test"_s);
        const QVariant array(QVariantList{u"demo"_s, u""_s, u" test "_s});
        QTest::newRow("string, DEMO") << text << true << u"DEMO"_s << u"demo_DEMO.jpg"_s;
        QTest::newRow("string, x") << text << true << u"x"_s << u"day_x.jpg"_s;
        QTest::newRow("array, test") << array << true << u"test"_s << u"demo_test.jpg"_s;
        QTest::newRow("capitalised entry never matches")
            << QVariant(u"Demo"_s) << true << u"Demo"_s << u"day_Demo.jpg"_s;
        QTest::newRow("demo folder missing") << text << false << u"DEMO"_s << u"day_DEMO.jpg"_s;
        QTest::newRow("number list") << QVariant(5) << true << u"demo"_s << u"day_demo.jpg"_s;
    }
    void demoCodes()
    {
        QFETCH(QVariant, list);
        QFETCH(bool, demoFolderExists);
        QFETCH(QString, code);
        QFETCH(QString, shown);
        rig->store.setBool(true, kPrefSupportDemoCode);
        rig->store.setBool(true, kPrefDoShoutMode); // a demo code keeps its customer id
        rig->store.setObject(list, kPrefDemoCodesList);
        rig->store.setObject(rig->path(u"demo"_s), kPrefDemoSlidesPath);
        QVERIFY(rig->makePhoto(kDay + code + u"/day_"_s + code + u".jpg"_s));
        if (demoFolderExists) {
            QVERIFY(rig->makePhoto(u"demo/"_s + code + u"/demo_"_s + code + u".jpg"_s));
        }
        rig->controller().FindOvraFilesWithID(code);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), QStringList{shown});
    }

    void sameFileNameTwice()
    {
        rig->screens = 2; // the room's display is the second
        QVERIFY(rig->makePhoto(kDay + u"A/IMG_1.jpg"_s, "from A"));
        QVERIFY(rig->makePhoto(kDay + u"B/IMG_1.jpg"_s, "from B"));
        QVERIFY(rig->makePhoto(kDay + u"B/IMG_2.jpg"_s, "two"));
        stubAnswering("./A/IMG_1.jpg\\n./B/IMG_1.jpg\\n./B/IMG_2.jpg\\n");
        rig->controller().FindOvraFilesWithID(u"A"_s);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), (QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s}));
        QCOMPARE(TestHarness::readFile(rig->path(u"home/tmp/slideshowA/IMG_1.jpg"_s)), "from A");
        QCOMPARE(rig->displayMessages.size(), 2);
        QCOMPARE(rig->displayMessages.last().userInfo.value(kKeyScreenIndex).toInt(), 1);
    }

    void fallsBackToExistingJpegs_data()
    {
        QTest::addColumn<QStringList>("leftOver");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("count"); // as logged: two places at least
        QTest::newRow("previous code's photos")
            << QStringList{u"old.jpg"_s, u"OLD2.JPG"_s, u"notes.txt"_s} << 1 << u" 2"_s;
        QTest::newRow("no JPEG files") << QStringList{u"notes.txt"_s, u"a.png"_s} << 0 << u" 0"_s;
    }
    void fallsBackToExistingJpegs()
    {
        QFETCH(QStringList, leftOver);
        QFETCH(int, messages);
        QFETCH(QString, count);
        for (const QString &name : leftOver) {
            QVERIFY(rig->makePhoto(u"home/tmp/slideshowA/"_s + name));
        }
        QVERIFY(QDir().mkpath(rig->path(kDay + u"NONE"_s)));
        StderrCapture log;
        rig->controller().FindOvraFilesWithID(u"NONE"_s);
        rig->settle();
        const QString logged = log.finish();
        QVERIFY2(
            logged.contains(kLogStartWithExisting.arg(count, rig->path(u"home/tmp/slideshowA"_s))),
            qPrintable(logged));
        leftOver.sort();
        QCOMPARE(rig->workingFolderEntries(), leftOver);
        QCOMPARE(rig->displayMessages.size(), messages);
    }

    void missingDayFolderChangesNothing()
    {
        stubAnswering("./ABC/IMG_1.jpg\\n");
        QVERIFY(rig->makePhoto(
            u"store/2012-06-12/ABC/IMG_1.jpg"_s)); // the calendar day, not the photo day
        rig->controller().FindOvraFilesWithID(u"ABC"_s);
        rig->settle();
        QVERIFY(!QFile::exists(rig->path(u"args"_s)));
        QVERIFY(rig->displayMessages.isEmpty());
    }

    void unsafeCodesAreRefused_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("blank") << u"  "_s;
        QTest::newRow("dot") << u"."_s;
        QTest::newRow("dot dot") << u".."_s;
        QTest::newRow("slash") << u"../2012-06-10/ABC"_s;
        QTest::newRow("NUL") << QString(u"AB"_s + QChar(0) + u"C"_s);
    }
    void unsafeCodesAreRefused()
    {
        QFETCH(QString, code);
        stubAnswering("./ABC/IMG_1.jpg\\n");
        QVERIFY(rig->makePhoto(kDay + u"ABC/IMG_1.jpg"_s));
        QVERIFY(rig->makePhoto(u"home/tmp/slideshowA/kept.jpg"_s));
        BarcodeEntryController &controller = rig->controller();
        controller.fCurrentBarcode = u"K1"_s;
        controller.FindOvraFilesWithID(code);
        rig->center.postNotificationName(kNewCustomerId, QVariantMap{{kKeyNewBarcode, code}});
        rig->settle();
        QVERIFY(!QFile::exists(rig->path(u"args"_s)));
        QVERIFY(rig->displayMessages.isEmpty());
        QCOMPARE(rig->workingFolderEntries(), QStringList{u"kept.jpg"_s});
        QCOMPARE(controller.fCurrentBarcode, u"K1"_s);
    }

    // Codes and photos with odd names (spaces, quotes, shell syntax, leading dashes,
    // non-ASCII) arrive under their exact names with their exact bytes; names the
    // search leaves out by design (a newline, bytes not UTF-8) take no others with them.
    void oddNames_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("photos");
        const QStringList mixed =
            QString::fromUtf8(TestHarness::readFile(corpus.filePath(u"names/expected-mixed.txt"_s)))
                .split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(mixed.size() >= 10);
        QTest::newRow("odd file names") << u"mixed"_s << mixed;
        for (const QString &code : {u"code with space"_s, u"o'brien"_s, u"say \"cheese\""_s,
                                    u"-rf"_s, u"--help"_s, u"ünïcode"_s}) {
            QTest::newRow(qPrintable(u"code "_s + code)) << code << QStringList{code + u" 1.jpg"_s};
        }
    }
    void oddNames()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, photos);
        const QString day = corpus.filePath(u"names/2026-01-02"_s);
        rig->store.setObject(corpus.filePath(u"names"_s), kPrefSlideShowPath);
        Clock::setFixed(QDateTime(QDate(2026, 1, 2), QTime(12, 0)));
        rig->controller().FindOvraFilesWithID(code);
        rig->settle();
        std::sort(photos.begin(), photos.end());
        QCOMPARE(rig->workingFolderEntries(), photos);
        for (const QString &photo : std::as_const(photos)) {
            QCOMPARE(TestHarness::readFile(rig->path(u"home/tmp/slideshowA/"_s + photo)),
                     TestHarness::readFile(day + u'/' + code + u'/' + photo));
        }
        QVERIFY(!rig->displayMessages.isEmpty());
    }

    void quickSuccessionKeepsOnlyTheNewestCode()
    {
        for (int i = 0; i < 40; ++i) {
            QVERIFY(rig->makePhoto(kDay + u"A/a%1.jpg"_s.arg(i, 2, 10, QChar(u'0')),
                                   QByteArray(256 * 1024, 'a')));
        }
        QVERIFY(rig->makePhoto(kDay + u"B/b1.jpg"_s));
        QVERIFY(rig->makePhoto(kDay + u"B/b2.jpg"_s));
        BarcodeEntryController &controller = rig->controller();
        // The first code's copy loop is under way when the second code arrives.
        controller.FindOvraFilesWithID(u"A"_s);
        QCoreApplication::processEvents();
        controller.FindOvraFilesWithID(u"B"_s);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), (QStringList{u"b1.jpg"_s, u"b2.jpg"_s}));
        QVERIFY(rig->displayMessages.size() >= 2);

        // Both searched before either copies: the first code never touches the folder.
        rig->displayMessages.clear();
        StderrCapture log;
        controller.FindOvraFilesWithID(u"A"_s);
        controller.FindOvraFilesWithID(u"B"_s);
        rig->settle();
        const QString logged = log.finish();
        QVERIFY(logged.contains(u"b1.jpg]"_s));
        QVERIFY(!logged.contains(u"a00.jpg]"_s));
        QCOMPARE(rig->workingFolderEntries(), (QStringList{u"b1.jpg"_s, u"b2.jpg"_s}));
        QCOMPARE(rig->displayMessages.size(), 2);
    }

    void overlayFramesMatchingOrientationOnly()
    {
        QVERIFY(overlayPicture({180, 120}).save(rig->path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(TestHarness::writeJpeg(rig->path(kDay + u"ABC/land.jpg"_s), {300, 200}, Qt::red));
        QVERIFY(TestHarness::writeJpeg(rig->path(kDay + u"ABC/port.jpg"_s), {200, 300}, Qt::blue));
        stubAnswering("./ABC/land.jpg\\n./ABC/port.jpg\\n");
        rig->controller().FindOvraFilesWithID(u"ABC"_s);
        rig->settle();
        QCOMPARE(QImage(rig->path(u"home/tmp/slideshowA/land.jpg"_s)).size(), QSize(180, 120));
        QCOMPARE(TestHarness::readFile(rig->path(u"home/tmp/slideshowA/port.jpg"_s)),
                 TestHarness::readFile(rig->path(kDay + u"ABC/port.jpg"_s)));
    }

    void workingFolderResetIsGuarded()
    {
        for (const QString &bad : {QString(), u"/"_s, u"relative/slideshowA"_s, QDir::homePath(),
                                   QDir::homePath() + u"/"_s}) {
            QVERIFY2(!resetWorkingFolder(bad), qPrintable(bad));
        }
        QVERIFY(QDir::home().exists());
        // A link in the working folder's place goes; what it pointed at stays.
        QVERIFY(rig->makePhoto(u"elsewhere/keep.jpg"_s));
        QVERIFY(QDir().mkpath(rig->path(u"home/tmp"_s)));
        QVERIFY(QFile::link(rig->path(u"elsewhere"_s), rig->path(u"home/tmp/linked"_s)));
        QVERIFY(resetWorkingFolder(rig->path(u"home/tmp/linked"_s)));
        QVERIFY(QFileInfo(rig->path(u"home/tmp/linked"_s)).isDir());
        QVERIFY(!QFileInfo(rig->path(u"home/tmp/linked"_s)).isSymLink());
        QVERIFY(QFile::exists(rig->path(u"elsewhere/keep.jpg"_s)));
    }

    void previousPhotosGoWithoutTrace()
    {
        const QString working = rig->path(u"home/tmp/slideshowA"_s);
        QVERIFY(TestHarness::writeFile(working + u"/OLD.jpg"_s, "old"));
        QVERIFY(rig->makePhoto(u"src/NEW.jpg"_s, "new"));
        ActivationCopyJob job;
        job.results = {u"NEW.jpg"_s};
        job.folder = rig->path(u"src"_s);
        job.workingFolder = working;
        int announced = 0;
        QStringList atFirstMessage;
        job.announce = [&] {
            if (++announced == 1) {
                atFirstMessage = QDir(working).entryList(QDir::Files | QDir::Hidden);
            }
        };
        QCOMPARE(copyFoundImages(job), 1);
        QCOMPARE(atFirstMessage, QStringList{u"NEW.jpg"_s});
        QCOMPARE(TestHarness::readFile(working + u"/NEW.jpg"_s), QByteArray("new"));
        // Nothing of the old folder is left beside the new one, hidden or not.
        QCOMPARE(QDir(rig->path(u"home/tmp"_s))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"slideshowA"_s});
    }

    void compositeCentresPhotoUnderOverlay_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QString>("overlayName");
        QTest::addColumn<QSize>("overlay");
        QTest::addColumn<QRect>("inside");   // well inside the photo's rectangle
        QTest::addColumn<QPoint>("outside"); // canvas left black
        // Full-size photo and overlay sizes, scaled to a tenth.
        QTest::newRow("landscape") << QSize(300, 200) << u"Slideshow_LS.png"_s << QSize(180, 120)
                                   << QRect(10, 20, 160, 90) << QPoint(-1, -1);
        QTest::newRow("portrait") << QSize(200, 300) << u"Slideshow_PRT.png"_s << QSize(120, 180)
                                  << QRect(22, 30, 76, 120) << QPoint(7, 90);
        QTest::newRow("square") << QSize(200, 200) << u"Slideshow_LS.png"_s << QSize(180, 120)
                                << QRect(52, 24, 76, 72) << QPoint(20, 60);
    }
    void compositeCentresPhotoUnderOverlay()
    {
        OverlayCompositor compositor(rig->path(u"Desktop/"_s), rig->path(u"out.jpg"_s));
        QFETCH(QSize, photo);
        QFETCH(QString, overlayName);
        QFETCH(QSize, overlay);
        QFETCH(QRect, inside);
        QFETCH(QPoint, outside);
        QVERIFY(overlayPicture(overlay).save(rig->path(u"Desktop/"_s + overlayName)));
        QVERIFY(TestHarness::writeJpeg(rig->path(u"photo.jpg"_s), photo, Qt::red));

        QCOMPARE(compositor.applyOverlayToSourceItem(rig->path(u"photo.jpg"_s)),
                 rig->path(u"out.jpg"_s));
        const QImage result(rig->path(u"out.jpg"_s), "jpeg");
        QCOMPARE(result.size(), overlay);
        QVERIFY(near(result.pixel(overlay.width() / 2, 2), Qt::green)); // overlay drawn on top
        for (const QPoint corner : {inside.topLeft(), inside.bottomRight(), inside.center()}) {
            QVERIFY2(near(result.pixel(corner), Qt::red),
                     qPrintable(u"%1,%2"_s.arg(corner.x()).arg(corner.y())));
        }
        if (outside.x() >= 0) {
            QVERIFY(near(result.pixel(outside), Qt::black));
        }
    }

    void exifRotatedPhotoIsFramedUpright()
    {
        OverlayCompositor compositor(rig->path(u"Desktop/"_s), rig->path(u"out.jpg"_s));
        // Stored 300x200 (left red, right blue) but turned 90 degrees clockwise
        // by its orientation: shown 200x300, so it is a portrait photo with red on top.
        QImage stored(300, 200, QImage::Format_RGB32);
        stored.fill(Qt::blue);
        QPainter(&stored).fillRect(0, 0, 150, 200, Qt::red);
        QImageWriter writer(rig->path(u"turned.jpg"_s), "jpeg");
        writer.setTransformation(QImageIOHandler::TransformationRotate90); // Exif orientation 6
        QVERIFY(writer.write(stored));
        QVERIFY(overlayPicture({180, 120}).save(rig->path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(overlayPicture({120, 180}).save(rig->path(u"Desktop/Slideshow_PRT.png"_s)));

        QCOMPARE(compositor.applyOverlayToSourceItem(rig->path(u"turned.jpg"_s)),
                 rig->path(u"out.jpg"_s));
        const QImage result(rig->path(u"out.jpg"_s), "jpeg");
        QCOMPARE(result.size(), QSize(120, 180));
        // Photo rectangle (15, 22.5, 90, 135): red in its upper half, blue below.
        QVERIFY(near(result.pixel(60, 50), Qt::red));
        QVERIFY(near(result.pixel(60, 130), Qt::blue));
        QVERIFY(near(result.pixel(5, 90), Qt::black));
    }

    void noCompositeWithoutOverlayOrPhoto()
    {
        OverlayCompositor compositor(rig->path(u"Desktop/"_s), rig->path(u"out.jpg"_s));
        QVERIFY(TestHarness::writeJpeg(rig->path(u"portrait.jpg"_s), {200, 300}, Qt::red));
        QVERIFY(overlayPicture({180, 120}).save(rig->path(u"Desktop/Slideshow_LS.png"_s)));
        // Only the landscape overlay: a portrait photo stays unframed.
        QVERIFY(compositor.applyOverlayToSourceItem(rig->path(u"portrait.jpg"_s)).isNull());
        QVERIFY(TestHarness::writeFile(rig->path(u"broken.jpg"_s), "not a photo"));
        QVERIFY(compositor.applyOverlayToSourceItem(rig->path(u"broken.jpg"_s)).isNull());
        QVERIFY(compositor.applyOverlayToSourceItem(rig->path(u"missing.jpg"_s)).isNull());
        // An overlay that does not decode.
        QVERIFY(TestHarness::writeFile(rig->path(u"Desktop/Slideshow_PRT.png"_s), "garbage"));
        QVERIFY(compositor.applyOverlayToSourceItem(rig->path(u"portrait.jpg"_s)).isNull());
        QVERIFY(!QFile::exists(rig->path(u"out.jpg"_s)));
        // A composite that cannot be written.
        QVERIFY(TestHarness::writeJpeg(rig->path(u"photo.jpg"_s), {300, 200}, Qt::red));
        OverlayCompositor unwritable(rig->path(u"Desktop"_s),
                                     rig->path(u"no/such/folder/out.jpg"_s));
        QVERIFY(unwritable.applyOverlayToSourceItem(rig->path(u"photo.jpg"_s)).isNull());
    }

    void changedOverlayIsReadAgain()
    {
        OverlayCompositor compositor(rig->path(u"Desktop/"_s), rig->path(u"out.jpg"_s));
        QVERIFY(TestHarness::writeJpeg(rig->path(u"photo.jpg"_s), {300, 200}, Qt::red));
        QVERIFY(overlayPicture({180, 120}).save(rig->path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(!compositor.applyOverlayToSourceItem(rig->path(u"photo.jpg"_s)).isNull());
        QCOMPARE(QImage(rig->path(u"out.jpg"_s)).size(), QSize(180, 120));
        QVERIFY(overlayPicture({240, 160}).save(rig->path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(!compositor.applyOverlayToSourceItem(rig->path(u"photo.jpg"_s)).isNull());
        QCOMPARE(QImage(rig->path(u"out.jpg"_s)).size(), QSize(240, 160));
    }

    void scriptArguments_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("code");
        QTest::addColumn<QStringList>("expected"); // after the folder; empty: never run
        const QVariant none;
        const QString abc = u"ABC"_s;
        QTest::newRow("count missing") << none << QVariant(abc) << QStringList{u"40"_s, abc};
        QTest::newRow("count 0") << QVariant(0) << QVariant(abc) << QStringList{u"40"_s, abc};
        QTest::newRow("count 12") << QVariant(12) << QVariant(abc) << QStringList{u"12"_s, abc};
        QTest::newRow("shout mode") << none << none << QStringList{u"40"_s};
        // A code is one folder name: nothing that reaches another folder runs.
        QTest::newRow("code ..") << none << QVariant(u".."_s) << QStringList();
    }
    void scriptArguments()
    {
        QFETCH(QVariant, stored);
        QFETCH(QVariant, code);
        QFETCH(QStringList, expected);
        if (stored.isValid()) {
            rig->store.setObject(stored, kPrefMaxPhotosInLocalFolder);
        }
        const QString args = rig->path(u"args"_s);
        auto query =
            withStub("printf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\necho other/x.jpg\n");
        QVERIFY(makeFile(rig->path(u"day/other/x.jpg"_s), 3600));
        Recorder recorder;
        query->startSearchActionWithParamOldwayOvra2(request(rig->path(u"day"_s), &recorder, code));

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().kind, u"done"_s);
        if (expected.isEmpty()) {
            QVERIFY(!QFile::exists(args));
            QVERIFY(recorder.calls.first().response.isEmpty());
        } else {
            expected.prepend(rig->path(u"day"_s));
            QCOMPARE(
                QString::fromUtf8(TestHarness::readFile(args)).split(u'\n', Qt::SkipEmptyParts),
                expected);
            QCOMPARE(recorder.calls.first().response, QStringList{u"other/x.jpg"_s});
        }
    }

    void emptyAnswers_data()
    {
        QTest::addColumn<QByteArray>("body"); // empty: no script at all
        QTest::newRow("blank lines") << QByteArray("printf '\\n   \\n\\t\\n\\n'\n");
        QTest::newRow("no script") << QByteArray();
        QTest::newRow("failing script") << QByteArray("echo 'find: no such folder' >&2; exit 1\n");
        // The day folder is deleted while the search runs.
        QTest::newRow("vanished folder") << QByteArray("echo ./A/a.jpg\nrm -rf \"$1\"\n");
    }
    void emptyAnswers()
    {
        QFETCH(QByteArray, body);
        const QString day = rig->path(u"day"_s);
        QVERIFY(makeFile(day + u"/A/a.jpg"_s, 3600));
        auto query = withStub(body);
        if (body.isEmpty()) {
            QFile::remove(rig->path(u"bundle/share/getnewestfiles.sh"_s));
        }
        query->setResponse({u"left over"_s});
        Recorder recorder;
        const QVariantMap param = request(day, &recorder, u"A"_s);
        query->startSearchActionWithParamOldwayOvra2(param);

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().kind, u"done"_s);
        QCOMPARE(recorder.calls.first().param, param);
        QVERIFY(recorder.calls.first().response.isEmpty());
        QVERIFY(!query->param().has_value());
    }

    void badScriptLinesAreDropped()
    {
        const QString day = rig->path(u"day"_s);
        for (const char *name : {"A/a.jpg", "A/b c.jpg", " lead.jpg", "../secret.jpg"}) {
            QVERIFY(makeFile(day + u'/' + QString::fromUtf8(name), 3600));
        }
        QVERIFY(QFile::link(rig->path(u"secret.jpg"_s), day + u"/A/link.jpg"_s));
        auto query =
            withStub("printf '%s\\n' '' '  ./A/a.jpg  ' '../secret.jpg' 'A/../../secret.jpg' "
                     "/etc/passwd 'garbage: no such thing' A/link.jpg '   ' 'A/b c.jpg' "
                     "' lead.jpg' \"$(printf 'A/a.jpg\\033[2J')\" A\n");
        Recorder recorder;
        StderrCapture capture;
        query->startSearchActionWithParamOldwayOvra2(request(day, &recorder));
        const QString log = capture.finish();

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().response,
                 QStringList({u"./A/a.jpg"_s, u"A/b c.jpg"_s, u" lead.jpg"_s}));
        QVERIFY2(log.contains(u"dropped line [/etc/passwd]"_s), qPrintable(log));
    }

    void demoFolderFirst()
    {
        const QString root = rig->path(u"store"_s);
        const QString day = root + u"/2012-06-16"_s;
        const QString demo = root + u"/Demo"_s;
        QVERIFY(makeFile(day + u"/ABC/day.jpg"_s, 60));
        QVERIFY(makeFile(demo + u"/ABC/older.jpg"_s, 7200));
        QVERIFY(makeFile(demo + u"/ABC/newer.jpg"_s, 3600));
        QVERIFY(makeFile(demo + u"/XYZ/other.jpg"_s, 60));
        rig->store.setBool(true, kPrefSearchInDemoFolderFirst);
        rig->store.setObject(u"Demo"_s, kPrefDemoFolderName);
        OvraPhotoQueryController query(&rig->store, Bundle::mainBundle());
        Recorder recorder;

        // Matches in the demo folder answer alone, relative to "altpath".
        query.startSearchActionWithParamOldwayOvra2(request(day, &recorder, u"ABC"_s));
        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.at(0).kind, u"new"_s);
        QCOMPARE(recorder.calls.at(0).param.value(kKeyAltPath).toString(), demo);
        QCOMPARE(recorder.calls.at(0).param.value(kKeySearchPath).toString(), day);
        QCOMPARE(recorder.calls.at(0).response,
                 QStringList({u"./ABC/newer.jpg"_s, u"./ABC/older.jpg"_s}));

        // No match there: the day folder answers, without "altpath".
        rig->store.setObject(u"Demo2"_s, kPrefDemoFolderName);
        QVERIFY(makeFile(root + u"/Demo2/XYZ/other.jpg"_s, 60));
        query.startSearchActionWithParamOldwayOvra2(request(day, &recorder, u"ABC"_s));
        QCOMPARE(recorder.calls.size(), 2);
        QCOMPARE(recorder.calls.at(1).kind, u"done"_s);
        QVERIFY(!recorder.calls.at(1).param.contains(kKeyAltPath));
        QCOMPARE(recorder.calls.at(1).response, QStringList{u"./ABC/day.jpg"_s});

        // A missing demo folder is made; the day folder answers.
        rig->store.setObject(u"NewDemo"_s, kPrefDemoFolderName);
        query.startSearchActionWithParamOldwayOvra2(request(day, &recorder, u"ABC"_s));
        QVERIFY(QFileInfo(root + u"/NewDemo"_s).isDir());
        QCOMPARE(recorder.calls.at(2).response, QStringList{u"./ABC/day.jpg"_s});
    }

    void folderListing()
    {
        const QString folder = rig->path(u"code"_s);
        for (const char *name : {"a.jpg", "b.XML", ".hidden.jpg", "notes", "s/inside.jpg"}) {
            QVERIFY(makeFile(folder + u'/' + QString::fromUtf8(name), 0));
        }
        OvraPhotoQueryController query(&rig->store, Bundle::mainBundle());
        Recorder recorder;
        QVariantMap param = request(folder, &recorder);
        param.insert(kKeySearchKey, QStringList{kSearchKeyAll});
        query.startSearchActionWithParam(param);

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().kind, u"done"_s);
        QStringList got = recorder.calls.first().response;
        got.sort();
        QCOMPARE(got, QStringList({folder + u"/a.jpg"_s, folder + u"/notes"_s, folder + u"/s"_s}));
        QVERIFY(!query.param().has_value());

        // Missing folder, a file, no folder at all: empty answers, still delivered.
        query.startSearchActionWithParam(request(rig->path(u"missing"_s), &recorder));
        query.startSearchActionWithParam(request(folder + u"/a.jpg"_s, &recorder));
        query.startSearchActionWithParam({{kKeyDelegate, searchDelegateValue(&recorder)}});
        QCOMPARE(recorder.calls.size(), 4);
        QVERIFY(
            (recorder.calls[1].response + recorder.calls[2].response + recorder.calls[3].response)
                .isEmpty());
    }

    void scriptListsNewestJpegs()
    {
        const QString day = rig->path(u"day"_s);
        const QList<QPair<const char *, qint64>> files{
            {"ABC/oldest.jpg", 5000},
            {"ABC/with space.JPG", 4000},
            {"ABC/third.jpeg", 3000},
            {"ABC/$(touch pwned).JpEg", 2000},
            {"ABC/new\nline.jpg", 1000},
            {"ABC/.hidden.jpg", 1000},
            {"ABC/picture.png", 1000},
            {"ABC/ABC.xml", 1000},
            {"ABC/sub/deeper.jpg", 1000},
            {"B B/b.jpg", 2500},
            {".trash/t.jpg", 50},
            {"new\ncode/n.jpg", 50},
            {"loose.jpg", 50},
            // Just arrived: listed at once (the copier waits until it is whole).
            // Every file here has a fresh change time.
            {"ABC/fresh.jpg", 0},
        };
        for (const auto &[name, age] : files) {
            QVERIFY(makeFile(day + u'/' + QString::fromUtf8(name), age));
        }
        const QStringList abc{u"./ABC/fresh.jpg"_s, u"./ABC/$(touch pwned).JpEg"_s,
                              u"./ABC/third.jpeg"_s, u"./ABC/with space.JPG"_s,
                              u"./ABC/oldest.jpg"_s};
        QCOMPARE(runScript({day, u"40"_s, u"ABC"_s}), qMakePair(0, abc));
        QCOMPARE(runScript({day, u"2"_s, u"ABC"_s}).second, abc.mid(0, 2));
        QCOMPARE(runScript({day, u"4"_s}).second,
                 QStringList({abc.at(0), abc.at(1), u"./B B/b.jpg"_s, abc.at(2)}));
        QVERIFY(!QFile::exists(day + u"/ABC/pwned"_s));
        QVERIFY(!QFile::exists(day + u"/pwned"_s));
    }

    void scriptCountsOverThousandsOfFiles()
    {
        const QString day = rig->path(u"day"_s);
        for (int code = 0; code < 30; ++code) {
            for (int i = 0; i < 100; ++i) {
                QVERIFY(
                    makeFile(u"%1/C%2/p%3.jpg"_s.arg(day).arg(code).arg(i), 100 + code * 100 + i));
            }
        }
        const QStringList all = runScript({day, u"40"_s}).second;
        QCOMPARE(all.size(), 40);
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(all.at(i), u"./C0/p%1.jpg"_s.arg(i));
        }
        QCOMPARE(runScript({day, u"2"_s, u"C29"_s}).second,
                 QStringList({u"./C29/p0.jpg"_s, u"./C29/p1.jpg"_s}));
    }

    void scriptRefusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments"); // DAY stands for the day folder
        QTest::addColumn<bool>("fails");
        const QString day = u"DAY"_s;
        QTest::newRow("no count") << QStringList{day} << true;
        QTest::newRow("word count") << QStringList{day, u"x"_s} << true;
        QTest::newRow("negative count") << QStringList{day, u"-1"_s} << true;
        QTest::newRow("zero count") << QStringList{day, u"0"_s} << false;
        QTest::newRow("missing folder") << QStringList{day + u"/missing"_s, u"4"_s} << true;
        QTest::newRow("too many") << QStringList{day, u"4"_s, u"A"_s, u"B"_s} << true;
        for (const QString &code : {u".."_s, u"."_s, u"A/../../outside"_s, u""_s}) {
            QTest::newRow(qPrintable(u"code "_s + code)) << QStringList{day, u"40"_s, code} << true;
        }
    }
    void scriptRefusesBadArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fails);
        QVERIFY(makeFile(rig->path(u"day/A/a.jpg"_s), 300));
        QVERIFY(makeFile(rig->path(u"outside/secret.jpg"_s), 300));
        arguments.replaceInStrings(u"DAY"_s, rig->path(u"day"_s));
        const auto [exitCode, lines] = runScript(arguments);
        QCOMPARE(exitCode != 0, fails);
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(u',')));
    }

private:
    // A stub script answering these lines and writing its arguments down.
    void stubAnswering(const QByteArray &lines)
    {
        rig->useScript("printf '%s\\n' \"$@\" > '" + rig->path(u"args"_s).toUtf8() + "'\nprintf '" +
                       lines + "'\n");
    }
    // The controller, with a photo script that writes the activated codes down.
    BarcodeEntryController &recordingController()
    {
        QDir().mkpath(rig->path(kDay));
        rig->useScript("printf '%s\\n' \"$3\" >> '" + rig->path(u"activated"_s).toUtf8() + "'\n");
        return rig->controller();
    }
    // A search object whose bundle holds a photo script with this body.
    std::unique_ptr<OvraPhotoQueryController> withStub(const QByteArray &body)
    {
        rig->useScript(body);
        return std::make_unique<OvraPhotoQueryController>(&rig->store, rig->bundle());
    }
    void type(const QStringList &keys);
    QStringList activatedCodes() const;

    QTemporaryDir corpus;
    QStringList floodKeys;
    std::unique_ptr<IntakeTestRig> rig;
};

void tst_BarcodeEntryController::type(const QStringList &keys)
{
    for (const QString &key : keys) {
        rig->center.postNotificationName(
            kAddStringToBuffer,
            QVariantMap{{kKeyNewString, key}, {kKeyDate, Clock::now()}, {kKeyNSEvent, QVariant()}});
    }
}

QStringList tst_BarcodeEntryController::activatedCodes() const
{
    rig->settle();
    return QString::fromUtf8(TestHarness::readFile(rig->path(u"activated"_s)))
        .split(u'\n', Qt::SkipEmptyParts);
}

void tst_BarcodeEntryController::keystrokes_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("code");
    QTest::newRow("1 2 3 Return") << QStringList{u"1"_s, u"2"_s, u"3"_s, kCr} << u"123"_s;
    QTest::newRow("spaces and a web address")
        << QStringList{u"A"_s, u"B"_s, u" "_s, u"C"_s, u"/"_s, u"1"_s,
                       u"2"_s, u" "_s, u"3"_s, u"4"_s, kCr}
        << u"1234"_s;
    QTest::newRow("scanner sends a burst") << QStringList{u"AB C/12"_s, kCr} << u"12"_s;
    QTest::newRow("characters before Return are dropped")
        << QStringList{u"AB"_s, u"C"_s + kCr} << u"AB"_s;
    QTest::newRow("tabs around a key") << QStringList{u"\tX "_s, u"9"_s, kCr} << u"X9"_s;
}

void tst_BarcodeEntryController::keystrokes()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, code);
    BarcodeEntryController &controller = recordingController();
    type(keys);
    QVERIFY(controller.fTempBuffer().isEmpty());
    QCOMPARE(rig->newCustomerIds.size(), 1);
    QCOMPARE(rig->newCustomerIds.first().value(kKeyNewBarcode).toString(), code);
    QVERIFY(!rig->newCustomerIds.first().contains(kKeyFromOvra));
    QCOMPARE(controller.fCurrentBarcode, code);
    QCOMPARE(activatedCodes(), QStringList{code});
}

// A pause or Escape drops what was typed so far; the next code is whole.
void tst_BarcodeEntryController::partialCodeIsForgotten()
{
    BarcodeEntryController &controller = recordingController();
    controller.fTimerInterval = 0.02f;
    type({u"1"_s, u"2"_s});
    QCOMPARE(controller.fTempBuffer(), u"12"_s);
    QVERIFY(controller.timerIsPending());
    QTRY_VERIFY(!controller.timerIsPending());
    QVERIFY(controller.fTempBuffer().isEmpty());
    type({u"7"_s, u"8"_s, kEsc});
    QVERIFY(controller.fTempBuffer().isEmpty());
    QVERIFY(controller.timerIsPending());
    type({u"4"_s, u"5"_s, kCr});
    QCOMPARE(controller.fNewBarcode(), u"45"_s);
    QCOMPARE(activatedCodes(), QStringList{u"45"_s});
}

void tst_BarcodeEntryController::keysFromUserInfoAreIgnored()
{
    BarcodeEntryController &controller = recordingController();
    rig->center.postNotificationName(kAddStringToBuffer, QVariant(),
                                     QVariantMap{{kKeyNewString, u"5"_s}});
    QVERIFY(controller.fTempBuffer().isEmpty());
    rig->center.postNotificationName(kNewCustomerId, QVariant(),
                                     QVariantMap{{kKeyNewBarcode, u"55"_s}});
    QVERIFY(controller.fCurrentBarcode.isEmpty());
}

// A stuck key or a scanner gone wrong: 10,000 keys without a pause. The buffer
// stays bounded, the flood ends, and a good code after it is still activated.
void tst_BarcodeEntryController::flood_data()
{
    QTest::addColumn<bool>("oneBurst");  // the whole flood in one string
    QTest::addColumn<QString>("ending"); // what ends the flood
    QTest::newRow("keys, then a pause") << false << QString();
    QTest::newRow("keys, then Escape") << false << kEsc;
    QTest::newRow("one burst, then Return") << true << kCr;
}

void tst_BarcodeEntryController::flood()
{
    QFETCH(bool, oneBurst);
    QFETCH(QString, ending);
    BarcodeEntryController &controller = recordingController();
    controller.fTimerInterval = 0.05f;
    const QString flood = floodKeys.join(QString());
    type(oneBurst ? QStringList{flood} : floodKeys);
    // The newest characters are the ones kept (single blank keys are dropped).
    QVERIFY(controller.fTempBuffer().size() <= BarcodeEntryController::kMaxBufferedCharacters);
    QVERIFY(!controller.fTempBuffer().isEmpty());
    QVERIFY((oneBurst ? flood.trimmed() : QString(flood).remove(u' '))
                .endsWith(controller.fTempBuffer()));
    if (ending.isEmpty()) {
        QTRY_VERIFY(!controller.timerIsPending());
    } else {
        type({ending});
    }
    QVERIFY(controller.fTempBuffer().isEmpty());
    if (ending == kCr) {
        // Whatever the flood made of a code is bounded too.
        QCOMPARE(rig->newCustomerIds.size(), 1);
        QVERIFY(rig->newCustomerIds.first().value(kKeyNewBarcode).toString().size() <=
                BarcodeEntryController::kMaxBufferedCharacters);
    }
    const int before = int(rig->newCustomerIds.size());
    type({u"4"_s, u"7"_s, u"1"_s, u"1"_s, kCr});
    QCOMPARE(rig->newCustomerIds.size(), before + 1);
    QCOMPARE(controller.fCurrentBarcode, u"4711"_s);
    const QStringList activated = activatedCodes();
    QVERIFY(!activated.isEmpty());
    QCOMPARE(activated.last(), u"4711"_s);
}

void tst_BarcodeEntryController::newCustomerId_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedCurrent");
    QTest::addColumn<QStringList>("activated");
    QTest::newRow("same code in other case: activated again")
        << u"abc"_s << u"ABC"_s << u"abc"_s << QStringList{u"ABC"_s};
    QTest::newRow("Return alone") << u"K1"_s << QString() << u"K1"_s << QStringList();
}

void tst_BarcodeEntryController::newCustomerId()
{
    QFETCH(QString, current);
    QFETCH(QString, typed);
    QFETCH(QString, expectedCurrent);
    QFETCH(QStringList, activated);
    BarcodeEntryController &controller = recordingController();
    controller.fCurrentBarcode = current;
    type({typed, kCr});
    QCOMPARE(controller.fCurrentBarcode, expectedCurrent);
    QCOMPARE(activatedCodes(), activated);
}

void tst_BarcodeEntryController::recordingAlertKeepsCurrentCodeButActivates()
{
    BarcodeEntryController &controller = recordingController();
    controller.fCurrentBarcode = u"OLD"_s;
    gVideoIsRecording = true;
    type({u"N"_s, u"E"_s, u"W"_s, kCr});
    QCOMPARE(rig->alertsShown, 1);
    QCOMPARE(rig->alertTexts, (QStringList{u"WARNING - VIDEO is STILL RECORDING !!!"_s,
                                           u"PLease Make Sure to STOP the Video Recording "
                                           u"First!!!\n\n"_s,
                                           u"Close"_s}));
    // Keys meant for the open alert never reach the buffer.
    type({u"Z"_s, kCr});
    QCOMPARE(rig->newCustomerIds.size(), 1);
    QVERIFY(controller.fTempBuffer().isEmpty());
    rig->closeAlert();
    QCOMPARE(controller.fCurrentBarcode, u"OLD"_s);
    QCOMPARE(activatedCodes(), QStringList{u"NEW"_s});

    // A previewer's code alerts too and does not become current.
    controller.handleOvraPreviewerNotification(
        {kOvraPreviewerNotification,
         QVariant(),
         {{kKeyAction, u"newCustomerSittingStarted"_s}, {kKeyValue, u"12345"_s}}});
    QCOMPARE(rig->alertsShown, 2);
    rig->closeAlert();
    QCOMPARE(controller.fCurrentBarcode, u"OLD"_s);

    gVideoIsRecording = false;
    type({u"N"_s, u"E"_s, u"W"_s, kCr});
    QCOMPARE(rig->alertsShown, 2);
    QCOMPARE(controller.fCurrentBarcode, u"NEW"_s);
}

void tst_BarcodeEntryController::videoCompanion_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<bool>("after");
    const QString video = u"Ovra-Video.app"_s;
    QTest::newRow("starts") << false << u"statusIsRecording"_s << video << true;
    QTest::newRow("other case") << false << u"STATUSISRECORDING"_s << u"OVRA-VIDEO.APP"_s << true;
    QTest::newRow("stops") << true << u"statusNotRecording"_s << video << false;
    QTest::newRow("other sender") << false << u"statusIsRecording"_s << u"Other.app"_s << false;
    QTest::newRow("other action") << true << u"paused"_s << video << true;
}

void tst_BarcodeEntryController::videoCompanion()
{
    QFETCH(bool, before);
    QFETCH(QString, action);
    QFETCH(QString, sender);
    QFETCH(bool, after);
    gVideoIsRecording = before;
    rig->controller().handleOvraVideoNotification(
        {kOvraXNotification, QVariant(), {{kKeyAction, action}, {kKeySenderApp, sender}}});
    QCOMPARE(gVideoIsRecording, after);
}

void tst_BarcodeEntryController::previewerCompanion_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QVariant>("value");  // invalid: none given
    QTest::addColumn<QVariant>("posted"); // invalid: nothing posted
    QTest::addColumn<QString>("current");
    const QString started = u"newCustomerSittingStarted"_s;
    const QVariant none;
    QTest::newRow("new customer") << started << QVariant(u" 12345\n"_s) << QVariant(u"12345"_s)
                                  << u"12345"_s;
    QTest::newRow("action in other case")
        << u"NEWCUSTOMERSITTINGSTARTED"_s << QVariant(u"77"_s) << QVariant(u"77"_s) << u"77"_s;
    QTest::newRow("blank value") << started << QVariant(u"   "_s) << QVariant(u""_s) << u"OLD"_s;
    QTest::newRow("no value") << started << none << none << u"OLD"_s;
    QTest::newRow("other action") << u"sittingEnded"_s << QVariant(u"9"_s) << none << u"OLD"_s;
    QTest::newRow("value leading outside")
        << started << QVariant(u"../../etc"_s) << QVariant(u"../../etc"_s) << u"OLD"_s;
}

void tst_BarcodeEntryController::previewerCompanion()
{
    QFETCH(QString, action);
    QFETCH(QVariant, value);
    QFETCH(QVariant, posted);
    QFETCH(QString, current);
    QVariantMap info{{kKeyAction, action}};
    if (value.isValid()) {
        info.insert(kKeyValue, value);
    }
    BarcodeEntryController &controller = recordingController();
    controller.fCurrentBarcode = u"OLD"_s;
    controller.handleOvraPreviewerNotification({kOvraPreviewerNotification, QVariant(), info});
    if (posted.isValid()) {
        QCOMPARE(rig->newCustomerIds.size(), 1);
        QCOMPARE(rig->newCustomerIds.first().value(kKeyNewBarcode), posted);
        QCOMPARE(rig->newCustomerIds.first().value(kKeyFromOvra).toBool(), true);
    } else {
        QVERIFY(rig->newCustomerIds.isEmpty());
    }
    QCOMPARE(controller.fCurrentBarcode, current);
    // A previewer code becomes current but is not shown at once.
    QVERIFY(activatedCodes().isEmpty());
}

void tst_BarcodeEntryController::sharedChannelMayGoFirst()
{
    // The kiosk's delegate lends its channel and releases it before the controller.
    BarcodeEntryController &controller = recordingController();
    QCOMPARE(controller.distributedCenter(), rig->distributed.get());
    rig->distributed.reset();
    QCOMPARE(controller.distributedCenter(), nullptr);
    // Local messages still work; the rig destroys the controller afterwards.
    rig->center.postNotificationName(kNewCustomerId, QVariantMap{{kKeyNewBarcode, u"AFTER"_s}});
    QCOMPARE(controller.fCurrentBarcode, u"AFTER"_s);
}

void tst_BarcodeEntryController::fullWorkingFolderKeepsOnlyWholePhotos()
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(u"unshare"_s).isEmpty()) {
        QSKIP("needs root and unshare to mount a small tmpfs in a private mount namespace");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Two photos fit into 2 MB, the third does not.
    QStringList photos;
    for (int i = 1; i <= 3; ++i) {
        photos << dir.filePath(u"store/IMG_%1.jpg"_s.arg(i));
        QVERIFY(
            TestHarness::writeFile(photos.last(), randomBytes(900 * 1024), TestHarness::ago(3600)));
    }
    const QString mountPoint = dir.filePath(u"tmp"_s);
    QVERIFY(QDir().mkpath(mountPoint));
    QProcess child;
    child.start(u"unshare"_s,
                QStringList{u"-m"_s, u"sh"_s, u"-c"_s,
                            u"mount -t tmpfs -o size=2m tmpfs \"$1\" && shift && exec \"$@\""_s,
                            u"sh"_s, mountPoint, QCoreApplication::applicationFilePath(),
                            u"--copy-into-full-folder"_s, dir.path()});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray log = child.readAllStandardError();
    if (log.contains("mount: ") && child.exitCode() != 0) {
        QSKIP(qPrintable(u"tmpfs cannot be mounted here: "_s + QString::fromUtf8(log)));
    }
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, log.constData());
    QVERIFY2(log.contains("COPIED 2 OF 3"), log.constData());
    // The failed copy is logged as such, and no file of the failed copy is left behind.
    QVERIFY2(
        log.contains(kLogCopyItemError.arg(photos.last(), mountPoint + u"/slideshowA"_s, QString())
                         .toUtf8()),
        log.constData());
}

void tst_BarcodeEntryController::replacedPhotoIsCopiedWhole_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("renamed over") << false;
    QTest::newRow("rewritten in place") << true;
}

void tst_BarcodeEntryController::replacedPhotoIsCopiedWhole()
{
    QFETCH(bool, inPlace);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Of different sizes, so that a truncated or mixed copy cannot pass for either.
    const QByteArray oldPhoto = randomBytes(6 * 1024 * 1024);
    const QByteArray newPhoto = randomBytes(2 * 1024 * 1024 + 4096);
    const QString source = dir.filePath(u"IMG_1.jpg"_s);
    const QString replacement = dir.filePath(u".IMG_1.jpg.new"_s);
    auto replace = [&](int delayUs) {
        ::usleep(useconds_t(delayUs));
        if (!inPlace) {
            ::rename(QFile::encodeName(replacement).constData(),
                     QFile::encodeName(source).constData());
            return;
        }
        const int fd = ::open(QFile::encodeName(source).constData(), O_WRONLY | O_TRUNC);
        for (qsizetype at = 0; fd >= 0 && at < newPhoto.size(); at += 256 * 1024) {
            (void)!::write(fd, newPhoto.constData() + at,
                           size_t(qMin(qsizetype(256 * 1024), newPhoto.size() - at)));
            ::usleep(300); // a writer on the network, a piece at a time
        }
        ::close(fd);
    };
    int olds = 0;
    int news = 0;
    for (int i = 0; i < 5; ++i) {
        QVERIFY(TestHarness::writeFile(source, oldPhoto, TestHarness::ago(3600)));
        const QString destination = dir.filePath(u"work/%1/IMG_1.jpg"_s.arg(i));
        QVERIFY(QDir().mkpath(QFileInfo(destination).absolutePath()));
        QVERIFY(inPlace || TestHarness::writeFile(replacement, newPhoto));
        std::thread writer(replace, QRandomGenerator::global()->bounded(800));
        QString error;
        const bool copied = copyFileNoReplace(source, destination, &error);
        writer.join();
        QVERIFY2(copied, qPrintable(error));
        const QByteArray got = TestHarness::readFile(destination);
        QVERIFY2(got == oldPhoto || got == newPhoto,
                 qPrintable(u"copy %1 is a mix or truncated: %2 bytes"_s.arg(i).arg(got.size())));
        (got == oldPhoto ? olds : news)++;
    }
    qInfo("%d copies of the old photo, %d of the new one", olds, news);
}

OVRA_TEST_WIDGETS_MAIN_WITH_CHILDREN(tst_BarcodeEntryController,
                                     {"--copy-into-full-folder", copyIntoFullFolder})
#include "tst_barcodeentrycontroller.moc"
