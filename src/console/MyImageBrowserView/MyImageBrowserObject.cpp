#include "console/MyImageBrowserView/MyImageBrowserObject.h"

#include <QFileInfo>

QString MyImageBrowserObject::imageTitle() const
{
    return QFileInfo(path).completeBaseName();
}
