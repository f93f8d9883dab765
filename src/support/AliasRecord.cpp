#include "support/AliasRecord.h"

#include "shell/CommonHeader.h"

#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// magic, version, kind, device, inode, birth seconds, birth nanoseconds, path length
constexpr qsizetype kHeaderSize = 4 + 1 + 1 + 8 + 8 + 8 + 4 + 4;
constexpr qsizetype kChecksumSize = 2;

template <typename T> void appendBigEndian(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <typename T> T readBigEndian(const QByteArray &in, qsizetype offset)
{
    return qFromBigEndian<T>(in.constData() + offset);
}

quint16 checksumOf(const QByteArray &bytes, qsizetype length)
{
    return qChecksum(QByteArrayView(bytes.constData(), length));
}

} // namespace

std::optional<AliasRecord> AliasRecord::ofItem(const QByteArray &nativePath, bool followLinks)
{
    struct statx info = {};
    const int flags = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
    if (nativePath.isEmpty() || statx(AT_FDCWD, nativePath.constData(), flags,
                                      STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return std::nullopt;
    }
    AliasRecord record;
    record.device = (quint64(info.stx_dev_major) << 32) | info.stx_dev_minor;
    record.inode = info.stx_ino;
    if (info.stx_mask & STATX_BTIME) {
        record.birthSeconds = info.stx_btime.tv_sec;
        record.birthNanoseconds = info.stx_btime.tv_nsec;
    }
    record.kind = S_ISDIR(info.stx_mode) ? Kind::Folder : Kind::File;
    record.path = nativePath;
    return record;
}

bool AliasRecord::sameItemAs(const AliasRecord &other) const
{
    if (device != other.device || inode != other.inode || kind != other.kind) {
        return false;
    }
    const bool bothKnowBirth =
        (birthSeconds || birthNanoseconds) && (other.birthSeconds || other.birthNanoseconds);
    return !bothKnowBirth ||
           (birthSeconds == other.birthSeconds && birthNanoseconds == other.birthNanoseconds);
}

QByteArray AliasRecord::encode() const
{
    QByteArray out;
    out.reserve(kHeaderSize + path.size() + kChecksumSize);
    out.append(kAliasRecordMagic);
    appendBigEndian<quint8>(out, kAliasRecordVersion);
    appendBigEndian<quint8>(out, quint8(kind));
    appendBigEndian<quint64>(out, device);
    appendBigEndian<quint64>(out, inode);
    appendBigEndian<qint64>(out, birthSeconds);
    appendBigEndian<quint32>(out, birthNanoseconds);
    appendBigEndian<quint32>(out, quint32(path.size()));
    out.append(path);
    appendBigEndian<quint16>(out, checksumOf(out, out.size()));
    return out;
}

std::optional<AliasRecord> AliasRecord::decode(const QByteArray &data, QString *reason)
{
    const auto fail = [reason](const QString &why) -> std::optional<AliasRecord> {
        if (reason) {
            *reason = why;
        }
        return std::nullopt;
    };
    if (data.isEmpty()) {
        return fail(kAliasReasonEmpty);
    }
    const qsizetype magicSize = kAliasRecordMagic.size();
    if (!data.startsWith(kAliasRecordMagic.left(qMin(magicSize, data.size())))) {
        return fail(kAliasReasonNotARecord);
    }
    if (data.size() <= magicSize) {
        return fail(kAliasReasonTruncated);
    }
    const quint8 version = readBigEndian<quint8>(data, magicSize);
    if (version > kAliasRecordVersion) {
        return fail(kAliasReasonFutureVersion.arg(int(version)).arg(int(kAliasRecordVersion)));
    }
    if (version == 0) {
        return fail(kAliasReasonCorrupt);
    }
    if (data.size() < kHeaderSize + kChecksumSize) {
        return fail(kAliasReasonTruncated);
    }
    const quint32 pathSize = readBigEndian<quint32>(data, kHeaderSize - 4);
    const qsizetype expected = kHeaderSize + qsizetype(pathSize) + kChecksumSize;
    if (data.size() < expected) {
        return fail(kAliasReasonTruncated);
    }
    if (data.size() > expected || readBigEndian<quint16>(data, expected - kChecksumSize) !=
                                      checksumOf(data, expected - kChecksumSize)) {
        return fail(kAliasReasonCorrupt);
    }

    AliasRecord record;
    const quint8 kind = readBigEndian<quint8>(data, magicSize + 1);
    if (kind != quint8(Kind::Folder) && kind != quint8(Kind::File)) {
        return fail(kAliasReasonCorrupt);
    }
    record.kind = Kind(kind);
    record.device = readBigEndian<quint64>(data, magicSize + 2);
    record.inode = readBigEndian<quint64>(data, magicSize + 10);
    record.birthSeconds = readBigEndian<qint64>(data, magicSize + 18);
    record.birthNanoseconds = readBigEndian<quint32>(data, magicSize + 26);
    record.path = data.mid(kHeaderSize, pathSize);
    if (!record.path.startsWith('/') || record.path.contains('\0')) {
        return fail(kAliasReasonCorrupt);
    }
    return record;
}
