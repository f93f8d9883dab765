#include "ConsoleTestRig.h"
#include "TestHarness.h"
#include "TestSupport.h"

#include "console/CodeListModel.h"
#include "console/CodeListSortProxy.h"
#include "console/MainWindowDelegate.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "shell/CommonHeader.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSemaphore>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <thread>

using namespace Qt::StringLiterals;

namespace {

QStringList codes(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));
const QDate kToday(2026, 12, 6);

QStringList listedCodes(const MainWindowController &w)
{
    QStringList codes;
    for (int row = 0; row < w.ibArrayController()->rowCount(); ++row) {
        codes << w.arrangedEntryAt(row).value(kKeyCode).toString();
    }
    return codes;
}

int rowOf(const MainWindowController &w, const QString &code)
{
    return int(listedCodes(w).indexOf(code));
}

class RoomDelegate : public MainWindowDelegate
{
public:
    std::optional<QString> getSlideshowWindowName(const QString &code) override
    {
        if (code == QLatin1String("B")) {
            return u"B (Garden Room)"_s;
        }
        return std::nullopt;
    }
};

} // namespace

// Guards the console's code list and its commands: which folders are codes, their order, counts and
// status, which display a start goes to, and when play, scan and re-assign are allowed.
class TestMainWindowController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void listsFoldersWithInfoFilesOnly();
    void unparsableInfoFileListedWithoutCode();
    void codeStatusFromDelegate();
    void sortOrders_data();
    void sortOrders();
    void countsArriveOnMainThread();
    void doubleClickRefusedUntilCounted();
    void startMessageCarriesPopupIndex_data();
    void startMessageCarriesPopupIndex();
    void displayPopup_data();
    void displayPopup();
    void statusForAnotherDisplayStillUpdatesCodeStatus();
    void selectionShowsPhotosInBrowser();
    void scanRefusedWhileOneRuns();
    void watcherRescanFromAnotherThread();
    void demoSlides();
    void reassignmentNeedsPhotos();
    void versionField_data();
    void versionField();
    void centresOnOperatorScreen();
};

void TestMainWindowController::listsFoldersWithInfoFilesOnly()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 2, QByteArray()); // no info file
    rig.makeCode(day, u"B"_s, 2);
    rig.makeCode(day, u".hidden"_s, 2);
    TestSupport::writeFile(QDir(day).filePath(u"C.xml"_s), "<data/>"); // a file
    auto w = rig.makeWindow();
    QCOMPARE(listedCodes(*w), QStringList{u"B"_s});
    const QVariantMap entry = w->arrangedEntryAt(0);
    QCOMPARE(entry.value(kEntryPathToXmlInfoFile).toString(), QDir(day).filePath(u"B/B.xml"_s));
    QCOMPARE(entry.value(kEntryCodeInfo).toMap().value(kKeyName).toString(), u"Party B"_s);
    QVERIFY(!entry.value(kEntryCodeInfo).toMap().contains(kEntryQty));
    QCOMPARE(entry.value(kKeyCodeStatus).toString(), u"B"_s);
    QCOMPARE(entry.value(kEntryContentModDate).typeId(), QMetaType::QDateTime);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder), QString());
}

void TestMainWindowController::unparsableInfoFileListedWithoutCode()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"BROKEN"_s, 1, QByteArray("<data><code>BROKEN</code"));
    auto w = rig.makeWindow();
    QCOMPARE(w->codeList()->rowCount(), 1);
    const QVariantMap entry = w->codeList()->entryAt(0);
    QVERIFY(!entry.contains(kKeyCode));
    QVERIFY(!entry.contains(kKeyCodeStatus));
    QCOMPARE(entry.value(kEntryQty).toString(), kQtyNotCounted);
    QTRY_COMPARE(w->codeList()->entryAt(0).value(kEntryQty).toString(), u"1"_s);
    // Selecting it shows nothing rather than the whole day folder.
    w->ibCustomerTableView()->selectRow(0);
    QVERIFY(!w->ibPlayButton()->isEnabled());
}

void TestMainWindowController::codeStatusFromDelegate()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 1);
    rig.makeCode(day, u"B"_s, 1);
    RoomDelegate delegate;
    auto w = rig.makeWindow(&delegate);
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"A"_s)).value(kKeyCodeStatus).toString(), u"A"_s);
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"B"_s)).value(kKeyCodeStatus).toString(),
             u"B (Garden Room)"_s);
}

void TestMainWindowController::sortOrders_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QStringList>("expected");
    // Made in the order Z, A, M; modified A newest, then Z, then M.
    QTest::newRow("2: modified, newest first") << 2 << codes("A,Z,M");
    QTest::newRow("3: created, newest first") << 3 << codes("M,A,Z");
    QTest::newRow("7: code ascending") << 7 << codes("A,M,Z");
}

void TestMainWindowController::sortOrders()
{
    QFETCH(int, tag);
    QFETCH(QStringList, expected);
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    const QString z = rig.makeCode(day, u"Z"_s, 1);
    const QString a = rig.makeCode(day, u"A"_s, 1);
    const QString m = rig.makeCode(day, u"M"_s, 1);
    if (tag == 3) {
        const QDateTime bz = QFileInfo(z).birthTime(), ba = QFileInfo(a).birthTime(),
                        bm = QFileInfo(m).birthTime();
        if (!bz.isValid() || !(bz < ba && ba < bm)) {
            QSKIP("this file system gives no distinct creation times");
        }
    }
    const QDateTime base = QDateTime::currentDateTime();
    QVERIFY(TestHarness::setModified(a, base.addSecs(-100)));
    QVERIFY(TestHarness::setModified(z, base.addSecs(-200)));
    QVERIFY(TestHarness::setModified(m, base.addSecs(-300)));
    rig.store().setInteger(tag, kPrefSortListTag);
    auto w = rig.makeWindow();
    QCOMPARE(listedCodes(*w), expected);
    // Changing the order later re-sorts the same list.
    rig.store().setInteger(tag == 7 ? 2 : 7, kPrefSortListTag);
    w->doClickOnChangeSortMethod();
    QCOMPARE(listedCodes(*w), tag == 7 ? codes("A,Z,M") : codes("A,M,Z"));
}

void TestMainWindowController::countsArriveOnMainThread()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    const QString b = rig.makeCode(day, u"B"_s, 5);
    TestSupport::writeFile(QDir(b).filePath(u"UPPER.JPG"_s), "x");
    TestSupport::writeFile(QDir(b).filePath(u".hidden.jpg"_s), "x");
    TestSupport::writeFile(QDir(b).filePath(u"other.jpeg"_s), "x");
    QDir(b).mkdir(u"folder.jpg"_s);
    rig.makeCode(day, u"E"_s, 0);
    auto w = rig.makeWindow();
    QSignalSpy complete(w.get(), &MainWindowController::photoCountsComplete);
    // Nothing is counted before the main loop runs again.
    QCOMPARE(w->codeList()->uncountedCount(), 2);
    QVERIFY(w->countingLabel()->text().contains(u"Counting"_s));
    QVERIFY(complete.wait(5000));
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"B"_s)).value(kEntryQty).toString(), u"7"_s);
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"E"_s)).value(kEntryQty).toString(), u"0"_s);
    QVERIFY(!w->countingLabel()->text().contains(u"Counting"_s));
}

void TestMainWindowController::doubleClickRefusedUntilCounted()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"B"_s, 3);
    rig.makeCode(day, u"E"_s, 0);
    auto w = rig.makeWindow();
    QCOMPARE(w->arrangedEntryAt(0).value(kEntryQty).toString(), kQtyNotCounted);
    w->doDoubleClickOnTableView(rowOf(*w, u"B"_s));
    QVERIFY(rig.posted(kSlideShowParamChanged).isEmpty());
    QTRY_COMPARE(w->codeList()->uncountedCount(), 0);
    w->doDoubleClickOnTableView(rowOf(*w, u"E"_s));
    QVERIFY(rig.posted(kSlideShowParamChanged).isEmpty());
    w->doDoubleClickOnTableView(rowOf(*w, u"B"_s));
    QCOMPARE(rig.posted(kSlideShowParamChanged).size(), 1);
    // Nothing selected and nothing clicked: nothing starts.
    w->ibCustomerTableView()->clearSelection();
    w->doDoubleClickOnTableView();
    QCOMPARE(rig.posted(kSlideShowParamChanged).size(), 1);
}

void TestMainWindowController::startMessageCarriesPopupIndex_data()
{
    QTest::addColumn<int>("screens");
    QTest::addColumn<int>("picked");
    QTest::addColumn<int>("expected");
    QTest::newRow("one screen") << 1 << -1 << 0;
    QTest::newRow("four screens, default") << 4 << -1 << 1;
    QTest::newRow("four screens, third display picked") << 4 << 3 << 3;
}

void TestMainWindowController::startMessageCarriesPopupIndex()
{
    QFETCH(int, screens);
    QFETCH(int, picked);
    QFETCH(int, expected);
    ConsoleTestRig rig(kNow);
    rig.screens = screens;
    const QString b = rig.makeCode(rig.dayFolder(kToday), u"B"_s, 2);
    auto w = rig.makeWindow();
    QTRY_COMPARE(w->codeList()->uncountedCount(), 0);
    if (picked >= 0) {
        w->ibPopupButton()->setCurrentIndex(picked);
        w->doSetupDisplayPopup(w->ibPopupButton());
        QCOMPARE(
            rig.posted(kRequestSlideShowStatus).constLast().userInfo.value(kKeyScreenIndex).toInt(),
            picked);
    }
    w->doDoubleClickOnTableView(0);
    const QList<Notification> starts = rig.posted(kSlideShowParamChanged);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts[0].userInfo.value(kKeyScreenIndex).toInt(), expected);
    QCOMPARE(starts[0].userInfo.value(kKeySourcePath).toString(), b);
}

void TestMainWindowController::displayPopup_data()
{
    QTest::addColumn<int>("screens");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<int>("selected");
    QTest::newRow("one") << 1 << codes("Display #1") << QList<bool>{true} << 0;
    QTest::newRow("four") << 4 << codes("Display #1,2. Garden,Display #3,Display #4")
                          << QList<bool>{false, true, true, true} << 1;
}

void TestMainWindowController::displayPopup()
{
    QFETCH(int, screens);
    QFETCH(QStringList, titles);
    QFETCH(QList<bool>, enabled);
    QFETCH(int, selected);
    ConsoleTestRig rig(kNow);
    rig.screens = screens;
    rig.store().setObject(u"Garden"_s, u"prefNameOfDisplay2"_s);
    auto w = rig.makeWindow();
    QComboBox *popup = w->ibPopupButton();
    auto *model = qobject_cast<QStandardItemModel *>(popup->model());
    QVERIFY(model);
    QCOMPARE(popup->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(popup->itemText(i), titles[i]);
        QCOMPARE(model->item(i)->isEnabled(), enabled[i]);
        const QVariantMap entry = w->ibPopupArrayController()[i].toMap();
        QCOMPARE(entry.value(kKeyDisplayName).toString(), titles[i]);
        QCOMPARE(entry.value(kKeyScreenIndex).toInt(), i);
        QCOMPARE(entry.value(kKeyEnableItem).toBool(), bool(enabled[i]));
    }
    QCOMPARE(popup->currentIndex(), selected);
    // A screen unplugged: the pop-up follows and the chooser is told.
    rig.screens = 1;
    rig.center().postNotificationName(kApplicationDidChangeScreenParameters);
    QCOMPARE(popup->count(), 1);
    QCOMPARE(popup->currentIndex(), 0);
    QCOMPARE(rig.posted(kUpdateWindow).size(), 1);
}

void TestMainWindowController::statusForAnotherDisplayStillUpdatesCodeStatus()
{
    ConsoleTestRig rig(kNow);
    rig.screens = 4;
    rig.makeCode(rig.dayFolder(kToday), u"B"_s, 1);
    auto w = rig.makeWindow();
    QCOMPARE(w->ibPopupButton()->currentIndex(), 1);
    // From a slideshow thread, for display index 2 while the pop-up shows 1.
    std::thread([&rig] {
        rig.center().postNotificationName(kSlideShowStatus, QVariant(),
                                          {{kKeyScreenIndex, 2},
                                           {kKeyMesg, kMesgSlideShowRunning},
                                           {kKeyCode, u"b"_s},
                                           {kKeyCodeStatus, u"B (Room 3)"_s},
                                           {kKeyScreenIsPlaying, true}});
    }).join();
    QTRY_COMPARE(w->codeList()->entryAt(0).value(kKeyCodeStatus).toString(), u"B (Room 3)"_s);
    QCOMPARE(w->ibSlideShowStatusTextField()->text(), QString());
    QVERIFY(!rig.store().objectForKey(u"prefDisplayStatus3"_s).isValid());

    rig.center().postNotificationName(kSlideShowStatus, QVariant(),
                                      {{kKeyScreenIndex, 1}, {kKeyMesg, kMesgSlideShowNotRunning}});
    QCOMPARE(rig.store().stringForKey(u"prefDisplayStatus2"_s), kMesgSlideShowNotRunning);
    QCOMPARE(w->ibSlideShowStatusTextField()->text(), kMesgSlideShowNotRunning);
    // The field follows the stored status.
    rig.store().setObject(kMesgSlideShowRunning, u"prefDisplayStatus2"_s);
    QCOMPARE(w->ibSlideShowStatusTextField()->text(), kMesgSlideShowRunning);
    // No screen index: no display.
    rig.center().postNotificationName(kSlideShowStatus, QVariant(), {{kKeyMesg, u"x"_s}});
    QCOMPARE(w->ibSlideShowStatusTextField()->text(), kMesgSlideShowRunning);
}

void TestMainWindowController::selectionShowsPhotosInBrowser()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 0);
    rig.makeCode(day, u"B"_s, 4);
    auto w = rig.makeWindow();
    MyImageBrowserViewController *browser = w->fImageBrowserViewController();
    QVERIFY(browser);
    w->ibCustomerTableView()->selectRow(rowOf(*w, u"B"_s));
    QCOMPARE(w->fLastSelectedCode(), u"B"_s);
    QTRY_COMPARE(browser->images().size(), 4);
    QVERIFY(w->ibPlayButton()->isEnabled());
    QVERIFY(w->ibReassingnButton()->isEnabled());
    w->ibCustomerTableView()->selectRow(rowOf(*w, u"A"_s));
    QTRY_VERIFY(!w->ibPlayButton()->isEnabled());
    QTRY_COMPARE(browser->images().size(), 0);
    w->ibCustomerTableView()->clearSelection();
    QCOMPARE(w->fLastSelectedCode(), kPleaseSelectFromAbove);
    QVERIFY(!w->ibReassingnButton()->isEnabled());
}

void TestMainWindowController::scanRefusedWhileOneRuns()
{
    ConsoleTestRig rig(kNow);
    rig.makeCode(rig.dayFolder(kToday), u"B"_s, 1);
    QSemaphore entered;
    QSemaphore release;
    std::atomic_bool block{false};
    rig.readCodeInfo = [&](const QString &path) {
        if (block.exchange(false)) {
            entered.release();
            release.acquire();
        }
        return CodeFolderScan::readCodeInfo(path);
    };
    auto w = rig.makeWindow();
    QCOMPARE(w->codeList()->rowCount(), 1);
    rig.makeCode(rig.dayFolder(kToday), u"C"_s, 1);
    block = true;
    std::thread scanner([&w] { QVERIFY(w->scanFolderAgain()); });
    QVERIFY(entered.tryAcquire(1, 5000));
    QVERIFY(w->isInsideScanning());
    QVERIFY(!w->scanFolderAgain());
    release.release();
    scanner.join();
    QTRY_COMPARE(w->codeList()->rowCount(), 2);
    QVERIFY(!w->isInsideScanning());
    QVERIFY(w->scanFolderAgain());
}

void TestMainWindowController::watcherRescanFromAnotherThread()
{
    ConsoleTestRig rig(kNow);
    rig.makeCode(rig.dayFolder(kToday), u"B"_s, 1);
    auto w = rig.makeWindow();
    QCOMPARE(w->codeList()->rowCount(), 1);
    w->ibCustomerTableView()->selectRow(0);
    QTRY_COMPARE(w->fImageBrowserViewController()->images().size(), 1);
    rig.makeCode(rig.dayFolder(kToday), u"C"_s, 2);
    QSignalSpy shown(w.get(), &MainWindowController::codeListShown);
    std::thread([&rig] {
        rig.center().postNotificationName(kWatcherItemChanged, QVariant(),
                                          {{kKeyWatchPath, rig.root()}});
    }).join();
    QVERIFY(shown.wait(5000));
    QCOMPARE(listedCodes(*w), (codes("B,C")));
    QTRY_COMPARE(w->codeList()->uncountedCount(), 0);
    // A rescan clears the selection but leaves what the operator was looking at.
    QVERIFY(!w->ibCustomerTableView()->selectionModel()->hasSelection());
    QCOMPARE(w->fImageBrowserViewController()->images().size(), 1);
    QCOMPARE(w->fLastSelectedCode(), u"B"_s);
    QVERIFY(w->ibPlayButton()->isEnabled());
}

void TestMainWindowController::demoSlides()
{
    ConsoleTestRig rig(kNow);
    rig.screens = 2;
    const QString demo = QDir(rig.root()).filePath(u"Demo"_s);
    QDir().mkpath(demo);
    rig.store().setObject(demo, kPrefDemoSlidesPath);
    auto w = rig.makeWindow();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->ibCustomerTableView()->setFocus();
    QTRY_VERIFY(w->ibCustomerTableView()->hasFocus());

    TestSupport::writeFile(QDir(demo).filePath(u"notes.txt"_s), "x");
    TestSupport::writeFile(QDir(demo).filePath(u".hidden.jpg"_s), "x");
    w->doDemoSlides();
    QCOMPARE(rig.alerts.size(), 1);
    QCOMPARE(rig.alerts[0].title, u"NO DEMO IMAGES..."_s);
    QCOMPARE(rig.alerts[0].text,
             u"Please put at least one demo image into the folder:\n\"%1\""_s.arg(demo));
    QCOMPARE(rig.alerts[0].button, u"OK"_s);
    QVERIFY(rig.posted(kSlideShowParamChanged).isEmpty());

    TestSupport::writeFile(QDir(demo).filePath(u"slide.TIFF"_s), "x");
    w->doDemoSlides();
    QCOMPARE(rig.alerts.size(), 1);
    const QList<Notification> starts = rig.posted(kSlideShowParamChanged);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts[0].userInfo.value(kKeyScreenIndex).toInt(), 1);
    QCOMPARE(starts[0].userInfo.value(kKeySourcePath).toString(), demo);
}

void TestMainWindowController::reassignmentNeedsPhotos()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 0);
    rig.makeCode(day, u"B"_s, 2);
    auto w = rig.makeWindow();
    QVariantMap opened;
    w->setReassignSheetOpener(
        [&opened](MainWindowController *, const QVariantMap &p) { opened = p; });
    w->ibCustomerTableView()->selectRow(rowOf(*w, u"A"_s));
    QTRY_COMPARE(w->fLastSelectedCode(), u"A"_s);
    w->doChangeCode();
    QCOMPARE(rig.alerts.size(), 1);
    QCOMPARE(rig.alerts[0].title, u"Please Select a Code that has at least one image..."_s);
    QCOMPARE(rig.alerts[0].text, u"There is no image for this code = A"_s);
    QVERIFY(opened.isEmpty());

    w->ibCustomerTableView()->selectRow(rowOf(*w, u"B"_s));
    QTRY_COMPARE(w->fImageBrowserViewController()->images().size(), 2);
    w->doChangeCode();
    QCOMPARE(opened.value(kReassignParamOldCode).toString(), u"B"_s);
    QCOMPARE(opened.value(kReassignParamImagesList).toStringList().size(), 2);
    QCOMPARE(opened.value(kReassignParamCurrentInfo).toMap().value(kKeyCode).toString(), u"B"_s);
    QCOMPARE(opened.value(kReassignParamPathToPhotos).toString(), QDir(day).filePath(u"B"_s));
    QCOMPARE(opened.value(kReassignParamArrayController).value<QObject *>(),
             static_cast<QObject *>(w->codeList()));

    // Photos moved: the list is read again and the row stays selected.
    const int row = w->selectedRow();
    rig.makeCode(day, u"C"_s, 1);
    w->sheetDidEnd(kReassignReturnMoved);
    QCOMPARE(w->codeList()->rowCount(), 3);
    QCOMPARE(w->selectedRow(), row);
}

void TestMainWindowController::versionField_data()
{
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<QString>("expected");
    // The short version, as the bundle gives it, is read through the field below.
    QTest::newRow("get-info string")
        << QVariantMap{{kInfoCFBundleGetInfoString, u"Ovra 2"_s}, {kInfoDTXcode, u"X"_s}}
        << u"Ovra 2 [xc-X sdk-]"_s;
    QTest::newRow("nothing") << QVariantMap{} << u"Unknown Version [xc- sdk-]"_s;
}

void TestMainWindowController::versionField()
{
    QFETCH(QVariantMap, info);
    QFETCH(QString, expected);
    QCOMPARE(MainWindowController::versionFieldText(info), expected);
}

void TestMainWindowController::centresOnOperatorScreen()
{
    ConsoleTestRig rig(kNow);
    MainWindowEnvironment env = rig.environment();
    env.mainScreenFrame = [] {
        return QRect(100, 40, 1280, 800);
    };
    MainWindowController w(nullptr, env);
    QCOMPARE(w.ibVersionTextField()->text(), u"Version: 1.2.3 [xc-GNU-12 sdk-Qt-6.4.2]"_s);
    w.resize(800, 600);
    w.move(3000, 2000);
    w.centerToMainScreen();
    QVERIFY(QRect(100, 40, 1280, 800).contains(w.frameGeometry()));
    QCOMPARE(w.frameGeometry().center().x(), 100 + 640 - 1);
    // Already on the screen: left where it is.
    w.move(120, 60);
    w.centerToMainScreen();
    QCOMPARE(w.pos(), QPoint(120, 60));
    // Larger than the screen: fitted.
    w.resize(2000, 1200);
    w.move(0, 0);
    w.centerToMainScreen();
    QVERIFY(QRect(100, 40, 1280, 800).contains(w.frameGeometry()));
}

QTEST_MAIN(TestMainWindowController)
#include "tst_mainwindowcontroller.moc"
