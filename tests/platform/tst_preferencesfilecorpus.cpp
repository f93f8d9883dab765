#include "BadCorpus.h"
#include "TestSupport.h"
#include "platform/Preferences.h"
#include "platform/PreferencesFile.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Every preference file of the hostile corpus as the store's own file: the
// reader answers it as corrupt (never a crash, a hang or a half-read value),
// the store sets it aside with its bytes intact and starts from its defaults,
// and the next save writes a good file again.
class tst_PreferencesFileCorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFile_data();
    void everyFile();

private:
    QTemporaryDir corpus;
};

void tst_PreferencesFileCorpus::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(corpus.isValid());
    QString error;
    QVERIFY2(BadCorpus::generate(corpus.path(), {u"prefs"_s}, &error), qPrintable(error));
}

void tst_PreferencesFileCorpus::everyFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("keys"); // -1: not a dictionary of preferences
    const QStringList names = BadCorpus::entries(corpus.path(), u"prefs"_s);
    QVERIFY(names.size() >= 20);
    for (const QString &name : names) {
        // libplist is lenient with these two: "12abc" reads as 12 and a key
        // without a value is dropped.
        static const QMap<QString, int> dictionaries{{u"good.plist"_s, 1},
                                                     {u"good-binary.plist"_s, 1},
                                                     {u"bad-integer.plist"_s, 1},
                                                     {u"key-without-value.plist"_s, 0},
                                                     {u"huge-dict.plist"_s, 50000}};
        const int keys = dictionaries.value(name, -1);
        QTest::newRow(qPrintable(name)) << name << keys;
    }
}

void tst_PreferencesFileCorpus::everyFile()
{
    QFETCH(QString, name);
    QFETCH(int, keys);
    const QByteArray bytes = TestSupport::readFile(corpus.filePath(u"prefs/"_s + name));
    QTemporaryDir home;
    const QString path = home.filePath(u"org.ovra.VideoWall.plist"_s);
    QVERIFY(TestSupport::writeFile(path, bytes));

    // The forced-defaults file goes through the same reader.
    const QVariant value = PropertyList::readFile(path);
    QCOMPARE(value.typeId() == QMetaType::QVariantMap, keys >= 0);

    const PreferencesFile::Content content = PreferencesFile(path).read();
    QCOMPARE(content.status,
             keys >= 0 ? PreferencesFile::Status::Ok : PreferencesFile::Status::Corrupt);
    QCOMPARE(content.values.size(), std::max(keys, 0));
    QCOMPARE(content.error.isEmpty(), keys >= 0);

    {
        Preferences store(path);
        store.registerDefaults({{u"prefFallback"_s, u"factory"_s}});
        QCOMPARE(store.stringForKey(u"prefFallback"_s), u"factory"_s);
        QCOMPARE(store.persistentDomain().size(), std::max(keys, 0));
        if (keys < 0) {
            // Kept for the operator, byte for byte, under another name.
            const QStringList aside =
                QDir(home.path()).entryList({u"org.ovra.VideoWall.plist.corrupt-*"_s});
            QCOMPARE(aside.size(), 1);
            QCOMPARE(TestSupport::readFile(home.filePath(aside.first())), bytes);
        }
        store.setObject(u"after"_s, u"prefWritten"_s);
        QVERIFY(store.synchronize());
    }
    const PreferencesFile::Content again = PreferencesFile(path).read();
    QCOMPARE(again.status, PreferencesFile::Status::Ok);
    QCOMPARE(again.values.value(u"prefWritten"_s).toString(), u"after"_s);
    QCOMPARE(again.values.size(), std::max(keys, 0) + 1);
}

QTEST_GUILESS_MAIN(tst_PreferencesFileCorpus)
#include "tst_preferencesfilecorpus.moc"
