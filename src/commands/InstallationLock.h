#pragma once

#include <QLockFile>
#include <QString>

class DreamweaverInfo;

// One process at a time edits an installation: two installs or removals
// running at once would each write Menus.xml over the other's edits. The lock
// is a file in the installation's per-user folder; one left by a process that
// died is taken over.
class InstallationLock
{
public:
    explicit InstallationLock(const DreamweaverInfo& target);

    static QString path(const DreamweaverInfo& target);

    // Takes the lock, waiting up to timeoutMs; false when another process held it all along.
    bool tryLock(int timeoutMs);

private:
    QString m_path;
    QLockFile m_file;
};
