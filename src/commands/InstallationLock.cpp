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
    return problem().isEmpty() && m_file.tryLock(timeoutMs);
}

QString InstallationLock::problem() const
{
    const QFileInfo lock(m_path);
    // A lock file of ours is never a link: a dangling one would read as held for ever.
    if (lock.isSymLink()) {
        return QStringLiteral("%1 is a symbolic link, not a lock file").arg(QDir::toNativeSeparators(m_path));
    }
    if (lock.isDir()) {
        return QStringLiteral("%1 is a folder, not a lock file").arg(QDir::toNativeSeparators(m_path));
    }
    const QFileInfo folder(lock.path());
    if (!folder.isDir() || !folder.isWritable()) {
        return QStringLiteral("the folder %1 cannot be written").arg(QDir::toNativeSeparators(folder.filePath()));
    }
    if (m_file.error() == QLockFile::PermissionError || m_file.error() == QLockFile::UnknownError) {
        return QStringLiteral("the lock file %1 cannot be written").arg(QDir::toNativeSeparators(m_path));
    }
    return QString();
}
