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
