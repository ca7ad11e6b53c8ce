#include "platform/WindowsPathKey.h"

#include <QDir>
#include <QStringList>

QString WindowsPathKey::of(const QString& path)
{
    QString text = path;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList names = QDir::cleanPath(text).toLower().split(QLatin1Char('/'));
    for (QString& name : names) {
        while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
            name.chop(1);
    }
    return names.join(QLatin1Char('/'));
}
