#pragma once

#include <QString>

class Bundle;
class Preferences;

// "~" or "~/..." at the start of a path becomes the home folder; anything else
// (including "~user") is answered unchanged.
QString expandTilde(const QString &path);

// Spaces and tabs trimmed from both ends, nothing else: a scanner's Return
// ("\r") must survive to complete a code.
QString trimmedOfBlanks(const QString &text);

// Runs commandLine through /bin/sh -c and answers everything it printed as
// UTF-8 text; null for an empty command line, a shell that cannot be started,
// or a command that printed nothing. Callers quote what they insert.
QString outputWhenRunAsShellCommand(const QString &commandLine);

// "<display name> - v<version> [XC-<build tool> sdk-<sdk>]", stored under
// "prefAppVersion" in store (the standard store when none is given).
QString getAppVersionString(Preferences *store = nullptr);
QString getAppVersionString(const Bundle &bundle, Preferences *store);

// "~/<executable name>" expanded and cleaned; null when the bundle names no
// executable and no name.
QString getThisAppUserDataPath();
QString getThisAppUserDataPath(const Bundle &bundle);
