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
class QStatusBar;
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
    QVBoxLayout* verticalLayout_2 = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QLineEdit* filterEdit = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;
    QComboBox* comboDreamweavers = nullptr;
    QSpacerItem* horizontalSpacer_2 = nullptr;
    QPushButton* installButton = nullptr;
    QPushButton* whyMissingButton = nullptr;
    QSplitter* splitter = nullptr; // the tabs above the details pane
    QTabWidget* tabWidget = nullptr;
    QWidget* tabInstalled = nullptr;
    QGridLayout* gridLayout = nullptr;
    QTableWidget* tableInstalled = nullptr;
    QWidget* tabStore = nullptr;
    QGridLayout* gridLayout1 = nullptr;
    QHBoxLayout* storeStateLayout = nullptr; // shown while the catalogue loads, or when it failed
    QLabel* labelStoreState = nullptr;
    QPushButton* retryButton = nullptr;
    QTableWidget* tableStore = nullptr;
    DetailsView* detailsView = nullptr;
    QWidget* detailsPane = nullptr; // the details, with the selected extension's Disable or Enable under them
    QPushButton* toggleEnabledButton = nullptr;
    QStatusBar* statusBar = nullptr;
    QPushButton* reportButton = nullptr;
    QMenu* menuExtensions = nullptr;
    QAction* actionInstall = nullptr;
    QAction* actionShowReport = nullptr;
    QAction* actionAdopt = nullptr;
    QAction* actionToggleEnabled = nullptr; // Disable or Enable, as the selected extension is
    QAction* actionCopyTo = nullptr;
    QAction* actionReloadCatalogue = nullptr;
    QAction* actionQuit = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* actionWhyMissing = nullptr;
    QAction* actionShowLog = nullptr;
    QAction* actionAbout = nullptr;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};
