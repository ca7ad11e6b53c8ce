#include "platform/Environment.h"

#include "platform/WinePrefix.h"

#include <QDir>
#include <memory>

namespace Environment {

namespace {
std::unique_ptr<WinePrefix>& prefixInUse()
{
    static std::unique_ptr<WinePrefix> prefix;
    return prefix;
}
} // namespace

QString variable(const char* name)
{
    if (const auto& prefix = prefixInUse()) {
        const auto derived = prefix->variables().constFind(QLatin1String(name));
        if (derived != prefix->variables().constEnd())
            return *derived;
    }
    return qEnvironmentVariable(name);
}

QString joinNative(const QString& folder, const QString& name)
{
    return folder + QDir::separator() + name;
}

bool useWinePrefix(const QString& folder, QString* error)
{
    if (folder.isEmpty()) {
        if (prefixInUse())
            Registry::setInstance(nullptr);
        prefixInUse().reset();
        return true;
    }
    auto prefix = std::make_unique<WinePrefix>();
    if (!prefix->open(folder)) {
        if (error)
            *error = prefix->errorString();
        return false;
    }
    Registry::setInstance(std::make_unique<WineRegistry>(prefix->machineRegistry()));
    prefixInUse() = std::move(prefix);
    return true;
}

QString winePrefix()
{
    return prefixInUse() ? prefixInUse()->folder() : QString();
}

QString localPath(const QString& windowsPath)
{
    return prefixInUse() ? prefixInUse()->localPath(windowsPath) : windowsPath;
}

} // namespace Environment
