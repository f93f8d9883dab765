#pragma once

#include "VirtualScreens.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>

#include <functional>
#include <memory>

// Helpers of the end-to-end tests that run the kiosk as installed.
namespace E2e {

constexpr int kWaitMs = 30000;

// Polls check until it holds or timeoutMs of wall time passed. Unlike
// QTRY_*, it counts the time the check itself takes (here: child processes).
bool poll(const std::function<bool()> &check, int timeoutMs = kWaitMs);

// The prefix the install fixture filled; empty outside ctest.
QString prefix();
// A file of the installed layout, e.g. "bin/ovra-videowall".
QString installed(const QString &relative);

// A plain-coloured photo with its name as a caption, dated as given. Plain
// colours survive JPEG and are easy to find on screen.
bool writePhoto(const QString &path, const QColor &colour, const QSize &size,
                const QDateTime &modified);
// Inside the photo's frame, fitted to the monitor and centred, its colour;
// just beside the frame something else (when the frame leaves room). A
// caption strip may cover the bottom rows.
bool showsPhotoCentred(const QImage &monitor, const QSize &photoSize, const QColor &colour,
                       int coveredAtBottom = 0);
// With OVRA_E2E_SCREENSHOT_DIR set: a 640 px wide PNG copy under that name.
void saveScreenshot(const QImage &image, const QString &name);

} // namespace E2e

// One installed kiosk as a venue runs it: on private virtual monitors, with a
// private home, runtime folder and session bus, its log in a file of that
// home (a relaunched kiosk inherits the file and keeps writing to it).
class E2eKiosk
{
public:
    explicit E2eKiosk(int monitors);
    ~E2eKiosk();
    E2eKiosk(const E2eKiosk &) = delete;
    E2eKiosk &operator=(const E2eKiosk &) = delete;

    // Screens, home and bus; false with the reason when a tool is missing.
    bool setUp(QString *error);
    // Openbox managing the screens, as in a desktop session; false with the
    // reason when it is missing or does not come up.
    bool startWindowManager(QString *error);

    VirtualScreens &screens() { return *screens_; }
    QString home(const QString &relative = QString()) const;
    QString storeRoot() const { return home(QStringLiteral("PhotoStore")); }
    // Today's photo-day folder of the store, named as the kiosk names it.
    QString dayFolder() const;
    QProcessEnvironment environment() const;

    // The preferences file the kiosk reads at launch.
    bool writePreferences(const QVariantMap &values);

    // Starts the installed kiosk with env (default: environment()).
    bool launch(QProcess &kiosk, const QProcessEnvironment &env) const;
    bool launch() { return launch(kiosk_, environment()); }
    QProcess &kiosk() { return kiosk_; }

    QByteArray log() const;
    QString logPath() const { return home(QStringLiteral("kiosk.log")); }
    // Waits until the log holds line at least count times.
    bool waitForLog(const QByteArray &line, int count = 1, int timeoutMs = E2e::kWaitMs) const;

    // Runs a program on the screens, in the kiosk's environment.
    bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr,
             int timeoutMs = E2e::kWaitMs) const;
    // The installed ovra-notify.
    bool notify(const QString &name, const QStringList &keyValues = {}) const;
    // The kiosk's visible windows (X window ids).
    QStringList visibleWindows() const;
    // The visible window whose top-left corner lies on monitor index.
    QString windowOnMonitor(int index) const;
    QRect windowGeometry(const QString &window) const;
    // A visible window of the kiosk's process, and the top-level window that
    // holds it: the window manager's frame, or the window itself on a bare server.
    struct TopLevel
    {
        QString window;
        QRect client;
        QRect frame;
    };
    QList<TopLevel> topLevels() const;
    // True while the keyboard focus is on a window of the kiosk's process.
    bool kioskHasFocus() const;
    // A click (1 left, 3 right) at a point of the whole X screen.
    bool click(const QPoint &at, int button = 1) const;
    // Focuses the window and types the keys through XTEST.
    bool typeInto(const QString &window, const QStringList &keys) const;
    // The keys through XTEST, to whichever window has the focus.
    bool typeKeys(const QStringList &keys) const;
    // A code as a keyboard scanner types it, into the display of monitor 1,
    // or (focusRoom false) into whichever window has the focus.
    bool typeCode(const QString &code, bool focusRoom = true) const;

    // One monitor's pixels, grabbed without the whole screen's PNG round trip.
    QImage grabMonitor(int index) const;

    QStringList workingFolder() const;
    // Installed kiosks running with this home, relaunched ones included.
    QList<qint64> kioskPids() const;

    // Ends the kiosk (and any kiosk it relaunched); false unless the
    // launched one ended with status 0.
    bool quit();

private:
    // xwininfo's answer: the window's place on the root, size, parent and root.
    bool windowInfo(const QString &window, QRect *rect, QString *parent, QString *root) const;

    std::unique_ptr<VirtualScreens> screens_;
    QTemporaryDir home_;
    QProcess bus_;
    QString busAddress_;
    QProcess kiosk_;
    QProcess windowManager_;
};
