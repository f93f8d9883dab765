#include "slideshow/GLSlideshowWindow.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "slideshow/GLTransitionRenderer.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>

GLSlideshowWindow::GLSlideshowWindow()
{
    // Clicks and keys belong to the display window around it.
    setFlag(Qt::WindowTransparentForInput);
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, qOverload<>(&QPaintDeviceWindow::update));
    connect(this, &QOpenGLWindow::frameSwapped, this, &GLSlideshowWindow::scheduleFrame);
}

GLSlideshowWindow::~GLSlideshowWindow()
{
    // QOpenGLWindow's own destructor destroys the context later; by then this
    // part of the object is gone, so the release must not run from that signal.
    if (context()) {
        disconnect(context(), &QOpenGLContext::aboutToBeDestroyed, this, nullptr);
    }
    disconnect(this, &QOpenGLWindow::frameSwapped, this, nullptr);
    releaseGL();
}

void GLSlideshowWindow::releaseGL()
{
    if (!renderer_) {
        return;
    }
    makeCurrent();
    renderer_.reset();
    doneCurrent();
}

void GLSlideshowWindow::setEffectImages(const QImage &shading, const QImage &mask)
{
    shading_ = shading;
    mask_ = mask;
    effectsChanged_ = true;
    update();
}

void GLSlideshowWindow::showImage(const QImage &image, const QRectF &frame,
                                  const TransitionSettings &transition)
{
    // Uploaded in the next paint, so the outgoing picture stays on screen
    // until then and the transition's clock starts once the photo is ready.
    pending_ = Pending{image, frame, transition};
    update();
}

void GLSlideshowWindow::setCurrentFrame(const QRectF &frame)
{
    currentFrame_ = frame;
    if (pending_) {
        pending_->frame = frame;
    }
    update();
}

void GLSlideshowWindow::setCurrentHidden(bool hidden)
{
    hidden_ = hidden;
    update();
}

bool GLSlideshowWindow::isTransitionRunning() const
{
    return isRunning_ || (pending_ && pending_->transition.kind != TransitionKind::None);
}

void GLSlideshowWindow::setBackground(const QBrush &brush)
{
    background_ = brush;
    backgroundChanged_ = true;
    update();
}

void GLSlideshowWindow::initializeGL()
{
    // A new context (first show, or after a reparent) starts with nothing of
    // the old one.
    renderer_ = std::make_unique<GLTransitionRenderer>();
    QString error;
    if (!renderer_->initialize(&error)) {
        renderer_.reset();
        QMetaObject::invokeMethod(
            this, [this, error] { emit failed(error); }, Qt::QueuedConnection);
        return;
    }
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLSlideshowWindow::releaseGL,
            Qt::UniqueConnection);
    effectsChanged_ = true;
    backgroundChanged_ = true;
    renderer_->setIncoming(current_, currentFrame_);
    renderer_->dropOutgoing();
    isRunning_ = false;
}

QImage GLSlideshowWindow::grabFrame()
{
    if (!isValid()) {
        return {};
    }
    // The back buffer holds nothing defined after a swap: draw into it again.
    makeCurrent();
    paintGL();
    const QSize pixels = size() * devicePixelRatio();
    QImage image(pixels, QImage::Format_RGBA8888);
    context()->functions()->glReadPixels(0, 0, pixels.width(), pixels.height(), GL_RGBA,
                                         GL_UNSIGNED_BYTE, image.bits());
    doneCurrent();
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

double GLSlideshowWindow::progress() const
{
    const double seconds = double(clock_.nsecsElapsed()) / 1e9;
    return running_.durationSeconds > 0 ? qMin(1.0, seconds / running_.durationSeconds) : 1.0;
}

void GLSlideshowWindow::startPending()
{
    Pending next = std::move(*pending_);
    pending_.reset();
    const bool animate = next.transition.kind != TransitionKind::None;
    if (isRunning_ && animate) {
        // Mid-transition: what is on screen now is what goes.
        renderer_->captureOutgoing(running_, progress(), QSizeF(size()), devicePixelRatio());
        renderer_->setIncoming(next.image, next.frame, GLTransitionRenderer::Outgoing::Keep);
    } else {
        renderer_->setIncoming(next.image, next.frame);
    }
    current_ = next.image;
    currentFrame_ = next.frame;
    hidden_ = false;
    isRunning_ = animate;
    if (animate) {
        running_ = next.transition;
        clock_.start();
    } else {
        renderer_->dropOutgoing();
    }
}

void GLSlideshowWindow::paintGL()
{
    frameClock_.start();
    if (!renderer_) {
        glClearColor(0.f, 0.f, 0.f, 1.f);
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    if (backgroundChanged_) {
        renderer_->setBackground(background_);
        backgroundChanged_ = false;
    }
    if (effectsChanged_) {
        renderer_->setEffectImages(shading_, mask_);
        effectsChanged_ = false;
    }
    if (pending_) {
        startPending();
    }
    renderer_->setIncomingFrame(currentFrame_);
    renderer_->setIncomingVisible(!hidden_);
    const QSizeF view(size());
    if (!isRunning_) {
        renderer_->drawStill(view, devicePixelRatio());
        return;
    }
    const double p = progress();
    if (!renderer_->draw(running_, p, view, devicePixelRatio()) &&
        loggedFallback_ != running_.name) {
        QString error;
        renderer_->prepare(running_.kind, &error);
        OvraLog(kLogShaderFailed.arg(QString::fromLatin1(metaObject()->className()), running_.name,
                                     error.trimmed()));
        loggedFallback_ = running_.name;
    }
    if (p >= 1.0) {
        isRunning_ = false;
        renderer_->dropOutgoing();
    }
}

void GLSlideshowWindow::scheduleFrame()
{
    if (!isRunning_ && !pending_) {
        return;
    }
    // Swaps wait for the refresh where the driver syncs to it; elsewhere the
    // timer keeps frames from coming faster than the screen shows them.
    const qreal hz = screen() ? screen()->refreshRate() : 60.0;
    const int interval = qMax(1, int(1000.0 / (hz > 1.0 ? hz : 60.0)));
    const qint64 spent = frameClock_.isValid() ? frameClock_.elapsed() : interval;
    if (spent >= interval - 1) {
        update();
    } else {
        frameTimer_.start(int(interval - spent));
    }
}
