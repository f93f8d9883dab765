#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The identity of one file-system item as kept in an alias record: where it
// was (native path bytes) and what it is (device, inode, birth time, kind).
// Internal to the alias kit.
struct AliasRecord
{
    enum class Kind : quint8 { Folder = 1, File = 2 };

    quint64 device = 0;
    quint64 inode = 0;
    // Zero when the file system keeps no birth time.
    qint64 birthSeconds = 0;
    quint32 birthNanoseconds = 0;
    Kind kind = Kind::File;
    // Absolute, clean, in the file system's own bytes.
    QByteArray path;

    // The item at nativePath (symbolic links followed), or none when it cannot
    // be examined.
    static std::optional<AliasRecord> ofItem(const QByteArray &nativePath, bool followLinks = true);

    // Same item: same device and inode, same kind, and, where both sides know
    // it, the same birth time (an inode number alone is reused after deletion).
    bool sameItemAs(const AliasRecord &other) const;

    QByteArray encode() const;
    // None for anything that is not a complete record of a known version;
    // reason then names why (one of the alias reason texts).
    static std::optional<AliasRecord> decode(const QByteArray &data, QString *reason = nullptr);
};
