#include "console/MainWindowController.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "console/ReAssignCodeWindowController.h"
#include "console/ReassignmentRecord.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString kClassName = QStringLiteral("ReAssignCodeWindowController");
} // namespace

void ReAssignCodeWindowController::doEndSheet(QAbstractButton *sender)
{
    if (sender && sender->property(kAlternateTitleProperty).toString() == kAlternateTitleContinue) {
        assign();
        return;
    }
    done(kReassignReturnStopped);
}

void ReAssignCodeWindowController::reject()
{
    // Escape and the window's close box end the sheet like the other button.
    done(kReassignReturnStopped);
}

void ReAssignCodeWindowController::assign()
{
    OvraLog(kLogReassignAction.arg(kClassName, QStringLiteral("doEndSheet")));
    const QString oldCode = _fOldCode.toUpper();
    const QString newCode = _fSelectedInfo.value(kKeyCode).toString().toUpper();
    // An entry without a code is no new code either.
    if (newCode.isEmpty() || oldCode == newCode) {
        showAlert(kReassignAlertSameCode, kReassignAlertSameCodeText);
        return;
    }
    if (getChangedImageList().isEmpty()) {
        showAlert(kReassignAlertNoImages, kReassignAlertNoImagesText);
        return;
    }
    const QString text = kReassignConfirmText.arg(
        _fOldInfo.value(kKeyName).toString(), _fOldInfo.value(kKeyCode).toString(),
        _fSelectedInfo.value(kKeyName).toString(), _fSelectedInfo.value(kKeyCode).toString());
    if (!confirm(text)) {
        return;
    }
    // Confirmed ends with "moved" even when every move failed: the console
    // reloads and shows where the photos really are.
    doMoveImages();
    done(kReassignReturnMoved);
}

void ReAssignCodeWindowController::showAlert(const QString &title, const QString &text)
{
    if (fAlerts.alert) {
        fAlerts.alert(this, title, text, kReassignAlertOk);
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::NoButton, this);
    box.setInformativeText(text);
    box.setWindowModality(Qt::ApplicationModal);
    box.addButton(kReassignAlertOk, QMessageBox::AcceptRole);
    box.exec();
}

bool ReAssignCodeWindowController::confirm(const QString &text)
{
    if (fAlerts.confirm) {
        return fAlerts.confirm(this, kReassignConfirmTitle, text, kReassignConfirmCancel,
                               kReassignConfirmYes);
    }
    QMessageBox box(QMessageBox::Question, kReassignConfirmTitle, kReassignConfirmTitle,
                    QMessageBox::NoButton, this);
    box.setInformativeText(text);
    box.setWindowModality(Qt::ApplicationModal);
    // The safe answer is the default: Return and Escape both cancel.
    QPushButton *cancel = box.addButton(kReassignConfirmCancel, QMessageBox::RejectRole);
    QPushButton *yes = box.addButton(kReassignConfirmYes, QMessageBox::AcceptRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == yes;
}

QString ReAssignCodeWindowController::createCodeChangesPath() const
{
    return fRecordFolder ? fRecordFolder() : ::createCodeChangesPath();
}

QString ReAssignCodeWindowController::getReassignmentXmlPath() const
{
    const QString folder = createCodeChangesPath();
    if (folder.isEmpty()) {
        return QString();
    }
    return QDir(folder).filePath(ReassignmentRecord::fileName(Clock::now()));
}

CodeReassignment::Result ReAssignCodeWindowController::doMoveImages()
{
    CodeReassignment reassignment;
    reassignment.oldCode = _fOldCode;
    reassignment.newCode = _fSelectedInfo.value(kKeyCode).toString();
    reassignment.oldFolder = formPathForCodeNew(reassignment.oldCode, fStore);
    reassignment.newFolder = formPathForCodeNew(reassignment.newCode, fStore);
    reassignment.files = getChangedImageList();
    reassignment.newCodeInfo = _fSelectedInfo.value(kEntryCodeInfo).toMap();
    reassignment.recordFolder = [this] {
        return createCodeChangesPath();
    };
    return reassignment.run();
}

std::function<void(MainWindowController *, const QVariantMap &)>
ReAssignCodeWindowController::sheetOpener(Preferences *store, NotificationCenter *center,
                                          ReassignAlerts alerts)
{
    return [store, center, alerts](MainWindowController *window, const QVariantMap &param) {
        auto *sheet = new ReAssignCodeWindowController(window, store, center, alerts);
        sheet->setupWindow(param);
        window->setReassignCodeWindowController(sheet);
        connect(sheet, &QDialog::finished, window, &MainWindowController::sheetDidEnd);
        sheet->setWindowModality(Qt::WindowModal);
        sheet->open();
    };
}
