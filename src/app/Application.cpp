#include "app/Application.h"

#include "discovery/ExtensionDatabase.h"

#include <QFile>
#include <QNetworkReply>
#include <QTimer>

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
    , m_exManDbPath(openExtensionDatabase())
{
    // The style sheet is compiled into a static library, whose resource
    // initialiser the linker would otherwise drop as unreferenced.
    Q_INIT_RESOURCE(resources);
    qRegisterMetaType<Application::Download>();
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
}

// The catalogue request, its reply and the package download are not built
// yet: the Store stays empty and nothing goes over the network.
void Application::requestDownloads() { }

QByteArray Application::downloadPackage(QString fileName, IProgress* progress)
{
    Q_UNUSED(fileName)
    Q_UNUSED(progress)
    return QByteArray();
}

void Application::downloadsReplyFinished(QNetworkReply* networkReply)
{
    networkReply->deleteLater();
}

void Application::downloadReplyFinished(QNetworkReply* networkReply, QByteArray* data, IProgress* progress)
{
    if (networkReply->error() == QNetworkReply::NoError)
        *data = networkReply->readAll();
    // The waiting download loop polls this flag; it must be set on failure too.
    progress->setFinished();
}

void Application::onDownloadsSslErrors(QNetworkReply* reply, QList<QSslError> errors)
{
    Q_UNUSED(reply)
    Q_UNUSED(errors)
}

void Application::downloadProgress(qint64 bytesReceived, qint64 bytesTotal, IProgress* progress)
{
    progress->setMaximum(int(bytesTotal));
    progress->setValue(int(bytesReceived));
}
