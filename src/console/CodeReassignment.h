#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// Moves photos from one code's folder into another's and records what moved.
// Every file is judged on its own: one that cannot move (its name is taken in
// the new folder, it vanished, the disk failed) stays with the old code and is
// logged; the record lists exactly the files that moved.
class CodeReassignment
{
public:
    QString oldCode;
    QString newCode;
    QString oldFolder; // the old code's folder
    QString newFolder; // the new code's folder
    QStringList files; // paths of the photos to move, in order
    QVariantMap newCodeInfo;
    // The record folder, made on demand; a null answer means no record.
    std::function<QString()> recordFolder;

    struct Result
    {
        QStringList moved;  // file names, in order
        QString recordPath; // null when no record was written
    };

    // Nothing happens when a code or folder is missing or the two codes are
    // equal ignoring case. Only photos that lie in the old folder are moved.
    Result run() const;

private:
    bool isInOldFolder(const QString &path) const;
};
