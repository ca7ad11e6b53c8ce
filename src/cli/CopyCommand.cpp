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
