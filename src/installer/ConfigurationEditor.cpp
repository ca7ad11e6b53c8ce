#include "installer/ConfigurationEditor.h"

#include "discovery/ConfigurationChanges.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationFile.h"
#include "installer/EditSession.h"
#include "installer/EntryEditor.h"
#include "installer/InstallReport.h"
#include "installer/MarkupBalance.h"
#include "installer/TextListEditor.h"
#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "packages/PackageSupport.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const char menusRelativePath[] = "/Menus/Menus.xml";
const char menusBackupName[] = "Menus.xbk";
const char insertbarRelativePath[] = "/Objects/insertbar.xml";
const char insertbarBackupName[] = "insertbar.xbk";
// The other files a manifest may change under a name fixed in advance.
const char* const fixedChangedFiles[] = { "TagLibraries/TagLibraries.vtm", "DocumentTypes/MMDocumentTypes.xml",
    "Toolbars/toolbars.xml", "Extensions.txt", "FTPExtensionMap.txt" };

QString backupNameOf(const QString& file)
{
    return QFileInfo(file).fileName() + QStringLiteral(".bak");
}

// The outermost element of the file a kind of entry goes to, as a removal locates it.
QString rootLocator(ConfigurationInsert::Kind kind)
{
    switch (kind) {
    case ConfigurationInsert::Kind::TagLibrary:
        return QStringLiteral("taglibraries");
    case ConfigurationInsert::Kind::DocumentType:
        return QStringLiteral("documenttypes");
    default:
        return QStringLiteral("toolbarset");
    }
}

bool keepsFirstLine(const QString& file)
{
    return file == QLatin1String("Extensions.txt");
}

// Extensions.txt and FTPExtensionMap.txt are lists of lines; the others are markup.
bool isMarkup(const QString& relativePath)
{
    return !relativePath.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

// What an edit the file did not take leaves of each entry's row: whatever
// the row says was added or taken out is still as it was.
void markNotWritten(EntryEditor::EntryResults& entries, const QString& why)
{
    for (InstallReport::EntryResult& entry : entries) {
        if (entry.outcome == InstallReport::EntryOutcome::Added
            || entry.outcome == InstallReport::EntryOutcome::Removed) {
            entry.outcome = InstallReport::EntryOutcome::Refused;
            entry.detail = QStringLiteral("the file was not written: %1").arg(why);
        }
    }
}

// A path as Windows compares it: either slash, no "." steps, any case.
QString windowsKey(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList names;
    for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (name != QLatin1String(".")) {
            names << name;
        }
    }
    return names.join(QLatin1Char('/')).toLower();
}

// The entry's kind for the report, and its ids as the report shows them.
InstallReport::EntryKind kindOf(const MenuInsert& entry)
{
    return entry.shortcut ? InstallReport::EntryKind::Shortcut : InstallReport::EntryKind::MenuEntry;
}

InstallReport::EntryKind kindOf(const InsertbarInsert& entry)
{
    return entry.category ? InstallReport::EntryKind::InsertbarCategory : InstallReport::EntryKind::InsertbarButton;
}

InstallReport::EntryKind kindOf(const ConfigurationInsert& entry)
{
    return ConfigurationEditor::entryKind(entry.kind);
}

QString shownIds(const MenuInsert& entry)
{
    return entry.itemIds.join(QStringLiteral(", "));
}

QString shownIds(const InsertbarInsert& entry)
{
    return entry.category ? entry.categoryId : entry.itemIds.join(QStringLiteral(", "));
}

QString shownIds(const ConfigurationInsert& entry)
{
    return entry.isLine() ? entry.markup : entry.itemIds.join(QStringLiteral(", "));
}

template <class Entry> bool isLineEntry(const Entry&)
{
    return false;
}

bool isLineEntry(const ConfigurationInsert& entry)
{
    return entry.isLine();
}

bool isInsertbar(const MenuInsert&)
{
    return false;
}

bool isInsertbar(const InsertbarInsert&)
{
    return true;
}

bool isInsertbar(const ConfigurationInsert&)
{
    return false;
}

// Whether the XML declaration at the start of text names an encoding other
// than UTF-8, in which characters beyond ASCII would be written as bytes the
// file's readers take for other characters, or for none.
bool declaresOtherEncoding(const QString& text)
{
    QStringView start(text);
    if (start.startsWith(QChar(0xfeff))) {
        start = start.mid(1);
    }
    if (!start.startsWith(QLatin1String("<?xml"))) {
        return false;
    }
    const qsizetype end = start.indexOf(QLatin1String("?>"));
    if (end < 0) {
        return false;
    }
    QString encoding;
    CElement::attributesOf(start.left(end + 2), { { QLatin1String("encoding"), &encoding } });
    encoding = encoding.trimmed().toLower();
    return !encoding.isEmpty() && encoding != QLatin1String("utf-8") && encoding != QLatin1String("utf8");
}

// markup with each character beyond ASCII written as a character reference,
// which every encoding carries. False (markup unchanged) where one stands in
// a name, where no reference may stand, or is half a surrogate pair.
bool withCharacterReferences(QString* markup)
{
    const QString& in = *markup;
    if (std::all_of(in.cbegin(), in.cend(), [](QChar c) { return c.unicode() < 128; })) {
        return true;
    }
    QString out;
    out.reserve(in.size() + 16);
    bool inTag = false;
    bool inComment = false;
    QChar quote;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in.at(i);
        if (inComment) {
            inComment = !QStringView(in).mid(i).startsWith(QLatin1String("-->"));
        } else if (!inTag) {
            inComment = QStringView(in).mid(i).startsWith(QLatin1String("<!--"));
            inTag = !inComment && c == QLatin1Char('<');
        } else if (quote.isNull()) {
            quote = c == QLatin1Char('"') || c == QLatin1Char('\'') ? c : QChar();
            inTag = c != QLatin1Char('>');
        } else if (c == quote) {
            quote = QChar();
        }
        if (c.unicode() < 128) {
            out += c;
            continue;
        }
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < in.size() && in.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, in.at(++i));
        } else if (c.isSurrogate() || (inTag && quote.isNull())) {
            return false;
        }
        out += QStringLiteral("&#x") + QString::number(uint(code), 16).toUpper() + QLatin1Char(';');
    }
    *markup = out;
    return true;
}

void forgetShape(MenuInsert& entry)
{
    entry.plain = std::nullopt;
}

template <class Entry> void forgetShape(Entry&) { }

// The entries, their markup fit for a file that declares another encoding
// than UTF-8 (see withCharacterReferences). An entry whose markup cannot be
// is refused, with a row in results.
template <class Entry>
QList<Entry> inDeclaredEncoding(
    const EditSession& session, const QList<Entry>& entries, EntryEditor::EntryResults* results)
{
    if (!declaresOtherEncoding(session.originalText())) {
        return entries;
    }
    QList<Entry> fitted;
    for (Entry entry : entries) {
        if (withCharacterReferences(&entry.markup)) {
            forgetShape(entry);
            fitted.append(entry);
        } else if (results) {
            results->append(InstallReport::EntryResult::of(kindOf(entry), shownIds(entry), entry.target,
                InstallReport::EntryOutcome::Refused,
                QStringLiteral("a name in it holds characters that the file's declared encoding cannot carry")));
        }
    }
    return fitted;
}

// Why the markup text cannot be edited safely, with where an earlier copy
// is: backup, this program's copy from before its last change; seedPath,
// Dreamweaver's own copy when the text came from there. Empty when whole.
QString damageOf(const QString& text, const QString& backup, const QString& seedPath)
{
    int line = 0;
    QString damage;
    if (MarkupBalance::checkDocument(text, &line, &damage))
        return QString();
    const QString copy = QFileInfo(backup).isFile()
        ? QStringLiteral("its content before the last change by this program is in ") + backup
        : QStringLiteral("this program kept no earlier copy of it");
    const QString which = seedPath.isEmpty()
        ? QString()
        : QStringLiteral("Dreamweaver's own copy ") + seedPath + QStringLiteral(", which it would start from, is ");
    // One pass of arg(): a path may hold "%2".
    return QStringLiteral("%1damaged at line %2 (%3) and was left as it is; %4")
        .arg(which, QString::number(line), damage, copy);
}

} // namespace

QString ConfigurationEditor::skippedFileNamedBy(const QString& locale, const QString& markup, bool insertbar) const
{
    if (m_skippedFiles.isEmpty()) {
        return QString();
    }
    const QString configuration = windowsKey(m_dreamweaver.configurationFolder(locale)) + QLatin1Char('/');
    QSet<QString> skipped;
    for (const QString& path : m_skippedFiles) {
        const QString key = windowsKey(path);
        if (key.startsWith(configuration)) {
            skipped.insert(key.mid(configuration.size()));
        }
    }
    // dw.runCommand('Name.htm') runs a file of the Commands folder.
    static const QRegularExpression runCommand(QStringLiteral("runCommand\\s*\\(\\s*(['\"])([^'\"]+)\\1"));
    Accessor document;
    document.parse(markup);
    for (const CElement* element : document.root()->elementsInOrder()) {
        const QString file = element->attribute(QStringLiteral("file"));
        if (!file.isEmpty()
            && (skipped.contains(windowsKey(file))
                || (insertbar && skipped.contains(QStringLiteral("objects/") + windowsKey(file))))) {
            return file;
        }
        const QRegularExpressionMatch command = runCommand.match(element->attribute(QStringLiteral("command")));
        if (command.hasMatch() && skipped.contains(QStringLiteral("commands/") + windowsKey(command.captured(2)))) {
            return command.captured(2);
        }
    }
    return QString();
}

template <class Entry>
QList<Entry> ConfigurationEditor::withoutSkippedFiles(
    const QString& locale, const QList<Entry>& entries, const QString& path) const
{
    if (m_skippedFiles.isEmpty()) {
        return entries;
    }
    QList<Entry> kept;
    for (const Entry& entry : entries) {
        const QString file
            = isLineEntry(entry) ? QString() : skippedFileNamedBy(locale, entry.markup, isInsertbar(entry));
        if (file.isEmpty()) {
            kept.append(entry);
        } else if (m_report) {
            InstallReport::EntryResult result = InstallReport::EntryResult::of(
                kindOf(entry), shownIds(entry), entry.target, InstallReport::EntryOutcome::FileSkipped, file);
            result.locale = locale;
            result.path = path;
            m_report->addEntry(std::move(result));
        }
    }
    return kept;
}

ConfigurationEditor::ConfigurationEditor(const DreamweaverInfo& dreamweaver, InstallReport* report)
    : m_dreamweaver(dreamweaver)
    , m_report(report)
{
}

QString ConfigurationEditor::menusPath(const QString& locale) const
{
    return PackageSupport::withExistingCase(
        m_dreamweaver.configurationFolder(locale) + QLatin1String(menusRelativePath));
}

QString ConfigurationEditor::insertbarPath(const QString& locale) const
{
    return PackageSupport::withExistingCase(
        m_dreamweaver.configurationFolder(locale) + QLatin1String(insertbarRelativePath));
}

QStringList ConfigurationEditor::managedPaths(const QString& locale) const
{
    const QString menus = menusPath(locale);
    const QString insertbar = insertbarPath(locale);
    QStringList paths { menus, QFileInfo(menus).path() + QLatin1Char('/') + QLatin1String(menusBackupName), insertbar,
        QFileInfo(insertbar).path() + QLatin1Char('/') + QLatin1String(insertbarBackupName) };
    for (const char* file : fixedChangedFiles) {
        const QString path = m_dreamweaver.configurationFolder(locale) + QLatin1Char('/') + QLatin1String(file);
        paths << path << QFileInfo(path).path() + QLatin1Char('/') + backupNameOf(path);
    }
    return paths;
}

bool ConfigurationEditor::edit(const QString& locale, const QString& relativePath, const QString& backupName,
    Missing missing, const Change& change)
{
    // A folder an extension's file made first, in another case, is the one
    // Dreamweaver reads.
    const QString path = PackageSupport::withExistingCase(m_dreamweaver.configurationFolder(locale) + relativePath);
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
    QString seedPath;
    if (missing != Missing::LeaveAlone && !m_dreamweaver.installFolder().isEmpty()) {
        seedPath = m_dreamweaver.installFolder() + QStringLiteral("/Configuration") + relativePath;
    }
    if (!planned && !file.exists() && missing == Missing::SeedWhenThere && !QFileInfo(seedPath).isFile()) {
        report(InstallReport::XmlOutcome::Unchanged, QStringLiteral("not present"));
        return true;
    }
    QString original;
    bool seeded = false;
    if (planned) {
        original = m_plannedTexts->value(path);
    } else {
        if (!file.load(seedPath)) {
            report(InstallReport::XmlOutcome::Failed, file.errorString());
            return false;
        }
        original = file.takeText();
        seeded = file.isSeeded();
    }
    // Elements found in a damaged file may not be where Dreamweaver sees
    // them, and writing it back would only spread the damage: such a file is
    // left for the user to mend or restore.
    if (isMarkup(relativePath)) {
        const QString damage = damageOf(
            original, QFileInfo(path).absolutePath() + QLatin1Char('/') + backupName, seeded ? seedPath : QString());
        if (!damage.isEmpty()) {
            report(InstallReport::XmlOutcome::Failed, damage);
            return false;
        }
    }

    EntryEditor::EntryResults entries;
    EntryEditor::Placed placed;
    QString plannedText;
    QByteArray bytes;
    bool changed = false;
    {
        // The session (its tree and the text it parsed) is gone before the
        // bytes are written, and the bytes are encoded from its pieces, so
        // that a large file is never held as a whole text twice.
        EditSession session(original);
        original = QString();
        change(session, m_report ? &entries : nullptr, m_record ? &placed : nullptr);
        changed = session.isChanged();
        if (changed || seeded) {
            bytes = session.encodedText();
            if (m_dryRun && m_plannedTexts) {
                plannedText = session.text();
            }
        }
    }
    for (InstallReport::EntryResult& entry : entries) {
        entry.locale = locale;
        entry.path = path;
    }
    // The record lists what was added once the file took it, never what did
    // not reach the file.
    const auto fail = [&](const QString& why) {
        markNotWritten(entries, why);
        if (m_report) {
            m_report->addEntries(std::move(entries));
        }
        report(InstallReport::XmlOutcome::Failed, why);
        return false;
    };
    const auto succeed = [&](const QString& detail) {
        if (m_report) {
            m_report->addEntries(std::move(entries));
        }
        recordPlaced(locale, path, placed);
        report(changed || seeded ? InstallReport::XmlOutcome::Edited : InstallReport::XmlOutcome::Unchanged, detail);
        return true;
    };
    // An unchanged file is not rewritten: that would only churn its backup.
    // A seeded copy is written even then, since it must exist.
    if (!changed && !seeded) {
        return succeed(QString());
    }
    // A file past the cap could no longer be read, and no later install or
    // removal could edit it.
    if (bytes.size() > ConfigurationFile::maximumSize()) {
        return fail(
            QStringLiteral("the edit would make it larger than %1 bytes").arg(ConfigurationFile::maximumSize()));
    }
    if (m_dryRun) {
        if (m_plannedTexts) {
            m_plannedTexts->insert(path, plannedText);
        }
        return succeed(seeded ? QStringLiteral("seeded") : QString());
    }
    // Only a removal leaves a file alone when it is missing.
    if (!file.save(std::move(bytes),
            missing == Missing::LeaveAlone ? ConfigurationFile::Backup::Written
                                           : ConfigurationFile::Backup::Previous)) {
        return fail(file.errorString());
    }
    return succeed(seeded ? QStringLiteral("seeded") : QString());
}

void ConfigurationEditor::recordPlaced(const QString& locale, const QString& path, EntryEditor::Placed& placed)
{
    if (!m_record) {
        return;
    }
    // Menus.xml and insertbar.xml are known by each entry's kind; other files
    // are named relative to the Configuration folder, so that the record
    // stays good if that folder moves.
    const qsizetype configuration = m_dreamweaver.configurationFolder(locale).size() + 1;
    for (InstallRecord::Entry& entry : placed) {
        entry.file = editsMenus(entry.kind) || entry.kind == InstallReport::EntryKind::InsertbarButton
                || entry.kind == InstallReport::EntryKind::InsertbarCategory
            ? QString()
            : path.mid(configuration);
        m_record->addEntry(std::move(entry));
    }
}

bool ConfigurationEditor::editsMenus(InstallReport::EntryKind kind)
{
    return kind == InstallReport::EntryKind::MenuEntry || kind == InstallReport::EntryKind::Shortcut;
}

bool ConfigurationEditor::addMenuInserts(const QString& locale, const ExtensionInfo& record)
{
    QList<MenuInsert> inserts;
    const QList<MenuInsert> all = record.menuInserts();
    for (const MenuInsert& entry : all) {
        if (ConfigurationChanges::appliesTo(entry.language, locale)) {
            inserts.append(entry);
        }
    }
    inserts = withoutSkippedFiles(locale, inserts, menusPath(locale));
    if (inserts.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(menusRelativePath), QLatin1String(menusBackupName), Missing::Seed,
        [&](EditSession& session, EntryEditor::EntryResults* results, EntryEditor::Placed* placed) {
            EntryEditor::addMenuInserts(session, inDeclaredEncoding(session, inserts, results), results, placed);
        });
}

bool ConfigurationEditor::addInsertbarInserts(const QString& locale, const ExtensionInfo& record)
{
    QList<InsertbarInsert> inserts;
    // Held const: a loop over the returned list itself would copy every entry.
    const QList<InsertbarInsert> all = record.insertbarInserts();
    for (const InsertbarInsert& entry : all) {
        if (ConfigurationChanges::appliesTo(entry.language, locale)) {
            inserts.append(entry);
        }
    }
    inserts = withoutSkippedFiles(locale, inserts, insertbarPath(locale));
    if (inserts.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(insertbarRelativePath), QLatin1String(insertbarBackupName), Missing::Seed,
        [&](EditSession& session, EntryEditor::EntryResults* results, EntryEditor::Placed* placed) {
            EntryEditor::addInsertbarInserts(session, inDeclaredEncoding(session, inserts, results), results, placed);
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
        [&](EditSession& session, EntryEditor::EntryResults* results, EntryEditor::Placed*) {
            EntryEditor::removeEntries(session, entries, results);
        });
}

bool ConfigurationEditor::removeInsertbarEntries(const QString& locale, const EntryEditor::Placed& entries)
{
    if (entries.isEmpty()) {
        return true;
    }
    return edit(locale, QLatin1String(insertbarRelativePath), QLatin1String(insertbarBackupName), Missing::LeaveAlone,
        [&](EditSession& session, EntryEditor::EntryResults* results, EntryEditor::Placed*) {
            EntryEditor::removeEntries(session, entries, results);
        });
}

InstallReport::EntryKind ConfigurationEditor::entryKind(ConfigurationInsert::Kind kind)
{
    return static_cast<InstallReport::EntryKind>(
        static_cast<int>(InstallReport::EntryKind::TagLibrary) + static_cast<int>(kind));
}

bool ConfigurationEditor::addConfigurationInserts(const QString& locale, const ExtensionInfo& record)
{
    // Files in the order the manifest first names them; each takes its entries in manifest order.
    QStringList files;
    QHash<QString, QList<ConfigurationInsert>> byFile;
    const QList<ConfigurationInsert> all = record.configurationInserts();
    const QList<ConfigurationInsert> applying
        = withoutSkippedFiles(locale, all, m_dreamweaver.configurationFolder(locale));
    for (const ConfigurationInsert& entry : applying) {
        if (ConfigurationChanges::appliesTo(entry.language, locale)) {
            if (!byFile.contains(entry.file)) {
                files << entry.file;
            }
            byFile[entry.file].append(entry);
        }
    }
    bool done = true;
    for (const QString& file : qAsConst(files)) {
        const QList<ConfigurationInsert> inserts = byFile.value(file);
        bool read = false;
        const bool edited = edit(locale, QLatin1Char('/') + file, backupNameOf(file), Missing::SeedWhenThere,
            [&](EditSession& session, EntryEditor::EntryResults* results, EntryEditor::Placed* placed) {
                read = true;
                // Entries of one kind go in together; a file holds one kind but a toolbar's items.
                for (int first = 0; first < inserts.size();) {
                    int end = first + 1;
                    while (end < inserts.size() && inserts.at(end).kind == inserts.at(first).kind) {
                        ++end;
                    }
                    const QList<ConfigurationInsert> run = inserts.mid(first, end - first);
                    const InstallReport::EntryKind kind = entryKind(run.front().kind);
                    if (run.front().isLine()) {
                        const QString text = session.text();
                        const QString edited
                            = TextListEditor::addLines(text, run, kind, keepsFirstLine(file), results, placed);
                        if (edited != text) {
                            session.replaceText(edited);
                        }
                    } else {
                        EntryEditor::addConfigurationInserts(
                            session, inDeclaredEncoding(session, run, results), kind, results, placed);
                    }
                    first = end;
                }
            });
        // A file that is nowhere leaves each of its entries out, which the report tells.
        for (const ConfigurationInsert& entry : read || !edited || !m_report ? QList<ConfigurationInsert>() : inserts) {
            InstallReport::EntryResult result = InstallReport::EntryResult::of(entryKind(entry.kind),
                entry.isLine() ? entry.markup : entry.itemIds.join(QStringLiteral(", ")), entry.target,
                InstallReport::EntryOutcome::TargetMissing, QStringLiteral("no such file"));
            result.locale = locale;
            result.path = m_dreamweaver.configurationFolder(locale) + QLatin1Char('/') + file;
            m_report->addEntry(std::move(result));
        }
        done = edited && done;
    }
    return done;
}

bool ConfigurationEditor::removeConfigurationEntries(const QString& locale, const EntryEditor::Placed& entries)
{
    QStringList files;
    QHash<QString, EntryEditor::Placed> byFile;
    for (const InstallRecord::Entry& entry : entries) {
        if (!byFile.contains(entry.file)) {
            files << entry.file;
        }
        byFile[entry.file].append(entry);
    }
    bool done = true;
    for (const QString& file : qAsConst(files)) {
        const EntryEditor::Placed placed = byFile.value(file);
        const bool lines = placed.front().kind == InstallReport::EntryKind::ExtensionLine
            || placed.front().kind == InstallReport::EntryKind::FtpMapLine;
        const bool edited = edit(locale, QLatin1Char('/') + file, backupNameOf(file), Missing::LeaveAlone,
            [&](EditSession& session, EntryEditor::EntryResults* results, EntryEditor::Placed*) {
                if (!lines) {
                    EntryEditor::removeEntries(session, placed, results);
                    return;
                }
                const QString text = session.text();
                const QString edited = TextListEditor::removeLines(text, placed, keepsFirstLine(file), results);
                if (edited != text) {
                    session.replaceText(edited);
                }
            });
        done = edited && done;
    }
    return done;
}

bool ConfigurationEditor::removeConfigurationInserts(const QString& locale, const ExtensionInfo& record)
{
    EntryEditor::Placed placed;
    const QList<ConfigurationInsert> all = record.configurationInserts();
    for (const ConfigurationInsert& entry : all) {
        if (entry.isLine() || entry.itemIds.isEmpty()) {
            continue;
        }
        // Where the install put the block: the file's outermost element, or the element its placement names.
        const QString parent = entry.target.isEmpty() ? QString()
            : entry.placement == ConfigurationInsert::Placement::AppendTo
                || entry.placement == ConfigurationInsert::Placement::PrependTo
            ? QLatin1Char('#') + entry.target
            : QString();
        if (!entry.target.isEmpty() && parent.isEmpty()) {
            continue;
        }
        placed.append({ entryKind(entry.kind), entry.itemIds.join(QStringLiteral(", ")), entry.target, false,
            parent.isEmpty() ? rootLocator(entry.kind) : parent, QString(), entry.itemIds, entry.file });
    }
    return removeConfigurationEntries(locale, placed);
}
