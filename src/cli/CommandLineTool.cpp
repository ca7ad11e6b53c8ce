#include "cli/CommandLineTool.h"

#include "cli/AdoptCommand.h"
#include "cli/Console.h"
#include "cli/DoctorCommand.h"
#include "cli/InfoCommand.h"
#include "cli/InstallCommand.h"
#include "cli/InstalledCommand.h"
#include "cli/ListCommand.h"
#include "cli/LogCommand.h"
#include "cli/RemoveCommand.h"
#include "cli/StoreCommand.h"
#include "cli/UpdateCommand.h"
#include "cli/VerifyCommand.h"
// Disable, enable, copy and reinstall.
#include "cli/CopyCommand.h"
#include "cli/DisableCommand.h"
#include "cli/EnableCommand.h"
#include "cli/ReinstallCommand.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionDatabase.h"
#include "platform/Environment.h"
#include "platform/WinePrefix.h"

#include <QCommandLineParser>
#include <functional>
#include <memory>

namespace {

struct CommandKind
{
    const char* name;
    const char* argumentName; // its one positional argument; empty when it takes none
    bool anyNumber; // the argument may be given any number of times, or not at all
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
    const QString store = QStringLiteral("store");
    const QString acceptLicense = QStringLiteral("accept-license");
    static const QList<CommandKind> kinds {
        { "list", "", false, { json }, make<ListCommand> },
        { "doctor", "", false, { json }, make<DoctorCommand> },
        { "installed", "", false, { target, json }, make<InstalledCommand> },
        { "info", "PACKAGE", false, { target, json }, make<InfoCommand> },
        { "install", "PACKAGE", false, { target, yes, dryRun, store, acceptLicense }, make<InstallCommand> },
        { "remove", "EXTENSION", false, { target, yes, dryRun }, make<RemoveCommand> },
        { "adopt", "EXTENSION", false, { target, dryRun }, make<AdoptCommand> },
        { "verify", "", false, { target, json }, make<VerifyCommand> },
        { "store", "", false, { target, json }, make<StoreCommand> },
        { "update", "ID", true, { target, yes, dryRun, acceptLicense }, make<UpdateCommand> },
        { "log", "", false, { json }, make<LogCommand> },
        // Disable, enable, copy and reinstall.
        { "disable", "EXTENSION", false, { target }, make<DisableCommand> },
        { "enable", "EXTENSION", false, { target }, make<EnableCommand> },
        { "copy", "EXTENSION", true, { QStringLiteral("from"), QStringLiteral("to"), yes, acceptLicense },
            make<CopyCommand> },
        { "reinstall", "EXTENSION", false, { target, yes, acceptLicense }, make<ReinstallCommand> },
    };
    return kinds;
}

const char commandSummary[]
    = "Commands:\n"
      "  list                   Dreamweaver installations, in the window's order\n"
      "  doctor                 where Dreamweaver was looked for, and why each place gave one or none\n"
      "  installed              extensions installed into the target\n"
      "  info PACKAGE           a package's manifest, without installing it (or an installed\n"
      "                         extension's, by id or manifest file name)\n"
      "  install PACKAGE        install a .zxp or .mxp package into the target\n"
      "  remove EXTENSION       remove an extension, by id or manifest file name\n"
      "  adopt EXTENSION        take over an extension another program installed\n"
      "  verify                 check that every installed extension is whole\n"
      "  store                  the Store's extensions, and which are installed or out of date\n"
      "  install --store ID     download an extension from the Store and install it\n"
      "  update [ID...]         install the Store's newer versions of installed extensions\n"
      "                         (all of them, or the ones named)\n"
      "  disable EXTENSION      take an extension out of Dreamweaver, keeping it to enable again\n"
      "  enable EXTENSION       put a disabled extension back as its install left it\n"
      "  copy --from A --to B [EXTENSION...]\n"
      "                         install into B the extensions installed in A (all, or those named)\n"
      "  reinstall EXTENSION    install an extension's kept package again over what is there\n"
      "  log                    what every install, removal and update did, newest last\n"
      "\n"
      "'moravel-cli COMMAND --help' tells more of one command.";

#ifdef Q_OS_WIN
// The Windows program reads the machine it runs on; a prefix's Unix paths mean nothing there.
constexpr bool winePrefixOffered = false;
#else
constexpr bool winePrefixOffered = true;
#endif

// The options every command may take, added to one parser.
struct CommandLineOptions
{
    const QCommandLineOption target { QStringLiteral("target"),
        QStringLiteral("The installation: an index from 'list' or its exact name (default: the first)."),
        QStringLiteral("T") };
    const QCommandLineOption json { QStringLiteral("json"), QStringLiteral("Write the result as one JSON document.") };
    const QCommandLineOption yes { QStringLiteral("yes"),
        QStringLiteral("Answer yes to the replace and remove questions.") };
    const QCommandLineOption dryRun { QStringLiteral("dry-run"),
        QStringLiteral("Say what would be done, and change nothing.") };
    const QCommandLineOption store { QStringLiteral("store"),
        QStringLiteral("Install the Store's extension with this id."), QStringLiteral("ID") };
    const QCommandLineOption winePrefix { QStringLiteral("wine-prefix"),
        QStringLiteral("The Wine prefix whose Dreamweaver to manage, for every command "
                       "(default: WINEPREFIX, or ~/.wine when no Windows folder variable is set)."),
        QStringLiteral("DIR") };
    const QCommandLineOption acceptLicense { QStringLiteral("accept-license"),
        QStringLiteral("Accept the package's licence agreement (--yes does not).") };
    const QCommandLineOption from { QStringLiteral("from"),
        QStringLiteral("copy: the installation to copy from, as --target names one."), QStringLiteral("A") };
    const QCommandLineOption to { QStringLiteral("to"),
        QStringLiteral("copy: the installation to copy into, as --target names one."), QStringLiteral("B") };
    // In the order the help lists them.
    QList<QCommandLineOption> all;

    explicit CommandLineOptions(QCommandLineParser& parser)
        : all { target, json, yes, dryRun, store, acceptLicense, from, to }
    {
        if (winePrefixOffered)
            all.append(winePrefix);
        parser.addOptions(all);
    }

    // Whether a command of this kind takes the option; the prefix goes with every command.
    bool appliesTo(const CommandKind& kind, const QString& name) const
    {
        return kind.options.contains(name) || name == winePrefix.names().first();
    }
};

// "moravel-cli COMMAND --help": the command's own text, then only the options it takes.
QString commandHelp(const CommandKind& kind, const CommandLineOptions& options)
{
    QList<QStringList> rows;
    for (const QCommandLineOption& option : options.all) {
        if (!options.appliesTo(kind, option.names().first()))
            continue;
        const QString value = option.valueName().isEmpty() ? QString() : QLatin1Char(' ') + option.valueName();
        rows.append({ QStringLiteral("  --") + option.names().first() + value, option.description() });
    }
    const QString argument = QLatin1String(kind.argumentName);
    return QStringLiteral("Usage: moravel-cli %1 [options]%2\n\n")
               .arg(QLatin1String(kind.name),
                   argument.isEmpty()   ? QString()
                       : kind.anyNumber ? QStringLiteral(" [%1...]").arg(argument)
                                        : QLatin1Char(' ') + argument)
        + kind.create(Command::Options())->help() + QStringLiteral("\n\nOptions:\n") + Console::table(rows);
}

// Why the command line does not fit the command it names; empty when it does.
QString usageError(const CommandKind& kind, const QCommandLineParser& parser, const CommandLineOptions& options)
{
    const QString name = QLatin1String(kind.name);
    const QStringList positional = parser.positionalArguments();
    // With --store, install takes its package from the Store instead.
    const int argumentCount = *kind.argumentName && !parser.isSet(options.store) ? 1 : 0;
    if (!kind.anyNumber && positional.size() - 1 != argumentCount) {
        if (parser.isSet(options.store))
            return QStringLiteral("moravel-cli %1: give either --store ID or a PACKAGE, not both").arg(name);
        if (argumentCount == 0)
            return QStringLiteral("moravel-cli %1: takes no argument, but %2 were given")
                .arg(name)
                .arg(positional.size() - 1);
        return QStringLiteral("moravel-cli %1: needs exactly one %2").arg(name, QLatin1String(kind.argumentName));
    }
    for (const QString& option : parser.optionNames()) {
        if (!options.appliesTo(kind, option))
            return QStringLiteral("moravel-cli %1: the option --%2 does not apply to this command").arg(name, option);
    }
    for (const QCommandLineOption& option : { options.target, options.store, options.from, options.to }) {
        if (parser.values(option).size() > 1)
            return QStringLiteral("moravel-cli %1: --%2 given more than once").arg(name, option.names().first());
    }
    return QString();
}

Command::Options commandOptions(
    const CommandKind& kind, const QCommandLineParser& parser, const CommandLineOptions& options)
{
    Command::Options result;
    result.target = parser.value(options.target);
    result.targetGiven = parser.isSet(options.target);
    result.json = parser.isSet(options.json);
    result.yes = parser.isSet(options.yes);
    result.dryRun = parser.isSet(options.dryRun);
    result.acceptLicense = parser.isSet(options.acceptLicense);
    result.storeId = parser.value(options.store);
    if (kind.anyNumber)
        result.ids = parser.positionalArguments().mid(1);
    result.from = parser.value(options.from);
    result.to = parser.value(options.to);
    return result;
}

} // namespace

int CommandLineTool::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists, installs, removes and checks Dreamweaver extensions.\n\n")
        + QLatin1String(commandSummary));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const CommandLineOptions options(parser);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above."));
    parser.addPositionalArgument(
        QStringLiteral("argument"), QStringLiteral("PACKAGE, EXTENSION or IDs."), QStringLiteral("[argument...]"));

    const QString usage = QStringLiteral("Run 'moravel-cli --help' for the commands and options.");
    if (!parser.parse(arguments)) {
        Console::error(QStringLiteral("moravel-cli: ") + parser.errorText() + QLatin1Char('\n') + usage);
        return Command::UsageError;
    }
    const QStringList positional = parser.positionalArguments();
    const QList<CommandKind>& kinds = commandKinds();
    const auto kind = std::find_if(kinds.begin(), kinds.end(),
        [name = positional.value(0)](const CommandKind& k) { return name == QLatin1String(k.name); });
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        Console::out(kind == kinds.end() ? parser.helpText() : commandHelp(*kind, options));
        return Command::Success;
    }
    if (parser.isSet(versionOption)) {
        Console::out(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return Command::Success;
    }
    if (positional.isEmpty()) {
        Console::error(QStringLiteral("moravel-cli: no command given\n") + usage);
        return Command::UsageError;
    }
    if (kind == kinds.end()) {
        Console::error(QStringLiteral("moravel-cli: unknown command \"%1\"\n").arg(positional.first()) + usage);
        return Command::UsageError;
    }
    const QString error = usageError(*kind, parser, options);
    if (!error.isEmpty()) {
        Console::error(error);
        return Command::UsageError;
    }

    QString prefixError;
    if (!Environment::useWinePrefix(winePrefixOffered && parser.isSet(options.winePrefix)
                ? parser.value(options.winePrefix)
                : WinePrefix::defaultFolder(),
            &prefixError)) {
        Console::error(QStringLiteral("moravel-cli: ") + prefixError);
        return Command::NotFound;
    }
    // The window's start-up, without the window: the database connection, then the list.
    DreamweaverList dreamweavers = DreamweaverInfo::buildDreamweaverList(openExtensionDatabase());
    Command::Options commandLine = commandOptions(*kind, parser, options);
    commandLine.dreamweavers = &dreamweavers;
    return kind->create(commandLine)->execute(positional.value(1));
}
