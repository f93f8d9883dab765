#pragma once

#include <QString>

// The five local slideshow folders, formed from the executable name at start.
// Before that, or without a name, they read "~/OvraSlideShow/...". Paths keep
// their "~"; callers expand it when they touch the disk.
struct LocalFolderPaths
{
    QString localSlideShowFolder;
    QString currentFolder;
    QString failedFolder;
    QString processedFolder;
    QString extraSlideShowFolder;

    static LocalFolderPaths forName(const QString &executableName);
    static LocalFolderPaths fallback();
};
