#pragma once

class QComboBox;
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
    QSpacerItem* horizontalSpacer = nullptr;
    QComboBox* comboDreamweavers = nullptr;
    QSpacerItem* horizontalSpacer_2 = nullptr;
    QPushButton* installButton = nullptr;
    QTabWidget* tabWidget = nullptr;
    QWidget* tabInstalled = nullptr;
    QGridLayout* gridLayout = nullptr;
    QTableWidget* tableInstalled = nullptr;
    QWidget* tabStore = nullptr;
    QGridLayout* gridLayout1 = nullptr;
    QTableWidget* tableStore = nullptr;
    QStatusBar* statusBar = nullptr;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};
