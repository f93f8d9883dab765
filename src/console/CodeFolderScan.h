#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

// The file-system side of the console's code list: which code folders a day
// folder holds and how many photos a code folder has. No widgets, no shared
// state: safe on any thread.
namespace CodeFolderScan {

// Reads a code info file; no result when it is missing or unreadable.
using InfoReader = std::function<std::optional<QVariantMap>(const QString &infoFilePath)>;

// The default reader: the XML reader with root key "data".
std::optional<QVariantMap> readCodeInfo(const QString &infoFilePath);

struct Folder
{
    QString path;
    // The entry: the info file's members plus "codeinfo", "pathtoxmlinfofile",
    // "qty" ("-"), "contentModDate" and "createDate" ("codeStatus" is left to
    // the caller, which knows the displays).
    QVariantMap entry;
};

// The visible sub-folders of dayFolder that have a readable code info file,
// in directory order. A date the file system does not give is the text of
// `now` (ISO 8601). A day folder that cannot be listed logs and lists nothing.
QList<Folder> scanDayFolder(const QString &dayFolder, const InfoReader &reader,
                            const QDateTime &now);

// Entries of the folder (hidden ones included, no descent) that are regular
// files with the extension "jpg" in any case. -1 when it cannot be listed.
qint64 countListPhotos(const QString &codeFolder);

} // namespace CodeFolderScan
