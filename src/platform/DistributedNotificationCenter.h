#pragma once

#include "platform/NotificationCenter.h"

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

// The machine-wide channel to companion programs: D-Bus session bus signals
// (interface org.ovra.DistributedNotificationCenter, member Post, arguments
// name and user information "sa{sv}", any object path). Observers run on the
// thread that owns the centre (the main thread), whatever posted the signal.
class DistributedNotificationCenter : public QObject
{
    Q_OBJECT
public:
    explicit DistributedNotificationCenter(QDBusConnection bus = QDBusConnection::sessionBus(),
                                           QObject *parent = nullptr);
    ~DistributedNotificationCenter() override;

    // False when no bus could be reached; the kiosk runs on without companions.
    bool isConnected() const { return connected_; }

    void addObserver(QObject *observer, const QString &name, NotificationCenter::Handler handler);
    void removeObserver(const QObject *observer, const QString &name = QString());

    // Emits one Post signal. False when the bus is unreachable or refuses it.
    bool postNotificationName(const QString &name, const QVariantMap &userInfo = QVariantMap());
    static bool post(QDBusConnection bus, const QString &name, const QVariantMap &userInfo);

    // D-Bus wraps every dictionary value in a variant; this unwraps them, nested ones too.
    static QVariant unwrapDBusValue(const QVariant &value);

private slots:
    void handleMessage(const QDBusMessage &message);

private:
    QDBusConnection bus_;
    bool connected_ = false;
    NotificationCenter observers_;
};
