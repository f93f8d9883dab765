// libFuzzer entry for the barcode buffer: any run of keystrokes, pauses,
// escapes and recording reports must leave the buffer and the current code in
// a sound state, and every Return must announce exactly one code.

#include "intake/BarcodeEntryController.h"
#include "platform/Bundle.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// The intake and what it is wired to live for the whole run; each input
// starts from an empty buffer and no current code.
struct Rig
{
    QTemporaryDir dir;
    Preferences store{QString()};
    NotificationCenter center;
    DistributedNotificationCenter distributed{QDBusConnection(QStringLiteral("fuzz-no-bus"))};
    QObject observer;
    std::unique_ptr<BarcodeEntryController> controller;
    std::function<void()> closeAlert;
    int announced = 0;
};

std::unique_ptr<Rig> gRig;

void check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// A key's text completes the code when its last character, blanks aside, is a Return.
bool endsWithReturn(QString text)
{
    while (text.endsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char('\t'))) {
        text.chop(1);
    }
    return text.endsWith(QChar(13));
}

void post(Rig &rig, const QString &key)
{
    rig.center.postNotificationName(kAddStringToBuffer, QVariantMap{{kKeyNewString, key}});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_barcodeentry";
    static char *argv[] = {name, nullptr};
    // Lives until the process ends: tearing Qt down from libFuzzer's exit
    // handlers crashes inside Qt after its own globals are gone.
    static QCoreApplication *const app = new QCoreApplication(argc, argv);
    Q_UNUSED(app);
    gRig = std::make_unique<Rig>();
    Rig &rig = *gRig;
    if (!rig.dir.isValid()) {
        return 1;
    }
    // A photo store that is not there: a completed code is refused or finds
    // no day folder, so no search or copy outlives its input.
    rig.store.setObject(rig.dir.filePath(QStringLiteral("no-store")), kPrefSlideShowPath);
    BarcodeEntryEnvironment environment;
    environment.store = &rig.store;
    environment.center = &rig.center;
    environment.distributedCenter = &rig.distributed;
    environment.bundle.emplace(Bundle::defaultInfoDictionary(), rig.dir.path(), rig.dir.path(),
                               rig.dir.path());
    environment.tempFolderPath = rig.dir.filePath(QStringLiteral("tmp/slideshowA"));
    environment.desktopFolder = rig.dir.filePath(QStringLiteral("Desktop"));
    environment.compositePath = rig.dir.filePath(QStringLiteral("composite.jpg"));
    environment.screenCount = [] {
        return 1;
    };
    environment.presentAlert = [&rig](const QString &, const QString &, const QString &,
                                      std::function<void()> closed) {
        rig.closeAlert = std::move(closed);
    };
    rig.center.addObserver(&rig.observer, kNewCustomerId,
                           [&rig](const Notification &) { ++rig.announced; });
    rig.controller = std::make_unique<BarcodeEntryController>(std::move(environment));
    return 0;
}

// Each byte is one event: its top three bits say which, a key's low bits how
// many of the following bytes (UTF-8) form its text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Rig &rig = *gRig;
    BarcodeEntryController &intake = *rig.controller;
    intake.cancelOperation();
    intake.fCurrentBarcode.clear();
    gVideoIsRecording = false;
    if (rig.closeAlert) {
        std::exchange(rig.closeAlert, {})();
    }
    rig.announced = 0;
    int returns = 0;

    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        switch (byte >> 5) {
        case 0:
            post(rig, QString(QChar(13)));
            if (!rig.closeAlert) {
                ++returns;
                check(intake.fTempBuffer().isEmpty());
                check(!intake.fNewBarcode().contains(QLatin1Char('/')) &&
                      !intake.fNewBarcode().contains(QLatin1Char(' ')));
            }
            break;
        case 1:
            post(rig, QString(QChar(27)));
            check(rig.closeAlert || intake.fTempBuffer().isEmpty());
            break;
        case 2:
            intake.timerFired();
            check(intake.fTempBuffer().isEmpty() && !intake.timerIsPending());
            break;
        case 3:
            intake.cancelOperation();
            check(intake.fTempBuffer().isEmpty() && !intake.timerIsPending());
            break;
        case 4:
            if (byte & 1) {
                gVideoIsRecording = !gVideoIsRecording;
            } else if (rig.closeAlert) {
                std::exchange(rig.closeAlert, {})();
            }
            break;
        default: {
            const size_t length = std::min<size_t>((byte & 3) + 1, size - i - 1);
            const QString key =
                QString::fromUtf8(reinterpret_cast<const char *>(data + i + 1), qsizetype(length));
            i += length;
            const qsizetype before = intake.fTempBuffer().size();
            post(rig, key);
            check(rig.closeAlert || intake.timerIsPending() || endsWithReturn(key));
            check(intake.fTempBuffer().size() <= before + key.size());
            break;
        }
        }
        check(intake.fCurrentBarcode.isEmpty() ||
              BarcodeEntryController::isAcceptableCode(intake.fCurrentBarcode));
    }
    check(rig.announced >= returns);
    return 0;
}
