#include "slideshow/slideShowWindowController.h"

#include "intake/OvraPhotoQueryController.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "platform/ThreadHandoff.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/RoomMediaPlayer.h"
#include "slideshow/RoomPlayerState.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/borderlessWindow.h"
#include "slideshow/zoomedInNSImageView.h"
#include "support/FolderReference.h"
#include "support/MyAliasKit.h"
#include "ui_slideShowWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

slideShowWindowController::slideShowWindowController(int index, QObject *parent)
    : QObject(parent), photoQuery(std::make_unique<OvraPhotoQueryController>())
{
    // Steps and queue fills may overlap; steps never overlap each other.
    workers_.setMaxThreadCount(2);
    delayTimer_.setSingleShot(true);
    connect(&delayTimer_, &QTimer::timeout, this, &slideShowWindowController::endOfStep);
    autoStartTimer_.setSingleShot(true);
    autoStartTimer_.setInterval(kAutoStartDelayMs);
    connect(&autoStartTimer_, &QTimer::timeout, this, &slideShowWindowController::autoStartFired);
    buildWindow();
    observeNotifications();
    observePreferences();

    setupParametersForIndex(index);
    setScreenIndex(index);
    playerState_ = std::make_unique<RoomPlayerState>(index + 1);
    playerState_->setRoomName(Preferences::standardUserDefaults()->stringForKey(
        PreferenceKeys::displayNameKey(index + 1)));
    awakeFromNib();
    // Every display window, the main screen's too, stays frameless at the
    // normal level and can be resized; its views follow its size.
    connect(window_.get(), &borderlessWindow::resized, this,
            &slideShowWindowController::followWindowSize);
    resizeSelfToParent();
    showHideThisWindow();
    if (window_->isVisible()) {
        // The scanner's keys reach the kiosk at once, not only when the
        // bring-to-front timer first fires. Just shown, it is on top already:
        // raising it would also raise the OpenGL view's own window over the
        // caption's.
        window_->activateWindow();
    }
    setupIdentifyWindow();
    offerMediaPlayer();
    QMetaObject::invokeMethod(
        this, [this] { slideView_->resizeSelfToParent(); }, Qt::QueuedConnection);
    // Queued: a removed screen may still be listed while its signal is out.
    connect(qGuiApp, &QGuiApplication::screenAdded, this,
            &slideShowWindowController::handleScreenDidChange, Qt::QueuedConnection);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            &slideShowWindowController::handleScreenDidChange, Qt::QueuedConnection);
}

slideShowWindowController::~slideShowWindowController()
{
    player_.reset(); // off the bus before anything it commands goes
    doSuspendSlideShow = true;
    NotificationCenter::defaultCenter()->removeObserver(this);
    slideShowQueue.reset();
    workers_.waitForDone();
    // What the finished tasks wrote (the predecoded photo) is torn down here.
    ThreadHandoff::acquire(&workers_);
}

QWidget *slideShowWindowController::window() const
{
    return window_.get();
}

void slideShowWindowController::buildWindow()
{
    window_ = std::make_unique<borderlessWindow>();
    ui_ = std::make_unique<Ui::slideShowWindow>();
    ui_->setupUi(window_.get());
    slideView_ = ui_->slideView;
    ibZoomedInView = ui_->ibZoomedInView;
    // A set-up aid of the room-name binding; the console edits the name.
    ibScreenInfoTextField = ui_->ibScreenInfoTextField;
    ibChildPanel = ui_->ibChildPanel;
    // A caption strip rather than text on the photo: over the OpenGL view's
    // native window only another native window shows, and without a
    // compositor such a window cannot be see-through.
    QPalette strip = ibChildPanel->palette();
    strip.setColor(QPalette::Window, Qt::black);
    ibChildPanel->setPalette(strip);
    ibChildPanel->setAutoFillBackground(true);
    ibZoomedInTextField = ui_->ibZoomedInTextField;
}

void slideShowWindowController::awakeFromNib()
{
    Preferences *store = Preferences::standardUserDefaults();
    fRandomNumGenerator = std::make_unique<randomNumberGenerator>();
    fRandomNumGenerator->setupRandomNumberGeneratorWithPhotos(
        kTagAllPhotos, kTagRandom,
        static_cast<qint32>(store->arrayForKey(kPrefAvailTransitionStyles).size()));
    setTransitionStyle(store->stringForKey(kPrefTransitionStyle));
    setChildWindowPosition();
    ibChildPanel->raise();
    ibChildPanel->setVisible(store->boolForKey(kPrefShowPhotoWithFilename));
}

void slideShowWindowController::setRandomSource(randomNumberGenerator::RandomSource source)
{
    const qint32 maximum = fRandomNumGenerator->maximum();
    fRandomNumGenerator = std::make_unique<randomNumberGenerator>(std::move(source));
    fRandomNumGenerator->setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, maximum);
}

void slideShowWindowController::observeNotifications()
{
    NotificationCenter *center = NotificationCenter::defaultCenter();
    center->addObserver(this, kSlideShowParamChanged, [this](const Notification &n) {
        handleSlideShowParamChangedNotification(n);
    });
    center->addObserver(this, kSlideShowToggleShow, [this](const Notification &n) {
        handleSlideShowParamToggleShowNotification(n);
    });
    center->addObserver(this, kRequestSlideShowStatus, [this](const Notification &n) {
        handleSlideShowRequestStatusNotification(n);
    });
    center->addObserver(this, kSlideShowToggleTest,
                        [this](const Notification &n) { handleSlideTestNotification(n); });
    center->addObserver(this, kSlideShowChangeTransitionStyle, [this](const Notification &) {
        setTransitionStyle(Preferences::standardUserDefaults()->stringForKey(kPrefTransitionStyle));
    });
    center->addObserver(this, kSlideShowBroadcast, [this](const Notification &n) {
        OvraLog(kLogControllerEvent.arg(who(), QStringLiteral("handleBroadcastNotification"),
                                        QVariant(n.userInfo).toString()));
    });
    center->addObserver(this, kCloseZoomedInWindow, [this](const Notification &) {
        OvraLog(
            kLogControllerEvent.arg(who(), QStringLiteral("handleCloseZoomedInWindow"), QString()));
    });
    center->addObserver(this, kWorkingFolderActivated, [this](const Notification &n) {
        workingFolderCode_ = n.userInfo.value(kKeyCode).toString();
        workingFolderPath_ = n.userInfo.value(kKeySourcePath).toString();
    });
    center->addObserver(this, kApplicationDidChangeScreenParameters,
                        [this](const Notification &) { handleScreenDidChange(); });
    // No movie player is ever installed, so the end of a movie concerns no display.
    center->addObserver(this, kOvraQTMovieDidEnd, [](const Notification &) {});
}

void slideShowWindowController::observePreferences()
{
    connect(
        Preferences::standardUserDefaults(), &Preferences::valueChanged, this,
        [this](const QString &key, const QVariant &value) {
            if (key == kPrefShowPhotoWithFilename) {
                ibChildPanel->setVisible(value.toBool());
            } else if (key == kPrefDoShowMenuBar) {
                // Display windows hide the pointer while the menu bar is hidden.
                if (value.toBool()) {
                    window_->unsetCursor();
                } else {
                    window_->setCursor(Qt::BlankCursor);
                }
                resizeSelfToParent();
            } else if (key == PreferenceKeys::displayNameKey(fScreenIndex + 1)) {
                playerState_->setRoomName(value.toString());
            }
        },
        Qt::QueuedConnection);
}

void slideShowWindowController::setupParametersForIndex(int index)
{
    fParameterDictionary = PreferenceKeys::roleTableForDisplay(index + 1);
}

QString slideShowWindowController::roleKey(const QString &role) const
{
    return fParameterDictionary.value(role).toString();
}

void slideShowWindowController::setScreenIndex(int index)
{
    fScreenIndex = index;
    window_->setObjectName(kSlideShowWindowLayout + QString::number(index + 1));
    Preferences::standardUserDefaults()->setInteger(
        index + 1, PreferenceKeys::perDisplayKey(kPrefNSScreenIndex, index + 1));
}

void slideShowWindowController::resizeSelfToParent()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (fScreenIndex < 0 || fScreenIndex >= screens.size()) {
        return;
    }
    QScreen *screen = screens.at(fScreenIndex);
    window_->setScreen(screen);
    window_->setGeometry(window_->isFullScreen() ? screen->geometry()
                                                 : screen->availableGeometry());
    followWindowSize();
}

void slideShowWindowController::followWindowSize()
{
    slideView_->resizeSelfToParent();
    ibZoomedInView->resizeSelfToParent();
    setChildWindowPosition();
}

void slideShowWindowController::setChildWindowPosition()
{
    // Along the bottom edge of the display, over the photo.
    const int height = ibChildPanel->height();
    ibChildPanel->setGeometry(0, window_->height() - height, window_->width(), height);
}

void slideShowWindowController::keepCaptionAbovePhoto()
{
    if (!slideView_->usesOpenGL() || ibChildPanel->testAttribute(Qt::WA_NativeWindow)) {
        return;
    }
    // Made native once the OpenGL window exists, so that it is stacked above
    // it. Its siblings stay plain: a native plain-image view would cover the
    // photo.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    ibChildPanel->setAttribute(Qt::WA_NativeWindow);
}

void slideShowWindowController::showHideThisWindow()
{
    const qsizetype count = QGuiApplication::screens().size();
    if (fScreenIndex >= count) {
        // Its screen is gone: the window hides, the slideshow runs on.
        window_->hide();
    } else if (count < 2 || fScreenIndex != 0) {
        resizeSelfToParent();
        if (fScreenIndex != 0) {
            // Under a window manager only the full-screen state keeps a room
            // over its whole monitor, above panels and docks.
            window_->coverScreen(QGuiApplication::screens().at(fScreenIndex));
        } else {
            window_->show();
        }
        keepCaptionAbovePhoto();
    } else {
        window_->hide();
    }
}

void slideShowWindowController::handleScreenDidChange()
{
    showHideThisWindow();
    offerMediaPlayer();
}

// Every screen that plays is a room on the bus; the operator's screen is not.
void slideShowWindowController::offerMediaPlayer()
{
    if (!screensAllowPlaying()) {
        player_.reset();
        return;
    }
    if (player_) {
        return;
    }
    RoomMediaPlayer::Commands commands;
    commands.play = [this] {
        if (doSuspendSlideShow) {
            toggleShow();
        }
    };
    commands.pause = [this] {
        if (!doSuspendSlideShow) {
            toggleShow();
        }
    };
    commands.stop = commands.pause;
    commands.playPause = [this] {
        toggleShow();
    };
    commands.next = [this] {
        showNextQueuedPhoto();
    };
    player_ = std::make_unique<RoomMediaPlayer>(playerState_.get(), std::move(commands));
    if (!player_->isOffered()) {
        player_.reset();
    }
}

void slideShowWindowController::updatePlayerStatus()
{
    using Status = RoomPlayerState::Status;
    playerState_->setStatus(fSourcePath.isEmpty() ? Status::Stopped
                            : doSuspendSlideShow  ? Status::Paused
                                                  : Status::Playing);
}

bool slideShowWindowController::screensAllowPlaying() const
{
    return fScreenIndex != 0 || QGuiApplication::screens().size() == 1;
}

void slideShowWindowController::broadcastSlideShowStatus()
{
    updatePlayerStatus();
    NotificationCenter::defaultCenter()->postNotificationName(
        kSlideShowStatus, QVariant(),
        {{kKeyMesg, doSuspendSlideShow ? kMesgSlideShowNotRunning : kMesgSlideShowRunning},
         {kKeyScreenIndex, fScreenIndex}});
}

void slideShowWindowController::postCodeStatus(const QString &code, const QString &codeStatus,
                                               bool playing)
{
    NotificationCenter::defaultCenter()->postNotificationName(kSlideShowStatus, QVariant(),
                                                              {{kKeyCode, code},
                                                               {kKeyCodeStatus, codeStatus},
                                                               {kKeyScreenIsPlaying, playing},
                                                               {kKeyScreenIndex, fScreenIndex}});
}

void slideShowWindowController::handleSlideShowParamChangedNotification(const Notification &note)
{
    const QString op = QStringLiteral("handleSlideShowParamChangedNotification");
    if (note.userInfo.isEmpty() || note.userInfo.value(kKeyScreenIndex).toInt() != fScreenIndex) {
        OvraLog(kLogNotForUs.arg(who(), op));
        return;
    }
    // A new activation may have put other photos under the same names.
    dropLookAhead();
    Preferences *store = Preferences::standardUserDefaults();
    const QString k1 = roleKey(kRoleSlideShowPath);
    const QString k2 = roleKey(kRoleSlideShowPathAliasData);
    const QString k3 = roleKey(kRoleSlideShowPathAliasDataIsValid);
    const QString path = note.userInfo.value(kKeySourcePath).toString();
    if (!path.isEmpty() && !fSourcePath.isEmpty() &&
        path.compare(fSourcePath, Qt::CaseInsensitive) != 0) {
        slideShowQueue.reset();
    }
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        store->setObject(path, k1);
        store->setBool(true, k3);
        MyAliasKit::savePath(path, k2, store);
        if (!fSourcePath.isEmpty()) {
            const QString oldCode = QFileInfo(fSourcePath).fileName();
            postCodeStatus(oldCode, oldCode, false);
        }
        fSourcePath = path;
        const QString code = QFileInfo(path).fileName();
        // A typed code plays from the working folder under the folder's name.
        playerState_->setCode(!workingFolderPath_.isEmpty() &&
                                      QFileInfo(path) == QFileInfo(workingFolderPath_)
                                  ? workingFolderCode_
                                  : code);
        updatePlayerStatus();
        const QVariant name = store->objectForKey(PreferenceKeys::displayNameKey(fScreenIndex + 1));
        postCodeStatus(
            code,
            kCodeStatusFormat.arg(code, name.isValid() ? name.toString() : kMissingObjectText),
            true);
    } else {
        OvraLog(kLogSourcePathIsNil.arg(who(), op));
    }
    const QVariantMap descriptor{
        {kPrefFolderNameKey, k1}, {kPrefFolderAliasDataKey, k2}, {kPrefFolderNameIsValidKey, k3}};
    if (!validateFolderPrefWithParam(descriptor, store)) {
        OvraLog(kLogFolderNotValid.arg(who(), op, k1));
    }
    rebuildList(path);
}

void slideShowWindowController::handleSlideShowParamToggleShowNotification(const Notification &note)
{
    if (note.userInfo.isEmpty()) {
        return;
    }
    if (note.userInfo.value(kKeyScreenIndex).toInt() != fScreenIndex) {
        OvraLog(
            kLogNotForUs.arg(who(), QStringLiteral("handleSlideShowParamToggleShowNotification")));
        return;
    }
    toggleShow();
}

void slideShowWindowController::toggleShow()
{
    if (doSuspendSlideShow) {
        doSuspendSlideShow = false;
        startSequence();
    } else {
        doSuspendSlideShow = true;
    }
    broadcastSlideShowStatus();
}

void slideShowWindowController::handleSlideShowRequestStatusNotification(const Notification &note)
{
    if (!note.userInfo.contains(kKeyScreenIndex)) {
        return;
    }
    const int index = note.userInfo.value(kKeyScreenIndex).toInt();
    if (index == -1 || index == fScreenIndex) {
        broadcastSlideShowStatus();
    }
}

void slideShowWindowController::rebuildList(const QString &)
{
    setupAndStartQuery();
}

void slideShowWindowController::setupAndStartQuery()
{
    if (queryStarted) {
        OvraLog(kLogAnotherInProgress.arg(who(), QStringLiteral("setupAndStartQuery")));
        queryWanted_ = true;
        return;
    }
    if (fSourcePath.isEmpty() || !QFileInfo::exists(fSourcePath)) {
        return;
    }
    queryStarted = true;
    queryWanted_ = false;
    queryPath_ = fSourcePath;
    photoQuery->startSearchActionWithParam({{kKeySearchPath, fSourcePath},
                                            {kKeySearchKey, QStringList{kSearchKeyAll}},
                                            {kKeyDelegate, searchDelegateValue(this)}});
}

void slideShowWindowController::doneSearchOperation(OvraPhotoQueryController *query,
                                                    const QVariantMap &)
{
    queryStarted = false;
    // Another customer's photos when the display moved to a new code meanwhile.
    const bool stale = queryPath_.compare(fSourcePath, Qt::CaseInsensitive) != 0;
    const QStringList found = query && !stale ? query->response() : QStringList();
    if (queryWanted_ || stale) {
        setupAndStartQuery();
    }
    if (found.isEmpty()) {
        return;
    }
    ++fillsRunning_;
    // The queue's generation now, not when a worker is free: a reset for the
    // next code may come first.
    const quint64 generation = slideShowQueue.generation();
    workers_.start(ThreadHandoff::handedOver([this, found, generation, size = stepDecodeSize()] {
        slideShowQueue.addToQueueInThread(found, generation);
        predecodeNext(size);
        const auto filled = [this] {
            --fillsRunning_;
            if (fillsRunning_ == 0 && autoStartWaitsForFill_) {
                autoStartWaitsForFill_ = false;
                doAutoStartQueue();
            }
        };
        QMetaObject::invokeMethod(this, ThreadHandoff::handedOver(filled), Qt::QueuedConnection);
        ThreadHandoff::release(&workers_);
    }));
    autoStartTimer_.start();
}

// Large photos can take longer to check than the auto start waits: a first
// step on a still empty queue would suspend the display for good, so the
// start then waits for the queue to be filled.
void slideShowWindowController::autoStartFired()
{
    if (slideShowQueue.isEmpty() && fillsRunning_ > 0) {
        autoStartWaitsForFill_ = true;
        return;
    }
    doAutoStartQueue();
}
