// Reads arbitrary bytes as an MXI manifest: header, details and every resolved destination.
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/Installer.h"

#include <QByteArray>
#include <QDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    ExtensionInfo info(bytes, QStringLiteral("fuzz.mxi"));
    info.parseDetails();

    static const DreamweaverInfo dreamweaver(
        QStringLiteral("Dreamweaver CS6"), QStringLiteral("Adobe"), QStringLiteral("/dw"), { QStringLiteral("en_US") });
    static const bool homeSet = qputenv("USERPROFILE", "/home/user");
    Q_UNUSED(homeSet);
    for (const FileEntry& file : info.files()) {
        QString folder = Installer::targetFolder(dreamweaver, file, QStringLiteral("en_US"));
        if (folder.isEmpty())
            continue;
        // A destination either stays inside the configuration or the home folder, or is refused.
        folder = QDir::cleanPath(folder.replace(QLatin1Char('\\'), QLatin1Char('/'))) + QLatin1Char('/');
        if (!folder.startsWith(dreamweaver.configurationFolder(QStringLiteral("en_US")) + QLatin1Char('/'))
            && !folder.startsWith(QStringLiteral("/home/user/")))
            __builtin_trap();
    }
    return 0;
}
