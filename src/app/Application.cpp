#include "app/Application.h"

#include "discovery/ExtensionDatabase.h"
#include "platform/Environment.h"
#include "platform/WinePrefix.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTimer>

namespace {
const QString settingsOrganization = QStringLiteral("Velkor");
const QString settingsApplication = QStringLiteral("Moravel");
const QString winePrefixKey = QStringLiteral("winePrefix");
} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // Before the database is opened: a prefix moves it.
    const QString remembered = QSettings(settingsOrganization, settingsApplication).value(winePrefixKey).toString();
    Environment::useWinePrefix(WinePrefix::defaultFolder(remembered), &m_winePrefixError);
    m_exManDbPath = openExtensionDatabase();
    // Every dialog's title names the program, as the window's does.
    setApplicationDisplayName(QStringLiteral("Velkor Moravel"));
    connect(&m_store, &StoreClient::catalogueUpdated, this, &Application::downloadsUpdated);
    connect(&m_store, &StoreClient::catalogueFinished, this, [this] {
        m_catalogueLoading = false;
        emit catalogueStateChanged();
    });
    // The style sheet is compiled into a static library, whose resource
    // initialiser the linker would otherwise drop as unreferenced.
    Q_INIT_RESOURCE(resources);
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

QVector<Application::Download>& Application::downloads()
{
    return m_store.catalogue();
}

void Application::postLaunch()
{
    m_dreamweaverList = DreamweaverInfo::buildDreamweaverList(m_exManDbPath);
    emit dreamweaversUpdated();
    requestDownloads();
    if (!m_packageFiles.isEmpty())
        emit packageFilesUpdated();
}

bool Application::setWinePrefix(const QString& folder, QString* error)
{
    if (!Environment::useWinePrefix(folder, error))
        return false;
    QSettings(settingsOrganization, settingsApplication).setValue(winePrefixKey, Environment::winePrefix());
    m_winePrefixError.clear();
    m_exManDbPath = openExtensionDatabase();
    m_dreamweaverList = DreamweaverInfo::buildDreamweaverList(m_exManDbPath);
    emit dreamweaversUpdated();
    return true;
}

void Application::requestDownloads()
{
    m_catalogueLoading = true;
    emit catalogueStateChanged();
    m_store.requestCatalogue();
}

QByteArray Application::downloadPackage(QString fileName, IProgress* progress)
{
    return m_store.downloadPackage(fileName, progress);
}
