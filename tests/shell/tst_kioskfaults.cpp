// Guards the real kiosk's start in order, despite broken logs or bus, and its clean SIGTERM.
#include "TestSupport.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"
#include "support/QXLogFileManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class TestKioskFaults : public QObject
{
    Q_OBJECT
private slots:
    void startsDespiteTheFault_data();
    void startsDespiteTheFault();
};

namespace {

enum class Fault { None, LogFolderIsAFile, LogFileIsAFolder, DeadSessionBus, NoSessionBus };

constexpr int kWaitMs = 20000;
const QByteArray kLaunched = "applicationDidFinishLaunching...Done";

} // namespace

Q_DECLARE_METATYPE(Fault)

void TestKioskFaults::startsDespiteTheFault_data()
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

void TestKioskFaults::startsDespiteTheFault()
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
        QVERIFY(TestSupport::writeFile(logFolder, "not a folder"));
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
    QVERIFY(QDir().mkpath(home.filePath(u".config/ovra-videowall"_s)));
    QVERIFY(PropertyList::writeFileAtomically(
        home.filePath(u".config/ovra-videowall/org.ovra.VideoWall.plist"_s),
        QVariantMap{{kPrefRedirectNSLogToFile, logToFile},
                    {u"prefSlideShowPath"_s, home.filePath(u"PhotoStore"_s)}}));
    QVERIFY(QDir().mkpath(home.filePath(u"PhotoStore"_s)));

    QProcess kiosk;
    kiosk.setProcessEnvironment(env);
    kiosk.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-videowall"), {});
    QVERIFY(kiosk.waitForStarted());
    QByteArray log;
    auto waitForLog = [&](const QByteArray &line) {
        QElapsedTimer timer;
        timer.start();
        while (!log.contains(line) && !timer.hasExpired(kWaitMs) &&
               kiosk.state() == QProcess::Running) {
            kiosk.waitForReadyRead(200);
            log += kiosk.readAllStandardError();
        }
        log += kiosk.readAllStandardError();
        return log.contains(line);
    };
    QVERIFY2(waitForLog(kLaunched), log.constData());
    QVERIFY2(waitForLog(expected.toUtf8()), log.constData());
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
    QVERIFY2(kiosk.exitStatus() == QProcess::NormalExit && kiosk.exitCode() == 0, log.constData());
    const QVariantMap stored =
        PropertyList::readFile(home.filePath(u".config/ovra-videowall/org.ovra.VideoWall.plist"_s))
            .toMap();
    // Saved on SIGTERM, with what every launch resets.
    QVERIFY(stored.value(kPrefAppVersion).toString().contains(u" - v"_s));
    QCOMPARE(stored.value(u"prefNSScreenIndex7"_s).toString(), u"< None Detected >"_s);
    QCOMPARE(stored.value(kPrefAvailTransitionStyles).toList().size(), 5);
}

QTEST_GUILESS_MAIN(TestKioskFaults)
#include "tst_kioskfaults.moc"
