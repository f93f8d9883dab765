// Guards the preferences store: typed reads, change signals, corrupt files, concurrent writers.
#include "platform/Preferences.h"
#include "platform/PreferencesFile.h"
#include "platform/PropertyList.h"

#include "BadCorpus.h"
#include "StderrCapture.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kKey = u"prefSlideShowDelay1"_s;

QVariant spyValue(const QSignalSpy &spy, int row)
{
    return qvariant_cast<QVariant>(spy.at(row).at(1));
}

QStringList spyKeys(const QSignalSpy &spy)
{
    QStringList keys;
    for (const QList<QVariant> &args : spy)
        keys << args.at(0).toString();
    return keys;
}

} // namespace

class tst_Preferences : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void layersAndMissingKeys()
    {
        Preferences store(storePath());
        // The other typed reads fall back as for an array (typedReadsConvert).
        QCOMPARE(store.objectForKey(kKey), QVariant());
        QVERIFY(store.stringForKey(kKey).isNull());
        QCOMPARE(store.doubleForKey(kKey), 0.0);

        store.registerDefaults({{kKey, 3.0}, {u"prefOther"_s, u"x"_s}});
        QCOMPARE(store.doubleForKey(kKey), 3.0);
        QVERIFY(store.persistentDomain().isEmpty());

        store.setDouble(7.5, kKey);
        QCOMPARE(store.doubleForKey(kKey), 7.5);
        QCOMPARE(store.persistentDomain(), (QVariantMap{{kKey, 7.5}}));
        const QVariantMap all{{kKey, 7.5}, {u"prefOther"_s, u"x"_s}};
        QCOMPARE(store.dictionaryRepresentation(), all);

        store.removeObjectForKey(kKey);
        QCOMPARE(store.doubleForKey(kKey), 3.0);
        QVERIFY(store.synchronize());
        // Registered defaults never reach the file.
        QCOMPARE(PropertyList::readFile(storePath()).toMap(), QVariantMap());
    }

    void typedReadsConvert_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInteger");
        QTest::addColumn<double>("asDouble");
        QTest::addColumn<QString>("asString");

        auto s = [](const char *t) {
            return QVariant(QString::fromLatin1(t));
        };
        QTest::newRow("YES") << s("YES") << true << qint64(0) << 0.0 << u"YES"_s;
        QTest::newRow("true") << s("true") << true << qint64(0) << 0.0 << u"true"_s;
        QTest::newRow("NO") << s("NO") << false << qint64(0) << 0.0 << u"NO"_s;
        QTest::newRow("0") << s("0") << false << qint64(0) << 0.0 << u"0"_s;
        QTest::newRow("12") << s("12") << true << qint64(12) << 12.0 << u"12"_s;
        QTest::newRow("-7") << s(" -7 ") << true << qint64(-7) << -7.0 << u" -7 "_s;
        QTest::newRow("4.5") << s("4.5") << true << qint64(4) << 4.5 << u"4.5"_s;
        QTest::newRow("int") << QVariant(qint64(42)) << true << qint64(42) << 42.0 << u"42"_s;
        QTest::newRow("real") << QVariant(2.75) << true << qint64(2) << 2.75 << u"2.75"_s;
        QTest::newRow("bool YES") << QVariant(true) << true << qint64(1) << 1.0 << u"1"_s;
        QTest::newRow("array") << QVariant(QVariantList{1}) << false << qint64(0) << 0.0
                               << QString();
        QTest::newRow("data") << QVariant(QByteArray("12")) << false << qint64(0) << 0.0
                              << QString();
    }

    void typedReadsConvert()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, asBool);
        QFETCH(qint64, asInteger);
        QFETCH(double, asDouble);
        QFETCH(QString, asString);

        Preferences store(QString{});
        store.setObject(stored, kKey);
        QCOMPARE(store.boolForKey(kKey), asBool);
        QCOMPARE(store.integerForKey(kKey), asInteger);
        QCOMPARE(store.doubleForKey(kKey), asDouble);
        QCOMPARE(store.floatForKey(kKey), float(asDouble));
        QCOMPARE(store.stringForKey(kKey), asString);
        QCOMPARE(store.stringForKey(kKey).isNull(), asString.isNull());
    }

    void containerReadsCheckTheType()
    {
        Preferences store(QString{});
        store.setObject(QStringList{u"a"_s, u"b"_s}, u"list"_s);
        store.setObject(QVariantList{u"a"_s, 1}, u"mixed"_s);
        store.setObject(u"a,b"_s, u"text"_s);
        store.setObject(QVariantMap{{u"k"_s, 1}}, u"map"_s);

        QCOMPARE(store.stringArrayForKey(u"list"_s), (QStringList{u"a"_s, u"b"_s}));
        QVERIFY(store.stringArrayForKey(u"mixed"_s).isEmpty());
        QCOMPARE(store.arrayForKey(u"mixed"_s).size(), 2);
        QVERIFY(store.arrayForKey(u"text"_s).isEmpty());
        QVERIFY(store.stringArrayForKey(u"text"_s).isEmpty());
        QVERIFY(store.dictionaryForKey(u"text"_s).isEmpty());
        QVERIFY(store.dataForKey(u"text"_s).isNull());
        QCOMPARE(store.dictionaryForKey(u"map"_s).value(u"k"_s), QVariant(qint64(1)));
        QVERIFY(store.stringForKey(u"map"_s).isNull());
    }

    void changeSignalPerKey()
    {
        Preferences store(storePath());
        QSignalSpy spy(&store, &Preferences::valueChanged);

        store.setInteger(5, kKey);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), kKey);
        QCOMPARE(spyValue(spy, 0), QVariant(qint64(5)));

        store.setInteger(5, kKey);
        store.setObject(5, kKey);
        QCOMPARE(spy.count(), 1);

        // A change of type is a change: 5 and 5.0 are stored differently.
        store.setDouble(5.0, kKey);
        QCOMPARE(spy.count(), 2);

        store.registerDefaults({{kKey, 1.0}, {u"prefNew"_s, true}});
        QCOMPARE(spyKeys(spy).mid(2), QStringList{u"prefNew"_s});

        store.removeObjectForKey(kKey);
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spyValue(spy, 3), QVariant(1.0));
        store.removeObjectForKey(u"prefNeverSet"_s);
        QCOMPARE(spy.count(), 4);
        store.setObject(QVariant(), u"prefNew"_s);
        QCOMPARE(spy.count(), 4);
    }

    void valuesSurviveAReopenWithoutExplicitSave()
    {
        const QDateTime when = QDateTime::currentDateTime().addMSecs(-123);
        const QVariantMap values{
            {u"s"_s, u"text é"_s},
            {u"i"_s, qint64(-9000000000LL)},
            {u"m"_s, QVariantMap{{u"k"_s, false}}},
        };
        {
            Preferences store(storePath());
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                store.setObject(it.value(), it.key());
            store.setObject(when, u"t"_s);
            // Not synchronized: the store writes what is unsaved when it goes.
        }
        Preferences reopened(storePath());
        QVariantMap read = reopened.persistentDomain();
        QCOMPARE(read.take(u"t"_s).toDateTime().toSecsSinceEpoch(), when.toSecsSinceEpoch());
        QCOMPARE(read, values);
        QCOMPARE(reopened.integerForKey(u"i"_s), -9000000000LL);
    }

    // The hostile corpus and two files libplist mishandles, as the store's own
    // file: one that is no dictionary of preferences is answered as corrupt
    // (never a crash, a hang or a half-read value), set aside byte for byte
    // with a log line, the defaults serve, and the next save writes a good file.
    void fileOnDisk_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("keys"); // -1: not a dictionary of preferences
        // {"a\0": 1} with a UTF-16 key: libplist asserts when it hands out such a key.
        QTest::newRow("binary key with NUL")
            << QByteArray::fromHex(
                   "62706c6973743030d1010262006100001001080b1000000000000001010000000000000003"
                   "00000000000000000000000000000012")
            << -1;
        QTest::newRow("other xml")
            << QByteArray("<?xml version=\"1.0\"?><html><body/></html>") << -1;
        QVERIFY(corpus_.isValid());
        QString error;
        QVERIFY2(BadCorpus::generate(corpus_.path(), {u"prefs"_s}, &error), qPrintable(error));
        const QStringList names = BadCorpus::entries(corpus_.path(), u"prefs"_s);
        QVERIFY(names.size() >= 20);
        // libplist is lenient with two: "12abc" reads as 12, a key without a value is dropped.
        const QMap<QString, int> dictionaries{{u"good.plist"_s, 1},
                                              {u"good-binary.plist"_s, 1},
                                              {u"bad-integer.plist"_s, 1},
                                              {u"key-without-value.plist"_s, 0},
                                              {u"huge-dict.plist"_s, 50000}};
        for (const QString &name : names) {
            QTest::newRow(qPrintable(name))
                << TestSupport::readFile(corpus_.filePath(u"prefs/"_s + name))
                << dictionaries.value(name, -1);
        }
    }

    void fileOnDisk()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, keys);
        const int kept = std::max(keys, 0);
        QVERIFY(TestSupport::writeFile(storePath(), content));
        // The forced-defaults file goes through the same reader.
        QCOMPARE(PropertyList::readFile(storePath()).typeId() == QMetaType::QVariantMap, keys >= 0);

        StderrCapture capture;
        auto store = std::make_unique<Preferences>(storePath());
        const QString log = capture.finish();
        store->registerDefaults({{u"prefFallback"_s, u"factory"_s}});
        QCOMPARE(store->stringForKey(u"prefFallback"_s), u"factory"_s);
        QCOMPARE(store->persistentDomain().size(), kept);
        const QDir folder = QFileInfo(storePath()).dir();
        const QStringList aside = folder.entryList({u"test.plist.corrupt-*"_s});
        QCOMPARE(aside.size(), keys < 0 ? 1 : 0);
        if (keys < 0) {
            QVERIFY2(log.contains(storePath()), qPrintable(log));
            QCOMPARE(TestSupport::readFile(folder.filePath(aside.first())), content);
        }
        store->setInteger(3, kKey);
        QVERIFY(store->synchronize());
        const PreferencesFile::Content again = PreferencesFile(storePath()).read();
        QCOMPARE(again.status, PreferencesFile::Status::Ok);
        QCOMPARE(again.values.value(kKey), QVariant(qint64(3)));
        QCOMPARE(again.values.size(), kept + 1);
    }

    void saveLeavesNoTemporaryFiles()
    {
        Preferences store(storePath());
        for (int i = 0; i < 20; ++i) {
            store.setInteger(i, kKey);
            QVERIFY(store.synchronize());
        }
        const QStringList entries =
            QFileInfo(storePath()).dir().entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(entries, (QStringList{u"test.plist"_s, u"test.plist.lock"_s}));
        QCOMPARE(PropertyList::readFile(storePath()).toMap().value(kKey), QVariant(qint64(19)));
    }

    void concurrentThreads()
    {
        constexpr int kThreads = 8;
        constexpr int kOps = 1000;
        Preferences store(storePath());
        store.registerDefaults({{u"shared"_s, qint64(-1)}});
        std::atomic<int> changeCount{0};
        connect(
            &store, &Preferences::valueChanged, &store, [&changeCount] { ++changeCount; },
            Qt::DirectConnection);

        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&store, t] {
                const QString own = u"prefThread%1"_s.arg(t);
                for (int i = 0; i < kOps; ++i) {
                    store.setInteger(i, own);
                    store.setInteger(t, u"shared"_s);
                    if (store.integerForKey(own) != i)
                        qFatal("a thread lost its own write");
                    const qint64 shared = store.integerForKey(u"shared"_s);
                    if (shared < 0 || shared >= kThreads)
                        qFatal("torn shared value");
                    store.dictionaryRepresentation();
                    if (i % 250 == 0)
                        store.synchronize();
                    if (i % 100 == 0)
                        store.removeObjectForKey(own + u"x"_s);
                }
            });
        }
        for (std::thread &t : threads)
            t.join();

        QVERIFY(changeCount.load() >= kThreads * kOps);
        QVERIFY(store.synchronize());
        Preferences reopened(storePath());
        for (int t = 0; t < kThreads; ++t)
            QCOMPARE(reopened.integerForKey(u"prefThread%1"_s.arg(t)), kOps - 1);
        QCOMPARE(reopened.integerForKey(u"shared"_s), store.integerForKey(u"shared"_s));
    }

    void otherInstanceChangeIsSeen()
    {
        Preferences writer(storePath());
        writer.setObject(u"old"_s, u"prefGone"_s);
        QVERIFY(writer.synchronize());

        Preferences reader(storePath());
        QSignalSpy spy(&reader, &Preferences::valueChanged);
        writer.setDouble(4.5, kKey);
        writer.removeObjectForKey(u"prefGone"_s);
        QVERIFY(writer.synchronize());

        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 2000);
        QMap<QString, QVariant> seen;
        for (int i = 0; i < spy.count(); ++i)
            seen.insert(spy.at(i).at(0).toString(), spyValue(spy, i));
        QCOMPARE(seen.value(kKey), QVariant(4.5));
        QVERIFY(seen.contains(u"prefGone"_s));
        QCOMPARE(seen.value(u"prefGone"_s), QVariant());
        QCOMPARE(reader.doubleForKey(kKey), 4.5);
    }

    void renameReplaceIsSeen()
    {
        QVERIFY(QDir().mkpath(QFileInfo(storePath()).path()));
        QVERIFY(PropertyList::writeFileAtomically(storePath(), QVariantMap{{kKey, 1}}));
        Preferences store(storePath());
        QSignalSpy spy(&store, &Preferences::valueChanged);
        // Same size, and likely the same modification second: only the inode tells.
        QVERIFY(PropertyList::writeFileAtomically(storePath(), QVariantMap{{kKey, 2}}));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 2000);
        QCOMPARE(spyValue(spy, 0), QVariant(qint64(2)));
    }

    void differentKeysFromTwoStoresMerge()
    {
        Preferences first(storePath());
        first.setObject(u"drop me"_s, u"prefDropped"_s);
        QVERIFY(first.synchronize());
        Preferences second(storePath());

        // Neither has seen the other's change when it saves.
        first.setInteger(1, u"prefFirst"_s);
        first.removeObjectForKey(u"prefDropped"_s);
        second.setInteger(2, u"prefSecond"_s);
        QVERIFY(second.synchronize());
        QVERIFY(first.synchronize());

        const QVariantMap onDisk = PropertyList::readFile(storePath()).toMap();
        QCOMPARE(onDisk, (QVariantMap{{u"prefFirst"_s, qint64(1)}, {u"prefSecond"_s, qint64(2)}}));
        QCOMPARE(first.integerForKey(u"prefSecond"_s), 2);
    }

    void otherProcessWritesAreKept()
    {
        const QString tool = QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-defaults");
        QVERIFY2(QFileInfo(tool).isExecutable(), qPrintable(tool));
        const QString path = m_dir->filePath(u"ovra-videowall/org.ovra.VideoWall.plist"_s);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, m_dir->path());

        Preferences store(path);
        QSignalSpy spy(&store, &Preferences::valueChanged);
        constexpr int kRounds = 6;
        for (int i = 0; i < kRounds; ++i) {
            store.setInteger(i, u"prefLocal%1"_s.arg(i));
            // Every other round the local change is still unsaved when the other process writes.
            if (i % 2 == 0)
                QVERIFY(store.synchronize());
            QProcess child;
            child.setProcessEnvironment(env);
            child.start(tool,
                        {u"write"_s, u"prefRemote%1"_s.arg(i), u"-int"_s, QString::number(i * 10)});
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitCode(), 0);
        }
        QVERIFY(store.synchronize());

        const QVariantMap onDisk = PropertyList::readFile(path).toMap();
        QCOMPARE(onDisk.size(), 2 * kRounds);
        for (int i = 0; i < kRounds; ++i) {
            QCOMPARE(onDisk.value(u"prefLocal%1"_s.arg(i)), QVariant(qint64(i)));
            QCOMPARE(onDisk.value(u"prefRemote%1"_s.arg(i)), QVariant(qint64(i * 10)));
            QCOMPARE(store.integerForKey(u"prefRemote%1"_s.arg(i)), i * 10);
        }
        QVERIFY(spyKeys(spy).contains(u"prefRemote0"_s));
    }

    void standardStoreIsMadeOnce()
    {
        QVERIFY(
            Preferences::defaultFilePath().endsWith(u"/ovra-videowall/org.ovra.VideoWall.plist"_s));

        std::vector<std::thread> threads;
        std::vector<Preferences *> seen(4, nullptr);
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&seen, i] { seen[i] = Preferences::standardUserDefaults(); });
        for (std::thread &t : threads)
            t.join();
        Preferences *standard = Preferences::standardUserDefaults();
        QVERIFY(standard);
        for (Preferences *p : seen)
            QCOMPARE(p, standard);
        QCOMPARE(standard->filePath(), Preferences::defaultFilePath());
        QCOMPARE(standard->thread(), thread());
    }

private:
    QString storePath() const { return m_dir->filePath(u"prefs/test.plist"_s); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir corpus_;
};

QTEST_GUILESS_MAIN(tst_Preferences)
#include "tst_preferences.moc"
