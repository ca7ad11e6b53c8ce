#pragma once

#include "installer/InstallRecord.h"
#include "installer/InstallReport.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class ConfigurationEditor;
class DreamweaverInfo;
class ExtensionInfo;
class IProgress;
class InstallReport;

// Takes one installed extension out of every locale of one Dreamweaver
// installation, working from the manifest copy the install stored: menu
// entries, Insert-bar buttons, files and the folders they leave empty, and the
// stored copy last, so that an interrupted removal can be run again. A locale
// where any part failed keeps its stored copy, so that the extension stays
// listed and a later removal can finish the job.
//
// An extension stored with an install record loses only what that record
// lists: entries its install added, files it wrote, and files it replaced,
// which come back from their backups. One stored without a record (by an
// earlier version or another tool) loses every entry and file its manifest
// lists.
class Remover
{
public:
    // progress and report may be null.
    Remover(const DreamweaverInfo& dreamweaver, IProgress* progress, InstallReport* report);

    // A dry run fills the report (marked planned) with what the removal would
    // do, deleting nothing.
    // plannedTexts: see ConfigurationEditor::setDryRun.
    void setDryRun(bool dryRun, QHash<QString, QString>* plannedTexts = nullptr)
    {
        m_dryRun = dryRun;
        m_plannedTexts = plannedTexts;
    }

    // The manifest to remove by is one another program (Adobe's Extension
    // Manager) keeps, not one of this program's store.
    void setInstalledByOtherProgram(bool other) { m_otherProgram = other; }

    // mxiName is the stored copy's file name, without folders.
    void removeExtension(const QString& mxiName);

    // Deletes the file and the stale temporaries of a killed install beside
    // it, then, below a "/Configuration/" folder only, every folder it leaves
    // empty (or holding only such temporaries) up to (not including) the
    // configuration folder's own top-level folders.
    static void removeFileAndEmptyFolders(const QString& path);

private:
    void removeFromLocale(ConfigurationEditor& editor, const QString& locale, const QString& mxiName);
    // The locale's install record, or none when it cannot be read or claims
    // files its install could not have written; the report then says why
    // nothing was changed.
    std::optional<InstallRecord> trustedRecord(
        const QString& locale, const QString& mxiName, const ExtensionInfo& manifest, const QString& storedPath);

    // Which kinds of entries came out whole, and why the others did not.
    struct EntriesDone
    {
        bool menus = false;
        bool buttons = false;
        bool others = false; // entries of other configuration files
        QStringList failures;
        bool of(const InstallRecord::Entry& entry) const;
    };
    // Takes out the entries changes lists or, without a record, every entry the manifest lists.
    EntriesDone removeEntries(
        ConfigurationEditor& editor, const QString& locale, const ExtensionInfo& manifest, const InstallRecord* changes);
    // The last step of a removal: the record, the backups and the stored copy.
    void removeStoredCopy(
        const QString& locale, const QString& mxiName, const QString& storedPath, const QString& backupFolder);

    // Why the record's claim on each file its install could not have
    // written, by path: one outside the locale's configuration folder and
    // the home folder, a managed file, or a file in the home folder that no
    // entry of the manifest puts there. Empty for a record to be trusted.
    QHash<QString, QString> unwrittenFiles(
        const QString& locale, const ExtensionInfo& manifest, const InstallRecord& changes) const;

    // Another extension stored in the same locale, with the files it holds:
    // those its install record lists or, without one, those its manifest lists.
    struct Holder
    {
        QString name;
        QString storedPath;
        bool hasRecord;
        InstallRecord record;
        QSet<QString> paths; // InstallRecord::pathKey of each
        QSet<QString> listed; // the same of each file its manifest lists, record or not
    };
    QList<Holder> otherHolders(const QString& locale, const QString& mxiName) const;

    // Why each file that should have gone is still there. changes, when the
    // extension has a record, decides what happens to each file and keeps
    // only what could not be undone.
    QStringList removeListedFiles(const QString& locale, const QString& mxiName, const ExtensionInfo& record,
        InstallRecord* changes, const QString& backupFolder);
    // Undoes the record's claim on one file into result; failure receives
    // why it could not be undone. A shared file stays while any other
    // extension's manifest lists it, whatever its install wrote.
    void undoFile(const InstallRecord::File& claim, const InstallRecord& changes, const QString& backupFolder,
        QList<Holder>& others, bool shared, InstallReport::FileResult& result, QString* failure);
    // Deletes a file no other extension holds; false when it stays.
    bool deleteFile(InstallReport::FileResult& result);

    const DreamweaverInfo& m_dreamweaver;
    IProgress* m_progress;
    InstallReport* m_report;
    bool m_dryRun = false;
    QHash<QString, QString>* m_plannedTexts = nullptr;
    InstallRecord::Roots m_roots; // of the locale being removed from
    bool m_otherProgram = false;
};
