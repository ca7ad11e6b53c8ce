#include "app/Application.h"

#include "discovery/ExtensionDatabase.h"
#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "platform/BuildConfig.h"
#include "platform/Environment.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QTimer>
#include <QUrl>

namespace {

const char tooLargeProperty[] = "moravelSizeLimit";

QString addressFromEnvironment(const char* variable, const char* compiledIn)
{
    const QString address = Environment::variable(variable);
    return address.isEmpty() ? QString::fromUtf8(compiledIn) : address;
}

// Stands in for a missing progress object: the wait needs a finished flag.
class FinishedFlag : public IProgress
{
public:
    void reset() override { m_finished = false; }
    void setTitle(QString) override { }
    void setStatus(QString) override { }
    void setMaximum(int) override { }
    void setValue(int) override { }
    void setFinished() override { m_finished = true; }
    bool isFinished() override { return m_finished; }

private:
    bool m_finished = false;
};

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
    , m_exManDbPath(openExtensionDatabase())
{
    // The style sheet is compiled into a static library, whose resource
    // initialiser the linker would otherwise drop as unreferenced.
    Q_INIT_RESOURCE(resources);
    qRegisterMetaType<Application::Download>();
    // Resolved now: relative names are meant from the folder the program was
    // started in. arguments() rather than argv: it keeps non-Latin names whole.
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        // An empty argument names no file ("" from a launcher's empty field).
        if (!arguments.at(i).isEmpty())
            m_packageFiles << QFileInfo(arguments.at(i)).absoluteFilePath();
    }
    // Zero delay: the list build blocks, so it must wait until the event loop
    // runs and the window has been shown.
    QTimer::singleShot(0, this, &Application::postLaunch);
}

Application::~Application() = default;

Application* Application::instance()
{
    return qobject_cast<Application*>(QCoreApplication::instance());
}

void Application::applyStartupSettings()
{
    setApplicationVersion(QString::fromLatin1(versionText));
    setStyleSheet(loadStyleSheet());
}

QString Application::loadStyleSheet()
{
    QFile file(QString::fromLatin1(styleSheetResource));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    // Read up to the first zero byte, as a C string would be.
    return QString::fromLatin1(bytes.constData());
}

QList<DreamweaverInfo>& Application::dreamweavers()
{
    return DreamweaverInfo::installations();
}

QVector<Application::Download>& Application::downloads()
{
    return m_downloads;
}

void Application::postLaunch()
{
    DreamweaverInfo::buildDreamweaverList(m_exManDbPath);
    emit dreamweaversUpdated();
    requestDownloads();
    if (!m_packageFiles.isEmpty())
        emit packageFilesUpdated();
}

QString Application::catalogueUrl()
{
    return addressFromEnvironment("MORAVEL_CATALOGUE_URL", MORAVEL_DEFAULT_CATALOGUE_URL);
}

QString Application::downloadsUrl()
{
    return addressFromEnvironment("MORAVEL_DOWNLOADS_URL", MORAVEL_DEFAULT_DOWNLOADS_URL);
}

void Application::requestDownloads()
{
    auto* manager = new QNetworkAccessManager(this);
    connect(manager, SIGNAL(finished(QNetworkReply*)), this, SLOT(downloadsReplyFinished(QNetworkReply*)));
    connect(manager, SIGNAL(sslErrors(QNetworkReply*, QList<QSslError>)), this,
        SLOT(onDownloadsSslErrors(QNetworkReply*, QList<QSslError>)));
    QNetworkReply* reply = manager->get(QNetworkRequest(QUrl(catalogueUrl(), QUrl::TolerantMode)));
    limitReplySize(reply, maximumCatalogueSize);
}

void Application::downloadsReplyFinished(QNetworkReply* networkReply)
{
    const QByteArray bytes = networkReply->error() == QNetworkReply::NoError ? networkReply->readAll() : QByteArray();
    m_catalogueError = takeFailureReason(networkReply, bytes);
    networkReply->deleteLater();
    if (!m_catalogueError.isEmpty())
        return;
    const QString text = QString::fromUtf8(bytes);

    Accessor document;
    document.parse(text);
    const std::vector<CElement*> elements = document.elementsByTagName(QStringLiteral("extension"));
    // A catalogue without entries (or a text that is no catalogue at all) must
    // not empty a Store that already shows one.
    if (elements.empty())
        return;
    m_downloads.clear();
    for (const CElement* element : elements) {
        m_downloads.append({ element->attribute(QStringLiteral("id")), element->attribute(QStringLiteral("name")),
            element->attribute(QStringLiteral("version")), element->attribute(QStringLiteral("zxp")) });
    }
    emit downloadsUpdated();
}

QByteArray Application::downloadPackage(QString fileName, IProgress* progress)
{
    FinishedFlag ownFlag;
    if (!progress)
        progress = &ownFlag;
    progress->setStatus(QStringLiteral("Downloading ") + fileName);
    QByteArray result;
    m_downloadError.clear();

    auto* manager = new QNetworkAccessManager(this);
    connect(
        manager, &QNetworkAccessManager::finished, manager,
        [this, &result, progress](QNetworkReply* reply) { downloadReplyFinished(reply, &result, progress); },
        Qt::DirectConnection);
    connect(manager, SIGNAL(sslErrors(QNetworkReply*, QList<QSslError>)), this,
        SLOT(onDownloadsSslErrors(QNetworkReply*, QList<QSslError>)));
    QNetworkReply* reply = manager->get(QNetworkRequest(QUrl(downloadsUrl() + fileName, QUrl::TolerantMode)));
    connect(
        reply, &QNetworkReply::downloadProgress, reply,
        [this, progress](qint64 received, qint64 total) { downloadProgress(received, total, progress); },
        Qt::DirectConnection);
    limitReplySize(reply, maximumPackageSize);

    // Sleeps until the next event instead of spinning: the flag can only
    // change while an event (the reply's end) is processed.
    while (!progress->isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The manager and its reply outlive this call, while the connections
    // above point into this frame (result, and possibly ownFlag).
    manager->disconnect();
    reply->disconnect(SIGNAL(downloadProgress(qint64, qint64)));
    return result;
}

void Application::downloadReplyFinished(QNetworkReply* networkReply, QByteArray* data, IProgress* progress)
{
    const QByteArray bytes = networkReply->error() == QNetworkReply::NoError ? networkReply->readAll() : QByteArray();
    m_downloadError = takeFailureReason(networkReply, bytes);
    if (m_downloadError.isEmpty() && bytes.isEmpty())
        m_downloadError = tr("the server sent an empty file");
    if (m_downloadError.isEmpty())
        *data = bytes;
    // The waiting download loop polls this flag; it must be set on failure too.
    progress->setFinished();
}

void Application::onDownloadsSslErrors(QNetworkReply* reply, QList<QSslError> errors)
{
    // Not ignored: a certificate that does not check out fails the request,
    // else anyone on the way could serve the package that gets installed.
    m_sslErrors[reply] += errors;
}

void Application::downloadProgress(qint64 bytesReceived, qint64 bytesTotal, IProgress* progress)
{
    progress->setMaximum(int(bytesTotal));
    progress->setValue(int(bytesReceived));
}

void Application::limitReplySize(QNetworkReply* reply, qint64 limit)
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

QString Application::takeFailureReason(QNetworkReply* reply, const QByteArray& body)
{
    const QList<QSslError> sslErrors = m_sslErrors.take(reply);
    const QVariant limit = reply->property(tooLargeProperty);
    if (limit.isValid())
        return tr("the file is larger than %1 MiB").arg(limit.toLongLong() / (1024 * 1024));
    if (!sslErrors.isEmpty()) {
        QStringList texts;
        for (const QSslError& error : sslErrors)
            texts << error.errorString();
        texts.removeDuplicates();
        return tr("the server's certificate was refused (%1)").arg(texts.join(QStringLiteral("; ")));
    }
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    // Qt ends a reply without an error when the server closes the connection
    // early; the announced length tells a cut-off file from a whole one. A
    // compressed transfer announces the compressed length, so it is left out.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && !reply->hasRawHeader("Content-Encoding") && length.toLongLong() != body.size())
        return tr("the connection was closed after %1 of %2 bytes").arg(body.size()).arg(length.toLongLong());
    return QString();
}
