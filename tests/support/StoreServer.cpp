#include "StoreServer.h"

#include "TestData.h"

#include <QFile>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace {

// A request larger than this is no request the program sends.
constexpr int maximumRequestSize = 64 * 1024;
constexpr int slowPieces = 4;
constexpr int slowPauseMs = 40;

QByteArray readFixture(const char* name)
{
    QFile file(QStringLiteral(MORAVEL_TEST_DATA_DIR "/network/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

} // namespace

StoreServer::StoreServer(Tls tls, const Route& route)
    : m_tls(tls)
    , m_route(route)
    , m_defaultTls(QSslConfiguration::defaultConfiguration())
{
    if (tls == Tls::Trusted) {
        QSslConfiguration trusting = m_defaultTls;
        trusting.addCaCertificate(QSslCertificate(readFixture("server.crt"), QSsl::Pem));
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    listen(QHostAddress::LocalHost, 0);
}

StoreServer::~StoreServer()
{
    QSslConfiguration::setDefaultConfiguration(m_defaultTls);
}

QString StoreServer::baseUrl() const
{
    return (m_tls == Tls::None ? QStringLiteral("http://127.0.0.1:") : QStringLiteral("https://localhost:"))
        + QString::number(serverPort()) + QLatin1Char('/');
}

void StoreServer::incomingConnection(qintptr handle)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    connect(socket, &QSslSocket::readyRead, this, [this, socket] {
        QByteArray& buffer = m_pending[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n")) {
            if (buffer.size() > maximumRequestSize)
                socket->abort();
            return;
        }
        // "GET /path HTTP/1.1"
        const QByteArray target = buffer.left(buffer.indexOf("\r\n")).split(' ').value(1);
        buffer.clear();
        m_requests.append(target);
        respond(socket);
    });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_pending.remove(socket);
        socket->deleteLater();
    });
    // A client that refuses the certificate breaks off the handshake.
    connect(socket, &QSslSocket::errorOccurred, socket, [socket](QAbstractSocket::SocketError) { socket->abort(); });
    if (m_tls != Tls::None) {
        socket->setLocalCertificate(QSslCertificate(readFixture("server.crt"), QSsl::Pem));
        socket->setPrivateKey(QSslKey(readFixture("server.key"), QSsl::Rsa, QSsl::Pem));
        socket->startServerEncryption();
    }
}

void StoreServer::respond(QSslSocket* socket)
{
    const Route route = m_route;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + (route.status == 200 ? " OK" : " Not Found")
        + "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
    if (route.delivery != Delivery::WithoutLength)
        head += "Content-Length: "
            + QByteArray::number(route.declaredLength >= 0 ? route.declaredLength : route.body.size()) + "\r\n";
    socket->write(head + "\r\n");

    switch (route.delivery) {
    case Delivery::Whole:
        socket->write(route.body);
        socket->disconnectFromHost();
        break;
    case Delivery::WithoutLength: {
        const int piece = (route.body.size() + slowPieces - 1) / slowPieces;
        for (int i = 0; i < slowPieces; ++i) {
            QTimer::singleShot((i + 1) * slowPauseMs, socket, [socket, route, piece, i] {
                socket->write(route.body.mid(i * piece, piece));
                if (i == slowPieces - 1)
                    socket->disconnectFromHost();
            });
        }
        break;
    }
    case Delivery::Dropped:
        socket->write(route.body.left(route.body.size() / 2));
        QTimer::singleShot(slowPauseMs, socket, [socket] { socket->disconnectFromHost(); });
        break;
    }
}
