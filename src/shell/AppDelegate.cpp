// Process-level work of the delegate: class initialisation, the single
// instance, the run and its end.

#include "shell/AppDelegate.h"

#include "intake/BarcodeEntryController.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Beep.h"
#include "platform/Bundle.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "shell/SingleInstance.h"
#include "slideshow/slideShowWindowController.h"
#include "support/QXLogFileManager.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::unique_ptr<SingleInstance> gSingleInstance;
int gSignalPipe[2] = {-1, -1};

void forwardSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

} // namespace

AppDelegate::AppDelegate(QObject *parent) : QObject(parent) {}

AppDelegate::~AppDelegate()
{
    applicationWillTerminate();
}

bool AppDelegate::initialize()
{
    static bool done = false;
    static bool mayRun = true;
    if (done) {
        return mayRun;
    }
    done = true;
    const Bundle &bundle = Bundle::mainBundle();
    Preferences &store = *Preferences::standardUserDefaults();
    fixHeaderStrings(bundle);
    QXLogFileManager::getApplicationName();
    // Only a persisted value can switch this on: the defaults are not registered yet.
    if (store.boolForKey(kPrefRedirectNSLogToFile)) {
        QXLogFileManager::setupLogFile();
    }
    mayRun = checkForDuplicateRunningInstances();
    if (!mayRun) {
        return false;
    }
    setupFactoryDefaults(store, bundle);
    deleteOldLogs(store);
    return true;
}

SingleInstance *AppDelegate::singleInstance()
{
    return gSingleInstance.get();
}

bool AppDelegate::checkForDuplicateRunningInstances()
{
    if (gSingleInstance) {
        return true;
    }
    auto claim = std::make_unique<SingleInstance>(Bundle::mainBundle().bundleIdentifier());
    if (claim->claim()) {
        gSingleInstance = std::move(claim);
        return true;
    }
    // The first kiosk has been asked to come to the front.
    OvraBeep();
    OvraLog(kLogAnotherInstanceRunning.arg(QStringLiteral("AppDelegate"),
                                           QStringLiteral("checkForDuplicateRunningInstances")));
    return false;
}

int AppDelegate::run()
{
    if (!initialize()) {
        return 0;
    }
    launched_ = true;
    connect(gSingleInstance.get(), &SingleInstance::activationRequested, this,
            &AppDelegate::bringToFront);
    installSignalHandlers();
    awakeFromNib();
    applicationWillFinishLaunching();
    QTimer::singleShot(0, this, &AppDelegate::applicationDidFinishLaunching);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) {
            applicationWillBecomeActive();
        }
    });
    const int result = QApplication::exec();
    applicationWillTerminate();
    return result;
}

void AppDelegate::installSignalHandlers()
{
    // A signal handler may only write a byte; the main loop does the quitting.
    if (gSignalPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
        return;
    }
    auto *notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char byte = 0;
        if (::read(gSignalPipe[0], &byte, 1) == 1) {
            OvraLog(kLogSignalQuit.arg(QStringLiteral("AppDelegate"), QStringLiteral("signal"))
                        .arg(int(byte)));
            QApplication::quit();
        }
    });
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void AppDelegate::applicationWillTerminate()
{
    if (!launched_ || terminated_) {
        return;
    }
    terminated_ = true;
    _slideShowWindowControllerList.clear();
    distributedCenter_.reset();
    Preferences::standardUserDefaults()->synchronize();
    OvraLog(
        kLogDone.arg(QStringLiteral("AppDelegate"), QStringLiteral("applicationWillTerminate")));
}
