#pragma once

#include "slideshow/BackgroundPattern.h"

#include <QPointF>
#include <QRect>
#include <QWidget>

class QScreen;

// A display window: frameless, yet able to become the active window so that
// the scanner's keystrokes reach the application; a tiled background pattern
// wherever no photo covers it; dragged by its content while the menu bar was
// shown at creation (a set-up aid).
class borderlessWindow : public QWidget
{
    Q_OBJECT
public:
    // initWithContentRect: frameless whatever is asked; looks for the pattern
    // at once.
    borderlessWindow(const QRect &contentRect, const BackgroundPatternSources &sources,
                     QWidget *parent = nullptr);
    explicit borderlessWindow(const QRect &contentRect = QRect(), QWidget *parent = nullptr);

    void awakeFromNib();
    void makeKeyAndOrderFront();
    bool canBecomeKeyWindow() const { return true; }
    // Full screen on that screen, on X11 and on Wayland alike.
    void coverScreen(QScreen *screen);

    bool canDragWindow() const { return fCanDragWindow; }
    QPointF initialLocation() const { return fInitialLocation; }
    const BackgroundPattern &backgroundPattern() const { return pattern_; }

    // Where a drag to `proposed` puts a window of that size: never with its top
    // above the main screen's top.
    static QPoint constrainedOrigin(QPoint proposed, const QRect &mainScreenFrame);

signals:
    // Its size changed (by the program, the window manager or the operator).
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool fCanDragWindow = false;
    QPointF fInitialLocation;
    BackgroundPattern pattern_;
};
