#include "shell/AppCommands.h"

#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

AppCommands::AppCommands(AppDelegate *delegate)
    : QObject(delegate), transitionMenu_(new QMenu(tr("Transition"))),
      transitions_(new QActionGroup(this))
{
    connect(add(tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma)), &QAction::triggered,
            delegate, [delegate] { delegate->openPrefs(nullptr); });
    connect(add(tr("Identify Displays"), QKeySequence(Qt::CTRL | Qt::Key_I)), &QAction::triggered,
            delegate, [delegate] { delegate->doIdentifyAll(nullptr); });

    // The transition choices, as in the settings window's pop-up.
    const Preferences &store = *Preferences::standardUserDefaults();
    for (const QString &title : AppDelegate::transitionMenuItems(store)) {
        if (title.isEmpty()) {
            transitionMenu_->addSeparator();
            continue;
        }
        QAction *choice = transitionMenu_->addAction(title);
        choice->setCheckable(true);
        transitions_->addAction(choice);
        connect(choice, &QAction::triggered, delegate,
                [delegate, title] { delegate->chooseTransition(title); });
    }
    connect(transitionMenu_, &QMenu::aboutToShow, this, &AppCommands::markTransition);
    actions_.append(transitionMenu_->menuAction());
    connect(add(tr("Show / Hide Menu Bar"), QKeySequence(Qt::CTRL | Qt::Key_M)),
            &QAction::triggered, delegate, [delegate] { delegate->showMenu(nullptr); });

    add(QString(), {})->setSeparator(true);
    actions_.append(delegate->watchTodaysFolderAction());
    actions_.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    actions_.append(delegate->tidyLocalSlideShowFolderAction());
    actions_.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));

    add(QString(), {})->setSeparator(true);
    connect(add(tr("Return to Main Application"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q)),
            &QAction::triggered, delegate, [delegate] { delegate->returnToMain(); });
    connect(add(tr("Relaunch"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)),
            &QAction::triggered, delegate, [delegate] { delegate->relaunchApp(QVariant()); });
}

AppCommands::~AppCommands()
{
    delete transitionMenu_;
}

QAction *AppCommands::add(const QString &text, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, this);
    action->setShortcut(shortcut);
    actions_.append(action);
    return action;
}

void AppCommands::addTo(QWidget *window) const
{
    window->addActions(actions_);
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void AppCommands::markTransition() const
{
    const Preferences &store = *Preferences::standardUserDefaults();
    const QString mode = store.stringForKey(kPrefUseTransitionMode);
    const QString current = mode.compare(kTransitionModeRandom, Qt::CaseInsensitive) == 0
                                ? kTransitionMenuRandom
                                : store.stringForKey(kPrefTransitionStyle);
    for (QAction *choice : transitions_->actions()) {
        choice->setChecked(choice->text().compare(current, Qt::CaseInsensitive) == 0);
    }
}
