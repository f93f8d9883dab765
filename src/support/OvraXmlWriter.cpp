#include "support/OvraXmlWriter.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTimeZone>

namespace {

bool isString(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<QString>();
}

bool isDictionary(const QVariant &value)
{
    const QMetaType type = value.metaType();
    return type == QMetaType::fromType<QVariantMap>() ||
           type == QMetaType::fromType<QVariantHash>();
}

bool isArray(const QVariant &value)
{
    const QMetaType type = value.metaType();
    return type == QMetaType::fromType<QVariantList>() ||
           type == QMetaType::fromType<QStringList>();
}

bool isDate(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<QDateTime>();
}

} // namespace

OvraXmlWriter::OvraXmlWriter() : mLookup{{kXmlUserDataArrayKey, kXmlUserDataItemName}} {}

QString OvraXmlWriter::escapeText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            escaped += QStringLiteral("&amp;");
            break;
        case u'<':
            escaped += QStringLiteral("&lt;");
            break;
        case u'>':
            escaped += QStringLiteral("&gt;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString OvraXmlWriter::dateText(const QDateTime &date)
{
    return date.toTimeZone(QTimeZone::utc()).toString(kXmlDateTextFormat);
}

QString OvraXmlWriter::getEndElementKeyName(const QString &key)
{
    const qsizetype blank = key.indexOf(QLatin1Char(' '));
    return blank < 0 ? key : key.left(blank);
}

bool OvraXmlWriter::putTabsWithIndexCount(int count)
{
    if (count > 0) {
        mText += QString(count, QLatin1Char('\t'));
    }
    return true;
}

QString OvraXmlWriter::getAttributes(QVariantMap &dictionary)
{
    QStringList attributeKeys;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (it.key().startsWith(QLatin1Char('@'))) {
            attributeKeys << it.key();
        }
    }
    QStringList pairs;
    for (const QString &key : attributeKeys) {
        const QVariant value = dictionary.value(key);
        QString text;
        if (isDate(value)) {
            text = dateText(value.toDateTime());
        } else if (value.isValid() && !isDictionary(value) && !isArray(value)) {
            text = value.toString();
        } else {
            continue;
        }
        text.remove(QLatin1Char('"'));
        pairs << QStringLiteral("%1=\"%2\"").arg(key.mid(1), escapeText(text));
    }
    for (const QString &key : attributeKeys) {
        dictionary.remove(key);
    }
    return pairs.join(QLatin1Char(' '));
}

bool OvraXmlWriter::convertDictionaryToXml(QVariantMap dictionary, const QString &forKey)
{
    if (forKey.isEmpty()) {
        return true;
    }
    const QString attributes = getAttributes(dictionary);
    mText += attributes.isEmpty() ? QStringLiteral("<%1>\n").arg(forKey)
                                  : QStringLiteral("<%1 %2>\n").arg(forKey, attributes);
    ++mIndentCount;
    if (!attributes.isEmpty() && dictionary.size() == 1 && isString(dictionary.first())) {
        // An element with attributes and a single string: that string is its text.
        putTabsWithIndexCount(mIndentCount);
        mText += escapeText(dictionary.first().toString());
        mText += QLatin1Char('\n');
    } else {
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
            processEachObject(it.value(), it.key());
        }
    }
    --mIndentCount;
    putTabsWithIndexCount(mIndentCount);
    mText += QStringLiteral("</%1>\n").arg(getEndElementKeyName(forKey));
    return true;
}

bool OvraXmlWriter::convertArrayToXml(const QVariantList &array, const QString &forKey)
{
    if (forKey.isEmpty()) {
        return true;
    }
    const auto lookedUp = mLookup.constFind(forKey);
    mText += QStringLiteral("<%1>\n").arg(forKey);
    ++mIndentCount;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString itemName =
            lookedUp != mLookup.constEnd() ? *lookedUp : kXmlNumberedItemFormat.arg(i);
        processEachObject(array.at(i), itemName);
    }
    --mIndentCount;
    putTabsWithIndexCount(mIndentCount);
    mText += QStringLiteral("</%1>\n").arg(getEndElementKeyName(forKey));
    return true;
}

bool OvraXmlWriter::processEachObject(const QVariant &object, const QString &forKey)
{
    if (!object.isValid()) {
        OvraLog(kXmlLogMissingValue.arg(QStringLiteral("OvraXmlWriter"),
                                        QStringLiteral("processEachObject"), forKey));
        return false;
    }
    if (isString(object) && forKey.startsWith(QLatin1Char('@'))) {
        return true; // written as an attribute of the enclosing element
    }
    putTabsWithIndexCount(mIndentCount);
    const QString endName = getEndElementKeyName(forKey);
    if (isString(object)) {
        mText +=
            QStringLiteral("<%1>%2</%3>\n").arg(forKey, escapeText(object.toString()), endName);
    } else if (isDictionary(object)) {
        convertDictionaryToXml(object.toMap(), forKey);
    } else if (isArray(object)) {
        const QVariantList array = object.toList();
        if (!array.isEmpty()) {
            convertArrayToXml(array, forKey);
        }
    } else if (isDate(object)) {
        mText +=
            QStringLiteral("<%1>%2</%3>\n").arg(forKey, dateText(object.toDateTime()), endName);
    }
    // Any other value (a number, an empty array) leaves only the indentation.
    return true;
}

void OvraXmlWriter::buildText(const QVariantMap &content, const QString &rootName)
{
    mIndentCount = 0;
    mText = kXmlHeaderLine + QLatin1Char('\n');
    convertDictionaryToXml(content, rootName);
}

bool OvraXmlWriter::doStartConversion(const QVariantMap &content)
{
    buildText(content, kXmlNameData);
    return true;
}

bool OvraXmlWriter::doStartConversion2(const QVariantMap &parameters)
{
    QString path = parameters.value(kXmlWriteXmlPath).toString();
    if (path.isEmpty()) {
        path = kXmlDefaultWritePath;
    }
    buildText(parameters.value(kXmlDictionary).toMap(),
              parameters.value(kXmlMainXmlKeyName).toString());

    const QFileInfo target(path);
    if (target.exists() || target.isSymLink()) {
        QFile old(path);
        if (!old.remove()) {
            OvraLog(kXmlLogRemoveItemError.arg(path + QStringLiteral(": ") + old.errorString()));
        }
    }
    // Written beside the target and renamed over it: never a torn file.
    QSaveFile file(path);
    const QByteArray bytes = mText.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        OvraLog(kXmlLogWriteError.arg(path, file.errorString()));
    }
    return true;
}
