#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListView>
#include <QPushButton>
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
            // Name, version and author differ so that a swapped column shows.
            file.write("<macromedia-extension name=\"N " + fileName.toUtf8() + "\" version=\"V " + fileName.toUtf8()
                + "\"><author name=\"A " + fileName.toUtf8() + "\"/></macromedia-extension>");
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
        QTest::newRow("outer layout") << "verticalLayout_2"
                                      << "QVBoxLayout"
                                      << "centralWidget";
        QTest::newRow("inner layout") << "verticalLayout"
                                      << "QVBoxLayout"
                                      << "verticalLayout_2";
        QTest::newRow("selector row") << "horizontalLayout"
                                      << "QHBoxLayout"
                                      << "verticalLayout";
        QTest::newRow("selector") << "comboDreamweavers"
                                  << "QComboBox"
                                  << "centralWidget";
        QTest::newRow("install from disk") << "installButton"
                                           << "QPushButton"
                                           << "centralWidget";
        QTest::newRow("tabs") << "tabWidget"
                              << "QTabWidget"
                              << "centralWidget";
        QTest::newRow("installed tab layout") << "gridLayout"
                                              << "QGridLayout"
                                              << "tabInstalled";
        QTest::newRow("installed table") << "tableInstalled"
                                         << "QTableWidget"
                                         << "tabInstalled";
        QTest::newRow("store tab layout") << "gridLayout1"
                                          << "QGridLayout"
                                          << "tabStore";
        QTest::newRow("store table") << "tableStore"
                                     << "QTableWidget"
                                     << "tabStore";
        QTest::newRow("status bar") << "statusBar"
                                    << "QStatusBar"
                                    << "MainWindow";
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

    void windowAsItOpens()
    {
        MainWindow window(nullptr);
        QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Velkor Moravel"));
        QCOMPARE(window.size(), QSize(504, 408));
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("installButton"))->text(), QStringLiteral("Install"));
        // The drop-down is a plain list so that the sheet's item-view rules reach its rows.
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));
        QCOMPARE(QString::fromLatin1(combo->view()->metaObject()->className()), QStringLiteral("QListView"));

        // Selector centred between two spacers, Install at the right, the tabs below.
        auto* row = window.findChild<QHBoxLayout*>(QStringLiteral("horizontalLayout"));
        QCOMPARE(row->count(), 4);
        QVERIFY(row->itemAt(0)->spacerItem() && row->itemAt(2)->spacerItem());
        QCOMPARE(row->itemAt(1)->widget(), combo);
        QCOMPARE(row->itemAt(3)->widget()->objectName(), QStringLiteral("installButton"));
        auto* column = window.findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
        QCOMPARE(column->itemAt(0)->layout(), row);
        QCOMPARE(column->itemAt(1)->widget()->objectName(), QStringLiteral("tabWidget"));

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
            makeInstallation(root.path(), QStringLiteral("Dreamweaver 2021"), {}, { { "a.mxi", "b.MXI", "c.txt" } }),
            makeInstallation(root.path(), QStringLiteral("Dreamweaver CS6"), { "en_US", "de_DE" },
                { { "one.mxi", "two.mxi" }, { "two.mxi", "three.mxi" } }),
            makeInstallation(root.path(), QStringLiteral("Dreamweaver (v 12.0)"), {}, {}),
        };
        MainWindow window(nullptr);
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("tableInstalled"));
        emit application()->dreamweaversUpdated();
        QCOMPARE(comboItems(combo), QStringList({ "Dreamweaver 2021", "Dreamweaver CS6", "Dreamweaver (v 12.0)" }));
        if (selected >= 0)
            combo->setCurrentIndex(selected);

        const int current = qMax(selected, 0);
        QCOMPARE(window.currentDreamweaver(), &application()->dreamweavers()[current]);
        const QList<ExtensionInfo> listed = application()->dreamweavers()[current].installedExtensions();
        QCOMPARE(listed.size(), rows);
        QCOMPARE(table->rowCount(), rows);
        for (int row = 0; row < rows; ++row) {
            const QStringList shown { table->item(row, 0)->text(), table->item(row, 1)->text(),
                table->item(row, 2)->text() };
            QCOMPARE(shown, QStringList({ listed[row].name(), listed[row].version(), listed[row].author() }));
            QVERIFY(shown.first().startsWith(QLatin1String("N ")));
            for (int column = 0; column < 3; ++column)
                QVERIFY(!(table->item(row, column)->flags() & Qt::ItemIsEditable));
            auto* button = qobject_cast<QPushButton*>(table->cellWidget(row, 3));
            QVERIFY(button);
            QCOMPARE(button->text(), QStringLiteral("Remove"));
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
        // An earlier, longer catalogue must leave no rows behind.
        application()->downloads() = QVector<Application::Download>(4, { "old", "Old", "0.1", "old.zxp" });
        emit application()->downloadsUpdated();
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
