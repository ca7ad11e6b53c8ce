#include "installer/InstallRecord.h"

#include "discovery/DreamweaverInfo.h"
#include "installer/ConfigurationEditor.h"
#include "installer/ConfigurationFile.h"
#include "packages/PackageSupport.h"
#include "platform/CappedFile.h"
#include "platform/Environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// Records of the first version name files by absolute paths and have no end
// line; they are still read, so that what an earlier version installed can
// be removed.
const QByteArray firstHeader = "moravel-install-record 1";
const QByteArray header = "moravel-install-record 2";
// The last line: a record cut short at a line end would otherwise read as a
// whole one that lists less.
const QByteArray endLine = "end";
const QByteArray configurationRoot = "configuration";
const QByteArray homeRoot = "home";

// Fields are separated by single spaces and lines by line breaks, so those
// and "%" are percent-encoded (upper-case hex), with every other control
// byte; the rest, UTF-8 included, stand for themselves, so that a record is
// hardly larger than the markup it holds.
// Which bytes stand for themselves, looked up rather than tested: each
// entry's whole inserted text goes through here.
struct PlainBytes
{
    bool plain[256] = {};
    constexpr PlainBytes()
    {
        for (int u = 0; u < 256; ++u) {
            plain[u] = u > ' ' && u != '%' && u != 0x7f;
        }
    }
};
constexpr PlainBytes plainBytes;

// Each byte as the record writes it, padded to four, and after those how
// many count: a byte is then written without a test of its own, its text and
// length read from one place.
struct EncodedBytes
{
    char text[256][8] = {};
    constexpr EncodedBytes()
    {
        constexpr char hex[] = "0123456789ABCDEF";
        for (int u = 0; u < 256; ++u) {
            if (plainBytes.plain[u]) {
                text[u][0] = char(u);
                text[u][4] = 1;
            } else {
                text[u][0] = '%';
                text[u][1] = hex[u >> 4];
                text[u][2] = hex[u & 15];
                text[u][4] = 3;
            }
        }
    }
};
constexpr EncodedBytes encodedBytes;

// Writes the ASCII character c as the record does, four bytes of which the
// first one or three count, and returns the end of those that count.
char* appendEncoded(char* out, char16_t c)
{
    // The eight bytes read as one number: its first four are stored, and
    // where they come first in it, the length is the number shifted.
    quint64 encoded;
    std::memcpy(&encoded, encodedBytes.text[c], sizeof encoded);
    std::memcpy(out, &encoded, 4);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return out + (encoded >> 32);
#else
    return out + encodedBytes.text[c][4];
#endif
}

char* writeEncoded(char* out, unsigned char u)
{
    static const char hex[] = "0123456789ABCDEF";
    if (plainBytes.plain[u]) {
        *out++ = char(u);
    } else {
        *out++ = '%';
        *out++ = hex[u >> 4];
        *out++ = hex[u & 15];
    }
    return out;
}

// The record's bytes, written into room made ahead of them (the array's
// size, beyond used), so that each field costs no resize of its own.
struct RecordBytes
{
    QByteArray bytes;
    qsizetype used = 0;

    // Room for at least count more bytes after used.
    char* room(qsizetype count)
    {
        if (bytes.size() - used < count) {
            bytes.resize(int(std::max<qsizetype>(2 * bytes.size(), used + count)));
        }
        return bytes.data() + used;
    }
    void append(const char* text, qsizetype length)
    {
        std::memcpy(room(length), text, size_t(length));
        used += length;
    }
    void append(const QByteArray& text) { append(text.constData(), text.size()); }
    void append(char c) { append(&c, 1); }
    QByteArray take()
    {
        bytes.truncate(int(used));
        return std::move(bytes);
    }
};

// Appends the field straight from the text: each entry's whole inserted text
// goes through here, so it makes no copy of its own. ASCII is its own UTF-8;
// from the first other character on, the text is encoded first.
void appendField(RecordBytes& record, const QString& text)
{
    // Read into locals: the bytes written could otherwise be the text's own
    // size for all the compiler knows, and be read again after each one.
    const qsizetype size = text.size();
    // One byte to spare: each character writes four.
    char* out = record.room(3 * size + 1);
    const char16_t* const characters = reinterpret_cast<const char16_t*>(text.constData());
    qsizetype at = 0;
    // Four characters at a time while all four are ASCII, as a record's
    // fields nearly always are: one test then stands for four.
    for (; at + 4 <= size; at += 4) {
        quint64 four = 0;
        std::memcpy(&four, characters + at, sizeof four);
        if (four & 0xff80ff80ff80ff80ull) {
            break;
        }
        for (qsizetype k = at; k < at + 4; ++k) {
            out = appendEncoded(out, characters[k]);
        }
    }
    for (; at < size && characters[at] < 0x80; ++at) {
        out = appendEncoded(out, characters[at]);
    }
    record.used = out - record.bytes.constData();
    if (at == size) {
        return;
    }
    const QByteArray utf8 = QStringView(text).mid(at).toUtf8();
    out = record.room(3 * utf8.size());
    for (const char c : utf8) {
        out = writeEncoded(out, static_cast<unsigned char>(c));
    }
    record.used = out - record.bytes.constData();
}

int hexValue(char c)
{
    return c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'  ? c - 'a' + 10
        : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                : -1;
}

QString text(const QByteArray& field)
{
    // A field of ASCII, each "%" starting two hex digits, as the record
    // writes them, is decoded straight into the text; any other the long way.
    if (field.isEmpty()) {
        return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
    }
    QString decoded(field.size(), Qt::Uninitialized);
    QChar* out = decoded.data();
    const char* const in = field.constData();
    for (qsizetype at = 0; at < field.size(); ++at) {
        int c = static_cast<unsigned char>(in[at]);
        if (c == '%') {
            const int high = at + 2 < field.size() ? hexValue(in[at + 1]) : -1;
            const int low = high < 0 ? -1 : hexValue(in[at + 2]);
            c = low < 0 ? 0x80 : high * 16 + low;
            at += 2;
        }
        if (c >= 0x80) {
            return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
        }
        *out++ = QChar(c);
    }
    decoded.truncate(int(out - decoded.constData()));
    return decoded;
}

// What QByteArray::split gives, as arrays over the bytes' own memory: a
// record of many entries would otherwise make an array of every field.
// out is filled anew, keeping its memory from one line to the next.
void splitInPlace(const char* data, qsizetype size, char separator, QList<QByteArray>& out)
{
    out.clear();
    // Found by memchr, many bytes at a time: an entry's line is mostly its inserted text.
    const char* const end = data + size;
    const char* start = data;
    for (const char* at; (at = static_cast<const char*>(std::memchr(start, separator, size_t(end - start))));
         start = at + 1) {
        out.append(QByteArray::fromRawData(start, int(at - start)));
    }
    out.append(QByteArray::fromRawData(start, int(end - start)));
}

// An entry line's kind word, in the order of InstallReport::EntryKind.
const QList<QByteArray>& entryKinds()
{
    static const QList<QByteArray> kinds { "menu", "item", "shortcut", "category", "taglibrary", "documenttype",
        "toolbar", "toolbaritem", "servermenu", "extensionline", "ftpline" };
    return kinds;
}

} // namespace

QString InstallRecord::recordPath(const QString& storedManifestPath)
{
    return storedManifestPath + QStringLiteral(".record");
}

QString InstallRecord::backupFolder(const QString& storedManifestPath)
{
    return storedManifestPath + QStringLiteral(".backup");
}

QString InstallRecord::pathKey(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
#ifdef Q_OS_WIN
    return clean.toLower();
#else
    return clean;
#endif
}

InstallRecord::Roots InstallRecord::roots(const DreamweaverInfo& dreamweaver, const QString& locale)
{
    return { QDir::cleanPath(dreamweaver.configurationFolder(locale)),
        QDir::cleanPath(Environment::variable("USERPROFILE").replace(QLatin1Char('\\'), QLatin1Char('/'))) };
}

namespace {

// path relative to root, or a null string when it does not lie below it.
QString relativeTo(const QString& root, const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (root.isEmpty() || QDir::isRelativePath(root) || clean.size() <= root.size()
        || InstallRecord::pathKey(clean.left(root.size())) != InstallRecord::pathKey(root)
        || clean.at(root.size()) != QLatin1Char('/')) {
        return QString();
    }
    return clean.mid(root.size() + 1);
}

// A relative path as the record writes it: forward slashes, no step up, no
// empty, "." or drive-like name, so that joined to its root it stays below.
bool isConfinedRelativePath(const QString& path)
{
    if (path.isEmpty() || path.contains(QLatin1Char('\\')) || path.contains(QLatin1Char(':'))) {
        return false;
    }
    const QStringList names = path.split(QLatin1Char('/'));
    return std::none_of(names.cbegin(), names.cend(), [](const QString& name) {
        return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..");
    });
}

} // namespace

bool InstallRecord::read(const QString& path, const Roots& roots, QString* error)
{
    *this = InstallRecord();
    QByteArray bytes;
    if (!CappedFile::read(path, maximumSize, &bytes, error)) {
        return false;
    }
    QList<QByteArray> lines;
    splitInPlace(bytes.constData(), bytes.size(), '\n', lines);
    // A record saved again by an editor that ends lines with CR LF reads as
    // it was written: no field holds a bare CR, which is encoded.
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    const bool first = lines.first() == firstHeader;
    if (!first && lines.first() != header) {
        *error = QStringLiteral("%1 is not an install record this version reads").arg(path);
        return false;
    }
    // The end line, then nothing but the last line break.
    int last = lines.size() - 1;
    while (!first && last > 0 && lines.at(last).isEmpty()) {
        --last;
    }
    if (!first && (lines.at(last) != endLine || last + 2 < lines.size())) {
        *error = QStringLiteral("the install record %1 is cut short or has lines after its end").arg(path);
        return false;
    }
    const auto fail = [&](int number) {
        *error = QStringLiteral("line %1 of the install record %2 cannot be read").arg(number + 1).arg(path);
        *this = InstallRecord();
        return false;
    };
    QList<QByteArray> fields;
    for (int number = 1; number < (first ? lines.size() : last); ++number) {
        splitInPlace(lines.at(number).constData(), lines.at(number).size(), ' ', fields);
        const QByteArray& kind = fields.first();
        bool valid = true;
        if (kind.isEmpty() && fields.size() == 1) {
            continue;
        } else if (kind == "installed" && fields.size() == 2) {
            installedAt = fields.at(1).toLongLong(&valid);
        } else if (kind == "package" && fields.size() == 2 && !first) {
            // Joined to the data folder: it may not lead out of it.
            package = text(fields.at(1));
            valid = isConfinedRelativePath(package);
        } else if (kind == "file" && fields.size() == (first ? 3 : 4)) {
            File file { text(fields.at(first ? 1 : 2)), text(fields.at(first ? 2 : 3)) };
            if (first) {
                valid = QDir::isAbsolutePath(file.path);
            } else {
                const QString& root = fields.at(1) == configurationRoot ? roots.configuration
                    : fields.at(1) == homeRoot                         ? roots.home
                                                                       : QString();
                valid = !root.isEmpty() && isConfinedRelativePath(file.path);
                file.path = root + QLatin1Char('/') + file.path;
            }
            // The backup name is joined to the backup folder: it may not lead out of it.
            valid = valid && (file.backup.isEmpty() || PackageSupport::extractedFileName(file.backup) == file.backup);
            files.append(file);
        } else if ((kind == "menu" && fields.size() == 3) || (kind == "button" && fields.size() == 4)) {
            // Written by earlier versions: one element with its id, straight inside the element named by target.
            const bool menu = kind == "menu";
            const QString id = text(fields.at(1)), target = text(fields.at(2));
            entries.append({ menu ? InstallReport::EntryKind::MenuEntry : InstallReport::EntryKind::InsertbarButton, id,
                target, !menu && fields.at(3) == "created", QLatin1Char('#') + target, QString(), { id }, {} });
        } else if ((kind == "entry" && fields.size() >= 6 && entryKinds().contains(fields.at(1)))
            || (kind == "change" && fields.size() >= 7 && entryKinds().contains(fields.at(1)))) {
            // A "change" names its file before the fields an "entry" has.
            const int shift = kind == "change" ? 1 : 0;
            Entry entry { static_cast<InstallReport::EntryKind>(entryKinds().indexOf(fields.at(1))), QString(),
                text(fields.at(2 + shift)), false, text(fields.at(3 + shift)), text(fields.at(4 + shift)), {},
                shift ? text(fields.at(2)) : QString() };
            // The file is joined to the Configuration folder: it may not lead out of it.
            valid = !shift || isConfinedRelativePath(entry.file);
            for (int i = 5 + shift; i < fields.size(); ++i) {
                entry.ids << text(fields.at(i));
            }
            entry.ids.removeAll(QString());
            // One id, the usual case, is shared rather than joined into a copy.
            entry.id = entry.ids.size() == 1 ? entry.ids.front() : entry.ids.join(QStringLiteral(", "));
            entries.append(std::move(entry));
        } else {
            valid = false;
        }
        if (!valid) {
            return fail(number);
        }
    }
    return true;
}

bool InstallRecord::write(const QString& path, const Roots& roots, QString* error) const
{
    RecordBytes bytes;
    // Room for the whole record made once, from the most its fields can take
    // (three bytes a character) and a little for the words and separators of
    // each line: of a large record only the pages written to are ever
    // touched, where growing it would copy what was written so far.
    qsizetype most = header.size() + endLine.size() + 32 + 3 * package.size();
    for (const File& file : files) {
        most += 24 + 3 * (file.path.size() + file.backup.size());
    }
    for (const Entry& entry : entries) {
        most += 32 + 3 * (entry.file.size() + entry.target.size() + entry.parent.size() + entry.inserted.size());
        most += 3 * entry.id.size();
        for (const QString& id : entry.ids) {
            most += 1 + 3 * id.size();
        }
    }
    bytes.room(most);
    bytes.append(header + "\ninstalled " + QByteArray::number(installedAt) + '\n');
    if (!package.isEmpty()) {
        bytes.append("package ", 8);
        appendField(bytes, package);
        bytes.append('\n');
    }
    for (const File& file : files) {
        // The configuration folder first: it usually lies below the home folder.
        QString relative = relativeTo(roots.configuration, file.path);
        const bool inConfiguration = !relative.isNull();
        if (!inConfiguration) {
            relative = relativeTo(roots.home, file.path);
        }
        if (relative.isNull() || !isConfinedRelativePath(relative)) {
            *error = QStringLiteral("%1 lies neither in the configuration folder nor in the home folder").arg(file.path);
            return false;
        }
        bytes.append("file ", 5);
        bytes.append(inConfiguration ? configurationRoot : homeRoot);
        bytes.append(' ');
        appendField(bytes, relative);
        bytes.append(' ');
        appendField(bytes, file.backup);
        bytes.append('\n');
    }
    const QList<QByteArray>& kinds = entryKinds();
    for (const Entry& entry : entries) {
        if (entry.inserted.isEmpty()) {
            // Kept as an earlier version wrote it, until its removal.
            bytes.append(
                entry.kind == InstallReport::EntryKind::MenuEntry ? QByteArray("menu ") : QByteArray("button "));
            appendField(bytes, entry.id);
            bytes.append(' ');
            appendField(bytes, entry.target);
            bytes.append(entry.kind == InstallReport::EntryKind::MenuEntry ? QByteArray()
                    : entry.createdTarget                                  ? QByteArray(" created")
                                                                           : QByteArray(" found"));
            bytes.append('\n');
            continue;
        }
        if (entry.file.isEmpty()) {
            bytes.append("entry ", 6);
        } else {
            bytes.append("change ", 7);
        }
        bytes.append(kinds.at(static_cast<int>(entry.kind)));
        bytes.append(' ');
        if (!entry.file.isEmpty()) {
            appendField(bytes, entry.file);
            bytes.append(' ');
        }
        appendField(bytes, entry.target);
        bytes.append(' ');
        appendField(bytes, entry.parent);
        bytes.append(' ');
        appendField(bytes, entry.inserted);
        // A block of comments alone has no id; an empty field keeps the line's shape.
        if (entry.ids.isEmpty()) {
            bytes.append(' ');
        }
        for (const QString& id : entry.ids) {
            bytes.append(' ');
            appendField(bytes, id);
        }
        bytes.append('\n');
    }
    bytes.append(endLine + '\n');
    if (bytes.used > maximumSize) {
        *error = QStringLiteral("the install record %1 would pass the %2 MiB a record may take")
                     .arg(path)
                     .arg(maximumSize / (1024 * 1024));
        return false;
    }
    return ConfigurationFile::writeWhole(path, bytes.take(), error);
}

void InstallRecord::addAddedEntries(const InstallReport& report, int first, const QString& configurationFolder)
{
    const QList<InstallReport::EntryResult> results = report.entries();
    // Files other than Menus.xml and insertbar.xml are named, relative to the
    // Configuration folder, so that the record stays good if that folder moves.
    const QString configuration = configurationFolder + QLatin1Char('/');
    // Room for them all at once, rather than as the list grows.
    entries.reserve(entries.size() + results.size() - first);
    for (int i = first; i < results.size(); ++i) {
        const InstallReport::EntryResult& entry = results.at(i);
        if (entry.outcome != InstallReport::EntryOutcome::Added)
            continue;
        const QString file = ConfigurationEditor::editsMenus(entry.kind)
                || entry.kind == InstallReport::EntryKind::InsertbarButton
                || entry.kind == InstallReport::EntryKind::InsertbarCategory
            ? QString()
            : entry.path.mid(configuration.size());
        addEntry({ entry.kind, entry.id, entry.target, entry.createdTarget, entry.parent, entry.inserted, entry.ids,
            file });
    }
}

int InstallRecord::indexOf(const QString& path) const
{
    const QString key = pathKey(path);
    for (int i = 0; i < files.size(); ++i) {
        if (pathKey(files.at(i).path) == key) {
            return i;
        }
    }
    return -1;
}

QString InstallRecord::backUp(const QString& path, const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        return QString();
    }
    int number = 1;
    while (QFileInfo::exists(folder + QLatin1Char('/') + QString::number(number))) {
        ++number;
    }
    // QFile::copy writes a temporary file and renames it: a failed copy leaves no partial backup.
    const QString name = QString::number(number);
    return QFile::copy(path, folder + QLatin1Char('/') + name) ? name : QString();
}

void InstallRecord::addEntry(const Entry& entry)
{
    addEntry(Entry(entry));
}

void InstallRecord::addEntry(Entry&& entry)
{
    // Entries that differ mostly differ in their ids, or else in the end of
    // their text, where a block's own elements lie: the key reads those and
    // the lengths of the rest, not every field whole, since each entry of a
    // large package is keyed once. Equal keys are compared in full.
    const auto key = [](const Entry& e) {
        quint64 hash = 14695981039346656037ull;
        // Four characters to a step, each step's high half folded down so
        // that every character reaches the low bits a slot is taken from.
        const auto mix = [&hash](QStringView text) {
            const QChar* at = text.data();
            qsizetype left = text.size();
            for (; left >= 4; left -= 4, at += 4) {
                quint64 four = 0;
                std::memcpy(&four, at, sizeof four);
                hash = (hash ^ four) * 1099511628211ull;
                hash ^= hash >> 32;
            }
            for (; left > 0; --left, ++at) {
                hash = (hash ^ at->unicode()) * 1099511628211ull;
            }
        };
        mix(e.id);
        mix(QStringView(e.inserted).right(std::min<qsizetype>(e.inserted.size(), 24)));
        for (const qsizetype length : { e.target.size(), e.parent.size(), e.inserted.size(), e.file.size() }) {
            hash = (hash ^ quint64(length)) * 1099511628211ull;
        }
        return size_t(hash ^ (hash >> 29)) ^ size_t(e.kind) * 13;
    };
    if (m_indexedEntries != entries.size()) {
        m_entrySlots.clear();
        for (int i = 0; i < entries.size(); ++i) {
            indexEntry(key(entries.at(i)), i);
        }
        m_indexedEntries = entries.size();
    }
    const size_t entryKey = key(entry);
    const size_t mask = m_entrySlots.size() - 1;
    for (size_t slot = entryKey & mask; !m_entrySlots.empty() && m_entrySlots[slot].second >= 0;
         slot = (slot + 1) & mask) {
        if (m_entrySlots[slot].first != entryKey) {
            continue;
        }
        const Entry& held = entries.at(m_entrySlots[slot].second);
        if (held.kind == entry.kind && held.id == entry.id && held.target == entry.target && held.parent == entry.parent
            && held.inserted == entry.inserted && held.file == entry.file) {
            return;
        }
    }
    indexEntry(entryKey, entries.size());
    entries.append(std::move(entry));
    m_indexedEntries = entries.size();
}

void InstallRecord::indexEntry(size_t key, int number)
{
    if (2 * size_t(number + 1) > m_entrySlots.size()) {
        std::vector<std::pair<size_t, int>> held(std::max<size_t>(64, 2 * m_entrySlots.size()), { 0, -1 });
        held.swap(m_entrySlots);
        const size_t mask = m_entrySlots.size() - 1;
        for (const auto& [heldKey, heldNumber] : held) {
            if (heldNumber >= 0) {
                size_t slot = heldKey & mask;
                while (m_entrySlots[slot].second >= 0) {
                    slot = (slot + 1) & mask;
                }
                m_entrySlots[slot] = { heldKey, heldNumber };
            }
        }
    }
    const size_t mask = m_entrySlots.size() - 1;
    size_t slot = key & mask;
    while (m_entrySlots[slot].second >= 0) {
        slot = (slot + 1) & mask;
    }
    m_entrySlots[slot] = { key, number };
}

bool InstallRecord::moveOver(const QString& from, const QString& to)
{
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        return false;
    }
    // std::filesystem::rename replaces an existing target; QFile::rename refuses to.
#ifdef Q_OS_WIN
    const std::filesystem::path source(from.toStdWString()), target(to.toStdWString());
#else
    const std::filesystem::path source(QFile::encodeName(from).toStdString()),
        target(QFile::encodeName(to).toStdString());
#endif
    std::error_code error;
    std::filesystem::rename(source, target, error);
    return !error;
}
