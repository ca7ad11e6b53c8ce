#pragma once

#include "discovery/InsertbarInsert.h"
#include "discovery/MenuInsert.h"
#include "installer/InstallReport.h"

#include <QList>
#include <QString>
#include <QStringList>

class Accessor;
class CElement;

// Adds and removes a manifest's menu entries and Insert-bar buttons in the
// text of Menus.xml and insertbar.xml. Works on text only, so that the file
// handling around it (seeding, backups, atomic writes) stays apart.
//
// Each entry is applied to a fresh parse of the text as the previous entries
// left it: inserted markup is raw text of one node until it is parsed again,
// and a later entry may need to find an element that an earlier one added.
class EntryEditor
{
public:
    static QString menuIndentUnit() { return QStringLiteral("    "); }
    static QString insertbarIndentUnit() { return QStringLiteral("\t"); }
    // Levels of a snippet below this one are indented like this one.
    static constexpr int maximumIndentDepth = 64;

    using EntryResults = QList<InstallReport::EntryResult>;

    // Entries whose target is missing, or that are already there, are skipped;
    // so is an entry whose markup would break the file (MarkupBalance), and
    // that one is reported refused with the reason. Inserted lines end as
    // the text's first line does.
    // results, when given, receives one row per entry (kind, id, target and
    // outcome; the caller knows the locale and the path).
    static QString addMenuInserts(
        const QString& text, const QList<MenuInsert>& inserts, EntryResults* results = nullptr);
    static QString addInsertbarInserts(
        const QString& text, const QList<InsertbarInsert>& inserts, EntryResults* results = nullptr);
    static QString removeMenuInserts(
        const QString& text, const QList<MenuInsert>& inserts, EntryResults* results = nullptr);
    // removableCategories, when given, names the only categories that may go
    // once their last element is gone.
    static QString removeInsertbarInserts(const QString& text, const QList<InsertbarInsert>& inserts,
        EntryResults* results = nullptr, const QStringList* removableCategories = nullptr);

    // Puts markup after the target's last element and before the white space
    // that precedes its end tag, re-indented one unit deeper than that end tag,
    // each line ended by lineEnd.
    static void insertMarkup(CElement* target, const QString& markup, const QString& unit, const QString& lineEnd);
    static void reindent(CElement* node, const QString& indentation, const QString& unit);
    // Blanks every child carrying id that holds no element, with the
    // indentation in front of it.
    static void removeChildrenById(CElement* parent, const QString& id);

    // "<x .../>" becomes "<x ...>" + lineEnd and the element's own
    // indentation + "</x>", so that markup added to it lands inside it.
    // Returns false (and changes nothing) for any other kind of node.
    static bool expandEmptyElement(CElement* element, const QString& lineEnd);

private:
    class Draft;
    // Opens target when it is an empty element, then puts markup into it;
    // false when the opened target is no longer found, leaving the entry out.
    static bool insertIntoTarget(
        Draft& draft, CElement* target, const QString& targetId, const QString& markup, const QString& unit);
};
