// Guards key routing: which keys join the code buffer and which reach the window.
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "shell/OVRAApplication.h"
#include "slideshow/borderlessWindow.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
struct KeyCounter : QObject
{
    int key = 0;
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        // QTest also presses the modifier keys themselves; count the typed key only.
        presses +=
            event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == key;
        return false;
    }
};
} // namespace

class TestOVRAApplication : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        buffered_.clear();
        NotificationCenter::defaultCenter()->addObserver(
            &observer_, kAddStringToBuffer, [this](const Notification &n) {
                // The payload is the object; the user information stays empty.
                QVERIFY(n.userInfo.isEmpty());
                buffered_ << n.object.toMap().value(kKeyNewString).toString();
            });
    }

    void cleanup() { NotificationCenter::defaultCenter()->removeObserver(&observer_); }

    void routing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("displayWindow");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("buffered");
        QTest::addColumn<bool>("reachesWindow");
        QTest::newRow("plain key, settings window")
            << int(Qt::Key_7) << false << int(Qt::NoModifier) << u"7"_s << true;
        QTest::newRow("shift key, settings window")
            << int(Qt::Key_7) << false << int(Qt::ShiftModifier) << u"7"_s << true;
        QTest::newRow("plain key, display window")
            << int(Qt::Key_7) << true << int(Qt::NoModifier) << u"7"_s << false;
        QTest::newRow("control, display window")
            << int(Qt::Key_7) << true << int(Qt::ControlModifier) << QString() << true;
        QTest::newRow("meta, settings window")
            << int(Qt::Key_7) << false << int(Qt::MetaModifier) << QString() << true;
        QTest::newRow("return survives the trim")
            << int(Qt::Key_Return) << false << int(Qt::NoModifier) << u"\r"_s << true;
        QTest::newRow("lone blank, display window")
            << int(Qt::Key_Space) << true << int(Qt::NoModifier) << QString() << true;
        QTest::newRow("arrow, display window")
            << int(Qt::Key_Left) << true << int(Qt::NoModifier) << QString() << true;
    }

    void routing()
    {
        QFETCH(int, key);
        QFETCH(bool, displayWindow);
        QFETCH(int, modifiers);
        QFETCH(QString, buffered);
        QFETCH(bool, reachesWindow);

        std::unique_ptr<QWidget> window;
        if (displayWindow) {
            window = std::make_unique<borderlessWindow>(QRect(0, 0, 400, 300));
        } else {
            window = std::make_unique<QWidget>();
        }
        auto *layout = new QVBoxLayout(window.get());
        auto *field = new QLineEdit;
        layout->addWidget(field);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        field->setFocus();
        KeyCounter counter;
        counter.key = key;
        field->installEventFilter(&counter);

        QTest::keyClick(window->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(buffered_, buffered.isEmpty() ? QStringList() : QStringList{buffered});
        QCOMPARE(counter.presses, reachesWindow ? 1 : 0);
    }

    void openMenuKeepsItsKeys()
    {
        borderlessWindow window(QRect(0, 0, 400, 300));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QMenu menu;
        QAction *item = menu.addAction(u"Item"_s);
        QSignalSpy triggered(item, &QAction::triggered);
        menu.popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        menu.setActiveAction(item);
        QTest::keyClick(menu.windowHandle(), Qt::Key_Return);
        QCOMPARE(triggered.count(), 1);
        QVERIFY(buffered_.isEmpty());
    }

private:
    QStringList buffered_;
    QObject observer_;
};

int main(int argc, char *argv[])
{
    OVRAApplication app(argc, argv);
    TestOVRAApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ovraapplication.moc"
