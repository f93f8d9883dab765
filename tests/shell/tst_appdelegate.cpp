// Guards the delegate and settings window: launch prefs, commands, key routing, 06:05 relaunch.
#include "TestHarness.h"
#include "console/MainWindowController.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "intake/BarcodeEntryController.h"
#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "shell/AppDelegate.h"
#include "shell/ChoicePopup.h"
#include "shell/CommonHeader.h"
#include "shell/CustomerTableModel.h"
#include "shell/OVRAApplication.h"
#include "shell/OperatorDialogs.h"
#include "shell/PrefWindowController.h"
#include "shell/PreferenceKeys.h"
#include "shell/StringListField.h"
#include "slideshow/SelectDisplayWindowController.h"
#include "slideshow/borderlessWindow.h"
#include "slideshow/slideShowWindowController.h"
#include "support/MyAliasKit.h"
#include "support/PhotoStoreLayout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDBusConnection>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kScreens = 4;

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

// Sets a control as the operator would.
void edit(QWidget *control, const QVariant &value)
{
    if (auto *popup = qobject_cast<ChoicePopup *>(control)) {
        popup->comboBox()->setCurrentIndex(popup->comboBox()->findData(value.toLongLong()));
    } else if (auto *names = qobject_cast<StringListField *>(control)) {
        names->lineEdit()->setText(value.toStringList().join(u", "_s));
        emit names->lineEdit()->textEdited(names->lineEdit()->text());
    } else {
        QVERIFY(control->metaObject()->userProperty().write(control, value));
    }
}

struct KeyCounter : QObject
{
    int key = 0;
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        // QTest also presses the modifier keys themselves; count the typed key only.
        presses +=
            event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == key;
        return false;
    }
};

} // namespace

class TestAppDelegate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(QGuiApplication::screens().size(), kScreens);
        // No relaunch helper may be found in this test.
        qputenv("OVRA_LIBEXEC_DIR",
                QFile::encodeName(QDir::tempPath() + u"/ovra-no-helpers-here"_s));
        // The relaunch instants mean the same in every zone.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        NotificationCenter::defaultCenter()->addObserver(
            &observer_, kAddStringToBuffer, [this](const Notification &n) {
                // The payload is the object; the user information stays empty.
                QVERIFY(n.userInfo.isEmpty());
                buffered_ << n.object.toMap().value(kKeyNewString).toString();
            });
    }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        store_ = std::make_unique<Preferences>(dir_->filePath(u"prefs.plist"_s));
        Preferences::setStandardUserDefaults(store_.get());
        AppDelegate::forceTransitionChoices(*store_);
        store_->setInteger(1, kPrefIdentifyScreenInSeconds);
        Clock::setFixed(QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
        beeps_ = 0;
        panels_.clear();
        panelStarts_.clear();
        alerts_.clear();
        panelCode_ = kPanelReturnCancel;
        panelPaths_.clear();
        buffered_.clear();
    }
    void cleanup()
    {
        Clock::reset();
        Preferences::setStandardUserDefaults(nullptr);
        store_.reset();
    }

    // Launch: preferences and folders.

    void factoryFileIsRegisteredAndForcedKeysReturnAtEveryLaunch()
    {
        QTemporaryDir res;
        QVERIFY(PropertyList::writeFileAtomically(
            res.filePath(u"FactoryDefault.plist"_s),
            QVariantMap{{kPrefSlideShowPath, u"~/Store"_s}, {kPrefDaysToSaveLogs, 9}}));
        QVERIFY(PropertyList::writeFileAtomically(res.filePath(u"ForcedDefaultPrefs.plist"_s),
                                                  QVariantMap{{kPrefDoShoutMode, true}}));
        const QString file = res.filePath(u"prefs.plist"_s);
        // Without the files nothing is registered, and nothing fails.
        QTemporaryDir empty;
        Preferences bare{QString()};
        AppDelegate::setupFactoryDefaults(bare, bundleWith(empty.path()));
        QVERIFY(bare.dictionaryRepresentation().isEmpty());
        for (int launch = 0; launch < 2; ++launch) {
            Preferences store(file);
            AppDelegate::setupFactoryDefaults(store, bundleWith(res.path()));
            QCOMPARE(store.stringForKey(kPrefSlideShowPath), u"~/Store"_s);
            QCOMPARE(store.integerForKey(kPrefDaysToSaveLogs), 9);
            // Only the forced key is persisted, never the factory ones.
            QCOMPARE(store.persistentDomain(), (QVariantMap{{kPrefDoShoutMode, true}}));
            // The operator switches it off; the next launch forces it back.
            store.setBool(false, kPrefDoShoutMode);
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
        for (int n = 1; n <= 8; ++n) {
            store.setInteger(n, PreferenceKeys::perDisplayKey(kPrefNSScreenIndex, n));
        }
        AppDelegate::resetScreenIndexKeys(store);
        for (int n = 1; n <= 7; ++n) {
            QCOMPARE(store.stringForKey(PreferenceKeys::perDisplayKey(kPrefNSScreenIndex, n)),
                     u"< None Detected >"_s);
        }
        QCOMPARE(store.integerForKey(u"prefNSScreenIndex8"_s), 8);
    }

    void localFoldersFollowTheExecutableNameAndAreCreated()
    {
        QTemporaryDir res;
        const LocalFolderPaths named =
            AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"kiosk"_s));
        QCOMPARE(named.currentFolder, u"~/kiosk/LocalSlideShowFolder/Current"_s);
        QCOMPARE(named.extraSlideShowFolder, u"~/kiosk/ExtraSlideShowFolder"_s);
        // Validation creates them, and the demo slides' folder.
        store_->setObject(u"~/Demo Slides"_s, kPrefDemoSlidesPath);
        AppDelegate delegate;
        delegate.validatePrefs();
        for (const QString &folder :
             {u"kiosk/LocalSlideShowFolder/Current"_s, u"kiosk/LocalSlideShowFolder/Processed"_s,
              u"kiosk/LocalSlideShowFolder/Failed"_s, u"Demo Slides"_s}) {
            QVERIFY2(QDir::home().exists(folder), qPrintable(folder));
        }
        const LocalFolderPaths unnamed =
            AppDelegate::fixHeaderStrings(bundleWith(res.path(), QString()));
        QCOMPARE(unnamed.failedFolder, u"~/OvraSlideShow/LocalSlideShowFolder/Failed"_s);
    }

    void oldDataFolderIsCopiedOnceForTheRightName()
    {
        QTemporaryDir res;
        const QString home = QDir::homePath();
        // The local folders of other tests may have made it already.
        QVERIFY(QDir(home + u"/Ovra-VideoWall"_s).removeRecursively());
        // The quote and the blank make sure the copy command quotes its paths.
        QVERIFY(TestHarness::writeFile(home + u"/OvraSlideShow/it's here/one.jpg"_s, {}));
        AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"Ovra-VideoWall2"_s));
        QVERIFY(!QFileInfo::exists(home + u"/Ovra-VideoWall2"_s));

        AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"Ovra-VideoWall"_s));
        QVERIFY(QFile::exists(home + u"/Ovra-VideoWall/it's here/one.jpg"_s));
        QVERIFY(TestHarness::writeFile(home + u"/OvraSlideShow/two.jpg"_s, {}));
        AppDelegate::fixHeaderStrings(bundleWith(res.path(), u"Ovra-VideoWall"_s));
        QVERIFY(!QFile::exists(home + u"/Ovra-VideoWall/two.jpg"_s));
        QVERIFY(QDir(home + u"/Ovra-VideoWall"_s).removeRecursively());
        QVERIFY(QDir(home + u"/OvraSlideShow"_s).removeRecursively());
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
        QVERIFY(change == u"file"_s ? TestHarness::writeFile(root, "x") : QDir().mkpath(root));
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
        QVERIFY(TestHarness::writeFile(oldRoot + photo, "jpeg"));
        const QString factoryRoot = dir_->filePath(u"Factory"_s);
        QVERIFY(QDir().mkpath(factoryRoot)); // created empty just before the move
        store_->setObject(oldRoot, kPrefSlideShowPath);
        store_->setBool(moveWanted, kPrefMoveItemsAterFactoryDefault);

        AppDelegate delegate;
        delegate.moveItemsToDefaultFolder(factoryRoot);
        const QString nowRoot = moveWanted ? factoryRoot : oldRoot;
        QCOMPARE(TestHarness::readFile(nowRoot + photo), QByteArray("jpeg"));
        QCOMPARE(store_->stringForKey(kPrefSlideShowPath), nowRoot);
        QCOMPARE(QFileInfo::exists(oldRoot), !moveWanted);
        if (moveWanted) {
            QVERIFY(store_->boolForKey(kPrefSlideShowPathAliasDataIsValid));
            QVERIFY(!store_->dataForKey(kPrefSlideShowPathAliasData).isEmpty());
        }
    }

    void codeIntakeListensOnTheDelegatesChannel()
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
        // The delegate's end releases its channel before the controller, which
        // must not reach back into it (the sanitizer build reports it if it does).
    }

    // The daily relaunch.

    void relaunchTrigger_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected");
        const QDate day(2013, 2, 5);
        const QDateTime sameDay(day, QTime(6, 5), Qt::LocalTime);
        QTest::newRow("06:04 fires today") << QDateTime(day, QTime(6, 4), Qt::LocalTime) << sameDay;
        QTest::newRow("exactly 06:05:00.000 fires at once")
            << QDateTime(day, QTime(6, 5, 0, 0), Qt::LocalTime) << sameDay;
        QTest::newRow("06:05:30 fires tomorrow")
            << QDateTime(day, QTime(6, 5, 30), Qt::LocalTime) << sameDay.addSecs(86400);
        QTest::newRow("from UTC input") << QDateTime(day, QTime(5, 4), Qt::UTC) << sameDay;
    }
    void relaunchTrigger()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        QCOMPARE(AppDelegate::relaunchTriggerDate(now), expected);
    }

    void timerIsArmedForTheTrigger()
    {
        Clock::setFixed(QDateTime(QDate(2013, 2, 5), QTime(6, 4, 0), Qt::LocalTime));
        AppDelegate delegate;
        delegate.setupAutoRelaunchTimer();
        QVERIFY(delegate.relaunchTimer()->isActive());
        QVERIFY(delegate.relaunchTimer()->isSingleShot());
        QCOMPARE(delegate.relaunchTimer()->interval(), 60 * 1000);
    }

    void relaunchWithoutHelperOrUnderTheServiceManager()
    {
        // Without its helper the kiosk stays up.
        QVERIFY(!AppDelegate::relaunch(QVariantMap{{kKeyLSLaunchFlags, kLaunchFlagsRelaunch}}));
        // A relaunch helper would die with the unit's old kiosk: the unit
        // restarts us on this exit status instead.
        qputenv(kEnvSupervisor, kSupervisorSystemd.toUtf8());
        bool quitting = false;
        QTimer::singleShot(0, [&quitting] { quitting = AppDelegate::relaunch(QVariant()); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(-1); });
        const int status = QCoreApplication::exec();
        qunsetenv(kEnvSupervisor);
        QVERIFY(quitting);
        QCOMPARE(status, kExitStatusRestartMe);
    }

    // Keys: which join the code buffer and which reach the window.

    void routing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("displayWindow");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("buffered");
        QTest::addColumn<bool>("reachesWindow");
        QTest::newRow("plain key, settings window")
            << int(Qt::Key_7) << false << int(Qt::NoModifier) << u"7"_s << true;
        QTest::newRow("shift key, settings window")
            << int(Qt::Key_7) << false << int(Qt::ShiftModifier) << u"7"_s << true;
        QTest::newRow("plain key, display window")
            << int(Qt::Key_7) << true << int(Qt::NoModifier) << u"7"_s << false;
        QTest::newRow("control, display window")
            << int(Qt::Key_7) << true << int(Qt::ControlModifier) << QString() << true;
        QTest::newRow("meta, settings window")
            << int(Qt::Key_7) << false << int(Qt::MetaModifier) << QString() << true;
        QTest::newRow("return survives the trim")
            << int(Qt::Key_Return) << false << int(Qt::NoModifier) << u"\r"_s << true;
        QTest::newRow("lone blank, display window")
            << int(Qt::Key_Space) << true << int(Qt::NoModifier) << QString() << true;
        QTest::newRow("arrow, display window")
            << int(Qt::Key_Left) << true << int(Qt::NoModifier) << QString() << true;
    }
    void routing()
    {
        QFETCH(int, key);
        QFETCH(bool, displayWindow);
        QFETCH(int, modifiers);
        QFETCH(QString, buffered);
        QFETCH(bool, reachesWindow);
        const std::unique_ptr<QWidget> window(
            displayWindow ? new borderlessWindow(QRect(0, 0, 400, 300)) : new QWidget);
        auto *field = new QLineEdit;
        (new QVBoxLayout(window.get()))->addWidget(field);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        field->setFocus();
        KeyCounter counter;
        counter.key = key;
        field->installEventFilter(&counter);

        QTest::keyClick(window->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(buffered_, buffered.isEmpty() ? QStringList() : QStringList{buffered});
        QCOMPARE(counter.presses, reachesWindow ? 1 : 0);
    }

    void openMenuKeepsItsKeys()
    {
        borderlessWindow window(QRect(0, 0, 400, 300));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QMenu menu;
        QAction *item = menu.addAction(u"Item"_s);
        QSignalSpy triggered(item, &QAction::triggered);
        menu.popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        menu.setActiveAction(item);
        QTest::keyClick(menu.windowHandle(), Qt::Key_Return);
        QCOMPARE(triggered.count(), 1);
        QVERIFY(buffered_.isEmpty());
    }

    // The settings window.

    void controlShowsAndStoresItsKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("edited");
        QTest::newRow("main window")
            << kPrefAlwaysShowMainWindow << QVariant(true) << QVariant(false);
        QTest::newRow("photo cap")
            << kPrefMaxPhotosInLocalFolder << QVariant(qint64(40)) << QVariant(qint64(120));
        QTest::newRow("pattern names")
            << kPrefPatternImageBaseNames << QVariant(QVariantList{u"BG"_s, u"Wood"_s})
            << QVariant(QVariantList{u"Stone"_s});
        QTest::newRow("room name 2")
            << u"prefNameOfDisplay2"_s << QVariant(u"Room B"_s) << QVariant(u"Lobby"_s);
        QTest::newRow("delay 2") << u"prefSlideShowDelay2"_s << QVariant(5.0) << QVariant(7.5);
        QTest::newRow("which photos 2")
            << u"prefSlideShowWhichPhotos2"_s << QVariant(qint64(kTagOddPhotos))
            << QVariant(qint64(kTagEvenPhotos));
    }
    void controlShowsAndStoresItsKey()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, edited);
        auto window = makeWindow();
        QWidget *control = window->controlForKey(key);
        QVERIFY2(control, qPrintable(key));
        // A value written elsewhere shows at once, and is not written back.
        store_->setObject(stored, key);
        QCOMPARE(control->metaObject()->userProperty().read(control), stored);
        QCOMPARE(store_->objectForKey(key), stored);
        edit(control, edited);
        QCOMPARE(store_->objectForKey(key), edited);
    }

    void unlistedNumberShowsAsItsMeaningWithoutBeingWritten_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("sort 1 by code")
            << kPrefSortListTag << QVariant(qint64(1)) << kPrefSortByCode;
        QTest::newRow("sort missing") << kPrefSortListTag << QVariant() << kPrefSortByCode;
        QTest::newRow("which 7 all")
            << u"prefSlideShowWhichPhotos1"_s << QVariant(qint64(7)) << kPrefWhichAll;
    }
    void unlistedNumberShowsAsItsMeaningWithoutBeingWritten()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, text);
        if (stored.isValid()) {
            store_->setObject(stored, key);
        }
        auto window = makeWindow();
        auto *popup = qobject_cast<ChoicePopup *>(window->controlForKey(key));
        QVERIFY(popup);
        QCOMPARE(popup->comboBox()->currentText(), text);
        QCOMPARE(store_->objectForKey(key), stored);
    }

    void typedTextOnlyReachesWhatItMay()
    {
        store_->setObject(u"demo, demo2"_s, kPrefDemoCodesList);
        store_->setObject(u"/srv/photos"_s, kPrefSlideShowPath);
        auto window = makeWindow();
        // A freshly typed comma stays in the names list.
        auto *names = qobject_cast<StringListField *>(window->controlForKey(kPrefDemoCodesList));
        QVERIFY(names);
        QLineEdit *line = names->lineEdit();
        QCOMPARE(line->text(), u"demo, demo2"_s);
        line->setFocus();
        line->end(false);
        QTest::keyClicks(line, u","_s);
        QCOMPARE(line->text(), u"demo, demo2,"_s);
        QTest::keyClicks(line, u" x9"_s);
        QCOMPARE(store_->stringArrayForKey(kPrefDemoCodesList),
                 (QStringList{u"demo"_s, u"demo2"_s, u"x9"_s}));
        // The root is read-only, yet a new root chosen behind the password shows at once.
        auto *root = qobject_cast<QLineEdit *>(window->controlForKey(kPrefSlideShowPath));
        QVERIFY(root && root->isReadOnly());
        root->setFocus();
        QTest::keyClicks(root, u"x"_s);
        QCOMPARE(store_->stringForKey(kPrefSlideShowPath), u"/srv/photos"_s);
        store_->setObject(u"/srv/photos2"_s, kPrefSlideShowPath);
        QCOMPARE(root->text(), u"/srv/photos2"_s);
    }

    void oneGroupPerAttachedDisplay_data()
    {
        QTest::addColumn<int>("displays");
        QTest::newRow("one") << 1;
        QTest::newRow("four") << 4;
    }
    void oneGroupPerAttachedDisplay()
    {
        QFETCH(int, displays);
        auto window = makeWindow(displays);
        QList<int> tags;
        for (QAbstractButton *button : window->identifyButtons()) {
            tags << button->property(kTagProperty).toInt();
        }
        QList<int> expected;
        for (int n = 1; n <= displays; ++n) {
            expected << n;
            QVERIFY(window->controlForKey(u"prefNameOfDisplay%1"_s.arg(n)));
            QVERIFY(window->controlForKey(u"prefSlideShowDelay%1"_s.arg(n)));
        }
        QCOMPARE(tags, expected);
        QVERIFY(!window->controlForKey(u"prefNameOfDisplay%1"_s.arg(displays + 1)));
    }

    void customerRowsComeFromTheDayFolder()
    {
        const QString day = dir_->filePath(u"2026-12-06"_s);
        QVERIFY(QDir().mkpath(day + u"/B2"_s));
        QVERIFY(TestHarness::writeFile(day + u"/A1/A1.xml"_s,
                                       "<data><code>A1</code><name>Ann%20Example</name>"
                                       "<email>ann@example.org</email></data>"));
        QVERIFY(TestHarness::writeFile(day + u"/notes.txt"_s, "x"));
        auto window = makeWindow();
        window->setCustomerRows(CustomerTableModel::rowsOfDayFolder(day));
        CustomerTableModel *rows = window->ibArrayController();
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->rowDictionary(0), (QVariantMap{{kKeyCode, u"A1"_s},
                                                      {kKeyName, u"Ann Example"_s},
                                                      {kKeyEmail, u"ann@example.org"_s}}));
        QCOMPARE(rows->rowDictionary(1), (QVariantMap{{kKeyCode, u"B2"_s}}));
        QVERIFY(rows->rowDictionary(2).isEmpty());
        QCOMPARE(window->selectedRow(), -1);
        window->ibCustomerTableView()->selectRow(1);
        QCOMPARE(window->selectedRow(), 1);
    }

    void everyTabShowsItsControlsWhole()
    {
        store_->setObject(u"/srv/ovra/photo-store"_s, kPrefSlideShowPath);
        store_->setObject(u"Ovra VideoWall - v1.0.0 [XC-GNU sdk-Qt-6.4.2]"_s, kPrefAppVersion);
        auto window = makeWindow(4);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTabWidget *tabs = window->ibTabView();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QWidget *page = tabs->widget(i);
            QApplication::processEvents();
            // Every visible control lies wholly inside its page and has at least
            // the height it asks for.
            const QList<QWidget *> controls = page->findChildren<QWidget *>();
            for (QWidget *control : controls) {
                if (!control->isVisibleTo(page) || control->objectName().startsWith(u"qt_"_s) ||
                    !control->parentWidget()->isVisibleTo(page)) {
                    continue;
                }
                const QRect inPage(control->mapTo(page, QPoint(0, 0)), control->size());
                QVERIFY2(page->rect().contains(inPage),
                         qPrintable(tabs->tabText(i) + u": "_s +
                                    QString::fromLatin1(control->metaObject()->className()) +
                                    u" "_s + control->objectName()));
                if (qobject_cast<QAbstractButton *>(control) ||
                    qobject_cast<QLineEdit *>(control)) {
                    QVERIFY2(control->height() >= control->minimumSizeHint().height(),
                             qPrintable(control->objectName()));
                }
            }
        }
    }

    // The operator's commands.

    void passwordIsTheDayWhenAnswered_data()
    {
        QTest::addColumn<QDateTime>("openedAt");
        QTest::addColumn<QDateTime>("answeredAt");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("accepted");
        const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0));
        const QDateTime beforeMidnight(QDate(2026, 12, 31), QTime(23, 59));
        const QDateTime afterMidnight(QDate(2027, 1, 1), QTime(0, 1));
        const QString prefix = kFolderPasswordPrefix;
        const QString go = u"continue"_s;
        QTest::newRow("yesterday's day after midnight")
            << beforeMidnight << afterMidnight << prefix + u"31"_s << go << false;
        QTest::newRow("the new day after midnight")
            << beforeMidnight << afterMidnight << prefix + u"01"_s << go << true;
        // The photo day changes at 03:00; the password does not wait for it.
        const QDateTime night(QDate(2026, 12, 7), QTime(1, 30));
        QTest::newRow("calendar day at 01:30") << night << night << prefix + u"07"_s << go << true;
        QTest::newRow("photo day at 01:30") << night << night << prefix + u"06"_s << go << false;
        QTest::newRow("wrong prefix") << noon << noon << u"123406"_s << go << false;
        QTest::newRow("right, but cancelled")
            << noon << noon << prefix + u"06"_s << u"cancel"_s << false;
        QTest::newRow("right, but closed by Escape")
            << noon << noon << prefix + u"06"_s << u"escape"_s << false;
    }
    void passwordIsTheDayWhenAnswered()
    {
        QFETCH(QDateTime, openedAt);
        QFETCH(QDateTime, answeredAt);
        QFETCH(QString, typed);
        QFETCH(QString, ending);
        QFETCH(bool, accepted);
        const QVariantMap before = store_->persistentDomain();
        auto delegate = makeDelegate();
        PrefWindowController *prefs = delegate->prefWindow();
        Clock::setFixed(openedAt);
        delegate->selectFolder(prefs->selectFolderButton());
        QVERIFY(prefs->ibPasswordWindow()->isVisible());
        QVERIFY(prefs->ibPasswordTextField()->text().isEmpty());

        Clock::setFixed(answeredAt);
        prefs->ibPasswordTextField()->setText(typed);
        if (ending == u"cancel"_s) {
            prefs->passwordCancelButton()->click();
        } else if (ending == u"escape"_s) {
            prefs->ibPasswordWindow()->reject();
        } else {
            prefs->passwordContinueButton()->click();
        }
        // A wrong day beeps twice and asks again, emptied.
        const bool asksAgain = !accepted && ending == u"continue"_s;
        if (!asksAgain && !accepted) {
            // Continue after the sheet ended does nothing either.
            delegate->continuePasswordWindow(prefs->passwordContinueButton());
        }
        QCOMPARE(beeps_, asksAgain ? 2 : 0);
        QCOMPARE(prefs->ibPasswordWindow()->isVisible(), asksAgain);
        QVERIFY(!asksAgain || prefs->ibPasswordTextField()->text().isEmpty());
        QCOMPARE(panels_.size(), accepted ? 1 : 0);
        if (accepted) {
            QCOMPARE(panels_[0].value(kPrefFolderNameKey).toString(), kPrefSlideShowPath);
            QCOMPARE(panels_[0].value(kPanelSenderKey).value<QObject *>(),
                     static_cast<QObject *>(prefs->selectFolderButton()));
        }
        // The panel, if any, is cancelled here.
        QCOMPARE(store_->persistentDomain(), before);
    }

    void chosenItemIsStoredWithItsAlias_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("photo-store root") << true << true;
        QTest::newRow("movie file") << false << true;
        QTest::newRow("root panel cancelled") << true << false;
        QTest::newRow("movie panel cancelled") << false << false;
    }
    void chosenItemIsStoredWithItsAlias()
    {
        QFETCH(bool, folder);
        QFETCH(bool, chosen);
        const QString pathKey = folder ? kPrefSlideShowPath : kPrefMoviePath;
        const QString item = dir_->filePath(folder ? u"Photos 2026"_s : u"intro.mp4"_s);
        QVERIFY(folder ? QDir().mkpath(item) : TestHarness::writeFile(item, "movie"));
        // The previous choice, whose record must not survive the new one.
        const QString previous = dir_->filePath(u"previous"_s);
        QVERIFY(QDir().mkpath(previous));
        store_->setObject(previous, pathKey);
        MyAliasKit::savePath(previous, pathKey + kAliasDataSuffix, store_.get());
        const QVariantMap before = store_->persistentDomain();

        auto delegate = makeDelegate();
        PrefWindowController *prefs = delegate->prefWindow();
        panelCode_ = chosen ? kPanelReturnOk : kPanelReturnCancel;
        panelPaths_ = {item};
        if (folder) {
            delegate->selectSlideShowFolder(prefs->selectFolderButton());
        } else {
            delegate->selectItem(prefs->selectMovieButton());
        }
        QCOMPARE(panels_.size(), 1);
        QCOMPARE(panelStarts_[0], previous);
        QCOMPARE(panels_[0].value(kPanelCanChooseFoldersKey).toBool(), folder);
        QCOMPARE(panels_[0].value(kPanelCanChooseFilesKey).toBool(), !folder);
        QCOMPARE(panels_[0].value(kPanelPromptKey).toString(), kPanelPromptSelect);
        QCOMPARE(panels_[0].value(kPanelMessageKey).toString(),
                 folder ? kPanelMessageSlideShowFolder : kPanelMessageMovie);
        if (!chosen) {
            QCOMPARE(store_->persistentDomain(), before);
            return;
        }
        QCOMPARE(store_->stringForKey(pathKey), item);
        QVERIFY(store_->boolForKey(pathKey + kAliasDataIsValidSuffix));
        QString resolved;
        QVERIFY(MyAliasKit::resolveAliasFromData(store_->dataForKey(pathKey + kAliasDataSuffix),
                                                 &resolved));
        QCOMPARE(resolved, item);
    }

    void transitionMenuShowsAndStoresTheChoice_data()
    {
        QTest::addColumn<QString>("storedMode");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("style");
        QTest::newRow("push; no effect chosen")
            << kTransitionModeFixed << QVariant(kTransitionPush) << kTransitionPush
            << kNoTransitionEffect << kTransitionModeNone << kNoTransitionEffect;
        // The stored style shows in random mode too.
        QTest::newRow("other case; fixed chosen")
            << kTransitionModeRandom << QVariant(u"REVEAL"_s) << kTransitionReveal
            << kTransitionReveal << kTransitionModeFixed << kTransitionReveal;
        QTest::newRow("unknown; random chosen")
            << kTransitionModeFixed << QVariant(u"spin"_s) << kTransitionMenuRandom
            << kTransitionMenuRandom << kTransitionModeRandom << u"spin"_s;
    }
    void transitionMenuShowsAndStoresTheChoice()
    {
        QFETCH(QString, storedMode);
        QFETCH(QVariant, stored);
        QFETCH(QString, selected);
        QFETCH(QString, chosen);
        QFETCH(QString, mode);
        QFETCH(QString, style);
        store_->setObject(stored, kPrefTransitionStyle);
        store_->setObject(storedMode, kPrefUseTransitionMode);
        QObject observer;
        int posted = 0;
        NotificationCenter::defaultCenter()->addObserver(
            &observer, kSlideShowChangeTransitionStyle,
            [&posted](const Notification &) { ++posted; });
        auto delegate = makeDelegate();
        QComboBox *popup = delegate->prefWindow()->ibTransitionPopupButton();
        QStringList items;
        for (int i = 0; i < popup->count(); ++i) {
            items << popup->itemText(i);
        }
        QCOMPARE(items, (QStringList{kTransitionMenuRandom, QString(), kNoTransitionEffect,
                                     kTransitionFade, kTransitionMoveIn, kTransitionPush,
                                     kTransitionReveal}));
        // The empty item is a separator, not a choice.
        QVERIFY(!(popup->model()->flags(popup->model()->index(1, 0)) & Qt::ItemIsSelectable));
        QCOMPARE(popup->currentText(), selected);
        // Showing the stored style is no command.
        QCOMPARE(store_->objectForKey(kPrefTransitionStyle), stored);
        QCOMPARE(posted, 0);

        const int index = popup->findText(chosen);
        popup->setCurrentIndex(index);
        emit popup->activated(index);
        QCOMPARE(store_->stringForKey(kPrefUseTransitionMode), mode);
        QCOMPARE(store_->stringForKey(kPrefTransitionStyle), style);
        QCOMPARE(posted, 1);
        // Flushed: another reader of the file sees it at once.
        QCOMPARE(Preferences(store_->filePath()).stringForKey(kPrefUseTransitionMode), mode);
    }

    void identifyReachesOnlyTheTaggedDisplay_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("argument");
        QTest::addColumn<QList<int>>("identified");
        // Display 0 is the operator's screen and shows no slideshow window.
        QTest::newRow("identify, tag 0") << u"doIdentify"_s << 0 << QList<int>{};
        QTest::newRow("identify, tag 3") << u"doIdentify"_s << 3 << QList<int>{2};
        QTest::newRow("identify, tag 5") << u"doIdentify"_s << 5 << QList<int>{};
        QTest::newRow("identify from no button") << u"notAButton"_s << 3 << QList<int>{};
        QTest::newRow("identifyScreen 7") << u"identifyScreen"_s << 7 << QList<int>{};
        QTest::newRow("identifyScreen 2") << u"identifyScreen"_s << 2 << QList<int>{2};
        QTest::newRow("identifyScreen -1") << u"identifyScreen"_s << -1 << QList<int>{1, 2, 3};
        QTest::newRow("identify all") << u"doIdentifyAll"_s << 0 << QList<int>{1, 2, 3};
    }
    void identifyReachesOnlyTheTaggedDisplay()
    {
        QFETCH(QString, command);
        QFETCH(int, argument);
        QFETCH(QList<int>, identified);
        auto delegate = makeDelegate();
        delegate->setupWindowControllers();
        QCOMPARE(int(delegate->slideShowWindowControllerList().size()), kScreens);

        QPushButton button;
        button.setProperty(kTagProperty, argument);
        QObject plain;
        plain.setProperty(kTagProperty, argument);
        if (command == u"doIdentify"_s) {
            delegate->doIdentify(&button);
        } else if (command == u"notAButton"_s) {
            delegate->doIdentify(&plain);
        } else if (command == u"identifyScreen"_s) {
            delegate->identifyScreen(argument);
        } else {
            delegate->doIdentifyAll(&button);
        }
        QList<int> shown;
        for (const auto &display : delegate->slideShowWindowControllerList()) {
            if (display->identifyWindow()->isVisible()) {
                shown << display->screenIndex();
            }
        }
        QCOMPARE(shown, identified);
    }

    void consoleAndRoomsOfferTheCommands()
    {
        store_->setBool(true, kPrefAlwaysShowMainWindow);
        store_->setBool(false, kPrefDoShowMenuBar);
        auto delegate = makeDelegate();
        delegate->observeMenuBarSetting();
        delegate->setupWindowControllers();
        delegate->openMainWindowIfWanted();
        MainWindowController *console = delegate->mainWindowController();
        // The menu bar follows the setting; its toggle follows the bar and leaves the setting.
        QMenuBar *bar = console->menuBar();
        QVERIFY(bar->isHidden());
        store_->setBool(true, kPrefDoShowMenuBar);
        QTRY_VERIFY(!bar->isHidden());
        bar->hide();
        delegate->showMenu(nullptr);
        QVERIFY(!bar->isHidden());
        delegate->showMenu(nullptr);
        QVERIFY(bar->isHidden());
        QVERIFY(store_->boolForKey(kPrefDoShowMenuBar));

        QWidget *room = delegate->slideShowWindowControllerList()[2]->window();
        // The same actions everywhere, made once; the console's menu holds them too.
        const QList<QAction *> commands = room->actions();
        QCOMPARE(delegate->prefWindow()->actions(), commands);
        QStringList titles;
        for (QAction *command : commands) {
            QVERIFY(console->actions().contains(command));
            titles << command->text();
        }
        // A right click lists them.
        QCOMPARE(room->contextMenuPolicy(), Qt::ActionsContextMenu);
        for (const QString &title : {u"Settings…"_s, u"Identify Displays"_s, u"Transition"_s,
                                     u"Show / Hide Menu Bar"_s, u"Relaunch"_s}) {
            QVERIFY2(titles.contains(title), qPrintable(title));
        }
        // Control+I on a room window identifies every room.
        room->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(room));
        QTest::keyClick(room, Qt::Key_I, Qt::ControlModifier);
        for (int i = 1; i < kScreens; ++i) {
            QVERIFY(delegate->slideShowWindowControllerList()[i]->identifyWindow()->isVisible());
        }

        // Becoming active floats the console back onto the operator's screen.
        console->move(5000, 5000);
        delegate->applicationWillBecomeActive();
        QVERIFY(console->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTRY_COMPARE(QGuiApplication::focusWindow(), console->windowHandle());
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(
            console->frameGeometry()));
    }

    void codeIsFoundInItsRoom_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("answer");
        QTest::newRow("as shown") << u"K123"_s << u"K123 (Room B)"_s;
        QTest::newRow("other case, as passed in") << u"k123"_s << u"k123 (Room B)"_s;
        QTest::newRow("not playing") << u"K999"_s << QString();
        QTest::newRow("a prefix only") << u"K12"_s << QString();
    }
    void codeIsFoundInItsRoom()
    {
        QFETCH(QString, asked);
        QFETCH(QString, answer);
        store_->setObject(u"Room B"_s, u"prefNameOfDisplay2"_s);
        auto delegate = makeDelegate();
        delegate->setupWindowControllers();
        const QString folder = makeCodeFolder(u"K123"_s);
        QVERIFY(!folder.isEmpty());
        NotificationCenter::defaultCenter()->postNotificationName(
            kSlideShowParamChanged, QVariant(), {{kKeyScreenIndex, 1}, {kKeySourcePath, folder}});
        QCOMPARE(delegate->slideShowWindowControllerList()[1]->sourcePath(), folder);

        const std::optional<QString> room = delegate->getSlideshowWindowName(asked);
        QCOMPARE(room.value_or(QString()), answer);
        QCOMPARE(room.has_value(), !answer.isNull());
    }

    void tableRowShowsItsPhotosAndOffersTheRooms_data()
    {
        QTest::addColumn<bool>("tableFocused");
        QTest::newRow("table focused") << true;
        QTest::newRow("focus elsewhere: double-click only beeps") << false;
    }
    void tableRowShowsItsPhotosAndOffersTheRooms()
    {
        QFETCH(bool, tableFocused);
        const QString folder = makeCodeFolder(u"C5"_s);
        QVERIFY(!folder.isEmpty());
        QVERIFY(TestHarness::writeJpeg(folder + u"/one.jpg"_s, QSize(32, 24), Qt::darkCyan));
        QVERIFY(TestHarness::writeJpeg(folder + u"/two.jpg"_s, QSize(32, 24), Qt::darkCyan));
        QVERIFY(TestHarness::writeFile(folder + u"/C5.xml"_s, "<data><code>C5</code></data>"));
        auto delegate = makeDelegate();
        delegate->setupWindowControllers();
        delegate->openPrefs(nullptr);
        PrefWindowController *prefs = delegate->prefWindow();
        QTableView *table = prefs->ibCustomerTableView();
        QCOMPARE(table->model()->rowCount(), 1);
        auto *browser = prefs->findChild<MyImageBrowserViewController *>();
        QVERIFY(browser);
        QSignalSpy added(browser, &MyImageBrowserViewController::addingFinished);
        table->selectRow(0);
        emit table->clicked(table->model()->index(0, 0));
        // The search starts from the event loop, the thumbnails on a worker.
        QTRY_VERIFY(!added.isEmpty());
        QTRY_COMPARE(browser->images().size(), 2);

        QObject observer;
        QList<QVariantMap> played;
        NotificationCenter::defaultCenter()->addObserver(
            &observer, kSlideShowParamChanged,
            [&played](const Notification &n) { played << n.userInfo; });
        if (tableFocused) {
            prefs->ibTabView()->setCurrentWidget(table->parentWidget());
            table->setFocus();
        } else {
            prefs->ibTransitionPopupButton()->setFocus();
        }
        // The table's double-click on the first row, as the view reports it.
        emit table->doubleClicked(table->model()->index(0, 0));
        SelectDisplayWindowController *chooser = delegate->selectDisplayWindowController();
        QCOMPARE(beeps_, tableFocused ? 0 : 1);
        QVERIFY(alerts_.isEmpty());
        QCOMPARE(chooser != nullptr, tableFocused);
        if (!tableFocused) {
            return;
        }
        QVERIFY(chooser->isVisible());
        QCOMPARE(chooser->displayList().size(), kScreens);
        chooser->ibAcceptButton();
        // The operator's screen cannot be chosen: the second display is offered first.
        QCOMPARE(played.size(), 1);
        QCOMPARE(played[0].value(kKeyScreenIndex).toInt(), 1);
        QCOMPARE(played[0].value(kKeySourcePath).toString(), folder);
    }

private:
    OperatorDialogs testDialogs()
    {
        OperatorDialogs dialogs;
        dialogs.openPanel = [this](QWidget *, const QVariantMap &parameters, const QString &start,
                                   const OperatorDialogs::PanelDone &done) {
            panels_ << parameters;
            panelStarts_ << start;
            done(panelCode_, panelPaths_);
        };
        dialogs.alertSheet = [this](QWidget *, const QString &message, const QString &,
                                    const QString &) {
            alerts_ << message;
        };
        dialogs.beep = [this] {
            ++beeps_;
        };
        dialogs.revealItem = [](const QString &) {
        };
        return dialogs;
    }

    QString makeCodeFolder(const QString &code) const
    {
        const QString root = dir_->filePath(u"Store"_s);
        store_->setObject(root, kPrefSlideShowPath);
        const QString folder = root + u'/' + getDailyFolderName(store_.get()) + u'/' + code;
        return QDir().mkpath(folder) ? folder : QString();
    }

    std::unique_ptr<PrefWindowController> makeWindow(int displays = 2)
    {
        return std::make_unique<PrefWindowController>(
            displays, AppDelegate::transitionMenuItems(*store_), store_.get());
    }

    std::unique_ptr<AppDelegate> makeDelegate()
    {
        auto delegate = std::make_unique<AppDelegate>();
        delegate->setOperatorDialogs(testDialogs());
        return delegate;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Preferences> store_;
    int beeps_ = 0;
    QList<QVariantMap> panels_;
    QStringList panelStarts_;
    QStringList alerts_;
    int panelCode_ = kPanelReturnCancel;
    QStringList panelPaths_;
    QStringList buffered_;
    QObject observer_;
};

int main(int argc, char **argv)
{
    QTemporaryDir configDir;
    if (!TestHarness::useOffscreenScreens(configDir.path(), kScreens)) {
        return 1;
    }
    // The kiosk's own application: it routes the keys to the code buffer.
    OVRAApplication app(argc, argv);
    TestAppDelegate test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appdelegate.moc"
