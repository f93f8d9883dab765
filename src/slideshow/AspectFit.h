#pragma once

#include <QRectF>
#include <QSizeF>

// The largest rectangle of the image's proportions that fits the bounds' size,
// centred on that size. The bounds' own origin is not added: the answer is a
// frame in a view whose bounds start at (0, 0). An empty image or bounds gives
// an empty rectangle.
QRectF computeMaxRect(QSizeF imageSize, const QRectF &bounds);

// The image scaled proportionally up or down into frame and centred there.
QRectF proportionalRect(QSizeF imageSize, const QRectF &frame);
