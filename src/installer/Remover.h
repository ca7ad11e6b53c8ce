#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class DreamweaverInfo;
class IProgress;
class InstallReport;

// Takes one installed extension out of every locale of one Dreamweaver
// installation, working from the manifest copy the install stored: menu
// entries, Insert-bar buttons, files and the folders they leave empty, and the
// stored copy last, so that an interrupted removal can be run again. A locale
// where any part failed keeps its stored copy, so that the extension stays
// listed and a later removal can finish the job.
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

    // mxiName is the stored copy's file name, without folders.
    void removeExtension(const QString& mxiName);

    // Deletes the file and the stale temporaries of a killed install beside
    // it, then, below a "/Configuration/" folder only, every folder it leaves
    // empty (or holding only such temporaries) up to (not including) the
    // configuration folder's own top-level folders.
    static void removeFileAndEmptyFolders(const QString& path);

private:
    // For each file path that the other extensions stored in this locale
    // list, the name of one of them.
    QHash<QString, QString> pathsListedByOthers(const QString& locale, const QString& mxiName) const;
    // Why each file that should have gone is still there.
    QStringList removeListedFiles(const QString& locale, const QString& mxiName, const class ExtensionInfo& record);

    const DreamweaverInfo& m_dreamweaver;
    IProgress* m_progress;
    InstallReport* m_report;
    bool m_dryRun = false;
    QHash<QString, QString>* m_plannedTexts = nullptr;
};
