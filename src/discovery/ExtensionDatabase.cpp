#include "discovery/ExtensionDatabase.h"

#include "discovery/DreamweaverInfo.h"
#include "platform/Environment.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// One folder below the roaming folder: the database is another program's
// file, and "..", a drive or a backslashed path would lead the installer's
// writes out of the roaming folder.
bool isFolderName(const QString& part)
{
    return part != QLatin1String(".") && part != QLatin1String("..") && !part.contains(QLatin1Char('\\'))
        && !part.contains(QLatin1Char(':'));
}

const QString connectionName = QStringLiteral("CCDB");

// The product id is bound, never pasted into the text: the database is
// another program's file and its values are not ours to trust.
bool firstKeyValue(QSqlDatabase& db, const QVariant& productId, const QString& query, QString* value)
{
    QSqlQuery keyQuery(db);
    if (!keyQuery.prepare(query))
        return false;
    keyQuery.addBindValue(productId);
    if (!keyQuery.exec() || !keyQuery.next())
        return false;
    *value = keyQuery.value(0).toString();
    return true;
}

} // namespace

QString openExtensionDatabase()
{
#ifdef Q_OS_MACOS
    const QString path
        = QStringLiteral("/Library/Application Support/Adobe/Extension Manager CC/Configuration/DB/ExMan.db");
#else
    // Where Adobe's Extension Manager CC keeps it, on every machine it ever ran on.
    QString path = Environment::variable("ALLUSERSPROFILE");
    for (const char* component : { "Adobe", "Extension Manager CC", "Configuration", "DB", "ExMan.db" })
        path = Environment::joinNative(path, QString::fromLatin1(component));
#endif

    QSqlDatabase db = QSqlDatabase::contains(connectionName)
        ? QSqlDatabase::database(connectionName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    // The database belongs to Adobe's extension manager: never written, never created.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    return path;
}

QSqlDatabase extensionDatabase()
{
    return QSqlDatabase::database(connectionName, true);
}

QList<DreamweaverInfo> readExtensionDatabase(const QString& exManDbPath, QList<DiscoveryFinding>* findings)
{
    QList<DreamweaverInfo> found;
    const QString where = QDir::toNativeSeparators(exManDbPath);
    if (!QFileInfo::exists(exManDbPath)) {
        findings->append({ DiscoveryFinding::Source::Database, where, QString(),
            QStringLiteral("no such file (Adobe's Extension Manager CC never ran here)") });
        return found;
    }
    QSqlDatabase db = extensionDatabase();
    if (!db.isOpen()) {
        findings->append({ DiscoveryFinding::Source::Database, where, QString(),
            QStringLiteral("cannot be opened: %1").arg(db.lastError().text()) });
        return found;
    }

    const QString applicationData = DreamweaverInfo::applicationDataFolder();
    {
        QSqlQuery products(db);
        if (!products.exec(QStringLiteral(
                "SELECT ProdID, DisplayName, ProdVersion FROM Tb_ProductInfoV2 WHERE FamilyName = 'Dreamweaver'")))
            findings->append({ DiscoveryFinding::Source::Database, where, QString(),
                QStringLiteral("holds no product table Dreamweaver could be read from") });
        while (products.next()) {
            const QVariant productId = products.value(0);
            const QString displayName = products.value(1).toString();
            const QString productVersion = products.value(2).toString();
            const QString label = displayName + QStringLiteral(" (v ") + productVersion + QLatin1Char(')');
            DiscoveryFinding finding { DiscoveryFinding::Source::Database,
                QStringLiteral("%1, product %2 (%3)").arg(where, productId.toString(), label), QString(), QString() };

            QString configuration;
            if (!firstKeyValue(db, productId,
                    QStringLiteral("SELECT KeyValue FROM Tb_XManConfig WHERE ProdID = ? AND KeyName = "
                                   "'$dreamweaver/configuration'"),
                    &configuration)) {
                finding.reason = QStringLiteral("no $dreamweaver/configuration key");
                findings->append(finding);
                continue;
            }
            const QStringList parts = configuration.split(QLatin1Char('/'));
            if (parts.size() < 3 || !isFolderName(parts.at(1)) || !isFolderName(parts.at(2))) {
                finding.reason = QStringLiteral("its configuration key \"%1\" names no folder in the roaming folder")
                                     .arg(configuration);
                findings->append(finding);
                continue;
            }
            const QString folder = applicationData + QLatin1Char('/') + parts.at(1) + QLatin1Char('/') + parts.at(2);

            QString installFolder;
            firstKeyValue(db, productId,
                QStringLiteral("SELECT KeyValue FROM Tb_XManConfig WHERE ProdID = ? AND KeyName = '$installfolder'"),
                &installFolder);

            DreamweaverInfo record(label, QStringLiteral("Adobe"), QFileInfo(folder).absoluteFilePath(),
                DreamweaverInfo::localeSubfolders(folder));
            record.setProductId(productId.toString());
            record.setVersion(productVersion);
            record.setInstallFolder(Environment::localPath(installFolder));
            // Whether it is listed is decided against the folder scan, which says so.
            found.append(record);
        }
    }
    db.close();
    return found;
}
