// Guards the folder watcher: reported path, new and re-created folders, polling, kernel overflow.
#include "StderrCapture.h"
#include "TestSupport.h"
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "watcherStuff/FolderWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_FolderWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir().mkpath(folder(u"day"_s)));
        watchPaths.clear();
        center.addObserver(&observer, kWatcherItemChanged, [this](const Notification &n) {
            watchPaths.append(n.userInfo.value(kKeyWatchPath).toString());
        });
    }
    void cleanup()
    {
        center.removeObserver(&observer);
        qunsetenv("OVRA_WATCHER_FORCE_POLLING");
        dir.reset();
    }

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
        QVERIFY(QDir().mkpath(folder(u"day/ABC"_s)));
        // Named as given, trailing slash and all.
        const QString given = folder(u"day/ABC/"_s);
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
        QVERIFY(QDir().mkpath(folder(u"day/ABC/new/deeper"_s)));
        QTRY_VERIFY(!watchPaths.isEmpty());
        watchPaths.clear();
        QVERIFY(TestSupport::writeFile(folder(u"day/ABC/new/deeper/IMG_1.jpg"_s), "jpeg"));
        QTRY_VERIFY(!watchPaths.isEmpty());
        // Only the folder as it was given, never the new photo.
        QCOMPARE(watchPaths, QStringList(watchPaths.size(), given));

        // Its parent goes too: each level created again moves the watch down.
        watchPaths.clear();
        QVERIFY(QDir(folder(u"day"_s)).removeRecursively());
        QVERIFY(vanished.wait());
        QVERIFY(w->isWaitingForFolder());
        // The removal itself is reported.
        QVERIFY(!watchPaths.isEmpty());
        QVERIFY(QDir().mkpath(folder(u"day/ABC"_s)));
        QVERIFY(reappeared.wait());
        watchPaths.clear();
        QVERIFY(TestSupport::writeFile(folder(u"day/ABC/late.jpg"_s), "jpeg"));
        QTRY_VERIFY(!watchPaths.isEmpty());
        QCOMPARE(watchPaths.first(), given);
        QVERIFY(w->isRunning());
        // A local folder, even one that was missing, is no network share.
        QCOMPARE(w->isPolling(), polling);
    }

    void steadyStreamIsDeliveredAfterTheLatency()
    {
        auto w = watcher(folder(u"day"_s));
        // Only the latency can deliver; the stream writes well inside it.
        w->timing = {500, 3600 * 1000, 100};
        QVERIFY(w->start());
        QFile growing(folder(u"day/big.jpg"_s));
        QVERIFY(growing.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QTimer stream;
        connect(&stream, &QTimer::timeout, &growing, [&growing] { growing.write("x", 1); });
        stream.start(10);
        QTRY_VERIFY(!watchPaths.isEmpty());
    }

    void installationAnnouncesTheWatchOrRefusesAMissingFolder()
    {
        QList<Notification> started;
        center.addObserver(&observer, kWatcherStarted,
                           [&started](const Notification &n) { started.append(n); });
        QObject owner;
        StderrCapture log;
        QVERIFY(!doInstallTheWatcher2(folder(u"missing"_s), &owner, &center));
        QVERIFY(!doInstallTheWatcher2(QString(), &owner, &center));
        QVERIFY(started.isEmpty());
        QVERIFY(owner.children().isEmpty());
        FolderWatcher *installed = doInstallTheWatcher2(folder(u"day"_s), &owner, &center);
        const QString text = log.finish();
        QVERIFY(
            text.contains(u"FAILED to FSEventStreamStart for path = ["_s + folder(u"missing"_s)));
        QVERIFY(text.contains(u"SUCCESS to FSEventStreamStart for path = ["_s + folder(u"day"_s)));
        QVERIFY(installed);
        QCOMPARE(installed->parent(), &owner);
        QVERIFY(installed->isRunning());
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first().userInfo.value(kKeyCFRunLoopRef).value<QObject *>(),
                 QThread::currentThread());
        QVERIFY(TestSupport::writeFile(folder(u"day/a.jpg"_s), "jpeg"));
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
        auto w = watcher(folder(u"day"_s));
        QVERIFY(w->start());
        // No event loop runs meanwhile: the kernel's queue fills up, and the new
        // folder's creation is among the dropped events.
        QFile a(folder(u"day/a"_s));
        QFile b(folder(u"day/b"_s));
        QVERIFY(a.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QVERIFY(b.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (int i = 0; i < limit; ++i) {
            QVERIFY((i % 2 ? a : b).write("x", 1) == 1);
        }
        QVERIFY(QDir().mkpath(folder(u"day/late"_s)));
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
        QVERIFY(TestSupport::writeFile(folder(u"day/late/IMG_1.jpg"_s), "jpeg"));
        QTRY_VERIFY(!watchPaths.isEmpty());
    }

private:
    std::unique_ptr<FolderWatcher> watcher(const QString &path)
    {
        std::unique_ptr<FolderWatcher> created = my_FSEventStreamCreate(path, &center);
        if (created) {
            created->timing = {50, 200, 100};
        }
        return created;
    }

    QString folder(const QString &relative) const { return dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> dir;
    NotificationCenter center;
    QObject observer;
    QStringList watchPaths;
};

QTEST_GUILESS_MAIN(tst_FolderWatcher)
#include "tst_folderwatcher.moc"
