#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Sets environment variables for the life of the object and restores the
// previous values (or their absence) afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

    void set(const char* name, const QString& value);
    void unset(const char* name);

private:
    void remember(const char* name);

    QHash<QByteArray, QByteArray> m_previous;
    QHash<QByteArray, bool> m_wasSet;
};

namespace DiscoveryFixtures {

// Writes content to path, creating the missing folders; false on failure.
bool writeFile(const QString& path, const QByteArray& content);
bool makeFolder(const QString& path);

// A version.xml of the shape Dreamweaver writes, saying the given version.
QByteArray versionXml(const QString& versionNumber);

} // namespace DiscoveryFixtures
