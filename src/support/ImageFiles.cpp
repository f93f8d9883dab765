#include "support/ImageFiles.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>

#include <algorithm>

namespace {

const QStringList &readableImageMimeTypes()
{
    static const QStringList types = [] {
        QStringList names;
        for (const QByteArray &name : QImageReader::supportedMimeTypes()) {
            names.append(QString::fromLatin1(name));
        }
        return names;
    }();
    return types;
}

bool startsLikeJpeg(QIODevice &device)
{
    const QByteArray head = device.peek(3);
    return head.size() == 3 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xD8 &&
           uchar(head[2]) == 0xFF;
}

bool isJpegFormat(const QByteArray &format)
{
    return format == "jpeg" || format == "jpg";
}

bool notValid(const QString &path)
{
    OvraLog(kLogIsValidImageNotValid.arg(path));
    return false;
}

} // namespace

bool isImageFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable()) {
        return false;
    }
    const QMimeDatabase mimeDatabase;
    const QMimeType type = info.suffix().isEmpty()
                               ? mimeDatabase.mimeTypeForFile(info, QMimeDatabase::MatchContent)
                               : mimeDatabase.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    const QStringList &readable = readableImageMimeTypes();
    return std::any_of(readable.cbegin(), readable.cend(),
                       [&type](const QString &name) { return type.inherits(name); });
}

QSize validationDecodeSize(QSize declaredSize)
{
    // 1/8 is libjpeg's smallest in-decoder scale; rounding down keeps the
    // decoder at 1/8 rather than stepping up to 2/8 for odd sizes.
    return {std::max(1, declaredSize.width() / 8), std::max(1, declaredSize.height() / 8)};
}

bool exceedsImageAllocationLimit(QSize decodeSize)
{
    const int limitMb = QImageReader::allocationLimit();
    if (limitMb <= 0 || !decodeSize.isValid()) {
        return false;
    }
    const qint64 bytes = qint64(decodeSize.width()) * qint64(decodeSize.height()) * 4;
    return bytes > qint64(limitMb) * 1024 * 1024;
}

bool jpegHasEndOfImage(QIODevice &device)
{
    constexpr qint64 chunkSize = 4096;
    qint64 end = device.size();
    // The last non-zero byte must be D9 and the one before it FF.
    bool sawD9 = false;
    while (end > 0) {
        const qint64 start = std::max<qint64>(0, end - chunkSize);
        if (!device.seek(start)) {
            return false;
        }
        const QByteArray chunk = device.read(end - start);
        if (chunk.size() != end - start) {
            return false;
        }
        for (qsizetype i = chunk.size() - 1; i >= 0; --i) {
            const uchar byte = uchar(chunk[i]);
            if (sawD9) {
                return byte == 0xFF;
            }
            if (byte == 0xD9) {
                sawD9 = true;
            } else if (byte != 0) {
                return false;
            }
        }
        end = start;
    }
    return false;
}

bool IsValidImageObject(const QString &path)
{
    if (path.isEmpty()) {
        OvraLog(kLogIsValidImageNilPath);
        return false;
    }
    // Only regular files: opening a FIFO would wait for a writer forever.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return notValid(path);
    }
    const bool isJpeg = startsLikeJpeg(file);
    if (isJpeg && (!jpegHasEndOfImage(file) || !file.seek(0))) {
        return notValid(path);
    }
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    const QSize declared = reader.size();
    QSize decodeSize = declared;
    if (isJpeg && declared.isValid() && isJpegFormat(reader.format())) {
        decodeSize = validationDecodeSize(declared);
        reader.setScaledSize(decodeSize);
    }
    if (exceedsImageAllocationLimit(decodeSize)) {
        OvraLog(kLogImageOverAllocationLimit.arg(path, QString::number(declared.width()),
                                                 QString::number(declared.height())));
        return notValid(path);
    }
    // The decoded image goes out of scope here: only the verdict is kept.
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return notValid(path);
    }
    return true;
}

QImage readImage(const QString &path, QSize maxSize)
{
    if (!QFileInfo(path).isFile()) {
        OvraLog(kLogImageNotAFile.arg(path));
        return {};
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize declared = reader.size();
    QSize decodeSize = declared;
    if (declared.isValid() && maxSize.isValid() && !maxSize.isEmpty()) {
        // Scaling happens before the orientation is applied.
        const bool turned =
            reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize box = turned ? maxSize.transposed() : maxSize;
        if (declared.width() > box.width() || declared.height() > box.height()) {
            QSize target = declared.scaled(box, Qt::KeepAspectRatio);
            target = target.expandedTo(QSize(1, 1));
            reader.setScaledSize(target);
            // Only the JPEG decoder scales while decoding, and by 1/8 at most:
            // a larger reduction still decodes at 1/8 first. Other readers
            // decode the declared size, which must fit.
            if (isJpegFormat(reader.format())) {
                decodeSize = target.expandedTo(validationDecodeSize(declared));
            }
        }
    }
    if (exceedsImageAllocationLimit(decodeSize)) {
        OvraLog(kLogImageOverAllocationLimit.arg(path, QString::number(declared.width()),
                                                 QString::number(declared.height())));
        return {};
    }
    QImage image;
    if (!reader.read(&image)) {
        OvraLog(kLogImageReadFailed.arg(path, reader.errorString()));
        return {};
    }
    return image;
}
