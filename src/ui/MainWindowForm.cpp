#include "ui/MainWindowForm.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidget* createTable(QWidget* tab, const char* objectName, int columns)
{
    auto* table = new QTableWidget(tab);
    table->setObjectName(QString::fromLatin1(objectName));
    table->setColumnCount(columns);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
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

} // namespace

void MainWindowForm::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(504, 408);

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

    horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout->addItem(horizontalSpacer);

    comboDreamweavers = new QComboBox(centralWidget);
    comboDreamweavers->setObjectName(QStringLiteral("comboDreamweavers"));
    horizontalLayout->addWidget(comboDreamweavers);

    horizontalSpacer_2 = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout->addItem(horizontalSpacer_2);

    installButton = new QPushButton(centralWidget);
    installButton->setObjectName(QStringLiteral("installButton"));
    horizontalLayout->addWidget(installButton);

    verticalLayout->addLayout(horizontalLayout);

    tabWidget = new QTabWidget(centralWidget);
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
    tableStore = createTable(tabStore, "tableStore", 3);
    gridLayout1->addWidget(tableStore, 0, 0, 1, 1);
    tabWidget->addTab(tabStore, QString());

    verticalLayout->addWidget(tabWidget);
    verticalLayout_2->addLayout(verticalLayout);

    window->setCentralWidget(centralWidget);
    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    window->setStatusBar(statusBar);

    retranslateUi(window);

    tabWidget->setCurrentIndex(1);

    QMetaObject::connectSlotsByName(window);
}

void MainWindowForm::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(QCoreApplication::translate("MainWindow", "Velkor Moravel"));
    installButton->setText(QCoreApplication::translate("MainWindow", "Install"));
    tabWidget->setTabText(tabWidget->indexOf(tabInstalled), QCoreApplication::translate("MainWindow", "Installed"));
    tabWidget->setTabText(tabWidget->indexOf(tabStore), QCoreApplication::translate("MainWindow", "Store"));
}
