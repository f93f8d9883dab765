#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The application's bundle: its information (executable name, identifier,
// version fields) and where its resources and helper executables lie. In the
// build tree and in an installed prefix alike: <prefix>/bin holds the
// executable, <prefix>/share/ovra-videowall the resources and
// <prefix>/libexec/ovra-videowall (or <build>/libexec) the helpers.
class Bundle
{
public:
    Bundle(const QVariantMap &infoDictionary, const QString &bundlePath,
           const QString &resourcePath, const QString &helperPath);

    // The running kiosk's bundle. OVRA_SHARE_DIR and OVRA_LIBEXEC_DIR override
    // the resource and helper folders (tests, demos).
    static const Bundle &mainBundle();
    // The information this build was made with.
    static QVariantMap defaultInfoDictionary();

    QVariantMap infoDictionary() const { return info_; }
    QVariant objectForInfoDictionaryKey(const QString &key) const { return info_.value(key); }
    QString bundleIdentifier() const;

    // The folder the bundle stands for: the install prefix (or the build tree).
    QString bundlePath() const { return bundlePath_; }
    QString resourcePath() const { return resourcePath_; }
    QString helperPath() const { return helperPath_; }

    // name.type in the resources, or an empty string.
    QString pathForResource(const QString &name, const QString &type = QString()) const;
    // A helper executable by its full name, or an empty string.
    QString pathForAuxiliaryExecutable(const QString &name) const;
    // A bundle script: first as helper executable, then as resource of that
    // name less extension and the extension as type.
    QString pathForScript(const QString &scriptName) const;

private:
    QVariantMap info_;
    QString bundlePath_;
    QString resourcePath_;
    QString helperPath_;
};
