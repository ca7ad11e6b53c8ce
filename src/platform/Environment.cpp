#include "platform/Environment.h"

#include <QDir>

namespace Environment {

QString variable(const char* name)
{
    return qEnvironmentVariable(name);
}

QString joinNative(const QString& folder, const QString& name)
{
    return folder + QDir::separator() + name;
}

} // namespace Environment
