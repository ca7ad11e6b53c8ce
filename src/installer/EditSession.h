#pragma once

#include "markup/Accessor.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

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
    // Parses the text as the edits so far left it; pointers into the
    // document are void after it.
    void reparse();

    // The first element in document order carrying id whose name is one of
    // names (any name when empty). Elements an edit emptied no longer count.
    CElement* findElement(const QString& id, const QStringList& names);
    // Whether a child of parent carries id: through the index once it is
    // built, otherwise by reading each child's id.
    bool hasChildWithId(const CElement* parent, const QString& id);

    // Notes an edit of changed's children (added, emptied or replaced);
    // inserted, when given, is the parsed markup the edit added as text,
    // whose ids and names only a new parse shows.
    void noteEdited(CElement* changed, CElement* inserted = nullptr);
    // Notes an element replaced by text of its own: what finds it needs a new parse.
    void noteHidden(CElement* element);
    bool isEdited() const { return m_edited; }

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
    std::vector<Segment> segments() const;
    void index();
    CElement* search(const QString& id, const QStringList& names);
    void forgetIndex();

    QString m_original;
    QString m_lineEnd;
    Accessor m_document;
    bool m_edited = false;
    bool m_indexed = false;
    std::vector<CElement*> m_changed;
    // Every element with an id, in document order, with the hash of its id,
    // and an open-addressed table of their numbers (plus one; 0 is free) by
    // hash. Probing meets elements of one id in document order.
    struct IdEntry
    {
        quint64 hash;
        CElement* element;
    };
    std::vector<IdEntry> m_idEntries;
    std::vector<quint32> m_idSlots;
    int m_searches = 0;
    QSet<QString> m_hiddenIds;
    QSet<QString> m_hiddenNames;
};
