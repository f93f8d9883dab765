#include "shell/PrefWindowController.h"

#include "ui_PrefWindow.h"

#include "platform/PreferenceBinding.h"
#include "platform/Preferences.h"
#include "shell/ChoicePopup.h"
#include "shell/CommonHeader.h"
#include "shell/CustomerTableModel.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PrefWindowController::PrefWindowController(int displayCount, const QStringList &transitionMenu,
                                           Preferences *store, QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::PrefWindow>()),
      store_(store ? store : Preferences::standardUserDefaults()),
      displayCount_(std::max(displayCount, 0)), customers_(new CustomerTableModel(this))
{
    ui_->setupUi(this);
    fillChoices();
    bindControls();
    buildDisplayGroups();
    buildPasswordWindow();
    rebuildTransitionMenu(transitionMenu);

    QTableView *table = ui_->ibCustomerTableView;
    table->setModel(customers_);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    connect(table, &QTableView::clicked, this, [this](const QModelIndex &index) {
        clickedRow_ = index.row();
        emit customerClicked();
    });
    connect(table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        clickedRow_ = index.row();
        emit customerDoubleClicked();
    });
    auto *browserLayout = new QVBoxLayout(ui_->ibBrowserContainer);
    browserLayout->setContentsMargins(0, 0, 0, 0);
}

PrefWindowController::~PrefWindowController() = default;

QTabWidget *PrefWindowController::ibTabView() const
{
    return ui_->ibTabView;
}

QComboBox *PrefWindowController::ibTransitionPopupButton() const
{
    return ui_->ibTransitionPopupButton;
}

QTableView *PrefWindowController::ibCustomerTableView() const
{
    return ui_->ibCustomerTableView;
}

QAbstractButton *PrefWindowController::selectFolderButton() const
{
    return ui_->ibSelectFolderButton;
}

QAbstractButton *PrefWindowController::selectMovieButton() const
{
    return ui_->ibSelectMovieButton;
}

QAbstractButton *PrefWindowController::revealRootButton() const
{
    return ui_->ibRevealRootButton;
}

QAbstractButton *PrefWindowController::revealTempButton() const
{
    return ui_->ibRevealTempButton;
}

QAbstractButton *PrefWindowController::identifyAllButton() const
{
    return ui_->ibIdentifyAllButton;
}

QAbstractButton *PrefWindowController::showMenuButton() const
{
    return ui_->ibShowMenuButton;
}

QAbstractButton *PrefWindowController::closeButton() const
{
    return ui_->ibClosePrefsButton;
}

QWidget *PrefWindowController::browserContainer() const
{
    return ui_->ibBrowserContainer;
}

void PrefWindowController::bind(QWidget *control, const QString &key)
{
    if (PreferenceBinding::bind(control, key, store_)) {
        controls_.insert(key, control);
    }
}

void PrefWindowController::fillChoices()
{
    ChoicePopup *sort = ui_->ibSortListPopup;
    sort->addChoice(kPrefSortByCode, 1);
    sort->addChoice(kPrefSortByModDate, 2);
    sort->addChoice(kPrefSortByCreateDate, 3);
    // Any number but 2 and 3 sorts by code.
    sort->setFallbackValue(1);
}

void PrefWindowController::bindControls()
{
    const std::pair<QWidget *, const QString &> bindings[] = {
        {ui_->ibSlideShowPathField, kPrefSlideShowPath},
        {ui_->ibTempFolderField, kPrefTempFolderPath},
        {ui_->ibMoviePathField, kPrefMoviePath},
        {ui_->ibAlwaysShowMainWindowCheck, kPrefAlwaysShowMainWindow},
        {ui_->ibConfirmRoomCheck, kPrefConfirmRoomBeforeStartingSlideshow},
        {ui_->ibSortListPopup, kPrefSortListTag},
        {ui_->ibShoutModeCheck, kPrefDoShoutMode},
        {ui_->ibBringToFrontCheck, kPrefAutoBringAppToFrontAfterLaunch},
        {ui_->ibBringToFrontDelaySpin, kPrefAutoBringAppToFrontAfterLaunchDelay},
        {ui_->ibMaxPhotosSpin, kPrefMaxPhotosInLocalFolder},
        {ui_->ibIdentifySecondsSpin, kPrefIdentifyScreenInSeconds},
        {ui_->ibShowFilenameCheck, kPrefShowPhotoWithFilename},
        {ui_->ibPatternImageField, kPrefPatternImageBaseNames},
        {ui_->ibSupportDemoCheck, kPrefSupportDemoCode},
        {ui_->ibDemoCodesField, kPrefDemoCodesList},
        {ui_->ibDemoSlidesPathField, kPrefDemoSlidesPath},
        {ui_->ibDemoAtStartupCheck, kPrefSearchDemoCodeAtStartup},
        {ui_->ibDemoFolderFirstCheck, kPrefSearchInDemoFolderFirst},
        {ui_->ibDemoFolderNameField, kPrefDemoFolderName},
        {ui_->ibRedirectLogCheck, kPrefRedirectNSLogToFile},
        {ui_->ibDaysToSaveLogsSpin, kPrefDaysToSaveLogs},
        {ui_->ibAppVersionLabel, kPrefAppVersion},
    };
    for (const auto &[control, key] : bindings) {
        bind(control, key);
    }
}

void PrefWindowController::buildPasswordWindow()
{
    ibPasswordWindow_ = new QDialog(this);
    ibPasswordWindow_->setObjectName(QStringLiteral("ibPasswordWindow"));
    ibPasswordWindow_->setWindowTitle(kPrefPasswordTitle);
    auto *layout = new QVBoxLayout(ibPasswordWindow_);
    layout->addWidget(new QLabel(kPrefPasswordMessage, ibPasswordWindow_));
    ibPasswordTextField_ = new QLineEdit(ibPasswordWindow_);
    ibPasswordTextField_->setObjectName(QStringLiteral("ibPasswordTextField"));
    ibPasswordTextField_->setEchoMode(QLineEdit::Password);
    layout->addWidget(ibPasswordTextField_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new QPushButton(kPrefPasswordCancel, ibPasswordWindow_);
    cancel->setAutoDefault(false);
    auto *proceed = new QPushButton(kPrefPasswordContinue, ibPasswordWindow_);
    proceed->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(proceed);
    layout->addLayout(buttons);
    cancelButton_ = cancel;
    continueButton_ = proceed;
}

void PrefWindowController::rebuildTransitionMenu(const QStringList &items)
{
    QComboBox *popup = ui_->ibTransitionPopupButton;
    const QSignalBlocker quiet(popup);
    popup->clear();
    for (const QString &item : items) {
        if (item.isEmpty()) {
            popup->insertSeparator(popup->count());
        } else {
            popup->addItem(item);
        }
    }
    // The menu shows the last fixed style, in random mode too.
    const int index =
        popup->findText(store_->stringForKey(kPrefTransitionStyle), Qt::MatchFixedString);
    popup->setCurrentIndex(index >= 0 ? index : 0);
}

void PrefWindowController::setCustomerRows(const QVariantList &rows)
{
    clickedRow_ = -1;
    customers_->setRows(rows);
    ui_->ibCustomerTableView->resizeColumnsToContents();
}

int PrefWindowController::selectedRow() const
{
    const QModelIndexList rows = ui_->ibCustomerTableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
