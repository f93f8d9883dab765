// Soak run of the whole kiosk: the real executable on four room displays (and
// the operator's screen) with no delay between slides, a new code typed on
// the scanner path every two seconds against a photo store that gains a code
// folder each cycle. Once a minute the kiosk's resident memory, open file
// descriptors and threads are printed; the working folder is watched all the
// time and must never hold the photos of two codes at once.
//
// Usage (starts its own Xvfb with five monitors and its own session bus):
//   bench_soak [--minutes N] [--warmup N] [--log FILE]
// defaults: 20 minutes, 2 of them warm-up, the kiosk's log in /tmp/bench_soak-kiosk.log

#include "ProcessSample.h"
#include "VirtualScreens.h"
#include "platform/PropertyList.h"
#include "support/PhotoStoreLayout.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

struct Options
{
    int minutes = 20;
    int warmup = 2;
    QString log = QStringLiteral("/tmp/bench_soak-kiosk.log");
};

constexpr int kRooms = 4;
constexpr int kPhotosPerCode = 4; // also "prefMaxPhotosInLocalFolder"
constexpr int kCycleMs = 2000;
constexpr qsizetype kLogTail = 4 << 20;

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (!std::strcmp(argv[i], "--minutes")) {
            o.minutes = qMax(1, value.toInt());
        } else if (!std::strcmp(argv[i], "--warmup")) {
            o.warmup = value.toInt();
        } else if (!std::strcmp(argv[i], "--log")) {
            o.log = value;
        }
    }
    o.warmup = qBound(1, o.warmup, qMax(1, o.minutes - 1));
    return o;
}

// The kiosk is the child of dbus-run-session that is not the bus daemon.
qint64 kioskPidUnder(qint64 sessionPid)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(sessionPid));
    if (!children.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray &pid : children.readAll().simplified().split(' ')) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "ovra-videowall") {
            return pid.toLongLong();
        }
    }
    return 0;
}

// Photos are copies of a few encoded templates, dated an hour back so the
// photo script takes them at once.
bool writePhoto(const QString &path, const QByteArray &jpeg)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size() &&
           file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                            QFileDevice::FileModificationTime);
}

QByteArray encodedPhoto(int hue)
{
    QImage image(1600, 1067, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(hue, 160, 200));
    for (int y = 0; y < image.height(); y += 8) {
        for (int x = (y / 8) % 16; x < image.width(); x += 16) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, hue % 256));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

// Runs the kiosk and keeps its standard error drained (a full pipe would
// stall it), remembering the codes it reports and the last part of its log.
class Kiosk
{
public:
    bool start(const QProcessEnvironment &env, const QString &program)
    {
        session_.setProcessEnvironment(env);
        session_.setProcessChannelMode(QProcess::SeparateChannels);
        session_.setStandardOutputFile(QProcess::nullDevice());
        session_.start(QStringLiteral("dbus-run-session"), {QStringLiteral("--"), program});
        return session_.waitForStarted();
    }
    void drain()
    {
        const QByteArray more = session_.readAllStandardError();
        if (more.isEmpty()) {
            return;
        }
        log_ += more;
        qsizetype at = 0;
        while ((at = log_.indexOf("GOT NEW BARCODE ID = [", scanned_)) >= 0) {
            const qsizetype end = log_.indexOf(']', at);
            if (end < 0) {
                break;
            }
            const qsizetype begin = at + qsizetype(std::strlen("GOT NEW BARCODE ID = ["));
            announced_.insert(QString::fromUtf8(log_.mid(begin, end - begin)));
            scanned_ = end;
        }
        if (at < 0) {
            scanned_ = qMax<qsizetype>(0, log_.size() - 64);
        }
        if (log_.size() > 2 * kLogTail) {
            const qsizetype cut = log_.size() - kLogTail;
            log_.remove(0, cut);
            scanned_ = qMax<qsizetype>(0, scanned_ - cut);
        }
    }
    bool running() const { return session_.state() == QProcess::Running; }
    qint64 sessionPid() const { return session_.processId(); }
    bool announced(const QString &code) const { return announced_.contains(code); }
    const QByteArray &log() const { return log_; }
    QProcess &process() { return session_; }

private:
    QProcess session_;
    QByteArray log_;
    qsizetype scanned_ = 0;
    QSet<QString> announced_;
};

// Lets the event loop run (and the kiosk's log drain) until done() or timeout.
template <typename Done> bool pumpUntil(Kiosk &kiosk, int timeoutMs, Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.hasExpired(timeoutMs)) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        kiosk.process().waitForReadyRead(20);
        kiosk.drain();
    }
    return true;
}

bool runTool(Kiosk &kiosk, const QProcessEnvironment &env, const QStringList &command,
             QByteArray *output = nullptr)
{
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(command.first(), command.mid(1));
    const bool finished =
        pumpUntil(kiosk, 20000, [&] { return tool.state() == QProcess::NotRunning; });
    if (!finished) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// The codes whose photos the working folder holds ("<code>_<n>.jpg");
// anything else counts as a code of its own.
QSet<QString> codesOf(const QStringList &names)
{
    QSet<QString> codes;
    for (const QString &name : names) {
        codes.insert(name.section(QLatin1Char('_'), 0, 0));
    }
    return codes;
}

} // namespace

int main(int argc, char **argv)
{
    const Options o = parse(argc, argv);
    VirtualScreens screens(kRooms + 1);
    QString error;
    if (!screens.start(&error)) {
        std::printf("no virtual screens: %s\n", qPrintable(error));
        return 1;
    }
    QCoreApplication app(argc, argv);
    for (const char *tool : {"xdotool", "dbus-run-session"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("%s is not installed\n", tool);
            return 1;
        }
    }
    QTemporaryDir home;
    const QString root = home.filePath(QStringLiteral("PhotoStore"));
    QList<QByteArray> templates;
    for (int i = 0; i < kPhotosPerCode; ++i) {
        templates.append(encodedPhoto(40 + 80 * i));
    }

    // Rooms 3 to 5 play a folder of their own; room 2 plays the scanned codes.
    QVariantMap preferences{{QStringLiteral("prefSlideShowPath"), root},
                            {QStringLiteral("prefMaxPhotosInLocalFolder"), kPhotosPerCode}};
    for (int n = 1; n <= kRooms + 1; ++n) {
        preferences.insert(QStringLiteral("prefDoSlideShow%1").arg(n), true);
        preferences.insert(QStringLiteral("prefSlideShowDelay%1").arg(n), 0.0);
        if (n >= 3) {
            const QString room = home.filePath(QStringLiteral("rooms/%1").arg(n));
            QDir().mkpath(room);
            for (int i = 0; i < kPhotosPerCode; ++i) {
                writePhoto(room + QStringLiteral("/ROOM%1_%2.jpg").arg(n).arg(i), templates.at(i));
            }
            preferences.insert(QStringLiteral("prefSlideShowPath%1").arg(n), room);
        }
    }
    const QString config = home.filePath(QStringLiteral(".config/ovra-videowall"));
    if (!QDir().mkpath(config) ||
        !PropertyList::writeFileAtomically(config + QStringLiteral("/org.ovra.VideoWall.plist"),
                                           preferences)) {
        std::printf("could not write the preferences\n");
        return 1;
    }

    QProcessEnvironment env = screens.environment(QProcessEnvironment::systemEnvironment());
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
    env.insert(QStringLiteral("OVRA_SHARE_DIR"), QStringLiteral(OVRA_BUILD_SHARE_DIR));
    env.insert(QStringLiteral("OVRA_LIBEXEC_DIR"), QStringLiteral(OVRA_BUILD_LIBEXEC_DIR));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));

    Kiosk kiosk;
    if (!kiosk.start(env, QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-videowall"))) {
        std::printf("the kiosk did not start\n");
        return 1;
    }
    qint64 pid = 0;
    pumpUntil(kiosk, 60000, [&] {
        pid = pid ? pid : kioskPidUnder(kiosk.sessionPid());
        return pid && kiosk.log().contains("applicationDidFinishLaunching...Done");
    });
    QByteArray windows;
    if (!pid || !runTool(kiosk, env,
                         {QStringLiteral("xdotool"), QStringLiteral("search"),
                          QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--class"), QStringLiteral("ovra-videowall")},
                         &windows)) {
        QFile logFile(o.log);
        if (logFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            logFile.write(kiosk.log());
        }
        std::printf("the kiosk did not come up; see %s\n", qPrintable(o.log));
        return 1;
    }
    const QString window = QString::fromLatin1(windows.trimmed().split('\n').first());
    const Sample launch = sampleOf(QString::number(pid));
    std::printf("kiosk pid %lld on %s; %d rooms, delay 0, a code every %d ms for %d min\n", pid,
                qPrintable(screens.display()), kRooms, kCycleMs, o.minutes);
    std::printf("launch: VmRSS %.1f MB  fds %d  threads %d\n", launch.rssMb, launch.fds,
                launch.threads);
    std::fflush(stdout);

    const QDir working(home.filePath(QStringLiteral("tmp/slideshowA")));
    QElapsedTimer clock;
    clock.start();
    Sample warm;
    Sample last;
    int cycle = 0;
    int minute = 0;
    int checked = 0; // activations whose folder held exactly their photos
    int bad = 0;     // activations during which the folder held two codes
    int unseen = 0;  // activations whose photos were not all there within their cycle
    int failedTyping = 0;
    while (kiosk.running() && clock.elapsed() < qint64(o.minutes) * 60000) {
        const qint64 cycleStart = clock.elapsed();
        const QString code = QString::number(50000000 + cycle++);
        const QString folder = root + QLatin1Char('/') +
                               getDailyFolderName2(QStringLiteral("yyyy-MM-dd")) +
                               QLatin1Char('/') + code;
        QDir().mkpath(folder);
        QSet<QString> expected;
        for (int i = 0; i < kPhotosPerCode; ++i) {
            const QString name = QStringLiteral("%1_%2.jpg").arg(code).arg(i);
            writePhoto(folder + QLatin1Char('/') + name, templates.at(i));
            expected.insert(name);
        }
        QStringList keys{QStringLiteral("xdotool"), QStringLiteral("key"),
                         QStringLiteral("--delay"), QStringLiteral("20")};
        for (const QChar digit : code) {
            keys.append(digit);
        }
        keys.append(QStringLiteral("Return"));
        if (!runTool(kiosk, env,
                     {QStringLiteral("xdotool"), QStringLiteral("windowfocus"),
                      QStringLiteral("--sync"), window}) ||
            !runTool(kiosk, env, keys)) {
            ++failedTyping;
        }
        bool mixed = false;
        bool complete = false;
        pumpUntil(kiosk, int(qMax<qint64>(0, cycleStart + kCycleMs - clock.elapsed())), [&] {
            const QStringList names = working.entryList(QDir::Files | QDir::Hidden);
            mixed = mixed || codesOf(names).size() > 1;
            complete = complete || QSet<QString>(names.begin(), names.end()) == expected;
            return false;
        });
        bad += mixed ? 1 : 0;
        if (complete && kiosk.announced(code)) {
            ++checked;
        } else if (!mixed) {
            ++unseen;
        }
        if (clock.elapsed() >= qint64(minute + 1) * 60000) {
            ++minute;
            last = sampleOf(QString::number(pid));
            if (minute == o.warmup) {
                warm = last;
            }
            std::printf("minute %3d  VmRSS %7.1f MB  fds %4d  threads %3d  codes %5d  checked "
                        "%5d  bad %d  unseen %d%s\n",
                        minute, last.rssMb, last.fds, last.threads, cycle, checked, bad, unseen,
                        minute == o.warmup ? "  (end of warm-up)" : "");
            std::fflush(stdout);
        }
    }
    const bool survived = kiosk.running();
    const Sample end = survived ? sampleOf(QString::number(pid)) : last;
    if (pid > 0 && survived) {
        ::kill(pid_t(pid), SIGTERM);
    }
    pumpUntil(kiosk, 30000, [&] { return !kiosk.running(); });
    QFile logFile(o.log);
    if (logFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        logFile.write(kiosk.log());
    }

    std::printf("\n%s after %.1f min; %d codes typed (%d typing failures)\n",
                survived ? "kiosk ran" : "KIOSK DIED", double(clock.elapsed()) / 60000.0, cycle,
                failedTyping);
    std::printf("warm-up RSS %.1f MB (minute %d)   end RSS %.1f MB   ratio %.3f   (target <= "
                "1.05)\n",
                warm.rssMb, o.warmup, end.rssMb, warm.rssMb > 0 ? end.rssMb / warm.rssMb : 0.0);
    std::printf("fds: launch %d, warm-up %d, end %d   threads: launch %d, warm-up %d, end %d\n",
                launch.fds, warm.fds, end.fds, launch.threads, warm.threads, end.threads);
    std::printf("activations checked %d   bad activations %d   unseen %d\n", checked, bad, unseen);
    std::printf("kiosk log (last %lld KB): %s\n", kiosk.log().size() / 1024, qPrintable(o.log));
    return survived && bad == 0 ? 0 : 1;
}
