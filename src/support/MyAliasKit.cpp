#include "support/MyAliasKit.h"

#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/AliasRecord.h"
#include "support/AliasSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

const QString kClassName = QStringLiteral("MyAliasKit");
const QString kResolveName = QStringLiteral("resolveAliasFromData");
const QString kSavePathName = QStringLiteral("savePath");

// A path that QString cannot carry byte for byte would name another item.
std::optional<QString> textPath(const QByteArray &nativePath)
{
    const QString text = QFile::decodeName(nativePath);
    if (QFile::encodeName(text) != nativePath) {
        return std::nullopt;
    }
    return text;
}

QString hexCode(int code)
{
    return QString::number(code, 16).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QByteArray MyAliasKit::aliasDataForPath(const QString &path)
{
    if (path.isEmpty()) {
        return QByteArray();
    }
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto record = AliasRecord::ofItem(QFile::encodeName(absolute));
    return record ? record->encode() : QByteArray();
}

bool MyAliasKit::resolveAliasFromData(const QByteArray &data, QString *resolvedPath,
                                      QByteArray *changedData)
{
    if (changedData) {
        changedData->clear();
    }
    QString reason;
    const auto record = AliasRecord::decode(data, &reason);
    if (!record) {
        // Nothing stored is a normal answer, not a damaged record.
        if (!data.isEmpty()) {
            OvraLog(kLogAliasRecordUnreadable.arg(kResolveName, reason));
        }
        return false;
    }
    const QString recordedPath = QFile::decodeName(record->path);

    QByteArray foundPath;
    const auto atRecordedPath = AliasRecord::ofItem(record->path);
    if (atRecordedPath && record->sameItemAs(*atRecordedPath)) {
        foundPath = record->path;
    } else {
        const AliasSearchResult search = searchForMovedItem(
            *record, {kAliasSearchMaxDepth, kAliasSearchMaxAncestors, kAliasSearchMaxEntries});
        if (!search.path) {
            if (search.budgetSpent) {
                OvraLog(kLogAliasSearchBudgetSpent.arg(kResolveName, recordedPath,
                                                       QString::number(search.entriesVisited)));
            }
            OvraLog(kLogAliasResolveFailed.arg(kResolveName, recordedPath, hexCode(ENOENT)));
            return false;
        }
        foundPath = *search.path;
    }

    const auto text = textPath(foundPath);
    if (!text) {
        OvraLog(kLogAliasUnrepresentablePath.arg(kResolveName, QFile::decodeName(foundPath)));
        return false;
    }
    if (foundPath != record->path) {
        OvraLog(kLogAliasFoundElsewhere.arg(kResolveName, recordedPath, *text));
        if (changedData) {
            const auto fresh = AliasRecord::ofItem(foundPath);
            if (fresh) {
                *changedData = fresh->encode();
            }
        }
    }
    if (resolvedPath) {
        *resolvedPath = *text;
    }
    return true;
}

void MyAliasKit::savePath(const QString &path, const QString &forKey, Preferences *store)
{
    OvraLog(kLogAliasSavePath.arg(kClassName, kSavePathName, path, forKey));
    const QByteArray data = aliasDataForPath(path);
    if (data.isEmpty()) {
        OvraLog(kLogAliasSavePathNoData.arg(kClassName, kSavePathName, path, forKey));
        return;
    }
    (store ? store : Preferences::standardUserDefaults())->setObject(data, forKey);
}
