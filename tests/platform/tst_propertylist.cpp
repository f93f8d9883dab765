#include "platform/PropertyList.h"

#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <limits>

class tst_PropertyList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripsEveryType_data();
    void roundTripsEveryType();
    void roundTripsNestedDictionary();
    void datesKeepWholeSeconds();
    void readsBinaryPlist();
    void rejectsWhatIsNotAPlist_data();
    void rejectsWhatIsNotAPlist();
    void missingFileIsInvalid();
    void atomicWriteLeavesOnlyTheFile();
    void writeIntoMissingFolderFails();

private:
    QTemporaryDir m_dir;
};

void tst_PropertyList::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void tst_PropertyList::roundTripsEveryType_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("string") << QVariant(QStringLiteral("a <b> & \"c\" é\nline"));
    QTest::newRow("empty string") << QVariant(QString());
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("zero") << QVariant(qint64(0));
    QTest::newRow("negative") << QVariant(qint64(-42));
    QTest::newRow("int64 min") << QVariant(std::numeric_limits<qint64>::min());
    QTest::newRow("int64 max") << QVariant(std::numeric_limits<qint64>::max());
    QTest::newRow("real") << QVariant(4.5);
    QTest::newRow("negative real") << QVariant(-0.1);
    QTest::newRow("data") << QVariant(QByteArray("\x00\x01\xff binary", 10));
    QTest::newRow("array") << QVariant(QVariantList{QStringLiteral("a"), qint64(1), true, 2.5});
    QTest::newRow("empty array") << QVariant(QVariantList{});
}

void tst_PropertyList::roundTripsEveryType()
{
    QFETCH(QVariant, value);
    const QVariantMap written{{QStringLiteral("k"), value}};
    const QString path =
        m_dir.filePath(QStringLiteral("%1.plist").arg(QLatin1String(QTest::currentDataTag())));
    QString error;
    QVERIFY2(PropertyList::writeFileAtomically(path, written, &error), qPrintable(error));

    const QVariant read = PropertyList::readFile(path, &error);
    QVERIFY2(read.isValid(), qPrintable(error));
    QCOMPARE(read.typeId(), QMetaType::QVariantMap);
    const QVariant back = read.toMap().value(QStringLiteral("k"));
    QCOMPARE(back.typeId(), value.typeId());
    QCOMPARE(back, value);
}

void tst_PropertyList::roundTripsNestedDictionary()
{
    const QVariantMap inner{{QStringLiteral("list"), QVariantList{qint64(-1), QStringLiteral("x")}},
                            {QStringLiteral("flag"), false}};
    const QVariantMap outer{{QStringLiteral("inner"), inner},
                            {QStringLiteral("empty"), QVariantMap{}},
                            {QStringLiteral("name"), QStringLiteral("top")}};
    const QVariant back = PropertyList::fromXml(PropertyList::toXml(outer));
    QCOMPARE(back.toMap(), outer);
    QCOMPARE(back.toMap().value(QStringLiteral("inner")).toMap().value(QStringLiteral("list")),
             inner.value(QStringLiteral("list")));
}

void tst_PropertyList::datesKeepWholeSeconds()
{
    const QDateTime when(QDate(2023, 3, 8), QTime(20, 26, 40, 750), QTimeZone::utc());
    const QVariant back = PropertyList::fromXml(PropertyList::toXml(QVariantList{when}));
    const QDateTime read = back.toList().value(0).toDateTime();
    QVERIFY(read.isValid());
    QCOMPARE(read.toSecsSinceEpoch(), when.toSecsSinceEpoch());
    QVERIFY(PropertyList::toXml(QVariantList{when}).contains("2023-03-08T20:26:40Z"));
    // Before the property-list epoch (2001) too.
    const QDateTime old(QDate(1999, 12, 31), QTime(23, 0), QTimeZone::utc());
    QCOMPARE(PropertyList::fromXml(PropertyList::toXml(QVariantList{old}))
                 .toList()
                 .value(0)
                 .toDateTime()
                 .toSecsSinceEpoch(),
             old.toSecsSinceEpoch());
}

void tst_PropertyList::readsBinaryPlist()
{
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (plistutil.isEmpty())
        QSKIP("plistutil is not installed");
    const QVariantMap value{{QStringLiteral("prefSlideShowDelay1"), 4.5},
                            {QStringLiteral("prefDoSlideShow1"), true},
                            {QStringLiteral("prefSortListTag"), qint64(-3)},
                            {QStringLiteral("prefPatternImageBaseNames"),
                             QVariantList{QStringLiteral("a"), QStringLiteral("b")}}};
    const QString xmlPath = m_dir.filePath(QStringLiteral("source.plist"));
    const QString binPath = m_dir.filePath(QStringLiteral("binary.plist"));
    QVERIFY(PropertyList::writeFileAtomically(xmlPath, value));
    QCOMPARE(QProcess::execute(plistutil,
                               {QStringLiteral("-i"), xmlPath, QStringLiteral("-o"), binPath}),
             0);
    QVERIFY(TestSupport::readFile(binPath).startsWith("bplist00"));
    QCOMPARE(PropertyList::readFile(binPath).toMap(), value);
}

void tst_PropertyList::rejectsWhatIsNotAPlist_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("prefSlideShowDelay1 = 4.5\n");
    QTest::newRow("truncated xml")
        << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>x");
    QTest::newRow("other xml") << QByteArray("<?xml version=\"1.0\"?><html><body/></html>");
    QTest::newRow("truncated binary") << QByteArray("bplist00\xd1\x01\x02", 11);
}

void tst_PropertyList::rejectsWhatIsNotAPlist()
{
    QFETCH(QByteArray, bytes);
    const QString path =
        m_dir.filePath(QStringLiteral("bad-%1").arg(QLatin1String(QTest::currentDataTag())));
    QVERIFY(TestSupport::writeFile(path, bytes));
    QString error;
    QVERIFY(!PropertyList::readFile(path, &error).isValid());
    QVERIFY(!error.isEmpty());
}

void tst_PropertyList::missingFileIsInvalid()
{
    QString error;
    QVERIFY(
        !PropertyList::readFile(m_dir.filePath(QStringLiteral("none.plist")), &error).isValid());
    QVERIFY(!error.isEmpty());
}

void tst_PropertyList::atomicWriteLeavesOnlyTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prefs.plist"));
    QVERIFY(PropertyList::writeFileAtomically(path, QVariantMap{{QStringLiteral("a"), 1}}));
    QVERIFY(PropertyList::writeFileAtomically(path, QVariantMap{{QStringLiteral("a"), 2}}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("prefs.plist")});
    QCOMPARE(PropertyList::readFile(path).toMap().value(QStringLiteral("a")), QVariant(qint64(2)));
}

void tst_PropertyList::writeIntoMissingFolderFails()
{
    QString error;
    QVERIFY(!PropertyList::writeFileAtomically(m_dir.filePath(QStringLiteral("no/such/x.plist")),
                                               QVariantMap{}, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_PropertyList)
#include "tst_propertylist.moc"
