// Guards dated names: date patterns, log lines, the 03:00 day of store and log, old-log cleanup.
#include "support/PhotoStoreLayout.h"
#include "support/QXLogFileManager.h"

#include "StderrCapture.h"
#include "TestHarness.h"
#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <ctime>
#include <thread>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
QDateTime local(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

const QString kApp = u"Ovra-VideoWall"_s;

Bundle appBundle()
{
    QVariantMap info = Bundle::defaultInfoDictionary();
    info.insert(kInfoCFBundleExecutable, kApp);
    info.insert(kInfoCFBundleShortVersionString, u"2.1"_s);
    return Bundle(info, QString(), QString(), QString());
}

ino_t stderrInode()
{
    struct stat info = {};
    ::fstat(STDERR_FILENO, &info);
    return info.st_ino;
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

class TestDailyFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(home_.isValid());
        // Folders under "~" are created by these tests: never in a real home.
        qputenv("HOME", QFile::encodeName(home_.path()));
    }

    void cleanup() { Clock::reset(); }

    void formatsUnicodePatterns_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");

        const QDateTime june = local(2012, 6, 11, 14, 5, 9, 123);
        QTest::newRow("log line stamp, summer")
            << june << u"[YYYY/MM/dd HH:mm:ss.SSS Z]"_s << u"[2012/06/11 14:05:09.123 +0200]"_s;
        QTest::newRow("log line stamp, winter")
            << local(2012, 1, 15, 8, 0, 0, 7) << u"[YYYY/MM/dd HH:mm:ss.SSS Z]"_s
            << u"[2012/01/15 08:00:00.007 +0100]"_s;
        // 30 December 2019 lies in week 1 of the week-based year 2020.
        QTest::newRow("week-based year at the turn of the year")
            << local(2019, 12, 30, 10, 0) << u"YYYYMMddHHmmss"_s << u"20201230100000"_s;
        QTest::newRow("calendar year at the turn of the year")
            << local(2019, 12, 30, 10, 0) << u"yyyyMMddHHmmss"_s << u"20191230100000"_s;
        QTest::newRow("names do not depend on the user's language")
            << june << u"EEE d MMM"_s << u"Mon 11 Jun"_s;
        QTest::newRow("quoted text") << june << u"'day' dd"_s << u"day 11"_s;
        // What cannot be formatted gives nothing.
        QTest::newRow("empty pattern") << june << QString() << QString();
        QTest::newRow("invalid instant") << QDateTime() << u"yyyy-MM-dd"_s << QString();
        QTest::newRow("letter that is no field") << june << u"yyyy-jj"_s << QString();
    }

    void formatsUnicodePatterns()
    {
        QFETCH(QDateTime, instant);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(DateFormat::format(instant, pattern), expected);
        // The same instant in another representation names the same local time.
        QCOMPARE(DateFormat::format(instant.toUTC(), pattern), expected);
    }

    void agreesWithQtLocalTimeAllYear()
    {
        // Every 7 hours through a year with two summer-time changes: ICU's zone
        // and Qt's local time must name the same wall-clock time.
        const QString pattern = u"yyyy-MM-dd HH:mm:ss"_s;
        for (QDateTime t = local(2021, 1, 1, 0, 0); t < local(2022, 1, 1, 0, 0);
             t = t.addSecs(7 * 3600)) {
            QCOMPARE(DateFormat::format(t, pattern), t.toString(pattern));
        }
    }

    void isSafeFromManyThreads()
    {
        QList<QDateTime> instants;
        for (int i = 0; i < 400; ++i) {
            instants.append(local(2012, 6, 11, 0, 0).addSecs(qint64(i) * 86400 + i));
        }
        const QString pattern = u"[YYYY/MM/dd HH:mm:ss.SSS Z]"_s;
        QStringList expected;
        for (const QDateTime &t : instants) {
            expected.append(DateFormat::format(t, pattern));
        }
        const QStringList got = QtConcurrent::blockingMapped<QStringList>(
            instants, [&pattern](const QDateTime &t) { return DateFormat::format(t, pattern); });
        QCOMPARE(got, expected);
    }

    void lineCarriesClockAppProcessAndThread()
    {
        Clock::setFixed(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7, 42)));
        const QString stamp = u"2026-12-06 09:05:07.042"_s;
        qint64 otherThread = 0;
        StderrCapture capture;
        OvraLog(u"main thread"_s);
        std::thread([&otherThread] {
            otherThread = qint64(syscall(SYS_gettid));
            OvraLog(u"other thread\n"_s);
        }).join();
        const QString prefix = stamp + QLatin1Char(' ') + QCoreApplication::applicationName() +
                               u"[%1:"_s.arg(getpid());
        QCOMPARE(capture.finish(), prefix + u"%1] main thread\n"_s.arg(syscall(SYS_gettid)) +
                                       prefix + u"%1] other thread\n"_s.arg(otherThread));
    }

    void threadsWriteWholeLines()
    {
        constexpr int threads = 4;
        constexpr int lines = 200;
        StderrCapture capture;
        std::vector<std::thread> writers;
        for (int t = 0; t < threads; ++t) {
            writers.emplace_back([t] {
                for (int i = 0; i < lines; ++i) {
                    OvraLog(u"writer %1 line %2 "_s.arg(t).arg(i) + QString(100, QLatin1Char('x')));
                }
            });
        }
        for (std::thread &writer : writers) {
            writer.join();
        }
        const QStringList written = capture.finish().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(written.size(), threads * lines);
        static const QRegularExpression whole(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} .+\\[\\d+:\\d+\\] "
                           "writer \\d line \\d+ x{100}$"));
        for (const QString &line : written) {
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
        }
    }

    void storeDayName_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QVariant>("pattern");
        QTest::addColumn<QString>("expected");

        const QVariant missing;
        QTest::newRow("02:59:59.999 is still the day before")
            << local(2012, 6, 12, 2, 59, 59, 999) << missing << u"2012-06-11"_s;
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
        // The log file is named by the same day.
        if (!pattern.isValid()) {
            QCOMPARE(QXLogFileManager::logFilePath(u"~/Logs"_s, kApp),
                     QDir::homePath() + u"/Logs/Ovra-VideoWall_"_s + expected + u".log"_s);
        }
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
        // The code's info file is named after its folder.
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
        QVERIFY(TestHarness::writeFile(expected + u"/keep.xml"_s, {}));
        QCOMPARE(createCodeChangesPath(), expected);
        QVERIFY(QFileInfo::exists(expected + u"/keep.xml"_s));

        QVERIFY(QDir(expected).removeRecursively());
        QVERIFY(TestHarness::writeFile(expected, {}));
        QVERIFY(createCodeChangesPath().isNull());
        QVERIFY(QDir(home_.path() + u"/.Ostrel"_s).removeRecursively());
    }

    void demoSlides()
    {
        const QStringList slides{u"/d/c/IMG_1.JPG"_s, u"/d/c/IMG_1.jpeg"_s, u"x.PNG"_s,
                                 u"x.tiff"_s};
        const QStringList others{u"x.tif"_s, u"/d/notes"_s, u"x.jpg.txt"_s, u"/d/.jpg"_s};
        for (const QString &path : slides + others) {
            QVERIFY2(isDemoSlideFile(path) == slides.contains(path), qPrintable(path));
        }
    }

    void logDateString()
    {
        // The week-based year, as the log lines have always shown it: 31
        // December 2013 lies in week 1 of 2014.
        Clock::setFixed(local(2013, 12, 31, 8, 0, 1, 234));
        QCOMPARE(QXLogFileManager::logDateString(), u"[2014/12/31 08:00:01.234 +0100]"_s);
    }

    void osVersion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"os-release"_s);
        QVERIFY(QXLogFileManager::osVersion(path).isEmpty());
        const QList<std::pair<QByteArray, QString>> files{
            {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\n", u"12"_s},
            {"NAME=Arch\nPRETTY_NAME=\"Arch Linux\"\n", u"Arch Linux"_s},
            {"VERSION_ID=22.04\n", u"22.04"_s},
            {"NAME=x\n", QString()}};
        for (const auto &[content, expected] : files) {
            QVERIFY(TestHarness::writeFile(path, content));
            QCOMPARE(QXLogFileManager::osVersion(path), expected);
        }
    }

    void setupLogFileRedirectsAndAppends()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        Clock::setFixed(local(2013, 2, 5, 2, 59));
        {
            StderrCapture guard;
            QVERIFY(QXLogFileManager::setupLogFile());
            OvraLog(u"first start marker"_s);
            QVERIFY(QXLogFileManager::setupLogFile());
            OvraLog(u"second start marker"_s);
        }
        qputenv("HOME", oldHome);

        const QString path = home.path() + u"/Library/Logs/Ovra/ovra-videowall_2013-02-04.log"_s;
        QCOMPARE(QXLogFileManager::currentLogFilePath(), path);
        const QString text = QString::fromUtf8(TestHarness::readFile(path));
        QCOMPARE(text.count(kLogHeaderRule), 4);
        const QString host = QXLogFileManager::hostModelAndArch();
        QCOMPARE(text.count(host), 2);
        QProcess uname;
        uname.start(u"uname"_s, {u"-m"_s});
        QVERIFY(uname.waitForFinished());
        const QString machine = QString::fromUtf8(uname.readAllStandardOutput()).trimmed();
        QVERIFY2(host.endsWith(u" ("_s + machine + u')') && !host.startsWith(u' '),
                 qPrintable(host));
        const QString os = QXLogFileManager::osVersion();
        QCOMPARE(text.count(os.isEmpty() ? kLogHeaderOsVersionFailed : u"Mac OS: v"_s + os), 2);
        QCOMPARE(text.count(u"ovra-videowall => "_s + QXLogFileManager::getCopyrightInfo()), 2);
        // The second start appends after the first one's lines.
        QVERIFY(text.indexOf(u"first start marker"_s) < text.lastIndexOf(kLogHeaderRule));
        QVERIFY(text.trimmed().endsWith(u"second start marker"_s));
    }

    void unusableLogFolderLeavesStderrAlone_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("below a file") << u"a-file/logs"_s;
        QTest::newRow("not representable") << u"bad"_s + QChar(0xD800);
    }

    void unusableLogFolderLeavesStderrAlone()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(TestHarness::writeFile(dir.filePath(u"a-file"_s), "x"));
        const QString before = QXLogFileManager::currentLogFilePath();
        {
            StderrCapture guard;
            const ino_t inode = stderrInode();
            QVERIFY(QXLogFileManager::setupLogFile(dir.filePath(folder), appBundle()));
            QCOMPARE(stderrInode(), inode);
        }
        QCOMPARE(QXLogFileManager::currentLogFilePath(), before);
    }

    void deletionByNameAndAge_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QDateTime>("modified");
        QTest::addColumn<bool>("deleted");
        // Two days are kept at 10:00 on 5 February.
        const QDateTime old = local(2013, 1, 1, 0, 0);
        const QString log = u"Ovra-VideoWall_x.log"_s;
        QTest::newRow("dated log") << u"Ovra-VideoWall_2013-01-01.log"_s << kApp << old << true;
        QTest::newRow("other case and type") << u"ovra-videowall.txt"_s << kApp << old << true;
        QTest::newRow("prefix not at start") << u"old_Ovra-VideoWall.log"_s << kApp << old << false;
        QTest::newRow("another application") << u"Other_2013-01-01.log"_s << kApp << old << false;
        QTest::newRow("shorter than the prefix") << u"Ovra"_s << kApp << old << false;
        QTest::newRow("empty base name deletes nothing")
            << u"anything.log"_s << QString() << old << false;
        QTest::newRow("a minute too old") << log << kApp << local(2013, 2, 3, 9, 59) << true;
        QTest::newRow("exactly the limit") << log << kApp << local(2013, 2, 3, 10, 0) << false;
    }

    void deletionByNameAndAge()
    {
        QFETCH(QString, name);
        QFETCH(QString, baseName);
        QFETCH(QDateTime, modified);
        QFETCH(bool, deleted);
        Clock::setFixed(local(2013, 2, 5, 10, 0));
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(TestHarness::writeFile(path, "log\n", modified));
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionSourcePath, dir.path()},
             {kLogOptionBaseName, baseName},
             {kLogOptionDeleteImmediately, true},
             {kLogOptionBeforeDate, Clock::now().addSecs(-2 * 86400)}});
        QCOMPARE(QFile::exists(path), !deleted);
    }

    // As the kiosk calls it: the default folder, the remembered application name.
    void currentLogFileAndFoldersSurviveKeepingNoDays()
    {
        const QDir dir(home_.filePath(u"Library/Logs/Ovra"_s));
        {
            StderrCapture guard;
            QVERIFY(QXLogFileManager::setupLogFile(dir.path(), appBundle()));
        }
        const QString current = QXLogFileManager::currentLogFilePath();
        QVERIFY(current.startsWith(dir.path()));
        // Sub-folders are walked for old logs but kept, even one named like a log.
        const QString sub = dir.filePath(u"Ovra-VideoWall_old/deeper"_s);
        QVERIFY(QDir().mkpath(sub));
        const QDateTime old = QDateTime::currentDateTime().addDays(-30);
        const QStringList logs{dir.filePath(u"Ovra-VideoWall_2013-01-01.log"_s),
                               sub + u"/Ovra-VideoWall_2013-01-01.log"_s};
        for (const QString &log : logs) {
            QVERIFY(TestHarness::writeFile(log, "log\n", old));
        }
        QVERIFY(TestHarness::setModified(dir.filePath(u"Ovra-VideoWall_old"_s), old));
        // Nothing kept: everything of this application older than a moment from now would go.
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionDeleteSubDirectory, true},
             {kLogOptionDeleteImmediately, true},
             {kLogOptionBeforeDate, QDateTime::currentDateTime().addSecs(60)}});
        QVERIFY(!QFile::exists(logs[0]) && !QFile::exists(logs[1]));
        QVERIFY(QFileInfo(sub).isDir());
        QVERIFY(QFile::exists(current));
        QVERIFY(QDir(home_.filePath(u"Library"_s)).removeRecursively());
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
    TestDailyFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dailyfiles.moc"
