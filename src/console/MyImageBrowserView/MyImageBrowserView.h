#pragma once

#include <QListView>
#include <QRect>

class MyImageBrowserViewController;

// The thumbnail grid: a list view in icon mode. Drops and reordering are
// decided by its controller; arrow keys and deletion are refused with a beep.
class MyImageBrowserView : public QListView
{
    Q_OBJECT
public:
    explicit MyImageBrowserView(QWidget *parent = nullptr);

    // Height of a cell's title line, below its thumbnail.
    int titleHeight() const;

    // Set by the controller that loads the layout.
    void setController(MyImageBrowserViewController *controller) { fController = controller; }
    MyImageBrowserViewController *controller() const { return fController; }

    // The row a drop at pos lands on: the cell under it, or the end.
    int dropIndexAt(const QPoint &pos) const;
    QRect lastVisibleRect() const { return fLastVisibleRect; }

signals:
    // The visible size changed: the cells are fitted again.
    void visibleSizeChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void answerDrag(QDragMoveEvent *event);

    MyImageBrowserViewController *fController = nullptr;
    QRect fLastVisibleRect;
};
