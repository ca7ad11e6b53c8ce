#pragma once

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSslCertificate>
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

    explicit StoreServer(bool secure);

    // Listens at a free port and answers every path with route.
    bool start(const Route& route);
    // "http://127.0.0.1:<port>/" or "https://localhost:<port>/" (the
    // certificate's name).
    QString baseUrl() const;
    // The request targets as they arrived ("/files/a%20b.zxp").
    QList<QByteArray> requests() const { return m_requests; }

    static QSslCertificate certificate();
    // Adds the certificate to the default trusted set; the caller restores it.
    static void trustCertificate();

protected:
    void incomingConnection(qintptr handle) override;

private:
    void respond(QSslSocket* socket);

    bool m_secure;
    Route m_route;
    QList<QByteArray> m_requests;
    QHash<QSslSocket*, QByteArray> m_pending;
};
Q_DECLARE_METATYPE(StoreServer::Route)
