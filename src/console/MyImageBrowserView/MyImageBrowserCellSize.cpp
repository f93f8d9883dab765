// Cell fitting and zoom of the image browser.
#include "console/MyImageBrowserView/MyImageBrowserModel.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"

#include <QAbstractSlider>
#include <QScrollBar>

namespace {
// Room between cells across; cells touch top to bottom.
constexpr int kSpacingAcross = 8;
constexpr int kSmallestZoomedSide = 48;
constexpr int kLargestZoomedSide = 512;
} // namespace

void MyImageBrowserViewController::adjustCellSize()
{
    if (row <= 0 || col <= 0) {
        return;
    }
    MyImageBrowserView *grid = imageBrowser();
    // Changing the scroll bars resizes the viewport, which asks again.
    if (fFitting) {
        return;
    }
    fFitting = true;
    grid->setFlow(QListView::LeftToRight);
    if (row == 1) {
        grid->setWrapping(false);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        fZoomValue = 1.0;
    } else {
        grid->setWrapping(true);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    const QSize bounds = grid->viewport()->size();
    const int width = bounds.width();
    const int height = bounds.height();
    const QSize cell = row == 1 ? QSize(width / col, height)
                                : QSize((width - 20 * col) / col, (height - 28 * row) / row);
    applyCellSize(cell);
    fFitting = false;
}

void MyImageBrowserViewController::zoomSliderDidChange(QAbstractSlider *sender)
{
    if (!sender) {
        return;
    }
    const int range = sender->maximum() - sender->minimum();
    fZoomValue = range > 0 ? double(sender->value() - sender->minimum()) / range : 0.0;
    const int side =
        kSmallestZoomedSide + int(fZoomValue * (kLargestZoomedSide - kSmallestZoomedSide));
    const int textHeight = imageBrowser()->titleHeight();
    applyCellSize(QSize(side + kSpacingAcross, side * 3 / 4 + textHeight), textHeight);
}

void MyImageBrowserViewController::applyCellSize(QSize cell, int textHeight)
{
    MyImageBrowserView *grid = imageBrowser();
    if (textHeight < 0) {
        textHeight = grid->titleHeight();
    }
    cell = cell.expandedTo(QSize(kSpacingAcross + 16, textHeight + 16));
    const QSize icon(cell.width() - kSpacingAcross, cell.height() - textHeight);
    grid->setGridSize(cell);
    grid->setIconSize(icon);
    fModel->setThumbnailSize(icon);
    grid->viewport()->update();
}
