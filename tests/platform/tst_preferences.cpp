// Guards preferences: typed reads, signals, corrupt files, kills mid-save, bindings, ovra-defaults.
#include "platform/DefaultsTool.h"
#include "platform/PreferenceBinding.h"
#include "platform/Preferences.h"
#include "platform/PreferencesFile.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"

#include "BadCorpus.h"
#include "StderrCapture.h"
#include "TestHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <atomic>
#include <cstdio>
#include <limits>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kKey = u"prefSlideShowDelay1"_s;

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

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

const QString kDelayKey = u"prefSlideShowDelay2"_s;
const QString kCounterKey = u"counter"_s;
const QString kListKey = u"list"_s;

// Every entry names the counter it was saved with: a file made of two
// versions would show two numbers.
QVariantList listFor(qint64 counter)
{
    QVariantList list;
    for (int j = 0; j < 300; ++j) {
        list << u"photo-%1-%2"_s.arg(counter).arg(j);
    }
    return list;
}

// Child: the store on a file it may not write. Exit 0 when the save is
// refused while the new value is still what the store answers.
int saveReadOnly(const QString &file)
{
    Preferences store(file);
    if (store.doubleForKey(kDelayKey) != 5.0) {
        std::fprintf(stderr, "OLD VALUE NOT READ\n");
        return 1;
    }
    store.setDouble(9.0, kDelayKey);
    const bool saved = store.synchronize();
    const double inMemory = store.doubleForKey(kDelayKey);
    std::fprintf(stderr, "SAVED %d, VALUE %g\n", int(saved), inMemory);
    return !saved && inMemory == 9.0 ? 0 : 1;
}

// Child: saves forever, announcing each completed save on standard output.
int saveLoop(const QString &file)
{
    Preferences store(file);
    for (qint64 i = 1;; ++i) {
        store.setInteger(i, kCounterKey);
        store.setObject(listFor(i), kListKey);
        if (store.synchronize()) {
            std::printf("saved %lld\n", static_cast<long long>(i));
            std::fflush(stdout);
        }
    }
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
        QVERIFY(store.dataForKey(u"text"_s).isNull());
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
        {
            Preferences store(storePath());
            store.setInteger(-9000000000LL, kKey);
            store.setObject(when, u"t"_s);
            // Not synchronized: the store writes what is unsaved when it goes.
        }
        Preferences reopened(storePath());
        QCOMPARE(reopened.persistentDomain().size(), 2);
        QCOMPARE(reopened.integerForKey(kKey), -9000000000LL);
        QCOMPARE(reopened.objectForKey(u"t"_s).toDateTime().toSecsSinceEpoch(),
                 when.toSecsSinceEpoch());
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
                << TestHarness::readFile(corpus_.filePath(u"prefs/"_s + name))
                << dictionaries.value(name, -1);
        }
    }

    void fileOnDisk()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, keys);
        const int kept = std::max(keys, 0);
        QVERIFY(TestHarness::writeFile(storePath(), content));
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
            QCOMPARE(TestHarness::readFile(folder.filePath(aside.first())), content);
        }
        store->setInteger(3, kKey);
        QVERIFY(store->synchronize());
        const PreferencesFile::Content again = PreferencesFile(storePath()).read();
        QCOMPARE(again.status, PreferencesFile::Status::Ok);
        QCOMPARE(again.values.value(kKey), QVariant(qint64(3)));
        QCOMPARE(again.values.size(), kept + 1);
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

    void otherWriterChangeIsSeen()
    {
        QVERIFY(QDir().mkpath(QFileInfo(storePath()).path()));
        QVERIFY(PropertyList::writeFileAtomically(storePath(),
                                                  QVariantMap{{kKey, 1}, {u"prefGone"_s, 1}}));
        Preferences reader(storePath());
        QSignalSpy spy(&reader, &Preferences::valueChanged);
        // Same size, and likely the same modification second: only the inode tells.
        QVERIFY(PropertyList::writeFileAtomically(storePath(),
                                                  QVariantMap{{kKey, 2}, {u"prefGonf"_s, 1}}));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, 2000);
        QVariantMap seen;
        for (int i = 0; i < spy.count(); ++i)
            seen.insert(spy.at(i).at(0).toString(), spyValue(spy, i));
        QCOMPARE(seen,
                 (QVariantMap{
                     {kKey, qint64(2)}, {u"prefGone"_s, QVariant()}, {u"prefGonf"_s, qint64(1)}}));
        QCOMPARE(reader.integerForKey(kKey), 2);
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
        // A refused command exits 1 and changes nothing.
        QProcess refused;
        refused.setProcessEnvironment(env);
        refused.start(tool, {u"write"_s, u"prefRemote0"_s, u"-int"_s, u"abc"_s});
        QVERIFY(refused.waitForFinished(30000));
        QCOMPARE(refused.exitCode(), 1);
        QCOMPARE(refused.readAllStandardError().count('\n'), 1);
        QVERIFY(store.synchronize());

        QVariantMap expected;
        for (int i = 0; i < kRounds; ++i) {
            expected.insert(u"prefLocal%1"_s.arg(i), qint64(i));
            expected.insert(u"prefRemote%1"_s.arg(i), qint64(i * 10));
        }
        QCOMPARE(PropertyList::readFile(path).toMap(), expected);
        QCOMPARE(store.dictionaryRepresentation(), expected);
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
        QCOMPARE(seen, std::vector<Preferences *>(4, standard));
        QCOMPARE(standard->filePath(), Preferences::defaultFilePath());
        QCOMPARE(standard->thread(), thread());
    }

    void widgetsFollowTheStoreBothWays()
    {
        Preferences store(QString{});
        const QStringList keys{u"prefNameOfDisplay1"_s, u"prefShowPhotoWithFilename"_s,
                               u"prefSortListTag"_s, kKey, u"prefDisplayStatus1"_s};
        store.setObject(u"Room A"_s, keys[0]);
        QLineEdit edit;
        QCheckBox box;
        box.setChecked(true);
        QSpinBox spin;
        spin.setRange(0, 100);
        QDoubleSpinBox real;
        real.setRange(0, 60);
        QLabel label;
        QVERIFY(PreferenceBinding::bind(&edit, keys[0], &store));
        QVERIFY(PreferenceBinding::bind(&box, keys[1], &store));
        QVERIFY(PreferenceBinding::bind(&spin, keys[2], &store));
        QVERIFY(PreferenceBinding::bind(&real, keys[3], &store));
        QVERIFY(PreferenceBinding::bind(&label, keys[4], &store));
        // Binding shows what is stored and stores nothing itself.
        QCOMPARE(edit.text(), u"Room A"_s);
        QCOMPARE(box.isChecked(), false);
        QCOMPARE(store.persistentDomain().keys(), keys.mid(0, 1));

        store.setObject(u"Room B"_s, keys[0]);
        store.setObject(u"YES"_s, keys[1]);
        store.setInteger(3, keys[2]);
        store.setDouble(4.5, keys[3]);
        store.setObject(u"shown"_s, keys[4]);
        QCOMPARE(
            (QVariantList{edit.text(), box.isChecked(), spin.value(), real.value(), label.text()}),
            (QVariantList{u"Room B"_s, true, 3, 4.5, u"shown"_s}));

        QSignalSpy spy(&store, &Preferences::valueChanged);
        edit.clear();
        QTest::keyClicks(&edit, u"Hall"_s);
        // The clear and each keystroke are stored once; none comes back as an extra change.
        QCOMPARE(spy.count(), 5);
        box.click();
        spin.setValue(42);
        real.setValue(7.25);
        label.setText(u"typed"_s);
        QCOMPARE(store.persistentDomain(), (QVariantMap{{keys[0], u"Hall"_s},
                                                        {keys[1], false},
                                                        {keys[2], qint64(42)},
                                                        {keys[3], 7.25},
                                                        {keys[4], u"shown"_s}}));
        store.removeObjectForKey(keys[0]);
        QCOMPARE(edit.text(), QString());
    }

    void bindingTakesWorkerChangesAndDiesWithItsWidget()
    {
        Preferences store(QString{});
        QPointer<PreferenceBinding> binding;
        {
            QLineEdit edit;
            binding = PreferenceBinding::bind(&edit, kKey, &store);
            QVERIFY(binding);
            std::thread([&store] { store.setObject(u"from worker"_s, kKey); }).join();
            // Delivered through the widget's event loop, never touched from the worker.
            QTRY_COMPARE(edit.text(), u"from worker"_s);
        }
        QVERIFY(binding.isNull());
        store.setObject(u"still fine"_s, kKey);
    }

    void writeThenRead_data()
    {
        QTest::addColumn<QStringList>("value");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("printed");

        QTest::newRow("float") << QStringList{u"-float"_s, u"4.5"_s} << QVariant(4.5) << u"4.5\n"_s;
        QTest::newRow("int") << QStringList{u"-int"_s, u"-12"_s} << QVariant(qint64(-12))
                             << u"-12\n"_s;
        QTest::newRow("bool YES") << QStringList{u"-bool"_s, u"YES"_s} << QVariant(true)
                                  << u"1\n"_s;
        QTest::newRow("bool false")
            << QStringList{u"-bool"_s, u"false"_s} << QVariant(false) << u"0\n"_s;
        QTest::newRow("bare") << QStringList{u"hello world"_s} << QVariant(u"hello world"_s)
                              << u"hello world\n"_s;
        QTest::newRow("string") << QStringList{u"-string"_s, u"-5"_s} << QVariant(u"-5"_s)
                                << u"-5\n"_s;
        QTest::newRow("array") << QStringList{u"-array"_s, u"a"_s, u"b c"_s}
                               << QVariant(QVariantList{u"a"_s, u"b c"_s})
                               << u"(\n    a,\n    \"b c\"\n)\n"_s;
        QTest::newRow("empty array")
            << QStringList{u"-array"_s} << QVariant(QVariantList{}) << u"(\n)\n"_s;
    }

    void writeThenRead()
    {
        QFETCH(QStringList, value);
        QFETCH(QVariant, stored);
        QFETCH(QString, printed);
        const QString key = u"prefSlideShowDelay2"_s;

        const Result written = run(QStringList{u"write"_s, key} + value);
        QCOMPARE(written.status, 0);
        QCOMPARE(written.err, QString());
        const QVariant onDisk = PropertyList::readFile(path()).toMap().value(key);
        QCOMPARE(onDisk.typeId(), stored.typeId());
        QCOMPARE(onDisk, stored);

        const Result read = run({u"read"_s, key});
        QCOMPARE(read.status, 0);
        QCOMPARE(read.out, printed);
    }

    void readAllDeleteAndHelp()
    {
        QCOMPARE(run({u"write"_s, u"prefA"_s, u"-int"_s, u"3"_s}).status, 0);
        QCOMPARE(run({u"write"_s, u"prefB"_s, u"two words"_s}).status, 0);
        const Result all = run({u"read"_s});
        QCOMPARE(all.status, 0);
        QCOMPARE(all.out, u"{\n    prefA = 3;\n    prefB = \"two words\";\n}\n"_s);
        // The domain may be named, as with the familiar tool.
        const Result one = run({u"read"_s, u"org.ovra.VideoWall"_s, u"prefA"_s});
        QCOMPARE(one.status, 0);
        QCOMPARE(one.out, u"3\n"_s);

        QCOMPARE(run({u"delete"_s, u"prefA"_s}).status, 0);
        QCOMPARE(PropertyList::readFile(path()).toMap(),
                 (QVariantMap{{u"prefB"_s, u"two words"_s}}));
        QCOMPARE(run({u"read"_s, u"prefA"_s}).status, 1);
        for (const QString &flag : {u"-h"_s, u"--help"_s}) {
            const Result help = run({flag});
            QCOMPARE(help.status, 0);
            QVERIFY(help.out.contains(u"write KEY -float VALUE"_s));
            QVERIFY(help.err.isEmpty());
        }
    }

    void failuresLeaveTheFileIntact_data()
    {
        QTest::addColumn<QStringList>("args");
        auto row = [](const char *name, std::initializer_list<const char *> args) {
            QStringList list;
            for (const char *a : args)
                list << QString::fromUtf8(a);
            QTest::newRow(name) << list;
        };
        row("no command", {});
        row("unknown command", {"frobnicate"});
        row("read unknown key", {"read", "prefNoSuchKey"});
        row("read two keys", {"read", "prefKeep", "prefOther"});
        row("delete unknown key", {"delete", "prefNoSuchKey"});
        row("delete without key", {"delete"});
        row("write without value", {"write", "prefKeep"});
        row("write without key", {"write"});
        row("int not a number", {"write", "prefKeep", "-int", "abc"});
        row("float not a number", {"write", "prefKeep", "-float", "4.5x"});
        row("float infinite", {"write", "prefKeep", "-float", "inf"});
        row("bool unknown", {"write", "prefKeep", "-bool", "maybe"});
        row("int missing value", {"write", "prefKeep", "-int"});
        row("unknown flag", {"write", "prefKeep", "-date", "2020", "x"});
    }

    void failuresLeaveTheFileIntact()
    {
        QFETCH(QStringList, args);
        QCOMPARE(run({u"write"_s, u"prefKeep"_s, u"-int"_s, u"7"_s}).status, 0);
        const QByteArray before = TestHarness::readFile(path());
        QVERIFY(!before.isEmpty());

        const Result result = run(args);
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.endsWith(QLatin1Char('\n')) && result.err.count(QLatin1Char('\n')) == 1,
                 qPrintable(result.err));
        QCOMPARE(TestHarness::readFile(path()), before);
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
            m_dir->filePath(u"%1.plist"_s.arg(QLatin1String(QTest::currentDataTag())));
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
        const QDir dir(m_dir->path());
        const QString path = dir.filePath(u"prefs.plist"_s);
        QVERIFY(PropertyList::writeFileAtomically(path, QVariantMap{{u"a"_s, 1}}));
        // A private file stays private when it is replaced.
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QVERIFY(QFile::setPermissions(path, ownerOnly));
        QVERIFY(PropertyList::writeFileAtomically(path, QVariantMap{{u"a"_s, 2}}));
        QCOMPARE(QFile::permissions(path) & ~QFileDevice::Permissions(0x0700), ownerOnly);
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), QStringList{u"prefs.plist"_s});
        QCOMPARE(PropertyList::readFile(path).toMap().value(u"a"_s), QVariant(qint64(2)));

        // A link to a shared file stays a link.
        const QString link = dir.filePath(u"link.plist"_s);
        QVERIFY(QFile::link(path, link));
        QVERIFY(PropertyList::writeFileAtomically(link, QVariantMap{{u"a"_s, 3}}));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(PropertyList::readFile(path).toMap().value(u"a"_s), QVariant(qint64(3)));
    }

    void unwritableFileKeepsOldContentAndNewValues()
    {
        const bool root = ::geteuid() == 0;
        if (root && QStandardPaths::findExecutable(u"unshare"_s).isEmpty()) {
            QSKIP("root ignores permissions, and unshare is missing for a read-only mount");
        }
        const QString folder = m_dir->filePath(u"ovra-videowall"_s);
        const QString file = folder + u"/org.ovra.VideoWall.plist"_s;
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(PropertyList::writeFileAtomically(file, QVariantMap{{kDelayKey, 5.0}}));
        const QByteArray before = TestHarness::readFile(file);

        QProcess child;
        const QStringList self{QCoreApplication::applicationFilePath(), u"--save-read-only"_s,
                               file};
        if (root) {
            // Root writes through any mode bits; a read-only bind mount stops it.
            child.start(
                u"unshare"_s,
                QStringList{u"-m"_s, u"sh"_s, u"-c"_s,
                            u"mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" "
                            u"\"$1\" && shift && exec \"$@\""_s,
                            u"sh"_s, folder} +
                    self);
        } else {
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            child.start(self.first(), self.mid(1));
        }
        QVERIFY(child.waitForFinished(30000));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray log = child.readAllStandardError();
        if (root && log.contains("mount: ") && child.exitCode() != 0) {
            QSKIP(qPrintable(u"no read-only bind mount here: "_s + QString::fromUtf8(log)));
        }
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 log.constData());
        QVERIFY2(log.contains(kLogPreferencesSaveFailed.arg(file, QString()).toUtf8()),
                 log.constData());
        QCOMPARE(TestHarness::readFile(file), before);
    }

    void killDuringSaveLeavesAWholeFile()
    {
        const QString file = m_dir->filePath(u"ovra-videowall/org.ovra.VideoWall.plist"_s);
        for (int round = 0; round < 20; ++round) {
            const QByteArray out = TestHarness::killMidWork(u"--save-loop"_s, file, 40);
            QVERIFY(out.contains("saved"));
            const QList<QByteArray> lines = out.trimmed().split('\n');
            const qint64 lastSaved = lines.last().mid(6).toLongLong();

            const PreferencesFile::Content content = PreferencesFile(file).read();
            QVERIFY2(content.status == PreferencesFile::Status::Ok, qPrintable(content.error));
            const qint64 counter = content.values.value(kCounterKey).toLongLong();
            QVERIFY2(counter >= lastSaved, qPrintable(u"%1 < %2"_s.arg(counter).arg(lastSaved)));
            QCOMPARE(content.values.value(kListKey).toList(), listFor(counter));
        }
        // Where the file system has no unnamed files, a kill between writing and
        // renaming leaves the temporary; the next store to open the file clears
        // it, and nothing else that stands beside the file.
        const QDir folder = QFileInfo(file).absoluteDir();
        QVERIFY(TestHarness::writeFile(folder.filePath(u"org.ovra.VideoWall.plist.saving-AbCdEf"_s),
                                       "<?xml"));
        QVERIFY(
            TestHarness::writeFile(folder.filePath(u"org.ovra.VideoWall.plist.backup"_s), "kept"));
        {
            Preferences store(file);
            QVERIFY(store.integerForKey(kCounterKey) > 0);
        }
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden),
                 QStringList({u"org.ovra.VideoWall.plist"_s, u"org.ovra.VideoWall.plist.backup"_s,
                              u"org.ovra.VideoWall.plist.lock"_s}));
    }

private:
    QString path() const { return m_dir->filePath(u"prefs.plist"_s); }
    // Each run gets a fresh store, as each command line does.
    Result run(const QStringList &args)
    {
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        Preferences store(path());
        result.status = DefaultsTool::run(args, out, err, store);
        out.flush();
        err.flush();
        return result;
    }
    QString storePath() const { return m_dir->filePath(u"prefs/test.plist"_s); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir corpus_;
};

int main(int argc, char **argv)
{
    if (const int status = TestHarness::runChild(
            argc, argv, {{"--save-read-only", saveReadOnly}, {"--save-loop", saveLoop}});
        status >= 0)
        return status;
    // The bound widgets need a GUI application.
    QApplication app(argc, argv);
    tst_Preferences test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_preferences.moc"
