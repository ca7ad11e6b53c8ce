#include "cli/CopyCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

int CopyCommand::execute(const QString&)
{
    if (m_options.from.isEmpty() || m_options.to.isEmpty()) {
        Console::error(QStringLiteral("moravel-cli copy: needs --from A and --to B"));
        return UsageError;
    }
    DreamweaverInfo* from = findInstallation(m_options.from);
    DreamweaverInfo* to = from ? findInstallation(m_options.to) : nullptr;
    if (!from || !to)
        return NotFound;
    return runOperation(
        [&](ExtensionCommands& commands) { return commands.copyExtensions(*from, *to, m_options.ids); });
}

QString CopyCommand::help() const
{
    return QStringLiteral(
               "Installs into installation B (--to) the extensions installed in installation A (--from), all of\n"
               "them or those named, from the packages Moravel kept at their install, with the usual questions\n"
               "(--yes answers yes; --accept-license accepts licences). An extension without a kept package is\n"
               "listed as not copied, with why.\n"
               "\n"
               "Arguments:\n"
               "  EXTENSION  its id or its manifest file name in A, as 'installed' shows them (any number)\n\n")
        + exitStatusHelp(QStringLiteral("every extension copied"), QStringLiteral("some or all not copied"));
}
