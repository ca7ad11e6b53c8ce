#include "platform/WineRegistry.h"

#include "platform/CappedFile.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads from position up to an unescaped endChar, undoing Wine's escapes the
// way Wine reads them back: "\x" takes up to four hex digits (a UTF-16 code
// unit), "\" and an octal digit up to three octal digits, the C letters
// their control characters, and any other escaped character stands for
// itself. Other bytes are Latin-1, since Wine escapes everything above 127.
// Returns the position after endChar, or -1 when the line ends first.
int readEscaped(const QByteArray& bytes, int position, int end, char endChar, QString* text)
{
    static const char letters[] = "a\ab\be\x1b"
                                  "f\fn\nr\rt\tv\v";
    text->clear();
    while (position < end) {
        const char c = bytes.at(position++);
        if (c == endChar)
            return position;
        if (c != '\\') {
            text->append(QLatin1Char(c));
            continue;
        }
        if (position == end)
            return -1;
        const char escaped = bytes.at(position++);
        ushort unit = uchar(escaped);
        if (escaped == 'x' && position < end && hexValue(bytes.at(position)) >= 0) {
            unit = 0;
            for (int digits = 0; digits < 4 && position < end && hexValue(bytes.at(position)) >= 0; ++digits)
                unit = ushort(unit * 16 + hexValue(bytes.at(position++)));
        } else if (escaped >= '0' && escaped <= '7') {
            unit = ushort(escaped - '0');
            for (int digits = 1; digits < 3 && position < end && bytes.at(position) >= '0' && bytes.at(position) <= '7';
                 ++digits)
                unit = ushort(unit * 8 + (bytes.at(position++) - '0'));
        } else {
            for (int i = 0; letters[i]; i += 2) {
                if (letters[i] == escaped)
                    unit = uchar(letters[i + 1]);
            }
        }
        text->append(QChar(unit));
    }
    return -1;
}

bool startsWithAt(const QByteArray& bytes, int position, int end, const char* prefix)
{
    for (; *prefix; ++prefix, ++position) {
        if (position >= end || bytes.at(position) != *prefix)
            return false;
    }
    return true;
}

// The value line [position, end): false when it is none. A value whose data
// has no text form is found with an empty text.
bool readValue(const QByteArray& bytes, int position, int end, QString* name, QString* text)
{
    name->clear();
    text->clear();
    if (position < end && bytes.at(position) == '@')
        ++position;
    else if (position < end && bytes.at(position) == '"')
        position = readEscaped(bytes, position + 1, end, '"', name);
    else
        return false;
    if (position < 0 || position >= end || bytes.at(position) != '=')
        return false;
    ++position;
    if (startsWithAt(bytes, position, end, "dword:")) {
        const QByteArray digits = bytes.mid(position + 6, end - position - 6);
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (ok)
            *text = QString::number(number);
        return true;
    }
    if (startsWithAt(bytes, position, end, "\""))
        position += 1;
    else if (startsWithAt(bytes, position, end, "str(1):\"") || startsWithAt(bytes, position, end, "str(2):\""))
        position += 8;
    else
        return true;
    return readEscaped(bytes, position, end, '"', text) >= 0;
}

// Wine writes no leading or trailing "\" and matches key names in any case.
QString comparableKey(const QString& keyPath)
{
    int first = 0;
    int last = keyPath.size();
    while (first < last && keyPath.at(first) == QLatin1Char('\\'))
        ++first;
    while (last > first && keyPath.at(last - 1) == QLatin1Char('\\'))
        --last;
    return keyPath.mid(first, last - first).toLower();
}

} // namespace

bool WineRegistry::load(const QString& path)
{
    QByteArray bytes;
    if (!CappedFile::read(path, maximumSize, &bytes, &m_error)) {
        m_bytes.clear();
        return false;
    }
    if (!parse(bytes)) {
        m_error = path + QStringLiteral(": ") + m_error;
        return false;
    }
    return true;
}

bool WineRegistry::parse(const QByteArray& bytes)
{
    m_bytes.clear();
    m_64Bit = false;
    m_error.clear();
    // What Wine itself demands of the first line before it reads a registry file.
    const int firstEnd = bytes.indexOf('\n');
    QByteArray first = bytes.left(firstEnd < 0 ? bytes.size() : firstEnd);
    if (first.endsWith('\r'))
        first.chop(1);
    if (first != "WINE REGISTRY Version 2") {
        m_error = QStringLiteral("not a registry file of Wine (no \"WINE REGISTRY Version 2\" line)");
        return false;
    }
    m_bytes = bytes;
    // The architecture line comes before the first key.
    for (int position = firstEnd + 1; position > 0 && position < m_bytes.size();) {
        const int end = m_bytes.indexOf('\n', position);
        if (m_bytes.at(position) == '[')
            break;
        if (startsWithAt(m_bytes, position, end < 0 ? m_bytes.size() : end, "#arch=win64"))
            m_64Bit = true;
        position = end < 0 ? -1 : end + 1;
    }
    return true;
}

QString WineRegistry::value(const QString& keyPath, const QString& valueName) const
{
    const QString wanted = comparableKey(keyPath);
    QString found;
    bool inKey = false;
    QString name;
    QString text;
    for (int position = 0; position < m_bytes.size();) {
        int end = m_bytes.indexOf('\n', position);
        const int next = end < 0 ? m_bytes.size() : end + 1;
        end = end < 0 ? m_bytes.size() : end;
        if (position < end && m_bytes.at(position) == '[') {
            // Wine merges a key written twice, the later values winning.
            inKey = readEscaped(m_bytes, position + 1, end, ']', &name) >= 0 && comparableKey(name) == wanted;
        } else if (inKey && readValue(m_bytes, position, end, &name, &text)
            && name.compare(valueName, Qt::CaseInsensitive) == 0) {
            found = text;
        }
        position = next;
    }
    return found;
}

QString WineRegistry::lookUp(const QString& keyPath, const QString& valueName, View view) const
{
    if (view == View::Bits64)
        return value(keyPath, valueName);
    const QString software = QStringLiteral("Software\\");
    const QString redirected = QStringLiteral("Wow6432Node\\");
    QString key = keyPath;
    if (m_64Bit && key.startsWith(software, Qt::CaseInsensitive)
        && !QStringView(key).mid(software.size()).startsWith(redirected, Qt::CaseInsensitive))
        key.insert(software.size(), redirected);
    return value(key, valueName);
}
