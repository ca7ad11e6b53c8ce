#include "cli/InstallCommand.h"

#include "commands/StoreClient.h"

int InstallCommand::execute(const QString& packagePath)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    if (m_options.storeId.isEmpty()) {
        return runOperation(
            [&](ExtensionCommands& commands) { return commands.installPackageFile(*target, packagePath); });
    }
    StoreClient store;
    if (!loadCatalogue(store))
        return Failed;
    const CatalogueEntry* entry = findCatalogueEntry(store, m_options.storeId);
    if (!entry)
        return NotFound;
    return runOperation(
        [&](ExtensionCommands& commands) { return commands.installCatalogueEntry(*target, *entry, store); });
}

QString InstallCommand::help() const
{
    return QStringLiteral(
               "Installs a .zxp or .mxp package into the target, or with --store ID the Store's extension of that id.\n"
               "It asks before replacing an installed version and before installing into a Dreamweaver outside the\n"
               "package's versions (--yes answers yes); a package's licence agreement is shown and must be accepted\n"
               "on the terminal or with --accept-license. Then it says what was written and added, where to find the\n"
               "extension in Dreamweaver, and whether to restart Dreamweaver.\n"
               "\n"
               "Arguments:\n"
               "  PACKAGE  the package file (none with --store)\n\n")
        + exitStatusHelp(QStringLiteral("installed"),
            QStringLiteral("not installed, or not completely; a question answered no, or a licence not accepted"));
}
