// Opens arbitrary bytes as an MXP package and reads and extracts every indexed entry.
#include "packages/MXP.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

// Damaged entries warn; thousands of warnings per second would only slow the fuzzer.
void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) { }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir workspace;
    static const bool quiet = (qInstallMessageHandler(dropMessages), true);
    (void)quiet;

    const QString path = workspace.filePath(QStringLiteral("input.mxp"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    const QString folder = workspace.filePath(QStringLiteral("out"));
    {
        MXP package(path);
        package.mxiFileName();
        for (const QString& name : package.entryNames()) {
            package.readFile(name);
            package.extractFile(name, folder);
        }
    }
    QDir(folder).removeRecursively();
    return 0;
}
