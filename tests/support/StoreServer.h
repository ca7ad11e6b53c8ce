#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

class QSslSocket;

// A small web server on 127.0.0.1 for the catalogue and download tests: plain
// HTTP, or HTTPS with the self-signed certificate kept in the test data. Each
// path answers as its route says; one request per connection.
class StoreServer : public QTcpServer
{
    Q_OBJECT

public:
    enum class Delivery {
        Whole, // Content-Length, then the body at once
        WithoutLength, // no Content-Length: the body ends when the connection closes
        Slow, // Content-Length, then the body in four pieces, some milliseconds apart
        SlowWithoutLength, // the same pieces without Content-Length
        Dropped, // Content-Length, then half the body, then the connection closes
    };

    struct Route
    {
        int status = 200;
        QByteArray body;
        Delivery delivery = Delivery::Whole;
        qint64 declaredLength = -1; // sent instead of the body's size when not negative
    };

    explicit StoreServer(bool secure, QObject* parent = nullptr);

    // Listens on 127.0.0.1 at a free port.
    bool start();
    // "http://127.0.0.1:<port>/" or "https://localhost:<port>/" (the name the
    // certificate is issued for).
    QString baseUrl() const;

    void setRoute(const QByteArray& path, const Route& route);
    // Answers every path that has no route of its own (a 404 until set).
    void setFallbackRoute(const Route& route) { m_fallback = route; }
    // The request targets as they arrived, in order ("/folder/a%20b.zxp").
    QList<QByteArray> requests() const { return m_requests; }

    static QSslCertificate certificate();
    static QSslKey privateKey();

protected:
    void incomingConnection(qintptr handle) override;

private:
    void readRequest(QSslSocket* socket);
    void respond(QSslSocket* socket, const QByteArray& target);

    bool m_secure;
    QHash<QByteArray, Route> m_routes;
    Route m_fallback { 404, "no such file", Delivery::Whole, -1 };
    QList<QByteArray> m_requests;
    QHash<QSslSocket*, QByteArray> m_pending;
};
Q_DECLARE_METATYPE(StoreServer::Route)
