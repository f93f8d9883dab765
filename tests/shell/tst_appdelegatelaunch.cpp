// Guards the photo-store root at launch, the local folders and the intake's channel.
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

class TestAppDelegateLaunch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // No relaunch helper may be found in this test.
        qputenv("OVRA_LIBEXEC_DIR",
                QFile::encodeName(QDir::tempPath() + u"/ovra-no-helpers-here"_s));
    }
    void init()
    {
        store_ = std::make_unique<Preferences>(QString());
        Preferences::setStandardUserDefaults(store_.get());
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        Preferences::setStandardUserDefaults(nullptr);
        store_.reset();
    }
    void rootIsValidatedThroughItsAlias_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("valid");
        QTest::newRow("renamed: found again") << u"rename"_s << true;
        QTest::newRow("deleted: marked invalid") << u"delete"_s << false;
        QTest::newRow("a file is no root") << u"file"_s << false;
    }
    void rootIsValidatedThroughItsAlias()
    {
        QFETCH(QString, change);
        QFETCH(bool, valid);
        QString root = dir_->filePath(u"Store"_s);
        QVERIFY(change == u"file"_s ? TestSupport::writeFile(root, "x") : QDir().mkpath(root));
        store_->setObject(root, kPrefSlideShowPath);
        if (change != u"file"_s) {
            MyAliasKit::savePath(root, kPrefSlideShowPathAliasData, store_.get());
            // The opposite of what validation must leave behind.
            store_->setBool(!valid, kPrefSlideShowPathAliasDataIsValid);
            if (change == u"rename"_s) {
                QVERIFY(QDir().rename(root, dir_->filePath(u"Store 2013"_s)));
                root = dir_->filePath(u"Store 2013"_s);
            } else {
                QVERIFY(QDir(root).removeRecursively());
            }
            AppDelegate::performStartupValidation();
            QCOMPARE(store_->stringForKey(kPrefSlideShowPath),
                     valid ? root : dir_->filePath(u"Store"_s));
            QCOMPARE(store_->boolForKey(kPrefSlideShowPathAliasDataIsValid), valid);
        }
        AppDelegate delegate;
        QCOMPARE(delegate.validatePrefs(), valid);
    }

    void validationCreatesTheLocalFolders()
    {
        store_->setObject(u"~/Demo Slides"_s, kPrefDemoSlidesPath);
        AppDelegate delegate;
        delegate.validatePrefs();
        const QString home = QDir::homePath();
        const LocalFolderPaths &paths = AppDelegate::localFolderPaths();
        for (const QString &folder :
             {paths.currentFolder, paths.failedFolder, paths.processedFolder}) {
            QVERIFY2(QFileInfo(home + folder.mid(1)).isDir(), qPrintable(folder));
        }
        QVERIFY(QFileInfo(home + u"/Demo Slides"_s).isDir());
    }

    void oldRootMovesIntoTheFactoryRootOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("moveWanted");
        QTest::newRow("asked") << true;
        QTest::newRow("not asked") << false;
    }
    void oldRootMovesIntoTheFactoryRootOnlyWhenAsked()
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

    void missingRelaunchHelperKeepsTheKioskUp()
    {
        QVERIFY(!AppDelegate::relaunch(QVariantMap{{kKeyLSLaunchFlags, kLaunchFlagsRelaunch}}));
    }

    void codeIntakeListensOnTheDelegatesChannel()
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

private:
    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestAppDelegateLaunch)
#include "tst_appdelegatelaunch.moc"
