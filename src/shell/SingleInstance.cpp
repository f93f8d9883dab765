#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {
const QByteArray kActivateMessage = QByteArrayLiteral("activate\n");

QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QDir(runtime).exists() ? runtime : QDir::tempPath();
}
} // namespace

SingleInstance::SingleInstance(const QString &identifier, QObject *parent) : QObject(parent)
{
    // Per user and per home: a test or demo in a private home is another kiosk.
    const QByteArray home =
        QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    name_ =
        QStringLiteral("%1-%2-%3").arg(identifier).arg(::getuid()).arg(QString::fromLatin1(home));
    lock_ = std::make_unique<QLockFile>(runtimeFolder() + QLatin1Char('/') + name_ +
                                        QStringLiteral(".lock"));
    // Never stale by age: a kiosk runs for a day. A dead holder is still detected.
    lock_->setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kActivateMessage.trimmed())) {
                    emit activationRequested();
                }
            });
        }
    });
}

SingleInstance::~SingleInstance()
{
    server_.close();
}

bool SingleInstance::claim()
{
    if (lock_->tryLock(0)) {
        // Whatever socket is left belongs to a crashed kiosk.
        QLocalServer::removeServer(name_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        server_.listen(name_);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(2000)) {
        socket.write(kActivateMessage);
        socket.waitForBytesWritten(2000);
        socket.disconnectFromServer();
    }
    return false;
}
