// Local folders: one inotify watch per folder of the tree.

#include "watcherStuff/FolderWatcher.h"

#include "platform/Log.h"

#include <QDirIterator>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QString kSelf = QStringLiteral("FolderWatcher");

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB |
                                IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

// The kernel dropped events: whatever was missed, the next delivery makes
// every observer rescan.
void printDroppedEvents()
{
    std::fputs(kWatcherDroppedByKernel.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fputs(kWatcherForcingRescan.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

bool FolderWatcher::startInotify()
{
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        OvraLog(kLogWatcherCannotWatch.arg(kSelf, path_, qt_error_string(errno)));
        return false;
    }
    if (!addWatch(rootPath_)) {
        return false;
    }
    rootWatch_ = watches_.key(rootPath_, -1);
    addWatchTree(rootPath_);
    if (watchLimitReached_) {
        // More folders than the user's inotify watches: look instead.
        stop();
        return startPolling(qt_error_string(ENOSPC));
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &FolderWatcher::readInotify);
    return true;
}

bool FolderWatcher::addWatch(const QString &folder)
{
    const int wd = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kWatchMask);
    if (wd < 0) {
        const int error = errno;
        if (error == ENOSPC || error == ENOMEM) {
            watchLimitReached_ = true;
        }
        // A folder removed meanwhile is no loss: its parent reported it.
        if (error != ENOENT && error != ENOTDIR) {
            OvraLog(kLogWatcherCannotWatch.arg(kSelf, folder, qt_error_string(error)));
        }
        return false;
    }
    watches_.insert(wd, folder);
    return true;
}

void FolderWatcher::addWatchTree(const QString &folder)
{
    if (folder != rootPath_ && !addWatch(folder)) {
        return;
    }
    QDirIterator it(folder, QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext() && !watchLimitReached_) {
        const QString child = it.next();
        if (!it.fileInfo().isSymLink()) {
            addWatch(child);
        }
    }
}

void FolderWatcher::forgetWatchesBelow(const QString &folder)
{
    const QString prefix = folder + QLatin1Char('/');
    for (auto it = watches_.begin(); it != watches_.end();) {
        if (it.key() != rootWatch_ && (it.value() == folder || it.value().startsWith(prefix))) {
            ::inotify_rm_watch(fd_, it.key());
            it = watches_.erase(it);
        } else {
            ++it;
        }
    }
}

void FolderWatcher::readInotify()
{
    alignas(struct inotify_event) char buffer[16 * 1024];
    bool rootGone = false;
    const QPointer<FolderWatcher> self(this);
    while (fd_ >= 0) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0) {
            break;
        }
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + offset);
            offset += ssize_t(sizeof(struct inotify_event)) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                printDroppedEvents();
                noteChange(rootPath_);
                // Folders created during the gap may have gone unseen.
                addWatchTree(rootPath_);
                continue;
            }
            const QString folder = watches_.value(event->wd);
            if (folder.isEmpty()) {
                continue;
            }
            if (event->mask & IN_IGNORED) {
                watches_.remove(event->wd);
                rootGone = rootGone || event->wd == rootWatch_;
                continue;
            }
            if (event->wd == rootWatch_ &&
                (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))) {
                rootGone = true;
            }
            if (event->len > 0 && (event->mask & IN_ISDIR)) {
                const QString child =
                    folder + QLatin1Char('/') + QFile::decodeName(QByteArray(event->name));
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
                    addWatchTree(child);
                } else if (event->mask & IN_MOVED_FROM) {
                    forgetWatchesBelow(child);
                }
            }
            noteChange(folder);
        }
    }
    if (rootGone) {
        folderGone();
    } else if (self && watchLimitReached_ && running_) {
        fsevents_callback();
        if (!self || !running_) {
            return;
        }
        stop();
        if (startPolling(qt_error_string(ENOSPC))) {
            running_ = true;
            flushTimer_.start(timing.flushIntervalMs);
        }
    }
}
