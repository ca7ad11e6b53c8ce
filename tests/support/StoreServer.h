#pragma once

#include "TestData.h"

#include <QFile>
#include <QList>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

// A small web server on 127.0.0.1 for the catalogue and download tests,
// answering every request with the same route, one request per connection.
class StoreServer : public QTcpServer
{
public:
    enum class Delivery {
        Whole, // Content-Length, then the body at once
        WithoutLength, // no Content-Length; the body in 8 slow pieces, ended by closing
        Dropped, // Content-Length, then half the body in slow pieces, then the connection closes
        Gzip, // as Whole, labelled "Content-Encoding: gzip" whether or not the client asked for it
        Stalled, // Content-Length and half the body, then nothing while the connection stays open
        Silent, // no answer at all
        Trickle, // Content-Length, then the body a byte at a time
    };
    struct Route
    {
        int status = 200;
        QByteArray body; // null: the test fills in its package
        Delivery delivery = Delivery::Whole;
        qint64 declaredLength = -1; // sent instead of the body's size when not negative
        int pieceInterval = 40; // milliseconds between slow pieces
    };
    enum class Tls {
        None, // plain HTTP
        Trusted, // the test certificate, added to the default trusted set while the server lives
        Untrusted, // the test certificate as it is: self-signed
    };

    StoreServer(Tls tls, const Route& route)
        : m_tls(tls)
        , m_route(route)
    {
        if (tls == Tls::Trusted) {
            QSslConfiguration trusting = m_defaultTls;
            trusting.addCaCertificate(certificate());
            QSslConfiguration::setDefaultConfiguration(trusting);
        }
        if (!listen(QHostAddress::LocalHost, 0))
            qFatal("cannot listen on 127.0.0.1");
    }
    ~StoreServer() override { QSslConfiguration::setDefaultConfiguration(m_defaultTls); }

    // "http://127.0.0.1:<port>/", or "https://localhost:<port>/" (the certificate's name).
    QString baseUrl() const
    {
        return (m_tls == Tls::None ? "http://127.0.0.1:" : "https://localhost:") + QString::number(serverPort()) + '/';
    }
    // Answers requests for path (as it arrives, "/files/a%20b.zxp") with
    // route instead of the one given at construction.
    void setRoute(const QByteArray& path, const Route& route) { m_routes.insert(path, route); }
    // The request targets as they arrived ("/files/a%20b.zxp").
    QList<QByteArray> requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr handle) override
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
            socket->setLocalCertificate(certificate());
            socket->setPrivateKey(QSslKey(readFixture("server.key"), QSsl::Rsa, QSsl::Pem));
            socket->startServerEncryption();
        }
    }

private:
    static QByteArray readFixture(const char* name)
    {
        QFile file(QStringLiteral(MORAVEL_TEST_DATA_DIR "/network/") + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file.fileName()));
        return file.readAll();
    }
    static QSslCertificate certificate() { return QSslCertificate(readFixture("server.crt"), QSsl::Pem); }

    void respond(QSslSocket* socket)
    {
        const Route route = m_routes.value(m_requests.last(), m_route);
        if (route.delivery == Delivery::Silent)
            return;
        const QHash<int, QByteArray> phrases { { 200, "OK" }, { 203, "Non-Authoritative Information" },
            { 301, "Moved Permanently" }, { 404, "Not Found" } };
        QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + phrases.value(route.status)
            + "\r\nConnection: close\r\n" + (route.status == 301 ? "Location: /elsewhere\r\n" : "")
            + (route.delivery == Delivery::Gzip ? "Content-Encoding: gzip\r\n" : "");
        if (route.delivery != Delivery::WithoutLength)
            head += "Content-Length: "
                + QByteArray::number(route.declaredLength >= 0 ? route.declaredLength : route.body.size()) + "\r\n";
        socket->write(head + "\r\n");
        const bool half = route.delivery == Delivery::Dropped || route.delivery == Delivery::Stalled;
        const QByteArray sent = half ? route.body.left(route.body.size() / 2) : route.body;
        const int pieces = route.delivery == Delivery::Trickle                                 ? sent.size()
            : route.delivery == Delivery::WithoutLength || route.delivery == Delivery::Dropped ? 8
                                                                                               : 1;
        const int piece = route.delivery == Delivery::Trickle ? 1 : (sent.size() + pieces - 1) / pieces;
        auto send = [socket, sent, piece, pieces, open = route.delivery == Delivery::Stalled](int i) {
            socket->write(sent.mid(i * piece, piece));
            if (i == pieces - 1 && !open)
                socket->disconnectFromHost();
        };
        send(0);
        for (int i = 1; i < pieces; ++i)
            QTimer::singleShot(i * route.pieceInterval, socket, [send, i] { send(i); });
    }

    Tls m_tls;
    Route m_route;
    QHash<QByteArray, Route> m_routes;
    QSslConfiguration m_defaultTls = QSslConfiguration::defaultConfiguration();
    QList<QByteArray> m_requests;
};
