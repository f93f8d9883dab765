#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <mutex>
#include <vector>

// A notification: a name, an object and user information. Most payloads travel
// in userInfo; a few carry their dictionary as the object instead.
struct Notification
{
    QString name;
    QVariant object;
    QVariantMap userInfo;
};

// The process's local notification centre. Delivery is synchronous, on the
// posting thread, in registration order. An observer's registrations end when
// the observer object is destroyed. Posting from any thread is safe, and a
// handler may post or add and remove observers.
class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter *defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter &) = delete;
    NotificationCenter &operator=(const NotificationCenter &) = delete;

    // name empty: every notification. sender non-null: only notifications whose
    // object is that QObject.
    void addObserver(QObject *observer, const QString &name, Handler handler,
                     const QObject *sender = nullptr);
    // name empty: every registration of the observer.
    void removeObserver(const QObject *observer, const QString &name = QString());

    void postNotification(const Notification &notification);
    void postNotificationName(const QString &name, const QVariant &object = QVariant(),
                              const QVariantMap &userInfo = QVariantMap());

    int observerCount() const;

private:
    struct Registration
    {
        quint64 id;
        QPointer<QObject> observer;
        const QObject *rawObserver;
        QString name;
        const QObject *sender;
        Handler handler;
    };

    // Guards the destroyed() connections: they end with the centre.
    QObject context_;
    mutable std::recursive_mutex mutex_;
    std::vector<Registration> registrations_;
    quint64 nextId_ = 1;
};
