#include "platform/Preferences.h"

#include "platform/PreferencesPrivate.h"

#include "platform/Log.h"
#include "platform/PreferencesValues.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <mutex>

Preferences::Preferences(const QString &filePath, QObject *parent)
    : QObject(parent), d(std::make_unique<PreferencesPrivate>(this, filePath))
{
    if (!d->persistent)
        return;

    d->load();

    d->pollTimer = new QTimer(this);
    d->pollTimer->setInterval(kPreferencesPollIntervalMs);
    connect(d->pollTimer, &QTimer::timeout, this, [this] { d->poll(); });
    d->saveTimer = new QTimer(this);
    d->saveTimer->setSingleShot(true);
    d->saveTimer->setInterval(kPreferencesSaveDelayMs);
    connect(d->saveTimer, &QTimer::timeout, this, [this] {
        d->saveQueued = false;
        d->save(true);
    });
    // Started through the event queue, so a store made on a thread without an
    // event loop (and later moved to one) starts polling where it lives.
    QTimer *poll = d->pollTimer;
    QMetaObject::invokeMethod(
        poll, [poll] { poll->start(); }, Qt::QueuedConnection);
}

Preferences::~Preferences()
{
    if (d->persistent) {
        bool pending = false;
        {
            std::lock_guard lock(d->mutex);
            pending = !d->dirty.isEmpty();
        }
        if (pending)
            d->save(false);
    }
}

QString Preferences::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + kPreferencesFolderName + QLatin1Char('/') + kPreferencesFileName;
}

QString Preferences::filePath() const
{
    return d->file.path();
}

void Preferences::registerDefaults(const QVariantMap &defaults)
{
    PreferencesChanges changes;
    {
        std::lock_guard lock(d->mutex);
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
            const QVariant value = PreferencesValues::normalized(it.value());
            if (!value.isValid())
                continue;
            const QVariant before = d->effectiveLocked(it.key());
            d->registered.insert(it.key(), value);
            const QVariant after = d->effectiveLocked(it.key());
            if (!PreferencesValues::strictlyEqual(before, after))
                changes.push_back({it.key(), after});
        }
    }
    for (const PreferencesChange &c : changes)
        emit valueChanged(c.key, c.value);
}

QVariant Preferences::objectForKey(const QString &key) const
{
    std::lock_guard lock(d->mutex);
    return d->effectiveLocked(key);
}

QString Preferences::stringForKey(const QString &key) const
{
    return PreferencesValues::toString(objectForKey(key));
}

QVariantList Preferences::arrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

QStringList Preferences::stringArrayForKey(const QString &key) const
{
    return PreferencesValues::toStringList(objectForKey(key));
}

QVariantMap Preferences::dictionaryForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QByteArray Preferences::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

bool Preferences::boolForKey(const QString &key) const
{
    return PreferencesValues::toBool(objectForKey(key));
}

qint64 Preferences::integerForKey(const QString &key) const
{
    return PreferencesValues::toInteger(objectForKey(key));
}

float Preferences::floatForKey(const QString &key) const
{
    return float(PreferencesValues::toDouble(objectForKey(key)));
}

double Preferences::doubleForKey(const QString &key) const
{
    return PreferencesValues::toDouble(objectForKey(key));
}

void Preferences::setObject(const QVariant &value, const QString &forKey)
{
    // Setting nothing removes the key, as the platform's store does.
    if (!value.isValid()) {
        removeObjectForKey(forKey);
        return;
    }
    const QVariant stored = PreferencesValues::normalized(value);
    if (!stored.isValid()) {
        OvraLog(kLogPreferencesValueRejected.arg(QLatin1String(value.typeName()), forKey));
        return;
    }
    QVariant before;
    {
        std::lock_guard lock(d->mutex);
        before = d->effectiveLocked(forKey);
        d->persisted.insert(forKey, stored);
        d->dirty.insert(forKey);
    }
    d->scheduleSave();
    if (!PreferencesValues::strictlyEqual(before, stored))
        emit valueChanged(forKey, stored);
}

void Preferences::setBool(bool value, const QString &forKey)
{
    setObject(value, forKey);
}

void Preferences::setInteger(qint64 value, const QString &forKey)
{
    setObject(value, forKey);
}

void Preferences::setFloat(float value, const QString &forKey)
{
    setObject(double(value), forKey);
}

void Preferences::setDouble(double value, const QString &forKey)
{
    setObject(value, forKey);
}

void Preferences::removeObjectForKey(const QString &key)
{
    QVariant before;
    QVariant after;
    {
        std::lock_guard lock(d->mutex);
        before = d->effectiveLocked(key);
        d->persisted.remove(key);
        d->dirty.insert(key);
        after = d->effectiveLocked(key);
    }
    d->scheduleSave();
    if (!PreferencesValues::strictlyEqual(before, after))
        emit valueChanged(key, after);
}

bool Preferences::synchronize()
{
    return d->save(true);
}

QVariantMap Preferences::dictionaryRepresentation() const
{
    std::lock_guard lock(d->mutex);
    QVariantMap all = d->registered;
    all.insert(d->persisted);
    return all;
}

QVariantMap Preferences::persistentDomain() const
{
    std::lock_guard lock(d->mutex);
    return d->persisted;
}

// ---------------------------------------------------------------- the process-wide store

namespace {

struct StandardStore
{
    std::mutex mutex;
    Preferences *installed = nullptr;
    std::unique_ptr<Preferences> owned;
};

StandardStore &standardStore()
{
    static StandardStore store;
    return store;
}

// Runs while the application object is destroyed, so the store's timers die
// with the event loop they belong to and its last changes reach the disk.
void releaseOwnedStandardStore()
{
    StandardStore &s = standardStore();
    std::unique_ptr<Preferences> owned;
    {
        std::lock_guard lock(s.mutex);
        if (s.installed == s.owned.get())
            s.installed = nullptr;
        owned = std::move(s.owned);
    }
}

} // namespace

Preferences *Preferences::standardUserDefaults()
{
    StandardStore &s = standardStore();
    std::lock_guard lock(s.mutex);
    if (!s.installed) {
        if (!s.owned) {
            s.owned = std::make_unique<Preferences>(defaultFilePath());
            if (QCoreApplication *app = QCoreApplication::instance()) {
                s.owned->moveToThread(app->thread());
                qAddPostRoutine(releaseOwnedStandardStore);
            }
        }
        s.installed = s.owned.get();
    }
    return s.installed;
}

void Preferences::setStandardUserDefaults(Preferences *store)
{
    StandardStore &s = standardStore();
    std::lock_guard lock(s.mutex);
    s.installed = store;
}
