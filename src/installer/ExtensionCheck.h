#pragma once

#include <QList>
#include <QString>

class DreamweaverInfo;

// Whether an installed extension is still whole in every locale that stores
// its manifest: the files it lists exist, and its menu entries and Insert-bar
// buttons are still in the per-user Menus.xml and insertbar.xml. Reads only.
class ExtensionCheck
{
public:
    enum class ItemKind { File, MenuEntry, InsertbarButton };

    struct Item
    {
        QString locale;
        ItemKind kind;
        QString name; // the file's path (its source when the destination is refused), or the entry's id
        QString where; // the menu or category that should hold an entry; empty for files
        bool present;
        // The menu or category itself is gone, so the install had nowhere to
        // put the entry either: a warning, not damage to the extension.
        bool targetMissing = false;
    };

    explicit ExtensionCheck(const DreamweaverInfo& dreamweaver);

    // mxiName is the stored manifest's file name, without folders.
    QList<Item> check(const QString& mxiName) const;

    // Entries whose target is missing do not count against it.
    static bool isWhole(const QList<Item>& items);
    static QString describe(ItemKind kind);

private:
    const DreamweaverInfo& m_dreamweaver;
};
