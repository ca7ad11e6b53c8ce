#include "cli/CommandLineTool.h"

#include "cli/TerminalProgress.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionDatabase.h"
#include "installer/ExtensionCheck.h"
#include "discovery/ExtensionInfo.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"
#include "installer/Remover.h"
#include "markup/Accessor.h"
#include "packages/PackageSupport.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

struct Command
{
    const char* name;
    int arguments; // positional arguments after the command's name
    const char* argumentName;
    QStringList options; // the options it accepts
};

const QList<Command>& commands()
{
    static const QList<Command> list {
        { "list", 0, "", { QStringLiteral("json") } },
        { "installed", 0, "", { QStringLiteral("target"), QStringLiteral("json") } },
        { "info", 1, "PACKAGE", { QStringLiteral("target"), QStringLiteral("json") } },
        { "install", 1, "PACKAGE", { QStringLiteral("target"), QStringLiteral("yes"), QStringLiteral("dry-run") } },
        { "remove", 1, "EXTENSION", { QStringLiteral("target"), QStringLiteral("yes"), QStringLiteral("dry-run") } },
        { "verify", 0, "", { QStringLiteral("target"), QStringLiteral("json") } },
    };
    return list;
}

const char commandSummary[] = "Commands:\n"
                              "  list                   Dreamweaver installations, in the window's order\n"
                              "  installed              extensions installed into the target\n"
                              "  info PACKAGE           a package's manifest, without installing it\n"
                              "  install PACKAGE        install a .zxp or .mxp package into the target\n"
                              "  remove EXTENSION       remove an extension, by id or manifest file name\n"
                              "  verify                 check that every installed extension is whole";

bool isTerminal(FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

QString localeLabel(const QString& locale)
{
    return locale.isEmpty() ? QStringLiteral("(no locale)") : locale;
}

// Whether the procedure did everything it set out to: any file or XML file
// that it had to leave out makes the extension incomplete.
bool isComplete(const InstallReport& report)
{
    if (!report.error().isEmpty()) {
        return false;
    }
    for (const InstallReport::FileResult& file : report.files()) {
        switch (file.outcome) {
        case InstallReport::FileOutcome::MissingFromPackage:
        case InstallReport::FileOutcome::RefusedDestination:
        case InstallReport::FileOutcome::WriteFailed:
        case InstallReport::FileOutcome::RemoveFailed:
            return false;
        default:
            break;
        }
    }
    for (const InstallReport::XmlResult& xml : report.xmlFiles()) {
        if (xml.outcome == InstallReport::XmlOutcome::Failed) {
            return false;
        }
    }
    return true;
}

// "Name v. 1.0.0", as the window's questions and reports name an extension.
QString titleOf(const ExtensionInfo& extension)
{
    return extension.name() + QStringLiteral(" v. ") + extension.version();
}

// Ends text with a line break and flushes at once, so that the results and
// the messages between them reach the user in order.
void writeLine(FILE* stream, const QString& text)
{
    const QByteArray bytes = (text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Progress goes to standard error only when a user watches it there; a dry
// run has none.
std::unique_ptr<TerminalProgress> terminalProgress(bool dryRun)
{
    return !dryRun && isTerminal(stderr) ? std::make_unique<TerminalProgress>(stderr) : nullptr;
}

QString installationsLeadNowhere()
{
    return QStringLiteral("no Dreamweaver installation was found: APPDATA, ALLUSERSPROFILE and ProgramW6432 lead to "
                          "none");
}

} // namespace

void CommandLineTool::writeOut(const QString& text) const
{
    writeLine(stdout, text);
}

void CommandLineTool::writeError(const QString& text) const
{
    writeLine(stderr, text);
}

void CommandLineTool::writeJson(const QJsonObject& object) const
{
    writeOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
}

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
        writeError(QStringLiteral("moravel-cli: ") + parser.errorText() + QLatin1Char('\n') + usage);
        return UsageError;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        writeOut(parser.helpText());
        return Success;
    }
    if (parser.isSet(versionOption)) {
        writeOut(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return Success;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        writeError(QStringLiteral("moravel-cli: no command given\n") + usage);
        return UsageError;
    }
    const QString name = positional.first();
    const Command* command = nullptr;
    for (const Command& candidate : commands()) {
        if (name == QLatin1String(candidate.name)) {
            command = &candidate;
        }
    }
    if (!command) {
        writeError(QStringLiteral("moravel-cli: unknown command \"%1\"\n").arg(name) + usage);
        return UsageError;
    }
    if (positional.size() - 1 != command->arguments) {
        writeError(command->arguments == 0 ? QStringLiteral("moravel-cli %1: takes no argument, but %2 were given")
                                                 .arg(name)
                                                 .arg(positional.size() - 1)
                                           : QStringLiteral("moravel-cli %1: needs exactly one %2")
                                                 .arg(name, QLatin1String(command->argumentName)));
        return UsageError;
    }
    for (const QString& option : parser.optionNames()) {
        if (!command->options.contains(option)) {
            writeError(
                QStringLiteral("moravel-cli %1: the option --%2 does not apply to this command").arg(name, option));
            return UsageError;
        }
    }
    if (parser.values(targetOption).size() > 1) {
        writeError(QStringLiteral("moravel-cli %1: --target given more than once").arg(name));
        return UsageError;
    }
    m_target = parser.value(targetOption);
    m_targetGiven = parser.isSet(targetOption);
    m_json = parser.isSet(jsonOption);
    m_yes = parser.isSet(yesOption);
    m_dryRun = parser.isSet(dryRunOption);

    // The window's start-up, without the window: the database connection, then the list.
    DreamweaverInfo::buildDreamweaverList(openExtensionDatabase());

    const QString argument = positional.value(1);
    if (name == QLatin1String("list")) {
        return list();
    }
    if (name == QLatin1String("installed")) {
        return installed();
    }
    if (name == QLatin1String("info")) {
        return info(argument);
    }
    if (name == QLatin1String("install")) {
        return install(argument);
    }
    if (name == QLatin1String("remove")) {
        return remove(argument);
    }
    return verify();
}

DreamweaverInfo* CommandLineTool::findTarget()
{
    QList<DreamweaverInfo>& installations = DreamweaverInfo::installations();
    if (installations.isEmpty()) {
        writeError(QStringLiteral("moravel-cli: ") + installationsLeadNowhere());
        return nullptr;
    }
    if (!m_targetGiven) {
        return &installations.first();
    }
    bool isNumber = false;
    const int index = m_target.toInt(&isNumber);
    if (isNumber && index >= 0 && index < installations.size()) {
        return &installations[index];
    }
    for (DreamweaverInfo& installation : installations) {
        if (installation.name() == m_target) {
            return &installation;
        }
    }
    writeError(QStringLiteral("moravel-cli: no Dreamweaver installation \"%1\": give an index from 0 to %2 or an "
                              "exact name, as 'moravel-cli list' shows them")
                   .arg(m_target)
                   .arg(installations.size() - 1));
    return nullptr;
}

int CommandLineTool::checkPackage(const QString& packagePath)
{
    const QFileInfo file(packagePath);
    if (!file.exists()) {
        writeError(QStringLiteral("moravel-cli: package %1 not found: no such file").arg(packagePath));
        return NotFound;
    }
    if (!file.isFile()) {
        writeError(QStringLiteral("moravel-cli: package %1 not found: it is a folder, not a file").arg(packagePath));
        return NotFound;
    }
    const QString suffix = file.suffix().toLower();
    if (suffix != QLatin1String("zxp") && suffix != QLatin1String("mxp")) {
        writeError(QStringLiteral("moravel-cli: %1 is not an extension package: the name must end in .zxp or .mxp")
                       .arg(packagePath));
        return Failed;
    }
    return Success;
}

bool CommandLineTool::confirm(const QString& question, const QString& refusal)
{
    if (m_yes) {
        return true;
    }
    // The answer is read from standard input, so that is what must be a terminal.
    if (!isTerminal(stdin)) {
        writeError(QStringLiteral("moravel-cli: ") + refusal
            + QStringLiteral(": there is no terminal to ask on; give --yes to go ahead"));
        return false;
    }
    std::fprintf(stderr, "%s [y/N] ", question.toUtf8().constData());
    std::fflush(stderr);
    QTextStream input(stdin);
    const QString answer = input.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes")) {
        return true;
    }
    writeError(QStringLiteral("moravel-cli: ") + refusal + QStringLiteral(": the answer was no"));
    return false;
}

int CommandLineTool::list()
{
    const QList<DreamweaverInfo>& installations = DreamweaverInfo::installations();
    if (m_json) {
        QJsonArray array;
        for (int i = 0; i < installations.size(); ++i) {
            const DreamweaverInfo& installation = installations.at(i);
            QJsonArray locales;
            for (const QString& locale : installation.locales()) {
                locales.append(locale);
            }
            array.append(QJsonObject { { QStringLiteral("index"), i }, { QStringLiteral("name"), installation.name() },
                { QStringLiteral("version"), installation.version() },
                { QStringLiteral("vendor"), installation.vendor() },
                { QStringLiteral("userFolder"), installation.userFolder() }, { QStringLiteral("locales"), locales },
                { QStringLiteral("programFolder"), installation.installFolder() } });
        }
        writeJson(QJsonObject { { QStringLiteral("installations"), array } });
        return Success;
    }
    if (installations.isEmpty()) {
        writeError(QStringLiteral("moravel-cli: ") + installationsLeadNowhere());
        return Success;
    }
    QStringList lines;
    for (int i = 0; i < installations.size(); ++i) {
        const DreamweaverInfo& installation = installations.at(i);
        QStringList locales;
        for (const QString& locale : installation.locales()) {
            locales << localeLabel(locale);
        }
        lines << QStringLiteral("%1: %2").arg(i).arg(installation.name())
              << QStringLiteral("   version:        ") + installation.version()
              << QStringLiteral("   vendor:         ") + installation.vendor()
              << QStringLiteral("   user folder:    ") + installation.userFolder()
              << QStringLiteral("   locales:        ") + locales.join(QStringLiteral(", "))
              << QStringLiteral("   program folder: ") + installation.installFolder();
    }
    writeOut(lines.join(QLatin1Char('\n')));
    return Success;
}

int CommandLineTool::installed()
{
    DreamweaverInfo* target = findTarget();
    if (!target) {
        return NotFound;
    }
    target->loadInstalledExtensions();
    const QList<ExtensionInfo>& extensions = target->installedExtensions();
    if (m_json) {
        QJsonArray array;
        for (const ExtensionInfo& extension : extensions) {
            array.append(QJsonObject { { QStringLiteral("name"), extension.name() },
                { QStringLiteral("version"), extension.version() }, { QStringLiteral("author"), extension.author() },
                { QStringLiteral("id"), extension.id() }, { QStringLiteral("manifest"), extension.fileName() } });
        }
        writeJson(
            QJsonObject { { QStringLiteral("target"), target->name() }, { QStringLiteral("extensions"), array } });
        return Success;
    }
    if (extensions.isEmpty()) {
        writeOut(QStringLiteral("No extensions are installed in %1.").arg(target->name()));
        return Success;
    }
    const QStringList header { QStringLiteral("NAME"), QStringLiteral("VERSION"), QStringLiteral("AUTHOR"),
        QStringLiteral("ID"), QStringLiteral("MANIFEST") };
    QList<QStringList> rows { header };
    for (const ExtensionInfo& extension : extensions) {
        rows.append(
            { extension.name(), extension.version(), extension.author(), extension.id(), extension.fileName() });
    }
    QList<int> widths;
    for (int column = 0; column < header.size(); ++column) {
        int width = 0;
        for (const QStringList& row : rows) {
            width = qMax(width, row.at(column).size());
        }
        widths << width;
    }
    QStringList lines;
    for (const QStringList& row : rows) {
        QString line;
        for (int column = 0; column < row.size(); ++column) {
            line += column + 1 < row.size() ? row.at(column).leftJustified(widths.at(column) + 2) : row.at(column);
        }
        lines << line;
    }
    writeOut(lines.join(QLatin1Char('\n')));
    return Success;
}

int CommandLineTool::info(const QString& packagePath)
{
    const int packageStatus = checkPackage(packagePath);
    if (packageStatus != Success) {
        return packageStatus;
    }
    // A package can be looked at on a machine without Dreamweaver; its
    // destinations are then shown as the manifest writes them.
    DreamweaverInfo* target = nullptr;
    if (m_targetGiven || !DreamweaverInfo::installations().isEmpty()) {
        target = findTarget();
        if (!target) {
            return NotFound;
        }
    }
    ExtensionInfo extension(packagePath);
    if (extension.manifest().isEmpty()) {
        writeError(QStringLiteral("moravel-cli: package %1 holds no readable manifest").arg(packagePath));
        return Failed;
    }
    extension.parseDetails();

    struct FileRow
    {
        QString source;
        QString destination;
        QString locale;
        QString path;
        QString skipped; // why, when it would be
    };
    QList<FileRow> rows;
    const QList<FileEntry> files = extension.files();
    if (target) {
        InstallReport plan;
        Installer installer(*target, nullptr, &plan);
        installer.setDryRun(true);
        installer.installPackage(packagePath);
        const QString manifestName = PackageSupport::extractedFileName(extension.fileName());
        int index = 0;
        for (const InstallReport::FileResult& result : plan.files()) {
            // The plan starts each locale with the manifest copy, which is not a file of the extension.
            if (result.path == target->extensionStoreFolder(result.locale) + QLatin1Char('/') + manifestName
                || files.isEmpty()) {
                continue;
            }
            const FileEntry& entry = files.at(index++ % files.size());
            rows.append({ entry.source, entry.destination, result.locale, result.path,
                result.outcome == InstallReport::FileOutcome::Written
                    ? QString()
                    : InstallReport::describe(result.outcome).mid(QStringLiteral("skipped: ").size())
                        + (result.detail.isEmpty() ? QString()
                                                   : QStringLiteral(" (") + result.detail + QLatin1Char(')')) });
        }
    } else {
        for (const FileEntry& entry : files) {
            rows.append({ entry.source, entry.destination, QString(), entry.destination, QString() });
        }
    }
    // Files for other platforms never reach the file list; they are shown so
    // that a manifest's whole content is accounted for.
    Accessor manifest;
    manifest.parse(extension.manifest());
    for (const CElement* file : manifest.elementsByTagName(QStringLiteral("file"))) {
        const QString platform = file->attribute(QStringLiteral("platform"));
        if (!platform.isEmpty() && platform != QLatin1String("win")) {
            QString source = file->attribute(QStringLiteral("source"));
            if (source.isEmpty()) {
                source = file->attribute(QStringLiteral("name"));
            }
            rows.append({ source, file->attribute(QStringLiteral("destination")), QString(), QString(),
                QStringLiteral("for the platform \"%1\"").arg(platform) });
        }
    }

    if (m_json) {
        QJsonArray products;
        for (const ProductInfo& product : extension.products()) {
            products.append(QJsonObject { { QStringLiteral("name"), product.name },
                { QStringLiteral("version"), product.version }, { QStringLiteral("maxVersion"), product.maxVersion } });
        }
        QJsonArray fileArray;
        for (const FileRow& row : rows) {
            fileArray.append(QJsonObject { { QStringLiteral("source"), row.source },
                { QStringLiteral("destination"), row.destination }, { QStringLiteral("locale"), row.locale },
                { QStringLiteral("path"), row.path }, { QStringLiteral("skipped"), !row.skipped.isEmpty() },
                { QStringLiteral("reason"), row.skipped } });
        }
        QJsonArray menuArray;
        for (const MenuInsert& entry : extension.menuInserts()) {
            menuArray.append(
                QJsonObject { { QStringLiteral("id"), entry.itemId }, { QStringLiteral("appendTo"), entry.appendTo } });
        }
        QJsonArray buttonArray;
        for (const InsertbarInsert& entry : extension.insertbarInserts()) {
            buttonArray.append(QJsonObject { { QStringLiteral("id"), entry.buttonId },
                { QStringLiteral("category"), entry.categoryId }, { QStringLiteral("folder"), entry.folder } });
        }
        writeJson(QJsonObject { { QStringLiteral("id"), extension.id() }, { QStringLiteral("name"), extension.name() },
            { QStringLiteral("version"), extension.version() }, { QStringLiteral("author"), extension.author() },
            { QStringLiteral("manifest"), extension.fileName() },
            { QStringLiteral("description"), extension.description() }, { QStringLiteral("products"), products },
            { QStringLiteral("target"), target ? QJsonValue(target->name()) : QJsonValue() },
            { QStringLiteral("files"), fileArray }, { QStringLiteral("menuEntries"), menuArray },
            { QStringLiteral("insertbarButtons"), buttonArray } });
        return Success;
    }

    QStringList lines { QStringLiteral("id:          ") + extension.id(),
        QStringLiteral("name:        ") + extension.name(), QStringLiteral("version:     ") + extension.version(),
        QStringLiteral("author:      ") + extension.author(), QStringLiteral("manifest:    ") + extension.fileName(),
        QStringLiteral("description: ") + extension.description().simplified() };
    QStringList productTexts;
    for (const ProductInfo& product : extension.products()) {
        QString text = product.name;
        if (!product.version.isEmpty()) {
            text += QStringLiteral(" from ") + product.version;
        }
        if (!product.maxVersion.isEmpty()) {
            text += QStringLiteral(" up to ") + product.maxVersion;
        }
        productTexts << text;
    }
    lines << QStringLiteral("products:    ") + productTexts.join(QStringLiteral("; "));
    lines << QStringLiteral("target:      ") + (target ? target->name() : QStringLiteral("(none found)"));
    lines << QStringLiteral("files:");
    for (const FileRow& row : rows) {
        QString line = QStringLiteral("  ") + row.source;
        if (!row.path.isEmpty()) {
            line += QStringLiteral(" -> ") + row.path;
        }
        if (!row.locale.isEmpty()) {
            line += QStringLiteral(" [") + row.locale + QLatin1Char(']');
        }
        if (!row.skipped.isEmpty()) {
            line += QStringLiteral(" (skipped: ") + row.skipped + QLatin1Char(')');
        }
        lines << line;
    }
    lines << QStringLiteral("menu entries:");
    for (const MenuInsert& entry : extension.menuInserts()) {
        lines << QStringLiteral("  ") + entry.itemId + QStringLiteral(" in ") + entry.appendTo;
    }
    lines << QStringLiteral("Insert-bar buttons:");
    for (const InsertbarInsert& entry : extension.insertbarInserts()) {
        lines << QStringLiteral("  ") + entry.buttonId + QStringLiteral(" in ") + entry.categoryId
                + (entry.folder.isEmpty() ? QString() : QStringLiteral(" (folder ") + entry.folder + QLatin1Char(')'));
    }
    writeOut(lines.join(QLatin1Char('\n')));
    return Success;
}

bool CommandLineTool::removeInstalled(DreamweaverInfo& target, const ExtensionInfo& extension, IProgress* progress,
    InstallReport* report, QHash<QString, QString>* plannedTexts) const
{
    if (progress) {
        progress->setTitle(QStringLiteral("Removing"));
    }
    Remover remover(target, progress, report);
    remover.setDryRun(m_dryRun, plannedTexts);
    remover.removeExtension(extension.fileName());
    if (progress) {
        progress->setFinished();
    }
    return isComplete(*report);
}

int CommandLineTool::install(const QString& packagePath)
{
    DreamweaverInfo* target = findTarget();
    if (!target) {
        return NotFound;
    }
    const int packageStatus = checkPackage(packagePath);
    if (packageStatus != Success) {
        return packageStatus;
    }
    const ExtensionInfo extension(packagePath);
    if (extension.manifest().isEmpty()) {
        writeError(
            QStringLiteral("moravel-cli: cannot install %1: the package holds no readable manifest").arg(packagePath));
        return Failed;
    }
    const QString title = titleOf(extension);

    target->loadInstalledExtensions();
    // An empty id would match any installed manifest that could not be read.
    const ExtensionInfo* installed = extension.id().isEmpty() ? nullptr : target->findExtension(extension.id());
    const std::unique_ptr<TerminalProgress> progress = terminalProgress(m_dryRun);

    QStringList output;
    if (m_dryRun) {
        output << QStringLiteral("Dry run: nothing was changed.");
    }
    // The install is planned on the configuration files as the planned removal leaves them.
    QHash<QString, QString> plannedTexts;
    if (installed) {
        const ExtensionInfo old = *installed;
        const QString oldTitle = titleOf(old);
        if (!m_dryRun
            && !confirm(QStringLiteral("Version ") + old.version() + QStringLiteral(" of ") + old.name()
                    + QStringLiteral(" is already installed.\n\nDo you want to replace it with ") + title
                    + QLatin1Char('?'),
                QStringLiteral("%1 was not installed: it would replace %2 in %3")
                    .arg(title, oldTitle, target->name()))) {
            return Failed;
        }
        InstallReport removal;
        const bool removed = removeInstalled(*target, old, progress.get(), &removal, &plannedTexts);
        if (!removed) {
            writeError(QStringLiteral("moravel-cli: %1 was not installed: removing %2 from %3 failed:\n")
                           .arg(title, oldTitle, target->name())
                + removal.toText());
            return Failed;
        }
        output << (m_dryRun ? QStringLiteral("Would remove %1 from %2 first:") : QStringLiteral("Removed %1 from %2:"))
                      .arg(oldTitle, target->name())
               << removal.toText();
    }

    if (progress) {
        progress->setTitle(QStringLiteral("Installing"));
    }
    InstallReport report;
    Installer installer(*target, progress.get(), &report);
    installer.setDryRun(m_dryRun, &plannedTexts);
    const bool stored = installer.installPackage(packagePath);
    if (progress) {
        progress->setFinished();
    }
    if (!stored || !isComplete(report)) {
        if (!output.isEmpty()) {
            writeOut(output.join(QLatin1Char('\n')));
        }
        writeError((stored ? QStringLiteral("moravel-cli: %1 was installed into %2 only in part:\n")
                           : QStringLiteral("moravel-cli: installing %1 into %2 failed:\n"))
                       .arg(title, target->name())
            + report.toText());
        return Failed;
    }
    output << (m_dryRun ? QStringLiteral("Would install %1 into %2:") : QStringLiteral("Installed %1 into %2:"))
                  .arg(title, target->name())
           << report.toText();
    writeOut(output.join(QLatin1Char('\n')));
    return Success;
}

int CommandLineTool::remove(const QString& name)
{
    DreamweaverInfo* target = findTarget();
    if (!target) {
        return NotFound;
    }
    target->loadInstalledExtensions();
    const ExtensionInfo* found = name.isEmpty() ? nullptr : target->findExtension(name);
    if (!found) {
        for (const ExtensionInfo& extension : target->installedExtensions()) {
            if (extension.fileName() == name) {
                found = &extension;
                break;
            }
        }
    }
    if (!found) {
        writeError(QStringLiteral("moravel-cli: no extension \"%1\" is installed in %2: give an id or a manifest file "
                                  "name as 'moravel-cli installed' shows them")
                       .arg(name, target->name()));
        return NotFound;
    }
    const ExtensionInfo extension = *found;
    const QString title = titleOf(extension);
    if (!m_dryRun
        && !confirm(QStringLiteral("Remove ") + title + QLatin1Char('?'),
            QStringLiteral("%1 was not removed from %2").arg(title, target->name()))) {
        return Failed;
    }
    const std::unique_ptr<TerminalProgress> progress = terminalProgress(m_dryRun);
    InstallReport report;
    const bool removed = removeInstalled(*target, extension, progress.get(), &report, nullptr);
    if (!removed) {
        writeError(
            QStringLiteral("moravel-cli: removing %1 from %2 failed:\n").arg(title, target->name()) + report.toText());
        return Failed;
    }
    writeOut((m_dryRun ? QStringLiteral("Dry run: nothing was changed.\nWould remove %1 from %2:")
                       : QStringLiteral("Removed %1 from %2:"))
                 .arg(title, target->name())
        + QLatin1Char('\n') + report.toText());
    return Success;
}

int CommandLineTool::verify()
{
    DreamweaverInfo* target = findTarget();
    if (!target) {
        return NotFound;
    }
    target->loadInstalledExtensions();
    const ExtensionCheck check(*target);
    bool allWhole = true;
    QJsonArray array;
    QStringList lines;
    for (const ExtensionInfo& extension : target->installedExtensions()) {
        const QList<ExtensionCheck::Item> items = check.check(extension.fileName());
        const bool whole = ExtensionCheck::isWhole(items);
        allWhole = allWhole && whole;
        QJsonArray itemArray;
        QStringList missing;
        for (const ExtensionCheck::Item& item : items) {
            itemArray.append(QJsonObject { { QStringLiteral("locale"), item.locale },
                { QStringLiteral("kind"), ExtensionCheck::describe(item.kind) }, { QStringLiteral("name"), item.name },
                { QStringLiteral("in"), item.where }, { QStringLiteral("present"), item.present } });
            if (!item.present) {
                missing << QStringLiteral("  missing ") + ExtensionCheck::describe(item.kind) + QLatin1Char(' ')
                        + item.name + (item.where.isEmpty() ? QString() : QStringLiteral(" in ") + item.where)
                        + QStringLiteral(" [") + localeLabel(item.locale) + QLatin1Char(']');
            }
        }
        array.append(QJsonObject { { QStringLiteral("name"), extension.name() },
            { QStringLiteral("version"), extension.version() }, { QStringLiteral("id"), extension.id() },
            { QStringLiteral("manifest"), extension.fileName() }, { QStringLiteral("whole"), whole },
            { QStringLiteral("items"), itemArray } });
        lines << QStringLiteral("%1 v. %2 (%3): %4")
                     .arg(extension.name(), extension.version(), extension.fileName(),
                         whole ? QStringLiteral("whole") : QStringLiteral("damaged"))
              << missing;
    }
    if (m_json) {
        writeJson(QJsonObject { { QStringLiteral("target"), target->name() }, { QStringLiteral("whole"), allWhole },
            { QStringLiteral("extensions"), array } });
    } else if (lines.isEmpty()) {
        writeOut(QStringLiteral("No extensions are installed in %1.").arg(target->name()));
    } else {
        writeOut(lines.join(QLatin1Char('\n')));
    }
    return allWhole ? Success : Failed;
}
