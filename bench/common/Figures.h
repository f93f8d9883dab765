#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>

// Median and fastest of a set of runs, in milliseconds.
struct Figure
{
    double median = 0;
    double fastest = 0;
};

inline Figure summarise(QList<double> times)
{
    if (times.isEmpty()) {
        return {-1, -1};
    }
    std::sort(times.begin(), times.end());
    return {times.at(times.size() / 2), times.first()};
}

// Times `rounds` runs after one that warms the caches; `before` runs untimed
// ahead of each, so no round pays for what another left behind.
inline Figure measure(int rounds, const std::function<void()> &run,
                      const std::function<void()> &before = {})
{
    if (before) {
        before();
    }
    run();
    QList<double> times;
    for (int i = 0; i < rounds; ++i) {
        if (before) {
            before();
        }
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    return summarise(times);
}

// Runs a /bin/sh script with positional arguments, so paths are never
// interpolated into the script; returns its standard output, or a null string
// when it fails.
inline QString shellOutput(const QString &script, const QStringList &arguments = {})
{
    QProcess process;
    process.start(QStringLiteral("/bin/sh"),
                  QStringList{QStringLiteral("-c"), script, QStringLiteral("sh")} + arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}
