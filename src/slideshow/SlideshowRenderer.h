#pragma once

#include "slideshow/TransitionSettings.h"

#include <QImage>
#include <QRectF>

class QWidget;

// What the slideshow view asks of the child that draws it, with OpenGL or
// with QPainter.
class SlideshowRenderer
{
public:
    virtual ~SlideshowRenderer() = default;

    virtual QWidget *widget() = 0;
    virtual bool isOpenGL() const = 0;
    virtual void setEffectImages(const QImage &shading, const QImage &mask) = 0;
    // Replaces what is shown by the image (null: none) drawn proportionally
    // inside frame, through the transition (kind None: at once). The outgoing
    // picture stays on screen until the incoming one is ready to draw; asked
    // mid-transition, the new transition starts from what is on screen.
    virtual void showImage(const QImage &image, const QRectF &frame,
                           const TransitionSettings &transition) = 0;
    virtual void setCurrentFrame(const QRectF &frame) = 0;
    virtual void setCurrentHidden(bool hidden) = 0;
    virtual bool isTransitionRunning() const = 0;
    // What is on screen now, drawn afresh.
    virtual QImage grabFrame() = 0;
};
