#include "support/OvraExtras.h"

#include "platform/Beep.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"
#include "support/OvraShellUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kOpenFolderMode = 0777;
constexpr mode_t kPermissionBits = 0777;
constexpr mode_t kKeptModeBits = 0xFE00;

QString errnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool isFolder(const QByteArray &path)
{
    struct stat info = {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p with open permissions on every folder made here; the umask would
// otherwise narrow them, so each one is set explicitly afterwards.
bool makeFolders(const QByteArray &path, QString *error)
{
    QList<QByteArray> missing;
    QByteArray existing = path;
    while (!existing.isEmpty() && existing != "/" && !isFolder(existing)) {
        missing.prepend(existing);
        const qsizetype slash = existing.lastIndexOf('/');
        existing = slash > 0 ? existing.left(slash) : (slash == 0 ? QByteArray("/") : QByteArray());
    }
    for (const QByteArray &folder : std::as_const(missing)) {
        if (::mkdir(folder.constData(), kOpenFolderMode) != 0) {
            const int code = errno;
            // Someone else may have made it meanwhile; that is just as good.
            if (code == EEXIST && isFolder(folder)) {
                continue;
            }
            *error = errnoText(code);
            return false;
        }
        if (!setPermissionInC(folder, kOpenFolderMode)) {
            *error = errnoText(EPERM);
            return false;
        }
    }
    return true;
}

// Deleting an item takes write and search rights on its folder, and, in a
// sticky folder, owning the item or the folder.
bool isDeletable(const QString &path)
{
    const QByteArray item = QFile::encodeName(path);
    const QByteArray parent = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat itemInfo = {};
    struct stat parentInfo = {};
    if (::lstat(item.constData(), &itemInfo) != 0 || ::stat(parent.constData(), &parentInfo) != 0 ||
        ::access(parent.constData(), W_OK | X_OK) != 0) {
        return false;
    }
    const uid_t user = ::geteuid();
    return !(parentInfo.st_mode & S_ISVTX) || user == 0 || user == itemInfo.st_uid ||
           user == parentInfo.st_uid;
}

} // namespace

bool setPermissionInC(const QByteArray &path, mode_t mode)
{
    struct stat info = {};
    if (path.isEmpty() || ::stat(path.constData(), &info) != 0) {
        OvraLog(kLogSetPermissionNoInfo.arg(QFile::decodeName(path)));
        return false;
    }
    const mode_t newMode = (mode & kPermissionBits) | (info.st_mode & kKeptModeBits);
    if (::chmod(path.constData(), newMode) != 0) {
        const int code = errno;
        OvraLog(kLogSetPermissionChmodFailed.arg(
            QString::number(code), QString::number(code, 16).rightJustified(4, QLatin1Char('0'))));
        return false;
    }
    return true;
}

bool setPermission(const QString &path, mode_t mode)
{
    return setPermissionInC(QFile::encodeName(path), mode);
}

bool createDirectoryIfMissing(const QString &path)
{
    const QString expanded = expandTilde(path);
    OvraLog(kLogCreateDirectoryIfMissing.arg(expanded));
    if (expanded.isEmpty()) {
        OvraLog(kLogCreateDirectoryError.arg(expanded, errnoText(ENOENT)));
        return false;
    }
    const QByteArray native = QFile::encodeName(QDir::cleanPath(QDir().absoluteFilePath(expanded)));
    if (isFolder(native)) {
        setPermissionInC(native, kOpenFolderMode);
        return true;
    }
    QString error;
    if (!makeFolders(native, &error)) {
        OvraLog(kLogCreateDirectoryError.arg(expanded, error));
        return false;
    }
    return true;
}

void moveFileToUserTrash(const QString &path)
{
    const QString item =
        path.isEmpty() ? path : QDir::cleanPath(QDir().absoluteFilePath(expandTilde(path)));
    if (item.isEmpty() || !isDeletable(item)) {
        OvraLog(kLogTrashNotDeletable.arg(item));
        return;
    }
    // Without its data folder the trash cannot be made, and the move would
    // land beside the item instead.
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder)) {
        OvraLog(kLogTrashNoTrashFolder.arg(dataFolder));
        return;
    }
    // The trash keeps the original path beside every item and picks its own
    // unique name, so an item of the same name already there is never
    // replaced. A move across file systems fails here as a whole: the item
    // stays in place.
    QString pathInTrash;
    if (!QFile::moveToTrash(item, &pathInTrash)) {
        OvraLog(kLogTrashMoveFailed.arg(item));
        return;
    }
    if (QFileInfo(pathInTrash).absolutePath().section(QLatin1Char('/'), -1) !=
        QLatin1String("files")) {
        OvraLog(kLogTrashMisplaced.arg(item, pathInTrash));
        return;
    }
    OvraLog(kLogTrashMoved.arg(item, pathInTrash));
}

void revealItemInFinder(const QString &path)
{
    OvraLog(kLogRevealItemInFinder.arg(path));
    const QString folder = expandTilde(path);
    if (!path.isEmpty() && QFileInfo(folder).isDir()) {
        runShellScript(kRevealInFinderScript, QStringList{folder});
        return;
    }
    OvraBeep();
    OvraLog(kLogRevealNeedsValidFolder);
}
