// Guards the watch on today's folder and its coalesced re-activation of the current code.
#include "IntakeTestRig.h"
#include "StderrCapture.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"
#include "watcherStuff/TodaysFolderWatch.h"

#include <QApplication>
#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// Before 03:00 the photo day is still the previous calendar day.
const QDateTime kBeforeDayChange(QDate(2012, 6, 12), QTime(2, 30));
const QDateTime kAfterDayChange(QDate(2012, 6, 12), QTime(3, 0, 5));
const QString kDay = u"store/2012-06-11"_s;
const QString kNextDay = u"store/2012-06-12"_s;
} // namespace

class tst_TodaysFolderWatch : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        rig = std::make_unique<IntakeTestRig>();
        QVERIFY(rig->isValid());
        Clock::setFixed(kBeforeDayChange);
        TodaysFolderWatchEnvironment environment;
        environment.store = &rig->store;
        environment.center = &rig->center;
        environment.barcodeController = [this] {
            return &rig->controller();
        };
        watch = std::make_unique<TodaysFolderWatch>(std::move(environment));
        watch->timing = {50, 200, 100};
        watch->reactivationDelayMs = 50;
        watch->retryIntervalMs = 50;
    }
    void cleanup()
    {
        watch.reset();
        rig->settle();
        rig.reset();
    }

    void watchesTodaysFolder_data()
    {
        QTest::addColumn<bool>("root");
        QTest::addColumn<bool>("dayFolder");
        QTest::addColumn<QString>("logged");
        QTest::newRow("watched") << true << true << u"SUCCESS to FSEventStreamStart"_s;
        QTest::newRow("no root") << false << true << u"NEED to set preference for pathToWatch"_s;
        QTest::newRow("no day folder")
            << true << false << u"FAILED to install the watcher - folder does NOT exists?"_s;
    }
    void watchesTodaysFolder()
    {
        QFETCH(bool, root);
        QFETCH(bool, dayFolder);
        QFETCH(QString, logged);
        if (!root) {
            rig->store.removeObjectForKey(kPrefSlideShowPath);
        }
        if (dayFolder) {
            QVERIFY(QDir().mkpath(rig->path(kDay)));
        }
        StderrCapture log;
        watch->setupWatcher();
        QVERIFY(log.finish().contains(logged));
        QCOMPARE(watch->watchedFolder(), root && dayFolder ? watched(kDay) : QString());

        // Installing again replaces the watch: one change still reacts once.
        if (root && dayFolder) {
            watch->setupWatcher();
            rig->controller().fCurrentBarcode = u"A"_s;
            QVERIFY(TestSupport::writeFile(rig->path(kDay + u"/A/a.jpg"_s), "jpeg"));
            QTRY_COMPARE(watch->reactivationCount(), 1);
        }
    }

    void burstOfNotificationsReactivatesOnce_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("shout");
        QTest::addColumn<QString>("searched");
        QTest::newRow("current code") << u"A"_s << false << u"A"_s;
        QTest::newRow("nothing scanned") << QString() << false << QString();
        // Only the code changes here; the search for every code is the intake's.
        QTest::newRow("shout mode: every code") << u"A"_s << true << u"*"_s;
    }
    void burstOfNotificationsReactivatesOnce()
    {
        QFETCH(QString, code);
        QFETCH(bool, shout);
        QFETCH(QString, searched);
        QVERIFY(QDir().mkpath(rig->path(kDay)));
        rig->store.setBool(shout, kPrefDoShoutMode);
        rig->controller().fCurrentBarcode = code;
        watch->setupWatcher();
        // Another watch's folder is not ours.
        announce(watched(u"store"_s));
        QVERIFY(!watch->reactivationPending());

        StderrCapture log;
        for (int i = 0; i < 200; ++i) {
            announce(watched(kDay));
        }
        QVERIFY(watch->reactivationPending());
        QTRY_VERIFY(!watch->reactivationPending());
        QCOMPARE(watch->reactivationCount(), searched.isEmpty() ? 0 : 1);
        QCOMPARE(rig->controller().fCurrentBarcode, searched);
        QCOMPARE(log.finish().contains(u"no current code: nothing to re-activate"_s),
                 searched.isEmpty());
    }

    void unpausedStreamStillReactivates()
    {
        QVERIFY(QDir().mkpath(rig->path(kDay)));
        rig->controller().fCurrentBarcode = u"A"_s;
        watch->reactivationMaxWaitMs = 200;
        watch->setupWatcher();
        QTimer stream;
        connect(&stream, &QTimer::timeout, this, [this] { announce(watched(kDay)); });
        stream.start(10);
        // Changes that never pause still show what has come so far.
        QTRY_VERIFY(watch->reactivationCount() >= 1);
        stream.stop();

        // And what came last is looked for once more, after the delay.
        announce(watched(kDay));
        const int count = watch->reactivationCount();
        QVERIFY(watch->reactivationPending());
        QTRY_COMPARE(watch->reactivationCount(), count + 1);
        QTRY_VERIFY(!watch->reactivationPending());
        QCOMPARE(watch->reactivationCount(), count + 1);
    }

    void burstOfPhotosLeavesOneCodeInTheWorkingFolder()
    {
        QVERIFY(rig->makePhoto(kDay + u"/A/old_1.jpg"_s));
        QVERIFY(rig->makePhoto(kDay + u"/B/other_1.jpg"_s));
        BarcodeEntryController &controller = rig->controller();
        controller.fCurrentBarcode = u"A"_s;
        controller.FindOvraFilesWithID(u"A"_s);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), QStringList{u"old_1.jpg"_s});

        watch->setupWatcher();
        for (int i = 0; i < 200; ++i) {
            QVERIFY(rig->makePhoto(kDay + u"/A/new_%1.jpg"_s.arg(i, 3, 10, QChar(u'0'))));
        }
        // The newest 40 of code A, all of them copied, nothing of code B.
        const auto onlyNewPhotosOfA = [this] {
            const QStringList entries = rig->workingFolderEntries();
            return entries.size() == 40 && entries.filter(u"new_"_s).size() == 40;
        };
        QTRY_VERIFY(watch->reactivationCount() >= 1 && !watch->reactivationPending());
        QTRY_VERIFY(onlyNewPhotosOfA());
        rig->settle();
        QTRY_VERIFY(!watch->reactivationPending());
        rig->settle();
        QVERIFY(onlyNewPhotosOfA());
        QVERIFY(watch->reactivationCount() < 200);
    }

    void followsThePhotoDayUntilTurnedOff_data()
    {
        QTest::addColumn<bool>("nextDayThere");
        QTest::newRow("next day's folder there") << true;
        QTest::newRow("next day's folder not there yet") << false;
    }
    void followsThePhotoDayUntilTurnedOff()
    {
        QFETCH(bool, nextDayThere);
        QVERIFY(QDir().mkpath(rig->path(kDay)));
        QVERIFY(!nextDayThere || QDir().mkpath(rig->path(kNextDay)));
        rig->controller().fCurrentBarcode = u"A"_s;
        watch->setFollowsPhotoDay(true);
        QVERIFY(watch->followsPhotoDay());
        QCOMPARE(watch->watchedFolder(), watched(kDay));
        // Half an hour to 03:00, and a second past it.
        QCOMPARE(TodaysFolderWatch::msecsToNextPhotoDay(), qint64(30 * 60 + 1) * 1000);
        Clock::setFixed(kAfterDayChange);
        QCOMPARE(TodaysFolderWatch::msecsToNextPhotoDay(), qint64(24 * 3600 - 4) * 1000);
        watch->photoDayMayHaveChanged();
        QCOMPARE(watch->watchedFolder(), nextDayThere ? watched(kNextDay) : QString());

        // The day's first photo (creating the folder, when missing): watched, and shown.
        QVERIFY(rig->makePhoto(kNextDay + u"/A/first.jpg"_s));
        QTRY_COMPARE(watch->watchedFolder(), watched(kNextDay));
        QTRY_COMPARE(watch->reactivationCount(), 1);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), QStringList{u"first.jpg"_s});

        // Removed and back again: still watched, and what comes back is shown.
        QVERIFY(QDir(rig->path(kNextDay)).removeRecursively());
        QVERIFY(rig->makePhoto(kNextDay + u"/A/again.jpg"_s));
        QTRY_VERIFY(rig->workingFolderEntries().contains(u"again.jpg"_s));
        QCOMPARE(watch->watchedFolder(), watched(kNextDay));

        // Turned off, the watch itself ends too.
        rig->settle();
        QTRY_VERIFY(!watch->reactivationPending());
        watch->setFollowsPhotoDay(false);
        QCOMPARE(watch->watchedFolder(), QString());
        for (const FolderWatcher *watcher : watch->findChildren<FolderWatcher *>()) {
            QVERIFY(!watcher->isRunning());
        }
        const int count = watch->reactivationCount();
        announce(watched(kNextDay));
        QVERIFY(!watch->reactivationPending());
        QCOMPARE(watch->reactivationCount(), count);
    }

    void tearDownLeavesTheWatchRunning()
    {
        QVERIFY(QDir().mkpath(rig->path(kDay)));
        rig->controller().fCurrentBarcode = u"A"_s;
        watch->setupWatcher();
        // The console rescans on every change of the watch.
        int rescans = 0;
        QObject console;
        rig->center.addObserver(&console, kWatcherItemChanged,
                                [&rescans](const Notification &) { ++rescans; });
        watch->tearDownWatcher();
        QVERIFY(TestSupport::writeFile(rig->path(kDay + u"/a.jpg"_s), "jpeg"));
        QTRY_VERIFY(rescans > 0);
        QCOMPARE(watch->reactivationCount(), 0);

        // A re-install that fails keeps the watch that works.
        watch->setupWatcher();
        QVERIFY(!watch->doSetupWatchFolderInThread(rig->path(u"store/missing"_s)));
        QCOMPARE(watch->watchedFolder(), watched(kDay));
        QVERIFY(TestSupport::writeFile(rig->path(kDay + u"/b.jpg"_s), "jpeg"));
        QTRY_COMPARE(watch->reactivationCount(), 1);
        rig->center.removeObserver(&console);
    }

private:
    void announce(const QString &watchPath)
    {
        rig->center.postNotificationName(kWatcherItemChanged, QVariant(),
                                         {{kKeyWatchPath, watchPath}});
    }

    QString watched(const QString &relative) const { return rig->path(relative); }

    std::unique_ptr<IntakeTestRig> rig;
    std::unique_ptr<TodaysFolderWatch> watch;
};

QTEST_MAIN(tst_TodaysFolderWatch)
#include "tst_todaysfolderwatch.moc"
