#include "BadCorpus.h"
#include "IntakeTestRig.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QString kCr = QString(QChar(13));
const QString kEsc = QString(QChar(27));
} // namespace

// A keystroke flood (a stuck key, a scanner gone wrong: 10,000 keys without
// a pause) through the code intake's key handling. The buffer stays bounded,
// the flood ends, and a good code after it is still activated.
class tst_BarcodeFlood : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void flood_data();
    void flood();

private:
    void type(IntakeTestRig &rig, const QStringList &keys);
    QStringList floodKeys;
};

void tst_BarcodeFlood::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
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

void tst_BarcodeFlood::type(IntakeTestRig &rig, const QStringList &keys)
{
    for (const QString &key : keys) {
        rig.center.postNotificationName(
            kAddStringToBuffer,
            QVariantMap{{kKeyNewString, key}, {kKeyDate, Clock::now()}, {kKeyNSEvent, QVariant()}});
    }
}

void tst_BarcodeFlood::flood_data()
{
    QTest::addColumn<bool>("oneBurst");  // the whole flood in one string
    QTest::addColumn<QString>("ending"); // what ends the flood
    QTest::newRow("keys, then a pause") << false << QString();
    QTest::newRow("keys, then Escape") << false << kEsc;
    QTest::newRow("keys, then Return") << false << kCr;
    QTest::newRow("one burst, then a pause") << true << QString();
    QTest::newRow("one burst, then Return") << true << kCr;
}

void tst_BarcodeFlood::flood()
{
    QFETCH(bool, oneBurst);
    QFETCH(QString, ending);
    IntakeTestRig rig;
    QVERIFY(rig.isValid());
    Clock::setFixed(QDateTime(QDate(2012, 6, 12), QTime(12, 0)));
    QVERIFY(QDir().mkpath(rig.path(u"store/2012-06-12"_s)));
    rig.useScript("printf '%s\\n' \"$3\" >> '" + rig.path(u"activated"_s).toUtf8() + "'\n");
    BarcodeEntryController &controller = rig.controller();
    controller.fTimerInterval = 0.05f;

    type(rig, oneBurst ? QStringList{floodKeys.join(QString())} : floodKeys);
    QVERIFY(controller.fTempBuffer().size() <= BarcodeEntryController::kMaxBufferedCharacters);
    // The newest characters are the ones kept (single blank keys are dropped).
    const QString flood = floodKeys.join(QString());
    QVERIFY(!controller.fTempBuffer().isEmpty());
    QVERIFY((oneBurst ? flood.trimmed() : QString(flood).remove(u' '))
                .endsWith(controller.fTempBuffer()));
    if (ending.isEmpty()) {
        QTRY_VERIFY(!controller.timerIsPending());
    } else {
        type(rig, {ending});
    }
    QVERIFY(controller.fTempBuffer().isEmpty());
    if (ending == kCr) {
        // Whatever the flood made of a code is bounded too.
        QCOMPARE(rig.newCustomerIds.size(), 1);
        QVERIFY(rig.newCustomerIds.first().value(kKeyNewBarcode).toString().size() <=
                BarcodeEntryController::kMaxBufferedCharacters);
    }

    const int before = int(rig.newCustomerIds.size());
    type(rig, {u"4"_s, u"7"_s, u"1"_s, u"1"_s, kCr});
    QCOMPARE(rig.newCustomerIds.size(), before + 1);
    QCOMPARE(rig.newCustomerIds.last().value(kKeyNewBarcode).toString(), u"4711"_s);
    QCOMPARE(controller.fCurrentBarcode, u"4711"_s);
    rig.settle();
    const QStringList activated = QString::fromUtf8(TestSupport::readFile(rig.path(u"activated"_s)))
                                      .split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!activated.isEmpty());
    QCOMPARE(activated.last(), u"4711"_s);
}

QTEST_MAIN(tst_BarcodeFlood)
#include "tst_barcodeflood.moc"
