#pragma once

#include "console/CodeFolderScan.h"
#include "intake/OvraSearchDelegate.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QThreadPool>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class CodeListLoader;
class CodeListModel;
class CodeListSortProxy;
class MainWindowDelegate;
class MyImageBrowserViewController;
class NotificationCenter;
class OvraPhotoQueryController;
class PreferenceBinding;
class Preferences;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class SelectDisplayWindowController;
struct Notification;

namespace Ui {
class MainWindowController;
}

// Shows an alert as a sheet on window: title, text, one button. Returns at once.
using ConsoleAlertPresenter = std::function<void(QWidget *window, const QString &title,
                                                 const QString &text, const QString &button)>;
// Shows a folder chooser as a sheet on window, starting in startFolder; done
// gets 1 and the chosen folder when the operator confirms, 0 otherwise.
using OpenPanelPresenter =
    std::function<void(QWidget *window, const QString &startFolder, const QString &prompt,
                       const QString &message, std::function<void(int, const QString &)> done)>;

// What the console works with; every empty field means the kiosk's own.
struct MainWindowEnvironment
{
    Preferences *store = nullptr;            // the standard store
    NotificationCenter *center = nullptr;    // the default local centre
    std::function<int()> screenCount;        // the attached screens
    std::function<QRect()> mainScreenFrame;  // visible frame of the operator's (first) screen
    ConsoleAlertPresenter presentAlert;      // a window-modal QMessageBox
    OpenPanelPresenter openPanel;            // a window-modal QFileDialog
    CodeFolderScan::InfoReader readCodeInfo; // the XML reader
    std::optional<QVariantMap> bundleInfo;   // the main bundle's information
};

// The operator's console: the codes of the shown day folder with their status
// and photo count, the selected code's photos, the display pop-up and the
// commands to start a code, show demo slides, re-assign photos and pick
// another day. Lives on the main thread; the photo counts and scans asked for
// by the folder watcher run elsewhere and reach the list through the main
// thread.
class MainWindowController : public QMainWindow, public OvraSearchDelegate
{
    Q_OBJECT
public:
    explicit MainWindowController(MainWindowDelegate *delegate = nullptr,
                                  MainWindowEnvironment environment = {},
                                  QWidget *parent = nullptr);
    ~MainWindowController() override;

    MainWindowDelegate *delegate() const { return fDelegate; }
    void setDelegate(MainWindowDelegate *delegate) { fDelegate = delegate; }

    // ---- state
    bool isInsideScanning() const { return fInsideScanning; }
    QString fLastSelectedCode() const { return _fLastSelectedCode; }
    QVariantList displayNamesList() const { return _displayNamesList; }
    QVariantList ibPopupArrayController() const { return _popupArrayController; }
    OvraPhotoQueryController *photoQuery() const { return _photoQuery.get(); }
    SelectDisplayWindowController *selectDisplayWindowController() const;
    MyImageBrowserViewController *fImageBrowserViewController() const { return _browser; }

    // ---- outlets
    QTableView *ibCustomerTableView() const;
    CodeListModel *codeList() const { return fCodeList; }
    CodeListSortProxy *ibArrayController() const { return fArrangedList; }
    QComboBox *ibPopupButton() const;
    QLabel *ibVersionTextField() const;
    QLabel *ibSlideShowStatusTextField() const;
    QPushButton *ibReassingnButton() const;
    QPushButton *ibPlayButton() const;
    QWidget *fBrowserViewHolder() const;
    QSpinBox *dayStepper() const;
    QComboBox *dailyFolderPopup() const;
    QComboBox *sortPopup() const;
    QLabel *countingLabel() const;

    // The entry at a row of the arranged (sorted) list.
    QVariantMap arrangedEntryAt(int row) const;
    int selectedRow() const;

    // ---- actions
    void doClickOnTableView();
    // clickedRow: row of the arranged list that was double-clicked; -1 takes
    // the selected row.
    void doDoubleClickOnTableView(int clickedRow = -1);
    void doToggleSlideShow();
    void doTestButton();
    // Rebuilds the pop-up; a pop-up as sender also asks its display for status.
    void doSetupDisplayPopup(QObject *sender);
    void doRefreshButton();
    void doClickOnChangeSortMethod();
    void doDemoSlides();
    // Re-assignment of the selected code's photos: prepares the sheet's
    // parameters and opens it (openReassignSheet).
    void doChangeCode();
    void openPrefs(QObject *sender);
    // Brings the parent application back, when "prefParentAppDesktopEntry" names one.
    static void returnToMain(const Preferences &store);

    // ---- called by others
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) override;
    // Rescans the shown day folder on the calling thread; the list reaches the
    // table on the main thread. False (and a log line) while a scan runs.
    bool scanFolderAgain();
    void centerToMainScreen();
    // End of the re-assignment sheet; 1001 means photos were moved.
    void sheetDidEnd(int returnCode);
    void rebuildPopupArrayController();
    void handleSlideShowStatusNotification(const Notification &notification);
    void handleScreenParametersChanged();
    // "Version: ..." from the bundle information.
    static QString versionFieldText(const QVariantMap &bundleInfo);
    // Runs commandLine through the shell; what it printed (at most 512,000
    // bytes), or nothing when it printed nothing or could not start.
    static std::optional<QString> runShellCommand(const QString &commandLine);

    // ---- day folder (MainWindowControllerDayFolder.cpp)
    void ibHandleDailyFolderPopup(int tag);
    void ibClickOnTodayFolder();
    // stepperValue: the stepper's value; nothing when not asked by the stepper.
    void ibClickedOnStepperForDate(std::optional<qint64> stepperValue);
    void reloadAllData();

    // ---- re-assignment sheet, plugged in by whoever provides it
    using ReassignSheetOpener = std::function<void(MainWindowController *, const QVariantMap &)>;
    void setReassignSheetOpener(ReassignSheetOpener opener)
    {
        fReassignSheetOpener = std::move(opener);
    }
    // The open sheet, dropped by sheetDidEnd().
    void setReassignCodeWindowController(QWidget *sheet) { fReassignCodeWindowController = sheet; }
    QWidget *reassignCodeWindowController() const { return fReassignCodeWindowController; }

signals:
    // A scan's list is in the table (count entries).
    void codeListShown(int count);
    // Every photo count of the shown list has arrived.
    void photoCountsComplete();

protected:
    // Keeps the browser's cells fitted to its holder.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Opens the re-assignment sheet with the parameters of its setupWindow.
    virtual void openReassignSheet(const QVariantMap &setupParam);

private:
    void awakeFromNib();
    void connectControls();
    void createBrowser();
    void registerObservers();
    void fillVersionField();
    void onMainThread(std::function<void()> work);
    void applyScannedList(const QList<CodeFolderScan::Folder> &folders);
    void updateCountingLabel(int uncounted);
    void applySortOrder();
    void startCodeOnDisplay(const QVariantMap &info, const QString &sourcePath);
    void bindStatusField(const QString &key);
    void followWorkingFolder(const QVariantMap &status);
    void markWorkingFolderCode();
    void setRowStatus(const QString &code, const QString &status);
    void setCodeButtonsEnabled(bool enabled);
    void emptyBrowser();
    void showEmptyView();
    void clearSelectionWithoutClick();
    void syncDayControls();
    int screenCount() const;

    std::unique_ptr<Ui::MainWindowController> ui_;
    MainWindowEnvironment fEnvironment;
    Preferences *fStore = nullptr;
    NotificationCenter *fCenter = nullptr;
    MainWindowDelegate *fDelegate = nullptr;

    CodeListModel *fCodeList = nullptr;
    CodeListSortProxy *fArrangedList = nullptr;
    std::unique_ptr<OvraPhotoQueryController> _photoQuery;
    std::unique_ptr<SelectDisplayWindowController> _selectDisplayWindowController;
    MyImageBrowserViewController *_browser = nullptr;
    QPointer<PreferenceBinding> fStatusBinding;
    QPointer<QWidget> fReassignCodeWindowController;
    ReassignSheetOpener fReassignSheetOpener;

    QVariantList _displayNamesList;
    QVariantList _popupArrayController;
    QString _fLastSelectedCode;
    std::atomic_bool fInsideScanning{false};
    bool fClearingSelection = false;
    int fCountTotal = 0;
    // A typed code plays from the working folder, which the status messages
    // name: its row is marked "code (room)" while a display plays that folder.
    QString fWorkingFolderCode;       // the code last copied into it
    QString fWorkingFolderName;       // the folder's name in the messages
    QSet<int> fWorkingFolderDisplays; // the displays given that folder
    QMap<int, bool> fDisplayRunning;  // by display index
    QString fMarkedCode;
    QString fMarkedStatus;
    // Destroyed next to last, waiting for the counters still running...
    QThreadPool fCountPool;
    // ...which the last scan's loader, destroyed first, tells to stop.
    // Touched by scans only, which never overlap.
    std::unique_ptr<CodeListLoader> fLoader;
};
