#include "support/AliasSearch.h"

#include <QQueue>
#include <QSet>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <utility>

namespace {

using FolderId = std::pair<quint64, quint64>;

std::optional<QByteArray> parentOf(const QByteArray &path)
{
    if (path.size() <= 1) {
        return std::nullopt;
    }
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return std::nullopt;
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// A start folder may be reached through a link (a linked home folder); only
// the walk below it never follows one.
std::optional<AliasRecord> existingFolder(const QByteArray &path)
{
    auto record = AliasRecord::ofItem(path, true);
    if (record && record->kind == AliasRecord::Kind::Folder) {
        return record;
    }
    return std::nullopt;
}

QByteArray childPath(const QByteArray &folder, const char *name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

struct Walk
{
    const AliasRecord &target;
    const AliasSearchLimits &limits;
    QSet<FolderId> listed;
    AliasSearchResult result;

    // Lists start and the folders below it, down to maxDepth levels. Answers
    // true when the search is over (found, or out of budget).
    bool below(const QByteArray &start, const AliasRecord &startInfo)
    {
        struct Pending
        {
            QByteArray path;
            int depth;
        };
        QQueue<Pending> queue;
        listed.insert({startInfo.device, startInfo.inode});
        queue.enqueue({start, 0});
        while (!queue.isEmpty()) {
            const Pending folder = queue.dequeue();
            const std::unique_ptr<DIR, int (*)(DIR *)> dir(opendir(folder.path.constData()),
                                                           closedir);
            if (!dir) {
                continue;
            }
            while (const dirent *entry = readdir(dir.get())) {
                if (qstrcmp(entry->d_name, ".") == 0 || qstrcmp(entry->d_name, "..") == 0) {
                    continue;
                }
                if (result.entriesVisited >= limits.maxEntries) {
                    result.budgetSpent = true;
                    return true;
                }
                ++result.entriesVisited;
                const QByteArray path = childPath(folder.path, entry->d_name);
                const auto item = AliasRecord::ofItem(path, false);
                if (!item) {
                    continue;
                }
                if (target.sameItemAs(*item)) {
                    result.path = path;
                    return true;
                }
                const bool descend = item->kind == AliasRecord::Kind::Folder &&
                                     item->device == target.device &&
                                     folder.depth + 1 < limits.maxDepth;
                if (descend && !listed.contains({item->device, item->inode})) {
                    listed.insert({item->device, item->inode});
                    queue.enqueue({path, folder.depth + 1});
                }
            }
        }
        return false;
    }
};

} // namespace

AliasSearchResult searchForMovedItem(const AliasRecord &target, const AliasSearchLimits &limits)
{
    Walk walk{target, limits, {}, {}};
    std::optional<QByteArray> start = parentOf(target.path);
    std::optional<AliasRecord> startInfo;
    while (start && !(startInfo = existingFolder(*start))) {
        start = parentOf(*start);
    }
    for (int level = 0; start && startInfo && level <= limits.maxAncestors; ++level) {
        // A folder already listed from below is skipped by its id, so each
        // step up only adds what is new.
        if (!walk.listed.contains({startInfo->device, startInfo->inode}) &&
            walk.below(*start, *startInfo)) {
            break;
        }
        start = parentOf(*start);
        startInfo = start ? existingFolder(*start) : std::nullopt;
    }
    return walk.result;
}
