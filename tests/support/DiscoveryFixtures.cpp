#include "DiscoveryFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ScopedEnvironment::~ScopedEnvironment()
{
    for (auto it = m_wasSet.cbegin(); it != m_wasSet.cend(); ++it) {
        if (it.value())
            qputenv(it.key().constData(), m_previous.value(it.key()));
        else
            qunsetenv(it.key().constData());
    }
}

void ScopedEnvironment::remember(const char* name)
{
    const QByteArray key(name);
    if (m_wasSet.contains(key))
        return;
    m_wasSet.insert(key, qEnvironmentVariableIsSet(name));
    m_previous.insert(key, qgetenv(name));
}

void ScopedEnvironment::set(const char* name, const QString& value)
{
    remember(name);
    qputenv(name, value.toUtf8());
}

void ScopedEnvironment::unset(const char* name)
{
    remember(name);
    qunsetenv(name);
}

namespace DiscoveryFixtures {

bool writeFile(const QString& path, const QByteArray& content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

bool makeFolder(const QString& path)
{
    return QDir().mkpath(path);
}

QByteArray versionXml(const QString& versionNumber)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<versioninfo>\n  <installinfo lang=\"en_US\" versionnum=\""
        + versionNumber.toUtf8() + "\" build=\"4231\"/>\n</versioninfo>\n";
}

} // namespace DiscoveryFixtures
