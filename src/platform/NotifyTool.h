#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QTextStream>
#include <QVariantMap>

#include <optional>

// ovra-notify NAME [KEY=VALUE ...]: posts one distributed notification, for
// companion programs and scripts.
namespace NotifyTool {

struct Request
{
    QString name;
    QVariantMap userInfo;
};

// Parses the arguments (without the program name). On a usage error answers
// nothing and sets error.
std::optional<Request> parse(const QStringList &args, QString *error);
QString usage();
int run(const QStringList &args, QTextStream &out, QTextStream &err, QDBusConnection bus);

} // namespace NotifyTool
