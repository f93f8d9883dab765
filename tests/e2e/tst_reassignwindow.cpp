// Guards a re-assignment with the real mouse: photos dragged between browsers, moved, recorded.
#include "E2eKiosk.h"
#include "TestHarness.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "console/ReAssignCodeWindowController.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestReassignWindow : public QObject
{
    Q_OBJECT
private slots:
    void draggedPhotosAreMovedAndRecorded();
};

namespace {

const QString kOldCode = u"K100"_s;
const QString kNewCode = u"K200"_s;
const QByteArray kOccupant = "already filed under the new code";

QStringList xy(QPoint p)
{
    return {QString::number(p.x()), QString::number(p.y())};
}

QPoint centreOfRow(const QAbstractItemView *view, int row)
{
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    return view->viewport()->mapToGlobal(cell.center());
}

QPoint centreOf(const QWidget *widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// xdotool runs while this process keeps serving its event loop: a drag runs a
// nested loop of its own and must see the pointer while it lasts. The process
// environment names the private X server already.
bool xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(u"xdotool"_s, arguments);
    if (!E2e::poll([&] { return tool.state() == QProcess::NotRunning; })) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool click(QPoint at, const QString &modifier = QString())
{
    QStringList steps{u"mousemove"_s};
    steps << xy(at) << u"sleep"_s << u"0.1"_s;
    if (!modifier.isEmpty()) {
        steps << u"keydown"_s << modifier;
    }
    steps << u"click"_s << u"1"_s;
    if (!modifier.isEmpty()) {
        steps << u"keyup"_s << modifier;
    }
    return xdotool(steps);
}

bool drag(QPoint from, QPoint to)
{
    // A press soon after a click on the same cell would be a double click.
    const QString pause =
        QString::number((QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200) / 1000.0);
    QStringList steps{u"mousemove"_s};
    steps << xy(from) << u"sleep"_s << pause << u"mousedown"_s << u"1"_s << u"sleep"_s << u"0.2"_s;
    // Small steps first: the view arms the drag on the first move and starts
    // it once the pointer is past the drag distance with the button held.
    for (int i = 1; i <= 4; ++i) {
        steps << u"mousemove"_s << xy(from + QPoint(3 * i, 2 * i)) << u"sleep"_s << u"0.05"_s;
    }
    for (int i = 1; i <= 10; ++i) {
        steps << u"mousemove"_s << xy(from + (to - from) * i / 10) << u"sleep"_s << u"0.05"_s;
    }
    // Rest over the target so it has seen the pointer before the drop.
    steps << u"mousemove"_s << xy(to + QPoint(1, 1)) << u"sleep"_s << u"0.3"_s << u"mouseup"_s
          << u"1"_s;
    return xdotool(steps);
}

} // namespace

void TestReassignWindow::draggedPhotosAreMovedAndRecorded()
{
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty()) {
        QSKIP("xdotool is not installed");
    }
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    // The record goes to "~/.Ostrel/CodeChanges" of this home.
    qputenv("HOME", QFile::encodeName(home.path()));

    const QString day = home.filePath(u"PhotoStore/2026-12-06"_s);
    QVERIFY(QDir().mkpath(day + u'/' + kOldCode));
    QVERIFY(QDir().mkpath(day + u'/' + kNewCode));
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < colours.size(); ++i) {
        QVERIFY(TestHarness::writeJpeg(u"%1/%2/IMG_%3.jpg"_s.arg(day, kOldCode).arg(i + 1),
                                       {640, 480}, colours.at(i)));
    }
    QVERIFY(TestHarness::writeFile(u"%1/%2/IMG_2.jpg"_s.arg(day, kNewCode), kOccupant));
    Preferences store{QString()};
    store.setObject(day, kPrefPathToAlternateDateFolder);
    const QString oldFolder = day + u'/' + kOldCode;
    const QString newFolder = day + u'/' + kNewCode;
    const QStringList photos{oldFolder + u"/IMG_1.jpg"_s, oldFolder + u"/IMG_2.jpg"_s,
                             oldFolder + u"/IMG_3.jpg"_s};
    const QVariantMap oldEntry{{kKeyCode, kOldCode}, {kKeyName, u"Wrong party"_s}};
    const QVariantMap newEntry{
        {kKeyCode, kNewCode},
        {kKeyName, u"Right party"_s},
        {kEntryCodeInfo, QVariantMap{{u"name"_s, u"Smith & <Jones>"_s}, {u"room"_s, u"2"_s}}}};
    const QVariantMap otherEntry{{kKeyCode, u"K300"_s}, {kKeyName, u"Another party"_s}};

    // The real confirmation box; the "Yes" is answered with the pointer too.
    ReAssignCodeWindowController sheet(nullptr, &store);
    sheet.setupWindow(
        {{kReassignParamOldCode, kOldCode},
         {kReassignParamCurrentInfo, oldEntry},
         {kReassignParamArrayController, QVariantList{oldEntry, newEntry, otherEntry}},
         {kReassignParamImagesList, photos}});
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QTRY_COMPARE_WITH_TIMEOUT(sheet.fValue1(), u"3"_s, 20000);
    MyImageBrowserView *browser1 = sheet.fImageBrowserViewController()->imageBrowser();
    MyImageBrowserView *browser2 = sheet.fImageBrowserViewController2()->imageBrowser();

    // Pick the new code from the pop-up.
    QComboBox *popup = sheet.ibPopupButton();
    const int pick = popup->findText(kNewCode);
    QVERIFY(click(centreOf(popup)));
    QAbstractItemView *list = popup->view();
    QTRY_VERIFY(list->isVisible() && list->window()->windowHandle() &&
                list->window()->windowHandle()->isExposed());
    QVERIFY(click(centreOfRow(list, pick)));
    QTRY_COMPARE(sheet.fSelectedInfo().value(kKeyCode).toString(), kNewCode);
    QVERIFY(!sheet.ibAssignButton()->isEnabled());

    // One photo on its own into the middle of the empty browser 2...
    QVERIFY(drag(centreOfRow(browser1, 0), centreOf(browser2->viewport())));
    QTRY_COMPARE(sheet.fValue2(), u"1"_s);
    // ...then the other two together, dropped behind it.
    QVERIFY(click(centreOfRow(browser1, 0)));
    QVERIFY(click(centreOfRow(browser1, 1), u"ctrl"_s));
    QTRY_COMPARE(browser1->selectionModel()->selectedIndexes().size(), 2);
    const QWidget *target = browser2->viewport();
    QVERIFY(drag(centreOfRow(browser1, 1),
                 target->mapToGlobal(QPoint(target->width() - 20, target->height() - 20))));
    QTRY_COMPARE(sheet.fValue2(), u"3"_s);
    QCOMPARE(sheet.getChangedImageList(), photos);
    QVERIFY(sheet.ibAssignButton()->isEnabled());

    // Assign, and answer the question once it is on screen.
    QString question;
    QString safeButton;
    QProcess answer;
    QTimer asking;
    asking.setInterval(100);
    connect(&asking, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->windowHandle() || !box->windowHandle()->isExposed()) {
            return;
        }
        asking.stop();
        question = box->text();
        safeButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == kReassignConfirmYes) {
                answer.start(u"xdotool"_s,
                             QStringList{u"mousemove"_s} + xy(centreOf(button)) +
                                 QStringList{u"sleep"_s, u"0.1"_s, u"click"_s, u"1"_s});
            }
        }
        // Should the click go astray, the question ends as cancelled and the
        // checks below fail instead of waiting for good.
        QTimer::singleShot(20000, box, &QMessageBox::reject);
    });
    asking.start();
    QSignalSpy finished(&sheet, &QDialog::finished);
    QVERIFY(click(centreOf(sheet.ibAssignButton())));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    answer.waitForFinished();
    QCOMPARE(question, kReassignConfirmTitle);
    QCOMPARE(safeButton, kReassignConfirmCancel);
    QCOMPARE(finished.first().first().toInt(), kReassignReturnMoved);

    // Moved but for the name the new code already had, which stayed put.
    QCOMPARE(filesIn(oldFolder), QStringList{u"IMG_2.jpg"_s});
    QCOMPARE(filesIn(newFolder), (QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s, u"IMG_3.jpg"_s}));
    QCOMPARE(TestHarness::readFile(newFolder + u"/IMG_2.jpg"_s), kOccupant);

    const QString records = home.filePath(u".Ostrel/CodeChanges"_s);
    const QStringList written = filesIn(records);
    QCOMPARE(written.size(), 1);
    QVERIFY2(written.first().endsWith(u"_reassigned.xml"_s), qPrintable(written.first()));
    // Its format is the record's own test's; here: the two moved, not the one that stayed.
    const QByteArray record = TestHarness::readFile(records + u'/' + written.first());
    QVERIFY2(record.count("IMG_") == 2 && record.contains(">IMG_1.jpg<") &&
                 record.contains(">IMG_3.jpg<"),
             record.constData());
}

OVRA_TEST_MAIN_WITH_SCREENS(TestReassignWindow, 1)
#include "tst_reassignwindow.moc"
