// The console window: set-up, outlets and the small commands.

#include "console/MainWindowController.h"

#include "ui_MainWindowController.h"

#include "console/CodeListLoader.h"
#include "console/CodeListModel.h"
#include "console/CodeListSortProxy.h"
#include "console/MainWindowDelegate.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/SelectDisplayWindowController.h"
#include "support/OvraAdditions.h"
#include "support/PhotoStoreLayout.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QtConcurrent>

namespace {

const QString kSelf = QStringLiteral("MainWindowController");

void presentWithMessageBox(QWidget *window, const QString &title, const QString &text,
                           const QString &button)
{
    auto *box = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::NoButton, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(text);
    box->setDefaultButton(box->addButton(button, QMessageBox::AcceptRole));
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}

void chooseFolderWithDialog(QWidget *window, const QString &startFolder, const QString &prompt,
                            const QString &message, std::function<void(int, const QString &)> done)
{
    auto *panel = new QFileDialog(window, message, startFolder);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    panel->setLabelText(QFileDialog::Accept, prompt);
    panel->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(panel, &QFileDialog::finished, panel, [panel, done = std::move(done)](int r) {
        const QStringList chosen = panel->selectedFiles();
        if (r == QDialog::Accepted && !chosen.isEmpty()) {
            done(1, chosen.constFirst());
        } else {
            done(0, QString());
        }
    });
    panel->open();
}

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

MainWindowController::MainWindowController(MainWindowDelegate *delegate,
                                           MainWindowEnvironment environment, QWidget *parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::MainWindowController>()),
      fEnvironment(std::move(environment)), fDelegate(delegate),
      _fLastSelectedCode(kLastSelectedCodeAtCreation)
{
    fStore = fEnvironment.store ? fEnvironment.store : Preferences::standardUserDefaults();
    fCenter = fEnvironment.center ? fEnvironment.center : NotificationCenter::defaultCenter();
    if (!fEnvironment.screenCount) {
        fEnvironment.screenCount = [] {
            return int(QGuiApplication::screens().size());
        };
    }
    if (!fEnvironment.mainScreenFrame) {
        fEnvironment.mainScreenFrame = [] {
            const QList<QScreen *> screens = QGuiApplication::screens();
            return screens.isEmpty() ? QRect() : screens.constFirst()->availableGeometry();
        };
    }
    if (!fEnvironment.presentAlert) {
        fEnvironment.presentAlert = presentWithMessageBox;
    }
    if (!fEnvironment.openPanel) {
        fEnvironment.openPanel = chooseFolderWithDialog;
    }
    if (!fEnvironment.readCodeInfo) {
        fEnvironment.readCodeInfo = CodeFolderScan::readCodeInfo;
    }
    fCountPool.setMaxThreadCount(qMax(2, QThread::idealThreadCount()));
    ui_->setupUi(this);
    fCodeList = new CodeListModel(this);
    fArrangedList = new CodeListSortProxy(this);
    fArrangedList->setSourceModel(fCodeList);
    ui_->ibCustomerTableView->setModel(fArrangedList);
    awakeFromNib();
}

MainWindowController::~MainWindowController()
{
    fCountPool.clear();
    fCountPool.waitForDone();
    fCenter->removeObserver(this);
}

void MainWindowController::awakeFromNib()
{
    fStore->removeObjectForKey(kPrefPathToAlternateDateFolder);
    fStore->setInteger(kDayFolderTagToday, kPrefSelectedTagForDateFolder);
    _photoQuery =
        std::make_unique<OvraPhotoQueryController>(fEnvironment.store, Bundle::mainBundle());
    connectControls();
    applySortOrder();
    rebuildPopupArrayController();
    ibClickOnTodayFolder();

    createBrowser();
    registerObservers();
    rebuildPopupArrayController();
    fillVersionField();

    QTableView *table = ui_->ibCustomerTableView;
    table->setFocus();
    if (fArrangedList->rowCount() > 0) {
        table->selectRow(0);
    }
    doClickOnTableView();
    rebuildPopupArrayController();

    _selectDisplayWindowController = std::make_unique<SelectDisplayWindowController>(this, fCenter);
    connect(fStore, &Preferences::valueChanged, this,
            [this](const QString &key, const QVariant &value) {
                if (key == PreferenceKeys::displayNameKey(1)) {
                    OvraLog(kLogObservedPreference.arg(
                        kSelf, QStringLiteral("observeValueForKeyPath"), key, value.toString()));
                }
            });
}

void MainWindowController::connectControls()
{
    QTableView *table = ui_->ibCustomerTableView;
    QHeaderView *header = table->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(CodeListModel::NameColumn, QHeaderView::Stretch);
    table->setColumnWidth(CodeListModel::CodeColumn, 130);
    table->setColumnWidth(CodeListModel::StatusColumn, 200);
    table->setColumnWidth(CodeListModel::PhotosColumn, 70);
    table->setColumnWidth(CodeListModel::ModifiedColumn, 140);
    table->setColumnWidth(CodeListModel::CreatedColumn, 140);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // Only the operator's choice runs the click action; a rescan
        // clearing the selection keeps what the browser shows.
        if (!fClearingSelection) {
            doClickOnTableView();
        }
    });
    connect(fCodeList, &CodeListModel::uncountedCountChanged, this, [this](int uncounted) {
        updateCountingLabel(uncounted);
        if (uncounted == 0 && fCodeList->rowCount() > 0) {
            emit photoCountsComplete();
        }
    });
    connect(table, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { doDoubleClickOnTableView(index.row()); });

    ui_->ibDailyFolderPopup->addItem(tr("Today's Folder"), kDayFolderTagToday);
    ui_->ibDailyFolderPopup->addItem(tr("Another Day's Folder…"), kDayFolderTagOtherDay);
    connect(ui_->ibDailyFolderPopup, &QComboBox::activated, this, [this](int index) {
        const int tag = ui_->ibDailyFolderPopup->itemData(index).toInt();
        fStore->setInteger(tag, kPrefSelectedTagForDateFolder);
        ibHandleDailyFolderPopup(tag);
    });
    connect(ui_->ibTodayButton, &QPushButton::clicked, this, [this] { ibClickOnTodayFolder(); });
    connect(ui_->stepperforfolderday, &QSpinBox::valueChanged, this, [this](int value) {
        fStore->setInteger(value, kPrefDayStepperValue);
        ibClickedOnStepperForDate(value);
    });

    ui_->ibSortPopup->addItem(tr("Code"), 1);
    ui_->ibSortPopup->addItem(tr("Last Modified"), 2);
    ui_->ibSortPopup->addItem(tr("Created"), 3);
    connect(ui_->ibSortPopup, &QComboBox::activated, this, [this](int index) {
        fStore->setInteger(ui_->ibSortPopup->itemData(index).toInt(), kPrefSortListTag);
        doClickOnChangeSortMethod();
    });
    connect(ui_->ibRefreshButton, &QPushButton::clicked, this, [this] { doRefreshButton(); });

    connect(ui_->ibPopupButton, &QComboBox::activated, this,
            [this] { doSetupDisplayPopup(ui_->ibPopupButton); });
    connect(ui_->ibPlayButton, &QPushButton::clicked, this, [this] { doDoubleClickOnTableView(); });
    connect(ui_->ibToggleButton, &QPushButton::clicked, this, [this] { doToggleSlideShow(); });
    connect(ui_->ibTestButton, &QPushButton::clicked, this, [this] { doTestButton(); });
    connect(ui_->ibDemoButton, &QPushButton::clicked, this, [this] { doDemoSlides(); });
    connect(ui_->ibReassingnButton, &QPushButton::clicked, this, [this] { doChangeCode(); });

    // The actions stay reachable by their shortcuts while the menu bar is hidden;
    // the application's commands join them in the menu (AppCommands).
    ui_->actionRefresh->setShortcut(QKeySequence::Refresh);
    addActions({ui_->actionRefresh, ui_->actionDemoSlides});
    connect(ui_->actionRefresh, &QAction::triggered, this, [this] { doRefreshButton(); });
    connect(ui_->actionDemoSlides, &QAction::triggered, this, [this] {
        ui_->ibCustomerTableView->setFocus();
        doDemoSlides();
    });
}

void MainWindowController::createBrowser()
{
    _browser = new MyImageBrowserViewController(ui_->fBrowserViewHolder, fEnvironment.store,
                                                fEnvironment.center);
    ui_->fBrowserViewHolder->layout()->addWidget(_browser->view());
    _browser->fAllowDrop = false;
    _browser->fAllowItemSelection = false;
    _browser->row = 1;
    _browser->col = 3;
    _browser->adjustCellSize();
    _browser->removeImages();
    ui_->fBrowserViewHolder->installEventFilter(this);
}

bool MainWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui_->fBrowserViewHolder && event->type() == QEvent::Resize && _browser) {
        _browser->adjustCellSize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindowController::registerObservers()
{
    // Scans run on the thread that asks; everything else on the main thread.
    fCenter->addObserver(this, kWatcherItemChanged,
                         [this](const Notification &) { scanFolderAgain(); });
    fCenter->addObserver(this, kSlideShowStatus, [this](const Notification &n) {
        onMainThread([this, n] { handleSlideShowStatusNotification(n); });
    });
    fCenter->addObserver(this, kWorkingFolderActivated, [this](const Notification &n) {
        onMainThread([this, n] {
            fWorkingFolderCode = n.userInfo.value(kKeyCode).toString();
            fWorkingFolderName = QFileInfo(n.userInfo.value(kKeySourcePath).toString()).fileName();
            markWorkingFolderCode();
        });
    });
    fCenter->addObserver(this, kTestNotification, [this](const Notification &) {
        onMainThread([this] { rebuildPopupArrayController(); });
    });
    fCenter->addObserver(this, kApplicationDidResignActive, [this](const Notification &) {
        onMainThread([this] { ibClickOnTodayFolder(); });
    });
    fCenter->addObserver(this, kApplicationDidBecomeActive, [this](const Notification &) {
        onMainThread([this] { reloadAllData(); });
    });
    fCenter->addObserver(this, kApplicationDidChangeScreenParameters, [this](const Notification &) {
        onMainThread([this] { handleScreenParametersChanged(); });
    });
}

void MainWindowController::onMainThread(std::function<void()> work)
{
    if (QThread::currentThread() == thread()) {
        work();
    } else {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    }
}

QString MainWindowController::versionFieldText(const QVariantMap &info)
{
    QString text;
    if (info.contains(kInfoCFBundleShortVersionString)) {
        text = kVersionFieldFormat.arg(info.value(kInfoCFBundleShortVersionString).toString());
    } else if (info.contains(kInfoCFBundleGetInfoString)) {
        text = info.value(kInfoCFBundleGetInfoString).toString();
    } else {
        text = kVersionFieldUnknown;
    }
    return text + kVersionFieldBuildFormat.arg(info.value(kInfoDTXcode).toString(),
                                               info.value(kInfoDTSDKName).toString());
}

void MainWindowController::fillVersionField()
{
    const QVariantMap info =
        fEnvironment.bundleInfo ? *fEnvironment.bundleInfo : Bundle::mainBundle().infoDictionary();
    ui_->ibVersionTextField->setText(versionFieldText(info));
}

// ---- outlets

SelectDisplayWindowController *MainWindowController::selectDisplayWindowController() const
{
    return _selectDisplayWindowController.get();
}
QTableView *MainWindowController::ibCustomerTableView() const
{
    return ui_->ibCustomerTableView;
}
QComboBox *MainWindowController::ibPopupButton() const
{
    return ui_->ibPopupButton;
}
QLabel *MainWindowController::ibVersionTextField() const
{
    return ui_->ibVersionTextField;
}
QLabel *MainWindowController::ibSlideShowStatusTextField() const
{
    return ui_->ibSlideShowStatusTextField;
}
QPushButton *MainWindowController::ibReassingnButton() const
{
    return ui_->ibReassingnButton;
}
QPushButton *MainWindowController::ibPlayButton() const
{
    return ui_->ibPlayButton;
}
QWidget *MainWindowController::fBrowserViewHolder() const
{
    return ui_->fBrowserViewHolder;
}
QSpinBox *MainWindowController::dayStepper() const
{
    return ui_->stepperforfolderday;
}
QComboBox *MainWindowController::dailyFolderPopup() const
{
    return ui_->ibDailyFolderPopup;
}
QComboBox *MainWindowController::sortPopup() const
{
    return ui_->ibSortPopup;
}
QLabel *MainWindowController::countingLabel() const
{
    return ui_->ibCountingLabel;
}

// ---- small commands

void MainWindowController::doToggleSlideShow()
{
    fCenter->postNotificationName(kSlideShowToggleShow, QVariant(),
                                  {{kKeyScreenIndex, ui_->ibPopupButton->currentIndex()}});
}

void MainWindowController::doTestButton()
{
    fCenter->postNotificationName(kSlideShowToggleTest, QVariant(),
                                  {{kKeyScreenIndex, ui_->ibPopupButton->currentIndex()}});
}

void MainWindowController::doRefreshButton()
{
    centerToMainScreen();
    scanFolderAgain();
}

void MainWindowController::openPrefs(QObject *sender)
{
    if (fDelegate) {
        fDelegate->openPrefs(sender);
    }
}

void MainWindowController::returnToMain(const Preferences &store)
{
    const QString parent = trimmedOfBlanks(store.stringForKey(kPrefParentAppDesktopEntry));
    if (parent.isEmpty()) {
        OvraLog(
            kLogNoParentApp.arg(kSelf, QStringLiteral("returnToMain"), kPrefParentAppDesktopEntry));
        return;
    }
    // The launcher may take a moment; the console does not wait for it.
    const QString command = kReturnToMainCommandFormat.arg(shellQuoted(parent));
    (void)QtConcurrent::run([command] { runShellCommand(command); });
}

std::optional<QString> MainWindowController::runShellCommand(const QString &commandLine)
{
    const QString output = outputWhenRunAsShellCommand(commandLine);
    if (output.isEmpty()) {
        return std::nullopt;
    }
    QByteArray bytes = output.toUtf8();
    if (bytes.size() > kRunShellCommandMaxBytes) {
        bytes.truncate(kRunShellCommandMaxBytes);
    }
    return QString::fromUtf8(bytes);
}

// ---- re-assignment

void MainWindowController::doChangeCode()
{
    QStringList paths;
    if (_browser) {
        for (const MyImageBrowserObject &item : std::as_const(_browser->images())) {
            paths << item.path;
        }
    }
    const int row = selectedRow();
    if (paths.isEmpty()) {
        fEnvironment.presentAlert(this, kAlertSelectCodeWithImage,
                                  kAlertNoImageForCode.arg(_fLastSelectedCode), kMainWindowAlertOk);
        return;
    }
    QVariantMap param{
        {kReassignParamArrayController, QVariant::fromValue(static_cast<QObject *>(fCodeList))},
        {kReassignParamOldCode, _fLastSelectedCode},
        {kReassignParamImagesList, paths}};
    if (row >= 0) {
        param.insert(kReassignParamCurrentInfo, arrangedEntryAt(row));
    }
    const QString oldFolder = formPathForCodeNew(_fLastSelectedCode, fStore);
    if (!oldFolder.isEmpty()) {
        param.insert(kReassignParamPathToPhotos, oldFolder);
    }
    openReassignSheet(param);
}

void MainWindowController::openReassignSheet(const QVariantMap &setupParam)
{
    if (fReassignSheetOpener) {
        fReassignSheetOpener(this, setupParam);
    } else {
        OvraLog(kLogNoReassignSheet.arg(kSelf, QStringLiteral("doChangeCode")));
    }
}

void MainWindowController::sheetDidEnd(int returnCode)
{
    if (fReassignCodeWindowController) {
        fReassignCodeWindowController->hide();
        fReassignCodeWindowController->deleteLater();
        fReassignCodeWindowController = nullptr;
    }
    if (_browser && _browser->imageBrowser()) {
        _browser->imageBrowser()->clearSelection();
    }
    const int row = selectedRow();
    if (returnCode == kReassignReturnMoved) {
        reloadAllData();
        if (row >= 0 && row < fArrangedList->rowCount()) {
            ui_->ibCustomerTableView->selectRow(row);
        }
    }
}
