// Guards the installed kiosk at a venue on 2 and 4 monitors, its relaunch, rooms as media
// players, layout and scripts/run.
#include "E2eKiosk.h"
#include "TestHarness.h"
#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

class TestVenue : public QObject
{
    Q_OBJECT
private slots:
    void typedCodePlaysInTheRoom_data();
    void typedCodePlaysInTheRoom();
    void sameFileNamesStayWithTheirCode();
    void companionsSteerTheCurrentCode();
    void dailyRelaunchBringsTheKioskBack();
    void roomsAreMediaPlayers();
    void noSessionBusNoPlayer();
    void installedLayout();
    void interruptedSampleStoreIsMadeWhole();
    void typedSampleCodePlaysInTheRoom();
};

namespace {

// 3:2 photos on 16:9 monitors leave bars beside the fitted frame.
const QSize kPhotoSize(1200, 800);
const QString kCodeA = u"47110815"_s;
const QString kCodeB = u"52000001"_s;
// Each code's photos in the store's order, and their colours.
const QMap<QString, QStringList> kNames{
    {kCodeA, {u"IMG_100.jpg"_s, u"IMG_101.jpg"_s}},
    {kCodeB, {u"IMG_200.jpg"_s}},
};
const QMap<QString, QList<QColor>> kColours{
    {kCodeA, {QColor(220, 30, 30), QColor(30, 190, 60)}},
    {kCodeB, {QColor(40, 70, 230)}},
};

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

const QString kTool = QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-sample-store");

QString dayName()
{
    return getDailyFolderName2(kDefaultDailyFolderFormat);
}

// The photos below folder, hidden folders included, as shown (EXIF applied).
QMap<QString, QImage> photosIn(const QString &folder)
{
    QMap<QString, QImage> photos;
    QDirIterator it(folder, {u"*.jpg"_s}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QImageReader reader(it.next());
        reader.setAutoTransform(true);
        photos.insert(it.filePath(), reader.read());
    }
    return photos;
}

// The photo fitted and centred on the monitor, compared on a coarse grid:
// scaling, fades and JPEG change single pixels, not the picture.
bool showsPhoto(const QImage &monitor, const QImage &photo)
{
    if (monitor.isNull() || photo.isNull()) {
        return false;
    }
    const QSize fitted = photo.size().scaled(monitor.size(), Qt::KeepAspectRatio);
    const QRect frame(
        QPoint((monitor.width() - fitted.width()) / 2, (monitor.height() - fitted.height()) / 2),
        fitted);
    const QSize grid(16, 12);
    const QImage seen =
        monitor.copy(frame).scaled(grid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage expected = photo.scaled(grid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            if (!TestHarness::near(seen.pixel(x, y), expected.pixelColor(x, y))) {
                return false;
            }
        }
    }
    return true;
}

// The kiosk launched on monitors with today's photo store, once it has
// finished launching; null (after a skip or failure) when it cannot.
std::unique_ptr<E2eKiosk> start(int monitors = 2, bool openbox = false,
                                const QVariantMap &extraPreferences = {},
                                const QMap<QString, QString> &variables = {})
{
    auto kiosk = std::make_unique<E2eKiosk>(monitors);
    QString error;
    if (!kiosk->setUp(&error) || (openbox && !kiosk->startWindowManager(&error))) {
        QTest::qSkip(qPrintable(error), __FILE__, __LINE__);
        return nullptr;
    }
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    bool written = true;
    for (auto it = kNames.cbegin(); it != kNames.cend(); ++it) {
        // The code info file that puts the code in the console's list.
        const QString folder = kiosk->dayFolder() + u'/' + it.key();
        const QByteArray info = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<data><code>" +
                                it.key().toLatin1() + "</code><name>Party " +
                                it.key().right(2).toLatin1() + "</name></data>\n";
        written = written && TestHarness::writeFile(folder + u'/' + it.key() + u".xml"_s, info);
        for (qsizetype i = 0; i < it.value().size(); ++i) {
            written = written &&
                      E2e::writePhoto(folder + u'/' + it.value().at(i), kColours[it.key()].at(i),
                                      kPhotoSize, hourAgo.addSecs(-60 * i));
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
    for (auto it = variables.cbegin(); it != variables.cend(); ++it) {
        env.insert(it.key(), it.value());
    }
    if (!written || !kiosk->writePreferences(preferences) || !kiosk->launch(kiosk->kiosk(), env) ||
        !kiosk->waitForLog("applicationDidFinishLaunching...Done")) {
        QTest::qVerify(false, "launch", kiosk->log().constData(), __FILE__, __LINE__);
        return nullptr;
    }
    return kiosk;
}

// Polls monitor 1 until every one of playing has shown centred on it, and
// with more than one, the slideshow came back to the first; false at once
// when one of gone shows in between. A caption strip covers the bottom rows.
bool plays(E2eKiosk &kiosk, const QList<QColor> &playing, const QList<QColor> &gone = {},
           int covered = 0, const QString &screenshotName = QString())
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

QString newWindow(const E2eKiosk &kiosk, const QStringList &before)
{
    for (const QString &window : kiosk.visibleWindows()) {
        if (!before.contains(window)) {
            return window;
        }
    }
    return QString();
}

QString playerctl(const E2eKiosk &kiosk, const QStringList &arguments)
{
    QByteArray out;
    return kiosk.run(u"playerctl"_s, arguments, &out) ? QString::fromUtf8(out).trimmed()
                                                      : u"<failed>"_s;
}

QString room2(const E2eKiosk &kiosk, const QString &what)
{
    return playerctl(kiosk, QStringList{u"-p"_s, u"ovra.room2"_s} + what.split(u' '));
}

// The colour of the photo a URL of the working folder names.
QColor colourOf(const QString &url)
{
    const QString name = QUrl(url).fileName();
    for (auto it = kNames.cbegin(); it != kNames.cend(); ++it) {
        if (const qsizetype i = it.value().indexOf(name); i >= 0) {
            return kColours[it.key()].at(i);
        }
    }
    return {};
}

QByteArray rowReads(const QString &code, const QString &status)
{
    return kLogWorkingFolderRow
        .arg(u"MainWindowController"_s, u"markWorkingFolderCode"_s, code, status)
        .toUtf8();
}

} // namespace

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
    for (const QColor &colour : kColours[kCodeA]) {
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
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), kNames[kCodeA], E2e::kWaitMs);
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
    QVERIFY2(plays(*kiosk, kColours[kCodeA], {}, strip, docs ? u"room-screen"_s : QString()),
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
        for (const QColor &colour : kColours[kCodeA]) {
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
        const QString folder = kiosk->dayFolder() + u'/' + codes.at(card);
        return E2e::writePhoto(folder + u"/IMG_0001.jpg"_s, cards.at(card).at(0), kPhotoSize,
                               modified) &&
               E2e::writePhoto(folder + u"/IMG_0002.jpg"_s, cards.at(card).at(1), kPhotoSize,
                               modified);
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
    // The room window maps a moment after the launch is logged as done.
    QString room;
    QVERIFY(E2e::poll([&] { return !(room = kiosk->windowOnMonitor(1)).isEmpty(); }));
    QProcess second;
    QVERIFY(kiosk->launch(second, kiosk->environment()));
    QVERIFY(second.waitForFinished(E2e::kWaitMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(kiosk->log().count("applicationDidFinishLaunching...Done"), 1);
    QCOMPARE(kiosk->windowOnMonitor(1), room);

    QVERIFY(kiosk->typeCode(kCodeA));
    QVERIFY2(kiosk->waitForLog(gotCode(kCodeA)), kiosk->log().constData());
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), kNames[kCodeA], E2e::kWaitMs);

    // While the video companion records, a typed code is shown but does not
    // become the current code, and an alert asks to stop the recording.
    const QStringList recording{u"senderApp=Ovra-Video.app"_s, u"action=statusIsRecording"_s};
    QVERIFY(kiosk->notify(u"ovraXNotification"_s, recording));
    QVERIFY(kiosk->waitForLog("handleOvraVideoNotification"));
    const QStringList before = kiosk->visibleWindows();
    QVERIFY(kiosk->typeCode(kCodeB));
    QString alert;
    QVERIFY(E2e::poll([&] { return !(alert = newWindow(*kiosk, before)).isEmpty(); }));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), kNames[kCodeB], E2e::kWaitMs);
    QVERIFY(!kiosk->log().contains(gotCode(kCodeB)));
    QVERIFY(kiosk->typeInto(alert, {u"Return"_s}));
    QVERIFY(E2e::poll([&] { return !kiosk->visibleWindows().contains(alert); }));

    // A companion's refresh brings back the current code, still A.
    QVERIFY(kiosk->notify(u"OvraSlideShowNotification"_s, {u"from=e2e"_s}));
    QVERIFY(kiosk->waitForLog("handleDistNotification"));
    QTRY_COMPARE_WITH_TIMEOUT(kiosk->workingFolder(), kNames[kCodeA], E2e::kWaitMs);

    QVERIFY(kiosk->quit());
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
    const auto kiosk = start(2, false, {}, {{u"TZ"_s, zone}});
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

void TestVenue::roomsAreMediaPlayers()
{
    const auto kiosk = start(3);
    if (!kiosk) {
        return;
    }
    // The operator's screen is no room.
    QCOMPARE(playerctl(*kiosk, {u"-l"_s}).split(u'\n'),
             QStringList({u"ovra.room2"_s, u"ovra.room3"_s}));
    // What clients learn from the change signals alone.
    QProcess follow;
    follow.setProcessEnvironment(kiosk->environment());
    follow.start(u"playerctl"_s, {u"-p"_s, u"ovra.room2"_s, u"--follow"_s, u"metadata"_s,
                                  u"--format"_s, u"{{status}} {{xesam:url}}"_s});
    QVERIFY(follow.waitForStarted());

    QVERIFY(kiosk->typeCode(kCodeA));
    QVERIFY(E2e::poll([&] { return room2(*kiosk, u"metadata xesam:title"_s) == kCodeA; }));
    QVERIFY(E2e::poll([&] { return room2(*kiosk, u"status"_s) == u"Playing"_s; }));
    QCOMPARE(room2(*kiosk, u"metadata xesam:album"_s), u"Garden Room"_s);
    QVERIFY2(kiosk->waitForLog(rowReads(kCodeA, kCodeA + u" (Garden Room)"_s)),
             kiosk->log().constData());

    // Paused, the photo outlasts its delay: the step chain ends under it.
    const int ended = int(kiosk->log().count("Forcing SlideShow to END"));
    QVERIFY(kiosk->run(u"playerctl"_s, {u"-p"_s, u"ovra.room2"_s, u"pause"_s}));
    QCOMPARE(room2(*kiosk, u"status"_s), u"Paused"_s);
    const QString paused = room2(*kiosk, u"metadata xesam:url"_s);
    QVERIFY(kiosk->waitForLog("Forcing SlideShow to END", ended + 1));
    QCOMPARE(room2(*kiosk, u"metadata xesam:url"_s), paused);
    QVERIFY(E2e::poll([&] {
        return E2e::showsPhotoCentred(kiosk->grabMonitor(1), kPhotoSize, colourOf(paused));
    }));
    QByteArray status;
    QVERIFY(E2e::poll([&] {
        return kiosk->run(E2e::installed(u"bin/ovra-defaults"_s),
                          {u"read"_s, u"prefDisplayStatus2"_s}, &status) &&
               status.contains("<Slide Show is NOT Running...>");
    }));
    QVERIFY(kiosk->waitForLog(rowReads(kCodeA, kCodeA)));

    // Next shows another photo at once, though the room is paused.
    QVERIFY(kiosk->run(u"playerctl"_s, {u"-p"_s, u"ovra.room2"_s, u"next"_s}));
    QString next;
    QVERIFY(E2e::poll([&] { return (next = room2(*kiosk, u"metadata xesam:url"_s)) != paused; }));
    QVERIFY(E2e::poll(
        [&] { return E2e::showsPhotoCentred(kiosk->grabMonitor(1), kPhotoSize, colourOf(next)); }));
    QVERIFY(kiosk->run(u"playerctl"_s, {u"-p"_s, u"ovra.room2"_s, u"play"_s}));
    QByteArray seen;
    QVERIFY(E2e::poll([&] {
        seen += follow.readAllStandardOutput();
        return seen.contains((u"Paused "_s + next + u'\n').toUtf8()) &&
               seen.contains((u"Playing "_s + next + u'\n').toUtf8());
    }));
    QVERIFY(kiosk->waitForLog(rowReads(kCodeA, kCodeA + u" (Garden Room)"_s), 2));

    // A call with the wrong arguments is answered with an error, and the
    // kiosk takes the next code; the console's mark moves with it.
    QProcess gdbus;
    gdbus.setProcessEnvironment(kiosk->environment());
    gdbus.start(u"gdbus"_s,
                {u"call"_s, u"--session"_s, u"--dest"_s, u"org.mpris.MediaPlayer2.ovra.room2"_s,
                 u"--object-path"_s, u"/org/mpris/MediaPlayer2"_s, u"--method"_s,
                 u"org.mpris.MediaPlayer2.Player.Next"_s, u"42"_s});
    QVERIFY(gdbus.waitForFinished(E2e::kWaitMs));
    QVERIFY(gdbus.exitCode() != 0);
    QVERIFY2(gdbus.readAllStandardError().contains("org.freedesktop.DBus.Error"), "no D-Bus error");
    QVERIFY(kiosk->typeCode(kCodeB));
    QVERIFY(E2e::poll([&] { return room2(*kiosk, u"metadata xesam:title"_s) == kCodeB; }));
    QVERIFY(kiosk->waitForLog(rowReads(kCodeA, kCodeA), 2));
    QVERIFY(kiosk->waitForLog(rowReads(kCodeB, kCodeB + u" (Garden Room)"_s)));
    follow.kill();
    follow.waitForFinished();
    QVERIFY(kiosk->quit());
}

void TestVenue::noSessionBusNoPlayer()
{
    const auto kiosk =
        start(2, false, {}, {{u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/bus"_s}});
    if (!kiosk) {
        return;
    }
    QCOMPARE(kiosk->log().count(kLogMprisNoSessionBus.toUtf8()), 1);
    // The room plays all the same.
    QVERIFY(kiosk->typeCode(kCodeB));
    QVERIFY(E2e::poll([&] {
        return E2e::showsPhotoCentred(kiosk->grabMonitor(1), kPhotoSize, kColours[kCodeB].first());
    }));
    QVERIFY(kiosk->quit());
}

void TestVenue::installedLayout()
{
    if (E2e::prefix().isEmpty()) {
        QSKIP("OVRA_E2E_PREFIX is not set: run through ctest");
    }
    // Every file where the installed programs look for it; the programs, the
    // relaunch helper, the factory defaults and the photo script are run or
    // read by the tests above.
    const QList<std::pair<QString, bool>> files{
        // The bundle's helper folder beside the kiosk's prefix.
        {u"share/ovra-videowall/revealInFinder.sh"_s, true},
        {u"share/ovra-videowall/transitionmask.png"_s, false},
        {u"share/ovra-videowall/restrictedshine.png"_s, false},
        {u"share/applications/ovra-videowall.desktop"_s, false},
        {u"share/icons/hicolor/scalable/apps/ovra-videowall.svg"_s, false},
        {u"share/man/man1/ovra-defaults.1"_s, false},
        {u"share/man/man1/ovra-notify.1"_s, false},
    };
    for (const auto &[path, executable] : files) {
        const QFileInfo info(E2e::installed(path));
        QVERIFY2(info.isFile() && info.size() > 0 && (!executable || info.isExecutable()),
                 qPrintable(info.filePath()));
    }
    // The service unit and the desktop entry name the installed kiosk.
    const QByteArray execStart =
        "\nExecStart=" +
        QFileInfo(E2e::installed(u"bin/ovra-videowall"_s)).absoluteFilePath().toUtf8() + '\n';
    QVERIFY2(TestHarness::readFile(E2e::installed(u"lib/systemd/user/ovra-videowall.service"_s))
                 .contains(execStart),
             execStart.constData());
    const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validate.isEmpty()) {
        QSKIP("desktop-file-validate is not installed (desktop-file-utils)");
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(validate, {E2e::installed(u"share/applications/ovra-videowall.desktop"_s)});
    QVERIFY(process.waitForFinished(E2e::kWaitMs));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAll().constData());
}

void TestVenue::interruptedSampleStoreIsMadeWhole()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(u"store"_s);
    const QString slides = dir.filePath(u"slides"_s);
    const QString day = store + u'/' + dayName();
    // What an older generator left after a failure: a photo, no info file.
    QVERIFY(TestHarness::writeFile(day + u"/10001234/IMG_0001.jpg"_s, "half"));

    QProcess first;
    first.start(kTool, {store, slides});
    // Killed once its first photos are written, beside the day folder.
    QVERIFY(E2e::poll([&] {
        QDirIterator it(store, {u"*.jpg"_s}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (it.next().contains(u".partial-"_s)) {
                return true;
            }
        }
        return false;
    }));
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    QVERIFY(first.waitForFinished());
    QVERIFY(!QFile::exists(day + u"/10001234/10001234.xml"_s));

    QProcess second;
    second.start(kTool, {store, slides});
    QVERIFY(second.waitForFinished(E2e::kWaitMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(QDir(store).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{dayName()});
    // One code per room of a four-room venue, each with its info file and photos
    // that decode; photos like a camera's; a name that needs escaping in XML.
    const QStringList codes = QDir(day).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(codes.size(), 4);
    QByteArray infos;
    for (const QString &code : codes) {
        infos += TestHarness::readFile(day + u'/' + code + u'/' + code + u".xml"_s);
        QVERIFY(!photosIn(day + u'/' + code).isEmpty());
    }
    QCOMPARE(infos.count("<data>"), 4);
    QVERIFY(infos.contains("&amp;"));
    int large = 0, portrait = 0, landscape = 0, tagged = 0;
    const QMap<QString, QImage> photos = photosIn(day);
    for (auto it = photos.cbegin(); it != photos.cend(); ++it) {
        QVERIFY2(!it.value().isNull(), qPrintable(it.key()));
        large += it.value().width() * it.value().height() >= 12'000'000 ? 1 : 0;
        (it.value().width() > it.value().height() ? landscape : portrait) += 1;
        tagged += QImageReader(it.key()).transformation() != QImageIOHandler::TransformationNone;
    }
    QVERIFY(large >= 3 && portrait > 0 && landscape > 0 && tagged > 0);
    QVERIFY(!photosIn(slides).isEmpty());
}

void TestVenue::typedSampleCodePlaysInTheRoom()
{
    E2eKiosk kiosk(2);
    QString error;
    if (!kiosk.setUp(&error)) {
        QSKIP(qPrintable(error));
    }
    // The kiosk of this build, started without building: the test runs
    // beside others that use the build folder.
    QProcessEnvironment env = kiosk.environment();
    env.insert(u"OVRA_DEMO_HOME"_s, kiosk.home(u"demo"_s));
    env.insert(u"OVRA_BUILD_DIR"_s, QFileInfo(QStringLiteral(OVRA_BUILD_BIN_DIR)).path());
    env.insert(u"OVRA_SKIP_BUILD"_s, u"1"_s);
    QProcess &run = kiosk.kiosk();
    run.setProcessEnvironment(env);
    run.setStandardOutputFile(kiosk.home(u"run.out"_s));
    run.setStandardErrorFile(kiosk.logPath());
    run.start(QStringLiteral(OVRA_SOURCE_DIR "/scripts/run"), {});
    QVERIFY2(kiosk.waitForLog("applicationDidFinishLaunching...Done", 1, 3 * E2e::kWaitMs),
             kiosk.log().constData());

    // The code it tells us to type, and that code's photos.
    const QString code = u"10001234"_s;
    QVERIFY(TestHarness::readFile(kiosk.home(u"run.out"_s)).contains(code.toLatin1()));
    const QList<QImage> photos =
        photosIn(kiosk.home(u"demo/OvraPhotoStore/"_s) + dayName() + u'/' + code).values();
    QVERIFY(photos.size() > 1);
    const QImage idle = kiosk.grabMonitor(1);
    for (const QImage &photo : photos) {
        QVERIFY(!showsPhoto(idle, photo));
    }

    QVERIFY(kiosk.typeCode(code));
    // Every photo in turn, upright, fitted and centred on the room screen.
    QList<int> seen;
    QVERIFY2(E2e::poll(
                 [&] {
                     const QImage room = kiosk.grabMonitor(1);
                     for (int i = 0; i < photos.size(); ++i) {
                         if (!seen.contains(i) && showsPhoto(room, photos.at(i))) {
                             seen.append(i);
                         }
                     }
                     return seen.size() == photos.size();
                 },
                 3 * E2e::kWaitMs),
             kiosk.log().constData());
    QVERIFY(kiosk.quit());
}

QTEST_MAIN(TestVenue)
#include "tst_venue.moc"
