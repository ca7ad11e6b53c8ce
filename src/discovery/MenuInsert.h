#pragma once

#include <QString>

// One "menu-insert" element of a manifest: markup to add below a Menus.xml element.
struct MenuInsert
{
    QString appendTo; // id of the Menus.xml element that receives the markup
    QString itemId; // first non-empty child id; finds the entry again on removal
    QString markup; // everything between the element's tags, as written

    bool operator==(const MenuInsert& other) const
    {
        return appendTo == other.appendTo && itemId == other.itemId && markup == other.markup;
    }
    bool operator!=(const MenuInsert& other) const { return !(*this == other); }
};
