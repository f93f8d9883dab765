#pragma once

#include "intake/OvraSearchDelegate.h"
#include "slideshow/OvraQueue.h"
#include "slideshow/randomNumberGenerator.h"
#include "support/FileIdentity.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class OvraPhotoQueryController;
class QLabel;
class QLineEdit;
class QWidget;
class RoomMediaPlayer;
class RoomPlayerState;
class SlideshowView;
class borderlessWindow;
class zoomedInNSImageView;
struct Notification;
namespace Ui {
class slideShowWindow;
}

// One display ("room"): its window on screen `index`, its slide queue and its
// slideshow loop, driven by local notifications. A slide step decodes the next
// photo at the window's size on the controller's own worker thread and hands
// it to the view on the main thread; the delay then runs on a main-thread
// timer, so a suspend takes effect when the current delay ends.
class slideShowWindowController : public QObject, public OvraSearchDelegate
{
    Q_OBJECT
public:
    // initWithIndex: the controller of screen `index` (0-based, launch order).
    explicit slideShowWindowController(int index, QObject *parent = nullptr);
    ~slideShowWindowController() override;

    int screenIndex() const { return fScreenIndex; }
    QWidget *window() const;

    void setupParametersForIndex(int index);
    void setScreenIndex(int index);
    void resizeSelfToParent();
    void setChildWindowPosition();
    void showHideThisWindow();

    void startSequence();
    void startSlideShow();
    void doAutoStartQueue();
    void rebuildList(const QString &path);
    void setupAndStartQuery();
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) override;
    void broadcastSlideShowStatus();
    // Suspends a running display or resumes a suspended one, then broadcasts.
    void toggleShow();
    // Shows the next queued photo at once, whatever the delay.
    void showNextQueuedPhoto();
    void setTransitionStyle(const QString &name);
    void startMovie();

    // Identification of the display (room name or "SCREEN n of m").
    void setupIdentifyWindow();
    void identify();

    // The photo at path, upright and at most maxSize; null when unreadable.
    static QImage getNSImageFromFilePath(const QString &path, QSize maxSize = {});
    // The caption of a photo: its file name without extension, "_overlay" removed.
    static QString captionForPath(const QString &path);
    // The transition index a random draw picks among count styles.
    static qsizetype transitionIndexForDraw(qint32 draw, qsizetype count);

    // State, for the console and for tests.
    QString sourcePath() const { return fSourcePath; }
    bool isSuspended() const { return doSuspendSlideShow.load(); }
    bool isInsideLoop() const { return isInsideSlideShowLoop.load(); }
    bool isQueryStarted() const { return queryStarted; }
    bool isMoviePlaying() const { return moviePlayed_; }
    QString transitionStyle() const { return transitionStyle_; }
    QVariantMap parameterDictionary() const { return fParameterDictionary; }
    OvraQueue &queue() { return slideShowQueue; }
    const RoomPlayerState &playerState() const { return *playerState_; }
    // The room as a media player on the session bus; null for the operator's
    // screen, and when no bus is there.
    const RoomMediaPlayer *mediaPlayer() const { return player_.get(); }
    SlideshowView *slideView() const { return slideView_; }
    zoomedInNSImageView *zoomedInView() const { return ibZoomedInView; }
    QLabel *captionField() const { return ibZoomedInTextField; }
    QWidget *captionPanel() const { return ibChildPanel; }
    QWidget *identifyWindow() const { return ibIdentifyWindow.get(); }
    QLabel *identifyLabel() const { return ibIdentifyInfoTextField2; }
    QLineEdit *screenInfoField() const { return ibScreenInfoTextField; }
    // Replaces where the transition chooser draws from (same set-up).
    void setRandomSource(randomNumberGenerator::RandomSource source);

signals:
    // A slide step handed a photo to the screen (path of the photo).
    void slideShown(const QString &path);
    // The step chain ended and no next step is requested (suspended or halted).
    void slideShowEnded();
    // A step found none of the queued photos on disk; the display keeps
    // running and tries again after its delay.
    void photosMissing();
    // The identify overlay was ordered out.
    void identifyEnded();

private:
    void keepCaptionAbovePhoto();
    enum class StepResult { EmptyQueue, NoFolder, NothingToShow, AllMissing, Unreadable, Show };
    struct StepOutcome
    {
        StepResult result = StepResult::NothingToShow;
        QString path;
        QImage image;
        qsizetype missing = 0; // AllMissing: how many queued photos are gone
    };

    void awakeFromNib();
    void buildWindow();
    void observeNotifications();
    void observePreferences();
    QString roleKey(const QString &role) const;
    QString who() const
    {
        return QStringLiteral("slideShowWindowController[%1]").arg(fScreenIndex);
    }
    bool screensAllowPlaying() const;

    QSize stepDecodeSize() const;
    void predecodeNext(QSize decodeSize);
    StepOutcome runStepBody(QSize decodeSize);
    void finishStep(const StepOutcome &outcome);
    void showStepImage(const StepOutcome &outcome);
    void waitDelayThenEnd(double atLeastSeconds = 0.0);
    void followWindowSize();
    void autoStartFired();
    void endOfStep();
    double slideDelay() const;

    void handleSlideShowParamChangedNotification(const Notification &note);
    void handleSlideShowParamToggleShowNotification(const Notification &note);
    void handleSlideShowRequestStatusNotification(const Notification &note);
    void handleSlideTestNotification(const Notification &note);
    void handleScreenDidChange();
    void postCodeStatus(const QString &code, const QString &codeStatus, bool playing);
    void flashIdentify(int remaining, bool on);
    void updatePlayerStatus();
    void offerMediaPlayer();

    int fScreenIndex = 0;
    QVariantMap fParameterDictionary;
    QString fSourcePath;
    double fDelay = 0.0;
    std::atomic<bool> doSuspendSlideShow{false};
    std::atomic<bool> isInsideSlideShowLoop{false};
    bool queryStarted = false;
    // The folder the running search looks in, and whether another search was
    // asked for meanwhile: a search for a folder the display has left must not
    // fill its queue, and the one asked for must still run.
    QString queryPath_;
    bool queryWanted_ = false;
    bool moviePlayed_ = false;
    QString transitionStyle_;

    OvraQueue slideShowQueue;
    std::unique_ptr<randomNumberGenerator> fRandomNumGenerator;
    std::unique_ptr<OvraPhotoQueryController> photoQuery;
    std::unique_ptr<borderlessWindow> window_;
    std::unique_ptr<Ui::slideShowWindow> ui_; // the window's content
    std::unique_ptr<QWidget> ibIdentifyWindow;
    SlideshowView *slideView_ = nullptr;           // owned by window_
    zoomedInNSImageView *ibZoomedInView = nullptr; // owned by window_
    QWidget *ibChildPanel = nullptr;               // owned by window_
    QLabel *ibZoomedInTextField = nullptr;         // owned by ibChildPanel
    QLineEdit *ibScreenInfoTextField = nullptr;    // owned by window_
    QLabel *ibIdentifyInfoTextField2 = nullptr;    // owned by ibIdentifyWindow
    QTimer delayTimer_;
    QTimer autoStartTimer_;
    // The next photo of a freshly filled queue, decoded while the auto start
    // waits; taken by the step that shows it, and only while its file is the
    // one decoded: camera file names repeat between customers.
    struct Predecoded
    {
        QString path;
        QSize size;
        std::optional<FileIdentity> file;
        QImage image;
    };
    void dropLookAhead();
    std::mutex predecodedLock_;
    Predecoded predecoded_;
    quint64 lookAheadGeneration_ = 0; // under predecodedLock_; moved on by every drop
    int fillsRunning_ = 0;            // main thread only
    bool autoStartWaitsForFill_ = false;
    // The code last copied into the working folder, and that folder: a room
    // playing it plays that code.
    QString workingFolderCode_;
    QString workingFolderPath_;
    std::unique_ptr<RoomPlayerState> playerState_;
    std::unique_ptr<RoomMediaPlayer> player_; // after the state it reads
    // Steps and queue fills run here; last member, so it drains first.
    QThreadPool workers_;
};
