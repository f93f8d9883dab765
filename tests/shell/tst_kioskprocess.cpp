// Guards the kiosk process: start despite broken logs or bus, SIGTERM, one instance, relaunch.
#include "TestHarness.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"
#include "shell/Relaunch/RelaunchTool.h"
#include "shell/SingleInstance.h"
#include "support/QXLogFileManager.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Fault { None, LogFolderIsAFile, LogFileIsAFolder, DeadSessionBus, NoSessionBus };

constexpr int kWaitMs = 20000;
const QByteArray kLaunched = "applicationDidFinishLaunching...Done";

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestKioskProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qunsetenv("XDG_RUNTIME_DIR"); // locks then go to the temp folder, private to this run
    }

    void secondClaimIsRefusedAndWakesTheFirstUntilItEnds()
    {
        {
            SingleInstance first(id_);
            QVERIFY(first.claim());
            QSignalSpy woken(&first, &SingleInstance::activationRequested);
            SingleInstance second(id_);
            QVERIFY(!second.claim());
            QVERIFY(woken.wait(5000));
        }
        SingleInstance next(id_);
        QVERIFY(next.claim());
    }

    void lockOfACrashedKioskIsTakenOver()
    {
        // A child takes the claim and dies without releasing anything.
        const pid_t child = ::fork();
        if (child == 0) {
            SingleInstance doomed(id_);
            ::_exit(doomed.claim() ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        SingleInstance next(id_);
        QVERIFY(next.claim());
    }

    void startsDespiteTheFault_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("expected"); // the log line that names the fault
        QTest::newRow("no fault") << Fault::None << QString();
        QTest::newRow("log folder is a file")
            << Fault::LogFolderIsAFile << kLogLogFolderCreateError.arg(QString());
        QTest::newRow("log file is a folder") << Fault::LogFileIsAFolder << QString();
        QTest::newRow("session bus socket is dead") << Fault::DeadSessionBus << kLogNoSessionBus;
        QTest::newRow("no session bus address") << Fault::NoSessionBus << kLogNoSessionBus;
    }

    void startsDespiteTheFault()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, expected);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u".config"_s));
        env.insert(u"XDG_DATA_HOME"_s, home.filePath(u".local/share"_s));
        env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u".cache"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.remove(u"DISPLAY"_s); // nor may the bus library start a bus of its own through X
        env.remove(u"XDG_RUNTIME_DIR"_s);

        const QString logFolder = home.filePath(u"Library/Logs/Ovra"_s);
        switch (fault) {
        case Fault::None:
            break;
        case Fault::LogFolderIsAFile:
            QVERIFY(TestHarness::writeFile(logFolder, "not a folder"));
            break;
        case Fault::LogFileIsAFolder: {
            const QString logFile = QXLogFileManager::logFilePath(logFolder, u"ovra-videowall"_s);
            QVERIFY(QDir().mkpath(logFile));
            expected = kLogCannotOpenLogFile.arg(logFile, QString());
            break;
        }
        case Fault::DeadSessionBus:
            env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s,
                       u"unix:path="_s + home.filePath(u"no-bus-here"_s));
            break;
        case Fault::NoSessionBus:
            env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
            break;
        }
        const bool logToFile = fault == Fault::LogFolderIsAFile || fault == Fault::LogFileIsAFolder;
        const QString prefs = home.filePath(u".config/ovra-videowall/org.ovra.VideoWall.plist"_s);
        QVERIFY(QDir().mkpath(QFileInfo(prefs).path()));
        QVERIFY(PropertyList::writeFileAtomically(
            prefs, QVariantMap{{kPrefRedirectNSLogToFile, logToFile},
                               {u"prefSlideShowPath"_s, home.filePath(u"PhotoStore"_s)}}));
        QVERIFY(QDir().mkpath(home.filePath(u"PhotoStore"_s)));

        QProcess kiosk;
        kiosk.setProcessEnvironment(env);
        kiosk.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-videowall"), {});
        QVERIFY(kiosk.waitForStarted());
        QByteArray log;
        const auto logged = [&](const QByteArray &line) {
            log += kiosk.readAllStandardError();
            return log.contains(line);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(logged(kLaunched), log.constData(), kWaitMs);
        QTRY_VERIFY2_WITH_TIMEOUT(logged(expected.toUtf8()), log.constData(), kWaitMs);
        // The launch steps in their order, whatever the fault.
        qsizetype at = 0;
        for (const QByteArray line :
             {"userDefaultsValuesPath = [", "Checking for Old Log Files to Delete...Done.",
              "myTriggerDate is [", "factorypath", "index 0 out of",
              "Inside validateFolderPrefWithParam", kLaunched.constData()}) {
            at = log.indexOf(line, at);
            QVERIFY2(at >= 0, (line + " missing or out of order in:\n" + log).constData());
        }
        // Still up a moment later: the fault was not fatal after all.
        QVERIFY(!kiosk.waitForFinished(1500));
        ::kill(pid_t(kiosk.processId()), SIGTERM);
        QVERIFY(kiosk.waitForFinished(kWaitMs));
        log += kiosk.readAllStandardError();
        QVERIFY2(kiosk.exitStatus() == QProcess::NormalExit && kiosk.exitCode() == 0,
                 log.constData());
        const QVariantMap stored = PropertyList::readFile(prefs).toMap();
        // Saved on SIGTERM, with what every launch resets.
        QVERIFY(stored.value(kPrefAppVersion).toString().contains(u" - v"_s));
        QCOMPARE(stored.value(u"prefNSScreenIndex7"_s).toString(), u"< None Detected >"_s);
        QCOMPARE(stored.value(kPrefAvailTransitionStyles).toList().size(), 5);
    }

    void waitsForTheProcessToEndOrTheTimeout()
    {
        QProcess quick;
        QProcess slow;
        quick.start(u"/bin/sleep"_s, {u"0.3"_s});
        slow.start(u"/bin/sleep"_s, {u"30"_s});
        QVERIFY(quick.waitForStarted() && slow.waitForStarted());
        const pid_t quickPid = pid_t(quick.processId());
        QVERIFY(RelaunchTool::waitForProcessEnd(quickPid, 10000));
        QVERIFY(quick.waitForFinished());
        QVERIFY(RelaunchTool::waitForProcessEnd(quickPid, 0));
        QVERIFY(!RelaunchTool::waitForProcessEnd(pid_t(slow.processId()), 100));
        slow.kill();
        slow.waitForFinished();
    }

    void helperRestartsTheKioskAfterItEnded()
    {
        QProcess oldKiosk;
        oldKiosk.start(u"/bin/sleep"_s, {u"0.5"_s});
        QVERIFY(oldKiosk.waitForStarted());
        const QByteArray oldPid = QByteArray::number(oldKiosk.processId());
        // A stand-in bundle whose kiosk notes whether the old one still ran. This
        // test reaps its child only later, so a zombie counts as ended.
        QTemporaryDir bundle;
        const QString marker = bundle.filePath(u"started"_s);
        const QByteArray script = "if grep -qs '^State:[[:space:]]*[^Z]' /proc/" + oldPid +
                                  "/status; then echo early; else echo after; fi > '" +
                                  marker.toUtf8() + "'\n";
        QVERIFY(TestHarness::writeScript(bundle.filePath(u"bin/ovra-videowall"_s), script));
        QProcess helper;
        helper.start(QStringLiteral(OVRA_BUILD_LIBEXEC_DIR "/relaunch"),
                     {bundle.path(), QString::fromLatin1(oldPid), u"768"_s});
        QVERIFY(helper.waitForStarted());
        QVERIFY(oldKiosk.waitForFinished());
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(TestHarness::readFile(marker).trimmed(), QByteArray("after"),
                                  10000);
    }

    void badArgumentsStartNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::newRow("none") << QStringList{} << 2;
        QTest::newRow("pid not a number") << QStringList{u"/nonexistent"_s, u"abc"_s, u"1"_s} << 2;
        QTest::newRow("no kiosk in bundle") << QStringList{u"/nonexistent"_s, u"1"_s, u"1"_s} << 1;
    }

    void badArgumentsStartNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QCOMPARE(RelaunchTool::run(args), status);
    }

private:
    QString id_ = u"org.ovra.VideoWall.test-%1"_s.arg(::getpid());
};

QTEST_GUILESS_MAIN(TestKioskProcess)
#include "tst_kioskprocess.moc"
