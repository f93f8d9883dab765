// Guards the photo browsers and the re-assignment sheet built on them: a folder's photos shown once
// each, newest request winning, the operator's order kept on drops and moves, thumbnails fitted to
// their cells; only real other codes can be picked, alerts and Cancel move nothing, and a confirmed
// move skips taken names and records exactly what moved.
#include "StderrCapture.h"
#include "TestHarness.h"
#include "TestSupport.h"
#include "console/MyImageBrowserView/MyImageBrowserAdding.h"
#include "console/MyImageBrowserView/MyImageBrowserModel.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "console/ReAssignCodeWindowController.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"

#include <QComboBox>
#include <QDir>
#include <QMimeData>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Shown
{
    QString title;
    QString text;
    QString button;
};

QVariantMap entry(const QString &code, const QString &name)
{
    return {{kKeyCode, code}, {kKeyName, name}};
}

QStringList codesOf(const QList<QVariantMap> &entries)
{
    QStringList codes;
    for (const QVariantMap &e : entries) {
        codes << e.value(kKeyCode, u"<none>"_s).toString();
    }
    return codes;
}

QStringList names(const MyImageBrowserViewController &browser)
{
    QStringList result;
    for (const MyImageBrowserObject &item : browser.images()) {
        result.append(QFileInfo(item.path).fileName());
    }
    return result;
}

} // namespace

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
        fDay = fDir->filePath(u"store/2019-12-30"_s);
        fRecords = fDir->filePath(u"records"_s);
        for (const char *code : {"abc", "XYZ", "MNO"}) {
            QVERIFY(QDir().mkpath(fDay + QLatin1Char('/') + QLatin1String(code)));
        }
        QVERIFY(QDir().mkpath(fRecords));
        fPrefs->setObject(fDay, kPrefPathToAlternateDateFolder);
        fAlerts.clear();
        fQuestions.clear();
        fAnswerYes = false;
        QVariantMap xyz = entry(u"XYZ"_s, u"Zed party"_s);
        xyz.insert(kEntryCodeInfo, QVariantMap{{u"name"_s, u"Zed party"_s}, {u"room"_s, u"2"_s}});
        fList = {entry(u"abc"_s, u"Old party"_s), xyz, entry(u"MNO"_s, u"Emm party"_s)};
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
        // The grid's data source reorders its photos.
        auto *browser = makeBrowser();
        QStringList order;
        for (int i = 0; i < 6; ++i) {
            browser->images().append(MyImageBrowserObject(QString::number(i), i + 1, true));
            order << QString::number(expected.at(i));
        }
        QVERIFY(browser->moveItemsAtIndexes(indexes, destination));
        QCOMPARE(names(*browser), order);
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

    void candidateRule_data();
    void candidateRule();
    void assignNeedsAnotherCodeAndPhotos();
    void alertsKeepTheSheetOpen_data();
    void alertsKeepTheSheetOpen();
    void cancelOrCloseMovesNothing();
    void confirmedMoveSkipsACollision();
    void confirmedMoveWithNothingMovedStillEndsAsMoved();

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

    static bool addAndWait(MyImageBrowserViewController &browser, const QStringList &paths)
    {
        browser.addImages(paths);
        return QTest::qWaitFor([&browser] { return !browser.isAddingImages(); }, 20000);
    }

    std::unique_ptr<ReAssignCodeWindowController> makeSheet(const QString &oldCode, int photos = 5);
    // Drags these photos of browser 1 into browser 2 the way a drop does.
    void dragToBrowser2(ReAssignCodeWindowController &sheet, const QStringList &names);

    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<Preferences> fPrefs;
    std::unique_ptr<NotificationCenter> fCenter;
    std::unique_ptr<QWidget> fWindow;
    QString fDay;
    QString fRecords;
    QList<Shown> fAlerts;
    QList<Shown> fQuestions;
    bool fAnswerYes = false;
    QVariantList fList;
};

std::unique_ptr<ReAssignCodeWindowController>
TestMyImageBrowserViewController::makeSheet(const QString &oldCode, int photos)
{
    QStringList paths;
    for (int i = 1; i <= photos; ++i) {
        paths << u"%1/%2/p%3.jpg"_s.arg(fDay, oldCode).arg(i);
        [&] {
            QVERIFY(TestHarness::writeJpeg(paths.last(), {32, 24}, Qt::darkGreen));
        }();
    }
    ReassignAlerts alerts;
    alerts.alert = [this](QWidget *, const QString &title, const QString &text,
                          const QString &button) {
        fAlerts.append({title, text, button});
    };
    alerts.confirm = [this](QWidget *, const QString &title, const QString &text,
                            const QString &defaultButton, const QString &alternateButton) {
        fQuestions.append({title, text, defaultButton + QLatin1Char('|') + alternateButton});
        return fAnswerYes;
    };
    auto sheet = std::make_unique<ReAssignCodeWindowController>(nullptr, fPrefs.get(),
                                                                fCenter.get(), alerts);
    sheet->setRecordFolder([this] { return fRecords; });
    sheet->setupWindow({{kReassignParamOldCode, oldCode},
                        {kReassignParamCurrentInfo, fList.value(0)},
                        {kReassignParamArrayController, fList},
                        {kReassignParamImagesList, paths}});
    const QString expected = QString::number(photos);
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!sheet->fImageBrowserViewController()->isAddingImages(), 20000);
        QCOMPARE(sheet->fValue1(), expected);
    }();
    return sheet;
}

void TestMyImageBrowserViewController::dragToBrowser2(ReAssignCodeWindowController &sheet,
                                                      const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names) {
        urls << QUrl::fromLocalFile(u"%1/%2/%3"_s.arg(fDay, sheet.fOldCode(), name));
    }
    QMimeData data;
    data.setUrls(urls);
    auto *target = sheet.fImageBrowserViewController2();
    QVERIFY(target->performDragOperation(&data, int(target->images().size())));
    target->concludeDragOperation(sheet.fImageBrowserViewController()->imageBrowser());
}

void TestMyImageBrowserViewController::candidateRule_data()
{
    QTest::addColumn<QVariantList>("entries");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("placeholderSource");

    const QVariantMap noCode{{kKeyName, u"B no code"_s}};
    QTest::newRow("same code in capitals is not offered")
        << QVariantList{entry(u"abc"_s, u"old"_s), entry(u"ABC"_s, u"twin"_s),
                        entry(u"xyz"_s, u"C"_s), entry(u"mno"_s, u"A"_s), noCode}
        << QStringList{u"ABC"_s, u"mno"_s, u"<none>"_s, u"xyz"_s} << u"twin"_s;
    QTest::newRow("old code missing from the list")
        << QVariantList{entry(u"xyz"_s, u"B"_s), entry(u"mno"_s, u"A"_s)}
        << QStringList{u"abc"_s, u"mno"_s, u"xyz"_s} << u"given"_s;
}

void TestMyImageBrowserViewController::candidateRule()
{
    QFETCH(QVariantList, entries);
    QFETCH(QStringList, codes);
    QFETCH(QString, placeholderSource);

    QList<QVariantMap> list;
    for (const QVariant &e : entries) {
        list << e.toMap();
    }
    QVariantMap given = entry(u"abc"_s, u"given"_s);
    given.insert(u"marker"_s, u"given"_s);
    const QList<QVariantMap> candidates =
        ReAssignCodeWindowController::candidateList(list, u"abc"_s, given);
    QCOMPARE(codesOf(candidates), codes);
    QCOMPARE(candidates.first().value(kKeyName).toString(), kReassignPlaceholderName);
    const bool fromGiven = candidates.first().value(u"marker"_s).isValid();
    QCOMPARE(fromGiven, placeholderSource == u"given"_s);
}

void TestMyImageBrowserViewController::assignNeedsAnotherCodeAndPhotos()
{
    auto sheet = makeSheet(u"abc"_s, 5);
    QComboBox *popup = sheet->ibPopupButton();
    QCOMPARE(popup->count(), 3);
    QCOMPARE(popup->itemText(0), u"abc"_s);
    QCOMPARE(popup->itemText(1), u"MNO"_s); // "Emm party" sorts first
    QCOMPARE(popup->itemText(2), u"XYZ"_s);
    auto *items = qobject_cast<QStandardItemModel *>(popup->model());
    QVERIFY(items);
    QVERIFY(!items->item(0)->isEnabled());
    QVERIFY(items->item(1)->isEnabled());
    QCOMPARE(sheet->fSelectedInfo().value(kKeyName).toString(), kReassignPlaceholderName);
    QVERIFY(!sheet->ibAssignButton()->isEnabled());
    sheet->ibClickedOnPopup(2);
    QVERIFY(!sheet->ibAssignButton()->isEnabled()); // nothing to move yet
    dragToBrowser2(*sheet, {u"p4.jpg"_s, u"p1.jpg"_s, u"p2.jpg"_s});
    QCOMPARE(names(*sheet->fImageBrowserViewController()), (QStringList{u"p3.jpg"_s, u"p5.jpg"_s}));
    QCOMPARE(sheet->fValue1(), u"2"_s);
    QCOMPARE(sheet->fValue2(), u"3"_s);
    QVERIFY(sheet->ibAssignButton()->isEnabled());
    sheet->ibClickedOnPopup(0);
    QVERIFY(!sheet->ibAssignButton()->isEnabled());
    sheet->ibClickedOnPopup(1);
    QVERIFY(sheet->ibAssignButton()->isEnabled());
    QCOMPARE(sheet->fSelectedInfo().value(kKeyCode).toString(), u"MNO"_s);

    // Undo puts the photos back at the end of the first browser.
    sheet->ibRevertButton()->click();
    QCOMPARE(names(*sheet->fImageBrowserViewController()),
             (QStringList{u"p3.jpg"_s, u"p5.jpg"_s, u"p4.jpg"_s, u"p1.jpg"_s, u"p2.jpg"_s}));
    QVERIFY(sheet->fImageBrowserViewController2()->images().isEmpty());
    QCOMPARE(sheet->fValue1(), u"5"_s);
    QCOMPARE(sheet->fValue2(), u"0"_s);
    QVERIFY(!sheet->ibAssignButton()->isEnabled());
}

void TestMyImageBrowserViewController::alertsKeepTheSheetOpen_data()
{
    QTest::addColumn<int>("pick");
    QTest::addColumn<int>("dragged");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("placeholder is the old code")
        << 0 << 2 << kReassignAlertSameCode << kReassignAlertSameCodeText;
    QTest::newRow("no photos to move")
        << 1 << 0 << kReassignAlertNoImages
        << QStringLiteral(
               "You did not add/move any images to be re-assigned.\nNothing has been changed.");
}

void TestMyImageBrowserViewController::alertsKeepTheSheetOpen()
{
    QFETCH(int, pick);
    QFETCH(int, dragged);
    QFETCH(QString, title);
    QFETCH(QString, text);

    auto sheet = makeSheet(u"abc"_s, 3);
    sheet->ibClickedOnPopup(pick);
    if (dragged > 0) {
        dragToBrowser2(*sheet, {u"p1.jpg"_s, u"p2.jpg"_s});
    }
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(fAlerts.size(), 1);
    QCOMPARE(fAlerts.first().title, title);
    QCOMPARE(fAlerts.first().text, text);
    QCOMPARE(fAlerts.first().button, u"OK"_s);
    QVERIFY(fQuestions.isEmpty());
    QCOMPARE(finished.size(), 0);
    QCOMPARE(QDir(fDay + u"/abc"_s).entryList(QDir::Files).size(), 3);
}

void TestMyImageBrowserViewController::cancelOrCloseMovesNothing()
{
    auto sheet = makeSheet(u"abc"_s, 2);
    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet, {u"p2.jpg"_s});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(fQuestions.size(), 1);
    QCOMPARE(fQuestions.first().title, u"ARE YOU SURE ???"_s);
    QCOMPARE(fQuestions.first().button, u"CANCEL|YES - RE-ASSIGN"_s);
    QCOMPARE(fQuestions.first().text,
             QStringLiteral("Are you sure you want to re-assign photos\n\nFROM\nOld Code:\t Old "
                            "party\n\t\t [abc]\nTO\nNew Code: Zed party\n\t\t [XYZ]\n\n"));
    QCOMPARE(finished.size(), 0);
    QVERIFY(QFileInfo::exists(fDay + u"/abc/p2.jpg"_s));
    // The other button ends the sheet without asking or moving.
    sheet->ibCloseButton()->click();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), kReassignReturnStopped);
    QCOMPARE(fQuestions.size(), 1);
    QCOMPARE(QDir(fDay + u"/abc"_s).entryList(QDir::Files).size(), 2);
    QVERIFY(QDir(fRecords).isEmpty());
}

void TestMyImageBrowserViewController::confirmedMoveSkipsACollision()
{
    auto sheet = makeSheet(u"abc"_s, 4);
    const QString occupant = fDay + u"/XYZ/p3.jpg"_s;
    QVERIFY(TestSupport::writeFile(occupant, "already here"));

    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet, {u"p3.jpg"_s, u"p1.jpg"_s, u"p4.jpg"_s});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), 1001);
    QCOMPARE(QDir(fDay + u"/abc"_s).entryList(QDir::Files),
             (QStringList{u"p2.jpg"_s, u"p3.jpg"_s}));
    QCOMPARE(QDir(fDay + u"/XYZ"_s).entryList(QDir::Files),
             (QStringList{u"p1.jpg"_s, u"p3.jpg"_s, u"p4.jpg"_s}));
    QCOMPARE(TestSupport::readFile(occupant), QByteArray("already here"));

    const QStringList records = QDir(fRecords).entryList(QDir::Files);
    QCOMPARE(records.size(), 1);
    QVERIFY(records.first().endsWith(u"_reassigned.xml"_s));
    OvraNSXmlParser parser(TestSupport::readFile(fRecords + u'/' + records.first()));
    parser.setItemNeedsArray({u"files"_s});
    parser.setItemNeedsDictionary({u"data"_s, u"oldcode"_s, u"newcode"_s, u"datafornewcode"_s});
    parser.setRootKey(u"data"_s);
    QVERIFY(parser.parse());
    const QVariantMap data = parser.mDictionary().toMap();
    QCOMPARE(data.value(u"files"_s).toStringList(), (QStringList{u"p1.jpg"_s, u"p4.jpg"_s}));
    const QVariantMap oldCode = data.value(u"oldcode"_s).toMap();
    QCOMPARE(oldCode.value(u"date"_s).toString(), u"2019-12-30"_s);
    QCOMPARE(oldCode.value(u"value"_s).toString(), u"abc"_s);
    QCOMPARE(data.value(u"newcode"_s).toMap().value(u"value"_s), QVariant(u"XYZ"_s));
    QCOMPARE(data.value(u"datafornewcode"_s).toMap().value(u"room"_s), QVariant(u"2"_s));
}

void TestMyImageBrowserViewController::confirmedMoveWithNothingMovedStillEndsAsMoved()
{
    auto sheet = makeSheet(u"abc"_s, 1);
    QVERIFY(TestSupport::writeFile(fDay + u"/XYZ/p1.jpg"_s, QByteArray()));
    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet, {u"p1.jpg"_s});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());
    // The console reloads on 1001 only, and must show that nothing moved.
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), kReassignReturnMoved);
    QVERIFY(QFileInfo::exists(fDay + u"/abc/p1.jpg"_s));
    QVERIFY(QDir(fRecords).isEmpty());
}

QTEST_MAIN(TestMyImageBrowserViewController)
#include "tst_myimagebrowserviewcontroller.moc"
