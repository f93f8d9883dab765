#include "VirtualScreens.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "slideshow/slideShowWindowController.h"
#include "slideshow/zoomedInNSImageView.h"

#include <QDir>
#include <QImageWriter>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

// The display controllers on real (virtual) monitors: four, or two when
// OVRA_TEST_MONITORS=2 (the four-monitor run starts that one as a child).
static int monitors()
{
    return qEnvironmentVariableIntValue("OVRA_TEST_MONITORS") == 2 ? 2 : 4;
}

class TestSlideShowDisplays : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(virtualScreensOf(this));
        QCOMPARE(QGuiApplication::screens().size(), monitors());
    }
    void init()
    {
        store_ = std::make_unique<Preferences>(QString());
        Preferences::setStandardUserDefaults(store_.get());
        for (int n = 1; n <= 4; ++n) {
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
    // Each row is a script of events for display 1 followed by the state it must
    // be in and the run-state texts posted after the "mark" step.
    void stateTable_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("posted");
        const QString running = u"<Slide Show is Running...>"_s;
        const QString notRunning = u"<Slide Show is NOT Running...>"_s;
        QTest::newRow("idle: start finds nothing queued")
            << QStringList{u"mark"_s, u"start"_s, u"ended"_s} << u"suspended"_s
            << QStringList{notRunning};
        QTest::newRow("suspended: resume with nothing queued suspends again")
            << QStringList{u"start"_s, u"ended"_s, u"mark"_s, u"toggle"_s, u"ended"_s}
            << u"suspended"_s << QStringList{running, notRunning};
        QTest::newRow("suspended: folder without photos changes nothing")
            << QStringList{u"start"_s, u"ended"_s, u"mark"_s, u"assign empty"_s} << u"suspended"_s
            << QStringList{};
        QTest::newRow("searching: photos found start playing")
            << QStringList{u"start"_s, u"ended"_s, u"mark"_s, u"assign photos"_s, u"shown"_s}
            << u"playing"_s << QStringList{running};
        QTest::newRow("playing: folder vanishes halts")
            << QStringList{u"assign photos"_s, u"shown"_s, u"mark"_s, u"remove"_s, u"ended"_s}
            << u"halted"_s << QStringList{};
        QTest::newRow("playing: photos vanish and come back, running throughout")
            << QStringList{u"assign photos"_s, u"shown"_s,   u"mark"_s,   u"vanish"_s,
                           u"missing"_s,       u"missing"_s, u"return"_s, u"shown"_s}
            << u"playing"_s << QStringList{};
        QTest::newRow("halted: toggle suspends")
            << QStringList{u"assign photos"_s, u"shown"_s, u"remove"_s,
                           u"ended"_s,         u"mark"_s,  u"toggle"_s}
            << u"suspended"_s << QStringList{notRunning};
        QTest::newRow("playing: new folder without photos empties and suspends")
            << QStringList{u"assign photos"_s, u"shown"_s, u"mark"_s, u"assign empty"_s, u"ended"_s}
            << u"suspended"_s << QStringList{notRunning};
        QTest::newRow("playing: toggle suspends, toggle resumes")
            << QStringList{u"assign photos"_s, u"shown"_s,  u"mark"_s, u"toggle"_s,
                           u"ended"_s,         u"toggle"_s, u"shown"_s}
            << u"playing"_s << QStringList{notRunning, running};
        QTest::newRow("movie: first movie, then nothing shows")
            << QStringList{u"movie"_s, u"mark"_s, u"start"_s} << u"movie"_s << QStringList{};
    }
    void stateTable()
    {
        QFETCH(QStringList, script);
        QFETCH(QString, state);
        QFETCH(QStringList, posted);
        makeDisplays(2);
        slideShowWindowController *display = displays_.at(1).get();
        QSignalSpy shown(display, &slideShowWindowController::slideShown);
        QSignalSpy ended(display, &slideShowWindowController::slideShowEnded);
        QSignalSpy missing(display, &slideShowWindowController::photosMissing);
        qsizetype mark = 0;
        qsizetype endedBefore = 0;
        QString photos;
        for (const QString &step : std::as_const(script)) {
            if (step == u"start"_s) {
                endedBefore = ended.size();
                display->startSequence();
            } else if (step == u"ended"_s) {
                QTRY_VERIFY_WITH_TIMEOUT(ended.size() > endedBefore, 10000);
                endedBefore = ended.size();
            } else if (step == u"shown"_s) {
                const qsizetype before = shown.size();
                QTRY_VERIFY_WITH_TIMEOUT(shown.size() > before, 10000);
                endedBefore = ended.size();
            } else if (step == u"missing"_s) {
                const qsizetype before = missing.size();
                QTRY_VERIFY_WITH_TIMEOUT(missing.size() > before, 10000);
            } else if (step == u"vanish"_s || step == u"return"_s) {
                const bool away = step == u"vanish"_s;
                for (const QString &name : QDir(photos).entryList(QDir::Files)) {
                    QVERIFY(QDir(photos).rename(name, away ? name + u".gone"_s : name.chopped(5)));
                }
            } else if (step == u"mark"_s) {
                mark = statuses_.size();
            } else if (step == u"toggle"_s) {
                endedBefore = ended.size();
                NotificationCenter::defaultCenter()->postNotificationName(
                    kSlideShowToggleShow, QVariant(), {{kKeyScreenIndex, 1}});
            } else if (step == u"assign photos"_s) {
                photos = makeFolder(u"P%1"_s.arg(statuses_.size()), 3);
                assign(1, photos);
            } else if (step == u"assign empty"_s) {
                endedBefore = ended.size();
                assign(1, makeFolder(u"E%1"_s.arg(statuses_.size()), 0));
            } else if (step == u"remove"_s) {
                endedBefore = ended.size();
                QVERIFY(QDir(photos).removeRecursively());
            } else if (step == u"movie"_s) {
                store_->setBool(true, u"prefDoPlayMovie2"_s);
                store_->setBool(true, u"prefPlayMovieFirst2"_s);
            } else {
                QFAIL(qPrintable(step));
            }
        }
        if (state == u"playing"_s) {
            QVERIFY(!display->isSuspended());
            const qsizetype before = shown.size();
            QTRY_VERIFY_WITH_TIMEOUT(shown.size() > before + 1, 10000);
        } else if (state == u"movie"_s) {
            QTRY_VERIFY(display->isMoviePlaying());
            QVERIFY(display->zoomedInView()->isHidden());
            QVERIFY(!display->isInsideLoop());
        } else {
            QCOMPARE(display->isSuspended(), state == u"suspended"_s);
            // No step runs or is requested.
            QTRY_VERIFY(!display->isInsideLoop());
        }
        QCOMPARE(runStatesOf(1, mark), posted);
    }

    void mainScreenNeverPlaysBesideOneRoom()
    {
        if (monitors() != 2) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"OVRA_TEST_MONITORS"_s, u"2"_s);
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {u"mainScreenNeverPlaysBesideOneRoom"_s});
            QVERIFY(child.waitForFinished(120000));
            QCOMPARE(child.exitCode(), 0);
            return;
        }
        VirtualScreens *screens = virtualScreensOf(this);
        makeDisplays(2);
        QSignalSpy mainShown(displays_.at(0).get(), &slideShowWindowController::slideShown);
        QSignalSpy roomShown(displays_.at(1).get(), &slideShowWindowController::slideShown);
        QVERIFY(!displays_.at(0)->window()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(displays_.at(1)->window()));
        QCOMPARE(displays_.at(1)->window()->geometry(), screens->monitorGeometry(1));
        // The room's window takes the keys from the start.
        QTRY_VERIFY(displays_.at(1)->window()->isActiveWindow());
        assign(0, makeFolder(u"M1"_s, 2));
        assign(1, makeFolder(u"M2"_s, 2));
        // Both auto-start; only the room plays.
        QTRY_VERIFY_WITH_TIMEOUT(roomShown.size() >= 3, 10000);
        QCOMPARE(runStatesOf(0), QStringList{kMesgSlideShowRunning});
        QVERIFY(!displays_.at(0)->isInsideLoop());
        QCOMPARE(mainShown.size(), 0);
    }

    void identifyCoversItsMonitorAndFlashes()
    {
        if (!needsFourMonitors()) {
            QSKIP("needs four monitors");
        }
        store_->setInteger(2, kPrefIdentifyScreenInSeconds);
        makeDisplays(4);
        slideShowWindowController *display = displays_.at(2).get();
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
        QSignalSpy ended(display, &slideShowWindowController::identifyEnded);
        display->identify();
        QVERIFY(display->identifyWindow()->isVisible());
        QCOMPARE(display->identifyWindow()->windowTitle(), kIdentifyWindowTitle);
        QCOMPARE(display->identifyWindow()->geometry(), virtualScreensOf(this)->monitorGeometry(2));
        QCOMPARE(label->text(), u"SCREEN\n 3 of  4"_s);
        QVERIFY(ended.wait(10000));
        QCOMPARE(flashes, 2);
        QVERIFY(!display->identifyWindow()->isVisible());
        label->removeEventFilter(&counter);
        // Zero seconds: ended at once, nothing shown.
        store_->setInteger(0, kPrefIdentifyScreenInSeconds);
        display->identify();
        QCOMPARE(ended.size(), 2);
        QVERIFY(!display->identifyWindow()->isVisible());
    }

    void unpluggedScreenHidesWindowShowRunsOn()
    {
        if (!needsFourMonitors()) {
            QSKIP("needs four monitors");
        }
        VirtualScreens *screens = virtualScreensOf(this);
        makeDisplays(4);
        slideShowWindowController *display = displays_.at(3).get();
        QVERIFY(QTest::qWaitForWindowExposed(display->window()));
        QSignalSpy shown(display, &slideShowWindowController::slideShown);
        assign(3, makeFolder(u"U1"_s, 3));
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);

        QVERIFY(screens->removeMonitor(3));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), 3, 10000);
        QTRY_VERIFY(!display->window()->isVisible());
        const qsizetype seen = shown.size();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() > seen + 2, 10000);
        QVERIFY(!display->isSuspended());
        QVERIFY(displays_.at(2)->window()->isVisible());

        QVERIFY(screens->addMonitor(3));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), 4, 10000);
        QTRY_VERIFY(display->window()->isVisible());
        QTRY_COMPARE(display->window()->geometry(), screens->monitorGeometry(3));
    }

private:
    QString makeFolder(const QString &name, int photos)
    {
        const QString folder = dir_->filePath(name);
        QDir().mkpath(folder);
        for (int i = 0; i < photos; ++i) {
            QImage image(640, 480, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 50 % 360, 200, 220));
            QImageWriter(u"%1/%2_%3.jpg"_s.arg(folder, name).arg(i)).write(image);
        }
        return folder;
    }

    // One controller per screen, in the order of the screen list, as at launch.
    void makeDisplays(int count)
    {
        for (int i = 0; i < count; ++i) {
            displays_.push_back(std::make_unique<slideShowWindowController>(i));
        }
    }

    void assign(int index, const QString &folder)
    {
        NotificationCenter::defaultCenter()->postNotificationName(
            kSlideShowParamChanged, QVariant(),
            {{kKeyScreenIndex, index}, {kKeySourcePath, folder}});
    }

    QStringList runStatesOf(int index, qsizetype from = 0) const;
    bool needsFourMonitors() { return QGuiApplication::screens().size() >= 4; }

    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::vector<std::unique_ptr<slideShowWindowController>> displays_;
    QObject observer_;
    QList<QVariantMap> statuses_;
};

QStringList TestSlideShowDisplays::runStatesOf(int index, qsizetype from) const
{
    QStringList texts;
    for (qsizetype i = from; i < statuses_.size(); ++i) {
        const QVariantMap &status = statuses_.at(i);
        if (status.contains(kKeyMesg) && status.value(kKeyScreenIndex).toInt() == index) {
            texts << status.value(kKeyMesg).toString();
        }
    }
    return texts;
}

OVRA_TEST_MAIN_WITH_SCREENS(TestSlideShowDisplays, monitors())
#include "tst_slideshowdisplays.moc"
