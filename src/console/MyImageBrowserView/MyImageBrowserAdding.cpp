#include "console/MyImageBrowserView/MyImageBrowserAdding.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/ImageFiles.h"

#include <QDir>
#include <QFileInfo>

bool isAddableImageFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        return false;
    }
    return isImageFile(path);
}

void collectImagesToAdd(QPromise<QString> &promise, const QStringList &paths,
                        const std::shared_ptr<std::atomic_bool> &stop,
                        const AddableImageTest &isAddable)
{
    const QString who = QStringLiteral("MyImageBrowserViewController");
    const QString what = QStringLiteral("collectImagesToAdd");
    auto stopped = [&](const QString &next) {
        if (stop->load()) {
            OvraLogf(kLogImageBrowserStopped, who, what, next);
            return true;
        }
        return false;
    };
    for (const QString &path : paths) {
        if (stopped(path)) {
            return;
        }
        const QFileInfo info(path);
        if (!info.isDir()) {
            if (isAddable(path)) {
                promise.addResult(path);
            }
            continue;
        }
        const QStringList names = QDir(path).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            const QString entry = QDir(path).filePath(name);
            // A large folder on a slow share must not hold a stop request up.
            if (stopped(entry)) {
                return;
            }
            if (isAddable(entry)) {
                promise.addResult(entry);
            }
        }
    }
}
