#include "cli/InfoCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

#include <QJsonArray>

int InfoCommand::execute(const QString& packagePath)
{
    ExtensionCommands::Result problemKind = ExtensionCommands::Result::Done;
    const QString problem = ExtensionCommands::packageProblem(packagePath, &problemKind);
    if (!problem.isEmpty()) {
        // No such file: an installed extension, by id or manifest name (one
        // another program installed too), is shown from its stored manifest.
        if (problemKind == ExtensionCommands::Result::NotFound && !installations().isEmpty()) {
            DreamweaverInfo* target = findTarget();
            if (!target)
                return NotFound;
            target->loadInstalledExtensions();
            if (const ExtensionInfo* installed = ExtensionCommands::findInstalled(*target, packagePath)) {
                ExtensionInfo extension = *installed;
                extension.parseDetails();
                const Files files = ExtensionCommands::planFiles(nullptr, QString(), extension);
                if (m_options.json)
                    writeJson(extension, target, files);
                else
                    writeText(extension, target, files);
                return Success;
            }
        }
        Console::error(QStringLiteral("moravel-cli: %1 cannot be read: %2").arg(packagePath, problem));
        return exitStatus(problemKind);
    }
    // A package can be looked at on a machine without Dreamweaver; its
    // destinations are then shown as the manifest writes them.
    const DreamweaverInfo* target = nullptr;
    if (m_options.targetGiven || !installations().isEmpty()) {
        target = findTarget();
        if (!target)
            return NotFound;
    }
    ExtensionInfo package(packagePath);
    package.parseDetails();
    const Files files = ExtensionCommands::planFiles(target, packagePath, package);
    if (m_options.json)
        writeJson(package, target, files);
    else
        writeText(package, target, files);
    return Success;
}

void InfoCommand::writeText(const ExtensionInfo& package, const DreamweaverInfo* target, const Files& files)
{
    QStringList lines { QStringLiteral("id:          ") + package.id(),
        QStringLiteral("name:        ") + package.name(), QStringLiteral("version:     ") + package.version(),
        QStringLiteral("author:      ") + package.author(), QStringLiteral("manifest:    ") + package.fileName(),
        QStringLiteral("description: ") + package.description().simplified() };
    QStringList products;
    for (const ProductInfo& product : package.products()) {
        QString text = product.name;
        if (!product.version.isEmpty())
            text += QStringLiteral(" from ") + product.version;
        if (!product.maxVersion.isEmpty())
            text += QStringLiteral(" up to ") + product.maxVersion;
        products << text;
    }
    const ExtensionInfo::Notes notes = package.notes();
    lines << QStringLiteral("products:    ") + products.join(QStringLiteral("; "))
          << QStringLiteral("find it in:  ") + QString(notes.uiAccess).replace(QLatin1Char('\n'), QLatin1Char(' '))
          << QStringLiteral("restart:     ") + (notes.requiresRestart ? QStringLiteral("yes") : QStringLiteral("no"))
          << QStringLiteral("target:      ") + (target ? target->name() : QStringLiteral("(none found)"))
          << QStringLiteral("files:");
    for (const ExtensionCommands::PlannedFile& file : files) {
        QString line = QStringLiteral("  ") + file.source;
        if (!file.path.isEmpty())
            line += QStringLiteral(" -> ") + file.path;
        if (!file.locale.isEmpty())
            line += QStringLiteral(" [") + file.locale + QLatin1Char(']');
        if (!file.skipped.isEmpty())
            line += QStringLiteral(" (skipped: ") + file.skipped + QLatin1Char(')');
        lines << line;
    }
    lines << QStringLiteral("menu entries:");
    for (const MenuInsert& entry : package.menuInserts()) {
        lines << QStringLiteral("  ") + entry.itemIds.join(QStringLiteral(", ")) + QLatin1Char(' ')
                + (entry.shortcut ? QStringLiteral("shortcuts in ")
                                  : MenuInsert::placementName(entry.placement) + QLatin1Char(' '))
                + (entry.target.isEmpty() ? QStringLiteral("Menus.xml") : entry.target)
                + (entry.language.isEmpty() ? QString() : QStringLiteral(" [") + entry.language + QLatin1Char(']'));
    }
    lines << QStringLiteral("Insert-bar buttons:");
    for (const InsertbarInsert& entry : package.insertbarInserts()) {
        lines << QStringLiteral("  ") + entry.itemIds.join(QStringLiteral(", "))
                + (entry.category ? QStringLiteral(" in category ") + entry.categoryId : QString())
                + (entry.target.isEmpty() ? QString()
                                          : QLatin1Char(' ') + MenuInsert::placementName(entry.placement)
                            + QLatin1Char(' ') + entry.target)
                + (entry.language.isEmpty() ? QString() : QStringLiteral(" [") + entry.language + QLatin1Char(']'));
    }
    // Most packages change no other file: no heading for an empty list.
    if (!package.configurationInserts().isEmpty())
        lines << QStringLiteral("other configuration changes:");
    for (const ConfigurationInsert& entry : package.configurationInserts()) {
        lines << QStringLiteral("  ") + (entry.isLine() ? entry.markup : entry.itemIds.join(QStringLiteral(", ")))
                + QStringLiteral(" in ") + entry.file
                + (entry.target.isEmpty() ? QString()
                                          : QLatin1Char(' ') + MenuInsert::placementName(entry.placement)
                            + QLatin1Char(' ') + entry.target)
                + (entry.language.isEmpty() ? QString() : QStringLiteral(" [") + entry.language + QLatin1Char(']'));
    }
    // Last, as a licence runs to many lines.
    if (!notes.license.isEmpty()) {
        lines << QStringLiteral("licence agreement:");
        for (const QString& line : notes.license.split(QLatin1Char('\n')))
            lines << (line.isEmpty() ? line : QStringLiteral("  ") + line);
    }
    Console::out(lines.join(QLatin1Char('\n')));
}

void InfoCommand::writeJson(const ExtensionInfo& package, const DreamweaverInfo* target, const Files& files)
{
    QJsonArray products;
    for (const ProductInfo& product : package.products()) {
        products.append(QJsonObject { { QStringLiteral("name"), product.name },
            { QStringLiteral("version"), product.version }, { QStringLiteral("maxVersion"), product.maxVersion } });
    }
    QJsonArray fileArray;
    for (const ExtensionCommands::PlannedFile& file : files) {
        fileArray.append(QJsonObject { { QStringLiteral("source"), file.source },
            { QStringLiteral("destination"), file.destination }, { QStringLiteral("locale"), file.locale },
            { QStringLiteral("path"), file.path }, { QStringLiteral("skipped"), !file.skipped.isEmpty() },
            { QStringLiteral("reason"), file.skipped } });
    }
    QJsonArray menuArray;
    // Each entry names its target under the manifest's own placement attribute.
    for (const MenuInsert& entry : package.menuInserts()) {
        menuArray.append(QJsonObject { { QStringLiteral("id"), entry.itemIds.value(0) },
            { QStringLiteral("ids"), QJsonArray::fromStringList(entry.itemIds) },
            { entry.shortcut ? QStringLiteral("list_Id") : MenuInsert::placementName(entry.placement), entry.target },
            { QStringLiteral("lang"), entry.language } });
    }
    QJsonArray buttonArray;
    for (const InsertbarInsert& entry : package.insertbarInserts()) {
        buttonArray.append(QJsonObject { { QStringLiteral("id"), entry.itemIds.value(0) },
            { QStringLiteral("ids"), QJsonArray::fromStringList(entry.itemIds) },
            { QStringLiteral("category"), entry.categoryId }, { QStringLiteral("newCategory"), entry.category },
            { MenuInsert::placementName(entry.placement), entry.target } });
    }
    QJsonArray otherArray;
    for (const ConfigurationInsert& entry : package.configurationInserts()) {
        otherArray.append(QJsonObject { { QStringLiteral("file"), entry.file },
            { QStringLiteral("ids"), QJsonArray::fromStringList(entry.itemIds) },
            { QStringLiteral("line"), entry.isLine() ? entry.markup : QString() },
            { MenuInsert::placementName(entry.placement), entry.target }, { QStringLiteral("lang"), entry.language } });
    }
    Console::json(QJsonObject { { QStringLiteral("id"), package.id() }, { QStringLiteral("name"), package.name() },
        { QStringLiteral("version"), package.version() }, { QStringLiteral("author"), package.author() },
        { QStringLiteral("manifest"), package.fileName() }, { QStringLiteral("description"), package.description() },
        { QStringLiteral("products"), products }, { QStringLiteral("license"), package.notes().license },
        { QStringLiteral("uiAccess"), package.notes().uiAccess },
        { QStringLiteral("requiresRestart"), package.notes().requiresRestart },
        { QStringLiteral("target"), target ? QJsonValue(target->name()) : QJsonValue() },
        { QStringLiteral("files"), fileArray }, { QStringLiteral("menuEntries"), menuArray },
        { QStringLiteral("insertbarButtons"), buttonArray }, { QStringLiteral("otherChanges"), otherArray } });
}

QString InfoCommand::help() const
{
    return QStringLiteral(
               "Shows a package's manifest without installing it: id, name, version, products, licence agreement,\n"
               "where to find it in Dreamweaver, and each file with the path an install into the target would give "
               "it.\n"
               "Given an installed extension's id or manifest file name instead, shows its stored manifest.\n"
               "\n"
               "Arguments:\n"
               "  PACKAGE  a .zxp or .mxp file, or an installed extension's id or manifest file name\n\n")
        + exitStatusHelp(QStringLiteral("the manifest was shown"), QStringLiteral("the package cannot be read"));
}
