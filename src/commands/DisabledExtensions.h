#pragma once

#include "discovery/ExtensionInfo.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class DreamweaverInfo;
class InstallReport;

// Extensions taken out of Dreamweaver without being removed. What a removal
// would delete waits in the program's data folder, under
// disabled/<installation key>/<stored manifest name>/<locale>/: the stored
// manifest, the install record and a copy of each file the record lists.
// Putting them back writes the files again and adds the manifest's entries
// to the configuration files as its install did: the same edit of the same
// text gives the same bytes.
class DisabledExtensions
{
    Q_DECLARE_TR_FUNCTIONS(DisabledExtensions)

public:
    // The disabled extensions of target, as their stored manifests say.
    static QList<ExtensionInfo> list(const DreamweaverInfo& target);
    // The one with this id or stored manifest name, or none.
    static std::optional<ExtensionInfo> find(const DreamweaverInfo& target, const QString& idOrManifest);
    static QString folder(const DreamweaverInfo& target, const QString& mxiName);

    // Copies what a removal of the stored extension would take away into its
    // folder, replacing what was there; false, with why, when it cannot (an
    // extension stored without an install record cannot be put back exactly).
    [[nodiscard]] static bool park(const DreamweaverInfo& target, const QString& mxiName, QString* error);
    // Marks the parked extension as disabled, once its removal went through.
    [[nodiscard]] static bool markDisabled(const DreamweaverInfo& target, const QString& mxiName, QString* error);
    // The locales where the parked extension is stored again.
    static QStringList storedAgain(const DreamweaverInfo& target, const QString& mxiName);
    // Puts the parked extension back into every locale it was parked from
    // where it is not stored, into report; false, with why, when a locale
    // could not be started. Files and entries that fail are in the report.
    [[nodiscard]] static bool restore(
        const DreamweaverInfo& target, const QString& mxiName, InstallReport& report, QString* error);
    // The kept package the parked record names, relative to the data folder.
    static QString keptPackage(const DreamweaverInfo& target, const QString& mxiName);
    // Deletes the parked extension's folder.
    [[nodiscard]] static bool discard(const DreamweaverInfo& target, const QString& mxiName);
};
