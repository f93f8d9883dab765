#include "TestSupport.h"
#include "platform/Bundle.h"
#include "shell/CommonHeader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestBundle : public QObject
{
    Q_OBJECT
private slots:
    void informationNamesTheKiosk();
    void resourcesAreFoundByNameAndType();
    void scriptsPreferHelpersThenResources();
    void namesCannotClimbOutOfTheirFolder();
    void mainBundleFindsTheBuildTreeResources();
};

void TestBundle::informationNamesTheKiosk()
{
    const QVariantMap info = Bundle::defaultInfoDictionary();
    QCOMPARE(info.value(kInfoCFBundleExecutable).toString(), u"ovra-videowall"_s);
    QCOMPARE(info.value(kInfoCFBundleIdentifier).toString(), u"org.ovra.VideoWall"_s);
    QVERIFY(!info.value(kInfoCFBundleShortVersionString).toString().isEmpty());
    QVERIFY(info.value(kInfoDTSDKName).toString().startsWith(u"Qt-6"_s));
}

void TestBundle::resourcesAreFoundByNameAndType()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeFile(dir.filePath(u"share/FactoryDefault.plist"_s), "x"));
    const Bundle bundle({}, dir.path(), dir.filePath(u"share"_s), dir.filePath(u"libexec"_s));
    QCOMPARE(bundle.pathForResource(u"FactoryDefault"_s, u"plist"_s),
             dir.filePath(u"share/FactoryDefault.plist"_s));
    QCOMPARE(bundle.pathForResource(u"FactoryDefault.plist"_s),
             dir.filePath(u"share/FactoryDefault.plist"_s));
    QVERIFY(bundle.pathForResource(u"ForcedDefaultPrefs"_s, u"plist"_s).isEmpty());
    QVERIFY(bundle.pathForResource(QString(), u"plist"_s).isEmpty());
}

void TestBundle::scriptsPreferHelpersThenResources()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeScript(dir.filePath(u"share/getnewestfiles.sh"_s), "exit 0\n"));
    QVERIFY(TestSupport::writeScript(dir.filePath(u"share/revealInFinder.sh"_s), "exit 0\n"));
    QVERIFY(TestSupport::writeScript(dir.filePath(u"libexec/getnewestfiles.sh"_s), "exit 0\n"));
    // A helper that is not executable does not count.
    QVERIFY(TestSupport::writeFile(dir.filePath(u"libexec/relaunch"_s), "x"));
    const Bundle bundle({}, dir.path(), dir.filePath(u"share"_s), dir.filePath(u"libexec"_s));
    QCOMPARE(bundle.pathForScript(u"getnewestfiles.sh"_s),
             dir.filePath(u"libexec/getnewestfiles.sh"_s));
    QCOMPARE(bundle.pathForScript(u"revealInFinder.sh"_s),
             dir.filePath(u"share/revealInFinder.sh"_s));
    QVERIFY(bundle.pathForAuxiliaryExecutable(u"relaunch"_s).isEmpty());
    QVERIFY(bundle.pathForScript(u"missing.sh"_s).isEmpty());
}

void TestBundle::namesCannotClimbOutOfTheirFolder()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeScript(dir.filePath(u"outside.sh"_s), "exit 0\n"));
    const Bundle bundle({}, dir.path(), dir.filePath(u"share"_s), dir.filePath(u"libexec"_s));
    QVERIFY(bundle.pathForResource(u"../outside"_s, u"sh"_s).isEmpty());
    QVERIFY(bundle.pathForAuxiliaryExecutable(u"../outside.sh"_s).isEmpty());
}

void TestBundle::mainBundleFindsTheBuildTreeResources()
{
    // ctest points OVRA_SHARE_DIR at the build tree's share folder.
    const Bundle &bundle = Bundle::mainBundle();
    QCOMPARE(bundle.bundleIdentifier(), u"org.ovra.VideoWall"_s);
    QVERIFY(!bundle.pathForResource(u"FactoryDefault"_s, u"plist"_s).isEmpty());
}

QTEST_GUILESS_MAIN(TestBundle)
#include "tst_bundle.moc"
