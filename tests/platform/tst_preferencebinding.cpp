// Guards widgets bound to preferences: changes flow both ways, from any thread.
#include "platform/PreferenceBinding.h"
#include "platform/Preferences.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;

class tst_PreferenceBinding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void lineEditBothWays()
    {
        Preferences store(QString{});
        const QString key = u"prefNameOfDisplay1"_s;
        store.setObject(u"Room A"_s, key);
        QLineEdit edit;
        QVERIFY(PreferenceBinding::bind(&edit, key, &store));
        QCOMPARE(edit.text(), u"Room A"_s);

        store.setObject(u"Room B"_s, key);
        QCOMPARE(edit.text(), u"Room B"_s);

        QSignalSpy spy(&store, &Preferences::valueChanged);
        edit.clear();
        QTest::keyClicks(&edit, u"Hall"_s);
        QCOMPARE(store.objectForKey(key), QVariant(u"Hall"_s));
        // The clear and each keystroke are stored once; none comes back as an extra change.
        QCOMPARE(spy.count(), 5);

        store.removeObjectForKey(key);
        QCOMPARE(edit.text(), QString());
    }

    void checkBoxBothWays()
    {
        Preferences store(QString{});
        const QString key = u"prefShowPhotoWithFilename"_s;
        QCheckBox box;
        box.setChecked(true);
        QVERIFY(PreferenceBinding::bind(&box, key, &store));
        QCOMPARE(box.isChecked(), false);
        QVERIFY(store.persistentDomain().isEmpty());

        store.setObject(u"YES"_s, key);
        QCOMPARE(box.isChecked(), true);
        box.click();
        QCOMPARE(store.objectForKey(key), QVariant(false));
    }

    void spinBoxesBothWays()
    {
        Preferences store(QString{});
        QSpinBox spin;
        spin.setRange(0, 100);
        QDoubleSpinBox real;
        real.setRange(0, 60);
        QVERIFY(PreferenceBinding::bind(&spin, u"prefSortListTag"_s, &store));
        QVERIFY(PreferenceBinding::bind(&real, u"prefSlideShowDelay1"_s, &store));

        store.setInteger(3, u"prefSortListTag"_s);
        store.setDouble(4.5, u"prefSlideShowDelay1"_s);
        QCOMPARE(spin.value(), 3);
        QCOMPARE(real.value(), 4.5);

        spin.setValue(42);
        real.setValue(7.25);
        QCOMPARE(store.objectForKey(u"prefSortListTag"_s), QVariant(qint64(42)));
        QCOMPARE(store.objectForKey(u"prefSlideShowDelay1"_s), QVariant(7.25));
    }

    void labelShowsOnly()
    {
        Preferences store(QString{});
        const QString key = u"prefDisplayStatus1"_s;
        QLabel label;
        QVERIFY(PreferenceBinding::bind(&label, key, &store));
        store.setObject(u"<Slide Show is Running...>"_s, key);
        QCOMPARE(label.text(), u"<Slide Show is Running...>"_s);
        label.setText(u"typed"_s);
        QCOMPARE(store.stringForKey(key), u"<Slide Show is Running...>"_s);
    }

    void changeFromWorkerThreadReachesWidget()
    {
        Preferences store(QString{});
        const QString key = u"prefDisplayStatus2"_s;
        QLineEdit edit;
        QVERIFY(PreferenceBinding::bind(&edit, key, &store));
        std::thread worker([&store, key] { store.setObject(u"from worker"_s, key); });
        worker.join();
        // Delivered through the widget's event loop, never touched from the worker.
        QTRY_COMPARE(edit.text(), u"from worker"_s);
    }

    void bindingDiesWithWidget()
    {
        Preferences store(QString{});
        QPointer<PreferenceBinding> binding;
        {
            QLineEdit edit;
            binding = PreferenceBinding::bind(&edit, u"prefA"_s, &store);
            QVERIFY(binding);
            QCOMPARE(binding->parent(), &edit);
        }
        QVERIFY(binding.isNull());
        store.setObject(u"still fine"_s, u"prefA"_s);
    }
};

QTEST_MAIN(tst_PreferenceBinding)
#include "tst_preferencebinding.moc"
