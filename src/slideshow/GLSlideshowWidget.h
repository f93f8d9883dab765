#pragma once

#include "slideshow/SlideshowRenderer.h"

#include <QWidget>

class GLSlideshowWindow;

// The OpenGL renderer as a child of the slideshow view: a native window
// embedded in the view, hidden while the photo is, so that what lies under it
// (the plain image view) shows.
class GLSlideshowWidget : public QWidget, public SlideshowRenderer
{
    Q_OBJECT
public:
    explicit GLSlideshowWidget(QWidget *parent = nullptr);
    ~GLSlideshowWidget() override;

    QWidget *widget() override { return this; }
    bool isOpenGL() const override { return true; }
    void setEffectImages(const QImage &shading, const QImage &mask) override;
    void showImage(const QImage &image, const QRectF &frame,
                   const TransitionSettings &transition) override;
    void setCurrentFrame(const QRectF &frame) override;
    void setCurrentHidden(bool hidden) override;
    bool isTransitionRunning() const override;
    QImage grabFrame() override;

    GLSlideshowWindow *glWindow() const { return window_; }

signals:
    // OpenGL cannot draw the slideshow after all; queued.
    void failed(const QString &reason);

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    GLSlideshowWindow *window_; // owned by container_
    QWidget *container_;
};
