#include "cli/VerifyCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

#include <QJsonArray>

int VerifyCommand::execute(const QString&)
{
    DreamweaverInfo* target = findTarget();
    if (!target)
        return NotFound;
    const Healths healths = ExtensionCommands::verify(*target);
    if (m_options.json)
        writeJson(*target, healths);
    else
        writeText(*target, healths);
    const bool allWhole
        = std::all_of(healths.begin(), healths.end(), [](const ExtensionCommands::Health& h) { return h.whole; });
    return allWhole ? Success : Failed;
}

void VerifyCommand::writeText(const DreamweaverInfo& target, const Healths& healths)
{
    const QList<ExtensionInfo> disabled = ExtensionCommands::disabledExtensions(target);
    if (healths.isEmpty() && disabled.isEmpty()) {
        Console::out(QStringLiteral("No extensions are installed in %1.").arg(target.name()));
        return;
    }
    QStringList lines;
    // Out of Dreamweaver on purpose: nothing of them is looked for.
    for (const ExtensionInfo& extension : disabled)
        lines << QStringLiteral("%1 %2 (%3): disabled")
                     .arg(extension.name(), extension.version(), extension.fileName());
    for (const ExtensionCommands::Health& health : healths) {
        const ExtensionInfo& extension = health.extension;
        lines << QStringLiteral("%1 %2 (%3): %4")
                     .arg(extension.name(), extension.version(), extension.fileName(),
                         health.whole ? QStringLiteral("whole") : QStringLiteral("damaged"));
        for (const ExtensionCheck::Item& item : health.items) {
            if (item.present)
                continue;
            const QString locale = QStringLiteral(" [")
                + (item.locale.isEmpty() ? QStringLiteral("(no locale)") : item.locale) + QLatin1Char(']');
            if (item.targetMissing && item.kind == ExtensionCheck::ItemKind::ConfigurationEntry) {
                lines << QStringLiteral("  warning: no place in ") + item.where + QStringLiteral(" for ") + item.name
                        + locale;
                continue;
            }
            if (item.targetMissing) {
                const bool menu = item.kind == ExtensionCheck::ItemKind::MenuEntry;
                lines << (menu ? QStringLiteral("  warning: no menu ") : QStringLiteral("  warning: no category "))
                        + item.where + (menu ? QStringLiteral(" for entry ") : QStringLiteral(" for button "))
                        + item.name + locale;
                continue;
            }
            lines << QStringLiteral("  missing ") + ExtensionCheck::describe(item.kind) + QLatin1Char(' ') + item.name
                    + (item.where.isEmpty() ? QString() : QStringLiteral(" in ") + item.where) + locale;
        }
    }
    Console::out(lines.join(QLatin1Char('\n')));
}

void VerifyCommand::writeJson(const DreamweaverInfo& target, const Healths& healths)
{
    QJsonArray array;
    bool allWhole = true;
    for (const ExtensionCommands::Health& health : healths) {
        allWhole = allWhole && health.whole;
        QJsonArray items;
        for (const ExtensionCheck::Item& item : health.items) {
            items.append(QJsonObject { { QStringLiteral("locale"), item.locale },
                { QStringLiteral("kind"), ExtensionCheck::describe(item.kind) }, { QStringLiteral("name"), item.name },
                { QStringLiteral("in"), item.where }, { QStringLiteral("present"), item.present },
                { QStringLiteral("targetMissing"), item.targetMissing } });
        }
        const ExtensionInfo& extension = health.extension;
        array.append(QJsonObject { { QStringLiteral("name"), extension.name() },
            { QStringLiteral("version"), extension.version() }, { QStringLiteral("id"), extension.id() },
            { QStringLiteral("manifest"), extension.fileName() }, { QStringLiteral("whole"), health.whole },
            { QStringLiteral("items"), items } });
    }
    Console::json(QJsonObject { { QStringLiteral("target"), target.name() }, { QStringLiteral("whole"), allWhole },
        { QStringLiteral("extensions"), array } });
}

QString VerifyCommand::help() const
{
    return QStringLiteral(
               "Checks that every installed extension of the target is whole: its files present, its menu entries\n"
               "and Insert-bar buttons and other configuration entries in place.\n\n")
        + exitStatusHelp(QStringLiteral("every extension is whole"), QStringLiteral("an extension is damaged"));
}
