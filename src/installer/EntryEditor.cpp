#include "installer/EntryEditor.h"

#include "installer/EditSession.h"
#include "installer/MarkupBalance.h"
#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <QHash>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <unordered_map>

namespace {

bool isTextNode(const CElement* node)
{
    return node->nameView().isEmpty();
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

int lastLineBreak(QStringView text)
{
    // A file may end its lines with CR LF, LF or CR alone.
    for (qsizetype at = text.size() - 1; at >= 0; --at) {
        if (text[at] == QLatin1Char('\n') || text[at] == QLatin1Char('\r')) {
            return int(at);
        }
    }
    return -1;
}

// The line end of the element's own line, as the file writes line ends, and
// the white space that starts it, when the element stands on a line of its
// own; empty otherwise.
QString lineIndentation(const std::vector<CElement*>& siblings, const CElement* element, const QString& lineEnd)
{
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

QString lineIndentation(CElement* element, const QString& lineEnd)
{
    const CElement* parent = element->parent();
    return parent ? lineIndentation(parent->children(), element, lineEnd) : QString();
}

QString lineIndentation(EditSession& session, CElement* element)
{
    const CElement* parent = element->parent();
    return parent ? lineIndentation(session.children(parent), element, session.lineEnd()) : QString();
}

// markup with every line end made lineEnd.
QString withLineEnds(QString markup, const QString& lineEnd)
{
    if (lineEnd == QLatin1String("\n") && !markup.contains(QLatin1Char('\r'))) {
        return markup;
    }
    markup.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lineEnd == QLatin1String("\n") ? markup : markup.replace(QLatin1Char('\n'), lineEnd);
}

// The parts one after another, in one string.
QString joined(std::initializer_list<QStringView> parts)
{
    qsizetype size = 0;
    for (const QStringView part : parts) {
        size += part.size();
    }
    QString out(size, Qt::Uninitialized);
    QChar* at = out.data();
    for (const QStringView part : parts) {
        std::copy(part.begin(), part.end(), at);
        at += part.size();
    }
    return out;
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

using Kind = InstallReport::EntryKind;
using Outcome = InstallReport::EntryOutcome;

// A block's ids as the report and the record show them.
QString shownIds(const QStringList& ids)
{
    return ids.join(QStringLiteral(", "));
}

void note(EntryEditor::EntryResults* results, Kind kind, const QStringList& ids, const QString& target, Outcome outcome,
    const QString& detail = QString())
{
    if (results) {
        results->append(InstallReport::EntryResult::of(kind, shownIds(ids), target, outcome, detail));
    }
}

// The id of an element, read without a copy where it holds no entity.
QString idOf(const CElement* element)
{
    const QString idName = QStringLiteral("id");
    const QStringView id = element->attributeSource(idName);
    return id.contains(QLatin1Char('&')) ? element->attribute(idName) : QString::fromRawData(id.data(), id.size());
}

CElement* childWithId(const CElement* parent, const QString& id)
{
    for (CElement* child : parent->children()) {
        if (child->isElement() && idOf(child) == id) {
            return child;
        }
    }
    return nullptr;
}

CElement* siblingNextTo(EditSession& session, CElement* node, int step)
{
    const std::vector<CElement*>& siblings = session.children(node->parent());
    const auto at = std::find(siblings.begin(), siblings.end(), node) - siblings.begin() + step;
    return at >= 0 && at < static_cast<long>(siblings.size()) ? siblings[static_cast<size_t>(at)] : nullptr;
}

bool isBlank(const CElement* node)
{
    return isTextNode(node) && node->text().trimmed().isEmpty();
}

// Empties node and the white space that puts it on its line.
void blankWithIndentation(EditSession& session, CElement* node)
{
    CElement* previous = siblingNextTo(session, node, -1);
    if (previous && isTextNode(previous)) {
        // Only the white space after the last other character: text on the
        // lines before it is not the element's to take away.
        const QString text = previous->text();
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1).isSpace()) {
            --end;
        }
        if (end == 0) {
            previous->clear();
        } else if (end < text.size()) {
            previous->setText(text.left(end));
        }
    }
    node->clear();
    session.noteEdited(node->parent());
}

// How a removal finds again the element a block went into.
QString locatorOf(const CElement* element)
{
    if (!element->parent()) {
        return QString();
    }
    const QString id = idOf(element);
    return id.isEmpty() ? element->name() : element->name() + QLatin1Char('#') + id;
}

CElement* firstNamed(Accessor& document, const QString& name)
{
    const std::vector<CElement*> named = document.elementsByTagName(name);
    return named.empty() ? nullptr : named.front();
}

CElement* locate(EditSession& session, const QString& locator)
{
    if (locator.isEmpty()) {
        return session.document().root();
    }
    const int hash = locator.indexOf(QLatin1Char('#'));
    if (hash < 0) {
        return firstNamed(session.document(), locator);
    }
    const QString name = locator.left(hash);
    return session.findElement(locator.mid(hash + 1), name.isEmpty() ? QStringList() : QStringList { name });
}

// The markup of each of a parent's children as the text now reads, kept
// from one block to the next: a package's blocks share a few parents, each
// holding many children.
struct ChildMarkup
{
    bool read = false;
    // editCount() when it was read; an edit below the parent since makes it stale.
    quint64 readAt = 0;
    std::vector<QStringView> pieces;
    // The markup of children an edit reached, which the parsed text no longer shows.
    std::vector<QString> owned;
};

using ChildMarkups = std::unordered_map<const CElement*, ChildMarkup>;

const ChildMarkup& childMarkup(EditSession& session, const CElement* parent, ChildMarkups& markups)
{
    ChildMarkup& markup = markups[parent];
    if (markup.read && session.lastEditBelow(parent) <= markup.readAt) {
        return markup;
    }
    const std::vector<CElement*>& children = session.children(parent);
    const QString& source = session.document().source();
    markup.pieces.assign(children.size(), QStringView());
    markup.owned.assign(children.size(), QString());
    for (size_t i = 0; i < children.size(); ++i) {
        // Below a node no edit reached, its markup is the range it was read from.
        int begin = 0;
        int end = 0;
        if (!session.isTouched(children[i]) && children[i]->sourceRange(&begin, &end)) {
            markup.pieces[i] = QStringView(source).mid(begin, end - begin);
        } else {
            markup.owned[i] = children[i]->outerMarkup();
            markup.pieces[i] = markup.owned[i];
        }
        Q_ASSERT(markup.pieces[i] == children[i]->outerMarkup());
    }
    markup.read = true;
    markup.readAt = session.editCount();
    return markup;
}

// Empties the first run of parent's children that reads exactly block.
bool removeBlock(EditSession& session, CElement* parent, const QString& block, ChildMarkups& markups)
{
    if (block.isEmpty()) {
        return false;
    }
    const std::vector<CElement*>& children = session.children(parent);
    const ChildMarkup& read = childMarkup(session, parent, markups);
    const std::vector<QStringView>& pieces = read.pieces;
    // The run from each child is as long as it must be to reach the block's
    // length; [first, end) holds length characters.
    size_t end = 0;
    qsizetype length = 0;
    for (size_t first = 0; first < pieces.size(); ++first) {
        while (end < pieces.size() && length < block.size()) {
            length += pieces[end++].size();
        }
        bool same = !pieces[first].isEmpty() && length == block.size();
        for (size_t i = first, at = 0; same && i < end; at += size_t(pieces[i++].size())) {
            same = QStringView(block).mid(qsizetype(at), pieces[i].size()) == pieces[i];
        }
        if (same) {
            for (size_t i = first; i < end; ++i) {
                children[i]->clear();
            }
            session.noteEdited(parent);
            // What this edit changed below the parent is known: the run reads as nothing now.
            ChildMarkup& markup = markups[parent];
            for (size_t i = first; i < end; ++i) {
                markup.pieces[i] = QStringView();
            }
            markup.readAt = session.editCount();
            return true;
        }
        length -= pieces[first].size();
    }
    return false;
}

// Empties each child of parent with one of ids, after its own elements with
// one of them, deepest first; an element that still holds another stays.
bool removeByIds(EditSession& session, CElement* parent, const QStringList& ids)
{
    bool changed = false;
    for (CElement* child : parent->children()) {
        if (!child->isElement() || !ids.contains(child->attribute(QStringLiteral("id")))) {
            continue;
        }
        std::vector<CElement*> inner = child->elementsInOrder();
        inner.insert(inner.begin(), child);
        for (auto it = inner.rbegin(); it != inner.rend(); ++it) {
            if ((*it)->isElement() && ids.contains((*it)->attribute(QStringLiteral("id"))) && !holdsElement(*it)) {
                blankWithIndentation(session, *it);
                changed = true;
            }
        }
    }
    return changed;
}

bool holdsAnyOf(const CElement* parent, const QStringList& ids)
{
    for (const QString& id : ids) {
        if (childWithId(parent, id)) {
            return true;
        }
    }
    return false;
}

using Placement = MenuInsert::Placement;

bool goesInside(Placement placement)
{
    return placement == Placement::AppendTo || placement == Placement::PrependTo;
}

// The ids of a snippet's elements, of its outermost level only or of all.
QStringList idsIn(Accessor& snippet, bool nestedToo)
{
    QStringList ids;
    for (const CElement* element : nestedToo ? snippet.root()->elementsInOrder() : snippet.root()->children()) {
        const QString id = element->isElement() ? idOf(element) : QString();
        if (!id.isEmpty()) {
            // Copied: the snippet goes before the ids do.
            ids << QString(id.constData(), id.size());
        }
    }
    return ids;
}

// The ids and names of a parsed snippet's elements, read once: the ids are
// what a look-up may need parsed first, and both are what the session must
// be told that the inserted text hides.
struct SnippetElements
{
    QStringList ids;
    QStringList names;
};

SnippetElements elementsOf(Accessor& snippet)
{
    SnippetElements found;
    // In document order, without a list of the elements: most snippets hold one.
    const CElement* const root = snippet.root();
    for (const CElement* node = root->firstChild(); node;) {
        if (node->isElement()) {
            const QString id = idOf(node);
            if (!id.isEmpty()) {
                // Copied: the snippet goes before the ids do.
                found.ids << QString(id.constData(), id.size());
            }
            found.names << node->name();
        }
        node = node->nextInPreOrder(root);
    }
    return found;
}

QStringList idsIn(const QString& markup, bool nestedToo)
{
    Accessor snippet;
    snippet.parse(markup);
    return idsIn(snippet, nestedToo);
}

// A block's markup parsed with the file's line ends, as it goes into the file.
Accessor& parsedSnippet(Accessor& snippet, const QString& markup, const QString& lineEnd)
{
    snippet.parse(withLineEnds(markup, lineEnd));
    return snippet;
}

// What a parse makes of a plain element, for the builds that check it.
bool agreesWithParse(const PlainElement& plain, const QString& markup, const QString& lineEnd)
{
    Accessor snippet;
    parsedSnippet(snippet, markup, lineEnd);
    const SnippetElements elements = elementsOf(snippet);
    const QString indentation = lineEnd + QStringLiteral("  ");
    EntryEditor::reindent(snippet.root(), indentation, EntryEditor::menuIndentUnit());
    QString reason;
    const QStringView id = plain.id(markup);
    return elements.names == QStringList { plain.name(markup).toString().toLower() }
    && elements.ids == (id.isEmpty() ? QStringList() : QStringList { id.toString() })
        && snippet.toString() == indentation + plain.tag(markup).toString() && MarkupBalance::check(markup, 0, &reason);
}

// What the markup model reads in a tree: each element's name in document
// order, and "/" after the content of each element closed by an end tag, as
// MarkupBalance lists what XML's rules read.
QStringList structureOf(const CElement* root)
{
    QStringList structure;
    const auto closeOf = [&structure](const CElement* element) {
        if (!element->hasEmptyEndTag()) {
            structure << QStringLiteral("/");
        }
    };
    // Walked with a stack of its own: the markup comes from a package.
    std::vector<const CElement*> open;
    for (const CElement* node = root->firstChild(); node;) {
        if (node->isElement()) {
            structure << node->name();
            if (node->firstChild()) {
                open.push_back(node);
                node = node->firstChild();
                continue;
            }
            closeOf(node);
        }
        while (!node->nextSibling() && !open.empty()) {
            node = open.back();
            open.pop_back();
            closeOf(node);
        }
        node = node->nextSibling();
    }
    return structure;
}

// Whether a block laid out for the file reads back as exactly the elements
// the snippet holds, both as the markup model reads it (which every later
// edit, check and removal does) and by XML's rules (which Dreamweaver
// follows). A block that either reads otherwise would break the file, or be
// found by no removal; reason says how.
bool readsBack(const QString& serialised, const CElement* snippetRoot, int depthOfPlace, QString* reason)
{
    QStringList written;
    if (!MarkupBalance::check(serialised, depthOfPlace, reason, &written)) {
        *reason = QStringLiteral("laid out, %1").arg(*reason);
        return false;
    }
    Accessor reread;
    reread.parse(serialised);
    const QStringList intended = structureOf(snippetRoot);
    if (written != intended || structureOf(reread.root()) != intended) {
        *reason = QStringLiteral("laid out, it would not read back as the elements it holds");
        return false;
    }
    return true;
}

// After element (written as emptyTag) was opened up, the text of the last
// added block that wrote it is made to say so. The opened form stands in
// the node before the emptied element.
void noteExpansion(EntryEditor::Placed* placed, const QString& emptyTag, const QString& id, CElement* element)
{
    if (!placed || id.isEmpty()) {
        return;
    }
    CElement* opened = nullptr;
    for (CElement* sibling = element->parent()->firstChild(); sibling && sibling != element;
         sibling = sibling->nextSibling()) {
        opened = sibling;
    }
    if (!opened) {
        return;
    }
    for (auto block = placed->rbegin(); block != placed->rend(); ++block) {
        const int at = block->inserted.indexOf(emptyTag);
        if (at >= 0 && block->inserted.indexOf(emptyTag, at + 1) < 0 && idsIn(block->inserted, true).contains(id)) {
            block->inserted.replace(at, emptyTag.size(), opened->text());
            return;
        }
    }
}

} // namespace

void EntryEditor::reindent(CElement* node, const QString& childIndentation, const QString& unit)
{
    // The markup comes from a package: the walk keeps its own stack instead of
    // recursing, and the indentation stops growing past a depth no real menu
    // reaches, so that a snippet nested thousands deep neither exhausts the
    // stack nor grows the text with the square of its depth.
    // Made as deep levels are reached: most snippets are one level deep.
    QStringList indents { childIndentation };
    struct Pending
    {
        CElement* node;
        int depth;
        // The line that indents the node's end tag, added before its children
        // are reached: the walk of its children stops there. Null: none.
        CElement* end;
    };
    std::vector<Pending> pending { { node, 0, nullptr } };
    while (!pending.empty()) {
        const Pending level = pending.back();
        pending.pop_back();
        const int depth = std::min(level.depth, maximumIndentDepth - 1);
        // The sibling before child as it now stands, which spares the new
        // line a walk from the front.
        CElement* previous = nullptr;
        for (CElement* child = level.node->firstChild(); child && child != level.end;
             previous = child, child = child->nextSibling()) {
            if (isTextNode(child)) {
                child->clear();
                continue;
            }
            while (indents.size() <= depth) {
                indents << indents.back() + unit;
            }
            const QString& inner = indents.at(depth);
            child->addSiblingBefore(previous)->setText(inner);
            CElement* end = nullptr;
            if (!child->hasEmptyEndTag()) {
                end = child->addChild();
                end->setText(inner);
            }
            if (child->firstChild() != end) {
                pending.push_back({ child, level.depth + 1, end });
            }
        }
    }
}

bool EntryEditor::expandEmptyElement(CElement* element, const QString& lineEnd)
{
    // The checks that cost nothing first: an entry's target mostly holds children.
    if (!element->hasEmptyEndTag() || !element->isElement() || !element->text().isEmpty()) {
        return false;
    }
    const QString startTag = element->startTag();
    if (!startTag.endsWith(QLatin1String("/>")) || element->childCount() > 0) {
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

CElement* EntryEditor::placeOf(EditSession& session, const MenuInsert& entry, CElement** target)
{
    CElement* found = nullptr;
    if (entry.shortcut && entry.target.isEmpty()) {
        found = firstNamed(session.document(), QStringLiteral("menus"));
    } else if (entry.shortcut) {
        found = session.findElement(entry.target, { QStringLiteral("shortcutlist") });
    } else {
        static const QStringList menus { QStringLiteral("menu"), QStringLiteral("menubar") };
        found = session.findElement(entry.target, goesInside(entry.placement) ? menus : QStringList());
    }
    if (target) {
        *target = found;
    }
    return found && !entry.shortcut && !goesInside(entry.placement) ? found->parent() : found;
}

CElement* EntryEditor::placeOf(EditSession& session, const InsertbarInsert& entry, CElement** target)
{
    const QStringList category { QStringLiteral("category") };
    CElement* found = nullptr;
    CElement* parent = nullptr;
    if (entry.category) {
        // A category already there takes the items it lacks, in place of a second one.
        found = session.findElement(entry.categoryId, category);
        if (!found && !entry.target.isEmpty()) {
            found = session.findElement(entry.target, category);
            parent = found ? found->parent() : nullptr;
        }
        if (!found) {
            found = firstNamed(session.document(), QStringLiteral("insertbar"));
        }
    } else if (goesInside(entry.placement)) {
        found = session.findElement(entry.target, category);
    } else {
        found = session.findElement(entry.target, QStringList());
        parent = found ? found->parent() : nullptr;
        if (!found) {
            found = session.findElement(entry.categoryId, category);
        }
    }
    if (target) {
        *target = found;
    }
    return parent ? parent : found;
}

CElement* EntryEditor::placeOf(EditSession& session, const ConfigurationInsert& entry, CElement** target)
{
    using Kind = ConfigurationInsert::Kind;
    CElement* found = nullptr;
    CElement* parent = nullptr;
    if (entry.target.isEmpty()) {
        // The outermost element: a declaration or a comment before it is not one.
        for (CElement* child : session.document().root()->children()) {
            if (child->isElement() && !child->name().startsWith(QLatin1Char('?'))
                && !child->name().startsWith(QLatin1Char('!'))) {
                found = child;
                break;
            }
        }
    } else if (goesInside(entry.placement)) {
        found = session.findElement(entry.target,
            entry.kind == Kind::ToolbarItem ? QStringList { QStringLiteral("toolbar") }
                                            : QStringList { QStringLiteral("menu"), QStringLiteral("menubar") });
    } else {
        found = session.findElement(entry.target, QStringList());
        parent = found ? found->parent() : nullptr;
    }
    if (!found && !entry.fallback.isEmpty()) {
        found = session.findElement(entry.fallback, { QStringLiteral("toolbar") });
        parent = nullptr;
    }
    if (target) {
        *target = found;
    }
    return parent ? parent : found;
}

// Built by naming its members: most callers leave the later ones as they are.
struct EntryEditor::Block
{
    Block() = default;
    // A menu entry's or another file's entry: it goes where its target and
    // placement say, with its markup and ids as the manifest gives them.
    template <class Entry>
    Block(Kind kind, const Entry& entry, CElement* parent, CElement* anchor)
        : kind(kind)
        , target(entry.target)
        , parent(parent)
        , anchor(anchor)
        , placement(entry.placement)
        , skipSeparator(entry.skipSeparator)
        , markup(entry.markup)
        , ids(entry.itemIds)
    {
    }

    Kind kind = Kind::MenuEntry;
    QString target; // as the manifest names it, for the report
    CElement* parent = nullptr; // the element the block goes into
    CElement* anchor = nullptr; // the element the placement names: the parent itself, or a child of it
    Placement placement = Placement::AppendTo;
    bool skipSeparator = false;
    QString markup;
    QStringList ids;
    QString unit;
    // The markup parsed with the file's line ends, when the caller has it already.
    Accessor* snippet = nullptr;
    // The snippet's elements, when the caller has read them already.
    const SnippetElements* elements = nullptr;
    // Whether the parent was found as the element whose id is target: its
    // locator then needs no look at its attributes.
    bool parentIdIsTarget = false;
    // The block's one element, when it is plain (see PlainElement) and no
    // snippet was parsed: laid out, the block is its indentation and this.
    QStringView plainTag = QStringView();
    QStringView plainId = QStringView();
    QStringView plainName = QStringView();
    // The locators made for earlier blocks whose parent was found so, by
    // target, for the blocks of one package to share; none: made for this one.
    QHash<QString, QString>* locators = nullptr;
};

void EntryEditor::placeIfSound(EditSession& session, Block block, EntryResults* results, Placed* placed)
{
    QString reason;
    // A plain element is balanced, and lies one level below its place.
    const bool sound = !block.plainTag.isNull() && depthOf(block.parent) < MarkupBalance::maximumDepth;
    Q_ASSERT(!sound || MarkupBalance::check(block.markup, depthOf(block.parent), &reason));
    if (!sound && !MarkupBalance::check(block.markup, depthOf(block.parent), &reason)) {
        note(results, block.kind, block.ids, block.target, Outcome::Refused, reason);
    } else if (!block.parent) {
        note(results, block.kind, block.ids, block.target, Outcome::TargetMissing);
    } else {
        place(session, std::move(block), results, placed);
    }
}

// Where a block goes among its parent's children, and the white space that
// lays it out there.
struct EntryEditor::Insertion
{
    Placement placement;
    // The node the block goes in front of; none: the parent's end.
    CElement* before = nullptr;
    // The line end and white space that start each of the block's elements.
    QString indentation;
    // An appended block's indentation in its three parts: a plain element
    // goes in as one text made of them and its tag, with no string of its own.
    QStringView appendedIndentation[3];
    // The text after the parent's last child, where an edit replaced the
    // parsed text it would otherwise be read from.
    QString trailingCopy;
};

bool EntryEditor::leaveOutPresent(EditSession& session, Block& block, QStringList* present)
{
    for (const QString& id : qAsConst(block.ids)) {
        if (session.hasChildWithId(block.parent, id)) {
            present->append(id);
        }
    }
    return !block.ids.isEmpty() && present->size() == block.ids.size();
}

Accessor* EntryEditor::snippetWithout(
    EditSession& session, Block& block, const QStringList& present, std::optional<Accessor>& parsed)
{
    Accessor* const snippet = block.snippet || (!block.plainTag.isNull() && present.isEmpty())
        ? block.snippet
        : &parsedSnippet(parsed.emplace(), block.markup, session.lineEnd());
    if (!present.isEmpty()) {
        for (CElement* child : snippet->root()->children()) {
            if (child->isElement() && present.contains(idOf(child))) {
                child->clear();
            }
        }
        for (const QString& id : present) {
            block.ids.removeAll(id);
        }
    }
    return snippet;
}

QString EntryEditor::parentLocator(const Block& block)
{
    QString locator;
    if (block.parentIdIsTarget && block.parent->parent()) {
        // Made in one piece, once for each menu a package's entries go into:
        // the report and the record keep one for every entry. One made for a
        // parent of another name is made again.
        const QStringView name = block.parent->nameView();
        QString& known = block.locators ? (*block.locators)[block.target] : locator;
        if (known.size() != name.size() + 1 + block.target.size() || !known.startsWith(name)) {
            known = joined({ name, u"#", block.target });
        }
        locator = known;
    } else {
        locator = locatorOf(block.parent);
    }
    Q_ASSERT(locator == locatorOf(block.parent));
    return locator;
}

bool EntryEditor::openEmptyParent(
    EditSession& session, Block& block, const QString& locator, EntryResults* results, Placed* placed)
{
    if (block.anchor != block.parent) {
        return true;
    }
    const QString emptyTag = block.parent->startTag();
    const QString emptyId = idOf(block.parent);
    if (!expandEmptyElement(block.parent, session.lineEnd())) {
        return true;
    }
    // An element an earlier block of this install wrote as one tag: that
    // block's text now holds it opened, and its removal must find it so.
    noteExpansion(placed, emptyTag, emptyId, block.parent);
    // The expanded element is text until the text is parsed again.
    session.noteEdited(block.parent->parent());
    session.reparse();
    block.parent = block.anchor = locate(session, locator);
    if (!block.parent) {
        note(results, block.kind, block.ids, block.target, Outcome::TargetMissing);
        return false;
    }
    return true;
}

void EntryEditor::findInsertion(EditSession& session, const Block& block, bool hasSnippet, Insertion* insertion)
{
    const std::vector<CElement*>& children = session.children(block.parent);
    // Asked only where needed: the parent's own line is found among its
    // siblings, and a menu bar's may run to many thousands.
    const auto parentIndentation = [&] {
        const QString own = lineIndentation(session, block.parent);
        return (own.isEmpty() ? session.lineEnd() : own) + block.unit;
    };
    Placement& placement = insertion->placement;
    if (placement == Placement::PrependTo) {
        const auto first = std::find_if(children.begin(), children.end(), [](CElement* c) { return !isTextNode(c); });
        if (first == children.end()) {
            placement = Placement::AppendTo;
        } else {
            insertion->before = children.front();
            const QString own = lineIndentation(session, *first);
            insertion->indentation = own.isEmpty() ? parentIndentation() : own;
        }
    }
    if (placement == Placement::AppendTo) {
        CElement* const trailingNode = !children.empty() && isTextNode(children.back()) ? children.back() : nullptr;
        insertion->before = trailingNode;
        // The text after the last child, read where the parsed text holds it
        // unless an edit replaced it: a package's blocks mostly go in front
        // of one such text, which is then not copied for each.
        QStringView trailing;
        int begin = 0;
        int end = 0;
        if (trailingNode && trailingNode->sourceRange(&begin, &end)) {
            trailing = QStringView(session.document().source()).mid(begin, end - begin);
        } else if (trailingNode) {
            insertion->trailingCopy = trailingNode->text();
            trailing = insertion->trailingCopy;
        }
        Q_ASSERT(!trailingNode || trailing == trailingNode->text());
        const int lineBreak = lastLineBreak(trailing);
        QStringView lastLine = trailing.mid(lineBreak + 1);
        const QStringView lineEnd = lineBreak < 0 ? QStringView() : QStringView(session.lineEnd());
        const auto markupStart = std::find_if(lastLine.begin(), lastLine.end(), [](QChar c) { return !c.isSpace(); });
        QStringView unit = block.unit;
        if (markupStart != lastLine.end()) {
            // The end tag shares its line with text or with a block added
            // before: that line is no indentation to copy, and the block goes
            // after it as a sibling at its indentation rather than in front of
            // it, where the copy would write the text a second time.
            // Without a line break, it takes the unit an element there gets.
            insertion->before = nullptr;
            lastLine = lineBreak < 0 ? QStringView() : lastLine.left(markupStart - lastLine.begin());
            unit = lineBreak < 0 ? unit : QStringView();
        }
        insertion->appendedIndentation[0] = lineEnd;
        insertion->appendedIndentation[1] = lastLine;
        insertion->appendedIndentation[2] = unit;
        if (hasSnippet) {
            insertion->indentation = joined({ lineEnd, lastLine, unit });
        }
    } else if (placement == Placement::InsertAfter || placement == Placement::InsertBefore) {
        const QString own = lineIndentation(session, block.anchor);
        insertion->indentation = own.isEmpty() ? parentIndentation() : own;
        if (placement == Placement::InsertBefore) {
            CElement* previous = siblingNextTo(session, block.anchor, -1);
            insertion->before = previous && isBlank(previous) ? previous : block.anchor;
        } else {
            CElement* last = block.anchor;
            CElement* next = siblingNextTo(session, last, 1);
            next = next && isBlank(next) ? siblingNextTo(session, next, 1) : next;
            if (block.skipSeparator && next && next->name() == QLatin1String("separator")) {
                last = next;
            }
            insertion->before = siblingNextTo(session, last, 1);
        }
    }
}

void EntryEditor::place(EditSession& session, Block block, EntryResults* results, Placed* placed)
{
    // Elements already in place stay as they are, and are left out of the block.
    QStringList present;
    if (leaveOutPresent(session, block, &present)) {
        note(results, block.kind, block.ids, block.target, Outcome::AlreadyPresent);
        return;
    }
    std::optional<Accessor> parsed;
    Accessor* const snippet = snippetWithout(session, block, present, parsed);
    const QString locator = parentLocator(block);
    Insertion insertion;
    // An item whose neighbour is missing goes at the end of its fallback category.
    insertion.placement
        = block.anchor == block.parent && !goesInside(block.placement) ? Placement::AppendTo : block.placement;
    if (!openEmptyParent(session, block, locator, results, placed)) {
        return;
    }
    findInsertion(session, block, snippet, &insertion);

    QString serialised;
    if (snippet) {
        reindent(snippet->root(), insertion.indentation, block.unit);
        serialised = snippet->toString();
        QString reason;
        if (!readsBack(serialised, snippet->root(), depthOf(block.parent), &reason)) {
            note(results, block.kind, block.ids, block.target, Outcome::Refused, reason);
            return;
        }
    } else {
        const QStringView* const appended = insertion.appendedIndentation;
        serialised = insertion.placement == Placement::AppendTo
            ? joined({ appended[0], appended[1], appended[2], block.plainTag })
            : joined({ insertion.indentation, block.plainTag });
    }
    // A block with no id of its own is there when its exact text is.
    if (block.ids.isEmpty() && block.parent->innerMarkup().contains(serialised)) {
        note(results, block.kind, block.ids, block.target, Outcome::AlreadyPresent);
        return;
    }
    session.addChildNode(block.parent, insertion.before)->setText(serialised);
    // Elements left out of the block are no longer in the snippet.
    if (!snippet) {
        session.noteInserted(block.parent, block.plainId, block.plainName);
    } else if (block.elements && present.isEmpty()) {
        session.noteInserted(block.parent, block.elements->ids, block.elements->names);
    } else {
        session.noteEdited(block.parent, snippet->root());
    }
    note(results, block.kind, block.ids, block.target, Outcome::Added);
    if (placed) {
        InstallRecord::Entry entry;
        entry.kind = block.kind;
        entry.id = shownIds(block.ids);
        entry.target = block.target;
        entry.parent = locator;
        entry.inserted = serialised;
        entry.ids = block.ids;
        placed->append(std::move(entry));
    }
}

QString EntryEditor::addMenuInserts(
    const QString& text, const QList<MenuInsert>& inserts, EntryResults* results, Placed* placed)
{
    EditSession session(text);
    addMenuInserts(session, inserts, results, placed);
    return session.text();
}

void EntryEditor::addMenuInserts(
    EditSession& session, const QList<MenuInsert>& inserts, EntryResults* results, Placed* placed)
{
    Accessor snippets;
    QHash<QString, QString> locators;
    for (const MenuInsert& entry : inserts) {
        const Kind kind = entry.shortcut ? Kind::Shortcut : Kind::MenuEntry;
        // Its shape as the manifest's reader found it, else read here.
        const PlainElement plain = entry.plain ? *entry.plain : PlainElement::of(entry.markup);
        Q_ASSERT(plain == PlainElement::of(entry.markup));
        Q_ASSERT(!plain.isPlain() || agreesWithParse(plain, entry.markup, session.lineEnd()));
        const QStringView plainId = plain.id(entry.markup);
        Accessor* const snippet = plain.isPlain() ? nullptr : &parsedSnippet(snippets, entry.markup, session.lineEnd());
        // A plain element's id and name are told the session as they stand;
        // the reader listed the id among the entry's own already.
        const SnippetElements elements = snippet ? elementsOf(*snippet) : SnippetElements();
        session.require({ &entry.itemIds, &elements.ids }, { entry.target, entry.plain ? QStringView() : plainId },
            entry.shortcut && entry.target.isEmpty() ? QStringList { QStringLiteral("menus") } : QStringList());
        CElement* target = nullptr;
        CElement* parent = placeOf(session, entry, &target);
        Block block(kind, entry, parent, target);
        block.unit = menuIndentUnit();
        block.snippet = snippet;
        block.elements = snippet ? &elements : nullptr;
        block.parentIdIsTarget = !entry.shortcut && goesInside(entry.placement);
        block.plainTag = plain.tag(entry.markup);
        block.plainId = plainId;
        block.plainName = plain.name(entry.markup);
        block.locators = &locators;
        placeIfSound(session, std::move(block), results, placed);
    }
}

QString EntryEditor::addInsertbarInserts(
    const QString& text, const QList<InsertbarInsert>& inserts, EntryResults* results, Placed* placed)
{
    EditSession session(text);
    addInsertbarInserts(session, inserts, results, placed);
    return session.text();
}

void EntryEditor::addInsertbarInserts(
    EditSession& session, const QList<InsertbarInsert>& inserts, EntryResults* results, Placed* placed)
{
    Accessor snippets;
    for (const InsertbarInsert& entry : inserts) {
        const Kind kind = entry.category ? Kind::InsertbarCategory : Kind::InsertbarButton;
        // Parsed once for its ids and its placing where the file's line ends
        // leave the markup as it is; otherwise the ids are those it has as written.
        Accessor* snippet = nullptr;
        SnippetElements elements;
        if (withLineEnds(entry.markup, session.lineEnd()) == entry.markup) {
            snippet = &parsedSnippet(snippets, entry.markup, session.lineEnd());
            elements = elementsOf(*snippet);
        }
        session.require(QStringList { entry.target, entry.categoryId } + entry.itemIds
                + (snippet ? elements.ids : idsIn(entry.markup, true)),
            entry.category ? QStringList { QStringLiteral("insertbar") } : QStringList());
        CElement* target = nullptr;
        CElement* parent = placeOf(session, entry, &target);
        QString markup = entry.markup;
        QStringList ids = entry.category ? QStringList { entry.categoryId } : entry.itemIds;
        Placement placement = entry.placement;
        // A category of that id is there: what the manifest's holds goes into it.
        if (entry.category && parent && parent->name() == QLatin1String("category")) {
            Accessor category;
            category.parse(entry.markup);
            const std::vector<CElement*> named = category.elementsByTagName(QStringLiteral("category"));
            markup = named.empty() ? QString() : named.front()->innerMarkup();
            ids = idsIn(markup, false);
            placement = Placement::AppendTo;
            snippet = nullptr;
        }
        QString reason;
        if (!MarkupBalance::check(markup, depthOf(parent), &reason)) {
            note(results, kind, ids, entry.target, Outcome::Refused, reason);
        } else if (!parent) {
            note(results, kind, ids, entry.target, Outcome::TargetMissing);
        } else {
            // A new category's own elements are listed too, for a removal that finds it changed.
            if (entry.category && ids.size() == 1 && ids.front() == entry.categoryId) {
                ids += entry.itemIds;
            }
            Block block;
            block.kind = kind;
            block.target = entry.category ? entry.categoryId : entry.target;
            block.parent = parent;
            block.anchor = target;
            block.placement = placement;
            block.markup = markup;
            block.ids = ids;
            block.unit = insertbarIndentUnit();
            block.snippet = snippet;
            block.elements = snippet ? &elements : nullptr;
            place(session, std::move(block), results, placed);
        }
    }
}

QString EntryEditor::addConfigurationInserts(
    const QString& text, const QList<ConfigurationInsert>& inserts, Kind kind, EntryResults* results, Placed* placed)
{
    EditSession session(text);
    addConfigurationInserts(session, inserts, kind, results, placed);
    return session.text();
}

void EntryEditor::addConfigurationInserts(
    EditSession& session, const QList<ConfigurationInsert>& inserts, Kind kind, EntryResults* results, Placed* placed)
{
    // Dreamweaver's files indent with tabs or with spaces, and users' copies
    // as their editors do: a block takes the first indentation in the file.
    const QString& text = session.originalText();
    QString unit = menuIndentUnit();
    for (int start = 0; start < text.size(); ++start) {
        int end = start;
        while (end < text.size() && (text.at(end) == QLatin1Char(' ') || text.at(end) == QLatin1Char('\t'))) {
            ++end;
        }
        if (end > start && end < text.size() && text.at(end) != QLatin1Char('\n')
            && text.at(end) != QLatin1Char('\r')) {
            unit = text.mid(start, end - start);
            break;
        }
        start = text.indexOf(QLatin1Char('\n'), end);
        if (start < 0) {
            break;
        }
    }
    Accessor snippets;
    for (const ConfigurationInsert& entry : inserts) {
        Accessor* const snippet = &parsedSnippet(snippets, entry.markup, session.lineEnd());
        const SnippetElements elements = elementsOf(*snippet);
        session.require({ &entry.itemIds, &elements.ids }, { entry.target, entry.fallback });
        CElement* target = nullptr;
        CElement* parent = placeOf(session, entry, &target);
        Block block(kind, entry, parent, target);
        block.unit = unit;
        block.snippet = snippet;
        block.elements = &elements;
        placeIfSound(session, std::move(block), results, placed);
    }
}

QString EntryEditor::removeEntries(const QString& text, const Placed& entries, EntryResults* results)
{
    EditSession session(text);
    removeEntries(session, entries, results);
    return session.text();
}

void EntryEditor::removeEntries(EditSession& session, const Placed& entries, EntryResults* results)
{
    // A removal only empties nodes, so the tree stays true to the text and
    // is never parsed again.
    ChildMarkups markups;
    for (int i = entries.size() - 1; i >= 0; --i) {
        const InstallRecord::Entry& entry = entries.at(i);
        CElement* parent = locate(session, entry.parent);
        Outcome outcome = Outcome::NotPresent;
        if (parent) {
            const bool removed = (!entry.inserted.isEmpty() && removeBlock(session, parent, entry.inserted, markups))
                || removeByIds(session, parent, entry.ids);
            outcome = removed                   ? Outcome::Removed
                : holdsAnyOf(parent, entry.ids) ? Outcome::KeptHoldsElements
                                                : Outcome::NotPresent;
            // A category an earlier version created for its buttons goes with the last of them.
            if (removed && entry.createdTarget && !holdsElement(parent) && parent->parent()) {
                blankWithIndentation(session, parent);
            }
        }
        if (results) {
            results->append(InstallReport::EntryResult::of(entry.kind, entry.id, entry.target, outcome));
        }
    }
}

EntryEditor::Placed EntryEditor::placedByManifest(const QList<MenuInsert>& inserts)
{
    Placed placed;
    for (const MenuInsert& entry : inserts) {
        if (!entry.shortcut && goesInside(entry.placement)) {
            placed.append({ Kind::MenuEntry, entry.itemIds.join(QStringLiteral(", ")), entry.target, false,
                QLatin1Char('#') + entry.target, QString(), idsIn(entry.markup, true), {} });
        }
    }
    return placed;
}

EntryEditor::Placed EntryEditor::placedByManifest(const QList<InsertbarInsert>& inserts)
{
    Placed placed;
    for (const InsertbarInsert& entry : inserts) {
        if (entry.category) {
            placed.append({ Kind::InsertbarCategory, entry.categoryId, entry.categoryId, false,
                QStringLiteral("insertbar"), QString(), QStringList { entry.categoryId } + entry.itemIds, {} });
        } else {
            placed.append({ Kind::InsertbarButton, entry.itemIds.join(QStringLiteral(", ")), entry.target, false,
                QStringLiteral("category#") + entry.categoryId, QString(), idsIn(entry.markup, true), {} });
        }
    }
    return placed;
}
