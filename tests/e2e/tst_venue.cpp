#include "E2eKiosk.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The installed kiosk at a venue: a scanner typing into a room screen, the
// operator's console, the companions' messages, a second start and the
// daily relaunch, each on private monitors, home and session bus.
class TestVenue : public QObject
{
    Q_OBJECT
private slots:
    void typedCodePlaysInTheRoom_data();
    void typedCodePlaysInTheRoom();
    void sameFileNamesStayWithTheirCode();
    void companionsSteerTheCurrentCode();
    void operatorIdentifiesTheRooms();
    void secondStartIsRefused();
    void dailyRelaunchBringsTheKioskBack();

private:
    // A kiosk on `monitors` screens with today's photo store, not started,
    // under openbox when asked; null (after a skip or failure) when it cannot
    // be set up.
    std::unique_ptr<E2eKiosk> prepare(int monitors, bool openbox = false);
    // A window of the kiosk that was not among before, or empty.
    static QString newWindow(const E2eKiosk &kiosk, const QStringList &before);
    // Polls monitor 1 until every colour has been seen centred on it.
    QStringList seenOnRoomScreen(E2eKiosk &kiosk, const QList<QColor> &colours,
                                 const QString &screenshotName = QString());
    // Polls monitor 1 from the first of playing centred on it until, having
    // shown every one of them, the slideshow came back to that first one;
    // false at once when one of gone shows in between.
    static bool playsOnly(E2eKiosk &kiosk, const QList<QColor> &playing, const QList<QColor> &gone);
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

QStringList namesOf(const QString &code)
{
    QStringList names;
    for (const Photo &photo : kStore.value(code)) {
        names.append(photo.name);
    }
    return names;
}

QList<QColor> coloursOf(const QString &code)
{
    QList<QColor> colours;
    for (const Photo &photo : kStore.value(code)) {
        colours.append(photo.colour);
    }
    return colours;
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

std::unique_ptr<E2eKiosk> TestVenue::prepare(int monitors, bool openbox)
{
    auto kiosk = std::make_unique<E2eKiosk>(monitors);
    QString error;
    if (!kiosk->setUp(&error) || (openbox && !kiosk->startWindowManager(&error))) {
        QTest::qSkip(qPrintable(error), __FILE__, __LINE__);
        return nullptr;
    }
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (auto it = kStore.cbegin(); it != kStore.cend(); ++it) {
        // The code info file that puts the code in the console's list.
        const QString folder = kiosk->dayFolder() + u'/' + it.key();
        const QByteArray info = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<data><code>" +
                                it.key().toLatin1() + "</code><name>Party " +
                                it.key().right(2).toLatin1() + "</name></data>\n";
        if (!QDir().mkpath(folder) ||
            !TestSupport::writeFile(folder + u'/' + it.key() + u".xml"_s, info)) {
            QTest::qVerify(false, "writeFile", qPrintable(folder), __FILE__, __LINE__);
            return nullptr;
        }
        int age = 0;
        for (const Photo &photo : it.value()) {
            const QString path = kiosk->dayFolder() + u'/' + it.key() + u'/' + photo.name;
            if (!E2e::writePhoto(path, photo.colour, kPhotoSize, hourAgo.addSecs(-60 * age++))) {
                QTest::qVerify(false, "writePhoto", qPrintable(path), __FILE__, __LINE__);
                return nullptr;
            }
        }
    }
    const QVariantMap preferences{
        {u"prefSlideShowPath"_s, kiosk->storeRoot()},
        {u"prefAlwaysShowMainWindow"_s, true},
        // Under a window manager the kiosk must take the focus by itself.
        {u"prefAutoBringAppToFrontAfterLaunch"_s, openbox},
        {u"prefAutoBringAppToFrontAfterLaunchDelay"_s, 1.0},
        {u"prefIdentifyScreenInSeconds"_s, 30},
        {u"prefRedirectNSLogToFile"_s, false},
        {u"prefSlideShowDelay2"_s, 2.0},
        {u"prefTransitionStyle"_s, u"fade"_s},
    };
    if (!kiosk->writePreferences(preferences)) {
        QTest::qVerify(false, "writePreferences", "", __FILE__, __LINE__);
        return nullptr;
    }
    return kiosk;
}

QStringList TestVenue::seenOnRoomScreen(E2eKiosk &kiosk, const QList<QColor> &colours,
                                        const QString &screenshotName)
{
    QStringList seen;
    QElapsedTimer timer;
    timer.start();
    // Screenshots are slow on a busy machine: allow for a few slide periods.
    while (seen.size() < colours.size() && !timer.hasExpired(2 * E2e::kWaitMs)) {
        const QImage room = kiosk.grabMonitor(1);
        for (const QColor &colour : colours) {
            if (!seen.contains(colour.name()) && E2e::showsPhotoCentred(room, kPhotoSize, colour)) {
                seen.append(colour.name());
                if (seen.size() == 1 && !screenshotName.isEmpty()) {
                    E2e::saveScreenshot(room, screenshotName);
                }
            }
        }
        QTest::qWait(100);
    }
    return seen;
}

void TestVenue::typedCodePlaysInTheRoom_data()
{
    QTest::addColumn<int>("monitors");
    QTest::addColumn<bool>("openbox");
    QTest::newRow("2 monitors") << 2 << false;
    QTest::newRow("4 monitors") << 4 << false;
    QTest::newRow("2 monitors, openbox") << 2 << true;
    QTest::newRow("4 monitors, openbox") << 4 << true;
}

void TestVenue::typedCodePlaysInTheRoom()
{
    QFETCH(int, monitors);
    QFETCH(bool, openbox);
    const auto kiosk = prepare(monitors, openbox);
    if (!kiosk) {
        return;
    }
    QVERIFY(kiosk->launch());
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
    const QImage idle = kiosk->grabMonitor(1);
    for (const QColor &colour : coloursOf(kCodeA)) {
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
            if (top.frame.x() < width) {
                QVERIFY(monitor.contains(top.frame) && top.frame.contains(top.client));
                QVERIFY(top.frame.height() > top.client.height());
            } else {
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
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeA), E2e::kWaitMs);
    // The photo script came from the installed resources.
    QVERIFY(
        kiosk->log().contains("scriptName = [" +
                              QFileInfo(E2e::installed(u"share/ovra-videowall/getnewestfiles.sh"_s))
                                  .absoluteFilePath()
                                  .toUtf8() +
                              ']'));
    const QString shotName = monitors == 2 && !openbox ? u"room-screen"_s : QString();
    QCOMPARE(seenOnRoomScreen(*kiosk, coloursOf(kCodeA), shotName).size(), 2);

    // The other screens stay as they were: the operator's and the idle rooms.
    const QImage whole = kiosk->screens().screenshot();
    for (int i = 0; i < monitors; ++i) {
        if (i == 1) {
            continue;
        }
        const QImage other = whole.copy(kiosk->screens().monitorGeometry(i));
        for (const QColor &colour : coloursOf(kCodeA)) {
            QVERIFY2(!E2e::showsPhotoCentred(other, kPhotoSize, colour),
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
    if (monitors == 2 && !openbox) {
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
        QVERIFY(E2e::poll([&] { return redPixels(kiosk->grabMonitor(1)) > 200; }));
    }
    QVERIFY(kiosk->quit());
}

bool TestVenue::playsOnly(E2eKiosk &kiosk, const QList<QColor> &playing, const QList<QColor> &gone)
{
    QList<qsizetype> shown; // an entry for each photo as it comes on
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(2 * E2e::kWaitMs)) {
        const QImage room = kiosk.grabMonitor(1);
        for (qsizetype i = 0; i < playing.size(); ++i) {
            if ((shown.isEmpty() || shown.last() != i) &&
                E2e::showsPhotoCentred(room, kPhotoSize, playing.at(i))) {
                shown.append(i);
            }
        }
        for (const QColor &colour : gone) {
            if (!shown.isEmpty() && E2e::showsPhotoCentred(room, kPhotoSize, colour)) {
                qWarning("%s is back on the room screen", qPrintable(colour.name()));
                return false;
            }
        }
        if (shown.size() > playing.size() &&
            QSet(shown.cbegin(), shown.cend()).size() == playing.size() &&
            shown.last() == shown.first()) {
            return true;
        }
        QTest::qWait(100);
    }
    return false;
}

void TestVenue::sameFileNamesStayWithTheirCode()
{
    const auto kiosk = prepare(2);
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
    QVERIFY(kiosk->launch());
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
    QVERIFY(kiosk->typeCode(codes.at(0)));
    QVERIFY2(playsOnly(*kiosk, cards.at(0), {}), kiosk->log().constData());
    QVERIFY(kiosk->typeCode(codes.at(1)));
    QVERIFY2(playsOnly(*kiosk, cards.at(1), cards.at(0)), kiosk->log().constData());
    // Photos that arrive as the code is typed.
    QVERIFY(writeCard(2, QDateTime::currentDateTime()));
    QVERIFY(kiosk->typeCode(codes.at(2)));
    QVERIFY2(playsOnly(*kiosk, cards.at(2), cards.at(0) + cards.at(1)), kiosk->log().constData());
    QVERIFY(kiosk->quit());
}

void TestVenue::companionsSteerTheCurrentCode()
{
    const auto kiosk = prepare(2);
    if (!kiosk) {
        return;
    }
    QVERIFY(kiosk->launch());
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
    QVERIFY(kiosk->typeCode(kCodeA));
    QVERIFY2(kiosk->waitForLog(gotCode(kCodeA)), kiosk->log().constData());
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeA), E2e::kWaitMs);

    // While the video companion records, a typed code is shown but does not
    // become the current code, and an alert asks to stop the recording.
    const QStringList recording{u"senderApp=Ovra-Video.app"_s, u"action=statusIsRecording"_s};
    QVERIFY(kiosk->notify(u"ovraXNotification"_s, recording));
    QVERIFY(kiosk->waitForLog("handleOvraVideoNotification"));
    const QStringList before = kiosk->visibleWindows();
    QVERIFY(kiosk->typeCode(kCodeB));
    QString alert;
    QVERIFY(E2e::poll([&] { return !(alert = newWindow(*kiosk, before)).isEmpty(); }));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeB), E2e::kWaitMs);
    QVERIFY(!kiosk->log().contains(gotCode(kCodeB)));
    QVERIFY(kiosk->typeInto(alert, {u"Return"_s}));
    QVERIFY(E2e::poll([&] { return !kiosk->visibleWindows().contains(alert); }));

    // A companion's refresh brings back the current code, still A.
    QVERIFY(kiosk->notify(u"OvraSlideShowNotification"_s, {u"from=e2e"_s}));
    QVERIFY(kiosk->waitForLog("handleDistNotification"));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeA), E2e::kWaitMs);

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
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeC), E2e::kWaitMs);
    QCOMPARE(seenOnRoomScreen(*kiosk, coloursOf(kCodeC)).size(), 1);
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

void TestVenue::operatorIdentifiesTheRooms()
{
    const auto kiosk = prepare(2);
    if (!kiosk) {
        return;
    }
    QVERIFY(kiosk->run(E2e::installed(u"bin/ovra-defaults"_s),
                       {u"write"_s, u"prefNameOfDisplay2"_s, u"Garden Room"_s}));
    QVERIFY(kiosk->run(E2e::installed(u"bin/ovra-defaults"_s),
                       {u"write"_s, u"prefIdentifyScreenInSeconds"_s, u"-int"_s, u"30"_s}));
    QVERIFY(kiosk->launch());
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
    QVERIFY(kiosk->typeCode(kCodeA));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeA), E2e::kWaitMs);

    // Settings (Ctrl+, in the console), the Displays tab, Identify All: by
    // mouse where the tab and the button lie in the sheet's layout.
    const QStringList before = kiosk->visibleWindows();
    QVERIFY(kiosk->typeInto(kiosk->windowOnMonitor(0), {u"ctrl+comma"_s}));
    QString settings;
    QVERIFY(E2e::poll([&] { return !(settings = newWindow(*kiosk, before)).isEmpty(); }));
    const QRect sheet = kiosk->windowGeometry(settings);
    QVERIFY(kiosk->click(sheet.topLeft() + QPoint(119, 23)));
    QVERIFY(kiosk->click(QPoint(sheet.right() - 62, sheet.top() + 56)));
    QVERIFY2(kiosk->waitForLog("->identify...", 2), kiosk->log().constData());

    // The room's name flashes in red over its screen.
    QImage room;
    QVERIFY(E2e::poll([&] { return redPixels(room = kiosk->grabMonitor(1)) > 200; }));
    E2e::saveScreenshot(room, u"identify-label"_s);
    QVERIFY(kiosk->quit());
}

void TestVenue::secondStartIsRefused()
{
    const auto kiosk = prepare(2);
    if (!kiosk) {
        return;
    }
    QVERIFY(kiosk->launch());
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
    const QString room = kiosk->windowOnMonitor(1);
    QVERIFY(!room.isEmpty());

    QProcess second;
    QVERIFY(kiosk->launch(second, kiosk->environment()));
    QVERIFY(second.waitForFinished(E2e::kWaitMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(kiosk->log().contains("Another Instance of this app is already running"),
             kiosk->log().constData());
    QCOMPARE(kiosk->log().count("applicationDidFinishLaunching...Done"), 1);

    // The first kiosk runs on, with its windows, and still takes codes.
    QCOMPARE(kiosk->kiosk().state(), QProcess::Running);
    QCOMPARE(kiosk->windowOnMonitor(1), room);
    QVERIFY(kiosk->typeCode(kCodeB));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), namesOf(kCodeB), E2e::kWaitMs);
    QVERIFY(kiosk->quit());
}

void TestVenue::dailyRelaunchBringsTheKioskBack()
{
    const auto kiosk = prepare(2);
    if (!kiosk) {
        return;
    }
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
    QProcessEnvironment env = kiosk->environment();
    env.insert(u"TZ"_s, zone);
    QVERIFY(kiosk->launch(kiosk->kiosk(), env));
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
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
