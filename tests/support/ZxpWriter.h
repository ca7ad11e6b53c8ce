#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// Builds ZIP archives in memory for tests: good ones, and ones damaged in one
// chosen way. Every field a test may want to break can be overridden per entry.
class ZxpWriter
{
public:
    struct Entry
    {
        enum Method : quint16 { Stored = 0, Deflated = 8 };

        QByteArray name;
        QByteArray data;
        quint16 method = Deflated; // any other value stores data as it is
        quint16 extraFlags = 0; // the general purpose flags (1: encrypted)
        std::optional<QByteArray> localName {}; // the local header's name when it differs
        std::optional<QByteArray> payload {}; // the bytes written as the entry's data
        // Values written into the central directory instead of the true ones.
        std::optional<quint32> centralCrc {}, centralCompressedSize {}, centralUncompressedSize {};
    };

    // A declared count other than the real one walks past the directory.
    static QByteArray archiveOf(const QList<Entry>& entries, const QByteArray& comment = {}, int declaredCount = -1);
    // Raw deflate as ZIP stores it: without qCompress's length, zlib header and Adler-32 trailer.
    // qCompress gives nothing at all for no data: then a final empty fixed block.
    static QByteArray deflateRaw(const QByteArray& data)
    {
        return data.isEmpty() ? QByteArray("\x03\x00", 2) : qCompress(data).mid(6).chopped(4);
    }

    void add(const QByteArray& name, const QByteArray& data) { m_entries.append({ name, data }); }
    QByteArray archive() const { return archiveOf(m_entries); }

private:
    QList<Entry> m_entries;
};
