#include "commands/InstallationLock.h"

#include "discovery/DreamweaverInfo.h"
#include "packages/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

InstallationLock::InstallationLock(const DreamweaverInfo& target)
    : m_path(path(target))
    , m_file(m_path)
{
    for (const QString& locale : target.locales()) {
        m_configurationFolders << target.configurationFolder(locale);
    }
}

QString InstallationLock::path(const DreamweaverInfo& target)
{
    return target.userFolder() + QStringLiteral("/.moravel.lock");
}

bool InstallationLock::tryLock(int timeoutMs)
{
    QDir().mkpath(QFileInfo(m_path).path());
    // The lock file is there only while a holder lives, or after it died:
    // taken although it was there, it was a dead holder's.
    const bool held = QFileInfo::exists(m_path);
    if (!problem().isEmpty() || !m_file.tryLock(timeoutMs)) {
        return false;
    }
    if (held) {
        for (const QString& folder : qAsConst(m_configurationFolders)) {
            AtomicFile::removeStaleTemporaries(folder, 0);
            QDirIterator below(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                QDirIterator::Subdirectories);
            while (below.hasNext()) {
                AtomicFile::removeStaleTemporaries(below.next(), 0);
            }
        }
    }
    return true;
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

QString InstallationLock::holder() const
{
    qint64 process = 0;
    QString host;
    QString program;
    if (!m_file.getLockInfo(&process, &host, &program) || process <= 0)
        return QString();
    // The name comes from a file another user could have written: one short line of it.
    program = program.simplified().left(64);
    if (program.isEmpty())
        return QCoreApplication::translate("InstallationLock", "process %1").arg(process);
    return QCoreApplication::translate("InstallationLock", "%1 (process %2)").arg(program).arg(process);
}
