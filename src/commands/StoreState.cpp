#include "commands/StoreState.h"

#include "commands/ExtensionCommands.h"
#include "discovery/VersionNumber.h"

StoreState::Kind StoreState::of(
    const DreamweaverInfo& target, const CatalogueEntry& entry, const ExtensionInfo** installed)
{
    const ExtensionInfo* extension
        = entry.id.isEmpty() ? nullptr : ExtensionCommands::findReplaced(target, entry.id, QString());
    if (installed)
        *installed = extension;
    if (!extension)
        return NotInstalled;
    const int order = VersionNumber::compare(entry.version, extension->version());
    return order > 0 ? UpdateAvailable : order < 0 ? InstalledNewer : Installed;
}

QString StoreState::text(Kind kind)
{
    switch (kind) {
    case NotInstalled:
        return QStringLiteral("not installed");
    case Installed:
        return QStringLiteral("installed");
    case UpdateAvailable:
        return QStringLiteral("update available");
    case InstalledNewer:
        return QStringLiteral("installed newer");
    }
    return QString();
}

QString StoreState::key(Kind kind)
{
    switch (kind) {
    case NotInstalled:
        return QStringLiteral("notInstalled");
    case Installed:
        return QStringLiteral("installed");
    case UpdateAvailable:
        return QStringLiteral("updateAvailable");
    case InstalledNewer:
        return QStringLiteral("installedNewer");
    }
    return QString();
}
