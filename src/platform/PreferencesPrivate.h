#pragma once

// Internals of Preferences, shared by its files; not for other users.

#include "platform/Preferences.h"
#include "platform/PreferencesFile.h"

#include <QSet>
#include <QVariantMap>

#include <atomic>
#include <mutex>
#include <vector>

class QTimer;

struct PreferencesChange
{
    QString key;
    QVariant value;
};
using PreferencesChanges = std::vector<PreferencesChange>;

// Another process's change must show within two seconds.
inline constexpr int kPreferencesPollIntervalMs = 500;
// Bursts of changes (a window full of bound controls) make one write.
inline constexpr int kPreferencesSaveDelayMs = 100;

class PreferencesPrivate
{
public:
    PreferencesPrivate(Preferences *owner, const QString &path)
        : q(owner), file(path), persistent(!path.isEmpty())
    {}

    Preferences *const q;

    // Guards the layers, the dirty set and the stamp; never held while emitting
    // or while touching the file.
    mutable std::mutex mutex;
    // One save at a time in this process; the file lock serialises processes.
    std::mutex saveMutex;

    PreferencesFile file;
    const bool persistent;
    QVariantMap registered;
    QVariantMap persisted;
    // Keys set or removed here since the last save: the only ones a save
    // writes over what other processes put in the file.
    QSet<QString> dirty;
    // The version of the file the persisted layer reflects.
    PreferencesFile::Stamp seen;

    QTimer *pollTimer = nullptr;
    QTimer *saveTimer = nullptr;
    std::atomic<bool> saveQueued{false};

    QVariant effectiveLocked(const QString &key) const
    {
        auto it = persisted.constFind(key);
        if (it != persisted.cend())
            return *it;
        return registered.value(key);
    }

    // Takes the file's values as the persisted layer, keeping this process's
    // unsaved changes on top. Answers the keys whose effective value changed.
    PreferencesChanges adopt(const QVariantMap &fileValues, const PreferencesFile::Stamp &stamp);

    void emitAll(const PreferencesChanges &changes)
    {
        for (const PreferencesChange &c : changes)
            emit q->valueChanged(c.key, c.value);
    }

    // Reads the file at construction; sets an unusable one aside.
    void load();
    // Coalesces writes through the save timer where an event loop runs.
    void scheduleSave();
    // Merges this process's changes into the file under the file lock.
    bool save(bool emitChanges);
    // Picks up another process's change to the file.
    void poll();
};
