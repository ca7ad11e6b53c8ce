#pragma once

#include <QString>

// One "button" of a "category" inside an "insertbar-insert" element of a manifest.
struct InsertbarInsert
{
    QString categoryId;
    QString folder; // may be empty: the button then goes straight into the category
    QString buttonId;
    QString markup; // the whole button element, as written

    bool operator==(const InsertbarInsert& other) const
    {
        return categoryId == other.categoryId && folder == other.folder && buttonId == other.buttonId
            && markup == other.markup;
    }
    bool operator!=(const InsertbarInsert& other) const { return !(*this == other); }
};
