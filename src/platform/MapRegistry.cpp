#include "platform/MapRegistry.h"

namespace {
// Registry key and value names are case-insensitive on Windows.
QString lookupKey(const QString& keyPath, const QString& valueName, Registry::View view)
{
    return (view == Registry::View::Bits64 ? QStringLiteral("64\n") : QStringLiteral("32\n")) + keyPath.toLower()
        + QLatin1Char('\n') + valueName.toLower();
}
} // namespace

void MapRegistry::setValue(const QString& keyPath, const QString& valueName, const QString& value, View view)
{
    m_values.insert(lookupKey(keyPath, valueName, view), value);
}

QString MapRegistry::lookUp(const QString& keyPath, const QString& valueName, View view) const
{
    return m_values.value(lookupKey(keyPath, valueName, view));
}
