#include "platform/SystemRegistry.h"

#include <QSettings>

QString SystemRegistry::lookUp(const QString& keyPath, const QString& valueName, View view) const
{
#ifdef Q_OS_WIN
    QSettings settings(QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath,
        view == View::Bits64 ? QSettings::Registry64Format : QSettings::Registry32Format);
    return settings.value(valueName).toString();
#else
    Q_UNUSED(keyPath)
    Q_UNUSED(valueName)
    Q_UNUSED(view)
    return QString();
#endif
}
