#include "slideshow/GLTransitionRenderer.h"

#include "slideshow/AspectFit.h"
#include "slideshow/MaskImages.h"
#include "slideshow/TransitionProgram.h"
#include "slideshow/TransitionRegions.h"
#include "slideshow/TransitionShaders.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLTexture>

#include <QVector2D>

#include <algorithm>
#include <cmath>

namespace {

using TransitionShaders::Dialect;
using enum TransitionProgram::Uniform;

std::unique_ptr<QOpenGLTexture> upload(const QImage &image, bool smooth)
{
    // Photos arrive at the size they are shown: mipmaps would only cost time.
    auto texture = std::make_unique<QOpenGLTexture>(image, QOpenGLTexture::DontGenerateMipMaps);
    const auto filter = smooth ? QOpenGLTexture::Linear : QOpenGLTexture::Nearest;
    texture->setMinMagFilters(filter, filter);
    texture->setWrapMode(QOpenGLTexture::ClampToEdge);
    return texture;
}

// The sweep of a transition across its extent: where it enters (along its
// direction) and how far it goes; for the ripple, the farthest corner.
QVector2D sweepOf(const TransitionSettings &t)
{
    const QRectF e = t.extent;
    if (t.kind == TransitionKind::Ripple) {
        const double dx =
            std::max(std::abs(e.left() - t.center.x()), std::abs(e.right() - t.center.x()));
        const double dy =
            std::max(std::abs(e.top() - t.center.y()), std::abs(e.bottom() - t.center.y()));
        return {0.f, float(std::hypot(dx, dy))};
    }
    const double cx = std::cos(t.angle);
    const double cy = std::sin(t.angle);
    const double start = std::max(0.0, -cx) * e.width() + std::max(0.0, -cy) * e.height();
    return {float(start), float(std::abs(cx) * e.width() + std::abs(cy) * e.height())};
}

QSize pixelSize(QSizeF viewSize, qreal devicePixelRatio)
{
    return (viewSize * devicePixelRatio).toSize().expandedTo(QSize(1, 1));
}

// Transitions that squeeze the outgoing picture read it smoothly; everything
// else reads pictures pixel for pixel, which is exact for pictures of the
// view's size and much cheaper where OpenGL runs in software.
bool squeezesOutgoing(TransitionKind kind)
{
    return kind == TransitionKind::PageCurl || kind == TransitionKind::PageCurlWithShadow ||
           kind == TransitionKind::AccordionFold;
}

} // namespace

GLTransitionRenderer::GLTransitionRenderer() : quad_(QOpenGLBuffer::VertexBuffer) {}

GLTransitionRenderer::~GLTransitionRenderer() = default;

bool GLTransitionRenderer::initialize(QString *error)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        if (error) {
            *error = QStringLiteral("no current OpenGL context");
        }
        return false;
    }
    initializeOpenGLFunctions();
    if (context->isOpenGLES()) {
        dialect_ = int(Dialect::Embedded);
    } else if (context->format().profile() == QSurfaceFormat::CoreProfile) {
        dialect_ = int(Dialect::Core);
    } else {
        dialect_ = int(Dialect::Desktop);
    }
    vao_.create();
    quad_.create();
    quad_.setUsagePattern(QOpenGLBuffer::StreamDraw);
    QImage black(1, 1, QImage::Format_RGBA8888);
    black.fill(Qt::black);
    blank_ = upload(black, false);
    compose_ = TransitionProgram::build(
        Dialect(dialect_), TransitionShaders::composeFragmentShader(Dialect(dialect_)));
    if (!compose_->ok) {
        if (error) {
            *error = compose_->error;
        }
        return false;
    }
    // Without the still picture and the fade there is no slideshow.
    return prepare(TransitionKind::None, error) && prepare(TransitionKind::Fade, error);
}

bool GLTransitionRenderer::prepare(TransitionKind kind, QString *error)
{
    Program *p = program(kind);
    if (error && !p->ok) {
        *error = p->error;
    }
    return p->ok;
}

GLTransitionRenderer::Program *GLTransitionRenderer::program(TransitionKind kind)
{
    auto &slot = programs_[kind];
    if (!slot) {
        slot = TransitionProgram::build(Dialect(dialect_),
                                        TransitionShaders::fragmentShader(Dialect(dialect_), kind));
    }
    return slot.get();
}

void GLTransitionRenderer::markStale()
{
    from_.stale = true;
    to_.stale = true;
}

void GLTransitionRenderer::setBackground(const QBrush &brush)
{
    backgroundTile_.reset();
    backgroundColor_ = Qt::black;
    if (brush.style() == Qt::TexturePattern && !brush.textureImage().isNull()) {
        backgroundTile_ = upload(brush.textureImage(), false);
    } else if (brush.style() != Qt::NoBrush) {
        backgroundColor_ = brush.color();
    }
    markStale();
}

void GLTransitionRenderer::setEffectImages(const QImage &shading, const QImage &mask)
{
    shading_ = shading.isNull() ? nullptr : upload(shading, true);
    maskImage_ = (mask.isNull() ? MaskImages::fallbackMask() : mask)
                     .convertToFormat(QImage::Format_Grayscale8);
    mask_ = upload(maskImage_, true);
    shadowMask_.reset();
    // The shading image's centre is the light of a flat surface.
    const QColor flat = shading.isNull()
                            ? QColor(Qt::black)
                            : shading.pixelColor(shading.width() / 2, shading.height() / 2);
    shadingFlat_ = QVector3D(float(flat.redF()), float(flat.greenF()), float(flat.blueF()));
}

void GLTransitionRenderer::setIncoming(const QImage &image, const QRectF &frame, Outgoing outgoing)
{
    if (outgoing == Outgoing::FromIncoming) {
        from_ = std::move(to_);
    }
    to_ = Layer();
    if (!image.isNull()) {
        to_.image = image;
        to_.imageSize = image.size();
    }
    to_.frame = frame;
}

void GLTransitionRenderer::setIncomingFrame(const QRectF &frame)
{
    if (frame != to_.frame) {
        to_.frame = frame;
        to_.stale = true;
    }
}

void GLTransitionRenderer::setIncomingVisible(bool visible)
{
    if (visible != to_.visible) {
        to_.visible = visible;
        to_.stale = true;
    }
}

void GLTransitionRenderer::dropOutgoing()
{
    from_ = Layer();
}

void GLTransitionRenderer::compose(Layer &layer, QSize pixels, QSizeF viewSize)
{
    if (layer.snapshot || (layer.picture && layer.picture->size() == pixels && !layer.stale)) {
        return;
    }
    GLint previous = 0;
    GLint viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (!layer.picture || layer.picture->size() != pixels) {
        layer.picture = std::make_unique<QOpenGLFramebufferObject>(pixels);
    }
    layer.picture->bind();
    glViewport(0, 0, pixels.width(), pixels.height());
    Program &p = *compose_;
    p.shader.bind();
    p.set(uViewSize, QSizeF(viewSize));
    p.set(uPhoto, GLint(PhotoUnit));
    p.set(uBackground, GLint(BackgroundUnit));
    const QRectF rect = proportionalRect(layer.imageSize, layer.frame);
    const bool shown = !layer.image.isNull() && layer.visible && !rect.isEmpty();
    // A view-sized texture per picture is what the frames read; the photo's
    // own texture would only double the memory of each picture kept.
    std::unique_ptr<QOpenGLTexture> photo =
        shown ? (layer.photo ? std::move(layer.photo) : upload(layer.image, true)) : nullptr;
    p.set(uPhotoVisible, shown ? 1.f : 0.f);
    p.set(uPhotoRect,
          QVector4D(float(rect.x() / viewSize.width()), float(rect.y() / viewSize.height()),
                    float(rect.width() / viewSize.width()),
                    float(rect.height() / viewSize.height())));
    p.set(uBackgroundColor, backgroundColor_);
    p.set(uBackgroundTile, backgroundTile_ ? GLfloat(backgroundTile_->width()) : 1.f,
          backgroundTile_ ? GLfloat(backgroundTile_->height()) : 1.f, backgroundTile_ ? 1.f : 0.f);
    glActiveTexture(GL_TEXTURE0 + PhotoUnit);
    glBindTexture(GL_TEXTURE_2D, shown ? photo->textureId() : blank_->textureId());
    glActiveTexture(GL_TEXTURE0 + BackgroundUnit);
    glBindTexture(GL_TEXTURE_2D,
                  backgroundTile_ ? backgroundTile_->textureId() : blank_->textureId());
    drawQuad();
    p.shader.release();
    glActiveTexture(GL_TEXTURE0);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    layer.stale = false;
}

void GLTransitionRenderer::captureOutgoing(const TransitionSettings &transition, double progress,
                                           QSizeF viewSize, qreal devicePixelRatio)
{
    const QSize pixels = pixelSize(viewSize, devicePixelRatio);
    GLint previous = 0;
    GLint viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto fbo = std::make_unique<QOpenGLFramebufferObject>(pixels);
    fbo->bind();
    glViewport(0, 0, pixels.width(), pixels.height());
    draw(transition, progress, viewSize, devicePixelRatio);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    from_ = Layer();
    from_.picture = std::move(fbo);
    from_.snapshot = true;
    from_.stale = false;
}

void GLTransitionRenderer::bindPicture(Unit unit, const Layer &layer, bool smooth)
{
    const GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_2D, layer.picture ? layer.picture->texture() : blank_->textureId());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void GLTransitionRenderer::setUp(Program &p, const TransitionSettings &t, double progress,
                                 QSizeF viewSize, QSize pixels)
{
    const double k = qBound(0.0, progress, 1.0);
    p.shader.bind();
    p.set(uFrom, GLint(FromUnit));
    p.set(uTo, GLint(ToUnit));
    p.set(uShading, GLint(ShadingUnit));
    p.set(uMask, GLint(MaskUnit));
    p.set(uViewSize, QSizeF(viewSize));
    p.set(uProgress, GLfloat(k));
    bindPicture(FromUnit, from_, squeezesOutgoing(t.kind));
    bindPicture(ToUnit, to_, false);
    glActiveTexture(GL_TEXTURE0 + ShadingUnit);
    glBindTexture(GL_TEXTURE_2D, shading_ ? shading_->textureId() : blank_->textureId());
    glActiveTexture(GL_TEXTURE0 + MaskUnit);
    glBindTexture(GL_TEXTURE_2D, maskFor(t, viewSize, pixels));
    p.set(uHasShading, shading_ ? 1.f : 0.f);
    p.set(uShadingFlat, shadingFlat_);
    p.set(uExtent, QVector4D(float(t.extent.x()), float(t.extent.y()), float(t.extent.width()),
                             float(t.extent.height())));
    p.set(uCenter, t.center);
    p.set(uRadius, GLfloat(t.radius));
    p.set(uWidth, GLfloat(t.width));
    p.set(uScale, GLfloat(t.scale));
    p.set(uOpacity, GLfloat(t.opacity));
    p.set(uAmount, GLfloat(t.amount));
    p.set(uSize, GLfloat(t.size));
    p.set(uCount, GLfloat(t.count));
    p.set(uOffset, t.offset);
    p.set(uColor, t.color);
    p.set(uMaskSize, t.maskSize.isEmpty() ? viewSize : t.maskSize);
    p.set(uDir, QVector2D(float(std::cos(t.angle)), float(std::sin(t.angle))));
    p.set(uSweep, sweepOf(t));
    // What depends on the progress alone is worked out here, once a frame:
    // the flash's strength, its cross-fade and the reach of its rays.
    const double flash = 4.0 * k * (1.0 - k);
    const double edge0 = 1.0 - t.size;
    const double x = std::clamp((k - edge0) / std::max(1e-6, t.size - edge0), 0.0, 1.0);
    const double reach = 0.3 * t.radius * flash;
    p.set(uFrame,
          QVector4D(float(flash), float(x * x * (3 - 2 * x)),
                    float(1.0 / std::max(1e-6, reach * reach)),
                    float(1.0 / std::max(1.0, 0.25 * (t.extent.width() * t.extent.width() +
                                                      t.extent.height() * t.extent.height())))));
}

void GLTransitionRenderer::drawWith(Program &p, const TransitionSettings &t, double progress,
                                    QSizeF viewSize, QSize pixels)
{
    compose(from_, pixels, viewSize);
    compose(to_, pixels, viewSize);
    using TransitionRegions::Shows;
    const auto regions = regionsEnabled_
                             ? TransitionRegions::regionsOf(t, progress, viewSize)
                             : std::vector<TransitionRegions::Region>{
                                   {QPolygonF(QRectF(QPointF(0, 0), viewSize)), Shows::Transition}};
    Program &copy = *program(TransitionKind::None);
    for (const auto &region : regions) {
        if (region.shows == Shows::Transition) {
            setUp(p, t, progress, viewSize, pixels);
        } else {
            // The still picture's shader reads its picture from the incoming unit.
            copy.shader.bind();
            copy.set(uTo, GLint(ToUnit));
            bindPicture(ToUnit, region.shows == Shows::Outgoing ? from_ : to_, false);
        }
        drawPolygon(region.polygon, viewSize);
    }
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0);
}

void GLTransitionRenderer::drawPolygon(const QPolygonF &polygon, QSizeF viewSize)
{
    // Filter space (pixels, origin at the bottom left) to clip space.
    std::vector<GLfloat> vertices;
    vertices.reserve(size_t(polygon.size()) * 2);
    for (const QPointF &point : polygon) {
        vertices.push_back(GLfloat(2.0 * point.x() / viewSize.width() - 1.0));
        vertices.push_back(GLfloat(2.0 * point.y() / viewSize.height() - 1.0));
    }
    drawFan(vertices);
}

void GLTransitionRenderer::drawFan(const std::vector<GLfloat> &vertices)
{
    QOpenGLVertexArrayObject::Binder binder(&vao_);
    quad_.bind();
    quad_.allocate(vertices.data(), int(vertices.size() * sizeof(GLfloat)));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDisable(GL_BLEND);
    glDrawArrays(GL_TRIANGLE_FAN, 0, GLsizei(vertices.size() / 2));
    glDisableVertexAttribArray(0);
    quad_.release();
}

void GLTransitionRenderer::drawQuad()
{
    drawFan({-1.f, -1.f, 1.f, -1.f, 1.f, 1.f, -1.f, 1.f});
}

GLuint GLTransitionRenderer::maskFor(const TransitionSettings &t, QSizeF viewSize, QSize pixels)
{
    if (!mask_) {
        return blank_->textureId();
    }
    if (t.kind != TransitionKind::DisintegrateWithMask) {
        return mask_->textureId();
    }
    // Red: the mask. Green: the mask where the shadow falls from, blurred by
    // the shadow radius. Both are stretched to the view, so the shift and the
    // blur in mask pixels follow the stretched size; then they are scaled to
    // the view's pixels once, so that frames read them pixel for pixel.
    const QSizeF stretched = t.maskSize.isEmpty() ? viewSize : t.maskSize;
    const QPointF shift(-t.offset.x() * maskImage_.width() / stretched.width(),
                        t.offset.y() * maskImage_.height() / stretched.height());
    const double blur = t.radius * maskImage_.height() / stretched.height();
    const QSize size =
        (stretched * (pixels.width() / viewSize.width())).toSize().expandedTo({1, 1});
    if (!shadowMask_ || shadowShift_ != shift || shadowBlur_ != blur || shadowMaskSize_ != size) {
        const QImage both = MaskImages::maskWithShadow(maskImage_, shift, blur);
        shadowMask_ =
            upload(both.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), false);
        shadowShift_ = shift;
        shadowBlur_ = blur;
        shadowMaskSize_ = size;
    }
    return shadowMask_->textureId();
}

bool GLTransitionRenderer::draw(const TransitionSettings &transition, double progress,
                                QSizeF viewSize, qreal devicePixelRatio)
{
    Program *p = program(transition.kind);
    const bool own = p->ok;
    if (!own) {
        p = program(TransitionKind::Fade);
    }
    if (p->ok) {
        drawWith(*p, transition, progress, viewSize, pixelSize(viewSize, devicePixelRatio));
    }
    return own;
}

void GLTransitionRenderer::drawStill(QSizeF viewSize, qreal devicePixelRatio)
{
    Program *p = program(TransitionKind::None);
    if (p->ok) {
        drawWith(*p, TransitionSettings(), 1.0, viewSize, pixelSize(viewSize, devicePixelRatio));
    }
}

void GLTransitionRenderer::drawPlainQuad(bool linear)
{
    if (!plain_) {
        plain_ = TransitionProgram::build(
            Dialect(dialect_), TransitionShaders::plainQuadFragmentShader(Dialect(dialect_)));
    }
    if (!plain_->ok) {
        return;
    }
    plain_->shader.bind();
    plain_->shader.setUniformValue("uTo", GLint(ToUnit));
    glActiveTexture(GL_TEXTURE0 + ToUnit);
    if (!to_.photo && !to_.image.isNull()) {
        to_.photo = upload(to_.image, true);
    }
    glBindTexture(GL_TEXTURE_2D, to_.photo ? to_.photo->textureId() : blank_->textureId());
    const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    drawQuad();
    plain_->shader.release();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glActiveTexture(GL_TEXTURE0);
}
