#include "TestHarness.h"
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
        codes << e.value(kKeyCode, QStringLiteral("<none>")).toString();
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
    void popupDisablesTheOldCodeAndListsCodes();
    void placeholderNeverEnablesAssign();
    void undoReturnsPhotosToTheEndOfBrowser1();
    void alertsKeepTheSheetOpen_data();
    void alertsKeepTheSheetOpen();
    void cancelMovesNothing();
    void confirmedMoveSkipsACollision();
    void confirmedMoveWithNothingMovedStillEndsAsMoved();
    void otherButtonEndsWithoutMoving();

private:
    std::unique_ptr<ReAssignCodeWindowController> makeSheet(const QString &oldCode, int photos = 5);
    // Drags these photos of browser 1 into browser 2 the way a drop does.
    void dragToBrowser2(ReAssignCodeWindowController &sheet, const QStringList &names);
    QString readRecord(const QString &path);

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
    fDay = fDir->filePath(QStringLiteral("store/2019-12-30"));
    fRecords = fDir->filePath(QStringLiteral("records"));
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
    QVariantMap xyz = entry(QStringLiteral("XYZ"), QStringLiteral("Zed party"));
    xyz.insert(kEntryCodeInfo, QVariantMap{{QStringLiteral("name"), QStringLiteral("Zed party")},
                                           {QStringLiteral("room"), QStringLiteral("2")}});
    fList = {entry(QStringLiteral("abc"), QStringLiteral("Old party")), xyz,
             entry(QStringLiteral("MNO"), QStringLiteral("Emm party"))};
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
        paths << QStringLiteral("%1/%2/p%3.jpg").arg(fDay, oldCode).arg(i);
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
        urls << QUrl::fromLocalFile(QStringLiteral("%1/%2/%3").arg(fDay, sheet.fOldCode(), name));
    }
    QMimeData data;
    data.setUrls(urls);
    auto *target = sheet.fImageBrowserViewController2();
    QVERIFY(target->performDragOperation(&data, int(target->images().size())));
    target->concludeDragOperation(sheet.fImageBrowserViewController()->imageBrowser());
}

QString TestReAssignCodeWindowController::readRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

void TestReAssignCodeWindowController::candidateRule_data()
{
    QTest::addColumn<QVariantList>("entries");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("placeholderSource");

    const QVariantMap noCode{{kKeyName, QStringLiteral("B no code")}};
    QTest::newRow("same code in capitals is not offered")
        << QVariantList{entry(QStringLiteral("abc"), QStringLiteral("old")),
                        entry(QStringLiteral("ABC"), QStringLiteral("twin")),
                        entry(QStringLiteral("xyz"), QStringLiteral("C")),
                        entry(QStringLiteral("mno"), QStringLiteral("A")), noCode}
        << QStringList{QStringLiteral("ABC"), QStringLiteral("mno"), QStringLiteral("<none>"),
                       QStringLiteral("xyz")}
        << QStringLiteral("twin");
    QTest::newRow("old code missing from the list")
        << QVariantList{entry(QStringLiteral("xyz"), QStringLiteral("B")),
                        entry(QStringLiteral("mno"), QStringLiteral("A"))}
        << QStringList{QStringLiteral("abc"), QStringLiteral("mno"), QStringLiteral("xyz")}
        << QStringLiteral("given");
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
    QVariantMap given = entry(QStringLiteral("abc"), QStringLiteral("given"));
    given.insert(QStringLiteral("marker"), QStringLiteral("given"));
    const QList<QVariantMap> candidates =
        ReAssignCodeWindowController::candidateList(list, QStringLiteral("abc"), given);
    QCOMPARE(codesOf(candidates), codes);
    QCOMPARE(candidates.first().value(kKeyName).toString(), kReassignPlaceholderName);
    const bool fromGiven = candidates.first().value(QStringLiteral("marker")).isValid();
    QCOMPARE(fromGiven, placeholderSource == QStringLiteral("given"));
}

void TestReAssignCodeWindowController::popupDisablesTheOldCodeAndListsCodes()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 1);
    QComboBox *popup = sheet->ibPopupButton();
    QCOMPARE(popup->count(), 3);
    QCOMPARE(popup->itemText(0), QStringLiteral("abc"));
    QCOMPARE(popup->itemText(1), QStringLiteral("MNO")); // "Emm party" sorts first
    QCOMPARE(popup->itemText(2), QStringLiteral("XYZ"));
    auto *items = qobject_cast<QStandardItemModel *>(popup->model());
    QVERIFY(items);
    QVERIFY(!items->item(0)->isEnabled());
    QVERIFY(items->item(1)->isEnabled());
    QCOMPARE(sheet->fSelectedInfo().value(kKeyName).toString(), kReassignPlaceholderName);
}

void TestReAssignCodeWindowController::placeholderNeverEnablesAssign()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 3);
    QVERIFY(!sheet->ibAssignButton()->isEnabled());
    sheet->ibClickedOnPopup(2);
    QVERIFY(!sheet->ibAssignButton()->isEnabled()); // nothing to move yet
    dragToBrowser2(*sheet, {QStringLiteral("p1.jpg")});
    QCOMPARE(sheet->fValue2(), QStringLiteral("1"));
    QVERIFY(sheet->ibAssignButton()->isEnabled());
    sheet->ibClickedOnPopup(0);
    QVERIFY(!sheet->ibAssignButton()->isEnabled());
    sheet->ibClickedOnPopup(1);
    QVERIFY(sheet->ibAssignButton()->isEnabled());
    QCOMPARE(sheet->fSelectedInfo().value(kKeyCode).toString(), QStringLiteral("MNO"));
}

void TestReAssignCodeWindowController::undoReturnsPhotosToTheEndOfBrowser1()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 5);
    dragToBrowser2(*sheet,
                   {QStringLiteral("p4.jpg"), QStringLiteral("p1.jpg"), QStringLiteral("p2.jpg")});
    QCOMPARE(namesIn(sheet->fImageBrowserViewController()),
             (QStringList{QStringLiteral("p3.jpg"), QStringLiteral("p5.jpg")}));
    QCOMPARE(sheet->fValue1(), QStringLiteral("2"));
    QCOMPARE(sheet->fValue2(), QStringLiteral("3"));

    sheet->ibRevertButton()->click();
    QCOMPARE(
        namesIn(sheet->fImageBrowserViewController()),
        (QStringList{QStringLiteral("p3.jpg"), QStringLiteral("p5.jpg"), QStringLiteral("p4.jpg"),
                     QStringLiteral("p1.jpg"), QStringLiteral("p2.jpg")}));
    QVERIFY(sheet->fImageBrowserViewController2()->images().isEmpty());
    QCOMPARE(sheet->fValue1(), QStringLiteral("5"));
    QCOMPARE(sheet->fValue2(), QStringLiteral("0"));
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

    auto sheet = makeSheet(QStringLiteral("abc"), 3);
    sheet->ibClickedOnPopup(pick);
    if (dragged > 0) {
        dragToBrowser2(*sheet, {QStringLiteral("p1.jpg"), QStringLiteral("p2.jpg")});
    }
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(fAlerts.size(), 1);
    QCOMPARE(fAlerts.first().title, title);
    QCOMPARE(fAlerts.first().text, text);
    QCOMPARE(fAlerts.first().button, QStringLiteral("OK"));
    QVERIFY(fQuestions.isEmpty());
    QCOMPARE(finished.size(), 0);
    QCOMPARE(QDir(fDay + QStringLiteral("/abc")).entryList(QDir::Files).size(), 3);
}

void TestReAssignCodeWindowController::cancelMovesNothing()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 2);
    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet, {QStringLiteral("p2.jpg")});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(fQuestions.size(), 1);
    QCOMPARE(fQuestions.first().title, QStringLiteral("ARE YOU SURE ???"));
    QCOMPARE(fQuestions.first().button, QStringLiteral("CANCEL|YES - RE-ASSIGN"));
    QCOMPARE(fQuestions.first().text,
             QStringLiteral("Are you sure you want to re-assign photos\n\nFROM\nOld Code:\t Old "
                            "party\n\t\t [abc]\nTO\nNew Code: Zed party\n\t\t [XYZ]\n\n"));
    QCOMPARE(finished.size(), 0);
    QVERIFY(QFileInfo::exists(fDay + QStringLiteral("/abc/p2.jpg")));
    QVERIFY(QDir(fRecords).isEmpty());
}

void TestReAssignCodeWindowController::confirmedMoveSkipsACollision()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 4);
    const QString occupant = fDay + QStringLiteral("/XYZ/p3.jpg");
    QFile taken(occupant);
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.write("already here");
    taken.close();

    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet,
                   {QStringLiteral("p3.jpg"), QStringLiteral("p1.jpg"), QStringLiteral("p4.jpg")});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());

    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), 1001);
    QCOMPARE(QDir(fDay + QStringLiteral("/abc")).entryList(QDir::Files),
             (QStringList{QStringLiteral("p2.jpg"), QStringLiteral("p3.jpg")}));
    QCOMPARE(QDir(fDay + QStringLiteral("/XYZ")).entryList(QDir::Files),
             (QStringList{QStringLiteral("p1.jpg"), QStringLiteral("p3.jpg"),
                          QStringLiteral("p4.jpg")}));
    QVERIFY(taken.open(QIODevice::ReadOnly));
    QCOMPARE(taken.readAll(), QByteArray("already here"));

    const QStringList records = QDir(fRecords).entryList(QDir::Files);
    QCOMPARE(records.size(), 1);
    QVERIFY(records.first().endsWith(QStringLiteral("_reassigned.xml")));
    OvraNSXmlParser parser(readRecord(fRecords + QLatin1Char('/') + records.first()).toUtf8());
    parser.setItemNeedsArray({QStringLiteral("files")});
    parser.setItemNeedsDictionary({QStringLiteral("data"), QStringLiteral("oldcode"),
                                   QStringLiteral("newcode"), QStringLiteral("datafornewcode")});
    parser.setRootKey(QStringLiteral("data"));
    QVERIFY(parser.parse());
    const QVariantMap data = parser.mDictionary().toMap();
    QCOMPARE(data.value(QStringLiteral("files")).toStringList(),
             (QStringList{QStringLiteral("p1.jpg"), QStringLiteral("p4.jpg")}));
    const QVariantMap oldCode = data.value(QStringLiteral("oldcode")).toMap();
    QCOMPARE(oldCode.value(QStringLiteral("date")).toString(), QStringLiteral("2019-12-30"));
    QCOMPARE(oldCode.value(QStringLiteral("value")).toString(), QStringLiteral("abc"));
    QCOMPARE(data.value(QStringLiteral("newcode")).toMap().value(QStringLiteral("value")),
             QVariant(QStringLiteral("XYZ")));
    QCOMPARE(data.value(QStringLiteral("datafornewcode")).toMap().value(QStringLiteral("room")),
             QVariant(QStringLiteral("2")));
}

void TestReAssignCodeWindowController::confirmedMoveWithNothingMovedStillEndsAsMoved()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 1);
    QFile taken(fDay + QStringLiteral("/XYZ/p1.jpg"));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    sheet->ibClickedOnPopup(2);
    dragToBrowser2(*sheet, {QStringLiteral("p1.jpg")});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    fAnswerYes = true;
    sheet->doEndSheet(sheet->ibAssignButton());
    // The console reloads on 1001 only, and must show that nothing moved.
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), kReassignReturnMoved);
    QVERIFY(QFileInfo::exists(fDay + QStringLiteral("/abc/p1.jpg")));
    QVERIFY(QDir(fRecords).isEmpty());
}

void TestReAssignCodeWindowController::otherButtonEndsWithoutMoving()
{
    auto sheet = makeSheet(QStringLiteral("abc"), 2);
    sheet->ibClickedOnPopup(1);
    dragToBrowser2(*sheet, {QStringLiteral("p1.jpg")});
    QSignalSpy finished(sheet.get(), &QDialog::finished);
    sheet->ibCloseButton()->click();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), kReassignReturnStopped);
    QVERIFY(fQuestions.isEmpty());
    QCOMPARE(QDir(fDay + QStringLiteral("/abc")).entryList(QDir::Files).size(), 2);
}

QTEST_MAIN(TestReAssignCodeWindowController)
#include "tst_reassigncodewindowcontroller.moc"
