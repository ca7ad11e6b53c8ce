#include "ui/ConfigurationPaths.h"

#include "markup/CElement.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// Far above any real Menus.xml (about 250 KiB): a larger file is not read for a label.
constexpr qint64 maximumFileSize = 16 * 1024 * 1024;

} // namespace

void ConfigurationPaths::load(const QString& path)
{
    const QFileInfo info(path);
    if (path == m_path && info.lastModified() == m_modified)
        return;
    m_path = path;
    m_modified = info.lastModified();
    QFile file(path);
    QString text;
    if (info.size() <= maximumFileSize && file.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(file.read(maximumFileSize));
    m_document.parse(text);
}

QString ConfigurationPaths::labelOf(const CElement& element)
{
    QString name = element.attribute(QStringLiteral("name"));
    if (!name.isEmpty()) {
        // "_" marks the mnemonic letter; "__" stands for an underscore.
        name.replace(QStringLiteral("__"), QStringLiteral("\x01"));
        name.remove(QLatin1Char('_'));
        return name.replace(QLatin1Char('\x01'), QLatin1Char('_'));
    }
    const QString folder = element.attribute(QStringLiteral("folder"));
    return folder.isEmpty() ? element.attribute(QStringLiteral("id")) : folder;
}

QString ConfigurationPaths::pathOf(const QString& id)
{
    const CElement* element = id.isEmpty() ? nullptr : m_document.elementById(id);
    if (!element)
        return QString();
    QStringList path;
    // The menu bars above the menus are the window's, not a place a user opens.
    for (; element && element->isElement() && element->name() != QLatin1String("menubar");
         element = element->parent()) {
        if (element->name() == QLatin1String("insertbar"))
            break;
        path.prepend(labelOf(*element));
    }
    return path.join(QStringLiteral(" > "));
}
