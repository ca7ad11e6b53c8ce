#include "support/ZxpWriter.h"

#include <QtEndian>

#include <zlib.h>

namespace {

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

ZxpWriter::Entry ZxpWriter::entry(const QByteArray& name, const QByteArray& data, quint16 method)
{
    Entry entry;
    entry.name = name;
    entry.data = data;
    entry.method = method;
    return entry;
}

QByteArray ZxpWriter::archiveOf(const QList<Entry>& entries, const QByteArray& comment)
{
    ZxpWriter writer;
    writer.m_entries = entries;
    writer.m_comment = comment;
    return writer.archive();
}

void ZxpWriter::add(const QByteArray& name, const QByteArray& data, quint16 method)
{
    m_entries.append(entry(name, data, method));
}

void ZxpWriter::add(const Entry& entry)
{
    m_entries.append(entry);
}

QByteArray ZxpWriter::deflateRaw(const QByteArray& data, int level)
{
    z_stream stream = {};
    deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(int(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray ZxpWriter::archive() const
{
    QByteArray out;
    QByteArray directory;
    for (const Entry& entry : m_entries) {
        const QByteArray payload = entry.payload ? *entry.payload
            : entry.method == Deflated           ? deflateRaw(entry.data)
                                                 : entry.data;
        const quint32 crc
            = quint32(crc32(0, reinterpret_cast<const Bytef*>(entry.data.constData()), uInt(entry.data.size())));
        const quint16 flags = quint16((entry.dataDescriptor ? 0x0008 : 0) | entry.extraFlags);
        const QByteArray localName = entry.localName ? *entry.localName : entry.name;
        const quint32 offset = quint32(out.size());

        put32(out, 0x04034B50);
        put16(out, 20);
        put16(out, flags);
        put16(out, entry.method);
        put32(out, 0); // time and date
        put32(out, entry.dataDescriptor ? 0 : crc);
        put32(out, entry.dataDescriptor ? 0 : quint32(payload.size()));
        put32(out, entry.dataDescriptor ? 0 : quint32(entry.data.size()));
        put16(out, quint16(localName.size()));
        put16(out, 0);
        out.append(localName);
        out.append(payload);
        if (entry.dataDescriptor) {
            put32(out, 0x08074B50);
            put32(out, crc);
            put32(out, quint32(payload.size()));
            put32(out, quint32(entry.data.size()));
        }

        put32(directory, 0x02014B50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, flags);
        put16(directory, entry.method);
        put32(directory, 0);
        put32(directory, entry.centralCrc.value_or(crc));
        put32(directory, entry.centralCompressedSize.value_or(quint32(payload.size())));
        put32(directory, entry.centralUncompressedSize.value_or(quint32(entry.data.size())));
        put16(directory, quint16(entry.name.size()));
        put16(directory, 0); // extra
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, 0); // external attributes
        put32(directory, entry.centralLocalOffset.value_or(offset));
        directory.append(entry.name);
    }
    const quint32 directoryOffset = quint32(out.size());
    out.append(directory);
    const quint16 count = m_declaredCount.value_or(quint16(m_entries.size()));
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, count);
    put16(out, count);
    put32(out, quint32(directory.size()));
    put32(out, directoryOffset);
    put16(out, quint16(m_comment.size()));
    out.append(m_comment);
    return out;
}
