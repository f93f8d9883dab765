#pragma once

#include "slideshow/TransitionSettings.h"

#include <QBrush>
#include <QElapsedTimer>
#include <QImage>
#include <QOpenGLWindow>
#include <QTimer>

#include <memory>
#include <optional>

class GLTransitionRenderer;

// Draws the slideshow with OpenGL into a window of its own, one frame per
// screen refresh while a transition runs. A window rather than an OpenGL
// widget: the widget's offscreen framebuffer and the composition of the
// top-level cost about 45 MB per full-HD display where OpenGL runs on the CPU.
// Only made after openGLUsable() said yes.
class GLSlideshowWindow : public QOpenGLWindow
{
    Q_OBJECT
public:
    GLSlideshowWindow();
    ~GLSlideshowWindow() override;

    void setBackground(const QBrush &brush);
    void setEffectImages(const QImage &shading, const QImage &mask);
    void showImage(const QImage &image, const QRectF &frame, const TransitionSettings &transition);
    void setCurrentFrame(const QRectF &frame);
    void setCurrentHidden(bool hidden);
    bool isTransitionRunning() const;
    // The frame as it would be drawn now; null before the first exposure.
    QImage grabFrame();

signals:
    // OpenGL cannot draw the slideshow after all; queued.
    void failed(const QString &reason);

protected:
    void initializeGL() override;
    void paintGL() override;

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
    QBrush background_;
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
