#include "discovery/ConfigurationChanges.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <utility>

namespace {

bool isElement(const CElement* node)
{
    return !node->name().isEmpty() && node->name() != QLatin1String("!--");
}

// The elements below root in document order, without recursing: a manifest
// comes from a package and may nest deeper than the stack allows.
std::vector<CElement*> elementsInOrder(CElement* root)
{
    std::vector<CElement*> order;
    std::vector<CElement*> pending { root };
    while (!pending.empty()) {
        CElement* node = pending.back();
        pending.pop_back();
        if (node != root && isElement(node)) {
            order.push_back(node);
        }
        const std::vector<CElement*> children = node->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return order;
}

// The placement attribute the entry carries and the id it names; appendTo
// when it carries none.
std::pair<MenuInsert::Placement, QString> placementOf(const CElement* insert, bool* given = nullptr)
{
    using Placement = MenuInsert::Placement;
    const std::pair<Placement, const char*> names[]
        = { { Placement::AppendTo, "appendTo" }, { Placement::PrependTo, "prependTo" },
              { Placement::InsertBefore, "insertBefore" }, { Placement::InsertAfter, "insertAfter" } };
    for (const auto& [placement, name] : names) {
        const QString id = insert->attribute(QLatin1String(name));
        if (!id.isEmpty()) {
            if (given) {
                *given = true;
            }
            return { placement, id };
        }
    }
    if (given) {
        *given = false;
    }
    return { Placement::AppendTo, QString() };
}

QStringList idsOf(const std::vector<CElement*>& elements)
{
    QStringList ids;
    for (const CElement* element : elements) {
        const QString id = element->attribute(QStringLiteral("id"));
        if (isElement(element) && !id.isEmpty()) {
            ids << id;
        }
    }
    return ids;
}

// The children as they go into the file: a "comment" element becomes an XML
// comment holding its text, which may not end the comment early.
QString blockMarkup(const CElement* insert, QStringList* ids)
{
    QString markup;
    for (const CElement* child : insert->children()) {
        if (child->name() == QLatin1String("comment")) {
            QString text = child->innerMarkup().trimmed();
            while (text.contains(QLatin1String("--"))) {
                text.replace(QLatin1String("--"), QLatin1String("- -"));
            }
            markup += QStringLiteral("<!-- ") + text + QStringLiteral(" -->");
            continue;
        }
        markup += child->outerMarkup();
        const QString id = child->attribute(QStringLiteral("id"));
        if (isElement(child) && !id.isEmpty()) {
            *ids << id;
        }
    }
    return markup;
}

bool holdsMarkup(const CElement* insert)
{
    for (const CElement* child : insert->children()) {
        if (!child->name().isEmpty()) {
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

QList<MenuInsert> ConfigurationChanges::menuInserts(Accessor& document)
{
    QList<MenuInsert> inserts;
    for (CElement* element : elementsInOrder(document.root())) {
        const QString name = element->name();
        const bool shortcut = name == QLatin1String("shortcut-insert");
        if (name != QLatin1String("menu-insert") && !shortcut) {
            continue;
        }
        // Server behaviours, data sources and server formats take menu-inserts
        // of their own, meant for other files.
        const CElement* container = element->parent();
        const QString containerName = container ? container->name() : QString();
        if (containerName.endsWith(QLatin1String("-changes"))
            && containerName != QLatin1String("configuration-changes")) {
            continue;
        }
        MenuInsert entry;
        entry.shortcut = shortcut;
        if (shortcut) {
            entry.target = element->attribute(QStringLiteral("list_Id"));
        } else {
            std::tie(entry.placement, entry.target) = placementOf(element);
            entry.skipSeparator = element->attribute(QStringLiteral("skipSeparator"))
                                      .compare(QLatin1String("true"), Qt::CaseInsensitive)
                == 0;
        }
        entry.language = element->attribute(QStringLiteral("xml:lang"));
        entry.markup = blockMarkup(element, &entry.itemIds);
        if ((shortcut || !entry.target.isEmpty()) && holdsMarkup(element)) {
            inserts.append(entry);
        }
    }
    return inserts;
}

QList<InsertbarInsert> ConfigurationChanges::insertbarInserts(Accessor& document)
{
    QList<InsertbarInsert> inserts;
    for (CElement* element : elementsInOrder(document.root())) {
        const QString name = element->name();
        InsertbarInsert entry;
        entry.language = element->attribute(QStringLiteral("xml:lang"));
        if (name == QLatin1String("insertbar-insert")) {
            bool placed = false;
            std::tie(entry.placement, entry.target) = placementOf(element, &placed);
            // Only a category's neighbours can be named: a category cannot go inside another.
            if (!placed || entry.placement == InsertbarInsert::Placement::AppendTo
                || entry.placement == InsertbarInsert::Placement::PrependTo) {
                entry.placement = InsertbarInsert::Placement::AppendTo;
                entry.target.clear();
            }
            for (CElement* category : element->children()) {
                entry.categoryId = category->attribute(QStringLiteral("id"));
                if (category->name() != QLatin1String("category") || entry.categoryId.isEmpty()) {
                    continue;
                }
                entry.category = true;
                entry.markup = category->outerMarkup();
                entry.itemIds = idsOf(elementsInOrder(category));
                inserts.append(entry);
            }
        } else if (name == QLatin1String("insertbar-item-insert")) {
            std::tie(entry.placement, entry.target) = placementOf(element);
            entry.categoryId = element->attribute(QStringLiteral("category"));
            if (entry.categoryId.isEmpty()
                && (entry.placement == InsertbarInsert::Placement::AppendTo
                    || entry.placement == InsertbarInsert::Placement::PrependTo)) {
                entry.categoryId = entry.target;
            }
            entry.markup = blockMarkup(element, &entry.itemIds);
            if (!entry.target.isEmpty() && holdsMarkup(element)) {
                inserts.append(entry);
            }
        }
    }
    return inserts;
}
