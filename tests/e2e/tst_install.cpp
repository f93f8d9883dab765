#include "E2eKiosk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Guards the installed layout: every file where the installed programs look for it, and the
// desktop integration naming the installed kiosk.
class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void installedFile_data();
    void installedFile();
    void toolsRun_data();
    void toolsRun();
    void kioskFindsItsResources();
    void desktopEntryIsValid();
    void systemdUnitStartsTheInstalledKiosk();

private:
    // The installed program's exit code and output, in a private home.
    int runInstalled(const QString &program, const QStringList &arguments, QByteArray *output);

    QTemporaryDir home_;
};

void TestInstall::initTestCase()
{
    if (E2e::prefix().isEmpty()) {
        QSKIP("OVRA_E2E_PREFIX is not set: run through ctest");
    }
    QVERIFY(home_.isValid());
    QVERIFY(QDir().mkpath(home_.filePath(u"run"_s)));
}

void TestInstall::installedFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    // The programs are run and the service unit is read by the tests below.
    const QList<std::pair<const char *, bool>> files{
        // The bundle's helper folder beside the kiosk's prefix.
        {"libexec/ovra-videowall/relaunch", true},
        {"share/ovra-videowall/FactoryDefault.plist", false},
        {"share/ovra-videowall/getnewestfiles.sh", true},
        {"share/ovra-videowall/revealInFinder.sh", true},
        {"share/ovra-videowall/transitionmask.png", false},
        {"share/ovra-videowall/restrictedshine.png", false},
        {"share/applications/ovra-videowall.desktop", false},
        {"share/icons/hicolor/scalable/apps/ovra-videowall.svg", false},
        {"share/man/man1/ovra-defaults.1", false},
        {"share/man/man1/ovra-notify.1", false},
    };
    for (const auto &[path, executable] : files) {
        QTest::newRow(path) << QString::fromLatin1(path) << executable;
    }
}

void TestInstall::installedFile()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(E2e::installed(path));
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
    if (executable) {
        QVERIFY2(info.isExecutable(), qPrintable(info.filePath()));
    }
}

int TestInstall::runInstalled(const QString &program, const QStringList &arguments,
                              QByteArray *output)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home_.path());
    env.insert(u"XDG_CONFIG_HOME"_s, home_.filePath(u".config"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, home_.filePath(u"run"_s));
    env.remove(u"OVRA_SHARE_DIR"_s);
    env.remove(u"OVRA_LIBEXEC_DIR"_s);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(E2e::installed(program), arguments);
    if (!process.waitForFinished(E2e::kWaitMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestInstall::toolsRun_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("notify help") << u"bin/ovra-notify"_s << QStringList{u"--help"_s}
                                 << QByteArray("ovra-notify");
    // The store the installed tool writes is the one it reads back.
    QTest::newRow("defaults write")
        << u"bin/ovra-defaults"_s
        << QStringList{u"write"_s, u"prefNameOfDisplay2"_s, u"-string"_s, u"Garden Room"_s}
        << QByteArray();
    QTest::newRow("defaults read")
        << u"bin/ovra-defaults"_s << QStringList{u"read"_s, u"prefNameOfDisplay2"_s}
        << QByteArray("Garden Room");
}

void TestInstall::toolsRun()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    QByteArray output;
    QCOMPARE(runInstalled(program, arguments, &output), 0);
    QVERIFY2(output.contains(expected), output.constData());
}

void TestInstall::kioskFindsItsResources()
{
    // Nothing points the kiosk at its resources: it finds them from where
    // it was installed.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home_.path());
    env.insert(u"XDG_CONFIG_HOME"_s, home_.filePath(u".config"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, home_.filePath(u"run"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.remove(u"OVRA_SHARE_DIR"_s);
    env.remove(u"OVRA_LIBEXEC_DIR"_s);
    QProcess kiosk;
    kiosk.setProcessEnvironment(env);
    kiosk.start(E2e::installed(u"bin/ovra-videowall"_s), {});
    QVERIFY(kiosk.waitForStarted());
    QByteArray log;
    QElapsedTimer timer;
    timer.start();
    while (!log.contains("applicationDidFinishLaunching...Done") &&
           kiosk.state() == QProcess::Running && !timer.hasExpired(E2e::kWaitMs)) {
        kiosk.waitForReadyRead(200);
        log += kiosk.readAllStandardError();
    }
    kiosk.terminate();
    QVERIFY(kiosk.waitForFinished(E2e::kWaitMs));
    log += kiosk.readAllStandardError();
    const QByteArray factory =
        "userDefaultsValuesPath = [" +
        QFileInfo(E2e::installed(u"share/ovra-videowall/FactoryDefault.plist"_s))
            .absoluteFilePath()
            .toUtf8() +
        ']';
    QVERIFY2(log.contains(factory), log.constData());
    QVERIFY2(log.contains("applicationDidFinishLaunching...Done"), log.constData());
    QCOMPARE(kiosk.exitCode(), 0);
}

void TestInstall::desktopEntryIsValid()
{
    const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validate.isEmpty()) {
        QSKIP("desktop-file-validate is not installed (desktop-file-utils)");
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(validate, {E2e::installed(u"share/applications/ovra-videowall.desktop"_s)});
    QVERIFY(process.waitForFinished(E2e::kWaitMs));
    const QByteArray output = process.readAll();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             output.constData());
}

void TestInstall::systemdUnitStartsTheInstalledKiosk()
{
    QFile unit(E2e::installed(u"lib/systemd/user/ovra-videowall.service"_s));
    QVERIFY(unit.open(QIODevice::ReadOnly));
    const QByteArray execStart =
        "\nExecStart=" +
        QFileInfo(E2e::installed(u"bin/ovra-videowall"_s)).absoluteFilePath().toUtf8() + '\n';
    QVERIFY2(unit.readAll().contains(execStart), execStart.constData());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
