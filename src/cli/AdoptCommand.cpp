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

QString AdoptCommand::help() const
{
    return QStringLiteral(
               "Takes over an extension another program (Adobe's Extension Manager) installed, so that from then\n"
               "on it is listed, checked, replaced and removed as one of Moravel's.\n"
               "\n"
               "Arguments:\n"
               "  EXTENSION  its id or its manifest file name\n\n")
        + exitStatusHelp(QStringLiteral("taken over"), QStringLiteral("not taken over, or not completely"));
}
