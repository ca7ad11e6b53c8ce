#include "cli/InstalledCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

#include <QJsonArray>

int InstalledCommand::execute(const QString&)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    target->loadInstalledExtensions();
    if (m_options.json)
        writeJson(*target);
    else
        writeText(*target);
    return Success;
}

void InstalledCommand::writeText(const DreamweaverInfo& target)
{
    const QList<ExtensionInfo>& extensions = target.installedExtensions();
    if (extensions.isEmpty()) {
        Console::out(QStringLiteral("No extensions are installed in %1.").arg(target.name()));
        return;
    }
    QList<QStringList> rows { { QStringLiteral("NAME"), QStringLiteral("VERSION"), QStringLiteral("AUTHOR"),
        QStringLiteral("ID"), QStringLiteral("MANIFEST") } };
    for (const ExtensionInfo& extension : extensions)
        rows.append(
            { extension.name(), extension.version(), extension.author(), extension.id(), extension.fileName() });
    Console::out(Console::table(rows));
}

void InstalledCommand::writeJson(const DreamweaverInfo& target)
{
    QJsonArray array;
    for (const ExtensionInfo& extension : target.installedExtensions()) {
        array.append(QJsonObject { { QStringLiteral("name"), extension.name() },
            { QStringLiteral("version"), extension.version() }, { QStringLiteral("author"), extension.author() },
            { QStringLiteral("id"), extension.id() }, { QStringLiteral("manifest"), extension.fileName() } });
    }
    Console::json(QJsonObject { { QStringLiteral("target"), target.name() }, { QStringLiteral("extensions"), array } });
}
