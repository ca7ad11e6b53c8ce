#pragma once

#include "discovery/PlainElement.h"

#include <QString>
#include <QStringList>

#include <optional>

// One "menu-insert" or "shortcut-insert" element of a manifest: a block of
// markup to place in Menus.xml relative to an element named by its id.
struct MenuInsert
{
    enum class Placement { AppendTo, PrependTo, InsertBefore, InsertAfter };

    // Id of the element the placement names; for a shortcut-insert, the
    // shortcutlist to add to, or empty to add whole lists to the file.
    QString target;
    QStringList itemIds; // ids of the block's own elements, in order; finds them again
    QString markup; // the children, a "comment" child already written as an XML comment
    Placement placement = Placement::AppendTo;
    bool skipSeparator = false; // insertAfter: past a separator that follows the target
    QString language; // xml:lang; empty applies to every locale
    bool shortcut = false;
    // The shape of markup as the manifest's reader found it, so that the
    // editor need not read the tag again; none when no reader looked. Whoever
    // changes markup afterwards resets it.
    std::optional<PlainElement> plain;

    // The manifest's attribute for a placement ("appendTo", ...).
    static QString placementName(Placement placement);

    bool operator==(const MenuInsert& other) const
    {
        return target == other.target && itemIds == other.itemIds && markup == other.markup
            && placement == other.placement && skipSeparator == other.skipSeparator && language == other.language
            && shortcut == other.shortcut;
    }
    bool operator!=(const MenuInsert& other) const { return !(*this == other); }
};
