#pragma once

#include "markup/Accessor.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <unordered_map>
#include <utility>
#include <vector>

class CElement;

// One edit of one configuration file's text: the text is parsed once, its
// ids are indexed once, every change of an install or a removal is applied to
// that one tree, and the text is written out once at the end. Any file kind
// can be edited through it; the editors of each kind only say where their
// markup goes.
//
// Markup that an edit adds goes in as raw text, which look-ups cannot see
// until the text is parsed again. The session notes the ids and element names
// such text holds and parses again only when a later look-up asks for one of
// them, so that a package's entries that build on each other still find what
// the earlier ones added, while unrelated entries cost no parse.
//
// The edited text is the parsed text with the changed subtrees spliced in:
// what no edit touched is copied as ranges of the parsed text, never walked
// node by node, so each edit notes the node whose children it changed.
class EditSession
{
public:
    explicit EditSession(const QString& text);
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    // The text's own line end: its first, or "\n" when it has none.
    const QString& lineEnd() const { return m_lineEnd; }
    Accessor& document() { return m_document; }

    // Parses the text again first when an earlier edit added an element
    // carrying one of ids or named one of names (any case).
    void require(const QStringList& ids, const QStringList& names = QStringList());
    // The same for ids given as lists of them and single ones, without a list
    // made of them all: an entry asks this once before it is placed.
    void require(std::initializer_list<const QStringList*> idLists, std::initializer_list<QStringView> ids,
        const QStringList& names = QStringList());
    // Parses the text as the edits so far left it; pointers into the
    // document are void after it.
    void reparse();

    // The first element in document order carrying id whose name is one of
    // names (any name when empty). Elements an edit emptied no longer count.
    // An answer is kept until the next parse: a package's entries name the
    // same few menus again and again.
    CElement* findElement(const QString& id, const QStringList& names);
    // Whether a child of parent carries id: through the index once it is
    // built, otherwise through the ids of parent's children, read once.
    bool hasChildWithId(const CElement* parent, const QString& id);

    // The children of parent, listed once until the next parse. A node added
    // to the document must come through addChildNode, which keeps the list.
    const std::vector<CElement*>& children(const CElement* parent);
    // A new node among parent's children: in front of before, or (before
    // null) at the end.
    CElement* addChildNode(CElement* parent, CElement* before);

    // Notes an edit of changed's children (added, emptied or replaced);
    // inserted, when given, is the parsed markup the edit added as text,
    // whose ids and names only a new parse shows.
    void noteEdited(CElement* changed, CElement* inserted = nullptr);
    // Notes an element replaced by text of its own: what finds it needs a new parse.
    void noteHidden(CElement* element);
    // noteEdited with the ids and names of the inserted markup's elements
    // already read.
    void noteInserted(CElement* changed, const QStringList& ids, const QStringList& names);
    // The same for markup of one element: its id (empty: none) and its name.
    void noteInserted(CElement* changed, QStringView id, QStringView name);
    // Whether a noted edit changed node's children or those of a node below it.
    bool isTouched(const CElement* node) const { return m_touched.contains(node); }
    // Grows with every noted edit and parse: what a caller derived from the
    // tree stays true while it stays the same.
    quint64 editCount() const { return m_editCount; }
    // editCount() as of the last noted edit at or below node, or of the last
    // parse when there was none since.
    quint64 lastEditBelow(const CElement* node) const { return m_touched.value(node, m_parsedAt); }

    // Puts text in place of the whole document, for files edited line by
    // line rather than as markup.
    void replaceText(const QString& text);

    // The text as every edit left it, and its UTF-8 bytes, encoded from the
    // spliced pieces without the whole text ever being held twice.
    QString text() const;
    QByteArray encodedText() const;
    // Whether the text differs from the one the session began with.
    bool isChanged() const;
    const QString& originalText() const { return m_original; }

private:
    // A range [begin, end) of the parsed text, or (begin < 0) text of its own.
    struct Segment
    {
        int begin;
        int end;
        QString text;
    };
    // Made again only after a noted edit or a parse: an edit's check for a
    // change and its writing out both read them, and making them copies the
    // text of every node an edit added.
    const std::vector<Segment>& segments() const;
    std::vector<Segment> makeSegments() const;
    void index();
    // findElement without the answers kept.
    CElement* lookUp(const QString& id, const QStringList& names);
    CElement* search(const QString& id, const QStringList& names);
    void forgetIndex();

    mutable std::vector<Segment> m_segments;
    // editCount() + 1 as of m_segments; 0: not made.
    mutable quint64 m_segmentsMadeAt = 0;
    QString m_original;
    QString m_lineEnd;
    Accessor m_document;
    bool m_edited = false;
    bool m_indexed = false;
    quint64 m_editCount = 0;
    quint64 m_parsedAt = 0;
    // The nodes whose children a noted edit changed, and every node above
    // them, each with the edit count of the last such edit.
    QHash<const CElement*, quint64> m_touched;
    // Every element with an id, by id, each list in document order.
    QHash<QString, std::vector<CElement*>> m_ids;
    // What look-ups without the index cost so far, in characters (see lookUp).
    qint64 m_searchCost = 0;
    // findElement's answers by id, each with the names it was asked for.
    QHash<QString, std::vector<std::pair<QStringList, CElement*>>> m_found;
    // The children of a parent, and by id those of them that carry one.
    // Node-based, so that a list handed out stays where it is while others are added.
    std::unordered_map<const CElement*, std::vector<CElement*>> m_children;
    // The ids of a parent's children, with the children that carry them.
    std::unordered_map<const CElement*, QMultiHash<QString, CElement*>> m_childIds;
    // The ids, and the names in lower case, of what edits added since the
    // last parse: an element that carries one may stand where no parse saw it.
    QSet<QString> m_hiddenIds;
    QSet<QString> m_hiddenNames;
};
