#pragma once

#include "slideshow/TransitionImages.h"
#include "slideshow/TransitionSettings.h"

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class Bundle;
class SlideshowRenderer;

// The view of a display window in which photos replace one another through a
// transition of 1.0 second. Shows at most one photo, aspect-fitted, over the
// window's background (its palette's window brush). It draws with OpenGL
// where a context can be made, else with QPainter. Photos arrive decoded at
// the size they are shown; the view never reads files. Main thread, except
// doHide().
class SlideshowView : public QWidget
{
    Q_OBJECT
public:
    enum class Renderer { Automatic, OpenGL, Software };

    explicit SlideshowView(QWidget *parent = nullptr, Renderer renderer = Renderer::Automatic);
    SlideshowView(QWidget *parent, Renderer renderer, const Bundle &bundle);
    ~SlideshowView() override;

    // Frame and bounds (0, 0, W, H) of the window's frame size.
    void resizeSelfToParent();
    // How the next photos replace the shown one, by name: "fade", "moveIn",
    // "push", "reveal", a transition filter's name, or "No Transition Effect"
    // (any letter case) for at once. Unknown names fade, with a log line.
    void updateSubviewsWithTransition(const QString &name);
    // Shows the image through the transition; a null image empties the view.
    void transitionToImage(const QImage &image);
    // Hides or shows the current photo, later, on the main thread; any thread.
    void doHide(bool hide);
    // The aspect-fit frame of the image in the view's bounds; inRect is not used.
    QRectF computeMaxRectForImage(const QImage &image, const QRectF &inRect) const;

    bool usesOpenGL() const;
    const TransitionSettings &transition() const { return transition_; }
    bool hasCurrentImage() const { return hasImage_; }
    bool isCurrentImageHidden() const { return hasImage_ && hidden_; }
    QRectF currentImageFrame() const { return hasImage_ ? frame_ : QRectF(); }
    bool isTransitionRunning() const;
    // What the view shows now, drawn afresh.
    QImage grabFrame();
    const QImage &inputShadingImage() const { return images_.shading; }
    const QImage &inputMaskImage() const { return images_.mask; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void awakeFromNib(const Bundle &bundle);
    void installRenderer(Renderer choice);
    void fallBackToSoftware(const QString &reason);
    QString who() const;

    TransitionImages images_;
    TransitionSettings transition_;
    QImage image_;
    QRectF frame_;
    bool hasImage_ = false;
    bool hidden_ = false;
    SlideshowRenderer *renderer_ = nullptr; // owned as a child widget
    QPointer<QWidget> rendererWidget_;
};
