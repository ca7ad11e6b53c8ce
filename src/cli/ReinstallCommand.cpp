#include "cli/ReinstallCommand.h"

#include "discovery/DreamweaverInfo.h"

int ReinstallCommand::execute(const QString& name)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    return runOperation([&](ExtensionCommands& commands) {
        return reportNotFound(commands.reinstallExtension(*target, name), *target, name);
    });
}
