#include "StderrCapture.h"
#include "TestHarness.h"
#include "TestSupport.h"
#include "console/MyImageBrowserView/MyImageBrowserAdding.h"
#include "console/MyImageBrowserView/MyImageBrowserModel.h"
#include "console/MyImageBrowserView/MyImageBrowserReorder.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QMimeData>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

// Guards the photo browser: it shows a folder's photos once each, newest request winning, keeps
// the operator's order on drops and moves, and fits thumbnails to its cells.
class TestMyImageBrowserViewController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
        fPrefs = std::make_unique<Preferences>(QString());
        fCenter = std::make_unique<NotificationCenter>();
        fWindow = std::make_unique<QWidget>();
    }
    void cleanup()
    {
        fWindow.reset();
        fCenter.reset();
        fPrefs.reset();
        fDir.reset();
    }

    void addingAFolderAddsItsPhotosOnly()
    {
        const QString folder = makeFolder(u"code"_s, 2);
        writePhoto(folder + u"/.hidden.jpg"_s);
        QVERIFY(QDir(folder).mkdir(u"sub"_s));
        writePhoto(folder + u"/sub/deeper.jpg"_s);
        QVERIFY(TestSupport::writeFile(folder + u"/notes.txt"_s, "not a photo"));
        fPrefs->setObject(u"old.jpg"_s, kPrefCurrentPathForIKImageView);

        auto *browser = makeBrowser();
        QVERIFY(addAndWait(*browser, {folder}));

        QCOMPARE(names(*browser),
                 (QStringList{u".hidden.jpg"_s, u"code_000.jpg"_s, u"code_001.jpg"_s}));
        QCOMPARE(browser->images().at(1).imageTitle(), u"code_000"_s);
        QCOMPARE(browser->images().at(2).index, 3);
        QCOMPARE(browser->model()->rowCount(), 3);
        QCOMPARE(fPrefs->stringForKey(kPrefCurrentPathForIKImageView), kNoPhotoSelected);
    }

    void sameFileInCapitalsIsKeptOnce_data()
    {
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("two paths") << false;
        QTest::newRow("one folder") << true;
    }
    void sameFileInCapitalsIsKeptOnce()
    {
        QFETCH(bool, asFolder);
        const QString folder = makeFolder(u"dup"_s, 0);
        const QString lower = folder + u"/photo.jpg"_s;
        const QString upper = folder + u"/PHOTO.JPG"_s;
        writePhoto(lower);
        writePhoto(upper);

        auto *browser = makeBrowser();
        QVERIFY(addAndWait(*browser, asFolder ? QStringList{folder} : QStringList{lower, upper}));
        QCOMPARE(browser->images().size(), 1);

        // A drop of the twin is refused too.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(
            browser->images().first().path.compare(lower) == 0 ? upper : lower)});
        browser->performDragOperation(&data, 0);
        QCOMPARE(browser->images().size(), 1);
    }

    void overlappingRequestsNewestWins()
    {
        const int requests = 3; // the first one long, the middle one superseded at once
        QStringList folders;
        for (int i = 0; i < requests; ++i) {
            folders.append(makeFolder(u"code%1"_s.arg(i), i == 0 ? 60 : 5));
        }
        auto *browser = makeBrowser();
        // Whatever the grid shows at any moment comes from one request.
        int mixed = 0;
        connect(browser->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            QSet<QString> parents;
            for (const MyImageBrowserObject &item : browser->images()) {
                parents.insert(QFileInfo(item.path).path());
            }
            mixed += parents.size() > 1 ? 1 : 0;
        });
        QSignalSpy finished(browser, &MyImageBrowserViewController::addingFinished);

        for (const QString &folder : folders) {
            browser->addImages({folder});
        }
        QVERIFY(browser->isAddingImages());
        QTRY_VERIFY_WITH_TIMEOUT(!browser->isAddingImages(), 20000);

        QCOMPARE(mixed, 0);
        QCOMPARE(browser->images().size(), 5);
        for (const MyImageBrowserObject &item : browser->images()) {
            QCOMPARE(QFileInfo(item.path).path(), folders.last());
        }
        QCOMPARE(browser->images().last().index, 5);
        QCOMPARE(finished.count(), 1);

        // Emptying the browser stops a running add.
        browser->addImages({folders.first()});
        browser->removeImages();
        QTRY_VERIFY_WITH_TIMEOUT(!browser->isAddingImages(), 20000);
        QVERIFY(browser->images().isEmpty());
    }

    void stuckAddTimesOutAndDropsTheNewList()
    {
        const QString stuck = makeFolder(u"stuck"_s, 3);
        const QString next = makeFolder(u"next"_s, 2);
        // The worker hangs on the first photo, as on a share that stopped answering.
        auto entered = std::make_shared<QSemaphore>();
        auto gate = std::make_shared<QSemaphore>();
        auto *browser = makeBrowser();
        browser->setAddableImageTest([entered, gate](const QString &path) {
            if (path.contains(u"/stuck/"_s)) {
                entered->release();
                gate->acquire();
            }
            return isAddableImageFile(path);
        });
        browser->setStopWaitTimeout(50);
        QSignalSpy finished(browser, &MyImageBrowserViewController::addingFinished);

        browser->addImages({stuck});
        QVERIFY(entered->tryAcquire(1, 10000));
        StderrCapture log;
        browser->addImages({next});
        QVERIFY(finished.wait(10000));
        QVERIFY(log.finish().contains(u"timed Out?????"_s));
        QVERIFY(browser->isAddingImages());

        // The stop request was withdrawn: the old add goes on to its end.
        gate->release(3);
        QTRY_VERIFY_WITH_TIMEOUT(!browser->isAddingImages(), 10000);
        QCOMPARE(names(*browser),
                 (QStringList{u"stuck_000.jpg"_s, u"stuck_001.jpg"_s, u"stuck_002.jpg"_s}));
    }

    void dragBetweenBrowsersMovesThePhotos()
    {
        auto *a = makeBrowser();
        auto *b = makeBrowser();
        b->fAllowsReordering = true;
        QVERIFY(addAndWait(*a, {makeFolder(u"a"_s, 4)}));
        QVERIFY(addAndWait(*b, {makeFolder(u"b"_s, 2)}));

        QList<QObject *> refreshed;
        fCenter->addObserver(this, kConcludeDragOperation, [&](const Notification &n) {
            refreshed.append(n.userInfo.value(kKeyImageBrowser).value<QObject *>());
        });

        // What the grid puts on the drag: the selected photos as file URLs.
        const QModelIndexList dragged{a->model()->index(1), a->model()->index(2)};
        std::unique_ptr<QMimeData> data(a->model()->mimeData(dragged));
        QVERIFY(data->hasFormat(u"text/uri-list"_s));

        QCOMPARE(b->draggingEntered(data.get()), Qt::MoveAction);
        QVERIFY(b->performDragOperation(data.get(), 1));
        b->concludeDragOperation(a->imageBrowser());
        fCenter->removeObserver(this);

        QCOMPARE(names(*b),
                 (QStringList{u"b_000.jpg"_s, u"a_001.jpg"_s, u"a_002.jpg"_s, u"b_001.jpg"_s}));
        QCOMPARE(b->images().at(1).index, 0);
        QCOMPARE(names(*a), (QStringList{u"a_000.jpg"_s, u"a_003.jpg"_s}));
        QCOMPARE(a->model()->rowCount(), 2);
        QVERIFY(refreshed.contains(a->imageBrowser()));
        QVERIFY(refreshed.contains(b->imageBrowser()));
    }

    void dropIsRefusedWhenNotAllowed()
    {
        auto *browser = makeBrowser();
        browser->fAllowDrop = false;
        QVERIFY(addAndWait(*browser, {makeFolder(u"main"_s, 2)}));
        const QString other = makeFolder(u"other"_s, 1);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(other + u"/other_000.jpg"_s)});
        QCOMPARE(browser->draggingEntered(&data), Qt::IgnoreAction);
        QVERIFY(!browser->performDragOperation(&data, 0));

        // Through the grid itself, as a drag from another application would come.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(browser->imageBrowser()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(names(*browser), (QStringList{u"main_000.jpg"_s, u"main_001.jpg"_s}));
    }

    void reorderRule_data()
    {
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<int>("destination");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("forward to start") << QList<int>{1, 3} << 0 << QList<int>{1, 3, 0, 2, 4, 5};
        QTest::newRow("taken below destination")
            << QList<int>{0, 1} << 4 << QList<int>{2, 3, 0, 1, 4, 5};
        QTest::newRow("to the end") << QList<int>{4} << 6 << QList<int>{0, 1, 2, 3, 5, 4};
        QTest::newRow("onto itself") << QList<int>{2} << 2 << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("both sides") << QList<int>{5, 0} << 3 << QList<int>{1, 2, 0, 5, 3, 4};
        QTest::newRow("out of range ignored")
            << QList<int>{7, 1} << 99 << QList<int>{0, 2, 3, 4, 5, 1};
    }
    void reorderRule()
    {
        QFETCH(QList<int>, indexes);
        QFETCH(int, destination);
        QFETCH(QList<int>, expected);
        QList<int> items{0, 1, 2, 3, 4, 5};
        moveItemsAtIndexes(items, indexes, destination);
        QCOMPARE(items, expected);

        // The grid's data source does the same to its photos.
        auto *browser = makeBrowser();
        for (int i = 0; i < 6; ++i) {
            browser->images().append(MyImageBrowserObject(QString::number(i), i + 1, true));
        }
        QVERIFY(browser->moveItemsAtIndexes(indexes, destination));
        QStringList order;
        for (const MyImageBrowserObject &item : browser->images()) {
            order.append(QString::number(expected.at(order.size())));
            QCOMPARE(item.path, order.last());
        }
    }

    void arrowKeysAreRefused()
    {
        auto *browser = makeBrowser();
        QVERIFY(addAndWait(*browser, {makeFolder(u"keys"_s, 6)}));
        fWindow->resize(400, 300);
        browser->view()->resize(400, 300);
        fWindow->show();
        MyImageBrowserView *grid = browser->imageBrowser();
        grid->setCurrentIndex(grid->model()->index(2, 0));

        for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
            QTest::keyClick(grid, key);
            QCOMPARE(grid->currentIndex().row(), 2);
        }
        // Other keys still reach the grid.
        QTest::keyClick(grid, Qt::Key_End);
        QCOMPARE(grid->currentIndex().row(), 5);
    }

    void cellsFitRowsAndColumns_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::newRow("main window: 1 x 3") << 1 << 3;
        QTest::newRow("2 x 4") << 2 << 4;
    }
    void cellsFitRowsAndColumns()
    {
        QFETCH(int, rows);
        QFETCH(int, cols);
        const QString folder = makeFolder(u"thumbs"_s, 0);
        QVERIFY(TestHarness::writeJpeg(folder + u"/big.jpg"_s, {1200, 800}, Qt::darkRed));
        auto *browser = makeBrowser();
        browser->view()->resize(610, 330);
        fWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
        MyImageBrowserView *grid = browser->imageBrowser();
        const QSize before = grid->gridSize();
        browser->row = rows;
        browser->col = 0;
        browser->adjustCellSize();
        QCOMPARE(grid->gridSize(), before);

        browser->col = cols;
        browser->adjustCellSize();
        const QSize area = grid->viewport()->size();
        if (rows == 1) {
            QCOMPARE(grid->gridSize(), QSize(area.width() / cols, area.height()));
            QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
            QCOMPARE(grid->isWrapping(), false);
        } else {
            QCOMPARE(grid->gridSize(),
                     QSize((area.width() - 20 * cols) / cols, (area.height() - 28 * rows) / rows));
            QCOMPARE(grid->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        }
        // The thumbnails are decoded to fit the cells, and a cell holds a whole one.
        MyImageBrowserModel *model = browser->model();
        const QSize box = model->thumbnailSize();
        QVERIFY(box.width() < grid->gridSize().width());
        QVERIFY(box.height() < grid->gridSize().height());
        QVERIFY(addAndWait(*browser, {folder}));
        QTRY_VERIFY_WITH_TIMEOUT(model->hasThumbnail(0), 10000);
        const QPixmap shown = model->data(model->index(0), Qt::DecorationRole).value<QPixmap>();
        QVERIFY(shown.width() <= box.width() && shown.height() <= box.height());
        QVERIFY(shown.width() == box.width() || shown.height() == box.height());
        const QRect cell = grid->visualRect(model->index(0));
        QVERIFY2(cell.height() >= box.height(),
                 qPrintable(u"cell %1x%2"_s.arg(cell.width()).arg(cell.height())));

        // Another cell size needs another decode.
        browser->col = cols + 1;
        browser->adjustCellSize();
        QVERIFY(model->thumbnailSize() != box);
        QTRY_VERIFY_WITH_TIMEOUT(model->hasThumbnail(0), 10000);
    }

    void selectionIsStoredInPreferences()
    {
        auto *browser = makeBrowser();
        QVERIFY(addAndWait(*browser, {makeFolder(u"sel"_s, 4)}));
        int posted = 0;
        fCenter->addObserver(this, kUpdateSelectionDidChangeCount, [&](const Notification &n) {
            posted += n.object.value<QObject *>() == browser;
        });
        MyImageBrowserView *grid = browser->imageBrowser();
        grid->selectionModel()->select(grid->model()->index(3, 0), QItemSelectionModel::Select);
        grid->selectionModel()->select(grid->model()->index(1, 0), QItemSelectionModel::Select);
        fCenter->removeObserver(this);

        QCOMPARE(posted, 2);
        QCOMPARE(fPrefs->stringForKey(kPrefCurrentPathForIKImageView), u"sel_003.jpg"_s);
        QCOMPARE(fPrefs->stringForKey(kPrefCurrentFullPathForIKImageView),
                 browser->images().at(3).path);
    }

    void button2EmptiesTheBrowser_data()
    {
        QTest::addColumn<QString>("alternateTitle");
        QTest::addColumn<bool>("empties");
        QTest::newRow("button2") << u"button2"_s << true;
        QTest::newRow("BUTTON3") << u"BUTTON3"_s << true;
        QTest::newRow("button1") << u"button1"_s << false;
    }
    void button2EmptiesTheBrowser()
    {
        QFETCH(QString, alternateTitle);
        QFETCH(bool, empties);
        auto *browser = makeBrowser();
        QVERIFY(addAndWait(*browser, {makeFolder(u"btn"_s, 2)}));
        QPushButton button;
        button.setProperty(kAlternateTitleProperty, alternateTitle);
        browser->doButton2(&button);
        QCOMPARE(browser->images().isEmpty(), empties);
    }

private:
    QString makeFolder(const QString &name, int photos)
    {
        const QString folder = fDir->filePath(name);
        QDir().mkpath(folder);
        for (int i = 0; i < photos; ++i) {
            writePhoto(u"%1/%2_%3.jpg"_s.arg(folder, name).arg(i, 3, 10, QLatin1Char('0')));
        }
        return folder;
    }

    static void writePhoto(const QString &path)
    {
        QVERIFY(TestHarness::writeJpeg(path, {48, 32}, Qt::darkCyan));
    }

    MyImageBrowserViewController *makeBrowser()
    {
        return new MyImageBrowserViewController(fWindow.get(), fPrefs.get(), fCenter.get());
    }

    static QStringList names(const MyImageBrowserViewController &browser)
    {
        QStringList result;
        for (const MyImageBrowserObject &item : browser.images()) {
            result.append(QFileInfo(item.path).fileName());
        }
        return result;
    }

    static bool addAndWait(MyImageBrowserViewController &browser, const QStringList &paths)
    {
        browser.addImages(paths);
        return QTest::qWaitFor([&browser] { return !browser.isAddingImages(); }, 20000);
    }

    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<Preferences> fPrefs;
    std::unique_ptr<NotificationCenter> fCenter;
    std::unique_ptr<QWidget> fWindow;
};

QTEST_MAIN(TestMyImageBrowserViewController)
#include "tst_myimagebrowserviewcontroller.moc"
