#include "commands/InstallationLock.h"

#include "discovery/DreamweaverInfo.h"

#include <QDir>
#include <QFileInfo>

InstallationLock::InstallationLock(const DreamweaverInfo& target)
    : m_path(path(target))
    , m_file(m_path)
{
}

QString InstallationLock::path(const DreamweaverInfo& target)
{
    return target.userFolder() + QStringLiteral("/.moravel.lock");
}

bool InstallationLock::tryLock(int timeoutMs)
{
    QDir().mkpath(QFileInfo(m_path).path());
    return m_file.tryLock(timeoutMs);
}
