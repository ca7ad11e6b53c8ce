#pragma once

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSslConfiguration>
#include <QTcpServer>

class QSslSocket;

// A small web server on 127.0.0.1 for the catalogue and download tests: plain
// HTTP, or HTTPS with the self-signed certificate kept in the test data. One
// request per connection.
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
        Trusted, // HTTPS, the certificate added to the default trusted set while the server lives
        Untrusted, // HTTPS with the self-signed certificate as it is
    };

    // Listens on 127.0.0.1 at a free port and answers every path with route.
    StoreServer(Tls tls, const Route& route);
    ~StoreServer() override;

    // "http://127.0.0.1:<port>/" or "https://localhost:<port>/" (the
    // certificate's name).
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
    QHash<QSslSocket*, QByteArray> m_pending;
};
Q_DECLARE_METATYPE(StoreServer::Route)
