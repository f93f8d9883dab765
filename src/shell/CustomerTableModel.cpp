#include "shell/CustomerTableModel.h"

#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFile>

namespace {
const QString *const kColumnKeys[] = {&kKeyCode, &kKeyName, &kKeyEmail};
const QString *const kColumnTitles[] = {&kPrefCustomerColumnCode, &kPrefCustomerColumnName,
                                        &kPrefCustomerColumnEmail};
constexpr int kColumnCount = 3;

// The members of a code's info file, read quietly: the table lists every code.
QVariantMap readCodeInfo(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kXmlMaxDocumentBytes) {
        return {};
    }
    OvraNSXmlParser parser(file.readAll());
    parser.setRootKey(kXmlNameData);
    if (!parser.parse()) {
        return {};
    }
    QVariantMap info = parser.mDictionary().toMap();
    if (info.value(kXmlNameData).typeId() == QMetaType::QVariantMap) {
        info = info.value(kXmlNameData).toMap();
    }
    return info;
}
} // namespace

CustomerTableModel::CustomerTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void CustomerTableModel::setRows(const QVariantList &rows)
{
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

QVariantMap CustomerTableModel::rowDictionary(int row) const
{
    return row >= 0 && row < rows_.size() ? rows_.at(row).toMap() : QVariantMap();
}

int CustomerTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int CustomerTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CustomerTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.column() >= kColumnCount) {
        return {};
    }
    return rowDictionary(index.row()).value(*kColumnKeys[index.column()]).toString();
}

QVariant CustomerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return *kColumnTitles[section];
}

QVariantList CustomerTableModel::rowsOfDayFolder(const QString &dayFolder)
{
    QVariantList rows;
    if (dayFolder.isEmpty()) {
        return rows;
    }
    const QFileInfoList folders =
        QDir(dayFolder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &folder : folders) {
        QVariantMap row{{kKeyCode, folder.fileName()}};
        const QVariantMap info = readCodeInfo(codeInfoFilePath(folder.filePath()));
        for (const QString *key : {&kKeyName, &kKeyEmail}) {
            const QVariant value = info.value(*key);
            if (value.typeId() == QMetaType::QString) {
                const QString text = value.toString();
                row.insert(*key, OvraNSXmlParser::removePercentEncoding(text).value_or(text));
            }
        }
        rows << row;
    }
    return rows;
}
