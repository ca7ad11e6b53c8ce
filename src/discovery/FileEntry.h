#pragma once

#include <QString>

// One "file" element of a manifest: a package entry and the folder it goes to.
struct FileEntry
{
    QString source; // entry name inside the package; ending in "/" for a whole folder
    QString destination; // target folder, starting with a folder token
    QString language; // xml:lang of the file or its group; empty: every locale
    bool shared = false; // other extensions may list it too
    bool systemFile = false; // never deleted on removal

    // An entry in one language goes only into the locale of that name; where
    // the locale is unknown (an installation without locale folders) it goes
    // in, as every entry does.
    bool appliesTo(const QString& locale) const
    {
        return language.isEmpty() || locale.isEmpty() || language.compare(locale, Qt::CaseInsensitive) == 0;
    }

    bool operator==(const FileEntry& other) const
    {
        return source == other.source && destination == other.destination && language == other.language
            && shared == other.shared && systemFile == other.systemFile;
    }
    bool operator!=(const FileEntry& other) const { return !(*this == other); }
};
