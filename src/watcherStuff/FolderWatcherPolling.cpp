// Network file systems: the tree is compared with its previous look.

#include "watcherStuff/FolderWatcher.h"

#include "platform/Log.h"
#include "platform/ThreadHandoff.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

namespace {

const QString kSelf = QStringLiteral("FolderWatcher");

struct EntryState
{
    qint64 modified = 0;
    qint64 size = 0;
    bool isDir = false;

    bool operator==(const EntryState &other) const = default;
};

} // namespace

struct FolderWatcher::Snapshot
{
    bool rootExists = false;
    QHash<QString, EntryState> entries;

    static std::shared_ptr<Snapshot> take(const QString &root)
    {
        auto snapshot = std::make_shared<Snapshot>();
        snapshot->rootExists = QFileInfo(root).isDir();
        if (!snapshot->rootExists) {
            return snapshot;
        }
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info = it.fileInfo();
            snapshot->entries.insert(
                path, {info.lastModified().toMSecsSinceEpoch(), info.size(), info.isDir()});
        }
        return snapshot;
    }
};

bool FolderWatcher::startPolling(const QString &reason)
{
    OvraLog(kLogWatcherPolling.arg(kSelf, path_).arg(timing.pollIntervalMs).arg(reason));
    polling_ = true;
    pollPool_ = std::make_unique<QThreadPool>();
    pollPool_->setMaxThreadCount(1);
    // The first look is the baseline: only what changes after it is reported.
    pollTimer_.start(timing.pollIntervalMs);
    poll();
    return true;
}

void FolderWatcher::poll()
{
    // A slow share may take longer than the interval to list; one look at a time.
    if (pollRunning_ || !pollPool_) {
        return;
    }
    pollRunning_ = true;
    const QString root = rootPath_;
    pollPool_->start(ThreadHandoff::handedOver([this, root] {
        std::shared_ptr<Snapshot> snapshot = Snapshot::take(root);
        // The watcher waits for this task before it goes: it is alive here.
        QMetaObject::invokeMethod(
            this, ThreadHandoff::handedOver([this, snapshot] { snapshotTaken(snapshot); }),
            Qt::QueuedConnection);
    }));
}

void FolderWatcher::snapshotTaken(const std::shared_ptr<Snapshot> &snapshot)
{
    pollRunning_ = false;
    if (!polling_) {
        return;
    }
    if (!snapshot->rootExists) {
        if (!waiting_) {
            noteChange(rootPath_);
            folderGone();
        }
        return;
    }
    if (waiting_) {
        lastSnapshot_ = snapshot;
        folderBack();
        return;
    }
    if (!lastSnapshot_) {
        lastSnapshot_ = snapshot;
        emit pollingBaselineTaken();
        return;
    }
    const auto changedIn = [this](const QString &entry) {
        noteChange(QFileInfo(entry).path());
    };
    for (auto it = snapshot->entries.cbegin(); it != snapshot->entries.cend(); ++it) {
        const auto old = lastSnapshot_->entries.constFind(it.key());
        if (old == lastSnapshot_->entries.cend() || !(old.value() == it.value())) {
            changedIn(it.key());
        }
    }
    for (auto it = lastSnapshot_->entries.cbegin(); it != lastSnapshot_->entries.cend(); ++it) {
        if (!snapshot->entries.contains(it.key())) {
            changedIn(it.key());
        }
    }
    lastSnapshot_ = snapshot;
    // The poll interval already was the wait.
    fsevents_callback();
}
