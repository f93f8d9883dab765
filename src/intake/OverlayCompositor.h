#pragma once

#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include <mutex>

// Frames a photo with the operator's overlay picture: the photo is scaled and
// centred on a canvas the overlay's size, the overlay drawn on top, and the
// result written as one JPEG file that the caller copies away before it asks
// for the next composite. Landscape and square photos use the landscape
// overlay, portrait photos the portrait one; without that file there is no
// composite. Safe from any thread; the overlay is decoded once and kept while
// its file stays unchanged.
class OverlayCompositor
{
public:
    // desktopFolder holds the overlay pictures ("~" expanded);
    // compositePath is the one output file.
    OverlayCompositor(const QString &desktopFolder, const QString &compositePath);

    // The composite of the photo, or a null string: no overlay for its
    // orientation, a photo or overlay that does not decode, or a composite
    // that cannot be written.
    QString applyOverlayToSourceItem(const QString &source);

    QString compositePath() const { return fCompositePath; }

    // Where a photo of photoSize lands on an overlay of overlaySize.
    static QRectF photoRectOnCanvas(QSize photoSize, QSize overlaySize);
    // The overlay file a photo of photoSize is framed with.
    QString overlayPathFor(QSize photoSize) const;

private:
    QImage overlayImage(const QString &path);

    QString fDesktopFolder;
    QString fCompositePath;
    std::mutex fLock;
    QString fCachedPath;
    QDateTime fCachedModified;
    qint64 fCachedSize = -1;
    QImage fCachedOverlay;
};
