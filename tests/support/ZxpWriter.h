#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Builds ZIP archives in memory for tests: good ones, and ones damaged in one
// chosen way. Every field a test may want to break can be overridden per entry.
class ZxpWriter
{
public:
    enum Method : quint16 { Stored = 0, Deflated = 8 };

    struct Entry
    {
        QByteArray name;
        QByteArray data;
        quint16 method = Deflated; // any other value stores data as it is
        quint16 extraFlags = 0; // ORed into the flags of both headers (1: encrypted)
        bool dataDescriptor = false; // zero sizes and CRC locally, a descriptor after the data
        std::optional<QByteArray> localName; // the local header's name when it differs
        std::optional<QByteArray> payload; // the bytes written as the entry's data
        // Values written into the central directory instead of the true ones.
        std::optional<quint32> centralCrc;
        std::optional<quint32> centralCompressedSize;
        std::optional<quint32> centralUncompressedSize;
        std::optional<quint32> centralLocalOffset;
    };

    static Entry entry(const QByteArray& name, const QByteArray& data, quint16 method = Deflated);
    static QByteArray archiveOf(const QList<Entry>& entries, const QByteArray& comment = QByteArray());

    void add(const QByteArray& name, const QByteArray& data, quint16 method = Deflated);
    void add(const Entry& entry);
    void setComment(const QByteArray& comment) { m_comment = comment; }
    // Overrides the end record's entry count (to walk past the real directory).
    void setDeclaredCount(quint16 count) { m_declaredCount = count; }

    QByteArray archive() const;

    // Raw deflate as ZIP stores it.
    static QByteArray deflateRaw(const QByteArray& data, int level = 6);

private:
    QList<Entry> m_entries;
    QByteArray m_comment;
    std::optional<quint16> m_declaredCount;
};
