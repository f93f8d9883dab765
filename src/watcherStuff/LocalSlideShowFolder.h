#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>

class NotificationCenter;

// The local master slideshow: the photos of the Current folder, capped at a
// number of photos. A scan retires the oldest photos (first by name) to
// Processed, or to Failed when Processed refuses them, and publishes the
// remaining list. Safe to scan from any thread; one scan runs at a time.
class LocalSlideShowFolder
{
public:
    struct Folders
    {
        QString current;
        QString processed;
        QString failed;
    };

    explicit LocalSlideShowFolder(Folders folders, NotificationCenter *center = nullptr);

    // The cap; its low 32 bits count, a negative cap counts as 0.
    std::atomic<qint64> maxCountOfPhotos{0};

    // The scan. Always true. Posts "cNotification_LocalMasterSlideShowArrayChanged"
    // on the calling thread when it published a new list.
    bool checkInsideLocalSlideShowFolder();

    // The published list: absolute paths, sorted; empty until a scan had to
    // retire photos.
    QStringList localMasterSlideShowFileList() const;

    const Folders &folders() const { return folders_; }

    // A plain file named "*.jpg" in any case and not hidden.
    static bool isLocalSlideShowPhotoName(const QString &name);

private:
    // Moves to folder under its own name; never replaces a file there.
    static bool moveInto(const QString &file, const QString &folder, QString *error);

    Folders folders_;
    NotificationCenter *center_;
    std::mutex scanLock_;
    mutable std::mutex listLock_;
    QStringList published_;
};
