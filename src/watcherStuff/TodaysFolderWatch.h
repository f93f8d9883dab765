#pragma once

#include "watcherStuff/FolderWatcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class BarcodeEntryController;
class NotificationCenter;
class Preferences;
struct Notification;

// What the watch works with; every empty field means the kiosk's own.
struct TodaysFolderWatchEnvironment
{
    Preferences *store = nullptr;         // the standard store
    NotificationCenter *center = nullptr; // the default local centre
    // The code intake whose current code is re-activated; may answer none.
    std::function<BarcodeEntryController *()> barcodeController;
};

// The delegate's watch on today's folder of the photo store: whenever
// something changes there, the current code is activated again, so a display
// picks up photos that arrive while it plays. A burst of changes re-activates
// once. While it follows the photo day, the watch moves to the new day's
// folder at the 03:00 day change, and waits for a day folder that does not
// exist yet. A day folder deleted and created again stays watched. Lives on
// the thread that uses it (the main thread in the kiosk).
class TodaysFolderWatch : public QObject
{
    Q_OBJECT
public:
    explicit TodaysFolderWatch(TodaysFolderWatchEnvironment environment = {},
                               QObject *parent = nullptr);
    ~TodaysFolderWatch() override;

    // Watches today's folder once (replacing a previous watch).
    void setupWatcher();
    // The installation proper; false when the folder cannot be watched, and
    // then the watch and reaction in place stay as they are.
    bool doSetupWatchFolderInThread(const QString &path);
    // Ends the reaction only: the watch goes on reporting to its other
    // observers (the console rescans on it).
    void tearDownWatcher();
    // The reaction to "WatcherItemChanged" of this watch.
    void handleFoundNewFile(const Notification &notification);

    // On: watch today's folder and follow the photo day. Off: no watch.
    void setFollowsPhotoDay(bool on);
    bool followsPhotoDay() const { return following_; }
    // The 03:00 timer: moves the watch when the photo day changed.
    void photoDayMayHaveChanged();

    // The folder whose changes re-activate the code now; empty when none.
    QString watchedFolder() const { return watchedFolder_; }
    bool reactivationPending() const { return reactivationTimer_.isActive(); }
    // Re-activations handed to the code intake so far.
    int reactivationCount() const { return reactivations_; }
    // Time to the next photo day change from now (Clock), in ms.
    static qint64 msecsToNextPhotoDay();

    // Read when used; tests shorten them.
    WatcherTiming timing;
    int reactivationDelayMs = kReactivationDelayMs;
    int reactivationMaxWaitMs = kReactivationMaxWaitMs;
    int retryIntervalMs = kTodaysFolderRetryMs;

private:
    // Root / today's day name; null without a root.
    QString todaysFolder() const;
    void reactivate();
    void retry();
    void dropWatch();
    Preferences *store() const;

    TodaysFolderWatchEnvironment environment_;
    NotificationCenter *center_;
    QPointer<FolderWatcher> watcher_;
    QString watchedFolder_;
    bool following_ = false;
    QElapsedTimer firstChange_;
    QElapsedTimer lastChange_;
    int reactivations_ = 0;
    QTimer reactivationTimer_;
    QTimer dayTimer_;
    QTimer retryTimer_;
};
