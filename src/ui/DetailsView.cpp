#include "ui/DetailsView.h"

#include "commands/CatalogueEntry.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/Installer.h"
#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <QDir>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QUrl>

namespace {

// A document for taking markup apart: whatever an image or a link names stays unread.
class InertDocument : public QTextDocument
{
protected:
    QVariant loadResource(int, const QUrl&) override { return QVariant(); }
};

QString field(const QString& label, const QString& value)
{
    if (value.trimmed().isEmpty())
        return QString();
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(label.toHtmlEscaped(), value.toHtmlEscaped());
}

// items are markup already.
QString list(const QString& label, const QStringList& items, const QString& anchor = QString())
{
    if (items.isEmpty())
        return QString();
    QString html = QStringLiteral("<p><a name=\"%2\"></a><b>%1</b></p><ul>").arg(label.toHtmlEscaped(), anchor);
    for (const QString& item : items)
        html += QStringLiteral("<li>%1</li>").arg(item);
    return html + QStringLiteral("</ul>");
}

const QString idScheme = QStringLiteral("id");

// The label of the first element of an entry's markup, for an entry the
// installation's file does not hold.
QString firstLabel(const QString& markup)
{
    Accessor document;
    document.parse(markup);
    for (const CElement* element = document.root(); element; element = element->nextInPreOrder(document.root())) {
        if (element->isElement())
            return ConfigurationPaths::labelOf(*element);
    }
    return QString();
}

// Where a file went: below the configuration folder or the home folder by
// its place there, elsewhere by its whole path.
QString placeOf(const QString& path, const DreamweaverInfo& installation, const QString& locale)
{
    const QString configuration = installation.configurationFolder(locale);
    if (path.startsWith(configuration + QLatin1Char('/')))
        return QStringLiteral("Configuration/") + path.mid(configuration.size() + 1);
    const QString home = QDir::homePath();
    if (path.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~/") + path.mid(home.size() + 1);
    return QDir::toNativeSeparators(path);
}

QString heading(const QString& name)
{
    return QStringLiteral("<h3>%1</h3>").arg(name.toHtmlEscaped());
}

// The rows every extension shares: who made it and what it runs in.
QString aboutRows(const ExtensionInfo& extension)
{
    QStringList products;
    for (const ProductInfo& product : extension.products())
        products << product.range();
    return field(DetailsView::tr("Author:"), extension.author())
        + field(DetailsView::tr("Supports:"), products.join(QStringLiteral(", ")));
}

QString description(const ExtensionInfo& extension)
{
    const QString text = DetailsView::plainDescription(extension.description());
    if (text.isEmpty())
        return QString();
    return QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
}

// One table for all the fields, so that their values line up.
QString table(const QString& rows)
{
    return QStringLiteral("<table cellspacing=\"2\">") + rows + QStringLiteral("</table>");
}

} // namespace

DetailsView::DetailsView(QWidget* parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QString DetailsView::plainDescription(const QString& description)
{
    InertDocument document;
    if (Qt::mightBeRichText(description))
        document.setHtml(description);
    else
        document.setPlainText(description);
    return document.toPlainText().trimmed();
}

QString DetailsView::entryItem(const QString& text, const QString& id) const
{
    if (id.isEmpty())
        return text.toHtmlEscaped();
    QUrl link;
    link.setScheme(idScheme);
    link.setPath(id);
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(QString::fromLatin1(link.toEncoded()).toHtmlEscaped(), text.toHtmlEscaped());
}

void DetailsView::showInstalled(const ExtensionInfo& installed, const DreamweaverInfo& installation)
{
    // The installed list reads only each manifest's header.
    ExtensionInfo extension = installed;
    extension.parseDetails();
    const QString locale = installation.locales().value(0);
    QStringList files;
    m_firstFolder.clear();
    for (const FileEntry& file : extension.files()) {
        if (!file.appliesTo(locale))
            continue;
        const QString folder = Installer::targetFolder(installation, file, locale);
        if (m_firstFolder.isEmpty())
            m_firstFolder = folder;
        const QString name = file.source.section(QLatin1Char('/'), -1);
        const QString place = folder.isEmpty() ? tr("%1 (not installed here)").arg(file.source)
                                               : placeOf(folder + QLatin1Char('/') + name, installation, locale);
        files << place.toHtmlEscaped();
    }
    const QString configuration = installation.configurationFolder(locale);
    m_menus.load(configuration + QStringLiteral("/Menus/Menus.xml"));
    m_insertbar.load(configuration + QStringLiteral("/Objects/insertbar.xml"));
    QStringList entries;
    for (const MenuInsert& insert : extension.menuInserts()) {
        const QString id = insert.itemIds.value(0);
        if (insert.shortcut) {
            entries << tr("Keyboard shortcut %1").arg(entryItem(firstLabel(insert.markup), id));
            continue;
        }
        const QString path = m_menus.pathOf(id);
        entries << tr("Menu %1").arg(entryItem(path.isEmpty() ? firstLabel(insert.markup) : path, id));
    }
    for (const InsertbarInsert& insert : extension.insertbarInserts()) {
        // A category's first id is that of its first button.
        const QString id = insert.category ? insert.categoryId : insert.itemIds.value(0);
        const QString path = m_insertbar.pathOf(id);
        const QString shown = path.isEmpty() ? firstLabel(insert.markup) : path;
        entries
            << (insert.category ? tr("Insert bar category %1") : tr("Insert bar button %1")).arg(entryItem(shown, id));
    }
    // The entries are links only to carry their ids to the tooltip: they look like the text around them.
    document()->setDefaultStyleSheet(
        QStringLiteral("a { text-decoration: none; color: %1; }").arg(palette().color(QPalette::Text).name()));
    setHtml(heading(tr("%1 %2").arg(extension.name(), extension.version())) + table(aboutRows(extension))
        + description(extension) + list(tr("Files"), files, QStringLiteral("files")) + list(tr("Entries"), entries));
}

void DetailsView::showEntry(const CatalogueEntry& entry, const QString& state, const ExtensionInfo* installed)
{
    m_firstFolder.clear();
    QString rows = field(tr("In the Store:"), state) + field(tr("Package:"), entry.zxp);
    if (installed)
        rows += aboutRows(*installed);
    setHtml(heading(tr("%1 %2").arg(entry.name, entry.version)) + table(rows)
        + (installed ? description(*installed) : QString()));
}

bool DetailsView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QUrl link(anchorAt(viewport()->mapFromGlobal(help->globalPos())));
        if (link.scheme() == idScheme) {
            QToolTip::showText(help->globalPos(), tr("Id: %1").arg(link.path()), this);
            return true;
        }
    }
    return QTextBrowser::event(event);
}

QVariant DetailsView::loadResource(int, const QUrl&)
{
    return QVariant();
}
