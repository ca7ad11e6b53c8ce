#include "installer/ExtensionCheck.h"

#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationFile.h"
#include "installer/Installer.h"
#include "markup/Accessor.h"
#include "packages/PackageSupport.h"

#include <QFileInfo>

namespace {

// The text of a per-user configuration file; empty when it is missing or unreadable,
// which leaves every entry it should hold missing.
QString configurationText(const QString& path)
{
    ConfigurationFile file(path, QString());
    return file.exists() && file.load() ? file.text() : QString();
}

// Whether parent, the first element with the target's id (the one the
// installer adds to), holds an element with id as a child of its own. The installer puts an entry
// straight into that element; the same id deeper down, in a submenu or a
// folder of the category, is something else and would not be removed with
// the extension either.
bool holds(const CElement* parent, const QString& id)
{
    if (!parent) {
        return false;
    }
    for (const CElement* child : parent->children()) {
        const QString name = child->name();
        if (!name.isEmpty() && name != QLatin1String("!--") && child->attribute(QStringLiteral("id")) == id) {
            return true;
        }
    }
    return false;
}

// The entry with id in the element with parentId. A file that was read but
// has no such element is a menu or category that is not there, where the
// install too had to skip the entry; a file that is missing or unreadable
// leaves the entry simply missing.
ExtensionCheck::Item entryItem(const QString& text, Accessor& document, const QString& locale,
    ExtensionCheck::ItemKind kind, const QString& id, const QString& parentId)
{
    const CElement* parent = document.elementById(parentId);
    return { locale, kind, id, parentId, holds(parent, id), !parent && !text.isEmpty() };
}

} // namespace

ExtensionCheck::ExtensionCheck(const DreamweaverInfo& dreamweaver)
    : m_dreamweaver(dreamweaver)
{
}

QList<ExtensionCheck::Item> ExtensionCheck::check(const QString& mxiName) const
{
    QList<Item> items;
    if (mxiName.isEmpty() || PackageSupport::extractedFileName(mxiName) != mxiName) {
        return items;
    }
    for (const QString& locale : m_dreamweaver.locales()) {
        const QString storedPath = m_dreamweaver.extensionStoreFolder(locale) + QLatin1Char('/') + mxiName;
        const std::optional<ExtensionInfo> record = ExtensionInfo::readStored(storedPath);
        if (!record) {
            continue;
        }

        for (const FileEntry& entry : record->files()) {
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
            const QString text = configurationText(configuration + QStringLiteral("/Menus/Menus.xml"));
            Accessor menus;
            menus.parse(text);
            for (const MenuInsert& entry : menuInserts) {
                items.append(entryItem(text, menus, locale, ItemKind::MenuEntry, entry.itemId, entry.appendTo));
            }
        }
        const QList<InsertbarInsert> insertbarInserts = record->insertbarInserts();
        if (!insertbarInserts.isEmpty()) {
            const QString text = configurationText(configuration + QStringLiteral("/Objects/insertbar.xml"));
            Accessor insertbar;
            insertbar.parse(text);
            for (const InsertbarInsert& entry : insertbarInserts) {
                items.append(
                    entryItem(text, insertbar, locale, ItemKind::InsertbarButton, entry.buttonId, entry.categoryId));
            }
        }
    }
    return items;
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
    }
    return QString();
}
