#pragma once

#include <QStringList>
#include <QTextStream>
#include <QVariant>

class Preferences;

// The ovra-defaults command: reads and writes the preferences store from a
// shell, in the manner of the familiar defaults command.
//   read [KEY]   write KEY [-string|-bool|-int|-float] VALUE   write KEY -array V...
//   delete KEY   -h | --help
// The store's domain may be named after the command and is then skipped.
namespace DefaultsTool {

// args: the arguments after the program name. Answers the exit status: 0 on
// success, 1 with one line on err for an unknown key, a bad value or bad usage;
// nothing is written then.
int run(const QStringList &args, QTextStream &out, QTextStream &err, Preferences &store);

// A value as old-style property-list text; a top-level string is given bare.
QString describe(const QVariant &value, bool topLevel = true);

} // namespace DefaultsTool
