#include "support/QXLogFileManager.h"

#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/Log.h"
#include "support/OvraAdditions.h"
#include "support/OvraExtras.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/utsname.h>
#include <system_error>
#include <unistd.h>

namespace {

// The process-wide values: set at start-up, read afterwards.
struct LogState
{
    QMutex mutex;
    QString applicationName;
    QString versionText;
    QString currentLogFile;
};

LogState &state()
{
    static LogState instance;
    return instance;
}

QString infoString(const Bundle &bundle, const QString &key)
{
    return bundle.objectForInfoDictionaryKey(key).toString();
}

QString firstLineOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    // Device-tree strings end in NUL; DMI ones in a newline.
    QString line = QString::fromUtf8(file.readLine(256));
    line.remove(QChar(0));
    return line.trimmed();
}

// Opens path for appending and puts it under file descriptor 2, so that every
// writer of standard error (ours, Qt's, child processes') lands in the file.
bool redirectStandardError(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.contains('\0') || QFile::decodeName(encoded) != path) {
        OvraLog(kLogPathNotRepresentable.arg(path));
        return false;
    }
    const int fd = ::open(encoded.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        OvraLog(kLogCannotOpenLogFile.arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    std::fflush(stderr);
    const bool moved = ::dup2(fd, STDERR_FILENO) >= 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!moved) {
        OvraLog(kLogCannotOpenLogFile.arg(path, QString::fromLocal8Bit(std::strerror(savedErrno))));
    }
    return moved;
}

bool isCurrentLogFile(const QString &path)
{
    const QString current = QXLogFileManager::currentLogFilePath();
    if (current.isEmpty()) {
        return false;
    }
    const QString a = QFileInfo(path).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(current).canonicalFilePath();
}

} // namespace

QString QXLogFileManager::getApplicationName(const Bundle &bundle)
{
    QString name = infoString(bundle, kInfoCFBundleExecutable);
    if (name.isEmpty()) {
        name = infoString(bundle, kInfoCFBundleDisplayName);
    }
    if (name.isEmpty()) {
        name = kLogDefaultBaseName;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        name.truncate(dot);
    }
    QMutexLocker lock(&state().mutex);
    state().applicationName = name;
    return name;
}

QString QXLogFileManager::getApplicationName()
{
    return getApplicationName(Bundle::mainBundle());
}

QString QXLogFileManager::getCopyrightInfo(const Bundle &bundle)
{
    QString version = infoString(bundle, kInfoCFBundleShortVersionString);
    if (version.isEmpty()) {
        version = kVersionInfoUnavailable;
    }
    QMutexLocker lock(&state().mutex);
    state().versionText = version;
    return version;
}

QString QXLogFileManager::getCopyrightInfo()
{
    return getCopyrightInfo(Bundle::mainBundle());
}

QString QXLogFileManager::logDateString()
{
    return DateFormat::format(Clock::now(), kLogDateFormat);
}

QString QXLogFileManager::hostModelAndArch()
{
    QString model = firstLineOf(kDmiProductNamePath);
    if (model.isEmpty()) {
        model = firstLineOf(kDeviceTreeModelPath);
    }
    if (model.isEmpty()) {
        model = QStringLiteral("unknown model");
    }
    struct utsname names = {};
    const QString machine =
        ::uname(&names) == 0 ? QString::fromLocal8Bit(names.machine) : QStringLiteral("unknown");
    return kLogHeaderHostModelFormat.arg(model, machine);
}

QString QXLogFileManager::osVersion(const QString &osReleasePath)
{
    const QStringList candidates = osReleasePath.isEmpty()
                                       ? QStringList{kOsReleasePath, kOsReleaseFallbackPath}
                                       : QStringList{osReleasePath};
    for (const QString &path : candidates) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        QString versionId;
        QString prettyName;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0) {
                continue;
            }
            QString value = line.mid(eq + 1);
            if (value.size() >= 2 &&
                (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
                value.back() == value.front()) {
                value = value.mid(1, value.size() - 2);
            }
            const QStringView key = QStringView(line).left(eq);
            if (key == QLatin1String("VERSION_ID")) {
                versionId = value;
            } else if (key == QLatin1String("PRETTY_NAME")) {
                prettyName = value;
            }
        }
        // Rolling releases carry no version number, only a name.
        return versionId.isEmpty() ? prettyName : versionId;
    }
    return QString();
}

QString QXLogFileManager::logFilePath(const QString &logFolder, const QString &applicationName)
{
    QString name = applicationName;
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) {
        name = kLogDefaultBaseName;
    }
    const QString folder = QDir::cleanPath(expandTilde(logFolder));
    return kLogFileNameFormat.arg(folder + QLatin1Char('/') + name,
                                  computeCurrentDaysFolderString2(kLogDayShiftHours, 0)) +
           QLatin1Char('.') + kLogFileExtension;
}

QString QXLogFileManager::currentLogFilePath()
{
    QMutexLocker lock(&state().mutex);
    return state().currentLogFile;
}

bool QXLogFileManager::setupLogFile()
{
    return setupLogFile(kLogFolder, Bundle::mainBundle());
}

bool QXLogFileManager::setupLogFile(const QString &logFolder, const Bundle &bundle)
{
    const QString versionText = getCopyrightInfo(bundle);
    const QString applicationName = getApplicationName(bundle);

    const QString folder = QDir::cleanPath(expandTilde(logFolder));
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error) {
        OvraLog(kLogLogFolderCreateError.arg(QString::fromStdString(error.message())));
    }
    if (!QFileInfo(folder).isDir()) {
        return true;
    }

    const QString path = logFilePath(folder, applicationName);
    OvraLog(kLogRedirectingToFile.arg(path));
    if (!redirectStandardError(path)) {
        return true;
    }
    {
        QMutexLocker lock(&state().mutex);
        state().currentLogFile = path;
    }

    OvraLog(kLogHeaderRule);
    OvraLog(hostModelAndArch());
    const QString version = osVersion();
    OvraLog(version.isEmpty() ? kLogHeaderOsVersionFailed : kLogHeaderOsVersion.arg(version));
    OvraLog(kLogHeaderAppVersion.arg(applicationName, versionText));
    OvraLog(kLogHeaderRule);
    return true;
}

void QXLogFileManager::deleteOldLogsWithOptions(const QVariantMap &options)
{
    const bool walkSubDirectories = options.value(kLogOptionDeleteSubDirectory).toBool();
    const bool deleteImmediately = options.value(kLogOptionDeleteImmediately).toBool();
    QString sourcePath = options.value(kLogOptionSourcePath).toString();
    if (sourcePath.isEmpty()) {
        sourcePath = kLogFolder;
    }
    QString baseName;
    if (options.contains(kLogOptionBaseName)) {
        baseName = options.value(kLogOptionBaseName).toString();
    } else {
        {
            QMutexLocker lock(&state().mutex);
            baseName = state().applicationName;
        }
        if (baseName.isEmpty()) {
            baseName = getApplicationName();
        }
    }
    QDateTime beforeDate = options.value(kLogOptionBeforeDate).toDateTime();
    if (!beforeDate.isValid()) {
        beforeDate = Clock::now().addSecs(-kLogDefaultKeepSeconds);
    }
    // An empty prefix would match every file in the folder.
    if (baseName.isEmpty()) {
        OvraLog(kLogNoBaseName);
        return;
    }

    const QString folder = expandTilde(sourcePath);
    QStringList candidates;
    const auto filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    if (walkSubDirectories) {
        QDirIterator it(folder, filters, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            candidates.append(it.next());
        }
    } else {
        const QStringList names = QDir(folder).entryList(filters, QDir::Name);
        for (const QString &name : names) {
            candidates.append(folder + QLatin1Char('/') + name);
        }
    }
    for (const QString &path : std::as_const(candidates)) {
        deleteItem(path, beforeDate, baseName, deleteImmediately);
    }
}

void QXLogFileManager::deleteItem(const QString &path, const QDateTime &beforeDate,
                                  const QString &baseName, bool deleteImmediately)
{
    const QString itemPath = expandTilde(path);
    const QFileInfo info(itemPath);
    if (!info.exists()) {
        OvraLog(kLogItemDoesNotExist.arg(itemPath));
        return;
    }
    if (info.isDir() || baseName.isEmpty() ||
        !info.fileName().startsWith(baseName, Qt::CaseInsensitive)) {
        return;
    }
    if (!itemIsEarlierThan(itemPath, beforeDate, kFileModificationDate)) {
        return;
    }
    // With nothing to keep, the start's own file would be older than "now".
    if (isCurrentLogFile(itemPath)) {
        OvraLog(kLogItemIsCurrentLogFile.arg(itemPath));
        return;
    }
    if (deleteImmediately) {
        OvraLog(kLogItemDeleted.arg(itemPath));
        if (!QFile::remove(itemPath)) {
            OvraLog(kLogItemDeleteFailed.arg(itemPath));
        }
    } else {
        OvraLog(kLogItemMovedToTrash.arg(itemPath));
        moveFileToUserTrash(itemPath);
    }
}

bool itemIsEarlierThan(const QString &path, const QDateTime &date, const QString &attributeName)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        OvraLog(kLogItemMayNotExist);
        return false;
    }
    QDateTime compared = info.lastModified();
    if (attributeName == kFileCreationDate) {
        // Old HFS and Unix zero dates stand for "not recorded".
        constexpr qint64 hfsZeroSecs = -2082844800; // 1904-01-01 00:00:00 UTC
        const QDateTime created = info.birthTime();
        if (created.isValid() && created.toSecsSinceEpoch() == hfsZeroSecs) {
            OvraLog(kLogCreationDateIsZeroDate.arg(created.toString(Qt::ISODate)));
        } else if (!created.isValid() || created.toMSecsSinceEpoch() == 0) {
            OvraLog(kLogCreationDateIsZeroDate2.arg(created.toString(Qt::ISODate)));
        } else {
            compared = created;
        }
    }
    return compared.isValid() && date.isValid() && compared < date;
}
