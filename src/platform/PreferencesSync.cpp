#include "platform/PreferencesPrivate.h"

#include "platform/Log.h"
#include "platform/PreferencesValues.h"
#include "shell/CommonHeader.h"

#include <QThread>
#include <QTimer>

namespace {

QVariantMap normalizedMap(const QVariantMap &in)
{
    QVariantMap out;
    for (auto it = in.cbegin(); it != in.cend(); ++it) {
        QVariant v = PreferencesValues::normalized(it.value());
        if (v.isValid())
            out.insert(it.key(), v);
    }
    return out;
}

} // namespace

PreferencesChanges PreferencesPrivate::adopt(const QVariantMap &fileValues,
                                             const PreferencesFile::Stamp &stamp)
{
    std::lock_guard lock(mutex);
    QVariantMap next = normalizedMap(fileValues);
    for (const QString &key : std::as_const(dirty)) {
        auto it = persisted.constFind(key);
        if (it != persisted.cend())
            next.insert(key, *it);
        else
            next.remove(key);
    }
    QSet<QString> keys(persisted.keyBegin(), persisted.keyEnd());
    for (auto it = next.keyBegin(); it != next.keyEnd(); ++it)
        keys.insert(*it);
    PreferencesChanges changes;
    for (const QString &key : std::as_const(keys)) {
        const QVariant before = effectiveLocked(key);
        const QVariant after = next.contains(key) ? next.value(key) : registered.value(key);
        if (!PreferencesValues::strictlyEqual(before, after))
            changes.push_back({key, after});
    }
    persisted = std::move(next);
    seen = stamp;
    return changes;
}

void PreferencesPrivate::load()
{
    PreferencesFile::Lock fileLock(file.path());
    if (fileLock.isLocked())
        file.removeInterruptedSaves();
    const PreferencesFile::Content content = file.read();
    switch (content.status) {
    case PreferencesFile::Status::Ok:
        persisted = normalizedMap(content.values);
        seen = content.stamp;
        break;
    case PreferencesFile::Status::Corrupt:
        file.setAside(content.error);
        seen = file.stamp();
        break;
    case PreferencesFile::Status::Unreadable:
        OvraLog(kLogPreferencesUnreadable.arg(file.path(), content.error));
        seen = file.stamp();
        break;
    case PreferencesFile::Status::Missing:
        break;
    }
}

void PreferencesPrivate::scheduleSave()
{
    if (!persistent || !saveTimer)
        return;
    // Without an event loop where the store lives, synchronize() and the
    // destructor do the writing.
    if (!saveTimer->thread()->eventDispatcher())
        return;
    if (saveQueued.exchange(true))
        return;
    QTimer *timer = saveTimer;
    QMetaObject::invokeMethod(
        timer, [timer] { timer->start(); }, Qt::QueuedConnection);
}

bool PreferencesPrivate::save(bool emitChanges)
{
    if (!persistent) {
        std::lock_guard lock(mutex);
        dirty.clear();
        return true;
    }

    PreferencesChanges changes;
    bool ok = true;
    {
        std::lock_guard saveLock(saveMutex);
        PreferencesFile::Lock fileLock(file.path());
        if (fileLock.isLocked())
            file.removeInterruptedSaves();
        const PreferencesFile::Content content = file.read();
        if (content.status == PreferencesFile::Status::Unreadable) {
            // Never replace a file whose content this process cannot see.
            OvraLog(kLogPreferencesSaveFailed.arg(file.path(), content.error));
            return false;
        }
        const bool corrupt = content.status == PreferencesFile::Status::Corrupt;
        if (corrupt)
            file.setAside(content.error);
        const QVariantMap base = normalizedMap(content.values);

        QSet<QString> written;
        QVariantMap merged;
        {
            std::lock_guard lock(mutex);
            written = std::exchange(dirty, {});
            // A file that was set aside is rebuilt from everything this store knows.
            merged = corrupt ? persisted : base;
            if (!corrupt) {
                for (const QString &key : std::as_const(written)) {
                    auto it = persisted.constFind(key);
                    if (it != persisted.cend())
                        merged.insert(key, *it);
                    else
                        merged.remove(key);
                }
            }
        }

        PreferencesFile::Stamp stamp = content.stamp;
        const bool unchanged = content.status == PreferencesFile::Status::Ok &&
                               PreferencesValues::strictlyEqual(merged, base);
        const bool nothingToCreate =
            content.status == PreferencesFile::Status::Missing && merged.isEmpty();
        if (!unchanged && !nothingToCreate) {
            QString error;
            if (!file.write(merged, &error, &stamp)) {
                OvraLog(kLogPreferencesSaveFailed.arg(file.path(), error));
                std::lock_guard lock(mutex);
                dirty.unite(written);
                ok = false;
            }
        }
        if (ok)
            changes = adopt(merged, stamp);
    }
    // What a save brings in is other processes' work, reported on the store's
    // thread when that thread runs an event loop.
    if (emitChanges && !changes.empty()) {
        if (QThread::currentThread() != q->thread() && q->thread()->eventDispatcher()) {
            QMetaObject::invokeMethod(
                q, [this, changes] { emitAll(changes); }, Qt::QueuedConnection);
        } else {
            emitAll(changes);
        }
    }
    return ok;
}

void PreferencesPrivate::poll()
{
    const PreferencesFile::Stamp now = file.stamp();
    {
        std::lock_guard lock(mutex);
        if (now == seen)
            return;
    }
    // A save running on another thread has taken this process's changes out of
    // the dirty set but not yet written them: the file read now would undo them
    // for a moment. That save adopts the file anyway; look again next round.
    std::unique_lock saving(saveMutex, std::try_to_lock);
    if (!saving.owns_lock())
        return;
    const PreferencesFile::Content content = file.read();
    PreferencesChanges changes;
    switch (content.status) {
    case PreferencesFile::Status::Ok:
        changes = adopt(content.values, content.stamp);
        break;
    case PreferencesFile::Status::Missing:
        // Deleted by hand: every persisted value is gone, bar this process's unsaved ones.
        changes = adopt({}, {});
        break;
    case PreferencesFile::Status::Corrupt:
    case PreferencesFile::Status::Unreadable: {
        // Possibly a writer that replaces the file in place and is not done yet:
        // leave it; the next save sets it aside if it stays broken.
        OvraLog(kLogPreferencesUnreadable.arg(file.path(), content.error));
        std::lock_guard lock(mutex);
        seen = content.stamp.exists ? content.stamp : now;
        break;
    }
    }
    saving.unlock();
    emitAll(changes);
}
