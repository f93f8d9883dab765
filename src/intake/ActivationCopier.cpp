#include "intake/ActivationCopier.h"

#include "intake/OverlayCompositor.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

} // namespace

bool resetWorkingFolder(const QString &path)
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
        removed = QDir(clean).removeRecursively();
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
    if (!job.results.isEmpty()) {
        if (!resetWorkingFolder(target)) {
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
            QFile file(composite.isEmpty() ? source : composite);
            // Never overwrites: a second photo of the same name is refused.
            if (file.copy(destination)) {
                ++count;
                if (count == 1 && job.announce) {
                    job.announce();
                }
            } else {
                OvraLog(kLogCopyItemError.arg(source, target, file.errorString()));
            }
        }
    } else {
        OvraLog(kLogNoImagesFound.arg(kSelf, kOperation, job.folder));
        count = countExistingJpegs(target);
        OvraLog(kLogStartWithExisting.arg(count).arg(target));
    }
    if (count == 0 || (job.superseded && job.superseded())) {
        return 0;
    }
    if (job.announce) {
        job.announce();
    }
    return count;
}
