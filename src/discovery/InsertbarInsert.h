#pragma once

#include "discovery/MenuInsert.h"

#include <QString>
#include <QStringList>

// One "insertbar-insert" (a whole category) or "insertbar-item-insert" (one
// button, menubutton, checkbutton or separator) of a manifest.
struct InsertbarInsert
{
    using Placement = MenuInsert::Placement;

    bool category = false; // an insertbar-insert
    // The category or item the placement names; empty for a category that
    // goes at the end of the Insert bar.
    QString target;
    // An item: the category to add to when its placement names an item that
    // is not there. A category: its own id.
    QString categoryId;
    QStringList itemIds; // ids of the elements the markup holds, in document order
    QString markup; // the category or the item element, as written
    Placement placement = Placement::AppendTo;
    QString language;

    bool operator==(const InsertbarInsert& other) const
    {
        return category == other.category && target == other.target && categoryId == other.categoryId
            && itemIds == other.itemIds && markup == other.markup && placement == other.placement
            && language == other.language;
    }
    bool operator!=(const InsertbarInsert& other) const { return !(*this == other); }
};
