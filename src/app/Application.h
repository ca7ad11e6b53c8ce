#pragma once

#include "app/ColourScheme.h"
#include "commands/StoreClient.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/DreamweaverList.h"
#include "platform/BuildConfig.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class SingleInstance;

// The application object: owns what is not part of the window (the path of
// Adobe's extension database, the Store) and does the one-time start-up work
// once the event loop runs.
class Application : public QApplication
{
    Q_OBJECT

public:
    using Download = CatalogueEntry;

    static constexpr const char* versionText = MORAVEL_VERSION;
    static constexpr const char* styleSheetResource = ":/qss/moravel.qss";

    Application(int& argc, char** argv);
    ~Application() override;

    // The running application object, or nullptr when it is some other QApplication.
    static Application* instance();

    // The application version, the style, the remembered colour scheme and
    // the compiled-in style sheet.
    void applyStartupSettings();
    static QString loadStyleSheet();

    QList<DreamweaverInfo>& dreamweavers() { return m_dreamweaverList.installations; }
    // The installations and every place the last look for them went.
    const DreamweaverList& dreamweaverList() const { return m_dreamweaverList; }
    QVector<Download>& downloads();
    StoreClient& store() { return m_store; }
    QString exManDbPath() const { return m_exManDbPath; }
    // The package files the program was started with (what is left of the
    // command line once Qt has taken its own options), as absolute paths, in
    // the order given. The window installs them once the installations are known.
    QStringList packageFiles() const { return m_packageFiles; }

    // Manages the Dreamweaver of the Wine prefix at folder from now on (empty:
    // the folders of the environment), remembers the choice for the next
    // start and lists the installations again. False, with the reason in
    // error and nothing changed, when folder is not a prefix.
    bool setWinePrefix(const QString& folder, QString* error);
    // Why the prefix chosen at start could not be used; empty when it could.
    QString winePrefixError() const { return m_winePrefixError; }

    // Gives the package files to the program already running in this user's
    // session, which comes to the front; true when it took them, and this
    // start has nothing more to do. Otherwise this program takes the files
    // of later starts from now on (packageFilesHandedOver).
    bool handOverToRunningProgram();

    // What the program remembers between runs.
    static QVariant setting(const QString& key);
    static void setSetting(const QString& key, const QVariant& value);

    // The colour scheme in use, and a new one, remembered for the next start:
    // the desktop's (light or dark as the platform's palette is) or one forced.
    ColourScheme::Choice colourScheme() const { return m_colourScheme; }
    void setColourScheme(ColourScheme::Choice choice);

    // Asks for the catalogue again (Retry, Reload); the Store shows it as loading until the reply ends.
    void requestDownloads();
    // Whether a catalogue request is still waiting for its reply.
    bool catalogueLoading() const { return m_catalogueLoading; }
    QString catalogueError() const { return m_store.catalogueError(); }
    QString downloadError() const { return m_store.downloadError(); }

signals:
    void dreamweaversUpdated();
    void downloadsUpdated();
    // A catalogue request started or ended; catalogueError() says how it ended.
    void catalogueStateChanged();
    // Emitted once after start-up, after dreamweaversUpdated(), when the
    // program was started with package files.
    void packageFilesUpdated();
    // A later start handed its package files over (possibly none: it only asked for the window).
    void packageFilesHandedOver(const QStringList& files);

private:
    void postLaunch();

    QString m_exManDbPath;
    DreamweaverList m_dreamweaverList;
    QStringList m_packageFiles;
    QString m_winePrefixError;
    StoreClient m_store;
    SingleInstance* m_singleInstance = nullptr;
    bool m_catalogueLoading = true; // it is requested as soon as start-up ends
    QPalette m_systemPalette; // the platform's, before the program chose its own
    ColourScheme::Choice m_colourScheme = ColourScheme::Choice::System;
};
