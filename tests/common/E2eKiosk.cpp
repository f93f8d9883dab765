#include "E2eKiosk.h"
#include "TestHarness.h"

#include "platform/PropertyList.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace E2e {

bool poll(const std::function<bool()> &check, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!check()) {
        if (timer.hasExpired(timeoutMs)) {
            return false;
        }
        QTest::qWait(100);
    }
    return true;
}

QString prefix()
{
    return qEnvironmentVariable("OVRA_E2E_PREFIX");
}

QString installed(const QString &relative)
{
    return prefix() + u'/' + relative;
}

bool writePhoto(const QString &path, const QColor &colour, const QSize &size,
                const QDateTime &modified)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    // A caption low in the frame, clear of the points the tests sample.
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(size.height() / 12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, size.height() * 2 / 3, size.width(), size.height() / 6),
                     Qt::AlignCenter, QFileInfo(path).completeBaseName());
    painter.end();
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && image.save(path, "JPEG", 90) &&
           file.open(QIODevice::ReadWrite) &&
           file.setFileTime(modified, QFileDevice::FileModificationTime);
}

bool showsPhotoCentred(const QImage &monitor, const QSize &photoSize, const QColor &colour,
                       int coveredAtBottom)
{
    if (monitor.isNull()) {
        return false;
    }
    const QSize fitted = photoSize.scaled(monitor.size(), Qt::KeepAspectRatio);
    const QRect frame(
        QPoint((monitor.width() - fitted.width()) / 2, (monitor.height() - fitted.height()) / 2),
        fitted);
    const auto shows = [&](QPoint p) {
        return monitor.rect().contains(p) && TestHarness::near(monitor.pixel(p), colour);
    };
    return shows(frame.center()) && shows(frame.topLeft() + QPoint(12, 12)) &&
           shows(frame.bottomRight() - QPoint(12, 12 + coveredAtBottom)) &&
           shows(frame.topRight() + QPoint(-12, 12)) &&
           !shows(QPoint(frame.left() - 20, frame.center().y())) &&
           !shows(QPoint(frame.right() + 20, frame.center().y()));
}

void saveScreenshot(const QImage &image, const QString &name)
{
    const QString dir = qEnvironmentVariable("OVRA_E2E_SCREENSHOT_DIR");
    if (dir.isEmpty() || image.isNull() || !QDir().mkpath(dir)) {
        return;
    }
    QImageWriter writer(dir + u'/' + name + u".png"_s, "png");
    writer.setCompression(100); // Qt's scale: 100 is zlib's best
    writer.write(
        image.scaledToWidth(640, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB888));
}

} // namespace E2e

E2eKiosk::E2eKiosk(int monitors) : screens_(std::make_unique<VirtualScreens>(monitors)) {}

E2eKiosk::~E2eKiosk()
{
    quit();
    // The log outlives the private home, beside the test, for a look after a failure.
    QString kept = QCoreApplication::applicationDirPath() + u"/kiosk-"_s +
                   QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag()) {
        kept += u'-' + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    }
    QFile::remove(kept + u".log"_s);
    QFile::copy(logPath(), kept + u".log"_s);
    for (QProcess *helper : {&windowManager_, &bus_}) {
        if (helper->state() != QProcess::NotRunning) {
            helper->terminate();
            helper->waitForFinished(3000);
        }
    }
}

bool E2eKiosk::setUp(QString *error)
{
    auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    if (E2e::prefix().isEmpty() ||
        !QFileInfo(E2e::installed(u"bin/ovra-videowall"_s)).isExecutable()) {
        return fail(u"no installed kiosk (run through ctest: OVRA_E2E_PREFIX)"_s);
    }
    for (const QString &tool : {u"xdotool"_s, u"import"_s, u"dbus-daemon"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            return fail(tool + u" is not installed"_s);
        }
    }
    if (!home_.isValid() || !screens_->start(error)) {
        return false;
    }
    // A bus of its own: companion messages reach only this kiosk, never one
    // of a test running beside it.
    bus_.start(u"dbus-daemon"_s,
               {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s});
    if (!bus_.waitForStarted() || !bus_.waitForReadyRead(10000)) {
        return fail(u"dbus-daemon did not start"_s);
    }
    busAddress_ = QString::fromUtf8(bus_.readLine()).trimmed();
    QDir().mkpath(home(u"run"_s));
    QFile::setPermissions(home(u"run"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return !busAddress_.isEmpty();
}

bool E2eKiosk::startWindowManager(QString *error)
{
    if (QStandardPaths::findExecutable(u"openbox"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"xprop"_s).isEmpty()) {
        *error = u"openbox or x11-utils is not installed"_s;
        return false;
    }
    // Openbox runs its start-up command once it manages the screen.
    const QString ready = home(u"wm-ready"_s);
    windowManager_.setProcessEnvironment(environment());
    windowManager_.setStandardOutputFile(QProcess::nullDevice());
    windowManager_.setStandardErrorFile(home(u"openbox.log"_s));
    windowManager_.start(u"openbox"_s, {u"--sm-disable"_s, u"--startup"_s, u"touch "_s + ready});
    if (!windowManager_.waitForStarted() || !E2e::poll([&] { return QFileInfo::exists(ready); })) {
        *error = u"openbox did not start"_s;
        return false;
    }
    return true;
}

QString E2eKiosk::home(const QString &relative) const
{
    return relative.isEmpty() ? home_.path() : home_.filePath(relative);
}

QString E2eKiosk::dayFolder() const
{
    return storeRoot() + u'/' + getDailyFolderName2(u"yyyy-MM-dd"_s);
}

QProcessEnvironment E2eKiosk::environment() const
{
    QProcessEnvironment env = screens_->environment(QProcessEnvironment::systemEnvironment());
    env.insert(u"HOME"_s, home());
    env.insert(u"XDG_CONFIG_HOME"_s, home(u".config"_s));
    env.insert(u"XDG_DATA_HOME"_s, home(u".local/share"_s));
    env.insert(u"XDG_CACHE_HOME"_s, home(u".cache"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, home(u"run"_s));
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress_);
    // The installed kiosk finds its resources by itself, as at a venue.
    env.remove(u"OVRA_SHARE_DIR"_s);
    env.remove(u"OVRA_LIBEXEC_DIR"_s);
    env.remove(u"OVRA_SUPERVISOR"_s);
    return env;
}

bool E2eKiosk::writePreferences(const QVariantMap &values)
{
    const QString folder = home(u".config/ovra-videowall"_s);
    return QDir().mkpath(folder) &&
           PropertyList::writeFileAtomically(folder + u"/org.ovra.VideoWall.plist"_s, values);
}

bool E2eKiosk::launch(QProcess &kiosk, const QProcessEnvironment &env) const
{
    kiosk.setProcessEnvironment(env);
    kiosk.setStandardOutputFile(QProcess::nullDevice());
    kiosk.setStandardErrorFile(logPath(), QIODevice::Append);
    kiosk.start(E2e::installed(u"bin/ovra-videowall"_s), {});
    return kiosk.waitForStarted();
}

QByteArray E2eKiosk::log() const
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool E2eKiosk::waitForLog(const QByteArray &line, int count, int timeoutMs) const
{
    return E2e::poll([&] { return log().count(line) >= count; }, timeoutMs);
}

bool E2eKiosk::run(const QString &program, const QStringList &arguments, QByteArray *output,
                   int timeoutMs) const
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    if (output) {
        *output = tool.readAllStandardOutput();
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool E2eKiosk::notify(const QString &name, const QStringList &keyValues) const
{
    return run(E2e::installed(u"bin/ovra-notify"_s), QStringList{name} + keyValues);
}

QStringList E2eKiosk::visibleWindows() const
{
    QByteArray found;
    // Exits 1 when nothing matches: an empty list.
    run(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"ovra-videowall"_s}, &found);
    return QString::fromLatin1(found).split(u'\n', Qt::SkipEmptyParts);
}

bool E2eKiosk::windowInfo(const QString &window, QRect *rect, QString *parent, QString *root) const
{
    QByteArray tree;
    QByteArray place;
    if (window.isEmpty() || !run(u"xwininfo"_s, {u"-tree"_s, u"-id"_s, window}, &tree) ||
        !run(u"xwininfo"_s, {u"-id"_s, window}, &place)) {
        return false;
    }
    QMap<QByteArray, QByteArray> values;
    for (const QByteArray &line : (tree + place).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            values.insert(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        }
    }
    *rect = QRect(values.value("Absolute upper-left X").toInt(),
                  values.value("Absolute upper-left Y").toInt(), values.value("Width").toInt(),
                  values.value("Height").toInt());
    *parent = QString::fromLatin1(values.value("Parent window id").split(' ').value(0));
    *root = QString::fromLatin1(values.value("Root window id").split(' ').value(0));
    return true;
}

QRect E2eKiosk::windowGeometry(const QString &window) const
{
    QRect rect;
    QString parent;
    QString root;
    return windowInfo(window, &rect, &parent, &root) ? rect : QRect();
}

QString E2eKiosk::windowOnMonitor(int index) const
{
    const QRect monitor = screens_->monitorGeometry(index);
    for (const QString &window : visibleWindows()) {
        const QRect frame = windowGeometry(window);
        if (frame.isValid() && monitor.contains(frame.topLeft())) {
            return window;
        }
    }
    return QString();
}

QList<E2eKiosk::TopLevel> E2eKiosk::topLevels() const
{
    QByteArray found;
    run(u"xdotool"_s,
        {u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(kiosk_.processId())}, &found);
    // Named as xwininfo names parents.
    QStringList ids;
    for (const QString &id : QString::fromLatin1(found).split(u'\n', Qt::SkipEmptyParts)) {
        ids.append(u"0x"_s + QString::number(id.toULongLong(), 16));
    }
    QList<TopLevel> windows;
    for (const QString &id : std::as_const(ids)) {
        TopLevel top{id, {}, {}};
        QString parent;
        QString root;
        // A native child widget (the OpenGL view) is part of its window.
        if (!windowInfo(id, &top.client, &parent, &root) || ids.contains(parent)) {
            continue;
        }
        top.frame = top.client;
        // Up to the root's child: the frame a window manager reparented it into.
        while (!parent.isEmpty() && parent != root &&
               windowInfo(parent, &top.frame, &parent, &root)) {
        }
        windows.append(top);
    }
    return windows;
}

bool E2eKiosk::kioskHasFocus() const
{
    QByteArray focus;
    QByteArray pid;
    return run(u"xdotool"_s, {u"getwindowfocus"_s}, &focus) &&
           run(u"xdotool"_s, {u"getwindowpid"_s, QString::fromLatin1(focus).trimmed()}, &pid) &&
           pid.trimmed().toLongLong() == kiosk_.processId();
}

bool E2eKiosk::click(const QPoint &at, int button) const
{
    return run(u"xdotool"_s, {u"mousemove"_s, u"--sync"_s, QString::number(at.x()),
                              QString::number(at.y()), u"click"_s, QString::number(button)});
}

bool E2eKiosk::typeInto(const QString &window, const QStringList &keys) const
{
    // Focus first; then the keys through XTEST in one run (xdotool sends
    // synthetic events, which Qt ignores, once it is given a window).
    return !window.isEmpty() && run(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, window}) &&
           typeKeys(keys);
}

bool E2eKiosk::typeKeys(const QStringList &keys) const
{
    return run(u"xdotool"_s, QStringList{u"key"_s, u"--delay"_s, u"20"_s} + keys);
}

bool E2eKiosk::typeCode(const QString &code, bool focusRoom) const
{
    const QStringList keys = code.split(QString(), Qt::SkipEmptyParts) << u"Return"_s;
    if (focusRoom) {
        // Becoming active, the kiosk hands the focus on to its console: any
        // of its windows takes a code.
        QString room;
        if (!E2e::poll([&] { return !(room = windowOnMonitor(1)).isEmpty(); }) ||
            !run(u"xdotool"_s, {u"windowfocus"_s, room}) ||
            !E2e::poll([this] { return kioskHasFocus(); })) {
            return false;
        }
    }
    return typeKeys(keys);
}

QImage E2eKiosk::grabMonitor(int index) const
{
    return screens_->screenshot(screens_->monitorGeometry(index));
}

QStringList E2eKiosk::workingFolder() const
{
    return QDir(home(u"tmp/slideshowA"_s)).entryList(QDir::Files, QDir::Name);
}

QList<qint64> E2eKiosk::kioskPids() const
{
    const QString exe = QFileInfo(E2e::installed(u"bin/ovra-videowall"_s)).canonicalFilePath();
    const QByteArray homeEntry = "HOME=" + home().toUtf8();
    QList<qint64> pids;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || QFileInfo(u"/proc/%1/exe"_s.arg(pid)).symLinkTarget() != exe) {
            continue;
        }
        QFile environ(u"/proc/%1/environ"_s.arg(pid));
        if (environ.open(QIODevice::ReadOnly) &&
            environ.readAll().split('\0').contains(homeEntry)) {
            pids.append(pid);
        }
    }
    return pids;
}

bool E2eKiosk::quit()
{
    bool clean = true;
    if (kiosk_.state() != QProcess::NotRunning) {
        kiosk_.terminate();
        if (!kiosk_.waitForFinished(E2e::kWaitMs)) {
            kiosk_.kill();
            kiosk_.waitForFinished();
        }
        clean = kiosk_.exitStatus() == QProcess::NormalExit && kiosk_.exitCode() == 0;
    }
    // A relaunched kiosk is no child of ours; it is found by its home.
    for (const qint64 pid : kioskPids()) {
        ::kill(pid_t(pid), SIGTERM);
    }
    E2e::poll([this] { return kioskPids().isEmpty(); });
    for (const qint64 pid : kioskPids()) {
        ::kill(pid_t(pid), SIGKILL);
    }
    return clean;
}
