#include "support/OvraShellUtilities.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "support/ChildProcess.h"

namespace {

struct RunnerTexts
{
    const QString &noName;
    const QString &name;
    const QString &param;
    const QString &noParam;
    const QString &taskFailed;
    const QString &gotBack;
    QString runner;
};

QString describeArguments(const QStringList &args)
{
    QString text = QStringLiteral("(");
    for (qsizetype i = 0; i < args.size(); ++i) {
        text += QStringLiteral("\n    \"") + args.at(i) + QLatin1Char('"');
        if (i + 1 < args.size()) {
            text += QLatin1Char(',');
        }
    }
    return text + QStringLiteral("\n)");
}

// A child may print megabytes; the log keeps the head and the size.
QString shortenedForLog(const QString &text)
{
    if (text.size() <= kLogOutputMaxChars) {
        return text;
    }
    return kLogOutputShortened.arg(text.left(kLogOutputMaxChars), QString::number(text.size()));
}

struct RunOutcome
{
    bool ran = false;
    ChildProcess::Result child;
};

RunOutcome runLogged(const RunnerTexts &texts, const QString &path,
                     const std::optional<QStringList> &args, int timeoutMs)
{
    RunOutcome outcome;
    if (path.isEmpty()) {
        OvraLog(texts.noName);
        return outcome;
    }
    OvraLog(texts.name.arg(path));
    if (args.has_value()) {
        OvraLog(texts.param.arg(describeArguments(*args)));
    } else {
        OvraLog(texts.noParam);
    }
    outcome.child = ChildProcess::run(path, args.value_or(QStringList()), timeoutMs);
    if (!outcome.child.started) {
        OvraLog(kLogChildStartFailed.arg(texts.runner, path, outcome.child.errorText));
        return outcome;
    }
    outcome.ran = true;
    if (outcome.child.timedOut) {
        OvraLog(kLogChildTimedOut.arg(texts.runner, path, QString::number(timeoutMs)));
    }
    if (!outcome.child.succeeded) {
        OvraLog(texts.taskFailed);
    }
    return outcome;
}

} // namespace

QString runShellScript2(const QString &path, const std::optional<QStringList> &args, int timeoutMs)
{
    const RunnerTexts texts{kLogRunShellScript2NoName,        kLogRunShellScript2Name,
                            kLogRunShellScript2Param,         kLogRunShellScript2NoParam,
                            kLogRunShellScript2TaskFailed,    kLogRunShellScript2GotBack,
                            QStringLiteral("runShellScript2")};
    const RunOutcome outcome = runLogged(texts, path, args, timeoutMs);
    if (!outcome.ran) {
        return QString();
    }
    const QString text = ChildProcess::decodeOutput(outcome.child.output);
    OvraLog(texts.gotBack.arg(shortenedForLog(text)));
    return text;
}

QString runThisShellScript(const QString &path, const std::optional<QStringList> &args,
                           int timeoutMs)
{
    const RunnerTexts texts{kLogRunThisShellScriptNoName,        kLogRunThisShellScriptName,
                            kLogRunThisShellScriptParam,         kLogRunThisShellScriptNoParam,
                            kLogRunThisShellScriptTaskFailed,    kLogRunThisShellScriptGotBack,
                            QStringLiteral("runThisShellScript")};
    const RunOutcome outcome = runLogged(texts, path, args, timeoutMs);
    if (!outcome.ran) {
        return QString();
    }
    if (!outcome.child.succeeded) {
        return kTaskFailed;
    }
    OvraLog(kLogRunThisShellScriptTaskSucceeded);
    const QString text = ChildProcess::decodeOutput(outcome.child.output);
    OvraLog(texts.gotBack.arg(shortenedForLog(text)));
    return text;
}

void runShellScript(const Bundle &bundle, const QString &scriptName,
                    const std::optional<QStringList> &args)
{
    if (scriptName.isEmpty()) {
        OvraLog(kLogRunShellScriptNoName);
        return;
    }
    const QString path = bundle.pathForScript(scriptName);
    if (path.isEmpty()) {
        OvraLog(kLogRunShellScriptNotFound.arg(scriptName));
        return;
    }
    runThisShellScript(path, args);
}

void runShellScript(const QString &scriptName, const std::optional<QStringList> &args)
{
    runShellScript(Bundle::mainBundle(), scriptName, args);
}
