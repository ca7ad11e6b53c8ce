#include "cli/ListCommand.h"

#include "cli/Console.h"
#include "discovery/DreamweaverInfo.h"

#include <QJsonArray>

namespace {

QString localeLabel(const QString& locale)
{
    return locale.isEmpty() ? QStringLiteral("(no locale)") : locale;
}

} // namespace

int ListCommand::execute(const QString&)
{
    if (m_options.json)
        writeJson();
    else if (installations().isEmpty())
        Console::error(noInstallationText());
    else
        writeText();
    return Success;
}

void ListCommand::writeText() const
{
    const QList<DreamweaverInfo>& installations = this->installations();
    QStringList lines;
    for (int i = 0; i < installations.size(); ++i) {
        const DreamweaverInfo& installation = installations.at(i);
        QStringList locales;
        for (const QString& locale : installation.locales())
            locales << localeLabel(locale);
        lines << QStringLiteral("%1: %2").arg(i).arg(installation.name())
              << QStringLiteral("   version:        ") + installation.version()
              << QStringLiteral("   vendor:         ") + installation.vendor()
              << QStringLiteral("   user folder:    ") + installation.userFolder()
              << QStringLiteral("   locales:        ") + locales.join(QStringLiteral(", "))
              << QStringLiteral("   program folder: ") + installation.installFolder();
    }
    Console::out(lines.join(QLatin1Char('\n')));
}

void ListCommand::writeJson() const
{
    const QList<DreamweaverInfo>& installations = this->installations();
    QJsonArray array;
    for (int i = 0; i < installations.size(); ++i) {
        const DreamweaverInfo& installation = installations.at(i);
        array.append(QJsonObject { { QStringLiteral("index"), i }, { QStringLiteral("name"), installation.name() },
            { QStringLiteral("version"), installation.version() }, { QStringLiteral("vendor"), installation.vendor() },
            { QStringLiteral("userFolder"), installation.userFolder() },
            { QStringLiteral("locales"), QJsonArray::fromStringList(installation.locales()) },
            { QStringLiteral("programFolder"), installation.installFolder() } });
    }
    Console::json(QJsonObject { { QStringLiteral("installations"), array } });
}

QString ListCommand::help() const
{
    return QStringLiteral(
               "Lists the Dreamweaver installations found, in the order the window shows them, each with its index\n"
               "for --target, its version, its locales and its folders.\n\n")
        + exitStatusHelp(QStringLiteral("the list was written, even an empty one"), QString(), false);
}
