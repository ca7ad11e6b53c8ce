#include "discovery/ConfigurationChanges.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// Whether name is word, compared in place: each insert element of a large
// manifest is named against several words, and a call to compare each would
// cost more than the comparison.
template <size_t N> bool isNamed(QStringView name, const char16_t (&word)[N])
{
    return name.size() == qsizetype(N - 1) && std::memcmp(name.utf16(), word, (N - 1) * sizeof(char16_t)) == 0;
}

const QString& idName()
{
    static const QString name = QStringLiteral("id");
    return name;
}

const QString& languageName()
{
    static const QString name = QStringLiteral("xml:lang");
    return name;
}

// The attributes that place an entry, each naming the id it goes by.
struct PlacementIds
{
    QString appendTo;
    QString prependTo;
    QString insertBefore;
    QString insertAfter;
};

// The placement the entry carries and the id it names, the first one given
// in this order; appendTo when it carries none.
std::pair<MenuInsert::Placement, QString> placementOf(const PlacementIds& ids, bool* given = nullptr)
{
    using Placement = MenuInsert::Placement;
    const std::pair<Placement, const QString*> placements[]
        = { { Placement::AppendTo, &ids.appendTo }, { Placement::PrependTo, &ids.prependTo },
              { Placement::InsertBefore, &ids.insertBefore }, { Placement::InsertAfter, &ids.insertAfter } };
    for (const auto& [placement, id] : placements) {
        if (!id->isEmpty()) {
            if (given) {
                *given = true;
            }
            return { placement, *id };
        }
    }
    if (given) {
        *given = false;
    }
    return { Placement::AppendTo, QString() };
}

// A menu-insert's placement, its separator rule and its language, read in
// one pass over its start tag.
template <class Entry> void readMenuPlacement(const CElement* element, Entry* entry)
{
    PlacementIds ids;
    QString skipSeparator;
    element->attributes({ { QLatin1String("appendto"), &ids.appendTo }, { QLatin1String("prependto"), &ids.prependTo },
        { QLatin1String("insertbefore"), &ids.insertBefore }, { QLatin1String("insertafter"), &ids.insertAfter },
        { QLatin1String("skipseparator"), &skipSeparator }, { QLatin1String("xml:lang"), &entry->language } });
    std::tie(entry->placement, entry->target) = placementOf(ids);
    entry->skipSeparator = skipSeparator.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QStringList idsOf(const std::vector<CElement*>& elements)
{
    QStringList ids;
    for (const CElement* element : elements) {
        const QString id = element->attribute(idName());
        if (element->isElement() && !id.isEmpty()) {
            ids << id;
        }
    }
    return ids;
}

// The ids of the insert's elements, comments aside, in order.
void childIds(const CElement* insert, QStringList* ids)
{
    for (const CElement* child = insert->firstChild(); child; child = child->nextSibling()) {
        const QString id = child->isElement() && child->nameView() != QLatin1String("comment")
            ? child->attribute(idName())
            : QString();
        if (!id.isEmpty()) {
            *ids << id;
        }
    }
}

// The children as they go into the file: a "comment" element becomes an XML
// comment holding its text, which may not end the comment early. holds, when
// given, tells whether any child is markup rather than text; plain, when
// given, receives the shape of a block that is written out as it stands.
QString blockMarkup(
    const CElement* insert, QStringList* ids, bool* holds = nullptr, std::optional<PlainElement>* plain = nullptr)
{
    // Walked by their links: a manifest of many entries would otherwise make
    // a list for each of them.
    bool comments = false;
    bool markupChild = false;
    for (const CElement* child = insert->firstChild(); child; child = child->nextSibling()) {
        const QStringView name = child->nameView();
        markupChild = markupChild || !name.isEmpty();
        // A comment's text goes into the file, but not as an element of its own.
        comments = comments || isNamed(name, u"comment");
    }
    if (holds) {
        *holds = markupChild;
    }
    // Without a comment to rewrite, the children are the element's inner
    // markup when it has no text of its own, and are written out at once.
    if (!comments && insert->text().isEmpty()) {
        const QString markup = insert->innerMarkup();
        if (plain) {
            *plain = PlainElement::of(markup);
        }
        if (plain && (*plain)->isPlain()) {
            // Its one element's id as the tag spells it, read with its shape:
            // a plain value holds no entity to decode.
            const QStringView id = (*plain)->id(markup);
            Q_ASSERT(ids->isEmpty());
            if (!id.isEmpty()) {
                *ids = QStringList { id.toString() };
            }
#ifndef QT_NO_DEBUG
            QStringList read;
            childIds(insert, &read);
            Q_ASSERT(*ids == read);
#endif
        } else {
            childIds(insert, ids);
        }
        return markup;
    }
    childIds(insert, ids);
    QString markup;
    for (const CElement* child = insert->firstChild(); child; child = child->nextSibling()) {
        if (child->nameView() == QLatin1String("comment")) {
            QString text = child->innerMarkup().trimmed();
            while (text.contains(QLatin1String("--"))) {
                text.replace(QLatin1String("--"), QLatin1String("- -"));
            }
            markup += QStringLiteral("<!-- ") + text + QStringLiteral(" -->");
            continue;
        }
        markup += child->outerMarkup();
    }
    return markup;
}

bool holdsMarkup(const CElement* insert)
{
    for (const CElement* child = insert->firstChild(); child; child = child->nextSibling()) {
        if (!child->nameView().isEmpty()) {
            return true;
        }
    }
    return false;
}

} // namespace

QString MenuInsert::placementName(Placement placement)
{
    switch (placement) {
    case Placement::AppendTo:
        return QStringLiteral("appendTo");
    case Placement::PrependTo:
        return QStringLiteral("prependTo");
    case Placement::InsertBefore:
        return QStringLiteral("insertBefore");
    case Placement::InsertAfter:
        return QStringLiteral("insertAfter");
    }
    return QString();
}

bool ConfigurationChanges::appliesTo(const QString& language, const QString& locale)
{
    const auto key = [](QString text) { return text.replace(QLatin1Char('-'), QLatin1Char('_')).toLower(); };
    return language.isEmpty() || key(language) == key(locale);
}

QList<MenuInsert> ConfigurationChanges::menuInserts(const std::vector<const CElement*>& insertElements)
{
    QList<MenuInsert> inserts;
    inserts.reserve(int(insertElements.size()));
    // Named so, a node is an element.
    for (const CElement* element : insertElements) {
        const QStringView name = element->nameView();
        const bool shortcut = isNamed(name, u"shortcut-insert");
        if (!shortcut && !isNamed(name, u"menu-insert")) {
            continue;
        }
        // Server behaviours, data sources and server formats take menu-inserts
        // of their own, meant for other files.
        const CElement* container = element->parent();
        const QStringView containerName = container ? container->nameView() : QStringView();
        if (!isNamed(containerName, u"configuration-changes") && containerName.endsWith(QLatin1String("-changes"))) {
            continue;
        }
        MenuInsert entry;
        entry.shortcut = shortcut;
        if (shortcut) {
            element->attributes(
                { { QLatin1String("list_id"), &entry.target }, { QLatin1String("xml:lang"), &entry.language } });
        } else {
            readMenuPlacement(element, &entry);
        }
        if (!shortcut && entry.target.isEmpty()) {
            continue;
        }
        bool holds = false;
        entry.markup = blockMarkup(element, &entry.itemIds, &holds, &entry.plain);
        if (holds) {
            inserts.append(std::move(entry));
        }
    }
    return inserts;
}

QList<InsertbarInsert> ConfigurationChanges::insertbarInserts(const std::vector<const CElement*>& insertElements)
{
    QList<InsertbarInsert> inserts;
    for (const CElement* element : insertElements) {
        const QStringView name = element->nameView();
        if (!isNamed(name, u"insertbar-insert") && !isNamed(name, u"insertbar-item-insert")) {
            continue;
        }
        InsertbarInsert entry;
        PlacementIds ids;
        if (name == QLatin1String("insertbar-insert")) {
            element->attributes({ { QLatin1String("appendto"), &ids.appendTo },
                { QLatin1String("prependto"), &ids.prependTo }, { QLatin1String("insertbefore"), &ids.insertBefore },
                { QLatin1String("insertafter"), &ids.insertAfter }, { QLatin1String("xml:lang"), &entry.language } });
            bool placed = false;
            std::tie(entry.placement, entry.target) = placementOf(ids, &placed);
            // Only a category's neighbours can be named: a category cannot go inside another.
            if (!placed || entry.placement == InsertbarInsert::Placement::AppendTo
                || entry.placement == InsertbarInsert::Placement::PrependTo) {
                entry.placement = InsertbarInsert::Placement::AppendTo;
                entry.target.clear();
            }
            for (CElement* category : element->children()) {
                entry.categoryId = category->attribute(idName());
                if (category->nameView() != QLatin1String("category") || entry.categoryId.isEmpty()) {
                    continue;
                }
                entry.category = true;
                entry.markup = category->outerMarkup();
                entry.itemIds = idsOf(category->elementsInOrder());
                inserts.append(entry);
            }
        } else if (name == QLatin1String("insertbar-item-insert")) {
            element->attributes({ { QLatin1String("appendto"), &ids.appendTo },
                { QLatin1String("prependto"), &ids.prependTo }, { QLatin1String("insertbefore"), &ids.insertBefore },
                { QLatin1String("insertafter"), &ids.insertAfter }, { QLatin1String("category"), &entry.categoryId },
                { QLatin1String("xml:lang"), &entry.language } });
            std::tie(entry.placement, entry.target) = placementOf(ids);
            if (entry.categoryId.isEmpty()
                && (entry.placement == InsertbarInsert::Placement::AppendTo
                    || entry.placement == InsertbarInsert::Placement::PrependTo)) {
                entry.categoryId = entry.target;
            }
            bool holds = false;
            entry.markup = blockMarkup(element, &entry.itemIds, &holds);
            if (!entry.target.isEmpty() && holds) {
                inserts.append(entry);
            }
        }
    }
    return inserts;
}

namespace {

// A name from the manifest that becomes one part of a path: nothing that
// could lead out of the folder it is joined to.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'));
}

// The file a server model's menu-insert goes to, by the container it sits in;
// empty for any other container, or a folder name that is not plain.
QString serverModelFile(const CElement* container)
{
    // Asked of the container of every menu-insert: the names are measured
    // once, not at each comparison.
    static const std::pair<QLatin1String, const char*> files[]
        = { { QLatin1String("server-behavior-changes"), "ServerBehaviors/%1/ServerBehaviors.xml" },
              { QLatin1String("data-source-changes"), "DataSources/%1/DataSources.xml" },
              { QLatin1String("server-format-changes"), "ServerFormats/%1/ServerFormats.xml" },
              { QLatin1String("server-format-definition-changes"), "ServerFormats/%1/Formats.xml" } };
    if (!container) {
        return QString();
    }
    const QStringView containerName = container->nameView();
    for (const auto& [name, file] : files) {
        if (containerName.size() == name.size() && containerName == name) {
            const QString folder = container->attribute(QStringLiteral("servermodelfolder"));
            return isPlainName(folder) ? QString::fromLatin1(file).arg(folder) : QString();
        }
    }
    return QString();
}

// One line of a text file from an attribute: its own line breaks would make it several.
// An attribute's value as one line of a plain list: its references decoded,
// and every control or line-breaking character (which would split or corrupt
// the list) a space.
QString oneLine(const CElement* element, const QString& lowerName)
{
    QString text = CElement::decodedText(element->attributeSource(lowerName));
    for (QChar& c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029) {
            c = QLatin1Char(' ');
        }
    }
    return text.trimmed();
}

} // namespace

QList<ConfigurationInsert> ConfigurationChanges::configurationInserts(
    const std::vector<const CElement*>& insertElements)
{
    using Kind = ConfigurationInsert::Kind;
    using Placement = ConfigurationInsert::Placement;
    QList<ConfigurationInsert> inserts;
    // A menu-insert outside a server model's changes is Menus.xml's, and
    // left out here before anything is made for it.
    std::vector<const CElement*> candidates;
    for (const CElement* node : insertElements) {
        const QStringView name = node->nameView();
        if (isInsertName(name) && (!isNamed(name, u"menu-insert") || !serverModelFile(node->parent()).isEmpty())) {
            candidates.push_back(node);
        }
    }
    for (const CElement* element : candidates) {
        const QStringView name = element->nameView();
        if (!isInsertName(name)) {
            continue;
        }
        const CElement* container = element->parent();
        ConfigurationInsert entry;
        PlacementIds ids;
        if (name == QLatin1String("taglibrary-insert") || name == QLatin1String("documenttype-insert")
            || name == QLatin1String("toolbar-insert")) {
            const bool tagLibrary = name == QLatin1String("taglibrary-insert");
            const bool toolbar = name == QLatin1String("toolbar-insert");
            entry.kind = tagLibrary ? Kind::TagLibrary : toolbar ? Kind::Toolbar : Kind::DocumentType;
            entry.language = element->attribute(languageName());
            entry.markup = blockMarkup(element, &entry.itemIds);
        } else if (name == QLatin1String("toolbar-item-insert")) {
            entry.kind = Kind::ToolbarItem;
            element->attributes({ { QLatin1String("appendto"), &ids.appendTo },
                { QLatin1String("prependto"), &ids.prependTo }, { QLatin1String("insertbefore"), &ids.insertBefore },
                { QLatin1String("insertafter"), &ids.insertAfter }, { QLatin1String("toolbar"), &entry.fallback },
                { QLatin1String("xml:lang"), &entry.language } });
            std::tie(entry.placement, entry.target) = placementOf(ids);
            if (entry.fallback.isEmpty()
                && (entry.placement == Placement::AppendTo || entry.placement == Placement::PrependTo)) {
                entry.fallback = entry.target;
            }
            entry.markup = blockMarkup(element, &entry.itemIds);
            if (entry.target.isEmpty()) {
                continue;
            }
        } else if (name == QLatin1String("menu-insert") && !serverModelFile(container).isEmpty()) {
            entry.kind = Kind::ServerMenu;
            readMenuPlacement(element, &entry);
            entry.markup = blockMarkup(element, &entry.itemIds);
            if (entry.target.isEmpty()) {
                continue;
            }
        } else if (name == QLatin1String("extension-insert")) {
            entry.kind = Kind::ExtensionLine;
            element->attributes({ { QLatin1String("xml:lang"), &entry.language } });
            const QString extensions = oneLine(element, QStringLiteral("extension"));
            entry.markup = extensions + QLatin1Char(':') + oneLine(element, QStringLiteral("description"));
            if (extensions.isEmpty()) {
                continue;
            }
        } else if (name == QLatin1String("ftp-extension-insert")) {
            entry.kind = Kind::FtpMapLine;
            element->attributes({ { QLatin1String("xml:lang"), &entry.language } });
            const QString extension = oneLine(element, QStringLiteral("extension")).toUpper();
            const QString type = oneLine(element, QStringLiteral("type")).toUpper();
            if (extension.isEmpty() || (type != QLatin1String("ASCII") && type != QLatin1String("BINARY"))) {
                continue;
            }
            entry.markup = extension + QLatin1Char('\t') + type;
        } else {
            continue;
        }
        switch (entry.kind) {
        case Kind::TagLibrary:
            entry.file = QStringLiteral("TagLibraries/TagLibraries.vtm");
            break;
        case Kind::DocumentType:
            entry.file = QStringLiteral("DocumentTypes/MMDocumentTypes.xml");
            break;
        case Kind::Toolbar:
        case Kind::ToolbarItem: {
            const QString file = container && container->nameView() == QLatin1String("toolbar-changes")
                ? container->attribute(QStringLiteral("file"))
                : QString();
            if (!file.isEmpty() && !isPlainName(file)) {
                continue;
            }
            entry.file = QStringLiteral("Toolbars/") + (file.isEmpty() ? QStringLiteral("toolbars.xml") : file);
            break;
        }
        case Kind::ServerMenu:
            entry.file = serverModelFile(container);
            break;
        case Kind::ExtensionLine:
            entry.file = QStringLiteral("Extensions.txt");
            break;
        case Kind::FtpMapLine:
            entry.file = QStringLiteral("FTPExtensionMap.txt");
            break;
        }
        if (entry.isLine() || holdsMarkup(element)) {
            inserts.append(entry);
        }
    }
    return inserts;
}
