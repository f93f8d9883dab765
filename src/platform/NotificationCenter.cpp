#include "platform/NotificationCenter.h"

#include <algorithm>

NotificationCenter *NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return &center;
}

void NotificationCenter::addObserver(QObject *observer, const QString &name, Handler handler,
                                     const QObject *sender)
{
    if (!observer || !handler) {
        return;
    }
    bool firstForObserver = false;
    {
        std::lock_guard lock(mutex_);
        firstForObserver =
            std::none_of(registrations_.begin(), registrations_.end(),
                         [observer](const Registration &r) { return r.rawObserver == observer; });
        registrations_.push_back(
            {nextId_++, QPointer<QObject>(observer), observer, name, sender, std::move(handler)});
    }
    if (firstForObserver) {
        // Direct connection: the registrations go while the observer is being destroyed.
        QObject::connect(
            observer, &QObject::destroyed, &context_,
            [this, observer] { removeObserver(observer); }, Qt::DirectConnection);
    }
}

void NotificationCenter::removeObserver(const QObject *observer, const QString &name)
{
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration &r) {
        return r.rawObserver == observer && (name.isEmpty() || r.name == name);
    });
}

void NotificationCenter::postNotification(const Notification &notification)
{
    const QObject *sender = nullptr;
    if (notification.object.canConvert<QObject *>()) {
        sender = notification.object.value<QObject *>();
    }
    // Snapshot the matching ids first: handlers may change the registrations.
    std::vector<quint64> ids;
    {
        std::lock_guard lock(mutex_);
        for (const Registration &r : registrations_) {
            if ((r.name.isEmpty() || r.name == notification.name) &&
                (!r.sender || r.sender == sender)) {
                ids.push_back(r.id);
            }
        }
    }
    for (quint64 id : ids) {
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            auto it = std::find_if(registrations_.begin(), registrations_.end(),
                                   [id](const Registration &r) { return r.id == id; });
            // Removed by an earlier handler, or its observer is gone.
            if (it == registrations_.end() || it->observer.isNull()) {
                continue;
            }
            handler = it->handler;
        }
        handler(notification);
    }
}

void NotificationCenter::postNotificationName(const QString &name, const QVariant &object,
                                              const QVariantMap &userInfo)
{
    postNotification({name, object, userInfo});
}

int NotificationCenter::observerCount() const
{
    std::lock_guard lock(mutex_);
    return int(registrations_.size());
}
