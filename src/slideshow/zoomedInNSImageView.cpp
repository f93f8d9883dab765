#include "slideshow/zoomedInNSImageView.h"

#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "slideshow/AspectFit.h"

#include <QMouseEvent>
#include <QPainter>

zoomedInNSImageView::zoomedInNSImageView(QWidget *parent, NotificationCenter *center)
    : QWidget(parent), center_(center ? center : NotificationCenter::defaultCenter())
{}

void zoomedInNSImageView::setImage(const QImage &image)
{
    image_ = image;
    update();
}

QRectF zoomedInNSImageView::imageRect() const
{
    return proportionalRect(image_.size(), QRectF(rect()));
}

void zoomedInNSImageView::resizeSelfToParent()
{
    QWidget *host = window();
    if (host == this) {
        return;
    }
    setGeometry(QRect(QPoint(0, 0), host->frameGeometry().size()));
}

void zoomedInNSImageView::mousePressEvent(QMouseEvent *event)
{
    center_->postNotificationName(kCloseZoomedInWindow);
    QWidget::mousePressEvent(event);
}

void zoomedInNSImageView::paintEvent(QPaintEvent *)
{
    if (image_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(imageRect(), image_);
}
