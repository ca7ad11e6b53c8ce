#include "installer/InstallRecord.h"

#include "discovery/DreamweaverInfo.h"
#include "installer/ConfigurationFile.h"
#include "packages/PackageSupport.h"
#include "platform/CappedFile.h"
#include "platform/Environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
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
// and "%" are percent-encoded, with every other control byte; the rest,
// UTF-8 included, stand for themselves, so that a record is hardly larger
// than the markup it holds.
void appendField(QByteArray& record, const QString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > ' ' && byte != '%' && byte != 0x7f) {
            record += c;
        } else {
            record += '%';
            record += hex[byte >> 4];
            record += hex[byte & 15];
        }
    }
}

QString text(const QByteArray& field)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
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
    lines = bytes.split('\n');
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
        fields = lines.at(number).split(' ');
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
                    : fields.at(1) == homeRoot                          ? roots.home
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
    QByteArray bytes;
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
            *error
                = QStringLiteral("%1 lies neither in the configuration folder nor in the home folder").arg(file.path);
            return false;
        }
        bytes.append("file ");
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
            bytes.append("entry ");
        } else {
            bytes.append("change ");
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
    if (bytes.size() > maximumSize) {
        *error = QStringLiteral("the install record %1 would pass the %2 MiB a record may take")
                     .arg(path)
                     .arg(maximumSize / (1024 * 1024));
        return false;
    }
    return ConfigurationFile::writeWhole(path, bytes, error);
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

void InstallRecord::addEntry(Entry&& entry)
{
    const auto key = [](const Entry& e) {
        return size_t(qHash(e.id, 1)) ^ size_t(qHash(e.inserted, 2)) ^ size_t(qHash(e.target, 3))
            ^ size_t(qHash(e.parent, 4)) ^ size_t(qHash(e.file, 5)) ^ size_t(e.kind);
    };
    if (m_indexedEntries != entries.size()) {
        m_entryIndex.clear();
        for (int i = 0; i < entries.size(); ++i)
            m_entryIndex.insert(key(entries.at(i)), i);
    }
    const size_t entryKey = key(entry);
    for (auto found = m_entryIndex.constFind(entryKey); found != m_entryIndex.constEnd() && found.key() == entryKey;
         ++found) {
        const Entry& held = entries.at(found.value());
        if (held.kind == entry.kind && held.id == entry.id && held.target == entry.target && held.parent == entry.parent
            && held.inserted == entry.inserted && held.file == entry.file)
            return;
    }
    m_entryIndex.insert(entryKey, entries.size());
    entries.append(std::move(entry));
    m_indexedEntries = entries.size();
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
