#include "ui/MainWindow.h"

#include "discovery/DreamweaverInfo.h"
#include "installer/InstallReport.h"
#include "ui/MainWindowForm.h"
#include "ui/Progress.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// A message box lists at most this many files; the details hold them all.
constexpr int listedFilesLimit = 8;

QString fileLine(const InstallReport::FileResult& result)
{
    const QString where = result.path.isEmpty() ? result.source : QDir::toNativeSeparators(result.path);
    QString reason = InstallReport::describe(result.outcome);
    if (!result.detail.isEmpty())
        reason += QStringLiteral(", ") + result.detail;
    return where + QStringLiteral(" (") + reason + QLatin1Char(')');
}

QString xmlLine(const InstallReport::XmlResult& result)
{
    QString line = QDir::toNativeSeparators(result.path);
    if (!result.detail.isEmpty())
        line += QStringLiteral(" (") + result.detail + QLatin1Char(')');
    return line;
}

// heading, then the lines, cut short where a package lists thousands of files.
QString section(const QString& heading, const QStringList& lines)
{
    if (lines.isEmpty())
        return QString();
    QStringList shown = lines.mid(0, listedFilesLimit);
    if (lines.size() > listedFilesLimit)
        shown << QObject::tr("... and %n more", nullptr, lines.size() - listedFilesLimit);
    return QStringLiteral("\n\n") + heading + QLatin1Char('\n') + shown.join(QLatin1Char('\n'));
}

QString failedXmlSection(const InstallReport& report)
{
    QStringList failed;
    for (const InstallReport::XmlResult& result : report.xmlFiles()) {
        if (result.outcome == InstallReport::XmlOutcome::Failed)
            failed << xmlLine(result);
    }
    return section(QObject::tr("These Dreamweaver files could not be edited:"), failed);
}

// What went wrong in an install, in plain words; empty when nothing did.
QString installProblems(const InstallReport& report)
{
    QStringList skipped;
    for (const InstallReport::FileResult& result : report.files()) {
        switch (result.outcome) {
        case InstallReport::FileOutcome::MissingFromPackage:
        case InstallReport::FileOutcome::RefusedDestination:
        case InstallReport::FileOutcome::WriteFailed:
            skipped << fileLine(result);
            break;
        default:
            break;
        }
    }
    return section(QObject::tr("These files were not installed:"), skipped) + failedXmlSection(report);
}

QString removalProblems(const InstallReport& report)
{
    QStringList kept;
    for (const InstallReport::FileResult& result : report.files()) {
        if (result.outcome == InstallReport::FileOutcome::RemoveFailed)
            kept << fileLine(result);
    }
    return section(QObject::tr("These files could not be deleted:"), kept) + failedXmlSection(report);
}

bool hasPackageSuffix(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("zxp"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("mxp"), Qt::CaseInsensitive) == 0;
}

// Why the file at path cannot be installed, found before anything is removed
// for it; empty when it is a package whose manifest can be read.
QString unreadablePackageReason(const QString& path)
{
    // A path from the command line or a drop may name anything at all.
    const QFileInfo info(path);
    if (!info.exists())
        return QObject::tr("the file does not exist");
    if (info.isDir())
        return QObject::tr("it is a folder, not a package file");
    if (!hasPackageSuffix(path))
        return QObject::tr("it is not a ZXP or MXP package");
    if (ExtensionInfo(path).manifest().isEmpty())
        return QObject::tr("no extension manifest can be read from it");
    return QString();
}

// The last component of a catalogue's package name: the name is the
// server's to choose, and folders or ".." in it must not steer the
// temporary file out of the temporary folder.
QString lastPathComponent(const QString& name)
{
    const int slash = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(slash + 1);
}

// Whether a drag carries anything that could be a package on this computer.
bool carriesLocalFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

void setColumns(QTableWidget* table, const QStringList& labels, const QList<int>& widths)
{
    table->setHorizontalHeaderLabels(labels);
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column <= widths.size(); ++column)
        header->resizeSection(column, widths.at(column - 1));
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(std::make_unique<MainWindowForm>())
{
    ui->setupUi(this);

    // A plain list view lets the style sheet's item-view rules reach the
    // drop-down rows; the selector takes ownership.
    ui->comboDreamweavers->setView(new QListView());

    setColumns(ui->tableInstalled, { tr("Name"), tr("Version"), tr("Author"), QString() }, { 50, 70, 70 });
    setColumns(ui->tableStore, { tr("Name"), tr("Version"), QString() }, { 50, 70 });

    if (Application* application = Application::instance()) {
        connect(application, &Application::dreamweaversUpdated, this, &MainWindow::dreamweaversUpdated);
        connect(application, &Application::downloadsUpdated, this, &MainWindow::downloadsUpdated);
    }
    connect(ui->comboDreamweavers, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &MainWindow::slotSelectDreamweaver);
    connect(ui->installButton, &QPushButton::clicked, this, &MainWindow::slotInstallExtension);
    if (Application* application = Application::instance()) {
        // Queued: the start-up work finishes (the catalogue is requested)
        // before the install's questions and progress dialogs take over.
        connect(application, &Application::packageFilesUpdated, this, &MainWindow::slotInstallStartupPackages,
            Qt::QueuedConnection);
    }
    setAcceptDrops(true);
}

MainWindow::~MainWindow() = default;

DreamweaverInfo* MainWindow::currentDreamweaver()
{
    Application* application = Application::instance();
    const int index = ui->comboDreamweavers->currentIndex();
    if (!application || index < 0 || index >= application->dreamweavers().size())
        return nullptr;
    return &application->dreamweavers()[index];
}

void MainWindow::updateInstalledTable()
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver)
        return;
    dreamweaver->loadInstalledExtensions();
    const QList<ExtensionInfo>& extensions = dreamweaver->installedExtensions();

    QTableWidget* table = ui->tableInstalled;
    table->setRowCount(extensions.size());
    for (int row = 0; row < extensions.size(); ++row) {
        const ExtensionInfo& extension = extensions.at(row);
        table->setItem(row, 0, readOnlyItem(extension.name()));
        table->setItem(row, 1, readOnlyItem(extension.version()));
        table->setItem(row, 2, readOnlyItem(extension.author()));
        auto* button = new QPushButton(tr("Remove"));
        table->setCellWidget(row, 3, button);
        // The button carries the manifest's name, not its row: later refreshes
        // reorder rows but the button must still remove its own extension.
        const QString mxiName = extension.fileName();
        connect(
            button, &QPushButton::clicked, button, [this, mxiName] { slotRemoveExtension(mxiName); },
            Qt::DirectConnection);
    }
}

void MainWindow::dreamweaversUpdated()
{
    ui->comboDreamweavers->clear();
    Application* application = Application::instance();
    if (!application)
        return;
    // Adding the first item makes it current, which fills the Installed table.
    for (const DreamweaverInfo& dreamweaver : qAsConst(application->dreamweavers()))
        ui->comboDreamweavers->addItem(dreamweaver.name());
}

void MainWindow::downloadsUpdated()
{
    Application* application = Application::instance();
    if (!application)
        return;
    const QVector<Application::Download>& downloads = application->downloads();

    QTableWidget* table = ui->tableStore;
    table->setRowCount(downloads.size());
    for (int row = 0; row < downloads.size(); ++row) {
        const Application::Download download = downloads.at(row);
        table->setItem(row, 0, readOnlyItem(download.name));
        table->setItem(row, 1, readOnlyItem(download.version));
        auto* button = new QPushButton(tr("Install"));
        table->setCellWidget(row, 2, button);
        // A copy taken now: a later catalogue must not change what this button installs.
        connect(
            button, &QPushButton::clicked, button, [this, download] { slotDownloadExtension(download); },
            Qt::DirectConnection);
    }
}

void MainWindow::slotSelectDreamweaver(int)
{
    updateInstalledTable();
}

bool MainWindow::confirmReplace(QString installedName, QString installedVersion, QString newName, QString newVersion)
{
    const QString text = QStringLiteral("Version ") + installedVersion + QStringLiteral(" of ") + installedName
        + QStringLiteral(" is already installed.\n\nDo you want to replace it with ") + newName + QStringLiteral(" v. ")
        + newVersion + QLatin1Char('?');
    return QMessageBox::question(this, QString(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::warn(const QString& text, const QString& details)
{
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, this);
    box.setDetailedText(details);
    box.exec();
}

void MainWindow::removeWithProgress(DreamweaverInfo* dreamweaver, QString mxiName)
{
    QString name = mxiName;
    for (const ExtensionInfo& extension : dreamweaver->installedExtensions()) {
        if (extension.fileName() == mxiName) {
            name = extension.name();
            break;
        }
    }

    auto* progress = new Progress(this);
    progress->reset();
    progress->setTitle(QStringLiteral("Removing"));
    progress->show();
    InstallReport report;
    dreamweaver->removeExtension(mxiName, progress, &report);
    progress->hide();
    updateInstalledTable();

    if (!report.error().isEmpty()) {
        warn(tr("%1 could not be removed: %2.").arg(name, report.error()), report.toText());
        return;
    }
    const QString problems = removalProblems(report);
    if (!problems.isEmpty())
        warn(tr("%1 could not be removed completely.").arg(name) + problems, report.toText());
}

bool MainWindow::installWithProgress(
    DreamweaverInfo* dreamweaver, const QString& path, const QString& name, Progress* progress)
{
    if (!progress)
        progress = new Progress(this);
    progress->reset();
    progress->setTitle(QStringLiteral("Installing"));
    progress->show();
    InstallReport report;
    const bool installed = dreamweaver->installPackage(path, progress, &report);
    progress->hide();
    updateInstalledTable();

    if (!installed) {
        const QString reason = report.error().isEmpty() ? tr("the package cannot be read") : report.error();
        warn(tr("%1 could not be installed: %2.").arg(name, reason), report.toText());
        return false;
    }
    const QString problems = installProblems(report);
    if (!problems.isEmpty())
        warn(tr("%1 was installed, but not completely.").arg(name) + problems, report.toText());
    return true;
}

bool MainWindow::installPackageFile(QString path)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver)
        return false;
    // Checked before the replace question: once an old version is removed
    // for it, a package that cannot be read would leave nothing installed.
    const QString reason = unreadablePackageReason(path);
    if (!reason.isEmpty()) {
        warn(tr("%1 cannot be installed: %2.").arg(QDir::toNativeSeparators(path), reason), QString());
        return false;
    }
    ExtensionInfo package(path);
    if (const ExtensionInfo* installed = dreamweaver->findExtension(package.id())) {
        // Copied: the removal reloads the list the pointer points into.
        const ExtensionInfo old = *installed;
        if (!confirmReplace(old.name(), old.version(), package.name(), package.version()))
            return false;
        removeWithProgress(dreamweaver, old.fileName());
    }
    return installWithProgress(dreamweaver, path, package.name(), nullptr);
}

void MainWindow::slotInstallExtension()
{
    if (!currentDreamweaver())
        return;
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Select Extension to Install"), QString(), tr("Extension Files (*.zxp *.mxp)"));
    if (path.isEmpty())
        return;
    installPackageFile(path);
}

void MainWindow::slotRemoveExtension(QString mxiName)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver)
        return;
    const ExtensionInfo* found = nullptr;
    for (const ExtensionInfo& extension : dreamweaver->installedExtensions()) {
        if (extension.fileName() == mxiName) {
            found = &extension;
            break;
        }
    }
    if (!found)
        return;
    const QString text
        = QStringLiteral("Remove ") + found->name() + QStringLiteral(" v. ") + found->version() + QLatin1Char('?');
    if (QMessageBox::question(this, QString(), text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    removeWithProgress(dreamweaver, mxiName);
}

void MainWindow::slotDownloadExtension(Application::Download download)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    if (!dreamweaver || !application)
        return;
    QString mxiName;
    if (const ExtensionInfo* installed = dreamweaver->findExtension(download.id)) {
        if (!confirmReplace(installed->name(), installed->version(), download.name, download.version))
            return;
        // Removed only once the new package is on disk and readable.
        mxiName = installed->fileName();
    }

    auto* progress = new Progress(this);
    progress->reset();
    progress->setTitle(QStringLiteral("Downloading"));
    progress->show();
    const QByteArray data = application->downloadPackage(download.zxp, progress);
    progress->hide();
    if (data.isEmpty()) {
        warn(tr("%1 (%2) could not be downloaded: %3.").arg(download.name, download.zxp, application->downloadError()),
            QString());
        return;
    }

    // The name ends with the package's own file name, whose suffix chooses
    // the reader. Deleted when this command ends, however it ends.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/XXXXXX") + lastPathComponent(download.zxp));
    if (!file.open()) {
        warn(tr("%1 could not be saved to a temporary file: %2.").arg(download.name, file.errorString()), QString());
        return;
    }
    if (file.write(data) != data.size() || !file.flush()) {
        warn(tr("%1 could not be saved to a temporary file: %2.").arg(download.name, file.errorString()), QString());
        return;
    }
    file.close();
    const QString reason = unreadablePackageReason(file.fileName());
    if (!reason.isEmpty()) {
        warn(tr("%1 (%2) cannot be installed: %3.").arg(download.name, download.zxp, reason), QString());
        return;
    }

    if (!mxiName.isEmpty())
        removeWithProgress(dreamweaver, mxiName);
    installWithProgress(dreamweaver, file.fileName(), download.name, progress);
}

void MainWindow::installPackageFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (!currentDreamweaver()) {
        // Silence would look as if the file had been taken: say why nothing happens.
        QStringList lines;
        for (const QString& path : paths) {
            lines << tr("%1 cannot be installed: no Dreamweaver installation was found.")
                         .arg(QDir::toNativeSeparators(path));
        }
        warn(lines.join(QLatin1Char('\n')), QString());
        return;
    }
    for (const QString& path : paths)
        installPackageFile(path);
}

void MainWindow::slotInstallStartupPackages()
{
    if (Application* application = Application::instance())
        installPackageFiles(application->packageFiles());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (carriesLocalFiles(event->mimeData()))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (!event->mimeData() || !event->mimeData()->hasUrls())
        return;
    QStringList packages;
    QStringList refusals;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) {
            refusals << tr("%1 cannot be installed: it is not a file on this computer.")
                            .arg(url.toDisplayString(QUrl::RemovePassword));
            continue;
        }
        const QString path = url.toLocalFile();
        if (hasPackageSuffix(path))
            packages << path;
        else
            refusals
                << tr("%1 cannot be installed: it is not a ZXP or MXP package.").arg(QDir::toNativeSeparators(path));
    }
    if (!packages.isEmpty())
        event->acceptProposedAction();
    // After the drop has returned: the program the files came from waits for
    // the drop to end, and must not wait through the questions and installs.
    QTimer::singleShot(0, this, [this, packages, refusals] {
        if (!refusals.isEmpty())
            warn(refusals.join(QLatin1Char('\n')), QString());
        installPackageFiles(packages);
    });
}
