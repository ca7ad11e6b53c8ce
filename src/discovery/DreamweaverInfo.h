#pragma once

#include "discovery/DiscoveryFinding.h"
#include "discovery/ExtensionInfo.h"
#include "discovery/VersionNumber.h"

struct DreamweaverList;

#include <QList>
#include <QString>
#include <QStringList>

// One Dreamweaver installation and the rules that derive its folders. A value
// record; buildDreamweaverList finds them.
class DreamweaverInfo
{
public:
    using VersionNumbers = VersionNumber::Numbers;

    DreamweaverInfo() = default;
    // An empty locale list gets one empty locale, so that every installation has a
    // locale slot and the folder rules then use userFolder itself.
    DreamweaverInfo(const QString& name, const QString& vendor, const QString& userFolder, const QStringList& locales);

    QString name() const { return m_name; }
    QString version() const { return m_version; }
    VersionNumbers versionNumbers() const { return m_versionNumbers; }
    QString vendor() const { return m_vendor; }
    QString userFolder() const { return m_userFolder; }
    QStringList locales() const { return m_locales; }
    QString installFolder() const { return m_installFolder; }
    QString productId() const { return m_productId; }

    // A folder of another installation found beside this one (its per-user or
    // program folder), which a package installed here has no business writing.
    struct NeighbourFolder
    {
        QString installation;
        QString folder;
    };
    QList<NeighbourFolder> neighbourFolders() const { return m_neighbourFolders; }
    void setNeighbourFolders(const QList<NeighbourFolder>& folders) { m_neighbourFolders = folders; }

    // Sets version and reads up to four dot-separated signed numbers from it.
    void setVersion(const QString& text);
    void setInstallFolder(const QString& folder) { m_installFolder = folder; }
    void setProductId(const QString& productId) { m_productId = productId; }

    QString localeFolder(const QString& locale) const;
    QString configurationFolder(const QString& locale) const;
    QString extensionStoreFolder(const QString& locale) const;
    // Where Adobe's Extension Manager keeps the manifests of what it installed.
    QString otherProgramFolder(const QString& locale) const;
    // The manifest stored as mxiName in the locale's store (or the other
    // program's folder), its name matched as Windows matches names: exactly,
    // else in any case. The exact path when neither is there.
    QString storedManifestPath(const QString& locale, const QString& mxiName, bool otherProgram = false) const;

    // Sets version from the first usable version.xml among the locales.
    void readVersionFile();
    // Sets installFolder from the registry or, without a key, from the first
    // existing of the folders the installers use; true when it exists. tried,
    // when given, receives every place looked at.
    bool findInstallFolder(QStringList* tried = nullptr);

    // Rebuilds the installed list from the manifests in the store folders,
    // then those another program installed that are not in the stores. A
    // name is one extension whatever its case, as on Windows.
    void loadInstalledExtensions();
    const QList<ExtensionInfo>& installedExtensions() const { return m_extensions; }

    // The first installed extension with exactly this id, from the list as last loaded; null when none.
    const ExtensionInfo* findExtension(const QString& id) const;

    // Highest version first.
    static bool isNewerThan(const DreamweaverInfo& a, const DreamweaverInfo& b);

    // The label of a per-user folder: "Dreamweaver 9" is Dreamweaver CS3.
    static QString labelOf(const QString& folderName);

    // Subfolders of folder named like a locale ("en_US"), in the file system's order.
    static QStringList localeSubfolders(const QString& folder);

    // The installations the program folders, then the extension database, lead to.
    static DreamweaverList buildDreamweaverList(const QString& exManDbPath);
    // The per-user roaming folder: APPDATA, else the one below USERPROFILE.
    static QString applicationDataFolder();

private:
    QString m_name;
    QString m_version;
    VersionNumbers m_versionNumbers {};
    QString m_vendor;
    QString m_userFolder;
    QStringList m_locales;
    QString m_installFolder;
    QString m_productId;
    QList<ExtensionInfo> m_extensions;
    QList<NeighbourFolder> m_neighbourFolders;
};
