// Guards re-assignment: photo browsers, the sheet, and moves that lose no photo even when killed.
#include "StderrCapture.h"
#include "TestHarness.h"
#include "console/CodeReassignment.h"
#include "console/MyImageBrowserView/MyImageBrowserAdding.h"
#include "console/MyImageBrowserView/MyImageBrowserModel.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "console/ReAssignCodeWindowController.h"
#include "console/ReassignmentRecord.h"
#include "console/SafeFileMove.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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

constexpr int kPhotos = 12;

QString photoName(int i)
{
    return u"IMG_%1.jpg"_s.arg(i, 3, 10, QLatin1Char('0'));
}

QByteArray photoBytes(int i)
{
    return QByteArray(20000 + i, char('A' + i));
}

// Child: moves every photo from one code to the other and back, forever,
// with a record each time.
int reassignLoop(const QString &root)
{
    const QString a = root + u"/2026-12-06/K100"_s;
    const QString b = root + u"/2026-12-06/K200"_s;
    for (bool toB = true;; toB = !toB) {
        CodeReassignment move;
        move.oldCode = toB ? u"K100"_s : u"K200"_s;
        move.newCode = toB ? u"K200"_s : u"K100"_s;
        move.oldFolder = toB ? a : b;
        move.newFolder = toB ? b : a;
        for (const QString &name : QDir(move.oldFolder).entryList(QDir::Files)) {
            move.files << move.oldFolder + u'/' + name;
        }
        move.recordFolder = [root] {
            return root + u"/CodeChanges"_s;
        };
        const CodeReassignment::Result result = move.run();
        std::printf("moved %d\n", int(result.moved.size()));
        std::fflush(stdout);
    }
}

bool isWholeXml(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
    }
    return !xml.hasError();
}

QString read(const QString &path)
{
    return QString::fromUtf8(TestHarness::readFile(path));
}

ReassignmentRecord sample()
{
    ReassignmentRecord record;
    record.oldCode = u"abc"_s;
    record.oldDate = u"2019-12-30"_s;
    record.newCode = u"XYZ"_s;
    record.newDate = u"2019-12-30"_s;
    record.files = {u"p1.jpg"_s, u"Tom & Jerry.jpg"_s};
    return record;
}

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
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
        fOld = fDay + u"/abc"_s;
        fNew = fDay + u"/XYZ"_s;
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
        QVERIFY(TestHarness::writeFile(folder + u"/notes.txt"_s, "not a photo"));
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

    void nothingHappens_data()
    {
        QTest::addColumn<QString>("newCode");
        QTest::addColumn<bool>("dropNewFolder");
        QTest::newRow("same code in capitals") << u"ABC"_s << false;
        QTest::newRow("no new code") << QString() << false;
        QTest::newRow("new folder vanished") << u"xyz"_s << true;
    }
    void nothingHappens()
    {
        QFETCH(QString, newCode);
        QFETCH(bool, dropNewFolder);
        CodeReassignment job = make({u"1.jpg"_s, u"2.jpg"_s});
        job.newCode = newCode;
        if (dropNewFolder) {
            QVERIFY(QDir(fNew).removeRecursively());
        }
        const CodeReassignment::Result result = job.run();
        QVERIFY(result.moved.isEmpty());
        QVERIFY(result.recordPath.isNull());
        QCOMPARE(QDir(fOld).entryList(QDir::Files).size(), 2);
        QVERIFY(QDir(fRecords).isEmpty());
    }

    void onlyPhotosOfTheOldFolderMove()
    {
        CodeReassignment job = make({u"1.jpg"_s});
        const QString stranger = photo(fDir->path(), u"desktop.jpg"_s);
        job.files.prepend(stranger);
        const CodeReassignment::Result result = job.run();
        QCOMPARE(result.moved, QStringList{u"1.jpg"_s});
        QVERIFY(QFileInfo::exists(stranger));
        QVERIFY(QFileInfo::exists(fNew + u"/1.jpg"_s));
        QCOMPARE(QFileInfo(result.recordPath).path(), fRecords);
    }

    void noRecordFolderKeepsTheMove()
    {
        CodeReassignment job = make({u"1.jpg"_s});
        job.recordFolder = [] {
            return QString();
        };
        const CodeReassignment::Result result = job.run();
        QCOMPARE(result.moved, QStringList{u"1.jpg"_s});
        QVERIFY(result.recordPath.isNull());
        QVERIFY(QFileInfo::exists(fNew + u"/1.jpg"_s));
    }

    void recordGoesToTheHomeFolderByDefault()
    {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(fDir->path()));
        CodeReassignment job = make({u"1.jpg"_s});
        job.recordFolder = nullptr;
        const CodeReassignment::Result result = job.run();
        qputenv("HOME", home);
        QCOMPARE(QFileInfo(result.recordPath).path(), fDir->filePath(u".Ostrel/CodeChanges"_s));
        QVERIFY(QFileInfo::exists(result.recordPath));
    }

    void nameUsesTheWeekBasedYear_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("name");
        QTest::newRow("30 Dec 2019 is in week 1 of 2020")
            << QDateTime(QDate(2019, 12, 30), QTime(10, 0, 0))
            << u"20201230100000_reassigned.xml"_s;
        QTest::newRow("28 Dec 2019 is still 2019")
            << QDateTime(QDate(2019, 12, 28), QTime(23, 59, 59))
            << u"20191228235959_reassigned.xml"_s;
    }
    void nameUsesTheWeekBasedYear()
    {
        QFETCH(QDateTime, instant);
        QFETCH(QString, name);
        QCOMPARE(ReassignmentRecord::fileName(instant), name);
    }

    void layoutWithTabs()
    {
        const QString path =
            sample().writeInto(fRecords, QDateTime(QDate(2020, 3, 1), QTime(8, 0, 0)));
        QCOMPARE(path, fRecords + u"/20200301080000_reassigned.xml"_s);
        QCOMPARE(read(path),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                                "<data type=\"changecode\">\n"
                                "\t<files>\n\t\t<filename>p1.jpg</filename>\n"
                                "\t\t<filename>Tom &amp; Jerry.jpg</filename>\n\t</files>\n"
                                "\t<newcode date=\"2019-12-30\">\n\t\tXYZ\n\t</newcode>\n"
                                "\t<oldcode date=\"2019-12-30\">\n\t\tabc\n\t</oldcode>\n"
                                "</data>\n"));
        QCOMPARE(QDir(fRecords).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"20200301080000_reassigned.xml"_s});
    }

    // Escaping: what the reader gets back is what was written, and xmllint accepts the file.
    void readsBackWithTheReader()
    {
        ReassignmentRecord record = sample();
        record.newCode = u"A<B>"_s;
        record.newCodeInfo = {{u"name"_s, u"Smith & <Jones> \"Sons\""_s},
                              {u"ids"_s, QStringList{u"7"_s, u"8"_s}}};
        const QString path = record.writeInto(fRecords, QDateTime::currentDateTime());
        QVERIFY(!path.isEmpty());
        OvraNSXmlParser parser(read(path).toUtf8());
        parser.setItemNeedsArray({u"files"_s, u"ids"_s});
        parser.setItemNeedsDictionary({u"data"_s, u"oldcode"_s, u"newcode"_s, u"datafornewcode"_s});
        parser.setRootKey(u"data"_s);
        QVERIFY(parser.parse());
        const QVariantMap data = parser.mDictionary().toMap();
        QCOMPARE(data.value(u"type"_s), QVariant(u"changecode"_s));
        QCOMPARE(data.value(u"files"_s).toStringList(), record.files);
        QCOMPARE(data.value(u"newcode"_s).toMap().value(u"value"_s), QVariant(u"A<B>"_s));
        const QVariantMap info = data.value(u"datafornewcode"_s).toMap();
        QCOMPARE(info.value(u"name"_s), QVariant(u"Smith & <Jones> \"Sons\""_s));
        QCOMPARE(info.value(u"ids"_s).toStringList(), (QStringList{u"7"_s, u"8"_s}));

        const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_s);
        if (xmllint.isEmpty()) {
            QSKIP("xmllint is not installed");
        }
        QProcess lint;
        lint.start(xmllint, {u"--noout"_s, path});
        QVERIFY(lint.waitForFinished(30000));
        QCOMPARE(lint.readAllStandardError(), QByteArray());
        QCOMPARE(lint.exitCode(), 0);
    }

    void aTakenNameIsNeverReplaced()
    {
        const QDateTime instant(QDate(2020, 3, 1), QTime(8, 0, 0));
        const QString first = sample().writeInto(fRecords, instant);
        ReassignmentRecord second = sample();
        second.files = {u"other.jpg"_s};
        const QString secondPath = second.writeInto(fRecords, instant);
        QCOMPARE(QFileInfo(secondPath).fileName(), u"20200301080000-2_reassigned.xml"_s);
        QVERIFY(read(first).contains(u"p1.jpg"_s));
        QVERIFY(read(secondPath).contains(u"other.jpg"_s));
    }

    void noFolderGivesNoRecord()
    {
        const QString missing = fDir->filePath(u"not/there"_s);
        QVERIFY(sample().writeInto(missing, QDateTime::currentDateTime()).isNull());
        QVERIFY(!QFileInfo::exists(missing));
    }

    void leavesTheFileWhenItCannotMove_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("name taken in the new folder") << u"taken"_s;
        QTest::newRow("name taken by a folder") << u"folder"_s;
        QTest::newRow("new folder vanished") << u"vanished"_s;
    }
    void leavesTheFileWhenItCannotMove()
    {
        QFETCH(QString, situation);
        const QString source = fOld + u"/a.jpg"_s;
        QVERIFY(TestHarness::writeFile(source, "mine"));
        QString target = fNew;
        if (situation == u"taken"_s) {
            QVERIFY(TestHarness::writeFile(fNew + u"/a.jpg"_s, "theirs"));
        } else if (situation == u"folder"_s) {
            QVERIFY(QDir(fNew).mkdir(u"a.jpg"_s));
        } else {
            QVERIFY(QDir(fNew).removeRecursively());
        }
        const auto result = SafeFileMove::moveIntoFolder(source, target);
        QVERIFY(!result.moved);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(TestHarness::readFile(source), QByteArray("mine"));
        if (situation == u"taken"_s) {
            QCOMPARE(TestHarness::readFile(fNew + u"/a.jpg"_s), QByteArray("theirs"));
            // The copy across file systems refuses the taken name too, and leaves no copy.
            QVERIFY(!SafeFileMove::copyAcrossFileSystems(source, fNew + u"/a.jpg"_s).moved);
            QCOMPARE(TestHarness::readFile(source), QByteArray("mine"));
            QCOMPARE(TestHarness::readFile(fNew + u"/a.jpg"_s), QByteArray("theirs"));
            QCOMPARE(everything(fNew), QStringList{u"a.jpg"_s});
        }
    }

    void copyAcrossKeepsContentModeAndTime()
    {
        const QString source = fOld + u"/b.jpg"_s;
        QByteArray bytes(300000, 'x');
        bytes[12345] = 'y';
        const QDateTime stamp(QDate(2019, 12, 30), QTime(9, 30, 15));
        QVERIFY(TestHarness::writeFile(source, bytes, stamp));
        QVERIFY(::chmod(QFile::encodeName(source).constData(), 0640) == 0);

        const auto result = SafeFileMove::copyAcrossFileSystems(source, fNew + u"/b.jpg"_s);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(TestHarness::readFile(fNew + u"/b.jpg"_s), bytes);
        const QFileInfo moved(fNew + u"/b.jpg"_s);
        QCOMPARE(moved.lastModified(), stamp);
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(moved.filePath()).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 0777), 0640);
        QCOMPARE(everything(fNew), QStringList{u"b.jpg"_s}); // no copy left behind
    }

    void copyAcrossTakesTheCopyBackWhenTheSourceStays()
    {
        if (::geteuid() == 0) {
            QSKIP("root may remove files from a read-only folder");
        }
        const QString source = fOld + u"/d.jpg"_s;
        QVERIFY(TestHarness::writeFile(source, "mine"));
        QVERIFY(::chmod(QFile::encodeName(fOld).constData(), 0555) == 0);
        const auto result = SafeFileMove::copyAcrossFileSystems(source, fNew + u"/d.jpg"_s);
        ::chmod(QFile::encodeName(fOld).constData(), 0755);
        QVERIFY(!result.moved);
        QCOMPARE(TestHarness::readFile(source), QByteArray("mine"));
        QVERIFY(everything(fNew).isEmpty());
    }

    void realMoveAcrossFileSystems()
    {
        QTemporaryDir other(u"/dev/shm/ovra-move-XXXXXX"_s);
        struct stat here, there;
        if (!other.isValid() || ::stat(QFile::encodeName(fNew).constData(), &here) != 0 ||
            ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 ||
            here.st_dev == there.st_dev) {
            QSKIP("no second file system at hand");
        }
        const QString source = other.filePath(u"e.jpg"_s);
        QVERIFY(TestHarness::writeFile(source, "across"));
        const auto result = SafeFileMove::moveIntoFolder(source, fNew);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(TestHarness::readFile(fNew + u"/e.jpg"_s), QByteArray("across"));
        QCOMPARE(everything(fNew), QStringList{u"e.jpg"_s});
    }

    void killLeavesEveryPhotoInOneFolder();

    void candidateRule_data();
    void candidateRule();
    void assignNeedsAnotherCodeAndPhotos();
    void endSheet_data();
    void endSheet();
    void cancelOrCloseMovesNothing();

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

    QString photo(const QString &folder, const QString &name)
    {
        const QString path = folder + QLatin1Char('/') + name;
        return TestHarness::writeFile(path, name.toUtf8()) ? path : QString();
    }

    CodeReassignment make(const QStringList &names)
    {
        CodeReassignment job;
        job.oldCode = u"abc"_s;
        job.newCode = u"xyz"_s;
        job.oldFolder = fOld;
        job.newFolder = fNew;
        for (const QString &name : names) {
            job.files << photo(fOld, name);
        }
        job.recordFolder = [this] {
            return fRecords;
        };
        return job;
    }

    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<Preferences> fPrefs;
    std::unique_ptr<NotificationCenter> fCenter;
    std::unique_ptr<QWidget> fWindow;
    QString fDay;
    QString fOld;
    QString fNew;
    QString fRecords;
    QList<QStringList> fAlerts;    // title, text, button
    QList<QStringList> fQuestions; // title, text, "default|alternate" button
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

void TestMyImageBrowserViewController::cancelOrCloseMovesNothing()
{
    auto sheet = makeSheet(u"abc"_s, 2);
    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet, {u"p2.jpg"_s});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    sheet->doEndSheet(sheet->ibAssignButton());

    const QStringList question{u"ARE YOU SURE ???"_s,
                               u"Are you sure you want to re-assign photos\n\nFROM\nOld Code:\t "
                               u"Old party\n\t\t [abc]\nTO\nNew "
                               "Code: Zed party\n\t\t [XYZ]\n\n"_s,
                               u"CANCEL|YES - RE-ASSIGN"_s};
    QCOMPARE(fQuestions, QList<QStringList>{question});
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

void TestMyImageBrowserViewController::endSheet_data()
{
    QTest::addColumn<int>("pick");
    QTest::addColumn<QStringList>("dragged");
    QTest::addColumn<QString>("occupant");    // a photo of this name already in the new folder
    QTest::addColumn<QStringList>("alert");   // empty: none, the question is asked
    QTest::addColumn<int>("result");          // -1: the sheet stays open
    QTest::addColumn<QStringList>("left");    // photos left in the old folder
    QTest::addColumn<QStringList>("records"); // photos named in the record; empty: no record
    const QStringList all{u"p1.jpg"_s, u"p2.jpg"_s, u"p3.jpg"_s, u"p4.jpg"_s};
    const QStringList none;
    QTest::newRow("placeholder is the old code")
        << 0 << QStringList{u"p1.jpg"_s} << QString()
        << QStringList{kReassignAlertSameCode, kReassignAlertSameCodeText, u"OK"_s} << -1 << all
        << none;
    QTest::newRow("no photos to move")
        << 1 << none << QString()
        << QStringList{kReassignAlertNoImages,
                       u"You did not add/move any images to be re-assigned.\nNothing has been "
                       u"changed."_s,
                       u"OK"_s}
        << -1 << all << none;
    QTest::newRow("a taken name is skipped")
        << 2 << QStringList{u"p3.jpg"_s, u"p1.jpg"_s, u"p4.jpg"_s} << u"p3.jpg"_s << none
        << kReassignReturnMoved << QStringList{u"p2.jpg"_s, u"p3.jpg"_s}
        << QStringList{u"p1.jpg"_s, u"p4.jpg"_s};
    // The console reloads on a move only, and must show that nothing moved.
    QTest::newRow("nothing moved still ends as moved")
        << 2 << QStringList{u"p1.jpg"_s} << u"p1.jpg"_s << none << kReassignReturnMoved << all
        << none;
}

void TestMyImageBrowserViewController::endSheet()
{
    QFETCH(int, pick);
    QFETCH(QStringList, dragged);
    QFETCH(QString, occupant);
    QFETCH(QStringList, alert);
    QFETCH(int, result);
    QFETCH(QStringList, left);
    QFETCH(QStringList, records);
    auto sheet = makeSheet(u"abc"_s, 4);
    if (!occupant.isEmpty()) {
        QVERIFY(TestHarness::writeFile(fNew + u'/' + occupant, "already here"));
    }
    sheet->ibClickedOnPopup(pick);
    if (!dragged.isEmpty()) {
        dragToBrowser2(*sheet, dragged);
    }
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(fAlerts, alert.isEmpty() ? QList<QStringList>() : QList<QStringList>{alert});
    QCOMPARE(fQuestions.size(), alert.isEmpty() ? 1 : 0);
    QCOMPARE(finished.size(), result < 0 ? 0 : 1);
    QCOMPARE(finished.value(0).value(0).toInt(), qMax(result, 0));
    QCOMPARE(QDir(fOld).entryList(QDir::Files), left);
    // Every photo is in one folder, and the one already there is untouched.
    QCOMPARE(QDir(fNew).entryList(QDir::Files).size() + left.size(), 4 + !occupant.isEmpty());
    if (!occupant.isEmpty()) {
        QCOMPARE(TestHarness::readFile(fNew + u'/' + occupant), QByteArray("already here"));
    }
    const QStringList written = QDir(fRecords).entryList(QDir::Files);
    QCOMPARE(written.size(), records.isEmpty() ? 0 : 1);
    if (records.isEmpty()) {
        return;
    }
    OvraNSXmlParser parser(TestHarness::readFile(fRecords + u'/' + written.first()));
    parser.setItemNeedsArray({u"files"_s});
    parser.setItemNeedsDictionary({u"data"_s, u"oldcode"_s, u"newcode"_s, u"datafornewcode"_s});
    parser.setRootKey(u"data"_s);
    QVERIFY(parser.parse());
    const QVariantMap data = parser.mDictionary().toMap();
    QCOMPARE(data.value(u"files"_s).toStringList(), records);
    QCOMPARE(data.value(u"oldcode"_s).toMap(),
             (QVariantMap{{u"date"_s, u"2019-12-30"_s}, {u"value"_s, u"abc"_s}}));
    QCOMPARE(data.value(u"newcode"_s).toMap().value(u"value"_s), QVariant(u"XYZ"_s));
    QCOMPARE(data.value(u"datafornewcode"_s).toMap().value(u"room"_s), QVariant(u"2"_s));
}

void TestMyImageBrowserViewController::killLeavesEveryPhotoInOneFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString a = dir.filePath(u"2026-12-06/K100"_s);
    const QString b = dir.filePath(u"2026-12-06/K200"_s);
    const QString records = dir.filePath(u"CodeChanges"_s);
    QVERIFY(QDir().mkpath(b) && QDir().mkpath(records));
    for (int i = 0; i < kPhotos; ++i) {
        QVERIFY(TestHarness::writeFile(a + u'/' + photoName(i), photoBytes(i)));
    }
    int wholeRecords = 0;
    int split = 0; // rounds killed with the photos in both folders
    for (int round = 0; round < 20; ++round) {
        QVERIFY(TestHarness::killMidWork(u"--reassign-loop"_s, dir.path(), 60).contains("moved"));

        // Each photo is whole, in exactly one of the two folders.
        const QStringList inA = QDir(a).entryList(QDir::Files | QDir::Hidden);
        const QStringList inB = QDir(b).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(inA.size() + inB.size(), kPhotos);
        split += !inA.isEmpty() && !inB.isEmpty();
        for (int i = 0; i < kPhotos; ++i) {
            const bool there = inA.contains(photoName(i));
            QVERIFY2(there != inB.contains(photoName(i)), qPrintable(photoName(i)));
            QCOMPARE(TestHarness::readFile((there ? a : b) + u'/' + photoName(i)), photoBytes(i));
        }
        // A record without ".tmp" is complete.
        const QStringList written = QDir(records).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : written) {
            if (!name.contains(u".tmp"_s)) {
                QVERIFY2(isWholeXml(records + u'/' + name), qPrintable(name));
                ++wholeRecords;
            }
        }
    }
    QVERIFY(wholeRecords > 0);
    const QStringList unfinished =
        QDir(records).entryList({u"*.tmp*"_s}, QDir::Files | QDir::Hidden);
    qInfo("%d of 20 kills fell inside a re-assignment; %d unfinished records left", split,
          int(unfinished.size()));
}

OVRA_TEST_WIDGETS_MAIN_WITH_CHILDREN(TestMyImageBrowserViewController,
                                     {"--reassign-loop", reassignLoop})
#include "tst_myimagebrowserviewcontroller.moc"
