#include "TestHarness.h"
#include "TestSupport.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "console/ReAssignCodeWindowController.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"

#include <QComboBox>
#include <QDir>
#include <QMimeData>
#include <QPushButton>
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

QStringList namesIn(const MyImageBrowserViewController *browser)
{
    QStringList names;
    for (const auto &item : browser->images()) {
        names << QFileInfo(item.path).fileName();
    }
    return names;
}

} // namespace

// Guards the re-assignment sheet: only real other codes can be picked, alerts and Cancel move
// nothing, and a confirmed move skips taken names and records exactly what moved.
class TestReAssignCodeWindowController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void candidateRule_data();
    void candidateRule();
    void assignNeedsAnotherCodeAndPhotos();
    void alertsKeepTheSheetOpen_data();
    void alertsKeepTheSheetOpen();
    void cancelOrCloseMovesNothing();
    void confirmedMoveSkipsACollision();
    void confirmedMoveWithNothingMovedStillEndsAsMoved();

private:
    std::unique_ptr<ReAssignCodeWindowController> makeSheet(const QString &oldCode, int photos = 5);
    // Drags these photos of browser 1 into browser 2 the way a drop does.
    void dragToBrowser2(ReAssignCodeWindowController &sheet, const QStringList &names);

    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<Preferences> fPrefs;
    std::unique_ptr<NotificationCenter> fCenter;
    QString fDay;
    QString fRecords;
    QList<Shown> fAlerts;
    QList<Shown> fQuestions;
    bool fAnswerYes = false;
    QVariantList fList;
};

void TestReAssignCodeWindowController::init()
{
    fDir = std::make_unique<QTemporaryDir>();
    QVERIFY(fDir->isValid());
    fDay = fDir->filePath(u"store/2019-12-30"_s);
    fRecords = fDir->filePath(u"records"_s);
    for (const char *code : {"abc", "XYZ", "MNO"}) {
        QVERIFY(QDir().mkpath(fDay + QLatin1Char('/') + QLatin1String(code)));
    }
    QVERIFY(QDir().mkpath(fRecords));
    fPrefs = std::make_unique<Preferences>(QString());
    fPrefs->setObject(fDay, kPrefPathToAlternateDateFolder);
    fCenter = std::make_unique<NotificationCenter>();
    fAlerts.clear();
    fQuestions.clear();
    fAnswerYes = false;
    QVariantMap xyz = entry(u"XYZ"_s, u"Zed party"_s);
    xyz.insert(kEntryCodeInfo, QVariantMap{{u"name"_s, u"Zed party"_s}, {u"room"_s, u"2"_s}});
    fList = {entry(u"abc"_s, u"Old party"_s), xyz, entry(u"MNO"_s, u"Emm party"_s)};
}

void TestReAssignCodeWindowController::cleanup()
{
    Clock::reset();
    fCenter.reset();
    fPrefs.reset();
    fDir.reset();
}

std::unique_ptr<ReAssignCodeWindowController>
TestReAssignCodeWindowController::makeSheet(const QString &oldCode, int photos)
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

void TestReAssignCodeWindowController::dragToBrowser2(ReAssignCodeWindowController &sheet,
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

void TestReAssignCodeWindowController::candidateRule_data()
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

void TestReAssignCodeWindowController::candidateRule()
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

void TestReAssignCodeWindowController::assignNeedsAnotherCodeAndPhotos()
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
    QCOMPARE(namesIn(sheet->fImageBrowserViewController()),
             (QStringList{u"p3.jpg"_s, u"p5.jpg"_s}));
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
    QCOMPARE(namesIn(sheet->fImageBrowserViewController()),
             (QStringList{u"p3.jpg"_s, u"p5.jpg"_s, u"p4.jpg"_s, u"p1.jpg"_s, u"p2.jpg"_s}));
    QVERIFY(sheet->fImageBrowserViewController2()->images().isEmpty());
    QCOMPARE(sheet->fValue1(), u"5"_s);
    QCOMPARE(sheet->fValue2(), u"0"_s);
    QVERIFY(!sheet->ibAssignButton()->isEnabled());
}

void TestReAssignCodeWindowController::alertsKeepTheSheetOpen_data()
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

void TestReAssignCodeWindowController::alertsKeepTheSheetOpen()
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

void TestReAssignCodeWindowController::cancelOrCloseMovesNothing()
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

void TestReAssignCodeWindowController::confirmedMoveSkipsACollision()
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

void TestReAssignCodeWindowController::confirmedMoveWithNothingMovedStillEndsAsMoved()
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

QTEST_MAIN(TestReAssignCodeWindowController)
#include "tst_reassigncodewindowcontroller.moc"
