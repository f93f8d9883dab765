#include "slideshow/OvraQueue.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/ImageFiles.h"

#include <utility>

namespace {

const QString kClassName = QStringLiteral("OvraQueue");

QString describe(const QStringList &entries)
{
    return QStringLiteral("(\n    ") + entries.join(QStringLiteral(",\n    ")) +
           QStringLiteral("\n)");
}

} // namespace

OvraQueue::OvraQueue() : OvraQueue([](const QString &path) { return IsValidImageObject(path); }) {}

OvraQueue::OvraQueue(ImageTest isValidImage) : fIsValidImage(std::move(isValidImage))
{
    reset();
}

void OvraQueue::reset()
{
    const std::lock_guard resetting(lock3);
    const std::lock_guard list(mListLock);
    mArray.clear();
    mCurIndex = -1;
    ++mGeneration;
}

bool OvraQueue::isEmpty() const
{
    const std::lock_guard list(mListLock);
    return mArray.isEmpty();
}

QString OvraQueue::getNextObject()
{
    const std::lock_guard taking(lock2);
    const std::lock_guard list(mListLock);
    if (mArray.isEmpty()) {
        OvraLog(kLogQueueNothingQueued.arg(kClassName, QStringLiteral("getNextObject")));
        return QString();
    }
    qint64 next = 0;
    if (mCurIndex < 0) {
        OvraLog(kLogQueueTempIsNegative);
    } else {
        next = mCurIndex + 1;
        if (next >= mArray.size()) {
            next = 0;
        }
    }
    mCurIndex = next;
    return mArray.at(next);
}

bool OvraQueue::addToQueue(QStringList &array, const QString &withObject)
{
    for (const QString &entry : std::as_const(array)) {
        if (entry.compare(withObject, Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    array.prepend(withObject);
    return true;
}

void OvraQueue::addToQueueInThread(const QStringList &paths)
{
    // Taken before waiting for another fill, so a reset meanwhile also counts.
    addToQueueInThread(paths, generation());
}

quint64 OvraQueue::generation() const
{
    const std::lock_guard list(mListLock);
    return mGeneration;
}

void OvraQueue::addToQueueInThread(const QStringList &paths, quint64 generation)
{
    const QString operation = QStringLiteral("addToQueueInThread");
    const std::lock_guard adding(lock1);
    OvraLog(kLogQueueBefore.arg(kClassName, operation, describe(entries())));
    for (const QString &path : paths) {
        if (!fIsValidImage(path)) {
            continue;
        }
        const std::lock_guard list(mListLock);
        if (mGeneration != generation) {
            // The display moved on to another code: these photos are stale.
            OvraLog(kLogQueueFillStale.arg(kClassName, operation));
            break;
        }
        addToQueue(mArray, path);
    }
    OvraLog(kLogQueueAfter.arg(kClassName, operation, describe(entries())));
}

qint64 OvraQueue::curIndex() const
{
    const std::lock_guard list(mListLock);
    return mCurIndex;
}

QStringList OvraQueue::entries() const
{
    const std::lock_guard list(mListLock);
    return mArray;
}
