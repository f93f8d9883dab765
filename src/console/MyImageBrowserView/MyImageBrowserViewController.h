#pragma once

#include "console/MyImageBrowserView/MyImageBrowserObject.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class MyImageBrowserModel;
class MyImageBrowserView;
class NotificationCenter;
class Preferences;
class QAbstractButton;
class QAbstractSlider;
class QMimeData;
class QTimer;
struct Notification;
template <typename T> class QFutureWatcher;

namespace Ui {
class MyImageBrowserViewLayout;
}

// A reusable thumbnail browser: loads the layout "MyImageBrowserView" into a
// widget of its own (view()), which the embedding window puts in its holder.
// Photos are added on a worker thread; a newer request stops a running one
// and the newest of several overlapping requests wins.
//
// Settings are plain public members, read whenever they matter, so they may be
// changed at any time after construction.
//
// Notifications on the local centre: posts "concludeDragOperation" (every
// refresh), "objectdragged" (a drop from another browser) and
// "updateSelectionDidChangeCount"; observes "objectdragged". The object of
// each is the posting controller (a QObject *); "imagebrowser" and
// "dragsource" hold the grids (QObject *), "images" the destination's paths
// (QStringList).
class MyImageBrowserViewController : public QObject
{
    Q_OBJECT
public:
    // prefs and center default to the process-wide ones.
    explicit MyImageBrowserViewController(QWidget *parent = nullptr, Preferences *prefs = nullptr,
                                          NotificationCenter *center = nullptr);
    ~MyImageBrowserViewController() override;

    // The loaded layout, parented to the constructor's parent.
    QWidget *view() const;
    MyImageBrowserView *imageBrowser() const;
    MyImageBrowserModel *model() const { return fModel; }

    // The items in display order. After changing the list directly, call
    // updateDatasource(). Not to be changed while isAddingImages().
    QList<MyImageBrowserObject> &images();
    const QList<MyImageBrowserObject> &images() const;

    // Rows and columns that fill the visible area; 0 means no fitting.
    int row = 0;
    int col = 0;
    // The grid accepts dropped files.
    bool fAllowDrop = true;
    // The grid lets its items be dragged to new positions.
    bool fAllowsReordering = false;
    // Items added from now on can be selected.
    bool fAllowItemSelection = true;

    // Replaces the content with these files and folders' photos, on a worker.
    void addImages(const QStringList &paths);
    void removeImages();
    void adjustCellSize();
    // Redraws the grid from images() and posts "concludeDragOperation".
    void updateDatasource();

    // The grid's zoom, 0..1 of the slider's range.
    void zoomSliderDidChange(QAbstractSlider *sender);
    double zoomValue() const { return fZoomValue; }
    // Empties the browser when the button's alternate title (the dynamic
    // property "alternateTitle") is "button2" or "button3", ignoring case.
    void doButton2(QAbstractButton *sender);

    static bool isImageFile(const QString &path);
    bool isAddingImages() const { return finsideAddingImages; }
    // How long a new request waits for a running add to stop (30 s).
    void setStopWaitTimeout(int milliseconds) { fStopWaitTimeout = milliseconds; }
    // Which files may become items (readable, not a folder, an image); called
    // on the adding worker too, so it must be thread-safe.
    void setAddableImageTest(std::function<bool(const QString &)> test)
    {
        fIsAddableImage = std::move(test);
    }

    // Data source and drop target of the grid, called by MyImageBrowserView.
    bool moveItemsAtIndexes(const QList<int> &indexes, int toIndex);
    bool removeItemsAtIndexes(const QList<int> &indexes);
    Qt::DropAction draggingEntered(const QMimeData *data) const;
    bool performDragOperation(const QMimeData *data, int dropIndex);
    void concludeDragOperation(QObject *dragSource);
    void imageBrowserSelectionDidChange();
    void cellWasDoubleClickedAtIndex(int index);

signals:
    void selectionDidChange();
    // An add ended (finished, stopped, or its list was dropped).
    void addingFinished();

private:
    void startAdding(const QStringList &paths);
    void addingDidEnd(quint64 generation);
    void stopWaitTimedOut();
    void acceptAddedPaths(quint64 generation, const QStringList &paths);
    bool canAppend(const QString &path) const;
    void handleObjectDraggedNotification(const Notification &notification);
    void postConcludeDragOperation();
    void applyCellSize(QSize cell, int textHeight = -1);

    std::unique_ptr<Ui::MyImageBrowserViewLayout> fUi;
    QPointer<QWidget> fView;
    MyImageBrowserModel *fModel = nullptr;
    Preferences *fPrefs = nullptr;
    NotificationCenter *fCenter = nullptr;

    // Adding state; touched on the GUI thread only. The worker sees its own
    // stop flag, so a withdrawn or new request never reaches the wrong run.
    bool finsideAddingImages = false;
    bool fNeedToStop = false;
    std::shared_ptr<std::atomic_bool> fStopFlag;
    quint64 fGeneration = 0;
    QFutureWatcher<QString> *fWatcher = nullptr;
    bool fHasPendingList = false;
    QStringList fPendingList;
    QStringList fAddedFromList;
    QTimer *fStopWaitTimer = nullptr;
    int fStopWaitTimeout = 30000;
    std::function<bool(const QString &)> fIsAddableImage;
    double fZoomValue = 0.5;
    bool fFitting = false;
};
