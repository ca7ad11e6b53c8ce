#include "support/ZxpWriter.h"

#include <QDataStream>
#include <QIODevice>

#include <zlib.h>

QByteArray ZxpWriter::archiveOf(const QList<Entry>& entries, const QByteArray& comment, int declaredCount)
{
    QByteArray out, directory;
    QDataStream local(&out, QIODevice::WriteOnly), central(&directory, QIODevice::WriteOnly);
    local.setByteOrder(QDataStream::LittleEndian);
    central.setByteOrder(QDataStream::LittleEndian);
    for (const Entry& e : entries) {
        const QByteArray payload = e.payload.value_or(e.method == Entry::Deflated ? deflateRaw(e.data) : e.data);
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
        const quint32 size = quint32(e.data.size()), packed = quint32(payload.size()), offset = quint32(out.size());
        const QByteArray localName = e.localName.value_or(e.name);
        // Version, flags, method, zero time and date, CRC, sizes, name and extra lengths.
        local << quint32(0x04034B50) << quint16(20) << e.extraFlags << e.method << quint32(0) << crc << packed << size
              << quint16(localName.size()) << quint16(0);
        local.writeRawData(localName.constData(), localName.size());
        local.writeRawData(payload.constData(), payload.size());
        // Extra, comment, disk and attribute fields all zero.
        central << quint32(0x02014B50) << quint16(20) << quint16(20) << e.extraFlags << e.method << quint32(0)
                << e.centralCrc.value_or(crc) << e.centralCompressedSize.value_or(packed)
                << e.centralUncompressedSize.value_or(size) << quint16(e.name.size()) << quint16(0) << quint16(0)
                << quint16(0) << quint16(0) << quint32(0) << offset;
        central.writeRawData(e.name.constData(), e.name.size());
    }
    // Measured before the end record goes into the same stream.
    const quint16 count = quint16(declaredCount < 0 ? entries.size() : declaredCount);
    const quint32 directorySize = quint32(directory.size()), directoryOffset = quint32(out.size());
    central << quint32(0x06054B50) << quint32(0) << count << count << directorySize << directoryOffset
            << quint16(comment.size());
    return out + directory + comment;
}
