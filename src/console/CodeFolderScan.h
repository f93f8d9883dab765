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

// A visible sub-folder of a day folder, with the dates its entry shows.
struct Candidate
{
    QString path;
    QDateTime modified; // invalid when the file system gives none
    QDateTime created;
};

struct Folder
{
    QString path;
    // The entry: the info file's members plus "codeinfo", "pathtoxmlinfofile",
    // "qty" ("-"), "contentModDate" and "createDate" ("codeStatus" is left to
    // the caller, which knows the displays).
    QVariantMap entry;
    // The list row's id that the folder's photo count is addressed to.
    quint64 id = 0;
};

// The visible sub-folders of dayFolder, in directory order. A day folder that
// cannot be listed logs and lists nothing.
QList<Candidate> listCodeFolders(const QString &dayFolder);

// The entry of one code folder; no result when its info file is missing or
// unreadable. nowText stands in for a date the file system does not give.
std::optional<QVariantMap> makeEntry(const Candidate &folder, const InfoReader &reader,
                                     const QString &nowText);

// Entries of the folder (hidden ones included, no descent) that are regular
// files with the extension "jpg" in any case. -1 when it cannot be listed.
qint64 countListPhotos(const QString &codeFolder);

} // namespace CodeFolderScan
