#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// The preferences store's file: where it stands on disk, whether it changed,
// the advisory lock that serialises writers across processes, and reading and
// writing it.
class PreferencesFile
{
public:
    explicit PreferencesFile(const QString &path);

    // Identity of one version of the file; a rename-replace changes the inode
    // even when size and time stay.
    struct Stamp
    {
        bool exists = false;
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Stamp &) const = default;
    };

    // Held while reading, merging and writing; "<file>.lock" beside the file,
    // so the rename of the file itself never drops the lock.
    class Lock
    {
    public:
        explicit Lock(const QString &filePath);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;
        bool isLocked() const { return m_fd >= 0; }

    private:
        int m_fd = -1;
    };

    enum class Status { Missing, Ok, Unreadable, Corrupt };
    struct Content
    {
        Status status = Status::Missing;
        QVariantMap values;
        Stamp stamp;
        QString error;
    };

    QString path() const { return m_path; }
    Stamp stamp() const;
    // The stamp belongs to the version that was read, even when the file is
    // replaced while it is read.
    Content read() const;
    // Moves a file that is not a dictionary aside ("<file>.corrupt-<time>") and logs it.
    void setAside(const QString &why) const;
    // Removes what a save killed half-way left beside the file. Only with the
    // lock held: another writer's temporary file looks the same.
    void removeInterruptedSaves() const;
    // Creates the folder when missing. The new file's stamp goes to written.
    bool write(const QVariantMap &values, QString *error, Stamp *written) const;

private:
    QString m_path;
};
