#include "lexer/MarkupLexerImpl.h"

#include <cstdint>
#include <cstring>

// The parts of the markup lexer that do not depend on the sink's type, and
// the lexer for any ILexerSink.
namespace HtmlLexer {
namespace detail {

MarkupLexerBase::NameCache& MarkupLexerBase::threadNameCache()
{
    static thread_local NameCache cache;
    return cache;
}

MarkupLexerBase::MarkupLexerBase(KeywordList* lists[], ILexerSink& sink, bool skipping)
    : m_anySink(sink)
    , m_skipping(skipping)
    , m_s(sink.characters())
    , m_length(sink.length())
    , m_html(*lists[0])
    , m_javaScript(*lists[1])
    , m_vbScript(*lists[2])
    , m_python(*lists[3])
    , m_php(*lists[4])
    , m_sgml(*lists[5])
    , m_names(threadNameCache())
{
    m_prevPythonWord[0] = 0;
    m_phpDelimiter[0] = 0;
    // Without an HTML list every name counts as known.
    static const struct AllTrue
    {
        bool table[256];
        AllTrue() { std::fill(std::begin(table), std::end(table), true); }
    } allTrue;
    m_htmlMayStartWith = m_html.length() == 0 ? allTrue.table : m_html.firstCharacters();
    // What follows from the list alone is worked out once for each list the
    // thread reads, not again for every document: a small document's parse
    // is only some twenty times this check.
    if (m_names.generation != m_html.generation()) {
        m_names = NameCache();
        m_names.generation = m_html.generation();
        std::uint64_t hits = 0;
        for (int c = 0; c < 128; c += 8) {
            std::uint64_t may = 0;
            std::uint64_t mask = 0;
            std::memcpy(&may, m_htmlMayStartWith + c, 8);
            std::memcpy(&mask, nameTable.pieceBreakMask + c, 8);
            hits |= may & mask;
        }
        m_names.plainPiecesAreUnknown = hits == 0;
    }
    m_plainPiecesAreUnknown = m_names.plainPiecesAreUnknown;
}

bool MarkupLexerBase::closingScriptNameFollows(int pos) const
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

ScriptLanguage MarkupLexerBase::scriptIndicator(int from, int to, ScriptLanguage previous) const
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

int MarkupLexerBase::classifyVbWord(int endPos)
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
    report(endPos, m_mode == ScriptMode::Script ? style : style + serverVbOffset);
    return state;
}

void MarkupLexerBase::classifyScriptWord(int endPos)
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
        report(endPos, server ? style + serverOffset : style);
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
        report(endPos, server ? style + serverOffset : style);
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

int MarkupLexerBase::sgmlRule(int i, char16_t ch)
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

template class MarkupLexer<ILexerSink>;

// The rest of classifyName, out of line: a name met for the first time,
// or one that another name pushed out of its slot.
int MarkupLexerBase::classifyCollectedName(int k, int to, bool& isScript, KnownTag* entry)
{
    const char16_t* s = m_s;
    const int length = to - k + 1;
    char16_t name[31];
    int n = 0;
    for (int j = k; j <= to && n < 30; ++j) {
        const char16_t c = s[j];
        if (c != u'<' && c != u'/')
            name[n++] = asciiLower(c);
    }
    name[n] = 0;
    if (name[0] == u'!')
        return SgmlDefault;
    const bool known = m_html.length() == 0 || htmlContains(name, n);
    isScript = known && std::u16string_view(name, n) == u"script";
    if (entry) {
        std::copy(s + k, s + k + length, entry->name);
        entry->length = length;
        entry->known = known;
        entry->script = isScript;
    }
    return known ? Tag : TagUnknown;
}

} // namespace detail
} // namespace HtmlLexer
