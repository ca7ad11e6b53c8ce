#include "installer/EntryEditor.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"

namespace {

bool isTextNode(const CElement* node)
{
    return node->name().isEmpty();
}

bool holdsElement(const CElement* node)
{
    for (const CElement* child : node->children()) {
        if (!isTextNode(child)) {
            return true;
        }
    }
    return false;
}

// The tag name as the source spells it, for an end tag that matches the start tag.
QString sourceTagName(const QString& startTag)
{
    int end = 1;
    while (end < startTag.size()) {
        const QChar c = startTag.at(end);
        if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('>')) {
            break;
        }
        ++end;
    }
    return startTag.mid(1, end - 1);
}

// The white space that starts the element's own line, when the element stands
// on a line of its own; empty otherwise.
QString lineIndentation(CElement* element)
{
    CElement* parent = element->parent();
    if (!parent) {
        return QString();
    }
    const std::vector<CElement*> siblings = parent->children();
    CElement* previous = nullptr;
    for (CElement* sibling : siblings) {
        if (sibling == element) {
            break;
        }
        previous = sibling;
    }
    if (!previous || !isTextNode(previous)) {
        return QString();
    }
    const QString text = previous->text();
    const int lineBreak = text.lastIndexOf(QLatin1Char('\n'));
    if (lineBreak < 0) {
        return QString();
    }
    const QString indentation = text.mid(lineBreak + 1);
    for (const QChar c : indentation) {
        if (!c.isSpace()) {
            return QString();
        }
    }
    return QLatin1Char('\n') + indentation;
}

using Kind = InstallReport::EntryKind;
using Outcome = InstallReport::EntryOutcome;

void note(EntryEditor::EntryResults* results, Kind kind, const QString& id, const QString& target, Outcome outcome)
{
    if (results) {
        results->append({ QString(), QString(), kind, id, target, outcome });
    }
}

// What blanking the entries carrying id below parent did, judged from the
// text before and after.
Outcome removalOutcome(bool changed, CElement* parent, const QString& id)
{
    if (changed) {
        return Outcome::Removed;
    }
    return parent && parent->elementById(id) ? Outcome::KeptHoldsElements : Outcome::NotPresent;
}

} // namespace

void EntryEditor::reindent(CElement* node, const QString& indentation, const QString& unit)
{
    // The markup comes from a package: the walk keeps its own stack instead of
    // recursing, and the indentation stops growing past a depth no real menu
    // reaches, so that a snippet nested thousands deep neither exhausts the
    // stack nor grows the text with the square of its depth.
    QStringList indents { indentation + unit };
    while (indents.size() < maximumIndentDepth) {
        indents << indents.back() + unit;
    }
    struct Pending
    {
        CElement* node;
        int depth;
        // Taken before the node gains the line that indents its end tag.
        std::vector<CElement*> children;
    };
    std::vector<Pending> pending;
    pending.push_back({ node, 0, node->children() });
    while (!pending.empty()) {
        const Pending level = std::move(pending.back());
        pending.pop_back();
        const QString& inner = indents.at(std::min(level.depth, maximumIndentDepth - 1));
        for (CElement* child : level.children) {
            if (isTextNode(child)) {
                child->clear();
                continue;
            }
            pending.push_back({ child, level.depth + 1, child->children() });
            child->addSiblingBefore()->setText(inner);
            if (!child->hasEmptyEndTag()) {
                child->addChild()->setText(inner);
            }
        }
    }
}

void EntryEditor::insertMarkup(CElement* target, const QString& markup, const QString& unit)
{
    CElement* trailingNode = nullptr;
    QString trailing;
    const std::vector<CElement*> children = target->children();
    if (!children.empty() && isTextNode(children.back())) {
        trailingNode = children.back();
        trailing = trailingNode->text();
    }

    Accessor snippet;
    snippet.parse(markup);
    reindent(snippet.root(), trailing, unit);
    const QString serialised = snippet.toString();

    CElement* node = trailingNode ? trailingNode->addSiblingBefore() : target->addChild();
    node->setText(serialised);
}

void EntryEditor::removeChildrenById(CElement* parent, const QString& id)
{
    const std::vector<CElement*> children = parent->children();
    for (size_t i = 0; i < children.size(); ++i) {
        CElement* child = children[i];
        if (child->attribute(QStringLiteral("id")) != id || holdsElement(child)) {
            continue;
        }
        child->clear();
        if (i > 0 && isTextNode(children[i - 1])) {
            children[i - 1]->clear();
        }
    }
}

bool EntryEditor::expandEmptyElement(CElement* element)
{
    const QString startTag = element->startTag();
    if (element->name().isEmpty() || element->name() == QLatin1String("!--") || !element->children().empty()
        || !element->hasEmptyEndTag() || !element->text().isEmpty() || !startTag.endsWith(QLatin1String("/>"))) {
        return false;
    }
    const QString tagName = sourceTagName(startTag);
    if (tagName.isEmpty()) {
        return false;
    }
    const QString expanded = startTag.left(startTag.size() - 2) + QLatin1Char('>') + lineIndentation(element)
        + QStringLiteral("</") + tagName + QLatin1Char('>');
    // The model cannot rewrite a start tag, so the element is replaced by a
    // text node holding its expanded form; a later parse reads it as one
    // element again.
    element->addSiblingBefore()->setText(expanded);
    element->clear();
    return true;
}

CElement* EntryEditor::findInFreshParse(Accessor& document, QString& parsedText, const QString& text, const QString& id)
{
    // A document holding an edit is stale even when the text it wrote out
    // equals parsedText, so callers reset parsedText after every edit.
    if (parsedText.isNull() || parsedText != text) {
        document.parse(text);
        parsedText = text;
    }
    return document.elementById(id);
}

bool EntryEditor::insertIntoTarget(Accessor& document, QString& parsedText, QString& current, CElement* target,
    const QString& targetId, const QString& markup, const QString& unit)
{
    if (expandEmptyElement(target)) {
        current = document.toString();
        parsedText = QString();
        target = findInFreshParse(document, parsedText, current, targetId);
        if (!target) {
            return false;
        }
    }
    insertMarkup(target, markup, unit);
    current = document.toString();
    parsedText = QString();
    return true;
}

QString EntryEditor::addMenuInserts(const QString& text, const QList<MenuInsert>& inserts, EntryResults* results)
{
    QString current = text;
    Accessor document;
    QString parsedText;
    for (const MenuInsert& entry : inserts) {
        CElement* target = findInFreshParse(document, parsedText, current, entry.appendTo);
        if (!target || target->elementById(entry.itemId)) {
            note(results, Kind::MenuEntry, entry.itemId, entry.appendTo,
                target ? Outcome::AlreadyPresent : Outcome::TargetMissing);
            continue;
        }
        const bool added
            = insertIntoTarget(document, parsedText, current, target, entry.appendTo, entry.markup, menuIndentUnit());
        note(results, Kind::MenuEntry, entry.itemId, entry.appendTo, added ? Outcome::Added : Outcome::TargetMissing);
    }
    return current;
}

QString EntryEditor::addInsertbarInserts(
    const QString& text, const QList<InsertbarInsert>& inserts, EntryResults* results)
{
    QString current = text;
    Accessor document;
    QString parsedText;
    for (const InsertbarInsert& entry : inserts) {
        CElement* category = findInFreshParse(document, parsedText, current, entry.categoryId);
        if (!category) {
            const std::vector<CElement*> bars = document.elementsByTagName(QStringLiteral("insertbar"));
            if (!bars.empty()) {
                CElement* bar = bars.front();
                if (expandEmptyElement(bar)) {
                    current = document.toString();
                    document.parse(current);
                    parsedText = current;
                    bar = document.elementsByTagName(QStringLiteral("insertbar")).front();
                }
                insertMarkup(bar,
                    QStringLiteral("<category folder=\"") + entry.folder + QStringLiteral("\" id=\"") + entry.categoryId
                        + QStringLiteral("\"></category>"),
                    insertbarIndentUnit());
                current = document.toString();
                parsedText = QString();
            }
            category = findInFreshParse(document, parsedText, current, entry.categoryId);
        }
        if (!category || category->elementById(entry.buttonId)) {
            note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId,
                category ? Outcome::AlreadyPresent : Outcome::TargetMissing);
            continue;
        }
        const bool added = insertIntoTarget(
            document, parsedText, current, category, entry.categoryId, entry.markup, insertbarIndentUnit());
        note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId,
            added ? Outcome::Added : Outcome::TargetMissing);
    }
    return current;
}

QString EntryEditor::removeMenuInserts(const QString& text, const QList<MenuInsert>& inserts, EntryResults* results)
{
    QString current = text;
    Accessor document;
    QString parsedText;
    for (int i = inserts.size() - 1; i >= 0; --i) {
        const MenuInsert& entry = inserts.at(i);
        CElement* target = findInFreshParse(document, parsedText, current, entry.appendTo);
        if (!target) {
            note(results, Kind::MenuEntry, entry.itemId, entry.appendTo, Outcome::NotPresent);
            continue;
        }
        removeChildrenById(target, entry.itemId);
        const QString edited = document.toString();
        note(results, Kind::MenuEntry, entry.itemId, entry.appendTo,
            removalOutcome(edited != current, target, entry.itemId));
        current = edited;
        parsedText = QString();
    }
    return current;
}

QString EntryEditor::removeInsertbarInserts(
    const QString& text, const QList<InsertbarInsert>& inserts, EntryResults* results)
{
    QString current = text;
    Accessor document;
    QString parsedText;
    for (const InsertbarInsert& entry : inserts) {
        CElement* category = findInFreshParse(document, parsedText, current, entry.categoryId);
        if (!category) {
            note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId, Outcome::NotPresent);
            continue;
        }
        removeChildrenById(category, entry.buttonId);
        // Judged before the category itself may go, which would hide the button's fate.
        note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId,
            removalOutcome(document.toString() != current, category, entry.buttonId));
        // Blanking the button may have left the category without any element;
        // only then does this take the category out too, so one that other
        // extensions or Dreamweaver still use stays.
        const std::vector<CElement*> bars = document.elementsByTagName(QStringLiteral("insertbar"));
        if (!bars.empty()) {
            removeChildrenById(bars.front(), entry.categoryId);
        }
        current = document.toString();
        parsedText = QString();
    }
    return current;
}
