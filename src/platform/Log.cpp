#include "platform/Log.h"

#include "platform/Clock.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QByteArray executableName()
{
    char buffer[512] = {};
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) {
        return QByteArrayLiteral("ovra");
    }
    return QFileInfo(QString::fromLocal8Bit(buffer, int(n))).fileName().toUtf8();
}

QByteArray applicationName()
{
    // Before QCoreApplication exists the executable's own name still identifies us.
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationName().toUtf8();
    }
    return executableName();
}

// "yyyy-MM-dd HH:mm:ss.zzz" through Qt, for instants the fast path leaves out.
void appendQtTimestamp(QByteArray &line, qint64 msecs)
{
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(msecs);
    const QDate date = now.date();
    const QTime time = now.time();
    if (date.year() < 1 || date.year() > 9999 || !time.isValid()) {
        line += now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
        return;
    }
    char text[32];
    const int n = std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03d",
                                date.year(), date.month(), date.day(), time.hour(), time.minute(),
                                time.second(), time.msec());
    line.append(text, n);
}

// A local-time conversion through Qt re-checks the time zone on every call; a
// log line needs one only when its second changes, so each thread keeps the
// text of its last second.
void appendTimestamp(QByteArray &line, qint64 msecs)
{
    thread_local qint64 cachedSecond = -1;
    thread_local char cached[24];
    thread_local int cachedLength = 0;
    if (msecs < 0) {
        appendQtTimestamp(line, msecs);
        return;
    }
    const qint64 second = msecs / 1000;
    if (second != cachedSecond) {
        const time_t seconds = time_t(second);
        tm parts{};
        if (!localtime_r(&seconds, &parts) || parts.tm_year + 1900 > 9999) {
            appendQtTimestamp(line, msecs);
            return;
        }
        cachedLength = std::snprintf(cached, sizeof(cached), "%04d-%02d-%02d %02d:%02d:%02d",
                                     parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                                     parts.tm_hour, parts.tm_min, parts.tm_sec);
        cachedSecond = second;
    }
    line.append(cached, cachedLength);
    char millis[8];
    line.append(millis, std::snprintf(millis, sizeof(millis), ".%03d", int(msecs % 1000)));
}

// Asking the kernel for the process id on every line costs a system call;
// a forked child learns its own before it logs.
std::atomic<qint64> cachedPid{0};

qint64 processId()
{
    static const bool registered = [] {
        pthread_atfork(nullptr, nullptr, [] { cachedPid.store(0); });
        return true;
    }();
    Q_UNUSED(registered);
    qint64 pid = cachedPid.load(std::memory_order_relaxed);
    if (pid == 0) {
        pid = qint64(getpid());
        cachedPid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

// A thread keeps its id for life; asking the kernel per line is a system call.
qint64 threadId()
{
    thread_local qint64 takenInProcess = 0;
    thread_local qint64 id = 0;
    const qint64 pid = processId();
    if (takenInProcess != pid) {
        id = qint64(syscall(SYS_gettid));
        takenInProcess = pid;
    }
    return id;
}

} // namespace

void OvraLog(const QString &message)
{
    QByteArray line;
    line.reserve(64 + message.size() * 3);
    appendTimestamp(line, Clock::nowMSecsSinceEpoch());
    line += ' ';
    line += applicationName();
    line += '[';
    line += QByteArray::number(processId());
    line += ':';
    line += QByteArray::number(threadId());
    line += "] ";
    line += message.toUtf8();
    if (!line.endsWith('\n')) {
        line += '\n';
    }
    // One write per line keeps lines whole when threads log at the same time,
    // and leaves nothing in a buffer of ours when the process dies.
    const char *data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, size_t(left));
        if (written <= 0) {
            break;
        }
        data += written;
        left -= written;
    }
}
