#include "platform/DefaultsTool.h"

#include "platform/Preferences.h"
#include "platform/PreferencesValues.h"
#include "shell/CommonHeader.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace DefaultsTool {

namespace {

const QString kToolName = QStringLiteral("ovra-defaults");

QString usageText()
{
    return QStringLiteral(
        "Usage: ovra-defaults COMMAND [ARGUMENTS]\n"
        "Reads and writes the Ovra VideoWall preferences (%1).\n"
        "\n"
        "  read                       print every stored preference\n"
        "  read KEY                   print the value of KEY\n"
        "  write KEY VALUE            store VALUE as a string\n"
        "  write KEY -string VALUE    store a string\n"
        "  write KEY -bool VALUE      store a boolean (YES, NO, true, false, 1, 0)\n"
        "  write KEY -int VALUE       store an integer\n"
        "  write KEY -float VALUE     store a real number\n"
        "  write KEY -array V1 V2 ... store an array of strings\n"
        "  delete KEY                 remove KEY\n"
        "  -h, --help                 show this help\n"
        "\n"
        "The domain %2 may follow the command.\n");
}

QString indentText(int level)
{
    return QString(level * 4, QLatin1Char(' '));
}

QString quoted(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_$./:+-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    escaped.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    escaped.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString describeAt(const QVariant &value, int level)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return quoted(value.toString());
    case QMetaType::QByteArray: {
        const QByteArray hex = value.toByteArray().toHex();
        QString grouped;
        for (qsizetype i = 0; i < hex.size(); i += 8) {
            if (i)
                grouped += QLatin1Char(' ');
            grouped += QString::fromLatin1(hex.mid(i, 8));
        }
        return QLatin1Char('<') + grouped + QLatin1Char('>');
    }
    case QMetaType::QDateTime:
        return quoted(value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                      QStringLiteral(" +0000"));
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        if (list.isEmpty())
            return QStringLiteral("(\n%1)").arg(indentText(level));
        QString text = QStringLiteral("(\n");
        for (qsizetype i = 0; i < list.size(); ++i) {
            text += indentText(level + 1) + describeAt(list.at(i), level + 1);
            text += (i + 1 < list.size()) ? QStringLiteral(",\n") : QStringLiteral("\n");
        }
        return text + indentText(level) + QLatin1Char(')');
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        QString text = QStringLiteral("{\n");
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            text += indentText(level + 1) + quoted(it.key()) + QStringLiteral(" = ") +
                    describeAt(it.value(), level + 1) + QStringLiteral(";\n");
        }
        return text + indentText(level) + QLatin1Char('}');
    }
    default:
        return PreferencesValues::toString(value);
    }
}

std::optional<bool> parseBool(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("yes") || t == QLatin1String("true") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("no") || t == QLatin1String("false") || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

struct Parsed
{
    QVariant value;
    QString error;
};

// The value of "write KEY ...", from the arguments after the key.
Parsed parseValue(const QStringList &args)
{
    if (args.isEmpty())
        return {{}, QStringLiteral("write needs a value")};
    const QString flag = args.first();
    if (flag == QLatin1String("-array"))
        return {QVariant(args.mid(1)), {}};
    const bool typed = flag == QLatin1String("-string") || flag == QLatin1String("-bool") ||
                       flag == QLatin1String("-boolean") || flag == QLatin1String("-int") ||
                       flag == QLatin1String("-integer") || flag == QLatin1String("-float");
    if (!typed) {
        if (args.size() != 1)
            return {{}, QStringLiteral("unknown type flag %1").arg(flag)};
        return {flag, {}};
    }
    if (args.size() != 2)
        return {{}, QStringLiteral("%1 needs exactly one value").arg(flag)};
    const QString text = args.at(1);
    if (flag == QLatin1String("-string"))
        return {text, {}};
    if (flag == QLatin1String("-bool") || flag == QLatin1String("-boolean")) {
        const std::optional<bool> b = parseBool(text);
        if (!b)
            return {
                {},
                QStringLiteral("not a boolean: %1 (use YES, NO, true, false, 1 or 0)").arg(text)};
        return {*b, {}};
    }
    bool ok = false;
    if (flag == QLatin1String("-float")) {
        const double d = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return {{}, QStringLiteral("not a number: %1").arg(text)};
        return {d, {}};
    }
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok)
        return {{}, QStringLiteral("not an integer: %1").arg(text)};
    return {n, {}};
}

int fail(QTextStream &err, const QString &message)
{
    err << kToolName << QStringLiteral(": ") << message << Qt::endl;
    return 1;
}

QString missingKey(const QString &key)
{
    return QStringLiteral("the key %1 does not exist in %2").arg(key, kBundleIdentifier);
}

int save(Preferences &store, QTextStream &err)
{
    if (!store.synchronize())
        return fail(err, QStringLiteral("could not write %1").arg(store.filePath()));
    return 0;
}

} // namespace

QString describe(const QVariant &value, bool topLevel)
{
    if (topLevel && value.typeId() == QMetaType::QString)
        return value.toString();
    return describeAt(value, 0);
}

int run(const QStringList &args, QTextStream &out, QTextStream &err, Preferences &store)
{
    if (args.isEmpty())
        return fail(err, QStringLiteral("no command given (try --help)"));
    const QString command = args.first();
    if (command == QLatin1String("-h") || command == QLatin1String("--help") ||
        command == QLatin1String("help")) {
        out << usageText().arg(store.filePath(), kBundleIdentifier);
        out.flush();
        return 0;
    }
    QStringList rest = args.mid(1);
    if (!rest.isEmpty() && rest.first() == kBundleIdentifier)
        rest.removeFirst();

    if (command == QLatin1String("read")) {
        const QVariantMap domain = store.persistentDomain();
        if (rest.isEmpty()) {
            out << describe(domain) << Qt::endl;
            return 0;
        }
        if (rest.size() != 1)
            return fail(err, QStringLiteral("read takes at most one key"));
        if (!domain.contains(rest.first()))
            return fail(err, missingKey(rest.first()));
        out << describe(domain.value(rest.first())) << Qt::endl;
        return 0;
    }
    if (command == QLatin1String("write")) {
        if (rest.isEmpty() || rest.first().isEmpty() || rest.first().startsWith(QLatin1Char('-')))
            return fail(err, QStringLiteral("write needs a key and a value"));
        const Parsed parsed = parseValue(rest.mid(1));
        if (!parsed.error.isEmpty())
            return fail(err, parsed.error);
        store.setObject(parsed.value, rest.first());
        return save(store, err);
    }
    if (command == QLatin1String("delete")) {
        if (rest.size() != 1)
            return fail(err, QStringLiteral("delete needs exactly one key"));
        if (!store.persistentDomain().contains(rest.first()))
            return fail(err, missingKey(rest.first()));
        store.removeObjectForKey(rest.first());
        return save(store, err);
    }
    return fail(err, QStringLiteral("unknown command %1 (try --help)").arg(command));
}

} // namespace DefaultsTool
