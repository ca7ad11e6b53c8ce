#pragma once

#include <QString>

#include <cstring>

// Lower-cases names (tag and attribute names) one code point at a time. Unlike
// QString::toLower(), a lone surrogate stays as it is instead of taking the
// character after it along, so the result has the length of the name and
// lower-casing it again changes nothing: a name read from broken text still
// finds itself.
inline QString lowerCasedName(const QChar* data, int length)
{
    QString out(length, Qt::Uninitialized);
    QChar* write = out.data();
    for (int k = 0; k < length; ++k) {
        const QChar c = data[k];
        if (c.isHighSurrogate() && k + 1 < length && data[k + 1].isLowSurrogate()) {
            const uint lower = QChar::toLower(QChar::surrogateToUcs4(c, data[k + 1]));
            const bool keepsPlane = QChar::requiresSurrogates(lower);
            write[k] = keepsPlane ? QChar(QChar::highSurrogate(lower)) : c;
            write[k + 1] = keepsPlane ? QChar(QChar::lowSurrogate(lower)) : data[k + 1];
            ++k;
        } else {
            write[k] = c.isSurrogate() ? c : c.toLower();
        }
    }
    return out;
}

inline QString lowerCasedName(const QString& name)
{
    return lowerCasedName(name.constData(), name.size());
}

// Whether lower-casing would change the name: it holds a capital or a
// character beyond ASCII. Four characters at a time, each lane of 16 bits
// tested without a carry into the next, and the last four read again from
// where the name ends, since tag names are mostly short and lower-case
// already.
inline bool needsLowerCasing(const QChar* data, int length)
{
    const auto anyOfFour = [data](int from) {
        quint64 lanes = 0;
        std::memcpy(&lanes, data + from, sizeof lanes);
        // Below 0x80, bit 7 of a lane is set by adding 0x3f from "A" on, and
        // by adding 0x25 from the character after "Z" on.
        const quint64 fromA = lanes + 0x003f003f003f003full;
        const quint64 afterZ = lanes + 0x0025002500250025ull;
        return (lanes & 0xff80ff80ff80ff80ull) != 0 || (fromA & ~afterZ & 0x0080008000800080ull) != 0;
    };
    if (length < 4) {
        for (int k = 0; k < length; ++k) {
            const ushort c = data[k].unicode();
            if (c >= 128 || (c >= 'A' && c <= 'Z'))
                return true;
        }
        return false;
    }
    for (int k = 0; k + 4 < length; k += 4)
        if (anyOfFour(k))
            return true;
    return anyOfFour(length - 4);
}
