#include "watcherStuff/TodaysFolderWatch.h"

#include "intake/BarcodeEntryController.h"
#include "platform/Beep.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {
const QString kSelf = QStringLiteral("AppDelegate");
constexpr int kPhotoDayChangeHour = 3;
} // namespace

TodaysFolderWatch::TodaysFolderWatch(TodaysFolderWatchEnvironment environment, QObject *parent)
    : QObject(parent), environment_(std::move(environment)),
      center_(environment_.center ? environment_.center : NotificationCenter::defaultCenter())
{
    reactivationTimer_.setSingleShot(true);
    reactivationTimer_.setTimerType(Qt::PreciseTimer);
    connect(&reactivationTimer_, &QTimer::timeout, this, &TodaysFolderWatch::reactivate);
    dayTimer_.setSingleShot(true);
    connect(&dayTimer_, &QTimer::timeout, this, &TodaysFolderWatch::photoDayMayHaveChanged);
    connect(&retryTimer_, &QTimer::timeout, this, &TodaysFolderWatch::retry);
}

TodaysFolderWatch::~TodaysFolderWatch()
{
    center_->removeObserver(this);
}

Preferences *TodaysFolderWatch::store() const
{
    return environment_.store ? environment_.store : Preferences::standardUserDefaults();
}

QString TodaysFolderWatch::todaysFolder() const
{
    const QString root = store()->stringForKey(kPrefSlideShowPath);
    if (root.isEmpty()) {
        return QString();
    }
    QString path = expandTilde(root);
    const QString day = getDailyFolderName(store());
    // An empty day pattern makes the root itself the day folder.
    if (!day.isEmpty()) {
        path += QLatin1Char('/') + day;
    }
    return path;
}

void TodaysFolderWatch::setupWatcher()
{
    const QString operation = QStringLiteral("setupWatcher");
    const QString root = store()->stringForKey(kPrefSlideShowPath);
    if (root.isEmpty()) {
        OvraBeep();
        OvraLog(kLogNeedPathToWatch.arg(kSelf, operation, root));
        return;
    }
    if (!getDailyFolderName(store()).isNull()) {
        OvraLog(kLogAddingTodaysFolder.arg(kSelf, operation));
    }
    const QString path = todaysFolder();
    OvraLog(kLogPathToWatch.arg(path));
    doSetupWatchFolderInThread(path);
}

bool TodaysFolderWatch::doSetupWatchFolderInThread(const QString &path)
{
    // The installation takes at most 499 bytes of path.
    const bool fits = path.toUtf8().size() < kWatchPathBufferSize;
    FolderWatcher *installed = nullptr;
    if (fits && QFileInfo(path).isDir()) {
        installed = doInstallTheWatcher2(path, this, center_, timing);
    }
    if (!installed) {
        OvraLog(
            kLogFailedToInstallWatcher.arg(kSelf, QStringLiteral("doSetupWatchFolderInThread")));
        return false;
    }
    // One watch and one reaction: a second installation would make each
    // change re-activate the code twice.
    dropWatch();
    watcher_ = installed;
    tearDownWatcher();
    watchedFolder_ = path;
    center_->addObserver(this, kWatcherItemChanged,
                         [this](const Notification &n) { handleFoundNewFile(n); });
    return true;
}

void TodaysFolderWatch::dropWatch()
{
    if (watcher_) {
        // The watcher may be delivering this very moment: it goes later.
        watcher_->stop();
        watcher_->deleteLater();
        watcher_.clear();
    }
}

void TodaysFolderWatch::tearDownWatcher()
{
    center_->removeObserver(this, kWatcherItemChanged);
    watchedFolder_.clear();
}

void TodaysFolderWatch::handleFoundNewFile(const Notification &notification)
{
    // Other watches announce their own folders.
    if (watchedFolder_.isEmpty() ||
        notification.userInfo.value(kKeyWatchPath).toString() != watchedFolder_) {
        return;
    }
    // A burst makes one re-activation, once it paused for the delay (the
    // photo script leaves photos younger than two seconds for later): the copy
    // of a code is never restarted over and over. A stream of changes that
    // does not pause still re-activates every reactivationMaxWaitMs.
    lastChange_.start();
    if (!reactivationTimer_.isActive()) {
        firstChange_.start();
        reactivationTimer_.start(reactivationDelayMs);
        return;
    }
    const qint64 untilMaxWait = qint64(reactivationMaxWaitMs) - firstChange_.elapsed();
    reactivationTimer_.start(int(std::clamp<qint64>(untilMaxWait, 0, reactivationDelayMs)));
}

void TodaysFolderWatch::reactivate()
{
    const QString operation = QStringLiteral("handleFoundNewFile");
    // Changes too recent for this search get one more (with some slack for
    // the timer's own accuracy).
    const qint64 sinceLastChange = lastChange_.elapsed();
    if (sinceLastChange < reactivationDelayMs * 9 / 10) {
        firstChange_.start();
        reactivationTimer_.start(int(reactivationDelayMs - sinceLastChange));
    }
    BarcodeEntryController *controller =
        environment_.barcodeController ? environment_.barcodeController() : nullptr;
    if (!controller) {
        return;
    }
    OvraLog(kLogReactivatingCode.arg(kSelf, operation, controller->fCurrentBarcode));
    if (store()->boolForKey(kPrefDoShoutMode)) {
        controller->fCurrentBarcode = kSearchKeyAll;
    }
    // Nothing scanned yet: nothing to show again.
    if (controller->fCurrentBarcode.isEmpty()) {
        OvraLog(kLogNothingToReactivate.arg(kSelf, operation));
        return;
    }
    ++reactivations_;
    controller->FindOvraFilesWithID(QString(controller->fCurrentBarcode));
}

void TodaysFolderWatch::setFollowsPhotoDay(bool on)
{
    following_ = on;
    retryTimer_.stop();
    dayTimer_.stop();
    if (!on) {
        // Turned off by the operator: the stream goes as well.
        reactivationTimer_.stop();
        tearDownWatcher();
        dropWatch();
        return;
    }
    setupWatcher();
    if (watchedFolder_.isEmpty()) {
        retryTimer_.start(retryIntervalMs);
    }
    dayTimer_.start(int(msecsToNextPhotoDay()));
}

qint64 TodaysFolderWatch::msecsToNextPhotoDay()
{
    const QDateTime now = Clock::now();
    QDateTime next(now.date(), QTime(kPhotoDayChangeHour, 0));
    if (next <= now) {
        next = QDateTime(now.date().addDays(1), QTime(kPhotoDayChangeHour, 0));
    }
    // A moment past the change, so the new day name is certain.
    return now.msecsTo(next) + 1000;
}

void TodaysFolderWatch::photoDayMayHaveChanged()
{
    if (!following_) {
        return;
    }
    dayTimer_.start(int(msecsToNextPhotoDay()));
    const QString folder = todaysFolder();
    if (watchedFolder_.isEmpty() || folder != watchedFolder_) {
        OvraLog(kLogPhotoDayChanged.arg(kSelf, QStringLiteral("photoDayMayHaveChanged"), folder));
        tearDownWatcher();
        retry();
    }
}

void TodaysFolderWatch::retry()
{
    // Quietly, until the day's first photos create its folder.
    const QString folder = todaysFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        if (!retryTimer_.isActive()) {
            retryTimer_.start(retryIntervalMs);
        }
        return;
    }
    retryTimer_.stop();
    setupWatcher();
    if (watchedFolder_.isEmpty()) {
        retryTimer_.start(retryIntervalMs);
        return;
    }
    // Whatever arrived before the watch began was not seen.
    handleFoundNewFile({kWatcherItemChanged, QVariant(), {{kKeyWatchPath, watchedFolder_}}});
}
