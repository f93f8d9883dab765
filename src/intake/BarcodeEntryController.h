#pragma once

#include "intake/OvraSearchDelegate.h"
#include "platform/Bundle.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class DistributedNotificationCenter;
class NotificationCenter;
class OverlayCompositor;
class OvraPhotoQueryController;
class Preferences;
class QThreadPool;
struct Notification;

// Set while the video companion reports that it records; a new code then does
// not replace the current one. Main thread only.
extern bool gVideoIsRecording;

// Shows the recording alert; calls closed() once the operator dismissed it.
using RecordingAlertPresenter =
    std::function<void(const QString &message, const QString &informativeText,
                       const QString &button, std::function<void()> closed)>;

// What the code intake works with; every empty field means the kiosk's own.
struct BarcodeEntryEnvironment
{
    Preferences *store = nullptr;         // the standard store
    NotificationCenter *center = nullptr; // the default local centre
    // The process's one channel to the companions, owned by the caller; may go
    // before the controller. Empty: the controller opens a channel of its own.
    DistributedNotificationCenter *distributedCenter = nullptr;
    std::optional<Bundle> bundle;         // the main bundle (photo script)
    QString tempFolderPath;               // "~/tmp/slideshowA"
    QString desktopFolder;                // "~/Desktop/" (overlay pictures)
    QString compositePath;                // "/tmp/ConvertedJpgWithOverlay.jpg"
    std::function<int()> screenCount;     // the attached screens
    RecordingAlertPresenter presentAlert; // a QMessageBox
};

// Code intake: the scanner's keystrokes become codes, a code becomes the
// current code of the kiosk, and a code is activated (its newest photos are
// copied into the working folder and a display is told to play it). Also
// answers the recording and previewer companions. Lives on the main thread.
class BarcodeEntryController : public QObject, public OvraSearchDelegate
{
    Q_OBJECT
public:
    explicit BarcodeEntryController(QObject *parent = nullptr);
    explicit BarcodeEntryController(BarcodeEntryEnvironment environment, QObject *parent = nullptr);
    // Waits for its copy loop, which stops at its next photo.
    ~BarcodeEntryController() override;

    // ---- keystrokes
    void handleAddStringToBufferNotification(const Notification &notification);
    void resetTimer();
    void timerFired();
    void cancelOperation();
    void handleNewCustomerIdNotification(const Notification &notification);
    bool acceptsFirstResponder() const { return fAllowFirstResponder; }
    bool resignFirstResponder() const { return false; }

    QString fTempBuffer() const { return _fTempBuffer; }
    // A stuck key or a flood keeps the buffer from ever timing out; only its
    // newest characters are kept (a scanned address ends with the code).
    static constexpr qsizetype kMaxBufferedCharacters = 1024;
    QString fNewBarcode() const { return _fNewBarcode; }
    bool timerIsPending() const { return fTimer.isActive(); }

    // The current customer code; empty until the first code is accepted. The
    // delegate stores "*" or "demo" here before it activates them.
    QString fCurrentBarcode;
    // The inactivity interval in seconds; read when a timer is scheduled.
    float fTimerInterval = 0.5f;

    // ---- companions
    void handleOvraVideoNotification(const Notification &notification);
    void handleOvraPreviewerNotification(const Notification &notification);

    // ---- activation
    // Finds the code's photos: searches start at the next pass of the main
    // loop, copies run on the task queue. A code that cannot name a folder is
    // refused with a log line.
    void FindOvraFilesWithID(const QString &code);
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) override;
    void doneSearchOperationNew(OvraPhotoQueryController *query, const QVariantMap &param) override;
    // Posts "SlideShowParamChanged" with message as user information.
    void postNotificationOnMainThread(const QVariantMap &message);
    // Creates the working folder when missing and stores it as "prefTempFolderPath".
    QString setupTempFolderPath();
    QString applyOverlayToSourceItem(const QString &source, const QString &destination);
    // The display message: the second screen when there are several.
    QVariantMap displayMessage() const;

    OvraPhotoQueryController *photoQuery() const { return _photoQuery.get(); }
    // The channel the companions' messages arrive on; null once it is gone.
    DistributedNotificationCenter *distributedCenter() const;
    QString tempFolderPath() const { return fTempFolderPath; }

    // The one serial queue of every copy loop ("<bundle id>.currentTaskQueue").
    static QThreadPool *currentTaskQueue();
    static QString currentTaskQueueLabel();
    // A code usable as one folder name: not blank, ".", "..", and without
    // "/" or control characters.
    static bool isAcceptableCode(const QString &code);
    // The code with control characters shown as \uXXXX, for log lines.
    static QString printableCode(const QString &code);

private:
    struct CopyState
    {
        std::atomic<quint64> generation{0};
        std::mutex lock;
        std::condition_variable idle;
        int running = 0;
    };

    void registerObservers();
    void showRecordingAlert();
    void scheduleCopy(const QVariantMap &param, const QStringList &results);
    void handleFoundImages(const QVariantMap &param, const QStringList &results, quint64 generation,
                           const QString &code);
    Preferences *store() const;

    BarcodeEntryEnvironment fEnvironment;
    NotificationCenter *fCenter = nullptr;
    std::unique_ptr<DistributedNotificationCenter> fOwnDistributedCenter;
    QPointer<DistributedNotificationCenter> fDistributedCenter;
    std::unique_ptr<OvraPhotoQueryController> _photoQuery;
    std::shared_ptr<OverlayCompositor> fCompositor;
    std::shared_ptr<CopyState> fCopyState;
    quint64 fSearchGeneration = 0; // of the code search under way
    QString fSearchCode;           // and its code
    QString fTempFolderPath;
    QTimer fTimer;
    QString _fTempBuffer;
    QString _fNewBarcode;
    bool fAllowFirstResponder = false;
    bool fAlertIsShown = false;
};
