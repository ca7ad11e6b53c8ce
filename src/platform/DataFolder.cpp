#include "platform/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

QString DataFolder::path()
{
    // The real environment, not a Wine prefix's: the folder belongs to this
    // program wherever it runs, not to the Dreamweaver it manages.
    const QString chosen = qEnvironmentVariable("MORAVEL_DATA_FOLDER");
    if (!chosen.isEmpty())
        return QDir::cleanPath(chosen);
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QLatin1String("/Velkor/Moravel"));
}

QString DataFolder::subfolder(const QString& name)
{
    const QString folder = QDir::cleanPath(path() + QLatin1Char('/') + name);
    if (!QDir().mkpath(folder))
        return QString();
    return folder;
}
