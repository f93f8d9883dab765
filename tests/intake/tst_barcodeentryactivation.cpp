#include "BadCorpus.h"
#include "IntakeTestRig.h"
#include "StderrCapture.h"
#include "TestHarness.h"
#include "TestSupport.h"
#include "intake/ActivationCopier.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QApplication>
#include <QImage>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// Before 03:00 the photo day is still the previous calendar day.
const QDateTime kBeforeDayChange(QDate(2012, 6, 12), QTime(2, 30));
const QString kDay = u"store/2012-06-11/"_s;
} // namespace

// Guards code activation end to end: the right photos of the right day reach the working folder
// whole and under their own names, and the displays are told, with hostile codes refused.
class tst_BarcodeEntryActivation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(corpus.isValid());
        QString error;
        QVERIFY2(BadCorpus::generate(corpus.path(), {u"names"_s}, &error), qPrintable(error));
    }
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        rig = std::make_unique<IntakeTestRig>();
        QVERIFY(rig->isValid());
        Clock::setFixed(kBeforeDayChange);
    }
    void cleanup() { rig.reset(); }

    void activatesNewestPhotosOfThePhotoDay()
    {
        QVERIFY(rig->makePhoto(kDay + u"ABC/IMG_1.jpg"_s, "one"));
        QVERIFY(rig->makePhoto(kDay + u"ABC/IMG_2.jpg"_s, "two"));
        QVERIFY(rig->makePhoto(kDay + u"XYZ/IMG_8.jpg"_s));
        QVERIFY(rig->makePhoto(u"store/2012-06-12/ABC/IMG_9.jpg"_s));
        QVERIFY(rig->makePhoto(u"home/tmp/slideshowA/previous.jpg"_s));
        rig->controller().FindOvraFilesWithID(u"ABC"_s);
        rig->settle();
        QCOMPARE(rig->controller().tempFolderPath(), rig->path(u"home/tmp/slideshowA"_s));
        QCOMPARE(rig->store.stringForKey(kPrefTempFolderPath), rig->path(u"home/tmp/slideshowA"_s));

        QCOMPARE(rig->workingFolderEntries(), (QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s}));
        QCOMPARE(TestSupport::readFile(rig->path(u"home/tmp/slideshowA/IMG_1.jpg"_s)), "one");
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
        QCOMPARE(TestSupport::readFile(rig->path(u"home/tmp/slideshowA/IMG_1.jpg"_s)), "from A");
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
        QStringList entries = rig->workingFolderEntries();
        entries.sort();
        QCOMPARE(entries, leftOver);
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
            QString::fromUtf8(TestSupport::readFile(corpus.filePath(u"names/expected-mixed.txt"_s)))
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
            QCOMPARE(TestSupport::readFile(rig->path(u"home/tmp/slideshowA/"_s + photo)),
                     TestSupport::readFile(day + u'/' + code + u'/' + photo));
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
        QImage overlay(180, 120, QImage::Format_ARGB32);
        overlay.fill(Qt::transparent);
        QVERIFY(overlay.save(rig->path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(TestHarness::writeJpeg(rig->path(kDay + u"ABC/land.jpg"_s), {300, 200}, Qt::red));
        QVERIFY(TestHarness::writeJpeg(rig->path(kDay + u"ABC/port.jpg"_s), {200, 300}, Qt::blue));
        stubAnswering("./ABC/land.jpg\\n./ABC/port.jpg\\n");
        rig->controller().FindOvraFilesWithID(u"ABC"_s);
        rig->settle();
        QCOMPARE(QImage(rig->path(u"home/tmp/slideshowA/land.jpg"_s)).size(), QSize(180, 120));
        QCOMPARE(TestSupport::readFile(rig->path(u"home/tmp/slideshowA/port.jpg"_s)),
                 TestSupport::readFile(rig->path(kDay + u"ABC/port.jpg"_s)));
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
        QVERIFY(TestSupport::writeFile(working + u"/OLD.jpg"_s, "old"));
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
        QCOMPARE(TestSupport::readFile(working + u"/NEW.jpg"_s), QByteArray("new"));
        // Nothing of the old folder is left beside the new one, hidden or not.
        QCOMPARE(QDir(rig->path(u"home/tmp"_s))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"slideshowA"_s});
    }

private:
    // A stub script answering these lines and writing its arguments down.
    void stubAnswering(const QByteArray &lines)
    {
        rig->useScript("printf '%s\\n' \"$@\" > '" + rig->path(u"args"_s).toUtf8() + "'\nprintf '" +
                       lines + "'\n");
    }

    QTemporaryDir corpus;
    std::unique_ptr<IntakeTestRig> rig;
};

QTEST_MAIN(tst_BarcodeEntryActivation)
#include "tst_barcodeentryactivation.moc"
