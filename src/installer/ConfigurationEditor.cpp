#include "installer/ConfigurationEditor.h"

#include "discovery/ConfigurationChanges.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationFile.h"
#include "installer/EditSession.h"
#include "installer/EntryEditor.h"
#include "installer/InstallReport.h"

#include <QFileInfo>

namespace {

const char menusRelativePath[] = "/Menus/Menus.xml";
const char menusBackupName[] = "Menus.xbk";
const char insertbarRelativePath[] = "/Objects/insertbar.xml";
const char insertbarBackupName[] = "insertbar.xbk";

} // namespace

ConfigurationEditor::ConfigurationEditor(const DreamweaverInfo& dreamweaver, InstallReport* report)
    : m_dreamweaver(dreamweaver)
    , m_report(report)
{
}

QString ConfigurationEditor::menusPath(const QString& locale) const
{
    return m_dreamweaver.configurationFolder(locale) + QLatin1String(menusRelativePath);
}

QString ConfigurationEditor::insertbarPath(const QString& locale) const
{
    return m_dreamweaver.configurationFolder(locale) + QLatin1String(insertbarRelativePath);
}

QStringList ConfigurationEditor::managedPaths(const QString& locale) const
{
    const QString menus = menusPath(locale);
    const QString insertbar = insertbarPath(locale);
    return { menus, QFileInfo(menus).path() + QLatin1Char('/') + QLatin1String(menusBackupName), insertbar,
        QFileInfo(insertbar).path() + QLatin1Char('/') + QLatin1String(insertbarBackupName) };
}

bool ConfigurationEditor::edit(const QString& locale, const QString& relativePath, const QString& backupName,
    Missing missing, const std::function<void(EditSession&, EntryEditor::EntryResults*)>& change)
{
    const QString path = m_dreamweaver.configurationFolder(locale) + relativePath;
    ConfigurationFile file(path, QFileInfo(path).absolutePath() + QLatin1Char('/') + backupName);

    auto report = [&](InstallReport::XmlOutcome outcome, const QString& detail) {
        if (outcome == InstallReport::XmlOutcome::Failed) {
            m_error = detail;
        }
        if (m_report) {
            m_report->addXml({ locale, path, outcome, detail });
        }
    };

    const bool planned = m_dryRun && m_plannedTexts && m_plannedTexts->contains(path);
    if (!planned && !file.exists() && missing == Missing::LeaveAlone) {
        report(InstallReport::XmlOutcome::Unchanged, QStringLiteral("not present"));
        return true;
    }
    QString original;
    bool seeded = false;
    if (planned) {
        original = m_plannedTexts->value(path);
    } else {
        QString seedPath;
        if (missing == Missing::Seed && !m_dreamweaver.installFolder().isEmpty()) {
            seedPath = m_dreamweaver.installFolder() + QStringLiteral("/Configuration") + relativePath;
        }
        if (!file.load(seedPath)) {
            report(InstallReport::XmlOutcome::Failed, file.errorString());
            return false;
        }
        original = file.takeText();
        seeded = file.isSeeded();
    }

    EntryEditor::EntryResults entries;
    QString edited;
    bool changed = false;
    {
        // The session (its tree and the text it parsed) is gone before the
        // text is encoded, so that a large file is not held three times over.
        EditSession session(original);
        original = QString();
        change(session, m_report ? &entries : nullptr);
        edited = session.text();
        changed = session.isEdited() && edited != session.originalText();
    }
    for (InstallReport::EntryResult& entry : entries) {
        entry.locale = locale;
        entry.path = path;
        m_report->addEntry(entry);
    }
    // An unchanged file is not rewritten: that would only churn its backup.
    // A seeded copy is written even then, since it must exist.
    if (!changed && !seeded) {
        report(InstallReport::XmlOutcome::Unchanged, QString());
        return true;
    }
    QByteArray bytes = ConfigurationFile::encode(edited);
    // A file past the cap could no longer be read, and no later install or
    // removal could edit it.
    if (bytes.size() > ConfigurationFile::maximumSize()) {
        report(InstallReport::XmlOutcome::Failed,
            QStringLiteral("the edit would make it larger than %1 bytes").arg(ConfigurationFile::maximumSize()));
        return false;
    }
    if (m_dryRun) {
        if (m_plannedTexts) {
            m_plannedTexts->insert(path, edited);
        }
        report(InstallReport::XmlOutcome::Edited, seeded ? QStringLiteral("seeded") : QString());
        return true;
    }
    edited = QString();
    if (!file.save(std::move(bytes))) {
        report(InstallReport::XmlOutcome::Failed, file.errorString());
        return false;
    }
    report(InstallReport::XmlOutcome::Edited, seeded ? QStringLiteral("seeded") : QString());
    return true;
}

bool ConfigurationEditor::editsMenus(InstallReport::EntryKind kind)
{
    return kind == InstallReport::EntryKind::MenuEntry || kind == InstallReport::EntryKind::Shortcut;
}

bool ConfigurationEditor::addMenuInserts(const QString& locale, const ExtensionInfo& record)
{
    QList<MenuInsert> inserts;
    for (const MenuInsert& entry : record.menuInserts()) {
        if (ConfigurationChanges::appliesTo(entry.language, locale)) {
            inserts.append(entry);
        }
    }
    if (inserts.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(menusRelativePath), QLatin1String(menusBackupName), Missing::Seed,
        [&](EditSession& session, EntryEditor::EntryResults* results) {
            EntryEditor::addMenuInserts(session, inserts, results);
        });
}

bool ConfigurationEditor::addInsertbarInserts(const QString& locale, const ExtensionInfo& record)
{
    QList<InsertbarInsert> inserts;
    for (const InsertbarInsert& entry : record.insertbarInserts()) {
        if (ConfigurationChanges::appliesTo(entry.language, locale)) {
            inserts.append(entry);
        }
    }
    if (inserts.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(insertbarRelativePath), QLatin1String(insertbarBackupName), Missing::Seed,
        [&](EditSession& session, EntryEditor::EntryResults* results) {
            EntryEditor::addInsertbarInserts(session, inserts, results);
        });
}

bool ConfigurationEditor::removeMenuInserts(const QString& locale, const ExtensionInfo& record)
{
    return removeMenuEntries(locale, EntryEditor::placedByManifest(record.menuInserts()));
}

bool ConfigurationEditor::removeInsertbarInserts(const QString& locale, const ExtensionInfo& record)
{
    return removeInsertbarEntries(locale, EntryEditor::placedByManifest(record.insertbarInserts()));
}

bool ConfigurationEditor::removeMenuEntries(const QString& locale, const EntryEditor::Placed& entries)
{
    if (entries.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(menusRelativePath), QLatin1String(menusBackupName), Missing::LeaveAlone,
        [&](EditSession& session, EntryEditor::EntryResults* results) {
            EntryEditor::removeEntries(session, entries, results);
        });
}

bool ConfigurationEditor::removeInsertbarEntries(const QString& locale, const EntryEditor::Placed& entries)
{
    if (entries.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(insertbarRelativePath), QLatin1String(insertbarBackupName), Missing::LeaveAlone,
        [&](EditSession& session, EntryEditor::EntryResults* results) {
            EntryEditor::removeEntries(session, entries, results);
        });
}
