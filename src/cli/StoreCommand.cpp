#include "cli/StoreCommand.h"

#include "cli/Console.h"
#include "commands/StoreClient.h"
#include "commands/StoreState.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"

#include <QJsonArray>

int StoreCommand::execute(const QString&)
{
    StoreClient store;
    int status = Success;
    DreamweaverInfo* target = findTargetAndCatalogue(store, &status);
    if (!target)
        return status;
    if (m_options.json)
        writeJson(*target, store);
    else
        writeText(*target, store);
    return Success;
}

void StoreCommand::writeText(const DreamweaverInfo& target, StoreClient& store)
{
    if (store.catalogue().isEmpty()) {
        Console::out(QStringLiteral("The Store's catalogue lists no extension."));
        return;
    }
    QList<QStringList> rows { { QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("VERSION"),
        QStringLiteral("PACKAGE"), QStringLiteral("STATE IN ") + target.name().toUpper() } };
    for (const CatalogueEntry& entry : store.catalogue()) {
        const ExtensionInfo* installed = nullptr;
        const StoreState::Kind state = StoreState::of(target, entry, &installed);
        QString stateText = StoreState::text(state);
        if (state == StoreState::UpdateAvailable || state == StoreState::InstalledNewer)
            stateText += QStringLiteral(" (installed: %1)").arg(installed->version());
        rows.append({ entry.id, entry.name, entry.version, entry.zxp, stateText });
    }
    Console::out(Console::table(rows));
}

void StoreCommand::writeJson(const DreamweaverInfo& target, StoreClient& store)
{
    QJsonArray array;
    for (const CatalogueEntry& entry : store.catalogue()) {
        const ExtensionInfo* installed = nullptr;
        const StoreState::Kind state = StoreState::of(target, entry, &installed);
        array.append(QJsonObject { { QStringLiteral("id"), entry.id }, { QStringLiteral("name"), entry.name },
            { QStringLiteral("version"), entry.version }, { QStringLiteral("package"), entry.zxp },
            { QStringLiteral("state"), StoreState::key(state) },
            { QStringLiteral("installedVersion"), installed ? installed->version() : QString() } });
    }
    Console::json(QJsonObject { { QStringLiteral("target"), target.name() },
        { QStringLiteral("catalogue"), StoreClient::catalogueUrl() }, { QStringLiteral("extensions"), array } });
}

QString StoreCommand::help() const
{
    return QStringLiteral(
               "Lists the Store's extensions, each with its state in the target: not installed, installed, update\n"
               "available, or installed in a newer version.\n\n")
        + exitStatusHelp(
            QStringLiteral("the list was written"), QStringLiteral("the Store's catalogue cannot be read"));
}
