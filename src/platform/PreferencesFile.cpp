#include "platform/PreferencesFile.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

PreferencesFile::Stamp stampOf(const struct stat &st)
{
    PreferencesFile::Stamp s;
    s.exists = true;
    s.device = qint64(st.st_dev);
    s.inode = qint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

} // namespace

PreferencesFile::PreferencesFile(const QString &path) : m_path(path) {}

PreferencesFile::Lock::Lock(const QString &filePath)
{
    const QString lockPath = filePath + kPreferencesLockSuffix;
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    m_fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        OvraLog(kLogPreferencesLockFailed.arg(lockPath, qt_error_string(errno)));
        return;
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            OvraLog(kLogPreferencesLockFailed.arg(lockPath, qt_error_string(errno)));
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

PreferencesFile::Lock::~Lock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

PreferencesFile::Stamp PreferencesFile::stamp() const
{
    struct stat st
    {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return {};
    return stampOf(st);
}

PreferencesFile::Content PreferencesFile::read() const
{
    Content content;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.exists()) {
            content.status = Status::Unreadable;
            content.error = file.errorString();
        }
        return content;
    }
    struct stat st
    {};
    if (::fstat(file.handle(), &st) == 0)
        content.stamp = stampOf(st);
    const QByteArray bytes = file.readAll();
    QString error;
    const QVariant value = PropertyList::fromXml(bytes, &error);
    if (!value.isValid()) {
        content.status = Status::Corrupt;
        content.error = error;
    } else if (value.typeId() != QMetaType::QVariantMap) {
        content.status = Status::Corrupt;
        content.error = kPreferencesNotADictionary;
    } else {
        content.status = Status::Ok;
        content.values = value.toMap();
    }
    return content;
}

void PreferencesFile::setAside(const QString &why) const
{
    const QString stamp = Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + kPreferencesCorruptSuffixFormat.arg(stamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_path +
                 kPreferencesCorruptSuffixFormat.arg(stamp + QLatin1Char('-') + QString::number(n));
    if (QFile::rename(m_path, target))
        OvraLog(kLogPreferencesFileSetAside.arg(m_path, why, target));
    else
        OvraLog(kLogPreferencesFileSetAsideFailed.arg(m_path, why));
}

void PreferencesFile::removeInterruptedSaves() const
{
    const QFileInfo info(PropertyList::atomicWriteTarget(m_path));
    const QDir folder = info.absoluteDir();
    const QString pattern = info.fileName() + kAtomicWriteTemporaryInfix + QStringLiteral("??????");
    for (const QString &name : folder.entryList({pattern}, QDir::Files | QDir::Hidden)) {
        if (QFile::remove(folder.filePath(name)))
            OvraLog(kLogPreferencesInterruptedSaveRemoved.arg(folder.filePath(name)));
    }
}

bool PreferencesFile::write(const QVariantMap &values, QString *error, Stamp *written) const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = kPreferencesCannotCreateFolder.arg(folder);
        return false;
    }
    if (!PropertyList::writeFileAtomically(m_path, values, error))
        return false;
    if (written)
        *written = stamp();
    return true;
}
