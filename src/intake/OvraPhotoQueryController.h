#pragma once

#include "intake/OvraSearchDelegate.h"
#include "platform/Bundle.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <mutex>
#include <optional>

class Preferences;

// Lists photo files for one user and answers through the request's delegate
// (see OvraSearchDelegate). A request is a QVariantMap: "searchPath" (the
// folder), "delegate" (searchDelegateValue()), and for a code search
// optionally "customerid" (the code; absent: all codes).
//
// Two searches, both synchronous on the calling thread from start to callback:
// - the folder listing: full paths of the visible entries of one folder,
//   sub-folders included, ".xml" files left out;
// - the code search: the newest photos of one code (or of all codes) of a day
//   folder, from the bundle script "getnewestfiles.sh", relative to the
//   searched folder; with "prefSearchInDemoFolderFirst" the demo folder
//   ("prefSlideShowPath" / "prefDemoFolderName") is asked first, and an answer
//   from there comes through doneSearchOperationNew() with "altpath".
//
// One search at a time per object: each user keeps its own. response() may be
// read from any thread.
class OvraPhotoQueryController : public QObject
{
    Q_OBJECT
public:
    // Reads Preferences::standardUserDefaults() and the main bundle.
    explicit OvraPhotoQueryController(QObject *parent = nullptr);
    // store: nullptr means Preferences::standardUserDefaults() at each search.
    OvraPhotoQueryController(Preferences *store, const Bundle &bundle, QObject *parent = nullptr);

    // The folder listing.
    Q_INVOKABLE void startSearchActionWithParam(const QVariantMap &param);
    Q_INVOKABLE void startSearchActionWithParamOldway(const QVariantMap &param);
    // The code search.
    Q_INVOKABLE void startSearchActionWithParamOldwayOvra2(const QVariantMap &param);

    // Runs the script on folder for the code withPrefix (none: all codes) and
    // answers its output, trimmed and split into lines, unchecked. A code that
    // would name another folder runs nothing and answers nothing.
    QStringList findNewImagesFromShellScript(const QString &folder,
                                             const std::optional<QString> &withPrefix);

    // The most photos a code search lists: "prefMaxPhotosInLocalFolder", or 40
    // when that is below 1.
    int maxPhotosCount() const;

    QStringList response() const;
    void setResponse(const QStringList &response);
    // The request in progress; none between searches.
    std::optional<QVariantMap> param() const;
    void setParam(const std::optional<QVariantMap> &param);

private:
    Preferences *store() const;
    std::optional<QString> demoFolderForSearch() const;
    void beginSearch(const QVariantMap &param);
    void finishSearch();

    Preferences *fStore = nullptr;
    Bundle fBundle;
    mutable std::mutex fLock;
    QStringList _response;
    std::optional<QVariantMap> _param;
};
