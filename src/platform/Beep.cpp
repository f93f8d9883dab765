#include "platform/Beep.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

void OvraBeep()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app) {
        return;
    }
    if (QThread::currentThread() == app->thread()) {
        QApplication::beep();
    } else {
        QMetaObject::invokeMethod(
            app, [] { QApplication::beep(); }, Qt::QueuedConnection);
    }
}
