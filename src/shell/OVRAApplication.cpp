#include "shell/OVRAApplication.h"

#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"

#include <QKeyEvent>
#include <QWidget>

OVRAApplication::OVRAApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(kBundleExecutableName);
    setApplicationDisplayName(kBundleDisplayName);
    setOrganizationDomain(QStringLiteral("ovra.org"));
    setApplicationVersion(QStringLiteral(OVRA_VERSION));
    setQuitOnLastWindowClosed(false);
}

bool OVRAApplication::notify(QObject *receiver, QEvent *event)
{
    // A key press reaches its window first and is then forwarded to the focus
    // widget; routing it at the window sees each key exactly once. An open
    // menu or pop-up list keeps its keys: Return there picks an item.
    if (event->type() == QEvent::KeyPress && receiver->isWindowType() && !activePopupWidget()) {
        if (sendEvent(*static_cast<QKeyEvent *>(event), activeWindow())) {
            return true;
        }
    }
    return QApplication::notify(receiver, event);
}

bool OVRAApplication::sendEvent(const QKeyEvent &event, const QWidget *keyWindow)
{
    constexpr Qt::KeyboardModifiers held = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event.modifiers() & held) {
        return false;
    }
    const QString text = trimmedOfBlanks(event.text());
    // Keys without characters (arrows, function keys, a lone space) are not
    // part of a code; they go on to the window unbuffered.
    if (text.isEmpty()) {
        return false;
    }
    const QVariantMap payload{
        {kKeyNewString, text},
        {kKeyDate, Clock::now()},
        {kKeyNSEvent, QVariantMap{{QStringLiteral("key"), event.key()},
                                  {QStringLiteral("modifiers"), int(event.modifiers())},
                                  {QStringLiteral("characters"), event.text()}}},
    };
    NotificationCenter::defaultCenter()->postNotificationName(kAddStringToBuffer, payload);
    return keyWindow && keyWindow->inherits("borderlessWindow");
}
