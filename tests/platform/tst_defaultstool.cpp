#include "platform/DefaultsTool.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"

#include "TestSupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
    void initTestCase();
    void init();

    void writeThenRead_data();
    void writeThenRead();
    void readAllPrintsStoredValues();
    void deleteRemovesTheKey();
    void helpAnswersZero();
    void failuresLeaveTheFileIntact_data();
    void failuresLeaveTheFileIntact();
    void commandLineToolEndToEnd();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("prefs.plist")); }
    // Each run gets a fresh store, as each command line does.
    Result run(const QStringList &args);
    std::unique_ptr<QTemporaryDir> m_dir;
};

Result tst_DefaultsTool::run(const QStringList &args)
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

void tst_DefaultsTool::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_DefaultsTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_DefaultsTool::writeThenRead_data()
{
    QTest::addColumn<QStringList>("value");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("printed");

    QTest::newRow("float") << QStringList{QStringLiteral("-float"), QStringLiteral("4.5")}
                           << QVariant(4.5) << QStringLiteral("4.5\n");
    QTest::newRow("int") << QStringList{QStringLiteral("-int"), QStringLiteral("-12")}
                         << QVariant(qint64(-12)) << QStringLiteral("-12\n");
    QTest::newRow("bool YES") << QStringList{QStringLiteral("-bool"), QStringLiteral("YES")}
                              << QVariant(true) << QStringLiteral("1\n");
    QTest::newRow("bool false") << QStringList{QStringLiteral("-bool"), QStringLiteral("false")}
                                << QVariant(false) << QStringLiteral("0\n");
    QTest::newRow("bool 1") << QStringList{QStringLiteral("-bool"), QStringLiteral("1")}
                            << QVariant(true) << QStringLiteral("1\n");
    QTest::newRow("bare") << QStringList{QStringLiteral("hello world")}
                          << QVariant(QStringLiteral("hello world"))
                          << QStringLiteral("hello world\n");
    QTest::newRow("string") << QStringList{QStringLiteral("-string"), QStringLiteral("-5")}
                            << QVariant(QStringLiteral("-5")) << QStringLiteral("-5\n");
    QTest::newRow("array") << QStringList{QStringLiteral("-array"), QStringLiteral("a"),
                                          QStringLiteral("b c")}
                           << QVariant(QVariantList{QStringLiteral("a"), QStringLiteral("b c")})
                           << QStringLiteral("(\n    a,\n    \"b c\"\n)\n");
    QTest::newRow("empty array") << QStringList{QStringLiteral("-array")}
                                 << QVariant(QVariantList{}) << QStringLiteral("(\n)\n");
}

void tst_DefaultsTool::writeThenRead()
{
    QFETCH(QStringList, value);
    QFETCH(QVariant, stored);
    QFETCH(QString, printed);
    const QString key = QStringLiteral("prefSlideShowDelay2");

    const Result written = run(QStringList{QStringLiteral("write"), key} + value);
    QCOMPARE(written.status, 0);
    QCOMPARE(written.err, QString());
    const QVariant onDisk = PropertyList::readFile(path()).toMap().value(key);
    QCOMPARE(onDisk.typeId(), stored.typeId());
    QCOMPARE(onDisk, stored);

    const Result read = run({QStringLiteral("read"), key});
    QCOMPARE(read.status, 0);
    QCOMPARE(read.out, printed);
}

void tst_DefaultsTool::readAllPrintsStoredValues()
{
    QCOMPARE(run({QStringLiteral("write"), QStringLiteral("prefA"), QStringLiteral("-int"),
                  QStringLiteral("3")})
                 .status,
             0);
    QCOMPARE(
        run({QStringLiteral("write"), QStringLiteral("prefB"), QStringLiteral("two words")}).status,
        0);
    const Result all = run({QStringLiteral("read")});
    QCOMPARE(all.status, 0);
    QCOMPARE(all.out, QStringLiteral("{\n    prefA = 3;\n    prefB = \"two words\";\n}\n"));
    // The domain may be named, as with the familiar tool.
    const Result one = run(
        {QStringLiteral("read"), QStringLiteral("org.ovra.VideoWall"), QStringLiteral("prefA")});
    QCOMPARE(one.status, 0);
    QCOMPARE(one.out, QStringLiteral("3\n"));
}

void tst_DefaultsTool::deleteRemovesTheKey()
{
    QCOMPARE(run({QStringLiteral("write"), QStringLiteral("prefA"), QStringLiteral("x")}).status,
             0);
    QCOMPARE(run({QStringLiteral("write"), QStringLiteral("prefB"), QStringLiteral("y")}).status,
             0);
    QCOMPARE(run({QStringLiteral("delete"), QStringLiteral("prefA")}).status, 0);
    QCOMPARE(PropertyList::readFile(path()).toMap(),
             (QVariantMap{{QStringLiteral("prefB"), QStringLiteral("y")}}));
    QCOMPARE(run({QStringLiteral("read"), QStringLiteral("prefA")}).status, 1);
}

void tst_DefaultsTool::helpAnswersZero()
{
    for (const QString &flag : {QStringLiteral("-h"), QStringLiteral("--help")}) {
        const Result help = run({flag});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains(QStringLiteral("write KEY -float VALUE")));
        QVERIFY(help.err.isEmpty());
    }
}

void tst_DefaultsTool::failuresLeaveTheFileIntact_data()
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
    row("int with fraction", {"write", "prefKeep", "-int", "4.5"});
    row("float not a number", {"write", "prefKeep", "-float", "4.5x"});
    row("float infinite", {"write", "prefKeep", "-float", "inf"});
    row("bool unknown", {"write", "prefKeep", "-bool", "maybe"});
    row("int missing value", {"write", "prefKeep", "-int"});
    row("int two values", {"write", "prefKeep", "-int", "1", "2"});
    row("unknown flag", {"write", "prefKeep", "-date", "2020", "x"});
}

void tst_DefaultsTool::failuresLeaveTheFileIntact()
{
    QFETCH(QStringList, args);
    QCOMPARE(run({QStringLiteral("write"), QStringLiteral("prefKeep"), QStringLiteral("-int"),
                  QStringLiteral("7")})
                 .status,
             0);
    const QByteArray before = TestSupport::readFile(path());
    QVERIFY(!before.isEmpty());

    const Result result = run(args);
    QCOMPARE(result.status, 1);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.endsWith(QLatin1Char('\n')) && result.err.count(QLatin1Char('\n')) == 1,
             qPrintable(result.err));
    QCOMPARE(TestSupport::readFile(path()), before);
}

void tst_DefaultsTool::commandLineToolEndToEnd()
{
    const QString tool = QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-defaults");
    QVERIFY2(QFileInfo(tool).isExecutable(), qPrintable(tool));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path());
    auto runTool = [&](const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(tool, args);
        p.waitForFinished(30000);
        return Result{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                      QString::fromUtf8(p.readAllStandardError())};
    };

    QCOMPARE(runTool({QStringLiteral("write"), QStringLiteral("prefSlideShowDelay2"),
                      QStringLiteral("-float"), QStringLiteral("4.5")})
                 .status,
             0);
    const Result read = runTool({QStringLiteral("read"), QStringLiteral("prefSlideShowDelay2")});
    QCOMPARE(read.status, 0);
    QCOMPARE(read.out, QStringLiteral("4.5\n"));

    const QString file = m_dir->filePath(QStringLiteral("ovra-videowall/org.ovra.VideoWall.plist"));
    QVERIFY(TestSupport::readFile(file).startsWith("<?xml"));
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (!plistutil.isEmpty()) {
        QProcess check;
        check.start(plistutil, {QStringLiteral("-i"), file});
        QVERIFY(check.waitForFinished(30000));
        QCOMPARE(check.exitCode(), 0);
        QVERIFY(check.readAllStandardOutput().startsWith("bplist00"));
    }

    const QByteArray before = TestSupport::readFile(file);
    const Result bad = runTool({QStringLiteral("write"), QStringLiteral("prefSlideShowDelay2"),
                                QStringLiteral("-int"), QStringLiteral("abc")});
    QCOMPARE(bad.status, 1);
    QCOMPARE(bad.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(TestSupport::readFile(file), before);
}

QTEST_GUILESS_MAIN(tst_DefaultsTool)
#include "tst_defaultstool.moc"
