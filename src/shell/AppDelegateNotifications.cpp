// The delegate's messages: the companions' channel and screen changes.

#include "shell/AppDelegate.h"

#include "intake/BarcodeEntryController.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

namespace {
const QString kSelf = QStringLiteral("AppDelegate");
}

void AppDelegate::setupNotifications()
{
    distributedCenter_ = std::make_unique<DistributedNotificationCenter>();
    distributedCenter_->addObserver(this, kOvraSlideShowNotification,
                                    [this](const Notification &n) { handleDistNotification(n); });
    auto *app = qobject_cast<QGuiApplication *>(QGuiApplication::instance());
    if (app) {
        connect(app, &QGuiApplication::screenAdded, this,
                &AppDelegate::applicationDidChangeScreenParameters);
        connect(app, &QGuiApplication::screenRemoved, this,
                &AppDelegate::applicationDidChangeScreenParameters);
    }
}

void AppDelegate::handleDistNotification(const Notification &notification)
{
    QString info;
    QDebug(&info).noquote() << notification.userInfo;
    OvraLog(kLogDistNotification.arg(kSelf, QStringLiteral("handleDistNotification"),
                                     notification.name, info));
    if (!fBarcodeController) {
        return;
    }
    if (Preferences::standardUserDefaults()->boolForKey(kPrefDoShoutMode)) {
        fBarcodeController->fCurrentBarcode = QStringLiteral("*");
    }
    // Nothing scanned yet: nothing to refresh.
    if (!fBarcodeController->fCurrentBarcode.isEmpty()) {
        fBarcodeController->FindOvraFilesWithID(fBarcodeController->fCurrentBarcode);
    }
}

void AppDelegate::applicationDidChangeScreenParameters()
{
    // The controller list stays as built at launch until the next launch.
    OvraLog(kLogScreensChanged.arg(kSelf, QStringLiteral("applicationDidChangeScreenParameters"))
                .arg(QGuiApplication::screens().size()));
}
