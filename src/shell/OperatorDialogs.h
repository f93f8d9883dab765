#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QWidget;

// What the operator commands ask of the desktop: open panels, alert sheets,
// the beep and the file manager. The standard set shows real dialogs; tests
// install functions that answer at once, so no command waits for a person.
class OperatorDialogs
{
public:
    // Called with the panel's return code (0 cancel, 1 OK) and the chosen paths.
    using PanelDone = std::function<void(int returnCode, const QStringList &paths)>;
    // parameters: the open-panel parameters ("panelMessageKey", "panelPromptKey",
    // "panelCanChooseFoldersKey", "panelCanChooseFilesKey"); startFolder may be
    // empty. The panel is a sheet on parent (none: free-standing).
    using OpenPanel = std::function<void(QWidget *parent, const QVariantMap &parameters,
                                         const QString &startFolder, PanelDone done)>;
    // An alert sheet with one button; it does not wait for the answer.
    using AlertSheet = std::function<void(QWidget *parent, const QString &message,
                                          const QString &button, const QString &informative)>;

    OpenPanel openPanel;
    AlertSheet alertSheet;
    std::function<void()> beep;
    // Shows a folder in the file manager; runs off the main thread.
    std::function<void(const QString &path)> revealItem;

    static OperatorDialogs standard();

    // Shows dialog as a sheet of parent (its window stays blocked while the
    // sheet shows), or free-standing and application-modal without one.
    static void beginSheet(QWidget *dialog, QWidget *parent);
};
