#pragma once

#include "platform/FileFailure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A read-only extension package: the manifest reader and the installer work
// through this interface without knowing whether the file is an MXP or a ZXP.
// Every failure shows as false, an empty array or an empty name.
class IPackage
{
public:
    virtual ~IPackage() = default;

    // Name of the entry that holds the MXI manifest; empty when there is none.
    virtual QString mxiFileName() const = 0;
    // Writes the entry into folder under the last component of its name only.
    [[nodiscard]] virtual bool extractFile(const QString& entryName, const QString& folder) = 0;
    // Why the last extractFile() could not write its file; none when it
    // wrote it, or failed on the entry itself (missing, damaged).
    virtual FileFailure writeFailure() const { return FileFailure(); }
    // The entry's uncompressed bytes; empty on any failure.
    virtual QByteArray readFile(const QString& entryName) = 0;
    // Whether the entry reads whole, its data checked as extraction checks
    // it (size, CRC-32), without writing it; true for an empty entry too,
    // which readFile() cannot tell from a damaged one.
    [[nodiscard]] virtual bool checkFile(const QString& entryName) = 0;
    // The most bytes extracting the entry can write, as its headers declare
    // it (unchecked: extraction checks it); -1 when it cannot be found.
    virtual qint64 entrySize(const QString& entryName) = 0;
    // The entry names, folders separated by "/".
    virtual QStringList entryNames() const = 0;
};
