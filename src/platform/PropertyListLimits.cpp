#include "platform/PropertyListLimits.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <cctype>
#include <vector>

namespace {

// Far beyond any real preferences file, far below what the stack takes.
constexpr int kMaxNesting = 256;
constexpr quint64 kMaxBinaryNodes = 1000000;

bool xmlNestingWithinLimit(QByteArrayView xml)
{
    int depth = 0;
    for (qsizetype i = xml.indexOf('<'); i >= 0; i = xml.indexOf('<', i + 1)) {
        const bool closing = xml.sliced(i + 1).startsWith('/');
        const QByteArrayView rest = xml.sliced(i + (closing ? 2 : 1));
        const qsizetype nameLength =
            rest.startsWith("array") ? 5 : (rest.startsWith("dict") ? 4 : 0);
        if (nameLength == 0 ||
            (rest.size() > nameLength && std::isalnum(uchar(rest[nameLength])))) {
            continue;
        }
        if (closing) {
            --depth;
            continue;
        }
        const qsizetype end = rest.indexOf('>');
        if (end > 0 && rest[end - 1] == '/') {
            continue; // an empty container
        }
        if (++depth > kMaxNesting) {
            return false;
        }
    }
    return true;
}

quint64 bigEndian(QByteArrayView bytes, qsizetype at, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | uchar(bytes[at + i]);
    }
    return value;
}

// Walks the object graph of a binary property list without recursion:
// depth and expanded size of every object, once each.
bool binaryWithinLimits(QByteArrayView data)
{
    constexpr qsizetype trailerSize = 32;
    if (data.size() < 8 + trailerSize) {
        return false;
    }
    const qsizetype trailer = data.size() - trailerSize;
    const int offsetSize = uchar(data[trailer + 6]);
    const int refSize = uchar(data[trailer + 7]);
    const quint64 count = bigEndian(data, trailer + 8, 8);
    const quint64 top = bigEndian(data, trailer + 16, 8);
    const quint64 table = bigEndian(data, trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || count == 0 ||
        top >= count || table > quint64(trailer) ||
        count > (quint64(trailer) - table) / offsetSize) {
        return false; // libplist refuses these itself
    }
    auto offsetOf = [&](quint64 object) {
        return bigEndian(data, qsizetype(table + object * offsetSize), offsetSize);
    };
    // The references an array, set or dictionary holds, or none for other objects.
    auto children = [&](quint64 object, QList<quint64> *refs) {
        refs->clear();
        const quint64 at = offsetOf(object);
        if (at >= quint64(trailer)) {
            return true;
        }
        const uchar marker = uchar(data[qsizetype(at)]);
        const int kind = marker >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD) {
            return true;
        }
        quint64 n = marker & 0x0F;
        quint64 first = at + 1;
        if (n == 0x0F) {
            if (first >= quint64(trailer)) {
                return false;
            }
            const int size = 1 << (uchar(data[qsizetype(first)]) & 0x03);
            if (first + 1 + size > quint64(trailer)) {
                return false;
            }
            n = bigEndian(data, qsizetype(first + 1), size);
            first += 1 + size;
        }
        const quint64 refCount = kind == 0xD ? n * 2 : n;
        if (refCount > (quint64(trailer) - first) / refSize) {
            return false;
        }
        for (quint64 i = 0; i < refCount; ++i) {
            const quint64 ref = bigEndian(data, qsizetype(first + i * refSize), refSize);
            if (ref >= count) {
                return false;
            }
            refs->append(ref);
        }
        return true;
    };
    // Post-order walk; an object met again while it is open is a cycle.
    QHash<quint64, quint64> nodes; // finished object -> expanded node count
    QSet<quint64> open;            // objects on the path
    struct Frame
    {
        quint64 object;
        QList<quint64> refs;
        qsizetype next = 0;
        quint64 total = 1;
    };
    std::vector<Frame> path;
    QList<quint64> refs;
    if (!children(top, &refs)) {
        return false;
    }
    path.push_back({top, refs});
    open.insert(top);
    while (!path.empty()) {
        Frame &frame = path.back();
        if (frame.next < frame.refs.size()) {
            const quint64 child = frame.refs[frame.next++];
            if (open.contains(child)) {
                return false;
            }
            if (const auto done = nodes.constFind(child); done != nodes.cend()) {
                frame.total += *done;
            } else {
                if (path.size() >= size_t(kMaxNesting) || !children(child, &refs)) {
                    return false;
                }
                open.insert(child);
                path.push_back({child, refs});
                continue;
            }
        } else {
            const quint64 object = frame.object;
            const quint64 total = frame.total;
            path.pop_back();
            open.remove(object);
            nodes.insert(object, total);
            if (path.empty()) {
                return total <= kMaxBinaryNodes;
            }
            path.back().total += total;
        }
        if (path.back().total > kMaxBinaryNodes) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace PropertyList {

bool withinParserLimits(QByteArrayView data)
{
    return data.startsWith("bplist00") ? binaryWithinLimits(data) : xmlNestingWithinLimit(data);
}

} // namespace PropertyList
