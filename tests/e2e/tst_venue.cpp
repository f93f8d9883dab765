#include "E2eKiosk.h"
#include "TestHarness.h"
#include "TestSupport.h"
#include "shell/CommonHeader.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Guards the installed kiosk at a venue: a scanner typing into a room screen on 2 and 4
// monitors, bare and under openbox, the caption over the photo, the operator's console and
// Identify, the companions' messages, a second start and the daily relaunch, each on private
// monitors, home and session bus.
class TestVenue : public QObject
{
    Q_OBJECT
private slots:
    void typedCodePlaysInTheRoom_data();
    void typedCodePlaysInTheRoom();
    void sameFileNamesStayWithTheirCode();
    void companionsSteerTheCurrentCode();
    void dailyRelaunchBringsTheKioskBack();

private:
    // The kiosk launched on monitors with today's photo store, once it has
    // finished launching; null (after a skip or failure) when it cannot.
    std::unique_ptr<E2eKiosk> start(int monitors = 2, bool openbox = false,
                                    const QVariantMap &preferences = {},
                                    const QString &timeZone = QString());
    // A window of the kiosk that was not among before, or empty.
    static QString newWindow(const E2eKiosk &kiosk, const QStringList &before);
    // Polls monitor 1 until every one of playing has shown centred on it, and
    // with more than one, the slideshow came back to the first; false at once
    // when one of gone shows in between. A caption strip covers the bottom rows.
    static bool plays(E2eKiosk &kiosk, const QList<QColor> &playing, const QList<QColor> &gone = {},
                      int covered = 0, const QString &screenshotName = QString());
};

namespace {

struct Photo
{
    QString name;
    QColor colour;
};

// 3:2 photos on 16:9 monitors leave bars beside the fitted frame.
const QSize kPhotoSize(1200, 800);
const QString kCodeA = u"47110815"_s;
const QString kCodeB = u"52000001"_s;
const QString kCodeC = u"63000002"_s;
const QMap<QString, QList<Photo>> kStore{
    {kCodeA, {{u"IMG_100.jpg"_s, QColor(220, 30, 30)}, {u"IMG_101.jpg"_s, QColor(30, 190, 60)}}},
    {kCodeB, {{u"IMG_200.jpg"_s, QColor(40, 70, 230)}}},
    {kCodeC, {{u"IMG_300.jpg"_s, QColor(230, 210, 30)}}},
};

// A field of each of the code's photos, in the store's order.
template <typename T> QList<T> each(const QString &code, T Photo::*field)
{
    QList<T> values;
    for (const Photo &photo : kStore.value(code)) {
        values.append(photo.*field);
    }
    return values;
}

QByteArray gotCode(const QString &code)
{
    return "GOT NEW BARCODE ID = [" + code.toLatin1() + ']';
}

// Identify's room name flashes in red.
int redPixels(const QImage &shot)
{
    int count = 0;
    for (int y = 0; y < shot.height(); y += 4) {
        for (int x = 0; x < shot.width(); x += 4) {
            const QRgb p = shot.pixel(x, y);
            count += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60 ? 1 : 0;
        }
    }
    return count;
}

} // namespace

std::unique_ptr<E2eKiosk> TestVenue::start(int monitors, bool openbox,
                                           const QVariantMap &extraPreferences,
                                           const QString &timeZone)
{
    auto kiosk = std::make_unique<E2eKiosk>(monitors);
    QString error;
    if (!kiosk->setUp(&error) || (openbox && !kiosk->startWindowManager(&error))) {
        QTest::qSkip(qPrintable(error), __FILE__, __LINE__);
        return nullptr;
    }
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    bool written = true;
    for (auto it = kStore.cbegin(); it != kStore.cend(); ++it) {
        // The code info file that puts the code in the console's list.
        const QString folder = kiosk->dayFolder() + u'/' + it.key();
        const QByteArray info = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<data><code>" +
                                it.key().toLatin1() + "</code><name>Party " +
                                it.key().right(2).toLatin1() + "</name></data>\n";
        written = written && TestSupport::writeFile(folder + u'/' + it.key() + u".xml"_s, info);
        int age = 0;
        for (const Photo &photo : it.value()) {
            written = written && E2e::writePhoto(folder + u'/' + photo.name, photo.colour,
                                                 kPhotoSize, hourAgo.addSecs(-60 * age++));
        }
    }
    QVariantMap preferences{
        {u"prefSlideShowPath"_s, kiosk->storeRoot()},
        {u"prefAlwaysShowMainWindow"_s, true},
        // Under a window manager the kiosk must take the focus by itself.
        {u"prefAutoBringAppToFrontAfterLaunch"_s, openbox},
        {u"prefAutoBringAppToFrontAfterLaunchDelay"_s, 1.0},
        {u"prefIdentifyScreenInSeconds"_s, 30},
        {u"prefNameOfDisplay2"_s, u"Garden Room"_s},
        {u"prefRedirectNSLogToFile"_s, false},
        {u"prefSlideShowDelay2"_s, 2.0},
        {u"prefTransitionStyle"_s, u"fade"_s},
    };
    preferences.insert(extraPreferences);
    QProcessEnvironment env = kiosk->environment();
    if (!timeZone.isEmpty()) {
        env.insert(u"TZ"_s, timeZone);
    }
    if (!written || !kiosk->writePreferences(preferences) || !kiosk->launch(kiosk->kiosk(), env) ||
        !kiosk->waitForLog("applicationDidFinishLaunching...Done")) {
        QTest::qVerify(false, "launch", kiosk->log().constData(), __FILE__, __LINE__);
        return nullptr;
    }
    return kiosk;
}

bool TestVenue::plays(E2eKiosk &kiosk, const QList<QColor> &playing, const QList<QColor> &gone,
                      int covered, const QString &screenshotName)
{
    QList<qsizetype> shown; // an entry for each photo as it comes on
    bool back = false;
    // Screenshots are slow on a busy machine: allow for a few slide periods.
    const bool played = E2e::poll(
        [&] {
            const QImage room = kiosk.grabMonitor(1);
            for (qsizetype i = 0; i < playing.size(); ++i) {
                if ((shown.isEmpty() || shown.last() != i) &&
                    E2e::showsPhotoCentred(room, kPhotoSize, playing.at(i), covered)) {
                    if (shown.isEmpty() && !screenshotName.isEmpty()) {
                        E2e::saveScreenshot(room, screenshotName);
                    }
                    shown.append(i);
                }
            }
            for (const QColor &colour : gone) {
                back =
                    back || (!shown.isEmpty() && E2e::showsPhotoCentred(room, kPhotoSize, colour));
            }
            return back || (QSet(shown.cbegin(), shown.cend()).size() == playing.size() &&
                            (playing.size() == 1 ||
                             (shown.size() > playing.size() && shown.last() == shown.first())));
        },
        2 * E2e::kWaitMs);
    return played && !back;
}

void TestVenue::typedCodePlaysInTheRoom_data()
{
    QTest::addColumn<int>("monitors");
    QTest::addColumn<bool>("openbox");
    QTest::addColumn<QString>("transitions");
    // The OpenGL view is a window of its own: the caption strip over it, or
    // the plain view instead of it, has to reach the monitor too.
    QTest::addColumn<bool>("caption");
    const QString fixed = u"transitionModeFixed"_s;
    QTest::newRow("2 monitors") << 2 << false << fixed << false;
    QTest::newRow("4 monitors, caption") << 4 << false << fixed << true;
    QTest::newRow("2 monitors, openbox, no transition, caption")
        << 2 << true << u"transitionModeNone"_s << true;
    QTest::newRow("4 monitors, openbox") << 4 << true << fixed << false;
}

void TestVenue::typedCodePlaysInTheRoom()
{
    QFETCH(int, monitors);
    QFETCH(bool, openbox);
    QFETCH(QString, transitions);
    QFETCH(bool, caption);
    const auto kiosk =
        start(monitors, openbox,
              {{kPrefUseTransitionMode, transitions}, {kPrefShowPhotoWithFilename, caption}});
    if (!kiosk) {
        return;
    }
    const QImage idle = kiosk->grabMonitor(1);
    for (const QColor &colour : each(kCodeA, &Photo::colour)) {
        QVERIFY(!E2e::showsPhotoCentred(idle, kPhotoSize, colour));
    }
    if (openbox) {
        // Each room window covers its monitor, undecorated; the console
        // sits decorated on the operator's; the focus comes to the kiosk.
        QList<E2eKiosk::TopLevel> windows;
        const int width = kiosk->screens().monitorGeometry(0).width();
        // The window manager places and decorates the console in its own time.
        const auto consolePlaced = [&] {
            for (const E2eKiosk::TopLevel &top : std::as_const(windows)) {
                if (top.frame.x() < width &&
                    !(kiosk->screens().monitorGeometry(0).contains(top.frame) &&
                      top.frame.contains(top.client) && top.frame.height() > top.client.height())) {
                    return false;
                }
            }
            return true;
        };
        QVERIFY(E2e::poll(
            [&] { return (windows = kiosk->topLevels()).size() == monitors && consolePlaced(); }));
        for (const E2eKiosk::TopLevel &top : std::as_const(windows)) {
            const QRect monitor = kiosk->screens().monitorGeometry(top.frame.x() / width);
            if (top.frame.x() >= width) {
                QCOMPARE(top.frame, monitor);
                QCOMPARE(top.client, monitor);
                // The state that keeps it above panels and docks.
                QByteArray state;
                QVERIFY(kiosk->run(u"xprop"_s, {u"-id"_s, top.window, u"_NET_WM_STATE"_s}, &state));
                QVERIFY2(state.contains("_NET_WM_STATE_FULLSCREEN"), state.constData());
            }
        }
        QVERIFY(E2e::poll([&] { return kiosk->kioskHasFocus(); }));
    }

    QVERIFY(kiosk->typeCode(kCodeA, !openbox));
    QVERIFY2(kiosk->waitForLog(gotCode(kCodeA)), kiosk->log().constData());
    // The working folder holds the code's photos, the room screen shows each
    // of them in turn, fitted and centred: the slideshow moved on.
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), each(kCodeA, &Photo::name), E2e::kWaitMs);
    // The factory defaults and the photo script came from the installed
    // resources: nothing pointed the kiosk at them.
    for (const QString &resource : {u"FactoryDefault.plist"_s, u"getnewestfiles.sh"_s}) {
        const QString path = E2e::installed(u"share/ovra-videowall/"_s + resource);
        QVERIFY2(kiosk->log().contains("[" + QFileInfo(path).absoluteFilePath().toUtf8() + ']'),
                 qPrintable(path));
    }
    // The first row's screens are the README's screenshots.
    const bool docs = monitors == 2 && !openbox;
    // The caption strip lies along the bottom edge, white text on black.
    const int strip = caption ? 40 : 0;
    QVERIFY2(
        plays(*kiosk, each(kCodeA, &Photo::colour), {}, strip, docs ? u"room-screen"_s : QString()),
        kiosk->log().constData());
    const auto captionShows = [&] {
        const QImage room = kiosk->grabMonitor(1);
        for (int y = room.height() - strip; y < room.height(); ++y) {
            for (int x = 0; x < room.width(); x += 2) {
                if (TestHarness::near(room.pixel(x, y), Qt::white)) {
                    return true;
                }
            }
        }
        return false;
    };
    QCOMPARE(E2e::poll(captionShows, caption ? E2e::kWaitMs : 0), caption);

    // The other screens stay as they were: the operator's and the idle rooms.
    const QImage whole = kiosk->screens().screenshot();
    for (int i = 0; i < monitors; ++i) {
        const QImage other = whole.copy(kiosk->screens().monitorGeometry(i));
        for (const QColor &colour : each(kCodeA, &Photo::colour)) {
            QVERIFY2(i == 1 || !E2e::showsPhotoCentred(other, kPhotoSize, colour),
                     qPrintable(u"a photo on monitor %1"_s.arg(i)));
        }
    }

    // The console on the operator's screen reports the room's slideshow.
    const QRect console = kiosk->windowGeometry(kiosk->windowOnMonitor(0));
    QVERIFY(console.isValid());
    QByteArray status;
    QVERIFY(E2e::poll([&] {
        return kiosk->run(E2e::installed(u"bin/ovra-defaults"_s),
                          {u"read"_s, u"prefDisplayStatus2"_s}, &status) &&
               status.contains("<Slide Show is Running...>");
    }));
    if (docs) {
        E2e::saveScreenshot(whole.copy(console), u"console"_s);
    }
    if (openbox) {
        // A right click on the room opens the commands' menu; Escape closes it.
        const int windows = int(kiosk->topLevels().size());
        QVERIFY(kiosk->click(kiosk->screens().monitorGeometry(1).center(), 3));
        QVERIFY(E2e::poll([&] { return kiosk->topLevels().size() > windows; }));
        QVERIFY(kiosk->typeKeys({u"Escape"_s}));
        QVERIFY(E2e::poll([&] { return kiosk->topLevels().size() == windows; }));
        // Identify from the keyboard, in whichever kiosk window has the focus.
        QVERIFY(kiosk->typeKeys({u"ctrl+i"_s}));
    } else {
        // Settings (Ctrl+, in the console), the Displays tab, Identify All: by
        // mouse where the tab and the button lie in the sheet's layout.
        const QStringList before = kiosk->visibleWindows();
        QVERIFY(kiosk->typeInto(kiosk->windowOnMonitor(0), {u"ctrl+comma"_s}));
        QString settings;
        QVERIFY(E2e::poll([&] { return !(settings = newWindow(*kiosk, before)).isEmpty(); }));
        const QRect sheet = kiosk->windowGeometry(settings);
        QVERIFY(kiosk->click(sheet.topLeft() + QPoint(119, 23)));
        QVERIFY(kiosk->click(QPoint(sheet.right() - 62, sheet.top() + 56)));
    }
    // The room's name flashes in red over its screen.
    QImage room;
    QVERIFY(E2e::poll([&] { return redPixels(room = kiosk->grabMonitor(1)) > 200; }));
    if (docs) {
        E2e::saveScreenshot(room, u"identify-label"_s);
    }
    QVERIFY(kiosk->quit());
}

void TestVenue::sameFileNamesStayWithTheirCode()
{
    const auto kiosk = start();
    if (!kiosk) {
        return;
    }
    // Cards of three customers with the same file names in other colours. Each
    // card keeps to one hue, so that no cross-fade within a card passes for a
    // photo of another card.
    const QStringList codes{u"71000003"_s, u"72000004"_s, u"73000005"_s};
    const QList<QList<QColor>> cards{{QColor(230, 30, 30), QColor(120, 10, 10)},
                                     {QColor(30, 210, 30), QColor(10, 110, 10)},
                                     {QColor(30, 30, 230), QColor(10, 10, 120)}};
    const auto writeCard = [&](int card, const QDateTime &modified) {
        for (int i = 0; i < 2; ++i) {
            const QString path =
                kiosk->dayFolder() + u"/%1/IMG_000%2.jpg"_s.arg(codes.at(card)).arg(i + 1);
            if (!E2e::writePhoto(path, cards.at(card).at(i), kPhotoSize, modified)) {
                return false;
            }
        }
        return true;
    };
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    QVERIFY(writeCard(0, hourAgo) && writeCard(1, hourAgo));
    QVERIFY(kiosk->typeCode(codes.at(0)));
    QVERIFY2(plays(*kiosk, cards.at(0)), kiosk->log().constData());
    QVERIFY(kiosk->typeCode(codes.at(1)));
    QVERIFY2(plays(*kiosk, cards.at(1), cards.at(0)), kiosk->log().constData());
    // Photos that arrive as the code is typed.
    QVERIFY(writeCard(2, QDateTime::currentDateTime()));
    QVERIFY(kiosk->typeCode(codes.at(2)));
    QVERIFY2(plays(*kiosk, cards.at(2), cards.at(0) + cards.at(1)), kiosk->log().constData());
    QVERIFY(kiosk->quit());
}

void TestVenue::companionsSteerTheCurrentCode()
{
    const auto kiosk = start();
    if (!kiosk) {
        return;
    }
    // A second start is refused (its log line is checked by the startup test)
    // and the first kiosk runs on with its windows: it takes the codes below.
    const QString room = kiosk->windowOnMonitor(1);
    QVERIFY(!room.isEmpty());
    QProcess second;
    QVERIFY(kiosk->launch(second, kiosk->environment()));
    QVERIFY(second.waitForFinished(E2e::kWaitMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(kiosk->log().count("applicationDidFinishLaunching...Done"), 1);
    QCOMPARE(kiosk->windowOnMonitor(1), room);

    QVERIFY(kiosk->typeCode(kCodeA));
    QVERIFY2(kiosk->waitForLog(gotCode(kCodeA)), kiosk->log().constData());
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), each(kCodeA, &Photo::name), E2e::kWaitMs);

    // While the video companion records, a typed code is shown but does not
    // become the current code, and an alert asks to stop the recording.
    const QStringList recording{u"senderApp=Ovra-Video.app"_s, u"action=statusIsRecording"_s};
    QVERIFY(kiosk->notify(u"ovraXNotification"_s, recording));
    QVERIFY(kiosk->waitForLog("handleOvraVideoNotification"));
    const QStringList before = kiosk->visibleWindows();
    QVERIFY(kiosk->typeCode(kCodeB));
    QString alert;
    QVERIFY(E2e::poll([&] { return !(alert = newWindow(*kiosk, before)).isEmpty(); }));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), each(kCodeB, &Photo::name), E2e::kWaitMs);
    QVERIFY(!kiosk->log().contains(gotCode(kCodeB)));
    QVERIFY(kiosk->typeInto(alert, {u"Return"_s}));
    QVERIFY(E2e::poll([&] { return !kiosk->visibleWindows().contains(alert); }));

    // A companion's refresh brings back the current code, still A.
    QVERIFY(kiosk->notify(u"OvraSlideShowNotification"_s, {u"from=e2e"_s}));
    QVERIFY(kiosk->waitForLog("handleDistNotification"));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), each(kCodeA, &Photo::name), E2e::kWaitMs);

    // Recording stopped, the previewer's customer becomes the current code,
    // and the next refresh plays it in the room.
    QVERIFY(kiosk->notify(u"ovraXNotification"_s,
                          {u"senderApp=Ovra-Video.app"_s, u"action=statusNotRecording"_s}));
    QVERIFY(kiosk->waitForLog("handleOvraVideoNotification", 2));
    QVERIFY(kiosk->notify(u"OvraPreviewerNotification"_s,
                          {u"action=newCustomerSittingStarted"_s, u"value= "_s + kCodeC + u' '}));
    QVERIFY2(kiosk->waitForLog(gotCode(kCodeC)), kiosk->log().constData());
    QVERIFY(kiosk->notify(u"OvraSlideShowNotification"_s));
    QVERIFY(kiosk->waitForLog("handleDistNotification", 2));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), each(kCodeC, &Photo::name), E2e::kWaitMs);
    QVERIFY2(plays(*kiosk, each(kCodeC, &Photo::colour)), kiosk->log().constData());
    QVERIFY(kiosk->quit());
}

QString TestVenue::newWindow(const E2eKiosk &kiosk, const QStringList &before)
{
    for (const QString &window : kiosk.visibleWindows()) {
        if (!before.contains(window)) {
            return window;
        }
    }
    return QString();
}

void TestVenue::dailyRelaunchBringsTheKioskBack()
{
    // The relaunch comes at 06:05 local time: a time zone in which it is
    // now a few seconds before that arms the real timer without waiting for
    // the morning. The relaunched kiosk inherits the zone, by then past 06:05.
    const int secondsBefore = 15;
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    int offset = (6 * 3600 + 5 * 60 - secondsBefore) - utc.time().msecsSinceStartOfDay() / 1000;
    offset = (offset + 12 * 3600 + 86400) % 86400 - 12 * 3600;
    const int magnitude = qAbs(offset);
    // POSIX counts offsets west of Greenwich as positive.
    const QString zone = u"OVR%1%2:%3:%4"_s.arg(offset >= 0 ? u"-"_s : u"+"_s)
                             .arg(magnitude / 3600)
                             .arg(magnitude / 60 % 60, 2, 10, QChar(u'0'))
                             .arg(magnitude % 60, 2, 10, QChar(u'0'));
    const auto kiosk = start(2, false, {}, zone);
    if (!kiosk) {
        return;
    }
    QVERIFY2(!kiosk->log().contains("Current Date is AFTER the TriggerDate"),
             "the kiosk started after its relaunch time; it was too slow to start");
    const qint64 first = kiosk->kiosk().processId();

    // The old kiosk ends by itself, and the helper starts a new one.
    QVERIFY2(kiosk->kiosk().waitForFinished(E2e::kWaitMs + secondsBefore * 1000),
             kiosk->log().constData());
    QCOMPARE(kiosk->kiosk().exitCode(), 0);
    QVERIFY(kiosk->log().contains("LSLaunchFlags"));
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done", 2),
             kiosk->log().constData());
    const QList<qint64> running = kiosk->kioskPids();
    QCOMPARE(running.size(), 1);
    QVERIFY(running.first() != first);
    QVERIFY(E2e::poll([&] { return !kiosk->windowOnMonitor(1).isEmpty(); }));
    // It arms its own relaunch for the next morning.
    QVERIFY(kiosk->log().contains("Current Date is AFTER the TriggerDate"));
    QVERIFY(kiosk->quit());
}

QTEST_MAIN(TestVenue)
#include "tst_venue.moc"
