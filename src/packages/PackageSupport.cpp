#include "packages/PackageSupport.h"

#include "packages/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QtDebug>

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace PackageSupport {

qint64 maxInflatedSize(qint64 compressedSize)
{
    return compressedSize * 1032 + 64;
}

QString decodeEntryName(const QByteArray& bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

void warnLongName(const QString& format, const QByteArray& nameBytes)
{
    qWarning().noquote() << QStringLiteral("%1 entry \"%2...\": its name is longer than %3 bytes; it is skipped")
                                .arg(format, decodeEntryName(nameBytes.left(maxNameLength)))
                                .arg(maxNameLength);
}

bool hasMxiSuffix(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.mid(dot + 1).toLower() == QLatin1String("mxi");
}

QString extractedFileName(const QString& entryName)
{
    const int separator = qMax(entryName.lastIndexOf(QLatin1Char('/')), entryName.lastIndexOf(QLatin1Char('\\')));
    const QString name = entryName.mid(separator + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

InflateStatus inflateBounded(
    StreamFormat format, const char* input, qint64 inputSize, char* output, qint64 capacity, qint64& produced)
{
    produced = 0;
    // zlib counts in 32-bit units; callers cap sizes far below this.
    if (inputSize < 0 || capacity < 0 || inputSize > std::numeric_limits<uInt>::max()
        || capacity > std::numeric_limits<uInt>::max())
        return InflateStatus::Failed;

    z_stream stream = {};
    if (inflateInit2(&stream, format == StreamFormat::RawDeflate ? -MAX_WBITS : MAX_WBITS) != Z_OK)
        return InflateStatus::InitFailed;

    // zlib rejects a null output pointer even when there is no room to fill.
    char spare = 0;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
    stream.avail_in = static_cast<uInt>(inputSize);
    stream.next_out = reinterpret_cast<Bytef*>(capacity > 0 ? output : &spare);
    stream.avail_out = static_cast<uInt>(capacity);

    int result = inflate(&stream, Z_FINISH);
    if (result == Z_BUF_ERROR && stream.avail_out == 0) {
        // The output is full, but the stream may still end without yielding
        // another byte (its end-of-block code is not read yet). One byte of
        // room tells a stream that ends apart from one that would overflow.
        const uLong before = stream.total_out;
        stream.next_out = reinterpret_cast<Bytef*>(&spare);
        stream.avail_out = 1;
        result = inflate(&stream, Z_FINISH);
        if (stream.total_out != before)
            result = Z_BUF_ERROR;
    }
    produced = qMin<qint64>(static_cast<qint64>(stream.total_out), capacity);
    inflateEnd(&stream);
    return result == Z_STREAM_END ? InflateStatus::Complete : InflateStatus::Failed;
}

QString comparableEntryName(const QString& name)
{
    QString comparable = name;
    comparable.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (comparable.startsWith(QLatin1String("./")))
        comparable.remove(0, 2);
    return comparable.toCaseFolded();
}

QString withExistingCase(const QString& root, const QStringList& names)
{
    QString path = root;
    for (const QString& name : names) {
        QString spelt = name;
        const QString joined = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        if (!QFileInfo::exists(joined + name)) {
            const QStringList existing = QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            const auto found = std::find_if(existing.cbegin(), existing.cend(),
                [&](const QString& other) { return other.compare(name, Qt::CaseInsensitive) == 0; });
            spelt = found == existing.cend() ? name : *found;
        }
        path = joined + spelt;
    }
    return path;
}

QString withExistingCase(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    QString existing = QDir::cleanPath(path);
    QStringList rest;
    while (!QFileInfo::exists(existing)) {
        const int slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return path;
        rest.prepend(existing.mid(slash + 1));
        existing = slash == 0 ? QStringLiteral("/") : existing.left(slash);
    }
    return withExistingCase(existing, rest);
}

bool writeFileAtomically(const QString& folder, const QString& fileName, const QByteArray& data)
{
    const QString spelt = withExistingCase(folder);
    if (!QDir().mkpath(spelt))
        return false;
    AtomicFile file(spelt + QLatin1Char('/') + fileName);
    return file.open() && file.write(data) && file.commit();
}

} // namespace PackageSupport
