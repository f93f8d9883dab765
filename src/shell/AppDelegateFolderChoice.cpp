// The photo-store root behind the folder password, and the open panels that
// choose a folder or a file into a folder reference.

#include "shell/AppDelegate.h"

#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "shell/OperatorState.h"
#include "shell/PreferenceKeys.h"
#include "support/MyAliasKit.h"
#include "support/OvraAdditions.h"
#include "support/PhotoStoreLayout.h"

#include <QDebug>
#include <QLineEdit>

namespace {

const QString kSelf = QStringLiteral("AppDelegate");

QString describe(const QVariant &value)
{
    QString text;
    QDebug(&text).noquote() << value;
    return text;
}

QWidget *windowOf(QObject *control)
{
    auto *widget = qobject_cast<QWidget *>(control);
    return widget ? widget->window() : nullptr;
}

QVariantMap panelParameters(QObject *delegate, QObject *sender, const QString &message,
                            bool folders, const QString &pathKey)
{
    QVariantMap parameters = PreferenceKeys::tripleDescriptor(pathKey);
    parameters.insert(kPanelDelegateKey, QVariant::fromValue(delegate));
    parameters.insert(kPanelMessageKey, message);
    parameters.insert(kPanelPromptKey, kPanelPromptSelect);
    parameters.insert(kPanelSenderKey, QVariant::fromValue(sender));
    parameters.insert(kPanelCanChooseFoldersKey, folders);
    parameters.insert(kPanelCanChooseFilesKey, !folders);
    return parameters;
}

} // namespace

QString AppDelegate::getTwoDigitDay()
{
    return ::getTwoDigitDay();
}

QString AppDelegate::folderPassword()
{
    return kFolderPasswordPrefix + getTwoDigitDay();
}

void AppDelegate::selectFolder(QObject *sender)
{
    PrefWindowController *prefs = prefWindow();
    QDialog *sheet = prefs->ibPasswordWindow();
    if (!sheet || !prefs->ibPasswordTextField()) {
        return;
    }
    prefs->ibPasswordTextField()->clear();
    OperatorState &state = operatorState();
    state.passwordContext = {{kKeyOriginalSender, QVariant::fromValue(sender)}};
    state.passwordSheetOpen = true;
    OperatorDialogs::beginSheet(sheet, prefs);
    prefs->ibPasswordTextField()->setFocus();
}

void AppDelegate::continuePasswordWindow(QObject *sender)
{
    Q_UNUSED(sender);
    OperatorState &state = operatorState();
    QLineEdit *field = state.ibPrefWindow ? state.ibPrefWindow->ibPasswordTextField() : nullptr;
    if (!state.passwordSheetOpen || !field) {
        return;
    }
    // Read now, not when the sheet opened: the day may have changed meanwhile.
    if (field->text().compare(folderPassword(), Qt::CaseInsensitive) == 0) {
        passwordSheetDidEnd(kSheetReturnContinue, state.passwordContext);
        return;
    }
    OvraLog(kLogOperatorCommand.arg(kSelf, QStringLiteral("continuePasswordWindow"),
                                    kLogWrongFolderPassword));
    field->clear();
    state.dialogs.beep();
    state.dialogs.beep();
}

void AppDelegate::cancelPasswordWindow(QObject *sender)
{
    Q_UNUSED(sender);
    OperatorState &state = operatorState();
    if (state.passwordSheetOpen) {
        passwordSheetDidEnd(kSheetReturnStopped, state.passwordContext);
    }
}

void AppDelegate::passwordSheetDidEnd(int returnCode, const QVariantMap &contextInfo)
{
    // The context may be the one kept below, which ends with the sheet.
    const QVariantMap context = contextInfo;
    OperatorState &state = operatorState();
    OvraLog(kLogContextInfoIs.arg(describe(context)));
    state.passwordSheetOpen = false;
    state.passwordContext.clear();
    if (state.ibPrefWindow) {
        state.ibPrefWindow->ibPasswordWindow()->hide();
    }
    if (returnCode == kSheetReturnContinue) {
        selectSlideShowFolder(context.value(kKeyOriginalSender).value<QObject *>());
    }
}

void AppDelegate::selectSlideShowFolder(QObject *sender)
{
    doNSOpenPanelWithParameters(
        panelParameters(this, sender, kPanelMessageSlideShowFolder, true, kPrefSlideShowPath));
}

void AppDelegate::selectItem(QObject *sender)
{
    doNSOpenPanelWithParameters(
        panelParameters(this, sender, kPanelMessageMovie, false, kPrefMoviePath));
}

void AppDelegate::doNSOpenPanelWithParameters(const QVariantMap &parameters)
{
    const QString pathKey = parameters.value(kPrefFolderNameKey).toString();
    const QString current = Preferences::standardUserDefaults()->stringForKey(pathKey);
    const QString start = current.isEmpty() ? QString() : expandTilde(current);
    QWidget *parent = windowOf(parameters.value(kPanelSenderKey).value<QObject *>());
    QPointer<AppDelegate> self(this);
    operatorState().dialogs.openPanel(parent, parameters, start,
                                      [self, parameters](int code, const QStringList &paths) {
                                          if (self) {
                                              self->openPanelDidEndNew(code, paths, parameters);
                                          }
                                      });
}

void AppDelegate::openPanelDidEndNew(int returnCode, const QStringList &paths,
                                     const std::optional<QVariantMap> &contextInfo)
{
    if (returnCode == kPanelReturnCancel) {
        OvraLog(kLogOpenPanelCancel);
        return;
    }
    if (returnCode != kPanelReturnOk) {
        OvraLog(kLogOpenPanelUnknown);
        return;
    }
    OvraLog(kLogOpenPanelOk);
    if (!contextInfo) {
        OvraLog(kLogOpenPanelNilContext);
        return;
    }
    const QString chosen = paths.isEmpty() ? QString() : paths.last();
    const QString pathKey = contextInfo->value(kPrefFolderNameKey).toString();
    const QString aliasKey = contextInfo->value(kPrefFolderAliasDataKey).toString();
    const QString validKey = contextInfo->value(kPrefFolderNameIsValidKey).toString();
    if (chosen.isEmpty() || pathKey.isEmpty() || aliasKey.isEmpty() || validKey.isEmpty()) {
        return;
    }
    Preferences &store = *Preferences::standardUserDefaults();
    store.setObject(chosen, pathKey);
    store.setBool(true, validKey);
    // An old record would find the previous choice again once this one is gone.
    if (MyAliasKit::aliasDataForPath(chosen).isEmpty()) {
        store.removeObjectForKey(aliasKey);
        OvraLog(kLogNoAliasForChoice.arg(kSelf, QStringLiteral("openPanelDidEndNew"), chosen,
                                         aliasKey));
    } else {
        MyAliasKit::savePath(chosen, aliasKey, &store);
    }
}
