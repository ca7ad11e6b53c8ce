#include "discovery/PlainElement.h"

namespace {

// What each ASCII character may be in a plain element, looked up rather
// than tested: every entry of a package is read through here.
struct PlainCharacters
{
    enum : unsigned char { StartsName = 1, ContinuesName = 2, EndsValue = 4 };
    unsigned char roles[128] = {};
    constexpr PlainCharacters()
    {
        for (int c = 0; c < 128; ++c) {
            const bool starts = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
            const bool continues = starts || (c >= '0' && c <= '9') || c == '-' || c == '.';
            const bool endsValue = c == 0 || c == '<' || c == '>' || c == '&' || c == '\\' || c == '\n' || c == '\r';
            roles[c] = (starts ? StartsName : 0) | (continues ? ContinuesName : 0) | (endsValue ? EndsValue : 0);
        }
    }
    bool is(ushort c, unsigned char role) const { return c < 128 && (roles[c] & role); }
};
constexpr PlainCharacters plainCharacters;

bool startsName(ushort c)
{
    return plainCharacters.is(c, PlainCharacters::StartsName);
}

bool continuesName(ushort c)
{
    return plainCharacters.is(c, PlainCharacters::ContinuesName);
}

} // namespace

PlainElement PlainElement::of(const QString& markup)
{
    // Read up to its terminating null, where every test below stops: a
    // character past the end is never asked for.
    const char16_t* const text = reinterpret_cast<const char16_t*>(markup.utf16());
    const int n = int(markup.size());
    const auto at = [text](int k) { return ushort(text[k]); };
    const auto skip = [&at](int k, bool lineBreaks) {
        for (ushort c = at(k); c == ' ' || c == '\t' || (lineBreaks && (c == '\n' || c == '\r')); c = at(++k)) { }
        return k;
    };
    const auto skipName = [&at](int k) {
        if (!startsName(at(k)))
            return -1;
        while (continuesName(at(++k))) { }
        return k;
    };
    PlainElement plain;
    const int begin = skip(0, true);
    if (at(begin) != '<')
        return {};
    const int nameEnd = skipName(begin + 1);
    if (nameEnd < 0)
        return {};
    int k = nameEnd;
    for (;;) {
        const int spaced = skip(k, false);
        if (at(spaced) == '/' && at(spaced + 1) == '>') {
            k = spaced + 2;
            break;
        }
        const int attributeEnd = spaced > k ? skipName(spaced) : -1;
        if (attributeEnd < 0)
            return {};
        int value = skip(attributeEnd, false);
        if (at(value) != '=')
            return {};
        value = skip(value + 1, false);
        const ushort quote = at(value);
        if (quote != '"' && quote != '\'')
            return {};
        int end = value + 1;
        for (ushort c = at(end); c != quote; c = at(++end)) {
            // A control character or half a surrogate pair is for the
            // balance check to refuse, which a plain element skips.
            if (plainCharacters.is(c, PlainCharacters::EndsValue) || (c < 0x20 && c != '\t')
                || (c >= 0xd800 && c <= 0xdfff) || c >= 0xfffe)
                return {};
        }
        if (plain.idLength < 0 && attributeEnd - spaced == 2 && (at(spaced) | 0x20) == 'i'
            && (at(spaced + 1) | 0x20) == 'd') {
            plain.idBegin = value + 1;
            plain.idLength = end - value - 1;
        }
        k = end + 1;
    }
    if (skip(k, true) != n)
        return {};
    plain.tagBegin = begin;
    plain.tagLength = k - begin;
    plain.nameLength = nameEnd - begin - 1;
    return plain;
}
