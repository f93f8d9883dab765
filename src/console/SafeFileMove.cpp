#include "console/SafeFileMove.h"

#include "shell/CommonHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFileMove {

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close (a full disk on NFS) is seen.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Copies the content of in to out; false with errno set.
bool copyContent(int in, int out)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!writeAll(out, buffer, got)) {
            return false;
        }
    }
}

} // namespace

void syncFolder(const QString &folder)
{
    Descriptor fd(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

bool renameWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = encoded(from);
    const QByteArray target = encoded(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return false;
    }
    // File systems without RENAME_NOREPLACE: a hard link refuses a taken name
    // just as atomically.
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) == 0) {
            return true;
        }
        const int error = errno;
        ::unlink(target.constData());
        errno = error;
        return false;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return false;
    }
    // Neither (FAT, some FUSE file systems): check, then rename. Only another
    // writer racing for the same name in that instant could be replaced.
    struct stat info;
    if (::lstat(target.constData(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

Result copyAcrossFileSystems(const QString &sourcePath, const QString &destinationPath)
{
    Result result{false, destinationPath, QString()};
    const QFileInfo target(destinationPath);
    const QString copyPath = target.absolutePath() + QLatin1Char('/') +
                             kReassignCopyingNameFormat.arg(target.fileName());
    const QByteArray copyName = encoded(copyPath);

    auto fail = [&](const QString &what, int error, bool removeCopy) {
        if (removeCopy) {
            ::unlink(copyName.constData());
        }
        result.error = what + QStringLiteral(": ") + errnoText(error);
        return result;
    };

    Descriptor in(::open(encoded(sourcePath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!in.valid()) {
        return fail(QStringLiteral("open source"), errno, false);
    }
    struct stat sourceInfo;
    if (::fstat(in.get(), &sourceInfo) != 0) {
        return fail(QStringLiteral("stat source"), errno, false);
    }
    if (!S_ISREG(sourceInfo.st_mode)) {
        return fail(QStringLiteral("source"), EINVAL, false);
    }
    struct stat existing;
    if (::lstat(encoded(destinationPath).constData(), &existing) == 0) {
        return fail(QStringLiteral("target"), EEXIST, false);
    }
    // A copy left by an earlier crash is ours to replace: the photo it was
    // copied from is still in its own folder.
    ::unlink(copyName.constData());
    Descriptor out(::open(copyName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          sourceInfo.st_mode & 0777));
    if (!out.valid()) {
        return fail(QStringLiteral("create copy"), errno, false);
    }
    if (!copyContent(in.get(), out.get())) {
        return fail(QStringLiteral("copy"), errno, true);
    }
    ::fchmod(out.get(), sourceInfo.st_mode & 0777);
    const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    ::futimens(out.get(), times);
    if (::fsync(out.get()) != 0) {
        return fail(QStringLiteral("fsync copy"), errno, true);
    }
    struct stat copyInfo;
    if (::fstat(out.get(), &copyInfo) != 0) {
        return fail(QStringLiteral("stat copy"), errno, true);
    }
    if (copyInfo.st_size != sourceInfo.st_size) {
        return fail(QStringLiteral("copy size differs"), EIO, true);
    }
    if (!out.close()) {
        return fail(QStringLiteral("close copy"), errno, true);
    }
    if (!renameWithoutReplacing(copyPath, destinationPath)) {
        return fail(QStringLiteral("name copy"), errno, true);
    }
    syncFolder(target.absolutePath());
    // From here the photo is in both folders until the source is gone.
    if (::unlink(encoded(sourcePath).constData()) != 0) {
        const int error = errno;
        if (error == ENOENT) {
            // Someone else took the source meanwhile: the copy is all there is.
            result.moved = true;
            return result;
        }
        // Keep it in exactly one place, the one it was in.
        ::unlink(encoded(destinationPath).constData());
        syncFolder(target.absolutePath());
        return fail(QStringLiteral("remove source"), error, false);
    }
    syncFolder(QFileInfo(sourcePath).absolutePath());
    result.moved = true;
    return result;
}

Result moveIntoFolder(const QString &sourcePath, const QString &destinationFolder)
{
    const QString destination = QDir(destinationFolder).filePath(QFileInfo(sourcePath).fileName());
    Result result{false, destination, QString()};
    if (!QFileInfo(destinationFolder).isDir()) {
        result.error = QStringLiteral("target folder: ") + errnoText(ENOENT);
        return result;
    }
    if (renameWithoutReplacing(sourcePath, destination)) {
        syncFolder(destinationFolder);
        syncFolder(QFileInfo(sourcePath).absolutePath());
        result.moved = true;
        return result;
    }
    if (errno == EXDEV) {
        return copyAcrossFileSystems(sourcePath, destination);
    }
    result.error = errnoText(errno);
    return result;
}

} // namespace SafeFileMove
