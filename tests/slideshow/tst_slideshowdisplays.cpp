// Guards the displays on their monitors: run states, store vanishing under 4 rooms, queue, draws.
#include "StderrCapture.h"
#include "TestHarness.h"
#include "VirtualScreens.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "slideshow/OvraQueue.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/randomNumberGenerator.h"
#include "slideshow/slideShowWindowController.h"
#include "slideshow/zoomedInNSImageView.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <future>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

bool acceptAll(const QString &)
{
    return true;
}

// A source that hands out the given draws in turn.
randomNumberGenerator::RandomSource scripted(std::deque<int> draws)
{
    return [draws]() mutable {
        const int draw = draws.front();
        draws.pop_front();
        return draw;
    };
}

} // namespace

// The operator's monitor and four rooms; the main screen's own cases run again
// as a child on one or two monitors (OVRA_TEST_MONITORS).
static int monitors()
{
    const int count = qEnvironmentVariableIntValue("OVRA_TEST_MONITORS");
    return count > 0 ? count : 5;
}

class TestSlideShowDisplays : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(QGuiApplication::screens().size(), monitors());
    }
    void init()
    {
        store_ = std::make_unique<Preferences>(QString());
        Preferences::setStandardUserDefaults(store_.get());
        for (int n = 1; n <= 5; ++n) {
            store_->setBool(true, u"prefDoSlideShow%1"_s.arg(n));
            store_->setFloat(0.02f, u"prefSlideShowDelay%1"_s.arg(n));
        }
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        statuses_.clear();
        NotificationCenter::defaultCenter()->addObserver(
            &observer_, kSlideShowStatus,
            [this](const Notification &n) { statuses_ << n.userInfo; });
    }
    void cleanup()
    {
        displays_.clear();
        NotificationCenter::defaultCenter()->removeObserver(&observer_);
        Preferences::setStandardUserDefaults(nullptr);
        store_.reset();
    }

    // Each row is a script of events for the first `rooms` room displays, the
    // state each must be in, and the run-state texts posted after "mark".
    void stateTable_data()
    {
        QTest::addColumn<int>("rooms");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("posted");
        const QString running = kMesgSlideShowRunning;
        const QString notRunning = kMesgSlideShowNotRunning;
        QTest::newRow("idle: start finds nothing queued")
            << 1 << QStringList{u"mark"_s, u"start"_s, u"ended"_s} << u"suspended"_s
            << QStringList{notRunning};
        QTest::newRow("suspended: resume with nothing queued suspends again")
            << 1 << QStringList{u"start"_s, u"ended"_s, u"mark"_s, u"toggle"_s, u"ended"_s}
            << u"suspended"_s << QStringList{running, notRunning};
        QTest::newRow("suspended: folder without photos changes nothing")
            << 1 << QStringList{u"start"_s, u"ended"_s, u"mark"_s, u"assign empty"_s}
            << u"suspended"_s << QStringList{};
        QTest::newRow("searching: photos found start playing")
            << 1 << QStringList{u"start"_s, u"ended"_s, u"mark"_s, u"assign photos"_s, u"shown"_s}
            << u"playing"_s << QStringList{running};
        QTest::newRow("playing: folder vanishes halts")
            << 1 << QStringList{u"assign photos"_s, u"shown"_s, u"mark"_s, u"remove"_s, u"ended"_s}
            << u"halted"_s << QStringList{};
        QTest::newRow("halted: toggle suspends")
            << 1 << QStringList{u"assign photos"_s, u"shown"_s, u"remove"_s,
                                u"ended"_s,         u"mark"_s,  u"toggle"_s}
            << u"suspended"_s << QStringList{notRunning};
        QTest::newRow("playing: new folder without photos empties and suspends")
            << 1
            << QStringList{u"assign photos"_s, u"shown"_s, u"mark"_s, u"assign empty"_s, u"ended"_s}
            << u"suspended"_s << QStringList{notRunning};
        QTest::newRow("playing: toggle suspends, toggle resumes")
            << 1 << QStringList{u"assign photos"_s, u"shown"_s,  u"mark"_s, u"toggle"_s,
                                u"ended"_s,         u"toggle"_s, u"shown"_s}
            << u"playing"_s << QStringList{notRunning, running};
        QTest::newRow("movie: first movie, then nothing shows")
            << 1 << QStringList{u"movie"_s, u"mark"_s, u"start"_s} << u"movie"_s << QStringList{};
        // The photo store unmounted (its root renamed away) under four rooms.
        QTest::newRow("four rooms: store unmounted halts, a code scanned meanwhile plays nothing")
            << 4 << QStringList{u"assign photos"_s, u"shown"_s, u"mark"_s,
                                u"unmount"_s,       u"ended"_s, u"scan again"_s}
            << u"halted"_s << QStringList{};
        QTest::newRow("four rooms: store back, nothing lost, the code scanned again plays")
            << 4 << QStringList{u"assign photos"_s, u"shown"_s, u"unmount"_s,    u"ended"_s,
                                u"mark"_s,          u"mount"_s, u"scan again"_s, u"shown"_s}
            << u"playing"_s << QStringList{running};
        // A working folder refilled on a full disk: looked at again each delay.
        QTest::newRow("four rooms: photos vanish and come back, running throughout")
            << 4 << QStringList{u"assign photos"_s, u"shown"_s,   u"mark"_s,   u"vanish"_s,
                                u"missing"_s,       u"missing"_s, u"return"_s, u"shown"_s}
            << u"playing"_s << QStringList{};
    }
    void stateTable()
    {
        QFETCH(int, rooms);
        QFETCH(QStringList, script);
        QFETCH(QString, state);
        QFETCH(QStringList, posted);
        makeDisplays(rooms + 1);
        using Spies = std::vector<std::unique_ptr<QSignalSpy>>;
        Spies shown;
        Spies ended;
        Spies missing;
        for (int room = 1; room <= rooms; ++room) {
            const auto *display = displays_.at(room).get();
            shown.push_back(std::make_unique<QSignalSpy>(display, &Display::slideShown));
            ended.push_back(std::make_unique<QSignalSpy>(display, &Display::slideShowEnded));
            missing.push_back(std::make_unique<QSignalSpy>(display, &Display::photosMissing));
        }
        const auto clear = [](const Spies &spies) {
            for (const auto &spy : spies) {
                spy->clear();
            }
        };
        const auto allSeen = [](const Spies &spies) {
            return std::all_of(spies.cbegin(), spies.cend(),
                               [](const auto &spy) { return !spy->isEmpty(); });
        };
        const QString store = dir_->filePath(u"store"_s);
        qsizetype mark = 0;
        QStringList photos;
        for (const QString &step : std::as_const(script)) {
            // "ended" waits for an end after the step before it.
            if (step != u"ended"_s) {
                clear(ended);
            }
            if (step == u"start"_s) {
                displays_.at(1)->startSequence();
            } else if (step == u"ended"_s) {
                QTRY_VERIFY_WITH_TIMEOUT(allSeen(ended), 20000);
            } else if (step == u"shown"_s || step == u"missing"_s) {
                const Spies &spies = step == u"shown"_s ? shown : missing;
                clear(spies);
                QTRY_VERIFY_WITH_TIMEOUT(allSeen(spies), 20000);
            } else if (step == u"vanish"_s || step == u"return"_s) {
                const bool away = step == u"vanish"_s;
                for (const QString &folder : std::as_const(photos)) {
                    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
                        QVERIFY(
                            QDir(folder).rename(name, away ? name + u".gone"_s : name.chopped(5)));
                    }
                }
            } else if (step == u"unmount"_s || step == u"mount"_s) {
                const QString away = store + u".unmounted"_s;
                QVERIFY(step == u"unmount"_s ? QDir().rename(store, away)
                                             : QDir().rename(away, store));
            } else if (step == u"mark"_s) {
                mark = statuses_.size();
            } else if (step == u"toggle"_s) {
                NotificationCenter::defaultCenter()->postNotificationName(
                    kSlideShowToggleShow, QVariant(), {{kKeyScreenIndex, 1}});
            } else if (step == u"assign photos"_s || step == u"scan again"_s) {
                for (int room = 1; room <= rooms; ++room) {
                    if (step == u"assign photos"_s) {
                        photos << makeFolder(u"store/P%1-%2"_s.arg(statuses_.size()).arg(room), 3);
                    }
                    assign(room, photos.at(room - 1));
                }
            } else if (step == u"assign empty"_s) {
                assign(1, makeFolder(u"E%1"_s.arg(statuses_.size()), 0));
            } else if (step == u"remove"_s) {
                QVERIFY(QDir(photos.first()).removeRecursively());
            } else if (step == u"movie"_s) {
                store_->setBool(true, u"prefDoPlayMovie2"_s);
                store_->setBool(true, u"prefPlayMovieFirst2"_s);
            } else {
                QFAIL(qPrintable(step));
            }
        }
        for (int room = 1; room <= rooms; ++room) {
            Display *display = displays_.at(room).get();
            if (state == u"playing"_s) {
                QVERIFY(!display->isSuspended());
                // Nothing was deleted meanwhile.
                QCOMPARE(QDir(photos.at(room - 1)).entryList(QDir::Files).size(), 3);
                shown.at(room - 1)->clear();
                QTRY_VERIFY_WITH_TIMEOUT(shown.at(room - 1)->size() >= 2, 20000);
            } else if (state == u"movie"_s) {
                QTRY_VERIFY(display->isMoviePlaying());
                QVERIFY(display->zoomedInView()->isHidden());
                QVERIFY(!display->isInsideLoop());
            } else {
                QCOMPARE(display->isSuspended(), state == u"suspended"_s);
                // No step runs or is requested.
                QTRY_VERIFY(!display->isInsideLoop());
            }
            QCOMPARE(runStatesOf(room, mark), posted);
        }
    }

    void mainScreen_data()
    {
        QTest::addColumn<int>("screens");
        QTest::newRow("alone, plays in a resizable window") << 1;
        QTest::newRow("beside a room, hidden and never plays") << 2;
    }
    void mainScreen()
    {
        QFETCH(int, screens);
        if (monitors() != screens) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"OVRA_TEST_MONITORS"_s, QString::number(screens));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {u"mainScreen:"_s + QLatin1String(QTest::currentDataTag())});
            QVERIFY(child.waitForFinished(120000));
            QCOMPARE(child.exitCode(), 0);
            return;
        }
        makeDisplays(screens);
        Display *main = displays_.at(0).get();
        QSignalSpy mainShown(main, &Display::slideShown);
        if (screens == 1) {
            QWidget *window = main->window();
            QVERIFY(window->isVisible());
            // Frameless at the normal level, resizable; the photo views follow.
            QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
            QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QVERIFY(window->minimumSize() != window->maximumSize());
            window->resize(window->size() / 2);
            QTRY_COMPARE(main->slideView()->size(), window->size());
            QTRY_COMPARE(main->zoomedInView()->size(), window->size());
            assign(0, makeFolder(u"M0"_s, 2));
            QTRY_VERIFY_WITH_TIMEOUT(mainShown.size() >= 2, 10000);
            return;
        }
        Display *room = displays_.at(1).get();
        QSignalSpy roomShown(room, &Display::slideShown);
        QVERIFY(!main->window()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(room->window()));
        QCOMPARE(room->window()->geometry(), virtualScreensOf(this)->monitorGeometry(1));
        QVERIFY(room->window()->isFullScreen());
        // The room's window takes the keys from the start.
        QTRY_VERIFY(room->window()->isActiveWindow());
        assign(0, makeFolder(u"M1"_s, 2));
        assign(1, makeFolder(u"M2"_s, 2));
        // Both auto-start; only the room plays.
        QTRY_VERIFY_WITH_TIMEOUT(roomShown.size() >= 3, 10000);
        QCOMPARE(runStatesOf(0), QStringList{kMesgSlideShowRunning});
        QVERIFY(!main->isInsideLoop());
        QCOMPARE(mainShown.size(), 0);
    }

    // A code assigned to a room is posted, stored and played; the same folder
    // again keeps the queue, a folder that does not exist keeps the old one.
    void assignedCodeIsPostedStoredAndPlayed()
    {
        makeDisplays(2);
        Display *display = displays_.at(1).get();
        QCOMPARE(store_->integerForKey(u"prefNSScreenIndex2"_s), 2);
        QSignalSpy shown(display, &Display::slideShown);
        const QString folder = makeFolder(u"A100"_s, 3);
        assign(1, folder);
        const auto code = [](const QString &status, bool playing) {
            return QVariantMap{{kKeyCode, u"A100"_s},
                               {kKeyCodeStatus, status},
                               {kKeyScreenIsPlaying, playing},
                               {kKeyScreenIndex, 1}};
        };
        // No room name stored: the missing name shows as such.
        QCOMPARE(statuses(kKeyCode),
                 QList<QVariantMap>{code(u"A100 (%1)"_s.arg(kMissingObjectText), true)});
        QCOMPARE(store_->stringForKey(u"prefSlideShowPath2"_s), folder);
        QVERIFY(store_->boolForKey(u"prefSlideShowPathAliasDataIsValid2"_s));
        QVERIFY(!store_->dataForKey(u"prefSlideShowPathAliasData2"_s).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 2, 10000);
        const QString caption = display->captionField()->text();
        QVERIFY(caption.startsWith(u"IMG_"_s) && !caption.contains(u"overlay"_s));

        // The same folder again: the old code stops, the new one names the room.
        store_->setObject(u"Room B"_s, u"prefNameOfDisplay2"_s);
        statuses_.clear();
        assign(1, folder);
        QVERIFY(display->queue().curIndex() >= 0);
        QCOMPARE(display->queue().entries().size(), 3);
        QCOMPARE(statuses(kKeyCode),
                 (QList<QVariantMap>{code(u"A100"_s, false), code(u"A100 (Room B)"_s, true)}));
        // In other letters too.
        const qint64 position = display->queue().curIndex();
        assign(1, dir_->filePath(u"a100"_s));
        QCOMPARE(display->queue().curIndex(), position);
        // A toggle for another display is not for this one.
        NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                                  {{kKeyScreenIndex, 2}});
        QVERIFY(!display->isSuspended());
        // Suspended, the room shows no photo.
        NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                                  {{kKeyScreenIndex, 1}});
        QTRY_VERIFY(!display->isInsideLoop());
        QVERIFY(display->zoomedInView()->image().isNull());
        // A folder that does not exist keeps the old one.
        assign(1, dir_->filePath(u"missing"_s));
        QCOMPARE(display->sourcePath(), folder);
    }

    void newFolderResetsTheQueue()
    {
        makeDisplays(2);
        Display *display = displays_.at(1).get();
        QSignalSpy shown(display, &Display::slideShown);
        assign(1, makeFolder(u"D400"_s, 3));
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);
        const QString second = makeFolder(u"D401"_s, 2);
        assign(1, second);
        QVERIFY(display->queue().entries().size() <= 2);
        QTRY_COMPARE_WITH_TIMEOUT(display->queue().entries().size(), 2, 10000);
        const qsizetype seen = shown.size();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() > seen + 1, 10000);
        QVERIFY(shown.last().first().toString().startsWith(second));

        // A code assigned while the last one is still being searched plays
        // alone, once that search has ended.
        const QString third = makeFolder(u"D402"_s, 4);
        assign(1, makeFolder(u"D403"_s, 3));
        assign(1, third);
        const qsizetype before = shown.size();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() > before + 3 && !display->isQueryStarted(), 20000);
        const QStringList entries = display->queue().entries();
        for (const QString &entry : entries + QStringList{shown.last().first().toString()}) {
            QVERIFY2(entry.startsWith(third), qPrintable(entry));
        }
        QCOMPARE(entries.size(), 4);

        // Deleted, overwritten with junk, and half copied over again: skipped.
        QVERIFY(QFile::remove(entries.at(0)));
        QVERIFY(TestHarness::writeFile(entries.at(1), "not a photo"));
        QFile half(entries.at(2));
        QVERIFY(half.open(QIODevice::ReadWrite) && half.resize(half.size() / 2));
        half.close();
        const qsizetype damaged = shown.size();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= damaged + 3, 10000);
        for (qsizetype i = damaged + 1; i < shown.size(); ++i) {
            QCOMPARE(shown.at(i).first().toString(), entries.at(3));
        }
    }

    void replacedPhotoIsNotShownFromTheLookAhead()
    {
        // Held back at the auto start, so that only the look-ahead decodes.
        store_->setBool(false, u"prefDoSlideShow2"_s);
        store_->setObject(kTransitionModeNone, kPrefUseTransitionMode);
        makeDisplays(2);
        Display *display = displays_.at(1).get();
        const QString photo = dir_->filePath(u"K900/IMG_0001.jpg"_s);
        QVERIFY(writePadded(photo, Qt::red));
        assign(1, QFileInfo(photo).path());
        QTRY_VERIFY_WITH_TIMEOUT(!statuses(kKeyMesg).isEmpty(), 10000);
        // The next customer's photo of the same name and size.
        QVERIFY(writePadded(photo + u".new"_s, Qt::blue));
        QCOMPARE(std::rename(qPrintable(photo + u".new"_s), qPrintable(photo)), 0);
        store_->setBool(true, u"prefDoSlideShow2"_s);
        QImage image; // the first one shown
        connect(display, &Display::slideShown, display,
                [&] { image = image.isNull() ? display->zoomedInView()->image() : image; });
        display->startSlideShow();
        QTRY_VERIFY_WITH_TIMEOUT(!image.isNull(), 10000);
        QVERIFY2(TestHarness::near(image.pixel(image.rect().center()), Qt::blue),
                 "the look-ahead of the replaced photo was shown");
    }

    void requestStatus_data()
    {
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<int>("expected");
        QTest::newRow("all") << QVariantMap{{kKeyScreenIndex, -1}} << 3;
        QTest::newRow("one") << QVariantMap{{kKeyScreenIndex, 2}} << 1;
        QTest::newRow("no index") << QVariantMap{{kKeyCode, u"x"_s}} << 0;
    }
    void requestStatus()
    {
        QFETCH(QVariantMap, userInfo);
        QFETCH(int, expected);
        makeDisplays(3);
        NotificationCenter::defaultCenter()->postNotificationName(kRequestSlideShowStatus,
                                                                  QVariant(), userInfo);
        QCOMPARE(statuses(kKeyMesg).size(), expected);
    }

    void randomModeUsesTheDrawnStyle()
    {
        const QStringList styles{kNoTransitionEffect, kTransitionFade, kTransitionMoveIn,
                                 kTransitionPush, kTransitionReveal};
        store_->setObject(styles, kPrefAvailTransitionStyles);
        store_->setObject(kTransitionModeRandom, kPrefUseTransitionMode);
        store_->setObject(kTransitionFade, kPrefTransitionStyle);
        makeDisplays(2);
        Display *display = displays_.at(1).get();
        // A draw of 5, the chooser's maximum, picks the last style.
        display->setRandomSource([] { return static_cast<int>(RAND_MAX / 12.0 * 11.0); });
        QSignalSpy shown(display, &Display::slideShown);
        assign(1, makeFolder(u"H800"_s, 2));
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);
        QCOMPARE(display->transitionStyle(), kTransitionReveal);
        QVERIFY(display->slideView()->hasCurrentImage());
        QVERIFY(!display->slideView()->isCurrentImageHidden());
        // The drawn index stays within the styles, however many there are.
        QCOMPARE(Display::transitionIndexForDraw(2, 5), 2);
        QCOMPARE(Display::transitionIndexForDraw(-3, 5), 0);
        QCOMPARE(Display::transitionIndexForDraw(3, 0), 0);
    }

    void captionOfAPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("two dots") << u"/a/b.c.jpeg"_s << u"b.c"_s;
        QTest::newRow("twice") << u"x_overlay_overlay.png"_s << u"x"_s;
        QTest::newRow("no extension") << u"/a/plain"_s << u"plain"_s;
    }
    void captionOfAPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(Display::captionForPath(path), caption);
    }

    void testNotificationAdvancesEveryDisplay()
    {
        store_->setBool(false, u"prefDoSlideShow2"_s);
        store_->setObject(kTransitionModeNone, kPrefUseTransitionMode);
        makeDisplays(2);
        Display *display = displays_.at(1).get();
        assign(1, makeFolder(u"J900"_s, 2));
        QTRY_COMPARE_WITH_TIMEOUT(display->queue().entries().size(), 2, 10000);
        const qint64 before = display->queue().curIndex();
        NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleTest);
        QVERIFY(display->queue().curIndex() != before);
        QVERIFY(display->slideView()->hasCurrentImage());
    }

    void identifyCoversItsMonitorAndFlashes()
    {
        store_->setInteger(2, kPrefIdentifyScreenInSeconds);
        makeDisplays(monitors());
        Display *display = displays_.at(2).get();
        QVERIFY(QTest::qWaitForWindowExposed(display->window()));
        QLabel *label = display->identifyLabel();
        int flashes = 0;
        // Each flash ends with the label hidden on purpose (not with its window).
        struct Counter : QObject
        {
            int *count;
            QLabel *label;
            Counter(int *c, QLabel *l) : count(c), label(l) {}
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Hide && label->isHidden()) {
                    ++*count;
                }
                return false;
            }
        } counter(&flashes, label);
        label->installEventFilter(&counter);
        QSignalSpy ended(display, &Display::identifyEnded);
        display->identify();
        QVERIFY(display->identifyWindow()->isVisible());
        QCOMPARE(display->identifyWindow()->windowTitle(), kIdentifyWindowTitle);
        QCOMPARE(display->identifyWindow()->geometry(), virtualScreensOf(this)->monitorGeometry(2));
        QCOMPARE(label->text(), u"SCREEN\n 3 of  5"_s);
        QVERIFY(ended.wait(10000));
        QCOMPARE(flashes, 2);
        QVERIFY(!display->identifyWindow()->isVisible());
        // Zero seconds: ended at once, nothing shown.
        store_->setInteger(0, kPrefIdentifyScreenInSeconds);
        display->identify();
        QCOMPARE(ended.size(), 2);
        QVERIFY(!display->identifyWindow()->isVisible());
        // The room's name, once given, is shown instead.
        store_->setObject(u"Lobby"_s, u"prefNameOfDisplay3"_s);
        QTRY_COMPARE(label->text(), u"Lobby"_s);
        display->identify();
        QCOMPARE(label->text(), u"Lobby"_s);
    }

    void unpluggedScreenHidesWindowShowRunsOn()
    {
        VirtualScreens *screens = virtualScreensOf(this);
        const int last = monitors() - 1;
        makeDisplays(monitors());
        Display *display = displays_.at(last).get();
        QVERIFY(QTest::qWaitForWindowExposed(display->window()));
        QSignalSpy shown(display, &Display::slideShown);
        assign(last, makeFolder(u"U1"_s, 3));
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);

        QVERIFY(screens->removeMonitor(last));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), last, 10000);
        QTRY_VERIFY(!display->window()->isVisible());
        const qsizetype seen = shown.size();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() > seen + 2, 10000);
        QVERIFY(!display->isSuspended());
        QVERIFY(displays_.at(last - 1)->window()->isVisible());

        QVERIFY(screens->addMonitor(last));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), monitors(), 10000);
        QTRY_VERIFY(display->window()->isVisible());
        QTRY_COMPARE(display->window()->geometry(), screens->monitorGeometry(last));
    }

    void takesFromTheFrontWrapsAndFollowsInsertions()
    {
        OvraQueue queue(acceptAll);
        queue.addToQueueInThread({u"/a.jpg"_s, u"/b.jpg"_s});
        QCOMPARE(queue.getNextObject(), u"/b.jpg"_s);
        queue.reset();
        QVERIFY(queue.isEmpty());
        QCOMPARE(queue.curIndex(), -1);

        // Newest first: the path reported last is taken first, then round again.
        queue.addToQueueInThread({u"C"_s, u"B"_s, u"A"_s});
        QCOMPARE(queue.entries(), QStringList({u"A"_s, u"B"_s, u"C"_s}));
        QStringList taken;
        for (int i = 0; i < 7; ++i) {
            taken.append(queue.getNextObject());
        }
        QCOMPARE(taken, QStringList({u"A"_s, u"B"_s, u"C"_s, u"A"_s, u"B"_s, u"C"_s, u"A"_s}));
        QCOMPARE(queue.curIndex(), 0);

        // Inserting at the front keeps the position: the last one taken comes again.
        QCOMPARE(queue.getNextObject(), u"B"_s);
        queue.addToQueueInThread({u"D"_s});
        QCOMPARE(queue.entries(), QStringList({u"D"_s, u"A"_s, u"B"_s, u"C"_s}));
        QCOMPARE(queue.curIndex(), 1);
        QCOMPARE(queue.getNextObject(), u"B"_s);
        QCOMPARE(queue.getNextObject(), u"C"_s);
        QCOMPARE(queue.getNextObject(), u"D"_s);
    }

    void refusesDuplicatesIgnoringCase()
    {
        OvraQueue queue(acceptAll);
        queue.addToQueueInThread({u"/p/One.jpg"_s, u"/p/ONE.jpg"_s, u"/p/one.JPG"_s});
        QCOMPARE(queue.entries(), QStringList{u"/p/One.jpg"_s});
        queue.addToQueueInThread({u"/P/one.jpg"_s});
        QCOMPARE(queue.entries(), QStringList{u"/p/One.jpg"_s});
    }

    void fillQueuesOnlyValidImages()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath(u"good.jpg"_s);
        QVERIFY(TestHarness::writeJpeg(good, QSize(16, 16), Qt::red));
        const QByteArray jpeg = TestHarness::readFile(good);
        const QString half = dir.filePath(u"half.jpg"_s);
        QVERIFY(TestHarness::writeFile(half, jpeg.left(jpeg.size() / 2)));
        const QString text = dir.filePath(u"text.jpg"_s);
        QVERIFY(TestHarness::writeFile(text, QByteArrayLiteral("not an image")));

        OvraQueue queue; // the real image test
        queue.addToQueueInThread({half, dir.filePath(u"missing.jpg"_s), good, text, QString()});
        QCOMPARE(queue.entries(), QStringList{good});
    }

    void fillWithNothingValidLeavesTheList()
    {
        OvraQueue queue([](const QString &path) { return path.startsWith(QLatin1String("/ok")); });
        queue.addToQueueInThread({u"/ok/1.jpg"_s, u"/ok/2.jpg"_s});
        QCOMPARE(queue.getNextObject(), u"/ok/2.jpg"_s);
        const QStringList before = queue.entries();

        queue.addToQueueInThread({u"/bad/1.jpg"_s, u"/bad/2.jpg"_s});
        QCOMPARE(queue.entries(), before);
        QCOMPARE(queue.curIndex(), 0);
        QCOMPARE(queue.getNextObject(), u"/ok/1.jpg"_s);

        OvraQueue empty([](const QString &) { return false; });
        empty.addToQueueInThread({u"/x.jpg"_s});
        QVERIFY(empty.isEmpty());
        QVERIFY(empty.getNextObject().isNull());
        QCOMPARE(empty.curIndex(), -1);
    }

    void resetDuringFillDropsTheRest()
    {
        // The display switches to another code while the old code's photos are
        // still being checked: none of the old ones may end up in the new list.
        OvraQueue *queueRef = nullptr;
        OvraQueue queue([&queueRef](const QString &path) {
            if (path == QLatin1String("/old/2.jpg")) {
                queueRef->reset();
            }
            return true;
        });
        queueRef = &queue;
        queue.addToQueueInThread({u"/old/1.jpg"_s, u"/old/2.jpg"_s, u"/old/3.jpg"_s});
        QVERIFY(queue.isEmpty());

        queue.addToQueueInThread({u"/new/1.jpg"_s});
        QCOMPARE(queue.entries(), QStringList{u"/new/1.jpg"_s});
    }

    void imageTestRunsOutsideTheLock()
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> checkingSecond{false};
        OvraQueue queue([&](const QString &path) {
            if (path == QLatin1String("/2.jpg")) {
                checkingSecond = true;
                released.wait();
            }
            return true;
        });
        std::thread filler([&] { queue.addToQueueInThread({u"/1.jpg"_s, u"/2.jpg"_s}); });
        QTRY_VERIFY(checkingSecond.load());
        // A slide step gets through while a slow image is being checked.
        QVERIFY(!queue.isEmpty());
        QCOMPARE(queue.getNextObject(), u"/1.jpg"_s);
        release.set_value();
        filler.join();
        QCOMPARE(queue.entries(), QStringList({u"/2.jpg"_s, u"/1.jpg"_s}));
    }

    void concurrentFillAndTake()
    {
        QStringList paths;
        for (int i = 0; i < 3000; ++i) {
            paths.append(u"/photos/P%1.jpg"_s.arg(i));
        }
        const QSet<QString> known(paths.cbegin(), paths.cend());
        OvraQueue queue(acceptAll);
        std::atomic<bool> filling{true};
        std::thread filler([&] {
            // Two fills of the same paths: the second adds nothing.
            queue.addToQueueInThread(paths);
            queue.addToQueueInThread(paths);
            filling = false;
        });

        int takes = 0;
        while (filling.load() || takes < 10) {
            // Null only from an empty queue.
            const bool wasEmpty = queue.isEmpty();
            const QString taken = queue.getNextObject();
            QVERIFY(wasEmpty || !taken.isNull());
            if (!taken.isNull()) {
                ++takes;
                QVERIFY2(known.contains(taken), qPrintable(taken));
                const qint64 index = queue.curIndex();
                QVERIFY(index >= 0 && index < queue.entries().size());
            }
        }
        filler.join();
        const QStringList entries = queue.entries();
        QCOMPARE(entries.size(), paths.size());
        QCOMPARE(QSet<QString>(entries.cbegin(), entries.cend()), known);
        QCOMPARE(entries.first(), paths.last());
    }

    // The draws' range is the single-precision rows' below; the slots start
    // all over only when the maximum equals the argument.
    void startsAllOverOnlyWhenMaximumEqualsArgument()
    {
        randomNumberGenerator generator;
        generator.setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, 5);
        StderrCapture notLogged;
        for (int i = 0; i < 20; ++i) {
            generator.getNextRandomNumber(1);
        }
        QVERIFY(!notLogged.finish().contains(u"Start all over"_s));
        generator.setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, 1);
        StderrCapture logged;
        const qint32 r = generator.getNextRandomNumber(1);
        QVERIFY(logged.finish().contains(u"Start all over"_s));
        QVERIFY(r == 0 || r == 1);
    }

    // The kiosk draws among all photos in random order, in single precision.
    void singlePrecisionDraws_data()
    {
        QTest::addColumn<qint32>("maximum");
        QTest::addColumn<int>("draw");
        QTest::addColumn<qint32>("expected");
        // (float)(2^30 - 1) is 2^30: 5, where double arithmetic would give 4.
        QTest::newRow("lowest") << 5 << 0 << 0;
        QTest::newRow("rounds up to half") << 9 << (1 << 30) - 1 << 5;
        // Draws from 2147483584 on round to 2^31 (5 in double), u = 1: maximum
        // + 1, which falls back to 0.
        QTest::newRow("rounds to one") << 5 << 2147483584 << 0;
        QTest::newRow("rounds below one") << 5 << 2147483583 << 5;
        // u = 11744051 * 2^-24 is just below 0.7; 10 * u = 6.99999988 rounds to
        // 7.0f in single precision (6 in double).
        QTest::newRow("product rounds up") << 9 << 1503238528 << 7;
    }

    void singlePrecisionDraws()
    {
        QFETCH(qint32, maximum);
        QFETCH(int, draw);
        QFETCH(qint32, expected);
        randomNumberGenerator generator(scripted({draw}));
        generator.setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, maximum);
        QCOMPARE(generator.getNextRandomNumber(1), expected);
    }

private:
    using Display = slideShowWindowController;

    QString makeFolder(const QString &name, int photos)
    {
        const QString folder = dir_->filePath(name);
        QDir().mkpath(folder);
        for (int i = 0; i < photos; ++i) {
            TestHarness::writeJpeg(u"%1/IMG_%2_overlay.jpg"_s.arg(folder).arg(i), QSize(320, 200),
                                   QColor::fromHsv(i * 50 % 360, 200, 220));
        }
        return folder;
    }

    // A plain JPEG padded with zeros to a fixed size, whatever its colour.
    static bool writePadded(const QString &path, const QColor &colour)
    {
        QImage image(320, 200, QImage::Format_RGB32);
        image.fill(colour);
        const QByteArray bytes = TestHarness::jpeg(image);
        return bytes.size() <= 16384 &&
               TestHarness::writeFile(path, bytes.leftJustified(16384, '\0'));
    }

    // One controller per screen, in the order of the screen list, as at launch.
    void makeDisplays(int count)
    {
        for (int i = 0; i < count; ++i) {
            displays_.push_back(std::make_unique<Display>(i));
        }
    }

    void assign(int index, const QString &folder)
    {
        NotificationCenter::defaultCenter()->postNotificationName(
            kSlideShowParamChanged, QVariant(),
            {{kKeyScreenIndex, index}, {kKeySourcePath, folder}});
    }

    QList<QVariantMap> statuses(const QString &key) const
    {
        QList<QVariantMap> found;
        for (const QVariantMap &status : statuses_) {
            if (status.contains(key)) {
                found << status;
            }
        }
        return found;
    }

    QStringList runStatesOf(int index, qsizetype from = 0) const
    {
        QStringList texts;
        for (const QVariantMap &status : statuses_.mid(from)) {
            if (status.contains(kKeyMesg) && status.value(kKeyScreenIndex).toInt() == index) {
                texts << status.value(kKeyMesg).toString();
            }
        }
        return texts;
    }

    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::vector<std::unique_ptr<Display>> displays_;
    QObject observer_;
    QList<QVariantMap> statuses_;
};

OVRA_TEST_MAIN_WITH_SCREENS(TestSlideShowDisplays, monitors())
#include "tst_slideshowdisplays.moc"
