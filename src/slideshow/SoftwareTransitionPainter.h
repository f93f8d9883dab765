#pragma once

#include "slideshow/TransitionSettings.h"

#include <QBrush>
#include <QImage>
#include <QRectF>
#include <QSize>

class QPainter;

// The slideshow drawn with QPainter where OpenGL is missing: fade, move-in,
// push and reveal; every other transition is drawn as a fade.
namespace SoftwareTransitionPainter {

// One picture of the view: a photo drawn proportionally inside its frame over
// the background, or (snapshot) a picture of the whole view.
struct Layer
{
    QImage image;
    QRectF frame;
    bool visible = true;
    bool snapshot = false;
};

// The kind actually drawn for a requested one.
TransitionKind drawnKind(TransitionKind requested);

void paintStill(QPainter &painter, QSizeF viewSize, const QBrush &background, const Layer &layer);
void paintTransition(QPainter &painter, QSizeF viewSize, const QBrush &background,
                     const Layer &from, const Layer &to, TransitionKind kind, double progress);

// The view at that progress, photos fitted the way the slideshow view fits them.
QImage renderFrame(const QString &name, const QImage &from, const QImage &to, double progress,
                   QSize size, const QBrush &background = Qt::black);

} // namespace SoftwareTransitionPainter
