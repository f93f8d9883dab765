#include "slideshow/OffscreenTransitionRenderer.h"

#include "platform/Bundle.h"
#include "slideshow/AspectFit.h"
#include "slideshow/GLTransitionRenderer.h"
#include "slideshow/OpenGLProbe.h"
#include "slideshow/TransitionImages.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

OffscreenTransitionRenderer::OffscreenTransitionRenderer(QSize size, const QImage &shading,
                                                         const QImage &mask)
    : size_(size), maskSize_(mask.size())
{
    if (size.isEmpty()) {
        error_ = QStringLiteral("empty size");
        return;
    }
    if (!openGLUsable(&error_)) {
        return;
    }
    context_ = std::make_unique<QOpenGLContext>();
    surface_ = std::make_unique<QOffscreenSurface>();
    if (!context_->create()) {
        error_ = QStringLiteral("no OpenGL context");
        return;
    }
    surface_->setFormat(context_->format());
    surface_->create();
    if (!makeCurrent()) {
        error_ = QStringLiteral("the OpenGL context cannot be made current");
        return;
    }
    fbo_ = std::make_unique<QOpenGLFramebufferObject>(size_);
    renderer_ = std::make_unique<GLTransitionRenderer>();
    if (!fbo_->isValid() || !renderer_->initialize(&error_)) {
        if (error_.isEmpty()) {
            error_ = QStringLiteral("no framebuffer object");
        }
        return;
    }
    renderer_->setEffectImages(shading, mask);
    valid_ = true;
}

OffscreenTransitionRenderer::~OffscreenTransitionRenderer()
{
    if (context_ && makeCurrent()) {
        renderer_.reset();
        fbo_.reset();
        context_->doneCurrent();
    }
}

bool OffscreenTransitionRenderer::makeCurrent()
{
    return context_ && surface_ && surface_->isValid() && context_->makeCurrent(surface_.get());
}

void OffscreenTransitionRenderer::setBackground(const QBrush &brush)
{
    if (valid_ && makeCurrent()) {
        renderer_->setBackground(brush);
    }
}

void OffscreenTransitionRenderer::setRegionsEnabled(bool enabled)
{
    if (renderer_) {
        renderer_->setRegionsEnabled(enabled);
    }
}

void OffscreenTransitionRenderer::setPhotos(const QImage &from, const QImage &to)
{
    if (!valid_ || !makeCurrent()) {
        return;
    }
    const QRectF bounds(QPointF(0, 0), QSizeF(size_));
    renderer_->setIncoming(from, computeMaxRect(from.size(), bounds));
    renderer_->setIncoming(to, computeMaxRect(to.size(), bounds));
}

void OffscreenTransitionRenderer::interrupt(const QString &name, double progress,
                                            const QImage &next)
{
    if (!valid_ || !makeCurrent()) {
        return;
    }
    const QSizeF view(size_);
    renderer_->captureOutgoing(settingsFor(name), progress, view, 1.0);
    renderer_->setIncoming(next, computeMaxRect(next.size(), QRectF(QPointF(0, 0), view)),
                           GLTransitionRenderer::Outgoing::Keep);
}

TransitionSettings OffscreenTransitionRenderer::settingsFor(const QString &name) const
{
    return transitionSettingsFor(name, QRectF(QPointF(0, 0), QSizeF(size_)), maskSize_);
}

bool OffscreenTransitionRenderer::drawFrame(const TransitionSettings &transition, double progress)
{
    if (!valid_ || !makeCurrent()) {
        return false;
    }
    fbo_->bind();
    context_->functions()->glViewport(0, 0, size_.width(), size_.height());
    const bool own = transition.kind == TransitionKind::None
                         ? (renderer_->drawStill(QSizeF(size_)), true)
                         : renderer_->draw(transition, progress, QSizeF(size_));
    fbo_->release();
    return own;
}

void OffscreenTransitionRenderer::drawPlainQuad(bool linear)
{
    if (!valid_ || !makeCurrent()) {
        return;
    }
    fbo_->bind();
    context_->functions()->glViewport(0, 0, size_.width(), size_.height());
    renderer_->drawPlainQuad(linear);
    fbo_->release();
}

void OffscreenTransitionRenderer::finish()
{
    if (valid_ && makeCurrent()) {
        context_->functions()->glFinish();
    }
}

QImage OffscreenTransitionRenderer::renderFrame(const QString &name, double progress)
{
    if (!valid_ || !drawFrame(settingsFor(name), progress)) {
        return {};
    }
    return fbo_->toImage().convertToFormat(QImage::Format_RGB32);
}

QImage OffscreenTransitionRenderer::renderFrame(const QString &name, const QImage &from,
                                                const QImage &to, double progress, QSize size)
{
    const TransitionImages images = TransitionImages::load(Bundle::mainBundle());
    OffscreenTransitionRenderer renderer(size, images.shading, images.mask);
    renderer.setPhotos(from, to);
    return renderer.renderFrame(name, progress);
}
