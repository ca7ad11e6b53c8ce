#pragma once

#include <QString>

// Moravel's own per-user folder: the packages it keeps, the files of disabled
// extensions, its log. It lies outside every Dreamweaver folder, so that
// reinstalling Dreamweaver (which renames the old per-user folder) leaves it.
class DataFolder
{
public:
    // MORAVEL_DATA_FOLDER when set (tests and portable use), else the user's
    // generic data folder + "Velkor/Moravel" (%LOCALAPPDATA% on Windows,
    // ~/.local/share on Linux). Not created here.
    static QString path();
    // A subfolder of path(), created with its parents when missing; empty
    // when it cannot be made.
    static QString subfolder(const QString& name);
};
