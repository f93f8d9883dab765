#pragma once

#include "shell/CommonHeader.h"

#include <QDateTime>
#include <QString>
#include <QVariantMap>

class Bundle;

// The dated log file of an unattended kiosk: standard error (where every log
// line goes) is sent to "<log folder>/<application>_<log day>.log", a header
// names machine, system and version, and old files are cleared at start.
// Class operations and process-wide state only; main thread, at start-up.
class QXLogFileManager
{
public:
    QXLogFileManager() = delete;

    // The bundle's executable name (else display name, else "OvraLogFile")
    // without extension; remembered as the application name.
    static QString getApplicationName();
    static QString getApplicationName(const Bundle &bundle);
    // The bundle's short version, or a sentence saying it is unavailable;
    // remembered as the version text.
    static QString getCopyrightInfo();
    static QString getCopyrightInfo(const Bundle &bundle);

    // Now, as "[YYYY/MM/dd HH:mm:ss.SSS Z]".
    static QString logDateString();
    // "<hardware model> (<architecture>)".
    static QString hostModelAndArch();
    // The OS version from an os-release file (the system's when osReleasePath
    // is empty); empty when none can be read.
    static QString osVersion(const QString &osReleasePath = QString());

    // The file of the present log day (the day changes at 03:00) in logFolder.
    static QString logFilePath(const QString &logFolder, const QString &applicationName);
    // The file standard error was sent to by this process; empty before.
    static QString currentLogFilePath();

    // Sends standard error to the log file in "~/Library/Logs/Ovra" and
    // writes the header. When the folder cannot be made or the file cannot be
    // opened, standard error stays as it is. Always answers true.
    static bool setupLogFile();
    static bool setupLogFile(const QString &logFolder, const Bundle &bundle);

    // Options "deleteSubDirectory", "deleteImmediately" (both default false),
    // "sourcePath" (the log folder), "baseName" (the application name) and
    // "beforeDate" (three days ago). Folders are never deleted; neither is
    // the file this process logs to.
    static void deleteOldLogsWithOptions(const QVariantMap &options);
    // One candidate: a file whose name begins with baseName (any case) and
    // that was last modified before beforeDate is deleted or moved to the trash.
    static void deleteItem(const QString &path, const QDateTime &beforeDate,
                           const QString &baseName, bool deleteImmediately);
};

// Whether the item's date (kFileModificationDate or kFileCreationDate) is
// strictly earlier than date; false for an item that is gone. File systems
// that keep no creation date fall back to the modification date.
bool itemIsEarlierThan(const QString &path, const QDateTime &date,
                       const QString &attributeName = kFileModificationDate);
