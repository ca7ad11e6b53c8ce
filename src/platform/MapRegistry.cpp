#include "platform/MapRegistry.h"

namespace {
// Registry key and value names are case-insensitive on Windows.
QString lookupKey(const QString& keyPath, const QString& valueName)
{
    return keyPath.toLower() + QLatin1Char('\n') + valueName.toLower();
}
} // namespace

void MapRegistry::setValue(const QString& keyPath, const QString& valueName, const QString& value)
{
    m_values.insert(lookupKey(keyPath, valueName), value);
}

QString MapRegistry::localMachineValue(const QString& keyPath, const QString& valueName) const
{
    return m_values.value(lookupKey(keyPath, valueName));
}
