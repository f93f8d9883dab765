#include "intake/OverlayCompositor.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/ImageFiles.h"
#include "support/OvraAdditions.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

const QString kSelf = QStringLiteral("BarcodeEntryController");
const QString kOperation = QStringLiteral("applyOverlayToSourceItem");

// The photo's size as shown, that is with its EXIF orientation applied.
QSize uprightSize(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize declared = reader.size();
    if (!declared.isValid()) {
        return {};
    }
    return reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)
               ? declared.transposed()
               : declared;
}

} // namespace

OverlayCompositor::OverlayCompositor(const QString &desktopFolder, const QString &compositePath)
    : fDesktopFolder(expandTilde(desktopFolder)), fCompositePath(compositePath)
{}

QRectF OverlayCompositor::photoRectOnCanvas(QSize photoSize, QSize overlaySize)
{
    const double width = photoSize.width();
    const double height = photoSize.height();
    const float m = float(std::min(overlaySize.width(), overlaySize.height()));
    float w = 0;
    float h = 0;
    if (width > height) {
        h = m;
        w = float(width / height * m);
    } else {
        // Portrait and square photos take three quarters of the smaller side.
        w = float(m / kPortraitReductionFactor);
        h = float(height / width * w);
    }
    const double x = (overlaySize.width() - double(w)) * 0.5;
    const double y = (overlaySize.height() - double(h)) * 0.5;
    return {x, y, double(w), double(h)};
}

QString OverlayCompositor::overlayPathFor(QSize photoSize) const
{
    const QString name =
        photoSize.height() <= photoSize.width() ? kOverlayLandscapeName : kOverlayPortraitName;
    return QDir(fDesktopFolder).filePath(name);
}

QImage OverlayCompositor::overlayImage(const QString &path)
{
    const QFileInfo info(path);
    const std::lock_guard guard(fLock);
    if (path == fCachedPath && info.lastModified() == fCachedModified &&
        info.size() == fCachedSize && !fCachedOverlay.isNull()) {
        return fCachedOverlay;
    }
    // Through readImage: an overlay declaring more pixels than the allocation
    // limit is refused before it is decoded.
    const QImage overlay = readImage(path);
    if (overlay.isNull()) {
        OvraLog(kLogOverlayUnreadable.arg(kSelf, kOperation, path));
        fCachedPath.clear();
        fCachedOverlay = QImage();
        return {};
    }
    fCachedPath = path;
    fCachedModified = info.lastModified();
    fCachedSize = info.size();
    fCachedOverlay = overlay.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return fCachedOverlay;
}

QString OverlayCompositor::applyOverlayToSourceItem(const QString &source)
{
    // Without any overlay the cost is the existence checks alone.
    const QDir desktop(fDesktopFolder);
    if (!QFileInfo(desktop.filePath(kOverlayLandscapeName)).isFile() &&
        !QFileInfo(desktop.filePath(kOverlayPortraitName)).isFile()) {
        return {};
    }
    const QSize photoSize = uprightSize(source);
    if (photoSize.isEmpty()) {
        OvraLog(kLogPhotoUnreadable.arg(kSelf, kOperation, source));
        return {};
    }
    const QString overlayPath = overlayPathFor(photoSize);
    if (!QFileInfo(overlayPath).isFile()) {
        return {};
    }
    const QImage overlay = overlayImage(overlayPath);
    if (overlay.isNull()) {
        return {};
    }
    const QRectF rect = photoRectOnCanvas(photoSize, overlay.size());
    // Decoded once, just large enough to cover its place on the canvas.
    const QSize cover(std::max(1, int(std::ceil(rect.width()))),
                      std::max(1, int(std::ceil(rect.height()))));
    const QImage photo = readImage(source, cover);
    if (photo.isNull()) {
        OvraLog(kLogPhotoUnreadable.arg(kSelf, kOperation, source));
        return {};
    }

    QImage canvas(overlay.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(1.0);
        painter.drawImage(rect, photo);
        painter.drawImage(QRect(QPoint(0, 0), overlay.size()), overlay);
    }

    // Written aside and renamed, so a reader never sees half a composite.
    QSaveFile file(fCompositePath);
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(kCompositeJpegQuality);
    if (!file.open(QIODevice::WriteOnly) || !writer.write(canvas) || !file.commit()) {
        const QString reason = writer.error() != QImageWriter::UnknownError ? writer.errorString()
                                                                            : file.errorString();
        OvraLog(kLogCompositeNotWritten.arg(kSelf, kOperation, fCompositePath, reason));
        return {};
    }
    return fCompositePath;
}
