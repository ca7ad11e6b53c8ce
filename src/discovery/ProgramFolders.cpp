#include "discovery/ProgramFolders.h"

#include "discovery/DreamweaverInfo.h"

#include <QDir>

QList<DreamweaverInfo> scanProgramFolders(QList<DiscoveryFinding>* findings)
{
    QList<DreamweaverInfo> found;
    const QString applicationData = DreamweaverInfo::applicationDataFolder();
    for (const QString& vendor : { QStringLiteral("Macromedia"), QStringLiteral("Adobe") }) {
        const QDir base(applicationData + QLatin1Char('/') + vendor);
        if (!base.exists()) {
            findings->append({ DiscoveryFinding::Source::Folder, QDir::toNativeSeparators(base.path()), QString(),
                QStringLiteral("no such folder") });
            continue;
        }
        const QFileInfoList entries
            = base.entryInfoList({ QStringLiteral("Dreamweaver *") }, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        // By name, so that what doctor says of them reads in a stable order.
        for (const QFileInfo& entry : entries) {
            const QString folderName = entry.fileName();
            DiscoveryFinding finding { DiscoveryFinding::Source::Folder,
                QDir::toNativeSeparators(entry.absoluteFilePath()), QString(), QString() };
            // Dreamweaver's own copies of a configuration it replaced.
            if (folderName.contains(QLatin1String("Backups"), Qt::CaseSensitive)) {
                finding.reason = QStringLiteral("a backup folder (its name contains \"Backups\")");
                findings->append(finding);
                continue;
            }
            const QStringList locales = DreamweaverInfo::localeSubfolders(entry.absoluteFilePath());
            DreamweaverInfo record(DreamweaverInfo::labelOf(folderName), vendor, entry.absoluteFilePath(), locales);
            record.readVersionFile();
            QStringList tried;
            if (record.findInstallFolder(&tried)) {
                finding.installation = record.name();
                finding.reason
                    = QStringLiteral("program folder %1").arg(QDir::toNativeSeparators(record.installFolder()));
                found.append(record);
            } else {
                finding.reason = (record.version().isEmpty()
                                         ? QStringLiteral("no version.xml and no program folder")
                                         : QStringLiteral("version %1, but no program folder").arg(record.version()))
                    + QStringLiteral(": tried ") + tried.join(QStringLiteral(", "));
            }
            findings->append(finding);
        }
    }
    return found;
}
