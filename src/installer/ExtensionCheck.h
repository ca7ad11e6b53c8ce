#pragma once

#include <QList>
#include <QString>

class DreamweaverInfo;
class ExtensionInfo;

// Whether an installed extension is still whole in every locale that stores
// its manifest: the files it lists exist, its menu entries and Insert-bar
// buttons are still in the per-user Menus.xml and insertbar.xml, and its
// changes to the other configuration files are still there. Reads only.
class ExtensionCheck
{
public:
    enum class ItemKind { File, MenuEntry, InsertbarButton, ConfigurationEntry };

    struct Item
    {
        QString locale;
        ItemKind kind;
        QString name; // the file's path (its source when the destination is refused), or the entry's id
        // The menu or category that should hold an entry (for another
        // configuration file, the element or the file); empty for files.
        QString where;
        bool present;
        // The menu or category itself is gone, so the install had nowhere to
        // put the entry either: a warning, not damage to the extension.
        bool targetMissing = false;
    };

    explicit ExtensionCheck(const DreamweaverInfo& dreamweaver);

    // mxiName is the stored manifest's file name, without folders; otherProgram:
    // the manifest is one another program keeps (see DreamweaverInfo::otherProgramFolder).
    QList<Item> check(const QString& mxiName, bool otherProgram = false) const;

    // Entries whose target is missing do not count against it.
    static bool isWhole(const QList<Item>& items);
    static QString describe(ItemKind kind);

private:
    // The changes to configuration files other than Menus.xml and insertbar.xml.
    void checkOtherFiles(QList<Item>& items, const ExtensionInfo& record, const QString& locale) const;

    const DreamweaverInfo& m_dreamweaver;
};
