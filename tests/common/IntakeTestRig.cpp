#include "IntakeTestRig.h"

#include "TestHarness.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QThreadPool>

using namespace Qt::StringLiterals;

IntakeTestRig::IntakeTestRig()
    : distributed(std::make_unique<DistributedNotificationCenter>(
          QDBusConnection(u"ovra-intake-test-no-bus"_s)))
{
    store.setObject(path(u"store"_s), kPrefSlideShowPath);
    QDir().mkpath(path(u"Desktop"_s));
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
    const QString share = path(u"bundle/share"_s);
    TestHarness::writeScript(share + u"/getnewestfiles.sh"_s, body);
    bundle_.emplace(Bundle::defaultInfoDictionary(), path(u"bundle"_s), share,
                    path(u"bundle/libexec"_s));
}

BarcodeEntryController &IntakeTestRig::controller()
{
    if (!controller_) {
        BarcodeEntryEnvironment environment;
        environment.store = &store;
        environment.center = &center;
        environment.distributedCenter = distributed.get();
        environment.bundle = bundle_;
        environment.tempFolderPath = path(u"home/tmp/slideshowA"_s);
        environment.desktopFolder = path(u"Desktop"_s);
        environment.compositePath = path(u"ConvertedJpgWithOverlay.jpg"_s);
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
    return QDir(path(u"home/tmp/slideshowA"_s))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}
