#pragma once

#include "lexer/HtmlLexer.h"
#include "lexer/ILexerSink.h"
#include "lexer/KeywordList.h"
#include "markup/CElement.h"

#include <QHash>
#include <QString>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

// A markup document: parses a text into a tree of CElement nodes through the
// markup lexer, whose sink it is, and writes the tree back. Every character
// of the text lies in exactly one piece of one node, so toString() after
// parse(t) gives t; edits change or add pieces and leave the rest as it was.
class Accessor final : public ILexerSink
{
public:
    Accessor();
    ~Accessor() override;
    Accessor(const Accessor&) = delete;
    Accessor& operator=(const Accessor&) = delete;

    void parse(const QString& text);
    // Parses as parse() does, with the lexer stepping over every character
    // and reporting each run on its own: slower, and building the same tree,
    // which tests compare.
    void parseStepByStep(const QString& text);
    CElement* root() { return m_root; }
    QString toString() const;
    // The text the last parse read, which pieces no edit replaced point into.
    const QString& source() const { return m_source; }
    CElement* elementById(const QString& id);
    std::vector<CElement*> elementsByTagName(const QString& name);

    // The lexer's sink.

    // A run of an unknown tag that neither begins with "<" nor ends with ">"
    // only lengthens the piece being built, as the run before it did, so the
    // lexer may hand such runs over together.
    static constexpr bool mergesPlainTagPieces = true;
    // So does every run of a start tag's attributes, whatever its style.
    static constexpr bool mergesAttributeRuns = true;
    // Whole tags of the plain shape come in one call each, which builds
    // what their runs would have built.
    static constexpr bool takesPlainTags = true;
    // Defined in the source that compiles the lexer for this sink, into
    // which they are inlined.
    Q_ALWAYS_INLINE void plainStartTag(int lt, int nameEnd, int tagEnd);
    inline void plainEndTag(int lt, int nameEnd);
    // No run of a declaration opens, ends or closes a tag.
    void plainXmlDeclaration(int, int end) { attachToCurrent(m_segmentStart, end); }

    bool matchAt(int pos, const char* s) const override;
    int styleAt(int pos) const override;
    int lineOf(int pos) const override;
    int lineStartOf(int line) const override;
    int foldLevelOf(int line) const override;
    int lineStateOf(int line) const override;
    int setLineState(int line, int state) override;
    int intProperty(const char* key, int defaultValue) const override;
    void startStyling(int pos, int mask) override;
    int segmentStart() const override;
    void setSegmentStart(int pos) override;
    // Most runs only lengthen the piece being built; runs that may open,
    // end or close a tag take the longer way.
    void styleTo(int endPos, int style) override
    {
        const int length = ILexerSink::length();
        if (endPos >= length)
            endPos = length - 1;
        const int begin = m_segmentStart;
        if (endPos < begin)
            return;
        const char16_t* s = characters();
        using namespace HtmlLexer::MarkupStyle;
        if (style == Comment && inCommentStart())
            // The body of a comment is text of the comment, even where it
            // opens with "<": a commented-out element is no element.
            attachCommentBody(begin, endPos);
        else if ((style == Tag || style == TagUnknown || style == TagEnd || style == Comment)
            && (s[begin] == u'<' || s[endPos] == u'>'))
            attachTagRun(begin, endPos);
        else
            attachToCurrent(begin, endPos);
    }
    void setFoldLevel(int line, int level) override;

private:
    friend class CElement;

    enum class BuilderState { None = 0, InStartTag = 1, InText = 2, InEndTag = 3 };

    static constexpr size_t nodesPerBlock = (CElement::blockBytes - CElement::blockHeaderBytes) / sizeof(CElement);
    static_assert(sizeof(Accessor*) + sizeof(quint32) <= CElement::blockHeaderBytes, "a block header holds both");

    // Nodes are numbered in the order they are made, block after block, so
    // the link of each new node is the one after the last.
    CElement* createNode()
    {
        if (m_nextPlace == m_placesEnd)
            startBlock();
        void* place = m_nextPlace;
        m_nextPlace += sizeof(CElement);
        ++m_lastNodeLink;
        return new (place) CElement();
    }
    void startBlock();
    CElement* nodeAt(quint32 link) const
    {
        const quint32 number = link - 1;
        return reinterpret_cast<CElement*>(m_blocks[number / nodesPerBlock] + CElement::blockHeaderBytes
            + size_t(number % nodesPerBlock) * sizeof(CElement));
    }
    // A node appended to the children of the current one, during a parse.
    CElement* createChildOfCurrent()
    {
        CElement* node = createNode();
        node->m_parent = m_currentLink;
        if (m_lastChild)
            m_lastChild->m_next = m_lastNodeLink;
        else
            m_current->m_firstChild = m_lastNodeLink;
        return node;
    }
    void releaseNodes();
    void run(const QString& text, bool skipping);
    void closePending(bool selfClosed);
    bool closesItself(const CElement* node) const;
    void addClosedText(int begin, int end);
    void appendRun(CElement::Piece& piece, int begin, int end)
    {
        if (!piece.owned() && piece.length == 0) {
            piece.begin = begin;
            piece.length = end - begin;
        } else if (!piece.owned() && piece.begin + piece.length == begin) {
            piece.length += end - begin;
        } else {
            appendSlow(piece, begin, end);
        }
    }
    void appendSlow(CElement::Piece& piece, int begin, int end);
    void attachTagRun(int begin, int endPos);
    void openNode(CElement* node);
    void closeCurrent();
    CElement* findOpenNode(int nameBegin, int nameLength);
    // Whether the builder is in the start of a comment, whose "<!--" came as a run of its own.
    bool inCommentStart() const;
    void attachCommentBody(int begin, int endPos);
    void attachToCurrent(int begin, int endPos)
    {
        if (m_state == BuilderState::None) {
            openNode(createChildOfCurrent());
            m_state = BuilderState::InText;
        }
        appendRun(pieceForState(m_current), begin, endPos + 1);
        m_segmentStart = endPos + 1;
    }
    CElement::Piece& pieceForState(CElement* node)
    {
        switch (m_state) {
        case BuilderState::InStartTag:
            return node->m_startTag;
        case BuilderState::InEndTag:
            return node->m_endTag;
        default:
            return node->m_text;
        }
    }
    bool nameEquals(const CElement* node, int begin, int length) const;
    void setLowerCasedName(CElement* node, int begin, int length);
    void setOwnedLowerCasedName(CElement* node, const QChar* data, int length);

    int m_segmentStart = 0;
    QString m_source;
    CElement* m_root = nullptr;
    CElement* m_current = nullptr;
    // Links of the current node and of the last node made, kept beside the
    // pointers so that building the tree never works a link out of an address.
    quint32 m_currentLink = 0;
    quint32 m_lastNodeLink = 0;
    // The last child of the current node, which the next child follows:
    // nodes hold no link to their last child.
    CElement* m_lastChild = nullptr;
    BuilderState m_state = BuilderState::None;

    // Nodes live in blocks that are kept across parses: a parse reuses the
    // memory of the previous tree instead of asking the allocator again.
    std::vector<unsigned char*> m_blocks;
    size_t m_blocksInUse = 0;
    // Where the next node goes, and the end of the last block in use.
    unsigned char* m_nextPlace = nullptr;
    unsigned char* m_placesEnd = nullptr;
    std::vector<QString> m_ownedTexts;
    bool m_edited = false;

    // The nodes from `current` up to the root (left out) are the open ones,
    // which end tags may close. Once an end tag has to look further than a
    // few levels up, they are kept on a stack beside the tree, and a table
    // from a name to the innermost open node of that name finds the node an
    // end tag closes without walking up a deep tree for every end tag.
    struct OpenNode
    {
        CElement* node;
        QString name; // empty for a nameless node
        int hidden; // the open node of the same name that this one hides, or -1
    };
    std::vector<OpenNode> m_openPath;
    QHash<QString, int> m_openNames;
    int m_innermostNameless = -1;
    bool m_openNamesActive = false;
    void indexOpenNode(CElement* node);
};

Accessor* CElement::document() const
{
    Accessor* document = nullptr;
    std::memcpy(&document, reinterpret_cast<const void*>(reinterpret_cast<quintptr>(this) & ~(blockBytes - 1)),
        sizeof document);
    return document;
}

CElement* CElement::linked(quint32 link) const
{
    if (link == 0)
        return nullptr;
    const quint32 number = link - 1;
    // A link mostly leads into the block of the node it leaves, whose
    // header numbers its first node: found there, the node needs neither
    // the document's list of blocks nor a division.
    const quintptr base = reinterpret_cast<quintptr>(this) & ~(blockBytes - 1);
    quint32 first = 0;
    std::memcpy(&first, reinterpret_cast<const void*>(base + sizeof(Accessor*)), sizeof first);
    if (number - first < Accessor::nodesPerBlock) {
        CElement* const node
            = reinterpret_cast<CElement*>(base + blockHeaderBytes + size_t(number - first) * sizeof(CElement));
        Q_ASSERT(node == document()->nodeAt(link));
        return node;
    }
    return document()->nodeAt(link);
}

quint32 CElement::linkTo(const CElement* node)
{
    if (!node)
        return 0;
    const quintptr address = reinterpret_cast<quintptr>(node);
    const quintptr block = address & ~(blockBytes - 1);
    quint32 first = 0;
    std::memcpy(&first, reinterpret_cast<const void*>(block + sizeof(Accessor*)), sizeof first);
    return first + quint32((address - block - blockHeaderBytes) / sizeof(CElement)) + 1;
}

const QChar* CElement::nameData(int& length) const
{
    if (m_name < 0) {
        const QString& text = document()->m_ownedTexts[static_cast<size_t>(-1 - m_name)];
        length = text.size();
        return text.constData();
    }
    length = m_name;
    return document()->m_source.constData() + (m_name > 0 ? m_startTag.begin + 1 : 0);
}

const QChar* CElement::pieceData(const Piece& piece, int& length) const
{
    if (piece.owned()) {
        const QString& text = document()->m_ownedTexts[static_cast<size_t>(piece.length)];
        length = text.size();
        return text.constData();
    }
    length = piece.length;
    return document()->m_source.constData() + piece.begin;
}
