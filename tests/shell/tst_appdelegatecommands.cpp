// Guards the operator's commands: day password, folder choices, transitions, identify, rooms.
#include "TestSupport.h"
#include "console/MainWindowController.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"
#include "shell/OperatorDialogs.h"
#include "shell/PrefWindowController.h"
#include "slideshow/SelectDisplayWindowController.h"
#include "slideshow/slideShowWindowController.h"
#include "support/FolderReference.h"
#include "support/MyAliasKit.h"
#include "support/PhotoStoreLayout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int kScreens = 4;
}

class TestAppDelegateCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(QGuiApplication::screens().size(), kScreens);
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
    }
    void cleanup()
    {
        Clock::reset();
        Preferences::setStandardUserDefaults(nullptr);
        store_.reset();
    }
    void passwordIsTheDayWhenAnswered_data()
    {
        QTest::addColumn<QDateTime>("openedAt");
        QTest::addColumn<QDateTime>("answeredAt");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0));
        const QDateTime beforeMidnight(QDate(2026, 12, 31), QTime(23, 59));
        const QDateTime afterMidnight(QDate(2027, 1, 1), QTime(0, 1));
        const QString prefix = kFolderPasswordPrefix;
        QTest::newRow("yesterday's day after midnight")
            << beforeMidnight << afterMidnight << prefix + u"31"_s << false;
        QTest::newRow("the new day after midnight")
            << beforeMidnight << afterMidnight << prefix + u"01"_s << true;
        // The photo day changes at 03:00; the password does not wait for it.
        const QDateTime night(QDate(2026, 12, 7), QTime(1, 30));
        QTest::newRow("calendar day at 01:30") << night << night << prefix + u"07"_s << true;
        QTest::newRow("photo day at 01:30") << night << night << prefix + u"06"_s << false;
        QTest::newRow("wrong prefix") << noon << noon << u"123406"_s << false;
    }
    void passwordIsTheDayWhenAnswered()
    {
        QFETCH(QDateTime, openedAt);
        QFETCH(QDateTime, answeredAt);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        auto delegate = makeDelegate();
        PrefWindowController *prefs = delegate->prefWindow();
        Clock::setFixed(openedAt);
        delegate->selectFolder(prefs->selectFolderButton());
        QVERIFY(prefs->ibPasswordWindow()->isVisible());
        QVERIFY(prefs->ibPasswordTextField()->text().isEmpty());

        Clock::setFixed(answeredAt);
        prefs->ibPasswordTextField()->setText(typed);
        prefs->passwordContinueButton()->click();

        if (accepted) {
            QCOMPARE(beeps_, 0);
            QVERIFY(!prefs->ibPasswordWindow()->isVisible());
            QCOMPARE(panels_.size(), 1);
            QCOMPARE(panels_[0].value(kPanelMessageKey).toString(), kPanelMessageSlideShowFolder);
            QCOMPARE(panels_[0].value(kPrefFolderNameKey).toString(), kPrefSlideShowPath);
            QCOMPARE(panels_[0].value(kPanelSenderKey).value<QObject *>(),
                     static_cast<QObject *>(prefs->selectFolderButton()));
        } else {
            QCOMPARE(beeps_, 2);
            QVERIFY(prefs->ibPasswordWindow()->isVisible());
            QVERIFY(prefs->ibPasswordTextField()->text().isEmpty());
            QVERIFY(panels_.isEmpty());
        }
    }

    void cancelledChoiceChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("password cancelled") << u"password"_s;
        QTest::newRow("password sheet closed by Escape") << u"escape"_s;
        QTest::newRow("root panel cancelled") << u"root panel"_s;
        QTest::newRow("movie panel cancelled") << u"movie panel"_s;
    }
    void cancelledChoiceChangesNothing()
    {
        QFETCH(QString, how);
        const QString root = dir_->filePath(u"Store"_s);
        QVERIFY(QDir().mkpath(root));
        store_->setObject(root, kPrefSlideShowPath);
        MyAliasKit::savePath(root, kPrefSlideShowPathAliasData, store_.get());
        store_->setBool(true, kPrefSlideShowPathAliasDataIsValid);
        const QVariantMap before = store_->persistentDomain();

        auto delegate = makeDelegate();
        PrefWindowController *prefs = delegate->prefWindow();
        // A panel that would choose this, were it not cancelled.
        panelPaths_ = {dir_->path()};
        panelCode_ = kPanelReturnCancel;
        if (how == u"password"_s || how == u"escape"_s) {
            delegate->selectFolder(prefs->selectFolderButton());
            prefs->ibPasswordTextField()->setText(AppDelegate::folderPassword());
            if (how == u"password"_s) {
                prefs->passwordCancelButton()->click();
            } else {
                prefs->ibPasswordWindow()->reject();
            }
            QVERIFY(!prefs->ibPasswordWindow()->isVisible());
            QVERIFY(panels_.isEmpty());
            // Continue after the sheet ended does nothing either.
            delegate->continuePasswordWindow(prefs->passwordContinueButton());
            QVERIFY(panels_.isEmpty());
        } else if (how == u"root panel"_s) {
            delegate->selectSlideShowFolder(prefs->selectFolderButton());
            QCOMPARE(panels_.size(), 1);
        } else {
            delegate->selectItem(prefs->selectMovieButton());
            QCOMPARE(panels_.size(), 1);
        }
        QCOMPARE(store_->persistentDomain(), before);
    }

    void chosenItemIsStoredWithItsAlias_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("photo-store root") << true;
        QTest::newRow("movie file") << false;
    }
    void chosenItemIsStoredWithItsAlias()
    {
        QFETCH(bool, folder);
        const QString pathKey = folder ? kPrefSlideShowPath : kPrefMoviePath;
        const QString chosen = dir_->filePath(folder ? u"Photos 2026"_s : u"intro.mp4"_s);
        QVERIFY(folder ? QDir().mkpath(chosen) : TestSupport::writeFile(chosen, "movie"));
        // The previous choice, whose record must not survive the new one.
        const QString previous = dir_->filePath(u"previous"_s);
        QVERIFY(QDir().mkpath(previous));
        store_->setObject(previous, pathKey);
        MyAliasKit::savePath(previous, pathKey + kAliasDataSuffix, store_.get());

        auto delegate = makeDelegate();
        PrefWindowController *prefs = delegate->prefWindow();
        panelCode_ = kPanelReturnOk;
        panelPaths_ = {chosen};
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

        QCOMPARE(store_->stringForKey(pathKey), chosen);
        QVERIFY(store_->boolForKey(pathKey + kAliasDataIsValidSuffix));
        QString resolved;
        QVERIFY(MyAliasKit::resolveAliasFromData(store_->dataForKey(pathKey + kAliasDataSuffix),
                                                 &resolved));
        QCOMPARE(resolved, chosen);
    }

    void transitionMenuStoresTheChoice_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("style");
        QTest::newRow("no effect")
            << kNoTransitionEffect << kTransitionModeNone << kNoTransitionEffect;
        QTest::newRow("random") << kTransitionMenuRandom << kTransitionModeRandom
                                << kTransitionPush;
        QTest::newRow("fixed") << kTransitionReveal << kTransitionModeFixed << kTransitionReveal;
    }
    void transitionMenuStoresTheChoice()
    {
        QFETCH(QString, title);
        QFETCH(QString, mode);
        QFETCH(QString, style);
        store_->setObject(kTransitionPush, kPrefTransitionStyle);
        store_->setObject(kTransitionModeFixed, kPrefUseTransitionMode);
        QObject observer;
        int posted = 0;
        NotificationCenter::defaultCenter()->addObserver(
            &observer, kSlideShowChangeTransitionStyle,
            [&posted](const Notification &) { ++posted; });

        auto delegate = makeDelegate();
        QComboBox *popup = delegate->prefWindow()->ibTransitionPopupButton();
        const int index = popup->findText(title);
        QVERIFY(index >= 0);
        popup->setCurrentIndex(index);
        emit popup->activated(index);

        QCOMPARE(store_->stringForKey(kPrefUseTransitionMode), mode);
        QCOMPARE(store_->stringForKey(kPrefTransitionStyle), style);
        QCOMPARE(posted, 1);
        // Flushed: another reader of the file sees it at once.
        Preferences reader(store_->filePath());
        QCOMPARE(reader.stringForKey(kPrefUseTransitionMode), mode);
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
        QTest::newRow("stop, tag 2") << u"doStopSlideShow"_s << 2 << QList<int>{1};
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
        } else if (command == u"doStopSlideShow"_s) {
            delegate->doStopSlideShow(&button);
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

    void everyWindowOffersTheCommands()
    {
        store_->setBool(true, kPrefAlwaysShowMainWindow);
        auto delegate = makeDelegate();
        delegate->setupWindowControllers();
        delegate->openMainWindowIfWanted();
        QWidget *room = delegate->slideShowWindowControllerList()[2]->window();
        // The same actions everywhere, made once; the console's menu holds them too.
        const QList<QAction *> commands = room->actions();
        QCOMPARE(delegate->prefWindow()->actions(), commands);
        for (QAction *command : commands) {
            QVERIFY(delegate->mainWindowController()->actions().contains(command));
        }
        // A right click lists them.
        QCOMPARE(room->contextMenuPolicy(), Qt::ActionsContextMenu);
        QStringList titles;
        for (QAction *command : commands) {
            titles << command->text();
        }
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
    }

    void menuBarFollowsTheSettingAndTheToggle()
    {
        store_->setBool(true, kPrefAlwaysShowMainWindow);
        store_->setBool(false, kPrefDoShowMenuBar);
        auto delegate = makeDelegate();
        delegate->observeMenuBarSetting();
        delegate->setupWindowControllers();
        delegate->openMainWindowIfWanted();
        QMenuBar *bar = delegate->mainWindowController()->menuBar();
        QVERIFY(bar->isHidden());
        store_->setBool(true, kPrefDoShowMenuBar);
        QTRY_VERIFY(!bar->isHidden());
        // The toggle follows the bar as it is, and leaves the setting alone.
        bar->hide();
        delegate->showMenu(nullptr);
        QVERIFY(!bar->isHidden());
        delegate->showMenu(nullptr);
        QVERIFY(bar->isHidden());
        QVERIFY(store_->boolForKey(kPrefDoShowMenuBar));
    }

    void becomingActiveFloatsTheConsole()
    {
        store_->setBool(true, kPrefAlwaysShowMainWindow);
        auto delegate = makeDelegate();
        delegate->openMainWindowIfWanted();
        MainWindowController *console = delegate->mainWindowController();
        QVERIFY(QTest::qWaitForWindowExposed(console));
        console->move(5000, 5000); // off every screen
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

    void doubleClickOffersTheRooms_data()
    {
        QTest::addColumn<bool>("tableFocused");
        QTest::newRow("table focused") << true;
        QTest::newRow("focus elsewhere: only a beep") << false;
    }
    void doubleClickOffersTheRooms()
    {
        QFETCH(bool, tableFocused);
        const QString folder = makeCodeFolder(u"A77"_s);
        QVERIFY(!folder.isEmpty());
        auto delegate = makeDelegate();
        delegate->setupWindowControllers();
        delegate->openPrefs(nullptr);
        PrefWindowController *prefs = delegate->prefWindow();
        QVERIFY(prefs->isVisible());
        QTableView *table = prefs->ibCustomerTableView();
        QCOMPARE(table->model()->rowCount(), 1);

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
        table->selectRow(0);
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

    void clickShowsTheCodesPhotos()
    {
        const QString folder = makeCodeFolder(u"C5"_s);
        QVERIFY(!folder.isEmpty());
        QImage photo(32, 24, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(folder + u"/one.jpg"_s));
        QVERIFY(photo.save(folder + u"/two.jpg"_s));
        QVERIFY(TestSupport::writeFile(folder + u"/C5.xml"_s, "<data><code>C5</code></data>"));
        auto delegate = makeDelegate();
        delegate->openPrefs(nullptr);
        PrefWindowController *prefs = delegate->prefWindow();
        auto *browser = prefs->findChild<MyImageBrowserViewController *>();
        QVERIFY(browser);
        QSignalSpy added(browser, &MyImageBrowserViewController::addingFinished);
        QTableView *table = prefs->ibCustomerTableView();
        table->selectRow(0);
        emit table->clicked(table->model()->index(0, 0));
        // The search starts from the event loop, the thumbnails on a worker.
        QTRY_VERIFY(!added.isEmpty());
        QTRY_COMPARE(browser->images().size(), 2);
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
};

int main(int argc, char **argv)
{
    QTemporaryDir configDir;
    if (!TestSupport::useOffscreenScreens(configDir.path(), kScreens)) {
        return 1;
    }
    QApplication app(argc, argv);
    TestAppDelegateCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appdelegatecommands.moc"
