// Guards the property-list file format: every value type round-trips, replacing a file is atomic.
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <limits>

using namespace Qt::StringLiterals;

class tst_PropertyList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void roundTripsEveryType_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("string") << QVariant(u"a <b> & \"c\" é\nline"_s);
        QTest::newRow("empty string") << QVariant(QString());
        QTest::newRow("true") << QVariant(true);
        QTest::newRow("int64 min") << QVariant(std::numeric_limits<qint64>::min());
        QTest::newRow("int64 max") << QVariant(std::numeric_limits<qint64>::max());
        QTest::newRow("real") << QVariant(4.5);
        QTest::newRow("data") << QVariant(QByteArray("\x00\x01\xff binary", 10));
        QTest::newRow("array") << QVariant(QVariantList{u"a"_s, qint64(1), true, 2.5});
        QTest::newRow("nested dictionary") << QVariant(QVariantMap{
            {u"inner"_s, QVariantMap{{u"list"_s, QVariantList{qint64(-1)}}, {u"flag"_s, false}}},
            {u"empty"_s, QVariantMap{}}});
    }

    void roundTripsEveryType()
    {
        QFETCH(QVariant, value);
        const QVariantMap written{{u"k"_s, value}};
        const QString path =
            m_dir.filePath(u"%1.plist"_s.arg(QLatin1String(QTest::currentDataTag())));
        QString error;
        QVERIFY2(PropertyList::writeFileAtomically(path, written, &error), qPrintable(error));

        const QVariant read = PropertyList::readFile(path, &error);
        QVERIFY2(read.isValid(), qPrintable(error));
        QCOMPARE(read.typeId(), QMetaType::QVariantMap);
        const QVariant back = read.toMap().value(u"k"_s);
        QCOMPARE(back.typeId(), value.typeId());
        QCOMPARE(back, value);
    }

    void datesKeepWholeSeconds()
    {
        const auto roundTrip = [](const QDateTime &when) {
            return PropertyList::fromXml(PropertyList::toXml(QVariantList{when}))
                .toList()
                .value(0)
                .toDateTime();
        };
        const QDateTime when(QDate(2023, 3, 8), QTime(20, 26, 40, 750), QTimeZone::utc());
        QCOMPARE(roundTrip(when).toSecsSinceEpoch(), when.toSecsSinceEpoch());
        QVERIFY(PropertyList::toXml(QVariantList{when}).contains("2023-03-08T20:26:40Z"));
        // Before the property-list epoch (2001) too.
        const QDateTime old(QDate(1999, 12, 31), QTime(23, 0), QTimeZone::utc());
        QCOMPARE(roundTrip(old).toSecsSinceEpoch(), old.toSecsSinceEpoch());
    }

    void atomicWriteLeavesOnlyTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"prefs.plist"_s);
        QVERIFY(PropertyList::writeFileAtomically(path, QVariantMap{{u"a"_s, 1}}));
        // A private file stays private when it is replaced.
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QVERIFY(QFile::setPermissions(path, ownerOnly));
        QVERIFY(PropertyList::writeFileAtomically(path, QVariantMap{{u"a"_s, 2}}));
        QCOMPARE(QFile::permissions(path) & ~QFileDevice::Permissions(0x0700), ownerOnly);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"prefs.plist"_s});
        QCOMPARE(PropertyList::readFile(path).toMap().value(u"a"_s), QVariant(qint64(2)));

        // A link to a shared file stays a link.
        const QString link = dir.filePath(u"link.plist"_s);
        QVERIFY(QFile::link(path, link));
        QVERIFY(PropertyList::writeFileAtomically(link, QVariantMap{{u"a"_s, 3}}));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(PropertyList::readFile(path).toMap().value(u"a"_s), QVariant(qint64(3)));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_PropertyList)
#include "tst_propertylist.moc"
