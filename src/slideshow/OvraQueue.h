#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <mutex>

// A display's circular list of photo paths, newest first. A filler thread adds
// the paths a search found, the slide-step thread takes one per step, and the
// main thread empties it for a new code. Taking only moves the position on,
// wrapping from the last entry to the first, so a code's photos repeat until
// the list is reset. Safe from any thread.
class OvraQueue
{
public:
    // Whether a path may be queued. Called outside every lock: it decodes the
    // whole file and must never hold up a slide step.
    using ImageTest = std::function<bool(const QString &path)>;

    // Queues only what IsValidImageObject() accepts.
    OvraQueue();
    explicit OvraQueue(ImageTest isValidImage);

    OvraQueue(const OvraQueue &) = delete;
    OvraQueue &operator=(const OvraQueue &) = delete;

    // Empties the list; the next take starts at the front again. A fill still
    // running for the previous content stops adding.
    void reset();
    bool isEmpty() const;

    // The entry after the one taken last (the front one after a reset), or a
    // null string when nothing is queued.
    QString getNextObject();

    // Puts path at the front of array unless array already holds it ignoring
    // case. False when it was already there.
    static bool addToQueue(QStringList &array, const QString &withObject);

    // Meant for its own thread: queues every acceptable image of paths, each in
    // front of the ones before it. Fills run one at a time.
    void addToQueueInThread(const QStringList &paths);
    // The same for paths found while the list was at generation(): nothing is
    // added once it was reset after that.
    void addToQueueInThread(const QStringList &paths, quint64 generation);
    quint64 generation() const;

    // Index of the entry taken last; -1 when nothing was taken since the reset.
    qint64 curIndex() const;
    // A copy of the entries, front first.
    QStringList entries() const;

private:
    ImageTest fIsValidImage;

    // One lock over the list itself, so that adding, taking, resetting and the
    // emptiness test never see it half-changed; always taken last.
    mutable std::mutex mListLock;
    QStringList mArray;
    qint64 mCurIndex = -1;
    // Counts resets, so that a fill notices the list it was filling is gone.
    quint64 mGeneration = 0;

    // Each serialises its own operation with itself.
    std::mutex lock1; // adding
    std::mutex lock2; // taking
    std::mutex lock3; // resetting
};
