// Guards the single-instance claim: a second start is refused; a crashed kiosk's lock is freed.
#include "shell/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestSingleInstance : public QObject
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

private:
    QString id_ = u"org.ovra.VideoWall.test-%1"_s.arg(::getpid());
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
