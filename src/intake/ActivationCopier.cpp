#include "intake/ActivationCopier.h"

#include "intake/OverlayCompositor.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

const QString kSelf = QStringLiteral("BarcodeEntryController");
const QString kOperation = QStringLiteral("handleFoundImages");

QString joinedResult(const QString &folder, QString result)
{
    if (folder.isEmpty()) {
        return result;
    }
    if (result.startsWith(QLatin1String("./"))) {
        result.remove(0, 2);
    }
    return QDir::cleanPath(folder + QLatin1Char('/') + result);
}

// Closes a descriptor when it goes out of scope.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

enum class CopyOutcome { Copied, Changed, Failed };

// The kernel copies without a round trip through user space (as cp does).
CopyOutcome copyContents(int in, int out, off_t size)
{
    while (size > 0) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(size), 0);
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL)) {
            n = ::sendfile(out, in, nullptr, size_t(size));
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return CopyOutcome::Failed;
        }
        if (n == 0) {
            return CopyOutcome::Changed; // the file got shorter meanwhile
        }
        size -= n;
    }
    return CopyOutcome::Copied;
}

bool sameVersion(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// A photo rewritten in place while it is copied would give a mix or a
// truncated copy: such a copy is made again, a few times, then refused.
constexpr int kCopyAttempts = 5;
// A photo changed within the last two seconds may still be being written (the
// photo search lists it all the same). Only once it is older does a change
// during the copy always show in its modification time.
constexpr qint64 kStillWrittenNs = 2'000'000'000;
constexpr qint64 kEmptyFileWaitNs = 200'000'000;

// File times come from the system clock, not from the kiosk's settable one.
qint64 nsSinceModified(const struct stat &info)
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (qint64(now.tv_sec) - info.st_mtim.tv_sec) * 1'000'000'000 +
           (now.tv_nsec - info.st_mtim.tv_nsec);
}

} // namespace

bool copyFileNoReplace(const QString &source, const QString &destination, QString *error,
                       bool mayBeBeingWritten)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    const QByteArray folder = QFile::encodeName(QFileInfo(destination).absolutePath());
    Descriptor out{-1};
    for (int attempt = 1;; ++attempt) {
        Descriptor in{::open(from.constData(), O_RDONLY | O_CLOEXEC)};
        struct stat info = {};
        if (in.fd < 0 || ::fstat(in.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            *error = in.fd < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                               : QStringLiteral("not a regular file");
            return false;
        }
        // A file truncated for rewriting shows its new size a moment before
        // its new time: an empty photo is not trusted by its time alone.
        const qint64 age = nsSinceModified(info);
        const qint64 wait = info.st_size == 0 ? kEmptyFileWaitNs
                            : age >= 0        ? kStillWrittenNs - age
                                              : 0;
        if (mayBeBeingWritten && wait > 0) {
            if (attempt == kCopyAttempts) {
                *error = QStringLiteral("the photo is still being written");
                return false;
            }
            ::usleep(useconds_t(wait / 1000));
            continue;
        }
        // Written unnamed, then linked in: a reader never sees half a photo,
        // and linking fails when the name exists.
        out.fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (out.fd < 0) {
            QFile file(source); // a file system without unnamed files
            const bool copied = file.copy(destination);
            *error = file.errorString();
            return copied;
        }
        const CopyOutcome copied = copyContents(in.fd, out.fd, info.st_size);
        if (copied == CopyOutcome::Failed || ::fchmod(out.fd, info.st_mode & 07777) != 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        struct stat after = {};
        if (copied == CopyOutcome::Copied && ::fstat(in.fd, &after) == 0 &&
            sameVersion(info, after)) {
            break;
        }
        ::close(std::exchange(out.fd, -1));
        if (attempt == kCopyAttempts) {
            *error = QStringLiteral("the photo kept changing while it was copied");
            return false;
        }
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.fd);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) != 0) {
        *error = errno == EEXIST ? QStringLiteral("Destination file exists")
                                 : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

bool resetWorkingFolder(const QString &path, QString *setAside)
{
    const QString clean = QDir::cleanPath(path);
    if (path.isEmpty() || QDir::isRelativePath(clean) || clean == QDir::rootPath() ||
        clean == QDir::cleanPath(QDir::homePath())) {
        OvraLog(kLogRefusedWorkingFolder.arg(kSelf, kOperation, path));
        return false;
    }
    const QFileInfo info(clean);
    bool removed = true;
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        removed = QFile::remove(clean);
    } else if (info.exists()) {
        const QString aside = QStringLiteral("%1/.%2.old-%3")
                                  .arg(info.absolutePath(), info.fileName())
                                  .arg(QRandomGenerator::global()->generate64(), 0, 16);
        if (setAside && QDir().rename(clean, aside)) {
            *setAside = aside;
        } else {
            removed = QDir(clean).removeRecursively();
        }
    }
    if (!removed) {
        OvraLog(kLogRemoveItemFailed.arg(clean));
    }
    if (!QDir().mkpath(clean) || !QFileInfo(clean).isDir()) {
        OvraLog(kLogCreateTempFolderError.arg(clean, QStringLiteral("cannot create the folder")));
        return false;
    }
    return true;
}

int countExistingJpegs(const QString &folder)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    int count = 0;
    for (const QFileInfo &entry : entries) {
        if (entry.suffix().compare(kImageExtensionJpg, Qt::CaseInsensitive) == 0) {
            ++count;
        }
    }
    return count;
}

int copyFoundImages(const ActivationCopyJob &job)
{
    const QString target = job.workingFolder;
    int count = 0;
    QString oldFolder;
    // The previous code's photos go once the display has its first new one.
    const auto removeOld = qScopeGuard([&oldFolder] {
        if (!oldFolder.isEmpty()) {
            QDir(oldFolder).removeRecursively();
        }
    });
    if (!job.results.isEmpty()) {
        if (!resetWorkingFolder(target, &oldFolder)) {
            return 0;
        }
        for (const QString &result : job.results) {
            // A newer code owns the working folder from here on.
            if (job.superseded && job.superseded()) {
                OvraLog(kLogActivationSuperseded.arg(kSelf, kOperation).arg(count));
                return 0;
            }
            const QString source = joinedResult(job.folder, result);
            if (!QFileInfo::exists(source)) {
                continue;
            }
            const QString destination = QDir(target).filePath(QFileInfo(source).fileName());
            OvraLog(kLogTryingToCopyTo.arg(destination));
            const QString composite =
                job.compositor ? job.compositor->applyOverlayToSourceItem(source) : QString();
            // Never overwrites: a second photo of the same name is refused.
            QString error;
            // A composite is this process's own finished file.
            if (copyFileNoReplace(composite.isEmpty() ? source : composite, destination, &error,
                                  composite.isEmpty())) {
                ++count;
                if (count == 1 && job.announce) {
                    job.announce();
                }
            } else {
                OvraLog(kLogCopyItemError.arg(source, target, error));
            }
        }
    } else {
        OvraLog(kLogNoImagesFound.arg(kSelf, kOperation, job.folder));
        count = countExistingJpegs(target);
        OvraLog(kLogStartWithExisting.arg(count, 2).arg(target)); // padded to two places
    }
    if (count == 0 || (job.superseded && job.superseded())) {
        return 0;
    }
    if (job.announce) {
        job.announce();
    }
    return count;
}
