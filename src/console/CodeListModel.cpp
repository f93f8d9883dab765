#include "console/CodeListModel.h"

#include "shell/CommonHeader.h"

#include <QDateTime>
#include <QLocale>

#include <atomic>

CodeListModel::CodeListModel(QObject *parent) : QAbstractTableModel(parent) {}

QString CodeListModel::keyForColumn(int column)
{
    switch (column) {
    case CodeColumn:
        return kKeyCode;
    case NameColumn:
        return kKeyName;
    case StatusColumn:
        return kKeyCodeStatus;
    case PhotosColumn:
        return kEntryQty;
    case ModifiedColumn:
        return kEntryContentModDate;
    case CreatedColumn:
        return kEntryCreateDate;
    default:
        return QString();
    }
}

quint64 CodeListModel::nextId()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

void CodeListModel::setContent(const QList<Row> &rows)
{
    beginResetModel();
    fRows = rows;
    fRowOfId.clear();
    fRowOfId.reserve(fRows.size());
    for (int i = 0; i < fRows.size(); ++i) {
        fRowOfId.insert(fRows[i].id, i);
    }
    endResetModel();
    recountUncounted();
}

QList<QVariantMap> CodeListModel::content() const
{
    QList<QVariantMap> list;
    list.reserve(fRows.size());
    for (const Row &row : fRows) {
        list << row.entry;
    }
    return list;
}

QVariantMap CodeListModel::entryAt(int row) const
{
    return row >= 0 && row < fRows.size() ? fRows[row].entry : QVariantMap();
}

quint64 CodeListModel::idAt(int row) const
{
    return row >= 0 && row < fRows.size() ? fRows[row].id : 0;
}

int CodeListModel::rowOfId(quint64 id) const
{
    return fRowOfId.value(id, -1);
}

bool CodeListModel::setQty(quint64 id, const QString &qty)
{
    const int row = rowOfId(id);
    if (row < 0) {
        return false;
    }
    QVariantMap &entry = fRows[row].entry;
    const bool wasUncounted = entry.value(kEntryQty).toString() == kQtyNotCounted;
    entry.insert(kEntryQty, qty);
    const QModelIndex cell = index(row, PhotosColumn);
    emit dataChanged(cell, cell);
    if (wasUncounted && qty != kQtyNotCounted) {
        --fUncounted;
        emit uncountedCountChanged(fUncounted);
    }
    return true;
}

int CodeListModel::setCodeStatus(const QString &code, const QString &status)
{
    int changed = 0;
    for (int row = 0; row < fRows.size(); ++row) {
        QVariantMap &entry = fRows[row].entry;
        const QVariant entryCode = entry.value(kKeyCode);
        if (!entryCode.isValid() || entryCode.toString().compare(code, Qt::CaseInsensitive) != 0) {
            continue;
        }
        entry.insert(kKeyCodeStatus, status);
        const QModelIndex cell = index(row, StatusColumn);
        emit dataChanged(cell, cell);
        ++changed;
    }
    return changed;
}

void CodeListModel::recountUncounted()
{
    int uncounted = 0;
    for (const Row &row : std::as_const(fRows)) {
        if (row.entry.value(kEntryQty).toString() == kQtyNotCounted) {
            ++uncounted;
        }
    }
    fUncounted = uncounted;
    emit uncountedCountChanged(fUncounted);
}

int CodeListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(fRows.size());
}

int CodeListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CodeListModel::displayDate(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDateTime) {
        return value.toDateTime().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    return value.toString();
}

QVariant CodeListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= fRows.size()) {
        return QVariant();
    }
    const QVariantMap &entry = fRows[index.row()].entry;
    const int column = index.column();
    switch (role) {
    case EntryRole:
        return entry;
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column == ModifiedColumn || column == CreatedColumn) {
            return displayDate(entry.value(keyForColumn(column)));
        }
        return entry.value(keyForColumn(column)).toString();
    case Qt::TextAlignmentRole:
        if (column == PhotosColumn) {
            return int(Qt::AlignRight | Qt::AlignVCenter);
        }
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant CodeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case CodeColumn:
        return tr("Code");
    case NameColumn:
        return tr("Name");
    case StatusColumn:
        return tr("Status");
    case PhotosColumn:
        return tr("Photos");
    case ModifiedColumn:
        return tr("Modified");
    case CreatedColumn:
        return tr("Created");
    default:
        return QVariant();
    }
}
