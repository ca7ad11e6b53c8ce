#include "packages/ZXP.h"

#include "packages/PackageSupport.h"

#include <QFileInfo>
#include <QtDebug>
#include <QtEndian>

#include <zlib.h>

using namespace PackageSupport;

namespace {

constexpr quint32 endSignature = 0x06054B50;
constexpr quint32 centralSignature = 0x02014B50;
constexpr quint32 localSignature = 0x04034B50;
constexpr qint64 endRecordSize = 22;
constexpr qint64 maxCommentLength = 0xFFFF;
constexpr qint64 centralHeaderSize = 46;
constexpr qint64 localHeaderSize = 30;

constexpr quint16 encryptedFlags = 0x0001 | 0x0040; // traditional and strong encryption
constexpr quint16 methodStored = 0;
constexpr quint16 methodDeflated = 8;

quint16 u16(const QByteArray& block, int offset)
{
    return qFromLittleEndian<quint16>(block.constData() + offset);
}

quint32 u32(const QByteArray& block, int offset)
{
    return qFromLittleEndian<quint32>(block.constData() + offset);
}

// Reads exactly size bytes at position; an empty array when they are not all there.
QByteArray readAt(QFile& file, qint64 position, qint64 size)
{
    if (position < 0 || !file.seek(position))
        return QByteArray();
    QByteArray block = file.read(size);
    return block.size() == size ? block : QByteArray();
}

void warnEntry(const QString& entryName, const QString& reason)
{
    qWarning().noquote() << QStringLiteral("ZXP entry \"%1\": %2").arg(entryName, reason);
}

} // namespace

ZXP::ZXP(const QString& path)
    : m_file(path)
{
    // Opening a FIFO would wait for a writer that may never come.
    if (QFileInfo(path).isFile() && m_file.open(QIODevice::ReadOnly))
        readIndex();
}

ZXP::~ZXP() = default;

QString ZXP::mxiFileName() const
{
    return m_mxiName;
}

QStringList ZXP::entryNames() const
{
    return m_entryIndex.keys();
}

bool ZXP::readIndex()
{
    if (!m_file.reset())
        return false;
    m_fileSize = m_file.size();
    if (m_fileSize < endRecordSize)
        return false;

    // The end record is the last one whose comment runs exactly to the end of
    // the file. The tail is read once and searched in memory.
    const qint64 tailStart = qMax<qint64>(0, m_fileSize - endRecordSize - maxCommentLength);
    const QByteArray tail = readAt(m_file, tailStart, m_fileSize - tailStart);
    if (tail.isEmpty())
        return false;
    qint64 end = -1;
    for (int offset = tail.size() - int(endRecordSize); offset >= 0; --offset) {
        if (u32(tail, offset) == endSignature && offset + endRecordSize + u16(tail, offset + 20) == tail.size()) {
            end = offset;
            break;
        }
    }
    if (end < 0)
        return false;

    const quint16 count = u16(tail, int(end) + 10);
    const quint32 directorySize = u32(tail, int(end) + 12);
    const quint32 directoryOffset = u32(tail, int(end) + 16);
    // Saturated fields mean the real values live in ZIP64 records.
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        qWarning().noquote()
            << QStringLiteral("ZXP archive \"%1\": ZIP64 archives are not supported").arg(m_file.fileName());
        return false;
    }

    qint64 position = directoryOffset;
    for (int i = 0; i < count; ++i) {
        const QByteArray header = readAt(m_file, position, centralHeaderSize);
        if (header.isEmpty() || u32(header, 0) != centralSignature)
            return false;
        const quint16 nameLength = u16(header, 28);
        const QByteArray nameBytes = m_file.read(nameLength);
        if (nameBytes.size() != nameLength)
            return false;
        position += centralHeaderSize + nameLength + u16(header, 30) + u16(header, 32);
        // One overlong name costs that entry alone; the walk goes on past it.
        if (nameLength > maxNameLength) {
            warnLongName(QStringLiteral("ZXP"), nameBytes);
            continue;
        }

        Entry entry;
        entry.flags = u16(header, 8);
        entry.method = u16(header, 10);
        entry.crc32 = u32(header, 16);
        entry.compressedSize = u32(header, 20);
        entry.uncompressedSize = u32(header, 24);
        entry.localHeaderOffset = u32(header, 42);
        const QString name = decodeEntryName(nameBytes);
        m_entryIndex.insert(name, entry);
        if (hasMxiSuffix(name))
            m_mxiName = name;
    }
    return true;
}

const ZXP::Entry* ZXP::findEntry(const QString& entryName) const
{
    if (!m_file.isOpen() || m_entryIndex.isEmpty())
        return nullptr;
    const auto found = m_entryIndex.constFind(entryName);
    return found == m_entryIndex.constEnd() ? nullptr : &found.value();
}

bool ZXP::readLocalHeader(const QString& entryName, const Entry& entry, qint64& dataStart)
{
    const qint64 headerPosition = entry.localHeaderOffset;
    const QByteArray header = readAt(m_file, headerPosition, localHeaderSize);
    if (header.isEmpty() || u32(header, 0) != localSignature)
        return false;
    const quint16 nameLength = u16(header, 26);
    if (nameLength > maxNameLength)
        return false;
    const QByteArray nameBytes = m_file.read(nameLength);
    if (nameBytes.size() != nameLength)
        return false;
    // The index, the report and removal all go by the central name: an entry
    // whose local header names something else could be written over another file.
    const QString localName = decodeEntryName(nameBytes);
    if (localName != entryName) {
        warnEntry(entryName, QStringLiteral("its local header names it \"%1\"").arg(localName));
        return false;
    }
    dataStart = headerPosition + localHeaderSize + nameLength + u16(header, 28);
    return true;
}

bool ZXP::readEntryData(const QString& entryName, const Entry& entry, qint64 dataStart, QByteArray& data)
{
    if (entry.flags & encryptedFlags) {
        warnEntry(entryName, QStringLiteral("encrypted entries are not supported"));
        return false;
    }
    if (entry.compressedSize == 0xFFFFFFFF || entry.uncompressedSize == 0xFFFFFFFF
        || entry.localHeaderOffset == 0xFFFFFFFF) {
        warnEntry(entryName, QStringLiteral("ZIP64 entries are not supported"));
        return false;
    }
    if (entry.method != methodStored && entry.method != methodDeflated) {
        warnEntry(entryName, QStringLiteral("compression method %1 is not supported").arg(entry.method));
        return false;
    }

    // The recorded sizes are untrusted: they must fit the caps and the file
    // before anything is allocated for them.
    const qint64 compressedSize = entry.compressedSize;
    const qint64 uncompressedSize = entry.uncompressedSize;
    if (compressedSize > m_fileSize - dataStart) {
        warnEntry(entryName, QStringLiteral("its data runs past the end of the file"));
        return false;
    }
    if (uncompressedSize > maxEntrySize || compressedSize > maxEntrySize) {
        warnEntry(entryName, QStringLiteral("its recorded size exceeds the limit"));
        return false;
    }
    if (entry.method == methodStored && compressedSize != uncompressedSize) {
        warnEntry(entryName, QStringLiteral("its stored size does not match its size"));
        return false;
    }
    if (entry.method == methodDeflated && uncompressedSize > maxInflatedSize(compressedSize)) {
        warnEntry(entryName, QStringLiteral("its recorded size is more than its data can hold"));
        return false;
    }
    if (!m_file.seek(dataStart))
        return false;

    // Into the caller's array as it is: one kept across entries keeps its
    // memory, and so does the buffer of compressed data.
    QByteArray& output = data;
    output.resize(int(uncompressedSize));
    if (entry.method == methodStored) {
        if (m_file.read(output.data(), uncompressedSize) != uncompressedSize)
            return false;
    } else {
        m_compressed.resize(int(compressedSize));
        if (m_file.read(m_compressed.data(), compressedSize) != compressedSize)
            return false;
        qint64 produced = 0;
        const InflateStatus status = inflateBounded(StreamFormat::RawDeflate, m_compressed.constData(), compressedSize,
            output.data(), uncompressedSize, produced);
        if (status == InflateStatus::InitFailed) {
            qWarning("inflateInit2: error");
            return false;
        }
        if (status != InflateStatus::Complete) {
            qWarning("inflate: error");
            return false;
        }
        if (produced != uncompressedSize) {
            warnEntry(entryName, QStringLiteral("%1 bytes inflated, %2 recorded").arg(produced).arg(uncompressedSize));
            return false;
        }
    }

    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(output.constData()), uInt(output.size())));
    if (crc != entry.crc32) {
        warnEntry(entryName, QStringLiteral("CRC-32 mismatch"));
        return false;
    }
    return true;
}

QByteArray ZXP::readFile(const QString& entryName)
{
    const Entry* entry = findEntry(entryName);
    qint64 dataStart = 0;
    QByteArray data;
    if (!entry || !readLocalHeader(entryName, *entry, dataStart) || !readEntryData(entryName, *entry, dataStart, data))
        return QByteArray();
    return data;
}

bool ZXP::checkFile(const QString& entryName)
{
    const Entry* entry = findEntry(entryName);
    qint64 dataStart = 0;
    return entry && readLocalHeader(entryName, *entry, dataStart)
        && readEntryData(entryName, *entry, dataStart, m_extracted);
}

qint64 ZXP::entrySize(const QString& entryName)
{
    const Entry* entry = findEntry(entryName);
    return entry ? qint64(entry->uncompressedSize) : -1;
}

bool ZXP::extractFile(const QString& entryName, const QString& folder)
{
    m_writeFailure = FileFailure();
    const Entry* entry = findEntry(entryName);
    qint64 dataStart = 0;
    if (!entry || !readLocalHeader(entryName, *entry, dataStart))
        return false;
    // Only the last component names the file, so nothing lands outside folder.
    const QString fileName = extractedFileName(entryName);
    if (fileName.isEmpty()) {
        warnEntry(entryName, QStringLiteral("its name names no file to write"));
        return false;
    }
    return readEntryData(entryName, *entry, dataStart, m_extracted)
        && writeFileAtomically(folder, fileName, m_extracted, &m_writeFailure);
}
