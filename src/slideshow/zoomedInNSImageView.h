#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

class NotificationCenter;

// The plain photo view of a display without transitions: the image scaled
// proportionally up or down and centred. A click asks for the zoomed-in
// window to close ("CloseZoomedInWindow").
class zoomedInNSImageView : public QWidget
{
    Q_OBJECT
public:
    // center: where the click is posted; the default centre when none.
    explicit zoomedInNSImageView(QWidget *parent = nullptr, NotificationCenter *center = nullptr);

    void setImage(const QImage &image);
    QImage image() const { return image_; }
    // Where the image is drawn.
    QRectF imageRect() const;
    // Frame (0, 0, W, H) of the window's frame size.
    void resizeSelfToParent();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    NotificationCenter *center_;
    QImage image_;
};
