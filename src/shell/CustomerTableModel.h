#pragma once

#include <QAbstractTableModel>
#include <QVariantList>
#include <QVariantMap>

// The rows of the settings window's customer table: one code-info dictionary
// per code ("code", and "name" and "email" when its info file has them).
class CustomerTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CustomerTableModel(QObject *parent = nullptr);

    void setRows(const QVariantList &rows);
    // The dictionary of a row; empty for a row that does not exist.
    QVariantMap rowDictionary(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The code folders of a day folder, by code, as table rows.
    static QVariantList rowsOfDayFolder(const QString &dayFolder);

private:
    QVariantList rows_;
};
