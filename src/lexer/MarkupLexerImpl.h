#pragma once

#include "lexer/CharacterClasses.h"
#include "lexer/CharacterScan.h"
#include "lexer/KeywordList.h"
#include "lexer/MarkupLexer.h"

#include <algorithm>
#include <string_view>
#include <type_traits>

// The definitions of the markup lexer that are compiled for each sink type,
// and the inline pieces they share with the rules in the lexer's own source
// files. Included only by the source file that instantiates MarkupLexer for a
// sink type, and by those sources.
namespace HtmlLexer {
namespace detail {

using namespace CharacterClasses;

using namespace MarkupStyle;
using namespace ScriptState;

// Scripts inside a server block ("<% %>", "<? ?>") print their states moved
// up by an offset, so that a client script and a server script on one page
// differ in style. PHP lives only in server blocks and has no such offset.
constexpr int serverOffset = 15; // JavaScript and Python
constexpr int serverVbOffset = 10;

inline bool isScriptCommentState(int state)
{
    switch (state) {
    case JsComment:
    case JsCommentLine:
    case JsComment + serverOffset:
    case JsCommentLine + serverOffset:
    case VbCommentLine:
    case VbCommentLine + serverVbOffset:
        return true;
    default:
        return false;
    }
}

inline bool isPhpStringState(int state)
{
    return state == PhpHString || state == PhpSimpleString || state == PhpHStringVariable
        || state == PhpComplexVariable;
}

inline bool isStringState(int state)
{
    switch (state) {
    case JsDoubleString:
    case JsSingleString:
    case JsDoubleString + serverOffset:
    case JsSingleString + serverOffset:
    case VbString:
    case VbString + serverVbOffset:
    case PyString:
    case PyCharacter:
    case PyTriple:
    case PyTripleDouble:
    case PyString + serverOffset:
    case PyCharacter + serverOffset:
    case PyTriple + serverOffset:
    case PyTripleDouble + serverOffset:
        return true;
    default:
        return isPhpStringState(state);
    }
}

// Whether "%>" or "?>" in this state ends a server block.
inline bool allowsTermination(int state)
{
    return !isStringState(state) && state != VbCommentLine && state != PyCommentLine
        && state != PyCommentLine + serverOffset && state != PhpComment;
}

inline bool isInTagState(int state)
{
    return (state >= Tag && state <= Other) || state == Script;
}

// Strings and block comments of the scripts, where "</" does not end a script element.
inline bool keepsScriptOpen(int state)
{
    switch (state) {
    case DoubleString:
    case SingleString:
    case JsComment:
    case JsCommentDoc:
    case JsDoubleString:
    case JsSingleString:
    case JsRegex:
    case VbString:
    case PyString:
    case PyTriple:
    case PyTripleDouble:
        return true;
    default:
        return false;
    }
}

inline ScriptLanguage scriptOfState(int state)
{
    if (state >= PyStart && state <= PyIdentifier)
        return ScriptLanguage::Python;
    if (state >= VbStart && state <= VbStringEol)
        return ScriptLanguage::VBScript;
    if (state >= JsStart && state <= JsRegex)
        return ScriptLanguage::JavaScript;
    if (state >= PhpDefault && state <= PhpCommentLine)
        return ScriptLanguage::Php;
    if (state >= SgmlDefault && state <= SgmlFirstParamComment)
        return ScriptLanguage::Sgml;
    if (state == SgmlBlockDefault)
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
    if ((state >= PyStart && state <= PyIdentifier) || (state >= JsStart && state <= JsRegex))
        return state + serverOffset;
    if (state >= VbStart && state <= VbStringEol)
        return state + serverVbOffset;
    return state;
}

// The state whose printed style is `style`: where a call that begins inside
// a server script takes up again.
inline int stateOfPrintedStyle(int style)
{
    if ((style >= PyStart + serverOffset && style <= PyIdentifier + serverOffset)
        || (style >= JsStart + serverOffset && style <= JsRegex + serverOffset))
        return style - serverOffset;
    if (style >= VbStart + serverVbOffset && style <= VbStringEol + serverVbOffset)
        return style - serverVbOffset;
    return style;
}

inline int MarkupLexerBase::ps() const
{
    return printStyle(m_state, m_mode);
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
    // Whether a piece of an unknown tag that begins with c is plain: it
    // names no word. A quote needs a full step, but begins such a piece.
    bool startsPlainPiece(char16_t c) const { return action[c] == PieceBreak || c == u'"' || c == u'\''; }
    bool ascii[128];
    Action action[128];
    // 0xff where the action is PieceBreak, so that a table of first
    // characters is checked against every such character a word at a time.
    alignas(8) unsigned char pieceBreakMask[128];
    NameTable()
    {
        for (char16_t c = 0; c < 128; ++c) {
            ascii[c] = isTagNameChar(c) && c != u'!';
            action[c] = ascii[c] ? Name : PieceBreak;
        }
        // A quote may open a value, which the tag's closers inside it do not close.
        for (char16_t c : { u'<', u'/', u'>', u'!', u'[', u'"', u'\'' })
            action[c] = Special;
        for (char16_t c = 0; c < 128; ++c)
            pieceBreakMask[c] = startsPlainPiece(c) ? 0xff : 0;
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

// A sink may also declare `static constexpr bool mergesAttributeRuns = true`
// when every run of the attributes of a start tag (Other, Attribute, Number,
// a quoted value...) only lengthens the piece being built: the attributes of
// a tag of the plain shape are then reported as one run, and their names go
// unclassified.
template <class Sink, class = void> struct MergesAttributeRuns : std::false_type
{
};
template <class Sink>
struct MergesAttributeRuns<Sink, std::void_t<decltype(Sink::mergesAttributeRuns)>>
    : std::bool_constant<Sink::mergesAttributeRuns>
{
};

// A sink may also declare `static constexpr bool takesPlainTags = true`
// and take a whole tag that plainTags read in one call instead of its runs:
// plainStartTag(lt, nameEnd, tagEnd) for a start tag from the "<" at `lt`
// to the ">" at `tagEnd`, its name ending before `nameEnd`, and
// plainEndTag(lt, nameEnd) for "</name>" with its ">" at `nameEnd`, and
// plainXmlDeclaration(lt, end) for "<?xml version=...?>" ending at `end`;
// the text since the last run, up to `lt`, comes with the call. Such a sink must do
// exactly what the runs would have done: their styles are not worked out.
template <class Sink, class = void> struct TakesPlainTags : std::false_type
{
};
template <class Sink>
struct TakesPlainTags<Sink, std::void_t<decltype(Sink::takesPlainTags)>> : std::bool_constant<Sink::takesPlainTags>
{
};

inline void MarkupLexerBase::resolvePrevNonBlank()
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

template <class Sink> void MarkupLexer<Sink>::run(int start, int length, int initStyle)
{
    m_sink.startStyling(start, 127);
    m_state = stateOfPrintedStyle(initStyle);
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
            if constexpr (MergesPlainTagPieces<Sink>::value) {
                if (m_state == Default && m_plainPiecesAreUnknown && m_prev != u'<')
                    i = plainTags(i);
            }
            skipBoring(i);
            if (i >= m_end)
                break;
        }
        const char16_t ch = m_s[i];
        if (!isSpaceChar(m_prev) && (m_state < JsComment || m_state > JsCommentDoc)) {
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

// Where the quoted value whose opening quote stands at `quote` closes, or -1
// when that quote opens no value: it does not follow "=" (blanks between
// allowed), or no quote of its kind follows it. Inside a value, ">", "<" and
// "/" are the value's own: Dreamweaver's files hold conditions such as
// "length > 0" in attributes.
inline int quotedValueEnd(const char16_t* s, int quote, int end)
{
    int k = quote - 1;
    while (k >= 0 && s[k] != u'=' && (s[k] == u' ' || s[k] == u'\t' || s[k] == u'\n' || s[k] == u'\r'))
        --k;
    if (k < 0 || s[k] != u'=')
        return -1;
    const int close = CharacterScan::findFirstOf(s, quote + 1, end, s[quote], s[quote], s[quote]);
    return close < end ? close : -1;
}

// The first "<", "/" or ">" from `j` on outside the quoted values of an
// unknown tag; `end` when there is none, and -1 when a value is followed
// straight by a piece that only the machine classifies.
inline int findTagCloser(const char16_t* s, int j, int end)
{
    for (;;) {
        j = CharacterScan::findTagSpecialOrQuote(s, j, end);
        if (j >= end)
            return j;
        const char16_t c = s[j];
        if (c == u'"' || c == u'\'') {
            const int valueEnd = quotedValueEnd(s, j, end);
            if (valueEnd < 0) {
                ++j;
                continue;
            }
            j = valueEnd + 1;
            if (j >= end)
                return j;
            // The tag's last value is mostly followed by its closer, found
            // here without another search.
            const char16_t next = s[j];
            if (next == u'>' || next == u'/' || next == u'<')
                return j;
            // A piece begun by a name character, "!" or "[" may name a word
            // or a declaration.
            if (next >= 128 || nameTable.action[next] == NameTable::Name || next == u'!' || next == u'[')
                return -1;
            continue;
        }
        if (c != u'!' && c != u'[')
            return j;
        ++j;
    }
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
        j = CharacterScan::findFirstOf(s, j, end, u'<', u'&', u'!');
        break;
    case TagUnknown: {
        // The rest of an unknown tag comes in short pieces, each begun by a
        // character that is not a tag-name character. A piece that begins
        // with a plain one (white space, "=", a quote...) cannot name an HTML
        // word, so it is reported here without a full step.
        const char16_t first = m_segStart < j ? s[m_segStart] : u'<';
        if (first >= 128 || !nameTable.startsPlainPiece(first) || !m_plainPiecesAreUnknown) {
            j = CharacterScan::skipPlainName(s, j, end);
            break;
        }
        // A sink that takes the pieces together needs only the next
        // character that asks for a full step.
        if constexpr (MergesPlainTagPieces<Sink>::value) {
            j = CharacterScan::findTagSpecialOrQuote(s, j, end);
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
            report(j - 1, TagUnknown);
        }
        break;
    }
    case Value:
        j = CharacterScan::skipPlainName(s, j, end);
        break;
    case Attribute:
        while (j < end && (isPlainNameChar(s[j]) || s[j] == u'/'))
            ++j;
        break;
    case DoubleString:
        j = CharacterScan::findFirstOf(s, j, end, u'"', u'<', u'!');
        break;
    case SingleString:
        j = CharacterScan::findFirstOf(s, j, end, u'\'', u'<', u'!');
        break;
    case Other:
        while (j < end && (s[j] == u' ' || s[j] == u'\t' || s[j] == u'\r' || s[j] == u'\n'))
            ++j;
        break;
    case Comment:
    case CData:
        j = CharacterScan::findFirstOf(s, j, end, u'>', u'<', u'!');
        break;
    default:
        return;
    }
    steppedOver(from, j);
    i = j;
}

// The skipped characters are steps like any other: keep the previous
// characters as stepping would have left them. Only scripts read the
// previous non-blank character, so it is found when a script asks.
template <class Sink> void MarkupLexer<Sink>::steppedOver(int from, int to)
{
    if (to == from)
        return;
    if (m_prevNonBlankPending)
        resolvePrevNonBlank();
    m_prevNonBlankPending = true;
    m_pendingFrom = from;
    m_pendingTo = to - 2;
    m_pendingFallback = m_prev;
    m_prev2 = to - from >= 2 ? m_s[to - 2] : m_prev;
    m_prev = m_s[to - 1];
}

// Where a start tag ends (its ">") when, from `j` on, it holds nothing but
// attributes written name="value" (or with single quotes), each after white
// space, with no "<" in a value, then white space and ">" or "/>"; -1 when
// it holds anything else, which the machine then styles. In an XML
// declaration (`declaration`) the end is "?>" instead, and a value holds no
// ">" either: "?>" or "%>" in a value would end the block there.
// Space, tab, line feed or carriage return, in one test of a bit rather
// than four comparisons: the blanks between attributes are tested for
// every attribute of every tag.
inline bool isTagBlank(char16_t c)
{
    constexpr quint64 blanks
        = (quint64(1) << u' ') | (quint64(1) << u'\n') | (quint64(1) << u'\t') | (quint64(1) << u'\r');
    return c <= u' ' && ((blanks >> c) & 1) != 0;
}

inline int plainAttributesEnd(const char16_t* s, int j, int end, bool declaration = false)
{
    for (;;) {
        const int spaceFrom = j;
        while (j < end && isTagBlank(s[j]))
            ++j;
        if (j + 1 >= end)
            return -1;
        if (s[j] == (declaration ? u'?' : u'/'))
            return s[j + 1] == u'>' ? j + 1 : -1;
        if (s[j] == u'>')
            return declaration ? -1 : j;
        const int nameEnd = CharacterScan::skipPlainName(s, j, end);
        if (j == spaceFrom || nameEnd == j || nameEnd + 2 >= end || s[nameEnd] != u'=')
            return -1;
        const char16_t quote = s[nameEnd + 1];
        if (quote != u'"' && quote != u'\'')
            return -1;
        j = CharacterScan::findFirstOf(s, nameEnd + 2, end, quote, u'<', declaration ? u'>' : quote);
        if (j >= end || s[j] != quote)
            return -1;
        ++j;
    }
}

// The runs the machine gives the attributes of a known tag from `j` to its
// end at `tagEnd`, which plainAttributesEnd found: the text between them is
// of that shape.
template <class Sink> void MarkupLexer<Sink>::reportPlainAttributes(int j, int tagEnd)
{
    const char16_t* s = m_s;
    if constexpr (MergesAttributeRuns<Sink>::value) {
        // No name nor value ends in "/" or "?", so such a character before
        // the ">" is the closer's own.
        const char16_t last = s[tagEnd - 1];
        if (last == u'/' || last == u'?') {
            report(tagEnd - 2, Other);
            report(tagEnd, last == u'?' ? XmlEnd : TagEnd);
        } else {
            report(tagEnd - 1, Other);
            report(tagEnd, Tag);
        }
        return;
    }
    for (;;) {
        while (s[j] == u' ' || s[j] == u'\n' || s[j] == u'\t' || s[j] == u'\r')
            ++j;
        if (j == tagEnd) {
            report(j - 1, Other);
            report(j, Tag);
            return;
        }
        if (j + 1 == tagEnd) {
            report(j - 1, Other);
            report(j + 1, s[j] == u'?' ? XmlEnd : TagEnd);
            return;
        }
        report(j - 1, Other);
        const int nameEnd = CharacterScan::skipPlainName(s, j, tagEnd);
        if (isNumberStart(s[j]))
            report(nameEnd - 1, Number);
        else
            report(nameEnd - 1, attributeKnown(j, nameEnd - 1) ? Attribute : AttributeUnknown);
        report(nameEnd, Other);
        const char16_t quote = s[nameEnd + 1];
        j = CharacterScan::findFirstOf(s, nameEnd + 2, tagEnd, quote, quote, quote);
        report(j, quote == u'"' ? DoubleString : SingleString);
        ++j;
    }
}

// An XML declaration "<?xml version=..." at `lt` whose attributes are plain,
// reported as the machine reports it: where it ends, or -1 (nothing
// reported) for any other "<?". The name after "<?" tells the machine the
// block's language; with these letters that language is always XML.
template <class Sink> int MarkupLexer<Sink>::plainXmlDeclaration(int lt)
{
    const char16_t* s = m_s;
    const int nameEnd = lt + 5;
    if (lt + 13 >= m_end || std::u16string_view(s + lt + 2, 11) != u"xml version")
        return -1;
    bool isScript = false;
    if (classifyName(lt + 2, nameEnd - 1, isScript) != Tag)
        return -1;
    const int declarationEnd = plainAttributesEnd(s, nameEnd, m_end, true);
    if (declarationEnd < 0)
        return -1;
    m_returnState = Default;
    if constexpr (TakesPlainTags<Sink>::value) {
        m_sink.plainXmlDeclaration(lt, declarationEnd);
        m_segStart = declarationEnd + 1;
        return declarationEnd;
    }
    report(lt - 1, Default);
    report(lt + 1, XmlStart);
    report(nameEnd - 1, Tag);
    reportPlainAttributes(nameEnd, declarationEnd);
    return declarationEnd;
}

// Where an unknown tag closes (at its ">", or the "/" of "/>") when, from
// the "/" at `slash` on, each "/" begins a piece that the machine would
// classify as naming no word (such as a script's), and between them
// lie only plain pieces, as after the tag's name; -1 when the tag holds
// anything else. The "/" at `slash` is not followed by ">", nor by the end.
template <class Sink> int MarkupLexer<Sink>::unknownSlashPiecesEnd(int slash)
{
    const char16_t* s = m_s;
    const int end = m_end;
    int close = slash;
    while (s[close] == u'/' && s[close + 1] != u'>') {
        // The piece runs from the "/" to the next character that is not a
        // tag-name character; "!" and "[" would lengthen it, so they are
        // left to the machine.
        const int pieceEnd = CharacterScan::skipPlainName(s, close + 1, end);
        if (pieceEnd == close + 1 || pieceEnd + 1 >= end)
            return -1;
        const char16_t after = s[pieceEnd];
        if (after != u'/' && after != u'>' && (after >= 128 || nameTable.action[after] != NameTable::PieceBreak))
            return -1;
        bool isScript = false;
        if (classifyName(close + 1, pieceEnd - 1, isScript) != TagUnknown)
            return -1;
        close = pieceEnd;
        if (after == u'/' || after == u'>')
            continue;
        close = findTagCloser(s, pieceEnd + 1, end);
        if (close < 0 || close + 1 >= end || s[close] == u'<')
            return -1;
    }
    return close;
}

// Most of a well-formed document is text, start tags whose attributes hold
// no "<", "/", "!" or "[", and end tags. From the text state, this loop
// gives such runs of the document exactly the reports the state machine
// would, without stepping character by character, and stops before the
// first thing it does not know (an entity, a declaration, a block, a script,
// a tag cut off), or inside a known tag, whose attributes the machine
// styles. It returns where the machine goes on, in the state left there.
template <class Sink> int MarkupLexer<Sink>::plainTags(int i)
{
    const char16_t* s = m_s;
    const int end = m_end;
    const int from = i;
    // The last start tag's name (none yet: no name is empty) and its class.
    int lastName = 0;
    int lastLength = 0;
    int lastStyle = TagUnknown;
    bool lastScript = false;
    for (;;) {
        const int lt = CharacterScan::findFirstOf(s, i, end, u'<', u'&', u'<');
        if (lt + 2 >= end || s[lt] != u'<') {
            i = lt;
            break;
        }
        i = lt;
        if (s[lt + 1] == u'?') {
            const int declarationEnd = plainXmlDeclaration(lt);
            if (declarationEnd < 0)
                break;
            i = declarationEnd + 1;
            continue;
        }
        if (s[lt + 1] == u'/') {
            const int nameEnd = CharacterScan::skipPlainName(s, lt + 2, end);
            if (nameEnd == lt + 2 || nameEnd >= end || s[nameEnd] != u'>')
                break;
            m_tagClosing = false;
            i = nameEnd + 1;
            if constexpr (TakesPlainTags<Sink>::value) {
                m_sink.plainEndTag(lt, nameEnd);
                m_segStart = i;
                continue;
            }
            bool isScript = false;
            const int style = classifyName(lt + 2, nameEnd - 1, isScript);
            report(lt - 1, Default);
            report(nameEnd - 1, style);
            report(nameEnd, style);
            continue;
        }
        const int nameEnd = CharacterScan::skipPlainName(s, lt + 1, end);
        if (nameEnd == lt + 1 || nameEnd + 1 >= end)
            break;
        // Where the tag closes: at `close` (">", or "/>" when selfClosed),
        // right after the name or after one plain piece of an unknown tag.
        int close = nameEnd;
        const char16_t ch = s[nameEnd];
        if (ch == u'/' ? s[nameEnd + 1] != u'>'
                       : ch != u'>' && (ch >= 128 || nameTable.action[ch] != NameTable::PieceBreak))
            break;
        // Runs of a document repeat one element: a name spelt as the last
        // start tag's is classified as it was, without a look into the cache.
        const int nameLength = nameEnd - lt - 1;
        bool isScript = lastScript;
        int style = lastStyle;
        if (nameLength != lastLength || !CharacterScan::sameUnits(s + lastName, s + lt + 1, nameLength)) {
            style = classifyName(lt + 1, nameEnd - 1, isScript);
            lastName = lt + 1;
            lastLength = nameLength;
            lastStyle = style;
            lastScript = isScript;
        }
        if (isScript)
            break;
        if (ch != u'>' && ch != u'/') {
            if (style == Tag) {
                // Attributes of the plain shape are reported here, as the
                // machine would report them, without a step per piece.
                const int tagEnd = plainAttributesEnd(s, nameEnd, end);
                if (tagEnd >= 0) {
                    m_tagClosing = false;
                    i = tagEnd + 1;
                    if constexpr (TakesPlainTags<Sink>::value) {
                        m_sink.plainStartTag(lt, nameEnd, tagEnd);
                        m_segStart = i;
                        continue;
                    }
                    report(lt - 1, Default);
                    report(nameEnd - 1, style);
                    reportPlainAttributes(nameEnd, tagEnd);
                    continue;
                }
                // Other attributes of a known tag are styled by the machine.
                report(lt - 1, Default);
                report(nameEnd - 1, style);
                m_tagClosing = false;
                m_state = Other;
                steppedOver(from, nameEnd + 1);
                return nameEnd + 1;
            }
            // In the plain piece, "!" and "[" (no "<" before them) do nothing.
            close = findTagCloser(s, nameEnd + 1, end);
            if (close < 0 || close + 1 >= end || s[close] == u'<')
                break;
            if (s[close] == u'/' && s[close + 1] != u'>') {
                // A sink that takes whole tags needs no runs of pieces the
                // machine would find unknown, such as the parts of a path.
                int slashPiecesEnd = -1;
                if constexpr (TakesPlainTags<Sink>::value)
                    slashPiecesEnd = unknownSlashPiecesEnd(close);
                if (slashPiecesEnd >= 0) {
                    close = slashPiecesEnd;
                } else {
                    // A "/" inside begins a piece that the machine classifies.
                    report(lt - 1, Default);
                    report(nameEnd - 1, style);
                    report(close - 1, TagUnknown);
                    m_tagClosing = false;
                    m_state = TagUnknown;
                    steppedOver(from, close + 1);
                    return close + 1;
                }
            }
        }
        const bool selfClosed = s[close] == u'/';
        m_tagClosing = false;
        i = close + 1 + selfClosed;
        if constexpr (TakesPlainTags<Sink>::value) {
            m_sink.plainStartTag(lt, nameEnd, close + selfClosed);
            m_segStart = i;
            continue;
        }
        report(lt - 1, Default);
        report(nameEnd - 1, style);
        report(close - 1, TagUnknown);
        if (selfClosed)
            report(close + 1, style == Tag ? TagEnd : TagUnknown);
        else
            report(close, style);
    }
    steppedOver(from, i);
    return i;
}

inline int MarkupLexerBase::textSegment(int from, int to, char16_t* buffer, int capacity, bool lower) const
{
    int n = 0;
    from = std::max(from, 0);
    to = std::min(to, m_length - 1);
    for (int k = from; k <= to && n < capacity - 1; ++k)
        buffer[n++] = lower ? asciiLower(m_s[k]) : m_s[k];
    buffer[n] = 0;
    return n;
}

inline int MarkupLexerBase::classifyTag(int from, int to, bool& isScript)
{
    int k = from;
    while (k <= to && (m_s[k] == u'<' || m_s[k] == u'/'))
        ++k;
    return classifyName(k, to, isScript);
}

// The style of the tag whose name (after "<" or "</") runs from `k` to `to`.
inline int MarkupLexerBase::classifyName(int k, int to, bool& isScript)
{
    isScript = false;
    const char16_t* s = m_s;
    // Most pieces of an unknown tag begin with a character that no word of
    // the list begins with; they need no collected name.
    if (k <= to && s[k] != u'!' && (s[k] >= 256 || !m_htmlMayStartWith[asciiLower(s[k])]))
        return TagUnknown;
    // A name seen before, spelt alike, is answered without being collected.
    const int length = to - k + 1;
    KnownTag* entry = nullptr;
    if (length > 0 && length <= 30 && s[k] != u'!' && m_html.length() > 0) {
        entry = &m_names.tags[knownTagSlot(s[k], s[to], length)];
        if (entry->length == length && CharacterScan::sameUnits(entry->name, s + k, length)) {
            isScript = entry->script;
            return entry->known ? Tag : TagUnknown;
        }
    }
    return classifyCollectedName(k, to, isScript, entry);
}

inline bool MarkupLexerBase::attributeKnown(int from, int to)
{
    if (m_html.length() == 0)
        return true;
    if (from <= to && (m_s[from] >= 256 || !m_htmlMayStartWith[asciiLower(m_s[from])]))
        return false;
    char16_t buffer[100];
    return htmlContains(buffer, textSegment(from, to, buffer, 100, true));
}

inline bool MarkupLexerBase::htmlContains(const char16_t* name, int length)
{
    if (length > 30)
        return m_html.contains(name);
    KnownName& entry = m_names.names[knownNameSlot(name[0], length ? name[length - 1] : 0, length)];
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

inline void MarkupLexerBase::afterTagClose()
{
    m_state = m_mode == ScriptMode::Script ? stateForScript(m_language) : Default;
    m_tagClosing = false;
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
    if (ch == u'<' && next == u'%' && m_state != JsComment && m_state != JsCommentLine && m_state != JsCommentDoc
        && m_state != VbCommentLine && m_state != PyCommentLine && m_state != PhpComment && m_state != PhpCommentLine
        && !isPhpStringState(m_state)) {
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

    // Declaration, comment or CDATA "<!"; not inside a tag's quoted value,
    // which may hold any markup as text.
    if (ch == u'!' && m_prev == u'<' && (m_language == ScriptLanguage::None || m_language == ScriptLanguage::Xml)
        && ps() != CData && ps() != Comment && ps() != SgmlComment && !isScriptCommentState(m_state)
        && m_state != DoubleString && m_state != SingleString) {
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
    if (m_state < SgmlDefault)
        return markupRule(i, ch);
    const char16_t next = at(i + 1);
    const char16_t next2 = at(i + 2);

    if (m_state < JsStart)
        return sgmlRule(i, ch);
    if (m_state < VbStart) {
        i = javaScriptRule(i, ch, next, next2);
    } else if (m_state < PyStart) {
        i = vbScriptRule(i, ch, next, next2);
    } else if (m_state < PhpComplexVariable) {
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
        } else if (ch == u'"' || ch == u'\'') {
            // The value is one run, in which no closer of the tag counts.
            const int valueEnd = quotedValueEnd(m_s, i, m_end);
            if (valueEnd >= 0) {
                report(valueEnd, TagUnknown);
                m_prev = m_s[valueEnd - 1];
                i = valueEnd;
            }
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

} // namespace detail
} // namespace HtmlLexer
