#include "discovery/ExtensionInfo.h"

#include "discovery/ConfigurationChanges.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "packages/IPackage.h"
#include "packages/MXP.h"
#include "packages/ZXP.h"
#include "platform/CappedFile.h"

#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <algorithm>
#include <memory>

namespace {

QString withoutCdataMarkers(QString text)
{
    text.remove(QStringLiteral("<![CDATA["));
    text.remove(QStringLiteral("]]>"));
    return text.trimmed();
}

// A file's own attribute, else its "files" group's: the group sets the
// language and the hosts of every file in it that does not say otherwise.
QString fileAttribute(const CElement* file, const QString& name)
{
    const QString own = file->attribute(name);
    if (!own.isEmpty())
        return own;
    for (const CElement* group = file->parent(); group; group = group->parent()) {
        if (group->name().compare(QLatin1String("files"), Qt::CaseInsensitive) == 0)
            return group->attribute(name);
    }
    return QString();
}

bool isTrue(const QString& value)
{
    return value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// A "products" list that does not name Dreamweaver is for another host of
// the same package (Flash, Fireworks).
bool isForDreamweaver(const QString& products)
{
    if (products.trimmed().isEmpty())
        return true;
    const QStringList names = products.split(QLatin1Char(','));
    return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
        return name.trimmed().compare(QLatin1String("Dreamweaver"), Qt::CaseInsensitive) == 0;
    });
}

} // namespace

std::optional<ExtensionInfo> ExtensionInfo::readStored(const QString& storedPath)
{
    if (!QFileInfo(storedPath).isFile()) {
        return std::nullopt;
    }
    return ExtensionInfo(storedPath, Parts::HeaderAndDetails);
}

ExtensionInfo::ExtensionInfo(const QString& path, Parts parts)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("zxp")) {
        ZXP package(path);
        readManifestFrom(package);
    } else if (suffix == QLatin1String("mxp")) {
        MXP package(path);
        readManifestFrom(package);
    } else {
        m_fileName = info.fileName();
        QByteArray bytes;
        if (CappedFile::read(path, maximumManifestSize, &bytes)) {
            // Carriage returns are dropped: a menu entry's markup is copied into
            // configuration files, which are edited with "\n" line ends alone.
            bytes.replace('\r', QByteArray());
            m_manifest = decodeManifest(bytes);
        }
    }
    if (!m_manifest.isEmpty() || parts == Parts::HeaderAndDetails)
        parse(true, parts == Parts::HeaderAndDetails);
}

ExtensionInfo::ExtensionInfo(const QByteArray& manifestBytes, const QString& fileName, Parts parts)
    : m_manifest(decodeManifest(manifestBytes))
    , m_fileName(fileName)
{
    parse(true, parts == Parts::HeaderAndDetails);
}

namespace {

// The tree of the manifest read last. An install reads a package's header to
// decide what to do, then the same manifest whole: the second read takes this
// tree instead of parsing the text again. A reader takes the tree out and
// puts it back when done, so no two threads ever read one tree.
struct LastManifest
{
    QMutex mutex;
    QString text;
    std::unique_ptr<Accessor> document;
};

LastManifest& lastManifest()
{
    // Never destroyed: a tree freed at exit would outlive the lexer's own tables.
    static auto* last = new LastManifest;
    return *last;
}

} // namespace

void ExtensionInfo::parse(bool header, bool details)
{
    LastManifest& last = lastManifest();
    std::unique_ptr<Accessor> document;
    {
        const QMutexLocker locker(&last.mutex);
        if (last.document && last.text == m_manifest)
            document = std::move(last.document);
    }
    if (!document) {
        document = std::make_unique<Accessor>();
        document->parse(m_manifest);
    }
    if (header)
        readHeader(*document);
    if (details)
        readDetails(*document);
    const QMutexLocker locker(&last.mutex);
    last.text = m_manifest;
    last.document = std::move(document);
}

void ExtensionInfo::readManifestFrom(IPackage& package)
{
    m_fileName = package.mxiFileName();
    if (!m_fileName.isEmpty())
        m_manifest = decodeManifest(package.readFile(m_fileName));
}

QString ExtensionInfo::decodeManifest(const QByteArray& bytes)
{
    if (bytes.size() > maximumManifestSize)
        return QString();
    const int end = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), end < 0 ? bytes.size() : end);
}

void ExtensionInfo::parseHeader()
{
    parse(true, false);
}

void ExtensionInfo::readHeader(Accessor& document)
{
    auto extensions = document.elementsByTagName(QStringLiteral("macromedia-extension"));
    // The root's older name, which Dreamweaver 3-era packages still carry.
    if (extensions.empty())
        extensions = document.elementsByTagName(QStringLiteral("macromedia-package"));
    if (!extensions.empty()) {
        m_id = extensions.front()->attribute(QStringLiteral("id"));
        m_name = extensions.front()->attribute(QStringLiteral("name"));
        m_version = extensions.front()->attribute(QStringLiteral("version"));
    }
    const auto authors = document.elementsByTagName(QStringLiteral("author"));
    if (!authors.empty())
        m_author = authors.front()->attribute(QStringLiteral("name"));

    const auto descriptions = document.elementsByTagName(QStringLiteral("description"));
    if (!descriptions.empty())
        m_description = withoutCdataMarkers(descriptions.front()->innerMarkup());
    m_products.clear();
    for (const CElement* product : document.elementsByTagName(QStringLiteral("product"))) {
        m_products.append({ product->attribute(QStringLiteral("name")), product->attribute(QStringLiteral("version")),
            product->attribute(QStringLiteral("maxversion")) });
    }
}

void ExtensionInfo::parseDetails()
{
    parse(false, true);
}

void ExtensionInfo::readDetails(Accessor& document)
{
    readFileEntries(document);
    readMenuInserts(document);
    readInsertbarInserts(document);
    m_configurationInserts = ConfigurationChanges::configurationInserts(document);
}

void ExtensionInfo::readFileEntries(Accessor& document)
{
    m_files.clear();
    for (const CElement* file : document.elementsByTagName(QStringLiteral("file"))) {
        // Only Windows files: "mac" and any other spelling, "Win" included, are someone else's.
        const QString platform = file->attribute(QStringLiteral("platform"));
        if (!platform.isEmpty() && platform != QLatin1String("win"))
            continue;
        if (!isForDreamweaver(fileAttribute(file, QStringLiteral("products"))))
            continue;
        QString source = file->attribute(QStringLiteral("source"));
        // Older manifests name the package entry with "name".
        if (source.isEmpty())
            source = file->attribute(QStringLiteral("name"));
        m_files.append({ source, file->attribute(QStringLiteral("destination")),
            fileAttribute(file, QStringLiteral("xml:lang")), isTrue(file->attribute(QStringLiteral("shared"))),
            isTrue(file->attribute(QStringLiteral("systemfile"))) });
    }
}

void ExtensionInfo::readMenuInserts(Accessor& document)
{
    m_menuInserts = ConfigurationChanges::menuInserts(document);
}

void ExtensionInfo::readInsertbarInserts(Accessor& document)
{
    m_insertbarInserts = ConfigurationChanges::insertbarInserts(document);
}
