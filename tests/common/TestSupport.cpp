#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TestSupport {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool writeScript(const QString &path, const QByteArray &body)
{
    if (!writeFile(path, QByteArrayLiteral("#!/bin/sh\n") + body)) {
        return false;
    }
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                           QFile::ExeGroup | QFile::ExeOther);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool useOffscreenScreens(const QString &folder, int count)
{
    QByteArray screens;
    for (int i = 0; i < count; ++i) {
        screens += QByteArray(i ? "," : "") + "{\"name\":\"K" + QByteArray::number(i) +
                   "\",\"x\":" + QByteArray::number(i * 800) +
                   ",\"y\":0,\"width\":800,\"height\":600,\"logicalDpi\":96,"
                   "\"logicalBaseDpi\":96,\"dpr\":1}";
    }
    const QString config = folder + QStringLiteral("/screens.json");
    if (!writeFile(config, "{\"screens\":[" + screens + "]}")) {
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    return true;
}

} // namespace TestSupport
