#pragma once

#include "slideshow/TransitionSettings.h"

#include <QBrush>
#include <QImage>
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLVertexArrayObject>
#include <QPolygonF>
#include <QRectF>
#include <QVector3D>

#include <map>
#include <memory>
#include <vector>

class QOpenGLFramebufferObject;
class QOpenGLTexture;
struct TransitionProgram;

// Draws the slideshow with OpenGL: the shown photo over the window's
// background and, while a transition runs, the outgoing picture through the
// transition's shader. Each picture is composed once into a texture of the
// whole view, so a frame reads each picture once per pixel. Every call needs
// the same context current, and so does destruction. Sizes are in view
// units; the caller binds the target and sets the viewport to viewSize times
// the device pixel ratio.
class GLTransitionRenderer : protected QOpenGLFunctions
{
public:
    enum class Outgoing { FromIncoming, Keep };

    GLTransitionRenderer();
    ~GLTransitionRenderer();
    GLTransitionRenderer(const GLTransitionRenderer &) = delete;
    GLTransitionRenderer &operator=(const GLTransitionRenderer &) = delete;

    // False, with the reason, when the context cannot draw the slideshow.
    bool initialize(QString *error = nullptr);

    void setBackground(const QBrush &brush);
    void setEffectImages(const QImage &shading, const QImage &mask);

    // The incoming photo, drawn proportionally inside frame; a null image
    // shows the background only. The previous incoming picture becomes the
    // outgoing one unless the outgoing picture is kept. The photo's texture
    // lives only while the photo is composed into its picture of the view;
    // the image itself (shared with the caller's copy) is kept to compose it
    // again.
    void setIncoming(const QImage &image, const QRectF &frame,
                     Outgoing outgoing = Outgoing::FromIncoming);
    void setIncomingFrame(const QRectF &frame);
    void setIncomingVisible(bool visible);
    // What `transition` at `progress` shows now becomes the outgoing picture,
    // so that a transition asked for mid-way starts from the screen.
    void captureOutgoing(const TransitionSettings &transition, double progress, QSizeF viewSize,
                         qreal devicePixelRatio);
    void dropOutgoing();

    // Into the bound framebuffer. False when the transition's own shader
    // cannot be built; a fade is drawn instead.
    bool draw(const TransitionSettings &transition, double progress, QSizeF viewSize,
              qreal devicePixelRatio = 1.0);
    void drawStill(QSizeF viewSize, qreal devicePixelRatio = 1.0);
    // The benchmark's yardstick: the incoming photo's own texture stretched
    // over the viewport by the simplest shader, filtered linearly or not.
    void drawPlainQuad(bool linear = true);

    // Off: every frame runs the transition's shader over the whole view
    // instead of copying the parts that show one picture unchanged (for checks).
    void setRegionsEnabled(bool enabled) { regionsEnabled_ = enabled; }

    // Builds the shader of a kind on first use; false (with the reason) when it fails.
    bool prepare(TransitionKind kind, QString *error = nullptr);

private:
    struct Layer
    {
        QImage image;
        std::unique_ptr<QOpenGLTexture> photo; // while composing, or for the yardstick
        QSizeF imageSize;
        QRectF frame;
        bool visible = true;
        std::unique_ptr<QOpenGLFramebufferObject> picture; // the whole view
        bool stale = true;
        bool snapshot = false;
    };
    using Program = TransitionProgram;
    enum Unit { FromUnit, ToUnit, ShadingUnit, MaskUnit, PhotoUnit, BackgroundUnit };

    Program *program(TransitionKind kind);
    void compose(Layer &layer, QSize pixels, QSizeF viewSize);
    void drawWith(Program &p, const TransitionSettings &t, double progress, QSizeF viewSize,
                  QSize pixels);
    void setUp(Program &p, const TransitionSettings &t, double progress, QSizeF viewSize,
               QSize pixels);
    void bindPicture(Unit unit, const Layer &layer, bool smooth);
    GLuint maskFor(const TransitionSettings &t, QSizeF viewSize, QSize pixels);
    void drawPolygon(const QPolygonF &polygon, QSizeF viewSize);
    void drawFan(const std::vector<GLfloat> &vertices);
    void drawQuad();
    void markStale();

    std::map<TransitionKind, std::unique_ptr<Program>> programs_;
    std::unique_ptr<Program> compose_;
    std::unique_ptr<Program> plain_;
    QOpenGLBuffer quad_;
    QOpenGLVertexArrayObject vao_;
    std::unique_ptr<QOpenGLTexture> blank_;
    std::unique_ptr<QOpenGLTexture> backgroundTile_;
    QColor backgroundColor_ = Qt::black;
    std::unique_ptr<QOpenGLTexture> shading_;
    QVector3D shadingFlat_;
    std::unique_ptr<QOpenGLTexture> mask_;
    QImage maskImage_;
    std::unique_ptr<QOpenGLTexture> shadowMask_;
    QPointF shadowShift_;
    double shadowBlur_ = -1;
    QSize shadowMaskSize_;
    bool regionsEnabled_ = true;
    Layer from_;
    Layer to_;
    int dialect_ = 0;
};
