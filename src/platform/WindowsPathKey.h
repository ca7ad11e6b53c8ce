#pragma once

#include <QString>

// A path as Windows finds the file: either slash, any case, and each name
// without the trailing dots and spaces Windows drops ("Menus.xml." opens
// Menus.xml). Two spellings of one Dreamweaver file or folder give one key,
// so that none slips past a check or counts twice.
class WindowsPathKey
{
public:
    static QString of(const QString& path);
    // Whether key is folderKey or lies below it (both keys).
    static bool isAtOrBelow(const QString& key, const QString& folderKey)
    {
        return key == folderKey || key.startsWith(folderKey + QLatin1Char('/'));
    }
};
