#include "discovery/ProgramFolders.h"

#include "discovery/DreamweaverInfo.h"

#include <QDir>

void addFromProgramFolders()
{
    const QString applicationData = DreamweaverInfo::applicationDataFolder();
    for (const QString& vendor : { QStringLiteral("Macromedia"), QStringLiteral("Adobe") }) {
        const QDir base(applicationData + QLatin1Char('/') + vendor);
        const QFileInfoList entries = base.entryInfoList(
            { QStringLiteral("Dreamweaver *") }, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QFileInfo& entry : entries) {
            const QString folderName = entry.fileName();
            if (folderName.contains(QLatin1String("Backups"), Qt::CaseSensitive))
                continue;
            const QStringList locales = DreamweaverInfo::localeSubfolders(entry.absoluteFilePath());
            QString label = folderName;
            label.replace(QLatin1String(" 9"), QLatin1String(" CS3"), Qt::CaseSensitive);

            DreamweaverInfo record(label, vendor, entry.absoluteFilePath(), locales);
            record.readVersionFile();
            // Versions 13 to 19 are the ones the extension database reports.
            const int major = record.versionNumbers()[0];
            if (major > 12 && major < 20)
                continue;
            if (record.findInstallFolder())
                DreamweaverInfo::installations().append(record);
        }
    }
}
