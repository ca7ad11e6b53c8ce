#pragma once

#include "installer/EntryEditor.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class DreamweaverInfo;
class EditSession;
class ExtensionInfo;
class InstallRecord;
class InstallReport;

// Adds a manifest's menu entries and Insert-bar buttons to the per-user
// Menus.xml and insertbar.xml of one locale, and its other configuration
// changes (ConfigurationInsert) to the files they name, and takes them out
// again.
// Dreamweaver's own copies below the program folder are only ever read, to
// seed a per-user copy that does not exist yet.
class ConfigurationEditor
{
public:
    // report may be null.
    ConfigurationEditor(const DreamweaverInfo& dreamweaver, InstallReport* report);

    // Texts a dry run would have written, by path, so that one plan can
    // build on another (a removal, then the install that replaces it).
    using PlannedTexts = QHash<QString, QString>;

    // A dry run reads the files and reports what each edit would do, but
    // writes nothing. plannedTexts, when given, is read in place of the files
    // it holds and receives each planned edit.
    void setDryRun(bool dryRun, PlannedTexts* plannedTexts = nullptr)
    {
        m_dryRun = dryRun;
        m_plannedTexts = plannedTexts;
    }

    // Only the entries whose xml:lang matches locale, or that have none.
    bool addMenuInserts(const QString& locale, const ExtensionInfo& record);
    bool addInsertbarInserts(const QString& locale, const ExtensionInfo& record);
    // What the manifest's entries would have added, for an extension stored without an install record.
    [[nodiscard]] bool removeMenuInserts(const QString& locale, const ExtensionInfo& record);
    [[nodiscard]] bool removeInsertbarInserts(const QString& locale, const ExtensionInfo& record);
    // The blocks an install record lists, from the file each kind edits.
    [[nodiscard]] bool removeMenuEntries(const QString& locale, const EntryEditor::Placed& entries);
    [[nodiscard]] bool removeInsertbarEntries(const QString& locale, const EntryEditor::Placed& entries);
    // Whether entries of kind go into Menus.xml (else insertbar.xml).
    static bool editsMenus(InstallReport::EntryKind kind);

    // The entries for other files, each file edited once. A file that
    // neither the user nor the program folder has is left alone, with its
    // entries reported missing: the extension works without it.
    bool addConfigurationInserts(const QString& locale, const ExtensionInfo& record);
    // Entries whose record names their file (InstallRecord::Entry::file).
    [[nodiscard]] bool removeConfigurationEntries(const QString& locale, const EntryEditor::Placed& entries);
    // What the manifest's markup entries with ids would have added, for an
    // extension stored without an install record. Lines have no id to tell
    // them from the user's own, and stay.
    [[nodiscard]] bool removeConfigurationInserts(const QString& locale, const ExtensionInfo& record);
    static InstallReport::EntryKind entryKind(ConfigurationInsert::Kind kind);

    // The record that receives each block and line an edit adds, once its
    // file took it: only what an install added is the extension's to take
    // out again. None (the default): nothing is recorded.
    void setRecord(InstallRecord* record) { m_record = record; }

    // Files of the package that the install of locale skipped (absolute
    // paths): an entry whose markup names one of them, as a menu item's or
    // a button's "file" or as the command a "command" runs, is left out and
    // reported as FileSkipped, so that Dreamweaver gets no entry that points
    // at nothing.
    void setSkippedFiles(const QStringList& paths) { m_skippedFiles = paths; }

    QString menusPath(const QString& locale) const;
    QString insertbarPath(const QString& locale) const;
    // The per-user files this class edits for locale, and their backups.
    QStringList managedPaths(const QString& locale) const;

    // Why the last edit that returned false failed.
    QString errorString() const { return m_error; }

    // SeedWhenThere: as Seed, but a file without a seed is left alone.
    enum class Missing { Seed, SeedWhenThere, LeaveAlone };
    // Reads the per-user file at relativePath below locale's configuration
    // folder (Missing::Seed: or Dreamweaver's own copy when there is none),
    // hands it to change as one session for every change of the operation,
    // and writes what change left once, keeping the previous content as
    // backupName beside it. Each kind of configuration file goes through here.
    // change receives where to put its rows for the report and what it added
    // for the record; either may be null.
    using Change = std::function<void(EditSession&, EntryEditor::EntryResults*, EntryEditor::Placed*)>;
    [[nodiscard]] bool edit(const QString& locale, const QString& relativePath, const QString& backupName,
        Missing missing, const Change& change);

private:
    const DreamweaverInfo& m_dreamweaver;
    InstallReport* m_report;
    InstallRecord* m_record = nullptr;
    bool m_dryRun = false;
    PlannedTexts* m_plannedTexts = nullptr;
    QString m_error;
    QStringList m_skippedFiles;

    // The first skipped file that markup names, as the markup writes it;
    // empty when it names none. Insert-bar buttons also name files relative
    // to the Objects folder.
    QString skippedFileNamedBy(const QString& locale, const QString& markup, bool insertbar) const;
    // Hands what an edit of the file at path added to the record (none: nothing is recorded).
    void recordPlaced(const QString& locale, const QString& path, EntryEditor::Placed& placed);
    // Leaves out the entries that name a skipped file, with a row each in the report.
    template <class Entry>
    QList<Entry> withoutSkippedFiles(const QString& locale, const QList<Entry>& entries, const QString& path) const;
};
