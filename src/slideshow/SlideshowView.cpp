#include "slideshow/SlideshowView.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "slideshow/AspectFit.h"
#include "slideshow/GLSlideshowWidget.h"
#include "slideshow/OpenGLProbe.h"
#include "slideshow/SoftwareSlideshowWidget.h"

#include <QGuiApplication>
#include <QResizeEvent>

namespace {

QString describe(const QRectF &r)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

} // namespace

SlideshowView::SlideshowView(QWidget *parent, Renderer renderer)
    : SlideshowView(parent, renderer, Bundle::mainBundle())
{}

SlideshowView::SlideshowView(QWidget *parent, Renderer renderer, const Bundle &bundle)
    : QWidget(parent)
{
    transition_ = transitionSettingsFor(kNoTransitionEffect, QRectF(rect()));
    installRenderer(renderer);
    awakeFromNib(bundle);
}

SlideshowView::~SlideshowView() = default;

QString SlideshowView::who() const
{
    return QString::fromLatin1(metaObject()->className());
}

void SlideshowView::awakeFromNib(const Bundle &bundle)
{
    images_ = TransitionImages::load(bundle);
    renderer_->setEffectImages(images_.shading, images_.mask);
    resizeSelfToParent();
}

void SlideshowView::installRenderer(Renderer choice)
{
    QString reason;
    const bool gl = choice != Renderer::Software && openGLUsable(&reason);
    if (choice != Renderer::Software && !gl) {
        OvraLog(kLogOpenGLUnavailable.arg(who(), QGuiApplication::platformName(), reason));
    }
    if (gl) {
        auto *widget = new GLSlideshowWidget(this);
        connect(widget, &GLSlideshowWidget::failed, this, &SlideshowView::fallBackToSoftware);
        renderer_ = widget;
    } else {
        renderer_ = new SoftwareSlideshowWidget(this);
    }
    rendererWidget_ = renderer_->widget();
    rendererWidget_->setGeometry(rect());
    rendererWidget_->show();
}

void SlideshowView::fallBackToSoftware(const QString &reason)
{
    OvraLog(kLogOpenGLFailed.arg(who(), reason));
    if (rendererWidget_) {
        rendererWidget_->hide();
        rendererWidget_->deleteLater();
    }
    installRenderer(Renderer::Software);
    renderer_->setEffectImages(images_.shading, images_.mask);
    renderer_->showImage(hasImage_ ? image_ : QImage(), frame_, TransitionSettings());
    renderer_->setCurrentHidden(hidden_);
}

bool SlideshowView::usesOpenGL() const
{
    return renderer_ && renderer_->isOpenGL();
}

bool SlideshowView::isTransitionRunning() const
{
    return renderer_ && renderer_->isTransitionRunning();
}

QImage SlideshowView::grabFrame()
{
    return renderer_ ? renderer_->grabFrame() : QImage();
}

void SlideshowView::resizeSelfToParent()
{
    QWidget *host = window();
    if (host == this) {
        return; // a view on its own is its window's frame already
    }
    setGeometry(QRect(QPoint(0, 0), host->frameGeometry().size()));
}

void SlideshowView::resizeEvent(QResizeEvent *event)
{
    if (rendererWidget_) {
        rendererWidget_->setGeometry(rect());
    }
    // The photo's frame keeps its margins and stretches with the view.
    if (hasImage_ && event->oldSize().isValid()) {
        const QSize delta = event->size() - event->oldSize();
        frame_.setWidth(qMax(0.0, frame_.width() + delta.width()));
        frame_.setHeight(qMax(0.0, frame_.height() + delta.height()));
        renderer_->setCurrentFrame(frame_);
    }
    QWidget::resizeEvent(event);
}

void SlideshowView::updateSubviewsWithTransition(const QString &name)
{
    transition_ = transitionSettingsFor(name, QRectF(rect()), images_.mask.size());
    if (transition_.kind == TransitionKind::None) {
        OvraLog(kLogNoTransitionEffectSet.arg(who()));
    } else if (!transition_.knownName) {
        OvraLog(kLogUnknownTransition.arg(who(), name));
    } else if (!usesOpenGL() && !isBasicTransition(transition_.kind)) {
        OvraLog(kLogTransitionNeedsOpenGL.arg(who(), name));
    }
}

QRectF SlideshowView::computeMaxRectForImage(const QImage &image, const QRectF &inRect) const
{
    Q_UNUSED(inRect);
    return computeMaxRect(image.size(), QRectF(rect()));
}

void SlideshowView::transitionToImage(const QImage &image)
{
    const QRectF bounds(rect());
    if (image.isNull()) {
        OvraLog(kLogTransitionToNoImage.arg(who(), describe(bounds)));
        hasImage_ = false;
        image_ = QImage();
        frame_ = QRectF();
    } else {
        frame_ = computeMaxRectForImage(image, bounds);
        OvraLog(kLogTransitionToImage.arg(who(), describe(bounds), describe(frame_)));
        hasImage_ = true;
        image_ = image;
    }
    hidden_ = false;
    renderer_->showImage(image_, frame_, transition_);
}

void SlideshowView::doHide(bool hide)
{
    QMetaObject::invokeMethod(
        this,
        [this, hide] {
            // Passed on without a photo too: the OpenGL renderer then gives
            // way to the plain image view under it.
            hidden_ = hide;
            renderer_->setCurrentHidden(hide);
        },
        Qt::QueuedConnection);
}
