#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListView>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// An installation whose store folders hold the given manifest file names, one
// list per locale.
DreamweaverInfo makeInstallation(
    const QString& root, const QString& name, const QStringList& locales, const QList<QStringList>& stored)
{
    const QString userFolder = root + QLatin1Char('/') + name;
    DreamweaverInfo dreamweaver(name, QStringLiteral("Adobe"), userFolder, locales);
    for (int i = 0; i < stored.size(); ++i) {
        const QString store = dreamweaver.extensionStoreFolder(dreamweaver.locales().at(i));
        QDir().mkpath(store);
        for (const QString& fileName : stored.at(i)) {
            QFile file(store + QLatin1Char('/') + fileName);
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(file.fileName()));
            file.write("<macromedia-extension name=\"" + fileName.toUtf8() + "\"/>");
        }
    }
    return dreamweaver;
}

QStringList headerLabels(const QTableWidget* table)
{
    QStringList labels;
    for (int column = 0; column < table->columnCount(); ++column)
        labels << table->horizontalHeaderItem(column)->text();
    return labels;
}

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    Application* application() { return Application::instance(); }

private slots:
    void initTestCase()
    {
        // Let the start-up work run now, against the empty profile main() set up,
        // so that it cannot replace a test's installation list later.
        QSignalSpy started(application(), &Application::dreamweaversUpdated);
        QVERIFY(started.wait(5000) || started.count() == 1);
    }

    void init()
    {
        application()->dreamweavers().clear();
        application()->downloads().clear();
    }

    void cleanup()
    {
        application()->dreamweavers().clear();
        application()->downloads().clear();
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a top-level window leaked");
    }

    void widgetTree_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");

        QTest::newRow("central widget") << "centralWidget"
                                        << "QWidget"
                                        << "MainWindow";
        QTest::newRow("selector") << "comboDreamweavers"
                                  << "QComboBox"
                                  << "centralWidget";
        QTest::newRow("install from disk") << "installButton"
                                           << "QPushButton"
                                           << "centralWidget";
        QTest::newRow("tabs") << "tabWidget"
                              << "QTabWidget"
                              << "centralWidget";
        QTest::newRow("installed table") << "tableInstalled"
                                         << "QTableWidget"
                                         << "tabInstalled";
        QTest::newRow("store table") << "tableStore"
                                     << "QTableWidget"
                                     << "tabStore";
        QTest::newRow("status bar") << "statusBar"
                                    << "QStatusBar"
                                    << "MainWindow";
        QTest::newRow("outer layout") << "verticalLayout_2"
                                      << "QVBoxLayout"
                                      << "centralWidget";
        QTest::newRow("installed tab layout") << "gridLayout"
                                              << "QGridLayout"
                                              << "tabInstalled";
        QTest::newRow("store tab layout") << "gridLayout1"
                                          << "QGridLayout"
                                          << "tabStore";
    }

    void widgetTree()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, className);
        QFETCH(QString, parentName);

        MainWindow window(nullptr);
        const QList<QObject*> found = window.findChildren<QObject*>(objectName);
        QCOMPARE(found.size(), 1);
        QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
        QVERIFY(found.first()->parent());
        QCOMPARE(found.first()->parent()->objectName(), parentName);
    }

    void windowSettings()
    {
        MainWindow window(nullptr);
        QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Velkor Moravel"));
        QCOMPARE(window.size(), QSize(504, 408));
        QCOMPARE(window.centralWidget()->objectName(), QStringLiteral("centralWidget"));
        QCOMPARE(window.statusBar()->objectName(), QStringLiteral("statusBar"));
        QCOMPARE(window.statusBar()->currentMessage(), QString());
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("installButton"))->text(), QStringLiteral("Install"));
        // The drop-down is a plain list so that the sheet's item-view rules reach its rows.
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));
        QCOMPARE(QString::fromLatin1(combo->view()->metaObject()->className()), QStringLiteral("QListView"));
    }

    void layoutsNestAsBuilt()
    {
        MainWindow window(nullptr);
        auto* outer = window.findChild<QVBoxLayout*>(QStringLiteral("verticalLayout_2"));
        QCOMPARE(outer->spacing(), 6);
        QCOMPARE(outer->contentsMargins(), QMargins(11, 11, 11, 11));
        QCOMPARE(outer->count(), 1);
        auto* inner = qobject_cast<QVBoxLayout*>(outer->itemAt(0)->layout());
        QVERIFY(inner);
        QCOMPARE(inner->objectName(), QStringLiteral("verticalLayout"));
        QCOMPARE(inner->spacing(), 6);
        QCOMPARE(inner->count(), 2);
        QCOMPARE(inner->itemAt(1)->widget()->objectName(), QStringLiteral("tabWidget"));

        auto* row = qobject_cast<QHBoxLayout*>(inner->itemAt(0)->layout());
        QVERIFY(row);
        QCOMPARE(row->objectName(), QStringLiteral("horizontalLayout"));
        QCOMPARE(row->spacing(), 6);
        QCOMPARE(row->count(), 4);
        // The selector sits between two expanding spacers, the Install button at the right.
        for (int index : { 0, 2 }) {
            QSpacerItem* spacer = row->itemAt(index)->spacerItem();
            QVERIFY(spacer);
            QCOMPARE(spacer->sizeHint(), QSize(40, 20));
            QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
            QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
        }
        QCOMPARE(row->itemAt(1)->widget()->objectName(), QStringLiteral("comboDreamweavers"));
        QCOMPARE(row->itemAt(3)->widget()->objectName(), QStringLiteral("installButton"));

        for (const char* name : { "gridLayout", "gridLayout1" }) {
            auto* grid = window.findChild<QGridLayout*>(QString::fromLatin1(name));
            QCOMPARE(grid->spacing(), 6);
            QCOMPARE(grid->contentsMargins(), QMargins(11, 11, 11, 11));
            QCOMPARE(grid->count(), 1);
            int rowIndex, column, rowSpan, columnSpan;
            grid->getItemPosition(0, &rowIndex, &column, &rowSpan, &columnSpan);
            QCOMPARE(QVector<int>({ rowIndex, column, rowSpan, columnSpan }), QVector<int>({ 0, 0, 1, 1 }));
        }
    }

    void tabsStartOnTheStore()
    {
        MainWindow window(nullptr);
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("tabInstalled"));
        QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("tabStore"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("Installed"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Store"));
        QCOMPARE(tabs->currentIndex(), 1);
    }

    void tableColumns_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<int>>("widths");

        QTest::newRow("installed: name, version, author, remove button")
            << "tableInstalled" << QStringList { "Name", "Version", "Author", "" } << QList<int> { 50, 70, 70 };
        QTest::newRow("store: name, version, install button")
            << "tableStore" << QStringList { "Name", "Version", "" } << QList<int> { 50, 70 };
    }

    void tableColumns()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, widths);

        MainWindow window(nullptr);
        auto* widget = window.findChild<QTableWidget*>(table);
        QCOMPARE(widget->columnCount(), labels.size());
        QCOMPARE(headerLabels(widget), labels);
        QHeaderView* header = widget->horizontalHeader();
        QCOMPARE(header->sectionResizeMode(0), QHeaderView::Stretch);
        for (int column = 1; column < labels.size(); ++column) {
            QCOMPARE(header->sectionResizeMode(column), QHeaderView::Interactive);
            QCOMPARE(header->sectionSize(column), widths.at(column - 1));
        }
        QCOMPARE(widget->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(widget->verticalHeader()->isHidden());
    }

    void selectorListsInstallationsInListOrder()
    {
        QTemporaryDir root;
        application()->dreamweavers() = {
            makeInstallation(root.path(), QStringLiteral("Dreamweaver 2021"), {}, {}),
            makeInstallation(root.path(), QStringLiteral("Dreamweaver CS6"), {}, {}),
            makeInstallation(root.path(), QStringLiteral("Dreamweaver (v 12.0)"), {}, {}),
        };
        MainWindow window(nullptr);
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));

        emit application()->dreamweaversUpdated();

        QCOMPARE(comboItems(combo), QStringList({ "Dreamweaver 2021", "Dreamweaver CS6", "Dreamweaver (v 12.0)" }));
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(window.currentDreamweaver(), &application()->dreamweavers()[0]);
        combo->setCurrentIndex(2);
        QCOMPARE(window.currentDreamweaver(), &application()->dreamweavers()[2]);
    }

    void installedTableFollowsTheSelection_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("rows");

        QTest::newRow("first entry is selected when the list arrives") << -1 << 2;
        QTest::newRow("stores of every locale, one row per file name") << 1 << 3;
        QTest::newRow("an installation without a store has no rows") << 2 << 0;
    }

    void installedTableFollowsTheSelection()
    {
        QFETCH(int, selected);
        QFETCH(int, rows);

        QTemporaryDir root;
        application()->dreamweavers() = {
            makeInstallation(root.path(), QStringLiteral("A"), {}, { { "a.mxi", "b.MXI", "notes.txt" } }),
            makeInstallation(root.path(), QStringLiteral("B"), { "en_US", "de_DE" },
                { { "one.mxi", "two.mxi" }, { "two.mxi", "three.mxi" } }),
            makeInstallation(root.path(), QStringLiteral("C"), {}, {}),
        };
        MainWindow window(nullptr);
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableInstalled"));
        emit application()->dreamweaversUpdated();
        if (selected >= 0)
            combo->setCurrentIndex(selected);

        QCOMPARE(table->rowCount(), rows);
        for (int row = 0; row < rows; ++row) {
            auto* button = qobject_cast<QPushButton*>(table->cellWidget(row, 3));
            QVERIFY(button);
            QCOMPARE(button->text(), QStringLiteral("Remove"));
            for (int column = 0; column < 3; ++column) {
                QVERIFY(table->item(row, column));
                QVERIFY(!(table->item(row, column)->flags() & Qt::ItemIsEditable));
            }
        }
    }

    void selectionRereadsTheStoreFolders()
    {
        QTemporaryDir root;
        application()->dreamweavers() = {
            makeInstallation(root.path(), QStringLiteral("A"), {}, { { "a.mxi" } }),
            makeInstallation(root.path(), QStringLiteral("B"), {}, { { "b.mxi" } }),
        };
        MainWindow window(nullptr);
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableInstalled"));
        emit application()->dreamweaversUpdated();
        QCOMPARE(table->rowCount(), 1);

        // A manifest stored after start-up shows once the selection comes back.
        QFile added(application()->dreamweavers()[0].extensionStoreFolder(QString()) + "/added.mxi");
        QVERIFY(added.open(QIODevice::WriteOnly));
        added.close();
        combo->setCurrentIndex(1);
        QCOMPARE(table->rowCount(), 1);
        combo->setCurrentIndex(0);
        QCOMPARE(table->rowCount(), 2);
    }

    void anEmptyListLeavesNoCurrentInstallation()
    {
        QTemporaryDir root;
        application()->dreamweavers() = { makeInstallation(root.path(), QStringLiteral("A"), {}, { { "a.mxi" } }) };
        MainWindow window(nullptr);
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableInstalled"));
        emit application()->dreamweaversUpdated();
        QCOMPARE(table->rowCount(), 1);

        application()->dreamweavers().clear();
        emit application()->dreamweaversUpdated();

        QCOMPARE(combo->count(), 0);
        QCOMPARE(window.currentDreamweaver(), nullptr);
        // Without a current installation there is nothing to reread.
        QCOMPARE(table->rowCount(), 1);
    }

    void storeTableShowsTheCatalogue_data()
    {
        QTest::addColumn<QVector<Application::Download>>("downloads");

        QTest::newRow("no catalogue") << QVector<Application::Download> {};
        QTest::newRow("entries in catalogue order") << QVector<Application::Download> {
            { "com.velkor.one", "One", "1.0", "one.zxp" },
            { "com.velkor.two", "Two & more", "2.5.1", "two.zxp" },
            { "", "", "", "" },
        };
    }

    void storeTableShowsTheCatalogue()
    {
        QFETCH(QVector<Application::Download>, downloads);

        MainWindow window(nullptr);
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableStore"));
        application()->downloads() = downloads;
        emit application()->downloadsUpdated();

        QCOMPARE(table->rowCount(), downloads.size());
        for (int row = 0; row < downloads.size(); ++row) {
            QCOMPARE(table->item(row, 0)->text(), downloads.at(row).name);
            QCOMPARE(table->item(row, 1)->text(), downloads.at(row).version);
            QVERIFY(!(table->item(row, 0)->flags() & Qt::ItemIsEditable));
            QVERIFY(!(table->item(row, 1)->flags() & Qt::ItemIsEditable));
            auto* button = qobject_cast<QPushButton*>(table->cellWidget(row, 2));
            QVERIFY(button);
            QCOMPARE(button->text(), QStringLiteral("Install"));
        }
    }

    void aShorterCatalogueReplacesTheRows()
    {
        MainWindow window(nullptr);
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableStore"));
        application()->downloads() = { { "a", "A", "1", "a.zxp" }, { "b", "B", "1", "b.zxp" } };
        emit application()->downloadsUpdated();
        application()->downloads() = { { "c", "C", "3", "c.zxp" } };
        emit application()->downloadsUpdated();

        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("C"));
    }
};

int main(int argc, char** argv)
{
    // Start-up reads these; an empty profile keeps the machine's own folders out.
    QTemporaryDir emptyProfile;
    qputenv("APPDATA", emptyProfile.path().toUtf8());
    qputenv("ALLUSERSPROFILE", emptyProfile.path().toUtf8());
    qputenv("ProgramW6432", emptyProfile.path().toUtf8());
    Application application(argc, argv);
    TestMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
