// Guards the settings window: bound controls, display groups, transition menu, rows, layout.
#include "TestSupport.h"
#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/ChoicePopup.h"
#include "shell/CommonHeader.h"
#include "shell/CustomerTableModel.h"
#include "shell/PrefWindowController.h"
#include "shell/StringListField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Sets a control as the operator would, and reads what it shows.
static void edit(QWidget *control, const QVariant &value)
{
    if (auto *box = qobject_cast<QCheckBox *>(control)) {
        box->setChecked(value.toBool());
    } else if (auto *spin = qobject_cast<QSpinBox *>(control)) {
        spin->setValue(value.toInt());
    } else if (auto *real = qobject_cast<QDoubleSpinBox *>(control)) {
        real->setValue(value.toDouble());
    } else if (auto *line = qobject_cast<QLineEdit *>(control)) {
        line->setText(value.toString());
    } else if (auto *popup = qobject_cast<ChoicePopup *>(control)) {
        popup->comboBox()->setCurrentIndex(popup->comboBox()->findData(value.toLongLong()));
    } else if (auto *names = qobject_cast<StringListField *>(control)) {
        names->lineEdit()->setText(value.toStringList().join(u", "_s));
        emit names->lineEdit()->textEdited(names->lineEdit()->text());
    }
}

static QVariant shown(QWidget *control)
{
    if (auto *box = qobject_cast<QCheckBox *>(control)) {
        return box->isChecked();
    }
    if (auto *spin = qobject_cast<QSpinBox *>(control)) {
        return qint64(spin->value());
    }
    if (auto *real = qobject_cast<QDoubleSpinBox *>(control)) {
        return real->value();
    }
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        return line->text();
    }
    return control->metaObject()->userProperty().read(control);
}

class TestPrefWindowController : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        store_ = std::make_unique<Preferences>(QString());
        Preferences::setStandardUserDefaults(store_.get());
        AppDelegate::forceTransitionChoices(*store_);
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        Preferences::setStandardUserDefaults(nullptr);
        store_.reset();
    }
    void controlShowsAndStoresItsKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("edited");
        QTest::newRow("main window")
            << kPrefAlwaysShowMainWindow << QVariant(true) << QVariant(false);
        QTest::newRow("sort order")
            << kPrefSortListTag << QVariant(qint64(3)) << QVariant(qint64(2));
        QTest::newRow("bring-to-front delay")
            << kPrefAutoBringAppToFrontAfterLaunchDelay << QVariant(5.0) << QVariant(2.5);
        QTest::newRow("photo cap")
            << kPrefMaxPhotosInLocalFolder << QVariant(qint64(40)) << QVariant(qint64(120));
        QTest::newRow("pattern names")
            << kPrefPatternImageBaseNames << QVariant(QVariantList{u"BG"_s, u"Wood"_s})
            << QVariant(QVariantList{u"Stone"_s});
        QTest::newRow("demo slides")
            << kPrefDemoSlidesPath << QVariant(u"~/Demo"_s) << QVariant(u"/srv/demo"_s);
        QTest::newRow("room name 2")
            << u"prefNameOfDisplay2"_s << QVariant(u"Room B"_s) << QVariant(u"Lobby"_s);
        QTest::newRow("delay 2") << u"prefSlideShowDelay2"_s << QVariant(5.0) << QVariant(7.5);
        QTest::newRow("which photos 2")
            << u"prefSlideShowWhichPhotos2"_s << QVariant(qint64(kTagOddPhotos))
            << QVariant(qint64(kTagEvenPhotos));
    }
    void controlShowsAndStoresItsKey()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, edited);
        auto window = makeWindow();
        QWidget *control = window->controlForKey(key);
        QVERIFY2(control, qPrintable(key));
        // A value written elsewhere shows at once, and is not written back.
        store_->setObject(stored, key);
        QCOMPARE(shown(control), stored);
        QCOMPARE(store_->objectForKey(key), stored);
        edit(control, edited);
        QCOMPARE(store_->objectForKey(key), edited);
    }

    void unlistedNumberShowsAsItsMeaningWithoutBeingWritten_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("sort 1 by code")
            << kPrefSortListTag << QVariant(qint64(1)) << kPrefSortByCode;
        QTest::newRow("sort missing") << kPrefSortListTag << QVariant() << kPrefSortByCode;
        QTest::newRow("which 7 all")
            << u"prefSlideShowWhichPhotos1"_s << QVariant(qint64(7)) << kPrefWhichAll;
    }
    void unlistedNumberShowsAsItsMeaningWithoutBeingWritten()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, text);
        if (stored.isValid()) {
            store_->setObject(stored, key);
        }
        auto window = makeWindow();
        auto *popup = qobject_cast<ChoicePopup *>(window->controlForKey(key));
        QVERIFY(popup);
        QCOMPARE(popup->comboBox()->currentText(), text);
        QCOMPARE(store_->objectForKey(key), stored);
    }

    void namesListKeepsAFreshlyTypedComma()
    {
        store_->setObject(u"demo, demo2"_s, kPrefDemoCodesList);
        auto window = makeWindow();
        auto *names = qobject_cast<StringListField *>(window->controlForKey(kPrefDemoCodesList));
        QVERIFY(names);
        QCOMPARE(names->lineEdit()->text(), u"demo, demo2"_s);
        QLineEdit *line = names->lineEdit();
        line->setFocus();
        line->end(false);
        QTest::keyClicks(line, u","_s);
        QCOMPARE(line->text(), u"demo, demo2,"_s);
        QTest::keyClicks(line, u" x9"_s);
        QCOMPARE(store_->stringArrayForKey(kPrefDemoCodesList),
                 (QStringList{u"demo"_s, u"demo2"_s, u"x9"_s}));
    }

    void rootIsReadOnly()
    {
        store_->setObject(u"/srv/photos"_s, kPrefSlideShowPath);
        auto window = makeWindow();
        auto *root = qobject_cast<QLineEdit *>(window->controlForKey(kPrefSlideShowPath));
        QVERIFY(root);
        QVERIFY(root->isReadOnly());
        QCOMPARE(root->text(), u"/srv/photos"_s);
        root->setFocus();
        QTest::keyClicks(root, u"x"_s);
        QCOMPARE(store_->stringForKey(kPrefSlideShowPath), u"/srv/photos"_s);
        // A new root chosen behind the password shows at once.
        store_->setObject(u"/srv/photos2"_s, kPrefSlideShowPath);
        QCOMPARE(root->text(), u"/srv/photos2"_s);
    }

    void oneGroupPerAttachedDisplay_data()
    {
        QTest::addColumn<int>("displays");
        QTest::newRow("one") << 1;
        QTest::newRow("four") << 4;
    }
    void oneGroupPerAttachedDisplay()
    {
        QFETCH(int, displays);
        auto window = makeWindow(displays);
        QList<int> tags;
        for (QAbstractButton *button : window->identifyButtons()) {
            tags << button->property(kTagProperty).toInt();
        }
        QList<int> expected;
        for (int n = 1; n <= displays; ++n) {
            expected << n;
            QVERIFY(window->controlForKey(u"prefNameOfDisplay%1"_s.arg(n)));
            QVERIFY(window->controlForKey(u"prefSlideShowDelay%1"_s.arg(n)));
        }
        QCOMPARE(tags, expected);
        QVERIFY(!window->controlForKey(u"prefNameOfDisplay%1"_s.arg(displays + 1)));
    }

    void transitionMenuSelectsTheStoredStyle_data()
    {
        QTest::addColumn<QVariant>("style");
        QTest::addColumn<QString>("selected");
        QTest::newRow("push") << QVariant(kTransitionPush) << kTransitionPush;
        QTest::newRow("other case") << QVariant(u"REVEAL"_s) << kTransitionReveal;
        QTest::newRow("unknown") << QVariant(u"spin"_s) << kTransitionMenuRandom;
    }
    void transitionMenuSelectsTheStoredStyle()
    {
        QFETCH(QVariant, style);
        QFETCH(QString, selected);
        store_->setObject(style, kPrefTransitionStyle);
        store_->setObject(kTransitionModeRandom, kPrefUseTransitionMode);
        auto window = makeWindow();
        QComboBox *popup = window->ibTransitionPopupButton();
        QStringList items;
        for (int i = 0; i < popup->count(); ++i) {
            items << popup->itemText(i);
        }
        QCOMPARE(items, (QStringList{kTransitionMenuRandom, QString(), kNoTransitionEffect,
                                     kTransitionFade, kTransitionMoveIn, kTransitionPush,
                                     kTransitionReveal}));
        // The empty item is a separator, not a choice.
        QVERIFY(!(popup->model()->flags(popup->model()->index(1, 0)) & Qt::ItemIsSelectable));
        QCOMPARE(popup->currentText(), selected);
        // The stored style shows in random mode too; selecting is no command.
        QCOMPARE(store_->objectForKey(kPrefTransitionStyle), style);
    }

    void customerRowsComeFromTheDayFolder()
    {
        const QString day = dir_->filePath(u"2026-12-06"_s);
        QVERIFY(QDir().mkpath(day + u"/B2"_s));
        QVERIFY(TestSupport::writeFile(day + u"/A1/A1.xml"_s,
                                       "<data><code>A1</code><name>Ann%20Example</name>"
                                       "<email>ann@example.org</email></data>"));
        QVERIFY(TestSupport::writeFile(day + u"/notes.txt"_s, "x"));
        auto window = makeWindow();
        window->setCustomerRows(CustomerTableModel::rowsOfDayFolder(day));
        CustomerTableModel *rows = window->ibArrayController();
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->rowDictionary(0).value(kKeyCode).toString(), u"A1"_s);
        QCOMPARE(rows->rowDictionary(0).value(kKeyName).toString(), u"Ann Example"_s);
        QCOMPARE(rows->rowDictionary(0).value(kKeyEmail).toString(), u"ann@example.org"_s);
        QCOMPARE(rows->rowDictionary(1).value(kKeyCode).toString(), u"B2"_s);
        QVERIFY(rows->rowDictionary(2).isEmpty());
        QCOMPARE(window->selectedRow(), -1);
        window->ibCustomerTableView()->selectRow(1);
        QCOMPARE(window->selectedRow(), 1);
    }

    void everyTabShowsItsControlsWhole()
    {
        store_->setObject(u"/srv/ovra/photo-store"_s, kPrefSlideShowPath);
        store_->setObject(u"Ovra VideoWall - v1.0.0 [XC-GNU sdk-Qt-6.4.2]"_s, kPrefAppVersion);
        auto window = makeWindow(4);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTabWidget *tabs = window->ibTabView();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QWidget *page = tabs->widget(i);
            QApplication::processEvents();
            // Every visible control lies wholly inside its page and has at least
            // the height it asks for.
            const QList<QWidget *> controls = page->findChildren<QWidget *>();
            for (QWidget *control : controls) {
                if (!control->isVisibleTo(page) || control->objectName().startsWith(u"qt_"_s) ||
                    !control->parentWidget()->isVisibleTo(page)) {
                    continue;
                }
                const QRect inPage(control->mapTo(page, QPoint(0, 0)), control->size());
                QVERIFY2(page->rect().contains(inPage),
                         qPrintable(tabs->tabText(i) + u": "_s +
                                    QString::fromLatin1(control->metaObject()->className()) +
                                    u" "_s + control->objectName()));
                if (qobject_cast<QAbstractButton *>(control) ||
                    qobject_cast<QLineEdit *>(control)) {
                    QVERIFY2(control->height() >= control->minimumSizeHint().height(),
                             qPrintable(control->objectName()));
                }
            }
        }
    }

private:
    std::unique_ptr<PrefWindowController> makeWindow(int displays = 2)
    {
        return std::make_unique<PrefWindowController>(
            displays, AppDelegate::transitionMenuItems(*store_), store_.get());
    }

    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(TestPrefWindowController)
#include "tst_prefwindowcontroller.moc"
