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

using Rig = ConsoleTestRig;

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));
const QDate kToday(2026, 12, 6);

int rowOf(const MainWindowController &w, const QString &code)
{
    return int(Rig::listedCodes(w).indexOf(code));
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
    void sortOrders_data();
    void sortOrders();
    void nothingStartsUntilCounted();
    void displayPopup_data();
    void displayPopup();
    void statusForAnotherDisplayStillUpdatesCodeStatus();
    void scanRefusedWhileOneRuns();
    void watcherRescanFromAnotherThread();
    void demoSlides();
    void selectionDrivesBrowserAndReassignment();
    void centresOnOperatorScreen();
};

void TestMainWindowController::listsFoldersWithInfoFilesOnly()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 2, QByteArray()); // no info file
    rig.makeCode(day, u"B"_s, 2);
    rig.makeCode(day, u"C"_s, 1);
    rig.makeCode(day, u".hidden"_s, 2);
    rig.makeCode(day, u"BROKEN"_s, 1, QByteArray("<data><code>BROKEN</code"));
    TestSupport::writeFile(QDir(day).filePath(u"D.xml"_s), "<data/>"); // a file
    RoomDelegate delegate;
    auto w = rig.makeWindow(&delegate);
    QStringList listed = Rig::listedCodes(*w);
    listed.sort();
    QCOMPARE(listed, (QStringList{QString(), u"B"_s, u"C"_s}));
    const QVariantMap entry = w->arrangedEntryAt(rowOf(*w, u"B"_s));
    QCOMPARE(entry.value(kEntryPathToXmlInfoFile).toString(), QDir(day).filePath(u"B/B.xml"_s));
    QCOMPARE(entry.value(kEntryCodeInfo).toMap().value(kKeyName).toString(), u"Party B"_s);
    QVERIFY(!entry.value(kEntryCodeInfo).toMap().contains(kEntryQty));
    QCOMPARE(entry.value(kEntryContentModDate).typeId(), QMetaType::QDateTime);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder), QString());
    // The status names the room a code plays in.
    QCOMPARE(entry.value(kKeyCodeStatus).toString(), u"B (Garden Room)"_s);
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"C"_s)).value(kKeyCodeStatus).toString(), u"C"_s);
    // An unreadable info file: listed and counted, without code or status.
    const int broken = rowOf(*w, QString());
    QVERIFY(!w->arrangedEntryAt(broken).contains(kKeyCode));
    QVERIFY(!w->arrangedEntryAt(broken).contains(kKeyCodeStatus));
    QTRY_COMPARE(w->arrangedEntryAt(broken).value(kEntryQty).toString(), u"1"_s);
    // Selecting it shows nothing rather than the whole day folder.
    w->ibCustomerTableView()->selectRow(broken);
    QVERIFY(!w->ibPlayButton()->isEnabled());
}

void TestMainWindowController::sortOrders_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QStringList>("expected");
    // Made in the order Z, A, M; modified A newest, then Z, then M.
    QTest::newRow("2: modified, newest first") << 2 << Rig::codes("A,Z,M");
    QTest::newRow("3: created, newest first") << 3 << Rig::codes("M,A,Z");
    QTest::newRow("7: code ascending") << 7 << Rig::codes("A,M,Z");
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
    QCOMPARE(Rig::listedCodes(*w), expected);
    // Changing the order later re-sorts the same list.
    rig.store().setInteger(tag == 7 ? 2 : 7, kPrefSortListTag);
    w->doClickOnChangeSortMethod();
    QCOMPARE(Rig::listedCodes(*w), tag == 7 ? Rig::codes("A,Z,M") : Rig::codes("A,M,Z"));
}

void TestMainWindowController::nothingStartsUntilCounted()
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
    // Nothing is counted before the main loop runs again, and nothing starts.
    QCOMPARE(w->codeList()->uncountedCount(), 2);
    QCOMPARE(w->arrangedEntryAt(0).value(kEntryQty).toString(), kQtyNotCounted);
    QVERIFY(w->countingLabel()->text().contains(u"Counting"_s));
    w->doDoubleClickOnTableView(rowOf(*w, u"B"_s));
    QVERIFY(rig.posted(kSlideShowParamChanged).isEmpty());
    QVERIFY(complete.wait(5000));
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"B"_s)).value(kEntryQty).toString(), u"7"_s);
    QCOMPARE(w->arrangedEntryAt(rowOf(*w, u"E"_s)).value(kEntryQty).toString(), u"0"_s);
    QVERIFY(!w->countingLabel()->text().contains(u"Counting"_s));
    // No photos, or nothing selected and nothing clicked: nothing starts.
    w->doDoubleClickOnTableView(rowOf(*w, u"E"_s));
    QVERIFY(rig.posted(kSlideShowParamChanged).isEmpty());
    w->doDoubleClickOnTableView(rowOf(*w, u"B"_s));
    QCOMPARE(rig.posted(kSlideShowParamChanged).size(), 1);
    w->ibCustomerTableView()->clearSelection();
    w->doDoubleClickOnTableView();
    QCOMPARE(rig.posted(kSlideShowParamChanged).size(), 1);
}

void TestMainWindowController::displayPopup_data()
{
    QTest::addColumn<int>("screens");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<int>("picked");
    QTest::addColumn<int>("started");
    const QStringList four = Rig::codes("Display #1,2. Garden,Display #3,Display #4");
    const QList<bool> firstOff{false, true, true, true};
    QTest::newRow("one") << 1 << Rig::codes("Display #1") << QList<bool>{true} << -1 << 0;
    QTest::newRow("four, default") << 4 << four << firstOff << -1 << 1;
    QTest::newRow("four, third display picked") << 4 << four << firstOff << 3 << 3;
}

void TestMainWindowController::displayPopup()
{
    QFETCH(int, screens);
    QFETCH(QStringList, titles);
    QFETCH(QList<bool>, enabled);
    QFETCH(int, picked);
    QFETCH(int, started);
    ConsoleTestRig rig(kNow);
    rig.screens = screens;
    rig.store().setObject(u"Garden"_s, u"prefNameOfDisplay2"_s);
    const QString b = rig.makeCode(rig.dayFolder(kToday), u"B"_s, 2);
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
    QCOMPARE(popup->currentIndex(), screens == 1 ? 0 : 1);
    if (picked >= 0) {
        popup->setCurrentIndex(picked);
        w->doSetupDisplayPopup(popup);
        QCOMPARE(
            rig.posted(kRequestSlideShowStatus).constLast().userInfo.value(kKeyScreenIndex).toInt(),
            picked);
    }
    // A start goes to the display the pop-up shows.
    QTRY_COMPARE(w->codeList()->uncountedCount(), 0);
    w->doDoubleClickOnTableView(0);
    const QList<Notification> starts = rig.posted(kSlideShowParamChanged);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts[0].userInfo.value(kKeyScreenIndex).toInt(), started);
    QCOMPARE(starts[0].userInfo.value(kKeySourcePath).toString(), b);
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
    QCOMPARE(Rig::listedCodes(*w), (Rig::codes("B,C")));
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
    // Demo slides start only while the code list has the focus.
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

void TestMainWindowController::selectionDrivesBrowserAndReassignment()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 0);
    rig.makeCode(day, u"B"_s, 2);
    auto w = rig.makeWindow();
    QVariantMap opened;
    w->setReassignSheetOpener(
        [&opened](MainWindowController *, const QVariantMap &p) { opened = p; });
    MyImageBrowserViewController *browser = w->fImageBrowserViewController();
    w->ibCustomerTableView()->selectRow(rowOf(*w, u"B"_s));
    QCOMPARE(w->fLastSelectedCode(), u"B"_s);
    QTRY_COMPARE(browser->images().size(), 2);
    QVERIFY(w->ibPlayButton()->isEnabled());
    QVERIFY(w->ibReassingnButton()->isEnabled());
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

    // A code without photos: nothing to play, nothing to re-assign.
    opened.clear();
    w->ibCustomerTableView()->selectRow(rowOf(*w, u"A"_s));
    QTRY_VERIFY(!w->ibPlayButton()->isEnabled());
    QTRY_COMPARE(browser->images().size(), 0);
    w->doChangeCode();
    QCOMPARE(rig.alerts.size(), 1);
    QCOMPARE(rig.alerts[0].title, u"Please Select a Code that has at least one image..."_s);
    QCOMPARE(rig.alerts[0].text, u"There is no image for this code = A"_s);
    QVERIFY(opened.isEmpty());
    w->ibCustomerTableView()->clearSelection();
    QCOMPARE(w->fLastSelectedCode(), kPleaseSelectFromAbove);
    QVERIFY(!w->ibReassingnButton()->isEnabled());
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
