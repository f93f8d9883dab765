#pragma once

#include <QString>
#include <QStringList>

// The photo script's lines that a caller may join to the searched folder:
// relative paths of existing files inside that folder, trimmed, at most
// maxCount of them, in the script's order. Anything else (garbage, absolute
// paths, "..", control characters, links leading out of the folder) is
// dropped with a log line naming `caller`; blank lines are dropped quietly
// but counted in one log line.
QStringList acceptedScriptLines(const QString &folder, const QStringList &lines, int maxCount,
                                const QString &caller);
