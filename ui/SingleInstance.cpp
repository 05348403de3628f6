#include "ui/SingleInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace stovan::ui {

namespace {

// "show" and a line feed is all a client may send; more is hostile.
constexpr qint64 kMaxRequest = 64;
constexpr int kClientTimeoutMs = 3000;
const QByteArray kShow = QByteArrayLiteral("show");
const QByteArray kShown = QByteArrayLiteral("ok\n");

}  // namespace

QString InstanceServerName(const std::string& rootFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(rootFolder), QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::tempPath();
        return folder + QStringLiteral("/stovan-%1-").arg(::getuid()) + QString::fromLatin1(hash);
    }
    return folder + QStringLiteral("/stovan-") + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (server_ != nullptr) {
        server_->close();  // removes the socket file
    }
}

bool SingleInstance::Listen(const QString& name, QString& error) {
    QLocalServer::removeServer(name);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        error = server_->errorString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::Accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that says nothing useful in time is dropped.
        QTimer::singleShot(kClientTimeoutMs, client, [client] { client->abort(); });
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine()) {
                if (client->bytesAvailable() > kMaxRequest) {
                    client->abort();
                }
                return;
            }
            const QByteArray line = client->readLine(kMaxRequest).trimmed();
            if (line == kShow) {
                client->write(kShown);
                client->flush();
                emit showRequested();
            }
            client->disconnectFromServer();
        });
    }
}

bool SingleInstance::AskToShow(const QString& name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kShow + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs) || socket.bytesAvailable() > kMaxRequest) {
            return false;
        }
    }
    return socket.readLine(kMaxRequest) == kShown;
}

}  // namespace stovan::ui
