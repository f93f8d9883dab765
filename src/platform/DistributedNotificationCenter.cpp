#include "platform/DistributedNotificationCenter.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {
const QString kPostSignature = QStringLiteral("sa{sv}");
constexpr qsizetype kMaxNameLength = 1024;
} // namespace

DistributedNotificationCenter::DistributedNotificationCenter(QDBusConnection bus, QObject *parent)
    : QObject(parent), bus_(std::move(bus))
{
    if (!bus_.isConnected()) {
        OvraLog(kLogNoSessionBus);
        return;
    }
    // An empty path and sender match every object path and every sender. The
    // slot takes the whole message, so a wrong signature is seen and logged
    // instead of being dropped silently (or aborting a typed slot).
    connected_ = bus_.connect(QString(), QString(), kDBusNotificationInterface,
                              kDBusNotificationMember, this, SLOT(handleMessage(QDBusMessage)));
    if (!connected_) {
        OvraLog(kLogNoSessionBus);
    }
}

DistributedNotificationCenter::~DistributedNotificationCenter()
{
    if (connected_) {
        bus_.disconnect(QString(), QString(), kDBusNotificationInterface, kDBusNotificationMember,
                        this, SLOT(handleMessage(QDBusMessage)));
    }
}

void DistributedNotificationCenter::addObserver(QObject *observer, const QString &name,
                                                NotificationCenter::Handler handler)
{
    observers_.addObserver(observer, name, std::move(handler));
}

void DistributedNotificationCenter::removeObserver(const QObject *observer, const QString &name)
{
    observers_.removeObserver(observer, name);
}

QVariant DistributedNotificationCenter::unwrapDBusValue(const QVariant &value)
{
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        return unwrapDBusValue(value.value<QDBusVariant>().variant());
    }
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        switch (argument.currentType()) {
        case QDBusArgument::MapType: {
            QVariantMap map;
            argument.beginMap();
            while (!argument.atEnd()) {
                QString key;
                QVariant item;
                argument.beginMapEntry();
                argument >> key >> item;
                argument.endMapEntry();
                map.insert(key, unwrapDBusValue(item));
            }
            argument.endMap();
            return map;
        }
        case QDBusArgument::ArrayType: {
            QVariantList list;
            argument.beginArray();
            while (!argument.atEnd()) {
                QVariant item;
                argument >> item;
                list.append(unwrapDBusValue(item));
            }
            argument.endArray();
            return list;
        }
        default:
            return QVariant();
        }
    }
    return value;
}

void DistributedNotificationCenter::handleMessage(const QDBusMessage &message)
{
    if (message.signature() != kPostSignature || message.arguments().size() != 2) {
        OvraLog(kLogDistIgnoredSignature.arg(message.signature(), message.path()));
        return;
    }
    const QString name = message.arguments().at(0).toString();
    if (name.isEmpty() || name.size() > kMaxNameLength) {
        OvraLog(kLogDistIgnoredName.arg(name.left(64)));
        return;
    }
    const QVariant info = unwrapDBusValue(message.arguments().at(1));
    observers_.postNotificationName(name, QVariant(), info.toMap());
}

bool DistributedNotificationCenter::post(QDBusConnection bus, const QString &name,
                                         const QVariantMap &userInfo)
{
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        kDBusNotificationPath, kDBusNotificationInterface, kDBusNotificationMember);
    signal << name << QVariant(userInfo);
    return bus.send(signal);
}

bool DistributedNotificationCenter::postNotificationName(const QString &name,
                                                         const QVariantMap &userInfo)
{
    return post(bus_, name, userInfo);
}
