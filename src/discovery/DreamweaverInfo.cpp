#include "discovery/DreamweaverInfo.h"

#include "discovery/DreamweaverList.h"
#include "discovery/ExtensionDatabase.h"
#include "discovery/ProgramFolders.h"
#include "platform/CappedFile.h"
#include "platform/Environment.h"
#include "platform/FolderFiles.h"
#include "platform/Registry.h"
#include "platform/WindowsPathKey.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Whether the database's record and a scanned one are one installation: the
// same per-user folder, or, where the database's folder is gone, the same
// version to its minor number (the database writes 17.0 for version.xml's 17.0.1).
bool isSameInstallation(const DreamweaverInfo& fromDatabase, const DreamweaverInfo& scanned, bool folderExists)
{
    if (WindowsPathKey::of(fromDatabase.userFolder()) == WindowsPathKey::of(scanned.userFolder()))
        return true;
    return !folderExists && !fromDatabase.version().isEmpty()
        && fromDatabase.versionNumbers()[0] == scanned.versionNumbers()[0]
        && fromDatabase.versionNumbers()[1] == scanned.versionNumbers()[1];
}

// What places an extension in the installed list: the publisher's own
// first, then by author, then by name.
struct ListingKey
{
    explicit ListingKey(const ExtensionInfo& extension)
        : author(extension.author())
        , name(extension.name())
    {
        static const QString publisher = QStringLiteral("Velkor");
        isPublisher = author == publisher;
    }

    bool operator<(const ListingKey& other) const
    {
        if (isPublisher != other.isPublisher)
            return isPublisher;
        if (author != other.author)
            return author < other.author;
        return name < other.name;
    }

    QString author;
    QString name;
    bool isPublisher = false;
};

} // namespace

DreamweaverInfo::DreamweaverInfo(
    const QString& name, const QString& vendor, const QString& userFolder, const QStringList& locales)
    : m_name(name)
    , m_vendor(vendor)
    , m_userFolder(userFolder)
    , m_locales(locales)
{
    if (m_locales.isEmpty())
        m_locales.append(QString());
}

void DreamweaverInfo::setVersion(const QString& text)
{
    m_version = text;
    m_versionNumbers = VersionNumber(text).numbers();
}

QString DreamweaverInfo::localeFolder(const QString& locale) const
{
    if (locale.isEmpty())
        return m_userFolder;
    return m_userFolder + QLatin1Char('/') + locale;
}

QString DreamweaverInfo::configurationFolder(const QString& locale) const
{
    return localeFolder(locale) + QStringLiteral("/Configuration");
}

QString DreamweaverInfo::extensionStoreFolder(const QString& locale) const
{
    return configurationFolder(locale) + QStringLiteral("/Shared/Velkor/MXI");
}

QString DreamweaverInfo::otherProgramFolder(const QString& locale) const
{
    return configurationFolder(locale) + QStringLiteral("/Extensions");
}

QString DreamweaverInfo::storedManifestPath(const QString& locale, const QString& mxiName, bool otherProgram) const
{
    const QString folder = otherProgram ? otherProgramFolder(locale) : extensionStoreFolder(locale);
    const QString exact = folder + QLatin1Char('/') + mxiName;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList names = QDir(folder).entryList({ mxiName }, QDir::Files, QDir::Unsorted);
    for (const QString& name : names) {
        if (name.compare(mxiName, Qt::CaseInsensitive) == 0)
            return folder + QLatin1Char('/') + name;
    }
    return exact;
}

const ExtensionInfo* DreamweaverInfo::findExtension(const QString& id) const
{
    for (const ExtensionInfo& extension : m_extensions) {
        if (extension.id() == id)
            return &extension;
    }
    return nullptr;
}

void DreamweaverInfo::loadInstalledExtensions()
{
    m_extensions.clear();
    // The names already read, in lower case: a file of the same name in a
    // later locale, or in another program's folder, is the same extension
    // (Windows names one file in any case). One folder holds each name once.
    QSet<QString> listed;
    for (const bool otherProgram : { false, true }) {
        for (int i = 0; i < m_locales.size(); ++i) {
            // Each manifest is read through its open folder. The name is matched
            // here as "*.mxi" would match it, case aside, without a pattern run
            // on every entry; hidden files and broken links stay out as before.
            const FolderFiles folder(
                otherProgram ? otherProgramFolder(m_locales.at(i)) : extensionStoreFolder(m_locales.at(i)));
            const int first = m_extensions.size();
            for (const FolderFiles::File& file : folder.files()) {
                if (file.name.endsWith(QLatin1String(".mxi"), Qt::CaseInsensitive)
                    && (listed.isEmpty() || !listed.contains(file.name.toLower()))) {
                    m_extensions.append(ExtensionInfo(folder, file));
                    m_extensions.last().setInstalledByOtherProgram(otherProgram);
                }
            }
            for (int k = first; k < m_extensions.size(); ++k)
                listed.insert(m_extensions.at(k).fileName().toLower());
        }
    }
    // Sorted by keys taken once, not by the extensions themselves: a
    // comparison then copies no strings and a swap moves no extension. The
    // same sort with the same comparisons leaves ties as sorting the list did.
    std::vector<std::pair<ListingKey, int>> keys;
    keys.reserve(size_t(m_extensions.size()));
    for (int i = 0; i < m_extensions.size(); ++i)
        keys.emplace_back(ListingKey(m_extensions.at(i)), i);
    std::sort(keys.begin(), keys.end(),
        [](const std::pair<ListingKey, int>& a, const std::pair<ListingKey, int>& b) { return a.first < b.first; });
    QList<ExtensionInfo> sorted;
    sorted.reserve(m_extensions.size());
    for (const auto& key : keys)
        sorted.append(std::move(m_extensions[key.second]));
    m_extensions = std::move(sorted);
}

bool DreamweaverInfo::isNewerThan(const DreamweaverInfo& a, const DreamweaverInfo& b)
{
    return a.m_versionNumbers > b.m_versionNumbers;
}

QStringList DreamweaverInfo::localeSubfolders(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral("??_??") }, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
}

DreamweaverList DreamweaverInfo::buildDreamweaverList(const QString& exManDbPath)
{
    DreamweaverList list;
    QList<DreamweaverInfo>& installations = list.installations;
    QList<DiscoveryFinding>& findings = list.findings;
    QList<DiscoveryFinding> databaseFindings;
    const QList<DreamweaverInfo> fromDatabase = readExtensionDatabase(exManDbPath, &databaseFindings);
    installations = scanProgramFolders(&findings);
    findings += databaseFindings;
    // The scan knows the folders as they are; the database adds what it did
    // not find, once, and only where Dreamweaver has a configuration to install into.
    const int scanned = installations.size();
    for (const DreamweaverInfo& record : fromDatabase) {
        DiscoveryFinding finding { DiscoveryFinding::Source::Database,
            QStringLiteral("%1, product %2 (%3)")
                .arg(QDir::toNativeSeparators(exManDbPath), record.productId(), record.name()),
            QString(), QString() };
        const bool folderExists = QFileInfo(record.userFolder()).isDir();
        const auto same = std::find_if(installations.begin(), installations.begin() + scanned,
            [&](const DreamweaverInfo& other) { return isSameInstallation(record, other, folderExists); });
        if (same != installations.begin() + scanned) {
            if (same->productId().isEmpty())
                same->setProductId(record.productId());
            finding.reason = QStringLiteral("the same installation as %1, found in %2")
                                 .arg(same->name(), QDir::toNativeSeparators(same->userFolder()));
        } else if (!folderExists) {
            finding.reason = QStringLiteral("no configuration folder: %1 does not exist")
                                 .arg(QDir::toNativeSeparators(record.userFolder()));
        } else {
            finding.installation = record.name();
            finding.reason
                = QStringLiteral("configuration folder %1").arg(QDir::toNativeSeparators(record.userFolder()));
            installations.append(record);
        }
        findings.append(finding);
    }
    // Stable: equal versions keep the order they were found in, run after run.
    std::stable_sort(installations.begin(), installations.end(), isNewerThan);
    for (DreamweaverInfo& installation : installations) {
        QList<NeighbourFolder> neighbours;
        for (const DreamweaverInfo& other : std::as_const(installations)) {
            if (&other == &installation)
                continue;
            for (const QString& folder : { other.userFolder(), other.installFolder() }) {
                if (!folder.isEmpty())
                    neighbours.append({ other.name(), folder });
            }
        }
        installation.setNeighbourFolders(neighbours);
    }
    return list;
}

QString DreamweaverInfo::applicationDataFolder()
{
    const QString folder = Environment::variable("APPDATA");
    if (!folder.isEmpty())
        return folder;
    return Environment::joinNative(
        Environment::joinNative(Environment::variable("USERPROFILE"), QStringLiteral("AppData")),
        QStringLiteral("Roaming"));
}

QString DreamweaverInfo::labelOf(const QString& folderName)
{
    QString label = folderName;
    return label.replace(QLatin1String(" 9"), QLatin1String(" CS3"), Qt::CaseSensitive);
}

void DreamweaverInfo::readVersionFile()
{
    // version.xml is a few hundred bytes; a huge one is not Dreamweaver's and is not read.
    constexpr qint64 maximumVersionFileSize = 1024 * 1024;

    QString found;
    for (const QString& locale : qAsConst(m_locales)) {
        QByteArray bytes;
        if (!CappedFile::read(
                configurationFolder(locale) + QStringLiteral("/version.xml"), maximumVersionFileSize, &bytes))
            continue;
        // A stream reader keeps its open elements on the heap: a file nested
        // thousands deep cannot exhaust the stack as a recursive parser would.
        QXmlStreamReader reader(bytes);
        reader.setNamespaceProcessing(false);
        std::optional<QXmlStreamAttributes> info;
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement && !info
                && reader.qualifiedName() == QLatin1String("installinfo"))
                info = reader.attributes();
        }
        // Read to the end: an ill-formed file counts for nothing, even before its fault.
        if (reader.hasError() || !info || !info->hasAttribute(QStringLiteral("versionnum")))
            continue;
        found = info->value(QStringLiteral("versionnum")).toString();
        if (m_name == QLatin1String("Dreamweaver CS4") && found == QLatin1String("9.0"))
            found = QStringLiteral("10.0");
        break;
    }
    setVersion(found);
}

bool DreamweaverInfo::findInstallFolder(QStringList* tried)
{
    m_installFolder.clear();
    if (!m_version.isEmpty()) {
        // The registry names versions 9 to 11 with ".0", and 11.5 alone with its minor number.
        QString registryVersion;
        if (m_version.left(4) == QLatin1String("11.5")) {
            registryVersion = QStringLiteral("11.5");
        } else {
            const int major = m_versionNumbers[0];
            registryVersion = QString::number(major);
            if (major >= 9 && major <= 11)
                registryVersion += QStringLiteral(".0");
        }
        const QString key = QStringLiteral("SOFTWARE\\") + m_vendor + QStringLiteral("\\Dreamweaver\\")
            + registryVersion + QStringLiteral("\\Installation");
        // Up to CC 2014 Dreamweaver is a 32-bit program, from CC 2015 on a
        // 64-bit one: its own view first, then the other, where a key copied
        // between machines may have landed.
        const bool is64Bit = m_versionNumbers[0] >= 15;
        for (const Registry::View view : { is64Bit ? Registry::View::Bits64 : Registry::View::Bits32,
                 is64Bit ? Registry::View::Bits32 : Registry::View::Bits64 }) {
            const QString value = Registry::instance().localMachineValue(key, QStringLiteral("InstallPath"), view);
            if (!value.isEmpty()) {
                m_installFolder = Environment::localPath(value);
                if (tried)
                    tried->append(QStringLiteral("%1 (InstallPath of HKEY_LOCAL_MACHINE\\%2, %3-bit view)")
                                      .arg(QDir::toNativeSeparators(m_installFolder), key,
                                          QLatin1String(view == Registry::View::Bits64 ? "64" : "32")));
                return QFileInfo(m_installFolder).isDir();
            }
        }
    }
    // Without a key: the folder each version's installer uses ("Dreamweaver 8"
    // below Macromedia, "Adobe Dreamweaver CS3" below Adobe), where 32-bit
    // programs go first, then 64-bit ones.
    const QString label = labelOf(QFileInfo(m_userFolder).fileName());
    const QString programName = m_vendor == QLatin1String("Adobe") ? QStringLiteral("Adobe ") + label : label;
    QStringList candidates;
    for (const char* variable : { "ProgramFiles(x86)", "ProgramW6432", "ProgramFiles" }) {
        const QString programFiles = Environment::variable(variable);
        // An unset variable would lead to the root of the current drive.
        if (programFiles.isEmpty())
            continue;
        const QString candidate = Environment::joinNative(Environment::joinNative(programFiles, m_vendor), programName);
        if (!candidates.contains(candidate))
            candidates.append(candidate);
    }
    for (const QString& candidate : qAsConst(candidates)) {
        if (tried)
            tried->append(QDir::toNativeSeparators(candidate));
        if (QFileInfo(candidate).isDir()) {
            m_installFolder = candidate;
            return true;
        }
    }
    return false;
}
