#include "slideshow/GLSlideshowWidget.h"

#include "slideshow/GLSlideshowWindow.h"

#include <QEvent>
#include <QResizeEvent>

GLSlideshowWidget::GLSlideshowWidget(QWidget *parent)
    : QWidget(parent), window_(new GLSlideshowWindow),
      container_(QWidget::createWindowContainer(window_, this))
{
    container_->setFocusPolicy(Qt::NoFocus);
    container_->setGeometry(rect());
    window_->setBackground(palette().brush(QPalette::Window));
    connect(window_, &GLSlideshowWindow::failed, this, &GLSlideshowWidget::failed);
}

GLSlideshowWidget::~GLSlideshowWidget() = default;

void GLSlideshowWidget::setEffectImages(const QImage &shading, const QImage &mask)
{
    window_->setEffectImages(shading, mask);
}

void GLSlideshowWidget::showImage(const QImage &image, const QRectF &frame,
                                  const TransitionSettings &transition)
{
    container_->show();
    window_->showImage(image, frame, transition);
}

void GLSlideshowWidget::setCurrentFrame(const QRectF &frame)
{
    window_->setCurrentFrame(frame);
}

void GLSlideshowWidget::setCurrentHidden(bool hidden)
{
    window_->setCurrentHidden(hidden);
    // A native window covers every widget under it, whatever it draws.
    container_->setVisible(!hidden);
}

bool GLSlideshowWidget::isTransitionRunning() const
{
    return window_->isTransitionRunning();
}

QImage GLSlideshowWidget::grabFrame()
{
    return window_->grabFrame();
}

void GLSlideshowWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        window_->setBackground(palette().brush(QPalette::Window));
    }
    QWidget::changeEvent(event);
}

void GLSlideshowWidget::resizeEvent(QResizeEvent *event)
{
    container_->setGeometry(rect());
    QWidget::resizeEvent(event);
}
