#pragma once

#include "installer/InstallReport.h"

#include <QHash>
#include <QList>
#include <QString>

// What one install changed in one locale, kept beside the stored manifest so
// that the removal takes away exactly that: a file that was there before the
// install comes back from its backup, and a menu entry or button that the
// install found already present stays where it was.
class DreamweaverInfo;

class InstallRecord
{
public:
    struct File
    {
        // Absolute in memory; written relative to the root it lies below
        // (see Roots), so that a copied profile's record names the copy's files.
        QString path;
        // Name, in backupFolder(), of the content the install replaced; empty
        // when the install created the file.
        QString backup;
    };

    // A block of markup or a line the install added to a configuration file.
    struct Entry
    {
        InstallReport::EntryKind kind;
        QString id; // for display
        QString target;
        bool createdTarget = false; // a button's category was created for it (records of earlier versions)
        // The element the block went into: "name#id", "#id" for any element
        // with the id, or "name" for the first element so named.
        QString parent;
        // The block's exact text; removing it gives the file back byte for
        // byte. Empty in records of earlier versions.
        QString inserted;
        // The block's elements with an id, outermost first: what the removal
        // takes out where the exact text is no longer there.
        QStringList ids;
        // The file, relative to the Configuration folder; empty for Menus.xml
        // and insertbar.xml, which the kind tells.
        QString file;
    };

    // The folders a record's files are named relative to: the locale's
    // configuration folder and the user's home folder, the only two an
    // install writes below.
    struct Roots
    {
        QString configuration;
        QString home;
    };
    static Roots roots(const DreamweaverInfo& dreamweaver, const QString& locale);

    // Records are a line per file or entry, each field little larger than
    // the text it holds; write refuses a record past this size, so that
    // whatever an install writes its removal reads. The configuration files
    // an install edits are capped at 64 MiB each.
    static constexpr qint64 maximumSize = 256 * 1024 * 1024;

    // The record's own suffix and folder never end in ".mxi", so the
    // installed list never takes them for a manifest.
    static QString recordPath(const QString& storedManifestPath);
    static QString backupFolder(const QString& storedManifestPath);
    // Two spellings of one file compare equal; Windows file names ignore case.
    static QString pathKey(const QString& path);

    // False, with the reason, for a file that is not a whole record of this
    // or an earlier version (one cut short, a relative path climbing out of
    // its root); nothing of it is kept then. Paths of earlier versions'
    // records are absolute and read as they are: the removal checks where
    // each leads.
    [[nodiscard]] bool read(const QString& path, const Roots& roots, QString* error);
    // False, with the reason, when a file lies below neither root or the
    // record would pass maximumSize; nothing is written then.
    [[nodiscard]] bool write(const QString& path, const Roots& roots, QString* error) const;

    // Index in files of path, or -1.
    int indexOf(const QString& path) const;
    // Copies the file at path into folder under a name no other backup there
    // has, and returns that name; empty when the copy could not be made.
    [[nodiscard]] static QString backUp(const QString& path, const QString& folder);
    // Appends entry unless an equal one is there already.
    void addEntry(Entry&& entry);
    // Renames from over to, replacing it in one step, and makes to's folder
    // if it is gone.
    [[nodiscard]] static bool moveOver(const QString& from, const QString& to);

    qint64 installedAt = 0; // milliseconds since the epoch: orders installs that hold one path
    // The copy of the package kept for a later copy or reinstall, relative to
    // the program's data folder; empty in records of earlier versions.
    QString package;
    QList<File> files;
    QList<Entry> entries;

private:
    // Numbers in entries by a hash of each entry's fields, so that an install
    // of many entries does not compare each with all before it. Built anew
    // whenever entries has grown or shrunk outside addEntry.
    QMultiHash<size_t, int> m_entryIndex;
    int m_indexedEntries = 0;
};
