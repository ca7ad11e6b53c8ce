#pragma once

#include "discovery/DreamweaverInfo.h"
#include "ui/IProgress.h"

#include <QApplication>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <QVector>

class QNetworkReply;

// The application object: owns what is not part of the window (the path of
// Adobe's extension database, the Store catalogue, the network requests) and
// does the one-time start-up work once the event loop runs.
class Application : public QApplication
{
    Q_OBJECT

public:
    // One entry of the Store catalogue.
    struct Download
    {
        QString id;
        QString name;
        QString version;
        QString zxp; // the package's file name below the downloads address
    };

    static constexpr const char* versionText = "1.0.7.0";
    static constexpr const char* styleSheetResource = ":/qss/dark.qss";
    // Replies larger than these are aborted: the whole body is held in memory.
    static constexpr qint64 maximumCatalogueSize = 16 * 1024 * 1024;
    static constexpr qint64 maximumPackageSize = 256 * 1024 * 1024;

    Application(int& argc, char** argv);
    ~Application() override;

    // The running application object, or nullptr when it is some other QApplication.
    static Application* instance();

    // The application version and the compiled-in style sheet.
    void applyStartupSettings();
    static QString loadStyleSheet();

    QList<DreamweaverInfo>& dreamweavers();
    QVector<Download>& downloads();
    QString exManDbPath() const { return m_exManDbPath; }
    // The package files the program was started with (what is left of the
    // command line once Qt has taken its own options), as absolute paths, in
    // the order given. The window installs them once the installations are known.
    QStringList packageFiles() const { return m_packageFiles; }

    // The compiled-in addresses, unless MORAVEL_CATALOGUE_URL or
    // MORAVEL_DOWNLOADS_URL name others (a mirror, a test server).
    static QString catalogueUrl();
    static QString downloadsUrl();

    void requestDownloads();
    // The package's bytes, or an empty array when the transfer failed;
    // downloadError() then says why.
    QByteArray downloadPackage(QString fileName, IProgress* progress);

    // Why the last catalogue request or package download failed, in plain
    // words; empty after a success.
    QString catalogueError() const { return m_catalogueError; }
    QString downloadError() const { return m_downloadError; }

signals:
    void dreamweaversUpdated();
    void downloadsUpdated();
    // Emitted once after start-up, after dreamweaversUpdated(), when the
    // program was started with package files.
    void packageFilesUpdated();

private slots:
    void postLaunch();
    void downloadsReplyFinished(QNetworkReply* networkReply);
    void downloadReplyFinished(QNetworkReply* networkReply, QByteArray* data, IProgress* progress);
    void onDownloadsSslErrors(QNetworkReply* reply, QList<QSslError> errors);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal, IProgress* progress);

private:
    static void limitReplySize(QNetworkReply* reply, qint64 limit);
    // Why the reply that ended with body failed, in plain words, or empty;
    // takes the reply's recorded certificate errors along.
    QString takeFailureReason(QNetworkReply* reply, const QByteArray& body);

    QString m_exManDbPath;
    QStringList m_packageFiles;
    QVector<Download> m_downloads;
    // Certificate errors by reply, until the reply finishes.
    QHash<QNetworkReply*, QList<QSslError>> m_sslErrors;
    QString m_catalogueError;
    QString m_downloadError;
};

Q_DECLARE_METATYPE(Application::Download)
