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

QString ReinstallCommand::help() const
{
    return QStringLiteral(
               "Installs the copy of an extension's package that Moravel kept at its install again, over what is\n"
               "there: the repair for an extension that 'verify' calls damaged. A licence is asked for again\n"
               "(--accept-license accepts it).\n"
               "\n"
               "Arguments:\n"
               "  EXTENSION  its id or its manifest file name, as 'installed' shows them\n\n")
        + exitStatusHelp(QStringLiteral("reinstalled"), QStringLiteral("not reinstalled, or not completely; no package was kept"));
}
