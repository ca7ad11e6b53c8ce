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

QString DisableCommand::help() const
{
    return QStringLiteral(
               "Takes an extension out of Dreamweaver without forgetting it: its configuration entries come out\n"
               "and its files move into Moravel's data folder, so Dreamweaver's files are as before the install.\n"
               "'enable' puts it back; 'remove' also removes a disabled extension.\n"
               "\n"
               "Arguments:\n"
               "  EXTENSION  its id or its manifest file name, as 'installed' shows them\n\n")
        + exitStatusHelp(QStringLiteral("disabled, or disabled already"), QStringLiteral("not disabled; it stays enabled"));
}
