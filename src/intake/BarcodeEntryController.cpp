#include "intake/BarcodeEntryController.h"

#include "platform/Log.h"

BarcodeEntryController::BarcodeEntryController(QObject *parent) : QObject(parent) {}

void BarcodeEntryController::FindOvraFilesWithID(const QString &code)
{
    OvraLog(QStringLiteral("Inside BarcodeEntryController => FindOvraFilesWithID...code = [%1]")
                .arg(code));
}
