#include "support/MxpWriter.h"

#include <QtEndian>

#include <zlib.h>

QByteArray MxpWriter::int32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

MxpWriter::Chunk MxpWriter::Chunk::of(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray compressed(int(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
        uLong(data.size()), Z_DEFAULT_COMPRESSION);
    compressed.truncate(int(size));
    return Chunk { qint32(data.size()), qint32(compressed.size()), compressed };
}

QByteArray MxpWriter::recordHead(const QByteArray& name, qint32 declaredLength)
{
    return int32(declaredLength < 0 ? qint32(name.size()) : declaredLength) + name + QByteArray(20, '\x5A');
}

MxpWriter& MxpWriter::add(const QByteArray& name, const QByteArray& data)
{
    return addRecord(name, data.isEmpty() ? QList<Chunk>() : QList<Chunk> { Chunk::of(data) });
}

MxpWriter& MxpWriter::addRecord(const QByteArray& name, const QList<Chunk>& chunks, bool terminated)
{
    m_body.append(recordHead(name));
    for (const Chunk& chunk : chunks)
        m_body.append(int32(chunk.uncompressedSize) + int32(chunk.compressedSize) + chunk.bytes);
    if (terminated)
        m_body.append(8, '\0');
    return *this;
}

QByteArray MxpWriter::package() const
{
    return QByteArray("MXPHEAD1") + m_body;
}
