#pragma once

#include "commands/CatalogueEntry.h"

#include <QString>

class DreamweaverInfo;
class ExtensionInfo;

// Where a catalogue entry stands against one installation: what the Store
// shows beside it and what an update installs.
class StoreState
{
public:
    enum Kind {
        NotInstalled,
        Installed, // the same version
        UpdateAvailable, // the catalogue's version is newer
        InstalledNewer,
    };

    // Matched by id, from the installed list as last loaded; an entry without
    // an id is never taken for an installed extension. installed, when given,
    // receives the installed extension (null when there is none).
    static Kind of(
        const DreamweaverInfo& target, const CatalogueEntry& entry, const ExtensionInfo** installed = nullptr);
    // "not installed", "installed", "update available", "installed newer".
    static QString text(Kind kind);
    // The same as a JSON key: "notInstalled", "installed", "updateAvailable", "installedNewer".
    static QString key(Kind kind);
};
