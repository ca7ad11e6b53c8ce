#include "ui/MainWindow.h"

#include "commands/ExtensionCommands.h"
#include "commands/StoreState.h"
#include "discovery/DreamweaverInfo.h"
#include "ui/MainWindowForm.h"
#include "ui/Progress.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

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
    // The Store's rows say where each entry stands against this list.
    downloadsUpdated();
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
    const DreamweaverInfo* dreamweaver = currentDreamweaver();

    QTableWidget* table = ui->tableStore;
    table->setRowCount(downloads.size());
    for (int row = 0; row < downloads.size(); ++row) {
        const Application::Download download = downloads.at(row);
        table->setItem(row, 0, readOnlyItem(download.name));
        QTableWidgetItem* version = readOnlyItem(download.version);
        const ExtensionInfo* installed = nullptr;
        const StoreState::Kind state
            = dreamweaver ? StoreState::of(*dreamweaver, download, &installed) : StoreState::NotInstalled;
        version->setToolTip(installed ? tr("%1 (installed: %2)").arg(StoreState::text(state), installed->version())
                                      : StoreState::text(state));
        table->setItem(row, 1, version);
        auto* button = new QPushButton(state == StoreState::UpdateAvailable ? tr("Update") : tr("Install"));
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

bool MainWindow::confirm(const QString& question, const QString&)
{
    // Nobody is left to answer once the window has closed.
    if (m_closing)
        return false;
    QMessageBox box(QMessageBox::Question, QString(), question, QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void MainWindow::warn(const QString& text, const QString& details)
{
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, this);
    // The text holds names from the catalogue and the file system, which Qt
    // would otherwise guess to be markup and render.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(details);
    box.exec();
}

IProgress* MainWindow::startProgress(const QString& title)
{
    auto* progress = new Progress(this);
    progress->reset();
    progress->setTitle(title);
    progress->show();
    return progress;
}

void MainWindow::finishProgress(IProgress* progress)
{
    if (auto* dialog = dynamic_cast<Progress*>(progress)) {
        dialog->hide();
        dialog->deleteLater();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_closing = true;
    const QList<Progress*> running = findChildren<Progress*>();
    for (Progress* progress : running)
        progress->reject();
    QMainWindow::closeEvent(event);
}

bool MainWindow::installPackageFile(QString path)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver)
        return false;
    const ExtensionCommands::Result result = ExtensionCommands(*this).installPackageFile(*dreamweaver, path);
    return result == ExtensionCommands::Result::Done || result == ExtensionCommands::Result::Incomplete;
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
    if (DreamweaverInfo* dreamweaver = currentDreamweaver())
        ExtensionCommands(*this).removeExtension(*dreamweaver, mxiName);
}

void MainWindow::slotDownloadExtension(Application::Download download)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    if (dreamweaver && application)
        ExtensionCommands(*this).installCatalogueEntry(*dreamweaver, download, application->store());
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
    for (const QString& path : paths) {
        if (m_closing)
            return;
        installPackageFile(path);
    }
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
        if (ExtensionCommands::hasPackageSuffix(path))
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
