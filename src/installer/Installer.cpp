#include "installer/Installer.h"

#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationEditor.h"
#include "installer/IProgress.h"
#include "installer/InstallRecord.h"
#include "installer/InstallReport.h"
#include "packages/IPackage.h"
#include "packages/MXP.h"
#include "packages/PackageSupport.h"
#include "packages/ZXP.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <optional>

namespace {

// A path as Windows finds the file: either slash, any case, and each name
// without the trailing dots and spaces Windows drops ("Menus.xml." opens
// Menus.xml), so that no spelling of a managed file slips past the check.
QString windowsPathKey(const QString& path)
{
    QString text = path;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList names = QDir::cleanPath(text).toLower().split(QLatin1Char('/'));
    for (QString& name : names) {
        while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))) {
            name.chop(1);
        }
    }
    return names.join(QLatin1Char('/'));
}

bool isAtOrBelow(const QString& key, const QString& folderKey)
{
    return key == folderKey || key.startsWith(folderKey + QLatin1Char('/'));
}

} // namespace

Installer::Installer(const DreamweaverInfo& dreamweaver, IProgress* progress, InstallReport* report)
    : m_dreamweaver(dreamweaver)
    , m_progress(progress)
    , m_report(report ? report : &m_ownReport)
    , m_maxExtractedTotal(PackageSupport::maxExtractedTotal)
{
}

QString Installer::targetFolder(const DreamweaverInfo& dreamweaver, const FileEntry& entry, const QString& locale)
{
    if (entry.destination.isEmpty()) {
        return QString();
    }
    const QString folder = dreamweaver.resolveDestination(entry.destination, locale);
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        return QString();
    }
    return folder;
}

QString Installer::managedFileReason(const DreamweaverInfo& dreamweaver, const QString& path, const QString& locale)
{
    const QString key = windowsPathKey(path);
    if (isAtOrBelow(key, windowsPathKey(dreamweaver.extensionStoreFolder(locale)))) {
        return QStringLiteral("the store of installed manifests is managed by the installer");
    }
    // Below a managed file as well: a folder created under that name would
    // keep the file itself from ever being written.
    QStringList managed = ConfigurationEditor(dreamweaver, nullptr).managedPaths(locale);
    managed << dreamweaver.configurationFolder(locale) + QStringLiteral("/version.xml");
    for (const QString& managedPath : qAsConst(managed)) {
        if (isAtOrBelow(key, windowsPathKey(managedPath))) {
            return QStringLiteral("%1 is managed by the installer").arg(QFileInfo(managedPath).fileName());
        }
    }
    return QString();
}

QString Installer::storeProblem(const QString& storedPath)
{
    if (QFileInfo(storedPath).isDir()) {
        return QStringLiteral("a folder stands where the manifest copy %1 must go").arg(storedPath);
    }
    // The store folder and its parents are made as needed: the nearest one
    // that exists must be a folder that takes files.
    QFileInfo folder(QFileInfo(storedPath).absolutePath());
    while (!folder.exists()) {
        folder = QFileInfo(folder.absolutePath());
    }
    if (!folder.isDir() || !folder.isWritable()) {
        return QStringLiteral("the manifest copy %1 cannot be written in %2").arg(storedPath, folder.filePath());
    }
    return QString();
}

bool Installer::installPackage(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("zxp")) {
        ZXP package(path);
        return installFromPackage(package);
    }
    if (suffix == QLatin1String("mxp")) {
        MXP package(path);
        return installFromPackage(package);
    }
    if (m_report) {
        m_report->setError(QStringLiteral("%1 is not an MXP or ZXP package").arg(path));
    }
    return false;
}

bool Installer::installFromPackage(IPackage& package)
{
    if (m_progress) {
        m_progress->setStatus(QStringLiteral("Extracting MXI"));
    }
    const QString mxiName = package.mxiFileName();
    if (mxiName.isEmpty()) {
        if (m_report) {
            m_report->setError(QStringLiteral("the package holds no manifest"));
        }
        return false;
    }
    const QByteArray bytes = package.readFile(mxiName);
    if (bytes.isEmpty()) {
        if (m_report) {
            m_report->setError(QStringLiteral("the manifest %1 cannot be read").arg(mxiName));
        }
        return false;
    }
    ExtensionInfo record(bytes, mxiName);
    record.parseDetails();

    if (m_dryRun && m_report) {
        m_report->setPlanned(true);
    }
    ConfigurationEditor editor(m_dreamweaver, m_report);
    editor.setDryRun(m_dryRun, m_plannedTexts);
    for (const QString& locale : m_dreamweaver.locales()) {
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Extracting files"));
        }
        // The manifest copy goes first: an extension whose files then fail is
        // still listed as installed, and can be removed.
        const QString store = m_dreamweaver.extensionStoreFolder(locale);
        const QString storedPath = store + QLatin1Char('/') + PackageSupport::extractedFileName(mxiName);
        const QString recordPath = InstallRecord::recordPath(storedPath);
        const bool storedBefore = QFileInfo::exists(storedPath);
        // A plan that cannot store the manifest fails as the install would,
        // so that a replace can stop before it removes anything.
        const QString storeProblem = m_dryRun ? Installer::storeProblem(storedPath) : QString();
        if (!storeProblem.isEmpty() || (!m_dryRun && !package.extractFile(mxiName, store))) {
            if (m_report) {
                m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::WriteFailed, QString() });
                m_report->setError(storeProblem.isEmpty()
                        ? QStringLiteral("the manifest copy %1 cannot be written").arg(storedPath)
                        : storeProblem);
            }
            return false;
        }
        if (m_report) {
            m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::Written, QString() });
        }

        // An install over a stored copy adds to its record: what the earlier
        // install wrote or replaced stays its to undo. Over a copy stored
        // without a record (by an earlier version or another tool) it keeps
        // none, and the removal goes by the manifest as it always did.
        std::optional<InstallRecord> changes;
        if (!m_dryRun && (!storedBefore || QFileInfo::exists(recordPath))) {
            changes.emplace();
            QString unreadable;
            if (!storedBefore || !changes->read(recordPath, &unreadable)) {
                changes->installedAt = QDateTime::currentMSecsSinceEpoch();
            }
        }
        const QString backupFolder = InstallRecord::backupFolder(storedPath);

        const QList<FileEntry> files = record.files();
        if (m_progress) {
            m_progress->setMaximum(files.size());
        }
        int done = 0;
        qint64 extractedTotal = 0;
        for (const FileEntry& entry : files) {
            extractListedFile(package, entry, locale, extractedTotal, changes ? &*changes : nullptr, backupFolder);
            if (m_progress) {
                m_progress->setValue(++done);
            }
        }

        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Adding menu entries"));
        }
        const int entriesBefore = m_report->entries().size();
        editor.addMenuInserts(locale, record);
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Adding Insert Bar entries"));
        }
        editor.addInsertbarInserts(locale, record);
        if (!changes) {
            continue;
        }
        // Only what this install added is the extension's to take out again.
        const QList<InstallReport::EntryResult> entries = m_report->entries();
        for (int i = entriesBefore; i < entries.size(); ++i) {
            const InstallReport::EntryResult& entry = entries.at(i);
            if (entry.outcome == InstallReport::EntryOutcome::Added) {
                changes->addEntry({ entry.kind, entry.id, entry.target, entry.createdTarget, entry.parent,
                    entry.inserted, entry.ids });
            }
        }
        QString error;
        if (!changes->write(recordPath, &error)) {
            m_report->addFile({ locale, mxiName, recordPath, InstallReport::FileOutcome::WriteFailed, error });
        }
    }
    return true;
}

void Installer::extractListedFile(IPackage& package, const FileEntry& entry, const QString& locale,
    qint64& extractedTotal, InstallRecord* changes, const QString& backupFolder)
{
    const QString folder = targetFolder(m_dreamweaver, entry, locale);
    if (folder.isEmpty()) {
        if (m_report) {
            m_report->addFile({ locale, entry.source, QString(), InstallReport::FileOutcome::RefusedDestination,
                entry.destination.isEmpty() ? QStringLiteral("empty destination")
                                            : QStringLiteral("relative destination ") + entry.destination });
        }
        return;
    }
    const QString fileName = PackageSupport::extractedFileName(entry.source);
    const QString path = fileName.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
    const QString managed = path.isEmpty() ? QString() : managedFileReason(m_dreamweaver, path, locale);
    if (!managed.isEmpty()) {
        if (m_report) {
            m_report->addFile({ locale, entry.source, path, InstallReport::FileOutcome::RefusedDestination, managed });
        }
        return;
    }
    // The declared size counts before anything is written; an entry the
    // reader cannot find counts for nothing, as it writes nothing.
    const qint64 counted = fileName.isEmpty() ? 0 : qMax<qint64>(package.entrySize(entry.source), 0);
    if (counted > m_maxExtractedTotal - extractedTotal) {
        if (m_report) {
            m_report->addFile({ locale, entry.source, path, InstallReport::FileOutcome::RefusedDestination,
                QStringLiteral("past the %1 one install may extract per locale")
                    .arg(QLocale::c().formattedDataSize(m_maxExtractedTotal, 0, QLocale::DataSizeIecFormat)) });
        }
        return;
    }
    if (m_dryRun) {
        const bool readable = !fileName.isEmpty() && !package.readFile(entry.source).isEmpty();
        extractedTotal += readable ? counted : 0;
        if (m_report) {
            m_report->addFile({ locale, entry.source, path,
                readable ? InstallReport::FileOutcome::Written : InstallReport::FileOutcome::MissingFromPackage,
                QString() });
        }
        return;
    }
    // What a file replaces is kept first, so that the removal can bring it
    // back; a file the record already holds is the extension's own, from an
    // earlier install of it.
    const bool held = changes && changes->indexOf(path) >= 0;
    QString backup;
    if (changes && !held && QFileInfo(path).isFile()) {
        backup = InstallRecord::backUp(path, backupFolder);
        if (backup.isEmpty()) {
            m_report->addFile({ locale, entry.source, path, InstallReport::FileOutcome::WriteFailed,
                QStringLiteral("no copy of the file it would replace could be kept") });
            return;
        }
    }
    if (package.extractFile(entry.source, folder)) {
        extractedTotal += counted;
        if (changes && !held) {
            changes->files.append({ path, backup });
        }
        if (m_report) {
            m_report->addFile({ locale, entry.source, path, InstallReport::FileOutcome::Written, QString() });
        }
        return;
    }
    if (!backup.isEmpty()) {
        QFile::remove(backupFolder + QLatin1Char('/') + backup);
    }
    // The reader answers only yes or no; reading the entry again tells a
    // missing or damaged entry from a file that could not be written. This
    // costs a second read on the failure path only.
    const bool readable = !fileName.isEmpty() && !package.readFile(entry.source).isEmpty();
    m_report->addFile({ locale, entry.source, path,
        readable ? InstallReport::FileOutcome::WriteFailed : InstallReport::FileOutcome::MissingFromPackage,
        QString() });
}
