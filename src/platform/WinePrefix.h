#pragma once

#include "platform/WineRegistry.h"

#include <QHash>
#include <QString>

// A Wine prefix: the folder that Wine runs Windows programs in, with drive
// C: (drive_c), the drive letters (dosdevices/c: -> ../drive_c, z: -> /) and
// the registry (system.reg, user.reg). It answers what the Windows
// environment and registry answer a program running in it, with every path
// one that this program can open.
class WinePrefix
{
public:
    // False, with errorString(), when folder is not a prefix: it has no
    // readable system.reg or no drive C:.
    [[nodiscard]] bool open(const QString& folder);
    QString errorString() const { return m_error; }

    // Absolute, as given (symbolic links kept).
    QString folder() const { return m_folder; }
    const WineRegistry& machineRegistry() const { return m_machine; }

    // APPDATA, USERPROFILE, ALLUSERSPROFILE, ProgramW6432, ProgramFiles and
    // (in a 64-bit prefix) ProgramFiles(x86) as a program in the prefix sees
    // them, as paths here; the names it does not derive are missing.
    const QHash<QString, QString>& variables() const { return m_variables; }

    // The path Wine opens for a Windows path ("C:\Program Files\x") through
    // the drive's link in dosdevices, each component found in any case as
    // Windows would; empty when the path names no drive or the drive is not mapped.
    QString localPath(const QString& windowsPath) const;

    // The prefix to manage when none is given: WINEPREFIX; else none when
    // APPDATA, USERPROFILE, ALLUSERSPROFILE or ProgramW6432 points the
    // program at folders; else remembered (the window's last choice); else
    // ~/.wine when it exists. Never one on Windows.
    static QString defaultFolder(const QString& remembered = QString());

private:
    QString userFolder() const;

    QString m_folder;
    WineRegistry m_machine;
    QHash<QString, QString> m_variables;
    QString m_error;
};
