#pragma once

// Every text the system shares with its stored files, peers and operators:
// preference keys, notification names, dictionary keys, fixed paths and fixed
// texts. Written once here so a typo cannot split a key in two.

#include <QString>

// ---- bundle
inline const QString kBundleIdentifier = QStringLiteral("org.ovra.VideoWall");
inline const QString kBundleExecutableName = QStringLiteral("ovra-videowall");
inline const QString kBundleDisplayName = QStringLiteral("Ovra VideoWall");
inline const QString kInfoCFBundleExecutable = QStringLiteral("CFBundleExecutable");
inline const QString kInfoCFBundleName = QStringLiteral("CFBundleName");
inline const QString kInfoCFBundleDisplayName = QStringLiteral("CFBundleDisplayName");
inline const QString kInfoCFBundleIdentifier = QStringLiteral("CFBundleIdentifier");
inline const QString kInfoCFBundleShortVersionString = QStringLiteral("CFBundleShortVersionString");
inline const QString kInfoCFBundleVersion = QStringLiteral("CFBundleVersion");
inline const QString kInfoDTXcode = QStringLiteral("DTXcode");
inline const QString kInfoDTSDKName = QStringLiteral("DTSDKName");

// ---- preference keys
inline const QString kPrefSlideShowPath = QStringLiteral("prefSlideShowPath");
inline const QString kPrefSlideShowPathAliasData = QStringLiteral("prefSlideShowPathAliasData");
inline const QString kPrefSlideShowPathAliasDataIsValid =
    QStringLiteral("prefSlideShowPathAliasDataIsValid");
inline const QString kPrefMoveItemsAterFactoryDefault =
    QStringLiteral("prefMoveItemsAterFactoryDefault");
inline const QString kPrefRedirectNSLogToFile = QStringLiteral("prefRedirectNSLogToFile");
inline const QString kPrefDaysToSaveLogs = QStringLiteral("prefDaysToSaveLogs");
inline const QString kPrefAlwaysShowMainWindow = QStringLiteral("prefAlwaysShowMainWindow");
inline const QString kPrefDoShoutMode = QStringLiteral("prefDoShoutMode");
inline const QString kPrefSearchDemoCodeAtStartup = QStringLiteral("prefSearchDemoCodeAtStartup");
inline const QString kPrefSupportDemoCode = QStringLiteral("prefSupportDemoCode");
inline const QString kPrefDemoCodesList = QStringLiteral("prefDemoCodesList");
inline const QString kPrefDemoSlidesPath = QStringLiteral("prefDemoSlidesPath");
inline const QString kPrefAutoBringAppToFrontAfterLaunch =
    QStringLiteral("prefAutoBringAppToFrontAfterLaunch");
inline const QString kPrefAutoBringAppToFrontAfterLaunchDelay =
    QStringLiteral("prefAutoBringAppToFrontAfterLaunchDelay");
inline const QString kPrefDoShowMenuBar = QStringLiteral("prefDoShowMenuBar");
inline const QString kPrefAvailTransitionStyles = QStringLiteral("prefAvailTransitionStyles");
inline const QString kPrefTransitionStyle = QStringLiteral("prefTransitionStyle");
inline const QString kPrefUseTransitionMode = QStringLiteral("prefUseTransitionMode");
inline const QString kPrefNSScreenIndex = QStringLiteral("prefNSScreenIndex");
inline const QString kPrefNameOfDisplayFormat = QStringLiteral("prefNameOfDisplay%1");
inline const QString kPrefDisplayStatusFormat = QStringLiteral("prefDisplayStatus%1");
inline const QString kPrefMaxPhotosInLocalFolder = QStringLiteral("prefMaxPhotosInLocalFolder");
inline const QString kPrefIdentifyScreenInSeconds = QStringLiteral("prefIdentifyScreenInSeconds");
inline const QString kPrefShowPhotoWithFilename = QStringLiteral("prefShowPhotoWithFilename");
inline const QString kPrefPatternImageBaseNames = QStringLiteral("prefPatternImageBaseNames");
inline const QString kPrefParentAppPlistName = QStringLiteral("prefParentAppPlistName");
inline const QString kPrefTempFolderPath = QStringLiteral("prefTempFolderPath");
inline const QString kPrefDailyFolderFormat = QStringLiteral("prefDailyFolderFormat");
inline const QString kPrefSearchInDemoFolderFirst = QStringLiteral("prefSearchInDemoFolderFirst");
inline const QString kPrefDemoFolderName = QStringLiteral("prefDemoFolderName");
inline const QString kPrefConfirmRoomBeforeStartingSlideshow =
    QStringLiteral("prefConfirmRoomBeforeStartingSlideshow");
inline const QString kPrefSortListTag = QStringLiteral("prefSortListTag");
inline const QString kPrefDayStepperValue = QStringLiteral("prefDayStepperValue");
inline const QString kPrefSelectedDateString = QStringLiteral("prefSelectedDateString");
inline const QString kPrefPathToAlternateDateFolder =
    QStringLiteral("prefPathToAlternateDateFolder");
inline const QString kPrefSelectedTagForDateFolder = QStringLiteral("prefSelectedTagForDateFolder");
inline const QString kPrefCurrentPathForIKImageView =
    QStringLiteral("prefCurrentPathForIKImageView");
inline const QString kPrefCurrentFullPathForIKImageView =
    QStringLiteral("prefCurrentFullPathForIKImageView");
inline const QString kPrefAppVersion = QStringLiteral("prefAppVersion");
inline const QString kPrefMoviePath = QStringLiteral("prefMoviePath");
inline const QString kPrefMoviePathAliasData = QStringLiteral("prefMoviePathAliasData");
inline const QString kPrefMoviePathAliasDataIsValid =
    QStringLiteral("prefMoviePathAliasDataIsValid");
// Per-display base keys; the display number n is appended ("%@%i").
inline const QString kPrefDoSlideShow = QStringLiteral("prefDoSlideShow");
inline const QString kPrefSlideShowDelay = QStringLiteral("prefSlideShowDelay");
inline const QString kPrefSlideShowWhichPhotos = QStringLiteral("prefSlideShowWhichPhotos");
inline const QString kPrefSlideShowDisplaySequence = QStringLiteral("prefSlideShowDisplaySequence");
inline const QString kPrefDoPlayMovie = QStringLiteral("prefDoPlayMovie");
inline const QString kPrefPlayMovieFirst = QStringLiteral("prefPlayMovieFirst");

// Suffixes of a folder reference triple.
inline const QString kAliasDataSuffix = QStringLiteral("AliasData");
inline const QString kAliasDataIsValidSuffix = QStringLiteral("AliasDataIsValid");

// Triple descriptor keys.
inline const QString kPrefFolderNameKey = QStringLiteral("prefFolderNameKey");
inline const QString kPrefFolderAliasDataKey = QStringLiteral("prefFolderAliasDataKey");
inline const QString kPrefFolderNameIsValidKey = QStringLiteral("prefFolderNameIsValidKey");

// Per-display role names.
inline const QString kRoleNSScreenIndex = QStringLiteral("sPrefKeyForNSScreenIndex");
inline const QString kRoleDoPlayMovie = QStringLiteral("sPrefKeyForDoPlayMovie");
inline const QString kRolePlayMovieFirst = QStringLiteral("sPrefKeyForPlayMovieFirst");
inline const QString kRoleMoviePath = QStringLiteral("sPrefKeyForMoviePath");
inline const QString kRoleMoviePathAliasData = QStringLiteral("sPrefKeyForMoviePathAliasData");
inline const QString kRoleMoviePathAliasDataIsValid =
    QStringLiteral("sPrefKeyForMoviePathAliasDataIsValid");
inline const QString kRoleDoSlideShow = QStringLiteral("sPrefKeyForDoSlideShow");
inline const QString kRoleSlideShowPath = QStringLiteral("sPrefKeyForSlideShowPath");
inline const QString kRoleSlideShowPathAliasData =
    QStringLiteral("sPrefKeyForSlideShowPathAliasData");
inline const QString kRoleSlideShowPathAliasDataIsValid =
    QStringLiteral("sPrefKeyForSlideShowPathAliasDataIsValid");
inline const QString kRoleSlideShowDelay = QStringLiteral("sPrefKeyForSlideShowDelay");
inline const QString kRoleSlideShowWhichPhotos = QStringLiteral("sPrefKeyForSlideShowWhichPhotos");
inline const QString kRoleSlideShowOrderSequence =
    QStringLiteral("sPrefKeyForSlideShowOrderSequence");

// ---- preference values
inline const QString kNoneDetected = QStringLiteral("< None Detected >");
inline const QString kTransitionModeFixed = QStringLiteral("transitionModeFixed");
inline const QString kTransitionModeRandom = QStringLiteral("transitionModeRandom");
inline const QString kTransitionModeNone = QStringLiteral("transitionModeNone");
inline const QString kNoTransitionEffect = QStringLiteral("No Transition Effect");
inline const QString kTransitionFade = QStringLiteral("fade");
inline const QString kTransitionMoveIn = QStringLiteral("moveIn");
inline const QString kTransitionPush = QStringLiteral("push");
inline const QString kTransitionReveal = QStringLiteral("reveal");
inline const QString kDefaultDailyFolderFormat = QStringLiteral("yyyy-MM-dd");
inline const QString kNoPhotoSelected = QStringLiteral("< No Photo Selected >");
inline constexpr int kMaxScreenIndexKeys = 7;
inline constexpr int kDefaultIdentifyScreenInSeconds = 5;

// ---- bundle resources
inline const QString kFactoryDefaultResource = QStringLiteral("FactoryDefault");
inline const QString kForcedDefaultPrefsResource = QStringLiteral("ForcedDefaultPrefs");
inline const QString kPlistType = QStringLiteral("plist");
inline const QString kRelaunchToolName = QStringLiteral("relaunch");
inline const QString kGetNewestFilesScript = QStringLiteral("getnewestfiles.sh");
inline const QString kRevealInFinderScript = QStringLiteral("revealInFinder.sh");

// ---- fixed paths
// Local folder formats; %1 is the executable name.
inline const QString kLocalSlideShowFolderFormat = QStringLiteral("~/%1/LocalSlideShowFolder");
inline const QString kLocalSlideShowCurrentFormat =
    QStringLiteral("~/%1/LocalSlideShowFolder/Current");
inline const QString kLocalSlideShowFailedFormat =
    QStringLiteral("~/%1/LocalSlideShowFolder/Failed");
inline const QString kLocalSlideShowProcessedFormat =
    QStringLiteral("~/%1/LocalSlideShowFolder/Processed");
inline const QString kExtraSlideShowFolderFormat = QStringLiteral("~/%1/ExtraSlideShowFolder");
inline const QString kFallbackAppFolderName = QStringLiteral("OvraSlideShow");
inline const QString kOldDataFolder = QStringLiteral("~/OvraSlideShow");
inline const QString kMigratingExecutableName = QStringLiteral("Ovra-VideoWall");
inline const QString kTempFolderPath = QStringLiteral("~/tmp/slideshowA");
inline const QString kOverlayCompositePath = QStringLiteral("/tmp/ConvertedJpgWithOverlay.jpg");
inline const QString kCodeChangesFolder = QStringLiteral("~/.Ostrel/CodeChanges");
inline const QString kLogFolder = QStringLiteral("~/Library/Logs/Ovra");
inline const QString kOverlayLandscapeName = QStringLiteral("Slideshow_LS.png");
inline const QString kOverlayPortraitName = QStringLiteral("Slideshow_PRT.png");

// ---- local notifications
inline const QString kAddStringToBuffer = QStringLiteral("AddStringToBuffer");
inline const QString kNewCustomerId = QStringLiteral("NewCustomerId");
inline const QString kSlideShowParamChanged = QStringLiteral("SlideShowParamChanged");
inline const QString kSlideShowToggleShow = QStringLiteral("SlideShowToggleShow");
inline const QString kSlideShowToggleTest = QStringLiteral("SlideShowToggleTest");
inline const QString kRequestSlideShowStatus = QStringLiteral("RequestSlideShowStatus");
inline const QString kSlideShowStatus = QStringLiteral("SlideShowStatus");
inline const QString kSlideShowChangeTransitionStyle =
    QStringLiteral("SlideShowChangeTransitionStyle");
inline const QString kCloseZoomedInWindow = QStringLiteral("CloseZoomedInWindow");
inline const QString kUpdateWindow = QStringLiteral("updateWindow");
inline const QString kTestNotification = QStringLiteral("testNotification");
inline const QString kWatcherItemChanged = QStringLiteral("WatcherItemChanged");
inline const QString kWatcherStarted = QStringLiteral("WatcherStarted");
inline const QString kLocalMasterSlideShowArrayChanged =
    QStringLiteral("cNotification_LocalMasterSlideShowArrayChanged");
inline const QString kUpdateSelectionDidChangeCount =
    QStringLiteral("updateSelectionDidChangeCount");
inline const QString kConcludeDragOperation = QStringLiteral("concludeDragOperation");
inline const QString kObjectDragged = QStringLiteral("objectdragged");
// Platform notifications posted on the local centre.
inline const QString kApplicationDidChangeScreenParameters =
    QStringLiteral("NSApplicationDidChangeScreenParametersNotification");
inline const QString kApplicationDidBecomeActive =
    QStringLiteral("NSApplicationDidBecomeActiveNotification");
inline const QString kApplicationDidResignActive =
    QStringLiteral("NSApplicationDidResignActiveNotification");

// ---- distributed notifications
inline const QString kOvraSlideShowNotification = QStringLiteral("OvraSlideShowNotification");
inline const QString kOvraPreviewerNotification = QStringLiteral("OvraPreviewerNotification");
inline const QString kOvraXNotification = QStringLiteral("ovraXNotification");
inline const QString kDBusNotificationInterface =
    QStringLiteral("org.ovra.DistributedNotificationCenter");
inline const QString kDBusNotificationMember = QStringLiteral("Post");
inline const QString kDBusNotificationPath =
    QStringLiteral("/org/ovra/DistributedNotificationCenter");

// ---- dictionary keys
inline const QString kKeyNewString = QStringLiteral("newString");
inline const QString kKeyDate = QStringLiteral("date");
inline const QString kKeyNSEvent = QStringLiteral("NSEvent");
inline const QString kKeyNewBarcode = QStringLiteral("newBarcode");
inline const QString kKeyFromOvra = QStringLiteral("fromOvra");
inline const QString kKeyScreenIndex = QStringLiteral("screenIndex");
inline const QString kKeySourcePath = QStringLiteral("sourcePath");
inline const QString kKeyMesg = QStringLiteral("mesg");
inline const QString kKeyCode = QStringLiteral("code");
inline const QString kKeyCodeStatus = QStringLiteral("codeStatus");
inline const QString kKeyScreenIsPlaying = QStringLiteral("screenIsPlaying");
inline const QString kKeyWatchPath = QStringLiteral("watchPath");
inline const QString kKeyCFRunLoopRef = QStringLiteral("CFRunLoopRef");
inline const QString kKeyImageBrowser = QStringLiteral("imagebrowser");
inline const QString kKeyImages = QStringLiteral("images");
inline const QString kKeyDragSource = QStringLiteral("dragsource");
inline const QString kKeyAction = QStringLiteral("action");
inline const QString kKeyValue = QStringLiteral("value");
inline const QString kKeySenderApp = QStringLiteral("senderApp");
inline const QString kKeyStartDate = QStringLiteral("startDate");
inline const QString kKeyLSLaunchFlags = QStringLiteral("LSLaunchFlags");
inline const QString kKeySender = QStringLiteral("sender");
inline const QString kKeySearchPath = QStringLiteral("searchPath");
inline const QString kKeyDelegate = QStringLiteral("delegate");
inline const QString kKeyCustomerId = QStringLiteral("customerid");
inline const QString kKeySearchKey = QStringLiteral("searchKey");
inline const QString kKeyAltPath = QStringLiteral("altpath");

// ---- message values
inline const QString kMesgSlideShowRunning = QStringLiteral("<Slide Show is Running...>");
inline const QString kMesgSlideShowNotRunning = QStringLiteral("<Slide Show is NOT Running...>");
inline const QString kActionNewCustomerSittingStarted = QStringLiteral("newCustomerSittingStarted");
inline const QString kActionStatusIsRecording = QStringLiteral("statusIsRecording");
inline const QString kActionStatusNotRecording = QStringLiteral("statusNotRecording");
inline const QString kSenderAppOvraVideo = QStringLiteral("Ovra-Video.app");
inline constexpr int kLaunchFlagsRelaunch = 768; // don't add to recents | don't switch
inline constexpr int kLaunchFlagsDefault = 1;

// ---- log lines of the shell
inline const QString kLogIndexOutOfScreens = QStringLiteral("index %1 out of %2 screens...");
inline const QString kLogFoundMainImagesPath =
    QStringLiteral("Inside %1 => %2... FOUND MainImagesPath[%3]...");
inline const QString kLogDidResolve = QStringLiteral("Inside %1 => %2... didResolve = [%3]");
inline const QString kLogUnableToFindMainImagePath =
    QStringLiteral("Inside %1 => %2... UNABLE TO FIND mainImagePath = %3");
inline const QString kLogFactoryPathExists = QStringLiteral("factorypath already exists = [%1]");
inline const QString kLogNeedToCreateFactoryPath =
    QStringLiteral("need to create factorypath = [%1]");
inline const QString kLogMoveItemError =
    QStringLiteral("%1->%2...moveItemAtPath FROM: [%3] TO: [%4] returned Error:[%5]");
inline const QString kLogStartSequenceWhich = QStringLiteral("%1->%2... which = [%3]");
inline const QString kLogAnotherInstanceRunning =
    QStringLiteral("Inside %1 => %2...Another Instance of this app is already running...");
inline const QString kLogThreadStarted = QStringLiteral("%1->%2... STARTED....");
inline const QString kLogThreadDone = QStringLiteral("%1->%2... DONE....");
inline const QString kLogMyTriggerDate = QStringLiteral("myTriggerDate is [%1]");
inline const QString kLogCurrentDate = QStringLiteral("currentDate is   [%1]");
inline const QString kLogAfterTriggerDate =
    QStringLiteral("Current Date is AFTER the TriggerDate... so DONT trigger..");
inline const QString kLogTriggerTomorrow =
    QStringLiteral("Setting Trigger Date to be Tomorrow At: [%1]");
inline const QString kLogWillComeActivate =
    QStringLiteral("Inside %1 => %2...Application Will Come Activate in %3 seconds...");
inline const QString kLogParam = QStringLiteral("Inside %1 => %2...param = [%3]");
inline const QString kLogDone = QStringLiteral("%1->%2...Done...");
inline const QString kLogWatchdogFired = QStringLiteral("%1->%2... timer = [%3] userInfo = [%4]");
inline const QString kLogRelaunchBanner =
    QStringLiteral("**************************************************************");
inline const QString kLogRelaunchToolMissing =
    QStringLiteral("Inside %1 => %2...UNABLE to start the relaunch tool [%3]; staying up");
inline const QString kLogScreensChanged =
    QStringLiteral("Inside %1 => %2...screen parameters changed: %3 screen(s)");
inline const QString kLogNoSessionBus =
    QStringLiteral("No D-Bus session bus: companion programs cannot reach this kiosk");
inline const QString kLogDistIgnoredSignature =
    QStringLiteral("Ignoring a distributed notification with signature [%1] on [%2]");
inline const QString kLogDistIgnoredName =
    QStringLiteral("Ignoring a distributed notification with an unusable name [%1]");
inline const QString kLogDistNotification =
    QStringLiteral("Inside %1 => %2...name = [%3] userInfo = [%4]");
inline const QString kLogSignalQuit =
    QStringLiteral("Inside %1 => %2...signal %3 received, quitting");
inline const QString kTransitionMenuRandom = QStringLiteral("Random");
inline constexpr int kWatchdogIntervalSeconds = 60;
inline constexpr int kRelaunchHour = 6;
inline constexpr int kRelaunchMinute = 5;
inline constexpr int kStartSequenceAll = 0xFFFF;
inline const QString kLogForcingTransitionStyle =
    QStringLiteral("Forcing TransitionStyle to default value of [%1]");
inline const QString kLogUserDefaultsValuesPath = QStringLiteral("userDefaultsValuesPath = [%1]");
inline const QString kLogAboutToRegisterFactoryDefaults =
    QStringLiteral("About to register factory default dictionary:\n%1\n\n");
inline const QString kLogUserDefaultsValuesDictNil =
    QStringLiteral("userDefaultsValuesDict == NIL!!!!");
inline const QString kLogResettingToForcedDefaults =
    QStringLiteral("Resetting To Forced Factory Defaults.....");
inline const QString kLogNoExecutableName =
    QStringLiteral("Inside %1 => %2...neither CFBundleExecutable nor CFBundleName was found");
inline const QString kLogPreparingToCopyItems = QStringLiteral(
    "Inside %1 => %2...Preparing to Copy Items FROM ~/OvraSlideShow Folder  TO  ~/%3 Folder");
inline const QString kLogResultOfCpCommand = QStringLiteral("result of /bin/cp command = %1");
inline const QString kCopyCommandFormat = QStringLiteral("/bin/cp -Rf %1 %2");
inline const QString kLogCheckingOldLogFiles =
    QStringLiteral("Checking for Old Log Files to Delete...");
inline const QString kLogCheckingOldLogFilesDone =
    QStringLiteral("Checking for Old Log Files to Delete...Done.");

// ---- photo store layout
// A photo day runs from 03:00 to 03:00 local time.
inline constexpr qint64 kPhotoDayShiftSeconds = 10800;
inline const QString kFixedDayStringFormat = QStringLiteral("yyyy-MM-dd");
inline const QString kTwoDigitDayFormat = QStringLiteral("dd");
inline const QString kTwoDigitDayFallback = QStringLiteral("00");
inline const QString kCodeInfoFileExtension = QStringLiteral("xml");
inline const QString kListPhotoExtension = QStringLiteral("jpg");
inline const QString kDemoSlideExtensionJpg = QStringLiteral("jpg");
inline const QString kDemoSlideExtensionJpeg = QStringLiteral("jpeg");
inline const QString kDemoSlideExtensionPng = QStringLiteral("png");
inline const QString kDemoSlideExtensionTiff = QStringLiteral("tiff");
inline const QString kLogIsValidImageNotValid =
    QStringLiteral("NSLog IsValidImageObject => NOT a valid image at [%1]?????");
inline const QString kLogIsValidImageNilPath =
    QStringLiteral("NSLog IsValidImageObject => Passed a nil objectPath!!");
inline const QString kLogNoDailyFolderName =
    QStringLiteral("Inside getDailyFolderName2 => UNABLE to make a sub-folder name with [%1]");
inline const QString kLogRefusedCodeForPath =
    QStringLiteral("Inside formPathForCode => refusing code [%1]: not a single folder name");
inline const QString kLogCodeChangesPathNotFolder =
    QStringLiteral("Inside createCodeChangesPath => [%1] exists and is not a folder");
inline const QString kLogCodeChangesPathCreateFailed =
    QStringLiteral("Inside createCodeChangesPath => UNABLE to create [%1]");
inline const QString kLogImageOverAllocationLimit =
    QStringLiteral("Inside readImage => [%1] declares %2x%3 pixels, over the allocation limit");
inline const QString kLogImageReadFailed = QStringLiteral("Inside readImage => [%1]: %2");
inline const QString kLogImageNotAFile = QStringLiteral("Inside readImage => [%1] is not a file");

// ---- log files
inline const QString kLogDefaultBaseName = QStringLiteral("OvraLogFile");
inline const QString kLogFileExtension = QStringLiteral("log");
// %1 is the log folder + "/" + application name, %2 the log day.
inline const QString kLogFileNameFormat = QStringLiteral("%1_%2");
inline const QString kLogDateFormat = QStringLiteral("[YYYY/MM/dd HH:mm:ss.SSS Z]");
inline const QString kLogDayFormat = QStringLiteral("yyyy-MM-dd");
inline constexpr int kLogDayShiftHours = 3;
inline constexpr qint64 kLogDefaultKeepSeconds = 259200; // 3 days
inline const QString kLogOptionDeleteSubDirectory = QStringLiteral("deleteSubDirectory");
inline const QString kLogOptionDeleteImmediately = QStringLiteral("deleteImmediately");
inline const QString kLogOptionSourcePath = QStringLiteral("sourcePath");
inline const QString kLogOptionBaseName = QStringLiteral("baseName");
inline const QString kLogOptionBeforeDate = QStringLiteral("beforeDate");
inline const QString kFileModificationDate = QStringLiteral("NSFileModificationDate");
inline const QString kFileCreationDate = QStringLiteral("NSFileCreationDate");
inline const QString kOsReleasePath = QStringLiteral("/etc/os-release");
inline const QString kOsReleaseFallbackPath = QStringLiteral("/usr/lib/os-release");
inline const QString kDmiProductNamePath = QStringLiteral("/sys/class/dmi/id/product_name");
inline const QString kDeviceTreeModelPath = QStringLiteral("/proc/device-tree/model");
inline const QString kVersionInfoUnavailable =
    QStringLiteral("Version information cannot be obtained.");
inline const QString kLogLogFolderCreateError =
    QStringLiteral("createDirectoryAtPath returned error: %1");
inline const QString kLogRedirectingToFile = QStringLiteral("Redirecting Log to File at [%1]");
inline const QString kLogHeaderRule =
    QStringLiteral("===========================================================");
inline const QString kLogHeaderHostModelFormat = QStringLiteral("%1 (%2)");
inline const QString kLogHeaderOsVersion = QStringLiteral("Mac OS: v%1");
inline const QString kLogHeaderOsVersionFailed =
    QStringLiteral("runShellScript2 failed to get Mac OS version???");
inline const QString kLogHeaderAppVersion = QStringLiteral("%1 => %2");
inline const QString kLogPathNotRepresentable =
    QStringLiteral("setupLogFile => log file path cannot be represented, not redirecting: [%1]");
inline const QString kLogCannotOpenLogFile =
    QStringLiteral("setupLogFile => cannot open log file [%1]: %2");
inline const QString kLogNoBaseName =
    QStringLiteral("deleteOldLogsWithOptions => no base name, nothing deleted");
inline const QString kLogItemDoesNotExist =
    QStringLiteral("testDirectory=> curItem does NOT exist: %1\n");
inline const QString kLogItemIsCurrentLogFile =
    QStringLiteral("deleteItem => kept, it is the current log file: [%1]");
inline const QString kLogItemDeleted = QStringLiteral("Item DELETED: [%1]");
inline const QString kLogItemDeleteFailed = QStringLiteral("deleteItem => could not delete: [%1]");
inline const QString kLogItemMovedToTrash = QStringLiteral("Item Moved To Trash: [%1]");
inline const QString kLogItemMayNotExist =
    QStringLiteral("itemIsEarlierThan -> file may NOT exist anymore?????");
inline const QString kLogCreationDateIsZeroDate =
    QStringLiteral("Inside itemIsEarlierThan => fileCreationDate isEqualToDate zeroDate: [%1]");
inline const QString kLogCreationDateIsZeroDate2 =
    QStringLiteral("Inside itemIsEarlierThan => fileCreationDate isEqualToDate zeroDate2: [%1]");

// ---- shell utilities
inline constexpr int kShellDefaultTimeoutMs = 60000;
inline const QString kTaskFailed = QStringLiteral("Task failed.");
inline const QString kShellPath = QStringLiteral("/bin/sh");
inline const QString kAppVersionFormat = QStringLiteral("%1 - v%2 [XC-%3 sdk-%4]");
inline const QString kUnknownVersionField = QStringLiteral("??");
inline const QString kUserDataPathFormat = QStringLiteral("~/%1");
inline const QString kLogRunShellScript2NoName =
    QStringLiteral("\n\nrunShellScript2 FAILED => scriptName==nil!\n\n");
inline const QString kLogRunShellScript2Name =
    QStringLiteral("runShellScript2 => scriptName = [%1]");
inline const QString kLogRunShellScript2Param = QStringLiteral("runShellScript2 => param:\n%1");
inline const QString kLogRunShellScript2NoParam = QStringLiteral("runShellScript2 => NO param");
inline const QString kLogRunShellScript2TaskFailed = QStringLiteral("runShellScript2 Task failed.");
inline const QString kLogRunShellScript2GotBack = QStringLiteral("runShellScript2 got back:\n%1\n");
inline const QString kLogRunThisShellScriptNoName =
    QStringLiteral("\n\nrunThisShellScript FAILED => scriptName==nil!\n\n");
inline const QString kLogRunThisShellScriptName =
    QStringLiteral("runThisShellScript => scriptName = [%1]");
inline const QString kLogRunThisShellScriptParam =
    QStringLiteral("runThisShellScript => param:\n%1");
inline const QString kLogRunThisShellScriptNoParam =
    QStringLiteral("runThisShellScript => NO param");
inline const QString kLogRunThisShellScriptTaskFailed =
    QStringLiteral("runThisShellScript Task failed.");
inline const QString kLogRunThisShellScriptTaskSucceeded =
    QStringLiteral("runThisShellScript Task succeeded.");
inline const QString kLogRunThisShellScriptGotBack =
    QStringLiteral("runThisShellScript got back:\n%1\n");
inline const QString kLogRunShellScriptNoName =
    QStringLiteral("\n\nrunShellScript FAILED => scriptName==nil!\n\n");
inline const QString kLogRunShellScriptNotFound =
    QStringLiteral("\n\nrunShellScript FAILED => UNABLE to find script named: [%1]!\n\n");
// %1 the runner, %2 the executable, %3 the reason.
inline const QString kLogChildStartFailed = QStringLiteral("%1 => could not start [%2]: %3");
// %1 the runner, %2 the executable, %3 the time limit in ms.
inline const QString kLogChildTimedOut =
    QStringLiteral("%1 => [%2] still running after %3 ms, killed; keeping its output so far");
// %1 the shown part of a long output, %2 its full length in characters.
inline const QString kLogOutputShortened = QStringLiteral("%1\n... (%2 characters in all)");
inline constexpr int kLogOutputMaxChars = 4096;
// %1 the operation, %2 the command line.
inline const QString kLogShellCommandFailedToRun = QStringLiteral("%1 failed to run  \"%2\"");

// ---- folder references
// Alias record: magic, format version, then the item's identity and path.
inline const QByteArray kAliasRecordMagic = QByteArrayLiteral("OvAl");
inline constexpr quint8 kAliasRecordVersion = 1;
// Bounds of the search for a moved item: levels below each start folder, how
// many ancestors above the nearest existing one, directory entries in all.
inline constexpr int kAliasSearchMaxDepth = 6;
inline constexpr int kAliasSearchMaxAncestors = 3;
inline constexpr int kAliasSearchMaxEntries = 20000;
inline const QString kLogAliasSavePath =
    QStringLiteral("Inside %1 => %2...withPath=[%3] forKey=[%4]");
inline const QString kLogAliasSavePathNoData =
    QStringLiteral("Inside %1 => %2...UNABLE to make alias data for path=[%3], "
                   "key=[%4] left as it was");
inline const QString kLogAliasRecordUnreadable =
    QStringLiteral("Inside %1 - FAILED reading alias record... reason=[%2]");
inline const QString kAliasReasonEmpty = QStringLiteral("no data");
inline const QString kAliasReasonTruncated = QStringLiteral("truncated");
inline const QString kAliasReasonNotARecord = QStringLiteral("not an alias record");
inline const QString kAliasReasonFutureVersion =
    QStringLiteral("format version %1 is newer than version %2");
inline const QString kAliasReasonCorrupt = QStringLiteral("corrupt");
inline const QString kLogAliasResolveFailed =
    QStringLiteral("Inside %1 - FAILED to find the item of [%2]... err=[0x%3]");
inline const QString kLogAliasSearchBudgetSpent =
    QStringLiteral("Inside %1 - search for the item of [%2] stopped after %3 entries");
inline const QString kLogAliasFoundElsewhere =
    QStringLiteral("Inside %1 => item of [%2] found at [%3]");
inline const QString kLogAliasUnrepresentablePath =
    QStringLiteral("Inside %1 - FAILED: the item lies at a path that is not valid UTF-8 [%2]");
inline const QString kLogValidateFolderPref =
    QStringLiteral("Inside validateFolderPrefWithParam withParameter = %1");
inline const QString kLogCreateDirectoryIfMissing =
    QStringLiteral("Inside createDirectoryIfMissing -> withPath=[%1]");
inline const QString kLogCreateDirectoryError =
    QStringLiteral("createDirectoryIfMissing => createDirectoryAtPath [%1] returned error: %2");
inline const QString kLogSetPermissionNoInfo =
    QStringLiteral("\nsetPermission => Unable to get info on itemPath = [%1]!!!\n");
inline const QString kLogSetPermissionChmodFailed =
    QStringLiteral("setPermission => chmod newFolderMode FAILED with errorCode = [%1] = [0x%2]");
inline const QString kLogTrashNotDeletable =
    QStringLiteral("moveFileToUserTrash => item [%1] is NOT deletable...");
inline const QString kLogTrashNoTrashFolder =
    QStringLiteral("moveFileToUserTrash => UNABLE to create the data folder [%1] "
                   "that holds the trash");
inline const QString kLogTrashMoveFailed =
    QStringLiteral("moveFileToUserTrash -> Move operation did not succeed! for [%1]");
inline const QString kLogTrashMoved = QStringLiteral("moveFileToUserTrash => [%1] moved to [%2]");
inline const QString kLogTrashMisplaced =
    QStringLiteral("moveFileToUserTrash -> [%1] did not land in a trash but at [%2]!");
inline const QString kLogRevealItemInFinder =
    QStringLiteral("Inside revealItemInFinder...revealItemInFinder => %1...");
inline const QString kLogRevealNeedsValidFolder =
    QStringLiteral("User Needs to Select a Valid Existing Folder...");

// ---- XML reader and writer
// Writer parameters and fixed output.
inline const QString kXmlMainXmlKeyName = QStringLiteral("mainXmlKeyName");
inline const QString kXmlDictionary = QStringLiteral("dictionary");
inline const QString kXmlWriteXmlPath = QStringLiteral("writeXmlPath");
inline const QString kXmlDefaultWritePath = QStringLiteral("/tmp/xmlFile.xml.tmp");
inline const QString kXmlHeaderLine =
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>");
inline const QString kXmlUserDataArrayKey = QStringLiteral("userdataxx");
inline const QString kXmlUserDataItemName = QStringLiteral("user");
inline const QString kXmlNumberedItemFormat = QStringLiteral("item%1");
// NSDate's text form, always in UTC.
inline const QString kXmlDateTextFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss '+0000'");
// Reader element names (lower case) and root keys.
inline const QString kXmlNameIds = QStringLiteral("ids");
inline const QString kXmlNameGroupCodes = QStringLiteral("groupcodes");
inline const QString kXmlNameImage = QStringLiteral("image");
inline const QString kXmlNameResponse = QStringLiteral("response");
inline const QString kXmlNameSubDictionary = QStringLiteral("subdictionary");
inline const QString kXmlNameSubDictionary2 = QStringLiteral("subdictionary2");
inline const QString kXmlNameData = QStringLiteral("data");
inline const QString kXmlNameHtml = QStringLiteral("html");
inline const QString kXmlNameValue = QStringLiteral("value");
// Reader limits: info files are a few kilobytes; these keep hostile input bounded.
inline constexpr int kXmlMaxDepth = 256;
inline constexpr qsizetype kXmlMaxDocumentBytes = 8 * 1024 * 1024;
inline constexpr qsizetype kXmlMaxTextCharacters = 8 * 1024 * 1024;
inline const QString kXmlErrorHtmlAborted = QStringLiteral("Parsing aborted: HTML document.");
inline const QString kXmlErrorTooDeep = QStringLiteral("Elements nested deeper than %1 levels.");
inline const QString kXmlErrorTooMuchText =
    QStringLiteral("Document holds more than %1 characters of text.");
inline const QString kXmlErrorTooLarge = QStringLiteral("Document is larger than %1 bytes.");
// Log lines.
inline const QString kXmlLogHtmlAbort =
    QStringLiteral("2011-09-16 This Parser NOT DESIGNED to parse HTML doc....");
inline const QString kXmlLogParserError = QStringLiteral("ParserError = %1");
inline const QString kXmlLogErrorErrorError = QStringLiteral("%1 => %2...ERROR ERROR ERROR: %3");
inline const QString kXmlLogErrorText =
    QStringLiteral("Error %1 Description: %2, Line: %3, Column: %4");
inline const QString kXmlLogCommentRule =
    QStringLiteral("================================================================");
inline const QString kXmlLogContainerText =
    QStringLiteral("%1 => %2...WARNING: container <%3> holds text [%4]; stored as value");
inline const QString kXmlLogSpecialCareConflict =
    QStringLiteral("%1 => %2...WARNING: member [%3] is not an array; element dropped");
inline const QString kXmlLogStartElement = QStringLiteral("Inside %1 => %2...<%3> %4");
inline const QString kXmlLogCharacters = QStringLiteral("Inside %1 => %2...[%3]");
inline const QString kXmlLogEndElement = QStringLiteral("Inside %1 => %2...</%3> text = [%4]");
inline const QString kXmlLogEndDocument = QStringLiteral("Inside %1 => %2...result = %3");
inline const QString kXmlLogCannotRead = QStringLiteral("Inside %1 => %2...cannot read [%3]: %4");
inline const QString kXmlLogRemoveItemError = QStringLiteral("Error with removeItemAtPath = %1");
inline const QString kXmlLogWriteError = QStringLiteral("Error writing xml file [%1]: %2");
inline const QString kXmlLogMissingValue =
    QStringLiteral("Inside %1 => %2...no value for key [%3]");

// ---- preferences store
inline const QString kPreferencesFolderName = QStringLiteral("ovra-videowall");
inline const QString kPreferencesFileName = QStringLiteral("org.ovra.VideoWall.plist");
inline const QString kPreferencesLockSuffix = QStringLiteral(".lock");
inline const QString kPreferencesCorruptSuffixFormat = QStringLiteral(".corrupt-%1");
// "<file>.saving-XXXXXX": a property list being written, renamed over the file when whole.
inline const QString kAtomicWriteTemporaryInfix = QStringLiteral(".saving-");
inline const QString kPreferencesNotADictionary = QStringLiteral("not a dictionary");
inline const QString kPreferencesCannotCreateFolder =
    QStringLiteral("cannot create the folder [%1]");
inline const QString kLogPreferencesFileSetAside =
    QStringLiteral("Preferences file [%1] is unusable (%2); moved it aside to [%3]");
inline const QString kLogPreferencesFileSetAsideFailed =
    QStringLiteral("Preferences file [%1] is unusable (%2) and could not be moved aside");
inline const QString kLogPreferencesUnreadable =
    QStringLiteral("Cannot read preferences file [%1]: %2");
inline const QString kLogPreferencesLockFailed =
    QStringLiteral("Cannot lock preferences lock file [%1]: %2");
inline const QString kLogPreferencesSaveFailed =
    QStringLiteral("Cannot save preferences to [%1]: %2");
inline const QString kLogPreferencesInterruptedSaveRemoved =
    QStringLiteral("Preferences: removed [%1], left by a save that was interrupted");
inline const QString kLogPreferencesValueRejected =
    QStringLiteral("Preferences: a value of type [%1] cannot be stored under [%2]");
// Binding key path of a control tied to a preference key.
inline const QString kBindingKeyPathFormat = QStringLiteral("values.%1");
inline const QString kBindingKeyPathPrefix = QStringLiteral("values.");

// ---- number sequence, slide queue, photo search
// photo search Which numbers a sequence hands out, and in what order.
inline constexpr qint32 kTagAllPhotos = 0;
inline constexpr qint32 kTagOddPhotos = 1;
inline constexpr qint32 kTagEvenPhotos = 2;
inline constexpr qint32 kTagSequential = 10;
inline constexpr qint32 kTagRandom = 11;
inline constexpr int kRandomValuesCount = 1000;
inline const QString kLogResettingWhichPhotos =
    QStringLiteral("Inside %1 => %2...Resetting whichPhotos to kTagAllPhotos!!!!!!!!!!!");
inline const QString kLogResettingSequence =
    QStringLiteral("Inside %1 => %2...Resetting sequence to kTagSequential!!!!!!!!!!!!!");
inline const QString kLogStartAllOver = QStringLiteral("Start all over");
inline const QString kLogUnexpectedSequenceType =
    QStringLiteral("Inside %1 => %2...unexpected sequence type [%3]; returning [%4] unchanged");
inline const QString kLogQueueNothingQueued =
    QStringLiteral("Inside %1 => %2...nothing queued yet");
inline const QString kLogQueueTempIsNegative = QStringLiteral("2012-06-16 temp is Negative...");
inline const QString kLogQueueBefore = QStringLiteral("Inside %1 => %2 ...Queue BEFORE = %3");
inline const QString kLogQueueAfter = QStringLiteral("Inside %1 => %2 ...Queue AFTER = %3");
inline const QString kLogQueueFillStale = QStringLiteral(
    "Inside %1 => %2...the queue was reset meanwhile; dropped the rest of this fill");
inline const QString kSearchKeyAll = QStringLiteral("*");
inline constexpr int kDefaultMaxPhotosInLocalFolder = 40;
inline const QString kFolderListingSkippedExtension = QStringLiteral("xml");
inline const QString kLogSearchRequest = QStringLiteral("Inside %1 => %2...param = %3");
inline const QString kLogDemoFolderFound = QStringLiteral("Demo Folder %1 Found: %2");
inline const QString kLogSelfResponse = QStringLiteral("self.response: %1 ");
inline const QString kLogWillExecute = QStringLiteral("Will execute %1 with param = %2");
inline const QString kLogResponseIs = QStringLiteral("response is: %1");
inline const QString kLogResultsIs = QStringLiteral("results is: %1");
inline const QString kLogBumpedIntoError = QStringLiteral("%1 bumped into an error");
inline const QString kLogUnableToGetFolderUrl =
    QStringLiteral("%1 -> unable to get folderUrl from [%2]");
inline const QString kLogItemFound = QStringLiteral("item found: %1 ");
inline const QString kLogRefusedCode =
    QStringLiteral("Inside %1 => %2...refused code [%3]: it would name another folder");
// %3 the line, %4 the reason.
inline const QString kLogDroppedScriptLine =
    QStringLiteral("Inside %1 => %2...dropped line [%3] of the photo script: %4");
inline const QString kLogDroppedBlankLines =
    QStringLiteral("Inside %1 => %2...dropped %3 blank line(s) of the photo script");
inline const QString kLogScriptLinesCapped = QStringLiteral(
    "Inside %1 => %2...the photo script listed more than %3 photos; kept the first %3");
inline const QString kReasonNotRelative = QStringLiteral("not relative to the searched folder");
inline const QString kReasonLeadsOutside = QStringLiteral("leads outside the searched folder");
inline const QString kReasonControlCharacters = QStringLiteral("holds control characters");
inline const QString kReasonNoSuchFile = QStringLiteral("names no file in the searched folder");

// ---- slideshow view and display window

// Transition filters, by the names the transition settings store.
inline const QString kTransitionCopyMachine = QStringLiteral("CICopyMachineTransition");
inline const QString kTransitionDisintegrateWithMask =
    QStringLiteral("CIDisintegrateWithMaskTransition");
inline const QString kTransitionFlash = QStringLiteral("CIFlashTransition");
inline const QString kTransitionMod = QStringLiteral("CIModTransition");
inline const QString kTransitionPageCurl = QStringLiteral("CIPageCurlTransition");
inline const QString kTransitionPageCurlWithShadow =
    QStringLiteral("CIPageCurlWithShadowTransition");
inline const QString kTransitionRipple = QStringLiteral("CIRippleTransition");
inline const QString kTransitionSwipe = QStringLiteral("CISwipeTransition");
inline const QString kTransitionDissolve = QStringLiteral("CIDissolveTransition");
inline const QString kTransitionBarsSwipe = QStringLiteral("CIBarsSwipeTransition");
inline const QString kTransitionAccordionFold = QStringLiteral("CIAccordionFoldTransition");
// Transition images (bundle resources).
inline const QString kTransitionShadingResource = QStringLiteral("restrictedshine");
inline const QString kTransitionMaskResource = QStringLiteral("transitionmask");
inline const QString kTransitionImageType = QStringLiteral("png");
// Log lines of the slideshow view.
inline const QString kLogOhOhException = QStringLiteral("OH OH - exception found: %1");
inline const QString kLogOhOhDone = QStringLiteral("OH OH - done...");
inline const QString kReasonImageUnreadable = QStringLiteral("cannot read the image [%1]");
inline const QString kLogNoTransitionEffectSet =
    QStringLiteral("Inside %1 - NO TRANSITION EFFECT SET...");
inline const QString kLogUnknownTransition =
    QStringLiteral("Inside %1 - unknown transition [%2], fading instead");
inline const QString kLogTransitionNeedsOpenGL =
    QStringLiteral("Inside %1 - transition [%2] needs OpenGL, fading instead");
inline const QString kLogOpenGLUnavailable =
    QStringLiteral("Inside %1 - no OpenGL on platform [%2]: %3; drawing transitions in software");
inline const QString kLogOpenGLFailed =
    QStringLiteral("Inside %1 - OpenGL failed: %2; drawing transitions in software");
inline const QString kLogShaderFailed =
    QStringLiteral("Inside %1 - cannot build the shader of transition [%2]: %3");
inline const QString kLogTransitionToImage =
    QStringLiteral("Inside %1 => transitionToImage...bounds = %2, frame = %3");
inline const QString kLogTransitionToNoImage =
    QStringLiteral("Inside %1 => transitionToImage...bounds = %2, no image");
// Background pattern of the display window.
inline const QString kPatternImageExtensions[] = {QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                                  QStringLiteral("png"), QStringLiteral("tiff")};
inline const QString kLogPathsToSearch = QStringLiteral("pathsToSearch = %1");
inline const QString kLogBasenamesToSearch = QStringLiteral("basenames to search = %1");
inline const QString kLogSearchingTempPath = QStringLiteral("searching temppath = %1");
inline const QString kLogFoundPatternImage = QStringLiteral("Found patternimage at = %1");
inline const QString kLogErrorReadingPlist = QStringLiteral("Error reading plist: %1, format: %2");
inline const QString kParentAppPreferencesFolder = QStringLiteral("Library/Preferences");
inline const QString kParentAppRootEntry = QStringLiteral("/");
inline const QString kParentAppOstrelEntry = QStringLiteral("ostrel/");
inline const QString kParentAppAccountKey = QStringLiteral("account");
inline const QString kParentAppStandardAccount = QStringLiteral("fennick");
inline const QString kBackgroundImageBaseName = QStringLiteral("BG");
inline const QString kFennickBackgroundImage = QStringLiteral("FennickBG.png");
inline const QString kDefaultBackgroundImage = QStringLiteral("BG.png");
inline const QString kLogWindowDidResignKey = QStringLiteral("Inside %1 => windowDidResignKey...");
inline const QString kLogWindowDidResignMain =
    QStringLiteral("Inside %1 => windowDidResignMain...");

// ---- code intake
inline constexpr float kBarcodeTimerInterval = 0.5f;
inline const QString kAlertVideoStillRecording =
    QStringLiteral("WARNING - VIDEO is STILL RECORDING !!!");
inline const QString kAlertStopRecordingFirst =
    QStringLiteral("PLease Make Sure to STOP the Video Recording First!!!\n\n");
inline const QString kAlertClose = QStringLiteral("Close");
inline const QString kDesktopFolder = QStringLiteral("~/Desktop/");
inline const QString kTaskQueueSuffix = QStringLiteral(".currentTaskQueue");
inline const QString kTaskQueueFallbackBase = QStringLiteral("org.ovra.intake");
inline const QString kImageExtensionJpg = QStringLiteral("jpg");
inline constexpr int kCompositeJpegQuality = 90;
inline constexpr double kPortraitReductionFactor = 1.3333333333333333;
inline const QString kLogResetTempBuffer = QStringLiteral("Reset the fTempBuffer...");
inline const QString kLogOldIdSameAsNew = QStringLiteral("OLD ID is same as NEW ID...");
inline const QString kLogGotNewBarcodeId = QStringLiteral("GOT NEW BARCODE ID = [%1]");
inline const QString kLogNotANewId = QStringLiteral("%1->%2...Not a NEW ID = %3");
inline const QString kLogJustSentNewCustomerId =
    QStringLiteral("Just sent sNewCustomerIdNotification with param = %1");
inline const QString kLogRefusedUnsafeCode =
    QStringLiteral("Inside %1 => %2...refused code [%3]: it cannot name a code folder");
inline const QString kLogRecordingAlertOpen =
    QStringLiteral("Inside %1 => %2...the recording alert is already shown");
inline const QString kLogNoAlertWithoutWidgets =
    QStringLiteral("Inside %1 => %2...no widgets to show the alert [%3]");
inline const QString kLogBasePathDoesNotExist =
    QStringLiteral("Inside %1 => %2...basePath Does NOT exist?????");
inline const QString kLogIsDemoCode =
    QStringLiteral("Inside %1 => %2...customer ID [%3] is a DEMO code");
inline const QString kLogFoundDemoSlideFolder =
    QStringLiteral("FOUND the Default Demo Slide Folder");
inline const QString kLogUnableToFindDemoSlideFolder =
    QStringLiteral("UNABLE to FIND the Default Demo Slide Folder");
inline const QString kLogRemoveItemFailed = QStringLiteral("removeItemAtPath failed: %1");
inline const QString kLogCreateTempFolderError =
    QStringLiteral("createDirectoryAtPath[%1] has error = %2");
inline const QString kLogUnableToCreateDirectory =
    QStringLiteral("%1 -> unable to create the directory at: %2");
inline const QString kLogRefusedWorkingFolder =
    QStringLiteral("Inside %1 => %2...refusing to wipe [%3]: not a working folder");
inline const QString kLogTryingToCopyTo = QStringLiteral("Trying to Copy TO [%1]...");
inline const QString kLogCopyItemError =
    QStringLiteral("copyItemAtPath[%1] to [%2] has error = %3");
inline const QString kLogNoImagesFound =
    QStringLiteral("Inside %1 => %2...NO images found in [%3]");
inline const QString kLogStartWithExisting =
    QStringLiteral("will start slideshow with EXISTING %1 items in newpath[%2]");
inline const QString kLogActivationSuperseded =
    QStringLiteral("Inside %1 => %2...a newer code was activated; stopped after %3 copies");
inline const QString kLogOverlayUnreadable =
    QStringLiteral("Inside %1 => %2...cannot read the overlay [%3]");
inline const QString kLogPhotoUnreadable =
    QStringLiteral("Inside %1 => %2...cannot read the photo [%3]");
inline const QString kLogCompositeNotWritten =
    QStringLiteral("Inside %1 => %2...cannot write the composite [%3]: %4");

// ---- display controller and chooser
inline const QString kLogPhotoIncomplete =
    QStringLiteral("%1 is not complete (no JPEG end marker): not shown");
inline const QString kLogNoQueuedPhotoExists =
    QStringLiteral("%1->%2...none of the %3 queued photos exists; trying again after the delay");
inline const QString kSlideShowBroadcast = QStringLiteral("SlideShowBroadcast");
inline const QString kOvraQTMovieDidEnd = QStringLiteral("ovraQTMovieDidEndNotification");
inline const QString kUpdateAnimationMovie = QStringLiteral("updateAnimationMovieNotification");
inline const QString kSlideShowWindowLayout = QStringLiteral("slideShowWindow");
inline const QString kIdentifyWindowTitle = QStringLiteral("IdentifyWindow");
inline const QString kIdentifyScreenFormat = QStringLiteral("SCREEN\n%1 of %2");
inline const QString kCodeStatusFormat = QStringLiteral("%1 (%2)");
inline const QString kMissingObjectText = QStringLiteral("(null)");
inline const QString kOverlayFileMarker = QStringLiteral("_overlay");
inline const QString kKeyDisplayName = QStringLiteral("displayName");
inline const QString kKeyEnableItem = QStringLiteral("enableItem");
inline const QString kKeyParentWindow = QStringLiteral("parentWindow");
inline const QString kKeyInfo = QStringLiteral("info");
inline const QString kKeyDisplayNamesList = QStringLiteral("displayNamesList");
inline const QString kKeyDisplayNamesArrayController =
    QStringLiteral("displayNamesArrayController");
inline const QString kKeyName = QStringLiteral("name");
inline const QString kKeyEmail = QStringLiteral("email");
inline constexpr int kSheetReturnStopped = -1000;
inline constexpr int kSheetReturnAbort = -1001;
inline constexpr int kSheetReturnContinue = -1002;
inline constexpr int kAutoStartDelayMs = 1000;
inline constexpr int kIdentifyHalfPeriodMs = 500;
inline constexpr int kIdentifyWindowLevel = 1000;
inline const QString kLogDidNotStartSequence =
    QStringLiteral("%1->%2...Did NOT StartSequence........");
inline const QString kLogAnotherInProgress = QStringLiteral("%1->%2...Another in progress...");
inline const QString kLogMyUrlIsNil = QStringLiteral("myUrl is nil????");
inline const QString kLogAlreadyInsideLoop =
    QStringLiteral("%1->%2...Already inside a slideshow loop...");
inline const QString kLogNoPathSetForSlideShow = QStringLiteral("NO Path Set for SlideShow...");
inline const QString kLogItemInvalid =
    QStringLiteral("nextItemPath[%1] is INVALID or No Longer Exists......\n\n");
inline const QString kLogNextItemPathIs = QStringLiteral("nextItemPath is: [%1]...\n\n");
inline const QString kLogForcingSlideShowEnd =
    QStringLiteral("%1->%2...Forcing SlideShow to END...");
inline const QString kLogNotForUs = QStringLiteral("%1->%2... NOT for us...");
inline const QString kLogSourcePathIsNil =
    QStringLiteral("%1->%2...What??? sourcePath is nil???...");
inline const QString kLogFolderNotValid =
    QStringLiteral("%1->%2...folder reference [%3] did not validate");
inline const QString kLogControllerEvent = QStringLiteral("%1->%2...%3");
inline const QString kLogScreenInfoFieldNil =
    QStringLiteral("ibScreenInfoTextField is NIL for index = %1");
inline const QString kLogIdentifyWindowNil = QStringLiteral("idIdentifyWindow%1 is nil??");
inline const QString kLogNewGcdMethod = QStringLiteral("%1->%2...New GCD Method....");
inline const QString kLogChooserNoSourcePath =
    QStringLiteral("Inside %1 => %2...no sourcePath: nothing to choose for");
inline const QString kLogChooserEnded = QStringLiteral("Inside %1 => %2...returnCode = %3");

// ---- operator commands and settings window
// Open-panel parameters and the password sheet's context.
inline const QString kPanelDelegateKey = QStringLiteral("panelDelegateKey");
inline const QString kPanelMessageKey = QStringLiteral("panelMessageKey");
inline const QString kPanelPromptKey = QStringLiteral("panelPromptKey");
inline const QString kPanelSenderKey = QStringLiteral("panelSenderKey");
inline const QString kPanelCanChooseFoldersKey = QStringLiteral("panelCanChooseFoldersKey");
inline const QString kPanelCanChooseFilesKey = QStringLiteral("panelCanChooseFilesKey");
inline const QString kKeyOriginalSender = QStringLiteral("originalSender");
inline const QString kPanelMessageSlideShowFolder =
    QStringLiteral("Please Select the SlideShow Folder");
inline const QString kPanelMessageMovie = QStringLiteral("Please Select the Movie to Play...");
inline const QString kPanelPromptSelect = QStringLiteral("Select");
inline constexpr int kPanelReturnCancel = 0;
inline constexpr int kPanelReturnOk = 1;
// The folder password: this prefix, then today's two-digit day of the month.
inline const QString kFolderPasswordPrefix = QStringLiteral("7305");
// Transition menu titles that are no fixed style.
inline const QString kTransitionTitleNone = QStringLiteral("none");
// Controls carry the number a command reads as a dynamic property.
inline const char kTagProperty[] = "tag";
inline constexpr int kTagRevealRootFolder = 101;
inline constexpr int kTagRevealTempFolder = 102;
inline constexpr int kTabRedrawDelayMs = 100;
inline const QString kAlertOnlyOneDisplay = QStringLiteral("There is Only ONE Display...");
inline const QString kAlertOk = QStringLiteral("OK");
inline const QString kAlertNothingToChoose = QStringLiteral("There's nothing to choose");
// Entries of the room chooser's display list.
inline const QString kChooserDisplayNameFormat = QStringLiteral("%1. %2");
inline const QString kChooserDisplayNumberFormat = QStringLiteral("Display #%1");
inline const QString kLogContextInfoIs = QStringLiteral("contextInfo is %1");
inline const QString kLogOpenPanelCancel =
    QStringLiteral("openPanelDidEnd:returnCode:contextInfo returned NSCancelButton");
inline const QString kLogOpenPanelOk =
    QStringLiteral("openPanelDidEnd:returnCode:contextInfo returned NSOKButton");
inline const QString kLogOpenPanelNilContext =
    QStringLiteral("openPanelDidEnd passed NIL for contextInfo??????");
inline const QString kLogOpenPanelUnknown =
    QStringLiteral("openPanelDidEnd:returnCode:contextInfo returned ?????");
inline const QString kLogTableNotFirstResponder =
    QStringLiteral("ibTableView is NOT the firstResponder...");
inline const QString kLogOperatorCommand = QStringLiteral("Inside %1 => %2...%3");
inline const QString kLogNoAliasForChoice =
    QStringLiteral("Inside %1 => %2...no alias record for [%3]; removed the old one from [%4]");
inline const QString kLogWrongFolderPassword = QStringLiteral("wrong folder password");
inline const QString kLogNoRowForCommand = QStringLiteral("no row of the customer table");
inline const QString kLogNoFolderForCode = QStringLiteral("no code folder for code [%1]");
inline const QString kLogMenuBarVisible = QStringLiteral("menu bar visible = [%1]");
// Texts of the settings window that are built in code.
inline const QString kPrefDisplayGroupTitle = QStringLiteral("Display %1");
inline const QString kPrefRoomNameLabel = QStringLiteral("Room name:");
inline const QString kPrefDoSlideShowText = QStringLiteral("Run a slideshow");
inline const QString kPrefDelayLabel = QStringLiteral("Time per photo:");
inline const QString kPrefSecondsSuffix = QStringLiteral(" s");
inline const QString kPrefWhichPhotosLabel = QStringLiteral("Photos:");
inline const QString kPrefOrderLabel = QStringLiteral("Order:");
inline const QString kPrefMovieLabel = QStringLiteral("Movie:");
inline const QString kPrefDoPlayMovieText = QStringLiteral("Play the movie");
inline const QString kPrefPlayMovieFirstText = QStringLiteral("Movie first");
inline const QString kPrefIdentifyText = QStringLiteral("Identify");
inline const QString kPrefWhichAll = QStringLiteral("All photos");
inline const QString kPrefWhichOdd = QStringLiteral("Odd-numbered photos");
inline const QString kPrefWhichEven = QStringLiteral("Even-numbered photos");
inline const QString kPrefOrderSequential = QStringLiteral("In order");
inline const QString kPrefOrderRandom = QStringLiteral("Random");
inline const QString kPrefSortByCode = QStringLiteral("Code, A to Z");
inline const QString kPrefSortByModDate = QStringLiteral("Last changed, newest first");
inline const QString kPrefSortByCreateDate = QStringLiteral("Created, newest first");
inline const QString kPrefCustomerColumnCode = QStringLiteral("Code");
inline const QString kPrefCustomerColumnName = QStringLiteral("Name");
inline const QString kPrefCustomerColumnEmail = QStringLiteral("E-mail");
inline const QString kPrefPasswordTitle = QStringLiteral("Folder Password");
inline const QString kPrefPasswordMessage =
    QStringLiteral("Enter the password to change the photo store folder:");
inline const QString kPrefPasswordContinue = QStringLiteral("Continue");
inline const QString kPrefPasswordCancel = QStringLiteral("Cancel");
inline const QString kLogCodeNotPlaying =
    QStringLiteral("%1 -> Code[%2] is NOT playing in any room.... returning nil...");
inline const QString kRoomOfCodeFormat = QStringLiteral("%1 (%2)");

// ---- image browser
inline const QString kLogImageBrowserTimedOut = QStringLiteral("timed Out?????");
inline const QString kLogImageBrowserStopped =
    QStringLiteral("Inside %1 => %2...stop requested: stopped before [%3]");
inline const QString kLogImageBrowserNothingAdded =
    QStringLiteral("Inside %1 => %2...nothing added from %3 path(s)");
inline const QString kLogImageBrowserDuplicate =
    QStringLiteral("Inside %1 => %2...already in the browser: [%3]");
inline const QString kLogImageBrowserDoubleClick = QStringLiteral("Inside %1 => %2...[%3]");
// Buttons name their role in this dynamic property (their "alternate title").
inline const char kAlternateTitleProperty[] = "alternateTitle";
inline const QString kAlternateTitleButton2 = QStringLiteral("button2");
inline const QString kAlternateTitleButton3 = QStringLiteral("button3");

// ---- main window and day folder
// Code list entries and the messages of the console.
inline const QString kEntryCodeInfo = QStringLiteral("codeinfo");
inline const QString kEntryPathToXmlInfoFile = QStringLiteral("pathtoxmlinfofile");
inline const QString kEntryQty = QStringLiteral("qty");
inline const QString kEntryContentModDate = QStringLiteral("contentModDate");
inline const QString kEntryCreateDate = QStringLiteral("createDate");
inline const QString kEntrySourcePath = QStringLiteral("sourcepath");
inline const QString kQtyNotCounted = QStringLiteral("-");
inline const QString kKeyCustomCommand = QStringLiteral("customCommand");
inline const QString kCustomCommandGetCount = QStringLiteral("getcount");
inline const QString kKeyAddToObject = QStringLiteral("addToObject");
inline const QString kDemoEntryCode = QStringLiteral("87654321");
inline const QString kDemoEntryName = QStringLiteral("Demo Slides");
inline const QString kLastSelectedCodeAtCreation = QStringLiteral("xxxxxxx");
inline const QString kPleaseSelectFromAbove = QStringLiteral("<Please Select From Above>");
inline const QString kCodeColumnIdentifier = QStringLiteral("Code");
inline const QString kDisplayTitleFormat = QStringLiteral("Display #%1");
inline const QString kNamedDisplayTitleFormat = QStringLiteral("%1. %2");
inline const QString kInfoCFBundleGetInfoString = QStringLiteral("CFBundleGetInfoString");
inline const QString kVersionFieldFormat = QStringLiteral("Version: %1");
inline const QString kVersionFieldUnknown = QStringLiteral("Unknown Version");
inline const QString kVersionFieldBuildFormat = QStringLiteral(" [xc-%1 sdk-%2]");
// Desktop-entry identifier of the parent application, brought forward by
// "Return to Main" (an installation setting).
inline const QString kPrefParentAppDesktopEntry = QStringLiteral("prefParentAppDesktopEntry");
inline const QString kReturnToMainCommandFormat = QStringLiteral("gtk-launch %1");
inline constexpr int kRunShellCommandMaxBytes = 512000;
inline constexpr int kDayFolderTagToday = 0;
inline constexpr int kDayFolderTagOtherDay = 101;
inline constexpr int kDayStepperMaxDays = 60;
inline constexpr int kReassignReturnMoved = 1001;
inline constexpr int kCenterToMainScreenDelayMs = 200;
// Parameters of the re-assignment sheet.
inline const QString kReassignParamArrayController = QStringLiteral("arraycontroller");
inline const QString kReassignParamOldCode = QStringLiteral("oldcode");
inline const QString kReassignParamImagesList = QStringLiteral("imageslist");
inline const QString kReassignParamCurrentInfo = QStringLiteral("currentinfo");
inline const QString kReassignParamPathToPhotos = QStringLiteral("pathToPhotosFromOldCode");
// Alerts.
inline const QString kMainWindowAlertOk = QStringLiteral("OK");
inline const QString kAlertNoDemoImages = QStringLiteral("NO DEMO IMAGES...");
inline const QString kAlertNoDemoImagesText =
    QStringLiteral("Please put at least one demo image into the folder:\n\"%1\"");
inline const QString kAlertSelectCodeWithImage =
    QStringLiteral("Please Select a Code that has at least one image...");
inline const QString kAlertNoImageForCode = QStringLiteral("There is no image for this code = %1");
inline const QString kOpenPanelPrompt = QStringLiteral("Select");
inline const QString kOpenPanelMessage = QStringLiteral("Please Select Another Day's Folder");
// Log lines.
inline const QString kLogAnotherScanInProcess =
    QStringLiteral("Inside %1 => %2...ANOTHER scan already in process...");
inline const QString kLogScanBumpedIntoError = QStringLiteral("bumped into an error");
inline const QString kLogConsoleTableNotFirstResponder =
    QStringLiteral("ibTableView is NOT the firstResponder...");
inline const QString kLogTableNothingSelected = QStringLiteral("ibTableView - Nothing Selected...");
inline const QString kLogNoImagesForCode = QStringLiteral("No Images for this code=%1");
inline const QString kLogTodaysFolderMissing =
    QStringLiteral("Todays folder does not exist or empty???");
inline const QString kLogFewerThanTwoScreens =
    QStringLiteral("Inside %1 => %2...fewer than two screens: starting on the only one");
inline const QString kLogScreenIsPlaying = QStringLiteral("Inside %1 => %2...screenIsPlaying = %3");
inline const QString kLogObservedPreference =
    QStringLiteral("Inside %1 => %2...keyPath = %3, value = %4");
inline const QString kLogConsoleAction = QStringLiteral("Inside %1 => %2...");
inline const QString kLogNoParentApp =
    QStringLiteral("Inside %1 => %2...no parent application is set (%3)");
inline const QString kLogNoRelaunch = QStringLiteral("Inside %1 => %2...nobody can relaunch");
inline const QString kLogNoReassignSheet =
    QStringLiteral("Inside %1 => %2...no re-assignment sheet is available");

// ---- code re-assignment
inline const QString kReassignPlaceholderName =
    QStringLiteral("< PLEASE Select New Party Name/Code >");
// The assign button carries this alternate title (dynamic property kAlternateTitleProperty).
inline const QString kAlternateTitleContinue = QStringLiteral("continue");
// The platform's "stopped" answer of a sheet ended by any other button.
inline constexpr int kReassignReturnStopped = -1000;
inline constexpr double kReassignInitialZoom = 0.5;
inline const QString kReassignCountFormat = QStringLiteral("%1");
inline const QString kReassignCountAtCreation = QStringLiteral("0");
// Alerts.
inline const QString kReassignAlertOk = QStringLiteral("OK");
inline const QString kReassignAlertSameCode =
    QStringLiteral("PLEASE SELECT A NEW Party Room/Code !!");
inline const QString kReassignAlertSameCodeText =
    QStringLiteral("You must pick a party room/code that is different from the original!");
inline const QString kReassignAlertNoImages = QStringLiteral("NO IMAGES to RE-ASSIGN !!");
inline const QString kReassignAlertNoImagesText =
    QStringLiteral("You did not add/move any images to be re-assigned.\nNothing has been changed.");
inline const QString kReassignConfirmTitle = QStringLiteral("ARE YOU SURE ???");
inline const QString kReassignConfirmCancel = QStringLiteral("CANCEL");
inline const QString kReassignConfirmYes = QStringLiteral("YES - RE-ASSIGN");
inline const QString kReassignConfirmText =
    QStringLiteral("Are you sure you want to re-assign photos\n\nFROM\nOld Code:\t %1\n\t\t "
                   "[%2]\nTO\nNew Code: %3\n\t\t [%4]\n\n");
// Records.
inline const QString kReassignRecordStampPattern = QStringLiteral("YYYYMMddHHmmss");
inline const QString kReassignRecordNameFormat = QStringLiteral("%1_reassigned.xml");
// A second record within the same second gets "-2", "-3"... after its stamp.
inline const QString kReassignRecordTakenStampFormat = QStringLiteral("%1-%2");
inline const QString kReassignTmpSuffix = QStringLiteral(".tmp");
inline const QString kReassignRecordRoot = QStringLiteral("data");
inline const QString kReassignKeyType = QStringLiteral("@type");
inline const QString kReassignTypeChangeCode = QStringLiteral("changecode");
inline const QString kReassignKeyOldCode = QStringLiteral("oldcode");
inline const QString kReassignKeyNewCode = QStringLiteral("newcode");
inline const QString kReassignKeyDate = QStringLiteral("@date");
inline const QString kReassignKeyValue = QStringLiteral("value");
inline const QString kReassignKeyFiles = QStringLiteral("files");
inline const QString kReassignFileItemName = QStringLiteral("filename");
inline const QString kReassignKeyDataForNewCode = QStringLiteral("datafornewcode");
// A file being copied across file systems waits under this hidden name.
inline const QString kReassignCopyingNameFormat = QStringLiteral(".%1.ovra-moving");
// Log lines.
// %1: the error (the paths and the reason).
inline const QString kLogReassignRenameError =
    QStringLiteral("ERROR in renaming/moving final xml path = %1");
inline const QString kLogReassignMoveFailed =
    QStringLiteral("Inside %1 => %2...could not move [%3] into [%4]: %5");
inline const QString kLogReassignMoved = QStringLiteral("Inside %1 => %2...moved [%3] into [%4]");
inline const QString kLogReassignNotInOldFolder = QStringLiteral(
    "Inside %1 => %2...[%3] is not a photo of the old code's folder [%4]; left alone");
inline const QString kLogReassignStopped = QStringLiteral("Inside %1 => %2...nothing to do: %3");
inline const QString kLogReassignNothingMoved =
    QStringLiteral("Inside %1 => %2...no file was moved: no record written");
inline const QString kLogReassignNoRecordFolder =
    QStringLiteral("Inside %1 => %2...no record folder: %3 file(s) moved without a record");
inline const QString kLogReassignRecordWriteFailed =
    QStringLiteral("Inside %1 => %2...record [%3] was not written completely");
inline const QString kLogReassignRecordWritten = QStringLiteral("Inside %1 => %2...record [%3]");
inline const QString kLogReassignAction = QStringLiteral("Inside %1 => %2...");

// ---- folder watcher and local master folder
inline const QString kPrefWatchTodaysFolder = QStringLiteral("prefWatchTodaysFolder");
inline const QString kEnvWatcherForcePolling = QStringLiteral("OVRA_WATCHER_FORCE_POLLING");
inline constexpr int kWatcherLatencyMs = 1000;
inline constexpr int kWatcherFlushIntervalMs = 3000;
inline constexpr int kWatcherPollIntervalMs = 3000;
// Longer than the photo script's two seconds of "still being written".
inline constexpr int kReactivationDelayMs = 2500;
inline constexpr int kReactivationMaxWaitMs = 10000;
inline constexpr int kTodaysFolderRetryMs = 5000;
inline constexpr int kWatchPathBufferSize = 500;
inline const QString kWatcherDroppedByKernel =
    QStringLiteral("REALLY BAD NEWS! The kernel dropped events.");
inline const QString kWatcherForcingRescan = QStringLiteral("Forcing a full rescan.");
inline const QString kLogWatcherFullPath = QStringLiteral("%1-> fullpath = %2");
inline const QString kLogWatcherStartFailed =
    QStringLiteral("%1-> FAILED to FSEventStreamStart for path = [%2]...");
inline const QString kLogWatcherStartSucceeded =
    QStringLiteral("%1-> SUCCESS to FSEventStreamStart for path = [%2]...");
inline const QString kLogWatcherFoundEvent =
    QStringLiteral("=====>>>>  FOUND EVENT Inside fsevents_callback  <<<<<=======");
inline const QString kLogWatcherPolling = QStringLiteral("%1-> polling [%2] every %3 ms: %4");
inline const QString kReasonNetworkFileSystem = QStringLiteral("network file system");
inline const QString kReasonPollingForced = QStringLiteral("polling forced by %1");
inline const QString kLogWatcherCannotWatch = QStringLiteral("%1-> cannot watch [%2]: %3");
inline const QString kLogWatcherFolderGone =
    QStringLiteral("%1-> the watched folder [%2] is gone; waiting for it to come back");
inline const QString kLogWatcherFolderBack =
    QStringLiteral("%1-> the watched folder [%2] is back; watched again");
inline const QString kLogUnableToAccessFolder =
    QStringLiteral("%1->%2... Unable to access Folder at: [%3]......");
inline const QString kLogLocalItemMissing = QStringLiteral("item does NOT exist [%1]");
inline const QString kLogLocalItemIsFolder = QStringLiteral("item is a FOLDER [%1]");
inline const QString kLogItemNotValid =
    QStringLiteral("Did NOT add to tempList => item not valid [%1]");
inline const QString kLogTryingFailedFolder =
    QStringLiteral("%1->%2...trying the Failed folder for [%3]...");
inline const QString kLogNeedPathToWatch =
    QStringLiteral("Inside %1 => %2...NEED to set preference for pathToWatch = [%3]...");
inline const QString kLogAddingTodaysFolder =
    QStringLiteral("Inside %1 => %2... Adding Todays Folder To Path...");
inline const QString kLogPathToWatch = QStringLiteral("PathToWatch = %1");
inline const QString kLogFailedToInstallWatcher =
    QStringLiteral("Inside %1 => %2... FAILED to install the watcher - folder does NOT exists?");
inline const QString kLogReactivatingCode = QStringLiteral("%1->%2...current code = [%3]");
inline const QString kLogNothingToReactivate =
    QStringLiteral("%1->%2...no current code: nothing to re-activate");
inline const QString kLogPhotoDayChanged =
    QStringLiteral("Inside %1 => %2...the photo day changed to [%3]");
inline const QString kMenuPhotoDay = QStringLiteral("Photo Day");
inline const QString kMenuWatchTodaysFolder = QStringLiteral("Watch Today's Folder");
inline const QString kMenuTidyLocalSlideShowFolder = QStringLiteral("Tidy Local Slideshow Folder");

// ---- installation and the service manager
// Set by the systemd user unit: the unit, not the relaunch helper, starts the
// kiosk again (the unit would kill the helper with the old kiosk).
inline const char *const kEnvSupervisor = "OVRA_SUPERVISOR";
inline const QString kSupervisorSystemd = QStringLiteral("systemd");
// Exit status that asks the unit for a restart (its RestartForceExitStatus).
inline constexpr int kExitStatusRestartMe = 75;
inline const QString kLogRelaunchBySupervisor =
    QStringLiteral("%1->%2...leaving the restart to the service manager (exit %3)");

// ---- rooms as media players on the session bus, and where a typed code plays
// Posted on the main thread just before the working folder is handed to a
// display: {"code": the code copied into it, "sourcePath": the working folder}.
inline const QString kWorkingFolderActivated = QStringLiteral("WorkingFolderActivated");
inline const QString kMprisServiceFormat = QStringLiteral("org.mpris.MediaPlayer2.ovra.room%1");
inline const QString kMprisObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString kMprisRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString kMprisPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString kDBusPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
inline const QString kDBusPropertiesChanged = QStringLiteral("PropertiesChanged");
inline const QString kMprisIdentityFormat = QStringLiteral("Ovra VideoWall \u2013 %1");
// The installed desktop entry, ovra-videowall.desktop, without its suffix.
inline const QString kMprisDesktopEntry = QStringLiteral("ovra-videowall");
inline const QString kMprisPlaying = QStringLiteral("Playing");
inline const QString kMprisPaused = QStringLiteral("Paused");
inline const QString kMprisStopped = QStringLiteral("Stopped");
inline const QString kMprisTrackIdFormat = QStringLiteral("/org/ovra/VideoWall/room%1/photo%2");
inline const QString kMprisNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
inline const QString kMprisTrackId = QStringLiteral("mpris:trackid");
inline const QString kMprisArtUrl = QStringLiteral("mpris:artUrl");
inline const QString kXesamTitle = QStringLiteral("xesam:title");
inline const QString kXesamAlbum = QStringLiteral("xesam:album");
inline const QString kXesamUrl = QStringLiteral("xesam:url");
inline const QString kMprisPlaybackStatus = QStringLiteral("PlaybackStatus");
inline const QString kMprisMetadata = QStringLiteral("Metadata");
inline const QString kMprisIdentity = QStringLiteral("Identity");
inline const QString kLogMprisNoSessionBus =
    QStringLiteral("No D-Bus session bus: the rooms are not offered as media players");
inline const QString kLogMprisOffered = QStringLiteral("%1->%2...media player [%3] offered");
inline const QString kLogMprisNotOffered =
    QStringLiteral("%1->%2...media player [%3] NOT offered: %4");
inline const QString kLogMprisCommand = QStringLiteral("%1->%2...media player command [%3]");
inline const QString kLogWorkingFolderRow =
    QStringLiteral("Inside %1 => %2...row of code [%3] reads [%4]");
