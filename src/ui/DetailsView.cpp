#include "ui/DetailsView.h"

#include "commands/CatalogueEntry.h"
#include "discovery/ExtensionInfo.h"

#include <QTextDocument>

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

QString list(const QString& label, const QStringList& items)
{
    if (items.isEmpty())
        return QString();
    QString html = QStringLiteral("<p><b>%1</b></p><ul>").arg(label.toHtmlEscaped());
    for (const QString& item : items)
        html += QStringLiteral("<li>%1</li>").arg(item.toHtmlEscaped());
    return html + QStringLiteral("</ul>");
}

QString heading(const QString& name)
{
    return QStringLiteral("<h3>%1</h3>").arg(name.toHtmlEscaped());
}

// The part every extension shares: who made it, what it says it is, and what it runs in.
QString aboutExtension(const ExtensionInfo& extension)
{
    QStringList products;
    for (const ProductInfo& product : extension.products())
        products << product.range();
    QString html = QStringLiteral("<table cellspacing=\"2\">") + field(DetailsView::tr("Author:"), extension.author())
        + field(DetailsView::tr("Supports:"), products.join(QStringLiteral(", "))) + QStringLiteral("</table>");
    const QString description = DetailsView::plainDescription(extension.description());
    if (!description.isEmpty()) {
        html += QStringLiteral("<p>%1</p>")
                    .arg(description.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    }
    return html;
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

void DetailsView::showInstalled(const ExtensionInfo& installed)
{
    // The installed list reads only each manifest's header.
    ExtensionInfo extension = installed;
    extension.parseDetails();
    QStringList files;
    for (const FileEntry& file : extension.files())
        files << file.source + QStringLiteral(" \u2192 ") + file.destination;
    QStringList entries;
    for (const MenuInsert& insert : extension.menuInserts()) {
        entries << (insert.shortcut ? tr("Shortcut %1 in %2") : tr("Menu entry %1 in %2"))
                       .arg(insert.itemIds.join(QStringLiteral(", ")), insert.target);
    }
    for (const InsertbarInsert& insert : extension.insertbarInserts()) {
        entries << (insert.category ? tr("Insert bar category %1") : tr("Insert bar item %1 in %2"))
                       .arg(insert.itemIds.join(QStringLiteral(", ")), insert.target);
    }
    setHtml(heading(tr("%1 %2").arg(extension.name(), extension.version())) + aboutExtension(extension)
        + list(tr("Files"), files) + list(tr("Entries"), entries));
}

void DetailsView::showEntry(const CatalogueEntry& entry, const QString& state, const ExtensionInfo* installed)
{
    QString html = heading(tr("%1 %2").arg(entry.name, entry.version)) + QStringLiteral("<table cellspacing=\"2\">")
        + field(tr("In the Store:"), state) + field(tr("Package:"), entry.zxp) + QStringLiteral("</table>");
    if (installed)
        html += aboutExtension(*installed);
    setHtml(html);
}

QVariant DetailsView::loadResource(int, const QUrl&)
{
    return QVariant();
}
