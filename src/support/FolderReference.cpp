#include "support/FolderReference.h"

#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/MyAliasKit.h"

#include <QFileInfo>

namespace {

// The descriptor as the log has always shown it: one "key = value;" a line.
QString describe(const QVariantMap &descriptor)
{
    QString text = QStringLiteral("{\n");
    for (auto it = descriptor.cbegin(); it != descriptor.cend(); ++it) {
        text += QStringLiteral("    %1 = %2;\n").arg(it.key(), it.value().toString());
    }
    return text + QLatin1Char('}');
}

} // namespace

bool validateFolderPrefWithParam(const QVariantMap &descriptor, Preferences *store)
{
    OvraLog(kLogValidateFolderPref.arg(describe(descriptor)));
    Preferences *const prefs = store ? store : Preferences::standardUserDefaults();
    const QString pathKey = descriptor.value(kPrefFolderNameKey).toString();
    const QString aliasKey = descriptor.value(kPrefFolderAliasDataKey).toString();
    const QString validKey = descriptor.value(kPrefFolderNameIsValidKey).toString();

    const QVariant storedPath = pathKey.isEmpty() ? QVariant() : prefs->objectForKey(pathKey);
    if (!storedPath.isValid()) {
        return false;
    }
    const QString path = storedPath.toString();
    if (!path.isEmpty() && QFileInfo(path).isDir()) {
        return true;
    }

    const QByteArray alias = aliasKey.isEmpty() ? QByteArray() : prefs->dataForKey(aliasKey);
    QString resolvedPath;
    QByteArray refreshedAlias;
    const bool resolved = MyAliasKit::resolveAliasFromData(alias, &resolvedPath, &refreshedAlias);
    if (!validKey.isEmpty()) {
        prefs->setBool(resolved, validKey);
    }
    if (!resolved) {
        return false;
    }
    prefs->setObject(resolvedPath, pathKey);
    // Keeping the record's path current lets the next search start near the
    // item instead of where it was first chosen.
    if (!refreshedAlias.isEmpty() && !aliasKey.isEmpty()) {
        prefs->setObject(refreshedAlias, aliasKey);
    }
    return true;
}
