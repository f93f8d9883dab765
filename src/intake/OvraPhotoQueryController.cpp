#include "intake/OvraPhotoQueryController.h"

#include "intake/PhotoScriptOutput.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/OvraShellUtilities.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace {

const QString kClassName = QStringLiteral("OvraPhotoQueryController");

QString describeList(const QStringList &items)
{
    QString text = QStringLiteral("(");
    for (qsizetype i = 0; i < items.size(); ++i) {
        text += QStringLiteral("\n    \"") + items.at(i) + QLatin1Char('"');
        if (i + 1 < items.size()) {
            text += QLatin1Char(',');
        }
    }
    return text + QStringLiteral("\n)");
}

QString describeRequest(const QVariantMap &param)
{
    QStringList parts;
    for (auto it = param.cbegin(); it != param.cend(); ++it) {
        const QString value = it.key() == kKeyDelegate
                                  ? QStringLiteral("<delegate>")
                                  : it.value().toStringList().join(QStringLiteral(", "));
        parts.append(it.key() + QStringLiteral(" = ") + value);
    }
    return QStringLiteral("{") + parts.join(QStringLiteral("; ")) + QStringLiteral("}");
}

// A code is one folder name; anything that could reach another folder, or
// break the script's one-path-a-line output, is refused.
bool isSearchableCode(const QString &code)
{
    if (!isUsableCode(code)) {
        return false;
    }
    for (const QChar c : code) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    return true;
}

} // namespace

OvraPhotoQueryController::OvraPhotoQueryController(QObject *parent)
    : OvraPhotoQueryController(nullptr, Bundle::mainBundle(), parent)
{}

OvraPhotoQueryController::OvraPhotoQueryController(Preferences *store, const Bundle &bundle,
                                                   QObject *parent)
    : QObject(parent), fStore(store), fBundle(bundle)
{}

Preferences *OvraPhotoQueryController::store() const
{
    return fStore != nullptr ? fStore : Preferences::standardUserDefaults();
}

QStringList OvraPhotoQueryController::response() const
{
    const std::lock_guard guard(fLock);
    return _response;
}

void OvraPhotoQueryController::setResponse(const QStringList &response)
{
    const std::lock_guard guard(fLock);
    _response = response;
}

std::optional<QVariantMap> OvraPhotoQueryController::param() const
{
    const std::lock_guard guard(fLock);
    return _param;
}

void OvraPhotoQueryController::setParam(const std::optional<QVariantMap> &param)
{
    const std::lock_guard guard(fLock);
    _param = param;
}

void OvraPhotoQueryController::beginSearch(const QVariantMap &param)
{
    const std::lock_guard guard(fLock);
    _param = param;
    _response.clear();
}

void OvraPhotoQueryController::finishSearch()
{
    setParam(std::nullopt);
}

int OvraPhotoQueryController::maxPhotosCount() const
{
    const qint64 count = store()->integerForKey(kPrefMaxPhotosInLocalFolder);
    if (count < 1) {
        return kDefaultMaxPhotosInLocalFolder;
    }
    return count > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(count);
}

// ---- folder listing

void OvraPhotoQueryController::startSearchActionWithParam(const QVariantMap &param)
{
    startSearchActionWithParamOldway(param);
}

void OvraPhotoQueryController::startSearchActionWithParamOldway(const QVariantMap &param)
{
    const QString operation = QStringLiteral("startSearchActionWithParamOldway");
    OvraLog(kLogSearchRequest.arg(kClassName, operation, describeRequest(param)));
    beginSearch(param);
    OvraSearchDelegate *delegate = searchDelegateOf(param);

    QStringList found;
    const QString searchPath = param.value(kKeySearchPath).toString();
    const QFileInfo folder(searchPath);
    if (searchPath.isEmpty() || !folder.isDir()) {
        OvraLog(kLogUnableToGetFolderUrl.arg(kClassName, searchPath));
    } else if (!folder.isReadable() || !folder.isExecutable()) {
        OvraLog(kLogBumpedIntoError.arg(kClassName));
    } else {
        // Shallow and without hidden entries; links and sub-folders are listed
        // like files.
        const QDir dir(searchPath);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries) {
            const QString path = entry.absoluteFilePath();
            OvraLog(kLogItemFound.arg(path));
            if (entry.suffix().compare(kFolderListingSkippedExtension, Qt::CaseInsensitive) != 0) {
                found.append(path);
            }
        }
    }
    setResponse(found);
    OvraLog(kLogSelfResponse.arg(describeList(found)));
    if (delegate != nullptr) {
        delegate->doneSearchOperation(this, param);
    }
    finishSearch();
}

// ---- code search

std::optional<QString> OvraPhotoQueryController::demoFolderForSearch() const
{
    Preferences *prefs = store();
    if (!prefs->boolForKey(kPrefSearchInDemoFolderFirst)) {
        return std::nullopt;
    }
    const QString name = prefs->stringForKey(kPrefDemoFolderName);
    const QString root = getPhotoStoreRoot(prefs);
    // Without a root the demo folder would land wherever the process runs.
    if (name.trimmed().isEmpty() || root.isEmpty()) {
        return std::nullopt;
    }
    return QDir::cleanPath(root + QLatin1Char('/') + name);
}

void OvraPhotoQueryController::startSearchActionWithParamOldwayOvra2(const QVariantMap &param)
{
    const QString operation = QStringLiteral("startSearchActionWithParamOldwayOvra2");
    OvraLog(kLogSearchRequest.arg(kClassName, operation, describeRequest(param)));
    beginSearch(param);
    OvraSearchDelegate *delegate = searchDelegateOf(param);
    std::optional<QString> prefix;
    if (param.contains(kKeyCustomerId)) {
        prefix = param.value(kKeyCustomerId).toString();
    }
    const int count = maxPhotosCount();

    QStringList found;
    std::optional<QString> alternateFolder;
    if (const std::optional<QString> demoFolder = demoFolderForSearch()) {
        QDir().mkpath(*demoFolder);
        if (QFileInfo(*demoFolder).isDir()) {
            const QStringList lines = findNewImagesFromShellScript(*demoFolder, prefix);
            OvraLog(kLogDemoFolderFound.arg(*demoFolder, describeList(lines)));
            const QStringList accepted = acceptedScriptLines(*demoFolder, lines, count, kClassName);
            if (!accepted.isEmpty()) {
                found = accepted;
                alternateFolder = demoFolder;
            }
        }
    }
    if (!alternateFolder) {
        const QString searchPath = param.value(kKeySearchPath).toString();
        found = acceptedScriptLines(searchPath, findNewImagesFromShellScript(searchPath, prefix),
                                    count, kClassName);
    }
    setResponse(found);
    OvraLog(kLogSelfResponse.arg(describeList(found)));

    if (delegate != nullptr) {
        if (alternateFolder) {
            QVariantMap answered = param;
            answered.insert(kKeyAltPath, *alternateFolder);
            delegate->doneSearchOperationNew(this, answered);
        } else {
            delegate->doneSearchOperation(this, param);
        }
    }
    finishSearch();
}

QStringList
OvraPhotoQueryController::findNewImagesFromShellScript(const QString &folder,
                                                       const std::optional<QString> &withPrefix)
{
    const QString operation = QStringLiteral("findNewImagesFromShellScript");
    if (withPrefix && !isSearchableCode(*withPrefix)) {
        OvraLog(kLogRefusedCode.arg(kClassName, operation, *withPrefix));
        return {QString()};
    }
    const QString script = fBundle.pathForScript(kGetNewestFilesScript);
    QStringList arguments{folder, QString::number(maxPhotosCount())};
    if (withPrefix) {
        arguments.append(*withPrefix);
    }
    OvraLog(kLogWillExecute.arg(QFileInfo(script).fileName(), describeList(arguments)));
    // Null without a script: the same as empty output.
    const QString output = runShellScript2(script, arguments);
    OvraLog(kLogResponseIs.arg(output));
    const QStringList results = output.trimmed().split(QLatin1Char('\n'));
    OvraLog(kLogResultsIs.arg(describeList(results)));
    return results;
}
