// The sequence rules and the slide step of a display.

#include "slideshow/slideShowWindowController.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "platform/ThreadHandoff.h"
#include "shell/CommonHeader.h"
#include "slideshow/RoomPlayerState.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/borderlessWindow.h"
#include "slideshow/zoomedInNSImageView.h"
#include "support/ImageFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {
// A display whose photos are all gone looks again no sooner than this, even
// with no delay set: never a busy loop over dead names.
constexpr double kMissingPhotosRetrySeconds = 1.0;
} // namespace

void slideShowWindowController::startSequence()
{
    Preferences *store = Preferences::standardUserDefaults();
    const bool movieFirst = store->boolForKey(roleKey(kRolePlayMovieFirst));
    const bool movie = store->boolForKey(roleKey(kRoleDoPlayMovie));
    if (movieFirst && movie) {
        QMetaObject::invokeMethod(this, &slideShowWindowController::startMovie,
                                  Qt::QueuedConnection);
    } else if (store->boolForKey(roleKey(kRoleDoSlideShow))) {
        startSlideShow();
    } else if (movie) {
        QMetaObject::invokeMethod(this, &slideShowWindowController::startMovie,
                                  Qt::QueuedConnection);
    } else {
        OvraLog(kLogDidNotStartSequence.arg(who(), QStringLiteral("startSequence")));
    }
}

void slideShowWindowController::doAutoStartQueue()
{
    doSuspendSlideShow = false;
    startSequence();
    broadcastSlideShowStatus();
}

void slideShowWindowController::startMovie()
{
    moviePlayed_ = true;
    ibZoomedInView->setHidden(true);
    // The movie slot is never filled: the notification carries no player.
    NotificationCenter::defaultCenter()->postNotificationName(kUpdateAnimationMovie);
}

void slideShowWindowController::startSlideShow()
{
    if (!screensAllowPlaying()) {
        return;
    }
    if (isInsideSlideShowLoop.exchange(true)) {
        OvraLog(kLogAlreadyInsideLoop.arg(who(), QStringLiteral("startSlideShow")));
        return;
    }
    workers_.start(ThreadHandoff::handedOver([this, decodeSize = stepDecodeSize()] {
        StepOutcome outcome = runStepBody(decodeSize);
        QMetaObject::invokeMethod(
            this, ThreadHandoff::handedOver([this, outcome] { finishStep(outcome); }),
            Qt::QueuedConnection);
        ThreadHandoff::release(&workers_);
    }));
}

QSize slideShowWindowController::stepDecodeSize() const
{
    QSize decodeSize = window_->size();
    if (decodeSize.isEmpty()) {
        decodeSize = QSize(1920, 1080);
    }
    return decodeSize * window_->devicePixelRatioF();
}

// Runs on the worker right after a fill: the first step after the auto start
// then finds its photo decoded instead of decoding it only then.
void slideShowWindowController::predecodeNext(QSize decodeSize)
{
    const QStringList entries = slideShowQueue.entries();
    if (entries.isEmpty() || isInsideSlideShowLoop) {
        return; // a running loop decodes its own next photo
    }
    quint64 generation = 0;
    {
        const std::lock_guard lock(predecodedLock_);
        generation = lookAheadGeneration_;
    }
    // The photo getNextObject() hands out next.
    const qint64 current = slideShowQueue.curIndex();
    const qint64 next = current < 0 || current + 1 >= entries.size() ? 0 : current + 1;
    const QString path = entries.at(next);
    Predecoded decoded{path, decodeSize, FileIdentity::of(path), QImage()};
    decoded.image = getNSImageFromFilePath(path, decodeSize);
    // A file replaced while it was read is not known for what it holds.
    if (!decoded.file || decoded.file != FileIdentity::of(path)) {
        return;
    }
    const std::lock_guard lock(predecodedLock_);
    if (generation == lookAheadGeneration_) {
        predecoded_ = std::move(decoded);
    }
}

void slideShowWindowController::dropLookAhead()
{
    Predecoded dropped;
    const std::lock_guard lock(predecodedLock_);
    std::swap(dropped, predecoded_);
    ++lookAheadGeneration_;
}

// Runs on the worker: everything that touches the disk.
slideShowWindowController::StepOutcome slideShowWindowController::runStepBody(QSize decodeSize)
{
    StepOutcome outcome;
    if (slideShowQueue.isEmpty()) {
        outcome.result = StepResult::EmptyQueue;
        return outcome;
    }
    const QString folder =
        Preferences::standardUserDefaults()->stringForKey(roleKey(kRoleSlideShowPath));
    if (folder.isEmpty() || !QFileInfo::exists(folder)) {
        outcome.result = StepResult::NoFolder;
        return outcome;
    }
    if (doSuspendSlideShow) {
        outcome.result = StepResult::NothingToShow;
        return outcome;
    }
    // Photos deleted under a playing display are skipped within one step.
    // When none is left the display stays running and tries again after its
    // delay with one log line, since the photos may come back (a refilled
    // working folder), rather than stepping through dead names without a
    // pause.
    const qsizetype queued = slideShowQueue.entries().size();
    QStringList missing;
    for (;;) {
        outcome.path = slideShowQueue.getNextObject();
        if (outcome.path.isEmpty()) {
            outcome.result = StepResult::NothingToShow;
            return outcome;
        }
        const QFileInfo info(outcome.path);
        if (info.exists() && !info.isDir()) {
            break;
        }
        missing << outcome.path;
        if (missing.size() >= queued) {
            outcome.result = StepResult::AllMissing;
            outcome.missing = missing.size();
            return outcome;
        }
    }
    for (const QString &path : std::as_const(missing)) {
        OvraLog(kLogItemInvalid.arg(path));
    }
    Predecoded ahead;
    {
        // Taken whether it fits or not: it is held for one step at most.
        const std::lock_guard lock(predecodedLock_);
        std::swap(ahead, predecoded_);
    }
    // The same name and size may be another customer's photo by now.
    if (!ahead.image.isNull() && ahead.path == outcome.path && ahead.size == decodeSize &&
        ahead.file && ahead.file == FileIdentity::of(outcome.path)) {
        outcome.image = std::move(ahead.image);
    } else {
        outcome.image = getNSImageFromFilePath(outcome.path, decodeSize);
    }
    outcome.result = outcome.image.isNull() ? StepResult::Unreadable : StepResult::Show;
    return outcome;
}

void slideShowWindowController::finishStep(const StepOutcome &outcome)
{
    switch (outcome.result) {
    case StepResult::EmptyQueue:
        doSuspendSlideShow = true;
        broadcastSlideShowStatus();
        OvraLog(kLogNoPathSetForSlideShow);
        isInsideSlideShowLoop = false;
        emit slideShowEnded();
        return;
    case StepResult::NoFolder:
        OvraLog(kLogNoPathSetForSlideShow);
        playerState_->setStatus(RoomPlayerState::Status::Stopped);
        isInsideSlideShowLoop = false;
        emit slideShowEnded();
        return;
    case StepResult::NothingToShow:
        endOfStep();
        return;
    case StepResult::AllMissing:
        OvraLog(kLogNoQueuedPhotoExists.arg(who(), QStringLiteral("startSlideShow"))
                    .arg(outcome.missing));
        emit photosMissing();
        waitDelayThenEnd(kMissingPhotosRetrySeconds);
        return;
    case StepResult::Unreadable:
        OvraLog(kLogNextItemPathIs.arg(outcome.path));
        waitDelayThenEnd();
        return;
    case StepResult::Show:
        showStepImage(outcome);
        waitDelayThenEnd();
        return;
    }
}

void slideShowWindowController::showStepImage(const StepOutcome &outcome)
{
    Preferences *store = Preferences::standardUserDefaults();
    const QString mode = store->stringForKey(kPrefUseTransitionMode);
    if (mode.isEmpty() || mode.compare(kTransitionModeNone, Qt::CaseInsensitive) == 0) {
        slideView_->doHide(true);
        ibZoomedInView->setImage(outcome.image);
    } else {
        if (mode.compare(kTransitionModeRandom, Qt::CaseInsensitive) == 0) {
            const QStringList styles = store->stringArrayForKey(kPrefAvailTransitionStyles);
            const qint32 draw = fRandomNumGenerator->getNextRandomNumber(1);
            const qsizetype i = transitionIndexForDraw(draw, styles.size());
            if (i < styles.size()) {
                setTransitionStyle(styles.at(i));
            }
        }
        slideView_->doHide(false);
        slideView_->transitionToImage(outcome.image);
    }
    ibZoomedInTextField->setText(captionForPath(outcome.path));
    updatePlayerStatus();
    playerState_->photoShown(outcome.path);
    emit slideShown(outcome.path);
}

double slideShowWindowController::slideDelay() const
{
    if (!fParameterDictionary.contains(kRoleSlideShowDelay)) {
        return fDelay;
    }
    return Preferences::standardUserDefaults()->floatForKey(roleKey(kRoleSlideShowDelay));
}

void slideShowWindowController::waitDelayThenEnd(double atLeastSeconds)
{
    const double seconds = std::clamp(slideDelay(), atLeastSeconds, 24.0 * 3600.0);
    delayTimer_.start(static_cast<int>(seconds * 1000.0));
}

void slideShowWindowController::endOfStep()
{
    if (doSuspendSlideShow) {
        OvraLog(kLogForcingSlideShowEnd.arg(who(), QStringLiteral("endOfStep")));
        ibZoomedInView->setImage(QImage());
        isInsideSlideShowLoop = false;
        emit slideShowEnded();
        return;
    }
    isInsideSlideShowLoop = false;
    QMetaObject::invokeMethod(this, &slideShowWindowController::startSlideShow,
                              Qt::QueuedConnection);
}

void slideShowWindowController::handleSlideTestNotification(const Notification &)
{
    showNextQueuedPhoto();
}

void slideShowWindowController::showNextQueuedPhoto()
{
    const QString path = slideShowQueue.getNextObject();
    const QImage image = getNSImageFromFilePath(path, window_->size());
    if (image.isNull()) {
        OvraLog(kLogNextItemPathIs.arg(path));
        return;
    }
    slideView_->transitionToImage(image);
    playerState_->photoShown(path);
}

void slideShowWindowController::setTransitionStyle(const QString &name)
{
    if (name == transitionStyle_ && !transitionStyle_.isNull()) {
        return;
    }
    transitionStyle_ = name;
    slideView_->updateSubviewsWithTransition(name);
}

QImage slideShowWindowController::getNSImageFromFilePath(const QString &path, QSize maxSize)
{
    QString expanded = path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/"))) {
        expanded.replace(0, 1, QDir::homePath());
    }
    if (!QUrl::fromLocalFile(expanded).isValid()) {
        OvraLog(kLogMyUrlIsNil);
    }
    if (expanded.isEmpty()) {
        return {};
    }
    // A photo being copied over reads as a JPEG filled up with grey.
    QFile file(expanded);
    if (file.open(QIODevice::ReadOnly) && file.peek(2) == QByteArray("\xFF\xD8", 2) &&
        !jpegHasEndOfImage(file)) {
        OvraLog(kLogPhotoIncomplete.arg(expanded));
        return {};
    }
    file.close();
    return readImage(expanded, maxSize);
}

QString slideShowWindowController::captionForPath(const QString &path)
{
    return QFileInfo(path).completeBaseName().remove(kOverlayFileMarker);
}

qsizetype slideShowWindowController::transitionIndexForDraw(qint32 draw, qsizetype count)
{
    const qsizetype hi = count > 0 ? count - 1 : 0;
    return std::max<qsizetype>(0, std::min<qsizetype>(hi, draw));
}
