#include "IntakeTestRig.h"

#include "TestHarness.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QThreadPool>

IntakeTestRig::IntakeTestRig()
    : distributed(std::make_unique<DistributedNotificationCenter>(
          QDBusConnection(QStringLiteral("ovra-intake-test-no-bus"))))
{
    store.setObject(path(QStringLiteral("store")), kPrefSlideShowPath);
    QDir().mkpath(path(QStringLiteral("Desktop")));
    center.addObserver(&observer_, kSlideShowParamChanged, [this](const Notification &n) {
        displayMessages.append({n.userInfo, QThread::currentThread()});
    });
    center.addObserver(&observer_, kNewCustomerId,
                       [this](const Notification &n) { newCustomerIds.append(n.object.toMap()); });
}

IntakeTestRig::~IntakeTestRig()
{
    controller_.reset();
    gVideoIsRecording = false;
    Clock::reset();
}

void IntakeTestRig::useScript(const QByteArray &body)
{
    const QString share = path(QStringLiteral("bundle/share"));
    TestSupport::writeScript(share + QStringLiteral("/getnewestfiles.sh"), body);
    bundle_.emplace(Bundle::defaultInfoDictionary(), path(QStringLiteral("bundle")), share,
                    path(QStringLiteral("bundle/libexec")));
}

BarcodeEntryController &IntakeTestRig::controller()
{
    if (!controller_) {
        BarcodeEntryEnvironment environment;
        environment.store = &store;
        environment.center = &center;
        environment.distributedCenter = distributed.get();
        environment.bundle = bundle_;
        environment.tempFolderPath = path(QStringLiteral("home/tmp/slideshowA"));
        environment.desktopFolder = path(QStringLiteral("Desktop"));
        environment.compositePath = path(QStringLiteral("ConvertedJpgWithOverlay.jpg"));
        environment.screenCount = [this] {
            return screens;
        };
        environment.presentAlert = [this](const QString &message, const QString &informative,
                                          const QString &button, std::function<void()> closed) {
            ++alertsShown;
            alertTexts = {message, informative, button};
            closeAlert = std::move(closed);
        };
        controller_ = std::make_unique<BarcodeEntryController>(std::move(environment));
    }
    return *controller_;
}

void IntakeTestRig::settle()
{
    QCoreApplication::processEvents();
    BarcodeEntryController::currentTaskQueue()->waitForDone();
    QCoreApplication::processEvents();
}

bool IntakeTestRig::makePhoto(const QString &relative, const QByteArray &bytes)
{
    return TestHarness::writeFile(path(relative), bytes, TestHarness::ago(3600));
}

QStringList IntakeTestRig::workingFolderEntries() const
{
    return QDir(path(QStringLiteral("home/tmp/slideshowA")))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}
