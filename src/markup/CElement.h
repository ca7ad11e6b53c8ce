#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <vector>

class Accessor;

// One node of a markup document: an element, a comment, a text node or the
// document's root. Its four texts (name, start tag, own text, end tag) are
// pieces of the document's source text until an edit replaces them, so a
// parsed tree costs no string per node. Nodes belong to their document;
// pointers stay valid until the document is parsed again or destroyed.
class CElement
{
public:
    // Nodes live in blocks of this size and alignment, each headed by the
    // document the nodes belong to.
    static constexpr quintptr blockBytes = 64 * 1024;

    CElement(const CElement&) = delete;
    CElement& operator=(const CElement&) = delete;

    QString name() const;
    // The name without a copy, for a comparison; valid until the name
    // changes or the document is parsed again.
    QStringView nameView() const;
    QString startTag() const;
    QString text() const;
    QString endTag() const;
    CElement* parent() const { return linked(m_parent); }
    std::vector<CElement*> children() const;
    // The links children() follows, for a walk that needs no list of its own.
    CElement* firstChild() const { return linked(m_firstChild); }
    CElement* nextSibling() const { return linked(m_next); }
    // The node after this one in a walk of subtreeRoot's subtree in document
    // order, each node before its children; null once the walk would leave
    // it. Walks need no recursion, which a deeply nested document would overflow.
    CElement* nextInPreOrder(const CElement* subtreeRoot) const;
    int childCount() const;

    // The decoded value of the first attribute of the start tag named `name`
    // (ignoring case); "" when there is none.
    QString attribute(const QString& name) const;
    // One attribute asked of a start tag: its name in lower case, and where
    // its value goes.
    struct WantedAttribute
    {
        QLatin1String lowerName;
        QString* value;
    };
    // Each value as attribute() gives it, all read in one pass over the start
    // tag: an element of many attributes is then not scanned once for each.
    void attributes(std::initializer_list<WantedAttribute> wanted) const;
    // The same, over the text of a start tag read without a parse.
    static void attributesOf(QStringView startTag, std::initializer_list<WantedAttribute> wanted);
    QString innerMarkup() const;
    QString outerMarkup() const;
    // The same texts encoded as Utf8::encode() encodes them, written from
    // the tree straight into the bytes, without the UTF-16 text between.
    QByteArray innerMarkupUtf8() const;
    QByteArray outerMarkupUtf8() const;
    // Pre-order searches of this node and its descendants.
    CElement* elementById(const QString& id);
    std::vector<CElement*> elementsByTagName(const QString& name);

    bool hasEmptyEndTag() const;

    // Named, and not a comment.
    bool isElement() const;
    // The elements below this node in document order, found without
    // recursion: markup from a package may nest deeper than the stack allows.
    std::vector<CElement*> elementsInOrder() const;
    // The value of the first attribute named lowerName as the start tag
    // spells it, entities left as they are, without a copy; null when there
    // is none. Valid until the node's start tag changes or the document is
    // parsed again.
    QStringView attributeSource(const QString& lowerName) const;
    // Text as XML writes it, with its character references ("&#233;",
    // "&#xE9;") and the five named entities decoded. A reference to no
    // character XML allows stays as written.
    static QString decodedText(QStringView source);
    // The range [begin, end) of the document's parsed text that this node's
    // markup, its children's included, was read from. False when an edit
    // replaced one of the node's own texts; edits below the node do not show
    // here, so a caller that edits must know which subtrees it changed.
    bool sourceRange(int* begin, int* end) const;

    CElement* addChild();
    // The same, for a caller that knows the last child (null: there is none),
    // so that a parent of many children is not walked from the front. A node
    // that is not that child is ignored, and the walk finds the place.
    CElement* addChild(CElement* lastChild);
    CElement* addSiblingBefore();
    // The same, for a caller that knows this node's previous sibling (null:
    // it is the first child), in the same way.
    CElement* addSiblingBefore(CElement* previous);
    void setText(const QString& text);
    // Empties every text of this node and its descendants; the nodes stay.
    void clear();

private:
    friend class Accessor;

    // A range of the document's source text, or (begin < 0) the owned text
    // with index `length` in the document.
    struct Piece
    {
        int begin = 0;
        int length = 0;
        bool owned() const { return begin < 0; }
    };

    // What a block holds before its nodes: the document, and the number of
    // its first node in the document.
    static constexpr quintptr blockHeaderBytes = 16;

    CElement() = default;
    ~CElement() = default;

    // Defined with the document.
    inline Accessor* document() const;
    // Links are numbers of nodes in the document, plus one (0 links to no
    // node): half the size of a pointer, in a tree of small nodes.
    inline CElement* linked(quint32 link) const;
    static inline quint32 linkTo(const CElement* node);
    // A new sibling between previous (null: none, this is the first child) and this node.
    CElement* linkBefore(CElement* previous);
    // A new child after last (null: the node has no child yet).
    CElement* linkAfter(CElement* last);
    inline const QChar* nameData(int& length) const;
    void setOwnedName(const QString& name);

    QString pieceText(const Piece& piece) const;
    // Defined with the document, whose texts it reads.
    inline const QChar* pieceData(const Piece& piece, int& length) const;
    void setPiece(Piece& piece, const QString& text);
    // Writes the markup into a sink, which takes it as UTF-16 or as UTF-8.
    template <typename Sink> void serialise(Sink& sink, bool withTags) const;
    // The same, always piece by piece down the tree, never as one range.
    template <typename Sink> void walkInto(Sink& sink, bool withTags) const;
    // What a sink of the given kind takes from serialise, or from walkInto alone.
    template <typename Sink, typename Out, bool walked = false> Out written(bool withTags) const;
    // What walkInto writes, to check the ranges serialise copies against.
    QString walkedMarkup(bool withTags) const;

    quint32 m_parent = 0;
    quint32 m_firstChild = 0;
    quint32 m_next = 0;
    // The name: this many characters of the source after the first one of
    // the start tag, where a parse finds it, or (below 0) the owned text
    // numbered -1 - m_name. A parsed node thus keeps its name in 4 bytes.
    qint32 m_name = 0;
    Piece m_startTag;
    Piece m_text;
    Piece m_endTag;
};
