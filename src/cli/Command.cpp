#include "cli/Command.h"

#include "cli/Console.h"
#include "cli/TerminalPrompt.h"
#include "commands/StoreClient.h"
#include "discovery/DreamweaverInfo.h"

QString Command::noInstallationText()
{
    return QStringLiteral("moravel-cli: no Dreamweaver installation was found: APPDATA, ALLUSERSPROFILE and "
                          "the program folders lead to none; 'moravel-cli doctor' says why");
}

QString Command::exitStatusHelp(const QString& success, const QString& failed, bool notFound)
{
    QString text = QStringLiteral("Exit status:\n  0  ") + success;
    if (!failed.isEmpty())
        text += QStringLiteral("\n  1  ") + failed;
    text += QStringLiteral("\n  2  the command line is wrong");
    if (notFound)
        text += QStringLiteral("\n  3  no such installation, package or extension");
    return text;
}

QString Command::help() const
{
    return exitStatusHelp(QStringLiteral("done"), QStringLiteral("failed or refused"));
}

DreamweaverInfo* Command::findTarget() const
{
    QList<DreamweaverInfo>& installations = this->installations();
    if (installations.isEmpty()) {
        Console::error(noInstallationText());
        return nullptr;
    }
    if (!m_options.targetGiven)
        return &installations.first();
    return findInstallation(m_options.target);
}

DreamweaverInfo* Command::findInstallation(const QString& indexOrName) const
{
    QList<DreamweaverInfo>& installations = this->installations();
    if (installations.isEmpty()) {
        Console::error(noInstallationText());
        return nullptr;
    }
    bool isNumber = false;
    const int index = indexOrName.toInt(&isNumber);
    if (isNumber && index >= 0 && index < installations.size())
        return &installations[index];
    for (DreamweaverInfo& installation : installations) {
        if (installation.name() == indexOrName)
            return &installation;
    }
    Console::error(QStringLiteral("moravel-cli: no Dreamweaver installation \"%1\": give an index from 0 to %2 or an "
                                  "exact name, as 'moravel-cli list' shows them")
                       .arg(indexOrName)
                       .arg(installations.size() - 1));
    return nullptr;
}

int Command::exitStatus(ExtensionCommands::Result result)
{
    switch (result) {
    case ExtensionCommands::Result::Done:
        return Success;
    case ExtensionCommands::Result::NotFound:
        return NotFound;
    case ExtensionCommands::Result::Incomplete:
    case ExtensionCommands::Result::Failed:
    case ExtensionCommands::Result::Refused:
        break;
    }
    return Failed;
}

ExtensionCommands::Result Command::reportNotFound(
    ExtensionCommands::Result result, const DreamweaverInfo& target, const QString& name)
{
    if (result == ExtensionCommands::Result::NotFound) {
        Console::error(QStringLiteral("moravel-cli: no extension \"%1\" is installed in %2: give an id or a manifest "
                                      "file name as 'moravel-cli installed' shows them")
                           .arg(name, target.name()));
    }
    return result;
}

int Command::runOperation(const std::function<ExtensionCommands::Result(ExtensionCommands&)>& operation) const
{
    if (m_options.dryRun)
        Console::out(QStringLiteral("Dry run: nothing was changed."));
    TerminalPrompt prompt(m_options.yes, m_options.dryRun, m_options.acceptLicense);
    ExtensionCommands commands(prompt);
    commands.setDryRun(m_options.dryRun);
    return exitStatus(operation(commands));
}

bool Command::loadCatalogue(StoreClient& store)
{
    if (store.loadCatalogue())
        return true;
    Console::error(QStringLiteral("moravel-cli: the Store's catalogue could not be read from %1: %2")
                       .arg(StoreClient::catalogueUrl(), store.catalogueError()));
    return false;
}

const CatalogueEntry* Command::findCatalogueEntry(StoreClient& store, const QString& id)
{
    for (const CatalogueEntry& entry : store.catalogue()) {
        if (entry.id == id)
            return &entry;
    }
    Console::error(QStringLiteral("moravel-cli: the Store has no extension \"%1\": give an id as 'moravel-cli store' "
                                  "shows them")
                       .arg(id));
    return nullptr;
}

DreamweaverInfo* Command::findTargetAndCatalogue(StoreClient& store, int* status) const
{
    DreamweaverInfo* target = findTarget();
    if (!target) {
        *status = NotFound;
        return nullptr;
    }
    if (!loadCatalogue(store)) {
        *status = Failed;
        return nullptr;
    }
    target->loadInstalledExtensions();
    return target;
}
