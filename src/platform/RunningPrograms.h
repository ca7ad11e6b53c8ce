#pragma once

#include <QString>

// Whether a program is running, told by its executable's file name: a
// Dreamweaver that runs while its extensions change reads them only when it
// starts again. Under Wine, a Windows program's process carries its
// executable's name too, so the Linux build sees a Dreamweaver there.
class RunningPrograms
{
public:
    // True when a process of this user's session (or any, where the system
    // shows them) runs an executable of this file name, compared ignoring
    // case; false where that cannot be told.
    static bool anyNamed(const QString& executableName);
};
