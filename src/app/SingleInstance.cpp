#include "app/SingleInstance.h"

#include "platform/DataFolder.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTimer>

namespace {

// The length goes first, so that the reader knows what to wait for and can
// refuse a length over the cap before it buffers anything.
constexpr int headerBytes = 4;
const char accepted = 'k';

QByteArray encode(const QStringList& files)
{
    // A file name can hold any character but the zero one.
    const QByteArray body = files.join(QChar(0)).toUtf8();
    QByteArray message;
    QDataStream(&message, QIODevice::WriteOnly) << quint32(body.size());
    return message + body;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    // On Unix the socket lies in the shared temporary folder: only its owner may connect.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            receive(socket);
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName()
{
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    user.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")));
    QByteArray folders = DataFolder::path().toUtf8();
#ifdef Q_OS_WIN
    // Pipe names are machine-wide; the roaming profile tells users apart where names alone do not.
    folders += '\n' + qgetenv("APPDATA");
#endif
    const QByteArray hash = QCryptographicHash::hash(folders, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("moravel-%1-%2").arg(user.left(32), QString::fromLatin1(hash));
}

bool SingleInstance::handOver(const QStringList& files, int timeoutMs)
{
    const QByteArray message = encode(files);
    if (message.size() - headerBytes > maxMessageBytes)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    // The answer comes once the running program has the files, not once it installed them.
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.read(1) == QByteArray(1, accepted);
}

bool SingleInstance::listen()
{
    const QString name = serverName();
    if (m_server->listen(name))
        return true;
    // Nobody answered under this name (the caller asked first), so what
    // holds it is a socket file a crashed program left.
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void SingleInstance::receive(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never finishes its message is not waited for.
    QTimer::singleShot(answerTimeoutMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->bytesAvailable() < headerBytes)
            return;
        quint32 length = 0;
        QDataStream(socket->peek(headerBytes)) >> length;
        if (length > quint32(maxMessageBytes)) {
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < headerBytes + qint64(length))
            return;
        // One message per connection: whatever follows it is not read.
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        socket->skip(headerBytes);
        const QByteArray bytes = socket->read(length);
        // With its length: Qt 5 would stop at the first zero, the separator.
        const QString body = QString::fromUtf8(bytes.constData(), bytes.size());
        socket->write(QByteArray(1, accepted));
        socket->flush();
        socket->disconnectFromServer();
        QStringList files = body.split(QChar(0));
        files.removeAll(QString());
        emit filesReceived(files);
    });
}
