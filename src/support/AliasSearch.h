#pragma once

#include "support/AliasRecord.h"

#include <QByteArray>

#include <optional>

// Finds an item that was moved or renamed within its file system: a
// breadth-first walk for its device and inode, first below the nearest
// existing ancestor of its recorded path, then below a few ancestors further
// up. Symbolic links are never followed and other file systems never entered,
// and every folder is listed at most once, so the walk ends even with link or
// bind-mount loops; depth and the number of entries looked at are bounded.
// Internal to the alias kit.
struct AliasSearchLimits
{
    int maxDepth;
    int maxAncestors;
    int maxEntries;
};

struct AliasSearchResult
{
    std::optional<QByteArray> path;
    int entriesVisited = 0;
    bool budgetSpent = false;
};

AliasSearchResult searchForMovedItem(const AliasRecord &target, const AliasSearchLimits &limits);
