// Guards the launch preferences: factory/forced values, transition style, screen keys, folders.
#include "TestSupport.h"
#include "platform/Bundle.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Bundle bundleWith(const QString &resources, const QString &executable = u"ovra-videowall"_s)
{
    QVariantMap info = Bundle::defaultInfoDictionary();
    if (executable.isNull()) {
        info.remove(kInfoCFBundleExecutable);
        info.remove(kInfoCFBundleName);
    } else {
        info.insert(kInfoCFBundleExecutable, executable);
        info.insert(kInfoCFBundleName, executable);
    }
    return Bundle(info, resources, resources, resources);
}

void writePlist(const QString &path, const QVariantMap &values)
{
    QVERIFY(PropertyList::writeFileAtomically(path, values));
}

} // namespace

class TestAppDelegatePreferences : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void factoryFileIsRegisteredAndForcedKeysReturnAtEveryLaunch()
    {
        QTemporaryDir res;
        writePlist(res.filePath(u"FactoryDefault.plist"_s),
                   {{kPrefSlideShowPath, u"~/Store"_s}, {kPrefDaysToSaveLogs, 9}});
        writePlist(res.filePath(u"ForcedDefaultPrefs.plist"_s), {{kPrefDoShoutMode, true}});
        const QString file = res.filePath(u"prefs.plist"_s);
        // Without the files nothing is registered, and nothing fails.
        QTemporaryDir empty;
        Preferences bare{QString()};
        AppDelegate::setupFactoryDefaults(bare, bundleWith(empty.path()));
        QVERIFY(bare.dictionaryRepresentation().isEmpty());
        for (int launch = 0; launch < 3; ++launch) {
            Preferences store(file);
            AppDelegate::setupFactoryDefaults(store, bundleWith(res.path()));
            QCOMPARE(store.stringForKey(kPrefSlideShowPath), u"~/Store"_s);
            QCOMPARE(store.integerForKey(kPrefDaysToSaveLogs), 9);
            // Only the forced key is persisted, never the factory ones.
            QCOMPARE(store.persistentDomain(), (QVariantMap{{kPrefDoShoutMode, true}}));
            // The operator switches it off; the next launch forces it back.
            store.setBool(false, kPrefDoShoutMode);
            if (launch == 1) {
                // Clearing ours brings back the factory values, and the forced ones return.
                store.setInteger(3, kPrefDaysToSaveLogs);
                store.setObject(u"Lobby"_s, PreferenceKeys::displayNameKey(1));
                AppDelegate::clearAllOurPrefs(store);
                QVERIFY(store.persistentDomain().isEmpty());
            }
            QVERIFY(store.synchronize());
        }
    }

    void transitionStyleIsCorrected_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QVariant() << u"fade"_s;
        QTest::newRow("no effect stays")
            << QVariant(u"No Transition Effect"_s) << u"No Transition Effect"_s;
        QTest::newRow("unknown") << QVariant(u"CIRippleTransition"_s) << u"fade"_s;
        QTest::newRow("other letter case") << QVariant(u"Push"_s) << u"fade"_s;
        QTest::newRow("not a string") << QVariant(QVariantList{u"push"_s}) << u"fade"_s;
    }

    void transitionStyleIsCorrected()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);
        Preferences store{QString()};
        if (stored.isValid()) {
            store.setObject(stored, kPrefTransitionStyle);
        }
        AppDelegate::forceTransitionChoices(store);
        QCOMPARE(store.stringForKey(kPrefTransitionStyle), expected);
        QCOMPARE(store.stringArrayForKey(kPrefAvailTransitionStyles),
                 (QStringList{u"No Transition Effect"_s, u"fade"_s, u"moveIn"_s, u"push"_s,
                              u"reveal"_s}));
    }

    void screenIndexKeysAreResetForSevenDisplays()
    {
        Preferences store{QString()};
        for (int n = 1; n <= 7; ++n) {
            store.setInteger(n, PreferenceKeys::perDisplayKey(kPrefNSScreenIndex, n));
        }
        store.setInteger(8, u"prefNSScreenIndex8"_s);
        AppDelegate::resetScreenIndexKeys(store);
        for (int n = 1; n <= 7; ++n) {
            QCOMPARE(store.stringForKey(PreferenceKeys::perDisplayKey(kPrefNSScreenIndex, n)),
                     u"< None Detected >"_s);
        }
        QCOMPARE(store.integerForKey(u"prefNSScreenIndex8"_s), 8);
    }

    void localFolderPathsFollowTheExecutableName()
    {
        QTemporaryDir res;
        const LocalFolderPaths named =
            AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"kiosk"_s));
        QCOMPARE(named.currentFolder, u"~/kiosk/LocalSlideShowFolder/Current"_s);
        QCOMPARE(named.extraSlideShowFolder, u"~/kiosk/ExtraSlideShowFolder"_s);
        QCOMPARE(AppDelegate::localFolderPaths().processedFolder,
                 u"~/kiosk/LocalSlideShowFolder/Processed"_s);
        const LocalFolderPaths unnamed =
            AppDelegate::fixHeaderStrings(bundleWith(res.path(), QString()));
        QCOMPARE(unnamed.failedFolder, u"~/OvraSlideShow/LocalSlideShowFolder/Failed"_s);
    }

    void oldDataFolderIsCopiedOnceForTheRightName()
    {
        QTemporaryDir res;
        const QString home = QDir::homePath();
        // The quote and the blank make sure the copy command quotes its paths.
        QVERIFY(TestSupport::writeFile(home + u"/OvraSlideShow/it's here/one.jpg"_s, {}));
        AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"Ovra-VideoWall2"_s));
        QVERIFY(!QFileInfo::exists(home + u"/Ovra-VideoWall2"_s));

        AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"Ovra-VideoWall"_s));
        QVERIFY(QFile::exists(home + u"/Ovra-VideoWall/it's here/one.jpg"_s));
        QVERIFY(TestSupport::writeFile(home + u"/OvraSlideShow/two.jpg"_s, {}));
        AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"Ovra-VideoWall"_s));
        QVERIFY(!QFile::exists(home + u"/Ovra-VideoWall/two.jpg"_s));
        QVERIFY(QDir(home + u"/Ovra-VideoWall"_s).removeRecursively());
        QVERIFY(QDir(home + u"/OvraSlideShow"_s).removeRecursively());
    }
};

QTEST_GUILESS_MAIN(TestAppDelegatePreferences)
#include "tst_appdelegatepreferences.moc"
