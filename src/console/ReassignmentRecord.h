#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The record of one re-assignment: which files went from which code to which,
// written as XML into the record folder under a name made of the time of
// writing. A record under its final name is always complete: it is written
// under ".tmp", flushed to disk, and only then renamed.
class ReassignmentRecord
{
public:
    QString oldCode;
    QString oldDate; // the day folder's name
    QString newCode;
    QString newDate;
    QStringList files;       // file names, in the order they were moved
    QVariantMap newCodeInfo; // the new code's "codeinfo"; left out when empty

    // The content handed to the XML writer.
    QVariantMap dictionary() const;

    // "YYYYMMddHHmmss" (week-based year) of instant in local time.
    static QString timestamp(const QDateTime &instant);
    // timestamp + "_reassigned.xml".
    static QString fileName(const QDateTime &instant);

    // Writes the record into folder, named after instant; a name already
    // taken gets "-2", "-3"... after the stamp, so no record is ever replaced.
    // The final path, or a null string (and a log line) when the record could
    // not be completed; a ".tmp" file may then stay behind.
    QString writeInto(const QString &folder, const QDateTime &instant) const;
};
