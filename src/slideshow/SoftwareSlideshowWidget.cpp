#include "slideshow/SoftwareSlideshowWidget.h"

#include <QPainter>
#include <QScreen>

namespace {

QImage drawable(const QImage &image)
{
    // The formats QPainter draws without converting on every frame.
    if (image.isNull() || image.format() == QImage::Format_RGB32 ||
        image.format() == QImage::Format_ARGB32_Premultiplied) {
        return image;
    }
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

} // namespace

SoftwareSlideshowWidget::SoftwareSlideshowWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        update();
        finishIfDone();
    });
}

double SoftwareSlideshowWidget::progress() const
{
    if (!running_ || duration_ <= 0) {
        return 1.0;
    }
    return qMin(1.0, double(clock_.nsecsElapsed()) / 1e9 / duration_);
}

void SoftwareSlideshowWidget::showImage(const QImage &image, const QRectF &frame,
                                        const TransitionSettings &transition)
{
    const TransitionKind kind = SoftwareTransitionPainter::drawnKind(transition.kind);
    const QImage incoming = drawable(image);
    if (kind == TransitionKind::None) {
        running_ = false;
        frameTimer_.stop();
        from_ = {};
    } else if (running_) {
        // Mid-transition: what is on screen now is what goes.
        const qreal dpr = devicePixelRatioF();
        QImage snapshot((QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1)),
                        QImage::Format_RGB32);
        snapshot.setDevicePixelRatio(dpr);
        QPainter painter(&snapshot);
        SoftwareTransitionPainter::paintTransition(painter, QSizeF(size()),
                                                   palette().brush(QPalette::Window), from_, to_,
                                                   kind_, progress());
        painter.end();
        from_ = {snapshot, QRectF(rect()), true, true};
    } else {
        from_ = to_;
    }
    to_ = {incoming, frame, true, false};
    kind_ = kind;
    duration_ = transition.durationSeconds;
    if (kind != TransitionKind::None) {
        running_ = true;
        clock_.start();
        const qreal hz = screen() ? screen()->refreshRate() : 60.0;
        frameTimer_.start(qMax(1, int(1000.0 / (hz > 1.0 ? hz : 60.0))));
    }
    update();
}

void SoftwareSlideshowWidget::setCurrentFrame(const QRectF &frame)
{
    to_.frame = frame;
    update();
}

void SoftwareSlideshowWidget::setCurrentHidden(bool hidden)
{
    to_.visible = !hidden;
    update();
}

void SoftwareSlideshowWidget::finishIfDone()
{
    if (running_ && progress() >= 1.0) {
        running_ = false;
        frameTimer_.stop();
        from_ = {};
    }
}

void SoftwareSlideshowWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QBrush background = palette().brush(QPalette::Window);
    if (running_) {
        SoftwareTransitionPainter::paintTransition(painter, QSizeF(size()), background, from_, to_,
                                                   kind_, progress());
    } else {
        SoftwareTransitionPainter::paintStill(painter, QSizeF(size()), background, to_);
    }
}
