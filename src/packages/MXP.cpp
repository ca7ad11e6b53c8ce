#include "packages/MXP.h"

#include "packages/AtomicFile.h"
#include "packages/PackageSupport.h"

#include <QDir>
#include <QFileInfo>

using namespace PackageSupport;

namespace {

constexpr int fileHeaderSize = 8;
constexpr int reservedSize = 20;

} // namespace

MXP::MXP(const QString& path)
    : m_file(path)
{
    // Opening a FIFO would wait for a writer that may never come.
    if (QFileInfo(path).isFile() && m_file.open(QIODevice::ReadOnly)) {
        m_stream.setDevice(&m_file);
        m_stream.setByteOrder(QDataStream::LittleEndian);
        readIndex();
    }
}

MXP::~MXP() = default;

QString MXP::mxiFileName() const
{
    return m_mxiName;
}

QStringList MXP::entryNames() const
{
    return m_entryIndex.keys();
}

// Reads a record's name and reserved bytes. A name longer than the limit is
// read only as far as a warning shows it, and tooLong is set.
bool MXP::readRecordHead(QByteArray& nameBytes, bool& tooLong)
{
    qint32 length = 0;
    m_stream >> length;
    if (m_stream.status() != QDataStream::Ok || length < 0 || length > m_file.size() - m_file.pos())
        return false;
    tooLong = length > maxNameLength;
    const int kept = tooLong ? maxNameLength : length;
    nameBytes.resize(kept);
    if (m_stream.readRawData(nameBytes.data(), kept) != kept || m_stream.skipRawData(length - kept) != length - kept)
        return false;
    return m_stream.skipRawData(reservedSize) == reservedSize;
}

bool MXP::readIndex()
{
    if (m_stream.skipRawData(fileHeaderSize) != fileHeaderSize)
        return false;
    while (!m_stream.atEnd()) {
        const qint64 position = m_file.pos();
        QByteArray nameBytes;
        bool tooLong = false;
        if (!readRecordHead(nameBytes, tooLong))
            return false;
        // One overlong name costs that record alone; the scan goes on past it.
        if (tooLong) {
            warnLongName(QStringLiteral("MXP"), nameBytes);
        } else {
            const QString name = decodeEntryName(nameBytes).replace(QLatin1Char('\\'), QLatin1Char('/'));
            m_entryIndex.insert(name, position);
            if (hasMxiSuffix(name))
                m_mxiName = name;
        }

        // Skip the chunk list; the record is indexed even if it is damaged.
        qint32 uncompressed = 0;
        qint32 compressed = 0;
        m_stream >> uncompressed >> compressed;
        if (m_stream.atEnd())
            continue;
        while (uncompressed > 0 && compressed > 0) {
            if (m_stream.skipRawData(compressed) != compressed)
                return false;
            m_stream >> uncompressed >> compressed;
            if (m_stream.atEnd())
                break;
        }
    }
    return true;
}

bool MXP::seekToChunks(const QString& entryName)
{
    if (!m_file.isOpen() || m_entryIndex.isEmpty())
        return false;
    const auto found = m_entryIndex.constFind(entryName);
    if (found == m_entryIndex.constEnd())
        return false;
    m_stream.resetStatus();
    if (!m_file.seek(found.value()))
        return false;
    QByteArray nameBytes;
    bool tooLong = false;
    return readRecordHead(nameBytes, tooLong);
}

// Reads the chunk header at the stream position and, when it starts a chunk,
// appends that chunk's output. finished is set when the list has ended.
bool MXP::readNextChunk(QByteArray& output, bool& finished, qint64& total)
{
    qint32 uncompressed = 0;
    qint32 compressed = 0;
    m_stream >> uncompressed >> compressed;
    finished = m_stream.atEnd() || uncompressed <= 0 || compressed <= 0;
    if (finished)
        return true;

    // Both sizes are untrusted: check them against the caps and against what
    // the rest of the file can hold before allocating for either.
    if (compressed > m_file.size() - m_file.pos() || uncompressed > maxEntrySize || uncompressed > maxEntrySize - total
        || uncompressed > maxInflatedSize(compressed))
        return false;
    QByteArray data(compressed, Qt::Uninitialized);
    if (m_stream.readRawData(data.data(), compressed) != compressed)
        return false;

    // The declared size bounds the output: a stream that would yield more is
    // refused rather than followed.
    output.resize(uncompressed);
    qint64 produced = 0;
    const InflateStatus status
        = inflateBounded(StreamFormat::Zlib, data.constData(), compressed, output.data(), uncompressed, produced);
    if (status != InflateStatus::Complete || produced == 0)
        return false;
    output.truncate(int(produced));
    total += produced;
    return true;
}

QByteArray MXP::readFile(const QString& entryName)
{
    if (!seekToChunks(entryName))
        return QByteArray();
    QByteArray contents;
    QByteArray chunk;
    qint64 total = 0;
    for (;;) {
        bool finished = false;
        if (!readNextChunk(chunk, finished, total))
            return QByteArray();
        if (finished)
            return contents;
        contents.append(chunk);
    }
}

bool MXP::checkFile(const QString& entryName)
{
    if (!seekToChunks(entryName))
        return false;
    // A chunk at a time, as extraction goes: nothing is kept.
    QByteArray chunk;
    qint64 total = 0;
    for (;;) {
        bool finished = false;
        if (!readNextChunk(chunk, finished, total))
            return false;
        if (finished)
            return true;
    }
}

qint64 MXP::entrySize(const QString& entryName)
{
    if (!seekToChunks(entryName))
        return -1;
    // A chunk yields at most its declared size, so the sum bounds the file
    // without inflating anything.
    qint64 total = 0;
    for (;;) {
        qint32 uncompressed = 0;
        qint32 compressed = 0;
        m_stream >> uncompressed >> compressed;
        if (m_stream.atEnd() || uncompressed <= 0 || compressed <= 0)
            return total;
        if (m_stream.skipRawData(compressed) != compressed)
            return -1;
        total += uncompressed;
    }
}

bool MXP::extractFile(const QString& entryName, const QString& folder)
{
    const QString fileName = extractedFileName(entryName);
    if (fileName.isEmpty() || !seekToChunks(entryName))
        return false;

    // Chunks go straight into the temporary file, so memory holds one chunk
    // at a time; the target appears only when the whole entry was written.
    QByteArray chunk;
    qint64 total = 0;
    bool finished = false;
    if (!readNextChunk(chunk, finished, total))
        return false;
    const QString spelt = withExistingCase(folder);
    if (!QDir().mkpath(spelt))
        return false;
    AtomicFile file(spelt + QLatin1Char('/') + fileName);
    if (!file.open())
        return false;
    while (!finished) {
        if (!file.write(chunk) || !readNextChunk(chunk, finished, total))
            return false;
    }
    return file.commit();
}
