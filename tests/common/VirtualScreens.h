#pragma once

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QTest>
#include <QVariant>

// A private X server for one test, carved into side-by-side RandR monitors so
// that Qt sees several screens. Each test gets its own server: tests run in
// parallel and must never share or kill each other's.
class VirtualScreens
{
public:
    explicit VirtualScreens(int monitors, QSize monitorSize = QSize(1920, 1080));
    ~VirtualScreens();
    VirtualScreens(const VirtualScreens &) = delete;
    VirtualScreens &operator=(const VirtualScreens &) = delete;

    // Starts Xvfb on a free display and sets up the monitors. False (with the
    // reason in *error) when Xvfb or xrandr is missing or fails.
    bool start(QString *error = nullptr);
    void stop();

    QString display() const { return display_; }
    QRect monitorGeometry(int index) const;

    // Unplugs or plugs back monitor `index` (not 0): Qt sees a screen
    // removed or added.
    bool removeMonitor(int index);
    bool addMonitor(int index);

    // The root window, or the area of it, through ImageMagick's `import`;
    // null when the grab fails.
    QImage screenshot(const QRect &area = QRect()) const;

    // Environment for a child process that should run on these screens.
    QProcessEnvironment environment(QProcessEnvironment base) const;

private:
    bool runXrandr(const QStringList &arguments) const;

    int monitors_;
    QSize size_;
    QString display_;
    QProcess server_;
};

// A QTest main for tests that need N real screens in-process: the server is
// started before QApplication exists, and the test runs on the xcb platform.
// Skips (exit code 0 and a message) when Xvfb is not installed.
#define OVRA_TEST_MAIN_WITH_SCREENS(TestObject, n)                                                 \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        VirtualScreens screens(n);                                                                 \
        QString error;                                                                             \
        if (!screens.start(&error)) {                                                              \
            qWarning("SKIP: no virtual screens: %s", qPrintable(error));                           \
            return 0;                                                                              \
        }                                                                                          \
        qputenv("DISPLAY", screens.display().toLocal8Bit());                                       \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                         \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        tc.setProperty("virtualScreens", QVariant::fromValue(static_cast<void *>(&screens)));      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// The screens of the running OVRA_TEST_MAIN_WITH_SCREENS, from inside a test.
VirtualScreens *virtualScreensOf(const QObject *test);
