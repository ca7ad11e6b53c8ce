#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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

        // A well-formed chunk holding data.
        static Chunk of(const QByteArray& data);
    };

    // A record holding data in one chunk (none when data is empty).
    MxpWriter& add(const QByteArray& name, const QByteArray& data);
    // A record with these chunks, ended by a zero header unless told not to.
    MxpWriter& addRecord(const QByteArray& name, const QList<Chunk>& chunks, bool terminated = true);
    // Bytes appended as they are, e.g. a damaged record head.
    MxpWriter& addRaw(const QByteArray& bytes)
    {
        m_body.append(bytes);
        return *this;
    }

    QByteArray package() const;

    // The record head: name length, name, 20 reserved bytes.
    static QByteArray recordHead(const QByteArray& name, qint32 declaredLength = -1);
    static QByteArray int32(qint32 value);

private:
    QByteArray m_body;
};
