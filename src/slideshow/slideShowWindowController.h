#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

// One display: its window on screen `index` and, later, its slideshow loop.
class slideShowWindowController : public QObject
{
    Q_OBJECT
public:
    // initWithIndex: the controller of screen `index` (0-based, launch order).
    explicit slideShowWindowController(int index, QObject *parent = nullptr);
    ~slideShowWindowController() override;

    int screenIndex() const { return fScreenIndex; }
    QWidget *window() const { return window_.get(); }

    // Fits the display window to its screen.
    void resizeSelfToParent();
    void startSequence();

private:
    int fScreenIndex;
    std::unique_ptr<QWidget> window_;
};
