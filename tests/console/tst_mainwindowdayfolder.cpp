#include "ConsoleTestRig.h"

#include "console/CodeListModel.h"
#include "console/CodeListSortProxy.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "shell/CommonHeader.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using Rig = ConsoleTestRig;
const QDateTime kNoon(QDate(2026, 12, 6), QTime(12, 0));

} // namespace

// Guards which day folder the console lists: today on opening and again when the day changes, the
// store day before 03:00, and another day only through the stepper or the open panel.
class TestMainWindowDayFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void opensOnToday();
    void stepper_data();
    void stepper();
    void todayComesBack();
    void otherDayThroughOpenPanel_data();
    void otherDayThroughOpenPanel();
    void beforeThreeTheStoreDayIsListed_data();
    void beforeThreeTheStoreDayIsListed();
    void focusChanges();
};

void TestMainWindowDayFolder::opensOnToday()
{
    ConsoleTestRig rig(kNoon);
    rig.store().setObject(u"/somewhere/else"_s, kPrefPathToAlternateDateFolder);
    rig.store().setInteger(101, kPrefSelectedTagForDateFolder);
    rig.makeCode(rig.dayFolder(kNoon.date()), u"T"_s, 1);
    auto w = rig.makeWindow();
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
    QVERIFY(!rig.store().objectForKey(kPrefPathToAlternateDateFolder).isValid());
    QCOMPARE(rig.store().integerForKey(kPrefSelectedTagForDateFolder), 0);
    // The first code is selected and its photos are on their way.
    QCOMPARE(w->fLastSelectedCode(), u"T"_s);
    QTRY_COMPARE(w->fImageBrowserViewController()->images().size(), 1);
}

void TestMainWindowDayFolder::stepper_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("daysBack");
    QTest::newRow("-3") << -3 << 3;
    QTest::newRow("75 is capped at 60") << 75 << 60;
    QTest::newRow("60") << 60 << 60;
}

void TestMainWindowDayFolder::stepper()
{
    QFETCH(int, value);
    QFETCH(int, daysBack);
    // 01:30: whole days back from now, without the three-hour day shift.
    ConsoleTestRig rig(QDateTime(QDate(2026, 12, 6), QTime(1, 30)));
    const QDate day = QDate(2026, 12, 6).addDays(-daysBack);
    rig.makeCode(rig.dayFolder(day), u"OLD"_s, 2);
    rig.makeCode(rig.dayFolder(day.addDays(-1)), u"WRONG"_s, 2);
    auto w = rig.makeWindow();
    w->ibClickedOnStepperForDate(value);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder), rig.dayFolder(day));
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"OLD"_s});
    QCOMPARE(rig.store().objectForKey(kPrefSelectedDateString).toDateTime(),
             QDateTime(QDate(2026, 12, 6), QTime(1, 30)).addDays(-daysBack));
    QCOMPARE(w->fLastSelectedCode(), kPleaseSelectFromAbove);
    QCOMPARE(w->dailyFolderPopup()->currentData().toInt(), kDayFolderTagOtherDay);
}

void TestMainWindowDayFolder::todayComesBack()
{
    ConsoleTestRig rig(kNoon);
    rig.makeCode(rig.dayFolder(kNoon.date()), u"T"_s, 1);
    rig.makeCode(rig.dayFolder(kNoon.date().addDays(-1)), u"Y"_s, 1);
    auto w = rig.makeWindow();
    QTRY_COMPARE(w->fImageBrowserViewController()->images().size(), 1);
    w->dayStepper()->setValue(1);
    QCOMPARE(rig.store().integerForKey(kPrefDayStepperValue), 1);
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"Y"_s});
    // A day without a folder stays chosen: nothing listed or shown, a rescan included.
    w->ibClickedOnStepperForDate(2);
    QCOMPARE(w->codeList()->rowCount(), 0);
    QCOMPARE(w->fImageBrowserViewController()->images().size(), 0);
    QCOMPARE(rig.store().stringForKey(kPrefPathToAlternateDateFolder),
             rig.dayFolder(kNoon.date().addDays(-2)));
    QVERIFY(w->scanFolderAgain());
    QCOMPARE(w->codeList()->rowCount(), 0);
    w->ibClickOnTodayFolder();
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
    QVERIFY(!rig.store().objectForKey(kPrefPathToAlternateDateFolder).isValid());
    QCOMPARE(rig.store().integerForKey(kPrefDayStepperValue), 0);
    QCOMPARE(w->dayStepper()->value(), 0);
    // Today's folder missing: an empty list.
    QDir(rig.dayFolder(kNoon.date())).removeRecursively();
    w->ibClickOnTodayFolder();
    QCOMPARE(w->codeList()->rowCount(), 0);
}

void TestMainWindowDayFolder::otherDayThroughOpenPanel_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("confirmed") << 1 << Rig::codes("P1,P2");
    QTest::newRow("cancelled") << 0 << Rig::codes("T");
    QTest::newRow("no photo-store root: no panel") << -1 << QStringList();
}

void TestMainWindowDayFolder::otherDayThroughOpenPanel()
{
    QFETCH(int, result);
    QFETCH(QStringList, expected);
    ConsoleTestRig rig(kNoon);
    rig.makeCode(rig.dayFolder(kNoon.date()), u"T"_s, 1);
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
    if (result < 0) {
        return;
    }
    w->ibHandleDailyFolderPopup(kDayFolderTagToday);
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
    QVERIFY(!rig.store().objectForKey(kPrefPathToAlternateDateFolder).isValid());
}

void TestMainWindowDayFolder::beforeThreeTheStoreDayIsListed_data()
{
    QTest::addColumn<bool>("calendarDayExists");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("calendar day folder exists") << true << Rig::codes("Y");
    QTest::newRow("calendar day folder missing") << false << QStringList();
}

void TestMainWindowDayFolder::beforeThreeTheStoreDayIsListed()
{
    QFETCH(bool, calendarDayExists);
    QFETCH(QStringList, expected);
    ConsoleTestRig rig(QDateTime(QDate(2026, 12, 6), QTime(1, 30)));
    rig.makeCode(rig.dayFolder(QDate(2026, 12, 5)), u"Y"_s, 1);
    if (calendarDayExists) {
        QDir().mkpath(rig.dayFolder(QDate(2026, 12, 6)));
    }
    auto w = rig.makeWindow();
    QCOMPARE(Rig::listedCodes(*w), expected);
}

void TestMainWindowDayFolder::focusChanges()
{
    ConsoleTestRig rig(kNoon);
    rig.makeCode(rig.dayFolder(kNoon.date()), u"T"_s, 1);
    rig.makeCode(rig.dayFolder(kNoon.date().addDays(-1)), u"Y"_s, 1);
    auto w = rig.makeWindow();
    w->ibClickedOnStepperForDate(1);
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"Y"_s});
    rig.makeCode(rig.dayFolder(kNoon.date().addDays(-1)), u"Z"_s, 1);
    rig.center().postNotificationName(kApplicationDidBecomeActive);
    QCOMPARE(Rig::listedCodes(*w), (Rig::codes("Y,Z")));
    rig.center().postNotificationName(kApplicationDidResignActive);
    QCOMPARE(Rig::listedCodes(*w), QStringList{u"T"_s});
}

QTEST_MAIN(TestMainWindowDayFolder)
#include "tst_mainwindowdayfolder.moc"
