#include "installer/Remover.h"

#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationEditor.h"
#include "installer/IProgress.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"
#include "packages/AtomicFile.h"
#include "packages/PackageSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Two spellings of one file compare equal; Windows file names ignore case.
QString pathKey(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
#ifdef Q_OS_WIN
    return clean.toLower();
#else
    return clean;
#endif
}

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && PackageSupport::extractedFileName(name) == name;
}

} // namespace

Remover::Remover(const DreamweaverInfo& dreamweaver, IProgress* progress, InstallReport* report)
    : m_dreamweaver(dreamweaver)
    , m_progress(progress)
    , m_report(report)
{
}

void Remover::removeFileAndEmptyFolders(const QString& path)
{
    QFile::remove(path);
    // A killed install may have left its temporaries in the folders this
    // removal touches; once they are gone, a folder that held only them is
    // empty too.
    QDir dir = QFileInfo(path).dir();
    AtomicFile::removeStaleTemporaries(dir.path());
    if (!path.contains(QLatin1String("/Configuration/"))) {
        return;
    }
    QString child = dir.dirName();
    while (dir.cdUp()) {
        if (dir.dirName() == QLatin1String("Configuration")) {
            return;
        }
        // rmdir succeeds only on an empty folder: the walk stops at the first
        // folder that still holds something.
        if (!dir.rmdir(child)) {
            return;
        }
        AtomicFile::removeStaleTemporaries(dir.path());
        child = dir.dirName();
    }
}

QHash<QString, QString> Remover::pathsListedByOthers(const QString& locale, const QString& mxiName) const
{
    QHash<QString, QString> paths;
    const QDir store(m_dreamweaver.extensionStoreFolder(locale));
    // Matched without regard to case, hidden files left out, as the installed list reads the store.
    const QFileInfoList stored = store.entryInfoList({ QStringLiteral("*.mxi") }, QDir::Files);
    for (const QFileInfo& info : stored) {
        if (info.fileName() == mxiName) {
            continue;
        }
        ExtensionInfo other(info.absoluteFilePath());
        other.parseDetails();
        const QString otherName = other.name().isEmpty() ? info.fileName() : other.name();
        for (const FileEntry& entry : other.files()) {
            const QString folder = Installer::targetFolder(m_dreamweaver, entry, locale);
            const QString fileName = PackageSupport::extractedFileName(entry.source);
            if (!folder.isEmpty() && !fileName.isEmpty()) {
                paths.insert(pathKey(folder + QLatin1Char('/') + fileName), otherName);
            }
        }
    }
    return paths;
}

QStringList Remover::removeListedFiles(const QString& locale, const QString& mxiName, const ExtensionInfo& record)
{
    QStringList failures;
    const QList<FileEntry> files = record.files();
    if (m_progress) {
        m_progress->setMaximum(files.size());
    }
    // Built only when there is a file to delete: it parses every other stored manifest.
    const QHash<QString, QString> sharedPaths
        = files.isEmpty() ? QHash<QString, QString>() : pathsListedByOthers(locale, mxiName);

    int done = 0;
    for (const FileEntry& entry : files) {
        const QString folder = Installer::targetFolder(m_dreamweaver, entry, locale);
        const QString fileName = PackageSupport::extractedFileName(entry.source);
        const QString path = folder.isEmpty() || fileName.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
        // The install refuses a managed path, so the file there is not the extension's.
        const QString managed = path.isEmpty() ? QString() : Installer::managedFileReason(m_dreamweaver, path, locale);
        InstallReport::FileResult result { locale, entry.source, path, InstallReport::FileOutcome::NotPresent,
            managed };
        if (path.isEmpty() || !managed.isEmpty()) {
            result.outcome = InstallReport::FileOutcome::RefusedDestination;
        } else {
            const auto shared = sharedPaths.constFind(pathKey(result.path));
            if (shared != sharedPaths.constEnd()) {
                result.outcome = InstallReport::FileOutcome::KeptShared;
                result.detail = shared.value();
            } else {
                const bool existed = QFileInfo::exists(result.path);
                if (!m_dryRun) {
                    removeFileAndEmptyFolders(result.path);
                }
                if (existed && !m_dryRun && QFileInfo::exists(result.path)) {
                    result.outcome = InstallReport::FileOutcome::RemoveFailed;
                    failures << QStringLiteral("cannot delete %1").arg(result.path);
                } else if (existed) {
                    result.outcome = InstallReport::FileOutcome::Removed;
                }
            }
        }
        if (m_report) {
            m_report->addFile(result);
        }
        if (m_progress) {
            m_progress->setValue(++done);
        }
    }
    return failures;
}

void Remover::removeExtension(const QString& mxiName)
{
    // The name comes from a listing of the store folder; anything with a
    // folder in it would reach outside that folder.
    if (!isPlainFileName(mxiName)) {
        if (m_report) {
            m_report->setError(QStringLiteral("%1 is not the name of a stored manifest").arg(mxiName));
        }
        return;
    }
    if (m_dryRun && m_report) {
        m_report->setPlanned(true);
    }
    ConfigurationEditor editor(m_dreamweaver, m_report);
    editor.setDryRun(m_dryRun, m_plannedTexts);
    for (const QString& locale : m_dreamweaver.locales()) {
        const QString storedPath = m_dreamweaver.extensionStoreFolder(locale) + QLatin1Char('/') + mxiName;
        const std::optional<ExtensionInfo> record = ExtensionInfo::readStored(storedPath);
        if (!record) {
            continue;
        }

        QStringList unfinished;
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Removing menu entries"));
        }
        if (!editor.removeMenuInserts(locale, *record)) {
            unfinished << editor.errorString();
        }
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Removing Insert Bar entries"));
        }
        if (!editor.removeInsertbarInserts(locale, *record)) {
            unfinished << editor.errorString();
        }
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Removing files"));
        }
        unfinished << removeListedFiles(locale, mxiName, *record);

        // Without the stored copy nothing would know what is left to remove.
        if (!unfinished.isEmpty()) {
            if (m_report) {
                m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::KeptUnfinished,
                    unfinished.join(QStringLiteral("; ")) });
            }
            continue;
        }
        if (m_dryRun) {
            if (m_report) {
                m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::Removed, QString() });
            }
            continue;
        }
        removeFileAndEmptyFolders(storedPath);
        if (m_report) {
            m_report->addFile({ locale, mxiName, storedPath,
                QFileInfo::exists(storedPath) ? InstallReport::FileOutcome::RemoveFailed
                                              : InstallReport::FileOutcome::Removed,
                QString() });
        }
    }
}
