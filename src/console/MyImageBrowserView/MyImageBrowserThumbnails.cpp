#include "console/MyImageBrowserView/MyImageBrowserThumbnails.h"

#include "platform/ThreadHandoff.h"
#include "support/FileIdentity.h"
#include "support/ImageFiles.h"

#include <QFutureWatcher>
#include <QPromise>

namespace {
struct Decoded
{
    QImage image;
    bool skipped = false;
};
} // namespace

MyImageBrowserThumbnails::MyImageBrowserThumbnails(QObject *parent, int costLimitKiB)
    : QObject(parent), fCache(costLimitKiB), fEpoch(std::make_shared<std::atomic<quint64>>(0))
{
    // Two decoders keep the GUI thread free on a small machine without
    // letting a long folder queue up hundreds of full-size reads at once.
    fPool.setMaxThreadCount(2);
}

MyImageBrowserThumbnails::~MyImageBrowserThumbnails()
{
    cancelPending();
    fPool.waitForDone();
}

QString MyImageBrowserThumbnails::keyFor(const QString &path, QSize size)
{
    // Camera file names repeat between customers: a photo replaced under the
    // same name is another photo.
    const std::optional<FileIdentity> file = FileIdentity::of(path);
    return QStringLiteral("%1x%2:%3:%4")
        .arg(size.width())
        .arg(size.height())
        .arg(file ? file->key() : QString(), path);
}

bool MyImageBrowserThumbnails::contains(const QString &path, QSize size) const
{
    return fCache.contains(keyFor(path, size));
}

void MyImageBrowserThumbnails::cancelPending()
{
    fEpoch->fetch_add(1);
}

QPixmap MyImageBrowserThumbnails::thumbnail(const QString &path, QSize size)
{
    const QString key = keyFor(path, size);
    if (const QPixmap *cached = fCache.object(key)) {
        return *cached;
    }
    if (fPending.contains(key) || fFailed.contains(key) || !size.isValid()) {
        return QPixmap();
    }
    fPending.insert(key);
    const quint64 epoch = fEpoch->load();
    auto epochNow = fEpoch;
    // A promise of our own rather than QtConcurrent::run: the hand-over of
    // the decode to the pool can then be stated.
    auto promise = std::make_shared<QPromise<Decoded>>();
    auto *watcher = new QFutureWatcher<Decoded>(this);
    // The handler keeps the promise too: whichever side lets go last frees
    // the result, and the shared count orders that after the read here.
    connect(watcher, &QFutureWatcher<Decoded>::finished, this,
            [this, watcher, key, path, size, promise] {
                watcher->deleteLater();
                fPending.remove(key);
                const Decoded decoded = watcher->result();
                const QImage &image = decoded.image;
                if (image.isNull()) {
                    // A skipped decode is asked for again when its cell is drawn; a
                    // file that does not decode is not.
                    if (!decoded.skipped) {
                        fFailed.insert(key);
                    }
                    return;
                }
                auto *pixmap = new QPixmap(QPixmap::fromImage(image));
                const int cost =
                    qMax(1, int(qint64(pixmap->width()) * pixmap->height() * 4 / 1024));
                fCache.insert(key, pixmap, cost);
                emit thumbnailReady(path, size);
            });
    watcher->setFuture(promise->future());
    promise->start();
    fPool.start(ThreadHandoff::handedOver([promise, path, size, epoch, epochNow] {
        if (epochNow->load() != epoch) {
            promise->addResult(Decoded{QImage(), true});
        } else {
            promise->addResult(Decoded{readImage(path, size), false});
        }
        promise->finish();
    }));
    return QPixmap();
}
