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
// Puts the offscreen platform on `count` 800x600 screens side by side, described
// in a file written to folder (which must outlive the application).
bool useOffscreenScreens(const QString &folder, int count);

} // namespace TestSupport
