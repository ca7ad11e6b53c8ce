#include "ui/MainWindow.h"

#include "commands/Diagnosis.h"
#include "commands/ExtensionCommands.h"
#include "commands/OperationLog.h"
#include "commands/StoreState.h"
#include "discovery/DiscoveryFinding.h"
#include "discovery/VersionNumber.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/ExtensionCheck.h"
#include "installer/InstallReport.h"
#include "ui/DetailsView.h"
#include "ui/HealthPanel.h"
#include "ui/InstalledListWatcher.h"
#include "ui/EmptyTableHint.h"
#include "ui/MainWindowForm.h"
#include "ui/OpenFilesDialog.h"
#include "ui/Progress.h"
#include "ui/RowButtonDelegate.h"
#include "ui/WindowMemory.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The installation the user chose last, by name: the list's order changes as versions come and go.
const QString chosenInstallationKey = QStringLiteral("installation");

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

// Sizes the columns the user may resize (all but the stretched name and the
// fixed buttons) to their contents, a quarter of the width at most, so that
// a long author leaves the name its room; done each time the table is shown
// and its rows change, until the user sizes one: from then on the user's
// widths stand. Measured only while the table is on screen: a column is
// measured cell by cell, and the Installed table may hold hundreds of rows.
class FittedColumns : public QObject
{
public:
    explicit FittedColumns(QTableView* table)
        : QObject(table)
        , m_table(table)
    {
        table->installEventFilter(this);
        connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
            if (!m_fitting && m_table->horizontalHeader()->sectionResizeMode(column) == QHeaderView::Interactive)
                m_userSized = true;
        });
    }

    void fit()
    {
        if (m_userSized || !m_table->isVisible())
            return;
        m_fitting = true;
        QHeaderView* header = m_table->horizontalHeader();
        const int widest = std::max(header->minimumSectionSize(), m_table->viewport()->width() / 4);
        for (int column = 0; column < header->count(); ++column) {
            if (header->sectionResizeMode(column) != QHeaderView::Interactive)
                continue;
            m_table->resizeColumnToContents(column);
            if (header->sectionSize(column) > widest)
                header->resizeSection(column, widest);
        }
        m_fitting = false;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            fit();
        return false;
    }

private:
    QTableView* m_table;
    bool m_fitting = false;
    bool m_userSized = false;
};

// Keeps a click on the header of the buttons' column from sorting the
// table: the column has nothing to sort by.
class UnsortedLastColumn : public QObject
{
public:
    explicit UnsortedLastColumn(QHeaderView* header)
        : QObject(header)
        , m_header(header)
    {
        header->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease
            && event->type() != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        return m_header->logicalIndexAt(mouse->pos()) == m_header->count() - 1;
    }

private:
    QHeaderView* m_header;
};

void setColumns(QTableWidget* table, const QStringList& labels)
{
    table->setHorizontalHeaderLabels(labels);
    QHeaderView* header = table->horizontalHeader();
    header->setMinimumSectionSize(40);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    new FittedColumns(table);
    new UnsortedLastColumn(header);
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
    for (QObject* child : table->children()) {
        if (auto* columns = dynamic_cast<FittedColumns*>(child))
            columns->fit();
    }
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

// After a removal the row that took the removed one's place is selected, or
// the one above it at the end, skipping rows the filter hides, so that
// the keyboard goes on from where it was.
void selectNeighbour(QTableWidget* table, int removedRow)
{
    for (int step = 0; step < table->rowCount(); ++step) {
        for (const int row : { removedRow + step, removedRow - 1 - step }) {
            if (row >= 0 && row < table->rowCount() && !table->isRowHidden(row)) {
                table->selectRow(row);
                return;
            }
        }
    }
}

// Where a Store entry stands, with the installed version where it differs.
QString storeStateText(StoreState::Kind state, const ExtensionInfo* installed)
{
    const QString version = installed ? installed->version() : QString();
    switch (state) {
    case StoreState::UpdateAvailable:
        return MainWindow::tr("update available (installed: %1)").arg(version);
    case StoreState::InstalledNewer:
        return MainWindow::tr("a newer version is installed (%1)").arg(version);
    default:
        return StoreState::text(state);
    }
}

// How the status line names an install that replaces an installed version.
QString replacingText(
    const QString& name, const QString& version, const ExtensionInfo* replaced, const QString& installation)
{
    if (!replaced)
        return QString();
    const int order = VersionNumber::compare(version, replaced->version());
    if (replaced->name() == name && order > 0)
        return MainWindow::tr("Updated %1 from %2 to %3 in %4:").arg(name, replaced->version(), version, installation);
    if (replaced->name() == name && order == 0)
        return MainWindow::tr("Reinstalled %1 %2 in %3:").arg(name, version, installation);
    if (order > 0)
        return MainWindow::tr("Updated %1 %2 to %3 %4 in %5:")
            .arg(replaced->name(), replaced->version(), name, version, installation);
    return MainWindow::tr("Replaced %1 %2 with %3 %4 in %5:")
        .arg(replaced->name(), replaced->version(), name, version, installation);
}

// "Dreamweaver CS6 (en_US, de_DE)": an installation with the languages an install writes into.
QString withLocales(const DreamweaverInfo& dreamweaver)
{
    QStringList locales = dreamweaver.locales();
    locales.removeAll(QString());
    return locales.isEmpty() ? dreamweaver.name()
                             : MainWindow::tr("%1 (%2)").arg(dreamweaver.name(), locales.join(QStringLiteral(", ")));
}

// The row of the selected button that can be pressed, or -1.
int pressableSelectedRow(const QTableWidget* table)
{
    if (!table->selectionModel()->hasSelection())
        return -1;
    const QTableWidgetItem* item = table->item(table->currentRow(), table->columnCount() - 1);
    return item && RowButtonDelegate::isEnabled(table->model()->index(item->row(), item->column())) ? item->row() : -1;
}

// The height the style gives a line of an item view, as the desktop's other lists have it, with room for
// the text: a row as tall as a whole push button would show only a few rows on a small screen. The row
// buttons are drawn to fit it.
int rowHeight(const QTableWidget* table)
{
    QStyleOptionViewItem option;
    option.initFrom(table);
    option.font = table->font();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xg");
    const int line = table->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), table).height();
    return std::max(line, table->fontMetrics().height() + 6);
}

// The button column is sized to the widest button, measured once for each
// text the buttons show rather than once per row; the rows to a line of text.
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
    table->verticalHeader()->setDefaultSectionSize(rowHeight(table));
}

// The steps the shared operations show progress for, told apart by the
// title they give it; the rest are shown under their title alone.
enum class ProgressKind { Downloading, Installing, Removing, Waiting, Other };

ProgressKind progressKind(const QString& title)
{
    if (title == QLatin1String("Downloading"))
        return ProgressKind::Downloading;
    if (title == QLatin1String("Installing"))
        return ProgressKind::Installing;
    if (title == QLatin1String("Removing"))
        return ProgressKind::Removing;
    if (title == QLatin1String("Waiting"))
        return ProgressKind::Waiting;
    return ProgressKind::Other;
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

// "file Commands/tool.js (en_US)", one thing a check did not find.
QString missingText(const ExtensionCheck::Item& item)
{
    QString text = ExtensionCheck::describe(item.kind) + QLatin1Char(' ') + QDir::toNativeSeparators(item.name);
    if (!item.where.isEmpty())
        text = MainWindow::tr("%1 in %2").arg(text, item.where);
    return item.locale.isEmpty() ? text : MainWindow::tr("%1 (%2)").arg(text, item.locale);
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
    // The check's findings and buttons sit under the details they belong to.
    // In the details pane, between the details and the Disable button: one pane below the tabs, not two.
    m_health = new HealthPanel(ui->detailsPane);
    static_cast<QVBoxLayout*>(ui->detailsPane->layout())->insertWidget(1, m_health);
    connect(m_health, &HealthPanel::verifyClicked, this, &MainWindow::verifyExtensions);
    connect(m_health, &HealthPanel::repairClicked, this, [this] { repairExtension(selectedManifest()); });
    auto* verify = new QAction(tr("&Verify Installed Extensions"), this);
    verify->setObjectName(QStringLiteral("actionVerify"));
    ui->menuExtensions->insertAction(ui->actionReloadCatalogue, verify);
    connect(verify, &QAction::triggered, this, &MainWindow::verifyExtensions);
    m_installedWatcher = new InstalledListWatcher(this);
    // Through installedChanged(): a command under way refreshes once it has ended.
    connect(m_installedWatcher, &InstalledListWatcher::changed, this, &MainWindow::installedChanged);
    new EmptyTableHint(ui->tableStore);
    ui->detailsView->setPlaceholderText(tr("Select an extension to see its details."));

    if (Application* application = Application::instance()) {
        connect(application, &Application::dreamweaversUpdated, this, &MainWindow::dreamweaversUpdated);
        connect(application, &Application::downloadsUpdated, this, &MainWindow::downloadsUpdated);
        connect(application, &Application::catalogueStateChanged, this, [this, application] {
            if (!application->catalogueLoading()) {
                const QString now = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
                (application->catalogueError().isEmpty() ? m_catalogueTime : m_catalogueTried) = now;
            }
            showCatalogueState();
        });
        connect(ui->retryButton, &QPushButton::clicked, application, &Application::requestDownloads);
        connect(ui->actionReloadCatalogue, &QAction::triggered, application, &Application::requestDownloads);
        connect(ui->actionReloadCatalogue, &QAction::triggered, this, &MainWindow::updateInstalledTable);
        const QList<QPair<QAction*, ColourScheme::Choice>> schemes {
            { ui->actionSchemeSystem, ColourScheme::Choice::System },
            { ui->actionSchemeLight, ColourScheme::Choice::Light }, { ui->actionSchemeDark, ColourScheme::Choice::Dark }
        };
        for (const auto& scheme : schemes) {
            scheme.first->setChecked(application->colourScheme() == scheme.second);
            connect(scheme.first, &QAction::triggered, application,
                [application, choice = scheme.second] { application->setColourScheme(choice); });
        }
    }
    connect(ui->comboDreamweavers, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &MainWindow::slotSelectDreamweaver);
    connect(ui->installButton, &QPushButton::clicked, this, &MainWindow::slotInstallExtension);
    connect(ui->actionInstall, &QAction::triggered, this, &MainWindow::slotInstallExtension);
    connect(ui->actionShowReport, &QAction::triggered, this, &MainWindow::showReport);
    connect(ui->reportButton, &QPushButton::clicked, this, &MainWindow::showReport);
    connect(ui->actionQuit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui->actionShowLog, &QAction::triggered, this, &MainWindow::showLog);
    connect(ui->actionWhyMissing, &QAction::triggered, this, &MainWindow::showDiagnosis);
    connect(ui->whyMissingButton, &QPushButton::clicked, this, &MainWindow::showDiagnosis);
    connect(ui->actionAdopt, &QAction::triggered, this, &MainWindow::slotAdoptExtension);
    // Disable and enable: the Extensions menu, the row's context menu and the details pane.
    connect(ui->actionToggleEnabled, &QAction::triggered, this, &MainWindow::slotToggleEnabled);
    connect(ui->toggleEnabledButton, &QPushButton::clicked, this, &MainWindow::slotToggleEnabled);
    connect(ui->actionCopyTo, &QAction::triggered, this, &MainWindow::slotCopyExtensions);
    connect(ui->actionUpdateAll, &QAction::triggered, this, &MainWindow::slotUpdateAll);
    connect(ui->updateAllButton, &QPushButton::clicked, this, &MainWindow::slotUpdateAll);
    connect(ui->filterEdit, &QLineEdit::textChanged, this, &MainWindow::applyFilter);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::showDetails);
    for (QTableWidget* table : { ui->tableInstalled, ui->tableStore }) {
        connect(table, &QTableWidget::itemSelectionChanged, this, &MainWindow::showDetails);
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(table, &QWidget::customContextMenuRequested, this,
            [this, table](const QPoint& position) { showRowMenu(table, position); });
        // A double-click on a row is a look at its details.
        connect(
            table, &QTableWidget::itemDoubleClicked, this, [this] { ui->detailsView->setFocus(Qt::OtherFocusReason); });
    }
    connect(ui->actionRemove, &QAction::triggered, this,
        [this] { pressInstalledButton(pressableSelectedRow(ui->tableInstalled)); });

    // The row buttons, clicked or from the keyboard: the same rows, so the same commands.
    connect(m_installedButtons, &RowButtonDelegate::clicked, this,
        [this](const QModelIndex& index) { pressInstalledButton(index.row()); });
    connect(m_storeButtons, &RowButtonDelegate::clicked, this,
        [this](const QModelIndex& index) { pressStoreButton(index.row()); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        ui->filterEdit->setFocus(Qt::ShortcutFocusReason);
        ui->filterEdit->selectAll();
    });
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
        // Queued as well: the answer to the later start goes out before anything is asked.
        connect(
            application, &Application::packageFilesHandedOver, this,
            [this](const QStringList& files) {
                if (isMinimized())
                    showNormal();
                raise();
                activateWindow();
                openPackageFiles(files);
            },
            Qt::QueuedConnection);
    }
    connect(ui->comboDreamweavers, QOverload<int>::of(&QComboBox::activated), this, [this] {
        if (const DreamweaverInfo* dreamweaver = currentDreamweaver())
            Application::setSetting(chosenInstallationKey, dreamweaver->name());
    });
    setAcceptDrops(true);
    m_memory = new WindowMemory(
        { this, ui->splitter, ui->tabWidget, ui->tableInstalled, ui->tableStore, ui->comboDreamweavers });
    m_memory->restore();
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
    m_disabled.clear();
    if (dreamweaver) {
        dreamweaver->loadInstalledExtensions();
        extensions = dreamweaver->installedExtensions();
        for (const ExtensionInfo& extension : ExtensionCommands::disabledExtensions(*dreamweaver)) {
            extensions.append(extension);
            m_disabled.insert(extension.fileName());
        }
    }
    m_installedWatcher->watch(dreamweaver);

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
                        : m_disabled.contains(extension.fileName()) ? tr("%1 (disabled)").arg(extension.name())
                                                                     : extension.name(),
                    extension.fileName()));
            const auto missing = m_missing.constFind(extension.fileName());
            if (missing != m_missing.cend()) {
                QTableWidgetItem* name = table->item(row, 0);
                name->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
                name->setToolTip(
                    tr("%1 is not whole. Missing: %2").arg(extension.name(), missing->join(QStringLiteral("; "))));
            }
            table->setItem(row, 1, versionItem(extension.version()));
            table->setItem(row, 2, readOnlyItem(extension.author()));
            table->setItem(row, 3, new ButtonItem(remove, removeName, extension.name(), true));
        }
    });
    reselect(table, selected.isEmpty() ? QVariant() : QVariant(selected));
    if (dreamweaver) {
        m_installedHint->setText(tr("No extension is installed in %1.\n\nDrop .zxp or .mxp packages on the window, "
                                    "or choose Install from File, to install them.")
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
    for (const DreamweaverInfo& dreamweaver : std::as_const(application->dreamweavers())) {
        ui->comboDreamweavers->addItem(dreamweaver.name());
        ui->comboDreamweavers->setItemData(ui->comboDreamweavers->count() - 1,
            tr("Packages will go into %1.").arg(withLocales(dreamweaver)), Qt::ToolTipRole);
    }
    // Chosen here: with a placeholder text the first item is not made current
    // by itself. Either way the Installed table is filled anew.
    if (application->dreamweavers().isEmpty())
        updateInstalledTable();
    else if (!m_memory->restoreInstallation())
        ui->comboDreamweavers->setCurrentIndex(0);
    showInstallability();
}

void MainWindow::showInstallability()
{
    const bool installable = currentDreamweaver() != nullptr;
    ui->installButton->setEnabled(installable);
    ui->actionInstall->setEnabled(installable);
    ui->actionCopyTo->setEnabled(installable);
    ui->whyMissingButton->setVisible(m_listed && !installable);
    if (installable || !m_listed)
        return;
    const QString reason = tr("No Dreamweaver installation was found, so nothing can be installed.");
    // Where it looked, so that a user whose Dreamweaver is elsewhere sees why it was missed.
    QStringList places;
    if (const Application* application = Application::instance()) {
        for (const DiscoveryFinding& finding : application->dreamweaverList().findings) {
            const QString place = QDir::toNativeSeparators(finding.place);
            if (!place.isEmpty() && !places.contains(place))
                places << place;
        }
    }
    const int shownPlaces = 5;
    QString hint = reason;
    if (!places.isEmpty()) {
        hint += QStringLiteral("\n\n") + tr("Looked in:") + QStringLiteral("\n")
            + QStringList(places.mid(0, shownPlaces)).join(QLatin1Char('\n'));
        if (places.size() > shownPlaces)
            hint += QLatin1Char('\n') + tr("and %1 more places").arg(places.size() - shownPlaces);
    }
    hint += QStringLiteral("\n\n")
        + tr("Help > Why Is My Dreamweaver Missing? explains what was found in each place, as moravel-cli doctor "
             "does.");
#ifndef Q_OS_WIN
    hint += QLatin1Char('\n') + tr("A Dreamweaver that runs under Wine is found once its prefix is chosen in Wine > "
                                    "Choose Wine Prefix...");
#endif
    m_installedHint->setText(hint);
    statusBar()->showMessage(reason + QLatin1Char(' ') + tr("See Help > Why Is My Dreamweaver Missing?"));
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
            version->setToolTip(storeStateText(state, installed));
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
    showUpdates();
    showDetails();
}

void MainWindow::showUpdates()
{
    const DreamweaverInfo* dreamweaver = currentDreamweaver();
    const QVector<CatalogueEntry> updates
        = dreamweaver ? ExtensionCommands::updatesOf(*dreamweaver, m_storeRows) : QVector<CatalogueEntry>();
    QTableWidget* table = ui->tableInstalled;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem* version = table->item(row, 1)) {
            version->setIcon(QIcon());
            version->setToolTip(version->text());
        }
    }
    for (const CatalogueEntry& entry : updates) {
        const ExtensionInfo* installed = nullptr;
        StoreState::of(*dreamweaver, entry, &installed);
        const int row = installed ? rowWith(table, installed->fileName()) : -1;
        if (QTableWidgetItem* version = row < 0 ? nullptr : table->item(row, 1)) {
            version->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
            version->setToolTip(tr("%1: version %2 is in the Store (Update All, or Update on the Store tab).")
                                    .arg(version->text(), entry.version));
        }
    }
    ui->tabWidget->setTabText(ui->tabWidget->indexOf(ui->tabInstalled),
        updates.isEmpty()      ? tr("&Installed")
            : updates.size() == 1 ? tr("&Installed (1 update)")
                                  : tr("&Installed (%1 updates)").arg(updates.size()));
    ui->updateAllButton->setVisible(!updates.isEmpty());
    ui->actionUpdateAll->setEnabled(!updates.isEmpty());
}

void MainWindow::showCatalogueState()
{
    Application* application = Application::instance();
    if (!application)
        return;
    QString state;
    const bool loading = application->catalogueLoading();
    const QString address = StoreClient::catalogueUrl();
    if (loading) {
        state = tr("Loading the catalogue from %1...").arg(address);
    } else if (!application->catalogueError().isEmpty()) {
        // Said anew on each failure, with its time, so that a Retry that fails again shows it was tried.
        state = tr("The catalogue could not be loaded from %1: %2 (tried at %3).")
                    .arg(address, application->catalogueError(), m_catalogueTried);
        if (!application->downloads().isEmpty() && !m_catalogueTime.isEmpty())
            state += QLatin1Char(' ') + tr("The list below is the one loaded at %1.").arg(m_catalogueTime);
    } else if (application->downloads().isEmpty()) {
        state = tr("The catalogue lists no extensions.");
    }
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

std::optional<ExtensionInfo> MainWindow::selectedExtension()
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    const QString manifest = selectedManifest();
    if (!dreamweaver || manifest.isEmpty())
        return std::nullopt;
    if (m_disabled.contains(manifest)) {
        const QList<ExtensionInfo> disabled = ExtensionCommands::disabledExtensions(*dreamweaver);
        for (const ExtensionInfo& extension : disabled) {
            if (extension.fileName() == manifest)
                return extension;
        }
        return std::nullopt;
    }
    const ExtensionInfo* installed = ExtensionCommands::findInstalled(*dreamweaver, manifest);
    return installed ? std::optional<ExtensionInfo>(*installed) : std::nullopt;
}

void MainWindow::showDetails()
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    const std::optional<ExtensionInfo> selected = selectedExtension();
    ui->actionAdopt->setEnabled(selected && selected->isInstalledByOtherProgram());
    // Another program's extension has no install record to put it back by.
    const bool disabled = selected && m_disabled.contains(selected->fileName());
    ui->actionToggleEnabled->setEnabled(selected && !selected->isInstalledByOtherProgram());
    ui->actionToggleEnabled->setText(disabled ? tr("&Enable Extension") : tr("&Disable Extension"));
    ui->toggleEnabledButton->setText(disabled ? tr("Enable") : tr("Disable"));
    ui->toggleEnabledButton->setVisible(
        ui->actionToggleEnabled->isEnabled() && ui->tabWidget->currentWidget() == ui->tabInstalled);
    m_health->setVisible(selected && ui->tabWidget->currentWidget() == ui->tabInstalled);
    if (selected)
        m_health->showExtension(selected->name(), m_verified, m_missing.value(selected->fileName()));
    ui->actionRemove->setEnabled(selected && ui->tabWidget->currentWidget() == ui->tabInstalled);
    if (dreamweaver && ui->tabWidget->currentWidget() == ui->tabInstalled) {
        if (selected) {
            ui->detailsView->showInstalled(*selected, *dreamweaver);
            return;
        }
    } else if (application && ui->tabWidget->currentWidget() == ui->tabStore) {
        const int index = selectedEntry();
        if (index >= 0 && index < application->downloads().size()) {
            const Application::Download& entry = application->downloads().at(index);
            const ExtensionInfo* installed = nullptr;
            const StoreState::Kind state
                = dreamweaver ? StoreState::of(*dreamweaver, entry, &installed) : StoreState::NotInstalled;
            ui->detailsView->showEntry(entry, storeStateText(state, installed), installed);
            return;
        }
    }
    ui->detailsView->clear();
}

void MainWindow::applyFilter()
{
    const QString filter = ui->filterEdit->text().trimmed();
    for (QTableWidget* table : { ui->tableInstalled, ui->tableStore }) {
        table->findChild<EmptyTableHint*>()->setFilter(filter);
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
        // A hidden row is not what the details pane and Delete act on.
        if (table->selectionModel()->hasSelection() && table->isRowHidden(table->currentRow())) {
            table->clearSelection();
            table->setCurrentIndex(QModelIndex());
        }
    }
}

void MainWindow::showRowMenu(QTableWidget* table, const QPoint& position)
{
    const int row = table->rowAt(position.y());
    if (row < 0)
        return;
    table->selectRow(row);
    const QString name = table->item(row, 0)->text();
    QMenu menu(this);
    if (table == ui->tableInstalled) {
        menu.addAction(ui->actionRemove);
        if (ui->actionToggleEnabled->isEnabled())
            menu.addAction(ui->actionToggleEnabled);
        // The check runs over every extension, and marks this row when it is not whole.
        menu.addAction(tr("&Verify"), this, &MainWindow::verifyExtensions);
        DreamweaverInfo* dreamweaver = currentDreamweaver();
        const ExtensionInfo* extension
            = dreamweaver ? ExtensionCommands::findInstalled(*dreamweaver, selectedManifest()) : nullptr;
        menu.addAction(tr("Show &Files"), this, [this] {
            ui->detailsView->scrollToAnchor(QStringLiteral("files"));
            ui->detailsView->setFocus(Qt::OtherFocusReason);
        });
        QAction* open = menu.addAction(tr("&Open Folder"));
        const QString folder = extension ? ui->detailsView->firstFolder() : QString();
        open->setEnabled(!folder.isEmpty());
        connect(open, &QAction::triggered, this, [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    } else {
        const int entry = table->item(row, 0)->data(Qt::UserRole).toInt();
        const QModelIndex button = table->model()->index(row, table->columnCount() - 1);
        QAction* install = menu.addAction(button.data(RowButtonDelegate::TextRole).toString(), this,
            [this, entry] { pressStoreButton(rowWith(ui->tableStore, entry)); });
        install->setEnabled(RowButtonDelegate::isEnabled(button));
    }
    menu.addAction(tr("&Copy Name"), this, [name] { QGuiApplication::clipboard()->setText(name); });
    menu.exec(table->viewport()->mapToGlobal(position));
}

void MainWindow::slotSelectDreamweaver(int)
{
    // Which languages of Dreamweaver get the files is part of what the user chose.
    if (const DreamweaverInfo* dreamweaver = currentDreamweaver()) {
        const QString into = tr("Packages will go into %1.").arg(withLocales(*dreamweaver));
        ui->comboDreamweavers->setToolTip(into);
        statusBar()->showMessage(into);
    } else {
        ui->comboDreamweavers->setToolTip(QString());
    }
    // What a check found belongs to the installation it checked.
    m_missing.clear();
    m_verified = false;
    updateInstalledTable();
    showInstallability();
}

bool MainWindow::confirm(const QString& question, const QString& refusal)
{
    return ask({ question, refusal, tr("Yes"), tr("No") });
}

bool MainWindow::ask(const Question& question)
{
    // Nobody is left to answer once the window has closed.
    if (m_closing)
        return false;
    QString text = question.text;
    if (const DreamweaverInfo* dreamweaver = currentDreamweaver())
        text += QStringLiteral("\n\n") + tr("Installation: %1").arg(dreamweaver->name());
    QMessageBox box(question.caution ? QMessageBox::Warning : QMessageBox::Question,
        QGuiApplication::applicationDisplayName(), text, QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    // Verbs say what each answer does, so that nobody has to read the question twice to pick one.
    box.button(QMessageBox::Yes)->setText(question.yes);
    box.button(QMessageBox::No)->setText(question.no);
    // A risky question must not be agreed to by a reflexive Enter.
    box.setDefaultButton(question.caution ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        return true;
    // A No is an answer, not silence: the status line says what was left undone.
    if (!question.refusal.isEmpty())
        notice(question.refusal + QLatin1Char('.'));
    return false;
}

bool MainWindow::acceptLicense(const QString& title, const QString& license, const QString&)
{
    if (m_closing)
        return false;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("licenseDialog"));
    dialog.setWindowTitle(tr("Licence Agreement"));
    dialog.resize(560, 420);
    auto* layout = new QVBoxLayout(&dialog);
    // Plain text: the licence comes from the package, whose markup is not ours to render.
    auto* label = new QLabel(tr("%1 comes with this licence agreement. Do you accept it?").arg(title), &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* text = new QPlainTextEdit(license, &dialog);
    text->setReadOnly(true);
    text->setAccessibleName(tr("Licence agreement"));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(tr("Accept"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Decline"), QDialogButtonBox::RejectRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted;
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

bool MainWindow::offerRetry(const QString& text)
{
    statusBar()->showMessage(text);
    m_report += text + QStringLiteral("\n\n");
    if (m_closing)
        return false;
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text, QMessageBox::Cancel, this);
    box.setTextFormat(Qt::PlainText);
    QPushButton* again = box.addButton(tr("&Try Again"), QMessageBox::AcceptRole);
    box.setDefaultButton(again);
    box.exec();
    return box.clickedButton() == again;
}

void MainWindow::inform(const QString& text, const QString& details)
{
    // A replace's install says what it was to the user: an update, or the same version again.
    const QString shown = !m_replacing.isEmpty() && text.startsWith(QLatin1String("Installed ")) ? m_replacing : text;
    // A note without a report (where to find what was installed) follows the report's line.
    if (details.isEmpty() && m_commands && !statusBar()->currentMessage().isEmpty())
        statusBar()->showMessage(statusBar()->currentMessage() + QLatin1Char(' ') + shown);
    else
        statusBar()->showMessage(m_commands ? shown + QLatin1Char(' ') + counted(m_commands->lastReport()) : shown);
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
    const ProgressKind kind = progressKind(title);
    const QString subject = kind == ProgressKind::Removing && !m_replaced.isEmpty() ? m_replaced : m_subject;
    const DreamweaverInfo* dreamweaver = currentDreamweaver();
    const QString installation = dreamweaver ? dreamweaver->name() : QString();
    QString heading = title;
    if (!subject.isEmpty()) {
        switch (kind) {
        case ProgressKind::Downloading:
            heading = tr("Downloading %1 for %2").arg(subject, installation);
            break;
        case ProgressKind::Installing:
            heading = tr("Installing %1 into %2").arg(subject, installation);
            break;
        case ProgressKind::Removing:
            heading = tr("Removing %1 from %2").arg(subject, installation);
            break;
        case ProgressKind::Waiting:
            heading = tr("%1 is waiting for %2").arg(subject, installation);
            break;
        case ProgressKind::Other:
            break;
        }
    }
    progress->setHeading(heading);
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
    // What the last check found may no longer hold; the marks go until the next.
    m_missing.clear();
    m_verified = false;
    m_replacing.clear();
    if (m_refreshPending) {
        m_refreshPending = false;
        updateInstalledTable();
    }
    if (!m_report.trimmed().isEmpty()) {
        m_lastReport = m_report;
        ui->reportButton->setEnabled(true);
        ui->actionShowReport->setEnabled(true);
    }
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip && static_cast<QStatusTipEvent*>(event)->tip().isEmpty())
        return true;
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_closing = true;
    m_memory->save();
    const QList<Progress*> running = findChildren<Progress*>();
    for (Progress* progress : running)
        progress->reject();
    QMainWindow::closeEvent(event);
}

bool MainWindow::installPackageFile(QString path)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver || m_commands)
        return false;
    const ExtensionInfo package(path);
    const ExtensionInfo* replaced = package.name().isEmpty()
        ? nullptr
        : ExtensionCommands::findReplaced(*dreamweaver, package.id(), package.fileName());
    ExtensionCommands::Result result = ExtensionCommands::Result::Failed;
    m_replacing = replacingText(package.name(), package.version(), replaced, dreamweaver->name());
    runCommand(package.name().isEmpty() ? QFileInfo(path).fileName()
                                        : ExtensionCommands::titleOf(package.name(), package.version()),
        replaced ? ExtensionCommands::titleOf(replaced->name(), replaced->version()) : QString(),
        [&](ExtensionCommands& commands, DreamweaverInfo& target) {
            result = commands.installPackageFile(target, path);
        });
    if (result == ExtensionCommands::Result::Incomplete) {
        // What it left out shows on its row at once, not only in the report; the status keeps the install's word.
        const QString said = statusBar()->currentMessage();
        verifyExtensions();
        statusBar()->showMessage(said);
    }
    return result == ExtensionCommands::Result::Done || result == ExtensionCommands::Result::Incomplete;
}

void MainWindow::slotInstallExtension()
{
    if (!currentDreamweaver())
        return;
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Select Extension to Install"), m_memory->lastFolder(), tr("Extension Files (*.zxp *.mxp)"));
    if (path.isEmpty())
        return;
    m_memory->setLastFolder(QFileInfo(path).path());
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
    if (!dreamweaver || m_commands)
        return;
    // The list as it is now: the table may show what another program has removed since.
    dreamweaver->loadInstalledExtensions();
    const ExtensionInfo* extension = ExtensionCommands::findInstalled(*dreamweaver, mxiName);
    if (!extension) {
        const int row = rowWith(ui->tableInstalled, mxiName);
        const QString name = row >= 0 ? ui->tableInstalled->item(row, 0)->text() : mxiName;
        const QString text
            = tr("%1 is no longer installed in %2; the list has been refreshed.").arg(name, dreamweaver->name());
        updateInstalledTable();
        statusBar()->showMessage(text);
        QMessageBox box(
            QMessageBox::Information, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    const int row = rowWith(ui->tableInstalled, mxiName);
    runCommand(extension ? ExtensionCommands::titleOf(extension->name(), extension->version()) : QString(), QString(),
        [mxiName](ExtensionCommands& commands, DreamweaverInfo& target) { commands.removeExtension(target, mxiName); });
    if (row >= 0 && rowWith(ui->tableInstalled, mxiName) < 0)
        selectNeighbour(ui->tableInstalled, row);
}

void MainWindow::slotDownloadExtension(Application::Download download)
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    if (!dreamweaver || !application || m_commands)
        return;
    const ExtensionInfo* replaced
        = download.id.isEmpty() ? nullptr : ExtensionCommands::findReplaced(*dreamweaver, download.id, QString());
    m_replacing = replacingText(download.name, download.version, replaced, dreamweaver->name());
    runCommand(ExtensionCommands::titleOf(download.name, download.version),
        replaced ? ExtensionCommands::titleOf(replaced->name(), replaced->version()) : QString(),
        [download, application](ExtensionCommands& commands, DreamweaverInfo& target) {
            commands.installCatalogueEntry(target, download, application->store());
        });
}

void MainWindow::slotUpdateAll()
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    Application* application = Application::instance();
    if (!dreamweaver || !application || m_commands)
        return;
    const QVector<CatalogueEntry> updates = ExtensionCommands::updatesOf(*dreamweaver, m_storeRows);
    if (updates.isEmpty())
        return;
    runCommand(QString(), QString(), [this, &updates, application](ExtensionCommands& commands, DreamweaverInfo& target) {
        commands.updateAll(target, updates, application->store(), [this, &target](const CatalogueEntry& entry) {
            // Each update's progress and status name it, as its own Update button's would.
            const ExtensionInfo* replaced
                = entry.id.isEmpty() ? nullptr : ExtensionCommands::findReplaced(target, entry.id, QString());
            m_subject = ExtensionCommands::titleOf(entry.name, entry.version);
            m_replaced = replaced ? ExtensionCommands::titleOf(replaced->name(), replaced->version()) : QString();
            m_replacing = replacingText(entry.name, entry.version, replaced, target.name());
        });
    });
    updateInstalledTable();
    const int updated = int(updates.size() - ExtensionCommands::updatesOf(*dreamweaver, m_storeRows).size());
    // Counted from what is installed now: an update answered No or that failed is not one.
    if (updated == updates.size())
        statusBar()->showMessage(updated == 1 ? tr("Update All: 1 extension updated in %1.").arg(dreamweaver->name())
                                              : tr("Update All: %1 extensions updated in %2.")
                                                    .arg(QString::number(updated), dreamweaver->name()));
    else
        statusBar()->showMessage(tr("Update All: %1 of %2 extensions updated in %3; Report... says why not the others.")
                                     .arg(QString::number(updated), QString::number(updates.size()), dreamweaver->name()));
}

void MainWindow::verifyExtensions()
{
    DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver || m_commands)
        return;
    const QList<ExtensionCommands::Health> healths = ExtensionCommands::verify(*dreamweaver);
    m_missing.clear();
    QStringList damaged;
    for (const ExtensionCommands::Health& health : healths) {
        if (health.whole)
            continue;
        QStringList& missing = m_missing[health.extension.fileName()];
        for (const ExtensionCheck::Item& item : health.items) {
            // A menu or category that is gone left the install nowhere to put its entry: not damage.
            if (!item.present && !item.targetMissing)
                missing << missingText(item);
        }
        damaged << health.extension.name();
    }
    m_verified = true;
    updateInstalledTable();
    const QString name = dreamweaver->name();
    const QString checked = healths.size() == 1
        ? tr("Verified 1 extension in %1:").arg(name)
        : tr("Verified %1 extensions in %2:").arg(QString::number(healths.size()), name);
    QString found;
    if (damaged.isEmpty())
        found = healths.size() == 1 ? tr("it is whole.") : tr("all are whole.");
    else if (damaged.size() == 1)
        found = tr("%1 is not whole.").arg(damaged.first());
    else
        found = tr("%1 are not whole: %2.").arg(QString::number(damaged.size()), damaged.join(QStringLiteral(", ")));
    statusBar()->showMessage(checked + QLatin1Char(' ') + found);
}

void MainWindow::repairExtension(const QString& mxiName)
{
    const DreamweaverInfo* dreamweaver = currentDreamweaver();
    if (!dreamweaver)
        return;
    // Without a kept package there is nothing to install again from: removal
    // is the one way left to a configuration without its broken remains.
    if (!ExtensionCommands::hasKeptPackage(*dreamweaver, mxiName)) {
        slotRemoveExtension(mxiName);
        return;
    }
    const std::optional<ExtensionInfo> extension = selectedExtension();
    runCommand(extension ? ExtensionCommands::titleOf(extension->name(), extension->version()) : QString(), QString(),
        [mxiName](ExtensionCommands& commands, DreamweaverInfo& target) {
            commands.reinstallExtension(target, mxiName);
        });
}

void MainWindow::showReport()
{
    showText(QStringLiteral("reportDialog"), tr("Last Report"), m_lastReport.trimmed(),
        tr("Report of the last install or removal"), false);
}

void MainWindow::showLog()
{
    QStringList texts;
    for (const OperationLog::Entry& entry : OperationLog::read())
        texts << OperationLog::toText(entry);
    showText(QStringLiteral("logDialog"), tr("Log"),
        texts.isEmpty() ? tr("The log is empty: nothing was installed, removed or updated yet.")
                        : texts.join(QLatin1Char('\n')),
        tr("Log of every install, removal and update"), true);
}

void MainWindow::showText(
    const QString& objectName, const QString& title, const QString& text, const QString& accessibleName, bool atEnd)
{
    QDialog dialog(this);
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    dialog.resize(640, 400);
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QPlainTextEdit(text, &dialog);
    edit->setReadOnly(true);
    edit->setAccessibleName(accessibleName);
    if (atEnd)
        edit->moveCursor(QTextCursor::End);
    layout->addWidget(edit);
    const QString report = text;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copyReportButton"));
    connect(copy, &QPushButton::clicked, &dialog, [report] { QGuiApplication::clipboard()->setText(report); });
    QPushButton* save = buttons->addButton(tr("&Save..."), QDialogButtonBox::ActionRole);
    connect(save, &QPushButton::clicked, &dialog, [this, &dialog, report, title] {
        const QString path = QFileDialog::getSaveFileName(
            &dialog, tr("Save %1").arg(title), m_memory->lastFolder(), tr("Text Files (*.txt)"));
        if (path.isEmpty())
            return;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(report.toUtf8() + '\n') < 0 || !file.commit())
            warn(tr("The report could not be saved as %1: %2.").arg(QDir::toNativeSeparators(path), file.errorString()),
                QString());
    });
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

void MainWindow::slotToggleEnabled()
{
    const std::optional<ExtensionInfo> extension = selectedExtension();
    if (!extension)
        return;
    const QString mxiName = extension->fileName();
    const bool disabled = m_disabled.contains(mxiName);
    runCommand(ExtensionCommands::titleOf(extension->name(), extension->version()), QString(),
        [mxiName, disabled](ExtensionCommands& commands, DreamweaverInfo& target) {
            if (disabled)
                commands.enableExtension(target, mxiName);
            else
                commands.disableExtension(target, mxiName);
        });
}

void MainWindow::slotCopyExtensions()
{
    Application* application = Application::instance();
    const DreamweaverInfo* current = currentDreamweaver();
    if (!application || !current)
        return;
    QStringList names;
    QList<int> indexes;
    for (int i = 0; i < application->dreamweavers().size(); ++i) {
        if (&application->dreamweavers()[i] != current) {
            names << application->dreamweavers().at(i).name();
            indexes << i;
        }
    }
    if (names.isEmpty()) {
        warn(tr("There is no other Dreamweaver installation to copy the extensions of %1 to.").arg(current->name()),
            QString());
        return;
    }
    bool chosen = false;
    const QString name = QInputDialog::getItem(this, tr("Copy Extensions To"),
        tr("Install the extensions of %1 into:").arg(current->name()), names, 0, false, &chosen);
    const int index = names.indexOf(name);
    if (!chosen || index < 0)
        return;
    DreamweaverInfo* to = &application->dreamweavers()[indexes.at(index)];
    runCommand(QString(), QString(), [to](ExtensionCommands& commands, DreamweaverInfo& from) {
        commands.copyExtensions(from, *to, {});
    });
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
    const QString home = QStringLiteral(MORAVEL_HOMEPAGE_URL);
    const auto paragraph = [](const QString& text) { return QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>"); };
    // Rich text for the link alone; every piece of it is the program's own, escaped all the same.
    QMessageBox box(QMessageBox::NoIcon, tr("About Velkor Moravel"),
        paragraph(tr("Velkor Moravel %1").arg(QString::fromLatin1(Application::versionText)))
            + paragraph(tr("Installs, lists and removes Dreamweaver extensions."))
            + paragraph(tr("Qt %1 (built with %2)")
                    .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR)))
            + paragraph(QStringLiteral(MORAVEL_LICENCE_TEXT))
            + QStringLiteral("<p><a href=\"%1\">%2</a></p>").arg(home.toHtmlEscaped(), home.toHtmlEscaped()),
        QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setTextFormat(Qt::RichText);
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
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
        openPackageFiles(application->packageFiles());
}

void MainWindow::openPackageFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    // A later start or a drop can arrive while a question of this one is open.
    if (m_opening || m_commands) {
        m_waitingFiles << paths;
        return;
    }
    if (!currentDreamweaver()) {
        installPackageFiles(paths); // says why nothing can be installed
        return;
    }
    m_opening = true;
    QStringList names;
    for (const DreamweaverInfo& dreamweaver : std::as_const(Application::instance()->dreamweavers()))
        names << dreamweaver.name();
    OpenFilesDialog dialog(paths, names, ui->comboDreamweavers->currentIndex(), this);
    if (dialog.exec() == QDialog::Accepted && !m_closing && dialog.installation() < ui->comboDreamweavers->count()) {
        ui->comboDreamweavers->setCurrentIndex(dialog.installation());
        if (const DreamweaverInfo* dreamweaver = currentDreamweaver())
            Application::setSetting(chosenInstallationKey, dreamweaver->name());
        installPackageFiles(paths);
    }
    m_opening = false;
    if (!m_waitingFiles.isEmpty() && !m_closing) {
        QTimer::singleShot(0, this, [this] {
            const QStringList waiting = m_waitingFiles;
            m_waitingFiles.clear();
            openPackageFiles(waiting);
        });
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (carriesLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
        setDropTarget(true);
    }
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTarget(false);
    QMainWindow::dragLeaveEvent(event);
}

void MainWindow::setDropTarget(bool target)
{
    if (property("dropTarget").toBool() == target)
        return;
    setProperty("dropTarget", target);
    // The style sheet's rule for the outline looks at the property only when the tables are polished again.
    style()->unpolish(ui->tabWidget);
    style()->polish(ui->tabWidget);
    ui->tabWidget->update();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    setDropTarget(false);
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
        openPackageFiles(packages);
    });
}
