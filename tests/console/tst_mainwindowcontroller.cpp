// Guards the console's code list: which day and codes it lists, their order, and where starts go.
#include "TestHarness.h"

#include "console/CodeListModel.h"
#include "console/CodeListSortProxy.h"
#include "console/MainWindowController.h"
#include "console/MainWindowDelegate.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSemaphore>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));
const QDate kToday(2026, 12, 6);

// A console with everything it touches made private: a temporary photo store, an in-memory
// preferences store installed as the standard one, a fixed clock, its own notification centre, a
// chosen number of screens, and alerts and open panels that are recorded instead of shown.
class ConsoleTestRig
{
public:
    explicit ConsoleTestRig(const QDateTime &now)
    {
        Clock::setFixed(now);
        Preferences::setStandardUserDefaults(&store_);
        QDir().mkpath(root());
        store_.setObject(root(), kPrefSlideShowPath);
        store_.setObject(kDefaultDailyFolderFormat, kPrefDailyFolderFormat);
        center_.addObserver(&observer_, QString(), [this](const Notification &n) { posted_ << n; });
    }
    ~ConsoleTestRig()
    {
        Preferences::setStandardUserDefaults(nullptr);
        Clock::reset();
    }

    QString root() const { return dir_.filePath(u"root"_s); }
    QString dayFolder(const QDate &date) const
    {
        return QDir(root()).filePath(date.toString(u"yyyy-MM-dd"_s));
    }
    // A code folder with code/code.xml (none when info is null) and photos p1.jpg ... pN.jpg.
    QString makeCode(const QString &dayFolder, const QString &code, int photos,
                     const QByteArray &info = QByteArray("default"))
    {
        const QString folder = QDir(dayFolder).filePath(code);
        QDir().mkpath(folder);
        if (info == "default") {
            TestHarness::writeFile(
                QDir(folder).filePath(code + u".xml"_s),
                u"<?xml version=\"1.0\"?>\n<data>\n\t<code>%1</code>\n\t<name>Party %1</name>\n"
                "</data>\n"_s.arg(code)
                    .toUtf8());
        } else if (!info.isNull()) {
            TestHarness::writeFile(QDir(folder).filePath(code + u".xml"_s), info);
        }
        for (int i = 1; i <= photos; ++i) {
            TestHarness::writeFile(QDir(folder).filePath(u"p%1.jpg"_s.arg(i)), "jpg");
        }
        return folder;
    }
    // The codes the window lists, in its order ("" for an entry without a code).
    static QStringList listedCodes(const MainWindowController &window)
    {
        QStringList codes;
        for (int row = 0; row < window.ibArrayController()->rowCount(); ++row) {
            codes << window.arrangedEntryAt(row).value(kKeyCode).toString();
        }
        return codes;
    }
    static QStringList codes(const char *list)
    {
        return QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
    }

    std::unique_ptr<MainWindowController> makeWindow(MainWindowDelegate *delegate = nullptr)
    {
        MainWindowEnvironment env;
        env.store = &store_;
        env.center = &center_;
        env.screenCount = [this] {
            return screens;
        };
        env.mainScreenFrame = [this] {
            return mainScreen;
        };
        env.presentAlert = [this](QWidget *, const QString &title, const QString &text,
                                  const QString &button) {
            alerts << QStringList{title, text, button};
        };
        env.openPanel = [this](QWidget *, const QString &start, const QString &, const QString &,
                               std::function<void(int, const QString &)> done) {
            panelStartFolders << start;
            done(panelResult, panelFolder);
        };
        env.readCodeInfo = readCodeInfo;
        env.bundleInfo = QVariantMap{{kInfoCFBundleShortVersionString, u"1.2.3"_s},
                                     {kInfoDTXcode, u"GNU-12"_s},
                                     {kInfoDTSDKName, u"Qt-6.4.2"_s}};
        return std::make_unique<MainWindowController>(delegate, env);
    }

    Preferences &store() { return store_; }
    NotificationCenter &center() { return center_; }
    // Notifications of this name posted on the centre.
    QList<Notification> posted(const QString &name) const
    {
        QList<Notification> list;
        std::copy_if(posted_.cbegin(), posted_.cend(), std::back_inserter(list),
                     [&name](const Notification &n) { return n.name == name; });
        return list;
    }

    int screens = 1;
    QRect mainScreen{0, 0, 1920, 1080};
    QList<QStringList> alerts; // title, text, button
    // What the open panel answers: result (1 = confirmed) and folder.
    int panelResult = 1;
    QString panelFolder;
    QStringList panelStartFolders;
    CodeFolderScan::InfoReader readCodeInfo;

private:
    QTemporaryDir dir_;
    Preferences store_{QString()};
    NotificationCenter center_;
    QObject observer_;
    QList<Notification> posted_;
};

using Rig = ConsoleTestRig;

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

class TestMainWindowController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void opensOnToday();
    void stepper_data();
    void stepper();
    void otherDaysAndTodayAgain();
    void otherDayThroughOpenPanel_data();
    void otherDayThroughOpenPanel();
    void beforeThreeTheStoreDayIsListed_data();
    void beforeThreeTheStoreDayIsListed();
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

void TestMainWindowController::opensOnToday()
{
    ConsoleTestRig rig(kNow);
    rig.store().setObject(u"/somewhere/else"_s, kPrefPathToAlternateDateFolder);
    rig.store().setInteger(101, kPrefSelectedTagForDateFolder);
    rig.makeCode(rig.dayFolder(kToday), u"T"_s, 1);
    auto w = rig.makeWindow();
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
    QVERIFY(!rig.store().objectForKey(kPrefPathToAlternateDateFolder).isValid());
    QCOMPARE(rig.store().integerForKey(kPrefSelectedTagForDateFolder), 0);
    // The first code is selected and its photos are on their way.
    QCOMPARE(w->fLastSelectedCode(), u"T"_s);
    QTRY_COMPARE(w->fImageBrowserViewController()->images().size(), 1);
}

void TestMainWindowController::stepper_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("daysBack");
    QTest::newRow("-3") << -3 << 3;
    QTest::newRow("75 is capped at 60") << 75 << 60;
}

void TestMainWindowController::stepper()
{
    QFETCH(int, value);
    QFETCH(int, daysBack);
    // 01:30: whole days back from now, without the three-hour day shift.
    const QDateTime early(kToday, QTime(1, 30));
    ConsoleTestRig rig(early);
    const QDate day = kToday.addDays(-daysBack);
    rig.makeCode(rig.dayFolder(day), u"OLD"_s, 2);
    rig.makeCode(rig.dayFolder(day.addDays(-1)), u"WRONG"_s, 2);
    auto w = rig.makeWindow();
    w->ibClickedOnStepperForDate(value);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder), rig.dayFolder(day));
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"OLD"_s});
    QCOMPARE(rig.store().objectForKey(kPrefSelectedDateString).toDateTime(),
             early.addDays(-daysBack));
    QCOMPARE(w->fLastSelectedCode(), kPleaseSelectFromAbove);
    QCOMPARE(w->dailyFolderPopup()->currentData().toInt(), kDayFolderTagOtherDay);
}

void TestMainWindowController::otherDaysAndTodayAgain()
{
    ConsoleTestRig rig(kNow);
    rig.makeCode(rig.dayFolder(kToday), u"T"_s, 1);
    rig.makeCode(rig.dayFolder(kToday.addDays(-1)), u"Y"_s, 1);
    auto w = rig.makeWindow();
    QTRY_COMPARE(w->fImageBrowserViewController()->images().size(), 1);
    w->dayStepper()->setValue(1);
    QCOMPARE(rig.store().integerForKey(kPrefDayStepperValue), 1);
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"Y"_s});
    // Coming back to the console reads the chosen day again; leaving it goes back to today.
    rig.makeCode(rig.dayFolder(kToday.addDays(-1)), u"Z"_s, 1);
    rig.center().postNotificationName(kApplicationDidBecomeActive);
    QCOMPARE(Rig::listedCodes(*w), (Rig::codes("Y,Z")));
    rig.center().postNotificationName(kApplicationDidResignActive);
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
    // A day without a folder stays chosen: nothing listed or shown, a rescan included.
    w->ibClickedOnStepperForDate(2);
    QCOMPARE(w->fImageBrowserViewController()->images().size(), 0);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder),
             rig.dayFolder(kToday.addDays(-2)));
    QVERIFY(w->scanFolderAgain());
    QCOMPARE(w->codeList()->rowCount(), 0);
    w->ibClickOnTodayFolder();
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
    QVERIFY(!rig.store().objectForKey(kPrefPathToAlternateDateFolder).isValid());
    QCOMPARE(w->dayStepper()->value(), 0);
    // Today's folder missing: an empty list.
    QDir(rig.dayFolder(kToday)).removeRecursively();
    w->ibClickOnTodayFolder();
    QCOMPARE(w->codeList()->rowCount(), 0);
}

void TestMainWindowController::otherDayThroughOpenPanel_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("confirmed") << 1 << Rig::codes("P1,P2");
    QTest::newRow("cancelled") << 0 << Rig::codes("T");
    QTest::newRow("no photo-store root: no panel") << -1 << QStringList();
}

void TestMainWindowController::otherDayThroughOpenPanel()
{
    QFETCH(int, result);
    QFETCH(QStringList, expected);
    ConsoleTestRig rig(kNow);
    rig.makeCode(rig.dayFolder(kToday), u"T"_s, 1);
    // Any folder will do: its sub-folders with info files are listed as codes.
    const QString picked = QDir(rig.root()).filePath(u"party/archive"_s);
    rig.makeCode(picked, u"P1"_s, 1);
    rig.makeCode(picked, u"P2"_s, 1);
    rig.panelResult = result;
    rig.panelFolder = picked;
    if (result < 0) {
        rig.store().removeObjectForKey(kPrefSlideShowPath);
    }
    auto w = rig.makeWindow();
    w->ibHandleDailyFolderPopup(kDayFolderTagOtherDay);
    QCOMPARE(rig.panelStartFolders, result < 0 ? QStringList() : QStringList{rig.root()});
    QCOMPARE(Rig::listedCodes(*w), expected);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder),
             result == 1 ? picked : QString());
    if (result == 1) {
        w->ibHandleDailyFolderPopup(kDayFolderTagToday);
        QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
        QVERIFY(!rig.store().objectForKey(kPrefPathToAlternateDateFolder).isValid());
    }
}

void TestMainWindowController::beforeThreeTheStoreDayIsListed_data()
{
    QTest::addColumn<bool>("calendarDayExists");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("calendar day folder exists") << true << Rig::codes("Y");
    QTest::newRow("calendar day folder missing") << false << QStringList();
}

void TestMainWindowController::beforeThreeTheStoreDayIsListed()
{
    QFETCH(bool, calendarDayExists);
    QFETCH(QStringList, expected);
    ConsoleTestRig rig(QDateTime(kToday, QTime(1, 30)));
    rig.makeCode(rig.dayFolder(kToday.addDays(-1)), u"Y"_s, 1);
    if (calendarDayExists) {
        QDir().mkpath(rig.dayFolder(kToday));
    }
    auto w = rig.makeWindow();
    QCOMPARE(Rig::listedCodes(*w), expected);
}

void TestMainWindowController::listsFoldersWithInfoFilesOnly()
{
    ConsoleTestRig rig(kNow);
    const QString day = rig.dayFolder(kToday);
    rig.makeCode(day, u"A"_s, 2, QByteArray()); // no info file
    rig.makeCode(day, u"B"_s, 2);
    rig.makeCode(day, u"C"_s, 1);
    rig.makeCode(day, u".hidden"_s, 2);
    rig.makeCode(day, u"BROKEN"_s, 1, QByteArray("<data><code>BROKEN</code"));
    TestHarness::writeFile(QDir(day).filePath(u"D.xml"_s), "<data/>"); // a file
    RoomDelegate delegate;
    auto w = rig.makeWindow(&delegate);
    QStringList listed = Rig::listedCodes(*w);
    listed.sort();
    QCOMPARE(listed, (QStringList{QString(), u"B"_s, u"C"_s}));
    const QVariantMap entry = w->arrangedEntryAt(rowOf(*w, u"B"_s));
    QCOMPARE(entry.value(kEntryPathToXmlInfoFile).toString(), QDir(day).filePath(u"B/B.xml"_s));
    QCOMPARE(entry.value(kEntryCodeInfo).toMap().value(kKeyName).toString(), u"Party B"_s);
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
    TestHarness::writeFile(QDir(b).filePath(u"UPPER.JPG"_s), "x");
    TestHarness::writeFile(QDir(b).filePath(u".hidden.jpg"_s), "x");
    TestHarness::writeFile(QDir(b).filePath(u"other.jpeg"_s), "x");
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
    QStringList shown;
    QList<bool> shownEnabled;
    for (int i = 0; i < popup->count(); ++i) {
        shown << popup->itemText(i);
        shownEnabled << model->item(i)->isEnabled();
    }
    QCOMPARE(shown, titles);
    QCOMPARE(shownEnabled, enabled);
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
    TestHarness::writeFile(QDir(demo).filePath(u"notes.txt"_s), "x");
    TestHarness::writeFile(QDir(demo).filePath(u".hidden.jpg"_s), "x");
    w->doDemoSlides();
    const QStringList alert{
        u"NO DEMO IMAGES..."_s,
        u"Please put at least one demo image into the folder:\n\"%1\""_s.arg(demo), u"OK"_s};
    QCOMPARE(rig.alerts, QList<QStringList>{alert});
    QVERIFY(rig.posted(kSlideShowParamChanged).isEmpty());

    TestHarness::writeFile(QDir(demo).filePath(u"slide.TIFF"_s), "x");
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
    QCOMPARE(rig.alerts[0].mid(0, 2),
             (QStringList{u"Please Select a Code that has at least one image..."_s,
                          u"There is no image for this code = A"_s}));
    QVERIFY(opened.isEmpty());
    w->ibCustomerTableView()->clearSelection();
    QCOMPARE(w->fLastSelectedCode(), kPleaseSelectFromAbove);
    QVERIFY(!w->ibReassingnButton()->isEnabled());
}

void TestMainWindowController::centresOnOperatorScreen()
{
    ConsoleTestRig rig(kNow);
    const QRect screen(100, 40, 1280, 800);
    rig.mainScreen = screen;
    auto w = rig.makeWindow();
    QCOMPARE(w->ibVersionTextField()->text(), u"Version: 1.2.3 [xc-GNU-12 sdk-Qt-6.4.2]"_s);
    w->resize(800, 600);
    w->move(3000, 2000);
    w->centerToMainScreen();
    QVERIFY(screen.contains(w->frameGeometry()));
    QCOMPARE(w->frameGeometry().center().x(), 100 + 640 - 1);
    // Already on the screen: left where it is.
    w->move(120, 60);
    w->centerToMainScreen();
    QCOMPARE(w->pos(), QPoint(120, 60));
    // Larger than the screen: fitted.
    w->resize(2000, 1200);
    w->move(0, 0);
    w->centerToMainScreen();
    QVERIFY(screen.contains(w->frameGeometry()));
}

QTEST_MAIN(TestMainWindowController)
#include "tst_mainwindowcontroller.moc"
