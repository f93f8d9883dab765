#include "BadCorpus.h"
#include "IntakeTestRig.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QDateTime kNoon(QDate(2012, 6, 12), QTime(12, 0));
const QString kCr = QString(QChar(13));
const QString kEsc = QString(QChar(27));
} // namespace

// Guards the code intake's key handling and companions: keys make the right code, floods stay
// bounded, and a code becomes current only when it should. Activated codes are seen through a
// photo script that writes them down.
class tst_BarcodeEntryController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void keystrokes_data();
    void keystrokes();
    void partialCodeIsForgotten();
    void keysFromUserInfoAreIgnored();
    void flood_data();
    void flood();

    void newCustomerId_data();
    void newCustomerId();
    void recordingAlertKeepsCurrentCodeButActivates();

    void videoCompanion_data();
    void videoCompanion();
    void previewerCompanion_data();
    void previewerCompanion();
    void sharedChannelMayGoFirst();

private:
    void type(const QStringList &keys);
    QStringList activatedCodes() const;

    std::unique_ptr<IntakeTestRig> rig;
    QStringList floodKeys;
};

void tst_BarcodeEntryController::initTestCase()
{
    QTemporaryDir corpus;
    QString error;
    QVERIFY2(BadCorpus::generate(corpus.path(), {u"keys"_s}, &error), qPrintable(error));
    const QString text =
        QString::fromUtf8(TestSupport::readFile(corpus.filePath(u"keys/flood-10000.txt"_s)));
    QCOMPARE(text.size(), 10000);
    for (const QChar c : text) {
        floodKeys.append(QString(c));
    }
}

void tst_BarcodeEntryController::init()
{
    QStandardPaths::setTestModeEnabled(true);
    rig = std::make_unique<IntakeTestRig>();
    QVERIFY(rig->isValid());
    Clock::setFixed(kNoon);
    QVERIFY(QDir().mkpath(rig->path(u"store/2012-06-12"_s)));
    rig->useScript("printf '%s\\n' \"$3\" >> '" + rig->path(u"activated"_s).toUtf8() + "'\n");
    gVideoIsRecording = false;
}

void tst_BarcodeEntryController::cleanup()
{
    rig.reset();
}

void tst_BarcodeEntryController::type(const QStringList &keys)
{
    for (const QString &key : keys) {
        rig->center.postNotificationName(
            kAddStringToBuffer,
            QVariantMap{{kKeyNewString, key}, {kKeyDate, Clock::now()}, {kKeyNSEvent, QVariant()}});
    }
}

QStringList tst_BarcodeEntryController::activatedCodes() const
{
    rig->settle();
    return QString::fromUtf8(TestSupport::readFile(rig->path(u"activated"_s)))
        .split(u'\n', Qt::SkipEmptyParts);
}

void tst_BarcodeEntryController::keystrokes_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("code");
    QTest::newRow("1 2 3 Return") << QStringList{u"1"_s, u"2"_s, u"3"_s, kCr} << u"123"_s;
    QTest::newRow("spaces and a web address")
        << QStringList{u"A"_s, u"B"_s, u" "_s, u"C"_s, u"/"_s, u"1"_s,
                       u"2"_s, u" "_s, u"3"_s, u"4"_s, kCr}
        << u"1234"_s;
    QTest::newRow("scanner sends a burst") << QStringList{u"AB C/12"_s, kCr} << u"12"_s;
    QTest::newRow("characters before Return are dropped")
        << QStringList{u"AB"_s, u"C"_s + kCr} << u"AB"_s;
    QTest::newRow("tabs around a key") << QStringList{u"\tX "_s, u"9"_s, kCr} << u"X9"_s;
}

void tst_BarcodeEntryController::keystrokes()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, code);
    BarcodeEntryController &controller = rig->controller();
    type(keys);
    QCOMPARE(controller.fNewBarcode(), code);
    QVERIFY(controller.fTempBuffer().isEmpty());
    QVERIFY(!controller.timerIsPending());
    QCOMPARE(rig->newCustomerIds.size(), 1);
    QCOMPARE(rig->newCustomerIds.first().value(kKeyNewBarcode).toString(), code);
    QVERIFY(!rig->newCustomerIds.first().contains(kKeyFromOvra));
    QCOMPARE(controller.fCurrentBarcode, code);
    QCOMPARE(activatedCodes(), QStringList{code});
}

// A pause, Escape or a cancel drops what was typed so far; the next code is whole.
void tst_BarcodeEntryController::partialCodeIsForgotten()
{
    BarcodeEntryController &controller = rig->controller();
    controller.fTimerInterval = 0.02f;
    type({u"1"_s, u"2"_s});
    QCOMPARE(controller.fTempBuffer(), u"12"_s);
    QVERIFY(controller.timerIsPending());
    QTRY_VERIFY(!controller.timerIsPending());
    QVERIFY(controller.fTempBuffer().isEmpty());
    type({u"7"_s, u"8"_s, kEsc});
    QVERIFY(controller.fTempBuffer().isEmpty());
    QVERIFY(controller.timerIsPending());
    type({u"4"_s, u"5"_s, kCr});
    QCOMPARE(controller.fNewBarcode(), u"45"_s);
    QCOMPARE(activatedCodes(), QStringList{u"45"_s});
    type({u"1"_s, u"2"_s});
    controller.cancelOperation();
    QVERIFY(!controller.timerIsPending());
    QVERIFY(controller.fTempBuffer().isEmpty());
}

void tst_BarcodeEntryController::keysFromUserInfoAreIgnored()
{
    BarcodeEntryController &controller = rig->controller();
    rig->center.postNotificationName(kAddStringToBuffer, QVariant(),
                                     QVariantMap{{kKeyNewString, u"5"_s}});
    QVERIFY(controller.fTempBuffer().isEmpty());
    rig->center.postNotificationName(kNewCustomerId, QVariant(),
                                     QVariantMap{{kKeyNewBarcode, u"55"_s}});
    QVERIFY(controller.fCurrentBarcode.isEmpty());
}

// A stuck key or a scanner gone wrong: 10,000 keys without a pause. The buffer
// stays bounded, the flood ends, and a good code after it is still activated.
void tst_BarcodeEntryController::flood_data()
{
    QTest::addColumn<bool>("oneBurst");  // the whole flood in one string
    QTest::addColumn<QString>("ending"); // what ends the flood
    QTest::newRow("keys, then a pause") << false << QString();
    QTest::newRow("keys, then Escape") << false << kEsc;
    QTest::newRow("one burst, then Return") << true << kCr;
}

void tst_BarcodeEntryController::flood()
{
    QFETCH(bool, oneBurst);
    QFETCH(QString, ending);
    BarcodeEntryController &controller = rig->controller();
    controller.fTimerInterval = 0.05f;
    const QString flood = floodKeys.join(QString());
    type(oneBurst ? QStringList{flood} : floodKeys);
    // The newest characters are the ones kept (single blank keys are dropped).
    QVERIFY(controller.fTempBuffer().size() <= BarcodeEntryController::kMaxBufferedCharacters);
    QVERIFY(!controller.fTempBuffer().isEmpty());
    QVERIFY((oneBurst ? flood.trimmed() : QString(flood).remove(u' '))
                .endsWith(controller.fTempBuffer()));
    if (ending.isEmpty()) {
        QTRY_VERIFY(!controller.timerIsPending());
    } else {
        type({ending});
    }
    QVERIFY(controller.fTempBuffer().isEmpty());
    if (ending == kCr) {
        // Whatever the flood made of a code is bounded too.
        QCOMPARE(rig->newCustomerIds.size(), 1);
        QVERIFY(rig->newCustomerIds.first().value(kKeyNewBarcode).toString().size() <=
                BarcodeEntryController::kMaxBufferedCharacters);
    }
    const int before = int(rig->newCustomerIds.size());
    type({u"4"_s, u"7"_s, u"1"_s, u"1"_s, kCr});
    QCOMPARE(rig->newCustomerIds.size(), before + 1);
    QCOMPARE(controller.fCurrentBarcode, u"4711"_s);
    const QStringList activated = activatedCodes();
    QVERIFY(!activated.isEmpty());
    QCOMPARE(activated.last(), u"4711"_s);
}

void tst_BarcodeEntryController::newCustomerId_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedCurrent");
    QTest::addColumn<QStringList>("activated");
    QTest::newRow("same code in other case: activated again")
        << u"abc"_s << u"ABC"_s << u"abc"_s << QStringList{u"ABC"_s};
    QTest::newRow("Return alone") << u"K1"_s << QString() << u"K1"_s << QStringList();
}

void tst_BarcodeEntryController::newCustomerId()
{
    QFETCH(QString, current);
    QFETCH(QString, typed);
    QFETCH(QString, expectedCurrent);
    QFETCH(QStringList, activated);
    BarcodeEntryController &controller = rig->controller();
    controller.fCurrentBarcode = current;
    type({typed, kCr});
    QCOMPARE(controller.fCurrentBarcode, expectedCurrent);
    QCOMPARE(activatedCodes(), activated);
}

void tst_BarcodeEntryController::recordingAlertKeepsCurrentCodeButActivates()
{
    BarcodeEntryController &controller = rig->controller();
    controller.fCurrentBarcode = u"OLD"_s;
    gVideoIsRecording = true;
    type({u"N"_s, u"E"_s, u"W"_s, kCr});
    QCOMPARE(rig->alertsShown, 1);
    QCOMPARE(rig->alertTexts, (QStringList{u"WARNING - VIDEO is STILL RECORDING !!!"_s,
                                           u"PLease Make Sure to STOP the Video Recording "
                                           u"First!!!\n\n"_s,
                                           u"Close"_s}));
    // Keys meant for the open alert never reach the buffer.
    type({u"Z"_s, kCr});
    QCOMPARE(rig->newCustomerIds.size(), 1);
    QVERIFY(controller.fTempBuffer().isEmpty());
    rig->closeAlert();
    QCOMPARE(controller.fCurrentBarcode, u"OLD"_s);
    QCOMPARE(activatedCodes(), QStringList{u"NEW"_s});

    // A previewer's code alerts too and does not become current.
    controller.handleOvraPreviewerNotification(
        {kOvraPreviewerNotification,
         QVariant(),
         {{kKeyAction, u"newCustomerSittingStarted"_s}, {kKeyValue, u"12345"_s}}});
    QCOMPARE(rig->alertsShown, 2);
    rig->closeAlert();
    QCOMPARE(controller.fCurrentBarcode, u"OLD"_s);

    gVideoIsRecording = false;
    type({u"N"_s, u"E"_s, u"W"_s, kCr});
    QCOMPARE(rig->alertsShown, 2);
    QCOMPARE(controller.fCurrentBarcode, u"NEW"_s);
}

void tst_BarcodeEntryController::videoCompanion_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<bool>("after");
    const QString video = u"Ovra-Video.app"_s;
    QTest::newRow("starts") << false
                            << QVariantMap{{kKeyAction, u"statusIsRecording"_s},
                                           {kKeySenderApp, video}}
                            << true;
    QTest::newRow("other letter case")
        << false
        << QVariantMap{{kKeyAction, u"STATUSISRECORDING"_s}, {kKeySenderApp, u"OVRA-VIDEO.APP"_s}}
        << true;
    QTest::newRow("stops") << true
                           << QVariantMap{{kKeyAction, u"statusNotRecording"_s},
                                          {kKeySenderApp, video}}
                           << false;
    QTest::newRow("other sender") << false
                                  << QVariantMap{{kKeyAction, u"statusIsRecording"_s},
                                                 {kKeySenderApp, u"Other.app"_s}}
                                  << false;
    QTest::newRow("other action") << true
                                  << QVariantMap{{kKeyAction, u"paused"_s}, {kKeySenderApp, video}}
                                  << true;
}

void tst_BarcodeEntryController::videoCompanion()
{
    QFETCH(bool, before);
    QFETCH(QVariantMap, info);
    QFETCH(bool, after);
    gVideoIsRecording = before;
    rig->controller().handleOvraVideoNotification({kOvraXNotification, QVariant(), info});
    QCOMPARE(gVideoIsRecording, after);
}

void tst_BarcodeEntryController::previewerCompanion_data()
{
    QTest::addColumn<QVariantMap>("info");
    QTest::addColumn<QVariant>("posted"); // invalid: nothing posted
    QTest::addColumn<QString>("current");
    const QString started = u"newCustomerSittingStarted"_s;
    QTest::newRow("new customer") << QVariantMap{{kKeyAction, started}, {kKeyValue, u" 12345\n"_s}}
                                  << QVariant(u"12345"_s) << u"12345"_s;
    QTest::newRow("action in other case")
        << QVariantMap{{kKeyAction, u"NEWCUSTOMERSITTINGSTARTED"_s}, {kKeyValue, u"77"_s}}
        << QVariant(u"77"_s) << u"77"_s;
    QTest::newRow("blank value") << QVariantMap{{kKeyAction, started}, {kKeyValue, u"   "_s}}
                                 << QVariant(u""_s) << u"OLD"_s;
    QTest::newRow("no value") << QVariantMap{{kKeyAction, started}} << QVariant() << u"OLD"_s;
    QTest::newRow("other action") << QVariantMap{{kKeyAction, u"sittingEnded"_s},
                                                 {kKeyValue, u"9"_s}}
                                  << QVariant() << u"OLD"_s;
    QTest::newRow("value leading outside")
        << QVariantMap{{kKeyAction, started}, {kKeyValue, u"../../etc"_s}}
        << QVariant(u"../../etc"_s) << u"OLD"_s;
}

void tst_BarcodeEntryController::previewerCompanion()
{
    QFETCH(QVariantMap, info);
    QFETCH(QVariant, posted);
    QFETCH(QString, current);
    BarcodeEntryController &controller = rig->controller();
    controller.fCurrentBarcode = u"OLD"_s;
    controller.handleOvraPreviewerNotification({kOvraPreviewerNotification, QVariant(), info});
    if (posted.isValid()) {
        QCOMPARE(rig->newCustomerIds.size(), 1);
        QCOMPARE(rig->newCustomerIds.first().value(kKeyNewBarcode), posted);
        QCOMPARE(rig->newCustomerIds.first().value(kKeyFromOvra).toBool(), true);
    } else {
        QVERIFY(rig->newCustomerIds.isEmpty());
    }
    QCOMPARE(controller.fCurrentBarcode, current);
    // A previewer code becomes current but is not shown at once.
    QVERIFY(activatedCodes().isEmpty());
}

void tst_BarcodeEntryController::sharedChannelMayGoFirst()
{
    // The kiosk's delegate lends its channel and releases it before the controller.
    BarcodeEntryController &controller = rig->controller();
    QCOMPARE(controller.distributedCenter(), rig->distributed.get());
    rig->distributed.reset();
    QCOMPARE(controller.distributedCenter(), nullptr);
    // Local messages still work; the rig destroys the controller afterwards.
    rig->center.postNotificationName(kNewCustomerId, QVariantMap{{kKeyNewBarcode, u"AFTER"_s}});
    QCOMPARE(controller.fCurrentBarcode, u"AFTER"_s);
}

QTEST_MAIN(tst_BarcodeEntryController)
#include "tst_barcodeentrycontroller.moc"
