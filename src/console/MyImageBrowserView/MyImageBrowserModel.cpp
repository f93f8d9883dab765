#include "console/MyImageBrowserView/MyImageBrowserModel.h"

#include "console/MyImageBrowserView/MyImageBrowserThumbnails.h"

#include <QMimeData>
#include <QUrl>

MyImageBrowserModel::MyImageBrowserModel(QObject *parent)
    : QAbstractListModel(parent), fThumbnails(new MyImageBrowserThumbnails(this))
{
    connect(fThumbnails, &MyImageBrowserThumbnails::thumbnailReady, this,
            &MyImageBrowserModel::thumbnailReady);
}

MyImageBrowserModel::~MyImageBrowserModel() = default;

int MyImageBrowserModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(fItems.size());
}

QVariant MyImageBrowserModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= fItems.size()) {
        return {};
    }
    const MyImageBrowserObject &item = fItems.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return item.imageTitle();
    case Qt::DecorationRole: {
        const QPixmap pixmap = fThumbnails->thumbnail(item.imageRepresentation(), fThumbnailSize);
        return pixmap.isNull() ? QVariant() : QVariant(pixmap);
    }
    case Qt::UserRole:
        return item.path;
    default:
        return {};
    }
}

Qt::ItemFlags MyImageBrowserModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= fItems.size()) {
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (fItems.at(index.row()).isSelectable()) {
        flags |= Qt::ItemIsSelectable;
    }
    return flags;
}

QStringList MyImageBrowserModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData *MyImageBrowserModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.row() < fItems.size()) {
            rows.append(index.row());
        }
    }
    std::sort(rows.begin(), rows.end());
    QList<QUrl> urls;
    for (int row : rows) {
        urls.append(QUrl::fromLocalFile(fItems.at(row).path));
    }
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions MyImageBrowserModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::LinkAction;
}

Qt::DropActions MyImageBrowserModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::LinkAction;
}

void MyImageBrowserModel::reload()
{
    beginResetModel();
    endResetModel();
}

void MyImageBrowserModel::insertItems(int row, const QList<MyImageBrowserObject> &items)
{
    if (items.isEmpty()) {
        return;
    }
    row = std::clamp(row, 0, int(fItems.size()));
    beginInsertRows(QModelIndex(), row, row + int(items.size()) - 1);
    for (qsizetype i = 0; i < items.size(); ++i) {
        fItems.insert(row + i, items.at(i));
    }
    endInsertRows();
}

bool MyImageBrowserModel::containsPath(const QString &path) const
{
    return std::any_of(fItems.cbegin(), fItems.cend(), [&path](const MyImageBrowserObject &item) {
        return item.path.compare(path, Qt::CaseInsensitive) == 0;
    });
}

void MyImageBrowserModel::setThumbnailSize(QSize size)
{
    if (size == fThumbnailSize) {
        return;
    }
    fThumbnailSize = size;
    // Decodes at the old size that have not started yet are no longer wanted.
    fThumbnails->cancelPending();
    if (!fItems.isEmpty()) {
        emit dataChanged(index(0), index(int(fItems.size()) - 1), {Qt::DecorationRole});
    }
}

bool MyImageBrowserModel::hasThumbnail(int row) const
{
    return row >= 0 && row < fItems.size() &&
           fThumbnails->contains(fItems.at(row).path, fThumbnailSize);
}

void MyImageBrowserModel::thumbnailReady(const QString &path, QSize size)
{
    if (size != fThumbnailSize) {
        return;
    }
    for (int row = 0; row < fItems.size(); ++row) {
        if (fItems.at(row).path == path) {
            const QModelIndex changed = index(row);
            emit dataChanged(changed, changed, {Qt::DecorationRole});
            emit thumbnailShown(row);
        }
    }
}
