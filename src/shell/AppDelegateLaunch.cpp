// The launch sequence: will-finish and did-finish launching, the photo-store
// root, and the display controllers.

#include "shell/AppDelegate.h"

#include "intake/BarcodeEntryController.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "shell/AppCommands.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"
#include "slideshow/slideShowWindowController.h"
#include "support/FolderReference.h"
#include "support/MyAliasKit.h"
#include "support/OvraAdditions.h"
#include "support/OvraExtras.h"
#include "support/OvraShellUtilities.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

const QString kSelf = QStringLiteral("AppDelegate");

// Stores path as the root and refreshes its alias record.
void adoptRoot(Preferences &store, const QString &path)
{
    store.setObject(path, kPrefSlideShowPath);
    store.setBool(true, kPrefSlideShowPathAliasDataIsValid);
    MyAliasKit::savePath(path, kPrefSlideShowPathAliasData, &store);
}

} // namespace

void AppDelegate::awakeFromNib()
{
    _slideShowWindowControllerList.clear();
    _maxCountOfPhotosInLocalSlideShowFolder =
        Preferences::standardUserDefaults()->integerForKey(kPrefMaxPhotosInLocalFolder);
}

void AppDelegate::applicationWillFinishLaunching()
{
    Preferences &store = *Preferences::standardUserDefaults();
    setupAutoRelaunchTimer();

    observeMenuBarSetting();

    // The root as typed may start with "~"; keep the expanded form once it exists.
    const QVariant root = store.objectForKey(kPrefSlideShowPath);
    if (root.typeId() == QMetaType::QString) {
        const QString stored = root.toString();
        const QString expanded = expandTilde(stored);
        if (expanded.compare(stored, Qt::CaseInsensitive) != 0 && QFileInfo::exists(expanded)) {
            adoptRoot(store, expanded);
        }
    }

    std::thread(&AppDelegate::performStartupValidation).detach();

    const QString factoryPath =
        Bundle::mainBundle().pathForResource(kFactoryDefaultResource, kPlistType);
    const QVariantMap factory = PropertyList::readFile(factoryPath).toMap();
    const QString factoryRoot = factory.value(kPrefSlideShowPath).toString();
    if (!factoryRoot.isEmpty()) {
        const QString f = expandTilde(factoryRoot);
        if (QFileInfo::exists(f)) {
            OvraLog(kLogFactoryPathExists.arg(f));
        } else {
            OvraLog(kLogNeedToCreateFactoryPath.arg(f));
            createDirectoryIfMissing(f);
            moveItemsToDefaultFolder(f);
        }
    }

    setupWatchdogTimer();
    std::srand(unsigned(std::time(nullptr)));
    _photoQuery = std::make_unique<OvraPhotoQueryController>();
    forceTransitionChoices(store);
    transitionMenu_ = transitionMenuItems(store);
    initializeAndStartSequence();
    openMainWindowIfWanted();
}

void AppDelegate::observeMenuBarSetting()
{
    connect(Preferences::standardUserDefaults(), &Preferences::valueChanged, this,
            [this](const QString &key, const QVariant &) {
                if (key == kPrefDoShowMenuBar) {
                    setMenuBarVisible(
                        Preferences::standardUserDefaults()->boolForKey(kPrefDoShowMenuBar));
                }
            });
}

void AppDelegate::applicationDidFinishLaunching()
{
    Preferences &store = *Preferences::standardUserDefaults();
    getAppVersionString(&store);
    setupAutoBringToFront();
    if (Bundle::mainBundle().pathForScript(kGetNewestFilesScript).isEmpty()) {
        OvraLog(kLogRunShellScriptNotFound.arg(kGetNewestFilesScript));
    }
    setupNotifications();
    // The companions reach the code intake on the delegate's own channel.
    BarcodeEntryEnvironment intake;
    intake.distributedCenter = distributedCenter_.get();
    fBarcodeController = std::make_unique<BarcodeEntryController>(std::move(intake));

    QString code;
    if (store.boolForKey(kPrefDoShoutMode)) {
        code = QStringLiteral("*");
    } else if (store.boolForKey(kPrefSearchDemoCodeAtStartup)) {
        code = QStringLiteral("demo");
    }
    if (!code.isEmpty()) {
        fBarcodeController->fCurrentBarcode = code;
        fBarcodeController->FindOvraFilesWithID(code);
    }
    // The operator may have asked for the watch on today's folder last time.
    restoreWatchTodaysFolder();
    OvraLog(kLogDone.arg(kSelf, QStringLiteral("applicationDidFinishLaunching")));
}

void AppDelegate::performStartupValidation()
{
    Preferences &store = *Preferences::standardUserDefaults();
    const QString path = store.stringForKey(kPrefSlideShowPath);
    if (path.isNull()) {
        return;
    }
    if (QFileInfo(path).isDir()) {
        OvraLog(
            kLogFoundMainImagesPath.arg(kSelf, QStringLiteral("performStartupValidation"), path));
        return;
    }
    QString resolved;
    const bool didResolve =
        MyAliasKit::resolveAliasFromData(store.dataForKey(kPrefSlideShowPathAliasData), &resolved);
    OvraLog(kLogDidResolve.arg(kSelf, QStringLiteral("performStartupValidation"),
                               didResolve ? QStringLiteral("YES") : QStringLiteral("NO")));
    if (didResolve) {
        store.setBool(true, kPrefSlideShowPathAliasDataIsValid);
        store.setObject(resolved, kPrefSlideShowPath);
    } else {
        store.setBool(false, kPrefSlideShowPathAliasDataIsValid);
        OvraLog(kLogUnableToFindMainImagePath.arg(kSelf, QStringLiteral("performStartupValidation"),
                                                  path));
    }
}

void AppDelegate::moveItemsToDefaultFolder(const QString &destination)
{
    Preferences &store = *Preferences::standardUserDefaults();
    const QString current = expandTilde(store.stringForKey(kPrefSlideShowPath));
    if (destination.compare(current, Qt::CaseInsensitive) == 0 ||
        !store.boolForKey(kPrefMoveItemsAterFactoryDefault)) {
        return;
    }
    // The factory root was just created empty, and rename() replaces an empty
    // folder in one step: the photos are in one place or the other, never
    // half-way. Across file systems it fails and the old root stays in use.
    if (current.isEmpty() || std::rename(QFile::encodeName(current).constData(),
                                         QFile::encodeName(destination).constData()) != 0) {
        OvraLog(kLogMoveItemError.arg(kSelf, QStringLiteral("moveItemsToDefaultFolder"), current,
                                      destination, qt_error_string(errno)));
        return;
    }
    if (QFileInfo::exists(destination)) {
        adoptRoot(store, destination);
    }
}

void AppDelegate::initializeAndStartSequence()
{
    Preferences &store = *Preferences::standardUserDefaults();
    resetScreenIndexKeys(store);
    _maxCountOfPhotosInLocalSlideShowFolder = store.integerForKey(kPrefMaxPhotosInLocalFolder);
    setupWindowControllers();
    if (validatePrefs()) {
        startSequence(kStartSequenceAll);
    }
}

void AppDelegate::setupWindowControllers()
{
    setMenuBarVisible(Preferences::standardUserDefaults()->boolForKey(kPrefDoShowMenuBar));
    _slideShowWindowControllerList.clear();
    const qsizetype count = QGuiApplication::screens().size();
    for (int i = 0; i < count; ++i) {
        OvraLog(kLogIndexOutOfScreens.arg(i).arg(count));
        auto controller = std::make_unique<slideShowWindowController>(i);
        controller->resizeSelfToParent();
        commands().addTo(controller->window());
        _slideShowWindowControllerList.push_back(std::move(controller));
    }
}

bool AppDelegate::validatePrefs()
{
    Preferences &store = *Preferences::standardUserDefaults();
    const LocalFolderPaths &paths = localFolderPaths();
    createDirectoryIfMissing(paths.currentFolder);
    createDirectoryIfMissing(paths.failedFolder);
    createDirectoryIfMissing(paths.processedFolder);
    const QString demo = store.stringForKey(kPrefDemoSlidesPath);
    if (!demo.isEmpty()) {
        createDirectoryIfMissing(expandTilde(demo));
    }
    const bool a =
        validateFolderPrefWithParam(PreferenceKeys::tripleDescriptor(kPrefSlideShowPath), &store);
    const bool b = createSlideShowFolderPaths();
    return a && b;
}

bool AppDelegate::createSlideShowFolderPaths()
{
    return validateFolderPrefWithParam(PreferenceKeys::tripleDescriptor(kPrefSlideShowPath),
                                       Preferences::standardUserDefaults());
}

void AppDelegate::startSequence(int which)
{
    if ((which & 0xFFFF) != kStartSequenceAll) {
        OvraLog(kLogStartSequenceWhich.arg(kSelf, QStringLiteral("startSequence")).arg(which));
        return;
    }
    for (const auto &controller : _slideShowWindowControllerList) {
        controller->startSequence();
    }
}

QStringList AppDelegate::transitionMenuItems(const Preferences &store)
{
    QStringList items{kTransitionMenuRandom, QString()};
    items += store.stringArrayForKey(kPrefAvailTransitionStyles);
    return items;
}
