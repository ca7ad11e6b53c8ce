#include "app/Application.h"

#include "app/SingleInstance.h"

#include "discovery/ExtensionDatabase.h"
#include "platform/Environment.h"
#include "platform/WinePrefix.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

namespace {
const QString settingsOrganization = QStringLiteral("Velkor");
const QString settingsApplication = QStringLiteral("Moravel");
const QString winePrefixKey = QStringLiteral("winePrefix");
const QString colourSchemeKey = QStringLiteral("colourScheme");
} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
    , m_systemPalette(palette())
{
    // Before the database is opened: a prefix moves it.
    const QString remembered = setting(winePrefixKey).toString();
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
    // Fusion draws with the palette on every platform, so the light and the
    // dark palette look alike everywhere; the native styles of some ignore it.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        setStyle(fusion);
    setColourScheme(
        ColourScheme::fromKey(QSettings(settingsOrganization, settingsApplication).value(colourSchemeKey).toString()));
    setStyleSheet(loadStyleSheet());
}

void Application::setColourScheme(ColourScheme::Choice choice)
{
    m_colourScheme = choice;
    QSettings(settingsOrganization, settingsApplication).setValue(colourSchemeKey, ColourScheme::key(choice));
    const bool dark = choice == ColourScheme::Choice::System ? ColourScheme::isDark(m_systemPalette)
                                                             : choice == ColourScheme::Choice::Dark;
    setPalette(ColourScheme::palette(dark));
    // Widgets the style sheet has polished keep the colours they had until it is applied again.
    const QString sheet = styleSheet();
    if (!sheet.isEmpty()) {
        setStyleSheet(QString());
        setStyleSheet(sheet);
    }
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
    setSetting(winePrefixKey, Environment::winePrefix());
    m_winePrefixError.clear();
    m_exManDbPath = openExtensionDatabase();
    m_dreamweaverList = DreamweaverInfo::buildDreamweaverList(m_exManDbPath);
    emit dreamweaversUpdated();
    return true;
}

bool Application::handOverToRunningProgram()
{
    if (SingleInstance::handOver(m_packageFiles))
        return true;
    if (!m_singleInstance) {
        m_singleInstance = new SingleInstance(this);
        connect(m_singleInstance, &SingleInstance::filesReceived, this, &Application::packageFilesHandedOver);
        m_singleInstance->listen();
    }
    return false;
}

QVariant Application::setting(const QString& key)
{
    return QSettings(settingsOrganization, settingsApplication).value(key);
}

void Application::setSetting(const QString& key, const QVariant& value)
{
    QSettings(settingsOrganization, settingsApplication).setValue(key, value);
}

void Application::requestDownloads()
{
    m_catalogueLoading = true;
    emit catalogueStateChanged();
    m_store.requestCatalogue();
}
