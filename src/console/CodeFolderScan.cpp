#include "console/CodeFolderScan.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"
#include "support/PhotoStoreLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace CodeFolderScan {

std::optional<QVariantMap> readCodeInfo(const QString &infoFilePath)
{
    return OvraNSXmlParser::testParser(infoFilePath);
}

QList<Candidate> listCodeFolders(const QString &dayFolder)
{
    QList<Candidate> folders;
    QDir dir(dayFolder);
    if (!dir.isReadable()) {
        OvraLog(kLogScanBumpedIntoError);
        return folders;
    }
    // Hidden entries are left out by not asking for them.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    folders.reserve(entries.size());
    for (const QFileInfo &info : entries) {
        folders.append({info.absoluteFilePath(), info.lastModified(), info.birthTime()});
    }
    return folders;
}

std::optional<QVariantMap> makeEntry(const Candidate &folder, const InfoReader &reader,
                                     const QString &nowText)
{
    const QString infoFile = codeInfoFilePath(folder.path);
    std::optional<QVariantMap> members = reader ? reader(infoFile) : readCodeInfo(infoFile);
    if (!members) {
        return std::nullopt;
    }
    QVariantMap entry = *members;
    entry.insert(kEntryCodeInfo, *members);
    entry.insert(kEntryPathToXmlInfoFile, infoFile);
    entry.insert(kEntryQty, kQtyNotCounted);
    entry.insert(kEntryContentModDate,
                 folder.modified.isValid() ? QVariant(folder.modified) : QVariant(nowText));
    entry.insert(kEntryCreateDate,
                 folder.created.isValid() ? QVariant(folder.created) : QVariant(nowText));
    return entry;
}

qint64 countListPhotos(const QString &codeFolder)
{
    // readdir with the entry types: no stat per photo, which matters for
    // hundreds of codes with dozens of photos each.
    static const QByteArray extension = kListPhotoExtension.toLatin1();
    const QByteArray folder = QFile::encodeName(codeFolder);
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        return -1;
    }
    qint64 count = 0;
    while (const dirent *item = ::readdir(dir)) {
        const char *dot = std::strrchr(item->d_name, '.');
        if (!dot || ::strcasecmp(dot + 1, extension.constData()) != 0) {
            continue;
        }
        bool regular = item->d_type == DT_REG;
        if (item->d_type == DT_UNKNOWN || item->d_type == DT_LNK) {
            struct stat st = {};
            const QByteArray path = folder + '/' + item->d_name;
            regular = ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (regular) {
            ++count;
        }
    }
    ::closedir(dir);
    return count;
}

} // namespace CodeFolderScan
