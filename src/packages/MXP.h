#pragma once

#include "packages/IPackage.h"

#include <QDataStream>
#include <QFile>
#include <QMap>
#include <QStringList>

// Reader of MXP packages: after an 8-byte header, a flat run of records, each
// a name and the file's contents as a list of zlib-compressed chunks.
class MXP : public IPackage
{
public:
    explicit MXP(const QString& path);
    ~MXP() override;

    QString mxiFileName() const override;
    [[nodiscard]] bool extractFile(const QString& entryName, const QString& folder) override;
    FileFailure writeFailure() const override { return m_writeFailure; }
    QByteArray readFile(const QString& entryName) override;
    [[nodiscard]] bool checkFile(const QString& entryName) override;
    qint64 entrySize(const QString& entryName) override;

    // The indexed entry names in index order, for tools and tests that walk a package.
    QStringList entryNames() const override;

private:
    bool readIndex();
    bool readRecordHead(QByteArray& nameBytes, bool& tooLong);
    bool seekToChunks(const QString& entryName);
    bool readNextChunk(QByteArray& output, bool& finished, qint64& total);

    QFile m_file;
    QDataStream m_stream;
    // Key: the record's name with backslashes turned into slashes; value: the
    // file position of the record's first byte.
    QMap<QString, qint64> m_entryIndex;
    QString m_mxiName;
    FileFailure m_writeFailure;
};
