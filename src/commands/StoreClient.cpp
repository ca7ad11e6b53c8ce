#include "commands/StoreClient.h"

#include "installer/IProgress.h"
#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "platform/BuildConfig.h"
#include "platform/Environment.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

const char tooLargeProperty[] = "moravelSizeLimit";
const char stalledProperty[] = "moravelStallTimeout";
const char deadlineProperty[] = "moravelDeadline";
// How often a wait looks at the Cancel button, which sends no signal.
constexpr int cancelPollInterval = 50;
const char cancelledProperty[] = "moravelCancelled";

QString addressFromEnvironment(const char* variable, const char* compiledIn)
{
    const QString address = Environment::variable(variable);
    return address.isEmpty() ? QString::fromUtf8(compiledIn) : address;
}

QNetworkRequest storeRequest(const QString& address)
{
    QNetworkRequest request(QUrl(address, QUrl::TolerantMode));
    // Without an Accept-Encoding of its own, Qt offers gzip and inflates each
    // arriving piece whole before the size cap sees it: a small reply could
    // fill the memory. Asked for identity, Qt hands over the bytes as sent.
    request.setRawHeader("Accept-Encoding", "identity");
    // A redirect could lead anywhere; the addresses are configured, not discovered.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return request;
}

} // namespace

StoreClient::StoreClient(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<CatalogueEntry>();
    // Whole seconds, for a slow link (or a test that cannot wait 30 seconds).
    bool isNumber = false;
    const int seconds = Environment::variable("MORAVEL_TRANSFER_TIMEOUT").toInt(&isNumber);
    if (isNumber && seconds > 0 && seconds <= 24 * 60 * 60)
        m_stallTimeoutMs = seconds * 1000;
}

QString StoreClient::catalogueUrl()
{
    return addressFromEnvironment("MORAVEL_CATALOGUE_URL", MORAVEL_DEFAULT_CATALOGUE_URL);
}

QString StoreClient::downloadsUrl()
{
    return addressFromEnvironment("MORAVEL_DOWNLOADS_URL", MORAVEL_DEFAULT_DOWNLOADS_URL);
}

void StoreClient::watchCertificates(QNetworkReply* reply)
{
    // Not ignored: a certificate that does not check out fails the request,
    // else anyone on the way could serve the package that gets installed.
    connect(reply, &QNetworkReply::sslErrors, this,
        [this, reply](const QList<QSslError>& errors) { m_sslErrors[reply] += errors; });
}

QNetworkAccessManager& StoreClient::networkManager()
{
    // One for the process, and never destroyed: Qt 5 ends a manager's
    // transfer thread without waiting for what that thread still holds, so
    // a process that ended soon after a refused certificate could free those
    // objects twice, and crash on its way out.
    static QNetworkAccessManager* const manager = new QNetworkAccessManager;
    return *manager;
}

void StoreClient::requestCatalogue()
{
    QNetworkReply* reply = networkManager().get(storeRequest(catalogueUrl()));
    connect(reply, &QNetworkReply::finished, this, [this, reply] { catalogueReplyFinished(reply); });
    watchCertificates(reply);
    limitReplySize(reply, maximumCatalogueSize);
    limitStall(reply);
    limitDuration(reply, defaultCatalogueDeadline);
}

bool StoreClient::loadCatalogue()
{
    QNetworkReply* reply = networkManager().get(storeRequest(catalogueUrl()));
    watchCertificates(reply);
    limitReplySize(reply, maximumCatalogueSize);
    limitStall(reply);
    limitDuration(reply, defaultCatalogueDeadline);
    waitFor(reply, nullptr);
    catalogueReplyFinished(reply);
    return m_catalogueError.isEmpty();
}

void StoreClient::catalogueReplyFinished(QNetworkReply* reply)
{
    const QByteArray bytes = reply->isOpen() ? reply->readAll() : QByteArray();
    m_catalogueError = takeFailureReason(reply, bytes);
    reply->deleteLater();
    if (!m_catalogueError.isEmpty()) {
        emit catalogueFinished();
        return;
    }

    Accessor document;
    document.parse(QString::fromUtf8(bytes));
    const std::vector<CElement*> elements = document.elementsByTagName(QStringLiteral("extension"));
    // A catalogue without entries (or a text that is no catalogue at all) must
    // not empty a Store that already shows one.
    if (elements.empty()) {
        emit catalogueFinished();
        return;
    }
    m_catalogue.clear();
    for (const CElement* element : elements) {
        m_catalogue.append({ element->attribute(QStringLiteral("id")), element->attribute(QStringLiteral("name")),
            element->attribute(QStringLiteral("version")), element->attribute(QStringLiteral("zxp")) });
    }
    emit catalogueUpdated();
    emit catalogueFinished();
}

QByteArray StoreClient::downloadPackage(const QString& fileName, IProgress* progress)
{
    if (progress) {
        progress->setCancellable(true);
        progress->setStatus(QStringLiteral("Downloading ") + fileName);
    }
    m_downloadError.clear();

    QNetworkReply* reply = networkManager().get(storeRequest(downloadsUrl() + fileName));
    watchCertificates(reply);
    limitReplySize(reply, maximumPackageSize);
    limitStall(reply);
    limitDuration(reply, defaultPackageDeadline);
    if (progress) {
        connect(reply, &QNetworkReply::downloadProgress, reply, [progress](qint64 received, qint64 total) {
            progress->setMaximum(int(total));
            progress->setValue(int(received));
        });
    }
    if (!waitFor(reply, progress) && !reply->isFinished()) {
        reply->setProperty(cancelledProperty, true);
        reply->abort();
    }

    // An aborted reply is closed, and reading it would only complain.
    const QByteArray bytes = reply->isOpen() ? reply->readAll() : QByteArray();
    m_downloadError = takeFailureReason(reply, bytes);
    if (m_downloadError.isEmpty() && bytes.isEmpty())
        m_downloadError = tr("the server sent an empty file");
    if (progress)
        progress->setFinished();
    delete reply;
    return m_downloadError.isEmpty() ? bytes : QByteArray();
}

void StoreClient::limitReplySize(QNetworkReply* reply, qint64 limit)
{
    auto enforce = [reply, limit](qint64 size) {
        if (size > limit && !reply->property(tooLargeProperty).isValid()) {
            reply->setProperty(tooLargeProperty, limit);
            reply->abort();
        }
    };
    // The announced length stops the transfer before any of the body is held.
    connect(reply, &QNetworkReply::metaDataChanged, reply,
        [reply, enforce] { enforce(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()); });
    connect(reply, &QNetworkReply::downloadProgress, reply,
        [enforce](qint64 received, qint64 total) { enforce(qMax(received, total)); });
}

void StoreClient::limitStall(QNetworkReply* reply)
{
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply, timeout = m_stallTimeoutMs] {
        reply->setProperty(stalledProperty, timeout);
        reply->abort();
    });
    // Only arriving bytes restart it: a slow transfer may take as long as it
    // needs while it keeps moving.
    connect(reply, &QNetworkReply::readyRead, timer, [timer] { timer->start(); });
    connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start(m_stallTimeoutMs);
}

void StoreClient::limitDuration(QNetworkReply* reply, int defaultDeadline)
{
    const int deadline = m_deadlineMs > 0 ? m_deadlineMs : defaultDeadline;
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply, deadline] {
        reply->setProperty(deadlineProperty, deadline);
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start(deadline);
}

bool StoreClient::waitFor(QNetworkReply* reply, IProgress* progress)
{
    const auto cancelled = [progress] { return progress && progress->isCancelled(); };
    if (reply->isFinished() || cancelled())
        return !cancelled();
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    if (progress) {
        // A Cancel button sends no signal of its own, and may be pressed
        // while nothing arrives.
        connect(&poll, &QTimer::timeout, &loop, [&loop, cancelled] {
            if (cancelled())
                loop.quit();
        });
        poll.start(cancelPollInterval);
    }
    // The stall and deadline timers abort the reply, which then ends it.
    loop.exec();
    return !cancelled();
}

QString StoreClient::takeFailureReason(QNetworkReply* reply, const QByteArray& body)
{
    const QList<QSslError> sslErrors = m_sslErrors.take(reply);
    const QVariant limit = reply->property(tooLargeProperty);
    if (limit.isValid())
        return tr("the file is larger than %1 MiB").arg(limit.toLongLong() / (1024 * 1024));
    if (reply->property(cancelledProperty).isValid())
        return tr("the download was cancelled");
    const QVariant stalled = reply->property(stalledProperty);
    if (stalled.isValid())
        return tr("no data arrived for %1 seconds").arg(stalled.toInt() / 1000.0);
    const QVariant deadline = reply->property(deadlineProperty);
    if (deadline.isValid())
        return tr("the transfer did not end within %1 seconds").arg(deadline.toInt() / 1000.0);
    if (!sslErrors.isEmpty()) {
        QStringList texts;
        for (const QSslError& error : sslErrors)
            texts << error.errorString();
        texts.removeDuplicates();
        return tr("the server's certificate was refused (%1)").arg(texts.join(QStringLiteral("; ")));
    }
    // Only a 200 reply carries the file. Qt counts a redirect or a 203 (a
    // proxy's rewrite) as success, but their bodies are some other text.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() != 200)
        return tr("the server answered %1 %2")
            .arg(status.toInt())
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    // Identity was asked for: bytes still encoded are not the file itself.
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return tr("the server sent the file encoded as %1").arg(QString::fromLatin1(encoding));
    // The announced length tells a cut-off file from a whole one, whether or
    // not Qt noticed the early close.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const bool mayBeCutOff
        = reply->error() == QNetworkReply::NoError || reply->error() == QNetworkReply::RemoteHostClosedError;
    if (mayBeCutOff && length.isValid() && length.toLongLong() != body.size())
        return tr("the connection was closed after %1 of %2 bytes").arg(body.size()).arg(length.toLongLong());
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    return QString();
}
