#include "discovery/ManifestDecoder.h"

#include "markup/Utf8.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Utf32, Windows1252, Other };

// Where Windows-1252 differs from Latin-1: 0x80 to 0x9F, which Latin-1
// leaves to control characters no manifest holds. The five codes it leaves
// undefined stay what Latin-1 makes of them.
constexpr char16_t windows1252High[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

int byteAt(const QByteArray& bytes, int at)
{
    return at < bytes.size() ? static_cast<unsigned char>(bytes.at(at)) : -1;
}

// By the byte-order mark, or by the zero bytes of the "<" a manifest starts
// with; Utf8 when neither tells (the declaration may then).
Encoding encodingByBytes(const QByteArray& bytes, int* markSize)
{
    *markSize = 0;
    const int b0 = byteAt(bytes, 0), b1 = byteAt(bytes, 1), b2 = byteAt(bytes, 2), b3 = byteAt(bytes, 3);
    if ((b0 == 0xFF && b1 == 0xFE && b2 == 0 && b3 == 0) || (b0 == 0 && b1 == 0 && b2 == 0xFE && b3 == 0xFF))
        return Encoding::Utf32;
    if (b0 == 0xFF && b1 == 0xFE) {
        *markSize = 2;
        return Encoding::Utf16LittleEndian;
    }
    if (b0 == 0xFE && b1 == 0xFF) {
        *markSize = 2;
        return Encoding::Utf16BigEndian;
    }
    if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF)
        *markSize = 3;
    else if (b0 > 0 && b0 < 0x80 && b1 == 0)
        return b2 == 0 && b3 == 0 ? Encoding::Utf32 : Encoding::Utf16LittleEndian;
    else if (b0 == 0 && b1 > 0 && b1 < 0x80)
        return Encoding::Utf16BigEndian;
    else if (b0 == 0 && b1 == 0 && b2 == 0 && b3 > 0)
        return Encoding::Utf32;
    return Encoding::Utf8;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The encoding an 8-bit declaration names, lower-cased; empty without one.
QByteArray declaredEncoding(const QByteArray& bytes, int from)
{
    while (from < bytes.size() && isBlank(bytes.at(from)))
        ++from;
    if (!bytes.mid(from, 5).startsWith("<?xml"))
        return QByteArray();
    // A declaration is one short line; a manifest that leaves it open is no reason to search all of it.
    const QByteArray declaration = bytes.mid(from, 256);
    const int end = declaration.indexOf("?>");
    int at = declaration.indexOf("encoding");
    if (at < 0 || (end >= 0 && at > end))
        return QByteArray();
    at += 8;
    while (at < declaration.size() && isBlank(declaration.at(at)))
        ++at;
    if (at >= declaration.size() || declaration.at(at) != '=')
        return QByteArray();
    ++at;
    while (at < declaration.size() && isBlank(declaration.at(at)))
        ++at;
    if (at >= declaration.size() || (declaration.at(at) != '"' && declaration.at(at) != '\''))
        return QByteArray();
    const int close = declaration.indexOf(declaration.at(at), at + 1);
    return close < 0 ? QByteArray() : declaration.mid(at + 1, close - at - 1).trimmed().toLower();
}

Encoding encodingByName(const QByteArray& name)
{
    static const char* const utf8[] = { "utf-8", "utf8" };
    // A declaration of UTF-16 over 8-bit bytes is wrong: the bytes decide.
    static const char* const utf16[] = { "utf-16", "utf-16le", "utf-16be", "utf16", "ucs-2", "unicode" };
    static const char* const windows1252[] = { "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "latin-1", "l1",
        "windows-1252", "cp1252", "x-cp1252", "us-ascii", "ascii" };
    const auto among = [&name](const auto& names) {
        return std::any_of(std::begin(names), std::end(names), [&name](const char* known) { return name == known; });
    };
    if (name.isEmpty() || among(utf8) || among(utf16))
        return Encoding::Utf8;
    return among(windows1252) ? Encoding::Windows1252 : Encoding::Other;
}

// Strict: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isUtf8(const char* data, int size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (int i = 0; i < size;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length;
        char32_t codePoint;
        char32_t smallest;
        if ((c & 0xE0) == 0xC0) {
            length = 2, codePoint = c & 0x1F, smallest = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, codePoint = c & 0x0F, smallest = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, codePoint = c & 0x07, smallest = 0x10000;
        } else {
            return false;
        }
        if (length > size - i)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i + k] & 0x3F);
        }
        if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool isAscii(const char* data, int size)
{
    return std::all_of(data, data + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QString fromWindows1252(const char* data, int size)
{
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (int i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        out[i] = QChar(c >= 0x80 && c < 0xA0 ? windows1252High[c - 0x80] : char16_t(c));
    }
    return text;
}

// Up to the first zero code unit; an odd last byte is a cut-off character and dropped.
QString fromUtf16(const QByteArray& bytes, int from, bool littleEndian)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const int units = (bytes.size() - from) / 2;
    QString text(units, Qt::Uninitialized);
    QChar* out = text.data();
    int count = 0;
    for (int i = from; count < units; i += 2) {
        const char16_t unit = littleEndian ? char16_t(p[i] | p[i + 1] << 8) : char16_t(p[i] << 8 | p[i + 1]);
        if (unit == 0)
            break;
        out[count++] = QChar(unit);
    }
    text.truncate(count);
    return text;
}

QString refuse(QString* problem, const QString& reason)
{
    if (problem)
        *problem = reason;
    return QString();
}

} // namespace

QString ManifestDecoder::decode(const QByteArray& bytes, QString* problem)
{
    if (problem)
        problem->clear();
    int markSize = 0;
    switch (encodingByBytes(bytes, &markSize)) {
    case Encoding::Utf16LittleEndian:
        return fromUtf16(bytes, markSize, true);
    case Encoding::Utf16BigEndian:
        return fromUtf16(bytes, markSize, false);
    case Encoding::Utf32:
        return refuse(
            problem, QCoreApplication::translate("ManifestDecoder", "its manifest is in UTF-32, which is not read"));
    default:
        break;
    }
    const int zero = int(bytes.indexOf('\0', markSize));
    const char* const data = bytes.constData() + markSize;
    const int size = (zero < 0 ? int(bytes.size()) : zero) - markSize;
    // Most manifests are ASCII, which every encoding read here reads alike.
    if (isAscii(data, size))
        return QString::fromLatin1(data, size);
    const QByteArray declared = markSize ? QByteArray("utf-8") : declaredEncoding(bytes, 0);
    switch (encodingByName(declared)) {
    case Encoding::Utf8:
        // Bytes that are not UTF-8 were written by a tool that meant its
        // system's code page, on Windows nearly always Windows-1252.
        return isUtf8(data, size) ? Utf8::decode(data, size) : fromWindows1252(data, size);
    case Encoding::Windows1252:
        return fromWindows1252(data, size);
    default:
        return refuse(problem,
            QCoreApplication::translate("ManifestDecoder",
                "its manifest is encoded as %1, which is not read (UTF-8, UTF-16, ISO-8859-1 and Windows-1252 are)")
                .arg(QString::fromLatin1(declared)));
    }
}
