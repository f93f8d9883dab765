#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs one child process to its end and collects its standard output. Shared
// by the script runners and the shell-command addition; not a public API.
namespace ChildProcess {

struct Result
{
    bool started = false;
    bool timedOut = false;
    // A normal exit with status 0.
    bool succeeded = false;
    int exitCode = -1;
    QString errorText;
    QByteArray output;
};

// program gets arguments verbatim (no shell). Standard input reads as empty,
// standard error goes to ours (and so to the log). A child still running after
// timeoutMs (negative: no limit) is killed together with its own children;
// what it printed until then is kept.
Result run(const QString &program, const QStringList &arguments, int timeoutMs);

// Output bytes as text: UTF-8, decoded as a whole. Never null.
QString decodeOutput(const QByteArray &bytes);

} // namespace ChildProcess
