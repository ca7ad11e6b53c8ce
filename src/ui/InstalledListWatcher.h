#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

class DreamweaverInfo;

// Tells the window when the installed list it shows may have changed behind
// its back (moravel-cli, another program, a file manager): a change in the
// shown installation's store folders, or the program coming back to the
// front, where a watcher that missed something (a network folder) is made
// good. A burst of changes (an install writes and renames many files) is
// told once, when it has settled.
class InstalledListWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int settleMs = 300;

    explicit InstalledListWatcher(QObject* parent);

    // Watches the store folders of every locale of dreamweaver from now on
    // (none for null). A store folder not made yet is watched through the
    // nearest folder above it that is there, so its first extension shows.
    void watch(const DreamweaverInfo* dreamweaver);

signals:
    void changed();

private:
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
