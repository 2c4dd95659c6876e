#include "shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace quarlo::shell {

namespace {
constexpr int kTimeoutMs = 3000;
constexpr qint64 kMaxParameterBytes = 64 * 1024;
} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), m_path(socketPath(dataFolder)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath(const QString& dataFolder) {
    // Inside the data folder, so that each data folder has its own instance; a path too long
    // for a socket address falls back to a hashed name in the runtime folder.
    const QString inFolder = QDir(dataFolder).filePath(QStringLiteral("quarlo.socket"));
    if (inFolder.toUtf8().size() < 100)
        return inFolder;
    const QByteArray hash =
        QCryptographicHash::hash(dataFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir::tempPath() + QStringLiteral("/quarlo-") + QString::fromLatin1(hash);
}

bool SingleInstance::listen() {
    QLocalServer::removeServer(m_path);
    return m_server->listen(m_path);
}

bool SingleInstance::handOver(const QString& dataFolder, const QString& parameter) {
    QLocalSocket socket;
    socket.connectToServer(socketPath(dataFolder));
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(parameter.toUtf8());
    socket.flush();
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kTimeoutMs);
    return true;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setReadBufferSize(kMaxParameterBytes);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            const QByteArray data = socket->readAll().left(kMaxParameterBytes);
            socket->deleteLater();
            emit parameterReceived(QString::fromUtf8(data));
        });
    }
}

} // namespace quarlo::shell
