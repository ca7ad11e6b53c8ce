#include "commands/ExtensionCommands.h"

#include "commands/DisabledExtensions.h"
#include "commands/IUserPrompt.h"
#include "commands/InstallationLock.h"
#include "commands/KeptPackages.h"
#include "commands/OperationLog.h"
#include "commands/ReportSummary.h"
#include "commands/StoreClient.h"
#include "commands/StoreState.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/VersionNumber.h"
#include "installer/IProgress.h"
#include "installer/InstallRecord.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"
#include "installer/Remover.h"
#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "packages/PackageSupport.h"
#include "platform/DataFolder.h"
#include "platform/RunningPrograms.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

namespace {

// The last component of a catalogue's package name: the name is the
// server's to choose, and folders or ".." in it must not steer the
// temporary file out of the temporary folder. A query or fragment belongs to
// the address, not the file: the suffix before it chooses the reader.
QString lastPathComponent(const QString& name)
{
    const QString path = name.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('#'), 0, 0);
    const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

// The files the plan would write where something the planned removal leaves
// stands in the way: a folder of the file's name, or a file where one of its
// folders must be. The dry run sees neither: it writes nothing.
QString blockedDestinations(const InstallReport& plan, const InstallReport& removal)
{
    QSet<QString> removed;
    for (const InstallReport::FileResult& file : removal.files()) {
        if (file.outcome == InstallReport::FileOutcome::Removed)
            removed.insert(file.path);
    }
    QStringList blocked;
    for (const InstallReport::FileResult& file : plan.files()) {
        if (file.outcome != InstallReport::FileOutcome::Written || file.path.isEmpty())
            continue;
        QString path = file.path;
        bool isFile = true;
        for (;;) {
            const QFileInfo info(path);
            if (info.exists() || info.isSymLink()) {
                if (isFile ? info.isDir() : !info.isDir() && !removed.contains(path)) {
                    blocked << (isFile ? ExtensionCommands::tr("%1 (%2 is a folder)")
                                       : ExtensionCommands::tr("%1 (%2 is not a folder)"))
                                   .arg(QDir::toNativeSeparators(file.path), QDir::toNativeSeparators(path));
                }
                if (!removed.contains(path))
                    break;
            }
            const QString parent = info.path();
            if (parent == path || parent.isEmpty())
                break;
            path = parent;
            isFile = false;
        }
    }
    if (blocked.isEmpty())
        return QString();
    // As many as a message shows of other files; the details list every file.
    constexpr int listed = 8;
    if (blocked.size() > listed)
        blocked = blocked.mid(0, listed) << QStringLiteral("...");
    return QStringLiteral("\n\n")
        + QCoreApplication::translate("ExtensionCommands", "Something stands in the way of these files:")
        + QLatin1Char('\n') + blocked.join(QLatin1Char('\n'));
}

ExtensionCommands::Result worse(ExtensionCommands::Result a, ExtensionCommands::Result b)
{
    return int(a) > int(b) ? a : b;
}

} // namespace

ExtensionCommands::ExtensionCommands(IUserPrompt& user)
    : m_user(user)
{
}

QString ExtensionCommands::titleOf(const QString& name, const QString& version)
{
    return name + QLatin1Char(' ') + version;
}

bool ExtensionCommands::hasPackageSuffix(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("zxp"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("mxp"), Qt::CaseInsensitive) == 0;
}

QString ExtensionCommands::packageProblem(
    const QString& path, Result* result, std::optional<ExtensionInfo>* read, Installer::Manifest* manifest)
{
    // A path from the command line or a drop may name anything at all.
    const QFileInfo info(path);
    Result kind = Result::NotFound;
    QString problem;
    if (!info.exists()) {
        problem = tr("the file does not exist");
    } else if (info.isDir()) {
        problem = tr("it is a folder, not a package file");
    } else if (!info.isFile()) {
        // A FIFO or a device: opening it could wait for ever.
        kind = Result::Failed;
        problem = tr("it is not a regular file");
    } else {
        kind = Result::Failed;
        std::optional<ExtensionInfo> package;
        if (!hasPackageSuffix(path)) {
            problem = tr("it is not a ZXP or MXP package");
        } else {
            if (manifest) {
                *manifest = Installer::readManifest(path);
                package = manifest->info;
            } else {
                package.emplace(path);
            }
            if (!package->manifestProblem().isEmpty())
                problem = package->manifestProblem();
            else if (package->manifest().isEmpty())
                problem = tr("no extension manifest can be read from it");
            // Neither listed by a name nor found by an id, it could never be
            // told apart, updated or removed by either.
            else if (package->id().trimmed().isEmpty() && package->name().trimmed().isEmpty())
                problem = tr("its manifest names no extension (it has neither an id nor a name)");
        }
        if (read)
            *read = std::move(package);
    }
    if (result)
        *result = problem.isEmpty() ? Result::Done : kind;
    return problem;
}

const ExtensionInfo* ExtensionCommands::findReplaced(
    const DreamweaverInfo& target, const QString& id, const QString& mxiName)
{
    if (!id.isEmpty())
        return target.findExtension(id);
    // Two extensions without ids are different extensions unless they would
    // overwrite each other's stored manifest.
    const QString stored = PackageSupport::extractedFileName(mxiName);
    if (stored.isEmpty())
        return nullptr;
    for (const ExtensionInfo& extension : target.installedExtensions()) {
        if (extension.id().isEmpty() && extension.fileName().compare(stored, Qt::CaseInsensitive) == 0)
            return &extension;
    }
    return nullptr;
}

const ExtensionInfo* ExtensionCommands::findInstalled(const DreamweaverInfo& target, const QString& idOrManifest)
{
    if (idOrManifest.isEmpty())
        return nullptr;
    if (const ExtensionInfo* found = target.findExtension(idOrManifest))
        return found;
    for (const ExtensionInfo& extension : target.installedExtensions()) {
        if (extension.fileName() == idOrManifest)
            return &extension;
    }
    return nullptr;
}

QString ExtensionCommands::productMismatch(const DreamweaverInfo& target, const QList<ProductInfo>& products)
{
    QStringList ranges;
    for (const ProductInfo& product : products) {
        if (!product.isDreamweaver())
            continue;
        if (product.covers(target.version()))
            return QString();
        ranges << product.range();
    }
    if (ranges.isEmpty() || target.version().isEmpty())
        return QString();
    return tr("it is made for %1, and %2 is version %3")
        .arg(ranges.join(QStringLiteral(" or ")), target.name(), target.version());
}

bool ExtensionCommands::confirmProduct(
    const DreamweaverInfo& target, const ExtensionInfo& package, const QString& title)
{
    // A package for other products only would go in without its files and
    // then stand listed as installed: nothing to agree to.
    const QList<ProductInfo> products = package.products();
    QStringList others;
    for (const ProductInfo& product : products) {
        if (product.isDreamweaver()) {
            others.clear();
            break;
        }
        if (!product.name.trimmed().isEmpty() && !others.contains(product.name.trimmed()))
            others << product.name.trimmed();
    }
    if (!others.isEmpty()) {
        const QString named = others.size() == 1
            ? others.first()
            : QStringList(others.mid(0, others.size() - 1)).join(QStringLiteral(", ")) + tr(" and ") + others.last();
        m_user.warn(tr("%1 %2: it is made for %3, not for Dreamweaver.")
                        .arg(title, m_dryRun ? tr("would not be installed") : tr("was not installed"), named),
            QString());
        return false;
    }
    const QString mismatch = productMismatch(target, products);
    if (mismatch.isEmpty())
        return true;
    // A dry run asks nothing, but the plan must not hide what the install would ask.
    if (m_dryRun) {
        m_user.notice(tr("%1 would be installed only if you agree: %2.").arg(title, mismatch));
        return true;
    }
    // Outside the range the publisher tested: No is the safe answer.
    return m_user.ask({ tr("%1: %2.\n\nInstall it anyway?").arg(title, mismatch),
        tr("%1 was not installed: %2").arg(title, mismatch), tr("Install"), tr("Cancel"), true });
}

bool ExtensionCommands::confirmReplace(DreamweaverInfo& target, const QString& id, const QString& mxiName,
    const QString& title, const QString& version, std::optional<ExtensionInfo>* replaced)
{
    target.loadInstalledExtensions();
    const ExtensionInfo* installed = findReplaced(target, id, mxiName);
    if (!installed)
        return true;
    // Copied: the removal reloads the list the pointer points into.
    *replaced = *installed;
    if (m_dryRun || m_replaceAgreed)
        return true;
    const int order = VersionNumber::compare(version, installed->version());
    // The same version again: nothing is replaced, it is put back whole.
    if (order == 0) {
        return m_user.ask({ tr("%1 is already installed in %2.\n\nDo you want to reinstall it?").arg(title, target.name()),
            tr("%1 was not reinstalled in %2").arg(title, target.name()), tr("Reinstall"), tr("Cancel") });
    }
    const QString question = tr("Version %1 of %2 is already installed.\n\nDo you want to replace it with %3?")
                                 .arg(installed->version(), installed->name(), title);
    return m_user.ask({ question,
        tr("%1 was not installed: it would replace %2 in %3")
            .arg(title, titleOf(installed->name(), installed->version()), target.name()),
        order > 0 ? tr("Update") : tr("Replace"), tr("Cancel") });
}

ExtensionCommands::Result ExtensionCommands::installPackageFile(DreamweaverInfo& target, const QString& givenPath)
{
    // A kept package is installed from a copy: replacing its extension
    // deletes it, and the install keeps a new one.
    QString path = givenPath;
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/XXXXXX") + QFileInfo(givenPath).fileName());
    if (KeptPackages::isKept(givenPath)) {
        QFile kept(givenPath);
        if (!copy.open() || !kept.open(QIODevice::ReadOnly)) {
            m_user.warn(tr("%1 cannot be installed: no temporary copy of it can be made.")
                            .arg(QDir::toNativeSeparators(givenPath)),
                QString());
            return Result::Failed;
        }
        // In pieces: a package may be large.
        while (!kept.atEnd()) {
            const QByteArray piece = kept.read(1 << 20);
            if (piece.isEmpty() || copy.write(piece) != piece.size()) {
                m_user.warn(tr("%1 cannot be installed: no temporary copy of it can be made.")
                                .arg(QDir::toNativeSeparators(givenPath)),
                    QString());
                return Result::Failed;
            }
        }
        copy.close();
        path = copy.fileName();
    }
    // Checked before the replace question: once an old version is removed
    // for it, a package that cannot be read would leave nothing installed.
    Result result = Result::Done;
    std::optional<ExtensionInfo> read;
    Installer::Manifest manifest;
    const QString problem = packageProblem(path, &result, &read, &manifest);
    if (!problem.isEmpty()) {
        m_user.warn(tr("%1 cannot be installed: %2.").arg(QDir::toNativeSeparators(path), problem), QString());
        return result;
    }
    const ExtensionInfo package = read ? *read : ExtensionInfo(path);
    const QString title
        = package.name().isEmpty() ? QFileInfo(path).fileName() : titleOf(package.name(), package.version());
    if (!confirmProduct(target, package, title) || !acceptLicense(package, title))
        return Result::Refused;
    std::optional<ExtensionInfo> replaced;
    if (!confirmReplace(target, package.id(), package.fileName(), title, package.version(), &replaced))
        return Result::Refused;
    if (storedNameTaken(target, package, title, replaced))
        return Result::Failed;
    return replaceAndInstall(target, path, title, replaced, manifest, m_installOperation);
}

bool ExtensionCommands::storedNameTaken(const DreamweaverInfo& target, const ExtensionInfo& package,
    const QString& title, const std::optional<ExtensionInfo>& replaced)
{
    const QString stored = PackageSupport::extractedFileName(package.fileName());
    for (const ExtensionInfo& extension : target.installedExtensions()) {
        if (extension.fileName().compare(stored, Qt::CaseInsensitive) != 0
            || (replaced && replaced->fileName() == extension.fileName()))
            continue;
        m_user.warn(tr("%1 was not installed: %2 is installed in %3 under the same manifest name, %4, and would "
                       "lose its stored manifest.")
                        .arg(title, titleOf(extension.name(), extension.version()), target.name(), stored),
            QString());
        return true;
    }
    return false;
}

QVector<CatalogueEntry> ExtensionCommands::updatesOf(
    const DreamweaverInfo& target, const QVector<CatalogueEntry>& catalogue)
{
    QVector<CatalogueEntry> updates;
    for (const CatalogueEntry& entry : catalogue) {
        if (StoreState::of(target, entry) == StoreState::UpdateAvailable)
            updates << entry;
    }
    return updates;
}

ExtensionCommands::Result ExtensionCommands::updateAll(DreamweaverInfo& target,
    const QVector<CatalogueEntry>& entries, StoreClient& store, const std::function<void(const CatalogueEntry&)>& starting)
{
    Result result = Result::Done;
    for (const CatalogueEntry& entry : entries) {
        if (starting)
            starting(entry);
        // One refused or failed update does not keep the others back.
        if (installCatalogueEntry(target, entry, store) != Result::Done)
            result = Result::Failed;
        target.loadInstalledExtensions();
    }
    return result;
}

ExtensionCommands::Result ExtensionCommands::installCatalogueEntry(
    DreamweaverInfo& target, const CatalogueEntry& entry, StoreClient& store)
{
    const QString title = titleOf(entry.name, entry.version);
    // Asked before the download, so that a No costs none; the catalogue's id
    // only suggests what the package replaces, which its manifest decides.
    std::optional<ExtensionInfo> agreed;
    if (!entry.id.isEmpty() && !confirmReplace(target, entry.id, QString(), title, entry.version, &agreed))
        return Result::Refused;

    IProgress* progress = m_user.startProgress(QStringLiteral("Downloading"));
    const QByteArray data = store.downloadPackage(entry.zxp, progress);
    // Cancel, like a No to the replace question, leaves everything as it was
    // and needs no warning: the user asked for it.
    const bool cancelled = progress && progress->isCancelled();
    m_user.finishProgress(progress);
    if (cancelled) {
        m_user.notice(tr("%1 was not installed: the download was cancelled.").arg(title));
        return Result::Refused;
    }
    if (data.isEmpty()) {
        m_user.warn(tr("%1 (%2) could not be downloaded from %3: %4.")
                        .arg(entry.name, entry.zxp, StoreClient::downloadsUrl() + entry.zxp, store.downloadError()),
            QString());
        return Result::Failed;
    }

    // The name ends with the package's own file name, whose suffix chooses
    // the reader. Deleted when this command ends, however it ends.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/XXXXXX") + lastPathComponent(entry.zxp));
    if (!file.open() || file.write(data) != data.size() || !file.flush()) {
        m_user.warn(
            tr("%1 could not be saved to a temporary file: %2.").arg(entry.name, file.errorString()), QString());
        return Result::Failed;
    }
    file.close();
    std::optional<ExtensionInfo> read;
    Installer::Manifest manifest;
    const QString problem = packageProblem(file.fileName(), nullptr, &read, &manifest);
    if (!problem.isEmpty()) {
        m_user.warn(tr("%1 (%2) cannot be installed: %3.").arg(entry.name, entry.zxp, problem), QString());
        return Result::Failed;
    }
    const ExtensionInfo package = read ? *read : ExtensionInfo(file.fileName());
    if (!confirmProduct(target, package, title) || !acceptLicense(package, title))
        return Result::Refused;
    std::optional<ExtensionInfo> replaced;
    target.loadInstalledExtensions();
    const ExtensionInfo* installed = findReplaced(target, package.id(), package.fileName());
    if (installed && carriesNoUpdate(target, entry, package, *installed))
        return Result::Done;
    // The Yes was to replacing another extension than the package holds.
    if (agreed && (!installed || installed->fileName() != agreed->fileName())) {
        m_user.notice(tr("The package of %1 holds another extension than %2, which stays installed.")
                          .arg(title, titleOf(agreed->name(), agreed->version())));
    }
    if (installed && agreed && agreed->fileName() == installed->fileName())
        replaced = *installed;
    else if (!confirmReplace(target, package.id(), package.fileName(), title, package.version(), &replaced))
        return Result::Refused;
    if (storedNameTaken(target, package, title, replaced))
        return Result::Failed;
    return replaceAndInstall(target, file.fileName(), title, replaced, manifest,
        replaced ? QStringLiteral("update") : QStringLiteral("install"));
}

bool ExtensionCommands::carriesNoUpdate(const DreamweaverInfo& target, const CatalogueEntry& entry,
    const ExtensionInfo& package, const ExtensionInfo& installed)
{
    // Installing it would change nothing the catalogue promised, and the
    // next update would find the same entry newer again, and again.
    if (VersionNumber::compare(entry.version, installed.version()) <= 0
        || VersionNumber::compare(package.version(), installed.version()) > 0)
        return false;
    m_user.notice(tr("%1 stays as it is in %2: the Store lists version %3, but its package holds version %4, and "
                     "version %5 is installed.")
                      .arg(installed.name(), target.name(), entry.version, package.version(), installed.version()));
    return true;
}

ExtensionCommands::Result ExtensionCommands::replaceAndInstall(DreamweaverInfo& target, const QString& path,
    const QString& title, const std::optional<ExtensionInfo>& replaced, const Installer::Manifest& manifest,
    const QString& operation)
{
    m_told.clear();
    InstallationLock installationLock(target);
    if (!lock(installationLock, target, title))
        return Result::Failed;
    // A dry run plans the install on the configuration files as the planned removal leaves them.
    QHash<QString, QString> plannedTexts;
    Result result = Result::Done;
    // Before a replace removes anything, the same plan tells whether the
    // install would fail: then the installed version stays as it is.
    if (replaced && !m_dryRun) {
        QHash<QString, QString> texts;
        InstallReport removal;
        Remover plannedRemoval(target, nullptr, &removal);
        plannedRemoval.setDryRun(true, &texts);
        plannedRemoval.setInstalledByOtherProgram(replaced->isInstalledByOtherProgram());
        plannedRemoval.removeExtension(replaced->fileName());
        InstallReport plan;
        Installer plannedInstall(target, nullptr, &plan);
        plannedInstall.setDryRun(true, &texts);
        plannedInstall.setManifest(&manifest);
        const QString kept = titleOf(replaced->name(), replaced->version());
        if (!plannedInstall.installPackage(path)) {
            const QString reason = plan.error().isEmpty() ? tr("the package cannot be read") : plan.error();
            m_user.warn(tr("%1 was not installed: %2; %3 stays installed.").arg(title, reason, kept), plan.toText());
            return Result::Failed;
        }
        // A damaged entry or a blocked destination would leave the new
        // version in pieces where the old one worked.
        const QString problems = ReportSummary::installProblems(plan) + blockedDestinations(plan, removal);
        if (!problems.isEmpty()) {
            m_user.warn(
                tr("%1 was not installed: it cannot go in whole; %2 stays installed.").arg(title, kept) + problems,
                plan.toText());
            return Result::Failed;
        }
    }
    if (replaced) {
        const QString oldPackage = m_dryRun ? QString() : keptPackageOf(target, replaced->fileName());
        result = removeAndReport(target, *replaced,
            m_dryRun ? tr("Would remove %1 from %2 first:") : tr("Removed %1 from %2:"), &plannedTexts);
        if (result == Result::Done)
            KeptPackages::discard(oldPackage);
    }

    IProgress* progress = m_user.startProgress(QStringLiteral("Installing"));
    InstallReport report;
    Installer installer(target, progress, &report);
    installer.setDryRun(m_dryRun, &plannedTexts);
    installer.setManifest(&manifest);
    const bool stored = installer.installPackage(path);
    m_user.finishProgress(progress);
    m_lastReport = report;
    if (!m_dryRun)
        m_user.installedChanged();
    if (stored && !m_dryRun)
        keepPackage(target, path, manifest.info.fileName().isEmpty() ? ExtensionInfo(path) : manifest.info, title);

    if (!stored) {
        const QString reason = report.error().isEmpty() ? tr("the package cannot be read") : report.error();
        tell(true, tr("%1 could not be installed: %2.").arg(title, reason), report.toText());
        log(operation, target, title, Result::Failed);
        return Result::Failed;
    }
    const QString problems = ReportSummary::installProblems(report);
    const QString missingTargets = ReportSummary::missingTargets(report);
    if (!problems.isEmpty()) {
        tell(true,
            (m_dryRun ? tr("%1 would be installed into %2, but not completely.")
                      : tr("%1 was installed into %2, but not completely."))
                    .arg(title, target.name())
                + problems + missingTargets,
            report.toText());
        log(operation, target, title, worse(result, Result::Incomplete));
        return worse(result, Result::Incomplete);
    }
    tell(false, (m_dryRun ? tr("Would install %1 into %2:") : tr("Installed %1 into %2:")).arg(title, target.name()),
        report.toText());
    // A warning, yet the install is done: the menus are the user's (or another
    // extension's) to change, and installing again would find no place either.
    if (!missingTargets.isEmpty()) {
        tell(true, tr("In %1, some entries of %2 have nowhere to go.").arg(target.name(), title) + missingTargets,
            QString());
    }
    if (!m_dryRun)
        tellWhereToFind(manifest.info);
    log(operation, target, title, result);
    return result;
}

ExtensionCommands::Result ExtensionCommands::removeExtension(DreamweaverInfo& target, const QString& mxiName)
{
    target.loadInstalledExtensions();
    const ExtensionInfo* found = nullptr;
    for (const ExtensionInfo& extension : target.installedExtensions()) {
        if (extension.fileName() == mxiName) {
            found = &extension;
            break;
        }
    }
    if (!found) {
        const std::optional<ExtensionInfo> disabled = DisabledExtensions::find(target, mxiName);
        return disabled ? removeDisabled(target, *disabled) : Result::NotFound;
    }
    const ExtensionInfo extension = *found;
    const QString title = titleOf(extension.name(), extension.version());
    if (!m_dryRun
        && !m_user.ask({ tr("Remove %1?").arg(title), tr("%1 was not removed from %2").arg(title, target.name()),
            tr("Remove"), tr("Keep") }))
        return Result::Refused;
    InstallationLock installationLock(target);
    if (!lock(installationLock, target, title))
        return Result::Failed;
    m_told.clear();
    const QString package = m_dryRun ? QString() : keptPackageOf(target, extension.fileName());
    const Result result = removeAndReport(
        target, extension, m_dryRun ? tr("Would remove %1 from %2:") : tr("Removed %1 from %2:"), nullptr);
    if (result == Result::Done)
        KeptPackages::discard(package);
    log(QStringLiteral("remove"), target, title, result);
    return result;
}

ExtensionCommands::Result ExtensionCommands::adoptExtension(DreamweaverInfo& target, const QString& mxiName)
{
    target.loadInstalledExtensions();
    const auto found = std::find_if(target.installedExtensions().cbegin(), target.installedExtensions().cend(),
        [&](const ExtensionInfo& e) { return e.isInstalledByOtherProgram() && e.fileName() == mxiName; });
    if (found == target.installedExtensions().cend())
        return Result::NotFound;
    const QString title = titleOf(found->name(), found->version());
    InstallationLock installationLock(target);
    if (!lock(installationLock, target, title))
        return Result::Failed;

    QStringList done;
    QStringList problems;
    for (const QString& locale : target.locales()) {
        const QString from = target.storedManifestPath(locale, mxiName, true);
        if (!QFileInfo(from).isFile())
            continue;
        const QString to = target.extensionStoreFolder(locale) + QLatin1Char('/') + QFileInfo(from).fileName();
        const QString where = QDir::toNativeSeparators(to);
        if (QFileInfo::exists(to)) {
            problems << tr("%1 is there already").arg(where);
            continue;
        }
        if (m_dryRun) {
            done << tr("would move %1 to %2").arg(QDir::toNativeSeparators(from), where);
            continue;
        }
        // Stored as an earlier version of this program stored its own: without
        // an install record, so that its removal goes by the whole manifest,
        // as it would have. A record made now could say no more than the
        // manifest does, and the record format keeps an Insert-bar category
        // of the extension's own only with the text that was inserted.
        if (!QDir().mkpath(target.extensionStoreFolder(locale)) || !QFile::rename(from, to)) {
            problems << tr("%1 cannot be moved to %2").arg(QDir::toNativeSeparators(from), where);
            continue;
        }
        done << tr("moved %1 to %2").arg(QDir::toNativeSeparators(from), where);
    }
    if (!m_dryRun)
        m_user.installedChanged();
    if (!problems.isEmpty()) {
        m_user.warn(tr("%1 could not be taken over completely: %2.").arg(title, problems.join(QStringLiteral("; "))),
            done.join(QLatin1Char('\n')));
        return done.isEmpty() ? Result::Failed : Result::Incomplete;
    }
    m_user.inform((m_dryRun ? tr("Would take over %1 in %2:") : tr("Took over %1 in %2:")).arg(title, target.name()),
        done.join(QLatin1Char('\n')));
    return Result::Done;
}

bool ExtensionCommands::acceptLicense(const ExtensionInfo& package, const QString& title)
{
    const QString license = package.notes().license;
    if (license.isEmpty())
        return true;
    // A dry run asks nothing, but the plan must not hide what the install would ask.
    if (m_dryRun) {
        m_user.notice(tr("%1 would be installed only if you accept its licence agreement.").arg(title));
        return true;
    }
    return m_user.acceptLicense(
        title, license, tr("%1 was not installed: its licence agreement was not accepted").arg(title));
}

void ExtensionCommands::tellWhereToFind(const ExtensionInfo& package)
{
    const ExtensionInfo::Notes notes = package.notes();
    // A running Dreamweaver reads its extensions only when it starts.
    const bool restart = notes.requiresRestart || RunningPrograms::anyNamed(QStringLiteral("Dreamweaver.exe"));
    QString text;
    if (!notes.uiAccess.isEmpty()) {
        text = tr("Where to find %1 in Dreamweaver: %2")
                   .arg(package.name(), notes.uiAccess.split(QLatin1Char('\n')).join(QLatin1Char(' ')));
        // The manifest's sentence may end without a stop; the next one needs it.
        if (restart && !text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
    }
    if (restart)
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + tr("Restart Dreamweaver to use it.");
    if (!text.isEmpty())
        tell(false, text, QString());
}

void ExtensionCommands::tell(bool warning, const QString& text, const QString& details)
{
    if (warning)
        m_user.warn(text, details);
    else
        m_user.inform(text, details);
    m_told += text + QLatin1Char('\n') + details + QLatin1Char('\n');
}

void ExtensionCommands::log(
    const QString& operation, const DreamweaverInfo& target, const QString& title, Result result)
{
    if (m_dryRun)
        return;
    const QString outcome = result == Result::Done ? QStringLiteral("done")
        : result == Result::Incomplete             ? QStringLiteral("incomplete")
                                                   : QStringLiteral("failed");
    QString error;
    if (!OperationLog::append(
            { QDateTime::currentDateTimeUtc(), operation, target.name(), title, outcome, m_told.trimmed() }, &error))
        m_user.notice(tr("The log was not written: %1.").arg(error));
    m_told.clear();
}

bool ExtensionCommands::lock(InstallationLock& lock, const DreamweaverInfo& target, const QString& title)
{
    // A dry run changes nothing, so it need not wait for anyone.
    if (m_dryRun || lock.tryLock(0))
        return true;
    if (!lock.problem().isEmpty()) {
        m_user.warn(tr("%1 was left as it is: %2.").arg(title, lock.problem()), QString());
        return false;
    }
    m_user.notice(tr("Waiting for another program to finish with %1").arg(target.name()));
    IProgress* progress = m_user.startProgress(QStringLiteral("Waiting"));
    if (progress) {
        // How long is unknown, and waiting can always stop: nothing has changed yet.
        progress->setMaximum(0);
        progress->setCancellable(true);
    }
    bool locked = false;
    bool cancelled = false;
    QString holder;
    for (;;) {
        QElapsedTimer waited;
        waited.start();
        // In short steps, so that the window stays painted and Cancel is heard while it waits.
        while (!locked && !cancelled && waited.elapsed() < m_lockTimeoutMs) {
            const QString now = lock.holder();
            if (!now.isEmpty())
                holder = now;
            if (progress)
                progress->setStatus(
                    holder.isEmpty() ? tr("Another program is changing it.") : tr("%1 is changing it.").arg(holder));
            locked = lock.tryLock(int(qMin<qint64>(250, m_lockTimeoutMs - waited.elapsed())));
            cancelled = !locked && progress && progress->isCancelled();
        }
        if (locked || cancelled)
            break;
        const QString who = holder.isEmpty() ? tr("another program") : holder;
        if (!m_user.offerRetry(
                tr("%1 was left as it is: %2 kept %3 locked (%4) for %5 seconds.")
                    .arg(title, who, target.name(), QDir::toNativeSeparators(InstallationLock::path(target)))
                    .arg(m_lockTimeoutMs / 1000.0)))
            break;
    }
    m_user.finishProgress(progress);
    if (cancelled)
        m_user.notice(tr("%1 was left as it is: the wait for %2 was cancelled.").arg(title, target.name()));
    return locked;
}

ExtensionCommands::Result ExtensionCommands::removeAndReport(DreamweaverInfo& target, const ExtensionInfo& extension,
    const QString& doneText, QHash<QString, QString>* plannedTexts)
{
    const QString title = titleOf(extension.name(), extension.version());
    IProgress* progress = m_user.startProgress(QStringLiteral("Removing"));
    InstallReport report;
    Remover remover(target, progress, &report);
    remover.setDryRun(m_dryRun, plannedTexts);
    remover.setInstalledByOtherProgram(extension.isInstalledByOtherProgram());
    remover.removeExtension(extension.fileName());
    m_user.finishProgress(progress);
    m_lastReport = report;
    if (!m_dryRun)
        m_user.installedChanged();

    if (!report.error().isEmpty()) {
        tell(true, tr("%1 could not be removed: %2.").arg(title, report.error()), report.toText());
        return Result::Failed;
    }
    const QString problems = ReportSummary::removalProblems(report);
    if (!problems.isEmpty()) {
        tell(true, tr("%1 could not be removed completely.").arg(title) + problems, report.toText());
        return Result::Incomplete;
    }
    tell(false, doneText.arg(title, target.name()), report.toText());
    return Result::Done;
}

QList<ExtensionCommands::Health> ExtensionCommands::verify(DreamweaverInfo& target)
{
    target.loadInstalledExtensions();
    const ExtensionCheck check(target);
    QList<Health> result;
    for (const ExtensionInfo& extension : target.installedExtensions()) {
        const QList<ExtensionCheck::Item> items
            = check.check(extension.fileName(), extension.isInstalledByOtherProgram());
        result.append({ extension, items, ExtensionCheck::isWhole(items) });
    }
    return result;
}

QList<ExtensionCommands::PlannedFile> ExtensionCommands::planFiles(
    const DreamweaverInfo* target, const QString& path, const ExtensionInfo& package)
{
    QList<PlannedFile> rows;
    ExtensionInfo extension = package;
    extension.parseDetails();
    const QList<FileEntry> files = extension.files();
    // A plan that stops early (a package that cannot be read) names too few
    // files: the manifest's list stands in for it then.
    InstallReport plan;
    bool planned = false;
    if (target) {
        Installer installer(*target, nullptr, &plan);
        installer.setDryRun(true);
        planned = installer.installPackage(path);
    }
    if (planned) {
        const QString manifestName = PackageSupport::extractedFileName(extension.fileName());
        // The plan goes through the listed files in order, locale by locale,
        // leaving out those in another language and putting in a whole
        // folder's files where the entry names one.
        QString locale;
        int index = 0;
        for (const InstallReport::FileResult& result : plan.files()) {
            // The plan starts each locale with the manifest copy, which is not a file of the extension.
            if (result.path == target->extensionStoreFolder(result.locale) + QLatin1Char('/') + manifestName) {
                locale = result.locale;
                index = 0;
                continue;
            }
            // The plan names the package's entry, the manifest may spell it otherwise.
            const QString planned = PackageSupport::comparableEntryName(result.source);
            const auto listsIt = [&](const FileEntry& entry) {
                const QString folder = PackageSupport::comparableEntryName(entry.source);
                return folder == planned
                    || planned.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
            };
            while (index < files.size() && !(files.at(index).appliesTo(locale) && listsIt(files.at(index))))
                ++index;
            const FileEntry entry = index < files.size() ? files.at(index) : FileEntry();
            // A plain entry stands for one file; a folder's entry for the files that follow it.
            if (PackageSupport::comparableEntryName(entry.source) == planned)
                ++index;
            QString skipped;
            if (result.outcome != InstallReport::FileOutcome::Written) {
                skipped = InstallReport::describe(result.outcome).mid(QStringLiteral("skipped: ").size());
                if (!result.detail.isEmpty())
                    skipped += QStringLiteral(" (") + result.detail + QLatin1Char(')');
            }
            rows.append({ result.source, entry.destination, result.locale, result.path, skipped });
        }
    } else {
        for (const FileEntry& entry : files)
            rows.append({ entry.source, entry.destination, QString(), entry.destination, QString() });
    }
    // Files for other platforms never reach the file list; they are shown so
    // that a manifest's whole content is accounted for.
    Accessor manifest;
    manifest.parse(extension.manifest());
    for (const CElement* file : manifest.elementsByTagName(QStringLiteral("file"))) {
        const QString platform = file->attribute(QStringLiteral("platform"));
        if (platform.isEmpty() || platform == QLatin1String("win"))
            continue;
        QString source = file->attribute(QStringLiteral("source"));
        if (source.isEmpty())
            source = file->attribute(QStringLiteral("name"));
        rows.append({ source, file->attribute(QStringLiteral("destination")), QString(), QString(),
            tr("for the platform \"%1\"").arg(platform) });
    }
    return rows;
}

void ExtensionCommands::keepPackage(
    const DreamweaverInfo& target, const QString& path, const ExtensionInfo& package, const QString& title)
{
    QString error;
    if (!KeptPackages::keep(target, path, package, &error)) {
        m_user.warn(tr("No copy of the package of %1 could be kept in %2: %3. It cannot be copied to another "
                       "Dreamweaver or reinstalled from there.")
                        .arg(title, QDir::toNativeSeparators(DataFolder::path()), error),
            QString());
    }
}

QString ExtensionCommands::keptPackageOf(const DreamweaverInfo& target, const QString& mxiName)
{
    for (const QString& locale : target.locales()) {
        const QString recorded = KeptPackages::recordedPackage(
            target, locale, InstallRecord::recordPath(target.storedManifestPath(locale, mxiName)));
        if (!recorded.isEmpty())
            return recorded;
    }
    return DisabledExtensions::keptPackage(target, mxiName);
}

bool ExtensionCommands::hasKeptPackage(const DreamweaverInfo& target, const QString& mxiName)
{
    return !KeptPackages::resolve(keptPackageOf(target, mxiName)).isEmpty();
}

QList<ExtensionInfo> ExtensionCommands::disabledExtensions(const DreamweaverInfo& target)
{
    return DisabledExtensions::list(target);
}

ExtensionCommands::Result ExtensionCommands::disableExtension(DreamweaverInfo& target, const QString& idOrManifest)
{
    target.loadInstalledExtensions();
    const ExtensionInfo* found = findInstalled(target, idOrManifest);
    if (!found) {
        if (const std::optional<ExtensionInfo> disabled = DisabledExtensions::find(target, idOrManifest)) {
            m_user.notice(tr("%1 is disabled already.").arg(titleOf(disabled->name(), disabled->version())));
            return Result::Done;
        }
        return Result::NotFound;
    }
    const ExtensionInfo extension = *found;
    const QString title = titleOf(extension.name(), extension.version());
    if (extension.isInstalledByOtherProgram()) {
        m_user.warn(
            tr("%1 was not disabled: another program installed it. Take it over first (adopt).").arg(title), QString());
        return Result::Failed;
    }
    InstallationLock installationLock(target);
    if (!lock(installationLock, target, title))
        return Result::Failed;
    m_told.clear();
    QString error;
    if (!DisabledExtensions::park(target, extension.fileName(), &error)) {
        if (!DisabledExtensions::discard(target, extension.fileName()))
            error += tr("; what was set aside for it so far could not be deleted");
        tell(true, tr("%1 was not disabled: %2.").arg(title, error), QString());
        log(QStringLiteral("disable"), target, title, Result::Failed);
        return Result::Failed;
    }
    IProgress* progress = m_user.startProgress(QStringLiteral("Disabling"));
    InstallReport report;
    Remover remover(target, progress, &report);
    remover.removeExtension(extension.fileName());
    m_user.finishProgress(progress);
    m_lastReport = report;
    m_user.installedChanged();
    const QString problems
        = report.error().isEmpty() ? ReportSummary::removalProblems(report) : QStringLiteral("\n\n") + report.error();
    if (problems.isEmpty() && DisabledExtensions::markDisabled(target, extension.fileName(), &error)) {
        tell(false, tr("Disabled %1 in %2:").arg(title, target.name()), report.toText());
        log(QStringLiteral("disable"), target, title, Result::Done);
        return Result::Done;
    }
    // Half taken out, it would be neither enabled nor disabled: what went
    // goes back, and it stays enabled.
    // What could not be put back stays set aside, where enabling it again finds it.
    InstallReport putBack;
    if (!DisabledExtensions::restore(target, extension.fileName(), putBack, &error)) {
        tell(true, tr("%1 was not disabled, and could not be put back completely: %2.").arg(title, error) + problems,
            report.toText() + QLatin1Char('\n') + putBack.toText());
        log(QStringLiteral("disable"), target, title, Result::Failed);
        return Result::Failed;
    }
    const QString leftOver = DisabledExtensions::discard(target, extension.fileName())
        ? QString()
        : tr(" What was set aside for it could not be deleted.");
    tell(true, tr("%1 was not disabled; it stays enabled.").arg(title) + leftOver + problems,
        report.toText() + QLatin1Char('\n') + putBack.toText());
    log(QStringLiteral("disable"), target, title, Result::Failed);
    return Result::Failed;
}

ExtensionCommands::Result ExtensionCommands::enableExtension(DreamweaverInfo& target, const QString& idOrManifest)
{
    target.loadInstalledExtensions();
    const std::optional<ExtensionInfo> disabled = DisabledExtensions::find(target, idOrManifest);
    if (!disabled) {
        if (const ExtensionInfo* installed = findInstalled(target, idOrManifest)) {
            m_user.notice(tr("%1 is enabled already.").arg(titleOf(installed->name(), installed->version())));
            return Result::Done;
        }
        return Result::NotFound;
    }
    const QString title = titleOf(disabled->name(), disabled->version());
    InstallationLock installationLock(target);
    if (!lock(installationLock, target, title))
        return Result::Failed;
    const QStringList again = DisabledExtensions::storedAgain(target, disabled->fileName());
    if (!again.isEmpty()) {
        m_user.warn(tr("%1 was not enabled: an extension is installed under its manifest name, %2, in %3 (%4). "
                       "Remove that one first.")
                        .arg(title, disabled->fileName(), target.name(), again.join(QStringLiteral(", "))),
            QString());
        return Result::Failed;
    }
    m_told.clear();
    IProgress* progress = m_user.startProgress(QStringLiteral("Enabling"));
    InstallReport report;
    QString error;
    const bool started = DisabledExtensions::restore(target, disabled->fileName(), report, &error);
    m_user.finishProgress(progress);
    m_lastReport = report;
    m_user.installedChanged();
    if (!started) {
        // The locales it went back to are enabled; the rest stay parked.
        tell(true, tr("%1 could not be enabled: %2.").arg(title, error), report.toText());
        log(QStringLiteral("enable"), target, title, Result::Failed);
        return Result::Failed;
    }
    QString problems = ReportSummary::installProblems(report);
    // Left set aside, it would be listed as enabled and disabled at once.
    if (!DisabledExtensions::discard(target, disabled->fileName()))
        problems += QStringLiteral("\n\n")
            + tr("What was set aside for it while disabled could not be deleted; it is still listed as disabled.");
    if (!problems.isEmpty()) {
        tell(true, tr("%1 was enabled in %2, but not completely.").arg(title, target.name()) + problems,
            report.toText());
        log(QStringLiteral("enable"), target, title, Result::Incomplete);
        return Result::Incomplete;
    }
    tell(false, tr("Enabled %1 in %2:").arg(title, target.name()), report.toText());
    log(QStringLiteral("enable"), target, title, Result::Done);
    return Result::Done;
}

ExtensionCommands::Result ExtensionCommands::removeDisabled(DreamweaverInfo& target, const ExtensionInfo& extension)
{
    const QString title = titleOf(extension.name(), extension.version());
    const QString folder = DisabledExtensions::folder(target, extension.fileName());
    if (m_dryRun) {
        m_user.inform(tr("Would remove %1 from %2:").arg(title, target.name()),
            tr("would delete: %1").arg(QDir::toNativeSeparators(folder)));
        return Result::Done;
    }
    if (!m_user.confirm(QStringLiteral("Remove ") + title + QLatin1Char('?'),
            tr("%1 was not removed from %2").arg(title, target.name())))
        return Result::Refused;
    InstallationLock installationLock(target);
    if (!lock(installationLock, target, title))
        return Result::Failed;
    m_told.clear();
    const QString package = DisabledExtensions::keptPackage(target, extension.fileName());
    const bool removed = DisabledExtensions::discard(target, extension.fileName());
    m_user.installedChanged();
    if (!removed) {
        tell(true, tr("%1 could not be removed: %2 cannot be deleted.").arg(title, QDir::toNativeSeparators(folder)),
            QString());
        log(QStringLiteral("remove"), target, title, Result::Failed);
        return Result::Failed;
    }
    KeptPackages::discard(package);
    tell(false, tr("Removed %1 from %2:").arg(title, target.name()),
        tr("deleted: %1 (it was disabled)").arg(QDir::toNativeSeparators(folder)));
    log(QStringLiteral("remove"), target, title, Result::Done);
    return Result::Done;
}

ExtensionCommands::Result ExtensionCommands::reinstallExtension(DreamweaverInfo& target, const QString& idOrManifest)
{
    target.loadInstalledExtensions();
    const ExtensionInfo* found = findInstalled(target, idOrManifest);
    if (!found)
        return Result::NotFound;
    const QString title = titleOf(found->name(), found->version());
    const QString package = KeptPackages::resolve(keptPackageOf(target, found->fileName()));
    if (package.isEmpty()) {
        m_user.warn(tr("%1 cannot be reinstalled: no copy of its package was kept (it was installed before this "
                       "program kept packages, or by another program). Install its package file again.")
                        .arg(title),
            QString());
        return Result::Failed;
    }
    m_replaceAgreed = true;
    m_installOperation = QStringLiteral("reinstall");
    const Result result = installPackageFile(target, package);
    m_installOperation = QStringLiteral("install");
    m_replaceAgreed = false;
    return result;
}

ExtensionCommands::Result ExtensionCommands::copyExtensions(
    DreamweaverInfo& from, DreamweaverInfo& to, const QStringList& names)
{
    if (InstallRecord::pathKey(from.userFolder()) == InstallRecord::pathKey(to.userFolder())) {
        m_user.warn(
            tr("Nothing was copied: %1 and %2 are the same installation.").arg(from.name(), to.name()), QString());
        return Result::Failed;
    }
    from.loadInstalledExtensions();
    QList<ExtensionInfo> available = from.installedExtensions();
    available += DisabledExtensions::list(from);
    QList<ExtensionInfo> chosen;
    Result result = Result::Done;
    for (const QString& name : names) {
        const auto found = std::find_if(available.cbegin(), available.cend(),
            [&](const ExtensionInfo& e) { return (!e.id().isEmpty() && e.id() == name) || e.fileName() == name; });
        if (found == available.cend()) {
            m_user.warn(tr("No extension \"%1\" is installed in %2.").arg(name, from.name()), QString());
            result = Result::NotFound;
        } else {
            chosen.append(*found);
        }
    }
    if (names.isEmpty())
        chosen = available;
    QStringList notCopied;
    int copied = 0;
    for (const ExtensionInfo& extension : qAsConst(chosen)) {
        const QString title = titleOf(extension.name(), extension.version());
        const QString package = extension.isInstalledByOtherProgram()
            ? QString()
            : KeptPackages::resolve(keptPackageOf(from, extension.fileName()));
        if (package.isEmpty()) {
            notCopied << tr("%1: %2").arg(title,
                extension.isInstalledByOtherProgram()
                    ? tr("another program installed it, and no copy of its package was kept")
                    : tr("no copy of its package was kept (it was installed before this program kept packages)"));
            continue;
        }
        m_installOperation = QStringLiteral("copy");
        const Result one = installPackageFile(to, package);
        m_installOperation = QStringLiteral("install");
        copied += one == Result::Done || one == Result::Incomplete ? 1 : 0;
        result = worse(result, one == Result::NotFound ? Result::Failed : one);
    }
    if (!notCopied.isEmpty()) {
        m_user.warn(
            tr("Not copied to %1:").arg(to.name()) + QLatin1Char('\n') + notCopied.join(QLatin1Char('\n')), QString());
        result = worse(result, copied > 0 ? Result::Incomplete : Result::Failed);
    }
    if (chosen.isEmpty() && names.isEmpty())
        m_user.notice(tr("No extension is installed in %1.").arg(from.name()));
    return result;
}
