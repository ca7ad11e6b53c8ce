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

// Whether the first element with parentId (the one the installer adds to)
// holds an element with id as a child of its own. The installer puts an entry
// straight into that element; the same id deeper down, in a submenu or a
// folder of the category, is something else and would not be removed with
// the extension either.
bool holds(Accessor& document, const QString& parentId, const QString& id)
{
    CElement* parent = document.elementById(parentId);
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
            Accessor menus;
            menus.parse(configurationText(configuration + QStringLiteral("/Menus/Menus.xml")));
            for (const MenuInsert& entry : menuInserts) {
                items.append({ locale, ItemKind::MenuEntry, entry.itemId, entry.appendTo,
                    holds(menus, entry.appendTo, entry.itemId) });
            }
        }
        const QList<InsertbarInsert> insertbarInserts = record->insertbarInserts();
        if (!insertbarInserts.isEmpty()) {
            Accessor insertbar;
            insertbar.parse(configurationText(configuration + QStringLiteral("/Objects/insertbar.xml")));
            for (const InsertbarInsert& entry : insertbarInserts) {
                items.append({ locale, ItemKind::InsertbarButton, entry.buttonId, entry.categoryId,
                    holds(insertbar, entry.categoryId, entry.buttonId) });
            }
        }
    }
    return items;
}

bool ExtensionCheck::isWhole(const QList<Item>& items)
{
    for (const Item& item : items) {
        if (!item.present) {
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
