// Guards the relaunch helper: the old kiosk ends first, then the new one starts; bad args fail.
#include "TestSupport.h"
#include "shell/Relaunch/RelaunchTool.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRelaunchTool : public QObject
{
    Q_OBJECT
private slots:
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
        // A stand-in bundle whose kiosk writes its process id and the id of the
        // process it was told to replace.
        QTemporaryDir bundle;
        const QString marker = bundle.filePath(u"started"_s);
        QVERIFY(TestSupport::writeScript(bundle.filePath(u"bin/ovra-videowall"_s),
                                         "echo $$ > '" + marker.toUtf8() + "'\n"));
        QProcess oldKiosk;
        oldKiosk.start(u"/bin/sleep"_s, {u"0.5"_s});
        QVERIFY(oldKiosk.waitForStarted());
        const qint64 oldPid = oldKiosk.processId();

        QProcess helper;
        helper.start(QStringLiteral(OVRA_BUILD_LIBEXEC_DIR "/relaunch"),
                     {bundle.path(), QString::number(oldPid), u"768"_s});
        QVERIFY(helper.waitForStarted());
        // Not before the old one is gone.
        QVERIFY(oldKiosk.waitForFinished());
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!TestSupport::readFile(marker).trimmed().isEmpty(), 10000);
        const qint64 newPid = TestSupport::readFile(marker).trimmed().toLongLong();
        QVERIFY(newPid > 0);
        QVERIFY(newPid != oldPid);
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
};

QTEST_GUILESS_MAIN(TestRelaunchTool)
#include "tst_relaunchtool.moc"
