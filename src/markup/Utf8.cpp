#include "markup/Utf8.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Sizes as the running Qt counts them: int in Qt 5, qsizetype in Qt 6.
using QtSize = decltype(QString().size());

bool isContinuation(uchar byte)
{
    return (byte & 0xc0) == 0x80;
}

// Noncharacters decode differently from one Qt version to another; they are
// left to Qt, as is everything that is not plain UTF-8.
bool isNoncharacter(uint c)
{
    return (c >= 0xfdd0 && c <= 0xfdef) || (c & 0xfffe) == 0xfffe;
}

// The bytes the unit at src encodes as, taking src past it and past the low
// half of a pair it begins.
int unitLength(const char16_t*& src, const char16_t* end)
{
    const char16_t c = *src++;
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (!QChar::isSurrogate(c))
        return 3;
    if (QChar::isHighSurrogate(c) && src < end && QChar::isLowSurrogate(*src)) {
        ++src;
        return 4;
    }
    return 1; // "?"
}

#ifdef __SSE2__
int lowestSetBit(unsigned mask)
{
    return __builtin_ctz(mask);
}
#endif

// Makes room for `more` bytes after the first `used` of out and returns where
// they begin. A fresh array is allocated at the size asked, not rounded up
// for growth: a whole document's text is written into it once.
uchar* reserveAfter(QByteArray& out, qsizetype used, qsizetype more)
{
    if (used == 0 && out.capacity() < more)
        out = QByteArray(static_cast<QtSize>(more), Qt::Uninitialized);
    else
        out.resize(static_cast<QtSize>(used + more));
    return reinterpret_cast<uchar*>(out.data()) + used;
}

} // namespace

QString Utf8::decode(const char* data, qsizetype size)
{
    const uchar* src = reinterpret_cast<const uchar*>(data);
    const uchar* const end = src + size;
    // A leading byte-order mark is something Qt's versions treat each their
    // own way; the caller that keeps it strips it before.
    if (size >= 3 && src[0] == 0xef && src[1] == 0xbb && src[2] == 0xbf)
        return QString::fromUtf8(data, static_cast<QtSize>(size));
    // Never more UTF-16 units than bytes.
    QString out(static_cast<QtSize>(size), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* dst = begin;
    while (src < end) {
#ifdef __SSE2__
        // All 16 are widened and stored even when some are not ASCII: the
        // units past the ASCII ones are written again below, and the stores
        // stay inside the text, which has at least as many units left as
        // the input has bytes.
        const __m128i zero = _mm_setzero_si128();
        while (end - src >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(bytes, zero));
            const unsigned high = unsigned(_mm_movemask_epi8(bytes));
            if (high == 0) {
                src += 16;
                dst += 16;
                continue;
            }
            const int ascii = lowestSetBit(high);
            src += ascii;
            dst += ascii;
            break;
        }
#endif
        // Characters one at a time, until ASCII comes in blocks again.
        while (src < end) {
            const uint lead = *src;
            if (lead < 0x80) {
                *dst++ = char16_t(lead);
                ++src;
                if (end - src >= 16)
                    break;
                continue;
            }
            const qsizetype left = end - src;
            if (lead >= 0xc2 && lead < 0xe0 && left >= 2 && isContinuation(src[1])) {
                *dst++ = char16_t(((lead & 0x1f) << 6) | (src[1] & 0x3f));
                src += 2;
                continue;
            }
            if (lead >= 0xe0 && lead < 0xf0 && left >= 3 && isContinuation(src[1]) && isContinuation(src[2])) {
                const uint c = ((lead & 0x0f) << 12) | (uint(src[1] & 0x3f) << 6) | (src[2] & 0x3f);
                if (c >= 0x800 && (c < 0xd800 || c > 0xdfff) && !isNoncharacter(c)) {
                    *dst++ = char16_t(c);
                    src += 3;
                    continue;
                }
            } else if (lead >= 0xf0 && lead < 0xf5 && left >= 4 && isContinuation(src[1]) && isContinuation(src[2])
                && isContinuation(src[3])) {
                const uint c = ((lead & 0x07) << 18) | (uint(src[1] & 0x3f) << 12) | (uint(src[2] & 0x3f) << 6)
                    | (src[3] & 0x3f);
                if (c >= 0x10000 && c <= 0x10ffff && !isNoncharacter(c)) {
                    *dst++ = QChar::highSurrogate(c);
                    *dst++ = QChar::lowSurrogate(c);
                    src += 4;
                    continue;
                }
            }
            // Not plain UTF-8: Qt decides what it becomes.
            return QString::fromUtf8(data, static_cast<QtSize>(size));
        }
    }
    out.truncate(static_cast<QtSize>(dst - begin));
    return out;
}

qsizetype Utf8::encodedLength(QStringView text)
{
    const char16_t* src = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = src + text.size();
    qsizetype length = 0;
#ifdef __SSE2__
    // Without a branch per unit, which text that mixes scripts would
    // mispredict: a unit is three bytes, less one below 0x800 and one more
    // below 0x80. Blocks that hold a surrogate are counted one unit at a time.
    const __m128i below80 = _mm_set1_epi16(short(0xff80));
    const __m128i below800 = _mm_set1_epi16(short(0xf800));
    const __m128i surrogate = _mm_set1_epi16(short(0xd800));
    const __m128i zero = _mm_setzero_si128();
    while (end - src >= 8) {
        // Lanes of 16 bits each lose at most 2 a block: summed before they
        // could overflow.
        __m128i less = zero;
        int blocks = 0;
        for (; end - src >= 8 && blocks < 8192; ++blocks) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
            const __m128i high = _mm_and_si128(units, below800);
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, surrogate)) != 0)
                break;
            less = _mm_add_epi16(less, _mm_cmpeq_epi16(_mm_and_si128(units, below80), zero));
            less = _mm_add_epi16(less, _mm_cmpeq_epi16(high, zero));
            src += 8;
        }
        const __m128i pairs = _mm_madd_epi16(less, _mm_set1_epi16(1));
        alignas(16) qint32 lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), pairs);
        length += 3 * 8 * qsizetype(blocks) + lanes[0] + lanes[1] + lanes[2] + lanes[3];
        if (blocks < 8192 && end - src >= 8) {
            // A block with a surrogate, and the unit its pair may take along.
            const char16_t* const stop = src + 8;
            while (src < stop)
                length += unitLength(src, end);
        }
    }
#endif
    while (src < end)
        length += unitLength(src, end);
    return length;
}

void Utf8::append(QByteArray& out, QStringView text)
{
    const char16_t* src = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = src + text.size();
    // Room for ASCII, which is what configuration files mostly are. The
    // first character beyond it makes room for a quarter more, which covers
    // a text whose comments are in another script; a text that needs more
    // than that has the rest measured, once.
    uchar* dst = reserveAfter(out, out.size(), text.size());
    uchar* limit = reinterpret_cast<uchar*>(out.data()) + out.size();
    bool widened = false;
    while (src < end) {
#ifdef __SSE2__
        const __m128i notAscii = _mm_set1_epi16(short(0xff80));
        const __m128i zero = _mm_setzero_si128();
        while (end - src >= 16 && limit - dst >= 16) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8));
            // Stored whole even when some units are not ASCII: the bytes past
            // the ASCII ones are written again below.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(low, high));
            // A bit per unit that is ASCII.
            const unsigned ascii
                = unsigned(_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(low, notAscii), zero),
                    _mm_cmpeq_epi16(_mm_and_si128(high, notAscii), zero))));
            if (ascii == 0xffff) {
                src += 16;
                dst += 16;
                continue;
            }
            const int prefix = lowestSetBit(~ascii);
            src += prefix;
            dst += prefix;
            break;
        }
#endif
        // Characters one at a time, until ASCII comes in blocks again: a
        // single space between two words of another script stays here.
        while (src < end) {
            const char16_t c = *src++;
            if (c < 0x80) {
                *dst++ = uchar(c);
                if (src < end && *src < 0x80 && end - src >= 16 && limit - dst >= 16)
                    break;
                continue;
            }
            // Room for this character and a byte for each unit after it,
            // which ASCII takes without asking.
            if (limit - dst - (end - src) < 4) {
                const qsizetype written = dst - reinterpret_cast<uchar*>(out.data());
                const qsizetype left = end - src + 1;
                const qsizetype room = widened ? encodedLength(QStringView(src - 1, end)) : left + left / 4 + 4;
                widened = true;
                dst = reserveAfter(out, written, room);
                limit = dst + room;
            }
            if (c < 0x800) {
                dst[0] = uchar(0xc0 | (c >> 6));
                dst[1] = uchar(0x80 | (c & 0x3f));
                dst += 2;
            } else if (!QChar::isSurrogate(c)) {
                dst[0] = uchar(0xe0 | (c >> 12));
                dst[1] = uchar(0x80 | ((c >> 6) & 0x3f));
                dst[2] = uchar(0x80 | (c & 0x3f));
                dst += 3;
            } else if (QChar::isHighSurrogate(c) && src < end && QChar::isLowSurrogate(*src)) {
                const uint u = QChar::surrogateToUcs4(c, *src++);
                dst[0] = uchar(0xf0 | (u >> 18));
                dst[1] = uchar(0x80 | ((u >> 12) & 0x3f));
                dst[2] = uchar(0x80 | ((u >> 6) & 0x3f));
                dst[3] = uchar(0x80 | (u & 0x3f));
                dst += 4;
            } else {
                // As Qt writes a lone surrogate; the unit after it is read
                // for itself.
                *dst++ = '?';
            }
        }
    }
    out.resize(static_cast<QtSize>(dst - reinterpret_cast<uchar*>(out.data())));
}

QByteArray Utf8::encode(QStringView text)
{
    QByteArray out;
    append(out, text);
    return out;
}
