// The delegate's local master folder and its watch on today's folder.

#include "shell/AppDelegate.h"

#include "intake/BarcodeEntryController.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "watcherStuff/LocalSlideShowFolder.h"
#include "watcherStuff/TodaysFolderWatch.h"

#include <QAction>
#include <QSignalBlocker>
#include <QThreadPool>

namespace {

const QString kSelf = QStringLiteral("AppDelegate");

void scanInThread(const std::shared_ptr<LocalSlideShowFolder> &folder)
{
    const QString operation = QStringLiteral("checkInsideLocalSlideShowFolderInThread");
    OvraLog(kLogThreadStarted.arg(kSelf, operation));
    folder->checkInsideLocalSlideShowFolder();
    OvraLog(kLogThreadDone.arg(kSelf, operation));
}

} // namespace

LocalSlideShowFolder &AppDelegate::localSlideShowFolder()
{
    if (!localSlideShowFolder_) {
        const LocalFolderPaths &paths = localFolderPaths();
        localSlideShowFolder_ =
            std::make_shared<LocalSlideShowFolder>(LocalSlideShowFolder::Folders{
                paths.currentFolder, paths.processedFolder, paths.failedFolder});
    }
    // The cap as the delegate holds it now.
    localSlideShowFolder_->maxCountOfPhotos = _maxCountOfPhotosInLocalSlideShowFolder;
    return *localSlideShowFolder_;
}

TodaysFolderWatch &AppDelegate::todaysFolderWatch()
{
    if (!todaysFolderWatch_) {
        TodaysFolderWatchEnvironment environment;
        environment.barcodeController = [this] {
            return fBarcodeController.get();
        };
        todaysFolderWatch_ = new TodaysFolderWatch(std::move(environment), this);
    }
    return *todaysFolderWatch_;
}

bool AppDelegate::checkInsideLocalSlideShowFolder(const QVariant & /*param*/)
{
    return localSlideShowFolder().checkInsideLocalSlideShowFolder();
}

void AppDelegate::checkInsideLocalSlideShowFolderInThread(const QVariant & /*param*/)
{
    localSlideShowFolder();
    scanInThread(localSlideShowFolder_);
}

QStringList AppDelegate::localMasterSlideShowFileList() const
{
    return localSlideShowFolder_ ? localSlideShowFolder_->localMasterSlideShowFileList()
                                 : QStringList();
}

void AppDelegate::setupWatcher()
{
    todaysFolderWatch().setupWatcher();
}

void AppDelegate::doSetupWatchFolderInThread(const QString &path)
{
    todaysFolderWatch().doSetupWatchFolderInThread(path);
}

void AppDelegate::tearDownWatcher()
{
    if (todaysFolderWatch_) {
        todaysFolderWatch_->tearDownWatcher();
    }
}

void AppDelegate::handleFoundNewFile(const Notification &notification)
{
    todaysFolderWatch().handleFoundNewFile(notification);
}

void AppDelegate::doToggleWatchTodaysFolder()
{
    setWatchTodaysFolder(!Preferences::standardUserDefaults()->boolForKey(kPrefWatchTodaysFolder));
}

void AppDelegate::setWatchTodaysFolder(bool on)
{
    Preferences::standardUserDefaults()->setBool(on, kPrefWatchTodaysFolder);
    todaysFolderWatch().setFollowsPhotoDay(on);
    if (watchTodaysFolderAction_) {
        const QSignalBlocker blocker(watchTodaysFolderAction_);
        watchTodaysFolderAction_->setChecked(on);
    }
}

void AppDelegate::restoreWatchTodaysFolder()
{
    if (Preferences::standardUserDefaults()->boolForKey(kPrefWatchTodaysFolder)) {
        setWatchTodaysFolder(true);
    }
}

void AppDelegate::doTidyLocalSlideShowFolder()
{
    localSlideShowFolder();
    // A big folder on a slow disk must not hold up the console.
    QThreadPool::globalInstance()->start(
        [folder = localSlideShowFolder_] { scanInThread(folder); });
}

QAction *AppDelegate::watchTodaysFolderAction()
{
    if (!watchTodaysFolderAction_) {
        watchTodaysFolderAction_ = new QAction(kMenuWatchTodaysFolder, this);
        watchTodaysFolderAction_->setCheckable(true);
        watchTodaysFolderAction_->setChecked(
            todaysFolderWatch_ ? todaysFolderWatch_->followsPhotoDay() : false);
        connect(watchTodaysFolderAction_, &QAction::triggered, this,
                &AppDelegate::setWatchTodaysFolder);
    }
    return watchTodaysFolderAction_;
}

QAction *AppDelegate::tidyLocalSlideShowFolderAction()
{
    if (!tidyLocalSlideShowFolderAction_) {
        tidyLocalSlideShowFolderAction_ = new QAction(kMenuTidyLocalSlideShowFolder, this);
        connect(tidyLocalSlideShowFolderAction_, &QAction::triggered, this,
                &AppDelegate::doTidyLocalSlideShowFolder);
    }
    return tidyLocalSlideShowFolderAction_;
}
