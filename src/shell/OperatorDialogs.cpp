#include "shell/OperatorDialogs.h"

#include "platform/Beep.h"
#include "shell/CommonHeader.h"
#include "support/OvraExtras.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>

namespace {

void showOpenPanel(QWidget *parent, const QVariantMap &parameters, const QString &startFolder,
                   const OperatorDialogs::PanelDone &done)
{
    const bool folders = parameters.value(kPanelCanChooseFoldersKey).toBool();
    const bool files = parameters.value(kPanelCanChooseFilesKey).toBool();
    auto *panel = new QFileDialog(parent);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowTitle(parameters.value(kPanelMessageKey).toString());
    panel->setLabelText(QFileDialog::Accept, parameters.value(kPanelPromptKey).toString());
    panel->setFileMode(folders && !files ? QFileDialog::Directory : QFileDialog::ExistingFile);
    QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
    if (folders && !files) {
        options |= QFileDialog::ShowDirsOnly;
    }
    // A new folder may be made only where folders are chosen.
    if (!folders) {
        options |= QFileDialog::ReadOnly;
    }
    panel->setOptions(options);
    panel->setFilter(panel->filter() | QDir::Hidden);
    const QFileInfo start(startFolder);
    if (start.isDir()) {
        panel->setDirectory(startFolder);
    } else if (start.isFile()) {
        panel->setDirectory(start.absolutePath());
        panel->selectFile(start.fileName());
    }
    panel->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(panel, &QDialog::finished, panel, [panel, done](int result) {
        const bool ok = result == QDialog::Accepted;
        done(ok ? 1 : 0, ok ? panel->selectedFiles() : QStringList());
    });
    panel->open();
}

void showAlertSheet(QWidget *parent, const QString &message, const QString &button,
                    const QString &informative)
{
    auto *alert = new QMessageBox(parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Information);
    alert->setText(message);
    alert->setInformativeText(informative);
    alert->setDefaultButton(alert->addButton(button, QMessageBox::AcceptRole));
    alert->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    alert->open();
}

} // namespace

OperatorDialogs OperatorDialogs::standard()
{
    OperatorDialogs dialogs;
    dialogs.openPanel = showOpenPanel;
    dialogs.alertSheet = showAlertSheet;
    dialogs.beep = OvraBeep;
    dialogs.revealItem = revealItemInFinder;
    return dialogs;
}

void OperatorDialogs::beginSheet(QWidget *dialog, QWidget *parent)
{
    dialog->hide();
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    // A dialog without a parent widget names its parent window instead.
    if (!dialog->parentWidget()) {
        dialog->winId();
        QWindow *parentWindow = nullptr;
        if (parent) {
            parent->window()->winId();
            parentWindow = parent->window()->windowHandle();
        }
        dialog->windowHandle()->setTransientParent(parentWindow);
    }
    dialog->show();
    dialog->raise();
}
