#pragma once

#include <QImage>
#include <QString>

class Bundle;
class Preferences;

// Where a display window looks for its tiled background image.
struct BackgroundPatternSources
{
    // "prefSlideShowPath", "prefPatternImageBaseNames", "prefParentAppPlistName".
    Preferences *store = nullptr;
    // The application's user-data folder; empty: "~/OvraSlideShow".
    QString userDataPath;
    // Where "~" leads, and the parent application's "Library/Preferences".
    QString homePath;
    // The application's own images ("BG", "FennickBG.png", "BG.png").
    const Bundle *bundle = nullptr;

    // The running kiosk's sources.
    static BackgroundPatternSources standard();
};

struct BackgroundPattern
{
    QImage image; // null: none found, the background is black
    QString path;
};

// The first image found, searching folders, then extensions, then base names;
// then the application's own images. Logs its way.
BackgroundPattern findBackgroundPattern(const BackgroundPatternSources &sources);
