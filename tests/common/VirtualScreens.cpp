#include "VirtualScreens.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>

#include <csignal>

#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int kFirstDisplay = 140;
constexpr int kLastDisplay = 400;
constexpr int kStartTimeoutMs = 10000;
} // namespace

VirtualScreens::VirtualScreens(int monitors, QSize monitorSize)
    : monitors_(qMax(1, monitors)), size_(monitorSize)
{}

VirtualScreens::~VirtualScreens()
{
    stop();
}

bool VirtualScreens::start(QString *error)
{
    auto fail = [error](const QString &why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    if (xvfb.isEmpty()) {
        return fail(u"Xvfb is not installed"_s);
    }
    if (QStandardPaths::findExecutable(u"xrandr"_s).isEmpty()) {
        return fail(u"xrandr is not installed"_s);
    }
    const QString geometry = u"%1x%2x24"_s.arg(size_.width() * monitors_).arg(size_.height());
    // Spread the first guess by process id so parallel tests rarely collide;
    // a display whose lock exists or that fails to start is skipped.
    const int span = kLastDisplay - kFirstDisplay;
    const int offset = static_cast<int>(QCoreApplication::applicationPid() % span);
    for (int attempt = 0; attempt < span; ++attempt) {
        const int number = kFirstDisplay + (offset + attempt) % span;
        if (QFile::exists(u"/tmp/.X%1-lock"_s.arg(number)) ||
            QFile::exists(u"/tmp/.X11-unix/X%1"_s.arg(number))) {
            continue;
        }
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test that crashes takes its server along: an orphaned one would
        // hold the test's output open and keep ctest waiting until its limit.
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server_.start(xvfb, {u":%1"_s.arg(number), u"-screen"_s, u"0"_s, geometry, u"-noreset"_s,
                             u"-nolisten"_s, u"tcp"_s});
        if (!server_.waitForStarted(kStartTimeoutMs)) {
            return fail(u"Xvfb did not start"_s);
        }
        QElapsedTimer timer;
        timer.start();
        const QString socket = u"/tmp/.X11-unix/X%1"_s.arg(number);
        while (!QFile::exists(socket) && server_.state() == QProcess::Running &&
               !timer.hasExpired(kStartTimeoutMs)) {
            server_.waitForFinished(50);
        }
        if (server_.state() != QProcess::Running || !QFile::exists(socket)) {
            server_.kill();
            server_.waitForFinished();
            continue; // taken by someone else meanwhile
        }
        display_ = u":%1"_s.arg(number);
        break;
    }
    if (display_.isEmpty()) {
        return fail(u"no free X display"_s);
    }
    if (monitors_ > 1) {
        for (int i = 0; i < monitors_; ++i) {
            if (!addMonitor(i)) {
                stop();
                return fail(u"xrandr --setmonitor failed"_s);
            }
        }
    }
    return true;
}

void VirtualScreens::stop()
{
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(3000)) {
            server_.kill();
            server_.waitForFinished();
        }
    }
    display_.clear();
}

QRect VirtualScreens::monitorGeometry(int index) const
{
    return QRect(QPoint(index * size_.width(), 0), size_);
}

bool VirtualScreens::runXrandr(const QStringList &arguments) const
{
    QProcess xrandr;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, display_);
    xrandr.setProcessEnvironment(env);
    xrandr.start(u"xrandr"_s, arguments);
    return xrandr.waitForFinished(10000) && xrandr.exitStatus() == QProcess::NormalExit &&
           xrandr.exitCode() == 0;
}

bool VirtualScreens::addMonitor(int index)
{
    // Physical size in millimetres keeps the DPI near 96.
    const QRect g = monitorGeometry(index);
    const QString placement = u"%1/%2x%3/%4+%5+%6"_s.arg(g.width())
                                  .arg(g.width() * 254 / 960)
                                  .arg(g.height())
                                  .arg(g.height() * 254 / 960)
                                  .arg(g.x())
                                  .arg(g.y());
    // The first monitor must take the server's only output.
    const QString output = index == 0 ? u"screen"_s : u"none"_s;
    return runXrandr({u"--setmonitor"_s, u"K%1"_s.arg(index), placement, output});
}

bool VirtualScreens::removeMonitor(int index)
{
    return index > 0 && runXrandr({u"--delmonitor"_s, u"K%1"_s.arg(index)});
}

QImage VirtualScreens::screenshot(const QString &savePath) const
{
    QTemporaryDir dir;
    const QString file = savePath.isEmpty() ? dir.filePath(u"root.png"_s) : savePath;
    QProcess import;
    import.start(u"import"_s, {u"-display"_s, display_, u"-window"_s, u"root"_s, file});
    if (!import.waitForFinished(30000) || import.exitCode() != 0) {
        return {};
    }
    return QImage(file);
}

QImage VirtualScreens::screenshotOfMonitor(int index, const QString &savePath) const
{
    const QImage whole = screenshot();
    if (whole.isNull()) {
        return {};
    }
    const QImage part = whole.copy(monitorGeometry(index));
    if (!savePath.isEmpty()) {
        part.save(savePath);
    }
    return part;
}

QProcessEnvironment VirtualScreens::environment(QProcessEnvironment base) const
{
    base.insert(u"DISPLAY"_s, display_);
    base.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    base.remove(u"WAYLAND_DISPLAY"_s);
    return base;
}

VirtualScreens *virtualScreensOf(const QObject *test)
{
    return static_cast<VirtualScreens *>(test->property("virtualScreens").value<void *>());
}
