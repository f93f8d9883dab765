#pragma once

#include <QByteArray>
#include <QString>

class Preferences;

// Alias records: opaque, storable references to a folder or file that still
// find the item after it was renamed or moved within its file system. A
// record holds the item's device, inode, birth time, kind and path; nobody
// outside this class looks inside it. Stateless and safe from any thread.
class MyAliasKit
{
public:
    MyAliasKit() = delete;

    // The record of the item at path (relative paths against the current
    // folder, "~" not expanded); empty for an empty or missing path.
    static QByteArray aliasDataForPath(const QString &path);

    // Finds the item of a record. On success resolvedPath gets its current
    // path and changedData, when asked for, a fresh record if the item is no
    // longer where the record says (else it is cleared). Empty, damaged or
    // newer-format records answer false, as does an item that is gone or
    // lies beyond the bounded search.
    static bool resolveAliasFromData(const QByteArray &data, QString *resolvedPath,
                                     QByteArray *changedData = nullptr);

    // Stores the record of path under forKey; a path without a record leaves
    // the store as it was. store defaults to the standard store.
    static void savePath(const QString &path, const QString &forKey, Preferences *store = nullptr);
};
