#pragma once

#include <QList>

#include <algorithm>

// Moves the items at the given indexes so that they stand, in their previous
// order, where the destination index pointed before they were taken out.
// Indexes out of range and repeated ones are ignored.
template <typename T>
void moveItemsAtIndexes(QList<T> &items, QList<int> indexes, int destinationIndex)
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    indexes.removeIf([&items](int index) { return index < 0 || index >= items.size(); });

    QList<T> taken;
    taken.reserve(indexes.size());
    // From the highest down, so the remaining indexes stay valid.
    for (auto it = indexes.crbegin(); it != indexes.crend(); ++it) {
        taken.prepend(items.takeAt(*it));
        if (*it < destinationIndex) {
            --destinationIndex;
        }
    }
    destinationIndex = std::clamp(destinationIndex, 0, int(items.size()));
    for (qsizetype i = 0; i < taken.size(); ++i) {
        items.insert(destinationIndex + i, taken.at(i));
    }
}
