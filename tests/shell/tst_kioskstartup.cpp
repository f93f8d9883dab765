#include "TestSupport.h"
#include "platform/PropertyList.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The real kiosk, started as a user would, in a private home.
class TestKioskStartup : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        log_.clear();
    }
    void cleanup() { home_.reset(); }
    void startsInOrderAndRefusesASecondStart()
    {
        QProcess kiosk;
        startKiosk(kiosk);
        QVERIFY2(waitForLog(kiosk, "applicationDidFinishLaunching...Done"), log_.constData());

        const QList<QByteArray> order{
            "userDefaultsValuesPath = [",
            "Checking for Old Log Files to Delete...Done.",
            "myTriggerDate is [",
            "factorypath",
            "index 0 out of",
            "Inside validateFolderPrefWithParam",
            "applicationDidFinishLaunching...Done",
        };
        qsizetype at = 0;
        for (const QByteArray &line : order) {
            const qsizetype found = log_.indexOf(line, at);
            QVERIFY2(found >= 0, (line + " missing or out of order in:\n" + log_).constData());
            at = found;
        }

        QProcess second;
        startKiosk(second);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardError().contains(
            "Another Instance of this app is already running"));
        QCOMPARE(kiosk.state(), QProcess::Running);

        kiosk.terminate();
        QVERIFY(kiosk.waitForFinished(20000));
        QCOMPARE(kiosk.exitCode(), 0);
    }

    void companionMessageReachesTheDelegate()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no D-Bus session bus (run the suite under dbus-run-session)");
        }
        QProcess kiosk;
        startKiosk(kiosk);
        QVERIFY2(waitForLog(kiosk, "applicationDidFinishLaunching...Done"), log_.constData());
        QProcess notify;
        notify.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-notify"),
                     {u"OvraSlideShowNotification"_s});
        QVERIFY(notify.waitForFinished(10000));
        QCOMPARE(notify.exitCode(), 0);
        QVERIFY2(waitForLog(kiosk, "handleDistNotification...name = [OvraSlideShowNotification]"),
                 log_.constData());
        kiosk.terminate();
        QVERIFY(kiosk.waitForFinished(20000));
    }

    void sigtermFlushesTheStore()
    {
        QProcess kiosk;
        startKiosk(kiosk);
        QVERIFY2(waitForLog(kiosk, "applicationDidFinishLaunching...Done"), log_.constData());
        ::kill(pid_t(kiosk.processId()), SIGTERM);
        QVERIFY(kiosk.waitForFinished(20000));
        QCOMPARE(kiosk.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kiosk.exitCode(), 0);
        const QVariantMap stored =
            PropertyList::readFile(
                home_->filePath(u".config/ovra-videowall/org.ovra.VideoWall.plist"_s))
                .toMap();
        QVERIFY(stored.value(u"prefAppVersion"_s).toString().contains(u" - v"_s));
        QCOMPARE(stored.value(u"prefNSScreenIndex7"_s).toString(), u"< None Detected >"_s);
        QCOMPARE(stored.value(u"prefAvailTransitionStyles"_s).toList().size(), 5);
    }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home_->path());
        env.insert(u"XDG_CONFIG_HOME"_s, home_->filePath(u".config"_s));
        env.insert(u"XDG_DATA_HOME"_s, home_->filePath(u".local/share"_s));
        env.insert(u"XDG_CACHE_HOME"_s, home_->filePath(u".cache"_s));
        env.remove(u"XDG_RUNTIME_DIR"_s);
        // With an X server (xvfb-run) the kiosk gets real screens.
        if (env.contains(u"DISPLAY"_s)) {
            env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        }
        return env;
    }

    void startKiosk(QProcess &process)
    {
        process.setProcessEnvironment(environment());
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-videowall"), {});
        QVERIFY(process.waitForStarted());
    }

    bool waitForLog(QProcess &process, const QByteArray &line, int timeoutMs = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!log_.contains(line)) {
            if (timer.hasExpired(timeoutMs) || process.state() == QProcess::NotRunning) {
                log_ += process.readAllStandardError();
                return log_.contains(line);
            }
            process.waitForReadyRead(200);
            log_ += process.readAllStandardError();
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> home_;
    QByteArray log_;
};

QTEST_GUILESS_MAIN(TestKioskStartup)
#include "tst_kioskstartup.moc"
