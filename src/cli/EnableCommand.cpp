#include "cli/EnableCommand.h"

#include "discovery/DreamweaverInfo.h"

int EnableCommand::execute(const QString& name)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    return runOperation([&](ExtensionCommands& commands) {
        return reportNotFound(commands.enableExtension(*target, name), *target, name);
    });
}
