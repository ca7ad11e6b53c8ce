#include "cli/InstallCommand.h"

int InstallCommand::execute(const QString& packagePath)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    return runOperation([&](ExtensionCommands& commands) { return commands.installPackageFile(*target, packagePath); });
}
