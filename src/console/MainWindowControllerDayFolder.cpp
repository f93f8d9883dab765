// Which day the console shows: today, a day some days back, or any folder
// the operator picks.

#include "console/MainWindowController.h"

#include "ui_MainWindowController.h"

#include "console/CodeListModel.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/Beep.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>

void MainWindowController::ibHandleDailyFolderPopup(int tag)
{
    if (tag == kDayFolderTagOtherDay) {
        const QString root = getPhotoStoreRoot(fStore);
        if (root.isEmpty()) {
            return;
        }
        QPointer<MainWindowController> self(this);
        fEnvironment.openPanel(this, root, kOpenPanelPrompt, kOpenPanelMessage,
                               [self](int result, const QString &path) {
                                   if (!self || result != 1 || path.isEmpty()) {
                                       if (self) {
                                           self->syncDayControls();
                                       }
                                       return;
                                   }
                                   self->fStore->setObject(path, kPrefPathToAlternateDateFolder);
                                   self->reloadAllData();
                               });
    } else if (tag == kDayFolderTagToday) {
        fStore->removeObjectForKey(kPrefPathToAlternateDateFolder);
        reloadAllData();
    }
}

void MainWindowController::ibClickOnTodayFolder()
{
    fStore->removeObjectForKey(kPrefPathToAlternateDateFolder);
    fStore->setInteger(0, kPrefDayStepperValue);
    ibClickedOnStepperForDate(std::nullopt);
}

void MainWindowController::ibClickedOnStepperForDate(std::optional<qint64> stepperValue)
{
    const qint64 days = qMin<qint64>(stepperValue ? qAbs(*stepperValue) : 0, kDayStepperMaxDays);
    const QDateTime date = dayStepperDate(days);
    fStore->setObject(date, kPrefSelectedDateString);
    const QString root = getPhotoStoreRoot(fStore);
    const QString name = getDayStepperFolderName(date, fStore);
    const QString folder = root.isEmpty() || name.isNull() ? QString() : QDir(root).filePath(name);
    const bool exists = !folder.isEmpty() && QFileInfo(folder).isDir();

    if (date.toLocalTime().date() == Clock::now().toLocalTime().date()) {
        fStore->removeObjectForKey(kPrefPathToAlternateDateFolder);
        if (exists) {
            reloadAllData();
            return;
        }
        OvraLog(kLogTodaysFolderMissing);
    } else {
        if (!folder.isEmpty()) {
            fStore->setObject(folder, kPrefPathToAlternateDateFolder);
        } else {
            fStore->removeObjectForKey(kPrefPathToAlternateDateFolder);
        }
        if (exists) {
            reloadAllData();
            return;
        }
        OvraBeep();
    }
    showEmptyView();
}

void MainWindowController::showEmptyView()
{
    clearSelectionWithoutClick();
    fCountPool.clear();
    fCodeList->setContent({});
    emptyBrowser();
    syncDayControls();
    emit codeListShown(0);
}

void MainWindowController::reloadAllData()
{
    scanFolderAgain();
    clearSelectionWithoutClick();
    if (_browser) {
        setCodeButtonsEnabled(false);
        _fLastSelectedCode = kPleaseSelectFromAbove;
        emptyBrowser();
    }
    syncDayControls();
}

void MainWindowController::syncDayControls()
{
    // The controls show the stored choice without acting on it again.
    const QSignalBlocker stepperBlocker(ui_->stepperforfolderday);
    ui_->stepperforfolderday->setValue(int(qBound(
        qint64(0), fStore->integerForKey(kPrefDayStepperValue), qint64(kDayStepperMaxDays))));
    const QString alternate = fStore->stringForKey(kPrefPathToAlternateDateFolder).trimmed();
    const int tag = alternate.isEmpty() ? kDayFolderTagToday : kDayFolderTagOtherDay;
    const QSignalBlocker popupBlocker(ui_->ibDailyFolderPopup);
    ui_->ibDailyFolderPopup->setCurrentIndex(ui_->ibDailyFolderPopup->findData(tag));
    const QString shown = getShownDayFolder(fStore);
    ui_->ibDayFolderLabel->setText(shown.isEmpty() ? QString() : QDir::toNativeSeparators(shown));
    ui_->ibDayFolderLabel->setToolTip(shown);
}
