#include "platform/Clock.h"

#include <atomic>

namespace {
// Offset from the system clock in ms, and whether it is frozen at fixedMs.
std::atomic<qint64> offsetMs{0};
std::atomic<qint64> fixedMs{0};
std::atomic<bool> frozen{false};
} // namespace

QDateTime Clock::now()
{
    return QDateTime::fromMSecsSinceEpoch(nowMSecsSinceEpoch());
}

qint64 Clock::nowMSecsSinceEpoch()
{
    if (frozen.load()) {
        return fixedMs.load();
    }
    return QDateTime::currentMSecsSinceEpoch() + offsetMs.load();
}

void Clock::setFixed(const QDateTime &instant)
{
    fixedMs.store(instant.toMSecsSinceEpoch());
    frozen.store(true);
}

void Clock::setRunningFrom(const QDateTime &instant)
{
    frozen.store(false);
    offsetMs.store(instant.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch());
}

void Clock::reset()
{
    frozen.store(false);
    offsetMs.store(0);
}
