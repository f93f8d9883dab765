#include "TestSupport.h"
#include "intake/BarcodeEntryController.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"
#include "support/MyAliasKit.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The photo-store root at launch: missing, a file, found again through its
// alias, moved into the factory root.
class TestAppDelegateLaunch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void renamedRootIsFoundThroughItsAlias();
    void unresolvableRootIsMarkedInvalid();
    void aFileIsNoRoot();
    void validationCreatesTheLocalFolders();
    void oldRootMovesIntoTheFactoryRootOnlyWhenAsked_data();
    void oldRootMovesIntoTheFactoryRootOnlyWhenAsked();
    void missingRelaunchHelperKeepsTheKioskUp();
    void transitionMenuListsRandomThenTheChoices();
    void codeIntakeListensOnTheDelegatesChannel();

private:
    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestAppDelegateLaunch::initTestCase()
{
    // No relaunch helper may be found in this test.
    qputenv("OVRA_LIBEXEC_DIR", QFile::encodeName(QDir::tempPath() + u"/ovra-no-helpers-here"_s));
}

void TestAppDelegateLaunch::init()
{
    store_ = std::make_unique<Preferences>(QString());
    Preferences::setStandardUserDefaults(store_.get());
    dir_ = std::make_unique<QTemporaryDir>();
}

void TestAppDelegateLaunch::cleanup()
{
    Preferences::setStandardUserDefaults(nullptr);
    store_.reset();
}

void TestAppDelegateLaunch::renamedRootIsFoundThroughItsAlias()
{
    const QString root = dir_->filePath(u"Store"_s);
    QVERIFY(QDir().mkpath(root));
    store_->setObject(root, kPrefSlideShowPath);
    MyAliasKit::savePath(root, kPrefSlideShowPathAliasData, store_.get());
    QVERIFY(QDir().rename(root, dir_->filePath(u"Store 2013"_s)));

    AppDelegate::performStartupValidation();
    QCOMPARE(store_->stringForKey(kPrefSlideShowPath), dir_->filePath(u"Store 2013"_s));
    QVERIFY(store_->boolForKey(kPrefSlideShowPathAliasDataIsValid));
    AppDelegate delegate;
    QVERIFY(delegate.validatePrefs());
}

void TestAppDelegateLaunch::unresolvableRootIsMarkedInvalid()
{
    const QString root = dir_->filePath(u"Store"_s);
    QVERIFY(QDir().mkpath(root));
    store_->setObject(root, kPrefSlideShowPath);
    MyAliasKit::savePath(root, kPrefSlideShowPathAliasData, store_.get());
    store_->setBool(true, kPrefSlideShowPathAliasDataIsValid);
    QVERIFY(QDir(root).removeRecursively());

    AppDelegate::performStartupValidation();
    QVERIFY(!store_->boolForKey(kPrefSlideShowPathAliasDataIsValid));
    QCOMPARE(store_->stringForKey(kPrefSlideShowPath), root);
    AppDelegate delegate;
    QVERIFY(!delegate.validatePrefs());
}

void TestAppDelegateLaunch::aFileIsNoRoot()
{
    const QString file = dir_->filePath(u"not-a-folder"_s);
    QVERIFY(TestSupport::writeFile(file, "x"));
    store_->setObject(file, kPrefSlideShowPath);
    AppDelegate delegate;
    QVERIFY(!delegate.validatePrefs());
}

void TestAppDelegateLaunch::validationCreatesTheLocalFolders()
{
    store_->setObject(u"~/Demo Slides"_s, kPrefDemoSlidesPath);
    AppDelegate delegate;
    delegate.validatePrefs();
    const QString home = QDir::homePath();
    const LocalFolderPaths &paths = AppDelegate::localFolderPaths();
    for (const QString &folder : {paths.currentFolder, paths.failedFolder, paths.processedFolder}) {
        QVERIFY2(QFileInfo(home + folder.mid(1)).isDir(), qPrintable(folder));
    }
    QVERIFY(QFileInfo(home + u"/Demo Slides"_s).isDir());
}

void TestAppDelegateLaunch::oldRootMovesIntoTheFactoryRootOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("moveWanted");
    QTest::newRow("asked") << true;
    QTest::newRow("not asked") << false;
}

void TestAppDelegateLaunch::oldRootMovesIntoTheFactoryRootOnlyWhenAsked()
{
    QFETCH(bool, moveWanted);
    const QString oldRoot = dir_->filePath(u"Old Store"_s);
    const QString photo = u"/2013-02-05/ABC/one.jpg"_s;
    QVERIFY(TestSupport::writeFile(oldRoot + photo, "jpeg"));
    const QString factoryRoot = dir_->filePath(u"Factory"_s);
    QVERIFY(QDir().mkpath(factoryRoot)); // created empty just before the move
    store_->setObject(oldRoot, kPrefSlideShowPath);
    store_->setBool(moveWanted, kPrefMoveItemsAterFactoryDefault);

    AppDelegate delegate;
    delegate.moveItemsToDefaultFolder(factoryRoot);
    if (moveWanted) {
        QCOMPARE(TestSupport::readFile(factoryRoot + photo), QByteArray("jpeg"));
        QVERIFY(!QFileInfo::exists(oldRoot));
        QCOMPARE(store_->stringForKey(kPrefSlideShowPath), factoryRoot);
        QVERIFY(store_->boolForKey(kPrefSlideShowPathAliasDataIsValid));
        QVERIFY(!store_->dataForKey(kPrefSlideShowPathAliasData).isEmpty());
    } else {
        QCOMPARE(TestSupport::readFile(oldRoot + photo), QByteArray("jpeg"));
        QCOMPARE(store_->stringForKey(kPrefSlideShowPath), oldRoot);
    }
}

void TestAppDelegateLaunch::missingRelaunchHelperKeepsTheKioskUp()
{
    QVERIFY(!AppDelegate::relaunch(QVariantMap{{kKeyLSLaunchFlags, kLaunchFlagsRelaunch}}));
}

void TestAppDelegateLaunch::transitionMenuListsRandomThenTheChoices()
{
    AppDelegate::forceTransitionChoices(*store_);
    const QStringList items = AppDelegate::transitionMenuItems(*store_);
    QCOMPARE(items.value(0), u"Random"_s);
    QVERIFY(items.value(1).isEmpty()); // the separator
    QCOMPARE(items.mid(2), store_->stringArrayForKey(kPrefAvailTransitionStyles));
    QCOMPARE(items.size(), 7);
}

void TestAppDelegateLaunch::codeIntakeListensOnTheDelegatesChannel()
{
    {
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        BarcodeEntryController *intake = delegate.barcodeController();
        QVERIFY(intake);
        QVERIFY(intake->distributedCenter());
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            gVideoIsRecording = false;
            QVERIFY(DistributedNotificationCenter::post(
                bus, kOvraXNotification,
                {{kKeyAction, u"statusIsRecording"_s}, {kKeySenderApp, u"Ovra-Video.app"_s}}));
            QTRY_VERIFY(gVideoIsRecording);
            gVideoIsRecording = false;
        }
        // Leaving the scope releases the delegate's channel before the
        // controller, which must not reach back into it (the sanitizer build
        // reports it if it does).
    }
}

QTEST_GUILESS_MAIN(TestAppDelegateLaunch)
#include "tst_appdelegatelaunch.moc"
