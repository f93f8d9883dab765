#include "platform/Preferences.h"
#include "platform/PropertyList.h"

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

namespace {

const QString kKey = QStringLiteral("prefSlideShowDelay1");

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
    void initTestCase();
    void init();

    void layersAndMissingKeys();
    void typedReadsConvert_data();
    void typedReadsConvert();
    void containerReadsCheckTheType();
    void changeSignalPerKey();
    void valuesSurviveAReopen();
    void destructorFlushesUnsavedChanges();
    void unusableFileIsSetAside_data();
    void unusableFileIsSetAside();
    void saveLeavesNoTemporaryFiles();
    void concurrentThreads();
    void otherInstanceChangeIsSeen();
    void renameReplaceIsSeen();
    void differentKeysFromTwoStoresMerge();
    void otherProcessWritesAreKept();
    void standardStoreCanBeSubstituted();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("prefs/test.plist")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Preferences::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_Preferences::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_Preferences::layersAndMissingKeys()
{
    Preferences store(storePath());
    QCOMPARE(store.objectForKey(kKey), QVariant());
    QVERIFY(store.stringForKey(kKey).isNull());
    QVERIFY(store.arrayForKey(kKey).isEmpty());
    QVERIFY(store.stringArrayForKey(kKey).isEmpty());
    QVERIFY(store.dictionaryForKey(kKey).isEmpty());
    QVERIFY(store.dataForKey(kKey).isNull());
    QCOMPARE(store.boolForKey(kKey), false);
    QCOMPARE(store.integerForKey(kKey), 0);
    QCOMPARE(store.floatForKey(kKey), 0.0f);
    QCOMPARE(store.doubleForKey(kKey), 0.0);

    store.registerDefaults({{kKey, 3.0}, {QStringLiteral("prefOther"), QStringLiteral("x")}});
    QCOMPARE(store.doubleForKey(kKey), 3.0);
    QVERIFY(store.persistentDomain().isEmpty());

    store.setDouble(7.5, kKey);
    QCOMPARE(store.doubleForKey(kKey), 7.5);
    QCOMPARE(store.persistentDomain(), (QVariantMap{{kKey, 7.5}}));
    const QVariantMap all{{kKey, 7.5}, {QStringLiteral("prefOther"), QStringLiteral("x")}};
    QCOMPARE(store.dictionaryRepresentation(), all);

    store.removeObjectForKey(kKey);
    QCOMPARE(store.doubleForKey(kKey), 3.0);
    QVERIFY(store.synchronize());
    // Registered defaults never reach the file.
    QCOMPARE(PropertyList::readFile(storePath()).toMap(), QVariantMap());
}

void tst_Preferences::typedReadsConvert_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("asBool");
    QTest::addColumn<qint64>("asInteger");
    QTest::addColumn<double>("asDouble");
    QTest::addColumn<QString>("asString");

    auto s = [](const char *t) {
        return QVariant(QString::fromLatin1(t));
    };
    QTest::newRow("YES") << s("YES") << true << qint64(0) << 0.0 << QStringLiteral("YES");
    QTest::newRow("yes") << s("yes") << true << qint64(0) << 0.0 << QStringLiteral("yes");
    QTest::newRow("true") << s("true") << true << qint64(0) << 0.0 << QStringLiteral("true");
    QTest::newRow("TRUE") << s("TRUE") << true << qint64(0) << 0.0 << QStringLiteral("TRUE");
    QTest::newRow("1") << s("1") << true << qint64(1) << 1.0 << QStringLiteral("1");
    QTest::newRow("NO") << s("NO") << false << qint64(0) << 0.0 << QStringLiteral("NO");
    QTest::newRow("false") << s("false") << false << qint64(0) << 0.0 << QStringLiteral("false");
    QTest::newRow("0") << s("0") << false << qint64(0) << 0.0 << QStringLiteral("0");
    QTest::newRow("other") << s("maybe") << false << qint64(0) << 0.0 << QStringLiteral("maybe");
    QTest::newRow("12") << s("12") << true << qint64(12) << 12.0 << QStringLiteral("12");
    QTest::newRow("-7") << s(" -7 ") << true << qint64(-7) << -7.0 << QStringLiteral(" -7 ");
    QTest::newRow("4.5") << s("4.5") << true << qint64(4) << 4.5 << QStringLiteral("4.5");
    QTest::newRow("int") << QVariant(qint64(42)) << true << qint64(42) << 42.0
                         << QStringLiteral("42");
    QTest::newRow("int zero") << QVariant(0) << false << qint64(0) << 0.0 << QStringLiteral("0");
    QTest::newRow("real") << QVariant(2.75) << true << qint64(2) << 2.75 << QStringLiteral("2.75");
    QTest::newRow("bool YES") << QVariant(true) << true << qint64(1) << 1.0 << QStringLiteral("1");
    QTest::newRow("bool NO") << QVariant(false) << false << qint64(0) << 0.0 << QStringLiteral("0");
    QTest::newRow("array") << QVariant(QVariantList{1}) << false << qint64(0) << 0.0 << QString();
    QTest::newRow("data") << QVariant(QByteArray("12")) << false << qint64(0) << 0.0 << QString();
}

void tst_Preferences::typedReadsConvert()
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

void tst_Preferences::containerReadsCheckTheType()
{
    Preferences store(QString{});
    store.setObject(QStringList{QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("list"));
    store.setObject(QVariantList{QStringLiteral("a"), 1}, QStringLiteral("mixed"));
    store.setObject(QStringLiteral("a,b"), QStringLiteral("text"));
    store.setObject(QVariantMap{{QStringLiteral("k"), 1}}, QStringLiteral("map"));

    QCOMPARE(store.stringArrayForKey(QStringLiteral("list")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QVERIFY(store.stringArrayForKey(QStringLiteral("mixed")).isEmpty());
    QCOMPARE(store.arrayForKey(QStringLiteral("mixed")).size(), 2);
    QVERIFY(store.arrayForKey(QStringLiteral("text")).isEmpty());
    QVERIFY(store.stringArrayForKey(QStringLiteral("text")).isEmpty());
    QVERIFY(store.dictionaryForKey(QStringLiteral("text")).isEmpty());
    QVERIFY(store.dataForKey(QStringLiteral("text")).isNull());
    QCOMPARE(store.dictionaryForKey(QStringLiteral("map")).value(QStringLiteral("k")),
             QVariant(qint64(1)));
    QVERIFY(store.stringForKey(QStringLiteral("map")).isNull());
}

void tst_Preferences::changeSignalPerKey()
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

    store.registerDefaults({{kKey, 1.0}, {QStringLiteral("prefNew"), true}});
    QCOMPARE(spyKeys(spy).mid(2), QStringList{QStringLiteral("prefNew")});

    store.removeObjectForKey(kKey);
    QCOMPARE(spy.count(), 4);
    QCOMPARE(spyValue(spy, 3), QVariant(1.0));
    store.removeObjectForKey(QStringLiteral("prefNeverSet"));
    QCOMPARE(spy.count(), 4);
    store.setObject(QVariant(), QStringLiteral("prefNew"));
    QCOMPARE(spy.count(), 4);
}

void tst_Preferences::valuesSurviveAReopen()
{
    const QDateTime when = QDateTime::currentDateTime().addMSecs(-123);
    const QVariantMap values{
        {QStringLiteral("s"), QStringLiteral("text é")},
        {QStringLiteral("b"), true},
        {QStringLiteral("i"), qint64(-9000000000LL)},
        {QStringLiteral("f"), 4.5},
        {QStringLiteral("a"), QVariantList{QStringLiteral("x"), qint64(2)}},
        {QStringLiteral("m"), QVariantMap{{QStringLiteral("k"), false}}},
        {QStringLiteral("d"), QByteArray("\x00\x01", 2)},
    };
    {
        Preferences store(storePath());
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            store.setObject(it.value(), it.key());
        store.setObject(when, QStringLiteral("t"));
        QVERIFY(store.synchronize());
    }
    Preferences reopened(storePath());
    QVariantMap read = reopened.persistentDomain();
    QCOMPARE(read.take(QStringLiteral("t")).toDateTime().toSecsSinceEpoch(),
             when.toSecsSinceEpoch());
    QCOMPARE(read, values);
    QCOMPARE(reopened.integerForKey(QStringLiteral("i")), -9000000000LL);
}

void tst_Preferences::destructorFlushesUnsavedChanges()
{
    {
        Preferences store(storePath());
        store.setBool(true, kKey);
    }
    QCOMPARE(PropertyList::readFile(storePath()).toMap().value(kKey), QVariant(true));
}

void tst_Preferences::unusableFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << QByteArray("this is not a property list\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("array root") << PropertyList::toXml(QVariantList{1, 2});
    QTest::newRow("truncated") << PropertyList::toXml(QVariantMap{{kKey, 1}}).chopped(20);
}

void tst_Preferences::unusableFileIsSetAside()
{
    QFETCH(QByteArray, content);
    QVERIFY(TestSupport::writeFile(storePath(), content));

    StderrCapture capture;
    auto store = std::make_unique<Preferences>(storePath());
    const QString log = capture.finish();

    QVERIFY(store->persistentDomain().isEmpty());
    QVERIFY2(log.contains(storePath()), qPrintable(log));
    const QDir folder = QFileInfo(storePath()).dir();
    const QStringList aside = folder.entryList({QStringLiteral("test.plist.corrupt-*")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(TestSupport::readFile(folder.filePath(aside.first())), content);
    QVERIFY(!QFile::exists(storePath()));

    store->setInteger(3, kKey);
    QVERIFY(store->synchronize());
    QCOMPARE(PropertyList::readFile(storePath()).toMap(), (QVariantMap{{kKey, qint64(3)}}));
}

void tst_Preferences::saveLeavesNoTemporaryFiles()
{
    Preferences store(storePath());
    for (int i = 0; i < 20; ++i) {
        store.setInteger(i, kKey);
        QVERIFY(store.synchronize());
    }
    const QStringList entries = QFileInfo(storePath()).dir().entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(entries,
             (QStringList{QStringLiteral("test.plist"), QStringLiteral("test.plist.lock")}));
    QCOMPARE(PropertyList::readFile(storePath()).toMap().value(kKey), QVariant(qint64(19)));
}

void tst_Preferences::concurrentThreads()
{
    constexpr int kThreads = 8;
    constexpr int kOps = 1000;
    Preferences store(storePath());
    store.registerDefaults({{QStringLiteral("shared"), qint64(-1)}});
    std::atomic<int> changeCount{0};
    connect(
        &store, &Preferences::valueChanged, &store, [&changeCount] { ++changeCount; },
        Qt::DirectConnection);

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&store, t] {
            const QString own = QStringLiteral("prefThread%1").arg(t);
            for (int i = 0; i < kOps; ++i) {
                store.setInteger(i, own);
                store.setInteger(t, QStringLiteral("shared"));
                if (store.integerForKey(own) != i)
                    qFatal("a thread lost its own write");
                const qint64 shared = store.integerForKey(QStringLiteral("shared"));
                if (shared < 0 || shared >= kThreads)
                    qFatal("torn shared value");
                store.dictionaryRepresentation();
                if (i % 250 == 0)
                    store.synchronize();
                if (i % 100 == 0)
                    store.removeObjectForKey(own + QStringLiteral("x"));
            }
        });
    }
    for (std::thread &t : threads)
        t.join();

    QVERIFY(changeCount.load() >= kThreads * kOps);
    QVERIFY(store.synchronize());
    Preferences reopened(storePath());
    for (int t = 0; t < kThreads; ++t)
        QCOMPARE(reopened.integerForKey(QStringLiteral("prefThread%1").arg(t)), kOps - 1);
    QCOMPARE(reopened.integerForKey(QStringLiteral("shared")),
             store.integerForKey(QStringLiteral("shared")));
}

void tst_Preferences::otherInstanceChangeIsSeen()
{
    Preferences writer(storePath());
    writer.setObject(QStringLiteral("old"), QStringLiteral("prefGone"));
    QVERIFY(writer.synchronize());

    Preferences reader(storePath());
    QSignalSpy spy(&reader, &Preferences::valueChanged);
    writer.setDouble(4.5, kKey);
    writer.removeObjectForKey(QStringLiteral("prefGone"));
    QVERIFY(writer.synchronize());

    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 2000);
    QMap<QString, QVariant> seen;
    for (int i = 0; i < spy.count(); ++i)
        seen.insert(spy.at(i).at(0).toString(), spyValue(spy, i));
    QCOMPARE(seen.value(kKey), QVariant(4.5));
    QVERIFY(seen.contains(QStringLiteral("prefGone")));
    QCOMPARE(seen.value(QStringLiteral("prefGone")), QVariant());
    QCOMPARE(reader.doubleForKey(kKey), 4.5);
}

void tst_Preferences::renameReplaceIsSeen()
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

void tst_Preferences::differentKeysFromTwoStoresMerge()
{
    Preferences first(storePath());
    first.setObject(QStringLiteral("drop me"), QStringLiteral("prefDropped"));
    QVERIFY(first.synchronize());
    Preferences second(storePath());

    // Neither has seen the other's change when it saves.
    first.setInteger(1, QStringLiteral("prefFirst"));
    first.removeObjectForKey(QStringLiteral("prefDropped"));
    second.setInteger(2, QStringLiteral("prefSecond"));
    QVERIFY(second.synchronize());
    QVERIFY(first.synchronize());

    const QVariantMap onDisk = PropertyList::readFile(storePath()).toMap();
    QCOMPARE(onDisk, (QVariantMap{{QStringLiteral("prefFirst"), qint64(1)},
                                  {QStringLiteral("prefSecond"), qint64(2)}}));
    QCOMPARE(first.integerForKey(QStringLiteral("prefSecond")), 2);
}

void tst_Preferences::otherProcessWritesAreKept()
{
    const QString tool = QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-defaults");
    QVERIFY2(QFileInfo(tool).isExecutable(), qPrintable(tool));
    const QString path = m_dir->filePath(QStringLiteral("ovra-videowall/org.ovra.VideoWall.plist"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path());

    Preferences store(path);
    QSignalSpy spy(&store, &Preferences::valueChanged);
    constexpr int kRounds = 6;
    for (int i = 0; i < kRounds; ++i) {
        store.setInteger(i, QStringLiteral("prefLocal%1").arg(i));
        // Every other round the local change is still unsaved when the other process writes.
        if (i % 2 == 0)
            QVERIFY(store.synchronize());
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(tool, {QStringLiteral("write"), QStringLiteral("prefRemote%1").arg(i),
                           QStringLiteral("-int"), QString::number(i * 10)});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
    }
    QVERIFY(store.synchronize());

    const QVariantMap onDisk = PropertyList::readFile(path).toMap();
    QCOMPARE(onDisk.size(), 2 * kRounds);
    for (int i = 0; i < kRounds; ++i) {
        QCOMPARE(onDisk.value(QStringLiteral("prefLocal%1").arg(i)), QVariant(qint64(i)));
        QCOMPARE(onDisk.value(QStringLiteral("prefRemote%1").arg(i)), QVariant(qint64(i * 10)));
        QCOMPARE(store.integerForKey(QStringLiteral("prefRemote%1").arg(i)), i * 10);
    }
    QVERIFY(spyKeys(spy).contains(QStringLiteral("prefRemote0")));
}

void tst_Preferences::standardStoreCanBeSubstituted()
{
    QVERIFY(Preferences::defaultFilePath().endsWith(
        QStringLiteral("/ovra-videowall/org.ovra.VideoWall.plist")));

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

    Preferences mine(QString{});
    Preferences::setStandardUserDefaults(&mine);
    QCOMPARE(Preferences::standardUserDefaults(), &mine);
    Preferences::setStandardUserDefaults(nullptr);
    QCOMPARE(Preferences::standardUserDefaults(), standard);
}

QTEST_GUILESS_MAIN(tst_Preferences)
#include "tst_preferences.moc"
