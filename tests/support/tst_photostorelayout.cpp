// Guards the photo store's folder and file names by day and code.
#include "support/PhotoStoreLayout.h"

#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {
QDateTime local(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// A store holding only the given values; a null QVariant leaves the key out.
struct Store
{
    Preferences prefs{QString()};
    Store(const QVariant &root, const QVariant &pattern, const QVariant &alternate = {})
    {
        const std::pair<const QString &, const QVariant &> values[] = {
            {kPrefSlideShowPath, root},
            {kPrefDailyFolderFormat, pattern},
            {kPrefPathToAlternateDateFolder, alternate}};
        for (const auto &[key, value] : values) {
            if (value.isValid()) {
                prefs.setObject(value, key);
            }
        }
    }
};
} // namespace

class TestPhotoStoreLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(home_.isValid());
        // Folders under "~" are created by these tests: never in a real home.
        qputenv("HOME", QFile::encodeName(home_.path()));
        QCOMPARE(QDir::homePath(), home_.path());
    }

    void cleanup() { Clock::reset(); }

    void storeDayName_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QVariant>("pattern");
        QTest::addColumn<QString>("expected");

        const QVariant missing;
        QTest::newRow("02:59:59 is still the day before")
            << local(2012, 6, 12, 2, 59, 59) << missing << u"2012-06-11"_s;
        QTest::newRow("03:00 starts the day")
            << local(2012, 6, 12, 3, 0) << missing << u"2012-06-12"_s;
        QTest::newRow("new year's night belongs to the old year")
            << local(2013, 1, 1, 1, 0) << missing << u"2012-12-31"_s;
        QTest::newRow("stored pattern")
            << local(2012, 6, 12, 2, 59) << QVariant(u"yyyyMMdd"_s) << u"20120611"_s;
        QTest::newRow("stored pattern with blanks and newline")
            << local(2012, 6, 12, 12, 0) << QVariant(u"  yyyyMMdd\n"_s) << u"20120612"_s;
        QTest::newRow("blanks only give the root")
            << local(2012, 6, 12, 12, 0) << QVariant(u" \t\n"_s) << u""_s;
    }

    void storeDayName()
    {
        QFETCH(QDateTime, now);
        QFETCH(QVariant, pattern);
        QFETCH(QString, expected);
        Store store(u"/store"_s, pattern);
        Clock::setFixed(now);

        QCOMPARE(getDailyFolderName(&store.prefs), expected);
        QCOMPARE(getDailyFolderName2(getDailyFolderFormat(&store.prefs)), expected);
        // The console finds the code in that same day folder.
        const QString dayFolder = expected.isEmpty() ? u"/store"_s : u"/store/"_s + expected;
        QCOMPARE(formPathForCodeNew(u"12345678"_s, &store.prefs), dayFolder + u"/12345678"_s);
    }

    void otherDayStrings()
    {
        // The folder password's day is the calendar day, not the store's.
        Clock::setFixed(local(2012, 6, 5, 2, 59));
        QCOMPARE(getTwoDigitDay(), u"05"_s);
        Clock::setFixed(local(2012, 6, 30, 23, 0));
        QCOMPARE(getDailyFolderName2(u"yyyy-MM-dd-HH"_s), u"2012-06-30-20"_s);
    }

    void dayStepperName_data()
    {
        QTest::addColumn<qint64>("daysBack");
        QTest::addColumn<QVariant>("pattern");
        QTest::addColumn<QString>("expected");

        QTest::newRow("today before 03:00 is the calendar day")
            << qint64(0) << QVariant(u"yyyy-MM-dd"_s) << u"2012-06-12"_s;
        QTest::newRow("three days back")
            << qint64(3) << QVariant(u"yyyy-MM-dd"_s) << u"2012-06-09"_s;
        QTest::newRow("pattern used untrimmed")
            << qint64(1) << QVariant(u" yyyyMMdd"_s) << u" 20120611"_s;
        QTest::newRow("no pattern, no name") << qint64(1) << QVariant() << QString();
    }

    void dayStepperName()
    {
        QFETCH(qint64, daysBack);
        QFETCH(QVariant, pattern);
        QFETCH(QString, expected);
        Store store(u"/store"_s, pattern);
        Clock::setFixed(local(2012, 6, 12, 1, 30));

        QCOMPARE(getDayStepperFolderName(daysBack, &store.prefs), expected);
        QCOMPARE(getDayStepperFolderName(daysBack, &store.prefs).isNull(), expected.isNull());
    }

    void codeFolder_data()
    {
        QTest::addColumn<QVariant>("root");
        QTest::addColumn<QVariant>("alternate");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");

        const QVariant none;
        // The code kept as written.
        QTest::newRow("today") << QVariant(u"/store"_s) << none << u"aBc 1"_s
                               << u"/store/2012-06-11/aBc 1"_s;
        QTest::newRow("root with trailing slash")
            << QVariant(u"/store/"_s) << none << u"ABC"_s << u"/store/2012-06-11/ABC"_s;
        QTest::newRow("root under ~") << QVariant(u"~/store"_s) << none << u"ABC"_s
                                      << QDir::homePath() + u"/store/2012-06-11/ABC"_s;
        QTest::newRow("blank alternate is ignored") << QVariant(u"/store"_s) << QVariant(u"  \n"_s)
                                                    << u"ABC"_s << u"/store/2012-06-11/ABC"_s;
        QTest::newRow("alternate with trailing blank")
            << QVariant(u"/store"_s) << QVariant(u"/store/2012-06-01 "_s) << u"ABC"_s
            << u"/store/2012-06-01/ABC"_s;
        QTest::newRow("alternate without root")
            << none << QVariant(u"/other/day"_s) << u"ABC"_s << u"/other/day/ABC"_s;
        QTest::newRow("no root, no path") << none << none << u"ABC"_s << QString();
        // A code names one folder: nothing may lead out of the day folder.
        QTest::newRow("code with slashes")
            << QVariant(u"/store"_s) << none << u"../../etc"_s << QString();
        QTest::newRow("code ..") << QVariant(u"/store"_s) << none << u".."_s << QString();
        QTest::newRow("code .") << QVariant(u"/store"_s) << none << u"."_s << QString();
        QTest::newRow("empty code") << QVariant(u"/store"_s) << none << QString() << QString();
    }

    void codeFolder()
    {
        QFETCH(QVariant, root);
        QFETCH(QVariant, alternate);
        QFETCH(QString, code);
        QFETCH(QString, expected);
        Store store(root, QVariant(), alternate);
        Clock::setFixed(local(2012, 6, 11, 15, 0));

        const QString path = formPathForCodeNew(code, &store.prefs);
        QCOMPARE(path, expected);
        QCOMPARE(path.isNull(), expected.isNull());
    }

    void codeFolderForGivenDay()
    {
        Store store(u"/store"_s, QVariant(), u"/elsewhere"_s);
        // The alternate day folder is only for the shown day.
        QCOMPARE(formPathForCode(u"ABC"_s, u"2012-06-11"_s, &store.prefs),
                 u"/store/2012-06-11/ABC"_s);
        QCOMPARE(formPathForCode(u"ABC"_s, u""_s, &store.prefs), u"/store/ABC"_s);
        // No day name could be made: not the root, no path at all.
        QVERIFY(formPathForCode(u"ABC"_s, QString(), &store.prefs).isNull());
        QVERIFY(formPathForCode(u"../ABC"_s, u"2012-06-11"_s, &store.prefs).isNull());
        Store noRoot(QVariant(), QVariant(), u"/elsewhere"_s);
        QVERIFY(formPathForCode(u"ABC"_s, u"2012-06-11"_s, &noRoot.prefs).isNull());
    }

    void codeInfoFile()
    {
        QCOMPARE(codeInfoFilePath(u"/store/2012-06-11/12345678"_s),
                 u"/store/2012-06-11/12345678/12345678.xml"_s);
        QCOMPARE(codeInfoFilePath(u"/store/2012-06-11/12345678/"_s),
                 u"/store/2012-06-11/12345678/12345678.xml"_s);
        QVERIFY(codeInfoFilePath(QString()).isNull());
    }

    void codeChangesFolderIsCreatedOnceAndNeverOverAFile()
    {
        const QString expected = home_.path() + u"/.Ostrel/CodeChanges"_s;
        QVERIFY(!QFileInfo::exists(expected));
        QCOMPARE(createCodeChangesPath(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QVERIFY(TestSupport::writeFile(expected + u"/keep.xml"_s, {}));
        QCOMPARE(createCodeChangesPath(), expected);
        QVERIFY(QFileInfo::exists(expected + u"/keep.xml"_s));

        QVERIFY(QDir(expected).removeRecursively());
        QVERIFY(TestSupport::writeFile(expected, {}));
        QVERIFY(createCodeChangesPath().isNull());
        QVERIFY(QDir(home_.path() + u"/.Ostrel"_s).removeRecursively());
    }

    void demoSlides_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("demoSlide");
        QTest::newRow("JPG") << u"/d/c/IMG_1.JPG"_s << true;
        QTest::newRow("jpeg") << u"/d/c/IMG_1.jpeg"_s << true;
        QTest::newRow("PNG") << u"x.PNG"_s << true;
        QTest::newRow("tiff") << u"x.tiff"_s << true;
        QTest::newRow("tif") << u"x.tif"_s << false;
        QTest::newRow("no extension") << u"/d/notes"_s << false;
        QTest::newRow("double extension") << u"x.jpg.txt"_s << false;
        QTest::newRow("name that is an extension") << u"/d/.jpg"_s << false;
    }

    void demoSlides()
    {
        QFETCH(QString, path);
        QFETCH(bool, demoSlide);
        QCOMPARE(isDemoSlideFile(path), demoSlide);
    }

    void demoSlidesFolder()
    {
        Preferences prefs{QString()};
        QVERIFY(getDemoSlidesFolder(&prefs).isNull());
        prefs.setObject(u"~/Demo/../Slides/"_s, kPrefDemoSlidesPath);
        QCOMPARE(getDemoSlidesFolder(&prefs), home_.path() + u"/Slides"_s);
    }

private:
    QTemporaryDir home_;
};

int main(int argc, char *argv[])
{
    // Day changes are checked in a zone with summer time; set before anything
    // reads the zone.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestPhotoStoreLayout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_photostorelayout.moc"
