#pragma once

// Character classes of the markup lexer, on 16-bit code units. Classes defined
// on ASCII say for themselves what they make of units at or above 128.
namespace CharacterClasses {

inline bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
inline bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
inline bool isAsciiAlnum(char16_t c)
{
    return isAsciiLetter(c) || isAsciiDigit(c);
}
inline bool isTagNameChar(char16_t c)
{
    return c >= 128 || isAsciiAlnum(c) || c == u'.' || c == u'-' || c == u'_' || c == u':' || c == u'!' || c == u'#';
}
inline bool isSgmlWordChar(char16_t c)
{
    return c >= 128 || isAsciiAlnum(c) || c == u'.' || c == u'_' || c == u':' || c == u'!' || c == u'#' || c == u'[';
}
inline bool isWordChar(char16_t c)
{
    return c < 128 && (isAsciiAlnum(c) || c == u'.' || c == u'_');
}
inline bool isWordStart(char16_t c)
{
    return c < 128 && (isAsciiAlnum(c) || c == u'_');
}
inline bool isPhpWordStart(char16_t c)
{
    return isAsciiLetter(c) || c == u'_' || c >= 127;
}
inline bool isPhpWordChar(char16_t c)
{
    return isPhpWordStart(c) || isAsciiDigit(c);
}
inline bool isOperator(char16_t c)
{
    switch (c) {
    case u'%':
    case u'^':
    case u'&':
    case u'*':
    case u'(':
    case u')':
    case u'-':
    case u'+':
    case u'=':
    case u'|':
    case u'{':
    case u'}':
    case u'[':
    case u']':
    case u':':
    case u';':
    case u'<':
    case u'>':
    case u',':
    case u'/':
    case u'?':
    case u'!':
    case u'.':
    case u'~':
        return true;
    default:
        return false;
    }
}
inline bool isSpaceChar(char16_t c)
{
    return c == u' ' || (c >= 9 && c <= 13);
}
inline bool isLineEnd(char16_t c)
{
    return c == u'\r' || c == u'\n';
}
inline bool isNumberStart(char16_t c)
{
    return isAsciiDigit(c) || c == u'.' || c == u'-' || c == u'#';
}

} // namespace CharacterClasses
