// Guards the daily log file: its name by the 03:00 day, its header, and which old logs are deleted.
#include "StderrCapture.h"
#include "TestHarness.h"
#include "TestSupport.h"

#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/QXLogFileManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kApp = u"Ovra-VideoWall"_s;

Bundle appBundle()
{
    QVariantMap info = Bundle::defaultInfoDictionary();
    info.insert(kInfoCFBundleExecutable, kApp);
    info.insert(kInfoCFBundleShortVersionString, u"2.1"_s);
    return Bundle(info, QString(), QString(), QString());
}

QDateTime local(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

ino_t stderrInode()
{
    struct stat info = {};
    ::fstat(STDERR_FILENO, &info);
    return info.st_ino;
}

} // namespace

class TestQXLogFileManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Before any date is formatted, so that ICU and Qt both take it.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void cleanup() { Clock::reset(); }

    void logFileNameFollowsTheThreeOClockDay_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("day");
        QTest::newRow("02:59:59.999") << local(2013, 2, 5, 2, 59, 59, 999) << u"2013-02-04"_s;
        QTest::newRow("03:00") << local(2013, 2, 5, 3, 0) << u"2013-02-05"_s;
        QTest::newRow("new year") << local(2014, 1, 1, 1, 0) << u"2013-12-31"_s;
    }

    void logFileNameFollowsTheThreeOClockDay()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, day);
        Clock::setFixed(now);
        QCOMPARE(QXLogFileManager::logFilePath(u"~/Library/Logs/Ovra"_s, kApp),
                 QDir::homePath() + u"/Library/Logs/Ovra/Ovra-VideoWall_"_s + day + u".log"_s);
    }

    void logDateString()
    {
        // The week-based year, as the log lines have always shown it: 31
        // December 2013 lies in week 1 of 2014.
        Clock::setFixed(local(2013, 12, 31, 8, 0, 1, 234));
        QCOMPARE(QXLogFileManager::logDateString(), u"[2014/12/31 08:00:01.234 +0100]"_s);
    }

    void hostModelAndArch()
    {
        QProcess uname;
        uname.start(u"uname"_s, {u"-m"_s});
        QVERIFY(uname.waitForFinished());
        const QString machine = QString::fromUtf8(uname.readAllStandardOutput()).trimmed();
        const QString text = QXLogFileManager::hostModelAndArch();
        QVERIFY2(text.endsWith(u" ("_s + machine + QLatin1Char(')')), qPrintable(text));
        QVERIFY(!text.startsWith(QLatin1Char(' ')));
    }

    void osVersion_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("version id")
            << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\n")
            << u"12"_s;
        QTest::newRow("rolling release")
            << QByteArray("NAME=Arch\nPRETTY_NAME=\"Arch Linux\"\n") << u"Arch Linux"_s;
        QTest::newRow("unquoted") << QByteArray("VERSION_ID=22.04\n") << u"22.04"_s;
        QTest::newRow("nothing known") << QByteArray("NAME=x\n") << QString();
    }

    void osVersion()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"os-release"_s);
        QVERIFY(TestSupport::writeFile(path, content));
        QCOMPARE(QXLogFileManager::osVersion(path), expected);
        QVERIFY(QXLogFileManager::osVersion(dir.filePath(u"missing"_s)).isEmpty());
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
        const QString text = QString::fromUtf8(TestSupport::readFile(path));
        QCOMPARE(text.count(kLogHeaderRule), 4);
        QCOMPARE(text.count(QXLogFileManager::hostModelAndArch()), 2);
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
        QVERIFY(TestSupport::writeFile(dir.filePath(u"a-file"_s), "x"));
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

    void defaultFolderAndAge()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        const QString folder = home.path() + u"/Library/Logs/Ovra"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString old = folder + u"/Ovra-VideoWall_old.log"_s;
        const QString recent = folder + u"/Ovra-VideoWall_recent.log"_s;
        QVERIFY(TestHarness::writeFile(old, "log\n", Clock::now().addDays(-4)));
        QVERIFY(TestHarness::writeFile(recent, "log\n", Clock::now().addDays(-2)));
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionBaseName, kApp}, {kLogOptionDeleteImmediately, true}});
        qputenv("HOME", oldHome);
        QVERIFY(!QFile::exists(old));
        QVERIFY(QFile::exists(recent));
    }

    void subFoldersAreWalkedButKept()
    {
        QTemporaryDir dir;
        const QString sub = dir.filePath(u"Ovra-VideoWall_old/deeper"_s);
        QVERIFY(QDir().mkpath(sub));
        const QString nested = sub + u"/Ovra-VideoWall_2013-01-01.log"_s;
        const QString top = dir.filePath(u"Ovra-VideoWall_2013-01-02.log"_s);
        const QDateTime old = QDateTime::currentDateTime().addDays(-30);
        QVERIFY(TestHarness::writeFile(nested, "log\n", old));
        QVERIFY(TestHarness::writeFile(top, "log\n", old));
        QVERIFY(TestHarness::setModified(dir.filePath(u"Ovra-VideoWall_old"_s), old));
        QXLogFileManager::deleteOldLogsWithOptions({{kLogOptionSourcePath, dir.path()},
                                                    {kLogOptionBaseName, kApp},
                                                    {kLogOptionDeleteSubDirectory, true},
                                                    {kLogOptionDeleteImmediately, true}});
        QVERIFY(!QFile::exists(top));
        QVERIFY(!QFile::exists(nested));
        QVERIFY(QFileInfo(sub).isDir());
    }

    void currentLogFileSurvivesKeepingNoDays()
    {
        QTemporaryDir dir;
        {
            StderrCapture guard;
            QVERIFY(QXLogFileManager::setupLogFile(dir.path(), appBundle()));
        }
        const QString current = QXLogFileManager::currentLogFilePath();
        QVERIFY(current.startsWith(dir.path()));
        const QString older = dir.filePath(u"Ovra-VideoWall_2013-01-01.log"_s);
        QVERIFY(TestHarness::writeFile(older, "log\n", QDateTime::currentDateTime().addDays(-1)));
        // Nothing kept: everything of this application older than a moment
        // from now would go; the base name is the remembered application name.
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionSourcePath, dir.path()},
             {kLogOptionDeleteSubDirectory, true},
             {kLogOptionDeleteImmediately, true},
             {kLogOptionBeforeDate, QDateTime::currentDateTime().addSecs(60)}});
        QVERIFY(!QFile::exists(older));
        QVERIFY(QFile::exists(current));
    }
};

QTEST_GUILESS_MAIN(TestQXLogFileManager)
#include "tst_qxlogfilemanager.moc"
