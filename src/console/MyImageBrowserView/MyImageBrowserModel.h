#pragma once

#include "console/MyImageBrowserView/MyImageBrowserObject.h"

#include <QAbstractListModel>
#include <QList>
#include <QSize>

class MyImageBrowserThumbnails;

// The items of one browser as a list model: title (file name without its
// extension) as the display text, the thumbnail at the current size as the
// decoration (decoded off the GUI thread; empty until it is ready), the path
// under Qt::UserRole. Drags carry the paths as file URLs (text/uri-list).
class MyImageBrowserModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit MyImageBrowserModel(QObject *parent = nullptr);
    ~MyImageBrowserModel() override;

    QList<MyImageBrowserObject> &items() { return fItems; }
    const QList<MyImageBrowserObject> &items() const { return fItems; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

    // After items() was changed directly.
    void reload();
    void insertItems(int row, const QList<MyImageBrowserObject> &items);
    // Whether an item has this path, ignoring case.
    bool containsPath(const QString &path) const;

    // The size thumbnails are decoded at (fitting inside it).
    void setThumbnailSize(QSize size);
    QSize thumbnailSize() const { return fThumbnailSize; }
    // Whether the thumbnail of this row is decoded at the current size.
    bool hasThumbnail(int row) const;
    MyImageBrowserThumbnails *thumbnails() const { return fThumbnails; }

signals:
    // The thumbnail of this row is now shown.
    void thumbnailShown(int row);

private:
    void thumbnailReady(const QString &path, QSize size);

    QList<MyImageBrowserObject> fItems;
    QSize fThumbnailSize{160, 120};
    MyImageBrowserThumbnails *fThumbnails = nullptr;
};
