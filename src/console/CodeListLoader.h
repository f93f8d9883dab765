#pragma once

#include "console/CodeFolderScan.h"

#include <QDateTime>
#include <QList>

#include <memory>

class CodeListModel;
class QThreadPool;

// The per-code work of one scan, spread over a thread pool: each code
// folder's info file is read, and then its photos are counted (queued behind
// the remaining info files, so the list is ready as early as it can be). The
// scan waits for the info files only. A count reaches the list on the list's
// thread, and never before the list that holds its entry was handed over.
class CodeListLoader
{
public:
    // The pool and the list must outlive the counts: the pool is destroyed
    // (waiting for its tasks) before the list.
    CodeListLoader(QThreadPool *pool, CodeListModel *list, CodeFolderScan::InfoReader reader);
    ~CodeListLoader();
    CodeListLoader(const CodeListLoader &) = delete;
    CodeListLoader &operator=(const CodeListLoader &) = delete;

    // Reads the info files of folders and starts the counts. Answers the
    // folders that have an entry, in the order given, each with its row id.
    QList<CodeFolderScan::Folder> readFolders(const QList<CodeFolderScan::Candidate> &folders,
                                              const QDateTime &now);

    // The list holding the entries was set, or queued to be set, on the list's
    // thread: counts are passed on from now on, those already made first.
    void releaseCounts();

private:
    struct Shared;
    std::shared_ptr<Shared> d;
};
