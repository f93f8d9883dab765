#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Which file a path names at one moment. Camera file names repeat between
// customers, so a photo replaced under the same name (and even of the same
// size) is told apart by its device, inode and times. Safe from any thread.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0; // moves with every rewrite, even one that keeps the modification time

    // The file at path now (links followed); none when it cannot be read.
    static std::optional<FileIdentity> of(const QString &path);
    // All of it as text, for keys of caches.
    QString key() const;

    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};
