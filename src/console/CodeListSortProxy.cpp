#include "console/CodeListSortProxy.h"

#include "console/CodeListModel.h"
#include "shell/CommonHeader.h"

#include <QDateTime>

namespace {

QDateTime asDate(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDateTime) {
        return value.toDateTime();
    }
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

// An uncounted "-" sorts before every count.
qint64 asCount(const QVariant &value)
{
    bool ok = false;
    const qint64 count = value.toString().toLongLong(&ok);
    return ok ? count : -1;
}

} // namespace

CodeListSortProxy::CodeListSortProxy(QObject *parent)
    : QSortFilterProxyModel(parent), fDescriptor{kKeyCode, true}
{
    setDynamicSortFilter(true);
}

CodeListSortProxy::SortDescriptor CodeListSortProxy::createSortDescriptor(qint64 sortListTag)
{
    switch (sortListTag) {
    case 2:
        return {kEntryContentModDate, false};
    case 3:
        return {kEntryCreateDate, false};
    default:
        return {kKeyCode, true};
    }
}

void CodeListSortProxy::setSortDescriptor(const SortDescriptor &descriptor)
{
    fDescriptor = descriptor;
}

void CodeListSortProxy::applySortDescriptor()
{
    // Re-sorting the same column in the same order would be a no-op for Qt.
    sort(-1);
    sort(CodeListModel::CodeColumn,
         fDescriptor.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int CodeListSortProxy::compareEntries(const QVariantMap &left, const QVariantMap &right,
                                      const QString &key)
{
    const QVariant a = left.value(key);
    const QVariant b = right.value(key);
    if (key == kEntryContentModDate || key == kEntryCreateDate) {
        const QDateTime da = asDate(a);
        const QDateTime db = asDate(b);
        return da < db ? -1 : (db < da ? 1 : 0);
    }
    if (key == kEntryQty) {
        const qint64 ca = asCount(a);
        const qint64 cb = asCount(b);
        return ca < cb ? -1 : (cb < ca ? 1 : 0);
    }
    // Entries without the key (an info file that did not parse) come first.
    if (!a.isValid() || !b.isValid()) {
        return int(b.isValid()) - int(a.isValid());
    }
    return a.toString().compare(b.toString());
}

bool CodeListSortProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariantMap a = left.data(CodeListModel::EntryRole).toMap();
    const QVariantMap b = right.data(CodeListModel::EntryRole).toMap();
    const QString key = left.column() == CodeListModel::CodeColumn
                            ? fDescriptor.key
                            : CodeListModel::keyForColumn(left.column());
    const int order = compareEntries(a, b, key);
    if (order != 0) {
        return order < 0;
    }
    // Equal keys keep a stable, readable order.
    return compareEntries(a, b, kKeyCode) < 0;
}
