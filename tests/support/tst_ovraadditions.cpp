#include "platform/Bundle.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"

#include <QDir>
#include <QtTest>

namespace {

Bundle bundleWith(const QVariantMap &info)
{
    return Bundle(info, QString(), QString(), QString());
}

} // namespace

class TestOvraAdditions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void expandTilde_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const QString home = QDir::homePath();
        QTest::newRow("tilde alone") << QStringLiteral("~") << home;
        QTest::newRow("tilde slash") << QStringLiteral("~/") << home + QStringLiteral("/");
        QTest::newRow("below home")
            << QStringLiteral("~/Library/Logs") << home + QStringLiteral("/Library/Logs");
        QTest::newRow("other user") << QStringLiteral("~bob/x") << QStringLiteral("~bob/x");
        QTest::newRow("absolute") << QStringLiteral("/tmp/~/x") << QStringLiteral("/tmp/~/x");
        QTest::newRow("relative") << QStringLiteral("a/~") << QStringLiteral("a/~");
        QTest::newRow("empty") << QString() << QString();
    }

    void expandTilde()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(::expandTilde(path), expected);
    }

    void shellCommandOutput_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        const QString a256(256, QLatin1Char('a'));
        QTest::newRow("exactly 256") << QStringLiteral("printf '%0256d' 0 | tr 0 a") << a256;
        // The rest arrives later than the first block: a reader that stops at
        // the first short read would lose it.
        QTest::newRow("256 then more")
            << QStringLiteral("printf '%0256d' 0 | tr 0 a; sleep 0.2; printf bbb")
            << a256 + QStringLiteral("bbb");
        QTest::newRow("300") << QStringLiteral("printf '%0300d' 0 | tr 0 a")
                             << QString(300, QLatin1Char('a'));
        // A two-byte character straddling the 256-byte mark.
        QTest::newRow("split character")
            << QStringLiteral("printf '%0255d' 0 | tr 0 a; printf '\\303\\251'")
            << QString(255, QLatin1Char('a')) + QStringLiteral("\u00e9");
        QTest::newRow("failing command still answers its output")
            << QStringLiteral("echo partial; exit 4") << QStringLiteral("partial\n");
    }

    void shellCommandOutput()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QCOMPARE(outputWhenRunAsShellCommand(command), expected);
    }

    void shellCommandWithoutOutputIsNull_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("empty command") << QString();
        QTest::newRow("prints nothing") << QStringLiteral("true");
        QTest::newRow("fails silently") << QStringLiteral("exit 3");
    }

    void shellCommandWithoutOutputIsNull()
    {
        QFETCH(QString, command);
        QVERIFY(outputWhenRunAsShellCommand(command).isNull());
    }

    void versionString_data()
    {
        QTest::addColumn<QVariantMap>("info");
        QTest::addColumn<QString>("expected");
        QVariantMap full{{kInfoCFBundleDisplayName, QStringLiteral("Ovra VideoWall")},
                         {kInfoCFBundleName, QStringLiteral("ovra-videowall")},
                         {kInfoCFBundleShortVersionString, QStringLiteral("2.1")},
                         {kInfoDTXcode, QStringLiteral("GNU-12.2")},
                         {kInfoDTSDKName, QStringLiteral("Qt-6.4.2")}};
        QTest::newRow("full") << full
                              << QStringLiteral("Ovra VideoWall - v2.1 [XC-GNU-12.2 sdk-Qt-6.4.2]");
        QVariantMap sparse = full;
        sparse.remove(kInfoCFBundleDisplayName);
        sparse.remove(kInfoDTXcode);
        sparse.remove(kInfoDTSDKName);
        QTest::newRow("name fallback and unknown build fields")
            << sparse << QStringLiteral("ovra-videowall - v2.1 [XC-?? sdk-??]");
    }

    void versionString()
    {
        QFETCH(QVariantMap, info);
        QFETCH(QString, expected);
        Preferences store(QString{});
        QCOMPARE(getAppVersionString(bundleWith(info), &store), expected);
        QCOMPARE(store.stringForKey(kPrefAppVersion), expected);
    }

    void versionStringOfThisBuildGoesToThePassedStore()
    {
        Preferences store(QString{});
        const QString version = getAppVersionString(&store);
        QVERIFY2(version.startsWith(kBundleDisplayName + QStringLiteral(" - v")),
                 qPrintable(version));
        QCOMPARE(store.stringForKey(kPrefAppVersion), version);
    }

    void userDataPath_data()
    {
        QTest::addColumn<QVariantMap>("info");
        QTest::addColumn<QString>("expected");
        const QString home = QDir::homePath();
        QTest::newRow("executable")
            << QVariantMap{{kInfoCFBundleExecutable, QStringLiteral("ovra-videowall")},
                           {kInfoCFBundleName, QStringLiteral("other")}}
            << home + QStringLiteral("/ovra-videowall");
        QTest::newRow("name only") << QVariantMap{{kInfoCFBundleName, QStringLiteral("Ovra")}}
                                   << home + QStringLiteral("/Ovra");
        QTest::newRow("neither") << QVariantMap{} << QString();
    }

    void userDataPath()
    {
        QFETCH(QVariantMap, info);
        QFETCH(QString, expected);
        const QString path = getThisAppUserDataPath(bundleWith(info));
        QCOMPARE(path, expected);
        QCOMPARE(path.isNull(), expected.isNull());
    }
};

QTEST_GUILESS_MAIN(TestOvraAdditions)
#include "tst_ovraadditions.moc"
