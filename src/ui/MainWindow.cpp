#include "ui/MainWindow.h"

#include "discovery/DreamweaverInfo.h"
#include "ui/MainWindowForm.h"

#include <QComboBox>
#include <QHeaderView>
#include <QListView>
#include <QPushButton>
#include <QTableWidget>

namespace {

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

// The install, remove and download commands are not built yet; their buttons
// are wired so that the commands only have to fill these in.
void MainWindow::slotInstallExtension() { }

void MainWindow::slotRemoveExtension(QString mxiName)
{
    Q_UNUSED(mxiName)
}

void MainWindow::slotDownloadExtension(Application::Download download)
{
    Q_UNUSED(download)
}
