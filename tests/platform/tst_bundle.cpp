// Guards where the bundle finds resources and helpers, and that names cannot climb out.
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
    void resourcesAndScriptsAreFoundInTheirFolders()
    {
        QTemporaryDir dir;
        QVERIFY(TestSupport::writeFile(dir.filePath(u"share/FactoryDefault.plist"_s), "x"));
        QVERIFY(TestSupport::writeScript(dir.filePath(u"share/getnewestfiles.sh"_s), "exit 0\n"));
        QVERIFY(TestSupport::writeScript(dir.filePath(u"share/revealInFinder.sh"_s), "exit 0\n"));
        QVERIFY(TestSupport::writeScript(dir.filePath(u"libexec/getnewestfiles.sh"_s), "exit 0\n"));
        // A helper that is not executable does not count.
        QVERIFY(TestSupport::writeFile(dir.filePath(u"libexec/relaunch"_s), "x"));
        QVERIFY(TestSupport::writeScript(dir.filePath(u"outside.sh"_s), "exit 0\n"));
        const Bundle bundle({}, dir.path(), dir.filePath(u"share"_s), dir.filePath(u"libexec"_s));

        const QString factory = dir.filePath(u"share/FactoryDefault.plist"_s);
        QCOMPARE(bundle.pathForResource(u"FactoryDefault"_s, u"plist"_s), factory);
        QCOMPARE(bundle.pathForResource(u"FactoryDefault.plist"_s), factory);
        QVERIFY(bundle.pathForResource(u"ForcedDefaultPrefs"_s, u"plist"_s).isEmpty());
        QVERIFY(bundle.pathForResource(QString(), u"plist"_s).isEmpty());

        // Helpers first, then resources.
        QCOMPARE(bundle.pathForScript(u"getnewestfiles.sh"_s),
                 dir.filePath(u"libexec/getnewestfiles.sh"_s));
        QCOMPARE(bundle.pathForScript(u"revealInFinder.sh"_s),
                 dir.filePath(u"share/revealInFinder.sh"_s));
        QVERIFY(bundle.pathForAuxiliaryExecutable(u"relaunch"_s).isEmpty());
        QVERIFY(bundle.pathForScript(u"missing.sh"_s).isEmpty());

        // Names cannot climb out of their folder.
        QVERIFY(bundle.pathForResource(u"../outside"_s, u"sh"_s).isEmpty());
        QVERIFY(bundle.pathForAuxiliaryExecutable(u"../outside.sh"_s).isEmpty());
    }

    void mainBundleFindsTheBuildTreeResources()
    {
        // ctest points OVRA_SHARE_DIR at the build tree's share folder.
        const Bundle &bundle = Bundle::mainBundle();
        QCOMPARE(bundle.bundleIdentifier(), u"org.ovra.VideoWall"_s);
        QVERIFY(!bundle.pathForResource(u"FactoryDefault"_s, u"plist"_s).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBundle)
#include "tst_bundle.moc"
