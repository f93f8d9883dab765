#include "slideshow/BackgroundPattern.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace {

QString expandHome(const QString &path, const QString &home)
{
    if (path == QLatin1String("~")) {
        return home;
    }
    if (path.startsWith(QLatin1String("~/"))) {
        return home + path.mid(1);
    }
    return path;
}

QImage loadImage(const QString &path)
{
    QImageReader reader(path);
    QImage image;
    reader.read(&image);
    return image;
}

QString describe(const QStringList &list)
{
    return QStringLiteral("(%1)").arg(list.join(QStringLiteral(", ")));
}

QStringList foldersToSearch(const BackgroundPatternSources &sources)
{
    QStringList folders;
    const QString userData = sources.userDataPath.isEmpty() ? kOldDataFolder : sources.userDataPath;
    folders << expandHome(userData, sources.homePath);
    const QString root = sources.store ? expandHome(sources.store->stringForKey(kPrefSlideShowPath),
                                                    sources.homePath)
                                       : QString();
    if (!root.isEmpty()) {
        if (QFileInfo(root).isDir()) {
            folders << root;
        }
        folders << QFileInfo(QDir::cleanPath(root)).path();
    }
    return folders;
}

// The parent application's account picks the application's own "BG" image
// unless it is the standard account.
BackgroundPattern accountBackground(const BackgroundPatternSources &sources)
{
    const QString name =
        sources.store ? sources.store->stringForKey(kPrefParentAppPlistName) : QString();
    if (name.isEmpty() || !sources.bundle) {
        return {};
    }
    const QString plistPath =
        QDir(sources.homePath).filePath(kParentAppPreferencesFolder + QLatin1Char('/') + name);
    QString error;
    const QVariant plist = PropertyList::readFile(plistPath, &error);
    if (!plist.isValid()) {
        OvraLog(kLogErrorReadingPlist.arg(error).arg(0));
        return {};
    }
    const QVariant account = plist.toMap()
                                 .value(kParentAppRootEntry)
                                 .toMap()
                                 .value(kParentAppOstrelEntry)
                                 .toMap()
                                 .value(kParentAppAccountKey);
    if (!account.isValid() ||
        account.toString().compare(kParentAppStandardAccount, Qt::CaseInsensitive) == 0) {
        return {};
    }
    for (const QString &extension : kPatternImageExtensions) {
        const QString path = sources.bundle->pathForResource(kBackgroundImageBaseName, extension);
        if (!path.isEmpty()) {
            return {loadImage(path), path};
        }
    }
    return {};
}

} // namespace

BackgroundPatternSources BackgroundPatternSources::standard()
{
    BackgroundPatternSources sources;
    sources.store = Preferences::standardUserDefaults();
    sources.userDataPath = getThisAppUserDataPath();
    sources.homePath = QDir::homePath();
    sources.bundle = &Bundle::mainBundle();
    return sources;
}

BackgroundPattern findBackgroundPattern(const BackgroundPatternSources &sources)
{
    const QStringList folders = foldersToSearch(sources);
    OvraLog(kLogPathsToSearch.arg(describe(folders)));
    const QVariant baseNameValue =
        sources.store ? sources.store->objectForKey(kPrefPatternImageBaseNames) : QVariant();
    if (baseNameValue.isValid()) {
        const QStringList baseNames = sources.store->stringArrayForKey(kPrefPatternImageBaseNames);
        OvraLog(kLogBasenamesToSearch.arg(describe(baseNames)));
        for (const QString &folder : folders) {
            for (const QString &extension : kPatternImageExtensions) {
                for (const QString &baseName : baseNames) {
                    const QString path =
                        QDir(folder).filePath(baseName + QLatin1Char('.') + extension);
                    OvraLog(kLogSearchingTempPath.arg(path));
                    QImage image = loadImage(path);
                    if (!image.isNull()) {
                        OvraLog(kLogFoundPatternImage.arg(path));
                        return {image, path};
                    }
                }
            }
        }
    }
    BackgroundPattern pattern = accountBackground(sources);
    if (!pattern.image.isNull()) {
        return pattern;
    }
    if (sources.bundle) {
        for (const QString &name : {kFennickBackgroundImage, kDefaultBackgroundImage}) {
            const QString path = sources.bundle->pathForResource(name);
            if (!path.isEmpty()) {
                pattern = {loadImage(path), path};
                if (!pattern.image.isNull()) {
                    return pattern;
                }
            }
        }
    }
    return {};
}
