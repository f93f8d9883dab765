// The watch's life and its deliveries; inotify and polling have files of their own.

#include "watcherStuff/FolderWatcher.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QThreadPool>

#include <sys/vfs.h>
#include <unistd.h>

namespace {

const QString kSelf = QStringLiteral("FolderWatcher");

// f_type values of statfs(2) for file systems whose changes may come from
// other machines.
constexpr quint32 kNetworkFileSystemTypes[] = {
    0x6969,     // NFS
    0x517B,     // SMB
    0xFF534D42, // CIFS
    0xFE534D42, // SMB2
    0x65735546, // FUSE (sshfs, gvfs, rclone...)
    0x01021997, // 9P
    0x00C36400, // Ceph
    0x5346414F, // AFS
    0x73757245, // Coda
};

} // namespace

FolderWatcher::FolderWatcher(const QString &path, NotificationCenter *center, QObject *parent)
    : QObject(parent), path_(path), rootPath_(QDir::cleanPath(path)),
      center_(center ? center : NotificationCenter::defaultCenter())
{
    latencyTimer_.setSingleShot(true);
    connect(&latencyTimer_, &QTimer::timeout, this, &FolderWatcher::fsevents_callback);
    connect(&flushTimer_, &QTimer::timeout, this, &FolderWatcher::timer_callback);
    connect(&pollTimer_, &QTimer::timeout, this, &FolderWatcher::poll);
}

FolderWatcher::~FolderWatcher()
{
    stop();
}

bool FolderWatcher::pollingForced()
{
    const QByteArray value = qgetenv(kEnvWatcherForcePolling.toLatin1().constData());
    return !value.isEmpty() && value != "0";
}

bool FolderWatcher::isNetworkFileSystem(const QString &path)
{
    struct statfs info = {};
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    const auto type = static_cast<quint32>(info.f_type);
    for (const quint32 network : kNetworkFileSystemTypes) {
        if (type == network) {
            return true;
        }
    }
    return false;
}

bool FolderWatcher::start()
{
    if (running_) {
        return true;
    }
    if (rootPath_.isEmpty() || !QFileInfo(rootPath_).isDir()) {
        OvraLog(kLogWatcherCannotWatch.arg(kSelf, path_, QStringLiteral("not a folder")));
        return false;
    }
    waiting_ = false;
    bool started = false;
    if (pollingForced()) {
        started = startPolling(kReasonPollingForced.arg(kEnvWatcherForcePolling));
    } else if (isNetworkFileSystem(rootPath_)) {
        started = startPolling(kReasonNetworkFileSystem);
    } else {
        started = startInotify();
    }
    if (!started) {
        stop();
        return false;
    }
    running_ = true;
    flushTimer_.start(timing.flushIntervalMs);
    return true;
}

void FolderWatcher::stop()
{
    running_ = false;
    latencyTimer_.stop();
    flushTimer_.stop();
    pollTimer_.stop();
    stopInotify();
    dropAncestorWatch();
    waiting_ = false;
    if (pollPool_) {
        pollPool_->waitForDone();
        pollPool_.reset();
    }
    pollRunning_ = false;
    lastSnapshot_.reset();
    polling_ = false;
    pending_.clear();
}

void FolderWatcher::stopInotify()
{
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    watches_.clear();
    rootWatch_ = -1;
    watchLimitReached_ = false;
}

void FolderWatcher::noteChange(const QString &folder)
{
    pending_.insert(folder);
    // Deferred delivery: the latency counts from the first change of a batch,
    // so a steady stream (a large photo arriving over the network) is still
    // reported every latency.
    if (!latencyTimer_.isActive()) {
        latencyTimer_.start(timing.latencyMs);
    }
}

void FolderWatcher::fsevents_callback()
{
    latencyTimer_.stop();
    if (pending_.isEmpty()) {
        return;
    }
    // Folder-level events: one per changed folder, each naming only the
    // watched folder, since every observer rescans it whole.
    const qsizetype count = pending_.size();
    pending_.clear();
    const QString watchPath = path_;
    NotificationCenter *center = center_;
    const QPointer<FolderWatcher> self(this);
    for (qsizetype i = 0; i < count; ++i) {
        OvraLog(kLogWatcherFoundEvent);
        center->postNotificationName(kWatcherItemChanged, QVariant(), {{kKeyWatchPath, watchPath}});
        // An observer may have ended the watch.
        if (!self || !running_) {
            return;
        }
    }
}

void FolderWatcher::timer_callback()
{
    fsevents_callback();
}

void FolderWatcher::folderGone()
{
    if (waiting_) {
        return;
    }
    const QPointer<FolderWatcher> self(this);
    fsevents_callback();
    if (!self || !running_) {
        return;
    }
    OvraLog(kLogWatcherFolderGone.arg(kSelf, path_));
    waiting_ = true;
    // Polling keeps looking and sees the folder come back by itself.
    if (!polling_) {
        stopInotify();
        ancestorWatch_ = new QFileSystemWatcher(this);
        connect(ancestorWatch_, &QFileSystemWatcher::directoryChanged, this,
                &FolderWatcher::lookForFolder);
    }
    emit vanished();
    if (self && waiting_ && !polling_) {
        lookForFolder();
    }
}

void FolderWatcher::lookForFolder()
{
    // Several levels of the path may be missing: each one created moves the
    // watch down, until the folder itself is there.
    while (waiting_ && ancestorWatch_) {
        if (QFileInfo(rootPath_).isDir() && startInotify()) {
            dropAncestorWatch();
            if (!running_) {
                // Too many folders for inotify: polling took over.
                running_ = true;
                flushTimer_.start(timing.flushIntervalMs);
            }
            folderBack();
            return;
        }
        stopInotify();
        QString ancestor = QFileInfo(rootPath_).path();
        while (!QFileInfo(ancestor).isDir() && ancestor != QFileInfo(ancestor).path()) {
            ancestor = QFileInfo(ancestor).path();
        }
        const QStringList current = ancestorWatch_->directories();
        if (current == QStringList{ancestor}) {
            return;
        }
        if (!current.isEmpty()) {
            ancestorWatch_->removePaths(current);
        }
        if (!ancestorWatch_->addPath(ancestor)) {
            OvraLog(kLogWatcherCannotWatch.arg(kSelf, ancestor, QStringLiteral("not a folder")));
            return;
        }
        // What was created before the watch began is looked at once more.
    }
}

void FolderWatcher::dropAncestorWatch()
{
    // It may be delivering this very moment.
    if (ancestorWatch_) {
        ancestorWatch_->disconnect(this);
        ancestorWatch_->deleteLater();
        ancestorWatch_.clear();
    }
}

void FolderWatcher::folderBack()
{
    waiting_ = false;
    OvraLog(kLogWatcherFolderBack.arg(kSelf, path_));
    // Whatever it holds now was never reported.
    noteChange(rootPath_);
    emit reappeared();
}

std::unique_ptr<FolderWatcher> my_FSEventStreamCreate(const QString &fullpath,
                                                      NotificationCenter *center)
{
    if (fullpath.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<FolderWatcher>(fullpath, center);
}

FolderWatcher *doInstallTheWatcher2(const QString &fullpath, QObject *owner,
                                    NotificationCenter *center, const WatcherTiming &timing)
{
    const QString self = QStringLiteral("doInstallTheWatcher2");
    OvraLog(kLogWatcherFullPath.arg(self, fullpath));
    std::unique_ptr<FolderWatcher> watcher = my_FSEventStreamCreate(fullpath, center);
    if (watcher) {
        watcher->timing = timing;
    }
    if (!watcher || !watcher->start()) {
        OvraLog(kLogWatcherStartFailed.arg(self, fullpath));
        return nullptr;
    }
    OvraLog(kLogWatcherStartSucceeded.arg(self, fullpath));
    FolderWatcher *installed = watcher.release();
    QThread *thread = QThread::currentThread();
    if (owner) {
        installed->setParent(owner);
    } else if (QCoreApplication::instance() && thread == QCoreApplication::instance()->thread()) {
        installed->setParent(QCoreApplication::instance());
    } else {
        QObject::connect(thread, &QThread::finished, installed, &QObject::deleteLater);
    }
    NotificationCenter *target = center ? center : NotificationCenter::defaultCenter();
    target->postNotificationName(kWatcherStarted, QVariant(),
                                 {{kKeyCFRunLoopRef, QVariant::fromValue<QObject *>(thread)}});
    return installed;
}
