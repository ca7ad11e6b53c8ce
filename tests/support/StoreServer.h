#pragma once

#include <QList>
#include <QMetaType>
#include <QSslConfiguration>
#include <QTcpServer>

class QSslSocket;

// A small web server on 127.0.0.1 for the catalogue and download tests,
// answering every request with the same route, one request per connection.
class StoreServer : public QTcpServer
{
    Q_OBJECT

public:
    enum class Delivery {
        Whole, // Content-Length, then the body at once
        WithoutLength, // no Content-Length; the body in slow pieces, ended by closing
        Dropped, // Content-Length, then half the body, then the connection closes
    };
    struct Route
    {
        int status = 200;
        QByteArray body; // null: the test fills in its package
        Delivery delivery = Delivery::Whole;
        qint64 declaredLength = -1; // sent instead of the body's size when not negative
    };
    enum class Tls {
        None, // plain HTTP
        Trusted, // the test certificate, added to the default trusted set while the server lives
        Untrusted, // the test certificate as it is: self-signed
    };

    StoreServer(Tls tls, const Route& route);
    ~StoreServer() override;

    // "http://127.0.0.1:<port>/", or "https://localhost:<port>/" (the certificate's name).
    QString baseUrl() const;
    // The request targets as they arrived ("/files/a%20b.zxp").
    QList<QByteArray> requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    void respond(QSslSocket* socket);

    Tls m_tls;
    Route m_route;
    QSslConfiguration m_defaultTls;
    QList<QByteArray> m_requests;
};
Q_DECLARE_METATYPE(StoreServer::Route)
