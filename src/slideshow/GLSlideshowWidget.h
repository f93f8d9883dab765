#pragma once

#include "slideshow/SlideshowRenderer.h"

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QTimer>

#include <memory>
#include <optional>

class GLTransitionRenderer;

// Draws the slideshow with OpenGL, one frame per screen refresh while a
// transition runs. Only made after openGLUsable() said yes.
class GLSlideshowWidget : public QOpenGLWidget, public SlideshowRenderer
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

signals:
    // OpenGL cannot draw the slideshow after all; queued.
    void failed(const QString &reason);

protected:
    void initializeGL() override;
    void paintGL() override;
    void changeEvent(QEvent *event) override;

private:
    struct Pending
    {
        QImage image;
        QRectF frame;
        TransitionSettings transition;
    };

    void startPending();
    double progress() const;
    void scheduleFrame();
    void releaseGL();

    std::unique_ptr<GLTransitionRenderer> renderer_;
    QImage shading_;
    QImage mask_;
    bool effectsChanged_ = true;
    bool backgroundChanged_ = true;
    // What is shown, kept so that a new context can show it again.
    QImage current_;
    QRectF currentFrame_;
    bool hidden_ = false;
    std::optional<Pending> pending_;
    TransitionSettings running_;
    bool isRunning_ = false;
    QString loggedFallback_;
    QElapsedTimer clock_;
    QElapsedTimer frameClock_;
    QTimer frameTimer_;
};
