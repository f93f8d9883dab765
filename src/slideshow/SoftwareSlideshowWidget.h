#pragma once

#include "slideshow/SlideshowRenderer.h"
#include "slideshow/SoftwareTransitionPainter.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// Draws the slideshow with QPainter where OpenGL is missing; frames come from
// a timer at the screen's refresh rate while a transition runs.
class SoftwareSlideshowWidget : public QWidget, public SlideshowRenderer
{
    Q_OBJECT
public:
    explicit SoftwareSlideshowWidget(QWidget *parent = nullptr);

    QWidget *widget() override { return this; }
    bool isOpenGL() const override { return false; }
    void setEffectImages(const QImage &, const QImage &) override {}
    void showImage(const QImage &image, const QRectF &frame,
                   const TransitionSettings &transition) override;
    void setCurrentFrame(const QRectF &frame) override;
    void setCurrentHidden(bool hidden) override;
    bool isTransitionRunning() const override { return running_ && progress() < 1.0; }
    QImage grabFrame() override { return grab().toImage(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double progress() const;
    void finishIfDone();

    SoftwareTransitionPainter::Layer from_;
    SoftwareTransitionPainter::Layer to_;
    TransitionKind kind_ = TransitionKind::None;
    double duration_ = 1.0;
    bool running_ = false;
    QElapsedTimer clock_;
    QTimer frameTimer_;
};
