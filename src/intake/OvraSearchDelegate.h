#pragma once

#include "shell/CommonHeader.h"

#include <QMetaType>
#include <QVariant>
#include <QVariantMap>

class OvraPhotoQueryController;

// The receiver of a photo search's answer, named under "delegate" in the
// search request. Display controllers, windows and the code intake implement
// it. The search calls back synchronously, on the thread that started it, and
// holds no reference afterwards: the delegate only has to outlive that call.
// The answer itself is query->response().
class OvraSearchDelegate
{
public:
    virtual ~OvraSearchDelegate() = default;

    // The search of param is done; entries are full paths for a folder
    // listing and relative to param's "searchPath" for a code search.
    virtual void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) = 0;

    // A code search answered from the demo folder: param is the request plus
    // "altpath", the folder the entries are relative to. A delegate that does
    // not tell the two apart gets it as doneSearchOperation(), "altpath"
    // included, rather than no answer at all.
    virtual void doneSearchOperationNew(OvraPhotoQueryController *query, const QVariantMap &param)
    {
        doneSearchOperation(query, param);
    }

protected:
    OvraSearchDelegate() = default;
    OvraSearchDelegate(const OvraSearchDelegate &) = default;
    OvraSearchDelegate &operator=(const OvraSearchDelegate &) = default;
};

Q_DECLARE_METATYPE(OvraSearchDelegate *)

// The value to store under "delegate" in a request.
inline QVariant searchDelegateValue(OvraSearchDelegate *delegate)
{
    return QVariant::fromValue(delegate);
}

// The delegate of a request, or nullptr when it names none.
inline OvraSearchDelegate *searchDelegateOf(const QVariantMap &request)
{
    return qvariant_cast<OvraSearchDelegate *>(request.value(kKeyDelegate));
}
