#include "slideshow/MaskImages.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace MaskImages {

QImage fallbackMask()
{
    QImage noise(64, 64, QImage::Format_Grayscale8);
    quint32 state = 2463534242u;
    for (int y = 0; y < noise.height(); ++y) {
        uchar *line = noise.scanLine(y);
        for (int x = 0; x < noise.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            line[x] = uchar(state >> 24);
        }
    }
    return noise;
}

namespace {

// A box blur of a grey image, radius in pixels (a fraction counts as one).
QImage boxBlurred(const QImage &grey, double radius)
{
    const int r = int(std::ceil(radius));
    if (r <= 0) {
        return grey;
    }
    QImage out = grey;
    for (int pass = 0; pass < 2; ++pass) {
        const bool rows = pass == 0;
        const QImage in = out.copy();
        const int lines = rows ? in.height() : in.width();
        const int count = rows ? in.width() : in.height();
        for (int line = 0; line < lines; ++line) {
            for (int i = 0; i < count; ++i) {
                int sum = 0;
                for (int j = -r; j <= r; ++j) {
                    const int at = std::clamp(i + j, 0, count - 1);
                    sum += rows ? in.constScanLine(line)[at] : in.constScanLine(at)[line];
                }
                (rows ? out.scanLine(line)[i] : out.scanLine(i)[line]) = uchar(sum / (2 * r + 1));
            }
        }
    }
    return out;
}

} // namespace

QImage maskWithShadow(const QImage &mask, QPointF shift, double blur)
{
    QImage moved(mask.size(), QImage::Format_Grayscale8);
    moved.fill(255);
    {
        QPainter painter(&moved);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(-shift, mask);
    }
    const QImage shadow = boxBlurred(moved, blur);
    QImage both(mask.size(), QImage::Format_RGBA8888);
    for (int y = 0; y < mask.height(); ++y) {
        const uchar *m = mask.constScanLine(y);
        const uchar *g = shadow.constScanLine(y);
        uchar *out = both.scanLine(y);
        for (int x = 0; x < mask.width(); ++x) {
            out[4 * x] = m[x];
            out[4 * x + 1] = g[x];
            out[4 * x + 2] = 0;
            out[4 * x + 3] = 255;
        }
    }
    return both;
}

} // namespace MaskImages
