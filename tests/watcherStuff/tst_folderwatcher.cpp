// Guards the watchers: new, re-created and overflowed folders, today's folder, the local cap.
#include "IntakeTestRig.h"
#include "StderrCapture.h"
#include "TestHarness.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"
#include "watcherStuff/FolderWatcher.h"
#include "watcherStuff/LocalSlideShowFolder.h"
#include "watcherStuff/TodaysFolderWatch.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// Before 03:00 the photo day is still the previous calendar day.
const QDateTime kBeforeDayChange(QDate(2012, 6, 12), QTime(2, 30));
const QDateTime kAfterDayChange(QDate(2012, 6, 12), QTime(3, 0, 5));
const QString kDay = u"store/2012-06-11"_s;
const QString kNextDay = u"store/2012-06-12"_s;
} // namespace

class tst_FolderWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        rig = std::make_unique<IntakeTestRig>();
        QVERIFY(rig->isValid());
        Clock::setFixed(kBeforeDayChange);
        for (const QString &name : {u"day"_s, u"Current"_s, u"Processed"_s, u"Failed"_s}) {
            QVERIFY(QDir().mkpath(path(name)));
        }
        local = std::make_unique<LocalSlideShowFolder>(
            LocalSlideShowFolder::Folders{path(u"Current"_s), path(u"Processed"_s),
                                          path(u"Failed"_s)},
            &rig->center);
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
        watchPaths.clear();
        changes.clear();
        rig->center.addObserver(&observer, kWatcherItemChanged, [this](const Notification &n) {
            watchPaths.append(n.userInfo.value(kKeyWatchPath).toString());
        });
        rig->center.addObserver(
            &observer, kLocalMasterSlideShowArrayChanged,
            [this](const Notification &) { changes.append(QThread::currentThread()); });
    }
    void cleanup()
    {
        rig->center.removeObserver(&observer);
        qunsetenv("OVRA_WATCHER_FORCE_POLLING");
        watch.reset();
        local.reset();
        rig->settle();
        rig.reset();
    }

    // The folder watcher.

    void newAndRecreatedFoldersAreWatched_data()
    {
        QTest::addColumn<bool>("polling");
        QTest::newRow("inotify") << false;
        QTest::newRow("polling") << true;
    }
    void newAndRecreatedFoldersAreWatched()
    {
        QFETCH(bool, polling);
        qputenv("OVRA_WATCHER_FORCE_POLLING", polling ? "1" : "0");
        QCOMPARE(FolderWatcher::pollingForced(), polling);
        QVERIFY(QDir().mkpath(path(u"day/ABC"_s)));
        // Named as given, trailing slash and all.
        const QString given = path(u"day/ABC/"_s);
        auto w = watcher(given);
        QSignalSpy baseline(w.get(), &FolderWatcher::pollingBaselineTaken);
        QSignalSpy vanished(w.get(), &FolderWatcher::vanished);
        QSignalSpy reappeared(w.get(), &FolderWatcher::reappeared);
        StderrCapture log;
        QVERIFY(w->start());
        QCOMPARE(log.finish().contains(u"OVRA_WATCHER_FORCE_POLLING"_s), polling);
        QCOMPARE(w->isPolling(), polling);
        if (polling) {
            QVERIFY(baseline.wait());
        }
        QVERIFY(QDir().mkpath(path(u"day/ABC/new/deeper"_s)));
        QTRY_VERIFY(!watchPaths.isEmpty());
        watchPaths.clear();
        QVERIFY(TestHarness::writeFile(path(u"day/ABC/new/deeper/IMG_1.jpg"_s), "jpeg"));
        QTRY_VERIFY(!watchPaths.isEmpty());
        // Only the folder as it was given, never the new photo.
        QCOMPARE(watchPaths, QStringList(watchPaths.size(), given));

        // Its parent goes too: each level created again moves the watch down.
        watchPaths.clear();
        QVERIFY(QDir(path(u"day"_s)).removeRecursively());
        QVERIFY(vanished.wait());
        QVERIFY(w->isWaitingForFolder());
        // The removal itself is reported.
        QVERIFY(!watchPaths.isEmpty());
        QVERIFY(QDir().mkpath(path(u"day/ABC"_s)));
        QVERIFY(reappeared.wait());
        watchPaths.clear();
        QVERIFY(TestHarness::writeFile(path(u"day/ABC/late.jpg"_s), "jpeg"));
        QTRY_VERIFY(!watchPaths.isEmpty());
        QCOMPARE(watchPaths.first(), given);
        QVERIFY(w->isRunning());
        // A local folder, even one that was missing, is no network share.
        QCOMPARE(w->isPolling(), polling);
    }

    void steadyStreamIsDeliveredAfterTheLatency()
    {
        auto w = watcher(path(u"day"_s));
        // Only the latency can deliver; the stream writes well inside it.
        w->timing = {500, 3600 * 1000, 100};
        QVERIFY(w->start());
        QFile growing(path(u"day/big.jpg"_s));
        QVERIFY(growing.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QTimer stream;
        connect(&stream, &QTimer::timeout, &growing, [&growing] { growing.write("x", 1); });
        stream.start(10);
        QTRY_VERIFY(!watchPaths.isEmpty());
    }

    void installationAnnouncesTheWatchOrRefusesAMissingFolder()
    {
        QList<Notification> started;
        rig->center.addObserver(&observer, kWatcherStarted,
                                [&started](const Notification &n) { started.append(n); });
        QObject owner;
        StderrCapture log;
        QVERIFY(!doInstallTheWatcher2(path(u"missing"_s), &owner, &rig->center));
        QVERIFY(!doInstallTheWatcher2(QString(), &owner, &rig->center));
        QVERIFY(started.isEmpty());
        QVERIFY(owner.children().isEmpty());
        FolderWatcher *installed = doInstallTheWatcher2(path(u"day"_s), &owner, &rig->center);
        const QString text = log.finish();
        QVERIFY(text.contains(u"FAILED to FSEventStreamStart for path = ["_s + path(u"missing"_s)));
        QVERIFY(text.contains(u"SUCCESS to FSEventStreamStart for path = ["_s + path(u"day"_s)));
        QVERIFY(installed);
        QCOMPARE(installed->parent(), &owner);
        QVERIFY(installed->isRunning());
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first().userInfo.value(kKeyCFRunLoopRef).value<QObject *>(),
                 QThread::currentThread());
        QVERIFY(TestHarness::writeFile(path(u"day/a.jpg"_s), "jpeg"));
        // The kiosk's timing: delivered within the latency or the flush.
        QTRY_VERIFY_WITH_TIMEOUT(!watchPaths.isEmpty(), 10000);
    }

    void kernelOverflowRescansAndReports()
    {
        QFile queue(u"/proc/sys/fs/inotify/max_queued_events"_s);
        const int limit = queue.open(QIODevice::ReadOnly) ? queue.readAll().trimmed().toInt() : 0;
        if (limit <= 0 || limit > 20000) {
            QSKIP("the kernel's inotify queue is too long to fill quickly");
        }
        auto w = watcher(path(u"day"_s));
        QVERIFY(w->start());
        // No event loop runs meanwhile: the kernel's queue fills up, and the new
        // folder's creation is among the dropped events.
        QFile a(path(u"day/a"_s));
        QFile b(path(u"day/b"_s));
        QVERIFY(a.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QVERIFY(b.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (int i = 0; i < limit; ++i) {
            QVERIFY((i % 2 ? a : b).write("x", 1) == 1);
        }
        QVERIFY(QDir().mkpath(path(u"day/late"_s)));
        StderrCapture out;
        {
            // The warning goes to standard output: joined to the captured standard error.
            std::fflush(stdout);
            const int saved = ::dup(STDOUT_FILENO);
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            const auto restore = qScopeGuard([saved] {
                std::fflush(stdout);
                ::dup2(saved, STDOUT_FILENO);
                ::close(saved);
            });
            QTRY_VERIFY(!watchPaths.isEmpty());
        }
        const QString printed = out.finish();
        QVERIFY2(printed.contains(u"REALLY BAD NEWS! The kernel dropped events.\n"
                                  "Forcing a full rescan.\n"_s),
                 qPrintable(printed));

        // The rescan watches the folder whose creation went unseen.
        QVERIFY(w->isRunning());
        watchPaths.clear();
        QVERIFY(TestHarness::writeFile(path(u"day/late/IMG_1.jpg"_s), "jpeg"));
        QTRY_VERIFY(!watchPaths.isEmpty());
    }

    // The local master folder's cap.

    void cap_data()
    {
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<int>("photos");
        QTest::addColumn<QStringList>("retired");
        QTest::newRow("cap 0 retires all")
            << qint64(0) << 3 << QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s, u"IMG_3.jpg"_s};
        QTest::newRow("40 of 40 stay") << qint64(40) << 40 << QStringList();
        QTest::newRow("41 retires the first by name")
            << qint64(40) << 41 << QStringList{u"IMG_1.jpg"_s};
        QTest::newRow("11 over 10: IMG_10 is older than IMG_2")
            << qint64(9) << 11 << QStringList{u"IMG_1.jpg"_s, u"IMG_10.jpg"_s};
        QTest::newRow("negative cap counts as 0")
            << qint64(-1) << 2 << QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s};
        QTest::newRow("low 32 bits") << (qint64(1) << 32) + 1 << 2 << QStringList{u"IMG_1.jpg"_s};
    }
    void cap()
    {
        QFETCH(qint64, cap);
        QFETCH(int, photos);
        QFETCH(QStringList, retired);
        makePhotos(photos);
        local->maxCountOfPhotos = cap;
        // The scan runs on a worker, and publishes there.
        QThread *worker = nullptr;
        bool scanned = false;
        std::thread([this, &worker, &scanned] {
            worker = QThread::currentThread();
            scanned = local->checkInsideLocalSlideShowFolder();
        }).join();
        QVERIFY(scanned);

        QCOMPARE(entries(u"Processed"_s), retired);
        QCOMPARE(entries(u"Current"_s).size(), photos - retired.size());
        if (retired.isEmpty()) {
            // Nothing retired: nothing published, no news.
            QVERIFY(changes.isEmpty());
            QVERIFY(local->localMasterSlideShowFileList().isEmpty());
            return;
        }
        QCOMPARE(changes, QList<QThread *>{worker});
        QStringList expected;
        for (const QString &name : entries(u"Current"_s)) {
            expected.append(path(u"Current/"_s + name));
        }
        std::sort(expected.begin(), expected.end());
        QCOMPARE(local->localMasterSlideShowFileList(), expected);
    }

    void retiredNameAlreadyTaken()
    {
        makePhotos(3);
        QVERIFY(TestHarness::writeFile(path(u"Processed/IMG_1.jpg"_s), "older"));
        QVERIFY(TestHarness::writeFile(path(u"Processed/IMG_2.jpg"_s), "older"));
        QVERIFY(TestHarness::writeFile(path(u"Failed/IMG_2.jpg"_s), "older"));
        local->maxCountOfPhotos = 1;
        QVERIFY(local->checkInsideLocalSlideShowFolder());

        // Taken in Processed: to Failed. Taken in both: stays, unharmed.
        QCOMPARE(entries(u"Failed"_s), (QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s}));
        QCOMPARE(TestHarness::readFile(path(u"Processed/IMG_1.jpg"_s)), "older");
        QCOMPARE(TestHarness::readFile(path(u"Failed/IMG_2.jpg"_s)), "older");
        QCOMPARE(entries(u"Current"_s), (QStringList{u"IMG_2.jpg"_s, u"IMG_3.jpg"_s}));
        QCOMPARE(local->localMasterSlideShowFileList(), QStringList{path(u"Current/IMG_3.jpg"_s)});

        // The photo left behind is found again by the next scan.
        QVERIFY(QFile::remove(path(u"Failed/IMG_2.jpg"_s)));
        QVERIFY(local->checkInsideLocalSlideShowFolder());
        QCOMPARE(entries(u"Current"_s), QStringList{u"IMG_3.jpg"_s});
    }

    void onlyVisibleJpgFilesCount_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("counts");
        QTest::newRow("photo.JPG") << u"photo.JPG"_s << false << true;
        QTest::newRow("photo.jpg") << u"photo.jpg"_s << false << true;
        QTest::newRow("photo.jpeg") << u"photo.jpeg"_s << false << false;
        QTest::newRow(".hidden.jpg") << u".hidden.jpg"_s << false << false;
        QTest::newRow("folder x.jpg") << u"x.jpg"_s << true << false;
        QTest::newRow("photo.jpg.part") << u"photo.jpg.part"_s << false << false;
    }
    void onlyVisibleJpgFilesCount()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(bool, counts);
        const QString item = path(u"Current/"_s + name);
        QVERIFY(folder ? QDir().mkpath(item) : TestHarness::writeFile(item, "jpeg"));
        local->maxCountOfPhotos = 0;
        QVERIFY(local->checkInsideLocalSlideShowFolder());
        QCOMPARE(entries(u"Processed"_s), counts ? QStringList{name} : QStringList());
        QCOMPARE(entries(u"Current"_s), counts ? QStringList() : QStringList{name});
        QCOMPARE(changes.size(), counts ? 1 : 0);
    }

    void missingCurrentFolderChangesNothing()
    {
        QVERIFY(QDir(path(u"Current"_s)).removeRecursively());
        QVERIFY(local->checkInsideLocalSlideShowFolder());
        QVERIFY(changes.isEmpty());
        QVERIFY(entries(u"Processed"_s).isEmpty());
    }

    // Today's folder.

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
        QCOMPARE(watch->watchedFolder(), root && dayFolder ? path(kDay) : QString());

        // Installing again replaces the watch: one change still reacts once.
        if (root && dayFolder) {
            watch->setupWatcher();
            rig->controller().fCurrentBarcode = u"A"_s;
            QVERIFY(TestHarness::writeFile(rig->path(kDay + u"/A/a.jpg"_s), "jpeg"));
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
        announce(path(u"store"_s));
        QVERIFY(!watch->reactivationPending());

        StderrCapture log;
        for (int i = 0; i < 200; ++i) {
            announce(path(kDay));
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
        connect(&stream, &QTimer::timeout, this, [this] { announce(path(kDay)); });
        stream.start(10);
        // Changes that never pause still show what has come so far.
        QTRY_VERIFY(watch->reactivationCount() >= 1);
        stream.stop();

        // And what came last is looked for once more, after the delay.
        announce(path(kDay));
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
        QCOMPARE(watch->watchedFolder(), path(kDay));
        // Half an hour to 03:00, and a second past it.
        QCOMPARE(TodaysFolderWatch::msecsToNextPhotoDay(), qint64(30 * 60 + 1) * 1000);
        Clock::setFixed(kAfterDayChange);
        QCOMPARE(TodaysFolderWatch::msecsToNextPhotoDay(), qint64(24 * 3600 - 4) * 1000);
        watch->photoDayMayHaveChanged();
        QCOMPARE(watch->watchedFolder(), nextDayThere ? path(kNextDay) : QString());

        // The day's first photo (creating the folder, when missing): watched, and shown.
        QVERIFY(rig->makePhoto(kNextDay + u"/A/first.jpg"_s));
        QTRY_COMPARE(watch->watchedFolder(), path(kNextDay));
        QTRY_COMPARE(watch->reactivationCount(), 1);
        rig->settle();
        QCOMPARE(rig->workingFolderEntries(), QStringList{u"first.jpg"_s});

        // Removed and back again: still watched, and what comes back is shown.
        QVERIFY(QDir(rig->path(kNextDay)).removeRecursively());
        QVERIFY(rig->makePhoto(kNextDay + u"/A/again.jpg"_s));
        QTRY_VERIFY(rig->workingFolderEntries().contains(u"again.jpg"_s));
        QCOMPARE(watch->watchedFolder(), path(kNextDay));

        // Turned off, the watch itself ends too.
        rig->settle();
        QTRY_VERIFY(!watch->reactivationPending());
        watch->setFollowsPhotoDay(false);
        QCOMPARE(watch->watchedFolder(), QString());
        for (const FolderWatcher *watcher : watch->findChildren<FolderWatcher *>()) {
            QVERIFY(!watcher->isRunning());
        }
        const int count = watch->reactivationCount();
        announce(path(kNextDay));
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
        QVERIFY(TestHarness::writeFile(rig->path(kDay + u"/a.jpg"_s), "jpeg"));
        QTRY_VERIFY(rescans > 0);
        QCOMPARE(watch->reactivationCount(), 0);

        // A re-install that fails keeps the watch that works.
        watch->setupWatcher();
        QVERIFY(!watch->doSetupWatchFolderInThread(rig->path(u"store/missing"_s)));
        QCOMPARE(watch->watchedFolder(), path(kDay));
        QVERIFY(TestHarness::writeFile(rig->path(kDay + u"/b.jpg"_s), "jpeg"));
        QTRY_COMPARE(watch->reactivationCount(), 1);
        rig->center.removeObserver(&console);
    }

private:
    QString path(const QString &relative) const { return rig->path(relative); }

    std::unique_ptr<FolderWatcher> watcher(const QString &path)
    {
        std::unique_ptr<FolderWatcher> created = my_FSEventStreamCreate(path, &rig->center);
        if (created) {
            created->timing = {50, 200, 100};
        }
        return created;
    }

    void makePhotos(int count)
    {
        // IMG_1 .. IMG_n: literal order puts IMG_10 before IMG_2.
        for (int i = 1; i <= count; ++i) {
            QVERIFY(TestHarness::writeFile(path(u"Current/IMG_%1.jpg"_s.arg(i)), "jpeg"));
        }
    }

    QStringList entries(const QString &relative) const
    {
        return QDir(path(relative))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    void announce(const QString &watchPath)
    {
        rig->center.postNotificationName(kWatcherItemChanged, QVariant(),
                                         {{kKeyWatchPath, watchPath}});
    }

    std::unique_ptr<IntakeTestRig> rig;
    std::unique_ptr<LocalSlideShowFolder> local;
    std::unique_ptr<TodaysFolderWatch> watch;
    QObject observer;
    QStringList watchPaths;
    QList<QThread *> changes;
};

QTEST_MAIN(tst_FolderWatcher)
#include "tst_folderwatcher.moc"
