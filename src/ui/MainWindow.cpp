#include "ui/MainWindow.h"

#include "commands/Diagnosis.h"
#include "commands/ExtensionCommands.h"
#include "commands/StoreState.h"
#include "discovery/VersionNumber.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/InstallReport.h"
#include "ui/DetailsView.h"
#include "ui/MainWindowForm.h"
#include "ui/Progress.h"
#include "ui/RowButtonDelegate.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

// Paints a line of text over an item view while it has no rows, where a
// user looks first: why it is empty and what to do about it.
class EmptyTableHint : public QObject
{
public:
    explicit EmptyTableHint(QAbstractItemView* view)
        : QObject(view)
        , m_view(view)
    {
        view->viewport()->installEventFilter(this);
    }

    void setText(const QString& text)
    {
        m_text = text;
        m_view->viewport()->update();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_view->model()->rowCount() == 0 && !m_text.isEmpty()) {
            QPainter painter(m_view->viewport());
            painter.setPen(QColor(0xd0, 0xd0, 0xd0));
            painter.drawText(
                m_view->viewport()->rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, m_text);
        }
        return false;
    }

private:
    QAbstractItemView* m_view;
    QString m_text;
};

namespace {

// Whether a drag carries anything that could be a package on this computer.
bool carriesLocalFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

// A cell that shows all of its text, cut or not, in a tooltip, unless a
// tooltip of its own was set. Answered when asked rather than stored in
// every cell: a table of hundreds of rows is filled at start-up. For the same
// reason the text is a string of its own rather than a value in the item's
// list of roles, and two such cells sort by it as the base class sorts two
// texts (localeAwareCompare), without the two values it would make for it;
// version cells by their numbers first.
class ReadOnlyItem : public QTableWidgetItem
{
public:
    static constexpr int ItemType = QTableWidgetItem::UserType;
    // A version column sorts 1.10 after 1.9, where text would put it first.
    enum class Order { Text, Version };

    // key: what the row stands for, under Qt::UserRole, kept as the text is.
    explicit ReadOnlyItem(const QString& text, const QVariant& key = QVariant(), Order order = Order::Text)
        : QTableWidgetItem(ItemType)
        , m_text(text)
        , m_key(key)
        , m_order(order)
    {
        setFlags(flags() & ~Qt::ItemIsEditable);
    }

    QVariant data(int role) const override
    {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return m_text;
        case Qt::UserRole:
            return m_key;
        case Qt::ToolTipRole: {
            const QVariant own = QTableWidgetItem::data(role);
            return own.isValid() ? own : QVariant(m_text);
        }
        default:
            return QTableWidgetItem::data(role);
        }
    }

    void setData(int role, const QVariant& value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            m_text = value.toString();
        else if (role == Qt::UserRole)
            m_key = value;
        // The base class tells the table of the change.
        QTableWidgetItem::setData(role, value);
    }

    bool operator<(const QTableWidgetItem& other) const override
    {
        if (other.type() != ItemType)
            return QTableWidgetItem::operator<(other);
        const ReadOnlyItem& that = static_cast<const ReadOnlyItem&>(other);
        if (m_order == Order::Version) {
            // Equal versions spelt apart ("1.2", "1.2.0") keep one order between them.
            if (const int byNumber = VersionNumber::compare(m_text, that.m_text))
                return byNumber < 0;
        }
        return m_text.localeAwareCompare(that.m_text) < 0;
    }

    QTableWidgetItem* clone() const override { return new ReadOnlyItem(*this); }

private:
    QString m_text;
    QVariant m_key;
    Order m_order;
};

QTableWidgetItem* readOnlyItem(const QString& text, const QVariant& key = QVariant())
{
    return new ReadOnlyItem(text, key);
}

QTableWidgetItem* versionItem(const QString& version)
{
    return new ReadOnlyItem(version, QVariant(), ReadOnlyItem::Order::Version);
}

// The cell of a row's button, which the table's delegate paints. The
// button is reached from the keyboard through the table's own keys (Delete,
// Enter), so Tab goes past it instead of stopping on every row. The cell has
// no text of its own, so the filter never finds a row by its button. Its
// accessible name, also its tooltip, is the pattern with the subject put in
// when asked for (the pattern alone when there is no subject).
class ButtonItem : public QTableWidgetItem
{
public:
    ButtonItem(const QString& text, const QString& accessiblePattern, const QString& subject, bool enabled)
        : m_text(text)
        , m_accessiblePattern(accessiblePattern)
        , m_subject(subject)
        , m_enabled(enabled)
    {
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }

    QVariant data(int role) const override
    {
        switch (role) {
        case RowButtonDelegate::TextRole:
            return m_text;
        case RowButtonDelegate::EnabledRole:
            return m_enabled;
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return m_subject.isNull() ? m_accessiblePattern : m_accessiblePattern.arg(m_subject);
        default:
            return QTableWidgetItem::data(role);
        }
    }

private:
    QString m_text;
    QString m_accessiblePattern;
    QString m_subject;
    bool m_enabled;
};

// Sizes a table's columns to their contents from when the table is first
// shown, before its first paint. Such a column is measured cell by cell each
// time the rows change, and the window fills its Installed table with
// hundreds of rows while that tab lies behind the Store.
class ContentColumnsWhenShown : public QObject
{
public:
    explicit ContentColumnsWhenShown(QTableView* table)
        : QObject(table)
        , m_table(table)
    {
        table->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        m_table->removeEventFilter(this);
        // Columns given a mode of their own (the stretched name, the fixed
        // buttons) keep it; the rest are the ones waiting here.
        QHeaderView* header = m_table->horizontalHeader();
        for (int column = 0; column < header->count(); ++column) {
            if (header->sectionResizeMode(column) == QHeaderView::Interactive)
                header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
        deleteLater();
        return false;
    }

private:
    QTableView* m_table;
};

void setColumns(QTableWidget* table, const QStringList& labels)
{
    table->setHorizontalHeaderLabels(labels);
    QHeaderView* header = table->horizontalHeader();
    header->setMinimumSectionSize(40);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    new ContentColumnsWhenShown(table);
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::AscendingOrder);
}

// Gives a sorted table its rows anew, the cells set with one change told to
// the view for them all instead of one per cell: each is a signal that every
// view of the model answers, and a table of hundreds of rows has thousands.
// Sorting would move rows while they are set, so it is off meanwhile and
// sorts them once at the end; a table left without rows has nothing to sort
// and keeps it on, since each switch costs the view a dozen connections.
template <typename Fill> void refill(QTableWidget* table, int rows, Fill fill)
{
    if (rows == 0) {
        table->setRowCount(0);
        if (!table->isSortingEnabled())
            table->setSortingEnabled(true);
        return;
    }
    table->setSortingEnabled(false);
    table->setRowCount(rows);
    QAbstractItemModel* model = table->model();
    {
        const QSignalBlocker blocker(model);
        fill();
    }
    if (table->columnCount() > 0)
        emit model->dataChanged(model->index(0, 0), model->index(table->rowCount() - 1, table->columnCount() - 1));
    table->setSortingEnabled(true);
}

// The row whose first cell holds value under Qt::UserRole, or -1.
int rowWith(const QTableWidget* table, const QVariant& value)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0) && table->item(row, 0)->data(Qt::UserRole) == value)
            return row;
    }
    return -1;
}

// The selection follows its extension through a refresh; when the extension
// is gone, nothing is selected rather than whatever moved into its row.
void reselect(QTableWidget* table, const QVariant& value)
{
    const int row = value.isValid() ? rowWith(table, value) : -1;
    if (row >= 0) {
        table->selectRow(row);
    } else {
        table->clearSelection();
        table->setCurrentIndex(QModelIndex());
    }
}

// The row of the selected button that can be pressed, or -1.
int pressableSelectedRow(const QTableWidget* table)
{
    if (!table->selectionModel()->hasSelection())
        return -1;
    const QTableWidgetItem* item = table->item(table->currentRow(), table->columnCount() - 1);
    return item && RowButtonDelegate::isEnabled(table->model()->index(item->row(), item->column())) ? item->row() : -1;
}

// The rows and the button column are sized to the widest and tallest button,
// measured once for each text the buttons show rather than once per row.
void fitButtons(QTableWidget* table, const RowButtonDelegate* delegate, const QSet<QString>& texts)
{
    const int column = table->columnCount() - 1;
    QSize largest(0, 0);
    for (const QString& text : texts)
        largest = largest.expandedTo(delegate->buttonSize(text));
    if (largest.isEmpty())
        return;
    table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
    table->horizontalHeader()->resizeSection(column, largest.width() + 8);
    table->verticalHeader()->setDefaultSectionSize(std::max(largest.height() + 6, table->fontMetrics().height() + 12));
}

QString plural(int count, const QString& one, const QString& many)
{
    return count == 1 ? one : many.arg(count);
}

// "3 files and 2 entries", what the status bar counts for an install or a removal.
QString counted(const InstallReport& report)
{
    const int files
        = report.fileCount(InstallReport::FileOutcome::Written) + report.fileCount(InstallReport::FileOutcome::Removed);
    const QList<InstallReport::EntryResult> entries = report.entries();
    const int changed = int(std::count_if(entries.begin(), entries.end(), [](const InstallReport::EntryResult& entry) {
        return entry.outcome == InstallReport::EntryOutcome::Added
            || entry.outcome == InstallReport::EntryOutcome::Removed;
    }));
    return MainWindow::tr("%1 and %2.")
        .arg(plural(files, MainWindow::tr("1 file"), MainWindow::tr("%1 files")),
            plural(changed, MainWindow::tr("1 entry"), MainWindow::tr("%1 entries")));
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(std::make_unique<MainWindowForm>())
{
    ui->setupUi(this);

    setColumns(ui->tableInstalled, { tr("Name"), tr("Version"), tr("Author"), QString() });
    setColumns(ui->tableStore, { tr("Name"), tr("Version"), QString() });
    m_installedButtons = new RowButtonDelegate(ui->tableInstalled);
    ui->tableInstalled->setItemDelegate(m_installedButtons);
    m_storeButtons = new RowButtonDelegate(ui->tableStore);
    ui->tableStore->setItemDelegate(m_storeButtons);
    m_installedHint = new EmptyTableHint(ui->tableInstalled);
    ui->detailsView->setPlaceholderText(tr("Select an extension to see its details."));

    if (Application* application = Application::instance()) {
        connect(application, &Application::dreamweaversUpdated, this, &MainWindow::dreamweaversUpdated);
        connect(application, &Application::downloadsUpdated, this, &MainWindow::downloadsUpdated);
        connect(application, &Application::catalogueStateChanged, this, &MainWindow::showCatalogueState);
        connect(ui->retryButton, &QPushButton::clicked, application, &Application::requestDownloads);
        connect(ui->actionReloadCatalogue, &QAction::triggered, application, &Application::requestDownloads);
    }
    connect(ui->comboDreamweavers, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &MainWindow::slotSelectDreamweaver);
    connect(ui->installButton, &QPushButton::clicked, this, &MainWindow::slotInstallExtension);
    connect(ui->actionInstall, &QAction::triggered, this, &MainWindow::slotInstallExtension);
    connect(ui->actionShowReport, &QAction::triggered, this, &MainWindow::showReport);
    connect(ui->reportButton, &QPushButton::clicked, this, &MainWindow::showReport);
    connect(ui->actionQuit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui->actionWhyMissing, &QAction::triggered, this, &MainWindow::showDiagnosis);
    connect(ui->whyMissingButton, &QPushButton::clicked, this, &MainWindow::showDiagnosis);
    connect(ui->actionAdopt, &QAction::triggered, this, &MainWindow::slotAdoptExtension);
    connect(ui->filterEdit, &QLineEdit::textChanged, this, &MainWindow::applyFilter);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::showDetails);
    for (QTableWidget* table : { ui->tableInstalled, ui->tableStore })
        connect(table, &QTableWidget::itemSelectionChanged, this, &MainWindow::showDetails);

    // The row buttons, clicked or from the keyboard: the same rows, so the same commands.
    connect(m_installedButtons, &RowButtonDelegate::clicked, this,
        [this](const QModelIndex& index) { pressInstalledButton(index.row()); });
    connect(m_storeButtons, &RowButtonDelegate::clicked, this,
        [this](const QModelIndex& index) { pressStoreButton(index.row()); });
    auto* remove = new QShortcut(QKeySequence::Delete, ui->tableInstalled);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this,
        [this] { pressInstalledButton(pressableSelectedRow(ui->tableInstalled)); });
    for (const int key : { Qt::Key_Return, Qt::Key_Enter }) {
        auto* install = new QShortcut(QKeySequence(key), ui->tableStore);
        install->setContext(Qt::WidgetShortcut);
        connect(
            install, &QShortcut::activated, this, [this] { pressStoreButton(pressableSelectedRow(ui->tableStore)); });
    }

    if (Application* application = Application::instance()) {
        // Queued: the start-up work finishes (the catalogue is requested)
        // before the install's questions and progress dialogs take over.
        connect(application, &Application::packageFilesUpdated, this, &MainWindow::slotInstallStartupPackages,
            Qt::QueuedConnection);
    }
    setAcceptDrops(true);
    showInstallability();
    showCatalogueState();
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
    QTableWidget* table = ui->tableInstalled;
    const QString selected = selectedManifest();
    QList<ExtensionInfo> extensions;
    if (dreamweaver) {
        dreamweaver->loadInstalledExtensions();
        extensions = dreamweaver->installedExtensions();
    }

    const QString remove = tr("Remove");
    const QString removeName = tr("Remove %1 (Delete)");
    // Before the rows are there: a new default row height would otherwise
    // resize each row, one signal apiece.
    fitButtons(table, m_installedButtons, extensions.isEmpty() ? QSet<QString>() : QSet<QString> { remove });
    refill(table, extensions.size(), [&] {
        for (int row = 0; row < extensions.size(); ++row) {
            const ExtensionInfo& extension = extensions.at(row);
            table->setItem(row, 0,
                readOnlyItem(extension.isInstalledByOtherProgram()
                        ? tr("%1 (installed by another program)").arg(extension.name())
                        : extension.name(),
                    extension.fileName()));
            table->setItem(row, 1, versionItem(extension.version()));
            table->setItem(row, 2, readOnlyItem(extension.author()));
            table->setItem(row, 3, new ButtonItem(remove, removeName, extension.name(), true));
        }
    });
    reselect(table, selected.isEmpty() ? QVariant() : QVariant(selected));
    if (dreamweaver) {
        m_installedHint->setText(tr("No extension is installed in %1.\n\nDrop .zxp or .mxp packages on the window, "
                                    "or choose Install, to install them.")
                                     .arg(dreamweaver->name()));
    }
    applyFilter();
    showDetails();
    // The Store's rows say where each entry stands against this list.
    downloadsUpdated();
}

void MainWindow::dreamweaversUpdated()
{
    ui->comboDreamweavers->clear();
    Application* application = Application::instance();
    if (!application)
        return;
    m_listed = true;
    // Every installation in the drop-down, none behind a scroll bar.
    ui->comboDreamweavers->setMaxVisibleItems(std::max(10, int(application->dreamweavers().size())));
    for (const DreamweaverInfo& dreamweaver : std::as_const(application->dreamweavers()))
        ui->comboDreamweavers->addItem(dreamweaver.name());
    // Chosen here: with a placeholder text the first item is not made current
    // by itself. Either way the Installed table is filled anew.
    if (application->dreamweavers().isEmpty())
        updateInstalledTable();
    else
        ui->comboDreamweavers->setCurrentIndex(0);
    showInstallability();
}

void MainWindow::showInstallability()
{
    const bool installable = currentDreamweaver() != nullptr;
    ui->installButton->setEnabled(installable);
    ui->actionInstall->setEnabled(installable);
    ui->whyMissingButton->setVisible(m_listed && !installable);
    if (installable || !m_listed)
        return;
    const QString reason = tr("No Dreamweaver installation was found, so nothing can be installed.");
    m_installedHint->setText(reason);
    statusBar()->showMessage(reason);
}

void MainWindow::downloadsUpdated()
{
    Application* application = Application::instance();
    if (!application)
        return;
    const QVector<Application::Download>& downloads = application->downloads();
    const DreamweaverInfo* dreamweaver = currentDreamweaver();
    QTableWidget* table = ui->tableStore;
    const int selected = selectedEntry();

    // A copy taken now: a later catalogue must not change what a button installs.
    m_storeRows = downloads;
    QSet<QString> actions;
    refill(table, downloads.size(), [&] {
        for (int row = 0; row < downloads.size(); ++row) {
            const Application::Download download = downloads.at(row);
            table->setItem(row, 0, readOnlyItem(download.name, row));
            QTableWidgetItem* version = versionItem(download.version);
            const ExtensionInfo* installed = nullptr;
            const StoreState::Kind state
                = dreamweaver ? StoreState::of(*dreamweaver, download, &installed) : StoreState::NotInstalled;
            version->setToolTip(installed ? tr("%1 (installed: %2)").arg(StoreState::text(state), installed->version())
                                          : StoreState::text(state));
            table->setItem(row, 1, version);
            // Installed (the same version, or a newer one) leaves nothing to do.
            const bool upToDate = state == StoreState::Installed || state == StoreState::InstalledNewer;
            const QString action = state == StoreState::UpdateAvailable ? tr("Update")
                : upToDate                                              ? tr("Installed")
                                                                        : tr("Install");
            table->setItem(row, 2,
                new ButtonItem(
                    action, tr("%1 %2 (Enter)").arg(action, download.name), QString(), dreamweaver && !upToDate));
            actions.insert(action);
        }
    });
    fitButtons(table, m_storeButtons, actions);
    reselect(table, selected < 0 ? QVariant() : QVariant(selected));
    applyFilter();
    showCatalogueState();
    showDetails();
}

void MainWindow::showCatalogueState()
{
    Application* application = Application::instance();
    if (!application)
        return;
    QString state;
    const bool loading = application->catalogueLoading();
    if (loading)
        state = tr("Loading the catalogue from %1...").arg(StoreClient::catalogueUrl());
    else if (!application->catalogueError().isEmpty())
        state = tr("The catalogue could not be loaded: %1.").arg(application->catalogueError());
    else if (application->downloads().isEmpty())
        state = tr("The catalogue lists no extensions.");
    ui->labelStoreState->setText(state);
    ui->labelStoreState->setVisible(!state.isEmpty());
    ui->retryButton->setVisible(!state.isEmpty() && !loading);
    ui->actionReloadCatalogue->setEnabled(!loading);
}

QString MainWindow::selectedManifest() const
{
    const QTableWidget* table = ui->tableInstalled;
    const QTableWidgetItem* item
        = table->selectionModel()->hasSelection() ? table->item(table->currentRow(), 0) : nullptr;
    return item ? item->data(Qt::UserRole).toString() : QString();
}

int MainWindow::selectedEntry() const
{
    const QTableWidget* table = ui->tableStore;
    const QTableWidgetItem* item
        = table->selectionModel()->hasSelection() ? table->item(table->currentRow(), 0) : nullptr;
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

void MainWindow::showDetails()
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    const ExtensionInfo* selected = dreamweaver && !selectedManifest().isEmpty()
        ? ExtensionCommands::findInstalled(*dreamweaver, selectedManifest())
        : nullptr;
    ui->actionAdopt->setEnabled(selected && selected->isInstalledByOtherProgram());
    if (dreamweaver && ui->tabWidget->currentWidget() == ui->tabInstalled) {
        if (const ExtensionInfo* extension = selected) {
            ui->detailsView->showInstalled(*extension);
            return;
        }
    } else if (application && ui->tabWidget->currentWidget() == ui->tabStore) {
        const int index = selectedEntry();
        if (index >= 0 && index < application->downloads().size()) {
            const Application::Download& entry = application->downloads().at(index);
            const ExtensionInfo* installed = nullptr;
            const StoreState::Kind state
                = dreamweaver ? StoreState::of(*dreamweaver, entry, &installed) : StoreState::NotInstalled;
            const QString text = installed ? tr("%1 (installed: %2)").arg(StoreState::text(state), installed->version())
                                           : StoreState::text(state);
            ui->detailsView->showEntry(entry, text, installed);
            return;
        }
    }
    ui->detailsView->clear();
}

void MainWindow::applyFilter()
{
    const QString filter = ui->filterEdit->text().trimmed();
    for (QTableWidget* table : { ui->tableInstalled, ui->tableStore }) {
        // No filter and no row hidden: every row is shown already.
        if (filter.isEmpty() && table->verticalHeader()->hiddenSectionCount() == 0)
            continue;
        for (int row = 0; row < table->rowCount(); ++row) {
            bool shown = filter.isEmpty();
            for (int column = 0; column < table->columnCount() && !shown; ++column) {
                const QTableWidgetItem* item = table->item(row, column);
                shown = item && item->text().contains(filter, Qt::CaseInsensitive);
            }
            table->setRowHidden(row, !shown);
        }
    }
}

void MainWindow::slotSelectDreamweaver(int)
{
    updateInstalledTable();
    showInstallability();
}

bool MainWindow::confirm(const QString& question, const QString&)
{
    // Nobody is left to answer once the window has closed.
    if (m_closing)
        return false;
    QString text = question;
    if (const DreamweaverInfo* dreamweaver = currentDreamweaver())
        text += QStringLiteral("\n\n") + tr("Installation: %1").arg(dreamweaver->name());
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
        QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void MainWindow::warn(const QString& text, const QString& details)
{
    statusBar()->showMessage(text.section(QLatin1Char('\n'), 0, 0));
    m_report += text + QLatin1Char('\n') + details + QStringLiteral("\n\n");
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    // The text holds names from the catalogue and the file system, which Qt
    // would otherwise guess to be markup and render.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(details);
    box.exec();
}

void MainWindow::inform(const QString& text, const QString& details)
{
    statusBar()->showMessage(m_commands ? text + QLatin1Char(' ') + counted(m_commands->lastReport()) : text);
    m_report += text + QLatin1Char('\n') + details + QStringLiteral("\n\n");
}

void MainWindow::notice(const QString& text)
{
    statusBar()->showMessage(text);
}

IProgress* MainWindow::startProgress(const QString& title)
{
    auto* progress = new Progress(this);
    progress->reset();
    progress->setTitle(title);
    const QString subject = title == QLatin1String("Removing") && !m_replaced.isEmpty() ? m_replaced : m_subject;
    const DreamweaverInfo* dreamweaver = currentDreamweaver();
    const QString installation = dreamweaver ? dreamweaver->name() : QString();
    if (subject.isEmpty())
        progress->setHeading(title);
    else if (title == QLatin1String("Removing"))
        progress->setHeading(tr("Removing %1 from %2").arg(subject, installation));
    else if (title == QLatin1String("Installing"))
        progress->setHeading(tr("Installing %1 into %2").arg(subject, installation));
    else
        progress->setHeading(tr("%1 %2 for %3").arg(title, subject, installation));
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

void MainWindow::installedChanged()
{
    if (m_commands)
        m_refreshPending = true;
    else
        updateInstalledTable();
}

void MainWindow::runCommand(const QString& subject, const QString& replaced,
    const std::function<void(ExtensionCommands&, DreamweaverInfo&)>& command)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver || m_commands)
        return;
    m_subject = subject;
    m_replaced = replaced;
    m_report.clear();
    ExtensionCommands commands(*this);
    m_commands = &commands;
    command(commands, *dreamweaver);
    m_commands = nullptr;
    if (m_refreshPending) {
        m_refreshPending = false;
        updateInstalledTable();
    }
    if (!m_report.trimmed().isEmpty()) {
        m_lastReport = m_report;
        ui->reportButton->setEnabled(true);
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
    const ExtensionInfo package(path);
    const ExtensionInfo* replaced = package.name().isEmpty()
        ? nullptr
        : ExtensionCommands::findReplaced(*dreamweaver, package.id(), package.fileName());
    ExtensionCommands::Result result = ExtensionCommands::Result::Failed;
    runCommand(package.name().isEmpty() ? QFileInfo(path).fileName()
                                        : ExtensionCommands::titleOf(package.name(), package.version()),
        replaced ? ExtensionCommands::titleOf(replaced->name(), replaced->version()) : QString(),
        [&](ExtensionCommands& commands, DreamweaverInfo& target) {
            result = commands.installPackageFile(target, path);
        });
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

void MainWindow::pressInstalledButton(int row)
{
    // The row's manifest name, not its position: the list under the table
    // may have changed since the table was filled.
    const QTableWidgetItem* item = row < 0 ? nullptr : ui->tableInstalled->item(row, 0);
    if (item)
        slotRemoveExtension(item->data(Qt::UserRole).toString());
}

void MainWindow::pressStoreButton(int row)
{
    const QTableWidgetItem* item = row < 0 ? nullptr : ui->tableStore->item(row, 0);
    const int entry = item ? item->data(Qt::UserRole).toInt() : -1;
    if (entry >= 0 && entry < m_storeRows.size())
        slotDownloadExtension(m_storeRows.at(entry));
}

void MainWindow::slotRemoveExtension(QString mxiName)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    const ExtensionInfo* extension = dreamweaver ? ExtensionCommands::findInstalled(*dreamweaver, mxiName) : nullptr;
    runCommand(extension ? ExtensionCommands::titleOf(extension->name(), extension->version()) : QString(), QString(),
        [mxiName](ExtensionCommands& commands, DreamweaverInfo& target) { commands.removeExtension(target, mxiName); });
}

void MainWindow::slotDownloadExtension(Application::Download download)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    if (!dreamweaver || !application)
        return;
    const ExtensionInfo* replaced
        = download.id.isEmpty() ? nullptr : ExtensionCommands::findReplaced(*dreamweaver, download.id, QString());
    runCommand(ExtensionCommands::titleOf(download.name, download.version),
        replaced ? ExtensionCommands::titleOf(replaced->name(), replaced->version()) : QString(),
        [download, application](ExtensionCommands& commands, DreamweaverInfo& target) {
            commands.installCatalogueEntry(target, download, application->store());
        });
}

void MainWindow::showReport()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Last Report"));
    dialog.resize(640, 400);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QPlainTextEdit(m_lastReport.trimmed(), &dialog);
    text->setReadOnly(true);
    text->setAccessibleName(tr("Report of the last install or removal"));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

void MainWindow::slotAdoptExtension()
{
    const QString mxiName = selectedManifest();
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    const ExtensionInfo* extension = dreamweaver ? ExtensionCommands::findInstalled(*dreamweaver, mxiName) : nullptr;
    if (!extension || !extension->isInstalledByOtherProgram())
        return;
    runCommand(ExtensionCommands::titleOf(extension->name(), extension->version()), QString(),
        [mxiName](ExtensionCommands& commands, DreamweaverInfo& target) { commands.adoptExtension(target, mxiName); });
}

void MainWindow::showDiagnosis()
{
    // Not modal: the user may want to look at the folders it names while it is open.
    auto* dialog = findChild<QDialog*>(QStringLiteral("diagnosisDialog"));
    if (!dialog) {
        dialog = new QDialog(this);
        dialog->setObjectName(QStringLiteral("diagnosisDialog"));
        dialog->setWindowTitle(tr("Why is my Dreamweaver missing?"));
        auto* text = new QPlainTextEdit(dialog);
        text->setObjectName(QStringLiteral("diagnosisText"));
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(text);
        layout->addWidget(buttons);
        dialog->resize(760, 420);
    }
    const Application* application = Application::instance();
    dialog->findChild<QPlainTextEdit*>(QStringLiteral("diagnosisText"))
        ->setPlainText(Diagnosis::text(application ? application->dreamweaverList() : DreamweaverList()));
    dialog->show();
    dialog->raise();
}

void MainWindow::showAbout()
{
    QMessageBox box(QMessageBox::NoIcon, tr("About Velkor Moravel"),
        tr("Velkor Moravel %1\n\nInstalls, lists and removes Dreamweaver extensions.")
            .arg(QCoreApplication::applicationVersion()),
        QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    // The program's own icon, the one the title bar and the desktop entry show.
    box.setIconPixmap(windowIcon().pixmap(64, 64));
    box.exec();
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
