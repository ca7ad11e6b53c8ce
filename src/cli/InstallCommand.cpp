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
