#pragma once

#include <QByteArray>
#include <QString>

// The text of a manifest's bytes, in the encoding they are in. Publishers'
// tools wrote manifests in UTF-8, in UTF-16 (with a byte-order mark, or a
// declaration alone) and in Latin-1 or Windows-1252, often declared as
// something else: the bytes decide where they can, the declaration where
// they cannot.
class ManifestDecoder
{
public:
    // The text up to the first zero character; a null string when the bytes
    // cannot be read, with the reason in problem (when given).
    //  - UTF-16 (either byte order) by its byte-order mark, or by the zero
    //    bytes around the ASCII "<" that starts it;
    //  - UTF-32, or an 8-bit encoding other than those below holding bytes
    //    past ASCII, is refused;
    //  - otherwise UTF-8, unless the bytes are not valid UTF-8 or the
    //    declaration names ISO-8859-1, Latin-1, Windows-1252 or ASCII: then
    //    Windows-1252 (of which ISO-8859-1's printable characters are a part).
    static QString decode(const QByteArray& bytes, QString* problem = nullptr);
};
