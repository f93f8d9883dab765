// Guards home-folder expansion, reading a shell command's whole output, and the version text.
#include "platform/Bundle.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

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
        QTest::newRow("tilde alone") << u"~"_s << home;
        QTest::newRow("below home") << u"~/Library/Logs"_s << home + u"/Library/Logs"_s;
        QTest::newRow("other user") << u"~bob/x"_s << u"~bob/x"_s;
        QTest::newRow("absolute") << u"/tmp/~/x"_s << u"/tmp/~/x"_s;
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
        QTest::newRow("exactly 256") << u"printf '%0256d' 0 | tr 0 a"_s << a256;
        // The rest arrives later than the first block: a reader that stops at
        // the first short read would lose it.
        QTest::newRow("256 then more")
            << u"printf '%0256d' 0 | tr 0 a; sleep 0.2; printf bbb"_s << a256 + u"bbb"_s;
        // A two-byte character straddling the 256-byte mark.
        QTest::newRow("split character") << u"printf '%0255d' 0 | tr 0 a; printf '\\303\\251'"_s
                                         << QString(255, QLatin1Char('a')) + u"\u00e9"_s;
        QTest::newRow("failing command still answers its output")
            << u"echo partial; exit 4"_s << u"partial\n"_s;
        QTest::newRow("empty command") << QString() << QString();
        QTest::newRow("prints nothing") << u"true"_s << QString();
    }

    void shellCommandOutput()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        const QString output = outputWhenRunAsShellCommand(command);
        QCOMPARE(output, expected);
        QCOMPARE(output.isNull(), expected.isNull());
    }

    // The kiosk's own bundle carries every field, so no fallback is reached.
    void versionAndUserDataPath()
    {
        const Bundle bundle({{kInfoCFBundleExecutable, u"ovra-videowall"_s},
                             {kInfoCFBundleDisplayName, u"Ovra VideoWall"_s},
                             {kInfoCFBundleName, u"other"_s},
                             {kInfoCFBundleShortVersionString, u"2.1"_s},
                             {kInfoDTXcode, u"GNU-12.2"_s},
                             {kInfoDTSDKName, u"Qt-6.4.2"_s}},
                            QString(), QString(), QString());
        const QString expected = u"Ovra VideoWall - v2.1 [XC-GNU-12.2 sdk-Qt-6.4.2]"_s;
        Preferences store(QString{});
        QCOMPARE(getAppVersionString(bundle, &store), expected);
        QCOMPARE(store.stringForKey(kPrefAppVersion), expected);
        QCOMPARE(getThisAppUserDataPath(bundle), QDir::homePath() + u"/ovra-videowall"_s);
    }
};

QTEST_GUILESS_MAIN(TestOvraAdditions)
#include "tst_ovraadditions.moc"
