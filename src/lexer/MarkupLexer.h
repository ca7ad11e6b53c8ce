#pragma once

#include "lexer/CharacterClasses.h"
#include "lexer/HtmlLexer.h"
#include "lexer/ILexerSink.h"
#include "lexer/KeywordList.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The state machine of the markup lexer, a template over its sink so that a
// sink whose type is known (the markup document) has its runs attached
// without an indirect call per run. HtmlLexer::lex runs it on any sink.
namespace HtmlLexer {
namespace detail {

using namespace CharacterClasses;

using namespace MarkupStyle;
using namespace ScriptState;

inline bool isScriptCommentState(int state)
{
    return state == 42 || state == 43 || state == 57 || state == 58 || state == 72 || state == 82;
}

inline bool isPhpStringState(int state)
{
    return state == PhpHString || state == PhpSimpleString || state == PhpHStringVariable
        || state == PhpComplexVariable;
}

inline bool isStringState(int state)
{
    switch (state) {
    case 48:
    case 49:
    case 63:
    case 64:
    case 75:
    case 85:
    case 94:
    case 95:
    case 97:
    case 98:
    case 109:
    case 110:
    case 112:
    case 113:
        return true;
    default:
        return isPhpStringState(state);
    }
}

inline bool allowsTermination(int state)
{
    return !isStringState(state) && state != 72 && state != 92 && state != 107 && state != 124;
}

inline bool isInTagState(int state)
{
    return (state >= Tag && state <= Other) || state == Script;
}

// Strings and block comments of the scripts, where "</" does not end a script element.
inline bool keepsScriptOpen(int state)
{
    switch (state) {
    case 6:
    case 7:
    case 42:
    case 44:
    case 48:
    case 49:
    case 52:
    case 75:
    case 94:
    case 97:
    case 98:
        return true;
    default:
        return false;
    }
}

inline ScriptLanguage scriptOfState(int state)
{
    if (state >= 90 && state <= 102)
        return ScriptLanguage::Python;
    if (state >= 70 && state <= 77)
        return ScriptLanguage::VBScript;
    if (state >= 40 && state <= 52)
        return ScriptLanguage::JavaScript;
    if (state >= 118 && state <= 125)
        return ScriptLanguage::Php;
    if (state >= 21 && state <= 30)
        return ScriptLanguage::Sgml;
    if (state == 31)
        return ScriptLanguage::SgmlBlock;
    return ScriptLanguage::None;
}

inline int stateForScript(ScriptLanguage language)
{
    switch (language) {
    case ScriptLanguage::VBScript:
        return VbStart;
    case ScriptLanguage::Python:
        return PyStart;
    case ScriptLanguage::Php:
        return PhpDefault;
    case ScriptLanguage::Xml:
        return TagUnknown;
    case ScriptLanguage::Sgml:
        return SgmlDefault;
    default:
        return JsStart;
    }
}

inline int printStyle(int state, ScriptMode mode)
{
    if (mode == ScriptMode::Script)
        return state;
    if ((state >= 90 && state <= 102) || (state >= 40 && state <= 52))
        return state + 15;
    if (state >= 70 && state <= 77)
        return state + 10;
    return state;
}

inline char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Tag-name characters other than "!" (which may begin a declaration right
// after "<"), as a table for the loops that skip over names and values.
struct NameTable
{
    // What a character does inside an unknown tag: continue the piece, end
    // it and begin a plain one, or need a full step.
    enum Action : unsigned char { Name, PieceBreak, Special };
    bool ascii[128];
    Action action[128];
    NameTable()
    {
        for (char16_t c = 0; c < 128; ++c) {
            ascii[c] = isTagNameChar(c) && c != u'!';
            action[c] = ascii[c] ? Name : PieceBreak;
        }
        for (char16_t c : { u'<', u'/', u'>', u'!', u'[' })
            action[c] = Special;
    }
};
inline const NameTable nameTable;

// A sink may declare `static constexpr bool mergesPlainTagPieces = true`
// when a run of an unknown tag that begins with a plain character (white
// space, "=", a quote...) does to it exactly what it would do appended to the
// run before: such pieces are then reported together, as one run.
template <class Sink, class = void> struct MergesPlainTagPieces : std::false_type
{
};
template <class Sink>
struct MergesPlainTagPieces<Sink, std::void_t<decltype(Sink::mergesPlainTagPieces)>>
    : std::bool_constant<Sink::mergesPlainTagPieces>
{
};

template <class Sink> class MarkupLexer
{
public:
    // Without `skipping`, every character takes a full step: slower, and
    // giving the same runs, which tests compare.
    MarkupLexer(KeywordList* lists[], Sink& sink, bool skipping = true)
        : m_sink(sink)
        , m_skipping(skipping)
        , m_s(sink.characters())
        , m_length(sink.length())
        , m_html(*lists[0])
        , m_javaScript(*lists[1])
        , m_vbScript(*lists[2])
        , m_python(*lists[3])
        , m_php(*lists[4])
        , m_sgml(*lists[5])
    {
        for (int c = 0; c < 256; ++c)
            m_htmlMayStartWith[c] = m_html.length() == 0 || m_html.mayContain(static_cast<char16_t>(c));
        for (char16_t c = 0; c < 128; ++c)
            if (nameTable.action[c] == NameTable::PieceBreak && m_htmlMayStartWith[c])
                m_plainPiecesAreUnknown = false;
    }

    void run(int start, int length, int initStyle);

private:
    // The character at `pos`, or a space outside the text.
    char16_t at(int pos) const { return pos >= 0 && pos < m_length ? m_s[pos] : u' '; }
    int ps() const { return printStyle(m_state, m_mode); }
    void report(int endPos, int style)
    {
        m_sink.styleTo(endPos, style);
        if (endPos >= m_segStart)
            m_segStart = endPos + 1;
    }

    void skipBoring(int& i);
    int step(int i, char16_t ch);
    bool blockChecks(int& i, char16_t ch);
    int markupRule(int i, char16_t ch);
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

    Sink& m_sink;
    bool m_skipping;
    const char16_t* m_s;
    int m_length;
    KeywordList& m_html;
    KeywordList& m_javaScript;
    KeywordList& m_vbScript;
    KeywordList& m_python;
    KeywordList& m_php;
    KeywordList& m_sgml;
    // Whether some word of the HTML list begins with a character, so that
    // most names are rejected before they are collected.
    bool m_htmlMayStartWith[256];
    // Whether a piece of a tag that begins with white space, "=", a quote or
    // the like is always of an unknown name (no word of the list begins so).
    bool m_plainPiecesAreUnknown = true;
    // Names repeat throughout a document: the answers of the HTML list for
    // recent names, by a hash of the name.
    struct KnownName
    {
        char16_t name[31];
        int length = -1;
        bool known = false;
    };
    KnownName m_knownNames[64];
    static unsigned knownNameSlot(char16_t first, char16_t last, int length)
    {
        return (static_cast<unsigned>(length) * 31u + first * 7u + last) & 63u;
    }
    bool htmlContains(const char16_t* name, int length);

    int m_end = 0;
    int m_segStart = 0;
    int m_state = Default;
    ScriptMode m_mode = ScriptMode::Html;
    ScriptLanguage m_language = ScriptLanguage::None;
    ScriptLanguage m_serverLanguage = ScriptLanguage::None;
    ScriptLanguage m_clientLanguage = ScriptLanguage::JavaScript;
    int m_returnState = Default;
    bool m_tagClosing = false;
    char16_t m_prev = u' ';
    char16_t m_prev2 = u' ';
    char16_t m_prevNonBlank = u' ';
    // A skipped stretch whose last non-blank character is not looked for yet.
    bool m_prevNonBlankPending = false;
    int m_pendingFrom = 0;
    int m_pendingTo = -1;
    char16_t m_pendingFallback = u' ';
    void resolvePrevNonBlank()
    {
        m_prevNonBlankPending = false;
        for (int k = m_pendingTo; k >= m_pendingFrom; --k) {
            if (!isSpaceChar(m_s[k])) {
                m_prevNonBlank = m_s[k];
                return;
            }
        }
        if (!isSpaceChar(m_pendingFallback))
            m_prevNonBlank = m_pendingFallback;
    }
    char16_t m_prevPythonWord[31] = {};
    char16_t m_phpDelimiter[200] = {};
    int m_phpDelimiterLength = 0;
};

template <class Sink> void MarkupLexer<Sink>::run(int start, int length, int initStyle)
{
    m_sink.startStyling(start, 127);
    m_state = initStyle;
    if ((m_state >= 105 && m_state <= 117) || (m_state >= 55 && m_state <= 67))
        m_state -= 15;
    else if (m_state >= 80 && m_state <= 87)
        m_state -= 10;
    if (isInTagState(m_state)) {
        while (start > 0 && isInTagState(m_sink.styleAt(start - 1))) {
            --start;
            ++length;
        }
        m_state = Default;
    }
    while (isPhpStringState(m_state) && m_state != PhpSimpleString && start > 0) {
        --start;
        ++length;
        m_state = m_sink.styleAt(start);
    }
    m_sink.startStyling(start, 127);

    const int line = m_sink.lineOf(start);
    const int lineState
        = line > 0 ? m_sink.lineStateOf(line) : 256 + 16 * m_sink.intProperty("asp.default.language", 1);
    m_mode = static_cast<ScriptMode>(lineState & 3);
    m_tagClosing = (lineState >> 3) & 1;
    m_serverLanguage = static_cast<ScriptLanguage>((lineState >> 4) & 15);
    m_clientLanguage = static_cast<ScriptLanguage>((lineState >> 8) & 15);
    m_returnState = (lineState >> 12) & 0xff;
    m_language = scriptOfState(m_state);
    // Folding is not kept, so of the folding properties only the switch is asked.
    m_sink.intProperty("fold.html", 0);
    m_sink.intProperty("html.tags.case.sensitive", 0);

    m_end = std::min(start + std::max(length, 0), m_sink.length());
    m_sink.setSegmentStart(start);
    m_segStart = start;
    int i = start;
    while (i < m_end) {
        if (m_skipping && m_mode == ScriptMode::Html && m_language == ScriptLanguage::None) {
            skipBoring(i);
            if (i >= m_end)
                break;
        }
        const char16_t ch = m_s[i];
        if (!isSpaceChar(m_prev) && (m_state < 42 || m_state > 44)) {
            m_prevNonBlank = m_prev;
            m_prevNonBlankPending = false;
        }
        i = step(i, ch);
        m_prev2 = m_prev;
        m_prev = ch;
        ++i;
    }
    report(m_end - 1, ps());
}

inline bool isPlainNameChar(char16_t c)
{
    return c >= 128 || nameTable.ascii[c];
}

// The first position from `j` on (before `end`) holding a, b or c; `end`
// when there is none. Eight characters at a time where SSE2 is available:
// text between tags and quoted values are long stretches of such characters.
inline int findFirstOf(const char16_t* s, int j, int end, char16_t a, char16_t b, char16_t c)
{
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi16(static_cast<short>(a));
    const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i vc = _mm_set1_epi16(static_cast<short>(c));
    for (; j + 8 <= end; j += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
        const __m128i hit
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, va), _mm_cmpeq_epi16(x, vb)), _mm_cmpeq_epi16(x, vc));
        const int mask = _mm_movemask_epi8(hit);
        if (mask)
            return j + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    }
#endif
    while (j < end && s[j] != a && s[j] != b && s[j] != c)
        ++j;
    return j;
}

// The first position from `j` on that holds no tag-name character or holds
// "!". A plain loop: names and the pieces of unknown tags are short.
inline int skipPlainName(const char16_t* s, int j, int end)
{
    while (j < end && isPlainNameChar(s[j]))
        ++j;
    return j;
}

// Skips the characters at which the current markup state's rule and every
// check of a step do nothing. Only used outside scripts and blocks.
template <class Sink> void MarkupLexer<Sink>::skipBoring(int& i)
{
    const int from = i;
    const char16_t* s = m_s;
    const int end = m_end;
    int j = from;
    switch (m_state) {
    case Default:
        j = findFirstOf(s, j, end, u'<', u'&', u'!');
        break;
    case TagUnknown: {
        // The rest of an unknown tag comes in short pieces, each begun by a
        // character that is not a tag-name character. A piece that begins
        // with a plain one (white space, "=", a quote...) cannot name an HTML
        // word, so it is reported here without a full step.
        const char16_t first = m_segStart < j ? s[m_segStart] : u'<';
        if (first >= 128 || nameTable.action[first] != NameTable::PieceBreak || !m_plainPiecesAreUnknown) {
            j = skipPlainName(s, j, end);
            break;
        }
        for (; j < end; ++j) {
            const char16_t c = s[j];
            if (c >= 128)
                continue;
            const int action = nameTable.action[c];
            if (action == NameTable::Name)
                continue;
            if (action == NameTable::Special)
                break;
            if constexpr (!MergesPlainTagPieces<Sink>::value)
                report(j - 1, TagUnknown);
        }
        break;
    }
    case Value:
        j = skipPlainName(s, j, end);
        break;
    case Attribute:
        while (j < end && (isPlainNameChar(s[j]) || s[j] == u'/'))
            ++j;
        break;
    case DoubleString:
        j = findFirstOf(s, j, end, u'"', u'<', u'!');
        break;
    case SingleString:
        j = findFirstOf(s, j, end, u'\'', u'<', u'!');
        break;
    case Other:
        while (j < end && (s[j] == u' ' || s[j] == u'\t' || s[j] == u'\r' || s[j] == u'\n'))
            ++j;
        break;
    case Comment:
    case CData:
        j = findFirstOf(s, j, end, u'>', u'<', u'!');
        break;
    default:
        return;
    }
    if (j == from)
        return;
    // The skipped characters are steps like any other: keep the previous
    // characters as stepping would have left them. Only scripts read the
    // previous non-blank character, so it is found when a script asks.
    if (m_prevNonBlankPending)
        resolvePrevNonBlank();
    m_prevNonBlankPending = true;
    m_pendingFrom = from;
    m_pendingTo = j - 2;
    m_pendingFallback = m_prev;
    m_prev2 = j - from >= 2 ? m_s[j - 2] : m_prev;
    m_prev = m_s[j - 1];
    i = j;
}

template <class Sink> bool MarkupLexer<Sink>::closingScriptNameFollows(int pos) const
{
    static const char16_t script[] = u"script";
    int n = 0;
    for (; n < 6; ++n) {
        const char16_t c = at(pos + n);
        if (isSpaceChar(c) || asciiLower(c) != script[n])
            break;
    }
    return n == 6;
}

template <class Sink>
int MarkupLexer<Sink>::textSegment(int from, int to, char16_t* buffer, int capacity, bool lower) const
{
    int n = 0;
    from = std::max(from, 0);
    to = std::min(to, m_sink.length() - 1);
    for (int k = from; k <= to && n < capacity - 1; ++k)
        buffer[n++] = lower ? asciiLower(m_s[k]) : m_s[k];
    buffer[n] = 0;
    return n;
}

template <class Sink> ScriptLanguage MarkupLexer<Sink>::scriptIndicator(int from, int to, ScriptLanguage previous) const
{
    char16_t buffer[100];
    const int n = textSegment(from, to, buffer, 100, true);
    const std::u16string_view text(buffer, n);
    if (text.find(u"src") != text.npos)
        return ScriptLanguage::None;
    if (text.find(u"vbs") != text.npos)
        return ScriptLanguage::VBScript;
    if (text.find(u"pyth") != text.npos)
        return ScriptLanguage::Python;
    if (text.find(u"javas") != text.npos || text.find(u"jscr") != text.npos)
        return ScriptLanguage::JavaScript;
    if (text.find(u"php") != text.npos)
        return ScriptLanguage::Php;
    if (text.find(u"xml") != text.npos)
        return ScriptLanguage::Xml;
    return previous;
}

template <class Sink> int MarkupLexer<Sink>::classifyTag(int from, int to, bool& isScript)
{
    isScript = false;
    const char16_t* s = m_s;
    int k = from;
    while (k <= to && (s[k] == u'<' || s[k] == u'/'))
        ++k;
    // Most pieces of an unknown tag begin with a character that no word of
    // the list begins with; they need no collected name.
    if (k <= to && s[k] != u'!' && (s[k] >= 256 || !m_htmlMayStartWith[asciiLower(s[k])]))
        return TagUnknown;
    // A name seen before is answered from the cache without being collected.
    const int length = to - k + 1;
    if (length > 0 && length <= 30 && s[k] != u'!' && m_html.length() > 0) {
        const KnownName& entry = m_knownNames[knownNameSlot(asciiLower(s[k]), asciiLower(s[to]), length)];
        int n = 0;
        while (n < length && entry.name[n] == asciiLower(s[k + n]))
            ++n;
        if (entry.length == length && n == length) {
            isScript = entry.known && length == 6 && std::u16string_view(entry.name, 6) == u"script";
            return entry.known ? Tag : TagUnknown;
        }
    }
    char16_t name[31];
    int n = 0;
    for (; k <= to && n < 30; ++k) {
        const char16_t c = s[k];
        if (c != u'<' && c != u'/')
            name[n++] = asciiLower(c);
    }
    name[n] = 0;
    if (name[0] == u'!')
        return SgmlDefault;
    if (m_html.length() == 0 || htmlContains(name, n)) {
        isScript = std::u16string_view(name, n) == u"script";
        return Tag;
    }
    return TagUnknown;
}

template <class Sink> bool MarkupLexer<Sink>::attributeKnown(int from, int to)
{
    if (m_html.length() == 0)
        return true;
    if (from <= to && (m_s[from] >= 256 || !m_htmlMayStartWith[asciiLower(m_s[from])]))
        return false;
    char16_t buffer[100];
    return htmlContains(buffer, textSegment(from, to, buffer, 100, true));
}

template <class Sink> bool MarkupLexer<Sink>::htmlContains(const char16_t* name, int length)
{
    if (length > 30)
        return m_html.contains(name);
    KnownName& entry = m_knownNames[knownNameSlot(name[0], length ? name[length - 1] : 0, length)];
    if (entry.length == length) {
        int k = 0;
        while (k < length && name[k] == entry.name[k])
            ++k;
        if (k == length)
            return entry.known;
    }
    entry.length = length;
    std::copy(name, name + length, entry.name);
    entry.known = m_html.contains(name);
    return entry.known;
}

template <class Sink> void MarkupLexer<Sink>::afterTagClose()
{
    m_state = m_mode == ScriptMode::Script ? stateForScript(m_language) : Default;
    m_tagClosing = false;
}

template <class Sink> int MarkupLexer<Sink>::classifyVbWord(int endPos)
{
    char16_t word[100];
    textSegment(m_segStart, endPos, word, 100, true);
    int style = VbIdentifier;
    int state = VbDefault;
    if (isAsciiDigit(word[0]) || word[0] == u'.') {
        style = VbNumber;
    } else if (m_vbScript.contains(word)) {
        style = VbWord;
        if (std::u16string_view(word) == u"rem")
            state = VbCommentLine;
    }
    report(endPos, m_mode == ScriptMode::Script ? style : style + 10);
    return state;
}

template <class Sink> void MarkupLexer<Sink>::classifyScriptWord(int endPos)
{
    const bool server = m_mode == ScriptMode::ServerBlock || m_mode == ScriptMode::ServerBlockInScript;
    char16_t word[100];
    if (m_state == JsWord) {
        textSegment(m_segStart, endPos, word, 31, false);
        int style = JsWord;
        if (isAsciiDigit(word[0]) || word[0] == u'.')
            style = JsNumber;
        else if (m_javaScript.contains(word))
            style = JsKeyword;
        report(endPos, server ? style + 15 : style);
    } else if (m_state == VbWord) {
        classifyVbWord(endPos);
    } else if (m_state == PyWord) {
        textSegment(m_segStart, endPos, word, 31, false);
        int style = PyIdentifier;
        const std::u16string_view previous(m_prevPythonWord);
        if (previous == u"class")
            style = PyClassName;
        else if (previous == u"def")
            style = PyDefName;
        else if (isAsciiDigit(word[0]))
            style = PyNumber;
        else if (m_python.contains(word))
            style = PyWord;
        std::copy(word, word + 31, m_prevPythonWord);
        report(endPos, server ? style + 15 : style);
    } else if (m_state == PhpWord) {
        textSegment(m_segStart, endPos, word, 100, true);
        int style = PhpDefault;
        if (isAsciiDigit(word[0]) || (word[0] == u'.' && isAsciiDigit(word[1])))
            style = PhpNumber;
        else if (m_php.contains(word))
            style = PhpWord;
        report(endPos, style);
    } else {
        report(endPos, ps());
    }
}

template <class Sink> bool MarkupLexer<Sink>::delimiterAt(int pos) const
{
    for (int k = 0; k < m_phpDelimiterLength; ++k)
        if (at(pos + k) != m_phpDelimiter[k])
            return false;
    return true;
}

template <class Sink> bool MarkupLexer<Sink>::blockChecks(int& i, char16_t ch)
{
    const char16_t next = at(i + 1);
    const char16_t next2 = at(i + 2);

    // End of a script element.
    if (m_mode == ScriptMode::Script && ch == u'<' && next == u'/' && !keepsScriptOpen(m_state)
        && (m_state != JsCommentLine || closingScriptNameFollows(i + 2))) {
        report(i - 1, ps());
        m_state = TagUnknown;
        m_mode = ScriptMode::Html;
        m_language = ScriptLanguage::None;
        m_clientLanguage = ScriptLanguage::JavaScript;
        m_tagClosing = true;
        i += 2;
        return true;
    }

    // Processing block "<?".
    if (ch == u'<' && next == u'?' && m_state != AspAt && m_state != PhpComplexVariable && m_state != PhpHString
        && m_state != PhpSimpleString && m_state != PhpComment && m_state != PhpHStringVariable
        && !isScriptCommentState(m_state)) {
        m_language = scriptIndicator(i + 2, i + 10, ScriptLanguage::Php);
        if (m_language != ScriptLanguage::Php && isStringState(m_state))
            return true;
        report(i - 1, ps());
        m_returnState = m_state;
        ++i;
        if (m_sink.matchAt(i + 1, "php"))
            i += 3;
        report(i, m_language == ScriptLanguage::Xml ? XmlStart : Question);
        m_state = stateForScript(m_language);
        m_mode = m_mode == ScriptMode::Script ? ScriptMode::ServerBlockInScript : ScriptMode::ServerBlock;
        return true;
    }

    // Server block "<%".
    if (ch == u'<' && next == u'%' && m_state != 42 && m_state != 43 && m_state != 44 && m_state != 72 && m_state != 92
        && m_state != 124 && m_state != 125 && !isPhpStringState(m_state)) {
        report(i - 1, ps());
        m_returnState = m_state;
        m_mode = m_mode == ScriptMode::Script ? ScriptMode::ServerBlockInScript : ScriptMode::ServerBlock;
        if (next2 == u'@') {
            i += 2;
            m_state = AspAt;
        } else if (next2 == u'-' && at(i + 3) == u'-') {
            report(i + 3, Asp);
            m_state = XcComment;
            m_language = ScriptLanguage::VBScript;
            return true;
        } else {
            i += next2 == u'=' ? 2 : 1;
            m_state = stateForScript(m_serverLanguage);
        }
        m_language = ScriptLanguage::VBScript;
        report(i, Asp);
        return true;
    }

    // Declaration, comment or CDATA "<!".
    if (ch == u'!' && m_prev == u'<' && (m_language == ScriptLanguage::None || m_language == ScriptLanguage::Xml)
        && ps() != CData && ps() != Comment && ps() != SgmlComment && !isScriptCommentState(m_state)) {
        m_returnState = m_state;
        report(i - 2, ps());
        if (next == u'-' && next2 == u'-') {
            report(i + 2, Comment);
            m_state = Comment;
            i += 2;
            return true;
        }
        if (m_sink.matchAt(i + 1, "[CDATA[")) {
            m_state = CData;
            return true;
        }
        report(i, SgmlDefault);
        m_language = ScriptLanguage::Sgml;
        m_state = SgmlCommand;
        return true;
    }

    // End of a block.
    const bool serverEnd = (m_mode == ScriptMode::ServerBlock || m_mode == ScriptMode::ServerBlockInScript)
        && m_language != ScriptLanguage::None && allowsTermination(m_state) && (ch == u'%' || ch == u'?')
        && next == u'>';
    const bool sgmlEnd = m_language == ScriptLanguage::Sgml && ch == u'>' && m_state != SgmlComment;
    if (serverEnd || sgmlEnd) {
        if (m_state == AspAt)
            m_serverLanguage = scriptIndicator(m_segStart, i - 1, m_serverLanguage);
        if (m_state == JsWord || m_state == VbWord || m_state == PyWord || m_state == PhpWord)
            classifyScriptWord(i - 1);
        else if (m_state == XcComment)
            report(i - 1, XcComment);
        else
            report(i - 1, ps());
        if (m_language != ScriptLanguage::Sgml)
            ++i;
        if (ch == u'%')
            report(i, Asp);
        else if (m_language == ScriptLanguage::Xml)
            report(i, XmlEnd);
        else if (m_language == ScriptLanguage::Sgml)
            report(i, SgmlDefault);
        else
            report(i, Question);
        m_state = m_returnState;
        m_mode = m_mode == ScriptMode::ServerBlockInScript ? ScriptMode::Script : ScriptMode::Html;
        m_language = ScriptLanguage::None;
        return true;
    }

    return false;
}

template <class Sink> int MarkupLexer<Sink>::step(int i, char16_t ch)
{
    // Every check that comes before the state's own rule starts at one of
    // these characters; the others go straight to the rule.
    if ((ch == u'<' || ch == u'!' || ch == u'%' || ch == u'?' || ch == u'>') && blockChecks(i, ch))
        return i;
    if (m_state < 21)
        return markupRule(i, ch);
    const char16_t next = at(i + 1);
    const char16_t next2 = at(i + 2);

    if (m_state < 40)
        return sgmlRule(i, ch);
    if (m_state < 70) {
        i = javaScriptRule(i, ch, next, next2);
    } else if (m_state < 90) {
        i = vbScriptRule(i, ch, next, next2);
    } else if (m_state < 104) {
        return pythonRule(i, ch, next, next2);
    } else {
        return phpRule(i, ch, next, next2);
    }
    reenter(i, ch, next, next2);
    return i;
}

template <class Sink> int MarkupLexer<Sink>::markupRule(int i, char16_t ch)
{
    // Only a few rules look ahead, and only at some characters.
    const auto next = [this, i] { return at(i + 1); };
    switch (m_state) {
    case Default:
        if (ch == u'<') {
            m_tagClosing = next() == u'/';
            report(i - 1, Default);
            if (next() != u'!')
                m_state = TagUnknown;
        } else if (ch == u'&') {
            report(i - 1, Default);
            m_state = Entity;
        }
        break;
    case TagUnknown: {
        if (isTagNameChar(ch) || (ch == u'/' && m_prev == u'<') || ch == u'[')
            break;
        bool isScript = false;
        int style = classifyTag(m_segStart, i - 1, isScript);
        report(i - 1, style);
        if (isScript) {
            if (!m_tagClosing) {
                m_mode = ScriptMode::Script;
                m_language = m_clientLanguage;
            } else {
                m_language = ScriptLanguage::None;
            }
        }
        if (ch == u'>') {
            report(i, style);
            afterTagClose();
        } else if (ch == u'/' && next() == u'>') {
            if (style == TagUnknown) {
                report(i + 1, TagUnknown);
            } else {
                report(i - 1, style);
                report(i + 1, TagEnd);
            }
            ++i;
            m_state = Default;
        } else if (style == SgmlDefault) {
            m_state = SgmlDefault;
        } else if (style == Tag) {
            m_state = Other;
        }
        break;
    }
    case Other:
        if (ch == u'>') {
            report(i - 1, Other);
            report(i, Tag);
            afterTagClose();
        } else if (ch == u'"') {
            report(i - 1, Other);
            m_state = DoubleString;
        } else if (ch == u'\'') {
            report(i - 1, Other);
            m_state = SingleString;
        } else if (ch == u'=') {
            report(i, Other);
            m_state = Value;
        } else if (ch == u'/' && next() == u'>') {
            report(i - 1, Other);
            report(i + 1, TagEnd);
            ++i;
            m_state = Default;
        } else if (ch == u'?' && next() == u'>') {
            report(i - 1, Other);
            report(i + 1, XmlEnd);
            ++i;
            m_state = Default;
        } else if (isTagNameChar(ch)) {
            report(i - 1, Other);
            m_state = Attribute;
        }
        break;
    case Attribute:
        if (isTagNameChar(ch) || ch == u'/' || ch == u'-')
            break;
        if (m_mode == ScriptMode::Script) {
            m_language = scriptIndicator(m_segStart, i - 1, m_language);
            if (m_language == ScriptLanguage::None)
                m_mode = ScriptMode::Html;
        }
        if (isNumberStart(m_s[m_segStart]))
            report(i - 1, Number);
        else if (attributeKnown(m_segStart, i - 1))
            report(i - 1, Attribute);
        else
            report(i - 1, AttributeUnknown);
        if (ch == u'>') {
            report(i, Tag);
            afterTagClose();
        } else if (ch == u'=') {
            report(i, Other);
            m_state = Value;
        } else {
            m_state = Other;
        }
        break;
    case Value:
        if (isTagNameChar(ch))
            break;
        if ((ch == u'"' || ch == u'\'') && m_prev == u'=') {
            m_state = ch == u'"' ? DoubleString : SingleString;
            break;
        }
        report(i - 1, m_segStart < i && isNumberStart(m_s[m_segStart]) ? Number : Value);
        if (ch == u'>') {
            report(i, Tag);
            afterTagClose();
        } else {
            m_state = Other;
        }
        break;
    case DoubleString:
    case SingleString:
        if (ch == (m_state == DoubleString ? u'"' : u'\'')) {
            if (m_mode == ScriptMode::Script)
                m_language = scriptIndicator(m_segStart, i, m_language);
            report(i, m_state);
            m_state = Other;
        }
        break;
    case Comment:
        if (ch == u'>' && m_prev == u'-' && m_prev2 == u'-') {
            report(i, Comment);
            m_state = Default;
        }
        break;
    case CData:
        if (ch == u'>' && m_prev == u']' && m_prev2 == u']') {
            report(i, CData);
            m_state = Default;
        }
        break;
    case Entity:
        if (ch == u';') {
            report(i, Entity);
            m_state = Default;
        }
        if (ch != u'#' && !isAsciiAlnum(ch) && ch != u'.' && ch != u'-' && ch != u'_' && ch != u':') {
            report(i, TagUnknown);
            m_state = Default;
        }
        break;
    default:
        break;
    }
    return i;
}

template <class Sink> int MarkupLexer<Sink>::sgmlRule(int i, char16_t ch)
{
    const bool inBlock = m_language == ScriptLanguage::SgmlBlock;
    const bool dashes = ch == u'-' && m_prev == u'-';
    switch (m_state) {
    case SgmlDefault:
    case SgmlBlockDefault:
        if (ch == u'"') {
            report(i - 1, ps());
            m_state = SgmlDoubleString;
        } else if (ch == u'\'') {
            report(i - 1, ps());
            m_state = SgmlSimpleString;
        } else if (dashes) {
            if (i - 2 >= m_segStart)
                report(i - 2, ps());
            m_state = SgmlComment;
        } else if (isAsciiLetter(ch) && m_prev == u'%') {
            report(i - 2, ps());
            m_state = SgmlEntity;
        } else if (ch == u'#') {
            report(i - 1, ps());
            m_state = SgmlSpecial;
        } else if (ch == u'[') {
            report(i - 1, ps());
            m_language = ScriptLanguage::SgmlBlock;
            m_state = SgmlBlockDefault;
        } else if (ch == u']') {
            if (inBlock) {
                report(i, ps());
                m_language = ScriptLanguage::Sgml;
            } else {
                report(i - 1, ps());
                report(i, SgmlError);
            }
            m_state = SgmlDefault;
        } else if (inBlock && ch == u'!' && m_prev == u'<') {
            report(i - 2, ps());
            report(i, SgmlDefault);
            m_state = SgmlCommand;
        } else if (inBlock && ch == u'>') {
            report(i - 1, ps());
            report(i, SgmlDefault);
        }
        break;
    case SgmlCommand:
        if (dashes) {
            report(i - 2, ps());
            m_state = SgmlComment;
        } else if (!isSgmlWordChar(ch)) {
            char16_t word[31];
            textSegment(m_segStart, i - 1, word, 31, false);
            if (m_sgml.contains(word)) {
                report(i - 1, SgmlCommand);
                m_state = SgmlFirstParam;
            } else {
                m_state = SgmlError;
            }
        }
        break;
    case SgmlFirstParam: {
        const int plain = inBlock ? SgmlBlockDefault : SgmlDefault;
        if (dashes) {
            report(i - 2, plain);
            m_state = SgmlFirstParamComment;
        } else if (isSgmlWordChar(ch)) {
            report(i - 1, plain);
            int last = i;
            while (last + 1 < m_end && isTagNameChar(m_s[last + 1]))
                ++last;
            report(last, SgmlFirstParam);
            i = last;
            m_state = plain;
        }
        break;
    }
    case SgmlDoubleString:
        if (ch == u'"') {
            report(i, SgmlDoubleString);
            m_state = SgmlDefault;
        }
        break;
    case SgmlSimpleString:
        if (ch == u'\'') {
            report(i, SgmlSimpleString);
            m_state = SgmlDefault;
        }
        break;
    case SgmlError:
        if (dashes) {
            report(i - 2, SgmlError);
            m_state = SgmlComment;
        }
        break;
    case SgmlSpecial:
        if (!(ch >= u'A' && ch <= u'Z')) {
            report(i - 1, SgmlSpecial);
            m_state = isAsciiAlnum(ch) ? SgmlError : SgmlDefault;
        }
        break;
    case SgmlEntity:
        if (ch == u';') {
            report(i, SgmlEntity);
            m_state = SgmlDefault;
        } else if (!isAsciiAlnum(ch) && ch != u'-' && ch != u'.') {
            report(i, SgmlError);
            m_state = SgmlDefault;
        }
        break;
    case SgmlComment:
        if (dashes) {
            report(i, SgmlComment);
            m_state = SgmlDefault;
        }
        break;
    case SgmlFirstParamComment:
        if (dashes) {
            report(i, SgmlComment);
            m_state = SgmlFirstParam;
        }
        break;
    default:
        break;
    }
    return i;
}

template <class Sink> int MarkupLexer<Sink>::javaScriptRule(int i, char16_t ch, char16_t next, char16_t next2)
{
    const auto print = [this](int state) { return printStyle(state, m_mode); };
    if (m_prevNonBlankPending)
        resolvePrevNonBlank();
    switch (m_state) {
    case JsStart:
    case JsDefault:
    case JsSymbols:
        if (isWordStart(ch)) {
            report(i - 1, ps());
            m_state = JsWord;
        } else if (ch == u'/' && next == u'*') {
            report(i - 1, ps());
            m_state = next2 == u'*' ? JsCommentDoc : JsComment;
        } else if (ch == u'/' && next == u'/') {
            report(i - 1, ps());
            m_state = JsCommentLine;
        } else if (ch == u'/' && (m_prevNonBlank == u'(' || m_prevNonBlank == u'=' || m_prevNonBlank == u',')) {
            report(i - 1, ps());
            m_state = JsRegex;
        } else if (ch == u'"') {
            report(i - 1, ps());
            m_state = JsDoubleString;
        } else if (ch == u'\'') {
            report(i - 1, ps());
            m_state = JsSingleString;
        } else if (ch == u'<' && next == u'!' && next2 == u'-' && at(i + 3) == u'-') {
            report(i - 1, ps());
            m_state = JsCommentLine;
        } else if (ch == u'-' && next == u'-' && next2 == u'>') {
            report(i - 1, ps());
            m_state = JsCommentLine;
            i += 2;
        } else if (isOperator(ch)) {
            report(i - 1, ps());
            report(i, print(JsSymbols));
            m_state = JsDefault;
        } else if ((ch == u' ' || ch == u'\t') && m_state == JsStart) {
            report(i - 1, ps());
            m_state = JsDefault;
        }
        break;
    case JsWord:
        if (isWordChar(ch))
            break;
        classifyScriptWord(i - 1);
        m_state = JsDefault;
        if (ch == u'/' && next == u'*') {
            m_state = next2 == u'*' ? JsCommentDoc : JsComment;
        } else if (ch == u'/' && next == u'/') {
            m_state = JsCommentLine;
        } else if (ch == u'"') {
            m_state = JsDoubleString;
        } else if (ch == u'\'') {
            m_state = JsSingleString;
        } else if (ch == u'-' && next == u'-' && next2 == u'>') {
            m_state = JsCommentLine;
            i += 2;
        } else if (isOperator(ch)) {
            report(i, print(JsSymbols));
        }
        break;
    case JsComment:
    case JsCommentDoc:
        if (ch == u'/' && m_prev == u'*') {
            report(i, ps());
            m_state = JsDefault;
        }
        break;
    case JsCommentLine:
        if (isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = JsDefault;
        }
        break;
    case JsDoubleString:
    case JsSingleString:
        if (ch == u'\\') {
            if (next == u'"' || next == u'\'' || next == u'\\')
                ++i;
        } else if (ch == (m_state == JsDoubleString ? u'"' : u'\'')) {
            report(i, ps());
            m_state = JsDefault;
        } else if (m_mode == ScriptMode::Script && ch == u'-' && next == u'-' && next2 == u'>') {
            report(i - 1, ps());
            m_state = JsCommentLine;
            i += 2;
        } else if (isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = JsStringEol;
        }
        break;
    case JsStringEol:
        if (!isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = JsDefault;
        } else if (!isLineEnd(next)) {
            report(i, ps());
            m_state = JsDefault;
        }
        break;
    case JsRegex:
        if (ch == u'\\' && (next == u'\\' || next == u'/')) {
            ++i;
        } else if (ch == u'/' || isLineEnd(ch)) {
            if (ch == u'/')
                while (i + 1 < m_end && m_s[i + 1] >= u'a' && m_s[i + 1] <= u'z')
                    ++i;
            report(i, ps());
            m_state = JsDefault;
        }
        break;
    default:
        break;
    }
    return i;
}

template <class Sink> int MarkupLexer<Sink>::vbScriptRule(int i, char16_t ch, char16_t next, char16_t next2)
{
    const int defaultStyle = printStyle(VbDefault, m_mode);
    switch (m_state) {
    case VbStart:
    case VbDefault:
        if (isWordStart(ch)) {
            report(i - 1, ps());
            m_state = VbWord;
        } else if (ch == u'\'') {
            report(i - 1, ps());
            m_state = VbCommentLine;
        } else if (ch == u'"') {
            report(i - 1, ps());
            m_state = VbString;
        } else if (ch == u'<' && next == u'!' && next2 == u'-' && at(i + 3) == u'-') {
            report(i - 1, ps());
            m_state = VbCommentLine;
        } else if (isOperator(ch)) {
            report(i - 1, ps());
            report(i, defaultStyle);
            m_state = VbDefault;
        } else if ((ch == u' ' || ch == u'\t') && m_state == VbStart) {
            report(i - 1, ps());
            m_state = VbDefault;
        }
        break;
    case VbWord:
        if (isWordChar(ch))
            break;
        m_state = classifyVbWord(i - 1);
        if (m_state == VbDefault) {
            if (ch == u'"')
                m_state = VbString;
            else if (ch == u'\'')
                m_state = VbCommentLine;
            else if (isOperator(ch))
                report(i, defaultStyle);
        }
        break;
    case VbString:
        if (ch == u'"') {
            report(i, ps());
            m_state = VbDefault;
        } else if (isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = VbStringEol;
        }
        break;
    case VbStringEol:
        if (!isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = VbDefault;
        } else if (!isLineEnd(next)) {
            report(i, ps());
            m_state = VbDefault;
        }
        break;
    case VbCommentLine:
        if (isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = VbDefault;
        }
        break;
    default:
        break;
    }
    return i;
}

template <class Sink> int MarkupLexer<Sink>::pythonRule(int i, char16_t ch, char16_t next, char16_t next2)
{
    switch (m_state) {
    case PyStart:
    case PyDefault:
        if (isWordStart(ch)) {
            report(i - 1, ps());
            m_state = PyWord;
        } else if (ch == u'#' || (ch == u'<' && next == u'!' && next2 == u'-' && at(i + 3) == u'-')) {
            report(i - 1, ps());
            m_state = PyCommentLine;
        } else if (ch == u'"' || ch == u'\'') {
            report(i - 1, ps());
            if (next == ch && next2 == ch) {
                i += 2;
                m_state = ch == u'"' ? PyTripleDouble : PyTriple;
            } else {
                m_state = ch == u'"' ? PyString : PyCharacter;
            }
        } else if (isOperator(ch)) {
            report(i - 1, ps());
            report(i, printStyle(PyOperator, m_mode));
        } else if ((ch == u' ' || ch == u'\t') && m_state == PyStart) {
            report(i - 1, ps());
            m_state = PyDefault;
        }
        break;
    case PyWord:
        if (!isWordChar(ch)) {
            classifyScriptWord(i - 1);
            m_state = PyDefault;
        }
        break;
    case PyString:
    case PyCharacter:
        if (ch == u'\\') {
            if (next == u'"' || next == u'\'' || next == u'\\')
                ++i;
        } else if (ch == (m_state == PyString ? u'"' : u'\'')) {
            report(i, ps());
            m_state = PyDefault;
        }
        break;
    case PyTriple:
    case PyTripleDouble: {
        const char16_t quote = m_state == PyTriple ? u'\'' : u'"';
        if (ch == quote && m_prev == quote && m_prev2 == quote) {
            report(i, ps());
            m_state = PyDefault;
        }
        break;
    }
    case PyCommentLine:
        if (isLineEnd(ch)) {
            report(i - 1, ps());
            m_state = PyDefault;
        }
        break;
    default:
        break;
    }
    return i;
}

template <class Sink> int MarkupLexer<Sink>::phpOpen(int i, char16_t ch, char16_t next, char16_t next2)
{
    if (isAsciiDigit(ch) || (ch == u'.' && isAsciiDigit(next))) {
        m_state = PhpNumber;
    } else if (isWordStart(ch)) {
        m_state = PhpWord;
    } else if (ch == u'/' && next == u'*') {
        m_state = PhpComment;
    } else if ((ch == u'/' && next == u'/') || ch == u'#') {
        m_state = PhpCommentLine;
    } else if (ch == u'"') {
        m_state = PhpHString;
        m_phpDelimiter[0] = u'"';
        m_phpDelimiterLength = 1;
    } else if (ch == u'<' && next == u'<' && next2 == u'<') {
        int j = i + 3;
        while (j < m_end && (m_s[j] == u' ' || m_s[j] == u'\t'))
            ++j;
        m_phpDelimiter[0] = u'\n';
        m_phpDelimiterLength = 1;
        while (j < m_end && !isLineEnd(m_s[j]) && m_phpDelimiterLength < 199)
            m_phpDelimiter[m_phpDelimiterLength++] = m_s[j++];
        m_state = PhpHString;
        i = j - 1;
    } else if (ch == u'\'') {
        m_state = PhpSimpleString;
    } else if (ch == u'$' && isPhpWordStart(next)) {
        m_state = PhpVariable;
    } else if (isOperator(ch)) {
        m_state = PhpOperator;
    } else if (isSpaceChar(ch) && m_state == PhpOperator) {
        m_state = PhpDefault;
    }
    return i;
}

template <class Sink> int MarkupLexer<Sink>::phpRule(int i, char16_t ch, char16_t next, char16_t next2)
{
    switch (m_state) {
    case PhpDefault:
    case PhpOperator:
        report(i - 1, ps());
        return phpOpen(i, ch, next, next2);
    case PhpWord:
        if (isWordChar(ch))
            break;
        classifyScriptWord(i - 1);
        m_state = PhpDefault;
        return phpOpen(i, ch, next, next2);
    case PhpNumber:
        if (isAsciiDigit(ch)
            || (ch < 128 && std::u16string_view(u".xXabcdefABCDEF").find(ch) != std::u16string_view::npos)
            || ((ch == u'+' || ch == u'-') && (m_prev == u'e' || m_prev == u'E')))
            break;
        report(i - 1, PhpNumber);
        m_state = isOperator(ch) ? PhpOperator : PhpDefault;
        break;
    case PhpVariable:
        if (isPhpWordChar(ch))
            break;
        report(i - 1, PhpVariable);
        m_state = isOperator(ch) ? PhpOperator : PhpDefault;
        break;
    case PhpComment:
        if (ch == u'/' && m_prev == u'*') {
            report(i, PhpComment);
            m_state = PhpDefault;
        }
        break;
    case PhpCommentLine:
        if (isLineEnd(ch)) {
            report(i - 1, PhpCommentLine);
            m_state = PhpDefault;
        }
        break;
    case PhpHString:
        if (ch == u'\\') {
            if (m_phpDelimiter[0] == u'"' || next == u'$' || next == u'{')
                ++i;
        } else if (((ch == u'{' && next == u'$') || (ch == u'$' && next == u'{')) && isPhpWordStart(next2)) {
            report(i - 1, PhpHString);
            m_state = PhpComplexVariable;
        } else if (ch == u'$' && isPhpWordStart(next)) {
            report(i - 1, PhpHString);
            m_state = PhpHStringVariable;
        } else if (delimiterAt(i)) {
            if (m_phpDelimiter[0] != u'"') {
                const int last = i + m_phpDelimiterLength - 1;
                if (last < m_end)
                    i = last;
            }
            report(i, PhpHString);
            m_state = PhpDefault;
        }
        break;
    case PhpComplexVariable:
        if (ch == u'}') {
            report(i, PhpComplexVariable);
            m_state = PhpHString;
        }
        break;
    case PhpHStringVariable:
        if (!isPhpWordChar(ch)) {
            report(i - 1, PhpHStringVariable);
            m_state = PhpHString;
            // The character that ended the variable belongs to the string: read it again.
            return i - 1;
        }
        break;
    case PhpSimpleString:
        if (ch == u'\\')
            ++i;
        else if (ch == u'\'') {
            report(i, PhpSimpleString);
            m_state = PhpDefault;
        }
        break;
    default:
        break;
    }
    return i;
}

template <class Sink> void MarkupLexer<Sink>::reenter(int i, char16_t ch, char16_t next, char16_t next2)
{
    // A rule that ended its token on this character may leave the character
    // to start the next one; a quote that just closed a string is not reopened.
    const bool nonEmptySegment = i >= m_segStart;
    if (m_state == VbDefault) {
        if (ch == u'"' && nonEmptySegment)
            m_state = VbString;
        else if (ch == u'\'')
            m_state = VbCommentLine;
        else if (isWordStart(ch))
            m_state = VbWord;
        else if (isOperator(ch))
            report(i, printStyle(VbDefault, m_mode));
    } else if (m_state == JsDefault) {
        if (ch == u'/' && next == u'*')
            m_state = next2 == u'*' ? JsCommentDoc : JsComment;
        else if (ch == u'/' && next == u'/')
            m_state = JsCommentLine;
        else if (ch == u'"' && nonEmptySegment)
            m_state = JsDoubleString;
        else if (ch == u'\'' && nonEmptySegment)
            m_state = JsSingleString;
        else if (isWordStart(ch))
            m_state = JsWord;
        else if (isOperator(ch))
            report(i, printStyle(JsSymbols, m_mode));
    }
}

} // namespace detail
} // namespace HtmlLexer
