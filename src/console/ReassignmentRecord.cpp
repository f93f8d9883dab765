#include "console/ReassignmentRecord.h"

#include "console/SafeFileMove.h"
#include "platform/DateFormat.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/OvraXmlWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kClassName = QStringLiteral("ReassignmentRecord");

// Flushes the file to disk and answers its size, -1 when it cannot be read.
qint64 syncedSize(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const bool synced = ::fsync(fd) == 0;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    return synced ? qint64(size) : -1;
}

} // namespace

QVariantMap ReassignmentRecord::dictionary() const
{
    QVariantMap content{{kReassignKeyType, kReassignTypeChangeCode},
                        {kReassignKeyOldCode,
                         QVariantMap{{kReassignKeyDate, oldDate}, {kReassignKeyValue, oldCode}}},
                        {kReassignKeyNewCode,
                         QVariantMap{{kReassignKeyDate, newDate}, {kReassignKeyValue, newCode}}},
                        {kReassignKeyFiles, files}};
    if (!newCodeInfo.isEmpty()) {
        content.insert(kReassignKeyDataForNewCode, newCodeInfo);
    }
    return content;
}

QString ReassignmentRecord::timestamp(const QDateTime &instant)
{
    return DateFormat::format(instant, kReassignRecordStampPattern);
}

QString ReassignmentRecord::fileName(const QDateTime &instant)
{
    return kReassignRecordNameFormat.arg(timestamp(instant));
}

QString ReassignmentRecord::writeInto(const QString &folder, const QDateTime &instant) const
{
    const QString stamp = timestamp(instant);
    if (stamp.isEmpty()) {
        OvraLog(kLogReassignRecordWriteFailed.arg(kClassName, QStringLiteral("writeInto"), folder));
        return QString();
    }
    const QDir dir(folder);
    QString finalPath = dir.filePath(kReassignRecordNameFormat.arg(stamp));
    for (int n = 2; QFileInfo::exists(finalPath) || QFileInfo(finalPath).isSymLink(); ++n) {
        finalPath = dir.filePath(
            kReassignRecordNameFormat.arg(kReassignRecordTakenStampFormat.arg(stamp).arg(n)));
    }
    const QString tmpPath = finalPath + kReassignTmpSuffix;

    OvraXmlWriter writer;
    writer.mLookupArrayName().insert(kReassignKeyFiles, kReassignFileItemName);
    writer.doStartConversion2({{kXmlMainXmlKeyName, kReassignRecordRoot},
                               {kXmlWriteXmlPath, tmpPath},
                               {kXmlDictionary, dictionary()}});
    // The writer reports nothing: check that all of the text reached the disk.
    if (syncedSize(tmpPath) != writer.mString().toUtf8().size()) {
        OvraLog(
            kLogReassignRecordWriteFailed.arg(kClassName, QStringLiteral("writeInto"), tmpPath));
        return QString();
    }
    if (!SafeFileMove::renameWithoutReplacing(tmpPath, finalPath)) {
        const int error = errno;
        OvraLog(kLogReassignRenameError.arg(
            QStringLiteral("%1 -> %2: %3")
                .arg(tmpPath, finalPath, QString::fromLocal8Bit(std::strerror(error)))));
        return QString();
    }
    SafeFileMove::syncFolder(folder);
    OvraLog(kLogReassignRecordWritten.arg(kClassName, QStringLiteral("writeInto"), finalPath));
    return finalPath;
}
