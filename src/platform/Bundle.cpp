#include "platform/Bundle.h"

#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString executableDir()
{
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationDirPath();
    }
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .symLinkTarget()
        .section(QLatin1Char('/'), 0, -2);
}

QString firstExistingDir(const QStringList &candidates)
{
    for (const QString &dir : candidates) {
        if (!dir.isEmpty() && QFileInfo(dir).isDir()) {
            return QDir::cleanPath(dir);
        }
    }
    return candidates.isEmpty() ? QString() : QDir::cleanPath(candidates.first());
}

} // namespace

Bundle::Bundle(const QVariantMap &infoDictionary, const QString &bundlePath,
               const QString &resourcePath, const QString &helperPath)
    : info_(infoDictionary), bundlePath_(bundlePath), resourcePath_(resourcePath),
      helperPath_(helperPath)
{}

QVariantMap Bundle::defaultInfoDictionary()
{
    return {
        {kInfoCFBundleExecutable, kBundleExecutableName},
        {kInfoCFBundleName, kBundleExecutableName},
        {kInfoCFBundleDisplayName, kBundleDisplayName},
        {kInfoCFBundleIdentifier, kBundleIdentifier},
        {kInfoCFBundleShortVersionString, QStringLiteral(OVRA_VERSION)},
        {kInfoCFBundleVersion, QStringLiteral(OVRA_BUILD_NUMBER)},
        {kInfoDTXcode, QStringLiteral(OVRA_COMPILER_VERSION)},
        {kInfoDTSDKName, QStringLiteral(OVRA_QT_VERSION)},
    };
}

const Bundle &Bundle::mainBundle()
{
    static const Bundle bundle = [] {
        const QString exeDir = executableDir();
        const QString prefix = QDir::cleanPath(exeDir + QStringLiteral("/.."));
        const QString shareOverride = qEnvironmentVariable("OVRA_SHARE_DIR");
        const QString helperOverride = qEnvironmentVariable("OVRA_LIBEXEC_DIR");
        const QString resources =
            shareOverride.isEmpty()
                ? firstExistingDir({prefix + QStringLiteral("/share/ovra-videowall"),
                                    QStringLiteral(OVRA_INSTALL_PREFIX "/share/ovra-videowall")})
                : shareOverride;
        const QString helpers =
            helperOverride.isEmpty()
                ? firstExistingDir({prefix + QStringLiteral("/libexec/ovra-videowall"),
                                    prefix + QStringLiteral("/libexec"),
                                    QStringLiteral(OVRA_INSTALL_PREFIX "/libexec/ovra-videowall")})
                : helperOverride;
        return Bundle(defaultInfoDictionary(), prefix, resources, helpers);
    }();
    return bundle;
}

QString Bundle::bundleIdentifier() const
{
    return info_.value(kInfoCFBundleIdentifier).toString();
}

QString Bundle::pathForResource(const QString &name, const QString &type) const
{
    if (name.isEmpty() || resourcePath_.isEmpty()) {
        return QString();
    }
    const QString file = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    // A resource name is a plain file name; never let it climb out of the folder.
    if (file.contains(QLatin1Char('/'))) {
        return QString();
    }
    const QString path = resourcePath_ + QLatin1Char('/') + file;
    return QFileInfo(path).isFile() ? path : QString();
}

QString Bundle::pathForAuxiliaryExecutable(const QString &name) const
{
    if (name.isEmpty() || helperPath_.isEmpty() || name.contains(QLatin1Char('/'))) {
        return QString();
    }
    const QFileInfo info(helperPath_ + QLatin1Char('/') + name);
    return info.isFile() && info.isExecutable() ? info.filePath() : QString();
}

QString Bundle::pathForScript(const QString &scriptName) const
{
    const QString helper = pathForAuxiliaryExecutable(scriptName);
    if (!helper.isEmpty()) {
        return helper;
    }
    const QFileInfo info(scriptName);
    return pathForResource(info.completeBaseName(), info.suffix());
}
