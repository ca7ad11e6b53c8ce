#include "cli/RemoveCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

int RemoveCommand::execute(const QString& name)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    target->loadInstalledExtensions();
    const ExtensionInfo* found = ExtensionCommands::findInstalled(*target, name);
    // A disabled extension is removed by the same name.
    QString mxiName = found ? found->fileName() : QString();
    for (const ExtensionInfo& disabled : ExtensionCommands::disabledExtensions(*target)) {
        if (mxiName.isEmpty() && !name.isEmpty() && (disabled.id() == name || disabled.fileName() == name))
            mxiName = disabled.fileName();
    }
    if (mxiName.isEmpty()) {
        Console::error(QStringLiteral("moravel-cli: no extension \"%1\" is installed in %2: give an id or a manifest "
                                      "file name as 'moravel-cli installed' shows them")
                           .arg(name, target->name()));
        return NotFound;
    }
    return runOperation([&](ExtensionCommands& commands) { return commands.removeExtension(*target, mxiName); });
}

QString RemoveCommand::help() const
{
    return QStringLiteral(
               "Removes an installed extension after asking (--yes answers yes): its files, its menu entries and\n"
               "Insert-bar buttons and its other configuration entries, as its install left them.\n"
               "\n"
               "Arguments:\n"
               "  EXTENSION  its id or its manifest file name, as 'installed' shows them\n\n")
        + exitStatusHelp(
            QStringLiteral("removed"), QStringLiteral("not removed, or not completely; the question answered no"));
}
