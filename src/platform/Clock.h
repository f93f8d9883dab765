#pragma once

#include <QDateTime>

// Every reading of "now" goes through here, so that the 03:00 day change, the
// 06:05 relaunch and anything dated can be tested at any instant.
class Clock
{
public:
    static QDateTime now();
    // The same instant as a plain number, for callers that must not pay for a
    // local-time conversion (the log, once per line).
    static qint64 nowMSecsSinceEpoch();

    // Tests: freeze the clock at an instant, or let it run from an instant.
    static void setFixed(const QDateTime &instant);
    static void setRunningFrom(const QDateTime &instant);
    static void reset();
};
