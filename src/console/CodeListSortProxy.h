#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// The arranged code list. The "Code" column sorts by the sort descriptor
// (the code, or a date, chosen by "prefSortListTag"); every other column sorts
// by what it shows.
class CodeListSortProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit CodeListSortProxy(QObject *parent = nullptr);

    // The entry key the "Code" column sorts by, and its natural order.
    struct SortDescriptor
    {
        QString key;
        bool ascending = true;
    };
    // 2: "contentModDate" newest first; 3: "createDate" newest first; any
    // other tag: "code" ascending.
    static SortDescriptor createSortDescriptor(qint64 sortListTag);

    void setSortDescriptor(const SortDescriptor &descriptor);
    SortDescriptor sortDescriptor() const { return fDescriptor; }
    // Sorts the "Code" column by the descriptor in its natural order.
    void applySortDescriptor();

    // Orders two entries by one key: dates by time, "qty" by number (an
    // uncounted "-" first), anything else as text.
    static int compareEntries(const QVariantMap &left, const QVariantMap &right,
                              const QString &key);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    SortDescriptor fDescriptor;
};
