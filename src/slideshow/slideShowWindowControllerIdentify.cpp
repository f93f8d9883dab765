// Identification of a display: its room name, or its number, flashing on an
// overlay over the whole screen.

#include "slideshow/slideShowWindowController.h"

#include "platform/Log.h"
#include "platform/PreferenceBinding.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/borderlessWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

void slideShowWindowController::setupIdentifyWindow()
{
    const QString key = PreferenceKeys::displayNameKey(fScreenIndex + 1);
    // The overlay sits above everything and lets every click through.
    ibIdentifyWindow = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                     Qt::WindowTransparentForInput | Qt::Tool);
    ibIdentifyWindow->setObjectName(QStringLiteral("ibIdentifyWindow"));
    ibIdentifyWindow->setAttribute(Qt::WA_TranslucentBackground);
    ibIdentifyWindow->setWindowTitle(kIdentifyWindowTitle);
    auto *layout = new QVBoxLayout(ibIdentifyWindow.get());
    ibIdentifyInfoTextField2 = new QLabel(ibIdentifyWindow.get());
    ibIdentifyInfoTextField2->setObjectName(QStringLiteral("ibIdentifyInfoTextField2"));
    ibIdentifyInfoTextField2->setAlignment(Qt::AlignCenter);
    QFont font = ibIdentifyInfoTextField2->font();
    font.setPointSize(96);
    font.setBold(true);
    ibIdentifyInfoTextField2->setFont(font);
    layout->addWidget(ibIdentifyInfoTextField2);

    Preferences *store = Preferences::standardUserDefaults();
    if (!ibScreenInfoTextField || !PreferenceBinding::bind(ibScreenInfoTextField, key, store)) {
        OvraLog(kLogScreenInfoFieldNil.arg(fScreenIndex));
    }
    PreferenceBinding::bind(ibIdentifyInfoTextField2, key, store);

    const QList<QScreen *> screens = QGuiApplication::screens();
    if (fScreenIndex >= 0 && fScreenIndex < screens.size()) {
        ibIdentifyWindow->setScreen(screens.at(fScreenIndex));
        ibIdentifyWindow->setGeometry(screens.at(fScreenIndex)->availableGeometry());
    }
    ibIdentifyWindow->hide();
}

void slideShowWindowController::identify()
{
    OvraLog(kLogNewGcdMethod.arg(who(), QStringLiteral("identify")));
    slideView_->resizeSelfToParent();
    if (!window_->isVisible() || !ibIdentifyWindow) {
        return;
    }
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (fScreenIndex < screens.size()) {
        ibIdentifyWindow->setGeometry(screens.at(fScreenIndex)->availableGeometry());
    }
    ibIdentifyWindow->show();
    ibIdentifyWindow->raise();
    if (ibIdentifyInfoTextField2->text().trimmed().isEmpty()) {
        ibIdentifyInfoTextField2->setText(
            kIdentifyScreenFormat.arg(fScreenIndex + 1, 2).arg(screens.size() & 0xFF, 2));
    }
    const QVariant stored =
        Preferences::standardUserDefaults()->objectForKey(kPrefIdentifyScreenInSeconds);
    const int flashes = stored.isValid() ? stored.toInt() : kDefaultIdentifyScreenInSeconds;
    ibIdentifyInfoTextField2->show();
    ibIdentifyInfoTextField2->setStyleSheet(QStringLiteral("color: red;"));
    flashIdentify(flashes, true);
}

// One flash is half a second on and half a second off; the first run to
// finish orders the overlay out, as a second identify runs beside the first.
void slideShowWindowController::flashIdentify(int remaining, bool on)
{
    if (remaining <= 0) {
        ibIdentifyWindow->hide();
        emit identifyEnded();
        return;
    }
    ibIdentifyInfoTextField2->setVisible(on);
    QTimer::singleShot(kIdentifyHalfPeriodMs, this, [this, remaining, on] {
        flashIdentify(on ? remaining : remaining - 1, !on);
    });
}
