#pragma once

#include "discovery/ConfigurationInsert.h"
#include "discovery/InsertbarInsert.h"
#include "discovery/MenuInsert.h"
#include "installer/InstallRecord.h"
#include "installer/InstallReport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Accessor;
class CElement;
class EditSession;

// Adds and removes a manifest's menu entries, shortcuts and Insert-bar
// categories and items in the text of Menus.xml and insertbar.xml. Works on
// text only, so that the file handling around it (seeding, backups, atomic
// writes) stays apart.
//
// All of a package's entries go into one EditSession, which parses the file
// once; an entry that must find an element an earlier one added gets a new
// parse (see EditSession).
class EntryEditor
{
public:
    static QString menuIndentUnit() { return QStringLiteral("    "); }
    static QString insertbarIndentUnit() { return QStringLiteral("\t"); }
    // Levels of a snippet below this one are indented like this one.
    static constexpr int maximumIndentDepth = 64;

    using EntryResults = QList<InstallReport::EntryResult>;
    using Placed = QList<InstallRecord::Entry>;

    // Each entry goes in as one block, laid out like the file. Entries whose
    // target is missing, or whose elements are all already there, are
    // skipped; elements of a block that are already there are left out of it.
    // An entry whose markup would break the file (MarkupBalance) is refused
    // with the reason. Inserted lines end as the text's first line does.
    // results, when given, receives one row per entry (kind, ids, target,
    // outcome; the caller knows the locale and the path). placed, when
    // given, receives each block added: where it went and its exact text,
    // which is what removeEntries takes out again (the caller knows the file).
    static QString addMenuInserts(const QString& text, const QList<MenuInsert>& inserts,
        EntryResults* results = nullptr, Placed* placed = nullptr);
    static QString addInsertbarInserts(const QString& text, const QList<InsertbarInsert>& inserts,
        EntryResults* results = nullptr, Placed* placed = nullptr);
    static void addMenuInserts(
        EditSession& session, const QList<MenuInsert>& inserts, EntryResults* results, Placed* placed);
    static void addInsertbarInserts(
        EditSession& session, const QList<InsertbarInsert>& inserts, EntryResults* results, Placed* placed);
    // The markup entries of another file (lines are TextListEditor's), each
    // of kind as the report and the record name it. An entry with no target
    // goes at the end of the file's outermost element; a toolbar item whose
    // neighbour is missing, at the end of its fallback toolbar.
    static QString addConfigurationInserts(const QString& text, const QList<ConfigurationInsert>& inserts,
        InstallReport::EntryKind kind, EntryResults* results = nullptr, Placed* placed = nullptr);
    static void addConfigurationInserts(EditSession& session, const QList<ConfigurationInsert>& inserts,
        InstallReport::EntryKind kind, EntryResults* results, Placed* placed);
    // Takes blocks out, the last first: its exact text where it is still
    // whole, otherwise each element it listed that holds no other element.
    static QString removeEntries(const QString& text, const Placed& entries, EntryResults* results = nullptr);
    static void removeEntries(EditSession& session, const Placed& entries, EntryResults* results);
    // What a manifest's entries would have added, for an extension stored
    // without an install record: every element with an id straight inside
    // the element its appendTo or prependTo names.
    static Placed placedByManifest(const QList<MenuInsert>& inserts);
    static Placed placedByManifest(const QList<InsertbarInsert>& inserts);

    // The element a block goes into, as the install finds it; the element
    // the placement names goes to target. Null when it is not there.
    static CElement* placeOf(EditSession& session, const MenuInsert& entry, CElement** target = nullptr);
    static CElement* placeOf(EditSession& session, const InsertbarInsert& entry, CElement** target = nullptr);
    static CElement* placeOf(EditSession& session, const ConfigurationInsert& entry, CElement** target = nullptr);

    // Lays out a snippet's elements each on a line of its own: the first
    // level at childIndentation, each deeper one a unit further.
    static void reindent(CElement* node, const QString& childIndentation, const QString& unit);

    // "<x .../>" becomes "<x ...>" + lineEnd and the element's own
    // indentation + "</x>", so that markup added to it lands inside it.
    // Returns false (and changes nothing) for any other kind of node.
    static bool expandEmptyElement(CElement* element, const QString& lineEnd);

private:
    struct Block;
    struct Insertion;
    // Puts the block in place and notes the outcome, in the steps below.
    static void place(EditSession& session, Block block, EntryResults* results, Placed* placed);
    // Lists in present the block's elements its parent holds already; true when that is every one.
    static bool leaveOutPresent(EditSession& session, Block& block, QStringList* present);
    // The block's markup parsed with those elements emptied and their ids
    // left out of the block; null for a plain element that goes in as its text.
    static Accessor* snippetWithout(
        EditSession& session, Block& block, const QStringList& present, std::optional<Accessor>& parsed);
    // How the record and the report name the block's parent.
    static QString parentLocator(const Block& block);
    // Opens a parent written as one tag, so that the block can go inside it;
    // false (with the outcome noted) when it cannot be found again after.
    static bool openEmptyParent(
        EditSession& session, Block& block, const QString& locator, EntryResults* results, Placed* placed);
    static void findInsertion(EditSession& session, const Block& block, bool hasSnippet, Insertion* insertion);
    // The same, after refusing markup that would break the file (MarkupBalance)
    // and skipping a block that has no place to go.
    static void placeIfSound(EditSession& session, Block block, EntryResults* results, Placed* placed);
};
