#pragma once

#include "commands/CatalogueEntry.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ExtensionCheck.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

class DreamweaverInfo;
class IUserPrompt;
class InstallationLock;
class StoreClient;

// Every user operation on extensions, end to end, for the window and the
// command-line tool alike: they turn gestures and arguments into these calls,
// and answer the questions, warnings and progress that come back through
// IUserPrompt.
class ExtensionCommands
{
    Q_DECLARE_TR_FUNCTIONS(ExtensionCommands)

public:
    enum class Result {
        Done,
        Incomplete, // it ran, but left something out; the user was warned
        Failed, // nothing was installed or removed; the user was warned
        Refused, // the user said no, or could not be asked
        NotFound, // no such package file or installed extension
    };

    // One file of a package as an install would place it.
    struct PlannedFile
    {
        QString source;
        QString destination; // as the manifest writes it
        QString locale;
        QString path; // where it would go; empty when it never would
        QString skipped; // why it would be skipped; empty when it would be written
    };

    // Whether one installed extension is still whole.
    struct Health
    {
        ExtensionInfo extension;
        QList<ExtensionCheck::Item> items;
        bool whole;
    };

    explicit ExtensionCommands(IUserPrompt& user);

    // A dry run asks nothing and changes nothing: inform() receives what
    // would be written, deleted, added or found already present.
    void setDryRun(bool dryRun) { m_dryRun = dryRun; }
    // How long an install or removal waits for another process that is
    // changing the same installation.
    void setLockTimeout(int milliseconds) { m_lockTimeoutMs = milliseconds; }

    // Installs the package file at path into target, after asking whether to
    // replace the installed extension it would replace.
    Result installPackageFile(DreamweaverInfo& target, const QString& path);
    // Asks, then removes the installed extension stored as mxiName.
    Result removeExtension(DreamweaverInfo& target, const QString& mxiName);
    // Takes over the extension another program installed, stored there as
    // mxiName: its manifest moves into this program's store in every locale,
    // so that from then on it is listed, removed, checked and replaced as one
    // of ours (one without an install record).
    Result adoptExtension(DreamweaverInfo& target, const QString& mxiName);
    // Downloads a catalogue entry and installs it; the replace question comes
    // first, and nothing is removed unless the download arrived whole and
    // was not cancelled (Refused). The package's own manifest decides what it
    // replaces: when that is another extension than the catalogue's id
    // names, the question is asked for it. A package no newer than the
    // installed version it replaces, of an entry the catalogue calls newer,
    // is not installed (Done, with a notice).
    Result installCatalogueEntry(DreamweaverInfo& target, const CatalogueEntry& entry, StoreClient& store);
    // The catalogue's entries that are newer than what target has installed
    // (as last loaded), in the catalogue's order: what Update All installs.
    static QVector<CatalogueEntry> updatesOf(const DreamweaverInfo& target, const QVector<CatalogueEntry>& catalogue);
    // Installs each of entries in turn as installCatalogueEntry does, every
    // one after its own questions; starting, when given, hears of each before
    // it begins. Done only when every one was installed.
    Result updateAll(DreamweaverInfo& target, const QVector<CatalogueEntry>& entries, StoreClient& store,
        const std::function<void(const CatalogueEntry&)>& starting = {});
    // Takes the installed extension with this id or stored manifest name out
    // of Dreamweaver, as its removal would, but keeps what it took in the
    // program's data folder, so that enableExtension can put it back.
    Result disableExtension(DreamweaverInfo& target, const QString& idOrManifest);
    // Puts a disabled extension back as its install left it.
    Result enableExtension(DreamweaverInfo& target, const QString& idOrManifest);
    // Installs the kept package of an installed extension again over what is
    // there, without the replace question: the repair for one that is not whole.
    Result reinstallExtension(DreamweaverInfo& target, const QString& idOrManifest);
    // Installs into to the extensions installed in from (enabled or not):
    // all of them, or those ids (or manifest names) names, each from its kept
    // package, with the questions an install of a package file asks. One
    // without a kept package is listed in a warning as not copied, with why.
    Result copyExtensions(DreamweaverInfo& from, DreamweaverInfo& to, const QStringList& names);
    // The disabled extensions of target.
    static QList<ExtensionInfo> disabledExtensions(const DreamweaverInfo& target);
    // Whether a copy of the package of the extension stored as mxiName in
    // target was kept, so that it can be reinstalled.
    static bool hasKeptPackage(const DreamweaverInfo& target, const QString& mxiName);
    // Every installed extension of target, checked.
    static QList<Health> verify(DreamweaverInfo& target);
    // The package's files as an install into target would place them (as
    // the manifest writes them when target is null), files for other
    // platforms included.
    static QList<PlannedFile> planFiles(
        const DreamweaverInfo* target, const QString& path, const ExtensionInfo& package);

    // The installed extension that a package with this id and manifest file
    // name replaces: the same id; without an id, the same manifest name
    // (compared as Windows compares file names), since the stored copy is
    // kept under that name. From the list as last loaded.
    static const ExtensionInfo* findReplaced(const DreamweaverInfo& target, const QString& id, const QString& mxiName);
    // Why target is outside every Dreamweaver version range the package's
    // products name, as a question says it; empty when it is inside one, or
    // when there is nothing to go by (no range, no known version).
    static QString productMismatch(const DreamweaverInfo& target, const QList<ProductInfo>& products);
    // The installed extension with this id or stored manifest name.
    static const ExtensionInfo* findInstalled(const DreamweaverInfo& target, const QString& idOrManifest);
    // Why the file at path cannot be installed, or empty; result receives
    // NotFound for a missing file or a folder, Failed otherwise. read, when
    // given, receives the package's manifest header when it was read, so
    // that the install need not read the package for it again. manifest,
    // when given, receives the manifest's bytes and all it says, which the
    // install can then take as they are (Installer::setManifest).
    static QString packageProblem(const QString& path, Result* result = nullptr,
        std::optional<ExtensionInfo>* read = nullptr, Installer::Manifest* manifest = nullptr);
    static bool hasPackageSuffix(const QString& path);
    // "Name 1.0.0", as questions and reports name an extension.
    static QString titleOf(const QString& name, const QString& version);
    // What the last install or removal this object ran did, for a face that counts it.
    const InstallReport& lastReport() const { return m_lastReport; }

private:
    // Asks before replacing (an update when version is newer than the
    // installed one, a reinstall when it is the same extension at the same
    // version); false when the answer was no. replaced receives a copy of the
    // extension to remove, if any.
    bool confirmReplace(DreamweaverInfo& target, const QString& id, const QString& mxiName, const QString& title,
        const QString& version, std::optional<ExtensionInfo>* replaced);
    // True (with a notice) when entry is offered as newer than installed but
    // its package is not.
    bool carriesNoUpdate(const DreamweaverInfo& target, const CatalogueEntry& entry, const ExtensionInfo& package,
        const ExtensionInfo& installed);
    // Refuses a package made for other products only; asks before installing into a Dreamweaver outside the
    // package's range. False when refused or the answer was no.
    bool confirmProduct(const DreamweaverInfo& target, const ExtensionInfo& package, const QString& title);
    // True (with a warning) when another installed extension than replaced is
    // stored under the package's manifest name: installing would overwrite its
    // stored manifest, and it could no longer be listed or removed.
    bool storedNameTaken(const DreamweaverInfo& target, const ExtensionInfo& package, const QString& title,
        const std::optional<ExtensionInfo>& replaced);
    // manifest: the package's manifest as the check before read it (see packageProblem).
    // operation names it in the log.
    Result replaceAndInstall(DreamweaverInfo& target, const QString& path, const QString& title,
        const std::optional<ExtensionInfo>& replaced, const Installer::Manifest& manifest,
        const QString& operation = QStringLiteral("install"));
    // Removes and reports; plannedTexts carries a dry run's edits on to the install.
    Result removeAndReport(DreamweaverInfo& target, const ExtensionInfo& extension, const QString& doneText,
        QHash<QString, QString>* plannedTexts);

    // Keeps a copy of the package just installed (with a warning when it cannot).
    void keepPackage(const DreamweaverInfo& target, const QString& path, const ExtensionInfo& package,
        const QString& title);
    // Removes a disabled extension: its parked files and its kept package.
    Result removeDisabled(DreamweaverInfo& target, const ExtensionInfo& extension);
    // The kept package of the extension stored (or disabled) as mxiName in
    // target, relative to the data folder; empty when there is none.
    static QString keptPackageOf(const DreamweaverInfo& target, const QString& mxiName);
    // The licence, where to find it, and the log: each operation that changes an installation calls these.
    // Asks for the package's licence to be accepted, when it has one; false when it was not.
    bool acceptLicense(const ExtensionInfo& package, const QString& title);
    // After an install: where to find the package's extension in Dreamweaver, and to restart Dreamweaver when
    // the manifest asks for it or Dreamweaver is running.
    void tellWhereToFind(const ExtensionInfo& package);
    // Tells the user, and keeps it for the log.
    void tell(bool warning, const QString& text, const QString& details);
    // Appends what the operation told the user since it began (m_told) to the log.
    void log(const QString& operation, const DreamweaverInfo& target, const QString& title, Result result);

    // Waits for other processes working on target; false (with a warning) when it gave up.
    bool lock(InstallationLock& lock, const DreamweaverInfo& target, const QString& title);

    IUserPrompt& m_user;
    InstallReport m_lastReport;
    QString m_told; // what the running operation told the user, for the log
    bool m_dryRun = false;
    // The user asked for the replace already (a reinstall).
    bool m_replaceAgreed = false;
    // How an install from a package file is named in the log.
    QString m_installOperation = QStringLiteral("install");
    int m_lockTimeoutMs = 60000;
};
