#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Small file helpers shared by the whole system. Each reports failure by its
// result and a log line; all may run on any thread.

// Creates the folder at path ("~" expanded) with every missing parent, each
// with permissions 0777 whatever the umask; an existing folder gets 0777.
// False when the folder cannot be made (a plain file in the way, no rights).
bool createDirectoryIfMissing(const QString &path);

// Replaces the nine read/write/execute bits of the item's mode with those of
// mode, keeping its set-id, sticky and type bits.
bool setPermissionInC(const QByteArray &path, mode_t mode);
// The same for a path given as text (encoded as the file system's bytes).
bool setPermission(const QString &path, mode_t mode);

// Moves the item ("~" expanded) into the user's trash, keeping its original
// path for restoring; an item already trashed under the same name is kept.
// An item that cannot be deleted, or a move that fails, stays where it is.
void moveFileToUserTrash(const QString &path);

// Shows the folder ("~" expanded) in the file manager through the bundle
// script "revealInFinder.sh"; for anything but an existing folder it beeps.
// Waits for the script to end.
void revealItemInFinder(const QString &path);
