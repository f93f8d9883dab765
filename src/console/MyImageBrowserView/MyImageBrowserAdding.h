#pragma once

#include <QPromise>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

// Whether one file may become an item: readable attributes, not a folder,
// an image. Called on worker threads.
using AddableImageTest = std::function<bool(const QString &path)>;
bool isAddableImageFile(const QString &path);

// The body of an adding worker: reports, in order, every file of the list
// (folders stand for their own entries, hidden ones included, without
// descending) that passes the test. Stops before the next entry once stop is
// set. Duplicates are left to the receiver, which knows what the browser
// already holds.
void collectImagesToAdd(QPromise<QString> &promise, const QStringList &paths,
                        const std::shared_ptr<std::atomic_bool> &stop,
                        const AddableImageTest &isAddable);
