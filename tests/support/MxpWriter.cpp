#include "support/MxpWriter.h"

#include <QFile>
#include <QtEndian>

#include <zlib.h>

namespace {

void putInt(QByteArray& out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

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
    QByteArray out;
    putInt(out, declaredLength < 0 ? qint32(name.size()) : declaredLength);
    out.append(name);
    out.append(20, '\x5A');
    return out;
}

void MxpWriter::add(const QByteArray& name, const QByteArray& data)
{
    addRecord(name, data.isEmpty() ? QList<Chunk>() : QList<Chunk> { Chunk::of(data) });
}

void MxpWriter::addRecord(const QByteArray& name, const QList<Chunk>& chunks, bool terminated)
{
    m_body.append(recordHead(name));
    for (const Chunk& chunk : chunks) {
        putInt(m_body, chunk.uncompressedSize);
        putInt(m_body, chunk.compressedSize);
        m_body.append(chunk.bytes);
    }
    if (terminated) {
        putInt(m_body, 0);
        putInt(m_body, 0);
    }
}

QByteArray MxpWriter::package() const
{
    return QByteArray("MXPHEAD1") + m_body;
}

bool MxpWriter::writeTo(const QString& path) const
{
    QFile file(path);
    const QByteArray bytes = package();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
