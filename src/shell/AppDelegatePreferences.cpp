// The delegate's preference work: seeding, forced values, local folders.

#include "shell/AppDelegate.h"

#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"
#include "support/QXLogFileManager.h"

#include <QDebug>
#include <QFileInfo>

namespace {

LocalFolderPaths gLocalFolderPaths = LocalFolderPaths::fallback();

QString describe(const QVariant &value)
{
    QString text;
    QDebug(&text).noquote() << value;
    return text;
}

// Single quotes keep every byte literal for /bin/sh; a quote inside is closed,
// escaped and reopened.
QString shellQuoted(const QString &path)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString executableNameOf(const Bundle &bundle)
{
    QString name = bundle.objectForInfoDictionaryKey(kInfoCFBundleExecutable).toString();
    if (name.isEmpty()) {
        name = bundle.objectForInfoDictionaryKey(kInfoCFBundleName).toString();
    }
    return name;
}

} // namespace

void AppDelegate::setupFactoryDefaults(Preferences &store, const Bundle &bundle)
{
    const QString factoryPath = bundle.pathForResource(kFactoryDefaultResource, kPlistType);
    OvraLog(kLogUserDefaultsValuesPath.arg(factoryPath));
    const QVariant factory =
        factoryPath.isEmpty() ? QVariant() : PropertyList::readFile(factoryPath);
    if (factory.typeId() == QMetaType::QVariantMap) {
        OvraLog(kLogAboutToRegisterFactoryDefaults.arg(describe(factory)));
        store.registerDefaults(factory.toMap());
    } else {
        OvraLog(kLogUserDefaultsValuesDictNil);
    }

    const QString forcedPath = bundle.pathForResource(kForcedDefaultPrefsResource, kPlistType);
    const QVariant forced = forcedPath.isEmpty() ? QVariant() : PropertyList::readFile(forcedPath);
    if (forced.typeId() == QMetaType::QVariantMap) {
        OvraLog(kLogResettingToForcedDefaults);
        const QVariantMap values = forced.toMap();
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            store.setObject(it.value(), it.key());
        }
    }
    store.synchronize();
}

LocalFolderPaths AppDelegate::fixHeaderStrings(const Bundle &bundle)
{
    const QString name = executableNameOf(bundle);
    if (name.isEmpty()) {
        OvraLog(kLogNoExecutableName.arg(QStringLiteral("AppDelegate"),
                                         QStringLiteral("fixHeaderStrings")));
        gLocalFolderPaths = LocalFolderPaths::fallback();
        return gLocalFolderPaths;
    }
    gLocalFolderPaths = LocalFolderPaths::forName(name);

    if (name.compare(kMigratingExecutableName, Qt::CaseInsensitive) == 0) {
        const QString dataFolder = expandTilde(QStringLiteral("~/") + name);
        if (!QFileInfo::exists(dataFolder)) {
            OvraLog(kLogPreparingToCopyItems.arg(QStringLiteral("AppDelegate"),
                                                 QStringLiteral("fixHeaderStrings"), name));
            const QString command = kCopyCommandFormat.arg(shellQuoted(expandTilde(kOldDataFolder)),
                                                           shellQuoted(dataFolder));
            const QString result = outputWhenRunAsShellCommand(command);
            if (!result.isEmpty()) {
                OvraLog(kLogResultOfCpCommand.arg(result));
            }
        }
    }
    return gLocalFolderPaths;
}

const LocalFolderPaths &AppDelegate::localFolderPaths()
{
    return gLocalFolderPaths;
}

void AppDelegate::clearAllOurPrefs(Preferences &store)
{
    const QVariantMap all = store.dictionaryRepresentation();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        store.removeObjectForKey(it.key());
    }
    store.synchronize();
}

void AppDelegate::forceTransitionChoices(Preferences &store)
{
    const QStringList choices{kNoTransitionEffect, kTransitionFade, kTransitionMoveIn,
                              kTransitionPush, kTransitionReveal};
    store.setObject(QVariant(QVariantList(choices.cbegin(), choices.cend())),
                    kPrefAvailTransitionStyles);
    if (!choices.contains(store.stringForKey(kPrefTransitionStyle))) {
        store.setObject(kTransitionFade, kPrefTransitionStyle);
        OvraLog(kLogForcingTransitionStyle.arg(kTransitionFade));
    }
}

void AppDelegate::resetScreenIndexKeys(Preferences &store)
{
    for (int n = 1; n <= kMaxScreenIndexKeys; ++n) {
        store.setObject(kNoneDetected, kPrefNSScreenIndex + QString::number(n));
    }
}

void AppDelegate::deleteOldLogs(Preferences &store)
{
    OvraLog(kLogCheckingOldLogFiles);
    const qint64 days = store.integerForKey(kPrefDaysToSaveLogs);
    QXLogFileManager::deleteOldLogsWithOptions({
        {kLogOptionDeleteSubDirectory, true},
        {kLogOptionDeleteImmediately, true},
        {kLogOptionBeforeDate, Clock::now().addSecs(-days * 86400)},
    });
    OvraLog(kLogCheckingOldLogFilesDone);
}
