#include "ui/MainWindowForm.h"

#include "ui/DetailsView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QVBoxLayout>

namespace {

// The Dreamweaver selector. A plain list view lets the style sheet's
// item-view rules reach the drop-down rows; setting it builds the whole
// drop-down (its frame, scrollers and view), which waits for the first time
// the list is dropped down instead of being built with every window.
class InstallationSelector : public QComboBox
{
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        if (!m_viewSet) {
            m_viewSet = true;
            // The selector takes ownership.
            setView(new QListView());
        }
        QComboBox::showPopup();
    }

private:
    bool m_viewSet = false;
};

QTableWidget* createTable(QWidget* tab, const char* objectName, int columns)
{
    auto* table = new QTableWidget(tab);
    table->setObjectName(QString::fromLatin1(objectName));
    table->setColumnCount(columns);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab moves on to the next control; the arrows move between rows.
    table->setTabKeyNavigation(false);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setHighlightSections(false);
    return table;
}

QGridLayout* createTabLayout(QWidget* tab, const char* objectName)
{
    auto* layout = new QGridLayout(tab);
    layout->setSpacing(6);
    layout->setContentsMargins(11, 11, 11, 11);
    layout->setObjectName(QString::fromLatin1(objectName));
    return layout;
}

QAction* createAction(QMenu* menu, const char* objectName, const QKeySequence& shortcut)
{
    auto* action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

void MainWindowForm::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(760, 560);
    // Small enough for an 800x600 screen, large enough that no column or button is cut.
    window->setMinimumSize(600, 440);

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    verticalLayout_2 = new QVBoxLayout(centralWidget);
    verticalLayout_2->setSpacing(6);
    verticalLayout_2->setContentsMargins(11, 11, 11, 11);
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout = new QVBoxLayout();
    verticalLayout->setSpacing(6);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setSpacing(6);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));

    filterEdit = new QLineEdit(centralWidget);
    filterEdit->setObjectName(QStringLiteral("filterEdit"));
    filterEdit->setClearButtonEnabled(true);
    filterEdit->setMinimumWidth(160);
    horizontalLayout->addWidget(filterEdit);

    horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout->addItem(horizontalSpacer);

    comboDreamweavers = new InstallationSelector(centralWidget);
    comboDreamweavers->setObjectName(QStringLiteral("comboDreamweavers"));
    comboDreamweavers->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    comboDreamweavers->setMinimumContentsLength(16);
    horizontalLayout->addWidget(comboDreamweavers);

    // Shown only while no installation was found.
    whyMissingButton = new QPushButton(centralWidget);
    whyMissingButton->setObjectName(QStringLiteral("whyMissingButton"));
    whyMissingButton->setVisible(false);
    horizontalLayout->addWidget(whyMissingButton);

    horizontalSpacer_2 = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout->addItem(horizontalSpacer_2);

    installButton = new QPushButton(centralWidget);
    installButton->setObjectName(QStringLiteral("installButton"));
    horizontalLayout->addWidget(installButton);

    verticalLayout->addLayout(horizontalLayout);

    splitter = new QSplitter(Qt::Vertical, centralWidget);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->setChildrenCollapsible(false);

    tabWidget = new QTabWidget(splitter);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));

    tabInstalled = new QWidget();
    tabInstalled->setObjectName(QStringLiteral("tabInstalled"));
    gridLayout = createTabLayout(tabInstalled, "gridLayout");
    tableInstalled = createTable(tabInstalled, "tableInstalled", 4);
    gridLayout->addWidget(tableInstalled, 0, 0, 1, 1);
    tabWidget->addTab(tabInstalled, QString());

    tabStore = new QWidget();
    tabStore->setObjectName(QStringLiteral("tabStore"));
    gridLayout1 = createTabLayout(tabStore, "gridLayout1");
    storeStateLayout = new QHBoxLayout();
    storeStateLayout->setObjectName(QStringLiteral("storeStateLayout"));
    labelStoreState = new QLabel(tabStore);
    labelStoreState->setObjectName(QStringLiteral("labelStoreState"));
    labelStoreState->setWordWrap(true);
    labelStoreState->setTextFormat(Qt::PlainText);
    labelStoreState->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    storeStateLayout->addWidget(labelStoreState);
    retryButton = new QPushButton(tabStore);
    retryButton->setObjectName(QStringLiteral("retryButton"));
    storeStateLayout->addWidget(retryButton);
    gridLayout1->addLayout(storeStateLayout, 0, 0, 1, 1);
    tableStore = createTable(tabStore, "tableStore", 3);
    gridLayout1->addWidget(tableStore, 1, 0, 1, 1);
    tabWidget->addTab(tabStore, QString());

    detailsPane = new QWidget(splitter);
    detailsPane->setObjectName(QStringLiteral("detailsPane"));
    auto* detailsLayout = new QVBoxLayout(detailsPane);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsView = new DetailsView(detailsPane);
    detailsView->setObjectName(QStringLiteral("detailsView"));
    detailsLayout->addWidget(detailsView);
    toggleEnabledButton = new QPushButton(detailsPane);
    toggleEnabledButton->setObjectName(QStringLiteral("toggleEnabledButton"));
    toggleEnabledButton->setVisible(false);
    detailsLayout->addWidget(toggleEnabledButton, 0, Qt::AlignRight);
    splitter->addWidget(tabWidget);
    splitter->addWidget(detailsPane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ 300, 180 });

    verticalLayout->addWidget(splitter);
    verticalLayout_2->addLayout(verticalLayout);

    window->setCentralWidget(centralWidget);
    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    reportButton = new QPushButton(statusBar);
    reportButton->setObjectName(QStringLiteral("reportButton"));
    reportButton->setEnabled(false);
    statusBar->addPermanentWidget(reportButton);
    window->setStatusBar(statusBar);

    menuExtensions = window->menuBar()->addMenu(QString());
    menuExtensions->setObjectName(QStringLiteral("menuExtensions"));
    actionInstall = createAction(menuExtensions, "actionInstall", QKeySequence::Open);
    actionShowReport = createAction(menuExtensions, "actionShowReport", QKeySequence(QStringLiteral("Ctrl+R")));
    actionAdopt = createAction(menuExtensions, "actionAdopt", QKeySequence());
    actionAdopt->setEnabled(false);
    actionToggleEnabled = createAction(menuExtensions, "actionToggleEnabled", QKeySequence());
    actionToggleEnabled->setEnabled(false);
    actionCopyTo = createAction(menuExtensions, "actionCopyTo", QKeySequence());
    actionReloadCatalogue = createAction(menuExtensions, "actionReloadCatalogue", QKeySequence::Refresh);
    menuExtensions->addSeparator();
    actionQuit = createAction(menuExtensions, "actionQuit", QKeySequence::Quit);
    menuHelp = window->menuBar()->addMenu(QString());
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    actionWhyMissing = createAction(menuHelp, "actionWhyMissing", QKeySequence());
    actionShowLog = createAction(menuHelp, "actionShowLog", QKeySequence());
    actionAbout = createAction(menuHelp, "actionAbout", QKeySequence());

    retranslateUi(window);

    tabWidget->setCurrentIndex(1);

    QMetaObject::connectSlotsByName(window);
}

void MainWindowForm::retranslateUi(QMainWindow* window)
{
    const auto text = [](const char* source) { return QCoreApplication::translate("MainWindow", source); };
    window->setWindowTitle(text("Velkor Moravel"));
    filterEdit->setPlaceholderText(text("Filter extensions"));
    filterEdit->setAccessibleName(text("Filter extensions"));
    comboDreamweavers->setPlaceholderText(text("No Dreamweaver found"));
    comboDreamweavers->setAccessibleName(text("Dreamweaver installation"));
    installButton->setText(text("Install"));
    installButton->setAccessibleName(text("Install a package file"));
    whyMissingButton->setText(text("Why is my Dreamweaver missing?"));
    tabWidget->setTabText(tabWidget->indexOf(tabInstalled), text("Installed"));
    tabWidget->setTabText(tabWidget->indexOf(tabStore), text("Store"));
    tableInstalled->setAccessibleName(text("Installed extensions"));
    tableStore->setAccessibleName(text("Store extensions"));
    retryButton->setText(text("Retry"));
    retryButton->setAccessibleName(text("Load the catalogue again"));
    detailsView->setAccessibleName(text("Extension details"));
    reportButton->setText(text("Report..."));
    reportButton->setAccessibleName(text("Report of the last install or removal"));
    menuExtensions->setTitle(text("&Extensions"));
    actionInstall->setText(text("&Install Package File..."));
    actionShowReport->setText(text("Last &Report..."));
    actionAdopt->setText(text("&Adopt Extension of Another Program"));
    actionToggleEnabled->setText(text("&Disable Extension"));
    actionCopyTo->setText(text("&Copy Extensions To..."));
    toggleEnabledButton->setText(text("Disable"));
    actionReloadCatalogue->setText(text("Re&fresh Installed and Store"));
    actionQuit->setText(text("&Quit"));
    menuHelp->setTitle(text("&Help"));
    actionWhyMissing->setText(text("&Why Is My Dreamweaver Missing?"));
    actionShowLog->setText(text("Show &Log"));
    actionAbout->setText(text("&About Velkor Moravel"));
}
