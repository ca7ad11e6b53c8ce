#pragma once

#include <QList>
#include <QString>

// What an install or a removal did, file by file, for a caller to show. The
// procedures themselves still answer only with their plain results.
class InstallReport
{
public:
    enum class FileOutcome {
        Written, // extracted (or the manifest copy stored)
        MissingFromPackage, // no such entry, or it could not be read
        RefusedDestination, // empty or relative destination
        WriteFailed, // the entry was read but the file could not be written
        Removed,
        NotPresent, // nothing to delete at that path
        KeptShared, // another installed extension still lists the same path
        RemoveFailed,
        KeptUnfinished, // the stored manifest, while a part of its removal failed
        KeptSystemFile, // listed as a system file, which a removal leaves
    };

    enum class XmlOutcome {
        Edited,
        Unchanged, // nothing to add or take out; the file was not rewritten
        Failed,
    };

    enum class EntryKind {
        MenuEntry, // a menu-insert's block in Menus.xml
        InsertbarButton, // an insertbar-item-insert's block, or a button of an earlier install
        Shortcut, // a shortcut-insert's block in Menus.xml
        InsertbarCategory, // an insertbar-insert's category, or the items it added to one of that id
        // The entries of other files, in the order of ConfigurationInsert::Kind.
        TagLibrary,
        DocumentType,
        Toolbar,
        ToolbarItem,
        ServerMenuEntry,
        ExtensionLine,
        FtpMapLine,
    };

    enum class EntryOutcome {
        Added,
        AlreadyPresent, // the id is already inside the target: nothing added
        TargetMissing, // no element carries the id to add to
        Removed,
        NotPresent, // nothing carries the id any more
        KeptHoldsElements, // the entry was found but holds elements of its own
        Refused, // its markup would break the file (detail says how): nothing added
        FileSkipped, // it names a file the install skipped (detail): nothing added
    };

    struct FileResult
    {
        QString locale;
        QString source; // the package entry or manifest name, as the manifest gives it
        QString path; // where it went or would have gone; empty when refused before resolving
        FileOutcome outcome;
        QString detail; // reason for a failure, or the extension that still needs the file
    };

    struct XmlResult
    {
        QString locale;
        QString path;
        XmlOutcome outcome;
        QString detail;
    };

    struct EntryResult
    {
        QString locale;
        QString path; // the configuration file edited
        EntryKind kind = EntryKind::MenuEntry;
        QString id; // the ids of the block's elements, for display
        QString target; // the element its placement names
        EntryOutcome outcome = EntryOutcome::Added;
        QString detail; // why it was refused

        // The fields every outcome has; the others are set by name where they apply.
        static EntryResult of(EntryKind kind, const QString& id, const QString& target, EntryOutcome outcome,
            const QString& detail = QString())
        {
            EntryResult result;
            result.kind = kind;
            result.id = id;
            result.target = target;
            result.outcome = outcome;
            result.detail = detail;
            return result;
        }
    };

    // A planned report describes what a dry run would do; nothing was changed.
    void setPlanned(bool planned) { m_planned = planned; }
    bool isPlanned() const { return m_planned; }

    void addFile(const FileResult& result) { m_files.append(result); }
    void addEntry(const EntryResult& result) { m_entries.append(result); }
    void addEntry(EntryResult&& result) { m_entries.append(std::move(result)); }
    void addEntries(QList<EntryResult>&& results);
    void addXml(const XmlResult& result) { m_xmlFiles.append(result); }
    void setError(const QString& error) { m_error = error; }

    QList<FileResult> files() const { return m_files; }
    QList<XmlResult> xmlFiles() const { return m_xmlFiles; }
    QList<EntryResult> entries() const { return m_entries; }
    // Why the whole operation stopped early; empty when it ran to its end.
    QString error() const { return m_error; }

    int fileCount(FileOutcome outcome) const;
    // One line per file and per XML file, for a log view or a terminal.
    QString toText() const;

    // planned words the outcome as what a dry run would do.
    static QString describe(FileOutcome outcome, bool planned = false);
    static QString describe(XmlOutcome outcome, bool planned = false);
    static QString describe(EntryOutcome outcome, bool planned = false);
    static QString describe(EntryKind kind);

private:
    QList<FileResult> m_files;
    QList<XmlResult> m_xmlFiles;
    QList<EntryResult> m_entries;
    QString m_error;
    bool m_planned = false;
};
