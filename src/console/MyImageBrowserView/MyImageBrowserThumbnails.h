#pragma once

#include <QCache>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Thumbnails decoded on a small pool of worker threads at the size asked for
// (JPEGs scale inside the decoder, orientation applied) and kept in a cache
// bounded by bytes, keyed by the file (not only its path) and size. Results
// are taken up on the GUI thread, where they become pixmaps.
class MyImageBrowserThumbnails : public QObject
{
    Q_OBJECT
public:
    // costLimitKiB: what the cached pixmaps may take together.
    explicit MyImageBrowserThumbnails(QObject *parent = nullptr, int costLimitKiB = 128 * 1024);
    ~MyImageBrowserThumbnails() override;

    // The cached thumbnail, or a null pixmap while it is being decoded (a
    // decode is started the first time it is asked for) or when the file does
    // not decode.
    QPixmap thumbnail(const QString &path, QSize size);
    bool contains(const QString &path, QSize size) const;
    // Decodes still waiting for a thread are skipped; the cache stays.
    void cancelPending();

signals:
    void thumbnailReady(const QString &path, QSize size);

private:
    static QString keyFor(const QString &path, QSize size);

    QCache<QString, QPixmap> fCache;
    QSet<QString> fPending;
    QSet<QString> fFailed;
    QThreadPool fPool;
    std::shared_ptr<std::atomic<quint64>> fEpoch;
};
