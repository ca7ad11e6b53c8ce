#pragma once

#include "discovery/MenuInsert.h"

#include <QString>
#include <QStringList>

// One entry of a manifest's configuration changes for a file other than
// Menus.xml and insertbar.xml: a tag library, a document type, a toolbar or
// toolbar item, a server model's menu entries, or a line of Extensions.txt or
// FTPExtensionMap.txt.
struct ConfigurationInsert
{
    using Placement = MenuInsert::Placement;
    enum class Kind { TagLibrary, DocumentType, Toolbar, ToolbarItem, ServerMenu, ExtensionLine, FtpMapLine };

    Kind kind = Kind::TagLibrary;
    QString file; // relative to the Configuration folder, with "/"
    // Id of the element the placement names; empty for an entry that goes at
    // the end of the file's outermost element (or, for a line, of the file).
    QString target;
    QString fallback; // a toolbar item: the toolbar to append to when target is missing
    Placement placement = Placement::AppendTo;
    bool skipSeparator = false;
    QString markup; // the elements as written; for a line kind, the line without its end
    QStringList itemIds; // ids of the markup's outermost elements, in order
    QString language;

    // Whether it adds a line of a text file rather than markup.
    bool isLine() const { return kind == Kind::ExtensionLine || kind == Kind::FtpMapLine; }

    bool operator==(const ConfigurationInsert& other) const
    {
        return kind == other.kind && file == other.file && target == other.target && fallback == other.fallback
            && placement == other.placement && skipSeparator == other.skipSeparator && markup == other.markup
            && itemIds == other.itemIds && language == other.language;
    }
    bool operator!=(const ConfigurationInsert& other) const { return !(*this == other); }
};
