#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class OverlayCompositor;

// The copy loop of one code activation, run off the main thread: the working
// folder is wiped and refilled with the found photos (framed when an overlay
// is installed), and the display is told after the first copy and after the
// last. Without found photos, the JPEG files left in the working folder are
// shown again.
struct ActivationCopyJob
{
    QStringList results;                     // as the photo search answered them
    QString folder;                          // the folder relative results are joined to
    QString workingFolder;                   // wiped and refilled
    OverlayCompositor *compositor = nullptr; // none: photos are copied unframed
    std::function<bool()> superseded;        // a newer activation started
    std::function<void()> announce;          // send the display message
};

// Runs the job; answers the number of photos the display was told about
// (0: no message was sent).
int copyFoundImages(const ActivationCopyJob &job);

// Deletes the working folder and creates it empty. Refuses (false, with a log
// line) a path that is empty, relative, the root or the home folder; a link
// in its place is removed, never followed. With setAside, the old folder is
// only renamed to a hidden sibling named there, for the caller to delete
// later (the display need not wait for the deletion).
bool resetWorkingFolder(const QString &path, QString *setAside = nullptr);

// Copies source to destination, which must not exist yet (never replaced).
// The file appears under its name only once it is complete, and only as one
// whole version of the source: a source that changes while it is copied is
// copied again. With mayBeBeingWritten, a source changed within the last two
// seconds is first waited for.
bool copyFileNoReplace(const QString &source, const QString &destination, QString *error,
                       bool mayBeBeingWritten = true);

// The photos a previous activation left: "jpg" files, any case.
int countExistingJpegs(const QString &folder);
