#include "cli/CommandLineTool.h"

#include "cli/Console.h"
#include "cli/InfoCommand.h"
#include "cli/InstallCommand.h"
#include "cli/InstalledCommand.h"
#include "cli/ListCommand.h"
#include "cli/RemoveCommand.h"
#include "cli/VerifyCommand.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionDatabase.h"

#include <QCommandLineParser>
#include <functional>
#include <memory>

namespace {

struct CommandKind
{
    const char* name;
    const char* argumentName; // its one positional argument; empty when it takes none
    QStringList options; // the options it accepts
    std::function<std::unique_ptr<Command>(const Command::Options&)> create;
};

template <class C> std::unique_ptr<Command> make(const Command::Options& options)
{
    return std::make_unique<C>(options);
}

const QList<CommandKind>& commandKinds()
{
    const QString target = QStringLiteral("target");
    const QString json = QStringLiteral("json");
    const QString yes = QStringLiteral("yes");
    const QString dryRun = QStringLiteral("dry-run");
    static const QList<CommandKind> kinds {
        { "list", "", { json }, make<ListCommand> },
        { "installed", "", { target, json }, make<InstalledCommand> },
        { "info", "PACKAGE", { target, json }, make<InfoCommand> },
        { "install", "PACKAGE", { target, yes, dryRun }, make<InstallCommand> },
        { "remove", "EXTENSION", { target, yes, dryRun }, make<RemoveCommand> },
        { "verify", "", { target, json }, make<VerifyCommand> },
    };
    return kinds;
}

const char commandSummary[] = "Commands:\n"
                              "  list                   Dreamweaver installations, in the window's order\n"
                              "  installed              extensions installed into the target\n"
                              "  info PACKAGE           a package's manifest, without installing it\n"
                              "  install PACKAGE        install a .zxp or .mxp package into the target\n"
                              "  remove EXTENSION       remove an extension, by id or manifest file name\n"
                              "  verify                 check that every installed extension is whole";

} // namespace

int CommandLineTool::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists, installs, removes and checks Dreamweaver extensions.\n\n")
        + QLatin1String(commandSummary));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption targetOption(QStringLiteral("target"),
        QStringLiteral("The installation: an index from 'list' or its exact name (default: the first)."),
        QStringLiteral("T"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"), QStringLiteral("Write the result as one JSON document."));
    const QCommandLineOption yesOption(
        QStringLiteral("yes"), QStringLiteral("Answer yes to the replace and remove questions."));
    const QCommandLineOption dryRunOption(
        QStringLiteral("dry-run"), QStringLiteral("Say what would be done, and change nothing."));
    parser.addOptions({ targetOption, jsonOption, yesOption, dryRunOption });
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above."));
    parser.addPositionalArgument(
        QStringLiteral("argument"), QStringLiteral("PACKAGE or EXTENSION."), QStringLiteral("[argument]"));

    const QString usage = QStringLiteral("Run 'moravel-cli --help' for the commands and options.");
    if (!parser.parse(arguments)) {
        Console::error(QStringLiteral("moravel-cli: ") + parser.errorText() + QLatin1Char('\n') + usage);
        return Command::UsageError;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        Console::out(parser.helpText());
        return Command::Success;
    }
    if (parser.isSet(versionOption)) {
        Console::out(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return Command::Success;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        Console::error(QStringLiteral("moravel-cli: no command given\n") + usage);
        return Command::UsageError;
    }
    const QString name = positional.first();
    const auto kinds = commandKinds();
    const auto kind = std::find_if(
        kinds.begin(), kinds.end(), [&name](const CommandKind& k) { return name == QLatin1String(k.name); });
    if (kind == kinds.end()) {
        Console::error(QStringLiteral("moravel-cli: unknown command \"%1\"\n").arg(name) + usage);
        return Command::UsageError;
    }
    const int argumentCount = *kind->argumentName ? 1 : 0;
    if (positional.size() - 1 != argumentCount) {
        Console::error(argumentCount == 0
                ? QStringLiteral("moravel-cli %1: takes no argument, but %2 were given")
                      .arg(name)
                      .arg(positional.size() - 1)
                : QStringLiteral("moravel-cli %1: needs exactly one %2").arg(name, QLatin1String(kind->argumentName)));
        return Command::UsageError;
    }
    for (const QString& option : parser.optionNames()) {
        if (!kind->options.contains(option)) {
            Console::error(
                QStringLiteral("moravel-cli %1: the option --%2 does not apply to this command").arg(name, option));
            return Command::UsageError;
        }
    }
    if (parser.values(targetOption).size() > 1) {
        Console::error(QStringLiteral("moravel-cli %1: --target given more than once").arg(name));
        return Command::UsageError;
    }
    Command::Options options;
    options.target = parser.value(targetOption);
    options.targetGiven = parser.isSet(targetOption);
    options.json = parser.isSet(jsonOption);
    options.yes = parser.isSet(yesOption);
    options.dryRun = parser.isSet(dryRunOption);

    // The window's start-up, without the window: the database connection, then the list.
    DreamweaverInfo::buildDreamweaverList(openExtensionDatabase());
    return kind->create(options)->execute(positional.value(1));
}
