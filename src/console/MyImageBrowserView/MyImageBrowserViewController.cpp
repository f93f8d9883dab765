#include "console/MyImageBrowserView/MyImageBrowserViewController.h"

#include "console/MyImageBrowserView/MyImageBrowserAdding.h"
#include "console/MyImageBrowserView/MyImageBrowserModel.h"
#include "console/MyImageBrowserView/MyImageBrowserReorder.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "platform/ThreadHandoff.h"
#include "shell/CommonHeader.h"
#include "support/ImageFiles.h"
#include "ui_MyImageBrowserView.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPromise>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

namespace {
const QString kClassName = QStringLiteral("MyImageBrowserViewController");
} // namespace

MyImageBrowserViewController::MyImageBrowserViewController(QWidget *parent, Preferences *prefs,
                                                           NotificationCenter *center)
    : QObject(parent), fUi(std::make_unique<Ui::MyImageBrowserViewLayout>()),
      fPrefs(prefs ? prefs : Preferences::standardUserDefaults()),
      fCenter(center ? center : NotificationCenter::defaultCenter()),
      fStopFlag(std::make_shared<std::atomic_bool>(false)), fIsAddableImage(isAddableImageFile)
{
    fView = new QWidget(parent);
    fUi->setupUi(fView);
    fModel = new MyImageBrowserModel(this);

    MyImageBrowserView *grid = imageBrowser();
    grid->setController(this);
    grid->setModel(fModel);
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MyImageBrowserViewController::imageBrowserSelectionDidChange);
    connect(grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { cellWasDoubleClickedAtIndex(index.row()); });
    connect(grid, &MyImageBrowserView::visibleSizeChanged, this,
            &MyImageBrowserViewController::adjustCellSize);

    fStopWaitTimer = new QTimer(this);
    fStopWaitTimer->setSingleShot(true);
    connect(fStopWaitTimer, &QTimer::timeout, this,
            &MyImageBrowserViewController::stopWaitTimedOut);

    fCenter->addObserver(this, kObjectDragged, [this](const Notification &notification) {
        handleObjectDraggedNotification(notification);
    });
}

MyImageBrowserViewController::~MyImageBrowserViewController()
{
    fCenter->removeObserver(this);
    // The worker holds its own copies; it only needs to be told to end.
    fStopFlag->store(true);
    delete fView;
}

QWidget *MyImageBrowserViewController::view() const
{
    return fView;
}

MyImageBrowserView *MyImageBrowserViewController::imageBrowser() const
{
    return fUi->imageBrowser;
}

QList<MyImageBrowserObject> &MyImageBrowserViewController::images()
{
    return fModel->items();
}

const QList<MyImageBrowserObject> &MyImageBrowserViewController::images() const
{
    return fModel->items();
}

bool MyImageBrowserViewController::isImageFile(const QString &path)
{
    return ::isImageFile(path);
}

void MyImageBrowserViewController::addImages(const QStringList &paths)
{
    fPrefs->setObject(kNoPhotoSelected, kPrefCurrentPathForIKImageView);
    if (!finsideAddingImages) {
        images().clear();
        startAdding(paths);
        return;
    }
    // The newest request replaces any that is still waiting, and the wait
    // starts again for it.
    fPendingList = paths;
    fHasPendingList = true;
    fNeedToStop = true;
    fStopFlag->store(true);
    fStopWaitTimer->start(fStopWaitTimeout);
}

void MyImageBrowserViewController::startAdding(const QStringList &paths)
{
    ++fGeneration;
    const quint64 generation = fGeneration;
    fStopFlag = std::make_shared<std::atomic_bool>(false);
    fNeedToStop = false;
    finsideAddingImages = true;
    fAddedFromList = paths;
    updateDatasource();

    auto *watcher = new QFutureWatcher<QString>(this);
    fWatcher = watcher;
    connect(watcher, &QFutureWatcher<QString>::resultsReadyAt, this,
            [this, watcher, generation](int begin, int end) {
                QStringList found;
                for (int i = begin; i < end; ++i) {
                    found.append(watcher->resultAt(i));
                }
                acceptAddedPaths(generation, found);
            });
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        addingDidEnd(generation);
    });
    // A promise of our own rather than QtConcurrent::run: the run's task
    // object is then built where the hand-over to the pool can be stated.
    auto promise = std::make_shared<QPromise<QString>>();
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start(
        ThreadHandoff::handedOver([promise, paths, stop = fStopFlag, isAddable = fIsAddableImage] {
            collectImagesToAdd(*promise, paths, stop, isAddable);
            promise->finish();
        }));
}

void MyImageBrowserViewController::acceptAddedPaths(quint64 generation, const QStringList &paths)
{
    // A run that was asked to stop shows nothing more: its content is about
    // to be replaced, or was removed.
    if (generation != fGeneration || fNeedToStop) {
        return;
    }
    QList<MyImageBrowserObject> accepted;
    for (const QString &path : paths) {
        if (!canAppend(path) || std::any_of(accepted.cbegin(), accepted.cend(), [&](auto &item) {
                return item.path.compare(path, Qt::CaseInsensitive) == 0;
            })) {
            OvraLogf(kLogImageBrowserDuplicate, kClassName, QStringLiteral("addImages"), path);
            continue;
        }
        accepted.append(MyImageBrowserObject(path, int(images().size() + accepted.size()) + 1,
                                             fAllowItemSelection));
    }
    fModel->insertItems(int(images().size()), accepted);
}

bool MyImageBrowserViewController::canAppend(const QString &path) const
{
    return !fModel->containsPath(path);
}

void MyImageBrowserViewController::addingDidEnd(quint64 generation)
{
    if (generation != fGeneration) {
        return;
    }
    fWatcher = nullptr;
    finsideAddingImages = false;
    const bool wasStopped = std::exchange(fNeedToStop, false);
    if (fHasPendingList) {
        fStopWaitTimer->stop();
        fHasPendingList = false;
        images().clear();
        fModel->reload();
        startAdding(std::exchange(fPendingList, QStringList()));
        return;
    }
    if (!wasStopped && !fAddedFromList.isEmpty() && images().isEmpty()) {
        OvraLogf(kLogImageBrowserNothingAdded, kClassName, QStringLiteral("addImages"),
                 QString::number(fAddedFromList.size()));
    }
    postConcludeDragOperation();
    emit addingFinished();
}

void MyImageBrowserViewController::stopWaitTimedOut()
{
    if (!fHasPendingList) {
        return;
    }
    OvraLog(kLogImageBrowserTimedOut);
    fNeedToStop = false;
    fStopFlag->store(false);
    fHasPendingList = false;
    fPendingList.clear();
    emit addingFinished();
}

void MyImageBrowserViewController::removeImages()
{
    if (finsideAddingImages) {
        // Whatever the running add still finds would refill the browser.
        fNeedToStop = true;
        fStopFlag->store(true);
        fHasPendingList = false;
        fPendingList.clear();
        fStopWaitTimer->stop();
    }
    images().clear();
    updateDatasource();
}

void MyImageBrowserViewController::updateDatasource()
{
    fModel->reload();
    postConcludeDragOperation();
}

void MyImageBrowserViewController::postConcludeDragOperation()
{
    fCenter->postNotificationName(
        kConcludeDragOperation, QVariant::fromValue<QObject *>(this),
        {{kKeyImageBrowser, QVariant::fromValue<QObject *>(imageBrowser())}});
}

void MyImageBrowserViewController::doButton2(QAbstractButton *sender)
{
    if (!sender) {
        return;
    }
    const QString title = sender->property(kAlternateTitleProperty).toString();
    if (title.compare(kAlternateTitleButton2, Qt::CaseInsensitive) == 0 ||
        title.compare(kAlternateTitleButton3, Qt::CaseInsensitive) == 0) {
        removeImages();
    }
}

bool MyImageBrowserViewController::moveItemsAtIndexes(const QList<int> &indexes, int toIndex)
{
    ::moveItemsAtIndexes(images(), indexes, toIndex);
    updateDatasource();
    return true;
}

bool MyImageBrowserViewController::removeItemsAtIndexes(const QList<int> &indexes)
{
    Q_UNUSED(indexes);
    OvraBeep();
    return false;
}

Qt::DropAction MyImageBrowserViewController::draggingEntered(const QMimeData *data) const
{
    Q_UNUSED(data);
    return fAllowDrop ? Qt::MoveAction : Qt::IgnoreAction;
}

bool MyImageBrowserViewController::performDragOperation(const QMimeData *data, int dropIndex)
{
    if (!fAllowDrop) {
        return false;
    }
    if (data && data->hasUrls()) {
        QList<MyImageBrowserObject> accepted;
        const QList<QUrl> urls = data->urls();
        for (const QUrl &url : urls) {
            if (!url.isLocalFile()) {
                continue;
            }
            const QString path = url.toLocalFile();
            const bool present = fModel->containsPath(path) ||
                                 std::any_of(accepted.cbegin(), accepted.cend(), [&](auto &item) {
                                     return item.path.compare(path, Qt::CaseInsensitive) == 0;
                                 });
            if (present) {
                OvraLogf(kLogImageBrowserDuplicate, kClassName,
                         QStringLiteral("performDragOperation"), path);
                continue;
            }
            if (fIsAddableImage(path)) {
                accepted.append(MyImageBrowserObject(path, 0, fAllowItemSelection));
            }
        }
        fModel->insertItems(std::clamp(dropIndex, 0, int(images().size())), accepted);
    }
    return !images().isEmpty();
}

void MyImageBrowserViewController::concludeDragOperation(QObject *dragSource)
{
    updateDatasource();
    if (!dragSource || dragSource == imageBrowser()) {
        return;
    }
    QStringList paths;
    for (const MyImageBrowserObject &item : images()) {
        paths.append(item.path);
    }
    fCenter->postNotificationName(
        kObjectDragged, QVariant::fromValue<QObject *>(this),
        {{kKeyImageBrowser, QVariant::fromValue<QObject *>(imageBrowser())},
         {kKeyImages, paths},
         {kKeyDragSource, QVariant::fromValue(dragSource)}});
}

void MyImageBrowserViewController::handleObjectDraggedNotification(const Notification &notification)
{
    if (notification.userInfo.value(kKeyDragSource).value<QObject *>() != imageBrowser()) {
        return;
    }
    QSet<QString> moved;
    const QStringList paths = notification.userInfo.value(kKeyImages).toStringList();
    for (const QString &path : paths) {
        moved.insert(path.toLower());
    }
    images().removeIf(
        [&moved](const MyImageBrowserObject &item) { return moved.contains(item.path.toLower()); });
    updateDatasource();
}

void MyImageBrowserViewController::imageBrowserSelectionDidChange()
{
    fCenter->postNotificationName(kUpdateSelectionDidChangeCount,
                                  QVariant::fromValue<QObject *>(this));
    emit selectionDidChange();
    const QModelIndexList selected = imageBrowser()->selectionModel()->selectedIndexes();
    int last = -1;
    for (const QModelIndex &index : selected) {
        last = std::max(last, index.row());
    }
    if (last < 0 || last >= images().size()) {
        return;
    }
    const QString path = images().at(last).path;
    if (!path.isEmpty()) {
        fPrefs->setObject(QFileInfo(path).fileName(), kPrefCurrentPathForIKImageView);
        fPrefs->setObject(path, kPrefCurrentFullPathForIKImageView);
    }
}

void MyImageBrowserViewController::cellWasDoubleClickedAtIndex(int index)
{
    if (index >= 0 && index < images().size()) {
        OvraLogf(kLogImageBrowserDoubleClick, kClassName,
                 QStringLiteral("cellWasDoubleClickedAtIndex"), images().at(index).path);
    }
}
