#pragma once

// The body both package fuzz targets share: the bytes are written to a file,
// opened with the reader, and every indexed entry is read and extracted.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

// Damaged entries warn; thousands of warnings per second would only slow the fuzzer.
void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) { }

template <typename Package> int fuzzPackage(const uint8_t* data, size_t size, const QString& fileName)
{
    static QTemporaryDir workspace;
    static const bool quiet = (qInstallMessageHandler(dropMessages), true);
    (void)quiet;

    const QString path = workspace.filePath(fileName);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    const QString folder = workspace.filePath(QStringLiteral("out"));
    {
        Package package(path);
        package.mxiFileName();
        for (const QString& name : package.entryNames()) {
            package.readFile(name);
            // Arbitrary bytes may extract or not; only a crash or a leak is a fault.
            static_cast<void>(package.extractFile(name, folder));
        }
    }
    QDir(folder).removeRecursively();
    return 0;
}

} // namespace
