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
