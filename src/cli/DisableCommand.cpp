#include "cli/DisableCommand.h"

#include "discovery/DreamweaverInfo.h"

int DisableCommand::execute(const QString& name)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    return runOperation([&](ExtensionCommands& commands) {
        return reportNotFound(commands.disableExtension(*target, name), *target, name);
    });
}
