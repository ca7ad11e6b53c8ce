#include "cli/UpdateCommand.h"

#include "cli/Console.h"
#include "commands/StoreClient.h"
#include "commands/StoreState.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"

int UpdateCommand::execute(const QString&)
{
    StoreClient store;
    int status = Success;
    DreamweaverInfo* target = findTargetAndCatalogue(store, &status);
    if (!target)
        return status;

    // Chosen before anything is installed: each install reloads the list.
    QVector<CatalogueEntry> updates;
    bool failed = false;
    if (m_options.ids.isEmpty()) {
        updates = ExtensionCommands::updatesOf(*target, store.catalogue());
        if (updates.isEmpty())
            Console::out(QStringLiteral("Every extension from the Store is up to date in %1.").arg(target->name()));
    }
    for (const QString& id : m_options.ids) {
        const CatalogueEntry* entry = findCatalogueEntry(store, id);
        if (!entry)
            return NotFound;
        const ExtensionInfo* installed = nullptr;
        const StoreState::Kind state = StoreState::of(*target, *entry, &installed);
        const QString title = ExtensionCommands::titleOf(entry->name, entry->version);
        if (state == StoreState::UpdateAvailable) {
            updates << *entry;
        } else if (state == StoreState::NotInstalled) {
            Console::error(QStringLiteral("moravel-cli: %1 is not installed in %2, so there is nothing to update; "
                                          "'moravel-cli install --store %3' installs it")
                               .arg(entry->name, target->name(), id));
            failed = true;
        } else {
            Console::out(QStringLiteral("%1 is up to date in %2 (installed: %3).")
                             .arg(title, target->name(), installed->version()));
        }
    }

    const int updated
        = runOperation([&](ExtensionCommands& commands) { return commands.updateAll(*target, updates, store); });
    return failed ? Failed : updated;
}

QString UpdateCommand::help() const
{
    return QStringLiteral(
               "Installs the Store's newer versions of the target's installed extensions: of all of them, or of\n"
               "those named. The questions and the licence are as for install.\n"
               "\n"
               "Arguments:\n"
               "  ID  a Store id, as 'store' shows them; none: every extension with an update\n\n")
        + exitStatusHelp(QStringLiteral("updated, or up to date"),
            QStringLiteral("an update failed or was refused, or the Store's catalogue cannot be read"));
}
