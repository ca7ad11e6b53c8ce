#include "installer/EntryEditor.h"

#include "installer/MarkupBalance.h"
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

int lastLineBreak(const QString& text)
{
    return std::max(text.lastIndexOf(QLatin1Char('\n')), text.lastIndexOf(QLatin1Char('\r')));
}

// The line end of the element's own line, as the file writes line ends, and
// the white space that starts it, when the element stands on a line of its
// own; empty otherwise.
QString lineIndentation(CElement* element, const QString& lineEnd)
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
    const int lineBreak = lastLineBreak(text);
    if (lineBreak < 0) {
        return QString();
    }
    const QString indentation = text.mid(lineBreak + 1);
    for (const QChar c : indentation) {
        if (!c.isSpace()) {
            return QString();
        }
    }
    return lineEnd + indentation;
}

// The file's own line end: its first, or "\n" when it has none.
QString firstLineEnd(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n')) {
            return QStringLiteral("\n");
        }
        if (text.at(i) == QLatin1Char('\r')) {
            return i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n') ? QStringLiteral("\r\n")
                                                                              : QStringLiteral("\r");
        }
    }
    return QStringLiteral("\n");
}

// markup with every line end made lineEnd.
QString withLineEnds(QString markup, const QString& lineEnd)
{
    markup.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lineEnd == QLatin1String("\n") ? markup : markup.replace(QLatin1Char('\n'), lineEnd);
}

// How many elements deep node lies below the document's root (the root: 0).
int depthOf(const CElement* node)
{
    int depth = 0;
    for (; node && node->parent(); node = node->parent()) {
        ++depth;
    }
    return depth;
}

// A value for an attribute the editor writes between double quotes.
QString escapedAttribute(QString value)
{
    return value.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"))
        .replace(QLatin1Char('"'), QLatin1String("&quot;"));
}

using Kind = InstallReport::EntryKind;
using Outcome = InstallReport::EntryOutcome;

void note(EntryEditor::EntryResults* results, Kind kind, const QString& id, const QString& target, Outcome outcome,
    const QString& detail = QString())
{
    if (results) {
        results->append({ QString(), QString(), kind, id, target, outcome, detail });
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

void EntryEditor::insertMarkup(CElement* target, const QString& markup, const QString& unit, const QString& lineEnd)
{
    CElement* trailingNode = nullptr;
    QString trailing;
    const std::vector<CElement*> children = target->children();
    if (!children.empty() && isTextNode(children.back())) {
        trailingNode = children.back();
        trailing = trailingNode->text();
    }
    // Each inserted line starts with the file's line end, whatever line end
    // the end tag's own line or the manifest happen to use.
    const int lineBreak = lastLineBreak(trailing);
    const QString indentation = lineBreak < 0 ? trailing : lineEnd + trailing.mid(lineBreak + 1);

    Accessor snippet;
    snippet.parse(withLineEnds(markup, lineEnd));
    reindent(snippet.root(), indentation, unit);
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

bool EntryEditor::expandEmptyElement(CElement* element, const QString& lineEnd)
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
    const QString expanded = startTag.left(startTag.size() - 2) + QLatin1Char('>') + lineIndentation(element, lineEnd)
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
        , lineEnd(firstLineEnd(text))
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
    const QString lineEnd;
    Accessor document;

private:
    QString m_parsedText;
};

bool EntryEditor::insertIntoTarget(
    Draft& draft, CElement* target, const QString& targetId, const QString& markup, const QString& unit)
{
    if (expandEmptyElement(target, draft.lineEnd)) {
        draft.commit();
        target = draft.find(targetId);
        if (!target) {
            return false;
        }
    }
    insertMarkup(target, markup, unit, draft.lineEnd);
    draft.commit();
    return true;
}

QString EntryEditor::addMenuInserts(const QString& text, const QList<MenuInsert>& inserts, EntryResults* results)
{
    Draft draft(text);
    for (const MenuInsert& entry : inserts) {
        CElement* target = draft.find(entry.appendTo);
        QString reason;
        if (!MarkupBalance::check(entry.markup, depthOf(target), &reason)) {
            note(results, Kind::MenuEntry, entry.itemId, entry.appendTo, Outcome::Refused, reason);
            continue;
        }
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
        QString reason;
        const int depth = category ? depthOf(category) : bars.empty() ? 0 : depthOf(bars.front()) + 1;
        // The markup model decodes only "&amp;" in an id: a category whose id
        // reads back otherwise could not be found again, to add to or remove.
        const QString writtenId = escapedAttribute(entry.categoryId);
        if (!category && !bars.empty()
            && QString(writtenId).replace(QLatin1String("&amp;"), QLatin1String("&")) != entry.categoryId) {
            reason = QStringLiteral("its category id holds a quote or an angle bracket");
        }
        if (!reason.isEmpty() || !MarkupBalance::check(entry.markup, depth, &reason)) {
            note(results, Kind::InsertbarButton, entry.buttonId, entry.categoryId, Outcome::Refused, reason);
            continue;
        }
        if (!bars.empty()) {
            if (expandEmptyElement(bars.front(), draft.lineEnd)) {
                draft.commit();
            }
            insertMarkup(draft.parsed().elementsByTagName(QStringLiteral("insertbar")).front(),
                QStringLiteral("<category folder=\"") + escapedAttribute(entry.folder) + QStringLiteral("\" id=\"")
                    + writtenId + QStringLiteral("\"></category>"),
                insertbarIndentUnit(), draft.lineEnd);
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
        if (results && added) {
            results->back().createdTarget = !bars.empty();
        }
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

QString EntryEditor::removeInsertbarInserts(const QString& text, const QList<InsertbarInsert>& inserts,
    EntryResults* results, const QStringList* removableCategories)
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
        if (!bars.empty() && (!removableCategories || removableCategories->contains(entry.categoryId))) {
            removeChildrenById(bars.front(), entry.categoryId);
        }
        draft.commit();
    }
    return draft.text;
}
