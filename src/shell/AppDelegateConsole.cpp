// The operator's console: made at launch when wanted, kept on the operator's
// screen, told when the application comes to the front or leaves it.

#include "shell/AppDelegate.h"

#include "console/MainWindowController.h"
#include "console/ReAssignCodeWindowController.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppCommands.h"
#include "shell/CommonHeader.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

void AppDelegate::applicationWillBecomeActive()
{
    MainWindowController *window = mainWindowController_.get();
    if (!window || !Preferences::standardUserDefaults()->boolForKey(kPrefAlwaysShowMainWindow)) {
        return;
    }
    // An alert in front keeps the keyboard: it is what the operator answers.
    if (QApplication::activeModalWidget()) {
        return;
    }
    window->raise();
    window->activateWindow();
    window->centerToMainScreen();
}

void AppDelegate::openMainWindowIfWanted()
{
    if (mainWindowController_ ||
        !Preferences::standardUserDefaults()->boolForKey(kPrefAlwaysShowMainWindow)) {
        return;
    }
    mainWindowController_ = std::make_shared<MainWindowController>(this, MainWindowEnvironment());
    MainWindowController *window = mainWindowController_.get();
    // The operator's screen is the first one; the others belong to the displays.
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
        window->move(screens.constFirst()->availableGeometry().topLeft());
    }
    window->setReassignSheetOpener(ReAssignCodeWindowController::sheetOpener());
    // The console's own commands first, then the application's.
    QMenu *menu = window->menuBar()->actions().constFirst()->menu();
    menu->addSeparator();
    menu->addActions(commands().actions());
    commands().addTo(window);
    window->menuBar()->setVisible(menuBarVisible());
    // Floating, so that on a shared screen the console stays above the photos.
    // Set before the first show: changed later, the flag re-creates the native
    // window, which window managers then decorate and focus anew.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->show();
    QTimer::singleShot(kCenterToMainScreenDelayMs, window,
                       [window] { window->centerToMainScreen(); });

    auto *app = qobject_cast<QGuiApplication *>(QGuiApplication::instance());
    if (!app) {
        return;
    }
    connect(app, &QGuiApplication::applicationStateChanged, window, [](Qt::ApplicationState state) {
        NotificationCenter *center = NotificationCenter::defaultCenter();
        if (state == Qt::ApplicationActive) {
            center->postNotificationName(kApplicationDidBecomeActive);
        } else if (state == Qt::ApplicationInactive) {
            center->postNotificationName(kApplicationDidResignActive);
        }
    });
    // Screens come and go: the display pop-up follows, and the console goes
    // back to the operator's screen.
    const auto screensChanged = [window] {
        window->handleScreenParametersChanged();
        window->centerToMainScreen();
    };
    connect(app, &QGuiApplication::screenAdded, window, screensChanged);
    connect(app, &QGuiApplication::screenRemoved, window, screensChanged);
}
