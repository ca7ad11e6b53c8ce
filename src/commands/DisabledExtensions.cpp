#include "commands/DisabledExtensions.h"

#include "commands/KeptPackages.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/ConfigurationEditor.h"
#include "installer/InstallRecord.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"
#include "packages/PackageSupport.h"
#include "platform/CappedFile.h"
#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QLatin1String manifestName("manifest.mxi");
const QLatin1String recordName("record");
const QLatin1String filesFolder("files");
// Written last: a folder without it is a disable that never finished, which
// the list leaves out.
const QLatin1String markerName("disabled");

// The folder that exists nearest to path, with every link resolved, lies at
// or below one of the roots as they really are: writing there does not
// follow a link out.
bool staysBelow(const QString& path, const InstallRecord::Roots& roots)
{
    QString existing = QDir::cleanPath(QFileInfo(path).path());
    while (!QFileInfo::exists(existing) && QFileInfo(existing).path() != existing)
        existing = QFileInfo(existing).path();
    const QString real = QFileInfo(existing).canonicalFilePath();
    for (const QString& root : { roots.configuration, roots.home }) {
        const QString realRoot = root.isEmpty() ? QString() : QFileInfo(root).canonicalFilePath();
        if (!real.isEmpty() && !realRoot.isEmpty() && (real == realRoot || real.startsWith(realRoot + QLatin1Char('/')))
            && QDir::cleanPath(path).startsWith(QDir::cleanPath(root) + QLatin1Char('/')))
            return true;
    }
    return false;
}

QString storedPath(const DreamweaverInfo& target, const QString& locale, const QString& mxiName)
{
    return target.extensionStoreFolder(locale) + QLatin1Char('/') + mxiName;
}

} // namespace

QString DisabledExtensions::folder(const DreamweaverInfo& target, const QString& mxiName)
{
    return DataFolder::path() + QStringLiteral("/disabled/") + KeptPackages::installationKey(target) + QLatin1Char('/')
        + PackageSupport::extractedFileName(mxiName);
}

QList<ExtensionInfo> DisabledExtensions::list(const DreamweaverInfo& target)
{
    QList<ExtensionInfo> found;
    const QString root = DataFolder::path() + QStringLiteral("/disabled/") + KeptPackages::installationKey(target);
    const QStringList names = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QString& name : names) {
        const QString parked = root + QLatin1Char('/') + name;
        if (!QFileInfo(parked + QLatin1Char('/') + markerName).isFile())
            continue;
        for (const QString& locale : target.locales()) {
            const QString manifest = parked + QLatin1Char('/') + locale + QLatin1Char('/') + manifestName;
            QByteArray bytes;
            if (!QFileInfo(manifest).isFile()
                || !CappedFile::read(manifest, ExtensionInfo::maximumManifestSize, &bytes))
                continue;
            found.append(ExtensionInfo(bytes, name));
            break;
        }
    }
    return found;
}

std::optional<ExtensionInfo> DisabledExtensions::find(const DreamweaverInfo& target, const QString& idOrManifest)
{
    const QList<ExtensionInfo> disabled = list(target);
    for (const ExtensionInfo& extension : disabled) {
        if (!idOrManifest.isEmpty() && (extension.id() == idOrManifest || extension.fileName() == idOrManifest))
            return extension;
    }
    return std::nullopt;
}

bool DisabledExtensions::park(const DreamweaverInfo& target, const QString& mxiName, QString* error)
{
    const QString parked = folder(target, mxiName);
    QDir(parked).removeRecursively();
    bool any = false;
    for (const QString& locale : target.locales()) {
        const QString stored = storedPath(target, locale, mxiName);
        if (!QFileInfo(stored).isFile())
            continue;
        const QString recordPath = InstallRecord::recordPath(stored);
        if (!QFileInfo::exists(recordPath)) {
            *error = tr("it was stored without an install record (by an earlier version, or taken over from "
                        "another program), so what to put back is not known; reinstall it first");
            return false;
        }
        const InstallRecord::Roots roots = InstallRecord::roots(target, locale);
        InstallRecord record;
        QByteArray manifest;
        if (!record.read(recordPath, roots, error)
            || !CappedFile::read(stored, ExtensionInfo::maximumManifestSize, &manifest, error))
            return false;
        const QString localeFolder = parked + QLatin1Char('/') + locale;
        // A link in the data folder must not carry the parked files elsewhere.
        if (QDir().mkpath(localeFolder + QLatin1Char('/') + filesFolder)
            && !QFileInfo(localeFolder)
                    .canonicalFilePath()
                    .startsWith(QFileInfo(DataFolder::path()).canonicalFilePath() + QLatin1Char('/'))) {
            *error = tr("%1 leads out of %2 through a link")
                         .arg(QDir::toNativeSeparators(localeFolder), QDir::toNativeSeparators(DataFolder::path()));
            return false;
        }
        if (!QDir().mkpath(localeFolder + QLatin1Char('/') + filesFolder)
            || !PackageSupport::writeFileAtomically(localeFolder, manifestName, manifest)
            || !record.write(localeFolder + QLatin1Char('/') + recordName, roots, error)) {
            if (error->isEmpty())
                *error = tr("%1 cannot be written").arg(QDir::toNativeSeparators(localeFolder));
            return false;
        }
        for (int i = 0; i < record.files.size(); ++i) {
            // A file that is gone, or was replaced by a link, has nothing to put back.
            const QFileInfo file(record.files.at(i).path);
            if (file.isSymLink() || !file.isFile())
                continue;
            const QString copy = localeFolder + QLatin1Char('/') + filesFolder + QLatin1Char('/') + QString::number(i);
            if (!QFile::copy(file.filePath(), copy)) {
                *error = tr("%1 cannot be copied to %2")
                             .arg(QDir::toNativeSeparators(file.filePath()), QDir::toNativeSeparators(copy));
                return false;
            }
        }
        any = true;
    }
    if (!any)
        *error = tr("it is stored in no locale");
    return any;
}

bool DisabledExtensions::markDisabled(const DreamweaverInfo& target, const QString& mxiName, QString* error)
{
    const QString parked = folder(target, mxiName);
    if (PackageSupport::writeFileAtomically(parked, markerName, QByteArray()))
        return true;
    *error = tr("%1 cannot be written").arg(QDir::toNativeSeparators(parked + QLatin1Char('/') + markerName));
    return false;
}

QStringList DisabledExtensions::storedAgain(const DreamweaverInfo& target, const QString& mxiName)
{
    QStringList locales;
    const QString parked = folder(target, mxiName);
    for (const QString& locale : target.locales()) {
        if (QFileInfo::exists(parked + QLatin1Char('/') + locale + QLatin1Char('/') + manifestName)
            && QFileInfo::exists(target.storedManifestPath(locale, mxiName)))
            locales << locale;
    }
    return locales;
}

bool DisabledExtensions::restore(
    const DreamweaverInfo& target, const QString& mxiName, InstallReport& report, QString* error)
{
    const QString parked = folder(target, mxiName);
    ConfigurationEditor editor(target, &report);
    for (const QString& locale : target.locales()) {
        const QString localeFolder = parked + QLatin1Char('/') + locale;
        const QString stored = storedPath(target, locale, mxiName);
        if (!QFileInfo::exists(localeFolder + QLatin1Char('/') + manifestName) || QFileInfo::exists(stored))
            continue;
        const InstallRecord::Roots roots = InstallRecord::roots(target, locale);
        QByteArray bytes;
        InstallRecord parkedRecord;
        if (!CappedFile::read(
                localeFolder + QLatin1Char('/') + manifestName, ExtensionInfo::maximumManifestSize, &bytes, error)
            || !parkedRecord.read(localeFolder + QLatin1Char('/') + recordName, roots, error))
            return false;
        // The manifest copy first, as an install stores it: an extension
        // whose files then fail is listed, and can be removed.
        if (!PackageSupport::writeFileAtomically(target.extensionStoreFolder(locale), mxiName, bytes)) {
            *error = tr("the manifest copy %1 cannot be written").arg(QDir::toNativeSeparators(stored));
            return false;
        }
        report.addFile({ locale, mxiName, stored, InstallReport::FileOutcome::Written, QString() });
        InstallRecord changes;
        changes.installedAt = parkedRecord.installedAt;
        changes.package = parkedRecord.package;
        const QString backupFolder = InstallRecord::backupFolder(stored);
        for (int i = 0; i < parkedRecord.files.size(); ++i) {
            const QString path = parkedRecord.files.at(i).path;
            const QString copy = localeFolder + QLatin1Char('/') + filesFolder + QLatin1Char('/') + QString::number(i);
            if (!QFileInfo(copy).isFile())
                continue;
            // The parked record is a file like any other: it may not steer a
            // write out of the folders an install writes, or onto a managed file.
            QString refusal = Installer::managedFileReason(target, path, locale);
            if (refusal.isEmpty() && (QFileInfo(path).isSymLink() || !staysBelow(path, roots)))
                refusal = tr("%1 leads out of the folders an install writes").arg(QDir::toNativeSeparators(path));
            QByteArray data;
            QString backup;
            if (refusal.isEmpty() && !CappedFile::read(copy, PackageSupport::maxEntrySize, &data, &refusal))
                refusal = refusal.isEmpty() ? tr("%1 cannot be read").arg(copy) : refusal;
            // What stands there now (the user's file the install had replaced) is kept again.
            if (refusal.isEmpty() && QFileInfo(path).isFile()) {
                backup = InstallRecord::backUp(path, backupFolder);
                if (backup.isEmpty())
                    refusal = tr("no copy of the file it would replace could be kept");
            }
            if (refusal.isEmpty()
                && !PackageSupport::writeFileAtomically(QFileInfo(path).path(), QFileInfo(path).fileName(), data)) {
                if (!backup.isEmpty())
                    QFile::remove(backupFolder + QLatin1Char('/') + backup);
                refusal = tr("it cannot be written");
            }
            if (!refusal.isEmpty()) {
                report.addFile({ locale, path, path, InstallReport::FileOutcome::WriteFailed, refusal });
                continue;
            }
            changes.files.append({ path, backup });
            report.addFile({ locale, path, path, InstallReport::FileOutcome::Written, QString() });
        }
        const ExtensionInfo manifest(bytes, mxiName, ExtensionInfo::Parts::HeaderAndDetails);
        editor.setRecord(&changes);
        editor.addMenuInserts(locale, manifest);
        editor.addInsertbarInserts(locale, manifest);
        editor.addConfigurationInserts(locale, manifest);
        editor.setRecord(nullptr);
        QString unwritten;
        if (!changes.write(InstallRecord::recordPath(stored), roots, &unwritten))
            report.addFile({ locale, mxiName, InstallRecord::recordPath(stored),
                InstallReport::FileOutcome::WriteFailed, unwritten });
    }
    return true;
}

QString DisabledExtensions::keptPackage(const DreamweaverInfo& target, const QString& mxiName)
{
    const QString parked = folder(target, mxiName);
    for (const QString& locale : target.locales()) {
        InstallRecord record;
        QString unreadable;
        const QString path = parked + QLatin1Char('/') + locale + QLatin1Char('/') + recordName;
        if (QFileInfo::exists(path) && record.read(path, InstallRecord::roots(target, locale), &unreadable)
            && !record.package.isEmpty())
            return record.package;
    }
    return QString();
}

bool DisabledExtensions::discard(const DreamweaverInfo& target, const QString& mxiName)
{
    const bool removed = QDir(folder(target, mxiName)).removeRecursively();
    QDir().rmdir(QFileInfo(folder(target, mxiName)).path());
    return removed;
}
