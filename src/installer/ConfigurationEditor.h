#pragma once

#include "installer/EntryEditor.h"

#include <QString>

#include <functional>

class DreamweaverInfo;
class ExtensionInfo;
class InstallReport;

// Adds a manifest's menu entries and Insert-bar buttons to the per-user
// Menus.xml and insertbar.xml of one locale, and takes them out again.
// Dreamweaver's own copies below the program folder are only ever read, to
// seed a per-user copy that does not exist yet.
class ConfigurationEditor
{
public:
    // report may be null.
    ConfigurationEditor(const DreamweaverInfo& dreamweaver, InstallReport* report);

    // A dry run reads the files and reports what each edit would do, but
    // writes nothing.
    void setDryRun(bool dryRun) { m_dryRun = dryRun; }

    bool addMenuInserts(const QString& locale, const ExtensionInfo& record);
    bool addInsertbarInserts(const QString& locale, const ExtensionInfo& record);
    bool removeMenuInserts(const QString& locale, const ExtensionInfo& record);
    bool removeInsertbarInserts(const QString& locale, const ExtensionInfo& record);

    QString menusPath(const QString& locale) const;
    QString insertbarPath(const QString& locale) const;

private:
    enum class Missing { Seed, LeaveAlone };

    bool edit(const QString& locale, const QString& relativePath, const QString& backupName, Missing missing,
        const std::function<QString(const QString&, EntryEditor::EntryResults*)>& change);

    const DreamweaverInfo& m_dreamweaver;
    InstallReport* m_report;
    bool m_dryRun = false;
};
