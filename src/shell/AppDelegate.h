#pragma once

#include "console/MainWindowDelegate.h"
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
class OperatorDialogs;
class PrefWindowController;
class SelectDisplayWindowController;
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
class AppDelegate : public QObject, public MainWindowDelegate
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
    // "prefDoShowMenuBar" changed shows or hides the console's menu bar.
    void observeMenuBarSetting();
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
    // helper cannot be started. Under the systemd unit it quits with the
    // restart status instead and the unit starts the kiosk again.
    static bool relaunch(const QVariant &info);

    // The transition menu's items: "Random", a separator (empty), the choices.
    static QStringList transitionMenuItems(const Preferences &store);

    // ---- operator commands (AppDelegateCommands.cpp)
    // Commands of the settings window; each takes the control that sent it.
    void openPrefs(QObject *sender) override;
    void closePrefs(QObject *sender);
    void sheetDidEnd(int returnCode);
    // The photo-store root changes only behind the folder password.
    void selectFolder(QObject *sender);
    void continuePasswordWindow(QObject *sender);
    void cancelPasswordWindow(QObject *sender);
    void passwordSheetDidEnd(int returnCode, const QVariantMap &contextInfo);
    void selectSlideShowFolder(QObject *sender);
    void selectItem(QObject *sender);
    void doNSOpenPanelWithParameters(const QVariantMap &parameters);
    // contextInfo: the panel's parameters; none when the panel lost them.
    void openPanelDidEndNew(int returnCode, const QStringList &paths,
                            const std::optional<QVariantMap> &contextInfo);
    // Toggles the console's menu bar as it is now (the setting stays).
    void showMenu(QObject *sender);
    // Shows or hides the console's menu bar.
    void setMenuBarVisible(bool visible);
    void doIdentifyAll(QObject *sender);
    void doIdentify(QObject *sender);
    void doStopSlideShow(QObject *sender);
    void doChangeTransitionStyle(QObject *sender);
    // Stores a transition menu title as the mode and style the displays use.
    void chooseTransition(const QString &title);
    void returnToMain();
    void doRevealInFinder(QObject *sender);
    void tabView(QObject *tabView, int didSelectTabViewItem);
    void doForceRedraw(QObject *sender);
    // i < 0: every display; an index without a display: nothing.
    void identifyScreen(int i);
    static QString getTwoDigitDay();
    // The password the folder chooser asks for at this moment.
    static QString folderPassword();

    // ---- operator commands: the customer table (AppDelegateCustomers.cpp)
    std::optional<QString> getSlideshowWindowName(const QString &code) override;
    // Null without a root, or for a code that is no single folder name.
    QString formPathForCode(const QString &code, const QString &withDailyFolder) const;
    void doClickOnTableView(QObject *sender);
    void doDoubleClickOnTableView(QObject *sender);
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param);
    // Fills the customer table with the code folders of today's folder.
    void reloadCustomerTable();

    // ---- operator commands: wiring and test seams
    // The application's commands, made on first use and offered by every window.
    class AppCommands &commands();
    // The settings window, made on first use.
    PrefWindowController *prefWindow();
    SelectDisplayWindowController *selectDisplayWindowController() const;
    // Panels, alerts, beeps and the file manager; tests install their own.
    void setOperatorDialogs(const OperatorDialogs &dialogs);
    // Tests: displays made elsewhere, in screen order.
    void adoptSlideShowWindowControllers(
        std::vector<std::unique_ptr<slideShowWindowController>> controllers);

    // ---- console (AppDelegateConsole.cpp)
    // Step 11 of the launch: the operator's console when "prefAlwaysShowMainWindow"
    // is set, with this delegate as its delegate, centred on the operator's
    // screen shortly after.
    void openMainWindowIfWanted();
    class MainWindowController *mainWindowController() const { return mainWindowController_.get(); }

    // ---- local master folder and watcher (AppDelegateWatcher.cpp)
    // The local master folder's scan with the delegate's cap; always true.
    bool checkInsideLocalSlideShowFolder(const QVariant &param = QVariant());
    // The scan as the body of a worker thread.
    void checkInsideLocalSlideShowFolderInThread(const QVariant &param = QVariant());
    QStringList localMasterSlideShowFileList() const;
    // The watch on today's folder, which re-activates the current code.
    void setupWatcher();
    void doSetupWatchFolderInThread(const QString &path);
    void tearDownWatcher();
    void handleFoundNewFile(const Notification &notification);
    // Operator commands. The watch follows the photo day while on and is kept
    // under "prefWatchTodaysFolder"; the tidy scans on a worker thread.
    void doToggleWatchTodaysFolder();
    void setWatchTodaysFolder(bool on);
    void doTidyLocalSlideShowFolder();
    // At launch: turns the watch on when the operator left it on.
    void restoreWatchTodaysFolder();
    // The two commands as menu actions (owned by the delegate).
    class QAction *watchTodaysFolderAction();
    class QAction *tidyLocalSlideShowFolderAction();

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
    qint64 _maxCountOfPhotosInLocalSlideShowFolder = 0;
    std::unique_ptr<QTimer> _testTimer;
    QVariantMap testTimerUserInfo_;
    std::unique_ptr<QTimer> relaunchTimer_;
    std::unique_ptr<QTimer> bringToFrontTimer_;
    std::unique_ptr<OvraPhotoQueryController> _photoQuery;
    // Declared first so it outlives the code intake, which listens on it.
    std::unique_ptr<DistributedNotificationCenter> distributedCenter_;
    std::unique_ptr<BarcodeEntryController> fBarcodeController;
    QStringList transitionMenu_;
    bool menuBarVisible_ = true;
    bool launched_ = false;
    bool terminated_ = false;

    // ---- operator commands state
    void connectPrefWindow();
    QWidget *parentWindowForPrefs() const;
    // Made on first use; defined with the commands, so this header needs
    // none of their classes.
    struct OperatorState;
    struct OperatorStateDeleter
    {
        void operator()(OperatorState *state) const;
    };
    OperatorState &operatorState();
    std::unique_ptr<OperatorState, OperatorStateDeleter> operatorState_;
    class AppCommands *commands_ = nullptr;

    // ---- console state
    // Shared: its deleter is fixed where the window is made, so files that do
    // not know the window's class can still destroy the delegate.
    std::shared_ptr<class MainWindowController> mainWindowController_;

    // ---- local master folder and watcher state
    class LocalSlideShowFolder &localSlideShowFolder();
    class TodaysFolderWatch &todaysFolderWatch();
    std::shared_ptr<class LocalSlideShowFolder> localSlideShowFolder_;
    class TodaysFolderWatch *todaysFolderWatch_ = nullptr;
    class QAction *watchTodaysFolderAction_ = nullptr;
    class QAction *tidyLocalSlideShowFolderAction_ = nullptr;
};
