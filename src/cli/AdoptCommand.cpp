#include "cli/AdoptCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

int AdoptCommand::execute(const QString& name)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    target->loadInstalledExtensions();
    const ExtensionInfo* found = ExtensionCommands::findInstalled(*target, name);
    if (!found || !found->isInstalledByOtherProgram()) {
        Console::error(found ? QStringLiteral("moravel-cli: %1 is installed by Moravel already").arg(name)
                             : QStringLiteral("moravel-cli: no extension \"%1\" is installed in %2 by another program")
                                   .arg(name, target->name()));
        return NotFound;
    }
    const QString mxiName = found->fileName();
    return runOperation([&](ExtensionCommands& commands) { return commands.adoptExtension(*target, mxiName); });
}
