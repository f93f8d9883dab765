#include "console/CodeReassignment.h"

#include "console/ReassignmentRecord.h"
#include "console/SafeFileMove.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kClassName = QStringLiteral("CodeReassignment");
const QString kRun = QStringLiteral("doMoveImages");

QString dayFolderName(const QString &codeFolder)
{
    return QFileInfo(QFileInfo(codeFolder).absolutePath()).fileName();
}
} // namespace

bool CodeReassignment::isInOldFolder(const QString &path) const
{
    // The browsers accept files dropped from anywhere; only the old code's
    // own photos may be moved in its name.
    const QString parent = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    return !parent.isEmpty() && parent == QFileInfo(oldFolder).canonicalFilePath();
}

CodeReassignment::Result CodeReassignment::run() const
{
    Result result;
    if (oldCode.isEmpty() || newCode.isEmpty() ||
        oldCode.compare(newCode, Qt::CaseInsensitive) == 0) {
        OvraLog(kLogReassignStopped.arg(kClassName, kRun,
                                        QStringLiteral("codes [%1] [%2]").arg(oldCode, newCode)));
        return result;
    }
    if (oldFolder.isEmpty() || newFolder.isEmpty()) {
        OvraLog(kLogReassignStopped.arg(kClassName, kRun, QStringLiteral("no code folder")));
        return result;
    }
    for (const QString &path : files) {
        if (!isInOldFolder(path)) {
            OvraLog(kLogReassignNotInOldFolder.arg(kClassName, kRun, path, oldFolder));
            continue;
        }
        const SafeFileMove::Result move = SafeFileMove::moveIntoFolder(path, newFolder);
        if (move.moved) {
            result.moved << QFileInfo(path).fileName();
            OvraLog(kLogReassignMoved.arg(kClassName, kRun, path, newFolder));
        } else {
            OvraLog(kLogReassignMoveFailed.arg(kClassName, kRun, path, newFolder, move.error));
        }
    }
    if (result.moved.isEmpty()) {
        OvraLog(kLogReassignNothingMoved.arg(kClassName, kRun));
        return result;
    }
    const QString folder = recordFolder ? recordFolder() : createCodeChangesPath();
    if (folder.isEmpty()) {
        OvraLog(kLogReassignNoRecordFolder.arg(kClassName, kRun).arg(result.moved.size()));
        return result;
    }
    ReassignmentRecord record;
    record.oldCode = oldCode;
    record.oldDate = dayFolderName(oldFolder);
    record.newCode = newCode;
    record.newDate = dayFolderName(newFolder);
    record.files = result.moved;
    record.newCodeInfo = newCodeInfo;
    result.recordPath = record.writeInto(folder, Clock::now());
    return result;
}
