// Guards running helper scripts: arguments verbatim, output whole, hung children killed.
#include "TestSupport.h"
#include "platform/Bundle.h"
#include "support/OvraShellUtilities.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSh = u"/bin/sh"_s;

QStringList shArgs(const QString &script, const QStringList &extra = {})
{
    return QStringList{u"-c"_s, script, u"sh"_s} + extra;
}

} // namespace

class TestOvraShellUtilities : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void outputAndFailure_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("output");
        const QString utf8 = u"\u00e9\u20ac ok\n"_s;
        QTest::newRow("exit status one")
            << u"printf 'some text'; exit 1"_s << kShellDefaultTimeoutMs << u"some text"_s;
        QTest::newRow("success decoded as UTF-8")
            << u"printf '\\303\\251\\342\\202\\254 ok\\n'"_s << kShellDefaultTimeoutMs << utf8;
        QTest::newRow("nothing printed is empty, not null")
            << u"true"_s << kShellDefaultTimeoutMs << u""_s;
        QTest::newRow("hung child is killed, its output kept")
            << u"printf partial; sleep 30"_s << 500 << u"partial"_s;
    }

    void outputAndFailure()
    {
        QFETCH(QString, script);
        QFETCH(int, timeout);
        QFETCH(QString, output);
        const QString got = runShellScript2(kSh, shArgs(script), timeout);
        QCOMPARE(got, output);
        QVERIFY(!got.isNull());
    }

    void missingExecutableOrPathAnswersNull_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty path") << QString();
        QTest::newRow("missing") << u"/nonexistent/ovra/no-such-tool"_s;
        QTest::newRow("folder") << u"/"_s;
    }

    void missingExecutableOrPathAnswersNull()
    {
        QFETCH(QString, path);
        QVERIFY(runShellScript2(path).isNull());
    }

    void largeOutputDoesNotDeadlock()
    {
        // Far more than a pipe holds, printed before the child can exit.
        const QString answer =
            runShellScript2(kSh, shArgs(u"head -c 10485760 /dev/zero | tr '\\0' x"_s));
        QCOMPARE(answer.size(), 10485760);
        QVERIFY(answer.startsWith(u"xxxx"_s));
        QVERIFY(answer.endsWith(u"xxxx"_s));
    }

    void argumentsPassVerbatim_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("spaces") << QStringList{u"a b"_s, u"  c  "_s};
        QTest::newRow("quotes") << QStringList{u"it's"_s, u"\"q\""_s};
        QTest::newRow("newline") << QStringList{u"line1\nline2"_s};
        QTest::newRow("shell syntax") << QStringList{u"$(touch /tmp/ovra-never)"_s, u"; ls *"_s};
        QTest::newRow("empty argument") << QStringList{QString(), u"x"_s};
        QTest::newRow("non-ASCII") << QStringList{u"Caf\u00e9 \u65e5\u672c"_s};
    }

    void argumentsPassVerbatim()
    {
        QFETCH(QStringList, args);
        // Each argument comes back terminated by a NUL byte.
        const QString answer =
            runShellScript2(kSh, shArgs(u"for a; do printf '%s\\000' \"$a\"; done"_s, args));
        QStringList back = answer.split(QChar(0));
        QCOMPARE(back.takeLast(), QString());
        QCOMPARE(back, args);
    }

    void bundleScriptIsFoundAndRun()
    {
        QTemporaryDir resources;
        QVERIFY(resources.isValid());
        QVERIFY(TestSupport::writeScript(resources.filePath(u"touchit.sh"_s),
                                         "printf done > \"$1\"\n"));
        const Bundle bundle(Bundle::defaultInfoDictionary(), resources.path(), resources.path(),
                            resources.filePath(u"no-helpers"_s));
        const QString target = resources.filePath(u"out file.txt"_s);

        runShellScript(bundle, u"touchit.sh"_s, QStringList{target});
        QFile out(target);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("done"));

        // Neither of these may run anything or fail loudly.
        runShellScript(bundle, u"missing.sh"_s);
        runShellScript(bundle, QString());
    }

    void revealScriptOpensTheFolderItWasGiven()
    {
        QTemporaryDir fakeBin;
        QVERIFY(fakeBin.isValid());
        const QString record = fakeBin.filePath(u"opened"_s);
        QVERIFY(TestSupport::writeScript(fakeBin.filePath(u"xdg-open"_s),
                                         "printf '%s' \"$1\" > \"" + QFile::encodeName(record) +
                                             "\"\n"));
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(fakeBin.path()) + ":/usr/bin:/bin");
        const QString folder = fakeBin.filePath(u"a folder 'with' \"quotes\""_s);
        const QString answer = runShellScript2(
            QStringLiteral(OVRA_SOURCE_DIR "/resources/revealInFinder.sh"), QStringList{folder});
        qputenv("PATH", oldPath);

        QCOMPARE(answer, QString());
        // xdg-open runs detached, so it may still be writing.
        QTRY_COMPARE(QString::fromUtf8(TestSupport::readFile(record)), folder);
    }
};

QTEST_GUILESS_MAIN(TestOvraShellUtilities)
#include "tst_ovrashellutilities.moc"
