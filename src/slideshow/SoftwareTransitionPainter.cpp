#include "slideshow/SoftwareTransitionPainter.h"

#include "slideshow/AspectFit.h"

#include <QPainter>

namespace SoftwareTransitionPainter {

namespace {

// The layer with its top left corner at offset; the background moves with it.
void paintLayer(QPainter &painter, QSizeF viewSize, const QBrush &background, const Layer &layer,
                QPointF offset = {})
{
    const QRectF area(offset, viewSize);
    if (!(layer.snapshot && layer.visible)) {
        painter.setBrushOrigin(offset);
        painter.fillRect(area, background);
    }
    if (!layer.visible || layer.image.isNull()) {
        return;
    }
    const QRectF target =
        layer.snapshot ? area
                       : proportionalRect(layer.image.size(), layer.frame).translated(offset);
    painter.drawImage(target, layer.image);
}

} // namespace

TransitionKind drawnKind(TransitionKind requested)
{
    if (requested == TransitionKind::None || isBasicTransition(requested)) {
        return requested;
    }
    return TransitionKind::Fade;
}

void paintStill(QPainter &painter, QSizeF viewSize, const QBrush &background, const Layer &layer)
{
    paintLayer(painter, viewSize, background, layer);
}

void paintTransition(QPainter &painter, QSizeF viewSize, const QBrush &background,
                     const Layer &from, const Layer &to, TransitionKind kind, double progress)
{
    const double p = qBound(0.0, progress, 1.0);
    const double w = viewSize.width();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(QRectF(QPointF(0, 0), viewSize));
    switch (drawnKind(kind)) {
    case TransitionKind::None:
        paintLayer(painter, viewSize, background, to);
        break;
    case TransitionKind::MoveIn:
        paintLayer(painter, viewSize, background, from);
        paintLayer(painter, viewSize, background, to, QPointF(-(1.0 - p) * w, 0));
        break;
    case TransitionKind::Push:
        paintLayer(painter, viewSize, background, from, QPointF(p * w, 0));
        paintLayer(painter, viewSize, background, to, QPointF(-(1.0 - p) * w, 0));
        break;
    case TransitionKind::Reveal:
        paintLayer(painter, viewSize, background, to);
        paintLayer(painter, viewSize, background, from, QPointF(p * w, 0));
        break;
    default:
        paintLayer(painter, viewSize, background, from);
        painter.setOpacity(p);
        paintLayer(painter, viewSize, background, to);
        break;
    }
    painter.restore();
}

QImage renderFrame(const QString &name, const QImage &from, const QImage &to, double progress,
                   QSize size, const QBrush &background)
{
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::black);
    const QRectF bounds(QPointF(0, 0), QSizeF(size));
    const Layer a{from, computeMaxRect(from.size(), bounds)};
    const Layer b{to, computeMaxRect(to.size(), bounds)};
    QPainter painter(&frame);
    paintTransition(painter, bounds.size(), background, a, b, transitionKindForName(name),
                    progress);
    return frame;
}

} // namespace SoftwareTransitionPainter
