#include "discovery/DreamweaverInfo.h"

#include "discovery/ExtensionDatabase.h"
#include "discovery/ProgramFolders.h"
#include "platform/CappedFile.h"
#include "platform/Environment.h"
#include "platform/FolderFiles.h"
#include "platform/Registry.h"

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

QString& storedApplicationDataFolder()
{
    static QString folder;
    return folder;
}

// An optional sign and decimal digits, white space around them allowed; anything
// else, or a value outside the signed 32-bit range, reads as 0.
int versionPart(const QString& part)
{
    const QString text = part.trimmed();
    int position = 0;
    bool negative = false;
    if (position < text.size() && (text.at(position) == QLatin1Char('+') || text.at(position) == QLatin1Char('-'))) {
        negative = text.at(position) == QLatin1Char('-');
        ++position;
    }
    if (position == text.size())
        return 0;
    qint64 value = 0;
    for (; position < text.size(); ++position) {
        const QChar c = text.at(position);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
        // One past the largest int is still the smallest int when negated.
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return 0;
    return int(value);
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
    const QStringList parts = text.split(QLatin1Char('.'));
    for (int i = 0; i < int(m_versionNumbers.size()); ++i)
        m_versionNumbers[i] = i < parts.size() ? versionPart(parts.at(i)) : 0;
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

ExtensionInfo* DreamweaverInfo::findExtension(const QString& id)
{
    for (ExtensionInfo& extension : m_extensions) {
        if (extension.id() == id)
            return &extension;
    }
    return nullptr;
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
    // The names of the locales already read: a file of the same name in a
    // later locale is the same extension. One folder holds each name once,
    // so the set is built only when there is a later locale to read.
    QSet<QString> listed;
    for (int i = 0; i < m_locales.size(); ++i) {
        // Each manifest is read through its open folder. The name is matched
        // here as "*.mxi" would match it, case aside, without a pattern run
        // on every entry; hidden files and broken links stay out as before.
        const FolderFiles folder(extensionStoreFolder(m_locales.at(i)));
        const int first = m_extensions.size();
        for (const FolderFiles::File& file : folder.files()) {
            if (file.name.endsWith(QLatin1String(".mxi"), Qt::CaseInsensitive) && !listed.contains(file.name))
                m_extensions.append(ExtensionInfo(folder, file));
        }
        if (i + 1 < m_locales.size()) {
            for (int k = first; k < m_extensions.size(); ++k)
                listed.insert(m_extensions.at(k).fileName());
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
    // Moved rather than copied, which would count a reference up on every
    // string and list of each extension and down again: the list was built
    // here and nothing else holds it.
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

bool DreamweaverInfo::isListedBefore(const ExtensionInfo& a, const ExtensionInfo& b)
{
    return ListingKey(a) < ListingKey(b);
}

QStringList DreamweaverInfo::localeSubfolders(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral("??_??") }, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
}

QList<DreamweaverInfo>& DreamweaverInfo::installations()
{
    static QList<DreamweaverInfo> list;
    return list;
}

void DreamweaverInfo::buildDreamweaverList(const QString& exManDbPath)
{
    QString folder = Environment::variable("APPDATA");
    if (folder.isEmpty()) {
        folder = Environment::joinNative(
            Environment::joinNative(Environment::variable("USERPROFILE"), QStringLiteral("AppData")),
            QStringLiteral("Roaming"));
    }
    storedApplicationDataFolder() = folder;

    installations().clear();
    addFromExtensionDatabase(exManDbPath);
    addFromProgramFolders();
    std::sort(installations().begin(), installations().end(), isNewerThan);
}

QString DreamweaverInfo::applicationDataFolder()
{
    return storedApplicationDataFolder();
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

bool DreamweaverInfo::findInstallFolder()
{
    const QString folderName = QFileInfo(m_userFolder).fileName();
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
        m_installFolder
            = Environment::localPath(Registry::instance().localMachineValue(key, QStringLiteral("InstallPath")));
    }
    if (m_installFolder.isEmpty()) {
        m_installFolder
            = Environment::joinNative(Environment::joinNative(Environment::variable("ProgramW6432"), m_vendor),
                m_vendor + QLatin1Char(' ') + folderName);
    }
    return QFileInfo(m_installFolder).isDir();
}
