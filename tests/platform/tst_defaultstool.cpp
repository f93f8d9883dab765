// Guards the ovra-defaults command: typed writes and reads, refusals that leave the file intact.
#include "platform/DefaultsTool.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"

#include "TestSupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class tst_DefaultsTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
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

    void readAllAndDelete()
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
    }

    void helpAnswersZero()
    {
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
        const QByteArray before = TestSupport::readFile(path());
        QVERIFY(!before.isEmpty());

        const Result result = run(args);
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.endsWith(QLatin1Char('\n')) && result.err.count(QLatin1Char('\n')) == 1,
                 qPrintable(result.err));
        QCOMPARE(TestSupport::readFile(path()), before);
    }

    // The installed tool's write and read run in tst_install; here its exit status on a refusal.
    void commandLineToolRefusesWithStatusOne()
    {
        const QString tool = QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-defaults");
        QVERIFY2(QFileInfo(tool).isExecutable(), qPrintable(tool));
        QProcess p;
        p.start(tool, {u"write"_s, u"prefSlideShowDelay2"_s, u"-int"_s, u"abc"_s});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError().count('\n'), 1);
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
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_DefaultsTool)
#include "tst_defaultstool.moc"
