#include "cli/InstalledCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

#include <QJsonArray>
#include <algorithm>

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
    const QList<ExtensionInfo> disabled = ExtensionCommands::disabledExtensions(target);
    if (extensions.isEmpty() && disabled.isEmpty()) {
        Console::out(QStringLiteral("No extensions are installed in %1.").arg(target.name()));
        return;
    }
    QList<QStringList> rows { { QStringLiteral("NAME"), QStringLiteral("VERSION"), QStringLiteral("AUTHOR"),
        QStringLiteral("ID"), QStringLiteral("MANIFEST") } };
    // Who installed each is said only where another program did.
    const bool mixed = std::any_of(extensions.cbegin(), extensions.cend(),
        [](const ExtensionInfo& extension) { return extension.isInstalledByOtherProgram(); });
    if (mixed)
        rows.first().append(QStringLiteral("INSTALLED BY"));
    // The state is said only when some extension is disabled.
    if (!disabled.isEmpty())
        rows.first().append(QStringLiteral("STATE"));
    for (const ExtensionInfo& extension : extensions + disabled) {
        rows.append(
            { extension.name(), extension.version(), extension.author(), extension.id(), extension.fileName() });
        if (mixed)
            rows.last().append(
                extension.isInstalledByOtherProgram() ? QStringLiteral("another program") : QStringLiteral("Moravel"));
        if (!disabled.isEmpty())
            rows.last().append(
                rows.size() - 1 > extensions.size() ? QStringLiteral("disabled") : QStringLiteral("enabled"));
    }
    Console::out(Console::table(rows));
}

void InstalledCommand::writeJson(const DreamweaverInfo& target)
{
    QJsonArray array;
    const int enabled = target.installedExtensions().size();
    const QList<ExtensionInfo> all = target.installedExtensions() + ExtensionCommands::disabledExtensions(target);
    for (const ExtensionInfo& extension : all) {
        array.append(QJsonObject { { QStringLiteral("name"), extension.name() },
            { QStringLiteral("version"), extension.version() }, { QStringLiteral("author"), extension.author() },
            { QStringLiteral("id"), extension.id() }, { QStringLiteral("manifest"), extension.fileName() },
            { QStringLiteral("installedByOtherProgram"), extension.isInstalledByOtherProgram() },
            { QStringLiteral("state"),
                array.size() < enabled ? QStringLiteral("enabled") : QStringLiteral("disabled") } });
    }
    Console::json(QJsonObject { { QStringLiteral("target"), target.name() }, { QStringLiteral("extensions"), array } });
}

QString InstalledCommand::help() const
{
    return QStringLiteral(
               "Lists the extensions installed into the target: their name, version, author, id and manifest\n"
               "file name, those another program installed included.\n\n")
        + exitStatusHelp(QStringLiteral("the list was written"), QString());
}
