#include "installer/Installer.h"

#include "discovery/DreamweaverInfo.h"
#include "installer/ConfigurationEditor.h"
#include "discovery/ExtensionInfo.h"
#include "installer/InstallReport.h"
#include "packages/IPackage.h"
#include "packages/MXP.h"
#include "packages/PackageSupport.h"
#include "packages/ZXP.h"
#include "installer/IProgress.h"

#include <QDir>
#include <QFileInfo>

Installer::Installer(const DreamweaverInfo& dreamweaver, IProgress* progress, InstallReport* report)
    : m_dreamweaver(dreamweaver)
    , m_progress(progress)
    , m_report(report)
{
}

QString Installer::targetFolder(const DreamweaverInfo& dreamweaver, const FileEntry& entry, const QString& locale)
{
    if (entry.destination.isEmpty()) {
        return QString();
    }
    const QString folder = dreamweaver.resolveDestination(entry.destination, locale);
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        return QString();
    }
    return folder;
}

bool Installer::installPackage(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("zxp")) {
        ZXP package(path);
        return installFromPackage(package);
    }
    if (suffix == QLatin1String("mxp")) {
        MXP package(path);
        return installFromPackage(package);
    }
    if (m_report) {
        m_report->setError(QStringLiteral("%1 is not an MXP or ZXP package").arg(path));
    }
    return false;
}

bool Installer::installFromPackage(IPackage& package)
{
    if (m_progress) {
        m_progress->setStatus(QStringLiteral("Extracting MXI"));
    }
    const QString mxiName = package.mxiFileName();
    if (mxiName.isEmpty()) {
        if (m_report) {
            m_report->setError(QStringLiteral("the package holds no manifest"));
        }
        return false;
    }
    const QByteArray bytes = package.readFile(mxiName);
    if (bytes.isEmpty()) {
        if (m_report) {
            m_report->setError(QStringLiteral("the manifest %1 cannot be read").arg(mxiName));
        }
        return false;
    }
    ExtensionInfo record(bytes, mxiName);
    record.parseDetails();

    if (m_dryRun && m_report) {
        m_report->setPlanned(true);
    }
    ConfigurationEditor editor(m_dreamweaver, m_report);
    editor.setDryRun(m_dryRun, m_plannedTexts);
    for (const QString& locale : m_dreamweaver.locales()) {
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Extracting files"));
        }
        // The manifest copy goes first: an extension whose files then fail is
        // still listed as installed, and can be removed.
        const QString store = m_dreamweaver.extensionStoreFolder(locale);
        const QString storedPath = store + QLatin1Char('/') + PackageSupport::extractedFileName(mxiName);
        if (!m_dryRun && !package.extractFile(mxiName, store)) {
            if (m_report) {
                m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::WriteFailed, QString() });
                m_report->setError(QStringLiteral("the manifest copy %1 cannot be written").arg(storedPath));
            }
            return false;
        }
        if (m_report) {
            m_report->addFile({ locale, mxiName, storedPath, InstallReport::FileOutcome::Written, QString() });
        }

        const QList<FileEntry> files = record.files();
        if (m_progress) {
            m_progress->setMaximum(files.size());
        }
        int done = 0;
        for (const FileEntry& entry : files) {
            extractListedFile(package, entry, locale);
            if (m_progress) {
                m_progress->setValue(++done);
            }
        }

        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Adding menu entries"));
        }
        editor.addMenuInserts(locale, record);
        if (m_progress) {
            m_progress->setStatus(QStringLiteral("Adding Insert Bar entries"));
        }
        editor.addInsertbarInserts(locale, record);
    }
    return true;
}

void Installer::extractListedFile(IPackage& package, const FileEntry& entry, const QString& locale)
{
    const QString folder = targetFolder(m_dreamweaver, entry, locale);
    if (folder.isEmpty()) {
        if (m_report) {
            m_report->addFile({ locale, entry.source, QString(), InstallReport::FileOutcome::RefusedDestination,
                entry.destination.isEmpty() ? QStringLiteral("empty destination")
                                            : QStringLiteral("relative destination ") + entry.destination });
        }
        return;
    }
    const QString fileName = PackageSupport::extractedFileName(entry.source);
    const QString path = fileName.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
    if (m_dryRun) {
        if (m_report) {
            const bool readable = !fileName.isEmpty() && !package.readFile(entry.source).isEmpty();
            m_report->addFile({ locale, entry.source, path,
                readable ? InstallReport::FileOutcome::Written : InstallReport::FileOutcome::MissingFromPackage,
                QString() });
        }
        return;
    }
    if (package.extractFile(entry.source, folder)) {
        if (m_report) {
            m_report->addFile({ locale, entry.source, path, InstallReport::FileOutcome::Written, QString() });
        }
        return;
    }
    if (!m_report) {
        return;
    }
    // The reader answers only yes or no; reading the entry again tells a
    // missing or damaged entry from a file that could not be written. This
    // costs a second read on the failure path only.
    const bool readable = !fileName.isEmpty() && !package.readFile(entry.source).isEmpty();
    m_report->addFile({ locale, entry.source, path,
        readable ? InstallReport::FileOutcome::WriteFailed : InstallReport::FileOutcome::MissingFromPackage,
        QString() });
}
