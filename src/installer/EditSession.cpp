#include "installer/EditSession.h"

#include "markup/CElement.h"

namespace {

bool isElement(const CElement* node)
{
    const QString name = node->name();
    return !name.isEmpty() && name != QLatin1String("!--");
}

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

} // namespace

EditSession::EditSession(const QString& text)
    : m_original(text)
    , m_lineEnd(firstLineEnd(text))
{
    m_document.parse(text);
}

void EditSession::require(const QStringList& ids, const QStringList& names)
{
    if (m_hiddenIds.isEmpty() && m_hiddenNames.isEmpty()) {
        return;
    }
    bool stale = false;
    for (const QString& id : ids) {
        stale = stale || m_hiddenIds.contains(id);
    }
    for (const QString& name : names) {
        stale = stale || m_hiddenNames.contains(name.toLower());
    }
    if (stale) {
        reparse();
    }
}

void EditSession::reparse()
{
    // The document's source is the text it parsed; its output is a copy.
    const QString edited = m_document.toString();
    m_document.parse(edited);
    m_ids.clear();
    m_indexed = false;
    m_hiddenIds.clear();
    m_hiddenNames.clear();
}

void EditSession::replaceText(const QString& text)
{
    m_document.parse(text);
    m_ids.clear();
    m_indexed = false;
    m_hiddenIds.clear();
    m_hiddenNames.clear();
    m_edited = true;
}

void EditSession::index()
{
    // Without recursion: a package's markup may nest deeper than the stack allows.
    std::vector<CElement*> pending { m_document.root() };
    const QString idName = QStringLiteral("id");
    while (!pending.empty()) {
        CElement* node = pending.back();
        pending.pop_back();
        if (node != m_document.root()) {
            const QString id = node->attribute(idName);
            if (!id.isEmpty() && isElement(node)) {
                m_ids[id].push_back(node);
            }
        }
        const std::vector<CElement*> children = node->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    m_indexed = true;
}

CElement* EditSession::findElement(const QString& id, const QStringList& names)
{
    if (id.isEmpty()) {
        return nullptr;
    }
    if (!m_indexed) {
        index();
    }
    const auto found = m_ids.constFind(id);
    if (found == m_ids.constEnd()) {
        return nullptr;
    }
    for (CElement* element : *found) {
        // An emptied element has lost its name and its id with it.
        if (isElement(element) && (names.isEmpty() || names.contains(element->name()))) {
            return element;
        }
    }
    return nullptr;
}

void EditSession::noteEdited(CElement* inserted)
{
    m_edited = true;
    if (!inserted) {
        return;
    }
    std::vector<CElement*> pending { inserted };
    while (!pending.empty()) {
        CElement* node = pending.back();
        pending.pop_back();
        if (node != inserted && isElement(node)) {
            noteHidden(node);
        }
        const std::vector<CElement*> children = node->children();
        pending.insert(pending.end(), children.begin(), children.end());
    }
}

void EditSession::noteHidden(CElement* element)
{
    m_edited = true;
    const QString id = element->attribute(QStringLiteral("id"));
    if (!id.isEmpty()) {
        m_hiddenIds.insert(id);
    }
    m_hiddenNames.insert(element->name().toLower());
}

QString EditSession::text() const
{
    // Every piece the edits left alone is a range of the parsed text, so
    // writing the tree out copies those ranges as they are.
    return m_edited ? m_document.toString() : m_original;
}
