#pragma once

#include <QString>

// The one log call of the whole system: a timestamp, the application name,
// process and thread ids and the message, written to standard error as one
// whole line, even when many threads log at once. After the log file manager
// redirects standard error, every line lands in the dated log file.
void OvraLog(const QString &message);

// printf-free convenience for the frequent "Inside %@ => %@..." lines.
template <typename... Args> void OvraLogf(const QString &format, const Args &...args)
{
    if constexpr (sizeof...(Args) == 0) {
        OvraLog(format);
    } else {
        OvraLog(format.arg(args...));
    }
}
