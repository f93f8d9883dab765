#include "platform/PropertyList.h"
#include "platform/PropertyListLimits.h"
#include "shell/CommonHeader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <memory>

#include <unistd.h>

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 kAppleEpochOffset = 978307200;

struct PlistDeleter
{
    void operator()(plist_t node) const
    {
        if (node)
            plist_free(node);
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

QVariant toVariant(plist_t node);

QVariant dictToVariant(plist_t node)
{
    QVariantMap map;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    if (!it)
        return map;
    for (;;) {
        plist_t item = nullptr;
        // Only a key node is read as a key: a dictionary whose key is of
        // another type is malformed.
        plist_dict_next_item(node, it, nullptr, &item);
        if (!item)
            break;
        const plist_t keyNode = plist_dict_item_get_key(item);
        if (!keyNode || plist_get_node_type(keyNode) != PLIST_KEY) {
            std::free(it);
            return {};
        }
        char *key = nullptr;
        plist_get_key_val(keyNode, &key);
        if (key)
            map.insert(QString::fromUtf8(key), toVariant(item));
        std::free(key);
    }
    std::free(it);
    return map;
}

QVariant toVariant(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return bool(b != 0);
    }
    case PLIST_UINT: {
        // Stored unsigned; negative numbers come back through the cast.
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return qint64(u);
    }
    case PLIST_REAL: {
        double r = 0;
        plist_get_real_val(node, &r);
        return r;
    }
    case PLIST_STRING: {
        uint64_t len = 0;
        const char *s = plist_get_string_ptr(node, &len);
        return QString::fromUtf8(s ? s : "", s ? qsizetype(len) : 0);
    }
    case PLIST_KEY: {
        char *s = nullptr;
        plist_get_key_val(node, &s);
        QString key = QString::fromUtf8(s ? s : "");
        std::free(s);
        return key;
    }
    case PLIST_DATA: {
        uint64_t len = 0;
        const char *p = plist_get_data_ptr(node, &len);
        return QByteArray(p ? p : "", p ? qsizetype(len) : 0);
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (qint64(sec) + kAppleEpochOffset) * 1000 + usec / 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toLocalTime();
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(n);
        for (uint32_t i = 0; i < n; ++i)
            list.append(toVariant(plist_array_get_item(node, i)));
        return list;
    }
    case PLIST_DICT:
        return dictToVariant(node);
    case PLIST_UID: {
        uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return qint64(u);
    }
    case PLIST_NONE:
        break;
    }
    return {};
}

plist_t fromVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return nullptr;
        const qint64 ms = dt.toMSecsSinceEpoch() - kAppleEpochOffset * 1000;
        qint64 sec = ms / 1000;
        qint64 usec = (ms % 1000) * 1000;
        if (usec < 0) {
            sec -= 1;
            usec += 1000000;
        }
        if (sec < std::numeric_limits<int32_t>::min() || sec > std::numeric_limits<int32_t>::max())
            return nullptr;
        return plist_new_date(int32_t(sec), int32_t(usec));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        const QVariantList list = value.toList();
        for (const QVariant &item : list) {
            if (plist_t node = fromVariant(item))
                plist_array_append_item(array, node);
        }
        return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (plist_t node = fromVariant(it.value()))
                plist_dict_set_item(dict, it.key().toUtf8().constData(), node);
        }
        return dict;
    }
    default:
        break;
    }
    if (value.canConvert<QString>() && value.isValid())
        return plist_new_string(value.toString().toUtf8().constData());
    return nullptr;
}

// libplist aborts (an assertion) when it hands out a dictionary key holding a
// NUL character, and a binary list can carry one in any string object: such a
// list is refused before it is parsed. Objects libplist would refuse anyway
// (out of range, malformed lengths) are left to it.
bool binaryListHasNulInString(const QByteArray &bytes)
{
    constexpr qsizetype kHeader = 8;
    constexpr qsizetype kTrailer = 32;
    const qsizetype n = bytes.size();
    if (!bytes.startsWith("bplist00") || n < kHeader + kTrailer)
        return false;
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const auto readUInt = [&](quint64 at, int size, quint64 *value) {
        if (size < 1 || size > 8 || at > quint64(n) || quint64(size) > quint64(n) - at)
            return false;
        *value = 0;
        for (int i = 0; i < size; ++i)
            *value = (*value << 8) | d[at + quint64(i)];
        return true;
    };
    const quint64 trailer = quint64(n - kTrailer);
    const int offsetSize = d[trailer + 6];
    quint64 count = 0;
    quint64 table = 0;
    if (!readUInt(trailer + 8, 8, &count) || !readUInt(trailer + 24, 8, &table) || offsetSize < 1 ||
        offsetSize > 8 || table > trailer || count > (trailer - table) / quint64(offsetSize))
        return false;
    for (quint64 i = 0; i < count; ++i) {
        quint64 at = 0;
        if (!readUInt(table + i * quint64(offsetSize), offsetSize, &at) || at >= trailer)
            continue;
        const int kind = d[at] >> 4;
        if (kind != 0x5 && kind != 0x6)
            continue;
        quint64 length = d[at] & 0x0f;
        ++at;
        if (length == 0x0f) {
            // The length follows as an integer object of 2^k bytes.
            if (at >= trailer || (d[at] >> 4) != 0x1 || (d[at] & 0x0f) > 3 ||
                !readUInt(at + 1, 1 << (d[at] & 0x0f), &length))
                continue;
            at += 1 + (quint64(1) << (d[at] & 0x0f));
        }
        const quint64 unit = kind == 0x6 ? 2 : 1;
        if (at > trailer || length > (trailer - at) / unit)
            continue;
        for (quint64 j = 0; j < length; ++j) {
            if (d[at + j * unit] == 0 && (unit == 1 || d[at + j * unit + 1] == 0))
                return true;
        }
    }
    return false;
}

bool looksLikePlist(const QByteArray &bytes)
{
    if (bytes.startsWith("bplist00"))
        return true;
    // libplist's XML reader accepts almost anything; insist on a plist element.
    return bytes.contains("<plist");
}

} // namespace

namespace PropertyList {

QVariant fromXml(const QByteArray &xml, QString *error)
{
    if (xml.isEmpty() || xml.size() > std::numeric_limits<int32_t>::max() || !looksLikePlist(xml)) {
        if (error)
            *error = QStringLiteral("not a property list");
        return {};
    }
    if (!withinParserLimits(xml)) {
        if (error)
            *error = QStringLiteral("the property list is nested too deep or too large");
        return {};
    }
    if (binaryListHasNulInString(xml)) {
        if (error)
            *error = QStringLiteral("the property list holds a string with a NUL character");
        return {};
    }
    plist_t root = nullptr;
    plist_from_memory(xml.constData(), uint32_t(xml.size()), &root);
    PlistPtr guard(root);
    if (!root) {
        if (error)
            *error = QStringLiteral("the property list does not parse");
        return {};
    }
    QVariant value = toVariant(root);
    if (!value.isValid() && error)
        *error = QStringLiteral("the property list holds no value");
    return value;
}

QVariant readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return fromXml(file.readAll(), error);
}

QByteArray toXml(const QVariant &value)
{
    PlistPtr root(fromVariant(value));
    if (!root)
        return {};
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return {};
    QByteArray result(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return result;
}

QString atomicWriteTarget(const QString &path)
{
    const QFileInfo info(path);
    const QString resolved = info.isSymLink() ? info.canonicalFilePath() : QString();
    return resolved.isEmpty() ? path : resolved;
}

bool writeFileAtomically(const QString &path, const QVariant &value, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray xml = toXml(value);
    if (xml.isEmpty())
        return fail(QStringLiteral("the value cannot be written as a property list"));
    // A link to a shared file stays a link: the file it points to is replaced.
    const QString target = atomicWriteTarget(path);
    // A named temporary with a name of our own, so that what a killed save
    // leaves can be told from anything else beside the file.
    QTemporaryFile file(target + kAtomicWriteTemporaryInfix + QStringLiteral("XXXXXX"));
    if (!file.open())
        return fail(file.errorString());
    const QFileDevice::Permissions kept = QFile::permissions(target);
    const QFileDevice::Permissions mode = kept.toInt() != 0
                                              ? kept
                                              : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (file.write(xml) != xml.size() || !file.flush())
        return fail(file.errorString());
    if (!file.setPermissions(mode) || ::fsync(file.handle()) != 0)
        return fail(qt_error_string(errno));
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0)
        return fail(qt_error_string(errno));
    file.setAutoRemove(false);
    return true;
}

} // namespace PropertyList
