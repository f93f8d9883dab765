#include "slideshow/borderlessWindow.h"

#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

borderlessWindow::borderlessWindow(const QRect &contentRect, QWidget *parent)
    : borderlessWindow(contentRect, BackgroundPatternSources::standard(), parent)
{}

borderlessWindow::borderlessWindow(const QRect &contentRect,
                                   const BackgroundPatternSources &sources, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
{
    if (contentRect.isValid()) {
        setGeometry(contentRect);
    }
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::darkGray);
    setPalette(palette);
    fCanDragWindow = sources.store && sources.store->boolForKey(kPrefDoShowMenuBar);
    pattern_ = findBackgroundPattern(sources);
    if (pattern_.image.isNull()) {
        palette.setColor(QPalette::Window, Qt::black);
    } else {
        palette.setBrush(QPalette::Window, QBrush(pattern_.image));
    }
    setPalette(palette);
}

void borderlessWindow::awakeFromNib()
{
    makeKeyAndOrderFront();
}

void borderlessWindow::makeKeyAndOrderFront()
{
    show();
    raise();
    activateWindow();
}

void borderlessWindow::coverScreen(QScreen *screen)
{
    if (!screen) {
        return;
    }
    setScreen(screen);
    // Without a window manager nothing would move the window onto its screen;
    // with one, the place tells it which monitor the full screen is on.
    // Wayland places windows itself.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        setGeometry(screen->geometry());
    }
    showFullScreen();
}

QPoint borderlessWindow::constrainedOrigin(QPoint proposed, const QRect &mainScreenFrame)
{
    if (proposed.y() < mainScreenFrame.top()) {
        proposed.setY(mainScreenFrame.top());
    }
    return proposed;
}

void borderlessWindow::mousePressEvent(QMouseEvent *event)
{
    fInitialLocation = event->globalPosition() - QPointF(frameGeometry().topLeft());
    QWidget::mousePressEvent(event);
}

void borderlessWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!fCanDragWindow) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint proposed = (event->globalPosition() - fInitialLocation).toPoint();
    QScreen *main = QGuiApplication::primaryScreen();
    move(main ? constrainedOrigin(proposed, main->geometry()) : proposed);
}

void borderlessWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

void borderlessWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        const QString who = QString::fromLatin1(metaObject()->className());
        OvraLog(kLogWindowDidResignKey.arg(who));
        OvraLog(kLogWindowDidResignMain.arg(who));
    }
    QWidget::changeEvent(event);
}
