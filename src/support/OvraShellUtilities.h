#pragma once

#include "shell/CommonHeader.h"

#include <QString>
#include <QStringList>

#include <optional>

class Bundle;

// Runners for bundle scripts and command-line tools. Each blocks the calling
// thread until the child has ended (or was killed after timeoutMs) and answers
// its standard output as UTF-8 text. A null QString means "no answer".

// The child's output, also when it ended with a failure status; null when
// there is no path or the executable cannot be started.
QString runShellScript2(const QString &path, const std::optional<QStringList> &args = std::nullopt,
                        int timeoutMs = kShellDefaultTimeoutMs);

// As runShellScript2, but a child that did not end with status 0 (or had to
// be killed) answers "Task failed." instead of its output.
QString runThisShellScript(const QString &path,
                           const std::optional<QStringList> &args = std::nullopt,
                           int timeoutMs = kShellDefaultTimeoutMs);

// Runs a bundle script by name (helper executable first, then resource) and
// drops its output.
void runShellScript(const QString &scriptName,
                    const std::optional<QStringList> &args = std::nullopt);
void runShellScript(const Bundle &bundle, const QString &scriptName,
                    const std::optional<QStringList> &args = std::nullopt);
