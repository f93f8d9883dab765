#include "BadCorpus.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace BadCorpus {

bool generate(const QString &folder, const QStringList &kinds, QString *error)
{
    // The system interpreter: a per-user one may not work under the test's private home.
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo(python).isExecutable()) {
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    }
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(python,
                 QStringList{QStringLiteral(OVRA_SOURCE_DIR "/scripts/make-bad-corpus"), folder} +
                     kinds);
    const bool finished = script.waitForFinished(120000);
    const bool ok =
        finished && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    if (!ok && error) {
        *error = QString::fromUtf8(script.readAll()) + script.errorString();
    }
    return ok;
}

QStringList entries(const QString &folder, const QString &kind)
{
    return QDir(folder + QLatin1Char('/') + kind)
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace BadCorpus
