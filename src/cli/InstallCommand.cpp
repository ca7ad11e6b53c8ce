#include "cli/InstallCommand.h"

#include "cli/Console.h"
#include "cli/TerminalPrompt.h"

int InstallCommand::execute(const QString& packagePath)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    if (m_options.dryRun)
        Console::out(QStringLiteral("Dry run: nothing was changed."));
    TerminalPrompt prompt(m_options.yes, m_options.dryRun);
    ExtensionCommands commands(prompt);
    commands.setDryRun(m_options.dryRun);
    return exitStatus(commands.installPackageFile(*target, packagePath));
}
