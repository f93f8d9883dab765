// The operator commands of the settings window: opening and closing it,
// identify, the transition menu, the file manager and the menu bar.

#include "shell/AppDelegate.h"

#include "console/MainWindowController.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppCommands.h"
#include "shell/CommonHeader.h"
#include "shell/OperatorState.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/slideShowWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableView>

#include <thread>

namespace {

const QString kSelf = QStringLiteral("AppDelegate");

// The tag of a button; 0 for anything that is not a button or has none.
int buttonTag(QObject *sender)
{
    return qobject_cast<QAbstractButton *>(sender) ? sender->property(kTagProperty).toInt() : 0;
}

} // namespace

void AppDelegate::OperatorStateDeleter::operator()(OperatorState *state) const
{
    delete state;
}

AppDelegate::OperatorState &AppDelegate::operatorState()
{
    if (!operatorState_) {
        operatorState_.reset(new OperatorState);
    }
    return *operatorState_;
}

void AppDelegate::setOperatorDialogs(const OperatorDialogs &dialogs)
{
    operatorState().dialogs = dialogs;
}

void AppDelegate::adoptSlideShowWindowControllers(
    std::vector<std::unique_ptr<slideShowWindowController>> controllers)
{
    _slideShowWindowControllerList = std::move(controllers);
}

SelectDisplayWindowController *AppDelegate::selectDisplayWindowController() const
{
    return operatorState_ ? operatorState_->selectDisplayWindowController.data() : nullptr;
}

PrefWindowController *AppDelegate::prefWindow()
{
    OperatorState &state = operatorState();
    if (!state.ibPrefWindow) {
        const Preferences &store = *Preferences::standardUserDefaults();
        const int displays = int(QGuiApplication::screens().size());
        state.ibPrefWindow = std::make_unique<PrefWindowController>(
            displays, transitionMenu_.isEmpty() ? transitionMenuItems(store) : transitionMenu_);
        connectPrefWindow();
        commands().addTo(state.ibPrefWindow.get());
        QWidget *holder = state.ibPrefWindow->browserContainer();
        auto *browser = new MyImageBrowserViewController(holder);
        // A preview of what the code holds: nothing is dropped or moved here.
        browser->fAllowDrop = false;
        browser->fAllowsReordering = false;
        holder->layout()->addWidget(browser->view());
        state.fImageBrowserViewController = browser;
    }
    return state.ibPrefWindow.get();
}

void AppDelegate::connectPrefWindow()
{
    PrefWindowController *prefs = operatorState().ibPrefWindow.get();
    const auto command = [this](QAbstractButton *button, void (AppDelegate::*run)(QObject *)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button, run] { (this->*run)(button); });
    };
    command(prefs->closeButton(), &AppDelegate::closePrefs);
    command(prefs->selectFolderButton(), &AppDelegate::selectFolder);
    command(prefs->selectMovieButton(), &AppDelegate::selectItem);
    command(prefs->revealRootButton(), &AppDelegate::doRevealInFinder);
    command(prefs->revealTempButton(), &AppDelegate::doRevealInFinder);
    command(prefs->identifyAllButton(), &AppDelegate::doIdentifyAll);
    command(prefs->showMenuButton(), &AppDelegate::showMenu);
    command(prefs->passwordContinueButton(), &AppDelegate::continuePasswordWindow);
    command(prefs->passwordCancelButton(), &AppDelegate::cancelPasswordWindow);
    for (QAbstractButton *button : prefs->identifyButtons()) {
        command(button, &AppDelegate::doIdentify);
    }
    QComboBox *popup = prefs->ibTransitionPopupButton();
    connect(popup, &QComboBox::activated, this, [this, popup] { doChangeTransitionStyle(popup); });
    QTabWidget *tabs = prefs->ibTabView();
    connect(tabs, &QTabWidget::currentChanged, this,
            [this, tabs](int index) { tabView(tabs, index); });
    QTableView *table = prefs->ibCustomerTableView();
    connect(prefs, &PrefWindowController::customerClicked, this,
            [this, table] { doClickOnTableView(table); });
    connect(prefs, &PrefWindowController::customerDoubleClicked, this,
            [this, table] { doDoubleClickOnTableView(table); });
    // Escape or the window's close box end the sheets as their cancel would.
    connect(prefs->ibPasswordWindow(), &QDialog::rejected, this,
            [this, prefs] { cancelPasswordWindow(prefs->passwordCancelButton()); });
    connect(prefs, &QDialog::rejected, this, [this] { sheetDidEnd(kSheetReturnStopped); });
}

QWidget *AppDelegate::parentWindowForPrefs() const
{
    const bool keepMainWindow =
        Preferences::standardUserDefaults()->boolForKey(kPrefAlwaysShowMainWindow);
    if (keepMainWindow && mainWindowController()) {
        return mainWindowController();
    }
    QWidget *visible = nullptr;
    int count = 0;
    for (const auto &controller : _slideShowWindowControllerList) {
        if (controller->window() && controller->window()->isVisible()) {
            visible = controller->window();
            ++count;
        }
    }
    return count == 1 ? visible : nullptr;
}

void AppDelegate::openPrefs(QObject *sender)
{
    Q_UNUSED(sender);
    PrefWindowController *prefs = prefWindow();
    reloadCustomerTable();
    OperatorDialogs::beginSheet(prefs, parentWindowForPrefs());
}

void AppDelegate::closePrefs(QObject *sender)
{
    if (qobject_cast<QAbstractButton *>(sender)) {
        sheetDidEnd(kSheetReturnStopped);
    }
}

void AppDelegate::sheetDidEnd(int returnCode)
{
    Q_UNUSED(returnCode);
    if (operatorState_ && operatorState_->ibPrefWindow) {
        operatorState_->ibPrefWindow->hide();
    }
}

AppCommands &AppDelegate::commands()
{
    if (!commands_) {
        commands_ = new AppCommands(this);
    }
    return *commands_;
}

void AppDelegate::setMenuBarVisible(bool visible)
{
    menuBarVisible_ = visible;
    if (MainWindowController *console = mainWindowController()) {
        console->menuBar()->setVisible(visible);
    }
}

void AppDelegate::showMenu(QObject *sender)
{
    Q_UNUSED(sender);
    // The bar's own state: the operator may have toggled it since the setting.
    const MainWindowController *console = mainWindowController();
    setMenuBarVisible(console ? console->menuBar()->isHidden() : !menuBarVisible_);
    OvraLog(kLogOperatorCommand.arg(
        kSelf, QStringLiteral("showMenu"),
        kLogMenuBarVisible.arg(menuBarVisible_ ? QStringLiteral("YES") : QStringLiteral("NO"))));
}

void AppDelegate::identifyScreen(int i)
{
    const int count = int(_slideShowWindowControllerList.size());
    if (i < 0) {
        for (const auto &controller : _slideShowWindowControllerList) {
            controller->identify();
        }
    } else if (i < count) {
        _slideShowWindowControllerList[std::size_t(i)]->identify();
    }
}

void AppDelegate::doIdentifyAll(QObject *sender)
{
    Q_UNUSED(sender);
    identifyScreen(-1);
}

void AppDelegate::doIdentify(QObject *sender)
{
    const int tag = buttonTag(sender);
    if (tag != 0) {
        identifyScreen(tag - 1);
    }
}

void AppDelegate::doStopSlideShow(QObject *sender)
{
    doIdentify(sender);
}

void AppDelegate::doChangeTransitionStyle(QObject *sender)
{
    Q_UNUSED(sender);
    if (!operatorState_ || !operatorState_->ibPrefWindow) {
        return;
    }
    chooseTransition(operatorState_->ibPrefWindow->ibTransitionPopupButton()->currentText());
}

void AppDelegate::chooseTransition(const QString &title)
{
    if (title.isEmpty()) {
        return;
    }
    Preferences &store = *Preferences::standardUserDefaults();
    if (title.compare(kTransitionTitleNone, Qt::CaseInsensitive) == 0 ||
        title.compare(kNoTransitionEffect, Qt::CaseInsensitive) == 0) {
        store.setObject(kTransitionModeNone, kPrefUseTransitionMode);
        store.setObject(title, kPrefTransitionStyle);
    } else if (title.compare(kTransitionMenuRandom, Qt::CaseInsensitive) == 0) {
        // The last fixed style stays, to come back to.
        store.setObject(kTransitionModeRandom, kPrefUseTransitionMode);
    } else {
        store.setObject(kTransitionModeFixed, kPrefUseTransitionMode);
        store.setObject(title, kPrefTransitionStyle);
    }
    store.synchronize();
    NotificationCenter::defaultCenter()->postNotificationName(kSlideShowChangeTransitionStyle);
}

void AppDelegate::returnToMain()
{
    MainWindowController::returnToMain(*Preferences::standardUserDefaults());
}

void AppDelegate::doRevealInFinder(QObject *sender)
{
    const QString key =
        buttonTag(sender) == kTagRevealTempFolder ? kPrefTempFolderPath : kPrefSlideShowPath;
    const QString path = Preferences::standardUserDefaults()->stringForKey(key);
    // The file manager may take its time; the settings stay responsive.
    std::thread([reveal = operatorState().dialogs.revealItem, path] {
        if (reveal) {
            reveal(path);
        }
    }).detach();
}

void AppDelegate::tabView(QObject *tabView, int didSelectTabViewItem)
{
    Q_UNUSED(didSelectTabViewItem);
    QPointer<QObject> tabs(tabView);
    QTimer::singleShot(kTabRedrawDelayMs, this, [this, tabs] { doForceRedraw(tabs); });
}

void AppDelegate::doForceRedraw(QObject *sender)
{
    QWidget *tabs = qobject_cast<QTabWidget *>(sender);
    if (!tabs && operatorState_ && operatorState_->ibPrefWindow) {
        tabs = operatorState_->ibPrefWindow->ibTabView();
    }
    if (tabs) {
        tabs->update();
    }
}
