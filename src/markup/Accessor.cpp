#include "markup/Accessor.h"

#include "markup/LowerCase.h"

#include "lexer/HtmlLexer.h"
#include "lexer/KeywordSets.h"
#include "lexer/LexerModule.h"
#include "lexer/MarkupLexerImpl.h"

#include <cstring>
#include <new>

// The markup lexer compiled for the document as its sink, so that each run
// reaches styleTo without an indirect call. The lexer cannot name this type
// itself: it lies in a layer above the lexer's. Instantiated here rather than
// in a source of its own, where the same code measured about 3% slower.
template class HtmlLexer::detail::MarkupLexer<Accessor>;

namespace {

// A block begins with the document it belongs to, which its nodes find by
// rounding their own address down to the block's alignment: a node needs no
// pointer of its own to its document. The size stays below the allocator's
// threshold for mapping pages of their own.

void freeBlock(unsigned char* block)
{
    ::operator delete(block, std::align_val_t(CElement::blockBytes));
}

// Blocks of documents that have gone, for the next document of the thread:
// callers make one document per file, and fresh pages cost more than the
// parse that fills them. Bounded, so a huge document does not pin its memory.
// Without it a thousand tiny documents ran at 0.82 instead of 1.17 times
// pugixml's speed, and an 8 MB Menus.xml at 1.51 instead of 1.91.
struct BlockCache
{
    static constexpr size_t maxBlocks = (64u << 20) / CElement::blockBytes;
    std::vector<unsigned char*> blocks;
    // The list of blocks of the last document gone, emptied, so that the
    // next one lists its blocks without allocating.
    std::vector<unsigned char*> spareList;
    ~BlockCache()
    {
        for (unsigned char* block : blocks)
            freeBlock(block);
        blockCacheGone = true;
    }
    // Set once the thread's cache is destroyed, so that a document outliving
    // it (a static one, freed at exit) frees its blocks itself.
    static thread_local bool blockCacheGone;
};
thread_local bool BlockCache::blockCacheGone = false;
thread_local BlockCache blockCache;

// The keyword lists, built and sorted once per process: lookups leave them
// as they are, so every document of every thread reads the same ones. Built
// per document they cost several times what a small document's parse does.
struct SharedKeywordLists
{
    KeywordList lists[6];
    KeywordList* pointers[6];
    SharedKeywordLists()
    {
        const char16_t* const texts[6] = { KeywordSets::html, KeywordSets::javaScript, KeywordSets::vbScript,
            KeywordSets::python, KeywordSets::php, KeywordSets::sgml };
        for (int k = 0; k < 6; ++k) {
            lists[k].set(texts[k]);
            pointers[k] = &lists[k];
        }
    }
};

KeywordList** sharedKeywordLists()
{
    static SharedKeywordLists shared;
    return shared.pointers;
}

} // namespace

Accessor::Accessor()
{
    if (!BlockCache::blockCacheGone)
        m_blocks.swap(blockCache.spareList);
    m_root = createNode();
}

// The nodes hold no resources of their own, so freeing the blocks frees the
// whole tree at once, however deep it is.
Accessor::~Accessor()
{
    if (BlockCache::blockCacheGone) {
        for (unsigned char* block : m_blocks)
            freeBlock(block);
        return;
    }
    for (unsigned char* block : m_blocks) {
        if (blockCache.blocks.size() < BlockCache::maxBlocks)
            blockCache.blocks.push_back(block);
        else
            freeBlock(block);
    }
    // Only a short list is kept: a long one is the memory of a huge document.
    if (m_blocks.capacity() <= 64) {
        m_blocks.clear();
        m_blocks.swap(blockCache.spareList);
    }
}

void Accessor::parse(const QString& text)
{
    run(text, true);
}

void Accessor::parseStepByStep(const QString& text)
{
    run(text, false);
}

void Accessor::run(const QString& text, bool skipping)
{
    releaseNodes();
    m_source = text;
    setCharacters(reinterpret_cast<const char16_t*>(m_source.utf16()), m_source.size());
    m_segmentStart = 0;
    m_current = m_root;
    m_currentLink = 1;
    m_lastChild = nullptr;
    m_state = BuilderState::None;
    m_openNames.clear();
    m_innermostNameless = -1;
    m_openPath.clear();
    m_openNamesActive = false;

    KeywordList** lists = sharedKeywordLists();
    static const LexerModule* const xml = LexerModule::findByName(u"xml");
    if (xml) {
        // The module's lex function run with this document's type known, so
        // that each run is attached without an indirect call.
        if (!skipping)
            HtmlLexer::detail::MarkupLexer<ILexerSink>(lists, *this, false).run(0, m_source.size(), 0);
        else if (xml->lexFunction() == &HtmlLexer::lex)
            HtmlLexer::detail::MarkupLexer<Accessor>(lists, *this).run(0, m_source.size(), 0);
        else
            xml->lex(0, m_source.size(), 0, lists, *this);
    }
    setCharacters(nullptr, 0);
}

QString Accessor::toString() const
{
    return m_root->outerMarkup();
}

CElement* Accessor::elementById(const QString& id)
{
    return m_root->elementById(id);
}

std::vector<CElement*> Accessor::elementsByTagName(const QString& name)
{
    return m_root->elementsByTagName(name);
}

void Accessor::startBlock()
{
    if (m_blocksInUse == m_blocks.size()) {
        unsigned char* block = nullptr;
        if (!BlockCache::blockCacheGone && !blockCache.blocks.empty()) {
            block = blockCache.blocks.back();
            blockCache.blocks.pop_back();
        } else {
            block = static_cast<unsigned char*>(
                ::operator new(CElement::blockBytes, std::align_val_t(CElement::blockBytes)));
        }
        Accessor* const self = this;
        const quint32 firstNumber = quint32(m_blocks.size() * nodesPerBlock);
        std::memcpy(block, &self, sizeof self);
        std::memcpy(block + sizeof self, &firstNumber, sizeof firstNumber);
        m_blocks.push_back(block);
    }
    m_nextPlace = m_blocks[m_blocksInUse++] + CElement::blockHeaderBytes;
    m_placesEnd = m_nextPlace + nodesPerBlock * sizeof(CElement);
}

void Accessor::releaseNodes()
{
    // The root stays, first in the first block.
    m_blocksInUse = 1;
    m_nextPlace = m_blocks.front() + CElement::blockHeaderBytes + sizeof(CElement);
    m_placesEnd = m_blocks.front() + CElement::blockHeaderBytes + nodesPerBlock * sizeof(CElement);
    m_lastNodeLink = 1;
    m_ownedTexts.clear();
    m_edited = false;
    new (m_root) CElement();
}

void Accessor::appendSlow(CElement::Piece& piece, int begin, int end)
{
    // Runs of one piece are always adjacent in the source; should that ever
    // fail, the piece becomes a text of its own rather than lose characters.
    // A name read from the start tag's text goes with the text it is read from.
    if (&piece == &m_current->m_startTag && m_current->m_name > 0) {
        int nameLength = 0;
        const QChar* name = m_current->nameData(nameLength);
        m_current->setOwnedName(QString(name, nameLength));
    }
    int length = 0;
    const QChar* data = m_current->pieceData(piece, length);
    QString joined = QString(data, length) + QString(m_source.constData() + begin, end - begin);
    m_current->setPiece(piece, joined);
    // The tree no longer follows the source piece for piece.
    m_edited = true;
}

// Out of line, so that the test of every name before it needs no registers
// saved: few names hold a capital.
void Accessor::setOwnedLowerCasedName(CElement* node, const QChar* data, int length)
{
    node->setOwnedName(lowerCasedName(data, length));
}

// Inline: every start tag comes through here, and the call cost as much as
// the test of a short name.
Q_ALWAYS_INLINE void Accessor::setLowerCasedName(CElement* node, int begin, int length)
{
    // The start tag begins at the "<" before the name; its runs follow.
    node->m_startTag.begin = begin - 1;
    const QChar* data = m_source.constData() + begin;
    if (needsLowerCasing(data, length))
        setOwnedLowerCasedName(node, data, length);
    else
        node->m_name = length;
}

bool Accessor::nameEquals(const CElement* node, int begin, int length) const
{
    const QChar* end = m_source.constData() + begin;
    // A name read from the source holds no capital and nothing beyond ASCII,
    // so an end tag spelt as its start tag matches it as it stands. Compared
    // four characters at a time: names are short, and a call costs more.
    if (node->m_name == length
        && CharacterScan::sameUnits(
            reinterpret_cast<const char16_t*>(m_source.constData()) + node->m_startTag.begin + 1,
            reinterpret_cast<const char16_t*>(end), length))
        return true;
    int nameLength = 0;
    const QChar* name = node->nameData(nameLength);
    if (nameLength == length) {
        int k = 0;
        for (; k < length; ++k) {
            ushort c = end[k].unicode();
            const ushort n = name[k].unicode();
            if (c >= 128 || n >= 128)
                break;
            if (c >= 'A' && c <= 'Z')
                c += 32;
            if (c != n)
                return false;
        }
        if (k == length)
            return true;
    } else if (nameLength == 0 || length == 0) {
        // Lower-casing never empties a name, nor fills an empty one.
        return false;
    } else {
        // Lower-casing keeps the length of ASCII names.
        bool ascii = true;
        for (int k = 0; k < length && ascii; ++k)
            ascii = end[k].unicode() < 128;
        for (int k = 0; k < nameLength && ascii; ++k)
            ascii = name[k].unicode() < 128;
        if (ascii)
            return false;
    }
    return lowerCasedName(end, length) == QString(name, nameLength);
}

// Void elements, and comments, which the start tag's ">" closes.
bool Accessor::closesItself(const CElement* node) const
{
    // Most names are of none of the lengths below: they need not be read.
    const int nameLength = node->m_name;
    if (nameLength > 5 || (nameLength > 0 && nameLength < 2))
        return false;
    int length = 0;
    const QChar* name = node->nameData(length);
    // The length is known: only the characters are compared.
    const auto is = [name](const char* voidName) {
        for (int k = 0; voidName[k]; ++k)
            if (name[k].unicode() != static_cast<unsigned char>(voidName[k]))
                return false;
        return true;
    };
    switch (length) {
    case 2:
        return is("br") || is("hr");
    case 3:
        return is("img") || is("!--");
    case 4:
        return is("meta") || is("link") || is("area");
    case 5:
        return is("input");
    default:
        return false;
    }
}

void Accessor::closePending(bool selfClosed)
{
    if (m_state == BuilderState::InStartTag) {
        const bool closed = selfClosed || closesItself(m_current);
        if (closed && m_current->m_parent)
            closeCurrent();
    } else if (m_state == BuilderState::InText || m_state == BuilderState::InEndTag) {
        if (m_current->m_parent)
            closeCurrent();
    }
    m_state = BuilderState::None;
}

void Accessor::openNode(CElement* node)
{
    m_current = node;
    // The node opened is always the one just made.
    Q_ASSERT(node == nodeAt(m_lastNodeLink));
    m_currentLink = m_lastNodeLink;
    m_lastChild = nullptr;
    if (m_openNamesActive)
        indexOpenNode(node);
}

void Accessor::indexOpenNode(CElement* node)
{
    int length = 0;
    const QChar* name = node->nameData(length);
    // Text nodes are nameless: they have a list of their own.
    QString key(name, length);
    auto named = m_openNames.find(key);
    if (length > 0 && named == m_openNames.end())
        named = m_openNames.insert(key, -1);
    int& innermost = length == 0 ? m_innermostNameless : named.value();
    const int hidden = innermost;
    innermost = static_cast<int>(m_openPath.size());
    m_openPath.push_back({ node, std::move(key), hidden });
}

void Accessor::closeCurrent()
{
    if (m_openNamesActive) {
        const OpenNode& top = m_openPath.back();
        (top.name.isEmpty() ? m_innermostNameless : m_openNames[top.name]) = top.hidden;
        m_openPath.pop_back();
    }
    m_lastChild = m_current;
    m_currentLink = m_current->m_parent;
    m_current = m_currentLink ? nodeAt(m_currentLink) : nullptr;
}

// The innermost open node named as the end tag, as walking up from `current`
// would find it. The root is never closed by an end tag: a nameless "</>"
// that reached it would be written at the end of the document instead of at
// its place.
CElement* Accessor::findOpenNode(int nameBegin, int nameLength)
{
    // Most end tags close the current node or one just above it.
    int steps = 0;
    for (CElement* node = m_current; node && node != m_root && steps < 4; node = node->parent(), ++steps)
        if (nameEquals(node, nameBegin, nameLength))
            return node;
    // Further up, the index of open names answers, so that a deep document
    // with many end tags that match nothing costs no walk per end tag. It is
    // built the first time it is needed and kept from then on.
    if (!m_openNamesActive) {
        m_openNamesActive = true;
        std::vector<CElement*> path;
        for (CElement* node = m_current; node && node != m_root; node = node->parent())
            path.push_back(node);
        for (auto node = path.rbegin(); node != path.rend(); ++node)
            indexOpenNode(*node);
    }
    int open = m_innermostNameless;
    if (nameLength > 0)
        open = m_openNames.value(lowerCasedName(m_source.constData() + nameBegin, nameLength), -1);
    for (; open >= 0; open = m_openPath[static_cast<size_t>(open)].hidden)
        if (nameEquals(m_openPath[static_cast<size_t>(open)].node, nameBegin, nameLength))
            return m_openPath[static_cast<size_t>(open)].node;
    return nullptr;
}

void Accessor::attachTagRun(int begin, int endPos)
{
    const int length = ILexerSink::length();
    const char16_t* s = characters();
    if (begin + 1 < length && s[begin] == u'<' && s[begin + 1] != u'/') {
        if (m_state != BuilderState::None)
            closePending(false);
        CElement* node = createChildOfCurrent();
        setLowerCasedName(node, begin + 1, endPos - begin);
        openNode(node);
        m_state = BuilderState::InStartTag;
    } else if (begin + 2 < length && s[begin] == u'<' && s[begin + 1] == u'/') {
        const int nameBegin = begin + 2;
        const int nameLength = std::max(endPos - nameBegin + 1, 0);
        if (CElement* node = findOpenNode(nameBegin, nameLength)) {
            while (m_current != node)
                closeCurrent();
            m_state = BuilderState::InEndTag;
        }
    } else if (s[endPos] == u'>') {
        attachToCurrent(begin, endPos);
        closePending(endPos > 1 && s[endPos - 1] == u'/');
        return;
    }
    attachToCurrent(begin, endPos);
}

bool Accessor::inCommentStart() const
{
    if (m_state != BuilderState::InStartTag || m_current->m_name != 3)
        return false;
    int length = 0;
    const QChar* name = m_current->nameData(length);
    return QStringView(name, length) == QLatin1String("!--");
}

void Accessor::attachCommentBody(int begin, int endPos)
{
    attachToCurrent(begin, endPos);
    if (characters()[endPos] == u'>')
        closePending(false);
}

// A text node of the source's [begin, end), opened and closed again at once:
// the tag after it closes it before anything else.
inline void Accessor::addClosedText(int begin, int end)
{
    // The empty pieces are placed where they would lie in the source, so
    // that a walk writing the tree out finds each piece where the one
    // before it ended: the range it copies then grows without a detour for
    // the two empty pieces of most nodes.
    CElement* node = createChildOfCurrent();
    node->m_startTag.begin = begin;
    node->m_text.begin = begin;
    node->m_text.length = end - begin;
    node->m_endTag.begin = end;
    m_lastChild = node;
}

// What the runs "<name", its attributes and ">" or "/>" build, after the
// text since the last run. Inline, into the lexer's loop over plain tags:
// the call and its saved registers cost a twentieth of a small tag.
Q_ALWAYS_INLINE void Accessor::plainStartTag(int lt, int nameEnd, int tagEnd)
{
    if (lt > m_segmentStart && m_state == BuilderState::None) {
        addClosedText(m_segmentStart, lt);
    } else {
        if (lt > m_segmentStart)
            attachToCurrent(m_segmentStart, lt - 1);
        if (m_state != BuilderState::None)
            closePending(false);
    }
    CElement* node = createChildOfCurrent();
    setLowerCasedName(node, lt + 1, nameEnd - lt - 1);
    node->m_startTag.length = tagEnd + 1 - lt;
    // Empty pieces placed as in addClosedText; an end tag or a text read
    // later takes its own place.
    node->m_text.begin = tagEnd + 1;
    node->m_endTag.begin = tagEnd + 1;
    m_segmentStart = tagEnd + 1;
    // Opened and closed at once, the node is left as closing leaves it.
    if (characters()[tagEnd - 1] == u'/' || closesItself(node))
        m_lastChild = node;
    else
        openNode(node);
}

// What the runs "</name" and ">" build, after the text since the last run.
inline void Accessor::plainEndTag(int lt, int nameEnd)
{
    // The text node the runs would open never matches a name, so the node
    // closed is found from the current one alike.
    if (m_state == BuilderState::None) {
        if (CElement* node = findOpenNode(lt + 2, nameEnd - lt - 2)) {
            if (lt > m_segmentStart)
                addClosedText(m_segmentStart, lt);
            while (m_current != node)
                closeCurrent();
            appendRun(node->m_endTag, lt, nameEnd + 1);
            m_segmentStart = nameEnd + 1;
            closeCurrent();
            return;
        }
    }
    using namespace HtmlLexer::MarkupStyle;
    styleTo(lt - 1, Default);
    styleTo(nameEnd - 1, Tag);
    styleTo(nameEnd, Tag);
}

bool Accessor::matchAt(int pos, const char* s) const
{
    for (; *s; ++s, ++pos)
        if (safeCharAt(pos, u' ') != static_cast<unsigned char>(*s))
            return false;
    return true;
}

int Accessor::styleAt(int) const
{
    return HtmlLexer::MarkupStyle::NotStyled;
}

int Accessor::lineOf(int) const
{
    return 0;
}

int Accessor::lineStartOf(int) const
{
    return 0;
}

int Accessor::foldLevelOf(int) const
{
    return 0;
}

int Accessor::lineStateOf(int) const
{
    return 0;
}

int Accessor::setLineState(int, int)
{
    return 0;
}

int Accessor::intProperty(const char*, int) const
{
    return 0;
}

void Accessor::startStyling(int, int) { }

int Accessor::segmentStart() const
{
    return m_segmentStart;
}

void Accessor::setSegmentStart(int pos)
{
    m_segmentStart = pos;
}

void Accessor::setFoldLevel(int, int) { }
