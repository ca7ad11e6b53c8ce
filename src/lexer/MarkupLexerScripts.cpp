#include "lexer/MarkupLexerImpl.h"

// The rules of the scripts embedded in markup: JavaScript, VBScript, Python
// and PHP. Compiled once for every sink: scripts are rare in the documents
// the markup model reads, so their runs may take the virtual way.
namespace HtmlLexer {
namespace detail {

bool MarkupLexerBase::delimiterAt(int pos) const
{
    for (int k = 0; k < m_phpDelimiterLength; ++k)
        if (at(pos + k) != m_phpDelimiter[k])
            return false;
    return true;
}

int MarkupLexerBase::javaScriptRule(int i, char16_t ch, char16_t next, char16_t next2)
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

int MarkupLexerBase::vbScriptRule(int i, char16_t ch, char16_t next, char16_t next2)
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

int MarkupLexerBase::pythonRule(int i, char16_t ch, char16_t next, char16_t next2)
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

int MarkupLexerBase::phpOpen(int i, char16_t ch, char16_t next, char16_t next2)
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

int MarkupLexerBase::phpRule(int i, char16_t ch, char16_t next, char16_t next2)
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

void MarkupLexerBase::reenter(int i, char16_t ch, char16_t next, char16_t next2)
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
