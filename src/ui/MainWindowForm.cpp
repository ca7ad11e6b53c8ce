#include "ui/MainWindowForm.h"

#include "ui/DetailsView.h"
#include "ui/StatusBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
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
    centralLayout = new QVBoxLayout(centralWidget);
    centralLayout->setObjectName(QStringLiteral("centralLayout"));
    topRowLayout = new QHBoxLayout();
    topRowLayout->setObjectName(QStringLiteral("topRowLayout"));

    filterEdit = new QLineEdit(centralWidget);
    filterEdit->setObjectName(QStringLiteral("filterEdit"));
    filterEdit->setClearButtonEnabled(true);
    filterEdit->setMinimumWidth(160);
    topRowLayout->addWidget(filterEdit);

    filterSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    topRowLayout->addItem(filterSpacer);

    labelDreamweaver = new QLabel(centralWidget);
    labelDreamweaver->setObjectName(QStringLiteral("labelDreamweaver"));
    topRowLayout->addWidget(labelDreamweaver);

    comboDreamweavers = new InstallationSelector(centralWidget);
    comboDreamweavers->setObjectName(QStringLiteral("comboDreamweavers"));
    comboDreamweavers->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    comboDreamweavers->setMinimumContentsLength(16);
    labelDreamweaver->setBuddy(comboDreamweavers);
    topRowLayout->addWidget(comboDreamweavers);

    // Shown only while no installation was found.
    whyMissingButton = new QPushButton(centralWidget);
    whyMissingButton->setObjectName(QStringLiteral("whyMissingButton"));
    whyMissingButton->setVisible(false);
    topRowLayout->addWidget(whyMissingButton);

    selectorSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    topRowLayout->addItem(selectorSpacer);

    installButton = new QPushButton(centralWidget);
    installButton->setObjectName(QStringLiteral("installButton"));
    topRowLayout->addWidget(installButton);

    centralLayout->addLayout(topRowLayout);

    splitter = new QSplitter(Qt::Vertical, centralWidget);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->setChildrenCollapsible(false);

    tabWidget = new QTabWidget(splitter);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));

    tabInstalled = new QWidget();
    tabInstalled->setObjectName(QStringLiteral("tabInstalled"));
    installedLayout = createTabLayout(tabInstalled, "installedLayout");
    tableInstalled = createTable(tabInstalled, "tableInstalled", 4);
    installedLayout->addWidget(tableInstalled, 0, 0, 1, 1);
    tabWidget->addTab(tabInstalled, QString());

    tabStore = new QWidget();
    tabStore->setObjectName(QStringLiteral("tabStore"));
    storeLayout = createTabLayout(tabStore, "storeLayout");
    storeStateLayout = new QHBoxLayout();
    storeStateLayout->setObjectName(QStringLiteral("storeStateLayout"));
    labelStoreState = new QLabel(tabStore);
    labelStoreState->setObjectName(QStringLiteral("labelStoreState"));
    labelStoreState->setWordWrap(true);
    labelStoreState->setTextFormat(Qt::PlainText);
    // Its place is kept while hidden too: the buttons beside it stay at their own width, on the right.
    QSizePolicy stateSpace(QSizePolicy::Expanding, QSizePolicy::Preferred);
    stateSpace.setRetainSizeWhenHidden(true);
    labelStoreState->setSizePolicy(stateSpace);
    // Three lines are kept for it, enough for a failure with its address, reason and times at the
    // window's usual widths, so that the table below does not move when it comes and goes.
    labelStoreState->setMinimumHeight(labelStoreState->fontMetrics()
                                          .boundingRect(QRect(0, 0, 1000, 1000), Qt::TextWordWrap, QStringLiteral("A\nA\nA"))
                                          .height());
    storeStateLayout->addWidget(labelStoreState);
    retryButton = new QPushButton(tabStore);
    retryButton->setObjectName(QStringLiteral("retryButton"));
    // Its place is kept while hidden, so that the table does not move when it comes.
    QSizePolicy keepPlace = retryButton->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    retryButton->setSizePolicy(keepPlace);
    storeStateLayout->addWidget(retryButton);
    updateAllButton = new QPushButton(tabStore);
    updateAllButton->setObjectName(QStringLiteral("updateAllButton"));
    updateAllButton->setVisible(false);
    storeStateLayout->addWidget(updateAllButton);
    storeLayout->addLayout(storeStateLayout, 0, 0, 1, 1);
    tableStore = createTable(tabStore, "tableStore", 3);
    storeLayout->addWidget(tableStore, 1, 0, 1, 1);
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

    centralLayout->addWidget(splitter);

    window->setCentralWidget(centralWidget);
    statusBar = new StatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    reportButton = new QPushButton(statusBar);
    reportButton->setObjectName(QStringLiteral("reportButton"));
    reportButton->setEnabled(false);
    statusBar->addPermanentWidget(reportButton);
    window->setStatusBar(statusBar);

    menuExtensions = window->menuBar()->addMenu(QString());
    menuExtensions->setObjectName(QStringLiteral("menuExtensions"));
    actionInstall = createAction(menuExtensions, "actionInstall", QKeySequence::Open);
    // Delete is the Installed table's own key; here it is shown, and heard while the menu is open.
    actionRemove = createAction(menuExtensions, "actionRemove", QKeySequence::Delete);
    actionRemove->setShortcutContext(Qt::WidgetShortcut);
    actionRemove->setEnabled(false);
    actionShowReport = createAction(menuExtensions, "actionShowReport", QKeySequence(QStringLiteral("Ctrl+R")));
    // Until a command has reported something there is nothing to show.
    actionShowReport->setEnabled(false);
    actionAdopt = createAction(menuExtensions, "actionAdopt", QKeySequence());
    actionAdopt->setEnabled(false);
    actionToggleEnabled = createAction(menuExtensions, "actionToggleEnabled", QKeySequence());
    actionToggleEnabled->setEnabled(false);
    actionCopyTo = createAction(menuExtensions, "actionCopyTo", QKeySequence());
    actionUpdateAll = createAction(menuExtensions, "actionUpdateAll", QKeySequence());
    actionUpdateAll->setEnabled(false);
    actionReloadCatalogue = createAction(menuExtensions, "actionReloadCatalogue", QKeySequence::Refresh);
    menuExtensions->addSeparator();
    actionQuit = createAction(menuExtensions, "actionQuit", QKeySequence::Quit);
    menuView = window->menuBar()->addMenu(QString());
    menuView->setObjectName(QStringLiteral("menuView"));
    auto* schemes = new QActionGroup(menuView);
    for (QAction** action : { &actionSchemeSystem, &actionSchemeLight, &actionSchemeDark }) {
        *action = menuView->addAction(QString());
        (*action)->setCheckable(true);
        schemes->addAction(*action);
    }
    actionSchemeSystem->setObjectName(QStringLiteral("actionSchemeSystem"));
    actionSchemeLight->setObjectName(QStringLiteral("actionSchemeLight"));
    actionSchemeDark->setObjectName(QStringLiteral("actionSchemeDark"));
    menuHelp = window->menuBar()->addMenu(QString());
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    actionWhyMissing = createAction(menuHelp, "actionWhyMissing", QKeySequence());
    actionShowLog = createAction(menuHelp, "actionShowLog", QKeySequence());
    actionAbout = createAction(menuHelp, "actionAbout", QKeySequence());

    retranslateUi(window);

    // The extensions already there are what a user comes to see first.
    tabWidget->setCurrentIndex(0);

    QMetaObject::connectSlotsByName(window);
}

void MainWindowForm::retranslateUi(QMainWindow* window)
{
    const auto text = [](const char* source) { return QCoreApplication::translate("MainWindow", source); };
    window->setWindowTitle(text("Velkor Moravel"));
    filterEdit->setPlaceholderText(text("Filter extensions"));
    filterEdit->setAccessibleName(text("Filter extensions"));
    labelDreamweaver->setText(text("&Dreamweaver:"));
    comboDreamweavers->setPlaceholderText(text("No Dreamweaver found"));
    comboDreamweavers->setAccessibleName(text("Dreamweaver installation"));
    installButton->setText(text("Install from &File..."));
    installButton->setAccessibleName(text("Install a package file"));
    installButton->setToolTip(text("Install a .zxp or .mxp package file into the chosen Dreamweaver (Ctrl+O)"));
    whyMissingButton->setText(text("Why is my Dreamweaver missing?"));
    tabWidget->setTabText(tabWidget->indexOf(tabInstalled), text("&Installed"));
    tabWidget->setTabText(tabWidget->indexOf(tabStore), text("&Store"));
    tableInstalled->setAccessibleName(text("Installed extensions"));
    tableStore->setAccessibleName(text("Store extensions"));
    retryButton->setText(text("&Retry"));
    retryButton->setAccessibleName(text("Load the catalogue again"));
    updateAllButton->setText(text("&Update All"));
    updateAllButton->setToolTip(text("Install the Store's newer version of every installed extension that has one"));
    detailsView->setAccessibleName(text("Extension details"));
    reportButton->setText(text("Re&port..."));
    reportButton->setAccessibleName(text("Report of the last install or removal"));
    menuExtensions->setTitle(text("&Extensions"));
    actionInstall->setText(text("&Install from File..."));
    actionRemove->setText(text("Re&move"));
    actionShowReport->setText(text("Last &Report..."));
    actionAdopt->setText(text("&Adopt Extension of Another Program"));
    actionToggleEnabled->setText(text("&Disable Extension"));
    actionCopyTo->setText(text("&Copy Extensions To..."));
    toggleEnabledButton->setText(text("Disable"));
    actionUpdateAll->setText(text("&Update All"));
    actionReloadCatalogue->setText(text("Re&fresh Installed and Store"));
    actionQuit->setText(text("&Quit"));
    menuView->setTitle(text("&View"));
    actionSchemeSystem->setText(text("Colours of the &Desktop"));
    actionSchemeLight->setText(text("&Light Colours"));
    actionSchemeDark->setText(text("D&ark Colours"));
    menuHelp->setTitle(text("&Help"));
    actionWhyMissing->setText(text("&Why Is My Dreamweaver Missing?"));
    actionShowLog->setText(text("Show &Log"));
    actionAbout->setText(text("&About Velkor Moravel"));
}
