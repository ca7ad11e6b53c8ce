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
    if (!found) {
        Console::error(QStringLiteral("moravel-cli: no extension \"%1\" is installed in %2: give an id or a manifest "
                                      "file name as 'moravel-cli installed' shows them")
                           .arg(name, target->name()));
        return NotFound;
    }
    const QString mxiName = found->fileName();
    return runOperation([&](ExtensionCommands& commands) { return commands.removeExtension(*target, mxiName); });
}
