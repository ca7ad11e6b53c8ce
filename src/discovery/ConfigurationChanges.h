#pragma once

#include "discovery/ConfigurationInsert.h"
#include "discovery/InsertbarInsert.h"
#include "discovery/MenuInsert.h"

#include <QList>
#include <QString>

class Accessor;

// Reads the entries of a manifest's "configuration-changes", in manifest
// order: a later entry may name an element that an earlier one creates.
class ConfigurationChanges
{
public:
    // menu-insert and shortcut-insert elements, with their placement.
    static QList<MenuInsert> menuInserts(Accessor& document);
    // insertbar-insert and insertbar-item-insert elements.
    static QList<InsertbarInsert> insertbarInserts(Accessor& document);
    // The entries for every other file: tag libraries, document types,
    // toolbars, server models' menus, Extensions.txt and FTPExtensionMap.txt.
    // Flash's toolpanel changes are not Dreamweaver's and are left out.
    static QList<ConfigurationInsert> configurationInserts(Accessor& document);

    // Whether an entry marked with xml:lang language applies to a locale
    // folder such as "en_US"; an unmarked entry applies everywhere.
    static bool appliesTo(const QString& language, const QString& locale);
};
