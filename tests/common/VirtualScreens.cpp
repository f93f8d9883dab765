#include "VirtualScreens.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <csignal>

#include <sys/prctl.h>

using namespace Qt::StringLiterals;

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
    for (const QString &tool : {u"Xvfb"_s, u"xrandr"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            return fail(tool + u" is not installed"_s);
        }
    }
    const QString geometry = u"%1x%2x24"_s.arg(size_.width() * monitors_).arg(size_.height());
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes takes its server along: an orphaned one would
    // hold the test's output open and keep ctest waiting until its limit.
    server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // Xvfb picks a free display itself and writes its number once it takes
    // clients: tests running in parallel never share a server.
    server_.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, geometry,
                              u"-noreset"_s, u"-nolisten"_s, u"tcp"_s});
    QByteArray number;
    while (!number.endsWith('\n') && server_.waitForReadyRead(10000)) {
        number += server_.readAllStandardOutput();
    }
    if (!number.endsWith('\n')) {
        stop();
        return fail(u"Xvfb did not start"_s);
    }
    display_ = u':' + QString::fromLatin1(number.trimmed());
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

QImage VirtualScreens::screenshot(const QRect &area) const
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"root.bmp"_s);
    QStringList arguments{u"-display"_s, display_, u"-window"_s, u"root"_s};
    if (area.isValid()) {
        arguments
            << u"-crop"_s
            << u"%1x%2+%3+%4"_s.arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y())
            << u"+repage"_s;
    }
    QProcess import;
    import.start(u"import"_s, arguments << u"-depth"_s << u"8"_s << file);
    if (!import.waitForFinished(30000) || import.exitCode() != 0) {
        return {};
    }
    return QImage(file);
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
