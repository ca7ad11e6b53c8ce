#pragma once

#include "discovery/ConfigurationInsert.h"
#include "discovery/InsertbarInsert.h"
#include "discovery/MenuInsert.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <cstring>
#include <vector>

class CElement;

// Reads the entries of a manifest's "configuration-changes", in manifest
// order: a later entry may name an element that an earlier one creates.
// Each list is read from the manifest's insert elements, in document order,
// so that one walk of a tree of many entries finds them for all three.
class ConfigurationChanges
{
public:
    // Whether an element so named is an insert element: its name ends in "-insert".
    static bool isInsertName(QStringView name)
    {
        // Compared in place rather than through a call: every element of a
        // manifest is asked about.
        return name.size() >= 7 && std::memcmp(name.utf16() + name.size() - 7, u"-insert", 7 * sizeof(char16_t)) == 0;
    }

    // menu-insert and shortcut-insert elements, with their placement.
    static QList<MenuInsert> menuInserts(const std::vector<const CElement*>& inserts);
    // insertbar-insert and insertbar-item-insert elements.
    static QList<InsertbarInsert> insertbarInserts(const std::vector<const CElement*>& inserts);
    // The entries for every other file: tag libraries, document types,
    // toolbars, server models' menus, Extensions.txt and FTPExtensionMap.txt.
    // Flash's toolpanel changes are not Dreamweaver's and are left out.
    static QList<ConfigurationInsert> configurationInserts(const std::vector<const CElement*>& inserts);

    // Whether an entry marked with xml:lang language applies to a locale
    // folder such as "en_US"; an unmarked entry applies everywhere.
    static bool appliesTo(const QString& language, const QString& locale);
};
