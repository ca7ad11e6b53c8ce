#pragma once

#include "commands/CatalogueEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QVector>

class IProgress;
class QNetworkAccessManager;
class QNetworkReply;

// The publisher's Store over the network: the catalogue, read once and kept,
// and package downloads. Certificates are checked, replies are capped in
// size, because their bodies are held in memory, and a transfer that stops
// receiving data fails instead of waiting for a server that never answers.
class StoreClient : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 maximumCatalogueSize = 16 * 1024 * 1024;
    static constexpr qint64 maximumPackageSize = 256 * 1024 * 1024;
    static constexpr int defaultStallTimeout = 30000;
    // However steadily bytes arrive: a server that trickles a byte a second
    // would otherwise hold a command for months within the size caps.
    static constexpr int defaultCatalogueDeadline = 5 * 60 * 1000;
    static constexpr int defaultPackageDeadline = 60 * 60 * 1000;

    explicit StoreClient(QObject* parent = nullptr);

    // The compiled-in addresses, unless MORAVEL_CATALOGUE_URL or
    // MORAVEL_DOWNLOADS_URL name others (a mirror, a test server).
    static QString catalogueUrl();
    static QString downloadsUrl();

    // How long a transfer may go without receiving a byte before it fails:
    // 30 seconds, or MORAVEL_TRANSFER_TIMEOUT seconds when that is set.
    void setStallTimeout(int milliseconds) { m_stallTimeoutMs = milliseconds; }
    // How long a whole transfer may take, moving or not: 5 minutes for the
    // catalogue and an hour for a package unless set here.
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }

    // Starts the catalogue request; catalogueUpdated() follows a usable reply,
    // and catalogueFinished() follows every reply, usable or not.
    void requestCatalogue();
    // The same, waiting for the reply in an event loop of its own, for
    // callers without one; false when it failed, and
    // catalogueError() says why.
    [[nodiscard]] bool loadCatalogue();
    QVector<CatalogueEntry>& catalogue() { return m_catalogue; }

    // The package's bytes, or an empty array when the transfer failed;
    // downloadError() then says why. Waits in an event loop of its own until
    // the reply ends or progress is cancelled, which aborts the transfer.
    QByteArray downloadPackage(const QString& fileName, IProgress* progress);

    // Why the last catalogue request or package download failed, in plain
    // words; empty after a success.
    QString catalogueError() const { return m_catalogueError; }
    QString downloadError() const { return m_downloadError; }

signals:
    void catalogueUpdated();
    void catalogueFinished();

private:
    static QNetworkAccessManager& networkManager();
    void catalogueReplyFinished(QNetworkReply* reply);
    void limitReplySize(QNetworkReply* reply, qint64 limit);
    void limitStall(QNetworkReply* reply);
    void limitDuration(QNetworkReply* reply, int defaultDeadline);
    // Until the reply ends, or progress is cancelled (false). Waits on the
    // reply's own end rather than for whatever event comes next: on Windows
    // that may be none at all once the reply has ended.
    static bool waitFor(QNetworkReply* reply, IProgress* progress);
    // Why the reply that ended with body failed, in plain words, or empty;
    // takes the reply's recorded certificate errors along.
    QString takeFailureReason(QNetworkReply* reply, const QByteArray& body);
    void watchCertificates(QNetworkReply* reply);

    QVector<CatalogueEntry> m_catalogue;
    QHash<QNetworkReply*, QList<QSslError>> m_sslErrors;
    QString m_catalogueError;
    QString m_downloadError;
    int m_stallTimeoutMs = defaultStallTimeout;
    int m_deadlineMs = 0; // 0: the default of the transfer
};
