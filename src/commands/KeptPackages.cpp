#include "commands/KeptPackages.h"

#include "commands/StoreClient.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/InstallRecord.h"
#include "packages/PackageSupport.h"
#include "platform/CappedFile.h"
#include "platform/DataFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

const QLatin1String packagesFolder("packages");

// A name from a manifest or an installation, as a file name that means the
// same on every system: the manifest's author chose it.
QString safeName(const QString& text)
{
    QString name;
    for (const QChar c : text) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || c == QLatin1Char('-') || c == QLatin1Char('_') || (c == QLatin1Char('.') && !name.isEmpty());
        name += plain ? c : QLatin1Char('_');
        if (name.size() == 64)
            break;
    }
    return name.isEmpty() ? QStringLiteral("_") : name;
}

// path's folder, with every link resolved, lies at or below folder's.
bool isBelow(const QString& path, const QString& folder)
{
    const QString real = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    return !real.isEmpty() && !root.isEmpty() && (real == root || real.startsWith(root + QLatin1Char('/')));
}

} // namespace

QString KeptPackages::installationKey(const DreamweaverInfo& target)
{
    const QByteArray hash = QCryptographicHash::hash(
        InstallRecord::pathKey(QDir::cleanPath(target.userFolder())).toUtf8(), QCryptographicHash::Sha1);
    return safeName(target.name()) + QLatin1Char('-') + QString::fromLatin1(hash.toHex().left(12));
}

bool KeptPackages::isKept(const QString& path)
{
    return isBelow(path, DataFolder::path() + QLatin1Char('/') + packagesFolder);
}

QString KeptPackages::resolve(const QString& relative)
{
    if (relative.isEmpty())
        return QString();
    const QString path = QDir::cleanPath(DataFolder::path() + QLatin1Char('/') + relative);
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || !isKept(path))
        return QString();
    return path;
}

void KeptPackages::discard(const QString& relative)
{
    const QString path = resolve(relative);
    if (path.isEmpty())
        return;
    QFile::remove(path);
    // The installation's folder goes with its last package.
    QDir().rmdir(QFileInfo(path).path());
}

QString KeptPackages::recordedPackage(const DreamweaverInfo& target, const QString& locale, const QString& recordPath)
{
    InstallRecord record;
    QString unreadable;
    if (!QFileInfo::exists(recordPath) || !record.read(recordPath, InstallRecord::roots(target, locale), &unreadable))
        return QString();
    return record.package;
}

bool KeptPackages::keep(
    const DreamweaverInfo& target, const QString& path, const ExtensionInfo& package, QString* error)
{
    const QFileInfo source(path);
    if (!source.isFile()) {
        *error = tr("%1 is not a regular file").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QByteArray bytes;
    if (!CappedFile::read(path, StoreClient::maximumPackageSize, &bytes, error))
        return false;
    const QString key = installationKey(target);
    const QString relativeFolder = packagesFolder + QLatin1Char('/') + key;
    const QString folder = DataFolder::subfolder(relativeFolder);
    // A link in the data folder must not carry the copy somewhere else.
    if (folder.isEmpty() || !isBelow(folder + QStringLiteral("/x"), DataFolder::path())) {
        *error = tr("the folder %1 cannot be made")
                     .arg(QDir::toNativeSeparators(DataFolder::path() + QLatin1Char('/') + relativeFolder));
        return false;
    }
    const QString name = safeName(package.id().isEmpty() ? package.name() : package.id()) + QLatin1Char('-')
        + safeName(package.version()) + QLatin1Char('.') + source.suffix().toLower();
    if (!PackageSupport::writeFileAtomically(folder, name, bytes)) {
        *error = tr("%1 cannot be written").arg(QDir::toNativeSeparators(folder + QLatin1Char('/') + name));
        return false;
    }
    const QString relative = relativeFolder + QLatin1Char('/') + name;
    const QString stored = PackageSupport::extractedFileName(package.fileName());
    for (const QString& locale : target.locales()) {
        const QString recordPath
            = InstallRecord::recordPath(target.extensionStoreFolder(locale) + QLatin1Char('/') + stored);
        if (!QFileInfo::exists(recordPath))
            continue;
        InstallRecord record;
        const InstallRecord::Roots roots = InstallRecord::roots(target, locale);
        if (!record.read(recordPath, roots, error))
            return false;
        record.package = relative;
        if (!record.write(recordPath, roots, error))
            return false;
    }
    return true;
}
