#include "slideshow/slideShowWindowController.h"

#include "platform/Log.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

slideShowWindowController::slideShowWindowController(int index, QObject *parent)
    : QObject(parent), fScreenIndex(index), window_(std::make_unique<QWidget>())
{
    window_->setWindowFlag(Qt::FramelessWindowHint);
    window_->setObjectName(QStringLiteral("slideShowWindow%1").arg(index + 1));
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, Qt::black);
    window_->setPalette(palette);
    window_->setAutoFillBackground(true);
}

slideShowWindowController::~slideShowWindowController() = default;

void slideShowWindowController::resizeSelfToParent()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (fScreenIndex < 0 || fScreenIndex >= screens.size()) {
        return;
    }
    QScreen *screen = screens.at(fScreenIndex);
    window_->setScreen(screen);
    window_->setGeometry(screen->geometry());
    window_->showFullScreen();
}

void slideShowWindowController::startSequence()
{
    OvraLog(QStringLiteral("slideShowWindowController->startSequence... screenIndex = [%1]")
                .arg(fScreenIndex));
}
