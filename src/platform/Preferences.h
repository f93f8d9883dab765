#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class PreferencesPrivate;

// The per-user preferences store. Two layers: registered defaults (memory
// only) and persisted values (an XML property list on disk). A persisted value
// hides the registered one. Typed reads give fixed results for a missing key:
// strings, objects, arrays and dictionaries give none, booleans false, numbers 0.
//
// Values are QString, bool, qint64/int, double, QVariantList, QVariantMap,
// QByteArray (data) and QDateTime (date).
//
// Safe from any thread. valueChanged() is emitted on the thread that made the
// change (or, for a change made by another process, on the store's thread).
class Preferences : public QObject
{
    Q_OBJECT
public:
    // filePath: where persisted values live. An empty path keeps them in memory.
    explicit Preferences(const QString &filePath, QObject *parent = nullptr);
    ~Preferences() override;

    // The process-wide store ($XDG_CONFIG_HOME/ovra-videowall/org.ovra.VideoWall.plist).
    static Preferences *standardUserDefaults();
    static QString defaultFilePath();
    // Tests and tools may install their own store; the caller keeps ownership.
    static void setStandardUserDefaults(Preferences *store);

    QString filePath() const;

    void registerDefaults(const QVariantMap &defaults);

    QVariant objectForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QVariantList arrayForKey(const QString &key) const;
    QStringList stringArrayForKey(const QString &key) const;
    QVariantMap dictionaryForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    float floatForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;

    void setObject(const QVariant &value, const QString &forKey);
    void setBool(bool value, const QString &forKey);
    void setInteger(qint64 value, const QString &forKey);
    void setFloat(float value, const QString &forKey);
    void setDouble(double value, const QString &forKey);
    void removeObjectForKey(const QString &key);

    // Writes pending changes now. Answers false when the file could not be written.
    bool synchronize();

    // Registered defaults overlaid with persisted values.
    QVariantMap dictionaryRepresentation() const;
    // Persisted values only.
    QVariantMap persistentDomain() const;

signals:
    // One per changed key, with the new effective value (invalid when removed).
    void valueChanged(const QString &key, const QVariant &newValue);

private:
    std::unique_ptr<PreferencesPrivate> d;
};
