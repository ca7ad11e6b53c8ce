#pragma once

#include "discovery/DreamweaverInfo.h"
#include "ui/IProgress.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QSslError>
#include <QString>
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

    void requestDownloads();
    QByteArray downloadPackage(QString fileName, IProgress* progress);

signals:
    void dreamweaversUpdated();
    void downloadsUpdated();

private slots:
    void postLaunch();
    void downloadsReplyFinished(QNetworkReply* networkReply);
    void downloadReplyFinished(QNetworkReply* networkReply, QByteArray* data, IProgress* progress);
    void onDownloadsSslErrors(QNetworkReply* reply, QList<QSslError> errors);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal, IProgress* progress);

private:
    QString m_exManDbPath;
    QVector<Download> m_downloads;
};

Q_DECLARE_METATYPE(Application::Download)
