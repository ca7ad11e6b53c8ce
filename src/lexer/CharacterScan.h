#pragma once

#include "lexer/CharacterClasses.h"

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The lexer's scans over UTF-16 text: the one place where it tests several
// characters at once (eight with SSE2, with plain loops for the rest and
// where SSE2 is missing; four at a time in sameUnits). They pay for
// themselves: with plain loops instead, the markup round trip fell from 1.42
// to 1.07 times pugixml's speed on the system corpus, from 2.29 to 1.82 on
// a 1 MB Menus.xml and from 1.50 to 1.25 on freedesktop.org.xml
// (bench_markup, bench/README.md).
class CharacterScan
{
public:
    // The first position from `j` on (before `end`) holding a, b or c; `end`
    // when there is none: text between tags and quoted values are long
    // stretches of such characters.
    static int findFirstOf(const char16_t* s, int j, int end, char16_t a, char16_t b, char16_t c)
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

    // The first position from `j` on holding one of the characters that need a
    // full step inside an unknown tag ("<", "/", ">", "!", "[" and the quotes);
    // `end` when there is none. As findFirstOf, eight characters at a time.
    static int findTagSpecialOrQuote(const char16_t* s, int j, int end)
    {
#ifdef __SSE2__
        const __m128i lt = _mm_set1_epi16(u'<');
        const __m128i slash = _mm_set1_epi16(u'/');
        const __m128i gt = _mm_set1_epi16(u'>');
        const __m128i bang = _mm_set1_epi16(u'!');
        const __m128i bracket = _mm_set1_epi16(u'[');
        const __m128i quote = _mm_set1_epi16(u'"');
        const __m128i apostrophe = _mm_set1_epi16(u'\'');
        for (; j + 8 <= end; j += 8) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
            const __m128i hit
                = _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, lt), _mm_cmpeq_epi16(x, slash)),
                                   _mm_or_si128(_mm_cmpeq_epi16(x, gt), _mm_cmpeq_epi16(x, bang))),
                    _mm_or_si128(_mm_cmpeq_epi16(x, bracket),
                        _mm_or_si128(_mm_cmpeq_epi16(x, quote), _mm_cmpeq_epi16(x, apostrophe))));
            const int mask = _mm_movemask_epi8(hit);
            if (mask)
                return j + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
        }
#endif
        while (j < end && !isTagSpecialOrQuote(s[j]))
            ++j;
        return j;
    }

    // The first position from `j` on that holds no tag-name character or holds
    // "!"; `end` when there is none. Eight characters at a time: every tag's
    // name goes through here, and most end within the first eight.
    static int skipPlainName(const char16_t* s, int j, int end)
    {
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        // Whether each lane lies in [low, high], compared without sign.
        const auto inRange = [zero](__m128i x, char16_t low, char16_t high) {
            const __m128i above = _mm_subs_epu16(_mm_sub_epi16(x, _mm_set1_epi16(static_cast<short>(low))),
                _mm_set1_epi16(static_cast<short>(high - low)));
            return _mm_cmpeq_epi16(above, zero);
        };
        for (; j + 8 <= end; j += 8) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
            // Setting bit 5 makes capitals small letters, and no other
            // character a letter.
            const __m128i letter = inRange(_mm_or_si128(x, _mm_set1_epi16(0x20)), u'a', u'z');
            const __m128i digitOrColon = inRange(x, u'0', u':');
            const __m128i dashOrDot = inRange(x, u'-', u'.');
            const __m128i underscoreOrHash
                = _mm_or_si128(_mm_cmpeq_epi16(x, _mm_set1_epi16(u'_')), _mm_cmpeq_epi16(x, _mm_set1_epi16(u'#')));
            const __m128i ascii = inRange(x, 0, 127);
            const __m128i name
                = _mm_or_si128(_mm_or_si128(letter, digitOrColon), _mm_or_si128(dashOrDot, underscoreOrHash));
            const int stops = _mm_movemask_epi8(_mm_and_si128(ascii, _mm_cmpeq_epi16(name, zero)));
            if (stops)
                return j + __builtin_ctz(static_cast<unsigned>(stops)) / 2;
        }
#endif
        while (j < end && CharacterClasses::isTagNameChar(s[j]) && s[j] != u'!')
            ++j;
        return j;
    }

    // Whether a[0, length) equals b[0, length), four units at a time, the last
    // four read again from where they end rather than one by one: tag names
    // are a few characters long.
    // "<", "/", ">", "!", "[" and the quotes: what needs a full step inside an unknown tag.
    static bool isTagSpecialOrQuote(char16_t c)
    {
        return c == u'<' || c == u'/' || c == u'>' || c == u'!' || c == u'[' || c == u'"' || c == u'\'';
    }

    static bool sameUnits(const char16_t* a, const char16_t* b, int length)
    {
        const auto sameFour = [a, b](int from) {
            std::uint64_t x = 0;
            std::uint64_t y = 0;
            std::memcpy(&x, a + from, sizeof x);
            std::memcpy(&y, b + from, sizeof y);
            return x == y;
        };
        if (length < 4) {
            for (int n = 0; n < length; ++n)
                if (a[n] != b[n])
                    return false;
            return true;
        }
        for (int n = 0; n + 4 < length; n += 4)
            if (!sameFour(n))
                return false;
        return sameFour(length - 4);
    }
};
