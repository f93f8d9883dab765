#pragma once

#include "shell/LocalFolderPaths.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <memory>
#include <vector>

class BarcodeEntryController;
class Bundle;
class DistributedNotificationCenter;
class OvraPhotoQueryController;
class Preferences;
class SingleInstance;
class slideShowWindowController;
struct Notification;

// The application's delegate: owns everything that lives for the whole run and
// brings the kiosk up in its fixed order. Its work is spread over several
// files, one per area (AppDelegate*.cpp).
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // Runs the kiosk until it quits; the process exit code. A refused second
    // instance answers 0 at once.
    int run();

    // ---- class operations (once per process, before any window exists)
    // False when another instance runs: this process must end.
    static bool initialize();
    static bool checkForDuplicateRunningInstances();
    // The claim on being the only kiosk, held for the whole process.
    static SingleInstance *singleInstance();
    // Seeds the store: factory file registered, forced file persisted.
    static void setupFactoryDefaults(Preferences &store, const Bundle &bundle);
    // Derives the local folder paths; migrates the old data folder once.
    static LocalFolderPaths fixHeaderStrings(const Bundle &bundle);
    static void clearAllOurPrefs(Preferences &store);
    static const LocalFolderPaths &localFolderPaths();

    // ---- values forced at every launch
    // The five transition choices, and the fixed style corrected into them.
    static void forceTransitionChoices(Preferences &store);
    // "prefNSScreenIndex" 1..7 back to "none detected".
    static void resetScreenIndexKeys(Preferences &store);
    // Old log files removed, keeping "prefDaysToSaveLogs" days.
    static void deleteOldLogs(Preferences &store);

    // ---- launch
    void awakeFromNib();
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void applicationWillBecomeActive();
    void applicationDidChangeScreenParameters();
    void applicationWillTerminate();
    static void performStartupValidation();
    // Moves the photo-store root into the factory root F and adopts F.
    void moveItemsToDefaultFolder(const QString &destination);
    void initializeAndStartSequence();
    void setupWindowControllers();
    bool validatePrefs();
    bool createSlideShowFolderPaths();
    void startSequence(int which);

    // ---- notifications
    void setupNotifications();
    void handleDistNotification(const Notification &notification);

    // ---- timers and relaunch
    void setupWatchdogTimer();
    void watchdogTimerFired();
    void setupAutoRelaunchTimer();
    void autoRelaunchTimerFired();
    void setupAutoBringToFront();
    void autoBringToFrontTimerFired();
    void relaunchApp(const QVariant &param);
    // The next 06:05 after `now` (today's unless now is already past it).
    static QDateTime relaunchTriggerDate(const QDateTime &now);
    // Starts the relaunch helper and quits; false (and stays up) when the
    // helper cannot be started.
    static bool relaunch(const QVariant &info);

    // The transition menu's items: "Random", a separator (empty), the choices.
    static QStringList transitionMenuItems(const Preferences &store);

    // ---- state
    const std::vector<std::unique_ptr<slideShowWindowController>> &
    slideShowWindowControllerList() const
    {
        return _slideShowWindowControllerList;
    }
    BarcodeEntryController *barcodeController() const { return fBarcodeController.get(); }
    QTimer *watchdogTimer() const { return _testTimer.get(); }
    QTimer *relaunchTimer() const { return relaunchTimer_.get(); }
    bool menuBarVisible() const { return menuBarVisible_; }

private:
    void bringToFront();
    void installSignalHandlers();

    std::vector<std::unique_ptr<slideShowWindowController>> _slideShowWindowControllerList;
    QStringList _localMasterSlideShowFileList;
    qint64 _maxCountOfPhotosInLocalSlideShowFolder = 0;
    std::unique_ptr<QTimer> _testTimer;
    QVariantMap testTimerUserInfo_;
    std::unique_ptr<QTimer> relaunchTimer_;
    std::unique_ptr<QTimer> bringToFrontTimer_;
    std::unique_ptr<OvraPhotoQueryController> _photoQuery;
    std::unique_ptr<BarcodeEntryController> fBarcodeController;
    std::unique_ptr<DistributedNotificationCenter> distributedCenter_;
    QStringList transitionMenu_;
    bool menuBarVisible_ = true;
    bool launched_ = false;
    bool terminated_ = false;
};
