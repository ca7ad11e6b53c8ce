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

#include <algorithm>
#include <utility>

namespace {

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
    if (!QFile::remove(path) && QFileInfo::exists(path)) {
        // Windows refuses to delete a file with the read-only attribute, which
        // packages carry onto their files; the user asked for this one gone.
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
        QFile::remove(path);
    }
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

QHash<QString, QString> Remover::unwrittenFiles(
    const QString& locale, const ExtensionInfo& manifest, const InstallRecord& changes) const
{
    // What the manifest's entries may have put in the home folder: each
    // file, and anything below the folder of an entry that may stand for a
    // package folder. Built once: a record may name thousands of files.
    QSet<QString> homeFiles;
    QStringList homeFolders;
    const QList<FileEntry> files = manifest.files();
    for (const FileEntry& entry : files) {
        const QString folder
            = entry.appliesTo(locale) ? Installer::targetFolder(m_dreamweaver, entry, locale) : QString();
        if (folder.isEmpty()) {
            continue;
        }
        // The install found the entry in any case, so it may have written
        // the name in another case than the manifest spells it.
        const QString fileName = PackageSupport::extractedFileName(entry.source);
        if (!fileName.isEmpty()) {
            homeFiles.insert(InstallRecord::pathKey(folder + QLatin1Char('/') + fileName).toCaseFolded());
        }
        if (Installer::mayNameFolder(entry.source)) {
            homeFolders << InstallRecord::pathKey(folder).toCaseFolded() + QLatin1Char('/');
        }
    }
    const auto below = [](const QString& path, const QString& root) {
        return !root.isEmpty()
            && InstallRecord::pathKey(path).startsWith(InstallRecord::pathKey(root) + QLatin1Char('/'));
    };
    QHash<QString, QString> refused;
    for (const InstallRecord::File& file : changes.files) {
        const QString key = InstallRecord::pathKey(file.path);
        QString reason = Installer::managedFileReason(m_dreamweaver, file.path, locale);
        // An install may write anywhere in the configuration folder but its
        // managed files; in the home folder, only where its manifest says.
        if (reason.isEmpty() && !below(file.path, m_roots.configuration)) {
            if (!below(file.path, m_roots.home)) {
                reason = QStringLiteral("it lies outside the configuration folder and the home folder");
            } else if (!homeFiles.contains(key.toCaseFolded())
                && std::none_of(homeFolders.cbegin(), homeFolders.cend(),
                    [&](const QString& folder) { return key.toCaseFolded().startsWith(folder); })) {
                reason = QStringLiteral("no file of its manifest goes there");
            }
        }
        if (!reason.isEmpty()) {
            refused.insert(file.path, reason);
        }
    }
    return refused;
}

QList<Remover::Holder> Remover::otherHolders(const QString& locale, const QString& mxiName) const
{
    QList<Holder> holders;
    const QString removed = QDir::cleanPath(m_dreamweaver.storedManifestPath(locale, mxiName, m_otherProgram));
    // Matched without regard to case, hidden files left out, as the installed list reads the store;
    // what another program installed holds its files too.
    const QFileInfoList stored
        = QDir(m_dreamweaver.extensionStoreFolder(locale)).entryInfoList({ QStringLiteral("*.mxi") }, QDir::Files)
        + QDir(m_dreamweaver.otherProgramFolder(locale)).entryInfoList({ QStringLiteral("*.mxi") }, QDir::Files);
    for (const QFileInfo& info : stored) {
        if (QDir::cleanPath(info.filePath()) == removed) {
            continue;
        }
        ExtensionInfo other(info.absoluteFilePath());
        other.parseDetails();
        Holder holder { other.name().isEmpty() ? info.fileName() : other.name(), info.absoluteFilePath(), false,
            InstallRecord(), {}, {} };
        QString unreadable;
        const QString recordPath = InstallRecord::recordPath(holder.storedPath);
        holder.hasRecord = QFileInfo::exists(recordPath)
            && holder.record.read(recordPath, InstallRecord::roots(m_dreamweaver, locale), &unreadable);
        for (const InstallRecord::File& file : qAsConst(holder.record.files)) {
            holder.paths.insert(InstallRecord::pathKey(file.path));
        }
        // Held const: a loop over the returned list itself would copy every entry.
        const QList<FileEntry> files = other.files();
        for (const FileEntry& entry : files) {
            const QString folder = Installer::targetFolder(m_dreamweaver, entry, locale);
            const QString fileName = PackageSupport::extractedFileName(entry.source);
            if (entry.appliesTo(locale) && !folder.isEmpty() && !fileName.isEmpty()) {
                holder.listed.insert(InstallRecord::pathKey(folder + QLatin1Char('/') + fileName));
            }
        }
        if (!holder.hasRecord) {
            holder.paths = holder.listed;
        }
        holders.append(holder);
    }
    return holders;
}

bool Remover::deleteFile(InstallReport::FileResult& result)
{
    const bool existed = QFileInfo::exists(result.path);
    if (!m_dryRun) {
        removeFileAndEmptyFolders(result.path);
    }
    if (existed && !m_dryRun && QFileInfo::exists(result.path)) {
        result.outcome = InstallReport::FileOutcome::RemoveFailed;
        return false;
    }
    if (existed) {
        result.outcome = InstallReport::FileOutcome::Removed;
    }
    return true;
}

void Remover::undoFile(const InstallRecord::File& claim, const InstallRecord& changes, const QString& backupFolder,
    QList<Holder>& others, bool shared, InstallReport::FileResult& result, QString* failure)
{
    // An extension installed later that replaced this file holds, as its
    // backup, this extension's version. It inherits this extension's claim
    // instead (what was there before, or nothing), and the file stays.
    Holder* heir = nullptr;
    int heirIndex = -1;
    for (Holder& other : others) {
        const int index = other.hasRecord ? other.record.indexOf(claim.path) : -1;
        if (index >= 0 && !other.record.files.at(index).backup.isEmpty()
            && other.record.installedAt >= changes.installedAt
            && (!heir || other.record.installedAt < heir->record.installedAt)) {
            heir = &other;
            heirIndex = index;
        }
    }
    if (heir) {
        result.outcome = InstallReport::FileOutcome::KeptShared;
        result.detail = heir->name;
        if (m_dryRun) {
            return;
        }
        InstallRecord::File& theirs = heir->record.files[heirIndex];
        const QString theirBackup = InstallRecord::backupFolder(heir->storedPath) + QLatin1Char('/') + theirs.backup;
        QString error;
        bool handedOver = false;
        if (claim.backup.isEmpty()) {
            theirs.backup.clear();
            handedOver = heir->record.write(InstallRecord::recordPath(heir->storedPath), m_roots, &error);
            // Their record must stop naming the backup before it goes.
            if (handedOver && !QFile::remove(theirBackup) && QFileInfo::exists(theirBackup)) {
                result.outcome = InstallReport::FileOutcome::RemoveFailed;
                *failure = QStringLiteral("cannot delete %1, which %2 no longer needs").arg(theirBackup, heir->name);
                return;
            }
        } else {
            handedOver = InstallRecord::moveOver(backupFolder + QLatin1Char('/') + claim.backup, theirBackup);
        }
        if (!handedOver) {
            result.outcome = InstallReport::FileOutcome::RemoveFailed;
            *failure = QStringLiteral("cannot hand %1 over to %2").arg(claim.path, heir->name);
        }
        return;
    }
    if (claim.backup.isEmpty()) {
        for (const Holder& other : qAsConst(others)) {
            const QString key = InstallRecord::pathKey(claim.path);
            if (other.paths.contains(key) || (shared && other.listed.contains(key))) {
                result.outcome = InstallReport::FileOutcome::KeptShared;
                result.detail = other.name;
                return;
            }
        }
        if (!deleteFile(result)) {
            *failure = QStringLiteral("cannot delete %1").arg(claim.path);
        }
        return;
    }
    const QString backupPath = backupFolder + QLatin1Char('/') + claim.backup;
    // A link would come back as a link to wherever it points; the install keeps only plain copies.
    const QFileInfo backup(backupPath);
    if (backup.isSymLink() || !backup.isFile()) {
        result.detail = QStringLiteral("the copy of the file it replaced is gone or not a plain file; the file stays");
        return;
    }
    result.outcome = InstallReport::FileOutcome::Removed;
    result.detail = QStringLiteral("the file it replaced is back");
    if (!m_dryRun && !InstallRecord::moveOver(backupPath, claim.path)) {
        result.outcome = InstallReport::FileOutcome::RemoveFailed;
        *failure = QStringLiteral("cannot bring back the file %1 replaced").arg(claim.path);
    }
}

QStringList Remover::removeListedFiles(const QString& locale, const QString& mxiName, const ExtensionInfo& record,
    InstallRecord* changes, const QString& backupFolder)
{
    QStringList failures;
    // Each listed file by its source; then any file the record holds that the
    // manifest no longer lists (an earlier install under the same name).
    QList<std::pair<QString, QString>> sourcesAndPaths;
    QSet<QString> listed;
    // The manifest's word on each path: by the file, or by the folder a whole
    // folder of the package went to.
    QHash<QString, FileEntry> entryOf;
    QList<std::pair<QString, FileEntry>> folderEntries;
    const QList<FileEntry> files = record.files();
    for (const FileEntry& entry : files) {
        if (!entry.appliesTo(locale)) {
            continue;
        }
        const QString folder = Installer::targetFolder(m_dreamweaver, entry, locale);
        const QString fileName = PackageSupport::extractedFileName(entry.source);
        if (!folder.isEmpty()
            && (entry.source.endsWith(QLatin1Char('/')) || entry.source.endsWith(QLatin1Char('\\')))) {
            // Its files are known from the record alone.
            folderEntries.append({ InstallRecord::pathKey(folder) + QLatin1Char('/'), entry });
            continue;
        }
        const QString path = folder.isEmpty() || fileName.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
        sourcesAndPaths.append({ entry.source, path });
        listed.insert(InstallRecord::pathKey(path));
        entryOf.insert(InstallRecord::pathKey(path), entry);
    }
    const auto manifestEntry = [&](const QString& path) {
        const QString key = InstallRecord::pathKey(path);
        if (entryOf.contains(key)) {
            return entryOf.value(key);
        }
        for (const auto& [folderKey, folderEntry] : qAsConst(folderEntries)) {
            if (key.startsWith(folderKey)) {
                return folderEntry;
            }
        }
        return FileEntry();
    };
    const QList<InstallRecord::File> recordedFiles = changes ? changes->files : QList<InstallRecord::File>();
    for (const InstallRecord::File& file : recordedFiles) {
        if (!listed.contains(InstallRecord::pathKey(file.path))) {
            sourcesAndPaths.append({ QFileInfo(file.path).fileName(), file.path });
        }
    }
    if (m_progress) {
        m_progress->setMaximum(sourcesAndPaths.size());
    }
    // Built only when there is a file to delete: it parses every other stored manifest.
    QList<Holder> others = sourcesAndPaths.isEmpty() ? QList<Holder>() : otherHolders(locale, mxiName);

    const InstallRecord withoutRecord;
    int done = 0;
    for (const auto& [source, path] : qAsConst(sourcesAndPaths)) {
        // The install refuses a managed path, so the file there is not the extension's.
        const QString managed = path.isEmpty() ? QString() : Installer::managedFileReason(m_dreamweaver, path, locale);
        InstallReport::FileResult result { locale, source, path, InstallReport::FileOutcome::NotPresent, managed };
        const int index = changes && managed.isEmpty() ? changes->indexOf(path) : -1;
        if (path.isEmpty() || !managed.isEmpty()) {
            result.outcome = InstallReport::FileOutcome::RefusedDestination;
        } else if (changes && index < 0) {
            // Whatever is there was not put there by this extension's install.
            result.detail = QStringLiteral("not written by its install");
        } else if (manifestEntry(path).systemFile && (!changes || changes->files.at(index).backup.isEmpty())) {
            // Dreamweaver or other programs may rely on it once it is there;
            // one that replaced a file of the user's gives that back instead.
            result.outcome = InstallReport::FileOutcome::KeptSystemFile;
            if (changes) {
                changes->files.removeAt(index);
            }
        } else {
            // Without a record the extension counts as having created every
            // file its manifest lists, installed before any record was kept.
            QString failure;
            undoFile(changes ? changes->files.at(index) : InstallRecord::File { path, QString() },
                changes ? *changes : withoutRecord, backupFolder, others, manifestEntry(path).shared, result, &failure);
            if (!failure.isEmpty()) {
                failures << failure;
            } else if (changes) {
                changes->files.removeAt(index);
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
    for (const QString& locale : m_dreamweaver.locales())
        removeFromLocale(editor, locale, mxiName);
}

void Remover::removeFromLocale(ConfigurationEditor& editor, const QString& locale, const QString& mxiName)
{
    m_roots = InstallRecord::roots(m_dreamweaver, locale);
    const QString storedPath = m_dreamweaver.storedManifestPath(locale, mxiName, m_otherProgram);
    const QString recordPath = InstallRecord::recordPath(storedPath);
    // With a record, what the manifest's configuration changes added is
    // the record's to say, and they are not read.
    const bool recorded = QFileInfo::exists(recordPath);
    const std::optional<ExtensionInfo> manifest = ExtensionInfo::readStored(
        storedPath, recorded ? ExtensionInfo::Parts::HeaderAndFiles : ExtensionInfo::Parts::HeaderAndDetails);
    if (!manifest)
        return;
    std::optional<InstallRecord> changes;
    if (recorded) {
        changes = trustedRecord(locale, mxiName, *manifest, storedPath);
        if (!changes)
            return;
    }

    const EntriesDone done = removeEntries(editor, locale, *manifest, changes ? &*changes : nullptr);
    QStringList unfinished = done.failures;
    if (m_progress) {
        m_progress->setStatus(QStringLiteral("Removing files"));
    }
    const QString backupFolder = InstallRecord::backupFolder(storedPath);
    unfinished << removeListedFiles(locale, mxiName, *manifest, changes ? &*changes : nullptr, backupFolder);

    // Without the stored copy nothing would know what is left to remove;
    // the record keeps only that, so that a later removal does not undo
    // twice what was undone.
    if (!unfinished.isEmpty()) {
        if (changes && !m_dryRun) {
            QList<InstallRecord::Entry> left;
            for (const InstallRecord::Entry& entry : qAsConst(changes->entries)) {
                if (!done.of(entry))
                    left.append(entry);
            }
            changes->entries = left;
            QString error;
            if (!changes->write(recordPath, m_roots, &error))
                unfinished << QStringLiteral("the install record cannot be updated: %1").arg(error);
        }
        if (m_report) {
            m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::KeptUnfinished,
                unfinished.join(QStringLiteral("; ")) });
        }
        return;
    }
    if (m_dryRun) {
        if (m_report) {
            m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::Removed, QString() });
        }
        return;
    }
    removeStoredCopy(locale, mxiName, storedPath, backupFolder);
}

std::optional<InstallRecord> Remover::trustedRecord(
    const QString& locale, const QString& mxiName, const ExtensionInfo& manifest, const QString& storedPath)
{
    const QString recordPath = InstallRecord::recordPath(storedPath);
    // A record that cannot be read says nothing of what to keep, so
    // nothing is taken away by guess.
    InstallRecord changes;
    QString error;
    if (!changes.read(recordPath, m_roots, &error)) {
        if (m_report) {
            m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::KeptUnfinished,
                error + QStringLiteral("; nothing was changed") });
        }
        return std::nullopt;
    }
    // A record that names a file its install could not have written
    // was not written by it, or not only: none of it is obeyed.
    const QHash<QString, QString> refused = unwrittenFiles(locale, manifest, changes);
    if (refused.isEmpty())
        return changes;
    if (m_report) {
        for (auto file = refused.cbegin(); file != refused.cend(); ++file) {
            m_report->addFile({ locale, mxiName, file.key(), InstallReport::FileOutcome::RefusedDestination,
                QStringLiteral("named by its install record, but %1; left alone").arg(file.value()) });
        }
        m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::KeptUnfinished,
            QStringLiteral("the install record %1 names files its install could not have written; "
                           "nothing was changed")
                .arg(recordPath) });
    }
    return std::nullopt;
}

Remover::EntriesDone Remover::removeEntries(
    ConfigurationEditor& editor, const QString& locale, const ExtensionInfo& manifest, const InstallRecord* changes)
{
    QList<InstallRecord::Entry> menuEntries;
    QList<InstallRecord::Entry> insertbarEntries;
    QList<InstallRecord::Entry> otherEntries;
    if (changes) {
        for (const InstallRecord::Entry& entry : changes->entries) {
            (!entry.file.isEmpty()                                ? otherEntries
                    : ConfigurationEditor::editsMenus(entry.kind) ? menuEntries
                                                                  : insertbarEntries)
                .append(entry);
        }
    }

    EntriesDone done;
    if (m_progress) {
        m_progress->setStatus(QStringLiteral("Removing menu entries"));
    }
    done.menus = changes ? editor.removeMenuEntries(locale, menuEntries) : editor.removeMenuInserts(locale, manifest);
    if (!done.menus)
        done.failures << editor.errorString();
    if (m_progress) {
        m_progress->setStatus(QStringLiteral("Removing Insert Bar entries"));
    }
    done.buttons = changes ? editor.removeInsertbarEntries(locale, insertbarEntries)
                           : editor.removeInsertbarInserts(locale, manifest);
    if (!done.buttons)
        done.failures << editor.errorString();
    done.others = changes ? editor.removeConfigurationEntries(locale, otherEntries)
                          : editor.removeConfigurationInserts(locale, manifest);
    if (!done.others)
        done.failures << editor.errorString();
    return done;
}

bool Remover::EntriesDone::of(const InstallRecord::Entry& entry) const
{
    if (!entry.file.isEmpty())
        return others;
    return ConfigurationEditor::editsMenus(entry.kind) ? menus : buttons;
}

void Remover::removeStoredCopy(
    const QString& locale, const QString& mxiName, const QString& storedPath, const QString& backupFolder)
{
    // The record and the backups go first, so that the store folder can go with the stored copy.
    const QString recordPath = InstallRecord::recordPath(storedPath);
    QStringList leftBehind;
    if (!QFile::remove(recordPath) && QFileInfo::exists(recordPath))
        leftBehind << QStringLiteral("cannot delete the install record %1").arg(recordPath);
    if (!QDir(backupFolder).removeRecursively())
        leftBehind << QStringLiteral("cannot delete the backups in %1").arg(backupFolder);
    removeFileAndEmptyFolders(storedPath);
    if (m_report) {
        m_report->addFile({ locale, mxiName, storedPath,
            QFileInfo::exists(storedPath) || !leftBehind.isEmpty() ? InstallReport::FileOutcome::RemoveFailed
                                                                   : InstallReport::FileOutcome::Removed,
            leftBehind.join(QStringLiteral("; ")) });
    }
}
