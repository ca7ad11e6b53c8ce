#include "installer/EditSession.h"

#include "markup/CElement.h"
#include "markup/Utf8.h"

#include <algorithm>

namespace {

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

// What the hidden names are kept by: the name in lower case.
QString nameKey(QStringView name)
{
    return name.toString().toLower();
}

// An id as attribute("id") decodes it, without a copy where it holds no entity.
QString idOf(const CElement* element, const QString& idName)
{
    const QStringView id = element->attributeSource(idName);
    return id.contains(QLatin1Char('&')) ? element->attribute(idName) : QString::fromRawData(id.data(), id.size());
}

} // namespace

EditSession::EditSession(const QString& text)
    : m_original(text)
    , m_lineEnd(firstLineEnd(text))
{
    m_document.parse(text);
}

void EditSession::require(const QStringList& ids, const QStringList& names)
{
    require({ &ids }, {}, names);
}

void EditSession::require(
    std::initializer_list<const QStringList*> idLists, std::initializer_list<QStringView> ids, const QStringList& names)
{
    if (m_hiddenIds.isEmpty() && m_hiddenNames.isEmpty()) {
        return;
    }
    bool stale = false;
    for (const QStringList* list : idLists) {
        for (const QString& id : *list) {
            stale = stale || m_hiddenIds.contains(id);
        }
    }
    for (const QStringView id : ids) {
        stale = stale || (!id.isEmpty() && m_hiddenIds.contains(id.toString()));
    }
    for (const QString& name : names) {
        stale = stale || m_hiddenNames.contains(nameKey(name));
    }
    if (stale) {
        reparse();
    }
}

void EditSession::forgetIndex()
{
    m_ids.clear();
    m_searchCost = 0;
    m_indexed = false;
    m_touched.clear();
    m_found.clear();
    m_children.clear();
    m_childIds.clear();
    m_hiddenIds.clear();
    m_hiddenNames.clear();
    m_parsedAt = ++m_editCount;
}

void EditSession::reparse()
{
    // The document keeps the text it parses, so the edited text is made
    // before the old one, which the index points into, goes.
    const QString edited = text();
    forgetIndex();
    m_document.parse(edited);
}

void EditSession::replaceText(const QString& text)
{
    forgetIndex();
    m_document.parse(text);
    m_edited = true;
}

void EditSession::index()
{
    const QString idName = QStringLiteral("id");
    for (CElement* element : m_document.root()->elementsInOrder()) {
        const QString id = idOf(element, idName);
        if (!id.isEmpty()) {
            m_ids[QString(id.constData(), id.size())].push_back(element);
        }
    }
    m_indexed = true;
}

CElement* EditSession::findElement(const QString& id, const QStringList& names)
{
    if (id.isEmpty()) {
        return nullptr;
    }
    // Until the next parse no element can come before a found one, nor can a
    // missing one appear; only an edit can empty the one found.
    std::vector<std::pair<QStringList, CElement*>>& answers = m_found[id];
    for (auto& [asked, element] : answers) {
        if (asked == names) {
            if (element && !element->isElement()) {
                element = lookUp(id, names);
            }
            return element;
        }
    }
    CElement* const element = lookUp(id, names);
    answers.emplace_back(names, element);
    return element;
}

CElement* EditSession::lookUp(const QString& id, const QStringList& names)
{
    // Look-ups search the text for the id, which costs less than reading
    // every element's id into the index, until their cost nears a good part of
    // the index's (some twenty instructions a character); then the index is built.
    if (!m_indexed && !id.contains(QLatin1Char('&')) && m_searchCost < 8 * qint64(m_document.source().size())) {
        return search(id, names);
    }
    if (!m_indexed) {
        index();
    }
    const QString idName = QStringLiteral("id");
    for (CElement* const element : m_ids.value(id)) {
        // An emptied element has lost its name and its id with it.
        if (element->isElement() && (names.isEmpty() || names.contains(element->name()))
            && idOf(element, idName) == id) {
            return element;
        }
    }
    return nullptr;
}

bool EditSession::hasChildWithId(const CElement* parent, const QString& id)
{
    const QString idName = QStringLiteral("id");
    if (!m_indexed) {
        auto ids = m_childIds.find(parent);
        if (ids == m_childIds.end()) {
            QMultiHash<QString, CElement*> read;
            for (CElement* child : children(parent)) {
                const QString childId = child->isElement() ? idOf(child, idName) : QString();
                if (!childId.isEmpty()) {
                    read.insert(QString(childId.constData(), childId.size()), child);
                }
            }
            ids = m_childIds.emplace(parent, std::move(read)).first;
        }
        // A child an edit emptied has lost its id with its name.
        const QMultiHash<QString, CElement*>& read = ids->second;
        for (auto child = read.find(id); child != read.end() && child.key() == id; ++child) {
            if (child.value()->isElement()) {
                return true;
            }
        }
        return false;
    }
    for (CElement* const element : m_ids.value(id)) {
        if (element->parent() == parent && element->isElement() && idOf(element, idName) == id) {
            return true;
        }
    }
    return false;
}

CElement* EditSession::search(const QString& id, const QStringList& names)
{
    // An id without "&" is spelled in the text as it reads. Each place the
    // text holds it lies in one node's own markup, found by descending
    // through the children whose range holds it; the places come in
    // document order, and so do their elements.
    const QString& source = m_document.source();
    const QString idName = QStringLiteral("id");
    // Counted as a character for each one scanned and fifty for each child
    // whose range is read.
    constexpr qint64 childCost = 50;
    m_searchCost += source.size();
    for (qsizetype at = source.indexOf(id); at >= 0; at = source.indexOf(id, at + 1)) {
        const QChar before = at > 0 ? source.at(at - 1) : QChar();
        if (before != QLatin1Char('"') && before != QLatin1Char('\'') && before != QLatin1Char('=')
            && !before.isSpace()) {
            continue;
        }
        CElement* node = m_document.root();
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (CElement* child : children(node)) {
                m_searchCost += childCost;
                int begin = 0;
                int end = 0;
                if (child->sourceRange(&begin, &end) && begin <= at && at < end) {
                    node = child;
                    deeper = true;
                    break;
                }
            }
        }
        if (node->isElement() && (names.isEmpty() || names.contains(node->name())) && idOf(node, idName) == id) {
            // Only the text up to the match was scanned.
            m_searchCost -= source.size() - at;
            return node;
        }
    }
    return nullptr;
}

const std::vector<CElement*>& EditSession::children(const CElement* parent)
{
    auto it = m_children.find(parent);
    if (it == m_children.end()) {
        it = m_children.emplace(parent, parent->children()).first;
    }
    return it->second;
}

CElement* EditSession::addChildNode(CElement* parent, CElement* before)
{
    const auto it = m_children.find(parent);
    if (it == m_children.end()) {
        return before ? before->addSiblingBefore() : parent->addChild();
    }
    std::vector<CElement*>& list = it->second;
    if (!before) {
        // The list names the last child, which spares a walk of the parent's
        // children from the front; the parent checks that it is the one.
        CElement* const node = parent->addChild(list.empty() ? nullptr : list.back());
        list.push_back(node);
        return node;
    }
    // Blocks mostly go in at the end, so the place is looked for from there.
    const auto at = std::find(list.rbegin(), list.rend(), before);
    if (at == list.rend()) {
        m_children.erase(it);
        return before->addSiblingBefore();
    }
    const auto position = std::prev(at.base());
    // The same for the previous sibling.
    CElement* const node = before->addSiblingBefore(position == list.begin() ? nullptr : *std::prev(position));
    list.insert(position, node);
    return node;
}

void EditSession::noteEdited(CElement* changed, CElement* inserted)
{
    m_edited = true;
    ++m_editCount;
    for (const CElement* node = changed; node; node = node->parent()) {
        m_touched.insert(node, m_editCount);
    }
    if (inserted) {
        for (CElement* element : inserted->elementsInOrder()) {
            noteHidden(element);
        }
    }
}

void EditSession::noteInserted(CElement* changed, const QStringList& ids, const QStringList& names)
{
    noteEdited(changed);
    for (const QString& id : ids) {
        m_hiddenIds.insert(id);
    }
    for (const QString& name : names) {
        m_hiddenNames.insert(nameKey(name));
    }
}

void EditSession::noteInserted(CElement* changed, QStringView id, QStringView name)
{
    noteEdited(changed);
    if (!id.isEmpty()) {
        m_hiddenIds.insert(id.toString());
    }
    m_hiddenNames.insert(nameKey(name));
}

void EditSession::noteHidden(CElement* element)
{
    m_edited = true;
    ++m_editCount;
    const QString id = idOf(element, QStringLiteral("id"));
    if (!id.isEmpty()) {
        m_hiddenIds.insert(QString(id.constData(), id.size()));
    }
    m_hiddenNames.insert(nameKey(element->nameView()));
}

const std::vector<EditSession::Segment>& EditSession::segments() const
{
    if (m_segmentsMadeAt != m_editCount + 1) {
        m_segments = makeSegments();
        m_segmentsMadeAt = m_editCount + 1;
    }
    return m_segments;
}

std::vector<EditSession::Segment> EditSession::makeSegments() const
{
    const QString& source = m_document.source();
    std::vector<Segment> out;
    const auto appendRange = [&out](int begin, int end) {
        if (begin == end) {
            return;
        }
        if (!out.empty() && out.back().begin >= 0 && out.back().end == begin) {
            out.back().end = end;
        } else {
            out.push_back({ begin, end, QString() });
        }
    };
    const auto appendText = [&out](const QString& text) {
        if (!text.isEmpty()) {
            out.push_back({ -1, -1, text });
        }
    };
    // The changed nodes and every node above them are written piece by
    // piece; below them, each node no edit reached is one range.
    const QHash<const CElement*, quint64>& touched = m_touched;
    if (touched.isEmpty()) {
        appendRange(0, source.size());
        return out;
    }
    struct Level
    {
        const CElement* node;
        std::vector<CElement*> children;
        size_t next;
    };
    // Without recursion: a package's markup may nest deeper than the stack allows.
    std::vector<Level> levels;
    const auto open = [&](const CElement* node) {
        appendText(node->startTag());
        appendText(node->text());
        levels.push_back({ node, node->children(), 0 });
    };
    // Read only: the document hands out its root for editing alone.
    open(const_cast<Accessor&>(m_document).root());
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.children.size()) {
            appendText(level.node->endTag());
            levels.pop_back();
            continue;
        }
        const CElement* child = level.children[level.next++];
        int begin = 0;
        int end = 0;
        if (touched.contains(child)) {
            open(child);
        } else if (child->sourceRange(&begin, &end)) {
            appendRange(begin, end);
        } else if (child->nameView().isEmpty() && !child->firstChild() && child->hasEmptyEndTag()
            && child->startTag().isEmpty()) {
            // A line an edit added is its text alone, read without a walk.
            appendText(child->text());
        } else {
            appendText(child->outerMarkup());
        }
    }
    return out;
}

QString EditSession::text() const
{
    if (!m_edited) {
        return m_original;
    }
    const std::vector<Segment>& parts = segments();
    const QString& source = m_document.source();
    if (parts.size() == 1 && parts.front().begin == 0 && parts.front().end == source.size()) {
        return source;
    }
    qsizetype size = 0;
    for (const Segment& part : parts) {
        size += part.begin < 0 ? part.text.size() : part.end - part.begin;
    }
    QString out;
    out.reserve(static_cast<int>(size));
    for (const Segment& part : parts) {
        if (part.begin < 0) {
            out += part.text;
        } else {
            out += QStringView(source).mid(part.begin, part.end - part.begin);
        }
    }
    Q_ASSERT(out == m_document.toString());
    return out;
}

QByteArray EditSession::encodedText() const
{
    const QString& source = m_edited ? m_document.source() : m_original;
    // The kept segments are read where they lie: a copy would hold a string
    // of every node an edit added.
    const std::vector<Segment> whole { { 0, int(source.size()), {} } };
    const std::vector<Segment>& parts = m_edited ? segments() : whole;
    qsizetype size = 0;
    for (const Segment& part : parts) {
        size += part.begin < 0 ? part.text.size() : part.end - part.begin;
    }
    QByteArray out;
    // Exact for ASCII, the usual case; other text grows it.
    out.reserve(static_cast<int>(size));
    for (const Segment& part : parts) {
        const QStringView piece
            = part.begin < 0 ? QStringView(part.text) : QStringView(source).mid(part.begin, part.end - part.begin);
        // Straight into the one buffer: no temporary per piece.
        Utf8::append(out, piece);
    }
    Q_ASSERT(out == text().toUtf8());
    return out;
}

bool EditSession::isChanged() const
{
    if (!m_edited) {
        return false;
    }
    const QString& source = m_document.source();
    const bool sameText = source.constData() == m_original.constData();
    const std::vector<Segment>& parts = segments();
    // A text of another length differs without a look at its characters,
    // which in a large file would be millions.
    qsizetype size = 0;
    for (const Segment& part : parts) {
        size += part.begin < 0 ? part.text.size() : part.end - part.begin;
    }
    if (size != m_original.size()) {
        return true;
    }
    qsizetype at = 0;
    for (const Segment& part : parts) {
        const QStringView piece
            = part.begin < 0 ? QStringView(part.text) : QStringView(source).mid(part.begin, part.end - part.begin);
        if (at + piece.size() > m_original.size()) {
            return true;
        }
        if (!(sameText && part.begin == at) && piece != QStringView(m_original).mid(at, piece.size())) {
            return true;
        }
        at += piece.size();
    }
    return at != m_original.size();
}
