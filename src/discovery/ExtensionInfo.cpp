#include "discovery/ExtensionInfo.h"

#include "discovery/ConfigurationChanges.h"
#include "discovery/ManifestDecoder.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "packages/IPackage.h"
#include "packages/MXP.h"
#include "packages/ZXP.h"
#include "platform/CappedFile.h"
#include "platform/FolderFiles.h"

#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <mutex>

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

// Hands read a tree of text: the kept one when it is of the same text, else
// the kept document parsed anew, whose node memory a parse reuses.
template <typename Read> void withDocument(const QString& text, Read read)
{
    LastManifest& last = lastManifest();
    std::unique_ptr<Accessor> document;
    bool parsed = false;
    {
        const QMutexLocker locker(&last.mutex);
        if (last.document) {
            parsed = last.text == text;
            document = std::move(last.document);
        }
    }
    if (!document)
        document = std::make_unique<Accessor>();
    if (!parsed)
        document->parse(text);
    read(*document);
    const QMutexLocker locker(&last.mutex);
    last.text = text;
    last.document = std::move(document);
}

QString descriptionOf(const CElement* description)
{
    return description ? withoutCdataMarkers(description->innerMarkup()) : QString();
}

// Lines of text trimmed, runs of blank lines made one, none at either end.
QString tidyLines(const QString& text)
{
    QStringList lines;
    bool blank = true;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() && blank)
            continue;
        blank = trimmed.isEmpty();
        lines << trimmed;
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

QList<ProductInfo> productsOf(const std::vector<const CElement*>& productElements)
{
    QList<ProductInfo> products;
    for (const CElement* product : productElements) {
        // Some manifests name the product only by its family.
        QString name = product->attribute(QStringLiteral("name"));
        if (name.trimmed().isEmpty())
            name = product->attribute(QStringLiteral("familyname"));
        products.append(
            { name, product->attribute(QStringLiteral("version")), product->attribute(QStringLiteral("maxversion")) });
    }
    return products;
}

// Where "<author" first stands in text, in any case; -1 when nowhere.
int authorTagAt(const QString& text)
{
    static const char16_t tag[] = u"<author";
    constexpr int length = 7;
    const QChar* const data = text.constData();
    const int size = int(text.size());
    for (int at = int(text.indexOf(QLatin1Char('<'))); at >= 0 && at + length <= size;
         at = int(text.indexOf(QLatin1Char('<'), at + 1))) {
        int k = 1;
        while (k < length && (data[at + k].unicode() | 0x20) == tag[k])
            ++k;
        if (k == length)
            return at;
    }
    return -1;
}

// What the plain reading of a manifest's start makes of each ASCII
// character, looked up once rather than compared with each in turn: the
// start of hundreds of manifests is read each time the installed list is.
// A character beyond ASCII is none of these.
enum CharacterClass : unsigned char { Blank = 1, Letter = 2, NameCharacter = 4, BarredFromValue = 8 };

struct CharacterClasses
{
    unsigned char of[128];
};

constexpr CharacterClasses characterClasses()
{
    CharacterClasses classes {};
    for (int c = 0; c < 128; ++c) {
        const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
        const bool nameCharacter = letter || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.';
        // Markup, an escape, or a control character other than white space.
        const bool barred = c == '<' || c == '>' || c == '\\' || (c < 0x20 && !blank);
        classes.of[c] = static_cast<unsigned char>((blank ? Blank : 0) | (letter ? Letter : 0)
            | (nameCharacter ? NameCharacter : 0) | (barred ? BarredFromValue : 0));
    }
    return classes;
}

constexpr CharacterClasses characterClassTable = characterClasses();

bool isIn(QChar c, CharacterClass kind)
{
    return c.unicode() < 128 && (characterClassTable.of[c.unicode()] & kind) != 0;
}

bool isBlank(QChar c)
{
    return isIn(c, Blank);
}

bool isAsciiLetter(QChar c)
{
    return isIn(c, Letter);
}

bool isNameCharacter(QChar c)
{
    return isIn(c, NameCharacter);
}

int afterName(const QChar* s, int pos, int n)
{
    while (pos < n && isNameCharacter(s[pos]))
        ++pos;
    return pos;
}

// Where a start tag of plain attributes (name="value" or name='value', each
// after white space, no markup characters in a value) that begins at pos
// ends, past its ">" or "/>"; -1 when it is not that plain.
int plainStartTagEnd(const QChar* s, int pos, int n)
{
    pos = afterName(s, pos + 1, n);
    for (;;) {
        const int blanks = pos;
        while (pos < n && isBlank(s[pos]))
            ++pos;
        if (pos < n && s[pos] == QLatin1Char('>'))
            return pos + 1;
        if (pos + 1 < n && s[pos] == QLatin1Char('/') && s[pos + 1] == QLatin1Char('>'))
            return pos + 2;
        if (pos == blanks || pos >= n || !isAsciiLetter(s[pos]))
            return -1;
        pos = afterName(s, pos, n);
        while (pos < n && isBlank(s[pos]))
            ++pos;
        if (pos >= n || s[pos] != QLatin1Char('='))
            return -1;
        ++pos;
        while (pos < n && isBlank(s[pos]))
            ++pos;
        if (pos >= n || (s[pos] != QLatin1Char('"') && s[pos] != QLatin1Char('\'')))
            return -1;
        const QChar quote = s[pos++];
        while (pos < n && s[pos] != quote) {
            if (isIn(s[pos++], BarredFromValue))
                return -1;
        }
        if (pos >= n)
            return -1;
        ++pos;
    }
}

// Where a declaration "<?xml ...?>" or a comment "<!-- ... -->" that begins at
// pos ends, when nothing in it could be read as markup; -1 otherwise.
int plainAsideEnd(const QString& text, int pos)
{
    const bool declaration = QStringView(text).mid(pos).startsWith(QLatin1String("<?xml "));
    if (!declaration && !QStringView(text).mid(pos).startsWith(QLatin1String("<!--")))
        return -1;
    const QLatin1String close = declaration ? QLatin1String("?>") : QLatin1String("-->");
    const int end = int(text.indexOf(close, pos + 4));
    if (end < 0)
        return -1;
    for (int k = pos + (declaration ? 6 : 4); k < end; ++k) {
        const QChar c = text.at(k);
        if (c == QLatin1Char('<') || c == QLatin1Char('>') || (c.unicode() < 0x20 && !isBlank(c))
            || (c == QLatin1Char('-') && text.at(k + 1) == QLatin1Char('-')))
            return -1;
    }
    return end + close.size();
}

// Finds the start tags of the first extension root and the first author in a
// manifest that begins plainly: white space, the XML declaration, comments,
// end tags, and plain start tags of the few elements a manifest puts before
// its author, none of which changes how the lexer reads on. Anything else
// before both are found (text, CDATA, another element, an entity) leaves the
// answer to the markup parser: false.
bool findTitleTags(const QString& text, QStringView* extension, QStringView* author)
{
    const QChar* const s = text.constData();
    const int n = int(text.size());
    int pos = 0;
    *extension = QStringView();
    *author = QStringView();
    while (extension->isNull() || author->isNull()) {
        while (pos < n && isBlank(s[pos]))
            ++pos;
        if (pos + 1 >= n || s[pos] != QLatin1Char('<'))
            return false;
        if (s[pos + 1] == QLatin1Char('?') || s[pos + 1] == QLatin1Char('!')) {
            pos = plainAsideEnd(text, pos);
        } else if (s[pos + 1] == QLatin1Char('/')) {
            const int nameEnd = afterName(s, pos + 2, n);
            pos = nameEnd > pos + 2 && nameEnd < n && s[nameEnd] == QLatin1Char('>') ? nameEnd + 1 : -1;
        } else if (isAsciiLetter(s[pos + 1])) {
            const QStringView name(s + pos + 1, afterName(s, pos + 1, n) - pos - 1);
            const auto is
                = [name](const char* plain) { return name.compare(QLatin1String(plain), Qt::CaseInsensitive) == 0; };
            const int end = plainStartTagEnd(s, pos, n);
            if (end < 0)
                return false;
            if (is("macromedia-extension")) {
                if (extension->isNull())
                    *extension = QStringView(s + pos, end - pos);
            } else if (is("author")) {
                if (author->isNull())
                    *author = QStringView(s + pos, end - pos);
            } else if (!is("macromedia-package") && !is("products") && !is("product")) {
                return false;
            }
            pos = end;
        } else {
            return false;
        }
        if (pos < 0)
            return false;
    }
    return true;
}

// How far past a start tag the text must go for the tag to be read as it is
// in any longer text: the lexer decides each character from those before it
// and at most a few after.
constexpr int settledDistance = 128;

// Whether element's start tag ends far enough before the end of the parsed
// prefix, cut, to be the same element with the same attributes in the whole text.
bool isSettled(const CElement* element, int cut)
{
    int begin = 0;
    int end = 0;
    return element && element->sourceRange(&begin, &end) && begin + element->startTag().size() + settledDistance <= cut;
}

QString withoutCarriageReturns(QString text)
{
    if (text.contains(QLatin1Char('\r')))
        text.remove(QLatin1Char('\r'));
    return text;
}

} // namespace

struct ExtensionInfo::ManifestElements
{
    // The first of each, in document order.
    const CElement* extension = nullptr;
    const CElement* package = nullptr;
    const CElement* author = nullptr;
    const CElement* description = nullptr;
    const CElement* uiAccess = nullptr;
    const CElement* license = nullptr;
    // Every one, in document order.
    std::vector<const CElement*> products;
    std::vector<const CElement*> files;
    // The configuration changes' insert elements, in document order.
    std::vector<const CElement*> inserts;
};

ExtensionInfo::ManifestElements ExtensionInfo::manifestElements(Accessor& document)
{
    ManifestElements found;
    const auto first = [](const CElement*& slot, const CElement* node) {
        if (!slot)
            slot = node;
    };
    // Names compare exactly, as elementsByTagName compares them with the
    // lower-cased name it is given.
    const CElement* const root = document.root();
    for (const CElement* node = root; node;) {
        const QStringView name = node->nameView();
        if (ConfigurationChanges::isInsertName(name))
            found.inserts.push_back(node);
        else if (name == QLatin1String("file"))
            found.files.push_back(node);
        else if (name == QLatin1String("product"))
            found.products.push_back(node);
        else if (name == QLatin1String("author"))
            first(found.author, node);
        else if (name == QLatin1String("description"))
            first(found.description, node);
        else if (name == QLatin1String("ui-access"))
            first(found.uiAccess, node);
        else if (name == QLatin1String("license-agreement"))
            first(found.license, node);
        else if (name == QLatin1String("macromedia-extension"))
            first(found.extension, node);
        else if (name == QLatin1String("macromedia-package"))
            first(found.package, node);
        node = node->nextInPreOrder(root);
    }
    return found;
}

struct ExtensionInfo::DeferredHeader
{
    explicit DeferredHeader(const QString& text)
        : manifest(text)
    {
    }

    const DeferredHeader& read()
    {
        std::call_once(once, [this] {
            withDocument(manifest, [this](Accessor& document) {
                const ManifestElements elements = manifestElements(document);
                description = descriptionOf(elements.description);
                products = productsOf(elements.products);
                notes = notesOf(elements);
            });
        });
        return *this;
    }

    const QString manifest;
    std::once_flag once;
    QString description;
    QList<ProductInfo> products;
    Notes notes;
};

std::optional<ExtensionInfo> ExtensionInfo::readStored(const QString& storedPath, Parts parts)
{
    if (!QFileInfo(storedPath).isFile()) {
        return std::nullopt;
    }
    return ExtensionInfo(storedPath, parts);
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
        const bool read = CappedFile::read(path, maximumManifestSize, &bytes);
        readStoredManifest(read, std::move(bytes), parts);
        return;
    }
    if (!m_manifest.isEmpty() || parts != Parts::Header)
        parse(true, parts != Parts::Header, parts == Parts::HeaderAndDetails);
}

ExtensionInfo::ExtensionInfo(const FolderFiles& folder, const FolderFiles::File& file, Parts parts)
    : m_fileName(file.name)
{
    QByteArray bytes;
    const bool read = folder.read(file, maximumManifestSize, &bytes);
    readStoredManifest(read, std::move(bytes), parts);
}

void ExtensionInfo::readStoredManifest(bool read, QByteArray bytes, Parts parts)
{
    // Carriage returns are dropped: a menu entry's markup is copied into
    // configuration files, which are edited with "\n" line ends alone. After
    // decoding: in UTF-16 a 0x0D byte may be half of any character.
    if (read)
        m_manifest = withoutCarriageReturns(decodeManifest(bytes, &m_manifestProblem));
    if (parts == Parts::Header && readTitleFromStart()) {
        m_deferred = std::make_shared<DeferredHeader>(m_manifest);
        return;
    }
    if (!m_manifest.isEmpty() || parts != Parts::Header)
        parse(true, parts != Parts::Header, parts == Parts::HeaderAndDetails);
}

ExtensionInfo::ExtensionInfo(const QByteArray& manifestBytes, const QString& fileName, Parts parts)
    : m_fileName(fileName)
{
    m_manifest = decodeManifest(manifestBytes, &m_manifestProblem);
    parse(true, parts != Parts::Header, parts == Parts::HeaderAndDetails);
}

void ExtensionInfo::parse(bool header, bool files, bool changes)
{
    withDocument(m_manifest, [&](Accessor& document) {
        const ManifestElements elements = manifestElements(document);
        if (header) {
            readHeader(elements);
        } else if (m_deferred) {
            m_description = descriptionOf(elements.description);
            m_products = productsOf(elements.products);
            m_notes = notesOf(elements);
        }
        m_deferred.reset();
        if (files)
            readFileEntries(elements);
        if (changes)
            readChanges(elements);
    });
}

QString ExtensionInfo::description() const
{
    return m_deferred ? m_deferred->read().description : m_description;
}

QList<ProductInfo> ExtensionInfo::products() const
{
    return m_deferred ? m_deferred->read().products : m_products;
}

QString ExtensionInfo::plainText(const QString& html)
{
    // Without a tag it was written as plain text, line by line, as many real
    // licences are; with one, its line breaks are the tags'.
    static const QRegularExpression tag(QStringLiteral("<(/?[A-Za-z][A-Za-z0-9]*)[^>]*>"));
    if (!html.contains(tag))
        return tidyLines(CElement::decodedText(html));
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QSet<QString> breaks { QStringLiteral("br"), QStringLiteral("p"), QStringLiteral("/p"),
        QStringLiteral("div"), QStringLiteral("/div"), QStringLiteral("li"), QStringLiteral("tr"),
        QStringLiteral("/h1"), QStringLiteral("/h2"), QStringLiteral("/h3"), QStringLiteral("/ul"),
        QStringLiteral("/ol") };
    QString text;
    qsizetype from = 0;
    const auto appendText = [&](QStringView piece) {
        text += CElement::decodedText(piece.toString().replace(space, QStringLiteral(" ")))
                    .replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    };
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        appendText(QStringView(html).mid(from, match.capturedStart() - from));
        from = match.capturedEnd();
        const QString name = match.captured(1).toLower();
        if (name == QLatin1String("li"))
            text += QStringLiteral("\n- ");
        else if (name == QLatin1String("p") || name == QLatin1String("/p"))
            text += QStringLiteral("\n\n");
        else if (breaks.contains(name))
            text += QLatin1Char('\n');
    }
    appendText(QStringView(html).mid(from));
    return tidyLines(text);
}

ExtensionInfo::Notes ExtensionInfo::notes() const
{
    return m_deferred ? m_deferred->read().notes : m_notes;
}

ExtensionInfo::Notes ExtensionInfo::notesOf(const ManifestElements& elements)
{
    Notes notes;
    notes.license = plainText(descriptionOf(elements.license));
    notes.uiAccess = plainText(descriptionOf(elements.uiAccess));
    const CElement* extension = elements.extension ? elements.extension : elements.package;
    notes.requiresRestart = extension && isTrue(extension->attribute(QStringLiteral("requires-restart")));
    return notes;
}

void ExtensionInfo::readManifestFrom(IPackage& package)
{
    m_fileName = package.mxiFileName();
    if (!m_fileName.isEmpty())
        m_manifest = decodeManifest(package.readFile(m_fileName), &m_manifestProblem);
}

QString ExtensionInfo::decodeManifest(const QByteArray& bytes, QString* problem)
{
    if (bytes.size() > maximumManifestSize)
        return QString();
    return ManifestDecoder::decode(bytes, problem);
}

void ExtensionInfo::readHeader(const ManifestElements& elements)
{
    readTitle(elements);
    m_description = descriptionOf(elements.description);
    m_products = productsOf(elements.products);
    m_notes = notesOf(elements);
}

void ExtensionInfo::readTitle(const ManifestElements& elements)
{
    // The root's older name, which Dreamweaver 3-era packages still carry.
    const CElement* extension = elements.extension ? elements.extension : elements.package;
    if (extension) {
        extension->attributes({ { QLatin1String("id"), &m_id }, { QLatin1String("name"), &m_name },
            { QLatin1String("version"), &m_version } });
    }
    if (elements.author)
        m_author = elements.author->attribute(QStringLiteral("name"));
}

void ExtensionInfo::readTitleAttributes(QStringView extensionTag, QStringView authorTag)
{
    CElement::attributesOf(extensionTag,
        { { QLatin1String("id"), &m_id }, { QLatin1String("name"), &m_name },
            { QLatin1String("version"), &m_version } });
    CElement::attributesOf(authorTag, { { QLatin1String("name"), &m_author } });
}

bool ExtensionInfo::readTitleFromStart()
{
    QStringView extensionTag, plainAuthorTag;
    if (findTitleTags(m_manifest, &extensionTag, &plainAuthorTag)) {
        readTitleAttributes(extensionTag, plainAuthorTag);
        return true;
    }
    // The cut is only a guess at where the author is; the parse of the
    // prefix says whether the guess holds.
    const int authorTag = authorTagAt(m_manifest);
    const int authorEnd = authorTag < 0 ? -1 : m_manifest.indexOf(QLatin1Char('>'), authorTag);
    const int cut = authorEnd + 1 + settledDistance;
    if (authorEnd < 0 || cut >= m_manifest.size())
        return false;
    bool read = false;
    withDocument(m_manifest.left(cut), [&](Accessor& document) {
        // The first of each in the prefix is the first in the whole text;
        // without an extension root, an older root found here could still
        // come after a newer one further on.
        const ManifestElements elements = manifestElements(document);
        const CElement* extension = elements.extension;
        const CElement* author = elements.author;
        if (!isSettled(extension, cut) || !isSettled(author, cut))
            return;
        readTitleAttributes(extension->startTag(), author->startTag());
        read = true;
    });
    return read;
}

void ExtensionInfo::parseDetails()
{
    parse(false, true, true);
}

void ExtensionInfo::readChanges(const ManifestElements& elements)
{
    m_menuInserts = ConfigurationChanges::menuInserts(elements.inserts);
    m_insertbarInserts = ConfigurationChanges::insertbarInserts(elements.inserts);
    m_configurationInserts = ConfigurationChanges::configurationInserts(elements.inserts);
}

void ExtensionInfo::readFileEntries(const ManifestElements& elements)
{
    m_files.clear();
    for (const CElement* file : elements.files) {
        // Only Windows files: "mac" and any other spelling, "Win" included, are someone else's.
        QString platform, source, name, destination, shared, systemFile;
        file->attributes({ { QLatin1String("platform"), &platform }, { QLatin1String("source"), &source },
            { QLatin1String("name"), &name }, { QLatin1String("destination"), &destination },
            { QLatin1String("shared"), &shared }, { QLatin1String("systemfile"), &systemFile } });
        if (!platform.isEmpty() && platform != QLatin1String("win"))
            continue;
        if (!isForDreamweaver(fileAttribute(file, QStringLiteral("products"))))
            continue;
        // Older manifests name the package entry with "name".
        if (source.isEmpty())
            source = name;
        m_files.append({ source, destination, fileAttribute(file, QStringLiteral("xml:lang")), isTrue(shared),
            isTrue(systemFile) });
    }
}
