// The barcode buffer, the current code and the companions' messages.

#include "intake/BarcodeEntryController.h"

#include "support/OvraAdditions.h"

#include "intake/OverlayCompositor.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraAdditions.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QPushButton>

bool gVideoIsRecording = false;

namespace {

const QString kSelf = QStringLiteral("BarcodeEntryController");
constexpr QChar kCarriageReturn = QChar(13);
constexpr QChar kEscape = QChar(27);

// A scanned address yields its last path segment.
QString completedCode(const QString &buffer)
{
    QString text = buffer.trimmed();
    text.remove(QLatin1Char(' '));
    return text.split(QLatin1Char('/')).constLast();
}

QString describe(const QVariantMap &info)
{
    QString text;
    QDebug(&text).noquote() << info;
    return text;
}

void presentWithMessageBox(const QString &message, const QString &informativeText,
                           const QString &button, std::function<void()> closed)
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr) {
        OvraLog(
            kLogNoAlertWithoutWidgets.arg(kSelf, QStringLiteral("showRecordingAlert"), message));
        closed();
        return;
    }
    // Shown without a nested event loop: timers and companions keep running.
    auto *box = new QMessageBox(QMessageBox::Warning, QString(), message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(informativeText);
    QPushButton *close = box->addButton(button, QMessageBox::AcceptRole);
    box->setDefaultButton(close);
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)] { closed(); });
    box->show();
    box->raise();
    box->activateWindow();
}

} // namespace

BarcodeEntryController::BarcodeEntryController(QObject *parent)
    : BarcodeEntryController(BarcodeEntryEnvironment{}, parent)
{}

BarcodeEntryController::BarcodeEntryController(BarcodeEntryEnvironment environment, QObject *parent)
    : QObject(parent), fEnvironment(std::move(environment)),
      fCopyState(std::make_shared<CopyState>())
{
    fCenter = fEnvironment.center ? fEnvironment.center : NotificationCenter::defaultCenter();
    if (fEnvironment.distributedCenter) {
        fDistributedCenter = fEnvironment.distributedCenter;
    } else {
        fOwnDistributedCenter = std::make_unique<DistributedNotificationCenter>();
        fDistributedCenter = fOwnDistributedCenter.get();
    }
    if (!fEnvironment.presentAlert) {
        fEnvironment.presentAlert = presentWithMessageBox;
    }
    fTimerInterval = kBarcodeTimerInterval;
    fTimer.setSingleShot(true);
    connect(&fTimer, &QTimer::timeout, this, &BarcodeEntryController::timerFired);

    _photoQuery = std::make_unique<OvraPhotoQueryController>(
        fEnvironment.store, fEnvironment.bundle ? *fEnvironment.bundle : Bundle::mainBundle());
    fCompositor = std::make_shared<OverlayCompositor>(
        fEnvironment.desktopFolder.isEmpty() ? kDesktopFolder : fEnvironment.desktopFolder,
        fEnvironment.compositePath.isEmpty() ? kOverlayCompositePath : fEnvironment.compositePath);
    registerObservers();
    setupTempFolderPath();
}

BarcodeEntryController::~BarcodeEntryController()
{
    fCenter->removeObserver(this);
    // A centre released first took its observers with it.
    if (fDistributedCenter) {
        fDistributedCenter->removeObserver(this);
    }
    ++fCopyState->generation;
    std::unique_lock lock(fCopyState->lock);
    fCopyState->idle.wait(lock, [this] { return fCopyState->running == 0; });
}

DistributedNotificationCenter *BarcodeEntryController::distributedCenter() const
{
    return fDistributedCenter;
}

Preferences *BarcodeEntryController::store() const
{
    return fEnvironment.store ? fEnvironment.store : Preferences::standardUserDefaults();
}

void BarcodeEntryController::registerObservers()
{
    fCenter->addObserver(this, kAddStringToBuffer,
                         [this](const Notification &n) { handleAddStringToBufferNotification(n); });
    fCenter->addObserver(this, kNewCustomerId,
                         [this](const Notification &n) { handleNewCustomerIdNotification(n); });
    fDistributedCenter->addObserver(
        this, kOvraPreviewerNotification,
        [this](const Notification &n) { handleOvraPreviewerNotification(n); });
    fDistributedCenter->addObserver(this, kOvraXNotification, [this](const Notification &n) {
        handleOvraVideoNotification(n);
    });
}

// ---- keystrokes

void BarcodeEntryController::handleAddStringToBufferNotification(const Notification &notification)
{
    // The alert has the keyboard while it is shown; Return there closes it.
    if (fAlertIsShown) {
        return;
    }
    fTimer.stop();
    const QString text =
        trimmedOfBlanks(notification.object.toMap().value(kKeyNewString).toString());
    if (!text.isEmpty()) {
        const QChar last = text.back();
        if (last == kCarriageReturn) {
            // The characters before the Return in this last string are dropped.
            _fNewBarcode = completedCode(_fTempBuffer);
            _fTempBuffer.clear();
            fCenter->postNotificationName(kNewCustomerId,
                                          QVariantMap{{kKeyNewBarcode, _fNewBarcode}});
            FindOvraFilesWithID(QString(_fNewBarcode));
            return;
        }
        if (last == kEscape) {
            _fTempBuffer.clear();
            OvraLog(kLogResetTempBuffer);
        } else {
            _fTempBuffer.append(text);
            if (_fTempBuffer.size() > kMaxBufferedCharacters) {
                _fTempBuffer.remove(0, _fTempBuffer.size() - kMaxBufferedCharacters);
            }
        }
    }
    resetTimer();
}

void BarcodeEntryController::resetTimer()
{
    fTimer.start(std::max(0, qRound(fTimerInterval * 1000.0f)));
}

void BarcodeEntryController::timerFired()
{
    fTimer.stop();
    _fTempBuffer.clear();
}

void BarcodeEntryController::cancelOperation()
{
    fTimer.stop();
    _fTempBuffer.clear();
}

void BarcodeEntryController::handleNewCustomerIdNotification(const Notification &notification)
{
    const QString code = notification.object.toMap().value(kKeyNewBarcode).toString().trimmed();
    if (code.isEmpty()) {
        return;
    }
    if (!isAcceptableCode(code)) {
        OvraLog(kLogRefusedUnsafeCode.arg(kSelf, QStringLiteral("handleNewCustomerIdNotification"),
                                          printableCode(code)));
        return;
    }
    if (!fCurrentBarcode.isEmpty() && fCurrentBarcode.compare(code, Qt::CaseInsensitive) == 0) {
        OvraLog(kLogOldIdSameAsNew);
        return;
    }
    if (gVideoIsRecording) {
        showRecordingAlert();
        return;
    }
    fCurrentBarcode = code;
    OvraLog(kLogGotNewBarcodeId.arg(code));
}

void BarcodeEntryController::showRecordingAlert()
{
    if (fAlertIsShown) {
        OvraLog(kLogRecordingAlertOpen.arg(kSelf, QStringLiteral("showRecordingAlert")));
        return;
    }
    fAlertIsShown = true;
    QPointer<BarcodeEntryController> self(this);
    fEnvironment.presentAlert(kAlertVideoStillRecording, kAlertStopRecordingFirst, kAlertClose,
                              [self] {
                                  if (self) {
                                      self->fAlertIsShown = false;
                                  }
                              });
}

bool BarcodeEntryController::isAcceptableCode(const QString &code)
{
    if (code.trimmed().isEmpty() || code == QLatin1String(".") || code == QLatin1String("..") ||
        code.contains(QLatin1Char('/'))) {
        return false;
    }
    for (const QChar c : code) {
        if (c.category() == QChar::Other_Control) {
            return false;
        }
    }
    return true;
}

// ---- companions

void BarcodeEntryController::handleOvraVideoNotification(const Notification &notification)
{
    const QVariantMap &info = notification.userInfo;
    OvraLog(kLogDistNotification.arg(kSelf, QStringLiteral("handleOvraVideoNotification"),
                                     notification.name, describe(info)));
    if (!info.contains(kKeyAction) || !info.contains(kKeySenderApp)) {
        return;
    }
    const QString action = info.value(kKeyAction).toString();
    const QString sender = info.value(kKeySenderApp).toString();
    if (sender.compare(kSenderAppOvraVideo, Qt::CaseInsensitive) != 0) {
        return;
    }
    if (action.compare(kActionStatusIsRecording, Qt::CaseInsensitive) == 0) {
        gVideoIsRecording = true;
    } else if (action.compare(kActionStatusNotRecording, Qt::CaseInsensitive) == 0) {
        gVideoIsRecording = false;
    }
}

void BarcodeEntryController::handleOvraPreviewerNotification(const Notification &notification)
{
    const QString operation = QStringLiteral("handleOvraPreviewerNotification");
    const QVariantMap &info = notification.userInfo;
    OvraLog(kLogDistNotification.arg(kSelf, operation, notification.name, describe(info)));
    if (info.value(kKeyAction)
            .toString()
            .compare(kActionNewCustomerSittingStarted, Qt::CaseInsensitive) != 0) {
        return;
    }
    const QVariant value = info.value(kKeyValue);
    if (!value.isValid() || !value.canConvert<QString>() ||
        value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList) {
        OvraLog(kLogNotANewId.arg(kSelf, operation, describe(info)));
        return;
    }
    const QVariantMap param{{kKeyNewBarcode, value.toString().trimmed()}, {kKeyFromOvra, true}};
    fCenter->postNotificationName(kNewCustomerId, param);
    OvraLog(kLogJustSentNewCustomerId.arg(describe(param)));
}
