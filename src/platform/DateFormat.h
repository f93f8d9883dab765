#pragma once

#include <QDateTime>
#include <QString>

// Formats instants with Unicode date patterns ("yyyy-MM-dd", "YYYYMMddHHmmss",
// "[YYYY/MM/dd HH:mm:ss.SSS Z]"), the patterns users keep in the preferences.
// Qt's date formats are not Unicode patterns (no week-based "YYYY", no "SSS"),
// so ICU does the work.
class DateFormat
{
public:
    // The instant in the local time zone (ICU's default zone: TZ, else the
    // system's zone, as found at the first call), in the fixed locale
    // "en_US_POSIX" so digits and names never depend on the user's language.
    // Empty for an empty pattern, an invalid instant or a pattern ICU rejects.
    // Safe from any thread.
    static QString format(const QDateTime &instant, const QString &unicodePattern);
};
