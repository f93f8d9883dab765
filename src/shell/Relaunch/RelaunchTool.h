#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// The relaunch helper's work: wait for the old kiosk to end, start it again.
namespace RelaunchTool {

// Blocks until the process has ended (or timeoutMs passed; -1 waits forever).
// True once it is gone. Sleeps in the kernel rather than polling when it can.
bool waitForProcessEnd(pid_t pid, int timeoutMs);

// The kiosk executable inside a bundle (install prefix or build tree).
QString kioskExecutable(const QString &bundlePath);

// relaunch BUNDLE PID FLAGS: the exit status of the helper.
int run(const QStringList &args);

} // namespace RelaunchTool
