#pragma once

#include "packages/IPackage.h"

#include <QFile>
#include <QMap>
#include <QStringList>

// Reader of ZXP packages, which are ZIP archives: stored and deflated entries
// of ordinary (not ZIP64, not encrypted) archives.
class ZXP : public IPackage
{
public:
    explicit ZXP(const QString& path);
    ~ZXP() override;

    QString mxiFileName() const override;
    [[nodiscard]] bool extractFile(const QString& entryName, const QString& folder) override;
    FileFailure writeFailure() const override { return m_writeFailure; }
    QByteArray readFile(const QString& entryName) override;
    [[nodiscard]] bool checkFile(const QString& entryName) override;
    qint64 entrySize(const QString& entryName) override;

    // The indexed entry names in index order, for tools and tests that walk a package.
    QStringList entryNames() const override;

private:
    // What the central directory records for one entry. Sizes, method and CRC
    // come from here because writers that stream (data descriptors) leave them
    // zero in the local header.
    struct Entry
    {
        quint32 localHeaderOffset = 0;
        quint32 compressedSize = 0;
        quint32 uncompressedSize = 0;
        quint32 crc32 = 0;
        quint16 flags = 0;
        quint16 method = 0;
    };

    bool readIndex();
    const Entry* findEntry(const QString& entryName) const;
    bool readLocalHeader(const QString& entryName, const Entry& entry, qint64& dataStart);
    bool readEntryData(const QString& entryName, const Entry& entry, qint64 dataStart, QByteArray& data);

    QFile m_file;
    qint64 m_fileSize = 0;
    QMap<QString, Entry> m_entryIndex;
    QString m_mxiName;
    // Kept across entries, so that extracting a package asks the allocator
    // (and the kernel, for fresh pages) once rather than once per entry.
    QByteArray m_compressed;
    QByteArray m_extracted;
    FileFailure m_writeFailure;
};
