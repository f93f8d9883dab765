#include "platform/Log.h"

#include "platform/Clock.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

QByteArray applicationName()
{
    // Before QCoreApplication exists the executable's own name still identifies us.
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationName().toUtf8();
    }
    char buffer[512] = {};
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) {
        return QByteArrayLiteral("ovra");
    }
    return QFileInfo(QString::fromLocal8Bit(buffer, int(n))).fileName().toUtf8();
}

} // namespace

void OvraLog(const QString &message)
{
    QByteArray line = Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    line += ' ';
    line += applicationName();
    line += '[';
    line += QByteArray::number(qint64(getpid()));
    line += ':';
    line += QByteArray::number(qint64(syscall(SYS_gettid)));
    line += "] ";
    line += message.toUtf8();
    if (!line.endsWith('\n')) {
        line += '\n';
    }
    // One write per line keeps lines whole when threads log at the same time.
    const char *data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, size_t(left));
        if (written <= 0) {
            break;
        }
        data += written;
        left -= written;
    }
}
