#pragma once

#include <QList>
#include <QObject>

class AppDelegate;
class QAction;
class QActionGroup;
class QKeySequence;
class QMenu;
class QWidget;

// The application's commands, made once and offered by every kiosk window: by
// their Control shortcuts (a held Control keeps the keys out of the code being
// typed) and on a right click. Without a console they are the operator's only
// way to the settings, Identify, the transition and the menu bar.
class AppCommands : public QObject
{
    Q_OBJECT
public:
    explicit AppCommands(AppDelegate *delegate);
    ~AppCommands() override;

    const QList<QAction *> &actions() const { return actions_; }
    // The shortcuts work while window is active; a right click lists the commands.
    void addTo(QWidget *window) const;

private:
    QAction *add(const QString &text, const QKeySequence &shortcut);
    void markTransition() const;

    QList<QAction *> actions_;
    QMenu *transitionMenu_;
    QActionGroup *transitions_;
};
