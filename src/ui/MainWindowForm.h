#pragma once

class DetailsView;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QGridLayout;
class QHBoxLayout;
class QMainWindow;
class QPushButton;
class QSpacerItem;
class StatusBar;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;
class QWidget;

// The widgets of the main window, built by hand in the order and with the
// object names a form designer would give them.
class MainWindowForm
{
public:
    QWidget* centralWidget = nullptr;
    QVBoxLayout* centralLayout = nullptr; // the top row above the tables and the details pane
    QHBoxLayout* topRowLayout = nullptr; // the filter, the selector and the Install from File button
    QLineEdit* filterEdit = nullptr;
    QSpacerItem* filterSpacer = nullptr;
    QLabel* labelDreamweaver = nullptr; // names the selector
    QComboBox* comboDreamweavers = nullptr;
    QSpacerItem* selectorSpacer = nullptr;
    QPushButton* installButton = nullptr;
    QPushButton* whyMissingButton = nullptr;
    QSplitter* splitter = nullptr; // the tabs above the details pane
    QTabWidget* tabWidget = nullptr;
    QWidget* tabInstalled = nullptr;
    QGridLayout* installedLayout = nullptr;
    QTableWidget* tableInstalled = nullptr;
    QWidget* tabStore = nullptr;
    QGridLayout* storeLayout = nullptr;
    QHBoxLayout* storeStateLayout = nullptr; // shown while the catalogue loads, or when it failed
    QLabel* labelStoreState = nullptr;
    QPushButton* retryButton = nullptr;
    QPushButton* updateAllButton = nullptr; // shown while the Store has updates for the installation
    QTableWidget* tableStore = nullptr;
    DetailsView* detailsView = nullptr;
    QWidget* detailsPane = nullptr; // the details, with the selected extension's Disable or Enable under them
    QPushButton* toggleEnabledButton = nullptr;
    StatusBar* statusBar = nullptr;
    QPushButton* reportButton = nullptr;
    QMenu* menuExtensions = nullptr;
    QAction* actionInstall = nullptr;
    QAction* actionRemove = nullptr; // the selected installed extension
    QAction* actionShowReport = nullptr;
    QAction* actionAdopt = nullptr;
    QAction* actionToggleEnabled = nullptr; // Disable or Enable, as the selected extension is
    QAction* actionCopyTo = nullptr;
    QAction* actionReloadCatalogue = nullptr;
    QAction* actionUpdateAll = nullptr;
    QAction* actionQuit = nullptr;
    QMenu* menuView = nullptr;
    QAction* actionSchemeSystem = nullptr; // colours as the desktop's scheme is, light or dark
    QAction* actionSchemeLight = nullptr;
    QAction* actionSchemeDark = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* actionWhyMissing = nullptr;
    QAction* actionShowLog = nullptr;
    QAction* actionAbout = nullptr;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};
