// The displays: the display pop-up, starting a code or the demo slides on a
// display, the display status, and the window's place on the operator's screen.

#include "console/MainWindowController.h"

#include "ui_MainWindowController.h"

#include "console/CodeListModel.h"
#include "console/CodeListSortProxy.h"
#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/PreferenceBinding.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/SelectDisplayWindowController.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardItemModel>

namespace {
const QString kSelf = QStringLiteral("MainWindowController");
}

int MainWindowController::screenCount() const
{
    return qMax(0, fEnvironment.screenCount());
}

void MainWindowController::rebuildPopupArrayController()
{
    const int screens = screenCount();
    QVariantList entries;
    for (int i = 0; i < screens; ++i) {
        const int number = i + 1;
        const QString name = fStore->stringForKey(PreferenceKeys::displayNameKey(number));
        const QString title = name.isEmpty() ? kDisplayTitleFormat.arg(number)
                                             : kNamedDisplayTitleFormat.arg(number).arg(name);
        entries << QVariantMap{{kKeyDisplayName, title},
                               {kKeyScreenIndex, i},
                               {kKeyEnableItem, !(i == 0 && screens >= 2)}};
    }
    _popupArrayController = entries;

    QComboBox *popup = ui_->ibPopupButton;
    const int previous = popup->currentIndex();
    QSignalBlocker blocker(popup);
    popup->clear();
    auto *model = qobject_cast<QStandardItemModel *>(popup->model());
    for (const QVariant &value : std::as_const(entries)) {
        const QVariantMap entry = value.toMap();
        popup->addItem(entry.value(kKeyDisplayName).toString(), entry.value(kKeyScreenIndex));
        if (model && !entry.value(kKeyEnableItem).toBool()) {
            model->item(popup->count() - 1)->setEnabled(false);
        }
    }
    // With several screens the first one is the operator's. A display the
    // operator picked stays picked while it is still there.
    int index = screens >= 2 ? 1 : (screens == 1 ? 0 : -1);
    if (previous >= 0 && previous < screens && !(screens >= 2 && previous == 0)) {
        index = previous;
    }
    popup->setCurrentIndex(index);
}

void MainWindowController::doSetupDisplayPopup(QObject *sender)
{
    rebuildPopupArrayController();
    if (auto *popup = qobject_cast<QComboBox *>(sender)) {
        fCenter->postNotificationName(kRequestSlideShowStatus, QVariant(),
                                      {{kKeyScreenIndex, popup->currentIndex()}});
    }
}

void MainWindowController::handleScreenParametersChanged()
{
    rebuildPopupArrayController();
    fCenter->postNotificationName(kUpdateWindow);
}

void MainWindowController::doDoubleClickOnTableView(int clickedRow)
{
    QTableView *table = ui_->ibCustomerTableView;
    if (!table->hasFocus()) {
        OvraLog(kLogConsoleTableNotFirstResponder);
        OvraBeep();
    }
    const int row = clickedRow >= 0 ? clickedRow : selectedRow();
    if (row < 0 || row >= fArrangedList->rowCount()) {
        OvraLog(kLogTableNothingSelected);
        OvraBeep();
        return;
    }
    const QVariantMap entry = arrangedEntryAt(row);
    const QString code = entry.value(kKeyCode).toString();
    const QString path = formPathForCodeNew(code, fStore);
    bool counted = false;
    const qint64 qty = entry.value(kEntryQty).toString().toLongLong(&counted);
    if (!counted || qty <= 0) {
        OvraLog(kLogNoImagesForCode.arg(code));
        OvraBeep();
        return;
    }
    startCodeOnDisplay(entry, path);
}

void MainWindowController::startCodeOnDisplay(const QVariantMap &info, const QString &sourcePath)
{
    if (screenCount() < 2) {
        OvraLog(kLogFewerThanTwoScreens.arg(kSelf, QStringLiteral("startCodeOnDisplay")));
    }
    if (fStore->boolForKey(kPrefConfirmRoomBeforeStartingSlideshow)) {
        QVariantMap param{{kKeyDelegate, QVariant::fromValue(static_cast<QObject *>(this))},
                          {kKeyParentWindow, QVariant::fromValue(static_cast<QObject *>(this))},
                          {kKeyInfo, info},
                          {kKeyDisplayNamesList, _displayNamesList},
                          {kKeyDisplayNamesArrayController, _popupArrayController}};
        if (!sourcePath.isEmpty()) {
            param.insert(kKeySourcePath, sourcePath);
        }
        _selectDisplayWindowController->showDialogWithParam(param);
        return;
    }
    if (sourcePath.isEmpty()) {
        return;
    }
    fCenter->postNotificationName(
        kSlideShowParamChanged, QVariant(),
        {{kKeyScreenIndex, ui_->ibPopupButton->currentIndex()}, {kKeySourcePath, sourcePath}});
}

void MainWindowController::doDemoSlides()
{
    if (!ui_->ibCustomerTableView->hasFocus()) {
        OvraLog(kLogConsoleTableNotFirstResponder);
        OvraBeep();
        return;
    }
    const QString folder = getDemoSlidesFolder(fStore);
    const QVariantMap demo{
        {kKeyCode, kDemoEntryCode}, {kKeyName, kDemoEntryName}, {kEntrySourcePath, folder}};
    int slides = 0;
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        QDir dir(folder);
        if (!dir.isReadable()) {
            OvraLog(kLogBumpedIntoError.arg(folder));
        }
        const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString &name : names) {
            if (isDemoSlideFile(name)) {
                ++slides;
            }
        }
    }
    if (slides == 0) {
        fEnvironment.presentAlert(this, kAlertNoDemoImages, kAlertNoDemoImagesText.arg(folder),
                                  kMainWindowAlertOk);
        return;
    }
    startCodeOnDisplay(demo, folder);
}

void MainWindowController::handleSlideShowStatusNotification(const Notification &notification)
{
    const QVariantMap &info = notification.userInfo;
    const int index = info.contains(kKeyScreenIndex) ? info.value(kKeyScreenIndex).toInt() : -1;
    if (info.contains(kKeyMesg) && index >= 0 && index == ui_->ibPopupButton->currentIndex()) {
        const QString key = PreferenceKeys::displayStatusKey(index + 1);
        fStore->setObject(info.value(kKeyMesg).toString(), key);
        bindStatusField(key);
    }
    if (info.contains(kKeyCode) && info.contains(kKeyCodeStatus)) {
        fCodeList->setCodeStatus(info.value(kKeyCode).toString(),
                                 info.value(kKeyCodeStatus).toString());
    }
    if (info.contains(kKeyScreenIsPlaying)) {
        OvraLog(kLogScreenIsPlaying.arg(kSelf, QStringLiteral("handleSlideShowStatusNotification"),
                                        info.value(kKeyScreenIsPlaying).toString()));
    }
    followWorkingFolder(info);
}

void MainWindowController::followWorkingFolder(const QVariantMap &status)
{
    if (!status.contains(kKeyScreenIndex)) {
        return;
    }
    const int index = status.value(kKeyScreenIndex).toInt();
    if (status.contains(kKeyMesg)) {
        fDisplayRunning.insert(index, status.value(kKeyMesg).toString() == kMesgSlideShowRunning);
    }
    if (status.contains(kKeyCode) && !fWorkingFolderName.isEmpty() &&
        status.value(kKeyCode).toString().compare(fWorkingFolderName, Qt::CaseInsensitive) == 0) {
        // The old folder's status (not playing) comes before the new one's.
        if (status.value(kKeyScreenIsPlaying).toBool()) {
            fWorkingFolderDisplays.insert(index);
        } else {
            fWorkingFolderDisplays.remove(index);
        }
    } else if (status.contains(kKeyCode) && status.value(kKeyScreenIsPlaying).toBool()) {
        fWorkingFolderDisplays.remove(index); // that display now plays another folder
    }
    markWorkingFolderCode();
}

void MainWindowController::markWorkingFolderCode()
{
    int playing = -1;
    for (const int index : std::as_const(fWorkingFolderDisplays)) {
        if (fDisplayRunning.value(index) && (playing < 0 || index < playing)) {
            playing = index;
        }
    }
    QString code;
    QString status;
    if (playing >= 0 && !fWorkingFolderCode.isEmpty()) {
        const QVariant room = fStore->objectForKey(PreferenceKeys::displayNameKey(playing + 1));
        code = fWorkingFolderCode;
        status = kCodeStatusFormat.arg(code, room.isValid() ? room.toString() : kMissingObjectText);
    }
    if (code == fMarkedCode && status == fMarkedStatus) {
        return;
    }
    if (!fMarkedCode.isEmpty() && fMarkedCode.compare(code, Qt::CaseInsensitive) != 0) {
        setRowStatus(fMarkedCode, fMarkedCode);
    }
    fMarkedCode = code;
    fMarkedStatus = status;
    if (!code.isEmpty()) {
        setRowStatus(code, status);
    }
}

void MainWindowController::setRowStatus(const QString &code, const QString &status)
{
    if (fCodeList->setCodeStatus(code, status) > 0) {
        OvraLog(
            kLogWorkingFolderRow.arg(kSelf, QStringLiteral("markWorkingFolderCode"), code, status));
    }
}

void MainWindowController::bindStatusField(const QString &key)
{
    if (fStatusBinding && fStatusBinding->key() == key) {
        return;
    }
    delete fStatusBinding;
    fStatusBinding = PreferenceBinding::bind(ui_->ibSlideShowStatusTextField, key, fStore);
}

void MainWindowController::centerToMainScreen()
{
    const QRect visible = fEnvironment.mainScreenFrame();
    if (!visible.isValid()) {
        return;
    }
    QRect frame = frameGeometry();
    if (visible.contains(frame)) {
        return;
    }
    // A window larger than the screen is fitted to it first.
    const QSize margins = frame.size() - size();
    const QSize fitted = size().boundedTo(visible.size() - margins);
    if (fitted != size()) {
        resize(fitted);
        frame = frameGeometry();
    }
    // Measured from the screen's own origin: the operator's screen need not
    // start at the top left of the desktop.
    move(visible.topLeft() +
         QPoint((visible.width() - frame.width()) / 2, (visible.height() - frame.height()) / 2));
    update();
}
