// Code activation: from a code to a display playing its newest photos.

#include "intake/ActivationCopier.h"
#include "intake/BarcodeEntryController.h"
#include "intake/OverlayCompositor.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QThreadPool>

namespace {

const QString kSelf = QStringLiteral("BarcodeEntryController");

// "prefDemoCodesList" as an array or as a comma-separated string.
QStringList demoCodes(const QVariant &stored)
{
    QStringList pieces;
    if (stored.typeId() == QMetaType::QString) {
        pieces = stored.toString().split(QLatin1Char(','));
    } else if (stored.typeId() == QMetaType::QVariantList ||
               stored.typeId() == QMetaType::QStringList) {
        for (const QVariant &entry : stored.toList()) {
            pieces.append(entry.toString());
        }
    }
    QStringList codes;
    for (const QString &piece : pieces) {
        const QString entry = piece.trimmed();
        if (!entry.isEmpty()) {
            codes.append(entry);
        }
    }
    return codes;
}

int platformScreenCount()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? int(QGuiApplication::screens().size())
               : 0;
}

} // namespace

QString BarcodeEntryController::printableCode(const QString &code)
{
    QString text;
    for (const QChar c : code) {
        if (c.category() == QChar::Other_Control) {
            text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            text += c;
        }
    }
    return text;
}

QString BarcodeEntryController::currentTaskQueueLabel()
{
    const QString identifier = Bundle::mainBundle().bundleIdentifier();
    return (identifier.isEmpty() ? kTaskQueueFallbackBase : identifier) + kTaskQueueSuffix;
}

QThreadPool *BarcodeEntryController::currentTaskQueue()
{
    // Created on first use, thread-safely; one thread makes it serial.
    static QThreadPool *const queue = [] {
        static QThreadPool pool;
        pool.setMaxThreadCount(1);
        pool.setObjectName(currentTaskQueueLabel());
        return &pool;
    }();
    return queue;
}

QString BarcodeEntryController::setupTempFolderPath()
{
    const QString path = QDir::cleanPath(expandTilde(
        fEnvironment.tempFolderPath.isEmpty() ? kTempFolderPath : fEnvironment.tempFolderPath));
    fTempFolderPath = path;
    if (!QFileInfo(path).isDir() && !QDir().mkpath(path)) {
        OvraLog(kLogCreateTempFolderError.arg(path, QStringLiteral("cannot create the folder")));
    }
    if (!QFileInfo(path).isDir()) {
        OvraLog(kLogUnableToCreateDirectory.arg(kSelf, path));
    }
    store()->setObject(path, kPrefTempFolderPath);
    return path;
}

QString BarcodeEntryController::applyOverlayToSourceItem(const QString &source,
                                                         const QString & /*destination*/)
{
    return fCompositor->applyOverlayToSourceItem(source);
}

void BarcodeEntryController::FindOvraFilesWithID(const QString &code)
{
    const QString operation = QStringLiteral("FindOvraFilesWithID");
    // A previewer message can carry any text: nothing reaches a folder name
    // unless it names exactly one folder inside the day folder.
    if (!isAcceptableCode(code)) {
        OvraLog(kLogRefusedUnsafeCode.arg(kSelf, operation, printableCode(code)));
        return;
    }
    Preferences *prefs = store();
    const QString dayName = getDailyFolderName2(getDailyFolderFormat(prefs));
    const QString root = expandTilde(prefs->stringForKey(kPrefSlideShowPath));
    QString basePath;
    if (!root.isEmpty() && !dayName.isNull()) {
        basePath = QDir::cleanPath(root + QLatin1Char('/') + dayName);
    }
    std::optional<QString> customerId = code;

    const bool isDemo = prefs->boolForKey(kPrefSupportDemoCode) &&
                        demoCodes(prefs->objectForKey(kPrefDemoCodesList)).contains(code.toLower());
    if (isDemo) {
        OvraLog(kLogIsDemoCode.arg(kSelf, operation, code));
        const QString demoPath = getDemoSlidesFolder(prefs);
        if (!demoPath.isEmpty() && QFileInfo::exists(demoPath)) {
            basePath = demoPath;
            OvraLog(kLogFoundDemoSlideFolder);
        } else {
            OvraLog(kLogUnableToFindDemoSlideFolder);
        }
    } else if (prefs->boolForKey(kPrefDoShoutMode)) {
        customerId.reset();
    }

    if (basePath.isEmpty() || !QFileInfo(basePath).isDir()) {
        OvraLog(kLogBasePathDoesNotExist.arg(kSelf, operation));
        return;
    }
    QVariantMap request{{kKeySearchPath, basePath}, {kKeyDelegate, searchDelegateValue(this)}};
    if (customerId) {
        request.insert(kKeyCustomerId, *customerId);
    }
    // From here on this code owns the working folder: an older activation
    // stops at its next photo, or does not start copying at all.
    const quint64 generation = ++fCopyState->generation;
    // The search runs on the main thread, at the next pass of its loop.
    QMetaObject::invokeMethod(
        this,
        [this, request, generation, code] {
            fSearchGeneration = generation;
            fSearchCode = code;
            _photoQuery->startSearchActionWithParamOldwayOvra2(request);
        },
        Qt::QueuedConnection);
}

void BarcodeEntryController::doneSearchOperation(OvraPhotoQueryController *query,
                                                 const QVariantMap &param)
{
    scheduleCopy(param, query->response());
}

void BarcodeEntryController::doneSearchOperationNew(OvraPhotoQueryController *query,
                                                    const QVariantMap &param)
{
    scheduleCopy(param, query->response());
}

void BarcodeEntryController::scheduleCopy(const QVariantMap &param, const QStringList &results)
{
    // Every copy loop runs on the one serial queue, and a newer activation
    // makes an older one stop at its next photo: the working folder never
    // holds a mixture of two codes.
    const quint64 generation = fSearchGeneration;
    const QString code = fSearchCode;
    if (fCopyState->generation != generation) {
        return;
    }
    {
        const std::lock_guard guard(fCopyState->lock);
        ++fCopyState->running;
    }
    std::shared_ptr<CopyState> state = fCopyState;
    currentTaskQueue()->start([this, state, param, results, generation, code] {
        QThread::currentThread()->setObjectName(currentTaskQueueLabel());
        if (state->generation == generation) {
            handleFoundImages(param, results, generation, code);
        }
        const std::lock_guard guard(state->lock);
        --state->running;
        state->idle.notify_all();
    });
}

void BarcodeEntryController::handleFoundImages(const QVariantMap &param, const QStringList &results,
                                               quint64 generation, const QString &code)
{
    const QString altPath = param.value(kKeyAltPath).toString();
    ActivationCopyJob job;
    job.results = results;
    job.folder = altPath.isEmpty() ? param.value(kKeySearchPath).toString() : altPath;
    job.workingFolder = fTempFolderPath;
    job.compositor = fCompositor.get();
    std::shared_ptr<CopyState> state = fCopyState;
    job.superseded = [state, generation] {
        return state->generation != generation;
    };
    job.announce = [this, state, generation, code] {
        QMetaObject::invokeMethod(
            this,
            [this, state, generation, code] {
                // A newer code already owns the working folder.
                if (state->generation == generation) {
                    // Which code the folder now holds, for whoever shows it.
                    fCenter->postNotificationName(
                        kWorkingFolderActivated, QVariant(),
                        {{kKeyCode, code}, {kKeySourcePath, fTempFolderPath}});
                    postNotificationOnMainThread(displayMessage());
                }
            },
            Qt::QueuedConnection);
    };
    copyFoundImages(job);
}

QVariantMap BarcodeEntryController::displayMessage() const
{
    const int screens =
        fEnvironment.screenCount ? fEnvironment.screenCount() : platformScreenCount();
    return {{kKeyScreenIndex, screens > 1 ? 1 : 0}, {kKeySourcePath, fTempFolderPath}};
}

void BarcodeEntryController::postNotificationOnMainThread(const QVariantMap &message)
{
    fCenter->postNotificationName(kSlideShowParamChanged, QVariant(), message);
}
