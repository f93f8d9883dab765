#include "platform/DateFormat.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

QString DateFormat::format(const QDateTime &instant, const QString &unicodePattern)
{
    if (unicodePattern.isEmpty() || !instant.isValid()) {
        return QString();
    }
    const icu::UnicodeString pattern(reinterpret_cast<const char16_t *>(unicodePattern.utf16()),
                                     int32_t(unicodePattern.size()));
    UErrorCode status = U_ZERO_ERROR;
    // A formatter per call: SimpleDateFormat is not safe to share between
    // threads, and day names are made far too rarely for a cache to pay.
    const icu::SimpleDateFormat formatter(pattern, icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status)) {
        return QString();
    }
    icu::UnicodeString out;
    // The overload with a status reports pattern letters ICU does not know.
    formatter.format(UDate(instant.toMSecsSinceEpoch()), out,
                     static_cast<icu::FieldPositionIterator *>(nullptr), status);
    if (U_FAILURE(status) || out.isBogus()) {
        return QString();
    }
    return QString(reinterpret_cast<const QChar *>(out.getBuffer()), out.length());
}
