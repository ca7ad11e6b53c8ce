#pragma once

#include "commands/ExtensionCommands.h"
#include "discovery/DreamweaverList.h"

#include <QString>
#include <QStringList>
#include <functional>

class DreamweaverInfo;
class StoreClient;

// One command of moravel-cli. The work is done by the command layer; a
// command turns its argument and options into those calls and writes the
// results, as text or as JSON.
class Command
{
public:
    enum ExitStatus {
        Success = 0,
        Failed = 1, // the operation failed or was refused
        UsageError = 2,
        NotFound = 3, // the package, target or extension does not exist
    };

    struct Options
    {
        QString target;
        bool targetGiven = false;
        bool json = false;
        bool yes = false;
        bool dryRun = false;
        bool acceptLicense = false;
        QString storeId; // install --store
        QStringList ids; // update's catalogue ids, copy's extensions; empty for all
        QString from; // copy --from
        QString to; // copy --to
        // What the look for Dreamweaver found; the tool owns it and sets it.
        DreamweaverList* dreamweavers = nullptr;
    };

    explicit Command(const Options& options)
        : m_options(options)
    {
    }
    virtual ~Command() = default;

    // argument: the command's one positional argument, if it takes one.
    virtual int execute(const QString& argument) = 0;
    // For 'COMMAND --help': what the command does, its argument and its exit
    // statuses; the tool puts the usage line before it and the options the
    // command takes after it. Every command says its own; this one gives the
    // exit statuses alone.
    virtual QString help() const;

protected:
    // The installation --target names, or the first; null (with the message
    // written) when there is none.
    DreamweaverInfo* findTarget() const;
    // The installation an index from 'list' or an exact name gives; null
    // (with the message written) when there is none.
    DreamweaverInfo* findInstallation(const QString& indexOrName) const;
    // result, with the message written when no extension was found by name.
    static ExtensionCommands::Result reportNotFound(
        ExtensionCommands::Result result, const DreamweaverInfo& target, const QString& name);
    QList<DreamweaverInfo>& installations() const { return m_options.dreamweavers->installations; }
    static int exitStatus(ExtensionCommands::Result result);
    // Runs an install or a removal through the command layer, with its
    // questions and progress on the terminal and the options' dry run.
    int runOperation(const std::function<ExtensionCommands::Result(ExtensionCommands&)>& operation) const;
    static QString noInstallationText();
    // The exit statuses of help(): what 0 and 1 mean for the command (none: never 1), and 3 when it can be.
    static QString exitStatusHelp(const QString& success, const QString& failed, bool notFound = true);
    // Reads the Store's catalogue; false (with the message written, naming
    // the address) when it cannot be read.
    static bool loadCatalogue(StoreClient& store);
    // The target, its installed list loaded, and the Store's catalogue read
    // into store; null (with the message written, and status set) when
    // either cannot be had.
    DreamweaverInfo* findTargetAndCatalogue(StoreClient& store, int* status) const;
    // The catalogue entry with this id, or null (with the message written).
    static const CatalogueEntry* findCatalogueEntry(StoreClient& store, const QString& id);

    const Options m_options;
};
