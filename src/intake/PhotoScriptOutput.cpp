#include "intake/PhotoScriptOutput.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

const QString kOperation = QStringLiteral("acceptedScriptLines");

bool hasControlCharacters(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return true;
        }
    }
    return false;
}

// Why line cannot be used under folder (whose canonical path is given), or
// nothing when it can.
std::optional<QString> rejection(const QString &canonicalFolder, const QString &folder,
                                 const QString &line)
{
    if (hasControlCharacters(line)) {
        return kReasonControlCharacters;
    }
    if (line.startsWith(QLatin1Char('/')) || QDir::isAbsolutePath(line)) {
        return kReasonNotRelative;
    }
    const QStringList parts = line.split(QLatin1Char('/'));
    if (parts.contains(QStringLiteral(".."))) {
        return kReasonLeadsOutside;
    }
    const QFileInfo info(folder + QLatin1Char('/') + line);
    if (!info.isFile()) {
        return kReasonNoSuchFile;
    }
    // A link inside the folder may still point elsewhere.
    if (!info.canonicalFilePath().startsWith(canonicalFolder + QLatin1Char('/'))) {
        return kReasonLeadsOutside;
    }
    return std::nullopt;
}

// The line as a log can show it.
QString printable(const QString &line)
{
    QString shown = line;
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = QLatin1Char('?');
        }
    }
    return shown;
}

} // namespace

QStringList acceptedScriptLines(const QString &folder, const QStringList &lines, int maxCount,
                                const QString &caller)
{
    QStringList accepted;
    QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (canonicalFolder == QLatin1String("/")) {
        canonicalFolder.clear();
    }
    int blankLines = 0;
    bool capped = false;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            ++blankLines;
            continue;
        }
        if (accepted.size() >= maxCount) {
            capped = true;
            break;
        }
        const std::optional<QString> reason = rejection(canonicalFolder, folder, trimmed);
        if (!reason) {
            accepted.append(trimmed);
            continue;
        }
        // A name that really begins or ends with blanks survives only untrimmed.
        if (trimmed != line && !rejection(canonicalFolder, folder, line)) {
            accepted.append(line);
            continue;
        }
        OvraLog(kLogDroppedScriptLine.arg(caller, kOperation, printable(line), *reason));
    }
    // Empty output is one empty piece: nothing worth a line.
    if (blankLines > 0 && lines.size() > 1) {
        OvraLog(kLogDroppedBlankLines.arg(caller, kOperation, QString::number(blankLines)));
    }
    if (capped) {
        OvraLog(kLogScriptLinesCapped.arg(caller, kOperation, QString::number(maxCount)));
    }
    return accepted;
}
