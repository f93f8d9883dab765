#include "support/PhotoStoreLayout.h"

#include "support/OvraAdditions.h"

#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QFileInfo>

namespace {

Preferences &storeOrStandard(Preferences *store)
{
    return store ? *store : *Preferences::standardUserDefaults();
}

// Joins like path components: no doubled or trailing separators.
QString appendPathComponent(const QString &base, const QString &component)
{
    if (component.isEmpty()) {
        return QDir::cleanPath(base);
    }
    return QDir::cleanPath(base + QLatin1Char('/') + component);
}

QString lastPathComponent(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) {
        trimmed.chop(1);
    }
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

// The text after the last "." of the last component; a leading "." starts a
// name, not an extension.
QString pathExtension(const QString &path)
{
    const QString name = lastPathComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

} // namespace

QString getDailyFolderFormat(Preferences *store)
{
    const QString pattern = storeOrStandard(store).stringForKey(kPrefDailyFolderFormat);
    if (pattern.isNull()) {
        return kDefaultDailyFolderFormat;
    }
    // Blanks only leave an empty, not a null, pattern: the day folder is the root.
    const QString trimmed = pattern.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("") : trimmed;
}

QString getDailyFolderName(Preferences *store)
{
    return getDailyFolderName2(getDailyFolderFormat(store));
}

QString getDailyFolderName2(const QString &pattern)
{
    if (pattern.isEmpty()) {
        return QStringLiteral("");
    }
    const QString name = DateFormat::format(Clock::now().addSecs(-kPhotoDayShiftSeconds), pattern);
    if (name.isNull()) {
        OvraLog(kLogNoDailyFolderName.arg(pattern));
    }
    return name;
}

QString computeCurrentDaysFolderString2(int hours, int minutes)
{
    const qint64 back = qint64(hours) * 3600 + qint64(minutes) * 60;
    return DateFormat::format(Clock::now().addSecs(-back), kFixedDayStringFormat);
}

QString getTwoDigitDay()
{
    const QString day = DateFormat::format(Clock::now(), kTwoDigitDayFormat);
    return day.isEmpty() ? kTwoDigitDayFallback : day;
}

QDateTime dayStepperDate(qint64 daysBack)
{
    return Clock::now().addSecs(-daysBack * 86400);
}

QString getDayStepperFolderName(const QDateTime &date, Preferences *store)
{
    return DateFormat::format(date, storeOrStandard(store).stringForKey(kPrefDailyFolderFormat));
}

QString getDayStepperFolderName(qint64 daysBack, Preferences *store)
{
    return getDayStepperFolderName(dayStepperDate(daysBack), store);
}

QString getPhotoStoreRoot(Preferences *store)
{
    const QString root = storeOrStandard(store).stringForKey(kPrefSlideShowPath);
    return root.isEmpty() ? QString() : expandTilde(root);
}

QString getShownDayFolder(Preferences *store)
{
    Preferences &prefs = storeOrStandard(store);
    const QString alternate = prefs.stringForKey(kPrefPathToAlternateDateFolder).trimmed();
    if (!alternate.isEmpty()) {
        return QDir::cleanPath(expandTilde(alternate));
    }
    const QString root = getPhotoStoreRoot(&prefs);
    if (root.isEmpty()) {
        return QString();
    }
    const QString day = getDailyFolderName(&prefs);
    return day.isNull() ? QString() : appendPathComponent(root, day);
}

bool isUsableCode(const QString &code)
{
    return !code.isEmpty() && code != QLatin1String(".") && code != QLatin1String("..") &&
           !code.contains(QLatin1Char('/')) && !code.contains(QChar(0));
}

QString formPathForCodeNew(const QString &code, Preferences *store)
{
    if (!isUsableCode(code)) {
        OvraLog(kLogRefusedCodeForPath.arg(code));
        return QString();
    }
    const QString dayFolder = getShownDayFolder(store);
    return dayFolder.isEmpty() ? QString() : appendPathComponent(dayFolder, code);
}

QString formPathForCode(const QString &code, const QString &dailyFolder, Preferences *store)
{
    if (!isUsableCode(code)) {
        OvraLog(kLogRefusedCodeForPath.arg(code));
        return QString();
    }
    const QString root = getPhotoStoreRoot(store);
    if (root.isEmpty() || dailyFolder.isNull()) {
        return QString();
    }
    return appendPathComponent(appendPathComponent(root, dailyFolder), code);
}

QString codeInfoFilePath(const QString &codeFolder)
{
    const QString folder = QDir::cleanPath(codeFolder);
    const QString name = lastPathComponent(folder);
    if (codeFolder.isEmpty() || name.isEmpty()) {
        return QString();
    }
    return appendPathComponent(folder, name + QLatin1Char('.') + kCodeInfoFileExtension);
}

QString createCodeChangesPath()
{
    const QString path = expandTilde(kCodeChangesFolder);
    const QFileInfo info(path);
    if (info.exists()) {
        if (!info.isDir()) {
            OvraLog(kLogCodeChangesPathNotFolder.arg(path));
            return QString();
        }
        return path;
    }
    if (!QDir().mkpath(path)) {
        OvraLog(kLogCodeChangesPathCreateFailed.arg(path));
        return QString();
    }
    return path;
}

QString applicationFolderName(const Bundle &bundle)
{
    for (const QString &key : {kInfoCFBundleExecutable, kInfoCFBundleName}) {
        const QString name = bundle.objectForInfoDictionaryKey(key).toString();
        if (!name.isEmpty()) {
            return name;
        }
    }
    return kFallbackAppFolderName;
}

QString applicationDataFolder(const Bundle &bundle)
{
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + applicationFolderName(bundle));
}

QString formLocalFolderPath(const QString &format, const Bundle &bundle)
{
    return QDir::cleanPath(expandTilde(format.arg(applicationFolderName(bundle))));
}

QString getDemoSlidesFolder(Preferences *store)
{
    const QString path = storeOrStandard(store).stringForKey(kPrefDemoSlidesPath);
    return path.isEmpty() ? QString() : QDir::cleanPath(expandTilde(path));
}

QString getLogFolder()
{
    return expandTilde(kLogFolder);
}

bool isHiddenFile(const QString &path)
{
    return lastPathComponent(path).startsWith(QLatin1Char('.'));
}

bool isListPhotoFile(const QString &path)
{
    return pathExtension(path).compare(kListPhotoExtension, Qt::CaseInsensitive) == 0;
}

bool isDemoSlideFile(const QString &path)
{
    const QString extension = pathExtension(path).toLower();
    return extension == kDemoSlideExtensionJpg || extension == kDemoSlideExtensionJpeg ||
           extension == kDemoSlideExtensionPng || extension == kDemoSlideExtensionTiff;
}
