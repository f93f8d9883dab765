#include "platform/PreferenceBinding.h"
#include "platform/Preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

#include <thread>

class tst_PreferenceBinding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void lineEditBothWays();
    void checkBoxBothWays();
    void spinBoxesBothWays();
    void comboBoxBothWays();
    void labelShowsOnly();
    void keyPathAndStandardStore();
    void changeFromWorkerThreadReachesWidget();
    void bindingDiesWithWidget();
};

void tst_PreferenceBinding::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_PreferenceBinding::lineEditBothWays()
{
    Preferences store(QString{});
    const QString key = QStringLiteral("prefNameOfDisplay1");
    store.setObject(QStringLiteral("Room A"), key);
    QLineEdit edit;
    QVERIFY(PreferenceBinding::bind(&edit, key, &store));
    QCOMPARE(edit.text(), QStringLiteral("Room A"));

    store.setObject(QStringLiteral("Room B"), key);
    QCOMPARE(edit.text(), QStringLiteral("Room B"));

    QSignalSpy spy(&store, &Preferences::valueChanged);
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("Hall"));
    QCOMPARE(store.objectForKey(key), QVariant(QStringLiteral("Hall")));
    // The clear and each keystroke are stored once; none comes back as an extra change.
    QCOMPARE(spy.count(), 5);

    store.removeObjectForKey(key);
    QCOMPARE(edit.text(), QString());
}

void tst_PreferenceBinding::checkBoxBothWays()
{
    Preferences store(QString{});
    const QString key = QStringLiteral("prefShowPhotoWithFilename");
    QCheckBox box;
    box.setChecked(true);
    QVERIFY(PreferenceBinding::bind(&box, key, &store));
    QCOMPARE(box.isChecked(), false);
    QVERIFY(store.persistentDomain().isEmpty());

    store.setObject(QStringLiteral("YES"), key);
    QCOMPARE(box.isChecked(), true);
    box.click();
    QCOMPARE(store.objectForKey(key), QVariant(false));
}

void tst_PreferenceBinding::spinBoxesBothWays()
{
    Preferences store(QString{});
    QSpinBox spin;
    spin.setRange(0, 100);
    QDoubleSpinBox real;
    real.setRange(0, 60);
    QVERIFY(PreferenceBinding::bind(&spin, QStringLiteral("prefSortListTag"), &store));
    QVERIFY(PreferenceBinding::bind(&real, QStringLiteral("prefSlideShowDelay1"), &store));

    store.setInteger(3, QStringLiteral("prefSortListTag"));
    store.setDouble(4.5, QStringLiteral("prefSlideShowDelay1"));
    QCOMPARE(spin.value(), 3);
    QCOMPARE(real.value(), 4.5);

    spin.setValue(42);
    real.setValue(7.25);
    QCOMPARE(store.objectForKey(QStringLiteral("prefSortListTag")), QVariant(qint64(42)));
    QCOMPARE(store.objectForKey(QStringLiteral("prefSlideShowDelay1")), QVariant(7.25));
}

void tst_PreferenceBinding::comboBoxBothWays()
{
    Preferences store(QString{});
    const QString key = QStringLiteral("prefTransitionStyle");
    store.setObject(QStringLiteral("push"), key);
    QComboBox combo;
    combo.addItems({QStringLiteral("fade"), QStringLiteral("push"), QStringLiteral("reveal")});
    QVERIFY(PreferenceBinding::bind(&combo, key, &store));
    QCOMPARE(combo.currentText(), QStringLiteral("push"));

    store.setObject(QStringLiteral("reveal"), key);
    QCOMPARE(combo.currentIndex(), 2);
    combo.setCurrentIndex(0);
    QCOMPARE(store.stringForKey(key), QStringLiteral("fade"));
}

void tst_PreferenceBinding::labelShowsOnly()
{
    Preferences store(QString{});
    const QString key = QStringLiteral("prefDisplayStatus1");
    QLabel label;
    QVERIFY(PreferenceBinding::bind(&label, key, &store));
    store.setObject(QStringLiteral("<Slide Show is Running...>"), key);
    QCOMPARE(label.text(), QStringLiteral("<Slide Show is Running...>"));
    label.setText(QStringLiteral("typed"));
    QCOMPARE(store.stringForKey(key), QStringLiteral("<Slide Show is Running...>"));
}

void tst_PreferenceBinding::keyPathAndStandardStore()
{
    QCOMPARE(PreferenceBinding::keyPath(QStringLiteral("prefNameOfDisplay2")),
             QStringLiteral("values.prefNameOfDisplay2"));
    Preferences store(QString{});
    Preferences::setStandardUserDefaults(&store);
    QLineEdit edit;
    PreferenceBinding *binding =
        PreferenceBinding::bind(&edit, QStringLiteral("values.prefNameOfDisplay2"));
    Preferences::setStandardUserDefaults(nullptr);
    QVERIFY(binding);
    QCOMPARE(binding->key(), QStringLiteral("prefNameOfDisplay2"));
    QCOMPARE(binding->store(), &store);
    QTest::keyClicks(&edit, QStringLiteral("Lobby"));
    QCOMPARE(store.stringForKey(QStringLiteral("prefNameOfDisplay2")), QStringLiteral("Lobby"));

    QWidget plain;
    QVERIFY(!PreferenceBinding::bind(&plain, QStringLiteral("prefX"), &store));
}

void tst_PreferenceBinding::changeFromWorkerThreadReachesWidget()
{
    Preferences store(QString{});
    const QString key = QStringLiteral("prefDisplayStatus2");
    QLineEdit edit;
    QVERIFY(PreferenceBinding::bind(&edit, key, &store));
    std::thread worker([&store, key] { store.setObject(QStringLiteral("from worker"), key); });
    worker.join();
    // Delivered through the widget's event loop, never touched from the worker.
    QTRY_COMPARE(edit.text(), QStringLiteral("from worker"));
}

void tst_PreferenceBinding::bindingDiesWithWidget()
{
    Preferences store(QString{});
    QPointer<PreferenceBinding> binding;
    {
        QLineEdit edit;
        binding = PreferenceBinding::bind(&edit, QStringLiteral("prefA"), &store);
        QVERIFY(binding);
        QCOMPARE(binding->parent(), &edit);
    }
    QVERIFY(binding.isNull());
    store.setObject(QStringLiteral("still fine"), QStringLiteral("prefA"));
}

QTEST_MAIN(tst_PreferenceBinding)
#include "tst_preferencebinding.moc"
