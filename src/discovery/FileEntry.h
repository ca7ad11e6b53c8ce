#pragma once

#include <QString>

// One "file" element of a manifest: a package entry and the folder it goes to.
struct FileEntry
{
    QString source; // entry name inside the package
    QString destination; // target folder, possibly starting with the configuration token

    bool operator==(const FileEntry& other) const { return source == other.source && destination == other.destination; }
    bool operator!=(const FileEntry& other) const { return !(*this == other); }
};
