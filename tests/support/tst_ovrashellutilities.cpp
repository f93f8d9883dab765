#include "platform/Bundle.h"
#include "support/OvraShellUtilities.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSh = QStringLiteral("/bin/sh");

QStringList shArgs(const QString &script, const QStringList &extra = {})
{
    return QStringList{QStringLiteral("-c"), script, QStringLiteral("sh")} + extra;
}

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("#!/bin/sh\n" + body);
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestOvraShellUtilities : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void exitStatusOne()
    {
        const QStringList args = shArgs(QStringLiteral("printf 'some text'; exit 1"));
        QCOMPARE(runShellScript2(kSh, args), QStringLiteral("some text"));
        QCOMPARE(runThisShellScript(kSh, args), QStringLiteral("Task failed."));
    }

    void successAnswersOutputDecodedAsUtf8()
    {
        const QStringList args = shArgs(QStringLiteral("printf '\\303\\251\\342\\202\\254 ok\\n'"));
        const QString expected = QStringLiteral("\u00e9\u20ac ok\n");
        QCOMPARE(runShellScript2(kSh, args), expected);
        QCOMPARE(runThisShellScript(kSh, args), expected);
    }

    void nothingPrintedIsEmptyNotNull()
    {
        const QString answer = runShellScript2(kSh, shArgs(QStringLiteral("true")));
        QVERIFY(!answer.isNull());
        QVERIFY(answer.isEmpty());
    }

    void missingExecutableOrPathAnswersNull_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty path") << QString();
        QTest::newRow("missing") << QStringLiteral("/nonexistent/ovra/no-such-tool");
        QTest::newRow("folder") << QStringLiteral("/");
    }

    void missingExecutableOrPathAnswersNull()
    {
        QFETCH(QString, path);
        QVERIFY(runShellScript2(path).isNull());
        QVERIFY(runThisShellScript(path).isNull());
    }

    void largeOutputDoesNotDeadlock()
    {
        // Far more than a pipe holds, printed before the child can exit.
        const QString answer =
            runShellScript2(kSh, shArgs(QStringLiteral("head -c 10485760 /dev/zero | tr '\\0' x")));
        QCOMPARE(answer.size(), 10485760);
        QVERIFY(answer.startsWith(QStringLiteral("xxxx")));
        QVERIFY(answer.endsWith(QStringLiteral("xxxx")));
    }

    void hungChildIsKilledAndItsOutputKept()
    {
        const QStringList args = shArgs(QStringLiteral("printf partial; sleep 30"));
        QCOMPARE(runShellScript2(kSh, args, 500), QStringLiteral("partial"));
        QCOMPARE(runThisShellScript(kSh, args, 500), QStringLiteral("Task failed."));
    }

    void argumentsPassVerbatim_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("spaces") << QStringList{QStringLiteral("a b"), QStringLiteral("  c  ")};
        QTest::newRow("quotes") << QStringList{QStringLiteral("it's"), QStringLiteral("\"q\"")};
        QTest::newRow("newline") << QStringList{QStringLiteral("line1\nline2")};
        QTest::newRow("shell syntax")
            << QStringList{QStringLiteral("$(touch /tmp/ovra-never)"), QStringLiteral("; ls *")};
        QTest::newRow("empty argument") << QStringList{QString(), QStringLiteral("x")};
        QTest::newRow("non-ASCII") << QStringList{QStringLiteral("Caf\u00e9 \u65e5\u672c")};
    }

    void argumentsPassVerbatim()
    {
        QFETCH(QStringList, args);
        // Each argument comes back terminated by a NUL byte.
        const QString answer = runShellScript2(
            kSh, shArgs(QStringLiteral("for a; do printf '%s\\000' \"$a\"; done"), args));
        QStringList back = answer.split(QChar(0));
        QCOMPARE(back.takeLast(), QString());
        QCOMPARE(back, args);
    }

    void bundleScriptIsFoundAndRun()
    {
        QTemporaryDir resources;
        QVERIFY(resources.isValid());
        QVERIFY(writeScript(resources.filePath(QStringLiteral("touchit.sh")),
                            "printf done > \"$1\"\n"));
        const Bundle bundle(Bundle::defaultInfoDictionary(), resources.path(), resources.path(),
                            resources.filePath(QStringLiteral("no-helpers")));
        const QString target = resources.filePath(QStringLiteral("out file.txt"));

        runShellScript(bundle, QStringLiteral("touchit.sh"), QStringList{target});
        QFile out(target);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("done"));

        // Neither of these may run anything or fail loudly.
        runShellScript(bundle, QStringLiteral("missing.sh"));
        runShellScript(bundle, QString());
    }

    void revealScriptOpensTheFolderItWasGiven()
    {
        QTemporaryDir fakeBin;
        QVERIFY(fakeBin.isValid());
        const QString record = fakeBin.filePath(QStringLiteral("opened"));
        QVERIFY(writeScript(fakeBin.filePath(QStringLiteral("xdg-open")),
                            "printf '%s' \"$1\" > \"" + QFile::encodeName(record) + "\"\n"));
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(fakeBin.path()) + ":/usr/bin:/bin");
        const QString folder = fakeBin.filePath(QStringLiteral("a folder 'with' \"quotes\""));
        const QString answer = runThisShellScript(
            QStringLiteral(OVRA_SOURCE_DIR "/resources/revealInFinder.sh"), QStringList{folder});
        qputenv("PATH", oldPath);

        QCOMPARE(answer, QString());
        // xdg-open runs detached, so it may still be writing.
        QTRY_COMPARE(readText(record), folder);
    }
};

QTEST_GUILESS_MAIN(TestOvraShellUtilities)
#include "tst_ovrashellutilities.moc"
