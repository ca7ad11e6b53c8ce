#pragma once

#include "ui/ConfigurationPaths.h"

#include <QTextBrowser>

class DreamweaverInfo;
class ExtensionInfo;
struct CatalogueEntry;

// The details pane under the tables. Everything it shows comes from a
// package or the catalogue, so values are escaped, the description is shown
// as plain text, and the view loads nothing a manifest names (no image, no
// style sheet, no address), nor follows a link.
class DetailsView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit DetailsView(QWidget* parent);

    // The description's text, its markup taken out without loading anything it names.
    static QString plainDescription(const QString& description);

    // An installed extension, with the files and entries its manifest
    // lists: files where they went in installation, entries by their place
    // in its menus and Insert bar, their ids in tooltips.
    void showInstalled(const ExtensionInfo& extension, const DreamweaverInfo& installation);
    // The folder the first file of the installed extension shown went to; empty when none.
    QString firstFolder() const { return m_firstFolder; }
    // A Store entry; state says where it stands, installed is the extension it would replace.
    void showEntry(const CatalogueEntry& entry, const QString& state, const ExtensionInfo* installed);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    bool event(QEvent* event) override;

private:
    // An entry's name linked to its id, which the tooltip shows.
    QString entryItem(const QString& text, const QString& id) const;

    QString m_firstFolder;
    ConfigurationPaths m_menus;
    ConfigurationPaths m_insertbar;
};
