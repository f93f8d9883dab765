#include "support/ChildProcess.h"

#include <QProcess>

#include <csignal>
#include <unistd.h>

namespace ChildProcess {

Result run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    Result result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    // A kiosk has nobody at the keyboard to answer a prompt: the child sees an
    // empty input instead of waiting on ours.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Its own process group, so a timeout takes down the grandchildren of a
    // script too instead of leaving them behind.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        result.errorText = process.errorString();
        return result;
    }
    result.started = true;
    const qint64 pid = process.processId();

    // QProcess drains the pipe while it waits, so a child printing more than a
    // pipe holds never blocks.
    if (!process.waitForFinished(timeoutMs < 0 ? -1 : timeoutMs) &&
        process.state() != QProcess::NotRunning) {
        result.timedOut = true;
        if (pid > 0) {
            ::kill(-pid_t(pid), SIGKILL);
        }
        process.kill();
        process.waitForFinished(-1);
    }
    result.output = process.readAllStandardOutput();
    result.exitCode = process.exitCode();
    result.succeeded =
        !result.timedOut && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (process.exitStatus() != QProcess::NormalExit && result.errorText.isEmpty()) {
        result.errorText = process.errorString();
    }
    return result;
}

QString decodeOutput(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.isNull()) {
        text = QString(0, QChar());
    }
    return text;
}

} // namespace ChildProcess
