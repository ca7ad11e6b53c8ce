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
        // A comment's text reads like a start tag, and a commented-out copy of
        // the entry is the user's, not the extension's.
        if (child->name() == QLatin1String("!--") || child->attribute(QStringLiteral("id")) != id
            || holdsElement(child)) {
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

// The text as the entries so far left it, and a parse of it that is redone
// only when the text changed since the document last read it.
class EntryEditor::Draft
{
public:
    explicit Draft(const QString& text)
        : text(text)
    {
    }

    Accessor& parsed()
    {
        if (m_parsedText.isNull() || m_parsedText != text) {
            document.parse(text);
            m_parsedText = text;
        }
        return document;
    }
    CElement* find(const QString& id) { return parsed().elementById(id); }
    // A document holding an edit is stale even when the text it writes out
    // equals what it parsed, so every edit ends here and the next look-up
    // parses again.
    void commit()
    {
        text = document.toString();
        m_parsedText = QString();
    }

    QString text;
    Accessor document;

private:
    QString m_parsedText;
};

bool EntryEditor::insertIntoTarget(
    Draft& draft, CElement* target, const QString& targetId, const QString& markup, const QString& unit)
{
    if (expandEmptyElement(target)) {
        draft.commit();
        target = draft.find(targetId);
        if (!target) {
            return false;
        }
    }
    insertMarkup(target, markup, unit);
    draft.commit();
    return true;
}

QString EntryEditor::addMenuInserts(const QString& text, const QList<MenuInsert>& inserts, EntryResults* results)
{
    Draft draft(text);
    for (const MenuInsert& entry : inserts) {
        CElement* target = draft.find(entry.appendTo);
        if (!target || target->elementById(entry.itemId)) {
            note(results, Kind::MenuEntry, entry.itemId, entry.appendTo,
                target ? Outcome::AlreadyPresent : Outcome::TargetMissing);
            continue;
        }
        const bool added = insertIntoTarget(draft, target, entry.appendTo, entry.markup, menuIndentUnit());
        note(results, Kind::MenuEntry, entry.itemId, entry.appendTo, added ? Outcome::Added : Outcome::TargetMissing);
    }
    return draft.text;
}

QString EntryEditor::addInsertbarInserts(
    const QString& text, const QList<InsertbarInsert>& inserts, EntryResults* results)
{
    Draft draft(text);
    for (const InsertbarInsert& entry : inserts) {
        CElement* category = draft.find(entry.categoryId);
        // A category of the extension's own goes at the end of the Insert bar.
        const std::vector<CElement*> bars
            = category ? std::vector<CElement*>() : draft.document.elementsByTagName(QStringLiteral("insertbar"));
        if (!bars.empty()) {
            if (expandEmptyElement(bars.front())) {
                draft.commit();
            }
            insertMarkup(draft.parsed().elementsByTagName(QStringLiteral("insertbar")).front(),
                QStringLiteral("<category folder=\"") + entry.folder + QStringLiteral("\" id=\"") + entry.categoryId
                    + QStringLiteral("\"></category>"),
                insertbarIndentUnit());
            draft.commit();
            category = draft.find(entry.categoryId);
        }
        if (!category || category->elementById(entry.buttonId)) {
            note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId,
                category ? Outcome::AlreadyPresent : Outcome::TargetMissing);
            continue;
        }
        const bool added = insertIntoTarget(draft, category, entry.categoryId, entry.markup, insertbarIndentUnit());
        note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId,
            added ? Outcome::Added : Outcome::TargetMissing);
    }
    return draft.text;
}

QString EntryEditor::removeMenuInserts(const QString& text, const QList<MenuInsert>& inserts, EntryResults* results)
{
    Draft draft(text);
    for (int i = inserts.size() - 1; i >= 0; --i) {
        const MenuInsert& entry = inserts.at(i);
        CElement* target = draft.find(entry.appendTo);
        if (!target) {
            note(results, Kind::MenuEntry, entry.itemId, entry.appendTo, Outcome::NotPresent);
            continue;
        }
        removeChildrenById(target, entry.itemId);
        const QString before = draft.text;
        draft.commit();
        note(results, Kind::MenuEntry, entry.itemId, entry.appendTo,
            removalOutcome(draft.text != before, target, entry.itemId));
    }
    return draft.text;
}

QString EntryEditor::removeInsertbarInserts(
    const QString& text, const QList<InsertbarInsert>& inserts, EntryResults* results)
{
    Draft draft(text);
    for (const InsertbarInsert& entry : inserts) {
        CElement* category = draft.find(entry.categoryId);
        if (!category) {
            note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId, Outcome::NotPresent);
            continue;
        }
        removeChildrenById(category, entry.buttonId);
        // Judged before the category itself may go, which would hide the button's fate.
        note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId,
            removalOutcome(draft.document.toString() != draft.text, category, entry.buttonId));
        // Blanking the button may have left the category without any element;
        // only then does this take the category out too, so one that other
        // extensions or Dreamweaver still use stays.
        const std::vector<CElement*> bars = draft.document.elementsByTagName(QStringLiteral("insertbar"));
        if (!bars.empty()) {
            removeChildrenById(bars.front(), entry.categoryId);
        }
        draft.commit();
    }
    return draft.text;
}
