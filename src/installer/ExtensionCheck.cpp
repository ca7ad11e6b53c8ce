#include "installer/ExtensionCheck.h"

#include "discovery/ConfigurationChanges.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationFile.h"
#include "installer/EditSession.h"
#include "installer/EntryEditor.h"
#include "installer/Installer.h"
#include "markup/Accessor.h"
#include "packages/PackageSupport.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <optional>

namespace {

// The text of a per-user configuration file; empty when it is missing or unreadable,
// which leaves every entry it should hold missing.
QString configurationText(const QString& path)
{
    ConfigurationFile file(path, QString());
    return file.exists() && file.load() ? file.text() : QString();
}

// One configuration file as a check reads it: parsed once and its ids
// indexed once, however many entries an extension has in it (thousands of
// buttons are not rare), as the install reads it.
struct CheckedFile
{
    explicit CheckedFile(const QString& text)
        : read(!text.isEmpty())
        , session(text)
    {
    }
    bool read;
    EditSession session;
    // Each line trimmed and in lower case, for the files that are lists.
    std::optional<QSet<QString>> lines;
};

// One item per element the entry places, looked for where the install puts
// it and the removal looks for it: straight inside the element the block goes
// into, or for a new category's elements, inside the element that holds each
// in the manifest. A file that was read but has
// no element to place the entry at is a menu or category that is not there,
// where the install too had to skip the entry; a file that is missing or
// unreadable leaves the entry simply missing.
void addEntryItems(QList<ExtensionCheck::Item>& items, CheckedFile& file, const QString& locale,
    ExtensionCheck::ItemKind kind, CElement* place, const QString& target, const QStringList& ids)
{
    for (const QString& id : ids) {
        const bool found = place && file.session.hasChildWithId(place, id);
        items.append({ locale, kind, id, target, found, !place && file.read });
    }
}

} // namespace

ExtensionCheck::ExtensionCheck(const DreamweaverInfo& dreamweaver)
    : m_dreamweaver(dreamweaver)
{
}

QList<ExtensionCheck::Item> ExtensionCheck::check(const QString& mxiName, bool otherProgram) const
{
    QList<Item> items;
    if (mxiName.isEmpty() || PackageSupport::extractedFileName(mxiName) != mxiName) {
        return items;
    }
    for (const QString& locale : m_dreamweaver.locales()) {
        const QString storedPath = m_dreamweaver.storedManifestPath(locale, mxiName, otherProgram);
        const std::optional<ExtensionInfo> record = ExtensionInfo::readStored(storedPath);
        if (!record) {
            continue;
        }

        // Held const: a loop over the returned list itself would copy every entry.
        const QList<FileEntry> files = record->files();
        for (const FileEntry& entry : files) {
            if (!entry.appliesTo(locale)) {
                continue;
            }
            const QString folder = Installer::targetFolder(m_dreamweaver, entry, locale);
            const QString fileName = PackageSupport::extractedFileName(entry.source);
            // A destination the installer refuses never receives the file, so
            // it is missing even where something else stands at that path.
            if (folder.isEmpty()) {
                items.append({ locale, ItemKind::File, entry.source, QString(), false });
                continue;
            }
            // The installer reports a nameless entry as missing from the package; there is no path to look at.
            if (fileName.isEmpty()) {
                continue;
            }
            const QString path = folder + QLatin1Char('/') + fileName;
            items.append({ locale, ItemKind::File, path, QString(),
                Installer::managedFileReason(m_dreamweaver, path, locale).isEmpty() && QFileInfo(path).isFile() });
        }

        const QString configuration = m_dreamweaver.configurationFolder(locale);
        const QList<MenuInsert> menuInserts = record->menuInserts();
        if (!menuInserts.isEmpty()) {
            CheckedFile menus(configurationText(PackageSupport::withExistingCase(configuration + QStringLiteral("/Menus/Menus.xml"))));
            for (const MenuInsert& entry : menuInserts) {
                if (ConfigurationChanges::appliesTo(entry.language, locale)) {
                    addEntryItems(items, menus, locale, ItemKind::MenuEntry, EntryEditor::placeOf(menus.session, entry),
                        entry.target, entry.itemIds);
                }
            }
        }
        const QList<InsertbarInsert> insertbarInserts = record->insertbarInserts();
        if (!insertbarInserts.isEmpty()) {
            CheckedFile insertbar(configurationText(PackageSupport::withExistingCase(configuration + QStringLiteral("/Objects/insertbar.xml"))));
            for (const InsertbarInsert& entry : insertbarInserts) {
                if (!ConfigurationChanges::appliesTo(entry.language, locale)) {
                    continue;
                }
                CElement* target = nullptr;
                CElement* place = EntryEditor::placeOf(insertbar.session, entry, &target);
                if (!entry.category || !place) {
                    addEntryItems(
                        items, insertbar, locale, ItemKind::InsertbarButton, place, entry.target, entry.itemIds);
                    continue;
                }
                // The category itself where it went, then each of its elements in the one holding it in the manifest.
                const bool found = place->name() == QLatin1String("category");
                addEntryItems(items, insertbar, locale, ItemKind::InsertbarButton, found ? place->parent() : place,
                    QStringLiteral("insertbar"), { entry.categoryId });
                CElement* category
                    = found ? place : insertbar.session.findElement(entry.categoryId, { QStringLiteral("category") });
                Accessor written;
                written.parse(entry.markup);
                // Each id's first element in the manifest, and each holder in
                // the file, found once: a category may hold thousands of buttons.
                QHash<QString, const CElement*> writtenById;
                for (const CElement* element : written.root()->elementsInOrder()) {
                    const QString id = element->attribute(QStringLiteral("id"));
                    if (!id.isEmpty() && !writtenById.contains(id)) {
                        writtenById.insert(id, element);
                    }
                }
                QHash<QString, CElement*> holders;
                for (const QString& id : entry.itemIds) {
                    const CElement* element = writtenById.value(id);
                    const QString holderId
                        = element && element->parent() ? element->parent()->attribute(QStringLiteral("id")) : QString();
                    if (!holders.contains(holderId)) {
                        holders.insert(holderId,
                            holderId == entry.categoryId || !category ? category : category->elementById(holderId));
                    }
                    addEntryItems(
                        items, insertbar, locale, ItemKind::InsertbarButton, holders.value(holderId), holderId, { id });
                }
            }
        }
        checkOtherFiles(items, *record, locale);
    }
    return items;
}

void ExtensionCheck::checkOtherFiles(QList<Item>& items, const ExtensionInfo& record, const QString& locale) const
{
    const QString configuration = m_dreamweaver.configurationFolder(locale);
    const QList<ConfigurationInsert> inserts = record.configurationInserts();
    // Each file read once, however many of the entries name it.
    std::map<QString, std::unique_ptr<CheckedFile>> files;
    for (const ConfigurationInsert& entry : inserts) {
        if (!ConfigurationChanges::appliesTo(entry.language, locale)) {
            continue;
        }
        const QString path = configuration + QLatin1Char('/') + entry.file;
        // Neither the user nor Dreamweaver has the file: the install had
        // nowhere to put the change either, which it told as a warning.
        const bool nowhere = !QFileInfo(path).isFile()
            && (m_dreamweaver.installFolder().isEmpty()
                || !QFileInfo(m_dreamweaver.installFolder() + QStringLiteral("/Configuration/") + entry.file).isFile());
        std::unique_ptr<CheckedFile>& file = files[path];
        if (!file) {
            file = std::make_unique<CheckedFile>(configurationText(path));
        }
        if (entry.isLine()) {
            if (!file->lines) {
                QSet<QString> lines;
                for (const QString& line : file->session.originalText().split(QLatin1Char('\n'))) {
                    lines.insert(line.trimmed().toLower());
                }
                file->lines = std::move(lines);
            }
            const bool found = file->lines->contains(entry.markup.toLower());
            items.append({ locale, ItemKind::ConfigurationEntry, entry.markup, entry.file, found, nowhere });
            continue;
        }
        const int first = items.size();
        addEntryItems(items, *file, locale, ItemKind::ConfigurationEntry, EntryEditor::placeOf(file->session, entry),
            entry.target.isEmpty() ? entry.file : entry.target, entry.itemIds);
        for (int i = first; i < items.size(); ++i) {
            items[i].targetMissing = items[i].targetMissing || nowhere;
        }
    }
}

bool ExtensionCheck::isWhole(const QList<Item>& items)
{
    for (const Item& item : items) {
        if (!item.present && !item.targetMissing) {
            return false;
        }
    }
    return true;
}

QString ExtensionCheck::describe(ItemKind kind)
{
    switch (kind) {
    case ItemKind::File:
        return QStringLiteral("file");
    case ItemKind::MenuEntry:
        return QStringLiteral("menu entry");
    case ItemKind::InsertbarButton:
        return QStringLiteral("Insert-bar button");
    case ItemKind::ConfigurationEntry:
        return QStringLiteral("configuration entry");
    }
    return QString();
}
