#pragma once

#include "markup/Accessor.h"

#include <QDateTime>
#include <QString>

// Names the entries of a Dreamweaver configuration file (Menus.xml,
// insertbar.xml) as a user finds them in Dreamweaver: the names of the menus
// or the category an entry lies in, then its own ("Commands > Velkor Tidy"),
// rather than its internal id.
class ConfigurationPaths
{
public:
    // Reads the file again only when it changed since the last call.
    void load(const QString& path);
    // The entry's path, or empty when the file holds no element with that id.
    QString pathOf(const QString& id);
    // What an element is called in a menu or on the Insert bar: its name
    // without the mnemonic marks, else its folder, else its id.
    static QString labelOf(const CElement& element);

private:
    QString m_path;
    QDateTime m_modified;
    Accessor m_document;
};
