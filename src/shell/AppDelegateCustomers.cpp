// The customer table of the settings window, and where a code plays.

#include "shell/AppDelegate.h"

#include "intake/OvraPhotoQueryController.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "shell/CustomerTableModel.h"
#include "shell/OperatorState.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/slideShowWindowController.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTableView>

namespace {
const QString kSelf = QStringLiteral("AppDelegate");
} // namespace

std::optional<QString> AppDelegate::getSlideshowWindowName(const QString &code)
{
    const Preferences &store = *Preferences::standardUserDefaults();
    for (std::size_t i = 0; i < _slideShowWindowControllerList.size(); ++i) {
        const QString folder =
            QFileInfo(QDir::cleanPath(_slideShowWindowControllerList[i]->sourcePath())).fileName();
        if (!folder.isEmpty() && folder.compare(code, Qt::CaseInsensitive) == 0) {
            const QVariant room =
                store.objectForKey(PreferenceKeys::displayNameKey(static_cast<int>(i) + 1));
            return kRoomOfCodeFormat.arg(code,
                                         room.isValid() ? room.toString() : kMissingObjectText);
        }
    }
    OvraLog(kLogCodeNotPlaying.arg(kSelf, code));
    return std::nullopt;
}

QString AppDelegate::formPathForCode(const QString &code, const QString &withDailyFolder) const
{
    return ::formPathForCode(code, withDailyFolder, Preferences::standardUserDefaults());
}

void AppDelegate::reloadCustomerTable()
{
    Preferences *store = Preferences::standardUserDefaults();
    const QString root = getPhotoStoreRoot(store);
    const QString day = getDailyFolderName(store);
    const QString dayFolder = root.isEmpty() || day.isNull() ? QString() : QDir(root).filePath(day);
    prefWindow()->setCustomerRows(CustomerTableModel::rowsOfDayFolder(dayFolder));
}

void AppDelegate::doClickOnTableView(QObject *sender)
{
    Q_UNUSED(sender);
    const QString op = QStringLiteral("doClickOnTableView");
    PrefWindowController *prefs = prefWindow();
    const int row = prefs->selectedRow();
    if (row < 0) {
        OvraLog(kLogOperatorCommand.arg(kSelf, op, kLogNoRowForCommand));
        return;
    }
    const QString code = prefs->ibArrayController()->rowDictionary(row).value(kKeyCode).toString();
    const QString path = formPathForCode(code, getDailyFolderName());
    if (path.isNull()) {
        OvraLog(kLogOperatorCommand.arg(kSelf, op, kLogNoFolderForCode.arg(code)));
        return;
    }
    OperatorState &state = operatorState();
    if (!state.searchCallback) {
        state.searchCallback = std::make_unique<SearchCallback>(
            [this](OvraPhotoQueryController *query, const QVariantMap &param) {
                doneSearchOperation(query, param);
            });
    }
    if (!_photoQuery) {
        _photoQuery = std::make_unique<OvraPhotoQueryController>();
    }
    const QVariantMap request{{kKeySearchPath, path},
                              {kKeySearchKey, QVariantList{kSearchKeyAll}},
                              {kKeyDelegate, searchDelegateValue(state.searchCallback.get())}};
    // Started from the event loop: the click returns at once.
    OvraPhotoQueryController *query = _photoQuery.get();
    QMetaObject::invokeMethod(
        query, [query, request] { query->startSearchActionWithParam(request); },
        Qt::QueuedConnection);
}

void AppDelegate::doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param)
{
    Q_UNUSED(param);
    const QStringList found = query ? query->response() : QStringList();
    if (found.isEmpty() || !operatorState_ || !operatorState_->fImageBrowserViewController) {
        return;
    }
    operatorState_->fImageBrowserViewController->addImages(QStringList(found));
}

void AppDelegate::doDoubleClickOnTableView(QObject *sender)
{
    Q_UNUSED(sender);
    const QString op = QStringLiteral("doDoubleClickOnTableView");
    OperatorState &state = operatorState();
    PrefWindowController *prefs = prefWindow();
    const bool tableHasFocus = prefs->focusWidget() == prefs->ibCustomerTableView();
    if (!tableHasFocus) {
        OvraLog(kLogTableNotFirstResponder);
        state.dialogs.beep();
    }
    // With one display there is no room to choose: say so and stop.
    if (QGuiApplication::screens().size() < 2) {
        state.dialogs.alertSheet(prefs, kAlertOnlyOneDisplay, kAlertOk, kAlertNothingToChoose);
        return;
    }
    if (!tableHasFocus) {
        return;
    }
    const int row = prefs->clickedRow() >= 0 ? prefs->clickedRow() : prefs->selectedRow();
    const QVariantMap info = prefs->ibArrayController()->rowDictionary(row);
    if (info.isEmpty()) {
        OvraLog(kLogOperatorCommand.arg(kSelf, op, kLogNoRowForCommand));
        return;
    }
    const QString code = info.value(kKeyCode).toString();
    const QString path = formPathForCode(code, getDailyFolderName());
    if (path.isNull()) {
        OvraLog(kLogOperatorCommand.arg(kSelf, op, kLogNoFolderForCode.arg(code)));
        return;
    }
    // The chooser posts the index of the entry chosen, so it needs the list of
    // displays to choose from.
    const Preferences &store = *Preferences::standardUserDefaults();
    QVariantList displays;
    for (std::size_t i = 0; i < _slideShowWindowControllerList.size(); ++i) {
        const int n = int(i) + 1;
        const QString room = store.stringForKey(PreferenceKeys::displayNameKey(n));
        displays << QVariantMap{{kKeyDisplayName, room.isEmpty()
                                                      ? kChooserDisplayNumberFormat.arg(n)
                                                      : kChooserDisplayNameFormat.arg(n).arg(room)},
                                {kKeyScreenIndex, int(i)},
                                {kKeyEnableItem, true}};
    }
    if (!state.selectDisplayWindowController) {
        state.selectDisplayWindowController = new SelectDisplayWindowController(prefs);
    }
    state.selectDisplayWindowController->showDialogWithParam(
        {{kKeyDelegate, QVariant::fromValue(static_cast<QObject *>(this))},
         {kKeyParentWindow, QVariant::fromValue(static_cast<QObject *>(prefs))},
         {kKeyInfo, info},
         {kKeySourcePath, path},
         {kKeyDisplayNamesArrayController, displays}});
}
