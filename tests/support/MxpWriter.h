#pragma once

#include <QByteArray>
#include <QList>
#include <QtEndian>

// Builds MXP packages in memory for tests. Chunks can be given as plain data
// (compressed here) or as raw header fields and bytes, to damage them.
class MxpWriter
{
public:
    struct Chunk
    {
        qint32 uncompressedSize = 0;
        qint32 compressedSize = 0;
        QByteArray bytes;

        // A chunk holding data, its size declared as the data's unless told otherwise.
        static Chunk of(const QByteArray& data, qint32 declared = -1)
        {
            const QByteArray compressed = qCompress(data).mid(4); // a zlib stream without qCompress's length
            return Chunk { declared < 0 ? qint32(data.size()) : declared, qint32(compressed.size()), compressed };
        }
    };

    // A record holding data in one chunk (none when data is empty).
    MxpWriter& add(const QByteArray& name, const QByteArray& data)
    {
        return addRecord(name, data.isEmpty() ? QList<Chunk>() : QList<Chunk> { Chunk::of(data) });
    }

    // A record head (name length, name, 20 reserved bytes) and these chunks, ended by a zero header unless told not to.
    MxpWriter& addRecord(const QByteArray& name, const QList<Chunk>& chunks, bool terminated = true)
    {
        m_body.append(int32(name.size()) + name + QByteArray(20, 'Z'));
        for (const Chunk& chunk : chunks)
            m_body.append(int32(chunk.uncompressedSize) + int32(chunk.compressedSize) + chunk.bytes);
        m_body.append(terminated ? QByteArray(8, '\0') : QByteArray());
        return *this;
    }

    QByteArray package() const { return "MXPHEAD1" + m_body; }

    static QByteArray int32(qint32 value)
    {
        value = qToLittleEndian(value);
        return QByteArray(reinterpret_cast<const char*>(&value), 4);
    }

private:
    QByteArray m_body;
};
