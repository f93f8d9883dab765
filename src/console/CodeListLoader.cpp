#include "console/CodeListLoader.h"

#include "console/CodeListModel.h"

#include <QSemaphore>
#include <QThreadPool>

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Count = std::pair<quint64, QString>;

enum SlotState : int { Unread, Listed, NotListed };

} // namespace

struct CodeListLoader::Shared
{
    QThreadPool *pool = nullptr;
    CodeListModel *list = nullptr;
    CodeFolderScan::InfoReader reader;

    QList<CodeFolderScan::Candidate> folders;
    QString nowText;
    std::vector<std::optional<QVariantMap>> entries;
    std::vector<quint64> ids;
    std::unique_ptr<std::atomic<int>[]> states;

    // A few workers take folders in turn instead of a task per folder: a
    // thousand task hand-overs cost more than the work they carry.
    std::atomic<qsizetype> nextToRead{0};
    std::atomic<qsizetype> nextToCount{0};
    std::atomic<qsizetype> leftToRead{0};
    QSemaphore allRead;
    std::atomic_bool cancelled{false};

    std::mutex mutex;
    bool released = false;
    QList<Count> heldCounts;
    QList<Count> toDeliver; // made after the release, not yet posted

    void work()
    {
        const qsizetype total = folders.size();
        for (qsizetype i = nextToRead++; i < total; i = nextToRead++) {
            // Each worker writes only the slots it took; the semaphore orders
            // those writes before the scan reads them.
            entries[size_t(i)] = CodeFolderScan::makeEntry(folders.at(i), reader, nowText);
            states[size_t(i)].store(entries[size_t(i)] ? Listed : NotListed,
                                    std::memory_order_release);
            if (--leftToRead == 0) {
                allRead.release();
            }
        }
        // The counts follow the info files, so the list is ready first.
        for (qsizetype i = nextToCount++; i < total && !cancelled; i = nextToCount++) {
            if (states[size_t(i)].load(std::memory_order_acquire) == NotListed) {
                continue;
            }
            const qint64 count = CodeFolderScan::countListPhotos(folders.at(i).path);
            deliver({ids[size_t(i)], QString::number(qMax<qint64>(count, 0))});
        }
    }

    void deliver(const Count &count)
    {
        const std::lock_guard lock(mutex);
        if (!released) {
            heldCounts.append(count);
            return;
        }
        toDeliver.append(count);
        if (toDeliver.size() == 1) {
            postPending();
        }
    }

    // Counts made while the main thread is busy travel together. The caller
    // holds the mutex.
    void postPending()
    {
        CodeListModel *model = list;
        QMetaObject::invokeMethod(
            model,
            [model, shared = self.lock()] {
                QList<Count> counts;
                {
                    const std::lock_guard lock(shared->mutex);
                    counts.swap(shared->toDeliver);
                }
                // The list sees either "-" or the whole count, and only on its thread.
                for (const auto &[id, qty] : counts) {
                    model->setQty(id, qty);
                }
            },
            Qt::QueuedConnection);
    }

    std::weak_ptr<Shared> self;
};

CodeListLoader::CodeListLoader(QThreadPool *pool, CodeListModel *list,
                               CodeFolderScan::InfoReader reader)
    : d(std::make_shared<Shared>())
{
    d->self = d;
    d->pool = pool;
    d->list = list;
    d->reader = std::move(reader);
}

CodeListLoader::~CodeListLoader()
{
    // The counts of a list that is being replaced are not worth finishing.
    d->cancelled = true;
}

QList<CodeFolderScan::Folder>
CodeListLoader::readFolders(const QList<CodeFolderScan::Candidate> &folders, const QDateTime &now)
{
    const qsizetype total = folders.size();
    d->folders = folders;
    d->nowText = now.toString(Qt::ISODate);
    d->entries.resize(size_t(total));
    d->ids.resize(size_t(total));
    d->states = std::make_unique<std::atomic<int>[]>(size_t(total));
    for (qsizetype i = 0; i < total; ++i) {
        d->ids[size_t(i)] = CodeListModel::nextId();
        d->states[size_t(i)].store(Unread);
    }
    if (total == 0) {
        return {};
    }
    d->leftToRead = total;
    const int workers = int(qBound(qsizetype(1), qsizetype(d->pool->maxThreadCount()), total));
    for (int w = 0; w < workers; ++w) {
        d->pool->start([shared = d] { shared->work(); });
    }
    d->allRead.acquire();

    QList<CodeFolderScan::Folder> listed;
    listed.reserve(total);
    for (qsizetype i = 0; i < total; ++i) {
        std::optional<QVariantMap> &entry = d->entries[size_t(i)];
        if (entry) {
            listed.append({folders.at(i).path, std::move(*entry), d->ids[size_t(i)]});
            entry.reset();
        }
    }
    return listed;
}

void CodeListLoader::releaseCounts()
{
    const std::lock_guard lock(d->mutex);
    if (d->released) {
        return;
    }
    d->released = true;
    d->toDeliver.swap(d->heldCounts);
    if (!d->toDeliver.isEmpty()) {
        d->postPending();
    }
}
