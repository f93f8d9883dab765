#include "platform/PreferencesValues.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace PreferencesValues {

namespace {

// The leading number of a text, as the platform's numeric reads of a string take it.
const QRegularExpression &leadingNumber()
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    return re;
}

bool parseLeadingDouble(const QString &text, double *out)
{
    const QRegularExpressionMatch m = leadingNumber().match(text);
    if (!m.hasMatch())
        return false;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    if (!ok)
        return false;
    *out = v;
    return true;
}

qint64 clampToInteger(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (v <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(v);
}

} // namespace

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool strictlyEqual(const QVariant &a, const QVariant &b)
{
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::QVariantList) {
        const QVariantList la = a.toList();
        const QVariantList lb = b.toList();
        if (la.size() != lb.size())
            return false;
        for (qsizetype i = 0; i < la.size(); ++i) {
            if (!strictlyEqual(la.at(i), lb.at(i)))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap ma = a.toMap();
        const QVariantMap mb = b.toMap();
        if (ma.size() != mb.size())
            return false;
        for (auto ia = ma.cbegin(), ib = mb.cbegin(); ia != ma.cend(); ++ia, ++ib) {
            if (ia.key() != ib.key() || !strictlyEqual(ia.value(), ib.value()))
                return false;
        }
        return true;
    }
    return a == b;
}

QVariant normalized(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::LongLong:
        return value;
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return {};
        return QDateTime::fromSecsSinceEpoch(dt.toSecsSinceEpoch());
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QVariantList out;
        for (const QVariant &item : value.toList()) {
            QVariant n = normalized(item);
            if (!n.isValid())
                return {};
            out.append(n);
        }
        return out;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QVariantMap out;
        const QVariantMap in = value.toMap();
        for (auto it = in.cbegin(); it != in.cend(); ++it) {
            QVariant n = normalized(it.value());
            if (!n.isValid())
                return {};
            out.insert(it.key(), n);
        }
        return out;
    }
    default:
        break;
    }
    if (isNumber(value))
        return value.toLongLong();
    return {};
}

QString toString(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (isNumber(value))
        return QString::number(value.toLongLong());
    return {};
}

bool toBool(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumber(value))
        return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        double number = 0;
        return parseLeadingDouble(text, &number) && number != 0.0;
    }
    return false;
}

qint64 toInteger(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return clampToInteger(value.toDouble());
    if (isNumber(value))
        return value.toLongLong();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        bool ok = false;
        const qint64 exact = text.trimmed().toLongLong(&ok);
        if (ok)
            return exact;
        double number = 0;
        if (parseLeadingDouble(text, &number))
            return clampToInteger(number);
    }
    return 0;
}

double toDouble(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    if (isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString) {
        double number = 0;
        if (parseLeadingDouble(value.toString(), &number))
            return number;
    }
    return 0.0;
}

QStringList toStringList(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QStringList)
        return {};
    QStringList out;
    for (const QVariant &item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return {};
        out.append(item.toString());
    }
    return out;
}

} // namespace PreferencesValues
