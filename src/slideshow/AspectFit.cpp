#include "slideshow/AspectFit.h"

QRectF computeMaxRect(QSizeF imageSize, const QRectF &bounds)
{
    const double iw = imageSize.width();
    const double ih = imageSize.height();
    const double bw = bounds.width();
    const double bh = bounds.height();
    // A zero side would divide by zero and spread NaN through every frame.
    if (!(iw > 0) || !(ih > 0) || !(bw > 0) || !(bh > 0)) {
        return {};
    }
    double width = 0;
    double height = 0;
    if (iw > ih) {
        if (iw / ih > bw / bh) {
            width = bw;
            height = bw * ih / iw;
        } else {
            width = bh * iw / ih;
            height = bh;
        }
    } else {
        if (ih / iw > bh / bw) {
            width = bh * iw / ih;
            height = bh;
        } else {
            width = bw;
            height = bw * ih / iw;
        }
    }
    return {(bw - width) * 0.5, (bh - height) * 0.5, width, height};
}

QRectF proportionalRect(QSizeF imageSize, const QRectF &frame)
{
    return computeMaxRect(imageSize, frame).translated(frame.topLeft());
}
