// Guards the rooms as media players on the session bus (playerctl, gdbus) and
// the console's mark of the room where a typed code plays.
#include "E2eKiosk.h"
#include "TestSupport.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestMpris : public QObject
{
    Q_OBJECT
private slots:
    void roomsAreMediaPlayers();
    void noSessionBusNoPlayer();

private:
    std::unique_ptr<E2eKiosk> prepare(int monitors);
};

namespace {

const QSize kPhotoSize(1200, 800);
const QString kCodeA = u"47110815"_s;
const QString kCodeB = u"52000001"_s;
// IMG_9 is code B's photo, the others are code A's.
const QMap<QString, QColor> kPhotos{{u"IMG_1.jpg"_s, QColor(220, 30, 30)},
                                    {u"IMG_2.jpg"_s, QColor(30, 190, 60)},
                                    {u"IMG_3.jpg"_s, QColor(40, 70, 230)},
                                    {u"IMG_9.jpg"_s, QColor(230, 210, 30)}};

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
    return kPhotos.value(QUrl(url).fileName());
}

QByteArray rowReads(const QString &code, const QString &status)
{
    return kLogWorkingFolderRow
        .arg(u"MainWindowController"_s, u"markWorkingFolderCode"_s, code, status)
        .toUtf8();
}

} // namespace

std::unique_ptr<E2eKiosk> TestMpris::prepare(int monitors)
{
    auto kiosk = std::make_unique<E2eKiosk>(monitors);
    QString error;
    if (!kiosk->setUp(&error)) {
        QTest::qSkip(qPrintable(error), __FILE__, __LINE__);
        return nullptr;
    }
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString &code : {kCodeA, kCodeB}) {
        const QString folder = kiosk->dayFolder() + u'/' + code;
        const QByteArray info = "<data><code>" + code.toLatin1() + "</code></data>\n";
        if (!QDir().mkpath(folder) ||
            !TestSupport::writeFile(folder + u'/' + code + u".xml"_s, info)) {
            QTest::qVerify(false, "writeFile", qPrintable(folder), __FILE__, __LINE__);
            return nullptr;
        }
    }
    for (auto it = kPhotos.cbegin(); it != kPhotos.cend(); ++it) {
        const QString code = it.key() == u"IMG_9.jpg"_s ? kCodeB : kCodeA;
        const QString path = kiosk->dayFolder() + u'/' + code + u'/' + it.key();
        if (!E2e::writePhoto(path, it.value(), kPhotoSize, hourAgo)) {
            QTest::qVerify(false, "writePhoto", qPrintable(path), __FILE__, __LINE__);
            return nullptr;
        }
    }
    if (!kiosk->writePreferences({{u"prefSlideShowPath"_s, kiosk->storeRoot()},
                                  {u"prefAlwaysShowMainWindow"_s, true},
                                  {u"prefRedirectNSLogToFile"_s, false},
                                  {u"prefNameOfDisplay2"_s, u"Garden Room"_s},
                                  {u"prefSlideShowDelay2"_s, 2.0},
                                  {u"prefTransitionStyle"_s, u"fade"_s}})) {
        QTest::qVerify(false, "writePreferences", "", __FILE__, __LINE__);
        return nullptr;
    }
    return kiosk;
}

void TestMpris::roomsAreMediaPlayers()
{
    const auto kiosk = prepare(3);
    if (!kiosk) {
        return;
    }
    QVERIFY(kiosk->launch());
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
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

void TestMpris::noSessionBusNoPlayer()
{
    const auto kiosk = prepare(2);
    if (!kiosk) {
        return;
    }
    QProcessEnvironment env = kiosk->environment();
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + kiosk->storeRoot() + u"-no-bus"_s);
    QVERIFY(kiosk->launch(kiosk->kiosk(), env));
    QVERIFY2(kiosk->waitForLog("applicationDidFinishLaunching...Done"), kiosk->log().constData());
    QCOMPARE(kiosk->log().count(kLogMprisNoSessionBus.toUtf8()), 1);
    // The room plays all the same.
    QVERIFY(kiosk->typeCode(kCodeB));
    QVERIFY(E2e::poll(
        [&] { return E2e::showsPhotoCentred(kiosk->grabMonitor(1), kPhotoSize, kPhotos.last()); }));
    QVERIFY(kiosk->quit());
}

QTEST_MAIN(TestMpris)
#include "tst_mpris.moc"
