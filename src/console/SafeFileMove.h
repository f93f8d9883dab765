#pragma once

#include <QString>

// Moving a photo between code folders. A move never replaces a file at the
// target, and whatever fails, and whenever the process dies, the photo is
// still in the source or in the target folder (for a moment in both, never in
// neither).
namespace SafeFileMove {

struct Result
{
    bool moved = false;
    QString destination; // the path the file has (or would have had) in the target folder
    QString error;       // why the file stayed where it was
};

// Moves sourcePath to destinationFolder / its own file name. Within one file
// system this is an atomic rename that refuses an existing name; across file
// systems it is copyAcrossFileSystems().
Result moveIntoFolder(const QString &sourcePath, const QString &destinationFolder);

// Copies the file beside destinationPath under a hidden name, flushes it to
// disk, checks its size against the source, gives it its final name (never
// replacing), and only then removes the source. Any failure takes the copy
// back and leaves the source alone. Keeps the permissions and times.
Result copyAcrossFileSystems(const QString &sourcePath, const QString &destinationPath);

// Renames from to to unless to exists, atomically where the file system can.
// False with errno set otherwise (EEXIST for a taken name).
bool renameWithoutReplacing(const QString &from, const QString &to);

// Flushes a folder's entries (after a rename or removal) to disk.
void syncFolder(const QString &folder);

} // namespace SafeFileMove
