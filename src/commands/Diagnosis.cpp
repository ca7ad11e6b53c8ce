#include "commands/Diagnosis.h"

#include "discovery/DreamweaverInfo.h"
#include "discovery/DreamweaverList.h"
#include "platform/Environment.h"

#include <QDir>
#include <QJsonArray>

namespace {

QString sourceName(DiscoveryFinding::Source source)
{
    return source == DiscoveryFinding::Source::Database ? QStringLiteral("database") : QStringLiteral("folder");
}

// The variables that decide where the program looks, as it read them.
QStringList variableLines()
{
    QStringList lines;
    for (const char* name : { "APPDATA", "ALLUSERSPROFILE", "ProgramFiles(x86)", "ProgramW6432", "ProgramFiles" }) {
        const QString value = Environment::variable(name);
        lines.append(QStringLiteral("  %1 = %2")
                         .arg(QLatin1String(name), value.isEmpty() ? QStringLiteral("(not set)") : value));
    }
    return lines;
}

} // namespace

QString Diagnosis::text(const DreamweaverList& list)
{
    QStringList lines;
    const QString prefix = Environment::winePrefix();
    lines.append(prefix.isEmpty()
            ? QStringLiteral("Where the program looked for Dreamweaver:")
            : QStringLiteral("Where the program looked for Dreamweaver in the Wine prefix %1:").arg(prefix));
    lines.append(
        QStringLiteral("  roaming folder %1").arg(QDir::toNativeSeparators(DreamweaverInfo::applicationDataFolder())));
    lines += variableLines();
    lines.append(QString());
    for (const DiscoveryFinding& finding : list.findings) {
        lines.append(QStringLiteral("%1 %2").arg(sourceName(finding.source), finding.place));
        lines.append(finding.installation.isEmpty()
                ? QStringLiteral("  not listed: %1").arg(finding.reason)
                : QStringLiteral("  listed as %1: %2").arg(finding.installation, finding.reason));
    }
    const int found = list.installations.size();
    lines.append(found == 0 ? QStringLiteral("No Dreamweaver installation was found.")
            : found == 1    ? QStringLiteral("1 Dreamweaver installation was found.")
                            : QStringLiteral("%1 Dreamweaver installations were found.").arg(found));
    return lines.join(QLatin1Char('\n'));
}

QJsonObject Diagnosis::json(const DreamweaverList& list)
{
    QJsonArray places;
    for (const DiscoveryFinding& finding : list.findings) {
        places.append(QJsonObject { { QStringLiteral("source"), sourceName(finding.source) },
            { QStringLiteral("place"), finding.place }, { QStringLiteral("listed"), !finding.installation.isEmpty() },
            { QStringLiteral("installation"), finding.installation }, { QStringLiteral("reason"), finding.reason } });
    }
    QJsonObject variables;
    for (const char* name : { "APPDATA", "ALLUSERSPROFILE", "ProgramFiles(x86)", "ProgramW6432", "ProgramFiles" })
        variables.insert(QLatin1String(name), Environment::variable(name));
    return QJsonObject { { QStringLiteral("winePrefix"), Environment::winePrefix() },
        { QStringLiteral("roamingFolder"), QDir::toNativeSeparators(DreamweaverInfo::applicationDataFolder()) },
        { QStringLiteral("variables"), variables }, { QStringLiteral("places"), places },
        { QStringLiteral("installations"), int(list.installations.size()) } };
}
