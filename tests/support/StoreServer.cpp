#include "StoreServer.h"

#include "TestData.h"

#include <QFile>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace {

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
    if (!listen(QHostAddress::LocalHost, 0))
        qFatal("cannot listen on 127.0.0.1");
}

StoreServer::~StoreServer()
{
    QSslConfiguration::setDefaultConfiguration(m_defaultTls);
}

QString StoreServer::baseUrl() const
{
    return (m_tls == Tls::None ? "http://127.0.0.1:" : "https://localhost:") + QString::number(serverPort()) + '/';
}

void StoreServer::incomingConnection(qintptr handle)
{
    auto* socket = new QSslSocket(this);
    socket->setSocketDescriptor(handle);
    // The request is small and read whole: its line "GET /path HTTP/1.1" is all that counts.
    connect(socket, &QSslSocket::readyRead, this, [this, socket] {
        socket->setProperty("request", socket->property("request").toByteArray() + socket->readAll());
        const QByteArray request = socket->property("request").toByteArray();
        if (request.contains("\r\n\r\n")) {
            m_requests << request.left(request.indexOf("\r\n")).split(' ').value(1);
            respond(socket);
        }
    });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    // A client that refuses the certificate breaks off the handshake.
    connect(socket, &QSslSocket::errorOccurred, socket, [socket] { socket->abort(); });
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
        + "\r\nConnection: close\r\n";
    if (route.delivery != Delivery::WithoutLength)
        head += "Content-Length: "
            + QByteArray::number(route.declaredLength >= 0 ? route.declaredLength : route.body.size()) + "\r\n";
    socket->write(head + "\r\n");
    if (route.delivery == Delivery::Whole) {
        socket->write(route.body);
        socket->disconnectFromHost();
    } else if (route.delivery == Delivery::Dropped) {
        socket->write(route.body.left(route.body.size() / 2));
        QTimer::singleShot(slowPauseMs, socket, [socket] { socket->disconnectFromHost(); });
    } else {
        const int piece = (route.body.size() + slowPieces - 1) / slowPieces;
        for (int i = 0; i < slowPieces; ++i) {
            QTimer::singleShot((i + 1) * slowPauseMs, socket, [socket, route, piece, i] {
                socket->write(route.body.mid(i * piece, piece));
                if (i == slowPieces - 1)
                    socket->disconnectFromHost();
            });
        }
    }
}
