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

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kApp = QStringLiteral("Ovra-VideoWall");

Bundle appBundle()
{
    QVariantMap info = Bundle::defaultInfoDictionary();
    info.insert(kInfoCFBundleExecutable, kApp);
    info.insert(kInfoCFBundleShortVersionString, QStringLiteral("2.1"));
    return Bundle(info, QString(), QString(), QString());
}

QDateTime local(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

// Keeps the test's own standard error and gives it back on scope exit, so a
// redirection made by the code under test does not outlive the test.
class StderrGuard
{
public:
    StderrGuard() : saved_(::dup(STDERR_FILENO)) {}
    ~StderrGuard()
    {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StderrGuard(const StderrGuard &) = delete;
    StderrGuard &operator=(const StderrGuard &) = delete;

private:
    int saved_;
};

ino_t stderrInode()
{
    struct stat info = {};
    ::fstat(STDERR_FILENO, &info);
    return info.st_ino;
}

bool writeFile(const QString &path, const QDateTime &modified)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("log\n");
    // Written data still buffered would touch the time again on close.
    file.flush();
    return file.setFileTime(modified, QFileDevice::FileModificationTime);
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
        QTest::newRow("02:59") << local(2013, 2, 5, 2, 59) << QStringLiteral("2013-02-04");
        QTest::newRow("02:59:59.999")
            << local(2013, 2, 5, 2, 59, 59, 999) << QStringLiteral("2013-02-04");
        QTest::newRow("03:00") << local(2013, 2, 5, 3, 0) << QStringLiteral("2013-02-05");
        QTest::newRow("23:59") << local(2013, 2, 5, 23, 59) << QStringLiteral("2013-02-05");
        QTest::newRow("new year") << local(2014, 1, 1, 1, 0) << QStringLiteral("2013-12-31");
    }

    void logFileNameFollowsTheThreeOClockDay()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, day);
        Clock::setFixed(now);
        QCOMPARE(QXLogFileManager::logFilePath(QStringLiteral("~/Library/Logs/Ovra"), kApp),
                 QDir::homePath() + QStringLiteral("/Library/Logs/Ovra/Ovra-VideoWall_") + day +
                     QStringLiteral(".log"));
        QCOMPARE(QXLogFileManager::logFilePath(QStringLiteral("/logs/"), QString()),
                 QStringLiteral("/logs/OvraLogFile_") + day + QStringLiteral(".log"));
    }

    void logDateString_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("expected");
        QTest::newRow("winter") << local(2013, 2, 5, 2, 59, 1, 234)
                                << QStringLiteral("[2013/02/05 02:59:01.234 +0100]");
        QTest::newRow("summer") << local(2013, 7, 1, 12, 0)
                                << QStringLiteral("[2013/07/01 12:00:00.000 +0200]");
        // The week-based year: 31 December 2013 lies in week 1 of 2014.
        QTest::newRow("week-based year")
            << local(2013, 12, 31, 8, 0) << QStringLiteral("[2014/12/31 08:00:00.000 +0100]");
    }

    void logDateString()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, expected);
        Clock::setFixed(now);
        QCOMPARE(QXLogFileManager::logDateString(), expected);
    }

    void applicationNameAndVersion()
    {
        QVariantMap info{{kInfoCFBundleExecutable, QStringLiteral("tool.bin")}};
        QCOMPARE(QXLogFileManager::getApplicationName(Bundle(info, {}, {}, {})),
                 QStringLiteral("tool"));
        info = {{kInfoCFBundleDisplayName, QStringLiteral("Shown Name")}};
        QCOMPARE(QXLogFileManager::getApplicationName(Bundle(info, {}, {}, {})),
                 QStringLiteral("Shown Name"));
        QCOMPARE(QXLogFileManager::getApplicationName(Bundle({}, {}, {}, {})),
                 QStringLiteral("OvraLogFile"));
        QCOMPARE(QXLogFileManager::getCopyrightInfo(appBundle()), QStringLiteral("2.1"));
        QCOMPARE(QXLogFileManager::getCopyrightInfo(Bundle({}, {}, {}, {})),
                 kVersionInfoUnavailable);
    }

    void hostModelAndArch()
    {
        QProcess uname;
        uname.start(QStringLiteral("uname"), {QStringLiteral("-m")});
        QVERIFY(uname.waitForFinished());
        const QString machine = QString::fromUtf8(uname.readAllStandardOutput()).trimmed();
        const QString text = QXLogFileManager::hostModelAndArch();
        QVERIFY2(text.endsWith(QStringLiteral(" (") + machine + QLatin1Char(')')),
                 qPrintable(text));
        QVERIFY(!text.startsWith(QLatin1Char(' ')));
    }

    void osVersion_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("version id")
            << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\n")
            << QStringLiteral("12");
        QTest::newRow("rolling release") << QByteArray("NAME=Arch\nPRETTY_NAME=\"Arch Linux\"\n")
                                         << QStringLiteral("Arch Linux");
        QTest::newRow("unquoted") << QByteArray("VERSION_ID=22.04\n") << QStringLiteral("22.04");
        QTest::newRow("nothing known") << QByteArray("NAME=x\n") << QString();
    }

    void osVersion()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("os-release"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(QXLogFileManager::osVersion(path), expected);
        QVERIFY(QXLogFileManager::osVersion(dir.filePath(QStringLiteral("missing"))).isEmpty());
    }

    void setupLogFileRedirectsAndAppends()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        Clock::setFixed(local(2013, 2, 5, 2, 59));
        {
            StderrGuard guard;
            QVERIFY(QXLogFileManager::setupLogFile());
            OvraLog(QStringLiteral("first start marker"));
            QVERIFY(QXLogFileManager::setupLogFile());
            OvraLog(QStringLiteral("second start marker"));
        }
        qputenv("HOME", oldHome);

        const QString path =
            home.path() + QStringLiteral("/Library/Logs/Ovra/ovra-videowall_2013-02-04.log");
        QCOMPARE(QXLogFileManager::currentLogFilePath(), path);
        const QString text = readText(path);
        QCOMPARE(text.count(kLogHeaderRule), 4);
        QCOMPARE(text.count(QXLogFileManager::hostModelAndArch()), 2);
        const QString os = QXLogFileManager::osVersion();
        QCOMPARE(
            text.count(os.isEmpty() ? kLogHeaderOsVersionFailed : QStringLiteral("Mac OS: v") + os),
            2);
        QCOMPARE(
            text.count(QStringLiteral("ovra-videowall => ") + QXLogFileManager::getCopyrightInfo()),
            2);
        // The second start appends after the first one's lines.
        QVERIFY(text.indexOf(QStringLiteral("first start marker")) <
                text.lastIndexOf(kLogHeaderRule));
        QVERIFY(text.trimmed().endsWith(QStringLiteral("second start marker")));
    }

    void unusableLogFolderLeavesStderrAlone_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("below a file") << QStringLiteral("a-file/logs");
        QTest::newRow("not representable") << QStringLiteral("bad") + QChar(0xD800);
    }

    void unusableLogFolderLeavesStderrAlone()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("a-file")), QDateTime::currentDateTime()));
        const QString before = QXLogFileManager::currentLogFilePath();
        const ino_t inode = stderrInode();
        {
            StderrGuard guard;
            QVERIFY(QXLogFileManager::setupLogFile(dir.filePath(folder), appBundle()));
            QCOMPARE(stderrInode(), inode);
        }
        QCOMPARE(QXLogFileManager::currentLogFilePath(), before);
    }

    void deletionByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("dated log") << QStringLiteral("Ovra-VideoWall_2013-01-01.log") << true;
        QTest::newRow("other case and type") << QStringLiteral("ovra-videowall.txt") << true;
        QTest::newRow("prefix not at start") << QStringLiteral("old_Ovra-VideoWall.log") << false;
        QTest::newRow("another application") << QStringLiteral("Other_2013-01-01.log") << false;
        QTest::newRow("shorter than the prefix") << QStringLiteral("Ovra") << false;
    }

    void deletionByName()
    {
        QFETCH(QString, name);
        QFETCH(bool, deleted);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, QDateTime::currentDateTime().addDays(-10)));
        QXLogFileManager::deleteOldLogsWithOptions({{kLogOptionSourcePath, dir.path()},
                                                    {kLogOptionBaseName, kApp},
                                                    {kLogOptionDeleteImmediately, true}});
        QCOMPARE(QFile::exists(path), !deleted);
    }

    void deletionByAge_data()
    {
        QTest::addColumn<QDateTime>("modified");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("a minute too old") << local(2013, 2, 3, 9, 59) << true;
        QTest::newRow("exactly the limit") << local(2013, 2, 3, 10, 0) << false;
        QTest::newRow("a minute young enough") << local(2013, 2, 3, 10, 1) << false;
        QTest::newRow("today") << local(2013, 2, 5, 9, 0) << false;
    }

    void deletionByAge()
    {
        QFETCH(QDateTime, modified);
        QFETCH(bool, deleted);
        // Two days kept at 10:00 on 5 February.
        Clock::setFixed(local(2013, 2, 5, 10, 0));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Ovra-VideoWall_x.log"));
        QVERIFY(writeFile(path, modified));
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionSourcePath, dir.path()},
             {kLogOptionBaseName, kApp},
             {kLogOptionDeleteImmediately, true},
             {kLogOptionBeforeDate, Clock::now().addSecs(-2 * 86400)}});
        QCOMPARE(QFile::exists(path), !deleted);
    }

    void defaultFolderAndAge()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        const QString folder = home.path() + QStringLiteral("/Library/Logs/Ovra");
        QVERIFY(QDir().mkpath(folder));
        const QString old = folder + QStringLiteral("/Ovra-VideoWall_old.log");
        const QString recent = folder + QStringLiteral("/Ovra-VideoWall_recent.log");
        QVERIFY(writeFile(old, Clock::now().addDays(-4)));
        QVERIFY(writeFile(recent, Clock::now().addDays(-2)));
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionBaseName, kApp}, {kLogOptionDeleteImmediately, true}});
        qputenv("HOME", oldHome);
        QVERIFY(!QFile::exists(old));
        QVERIFY(QFile::exists(recent));
    }

    void subFoldersAreWalkedButKept_data()
    {
        QTest::addColumn<bool>("walk");
        QTest::newRow("walked") << true;
        QTest::newRow("top level only") << false;
    }

    void subFoldersAreWalkedButKept()
    {
        QFETCH(bool, walk);
        QTemporaryDir dir;
        const QString sub = dir.filePath(QStringLiteral("Ovra-VideoWall_old/deeper"));
        QVERIFY(QDir().mkpath(sub));
        const QString nested = sub + QStringLiteral("/Ovra-VideoWall_2013-01-01.log");
        const QString top = dir.filePath(QStringLiteral("Ovra-VideoWall_2013-01-02.log"));
        const QDateTime old = QDateTime::currentDateTime().addDays(-30);
        QVERIFY(writeFile(nested, old));
        QVERIFY(writeFile(top, old));
        QFile(dir.filePath(QStringLiteral("Ovra-VideoWall_old")))
            .setFileTime(old, QFileDevice::FileModificationTime);
        QXLogFileManager::deleteOldLogsWithOptions({{kLogOptionSourcePath, dir.path()},
                                                    {kLogOptionBaseName, kApp},
                                                    {kLogOptionDeleteSubDirectory, walk},
                                                    {kLogOptionDeleteImmediately, true}});
        QVERIFY(!QFile::exists(top));
        QCOMPARE(QFile::exists(nested), !walk);
        QVERIFY(QFileInfo(sub).isDir());
    }

    void withoutDeleteImmediatelyFilesGoToTheTrash()
    {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(QDir().mkpath(data));
        // On the home's file system, so the item goes to the home trash.
        QTemporaryDir dir(QDir::homePath() + QStringLiteral("/trash-test-XXXXXX"));
        QVERIFY(dir.isValid());
        const QString name =
            QStringLiteral("Ovra-VideoWall_trash-%1.log").arg(QDateTime::currentMSecsSinceEpoch());
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, QDateTime::currentDateTime().addDays(-10)));
        QXLogFileManager::deleteOldLogsWithOptions(
            {{kLogOptionSourcePath, dir.path()}, {kLogOptionBaseName, kApp}});
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFile::exists(data + QStringLiteral("/Trash/files/") + name));
        QVERIFY(!QFile::exists(QDir::currentPath() + QLatin1Char('/') + name));
    }

    void currentLogFileSurvivesKeepingNoDays()
    {
        QTemporaryDir dir;
        {
            StderrGuard guard;
            QVERIFY(QXLogFileManager::setupLogFile(dir.path(), appBundle()));
        }
        const QString current = QXLogFileManager::currentLogFilePath();
        QVERIFY(current.startsWith(dir.path()));
        const QString older = dir.filePath(QStringLiteral("Ovra-VideoWall_2013-01-01.log"));
        QVERIFY(writeFile(older, QDateTime::currentDateTime().addDays(-1)));
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

    void emptyBaseNameDeletesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("anything.log"));
        QVERIFY(writeFile(path, QDateTime::currentDateTime().addDays(-30)));
        QXLogFileManager::deleteOldLogsWithOptions({{kLogOptionSourcePath, dir.path()},
                                                    {kLogOptionBaseName, QString()},
                                                    {kLogOptionDeleteImmediately, true}});
        QVERIFY(QFile::exists(path));
    }

    void itemIsEarlierThan()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("item"));
        QVERIFY(writeFile(path, local(2000, 1, 1, 0, 0)));
        const QDateTime limit = local(2010, 1, 1, 0, 0);
        QVERIFY(::itemIsEarlierThan(path, limit));
        QVERIFY(!::itemIsEarlierThan(path, local(1999, 1, 1, 0, 0)));
        QVERIFY(!::itemIsEarlierThan(dir.filePath(QStringLiteral("gone")), limit));
        // Created just now where the file system records it; where it does
        // not, the modification date stands in.
        const bool hasBirth = QFileInfo(path).birthTime().isValid();
        QCOMPARE(::itemIsEarlierThan(path, limit, kFileCreationDate), !hasBirth);
        // A link is judged by its target.
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(path, link));
        QVERIFY(::itemIsEarlierThan(link, limit));
    }
};

QTEST_GUILESS_MAIN(TestQXLogFileManager)
#include "tst_qxlogfilemanager.moc"
