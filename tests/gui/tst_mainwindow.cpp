#include "DialogDriver.h"
#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/GuiTestSupport.h"
#include "ui/MainWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An installation whose store folders hold the given manifest file names, one
// list per locale; name and author differ so that a swapped column shows.
DreamweaverInfo makeInstallation(
    const QString& root, const QString& name, const QStringList& locales, const QList<QStringList>& stored)
{
    DreamweaverInfo dreamweaver(name, QStringLiteral("Adobe"), root + '/' + name, locales);
    for (int i = 0; i < stored.size(); ++i) {
        for (const QString& file : stored.at(i)) {
            if (!DiscoveryFixtures::storeManifest(
                    dreamweaver.extensionStoreFolder(dreamweaver.locales().at(i)), file, "N " + file, "A " + file))
                qFatal("cannot store %s", qPrintable(file));
        }
    }
    return dreamweaver;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    Application* application() { return Application::instance(); }

private slots:
    void initTestCase()
    {
        // Let the start-up work run now, against the empty profile, so that it
        // cannot replace a test's installation list later.
        QSignalSpy started(application(), &Application::dreamweaversUpdated);
        QVERIFY(started.wait(5000) || started.count() == 1);
    }

    void cleanup()
    {
        application()->dreamweavers().clear();
        application()->downloads().clear();
        VERIFY_NO_WINDOW_LEFT();
    }

    void widgetTree_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");

        const char* const tree[][3] = { { "centralWidget", "QWidget", "MainWindow" },
            { "verticalLayout_2", "QVBoxLayout", "centralWidget" },
            { "verticalLayout", "QVBoxLayout", "verticalLayout_2" },
            { "horizontalLayout", "QHBoxLayout", "verticalLayout" },
            { "comboDreamweavers", "QComboBox", "centralWidget" }, { "installButton", "QPushButton", "centralWidget" },
            { "tabWidget", "QTabWidget", "centralWidget" }, { "gridLayout", "QGridLayout", "tabInstalled" },
            { "tableInstalled", "QTableWidget", "tabInstalled" }, { "gridLayout1", "QGridLayout", "tabStore" },
            { "tableStore", "QTableWidget", "tabStore" }, { "statusBar", "QStatusBar", "MainWindow" } };
        for (const auto& node : tree)
            QTest::newRow(node[0]) << node[1] << node[2];
    }

    void widgetTree()
    {
        QFETCH(QString, className);
        QFETCH(QString, parentName);

        MainWindow window(nullptr);
        const QList<QObject*> found = window.findChildren<QObject*>(QTest::currentDataTag());
        QCOMPARE(found.size(), 1);
        QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
        QCOMPARE(found.first()->parent()->objectName(), parentName);
    }

    void windowAsItOpens()
    {
        MainWindow window(nullptr);
        QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Velkor Moravel"));
        QCOMPARE(window.size(), QSize(504, 408));
        QCOMPARE(window.findChild<QPushButton*>("installButton")->text(), QStringLiteral("Install"));
        // The drop-down is a plain list so that the sheet's item-view rules reach its rows.
        auto* combo = window.findChild<QComboBox*>("comboDreamweavers");
        QCOMPARE(combo->view()->metaObject()->className(), "QListView");
        // Selector centred between two spacers, Install at the right.
        auto* row = window.findChild<QHBoxLayout*>("horizontalLayout");
        QVERIFY(row->count() == 4 && row->itemAt(0)->spacerItem() && row->itemAt(2)->spacerItem());
        QCOMPARE(row->itemAt(1)->widget(), combo);
        auto* tabs = window.findChild<QTabWidget*>("tabWidget");
        QCOMPARE(tabs->widget(0)->objectName() + ' ' + tabs->tabText(0), QStringLiteral("tabInstalled Installed"));
        QCOMPARE(tabs->widget(1)->objectName() + ' ' + tabs->tabText(1), QStringLiteral("tabStore Store"));
        QCOMPARE(tabs->currentIndex(), 1);
    }

    void tableColumns_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns"); // label and width; the first stretches

        QTest::newRow("installed: name, version, author, remove button")
            << "tableInstalled" << QStringList { "Name", "Version 50", "Author 70", " 70" };
        QTest::newRow("store: name, version, install button")
            << "tableStore" << QStringList { "Name", "Version 50", " 70" };
    }

    void tableColumns()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);

        MainWindow window(nullptr);
        auto* widget = window.findChild<QTableWidget*>(table);
        QHeaderView* header = widget->horizontalHeader();
        QStringList shown { widget->horizontalHeaderItem(0)->text() };
        for (int column = 1; column < widget->columnCount(); ++column)
            shown << widget->horizontalHeaderItem(column)->text() + ' ' + QString::number(header->sectionSize(column));
        QCOMPARE(shown, columns);
        QCOMPARE(header->sectionResizeMode(0), QHeaderView::Stretch);
        QCOMPARE(widget->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(widget->verticalHeader()->isHidden());
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
            makeInstallation(root.path(), "Dreamweaver 2021", {}, { { "a.mxi", "b.MXI", "c.txt" } }),
            makeInstallation(root.path(), "Dreamweaver CS6", { "en_US", "de_DE" },
                { { "one.mxi", "two.mxi" }, { "two.mxi", "three.mxi" } }),
            makeInstallation(root.path(), "Dreamweaver (v 12.0)", {}, {}),
        };
        MainWindow window(nullptr);
        auto* combo = window.findChild<QComboBox*>("comboDreamweavers");
        auto* table = window.findChild<QTableWidget*>("tableInstalled");
        emit application()->dreamweaversUpdated();
        QCOMPARE(combo->itemText(2), QStringLiteral("Dreamweaver (v 12.0)"));
        if (selected >= 0)
            combo->setCurrentIndex(selected);

        DreamweaverInfo& current = application()->dreamweavers()[qMax(selected, 0)];
        QCOMPARE(window.currentDreamweaver(), &current);
        const QList<ExtensionInfo> listed = current.installedExtensions();
        QCOMPARE(table->rowCount(), rows);
        QCOMPARE(listed.size(), rows);
        for (int row = 0; row < rows; ++row) {
            QCOMPARE(
                QStringList({ table->item(row, 0)->text(), table->item(row, 1)->text(), table->item(row, 2)->text() }),
                QStringList({ listed[row].name(), listed[row].version(), listed[row].author() }));
            QVERIFY(
                table->item(row, 0)->text().startsWith("N ") && !(table->item(row, 0)->flags() & Qt::ItemIsEditable));
        }
        // A manifest stored after start-up shows once the selection comes back.
        QVERIFY(DiscoveryFixtures::storeManifest(
            current.extensionStoreFolder(current.locales().value(0)), "added.mxi", "N", "A"));
        combo->setCurrentIndex((qMax(selected, 0) + 1) % 3);
        combo->setCurrentIndex(qMax(selected, 0));
        QCOMPARE(table->rowCount(), rows + 1);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir emptyProfile;
    GuiTestSupport::usePretendProfile(emptyProfile.path());
    Application application(argc, argv);
    TestMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
