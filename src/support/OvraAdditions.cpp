#include "support/OvraAdditions.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/ChildProcess.h"

#include <QDir>

namespace {

QString infoString(const Bundle &bundle, const QString &key)
{
    return bundle.objectForInfoDictionaryKey(key).toString();
}

QString infoStringOr(const Bundle &bundle, const QString &key, const QString &fallback)
{
    const QString value = infoString(bundle, key);
    return value.isEmpty() ? fallback : value;
}

} // namespace

QString trimmedOfBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) {
        return c == u' ' || c == u'\t';
    };
    while (begin < end && blank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && blank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString expandTilde(const QString &path)
{
    if (path == QLatin1String("~")) {
        return QDir::homePath();
    }
    if (path.startsWith(QLatin1String("~/"))) {
        return QDir::homePath() + path.mid(1);
    }
    return path;
}

QString outputWhenRunAsShellCommand(const QString &commandLine)
{
    if (commandLine.isEmpty()) {
        return QString();
    }
    // The command may legitimately take long (a first-launch folder copy), so
    // there is no time limit here.
    const ChildProcess::Result result =
        ChildProcess::run(kShellPath, {QStringLiteral("-c"), commandLine}, -1);
    if (!result.started) {
        OvraLog(kLogShellCommandFailedToRun.arg(QStringLiteral("outputWhenRunAsShellCommand"),
                                                commandLine));
        return QString();
    }
    if (result.output.isEmpty()) {
        return QString();
    }
    return ChildProcess::decodeOutput(result.output);
}

QString getAppVersionString(const Bundle &bundle, Preferences *store)
{
    const QString name =
        infoStringOr(bundle, kInfoCFBundleDisplayName, infoString(bundle, kInfoCFBundleName));
    const QString version =
        kAppVersionFormat.arg(name, infoString(bundle, kInfoCFBundleShortVersionString),
                              infoStringOr(bundle, kInfoDTXcode, kUnknownVersionField),
                              infoStringOr(bundle, kInfoDTSDKName, kUnknownVersionField));
    if (store) {
        store->setObject(version, kPrefAppVersion);
    }
    return version;
}

QString getAppVersionString(Preferences *store)
{
    return getAppVersionString(Bundle::mainBundle(),
                               store ? store : Preferences::standardUserDefaults());
}

QString getThisAppUserDataPath(const Bundle &bundle)
{
    const QString name =
        infoStringOr(bundle, kInfoCFBundleExecutable, infoString(bundle, kInfoCFBundleName));
    if (name.isEmpty()) {
        return QString();
    }
    return QDir::cleanPath(expandTilde(kUserDataPathFormat.arg(name)));
}

QString getThisAppUserDataPath()
{
    return getThisAppUserDataPath(Bundle::mainBundle());
}
