// The delegate's timers: watchdog, the daily relaunch, bring-to-front.

#include "shell/AppDelegate.h"

#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QApplication>
#include <QDebug>
#include <QProcess>
#include <QWidget>

#include <functional>

#include <thread>

#include <unistd.h>

namespace {

const QString kSelf = QStringLiteral("AppDelegate");

QString describe(const QVariant &value)
{
    QString text;
    QDebug(&text).noquote() << value;
    return text;
}

// A single-shot timer firing at an instant; QTimer takes at most ~24 days.
std::unique_ptr<QTimer> timerFiringAt(const QDateTime &when, QObject *context,
                                      std::function<void()> fired)
{
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(std::chrono::milliseconds(std::max<qint64>(0, Clock::now().msecsTo(when))));
    QObject::connect(timer.get(), &QTimer::timeout, context, std::move(fired));
    timer->start();
    return timer;
}

} // namespace

void AppDelegate::setupWatchdogTimer()
{
    testTimerUserInfo_ = {{kKeyStartDate, Clock::now()}};
    _testTimer = std::make_unique<QTimer>();
    _testTimer->setInterval(std::chrono::seconds(kWatchdogIntervalSeconds));
    connect(_testTimer.get(), &QTimer::timeout, this, &AppDelegate::watchdogTimerFired);
    _testTimer->start();
}

void AppDelegate::watchdogTimerFired()
{
    OvraLog(kLogWatchdogFired.arg(kSelf, QStringLiteral("watchdogTimerFired"),
                                  QStringLiteral("QTimer(%1 s)").arg(kWatchdogIntervalSeconds),
                                  describe(testTimerUserInfo_)));
    // The body runs off the main thread so a stuck disk cannot stall the screens.
    std::thread([] {
        const QString op = QStringLiteral("checkInsideServerMasterSlideShowFolderInThread");
        OvraLog(kLogThreadStarted.arg(kSelf, op));
        OvraLog(kLogThreadDone.arg(kSelf, op));
    }).detach();
}

QDateTime AppDelegate::relaunchTriggerDate(const QDateTime &now)
{
    const QDateTime local = now.toLocalTime();
    QDateTime trigger(local.date(), QTime(kRelaunchHour, kRelaunchMinute), Qt::LocalTime);
    OvraLog(kLogMyTriggerDate.arg(trigger.toString(Qt::ISODate)));
    OvraLog(kLogCurrentDate.arg(local.toString(Qt::ISODateWithMs)));
    if (local > trigger) {
        OvraLog(kLogAfterTriggerDate);
        // A plain 24 hours later; across a daylight-saving change
        // that is 05:05 or 07:05, which is fine for a restart.
        trigger = trigger.addSecs(86400);
        OvraLog(kLogTriggerTomorrow.arg(trigger.toString(Qt::ISODate)));
    }
    return trigger;
}

void AppDelegate::setupAutoRelaunchTimer()
{
    const QDateTime trigger = relaunchTriggerDate(Clock::now());
    relaunchTimer_ = timerFiringAt(trigger, this, [this] { autoRelaunchTimerFired(); });
}

void AppDelegate::autoRelaunchTimerFired()
{
    OvraLog(kLogRelaunchBanner);
    OvraLog(kLogRelaunchBanner);
    relaunchTimer_->stop();
    relaunchApp(QVariantMap{{kKeyLSLaunchFlags, kLaunchFlagsRelaunch}});
}

void AppDelegate::setupAutoBringToFront()
{
    Preferences &store = *Preferences::standardUserDefaults();
    const double delay = store.doubleForKey(kPrefAutoBringAppToFrontAfterLaunchDelay);
    if (!store.boolForKey(kPrefAutoBringAppToFrontAfterLaunch) || !(delay > 0)) {
        return;
    }
    OvraLog(kLogWillComeActivate.arg(kSelf, QStringLiteral("setupAutoBringToFront"))
                .arg(delay, 5, 'f', 2));
    bringToFrontTimer_ = timerFiringAt(Clock::now().addMSecs(qint64(delay * 1000)), this,
                                       [this] { autoBringToFrontTimerFired(); });
}

void AppDelegate::autoBringToFrontTimerFired()
{
    bringToFrontTimer_->stop();
    bringToFront();
}

void AppDelegate::bringToFront()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            window->raise();
            window->activateWindow();
        }
    }
}

void AppDelegate::relaunchApp(const QVariant &param)
{
    OvraLog(kLogParam.arg(kSelf, QStringLiteral("relaunchApp"), describe(param)));
    relaunch(param);
}

bool AppDelegate::relaunch(const QVariant &info)
{
    qint64 flags = kLaunchFlagsDefault;
    if (info.typeId() == QMetaType::QVariantMap) {
        flags = info.toMap().value(kKeyLSLaunchFlags).toLongLong();
    }
    if (qEnvironmentVariable(kEnvSupervisor) == kSupervisorSystemd) {
        OvraLog(kLogRelaunchBySupervisor.arg(kSelf, QStringLiteral("relaunch"))
                    .arg(kExitStatusRestartMe));
        QApplication::exit(kExitStatusRestartMe);
        return true;
    }
    const Bundle &bundle = Bundle::mainBundle();
    const QString tool = bundle.pathForAuxiliaryExecutable(kRelaunchToolName);
    const QStringList args{bundle.bundlePath(), QString::number(::getpid()),
                           QString::number(flags)};
    if (tool.isEmpty() || !QProcess::startDetached(tool, args)) {
        // Without the helper nobody would start us again: better to stay up.
        OvraLog(kLogRelaunchToolMissing.arg(kSelf, QStringLiteral("relaunch"), tool));
        return false;
    }
    QApplication::quit();
    return true;
}
