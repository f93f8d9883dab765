#include "shell/Relaunch/RelaunchTool.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace RelaunchTool {

namespace {

bool processExists(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A hung kiosk must not keep the venue dark until somebody notices.
constexpr int kGraceMs = 120 * 1000;
constexpr int kTermMs = 10 * 1000;

} // namespace

bool waitForProcessEnd(pid_t pid, int timeoutMs)
{
    if (pid <= 0) {
        return true;
    }
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
#ifdef SYS_pidfd_open
    const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        int rc = 0;
        do {
            const qint64 left = deadline.isForever() ? -1 : deadline.remainingTime();
            rc = ::poll(&p, 1, left < 0 ? -1 : int(std::min<qint64>(left, INT_MAX)));
        } while (rc < 0 && errno == EINTR);
        ::close(fd);
        return rc > 0 || !processExists(pid);
    }
    if (errno == ESRCH) {
        return true;
    }
#endif
    while (processExists(pid)) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(200);
    }
    return true;
}

QString kioskExecutable(const QString &bundlePath)
{
    return bundlePath + QStringLiteral("/bin/") + kBundleExecutableName;
}

int run(const QStringList &args)
{
    if (args.size() < 2) {
        OvraLog(QStringLiteral("relaunch: usage: relaunch BUNDLE PID [FLAGS]"));
        return 2;
    }
    const QString bundlePath = args.at(0);
    bool ok = false;
    const pid_t pid = pid_t(args.at(1).toLongLong(&ok));
    if (!ok) {
        OvraLog(QStringLiteral("relaunch: [%1] is not a process id").arg(args.at(1)));
        return 2;
    }
    const QString executable = kioskExecutable(bundlePath);
    if (!QFileInfo(executable).isExecutable()) {
        OvraLog(QStringLiteral("relaunch: no kiosk at [%1]").arg(executable));
        return 1;
    }
    // Launch flags only steer the desktop's recent-items list and focus; nothing to do here.
    if (!waitForProcessEnd(pid, kGraceMs)) {
        OvraLog(QStringLiteral("relaunch: process %1 did not end, terminating it").arg(pid));
        ::kill(pid, SIGTERM);
        if (!waitForProcessEnd(pid, kTermMs)) {
            ::kill(pid, SIGKILL);
            waitForProcessEnd(pid, kTermMs);
        }
    }
    qint64 newPid = 0;
    if (!QProcess::startDetached(executable, {}, QString(), &newPid)) {
        OvraLog(QStringLiteral("relaunch: could not start [%1]").arg(executable));
        return 1;
    }
    OvraLog(QStringLiteral("relaunch: started [%1] as process %2").arg(executable).arg(newPid));
    return 0;
}

} // namespace RelaunchTool
