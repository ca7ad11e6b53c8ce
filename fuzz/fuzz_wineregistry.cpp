// Reads arbitrary bytes as a registry file of a Wine prefix and looks up
// values in both registry views.
#include "platform/WineRegistry.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WineRegistry registry;
    if (!registry.parse(QByteArray(reinterpret_cast<const char*>(data), int(size))))
        return 0;
    registry.localMachineValue(
        QStringLiteral("Software\\Adobe\\Dreamweaver\\12\\Installation"), QStringLiteral("InstallPath"));
    registry.value(QStringLiteral("A"), QString());
    return 0;
}
