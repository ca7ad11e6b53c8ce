#pragma once

#include "lexer/HtmlLexer.h"
#include "lexer/ILexerSink.h"

#include <cstdint>
#include <type_traits>

class KeywordList;

// The state machine of the markup lexer, a template over its sink so that a
// sink whose type is known (the markup document) has its runs attached
// without an indirect call per run. HtmlLexer::lex runs it on any sink.
//
// This header only declares it. The definitions that a sink type needs live
// in lexer/MarkupLexerImpl.h, included by the one source file that
// instantiates the lexer for that type; MarkupLexer<ILexerSink> is
// instantiated in the lexer's library.
namespace HtmlLexer {
namespace detail {

// The part of the lexer that does not depend on the sink's type: its state,
// the lookups of names, and the rules of SGML declarations and of the
// scripts, compiled once for every sink. Runs reported from here reach the
// sink through its virtual table; they are rare in the documents the markup
// model reads, where the markup rules of MarkupLexer report directly.
class MarkupLexerBase
{
protected:
    MarkupLexerBase(KeywordList* lists[], ILexerSink& sink, bool skipping);

    // The character at `pos`, or a space outside the text.
    char16_t at(int pos) const { return pos >= 0 && pos < m_length ? m_s[pos] : u' '; }
    int ps() const;
    void report(int endPos, int style)
    {
        m_anySink.styleTo(endPos, style);
        if (endPos >= m_segStart)
            m_segStart = endPos + 1;
    }
    void resolvePrevNonBlank();

    int sgmlRule(int i, char16_t ch);
    int javaScriptRule(int i, char16_t ch, char16_t next, char16_t next2);
    int vbScriptRule(int i, char16_t ch, char16_t next, char16_t next2);
    int pythonRule(int i, char16_t ch, char16_t next, char16_t next2);
    int phpRule(int i, char16_t ch, char16_t next, char16_t next2);
    int phpOpen(int i, char16_t ch, char16_t next, char16_t next2);
    void reenter(int i, char16_t ch, char16_t next, char16_t next2);

    void afterTagClose();
    int classifyTag(int from, int to, bool& isScript);
    bool attributeKnown(int from, int to);
    void classifyScriptWord(int endPos);
    int classifyVbWord(int endPos);
    ScriptLanguage scriptIndicator(int from, int to, ScriptLanguage previous) const;
    int textSegment(int from, int to, char16_t* buffer, int capacity, bool lower) const;
    bool closingScriptNameFollows(int pos) const;
    bool delimiterAt(int pos) const;
    bool htmlContains(const char16_t* name, int length);

    ILexerSink& m_anySink;
    bool m_skipping;
    const char16_t* m_s;
    int m_length;
    const KeywordList& m_html;
    const KeywordList& m_javaScript;
    const KeywordList& m_vbScript;
    const KeywordList& m_python;
    const KeywordList& m_php;
    const KeywordList& m_sgml;
    // Whether some word of the HTML list begins with a character, so that
    // most names are rejected before they are collected. The list's own table.
    const bool* m_htmlMayStartWith;
    // Whether a piece of a tag that begins with white space, "=", a quote or
    // the like is always of an unknown name (no word of the list begins so).
    bool m_plainPiecesAreUnknown = true;
    // Names repeat throughout a document, and from one document to the
    // next: the answers of the HTML list for recent names, by a hash of the
    // name, kept for the thread while its lexers read the same list. Asking
    // the list each time made a thousand tiny documents run at 0.66 instead
    // of 1.17 times pugixml's speed, and the system corpus at 1.25 instead
    // of 1.42.
    struct KnownName
    {
        char16_t name[31];
        int length = -1;
        bool known = false;
    };
    // A tag name as the text spells it, with the answer for its lower-cased
    // form: most names repeat in one spelling, compared without lowering.
    struct KnownTag
    {
        char16_t name[30];
        int length = -1;
        bool known = false;
        bool script = false;
    };
    struct NameCache
    {
        std::uint64_t generation = 0;
        // m_plainPiecesAreUnknown for the list.
        bool plainPiecesAreUnknown = true;
        KnownName names[64];
        KnownTag tags[128];
    };
    // The cache of the calling thread. Lexers run one after another on a
    // thread, never interleaved, so the one that runs finds the answers of
    // its own list there.
    static NameCache& threadNameCache();
    NameCache& m_names;
    static unsigned knownNameSlot(char16_t first, char16_t last, int length)
    {
        return (static_cast<unsigned>(length) * 31u + first * 7u + last) & 63u;
    }
    static unsigned knownTagSlot(char16_t first, char16_t last, int length)
    {
        return (static_cast<unsigned>(length) * 31u + first * 7u + last) & 127u;
    }
    int classifyName(int k, int to, bool& isScript);
    int classifyCollectedName(int k, int to, bool& isScript, KnownTag* entry);

    int m_end = 0;
    int m_segStart = 0;
    int m_state = MarkupStyle::Default;
    ScriptMode m_mode = ScriptMode::Html;
    ScriptLanguage m_language = ScriptLanguage::None;
    ScriptLanguage m_serverLanguage = ScriptLanguage::None;
    ScriptLanguage m_clientLanguage = ScriptLanguage::JavaScript;
    int m_returnState = MarkupStyle::Default;
    bool m_tagClosing = false;
    char16_t m_prev = u' ';
    char16_t m_prev2 = u' ';
    char16_t m_prevNonBlank = u' ';
    // A skipped stretch whose last non-blank character is not looked for yet.
    bool m_prevNonBlankPending = false;
    int m_pendingFrom = 0;
    int m_pendingTo = -1;
    char16_t m_pendingFallback = u' ';
    // Only their first characters are set before use: a lexer is made per
    // document, and clearing them all would cost a small document.
    char16_t m_prevPythonWord[31];
    char16_t m_phpDelimiter[200];
    int m_phpDelimiterLength = 0;
};

template <class Sink> class MarkupLexer : private MarkupLexerBase
{
    static_assert(std::is_base_of_v<ILexerSink, Sink>, "the lexer's sink is an ILexerSink");

public:
    // Without `skipping`, every character takes a full step: slower, and
    // giving the same runs, which tests compare.
    MarkupLexer(KeywordList* lists[], Sink& sink, bool skipping = true)
        : MarkupLexerBase(lists, sink, skipping)
        , m_sink(sink)
    {
    }

    void run(int start, int length, int initStyle);

private:
    // Hides the base's report: the markup rules call the sink of known type.
    void report(int endPos, int style)
    {
        m_sink.styleTo(endPos, style);
        if (endPos >= m_segStart)
            m_segStart = endPos + 1;
    }

    void skipBoring(int& i);
    int plainTags(int i);
    void reportPlainAttributes(int j, int tagEnd);
    int plainXmlDeclaration(int lt);
    int unknownSlashPiecesEnd(int slash);
    void steppedOver(int from, int to);
    int step(int i, char16_t ch);
    bool blockChecks(int& i, char16_t ch);
    int markupRule(int i, char16_t ch);

    Sink& m_sink;
};

extern template class MarkupLexer<ILexerSink>;

} // namespace detail
} // namespace HtmlLexer
