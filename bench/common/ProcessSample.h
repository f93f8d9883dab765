#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

// Resident memory, open descriptors and threads of a process, from /proc.
struct Sample
{
    double rssMb = 0;
    int fds = 0;
    int threads = 0;
};

// `process` is a pid or "self"; listing our own descriptors opens one more,
// which is not counted.
inline Sample sampleOf(const QString &process)
{
    Sample s;
    const QString proc = QStringLiteral("/proc/") + process;
    QFile status(proc + QStringLiteral("/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts.at(0) == "VmRSS:") {
                s.rssMb = parts.at(1).toDouble() / 1024.0;
            } else if (parts.size() >= 2 && parts.at(0) == "Threads:") {
                s.threads = parts.at(1).toInt();
            }
        }
    }
    const qsizetype listed = QDir(proc + QStringLiteral("/fd"))
                                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                                 .size();
    s.fds = int(listed) - (process == QStringLiteral("self") ? 1 : 0);
    return s;
}
