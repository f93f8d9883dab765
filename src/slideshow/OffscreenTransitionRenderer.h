#pragma once

#include "slideshow/TransitionSettings.h"

#include <QBrush>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class GLTransitionRenderer;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

// The slideshow's OpenGL drawing without a window: renders any transition at
// any progress into an image, for checks, demos and timing. Main thread.
class OffscreenTransitionRenderer
{
public:
    // size: the view in pixels. Null effect images: drawn without them.
    explicit OffscreenTransitionRenderer(QSize size, const QImage &shading = {},
                                         const QImage &mask = {});
    ~OffscreenTransitionRenderer();
    OffscreenTransitionRenderer(const OffscreenTransitionRenderer &) = delete;
    OffscreenTransitionRenderer &operator=(const OffscreenTransitionRenderer &) = delete;

    // False where OpenGL is missing; errorString() says why.
    bool isValid() const { return valid_; }
    QString errorString() const { return error_; }

    void setBackground(const QBrush &brush);
    // Off: the transition's shader runs over the whole view (for checks).
    void setRegionsEnabled(bool enabled);
    // The outgoing and incoming photos, each fitted into the view the way the
    // slideshow view fits them.
    void setPhotos(const QImage &from, const QImage &to);

    // A new photo arrives while `name` runs at `progress`: what is on screen
    // then becomes the outgoing picture, as in the view.
    void interrupt(const QString &name, double progress, const QImage &next);

    TransitionSettings settingsFor(const QString &name) const;
    // The view at that progress; null when the transition's own shader cannot
    // be built (the view would fall back to a fade) or OpenGL is missing.
    QImage renderFrame(const QString &name, double progress);

    // For timing: draws without reading back; finish() waits for the GPU.
    bool drawFrame(const TransitionSettings &transition, double progress);
    void drawPlainQuad(bool linear = true);
    void finish();

    // One frame, with the bundle's effect images.
    static QImage renderFrame(const QString &name, const QImage &from, const QImage &to,
                              double progress, QSize size);

private:
    bool makeCurrent();

    QSize size_;
    QSize maskSize_;
    bool valid_ = false;
    QString error_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    std::unique_ptr<GLTransitionRenderer> renderer_;
};
