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
#include "platform/Environment.h"
#include "platform/WindowsPathKey.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// Why a name Windows would not take as a plain file or folder name, or empty:
// a stream suffix ("Menus.xml::$DATA" is Menus.xml), a device ("CON",
// "com1.txt") or the shape of a short name ("INSERT~1.XML" may be
// insertbar.xml), any of which would reach something other than the file
// the name spells.
QString windowsNameProblem(const QString& name)
{
    if (name.contains(QLatin1Char(':'))) {
        return QStringLiteral("%1 names a stream or a drive").arg(name);
    }
    QString trimmed = name;
    while (trimmed.endsWith(QLatin1Char('.')) || trimmed.endsWith(QLatin1Char(' '))) {
        trimmed.chop(1);
    }
    const QString stem = trimmed.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList devices { QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
        QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"), QStringLiteral("CLOCK$") };
    const bool numbered = stem.size() == 4
        && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) && stem.at(3).isDigit();
    if (devices.contains(stem) || numbered) {
        return QStringLiteral("%1 names a device").arg(name);
    }
    static const QRegularExpression shortName(QStringLiteral("^[^.~]{1,6}~[0-9]{1,6}(\\.[^.]{0,3})?$"));
    if (shortName.match(trimmed).hasMatch()) {
        return QStringLiteral("%1 has the shape of a short name, which may stand for another file").arg(name);
    }
    return QString();
}

// The path with every symbolic link of the part that exists resolved: where
// a write would really land.
QString realPath(const QString& path)
{
    QString existing = QDir::cleanPath(path);
    QStringList rest;
    while (!QFileInfo::exists(existing) && existing != QFileInfo(existing).path()) {
        rest.prepend(QFileInfo(existing).fileName());
        existing = QFileInfo(existing).path();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath(
        (canonical.isEmpty() ? existing : canonical) + QLatin1Char('/') + rest.join(QLatin1Char('/')));
}

// The folders whose files start with the user's session, on Windows and on
// the desktops of Linux (which a Wine profile's folders may lead to): a
// package file there would run at every logon.
QStringList autostartFolders()
{
    const QString startup = QStringLiteral("/Microsoft/Windows/Start Menu/Programs/Startup");
    QStringList folders;
    const QString home = Environment::variable("USERPROFILE").replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString& roaming : { Environment::variable("APPDATA"), home + QStringLiteral("/AppData/Roaming"),
             Environment::variable("ALLUSERSPROFILE") }) {
        if (!roaming.isEmpty()) {
            folders << QString(roaming).replace(QLatin1Char('\\'), QLatin1Char('/')) + startup;
        }
    }
    const QString configuration = qEnvironmentVariable("XDG_CONFIG_HOME");
    folders << QDir::homePath() + QStringLiteral("/.config/autostart") << home + QStringLiteral("/.config/autostart");
    if (!configuration.isEmpty()) {
        folders << configuration + QStringLiteral("/autostart");
    }
    return folders;
}

// Why key (see WindowsPathKey) is not a package's to write outside the
// locale it is installed into, or empty.
QString dreamweaverFolderReason(const DreamweaverInfo& dreamweaver, const QString& key)
{
    // Every other locale and installation keeps its configuration files,
    // store, records and backups below its per-user folder, and Dreamweaver
    // its own below its program folder: a package installed into one
    // locale has no business in any of them, whatever token led there.
    QList<DreamweaverInfo::NeighbourFolder> known = dreamweaver.neighbourFolders();
    known.prepend({ dreamweaver.name(), dreamweaver.installFolder() });
    known.prepend({ dreamweaver.name(), dreamweaver.userFolder() });
    for (const DreamweaverInfo::NeighbourFolder& other : std::as_const(known)) {
        if (!other.folder.isEmpty() && WindowsPathKey::isAtOrBelow(key, WindowsPathKey::of(other.folder)))
            return QStringLiteral("%1 belongs to %2").arg(QDir::toNativeSeparators(other.folder), other.installation);
    }
    // Installations not in the list (not found, or of versions it leaves
    // out) keep theirs in the same places.
    const QString home = Environment::variable("USERPROFILE").replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString& roaming :
        { Environment::variable("APPDATA"), home.isEmpty() ? QString() : home + QStringLiteral("/AppData/Roaming") }) {
        for (const char* vendor : { "/adobe/", "/macromedia/" }) {
            const QString vendorKey
                = roaming.isEmpty() ? QString() : WindowsPathKey::of(roaming) + QLatin1String(vendor);
            if (!vendorKey.isEmpty() && key.startsWith(vendorKey)
                && key.mid(vendorKey.size()).startsWith(QLatin1String("dreamweaver"))) {
                return QStringLiteral("it lies in a Dreamweaver per-user folder");
            }
        }
    }
    return QString();
}

// The keys (see WindowsPathKey) of autostartFolders, as spelt and as
// reached through links.
QStringList autostartKeys()
{
    QStringList keys;
    for (const QString& place : autostartFolders()) {
        keys << WindowsPathKey::of(place) << WindowsPathKey::of(realPath(place));
    }
    return keys;
}

// Tokens of folders outside the user's Dreamweaver and home folder: a
// per-user install has no business writing there.
const QStringList systemTokens { QStringLiteral("$dreamweaver"), QStringLiteral("$installfolder"),
    QStringLiteral("$dreamweaverapp"), QStringLiteral("$userbinfolder"), QStringLiteral("$sharedextensionfolder"),
    QStringLiteral("$userdatafolder"), QStringLiteral("$userroamingfolder"), QStringLiteral("$shareddatafolder"),
    QStringLiteral("$fonts"), QStringLiteral("$system"), QStringLiteral("$system64"),
    QStringLiteral("$extensionspecificemstore"), QStringLiteral("$resourceroot"), QStringLiteral("$locale") };

using PackageSupport::withExistingCase;

// See Installer::targetFolder.
QString resolvedFolder(
    const DreamweaverInfo& dreamweaver, const QString& destination, const QString& locale, QString* reason)
{
    QString text = destination;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList names = text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (names.isEmpty()) {
        *reason = QStringLiteral("empty destination");
        return QString();
    }
    const QString token = names.takeFirst().toLower();
    QString root;
    // The folder that paths may not climb out of.
    QString fence;
    if ((token == QLatin1String("$dreamweaver") || token == QLatin1String("$installfolder")) && !names.isEmpty()
        && names.first().compare(QLatin1String("configuration"), Qt::CaseInsensitive) == 0) {
        names.removeFirst();
        root = fence = dreamweaver.configurationFolder(locale);
    } else if (token == QLatin1String("$userhomefolder") || token == QLatin1String("$userdesktopfolder")
        || token == QLatin1String("$userdocumentfolder")) {
        fence = Environment::variable("USERPROFILE").replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (fence.isEmpty()) {
            *reason = QStringLiteral("USERPROFILE is not set, so %1 names no folder").arg(token);
            return QString();
        }
        root = token == QLatin1String("$userhomefolder")
            ? fence
            : withExistingCase(fence,
                { token == QLatin1String("$userdesktopfolder") ? QStringLiteral("Desktop")
                                                               : QStringLiteral("Documents") });
    } else if (systemTokens.contains(token)) {
        *reason = QStringLiteral("%1 names a folder outside the user's Dreamweaver configuration and home folder")
                      .arg(destination);
        return QString();
    } else if (token.startsWith(QLatin1Char('$'))) {
        *reason = QStringLiteral("%1 is not a folder token this installer knows").arg(token);
        return QString();
    } else {
        *reason = QStringLiteral("%1 starts with no folder token").arg(destination);
        return QString();
    }
    if (QDir::isRelativePath(fence)) {
        *reason = QStringLiteral("the folder of %1 is relative").arg(destination);
        return QString();
    }
    const QString folder = QDir::cleanPath(root + QLatin1Char('/') + names.join(QLatin1Char('/')));
    if (!WindowsPathKey::isAtOrBelow(folder, QDir::cleanPath(fence))) {
        *reason = QStringLiteral("%1 climbs out of its folder").arg(destination);
        return QString();
    }
    for (const QString& name : qAsConst(names)) {
        const QString problem = windowsNameProblem(name);
        if (!problem.isEmpty()) {
            *reason = QStringLiteral("%1: %2").arg(destination, problem);
            return QString();
        }
    }
    // "$userdesktopfolder/../Documents" stays home, but leaves the Desktop.
    const QString base
        = WindowsPathKey::isAtOrBelow(folder, QDir::cleanPath(root)) ? QDir::cleanPath(root) : QDir::cleanPath(fence);
    const QString found = withExistingCase(base, folder.mid(base.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts));
    // A symbolic link below the root may lead anywhere; the root itself may
    // be one (a Wine profile's Documents is a link to the Linux folder).
    const QString real = realPath(found);
    if (!WindowsPathKey::isAtOrBelow(real, realPath(base))) {
        *reason = QStringLiteral("%1 leads through a symbolic link out of its folder").arg(destination);
        return QString();
    }
    // The configuration folder holds no autostart place, and the check
    // costs a look at each: only the home tokens need it.
    const QString foundKey = WindowsPathKey::of(found), realKey = WindowsPathKey::of(real);
    const QStringList autostart
        = fence == root && root == dreamweaver.configurationFolder(locale) ? QStringList() : autostartKeys();
    for (const QString& place : autostart) {
        if (WindowsPathKey::isAtOrBelow(foundKey, place) || WindowsPathKey::isAtOrBelow(realKey, place)) {
            *reason = QStringLiteral("%1 is a folder whose programs start with the user's session").arg(destination);
            return QString();
        }
    }
    return found;
}

} // namespace

Installer::Installer(const DreamweaverInfo& dreamweaver, IProgress* progress, InstallReport* report)
    : m_dreamweaver(dreamweaver)
    , m_progress(progress)
    , m_report(report ? report : &m_ownReport)
    , m_maxExtractedTotal(PackageSupport::maxExtractedTotal)
{
}

QString Installer::targetFolder(
    const DreamweaverInfo& dreamweaver, const FileEntry& entry, const QString& locale, QString* reason)
{
    QString refusal;
    const QString folder = resolvedFolder(dreamweaver, entry.destination, locale, &refusal);
    if (reason) {
        *reason = refusal;
    }
    return folder;
}

QList<FileEntry> Installer::packageFiles(IPackage& package, const QList<FileEntry>& listed)
{
    const auto endsInSlash
        = [](const QString& source) { return source.endsWith(QLatin1Char('/')) || source.endsWith(QLatin1Char('\\')); };
    QStringList names;
    if (std::any_of(listed.cbegin(), listed.cend(),
            [&](const FileEntry& entry) { return endsInSlash(entry.source) || package.entrySize(entry.source) < 0; })) {
        names = package.entryNames();
    }
    // Manifests name entries as Windows would find them; the first of
    // several entries that differ only so is the one taken.
    QHash<QString, QString> nameOf;
    QStringList comparableNames;
    comparableNames.reserve(names.size());
    for (const QString& name : qAsConst(names)) {
        comparableNames << PackageSupport::comparableEntryName(name);
        if (!nameOf.contains(comparableNames.last())) {
            nameOf.insert(comparableNames.last(), name);
        }
    }
    const auto known = [&](const QString& name) {
        const QString below = name.endsWith(QLatin1Char('/')) ? name : name + QLatin1Char('/');
        return nameOf.contains(name)
            || std::any_of(comparableNames.cbegin(), comparableNames.cend(),
                [&](const QString& other) { return other.startsWith(below); });
    };
    QList<FileEntry> files;
    for (const FileEntry& entry : listed) {
        QString folder = PackageSupport::comparableEntryName(entry.source);
        // A package built on a Mac may separate folders with colons, which no
        // Windows file name can hold: read so only where nothing else matches.
        if (package.entrySize(entry.source) < 0 && folder.contains(QLatin1Char(':')) && !known(folder)) {
            const QString mac = QString(folder).replace(QLatin1Char(':'), QLatin1Char('/'));
            if (known(mac)) {
                folder = mac;
            }
        }
        const bool slashed = endsInSlash(entry.source) || folder.endsWith(QLatin1Char('/'));
        if (!slashed && package.entrySize(entry.source) < 0 && nameOf.contains(folder)) {
            FileEntry file = entry;
            file.source = nameOf.value(folder);
            files.append(file);
            continue;
        }
        if (!folder.endsWith(QLatin1Char('/'))) {
            folder += QLatin1Char('/');
        }
        const bool wholeFolder = slashed
            || (package.entrySize(entry.source) < 0
                && std::any_of(comparableNames.cbegin(), comparableNames.cend(),
                    [&](const QString& name) { return name.startsWith(folder); }));
        if (!wholeFolder) {
            files.append(entry);
            continue;
        }
        for (int i = 0; i < names.size(); ++i) {
            const QString& name = names.at(i);
            if (!comparableNames.at(i).startsWith(folder) || name.endsWith(QLatin1Char('/'))) {
                continue;
            }
            FileEntry file = entry;
            file.source = name;
            const QString subfolder = QFileInfo(name.mid(folder.size())).path();
            if (subfolder != QLatin1String(".")) {
                file.destination += QLatin1Char('/') + subfolder;
            }
            files.append(file);
        }
    }
    return files;
}

bool Installer::mayNameFolder(const QString& source)
{
    return source.endsWith(QLatin1Char('/')) || source.endsWith(QLatin1Char('\\'))
        || !PackageSupport::extractedFileName(source).contains(QLatin1Char('.'));
}

QString Installer::managedFileReason(const DreamweaverInfo& dreamweaver, const QString& path, const QString& locale)
{
    const QString key = WindowsPathKey::of(path);
    if (!WindowsPathKey::isAtOrBelow(key, WindowsPathKey::of(dreamweaver.configurationFolder(locale)))) {
        return dreamweaverFolderReason(dreamweaver, key);
    }
    if (WindowsPathKey::isAtOrBelow(key, WindowsPathKey::of(dreamweaver.extensionStoreFolder(locale)))) {
        return QStringLiteral("the store of installed manifests is managed by the installer");
    }
    // Below a managed file as well: a folder created under that name would
    // keep the file itself from ever being written.
    QStringList managed = ConfigurationEditor(dreamweaver, nullptr).managedPaths(locale);
    managed << dreamweaver.configurationFolder(locale) + QStringLiteral("/version.xml");
    for (const QString& managedPath : qAsConst(managed)) {
        if (WindowsPathKey::isAtOrBelow(key, WindowsPathKey::of(managedPath))) {
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

namespace {

// The reader for a package file, by the path's lower-cased suffix; null for any other.
std::unique_ptr<IPackage> openPackage(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("zxp")) {
        return std::make_unique<ZXP>(path);
    }
    if (suffix == QLatin1String("mxp")) {
        return std::make_unique<MXP>(path);
    }
    return nullptr;
}

} // namespace

Installer::Manifest Installer::readManifest(const QString& path)
{
    Manifest manifest;
    if (const std::unique_ptr<IPackage> package = openPackage(path)) {
        const QString mxiName = package->mxiFileName();
        if (!mxiName.isEmpty()) {
            manifest.bytes = package->readFile(mxiName);
        }
        manifest.info = ExtensionInfo(manifest.bytes, mxiName, ExtensionInfo::Parts::HeaderAndDetails);
    }
    return manifest;
}

bool Installer::installPackage(const QString& path)
{
    if (const std::unique_ptr<IPackage> package = openPackage(path)) {
        return installFromPackage(*package);
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
    const bool given = m_manifest && !m_manifest->bytes.isEmpty() && m_manifest->info.fileName() == mxiName;
    const QByteArray bytes = given ? m_manifest->bytes : package.readFile(mxiName);
    if (bytes.isEmpty()) {
        if (m_report) {
            m_report->setError(QStringLiteral("the manifest %1 cannot be read").arg(mxiName));
        }
        return false;
    }
    std::optional<ExtensionInfo> parsed;
    const ExtensionInfo& record
        = given ? m_manifest->info : parsed.emplace(bytes, mxiName, ExtensionInfo::Parts::HeaderAndDetails);
    const QList<FileEntry> allFiles = packageFiles(package, record.files());
    m_writtenPaths.clear();

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
        // Written from the bytes already read: the package need not inflate them again.
        const QString storedName = PackageSupport::extractedFileName(mxiName);
        FileFailure failure;
        if (!storeProblem.isEmpty()
            || (!m_dryRun
                && (storedName.isEmpty()
                    || !PackageSupport::writeFileAtomically(store, storedName, bytes, &failure)))) {
            if (m_report) {
                m_report->addFile(
                    { locale, mxiName, storedPath, InstallReport::FileOutcome::WriteFailed, failure.describe() });
                m_report->setError(storeProblem.isEmpty()
                        ? QStringLiteral("the manifest copy %1 cannot be written").arg(storedPath)
                            + (failure.isFailure() ? QStringLiteral(": ") + failure.describe() : QString())
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
            if (!storedBefore || !changes->read(recordPath, InstallRecord::roots(m_dreamweaver, locale), &unreadable)) {
                changes->installedAt = QDateTime::currentMSecsSinceEpoch();
            }
        }
        const QString backupFolder = InstallRecord::backupFolder(storedPath);

        QList<FileEntry> files;
        for (const FileEntry& entry : qAsConst(allFiles)) {
            if (entry.appliesTo(locale)) {
                files.append(entry);
            }
        }
        if (m_progress) {
            m_progress->setMaximum(files.size());
        }
        int done = 0;
        qint64 extractedTotal = 0;
        const int filesBefore = m_report ? m_report->files().size() : 0;
        for (const FileEntry& entry : files) {
            extractListedFile(package, entry, locale, extractedTotal, changes ? &*changes : nullptr, backupFolder);
            if (m_progress) {
                m_progress->setValue(++done);
            }
        }
        // Entries that would point at a file this install skipped stay out.
        QStringList skipped;
        const QList<InstallReport::FileResult> written
            = m_report ? m_report->files() : QList<InstallReport::FileResult>();
        for (int i = filesBefore; i < written.size(); ++i) {
            if (written.at(i).outcome != InstallReport::FileOutcome::Written && !written.at(i).path.isEmpty()) {
                skipped << written.at(i).path;
            }
        }
        editor.setSkippedFiles(skipped);

        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Adding menu entries"));
        }
        editor.setRecord(changes ? &*changes : nullptr);
        editor.addMenuInserts(locale, record);
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Adding Insert Bar entries"));
        }
        editor.addInsertbarInserts(locale, record);
        if (!record.configurationInserts().isEmpty() && m_progress) {
            m_progress->setStatus(QStringLiteral("Adding other configuration changes"));
        }
        editor.addConfigurationInserts(locale, record);
        editor.setRecord(nullptr);
        if (!changes) {
            continue;
        }
        QString error;
        if (!changes->write(recordPath, InstallRecord::roots(m_dreamweaver, locale), &error)) {
            m_report->addFile({ locale, mxiName, recordPath, InstallReport::FileOutcome::WriteFailed, error });
        }
    }
    return true;
}

void Installer::extractListedFile(IPackage& package, const FileEntry& entry, const QString& locale,
    qint64& extractedTotal, InstallRecord* changes, const QString& backupFolder)
{
    QString refusal;
    const QString folder = targetFolder(m_dreamweaver, entry, locale, &refusal);
    if (folder.isEmpty()) {
        if (m_report) {
            m_report->addFile(
                { locale, entry.source, QString(), InstallReport::FileOutcome::RefusedDestination, refusal });
        }
        return;
    }
    const QString fileName = PackageSupport::extractedFileName(entry.source);
    const QString path = fileName.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
    QString managed = path.isEmpty() ? QString() : managedFileReason(m_dreamweaver, path, locale);
    if (managed.isEmpty() && !path.isEmpty()) {
        managed = windowsNameProblem(fileName);
    }
    // Replacing a link would lose it (its backup would hold what it points
    // to), and writing through it would land anywhere.
    if (managed.isEmpty() && QFileInfo(path).isSymLink()) {
        managed = QStringLiteral("%1 is a symbolic link, which a package file does not replace").arg(path);
    }
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
        const bool readable = !fileName.isEmpty() && package.checkFile(entry.source);
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
    const QString key = InstallRecord::pathKey(path);
    const bool held = changes && (changes->indexOf(path) >= 0 || m_writtenPaths.contains(key));
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
            m_writtenPaths.insert(key);
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
    const FileFailure failure = package.writeFailure();
    const bool readable = !fileName.isEmpty() && !package.readFile(entry.source).isEmpty();
    m_report->addFile({ locale, entry.source, path,
        readable ? InstallReport::FileOutcome::WriteFailed : InstallReport::FileOutcome::MissingFromPackage,
        readable ? failure.describe() : QString() });
}
