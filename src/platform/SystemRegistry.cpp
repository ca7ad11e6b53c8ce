#include "platform/SystemRegistry.h"

#include <QSettings>

QString SystemRegistry::localMachineValue(const QString& keyPath, const QString& valueName) const
{
#ifdef Q_OS_WIN
    // Dreamweaver is a 32-bit program and registers itself in the 32-bit view.
    QSettings settings(QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath, QSettings::Registry32Format);
    return settings.value(valueName).toString();
#else
    Q_UNUSED(keyPath)
    Q_UNUSED(valueName)
    return QString();
#endif
}
