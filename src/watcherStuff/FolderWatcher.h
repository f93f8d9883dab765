#pragma once

#include "shell/CommonHeader.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>

class NotificationCenter;
class QSocketNotifier;
class QThreadPool;

// How quickly a watch reports. Tests shorten these; the kiosk keeps the defaults.
struct WatcherTiming
{
    int latencyMs = kWatcherLatencyMs;             // changes are collected this long
    int flushIntervalMs = kWatcherFlushIntervalMs; // pending changes never wait longer
    int pollIntervalMs = kWatcherPollIntervalMs;   // network file systems: one look per interval
};

// Tells that something changed below a folder: "WatcherItemChanged" with the
// folder as given, once per changed folder of each delivery, never naming the
// changed item (observers rescan the whole folder). Lives on the thread that
// starts it and is served by that thread's event loop.
//
// Local folders are watched with inotify, the folder and every folder below
// it, folders created later included. Network file systems never report other
// machines' changes to inotify, so there the tree is compared with a snapshot
// every pollIntervalMs instead (also when OVRA_WATCHER_FORCE_POLLING is set).
// When the watched folder itself disappears the watch waits for a folder of
// that name and watches it again, reporting it as changed.
class FolderWatcher : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatcher(const QString &path, NotificationCenter *center = nullptr,
                           QObject *parent = nullptr);
    ~FolderWatcher() override;

    // False (with the failure logged) when the folder cannot be watched.
    bool start();
    void stop();

    QString path() const { return path_; }
    bool isRunning() const { return running_; }
    bool isPolling() const { return polling_; }
    // The watched folder is gone; the watch waits for it to be there again.
    bool isWaitingForFolder() const { return waiting_; }

    // Read by start(); change it before.
    WatcherTiming timing;

    // Delivers the changes collected so far.
    void fsevents_callback();
    // The flush timer: pending changes are delivered now.
    void timer_callback();

    // True for NFS, SMB/CIFS and FUSE mounts, where inotify is blind to changes
    // made elsewhere.
    static bool isNetworkFileSystem(const QString &path);
    static bool pollingForced();

signals:
    // The watched folder disappeared; the last changes were delivered first.
    void vanished();
    // It is there again and watched again; the change is on its way.
    void reappeared();
    // Polling: the first look at the tree is taken; changes count from here on.
    void pollingBaselineTaken();

private:
    struct Snapshot;

    bool startInotify();
    bool startPolling(const QString &reason);
    void readInotify();
    void addWatchTree(const QString &folder);
    bool addWatch(const QString &folder);
    void forgetWatchesBelow(const QString &folder);
    void poll();
    void snapshotTaken(const std::shared_ptr<Snapshot> &snapshot);
    void noteChange(const QString &folder);
    void stopInotify();
    void folderGone();
    void lookForFolder();
    void folderBack();
    void dropAncestorWatch();

    QString path_;
    QString rootPath_; // cleaned, for the file system
    NotificationCenter *center_;
    bool running_ = false;
    bool polling_ = false;
    bool waiting_ = false;

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<int, QString> watches_;
    int rootWatch_ = -1;
    bool watchLimitReached_ = false;

    std::unique_ptr<QThreadPool> pollPool_;
    std::shared_ptr<Snapshot> lastSnapshot_;
    bool pollRunning_ = false;
    QTimer pollTimer_;

    // While the folder is gone (inotify): the nearest folder above it that
    // exists, which reports the next level of the path being created.
    QPointer<QFileSystemWatcher> ancestorWatch_;

    QSet<QString> pending_;
    QTimer latencyTimer_;
    QTimer flushTimer_;
};

// Creates a watcher for the folder, not yet started (its timing can still be
// changed). Null for an empty path.
std::unique_ptr<FolderWatcher> my_FSEventStreamCreate(const QString &fullpath,
                                                      NotificationCenter *center = nullptr);

// Installs a watch on the folder, served by the calling thread's event loop,
// and posts "WatcherStarted". The watch belongs to owner; without one it lives
// as long as the calling thread. Null (with the failure logged) when it could
// not be started.
FolderWatcher *doInstallTheWatcher2(const QString &fullpath, QObject *owner = nullptr,
                                    NotificationCenter *center = nullptr,
                                    const WatcherTiming &timing = {});
