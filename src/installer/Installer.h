#pragma once

#include "discovery/ExtensionInfo.h"
#include "discovery/FileEntry.h"
#include "installer/InstallReport.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class DreamweaverInfo;
class IPackage;
class IProgress;
class InstallRecord;

// Puts one extension package into every locale of one Dreamweaver
// installation: the manifest copy into the store folder, the listed files,
// then the menu entries and Insert-bar buttons. Beside each manifest copy it
// keeps an install record (see InstallRecord) of what it changed.
class Installer
{
public:
    // progress and report may be null.
    Installer(const DreamweaverInfo& dreamweaver, IProgress* progress, InstallReport* report);

    // A dry run reads the package and the configuration files and fills the
    // report (marked planned) with what the install would do, writing nothing.
    // plannedTexts: see ConfigurationEditor::setDryRun.
    void setDryRun(bool dryRun, QHash<QString, QString>* plannedTexts = nullptr)
    {
        m_dryRun = dryRun;
        m_plannedTexts = plannedTexts;
    }

    // A package's manifest as the caller read it from the package this
    // installer is given: its bytes, which the store keeps as they are, and
    // what they say, details included. The install then neither inflates nor
    // parses it again. Read by readManifest; kept by the caller.
    struct Manifest
    {
        QByteArray bytes;
        ExtensionInfo info;
    };
    static Manifest readManifest(const QString& path);
    void setManifest(const Manifest* manifest) { m_manifest = manifest; }

    // The most bytes the listed files may take per locale; tests lower it
    // rather than write gigabytes.
    void setMaxExtractedTotal(qint64 bytes) { m_maxExtractedTotal = bytes; }

    // Chooses the reader by the path's lower-cased suffix; false for any other
    // suffix. True means the manifest was stored for every locale, not that
    // every file arrived: the report tells which did.
    [[nodiscard]] bool installPackage(const QString& path);
    [[nodiscard]] bool installFromPackage(IPackage& package);

    // The folder a file entry goes to for locale, or an empty string (and
    // why, into reason) when the entry must be skipped. The destination's
    // token chooses the root: "$dreamweaver/Configuration" and
    // "$installfolder/Configuration" the per-user configuration folder of the
    // locale (which Dreamweaver reads before its own), "$userhomefolder",
    // "$userdesktopfolder" and "$userdocumentfolder" the user's home folder
    // and its Desktop and Documents. Token and folder names are matched in
    // any case and with either slash, and a folder that exists under another
    // case is taken as it is, as Windows would. Nothing lands outside the
    // root: other tokens name folders a user's install must not write, or
    // none this installer knows.
    static QString targetFolder(
        const DreamweaverInfo& dreamweaver, const FileEntry& entry, const QString& locale, QString* reason = nullptr);

    // The files an install of listed takes from package: a source that ends
    // in "/" or names a folder of the package stands for every file below it,
    // each going to the same place below the destination.
    static QList<FileEntry> packageFiles(IPackage& package, const QList<FileEntry>& listed);

    // Why no package file may be written at path for locale, or an empty
    // string when one may: the installer's own files (Menus.xml,
    // insertbar.xml, their backups, version.xml and the store of manifests)
    // would otherwise be replaced by whatever a package brings.
    // Outside the locale's configuration folder, every folder of every
    // Dreamweaver installation the program knows (per-user, program) is
    // managed as well: other locales' and installations' files, stores,
    // records and backups.
    static QString managedFileReason(const DreamweaverInfo& dreamweaver, const QString& path, const QString& locale);

    // Whether a manifest's file source may stand for a folder of the
    // package: one that ends in a slash, or whose name has no suffix.
    static bool mayNameFolder(const QString& source);

private:
    // extractedTotal: the bytes the locale's listed files took so far.
    // changes, when given, receives the file, and a backup of what it replaces
    // goes to backupFolder first.
    void extractListedFile(IPackage& package, const FileEntry& entry, const QString& locale, qint64& extractedTotal,
        InstallRecord* changes, const QString& backupFolder);
    // Why the manifest copy could not be stored at storedPath, or empty;
    // for a dry run, which writes nothing to find out.
    static QString storeProblem(const QString& storedPath);

    const DreamweaverInfo& m_dreamweaver;
    IProgress* m_progress;
    // The entries the record needs arrive through a report, so one is kept
    // when the caller gives none.
    InstallReport m_ownReport;
    InstallReport* m_report;
    bool m_dryRun = false;
    QHash<QString, QString>* m_plannedTexts = nullptr;
    const Manifest* m_manifest = nullptr;
    qint64 m_maxExtractedTotal;
    // Paths (as record keys) this install wrote in an earlier locale: a home
    // file every locale lists belongs to the first locale's record, or the
    // next would keep the first's copy as the user's file to bring back.
    QSet<QString> m_writtenPaths;
};
