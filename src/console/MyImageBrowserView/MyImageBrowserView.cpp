#include "console/MyImageBrowserView/MyImageBrowserView.h"

#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/Beep.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Room for a title: 12-point, bold when selected, with a little air.
int titleHeightFor(QFont font)
{
    font.setPointSize(12);
    font.setBold(true);
    return QFontMetrics(font).height() + 4;
}

// Titles in white, centred, cut at the tail; the selected cell's title bold.
class TitleDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        option->textElideMode = Qt::ElideRight;
        option->font.setPointSize(12);
        option->font.setBold(option->state.testFlag(QStyle::State_Selected));
        option->palette.setColor(QPalette::Text, Qt::white);
        option->palette.setColor(QPalette::HighlightedText, Qt::white);
    }

    // Every cell is the icon plus its title, whether or not the thumbnail has
    // arrived: the view keeps the first cell's size for all of them.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        Q_UNUSED(index);
        return QSize(option.decorationSize.width(),
                     option.decorationSize.height() + titleHeightFor(option.font));
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (option.state.testFlag(QStyle::State_Selected)) {
            painter->save();
            painter->setPen(QPen(QColor(0, 0, 255), 2));
            painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
            painter->restore();
        }
    }
};

bool isArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

MyImageBrowserView::MyImageBrowserView(QWidget *parent) : QListView(parent)
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    // Drags arrive at the viewport, and a static icon view keeps it closed to
    // them: without this every drop from the other grid is refused.
    viewport()->setAcceptDrops(true);
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
    setSpacing(0);
    setIconSize(QSize(160, 120));
    setGridSize(QSize(168, 120 + titleHeight()));
    setItemDelegate(new TitleDelegate(this));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);

    QPalette colours = palette();
    const QColor darkGrey(64, 64, 64);
    colours.setColor(QPalette::Base, darkGrey);
    colours.setColor(QPalette::Window, darkGrey);
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::Highlight, QColor(0, 0, 255));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);
    viewport()->setAutoFillBackground(true);
}

int MyImageBrowserView::dropIndexAt(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    if (index.isValid()) {
        return index.row();
    }
    return model() ? model()->rowCount() : 0;
}

void MyImageBrowserView::keyPressEvent(QKeyEvent *event)
{
    if (isArrowKey(event->key())) {
        OvraBeep();
        event->accept();
        return;
    }
    if (fController && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
        QList<int> rows;
        for (const QModelIndex &index : selectedIndexes()) {
            rows.append(index.row());
        }
        fController->removeItemsAtIndexes(rows);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

int MyImageBrowserView::titleHeight() const
{
    return titleHeightFor(font());
}

void MyImageBrowserView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    emit visibleSizeChanged();
}

void MyImageBrowserView::paintEvent(QPaintEvent *event)
{
    const QRect visible(QPoint(horizontalOffset(), verticalOffset()), viewport()->size());
    if (visible != fLastVisibleRect) {
        const bool resized = visible.size() != fLastVisibleRect.size();
        fLastVisibleRect = visible;
        if (resized) {
            // Fitting changes the layout, which must not happen mid-paint.
            QMetaObject::invokeMethod(this, &MyImageBrowserView::visibleSizeChanged,
                                      Qt::QueuedConnection);
        }
    }
    QListView::paintEvent(event);
}

void MyImageBrowserView::startDrag(Qt::DropActions supportedActions)
{
    QModelIndexList indexes;
    for (const QModelIndex &index : selectedIndexes()) {
        if (index.flags().testFlag(Qt::ItemIsDragEnabled)) {
            indexes.append(index);
        }
    }
    if (indexes.isEmpty() || !model()) {
        return;
    }
    // The source gives its photos up when the destination reports the move
    // ("objectdragged"), not when the drag ends, so nothing is removed here.
    auto *drag = new QDrag(this);
    drag->setMimeData(model()->mimeData(indexes));
    const QPixmap thumbnail = indexes.first().data(Qt::DecorationRole).value<QPixmap>();
    if (!thumbnail.isNull()) {
        drag->setPixmap(thumbnail.scaled(96, 96, Qt::KeepAspectRatio));
    }
    drag->exec(supportedActions, Qt::MoveAction);
}

void MyImageBrowserView::dragEnterEvent(QDragEnterEvent *event)
{
    answerDrag(event);
}

void MyImageBrowserView::dragMoveEvent(QDragMoveEvent *event)
{
    answerDrag(event);
}

// Enter and move get the same answer; a move event is no enter event, so the
// shared part takes the common base.
void MyImageBrowserView::answerDrag(QDragMoveEvent *event)
{
    if (!fController) {
        event->ignore();
        return;
    }
    if (event->source() == this) {
        if (fController->fAllowsReordering) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    const Qt::DropAction action = fController->draggingEntered(event->mimeData());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void MyImageBrowserView::dropEvent(QDropEvent *event)
{
    if (!fController) {
        event->ignore();
        return;
    }
    const int dropIndex = dropIndexAt(event->position().toPoint());
    if (event->source() == this) {
        if (!fController->fAllowsReordering) {
            event->ignore();
            return;
        }
        QList<int> rows;
        for (const QModelIndex &index : selectedIndexes()) {
            rows.append(index.row());
        }
        fController->moveItemsAtIndexes(rows, dropIndex);
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    if (!fController->performDragOperation(event->mimeData(), dropIndex)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    fController->concludeDragOperation(event->source());
}
