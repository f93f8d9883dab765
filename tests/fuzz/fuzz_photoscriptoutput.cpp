// libFuzzer entry for the photo script's output: whatever the script prints,
// only relative paths of files inside the searched folder come through, at
// most the asked number of them.

#include "intake/PhotoScriptOutput.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> gRoot;
QString gFolder;
QString gCanonicalFolder;

bool touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

// A code folder with photos, a subfolder, a name with blanks around it, and
// links that lead inside and outside; a file beside it that must stay out of reach.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    gRoot = std::make_unique<QTemporaryDir>();
    if (!gRoot->isValid()) {
        return 1;
    }
    gFolder = gRoot->filePath(QStringLiteral("day/4711"));
    const bool ok =
        touch(gFolder + QStringLiteral("/a.jpg")) && touch(gFolder + QStringLiteral("/b c.JPG")) &&
        touch(gFolder + QStringLiteral("/ spaced.jpg ")) &&
        touch(gFolder + QStringLiteral("/sub/d.jpg")) &&
        touch(gRoot->filePath(QStringLiteral("day/secret.jpg"))) &&
        QFile::link(gFolder + QStringLiteral("/a.jpg"), gFolder + QStringLiteral("/inside.jpg")) &&
        QFile::link(gRoot->filePath(QStringLiteral("day/secret.jpg")),
                    gFolder + QStringLiteral("/outside.jpg"));
    gCanonicalFolder = QFileInfo(gFolder).canonicalFilePath();
    return ok ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte is the count the caller asks for, the rest the output,
    // split the way the photo search splits it.
    const int maxCount = int(data[0] % 16);
    const QString output =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList lines = output.trimmed().split(QLatin1Char('\n'));
    const QStringList accepted =
        acceptedScriptLines(gFolder, lines, maxCount, QStringLiteral("fuzz"));
    if (accepted.size() > maxCount) {
        __builtin_trap();
    }
    for (const QString &line : accepted) {
        if (line.isEmpty() || QDir::isAbsolutePath(line) ||
            line.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
            __builtin_trap();
        }
        for (const QChar c : line) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
                __builtin_trap();
            }
        }
        const QFileInfo info(gFolder + QLatin1Char('/') + line);
        if (!info.isFile() ||
            !info.canonicalFilePath().startsWith(gCanonicalFolder + QLatin1Char('/'))) {
            __builtin_trap();
        }
    }
    return 0;
}
