#pragma once

#include "platform/Bundle.h"

#include <QDateTime>
#include <QString>

class Preferences;

// Where things lie in the photo store (root / day name / code) and in the
// fixed folders under the home folder. Nothing here keeps state: every call
// reads the preferences store anew, so a changed setting counts at the next
// call. `store` defaults to Preferences::standardUserDefaults(). "~" is $HOME.
// Missing results are null strings. None of these writes anything, except
// createCodeChangesPath(), which creates its folder.

// ---- day names

// "prefDailyFolderFormat" trimmed of white space and newlines; "yyyy-MM-dd"
// when the key is missing. Blanks only give an empty pattern.
QString getDailyFolderFormat(Preferences *store = nullptr);

// The store day name of now: now minus three hours, so a photo day runs from
// 03:00 to 03:00 local time, formatted with getDailyFolderFormat().
QString getDailyFolderName(Preferences *store = nullptr);

// The same with a given pattern. An empty pattern gives an empty (not null)
// name: the day folder is then the root itself. A pattern that cannot be
// formatted gives a null name and a log line.
QString getDailyFolderName2(const QString &pattern);

// "yyyy-MM-dd" of (now - hours - minutes); log days use (3, 0).
QString computeCurrentDaysFolderString2(int hours, int minutes);

// The calendar day of the month of now ("dd"), no shift; "00" on failure.
QString getTwoDigitDay();

// The day stepper of the console: now minus whole days (no three-hour shift),
// formatted with "prefDailyFolderFormat" exactly as stored (no trimming, no
// default: a missing pattern gives a null name).
QDateTime dayStepperDate(qint64 daysBack);
QString getDayStepperFolderName(const QDateTime &date, Preferences *store = nullptr);
QString getDayStepperFolderName(qint64 daysBack, Preferences *store = nullptr);

// ---- code folders

// "prefSlideShowPath" with "~" expanded; null when unset. Every reader of the
// root goes through here, so "~/OvraPhotoStore" names the same folder everywhere.
QString getPhotoStoreRoot(Preferences *store = nullptr);

// The day folder the console shows: "prefPathToAlternateDateFolder" when it
// holds more than blanks (trimmed), else root / store day name. Null when
// neither a root nor an alternate folder is set.
QString getShownDayFolder(Preferences *store = nullptr);

// getShownDayFolder() / code.
QString formPathForCodeNew(const QString &code, Preferences *store = nullptr);

// root / dailyFolder / code. An empty dailyFolder gives root / code; a null
// one (no day name could be made) gives no path. Null without a root.
QString formPathForCode(const QString &code, const QString &dailyFolder,
                        Preferences *store = nullptr);

// A code becomes one folder name verbatim; a code that would name another
// folder ("", ".", "..", anything with "/") is refused by both functions above.
bool isUsableCode(const QString &code);

// codeFolder / (last component of codeFolder + ".xml").
QString codeInfoFilePath(const QString &codeFolder);

// ---- fixed folders

// "~/.Ostrel/CodeChanges", created with intermediate folders when missing.
// Null (and a log line) when it cannot be created or is not a folder.
QString createCodeChangesPath();

// The bundle's executable name ("CFBundleExecutable", else "CFBundleName"),
// "OvraSlideShow" when it has neither.
QString applicationFolderName(const Bundle &bundle = Bundle::mainBundle());
// "~/" + applicationFolderName(), standardised.
QString applicationDataFolder(const Bundle &bundle = Bundle::mainBundle());
// One of the local slideshow folder formats ("~/%1/LocalSlideShowFolder"...)
// filled with applicationFolderName() and expanded.
QString formLocalFolderPath(const QString &format, const Bundle &bundle = Bundle::mainBundle());

// "prefDemoSlidesPath" with "~" expanded and standardised; null when unset.
QString getDemoSlidesFolder(Preferences *store = nullptr);

// "~/Library/Logs/Ovra" expanded.
QString getLogFolder();

// ---- which files count

// The last path component starts with ".".
bool isHiddenFile(const QString &path);
// A photo counted in the console's list: extension "jpg", any case.
bool isListPhotoFile(const QString &path);
// A demo slide: extension jpg, jpeg, png or tiff, any case.
bool isDemoSlideFile(const QString &path);
