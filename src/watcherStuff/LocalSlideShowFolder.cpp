#include "watcherStuff/LocalSlideShowFolder.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
const QString kSelf = QStringLiteral("AppDelegate");
const QString kOperation = QStringLiteral("checkInsideLocalSlideShowFolder");
} // namespace

LocalSlideShowFolder::LocalSlideShowFolder(Folders folders, NotificationCenter *center)
    : folders_(std::move(folders)), center_(center ? center : NotificationCenter::defaultCenter())
{}

bool LocalSlideShowFolder::isLocalSlideShowPhotoName(const QString &name)
{
    return !name.startsWith(QLatin1Char('.')) &&
           QFileInfo(name).suffix().compare(kImageExtensionJpg, Qt::CaseInsensitive) == 0;
}

QStringList LocalSlideShowFolder::localMasterSlideShowFileList() const
{
    const std::lock_guard guard(listLock_);
    return published_;
}

bool LocalSlideShowFolder::moveInto(const QString &file, const QString &folder, QString *error)
{
    const QString target = folder + QLatin1Char('/') + QFileInfo(file).fileName();
    // QFile never replaces an existing file: a name already retired stays put.
    QFile source(file);
    if (source.rename(target)) {
        return true;
    }
    *error = source.errorString();
    return false;
}

bool LocalSlideShowFolder::checkInsideLocalSlideShowFolder()
{
    // Two scans at once would retire the same photos twice.
    const std::lock_guard scanGuard(scanLock_);
    qint32 cap = static_cast<qint32>(static_cast<quint32>(maxCountOfPhotos.load() & 0xFFFFFFFF));
    // A negative cap would retire more photos than there are.
    cap = std::max(cap, 0);
    const QString current = QDir::cleanPath(expandTilde(folders_.current));
    if (!QFileInfo::exists(current)) {
        OvraLog(kLogUnableToAccessFolder.arg(kSelf, kOperation, current));
        return true;
    }
    const QDir dir(current);
    if (!dir.isReadable()) {
        return true;
    }
    const QStringList names = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList photos;
    for (const QString &name : names) {
        const QString path = current + QLatin1Char('/') + name;
        const QFileInfo info(path);
        if (!info.exists()) {
            OvraLog(kLogLocalItemMissing.arg(path));
        } else if (info.isDir()) {
            OvraLog(kLogLocalItemIsFolder.arg(path));
        } else if (isLocalSlideShowPhotoName(name)) {
            photos.append(path);
            continue;
        }
        OvraLog(kLogItemNotValid.arg(path));
    }
    // Literal order of the full paths: the first ones count as the oldest.
    std::sort(photos.begin(), photos.end());
    if (photos.size() <= cap) {
        return true;
    }
    const QString processed = QDir::cleanPath(expandTilde(folders_.processed));
    const QString failed = QDir::cleanPath(expandTilde(folders_.failed));
    while (photos.size() > cap) {
        const QString photo = photos.takeFirst();
        QString error;
        if (moveInto(photo, processed, &error)) {
            continue;
        }
        OvraLog(kLogMoveItemError.arg(kSelf, kOperation, photo, processed, error));
        OvraLog(kLogTryingFailedFolder.arg(kSelf, kOperation, photo));
        // Moved nowhere, it stays in Current and is found again by the next scan.
        if (!moveInto(photo, failed, &error)) {
            OvraLog(kLogMoveItemError.arg(kSelf, kOperation, photo, failed, error));
        }
    }
    {
        const std::lock_guard guard(listLock_);
        published_ = photos;
    }
    center_->postNotificationName(kLocalMasterSlideShowArrayChanged);
    return true;
}
