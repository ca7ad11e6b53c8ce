#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>

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

    // Takes the lock, waiting up to timeoutMs; false when another process
    // held it all along, or at once when problem() says why no process could.
    // A lock taken over from a holder that died (a killed install) first
    // sweeps the temporaries it left in the configuration folders: no writer
    // of them is left, however young they are.
    [[nodiscard]] bool tryLock(int timeoutMs);
    // Why the lock cannot be taken by anyone, or empty: a folder or a link
    // where the lock file goes, or a per-user folder that takes no file.
    // Waiting would not help, so it is said at once.
    QString problem() const;
    // Who holds the lock, as the lock file records it ("moravel-cli (process
    // 4242)"), or empty when nobody does or the file says nothing readable.
    QString holder() const;

private:
    QString m_path;
    QStringList m_configurationFolders;
    QLockFile m_file;
};
