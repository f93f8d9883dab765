#include "platform/NotifyTool.h"

#include "platform/DistributedNotificationCenter.h"

#include <QDBusMessage>

namespace NotifyTool {

namespace {

enum class Kind { String, Int, Bool };

std::optional<QVariant> convert(const QString &text, Kind kind)
{
    switch (kind) {
    case Kind::String:
        return QVariant(text);
    case Kind::Int: {
        bool ok = false;
        const qlonglong value = text.toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(value)) : std::nullopt;
    }
    case Kind::Bool: {
        const QString t = text.toLower();
        if (t == u"yes" || t == u"true" || t == u"1") {
            return QVariant(true);
        }
        if (t == u"no" || t == u"false" || t == u"0") {
            return QVariant(false);
        }
        return std::nullopt;
    }
    }
    return std::nullopt;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "usage: ovra-notify NAME [KEY=VALUE ...]\n"
        "Posts one distributed notification to the Ovra VideoWall kiosk over the D-Bus\n"
        "session bus. Values are strings; put --int or --bool before a pair for those types:\n"
        "  ovra-notify OvraSlideShowNotification\n"
        "  ovra-notify ovraXNotification action=statusIsRecording senderApp=Ovra-Video.app\n"
        "  ovra-notify SomeName --int count=3 --bool shout=YES\n");
}

std::optional<Request> parse(const QStringList &args, QString *error)
{
    Request request;
    Kind next = Kind::String;
    for (const QString &arg : args) {
        if (arg == u"--int") {
            next = Kind::Int;
            continue;
        }
        if (arg == u"--bool") {
            next = Kind::Bool;
            continue;
        }
        if (request.name.isEmpty()) {
            if (arg.startsWith(u'-') || next != Kind::String) {
                *error = QStringLiteral("ovra-notify: the notification name comes first");
                return std::nullopt;
            }
            request.name = arg;
            continue;
        }
        const qsizetype eq = arg.indexOf(u'=');
        if (eq <= 0) {
            *error = QStringLiteral("ovra-notify: expected KEY=VALUE, got '%1'").arg(arg);
            return std::nullopt;
        }
        const QString key = arg.left(eq);
        const auto value = convert(arg.mid(eq + 1), next);
        if (!value) {
            *error = QStringLiteral("ovra-notify: '%1' is not a valid %2")
                         .arg(arg.mid(eq + 1), next == Kind::Int ? QStringLiteral("integer")
                                                                 : QStringLiteral("boolean"));
            return std::nullopt;
        }
        request.userInfo.insert(key, *value);
        next = Kind::String;
    }
    if (request.name.isEmpty()) {
        *error = QStringLiteral("ovra-notify: missing notification name");
        return std::nullopt;
    }
    return request;
}

int run(const QStringList &args, QTextStream &out, QTextStream &err, QDBusConnection bus)
{
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << usage();
        return 0;
    }
    QString error;
    const auto request = parse(args, &error);
    if (!request) {
        err << error << '\n' << usage();
        return 1;
    }
    if (!bus.isConnected()) {
        err << "ovra-notify: no D-Bus session bus is reachable\n";
        return 1;
    }
    if (!DistributedNotificationCenter::post(bus, request->name, request->userInfo)) {
        err << "ovra-notify: the session bus refused the notification\n";
        return 1;
    }
    // Make sure the signal has left before the process ends.
    bus.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
    return 0;
}

} // namespace NotifyTool
