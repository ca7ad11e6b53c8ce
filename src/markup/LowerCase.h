#pragma once

#include <QString>

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
// character beyond ASCII.
inline bool needsLowerCasing(const QChar* data, int length)
{
    for (int k = 0; k < length; ++k) {
        const ushort c = data[k].unicode();
        if (c >= 128 || (c >= 'A' && c <= 'Z'))
            return true;
    }
    return false;
}
