#include "platform/IpcEndpoint.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace korvi {

namespace {
constexpr qint64 kMaxMessage = 16 * 1024 * 1024;
}

QString IpcName(const QString& home) {
    QString canon = QDir(home).canonicalPath();
    if (canon.isEmpty()) canon = QDir(home).absolutePath();
    const QByteArray hash = QCryptographicHash::hash(canon.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("KorviServer-") + QString::fromLatin1(hash.toHex().left(16));
}

bool SendToInstance(const QString& name, const QString& text, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    const QByteArray bytes = text.toUtf8();
    socket.write(bytes);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs)) return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

MessageListener::MessageListener(std::function<void(const QString&)> onText, QObject* parent)
    : QObject(parent), on_text_(std::move(onText)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &MessageListener::OnConnection);
}

MessageListener::~MessageListener() = default;

bool MessageListener::Listen(const QString& name, QString* error) {
    // A live instance answers; a socket file left by a crashed one does not
    // and is taken over.
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) {
            if (error) *error = QStringLiteral("another instance is running");
            return false;
        }
    }
    QLocalServer::removeServer(name);
    if (server_->listen(name)) return true;
    if (error) *error = server_->errorString();
    return false;
}

void MessageListener::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() > kMaxMessage) socket->abort();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->isEmpty() && buffer->size() <= kMaxMessage) {
                on_text_(QString::fromUtf8(*buffer));
            }
            socket->deleteLater();
        });
    }
}

}  // namespace korvi
