// Guards the sheet sending a code to a display: its fields, the locked main screen, its buttons.
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "slideshow/SelectDisplayWindowController.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>

template <typename T> T *child(QObject &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}

class TestSelectDisplayWindowController : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        seen_.clear();
        center_.removeObserver(&observer_);
        center_.addObserver(&observer_, QString(), [this](const Notification &n) {
            if (n.name != kUpdateWindow) {
                seen_ << n;
            }
        });
    }
    void withoutSourcePathNothingShows()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        QVariantMap p = param();
        p.remove(kKeySourcePath);
        chooser.showDialogWithParam(p);
        QVERIFY(!chooser.isVisible());
        chooser.ibAcceptButton();
        QVERIFY(seen_.isEmpty());
    }

    void fillsFieldsLocksMainScreenAndPostsTheChoice()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        child<QLineEdit>(chooser, "ibTextField3")->setText(QStringLiteral("stale@example.org"));
        chooser.showDialogWithParam(param());
        QVERIFY(chooser.isVisible());
        QCOMPARE(child<QLineEdit>(chooser, "ibTextField1")->text(), QStringLiteral("A123"));
        QCOMPARE(child<QLineEdit>(chooser, "ibTextField2")->text(), QStringLiteral("Ann Example"));
        QCOMPARE(child<QLineEdit>(chooser, "ibTextField3")->text(), QString());
        QComboBox *popup = child<QComboBox>(chooser, "ibPopupButton");
        QCOMPARE(popup->count(), 3);
        QCOMPARE(popup->itemText(2), QStringLiteral("Display #3"));
        QCOMPARE(popup->currentIndex(), 1);
        auto *model = qobject_cast<QStandardItemModel *>(popup->model());
        QVERIFY(model);
        QVERIFY(!model->item(0)->isEnabled());
        QVERIFY(model->item(1)->isEnabled());
        // Accepting posts the chosen display and the code's folder.
        popup->setCurrentIndex(2);
        QTest::mouseClick(child<QPushButton>(chooser, "ibAcceptButton"), Qt::LeftButton);
        QVERIFY(!chooser.isVisible());
        QCOMPARE(seen_.size(), 1);
        QCOMPARE(seen_.first().name, kSlideShowParamChanged);
        QCOMPARE(seen_.first().userInfo.value(kKeyScreenIndex).toInt(), 2);
        QCOMPARE(seen_.first().userInfo.value(kKeySourcePath).toString(),
                 QStringLiteral("/photos/2026-12-06/A123"));
    }

    void oneDisplayStaysSelectable()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        QVariantMap p = param();
        p[kKeyDisplayNamesArrayController] = displays(1);
        chooser.showDialogWithParam(p);
        auto *model =
            qobject_cast<QStandardItemModel *>(child<QComboBox>(chooser, "ibPopupButton")->model());
        QCOMPARE(child<QComboBox>(chooser, "ibPopupButton")->currentIndex(), 0);
        QVERIFY(model->item(0)->isEnabled());
        chooser.ibAcceptButton();
        QCOMPARE(seen_.size(), 1);
        QCOMPARE(seen_.first().userInfo.value(kKeyScreenIndex).toInt(), 0);
    }

    void cancelPostsNothing()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        chooser.showDialogWithParam(param());
        QTest::mouseClick(child<QPushButton>(chooser, "ibCancelButton"), Qt::LeftButton);
        QVERIFY(!chooser.isVisible());
        // Escape on a new sheet is a cancel too.
        chooser.showDialogWithParam(param());
        chooser.reject();
        QVERIFY(seen_.isEmpty());
    }

    void testButtonAsksForFreshList()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        chooser.showDialogWithParam(param());
        child<QComboBox>(chooser, "ibPopupButton")->setCurrentIndex(0);
        QTest::mouseClick(child<QPushButton>(chooser, "ibTestButton"), Qt::LeftButton);
        QCOMPARE(seen_.size(), 1);
        QCOMPARE(seen_.first().name, kTestNotification);
        QCOMPARE(child<QComboBox>(chooser, "ibPopupButton")->currentIndex(), 1);
        chooser.ibCancelButton();
    }

private:
    static QVariantList displays(int count)
    {
        QVariantList list;
        for (int i = 0; i < count; ++i) {
            list << QVariantMap{{kKeyDisplayName, QStringLiteral("Display #%1").arg(i + 1)},
                                {kKeyScreenIndex, i},
                                {kKeyEnableItem, true}};
        }
        return list;
    }

    QVariantMap param() const
    {
        return {{kKeyParentWindow,
                 QVariant::fromValue(static_cast<QObject *>(const_cast<QWidget *>(&parent_)))},
                {kKeySourcePath, QStringLiteral("/photos/2026-12-06/A123")},
                {kKeyInfo, QVariantMap{{kKeyCode, QStringLiteral("A123")},
                                       {kKeyName, QStringLiteral("Ann Example")},
                                       {QStringLiteral("phone"), QStringLiteral("555")}}},
                {kKeyDisplayNamesArrayController, displays(3)}};
    }

    NotificationCenter center_;
    QObject observer_;
    QList<Notification> seen_;
    QWidget parent_;
};

QTEST_MAIN(TestSelectDisplayWindowController)
#include "tst_selectdisplaywindowcontroller.moc"
