// Guards the daily 06:05 relaunch instant, its timer, and the restart by the service manager.
#include "platform/Clock.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"

#include <QTest>
#include <QTimer>

class TestAppDelegateTimers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The cases mean the same in every zone.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void relaunchTrigger_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected");
        const QDate day(2013, 2, 5);
        const QDateTime sameDay(day, QTime(6, 5), Qt::LocalTime);
        QTest::newRow("06:04 fires today") << QDateTime(day, QTime(6, 4), Qt::LocalTime) << sameDay;
        QTest::newRow("exactly 06:05:00.000 fires at once")
            << QDateTime(day, QTime(6, 5, 0, 0), Qt::LocalTime) << sameDay;
        QTest::newRow("06:05:30 fires tomorrow")
            << QDateTime(day, QTime(6, 5, 30), Qt::LocalTime) << sameDay.addSecs(86400);
        QTest::newRow("from UTC input") << QDateTime(day, QTime(5, 4), Qt::UTC) << sameDay;
    }

    void relaunchTrigger()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        QCOMPARE(AppDelegate::relaunchTriggerDate(now), expected);
    }

    void timerIsArmedForTheTrigger()
    {
        Clock::setFixed(QDateTime(QDate(2013, 2, 5), QTime(6, 4, 0), Qt::LocalTime));
        AppDelegate delegate;
        delegate.setupAutoRelaunchTimer();
        QVERIFY(delegate.relaunchTimer()->isActive());
        QVERIFY(delegate.relaunchTimer()->isSingleShot());
        QCOMPARE(delegate.relaunchTimer()->interval(), 60 * 1000);
        Clock::reset();
    }

    void underTheServiceManagerTheUnitRestartsTheKiosk()
    {
        // A relaunch helper would die with the unit's old kiosk: the unit
        // restarts us on this exit status instead.
        qputenv(kEnvSupervisor, kSupervisorSystemd.toUtf8());
        bool quitting = false;
        QTimer::singleShot(0, [&quitting] { quitting = AppDelegate::relaunch(QVariant()); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(-1); });
        const int status = QCoreApplication::exec();
        qunsetenv(kEnvSupervisor);
        QVERIFY(quitting);
        QCOMPARE(status, kExitStatusRestartMe);
    }
};

QTEST_GUILESS_MAIN(TestAppDelegateTimers)
#include "tst_appdelegatetimers.moc"
