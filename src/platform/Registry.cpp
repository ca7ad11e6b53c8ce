#include "platform/Registry.h"

#include "platform/SystemRegistry.h"

namespace {
std::unique_ptr<Registry>& installedRegistry()
{
    static std::unique_ptr<Registry> registry;
    return registry;
}
} // namespace

const Registry& Registry::instance()
{
    static const SystemRegistry system;
    const auto& installed = installedRegistry();
    return installed ? *installed : static_cast<const Registry&>(system);
}

void Registry::setInstance(std::unique_ptr<Registry> registry)
{
    installedRegistry() = std::move(registry);
}
