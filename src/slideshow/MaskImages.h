#pragma once

#include <QImage>
#include <QPointF>

// Images the disintegration reads, made on the CPU once per view size.
namespace MaskImages {

// Grey noise, for when the mask image is missing.
QImage fallbackMask();

// The grey mask in red and, in green, the mask moved by shift (mask pixels;
// what lies at p + shift comes to p) and box-blurred by blur pixels: where
// the shadow comes from.
QImage maskWithShadow(const QImage &mask, QPointF shift, double blur);

} // namespace MaskImages
