#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QVariantMap>

// The code list of the console: one entry (a QVariantMap, see the keys in
// CommonHeader's main window section) per code folder of the shown day, in
// scan order. Each entry has a stable id so that a photo count that arrives
// later finds its row even after the list was sorted or rescanned. Main
// thread only.
class CodeListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        CodeColumn,
        NameColumn,
        StatusColumn,
        PhotosColumn,
        ModifiedColumn,
        CreatedColumn,
        ColumnCount
    };
    // The whole entry of a row.
    static constexpr int EntryRole = Qt::UserRole + 1;

    struct Row
    {
        quint64 id = 0;
        QVariantMap entry;
    };

    explicit CodeListModel(QObject *parent = nullptr);

    // The entry key each column shows.
    static QString keyForColumn(int column);
    static quint64 nextId();

    // Replaces the whole list (nothing when rows is empty).
    void setContent(const QList<Row> &rows);
    QList<QVariantMap> content() const;
    QVariantMap entryAt(int row) const;
    quint64 idAt(int row) const;
    int rowOfId(quint64 id) const;

    // The count of one entry ("qty"); false when the entry is gone.
    bool setQty(quint64 id, const QString &qty);
    // "codeStatus" of every entry whose "code" equals code, ignoring case;
    // answers how many changed.
    int setCodeStatus(const QString &code, const QString &status);
    // Entries whose photos are still being counted.
    int uncountedCount() const { return fUncounted; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The number of entries still being counted changed.
    void uncountedCountChanged(int uncounted);

private:
    static QString displayDate(const QVariant &value);
    void recountUncounted();

    QList<Row> fRows;
    QHash<quint64, int> fRowOfId;
    int fUncounted = 0;
};
