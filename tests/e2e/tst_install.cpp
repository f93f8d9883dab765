#include "E2eKiosk.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
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
    void desktopEntryIsValid();
    void systemdUnitStartsTheInstalledKiosk();
};

void TestInstall::initTestCase()
{
    if (E2e::prefix().isEmpty()) {
        QSKIP("OVRA_E2E_PREFIX is not set: run through ctest");
    }
}

void TestInstall::installedFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    // The programs are run by the venue test, the service unit is read below.
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
