#pragma once

#include <QByteArray>
#include <QString>

// Small file helpers shared by the tests.
namespace TestSupport {

// Writes bytes to path, creating parent folders. False on any failure.
bool writeFile(const QString &path, const QByteArray &bytes);
// Writes an executable shell script (a "#!/bin/sh" line is added).
bool writeScript(const QString &path, const QByteArray &body);
QByteArray readFile(const QString &path);

} // namespace TestSupport
