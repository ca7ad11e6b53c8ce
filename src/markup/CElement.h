#pragma once

#include <QString>

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
    QString startTag() const;
    QString text() const;
    QString endTag() const;
    CElement* parent() const { return m_parent; }
    std::vector<CElement*> children() const;
    int childCount() const;

    // The decoded value of the first attribute of the start tag named `name`
    // (ignoring case); "" when there is none.
    QString attribute(const QString& name) const;
    QString innerMarkup() const;
    QString outerMarkup() const;
    // Pre-order searches of this node and its descendants.
    CElement* elementById(const QString& id);
    std::vector<CElement*> elementsByTagName(const QString& name);

    bool hasEmptyEndTag() const;

    CElement* addChild();
    CElement* addSiblingBefore();
    void setText(const QString& text);
    void setName(const QString& name);
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

    CElement() = default;
    ~CElement() = default;

    // Defined with the document.
    inline Accessor* document() const;

    QString pieceText(const Piece& piece) const;
    // Defined with the document, whose texts it reads.
    inline const QChar* pieceData(const Piece& piece, int& length) const;
    void setPiece(Piece& piece, const QString& text);
    CElement* nextInPreOrder(const CElement* subtreeRoot) const;
    void serialise(QString& out, bool withTags) const;

    CElement* m_parent = nullptr;
    CElement* m_firstChild = nullptr;
    CElement* m_next = nullptr;
    Piece m_name;
    Piece m_startTag;
    Piece m_text;
    Piece m_endTag;
};
