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

QString EnableCommand::help() const
{
    return QStringLiteral(
               "Puts a disabled extension back into Dreamweaver exactly as its install left it: its files and\n"
               "its configuration entries.\n"
               "\n"
               "Arguments:\n"
               "  EXTENSION  its id or its manifest file name, as 'installed' shows them\n\n")
        + exitStatusHelp(QStringLiteral("enabled, or enabled already"), QStringLiteral("not enabled, or not completely"));
}
