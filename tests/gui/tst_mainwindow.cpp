#include "DialogDriver.h"
#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/GuiTestSupport.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "support/TestRows.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

using namespace InstallerFixtures;

namespace {

// Velkor Tools under another name and version; with a folder, one file of
// its own there instead, so that removing it touches nothing another shares.
TestExtension extension(const QByteArray& name, const QByteArray& version, const QByteArray& folder = {})
{
    TestExtension result = toolsExtension();
    result.id = folder.isEmpty() ? "com.velkor.tools" : "com.velkor." + folder;
    result.name = name;
    result.version = version;
    result.manifestName = name + ".mxi";
    if (!folder.isEmpty()) {
        result.files = { { "own.js", "own();\n", "$dreamweaver/Configuration/Commands/" + folder } };
        result.configurationChanges.clear();
    }
    return result;
}

const QString replacePlus = replaceQuestion("Velkor Tools", "1.0.0", "Velkor Tools Plus", "2.0.0");

} // namespace

// The window's gestures reach the command layer, and its tables follow the
// installations; the flows themselves are tested without a window.
class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<MainWindow> m_window;

    Application* application() { return Application::instance(); }
    QString root() const { return m_root->path(); }
    DreamweaverInfo& dreamweaver() { return application()->dreamweavers()[0]; }
    QString configuration() { return dreamweaver().configurationFolder(QStringLiteral("en_US")); }
    QStringList installedRows() { return tableRows(m_window->findChild<QTableWidget*>("tableInstalled")); }

    QString writePackage(const TestExtension& package, const QString& fileName)
    {
        const QString path = root() + "/packages/" + fileName;
        return package.writePackage(path) ? path : QString();
    }

    void preinstall(const TestExtension& package)
    {
        QVERIFY(dreamweaver().installPackage(writePackage(package, "pre.zxp"), nullptr));
        m_window->updateInstalledTable();
    }

    // The button in the last column of the row that shows name.
    void click(const char* tableName, const QString& name)
    {
        auto* table = m_window->findChild<QTableWidget*>(tableName);
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text() == name)
                return qobject_cast<QPushButton*>(table->cellWidget(row, table->columnCount() - 1))->click();
        }
        QFAIL("no such row");
    }

private slots:
    void initTestCase()
    {
        // Let the start-up work run now, against the empty profile, so that it
        // cannot replace a test's installation list later.
        QSignalSpy started(application(), &Application::dreamweaversUpdated);
        QVERIFY(started.wait(5000) || started.count() == 1);
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        application()->dreamweavers() = { DreamweaverInfo("Dreamweaver CS6", "Adobe", root() + "/user", { "en_US" }) };
        QVERIFY(writeFile(configuration() + "/Menus/Menus.xml", menusXml()));
        QVERIFY(writeFile(configuration() + "/Objects/insertbar.xml", insertbarXml()));
        m_window = std::make_unique<MainWindow>(nullptr);
        emit application()->dreamweaversUpdated();
    }

    void cleanup()
    {
        m_window.reset();
        application()->dreamweavers().clear();
        application()->downloads().clear();
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        m_root.reset();
        VERIFY_NO_WINDOW_LEFT();
    }

    void buttonsReachTheCommands_data()
    {
        QTest::addColumn<QString>("button"); // "install", "cancel", "store", "remove", "remove: no"
        QTest::addColumn<bool>("withInstallation");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rowsAfter");

        const QString fileDialog = "file dialog: Select Extension to Install | Extension Files (*.zxp *.mxp)";
        const QStringList tools { "Velkor Tools 1.0.0" }, plus { "Velkor Tools Plus 2.0.0" };
        const QString remove = "question: Remove Velkor Tools v. 1.0.0?";
        addTestRow("Install asks for a file, then replaces", QString("install"), true,
            QStringList { fileDialog, replacePlus, "Removing", "Installing" }, plus);
        addTestRow("a cancelled file dialog does nothing", QString("cancel"), true, QStringList { fileDialog }, tools);
        addTestRow("a Store row's Install downloads, then replaces", QString("store"), true,
            QStringList { replacePlus, "Downloading", "Removing", "Installing" }, plus);
        addTestRow("a Remove button, answered Yes", QString("remove"), true, QStringList { remove, "Removing" },
            QStringList());
        addTestRow("a Remove button, answered No", QString("remove: no"), true, QStringList { remove }, tools);
        for (const char* button : { "install", "store", "remove" }) {
            addTestRow(qPrintable(QString("%1 does nothing without an installation").arg(button)), QString(button),
                false, QStringList(), tools);
        }
    }

    void buttonsReachTheCommands()
    {
        QFETCH(QString, button);
        QFETCH(bool, withInstallation);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rowsAfter);

        preinstall(extension("Velkor Tools", "1.0.0"));
        const QString package = writePackage(extension("Velkor Tools Plus", "2.0.0"), "plus.zxp");
        StoreServer server(StoreServer::Tls::None, { 200, readFile(package), StoreServer::Delivery::Whole, -1 });
        qputenv("MORAVEL_DOWNLOADS_URL", server.baseUrl().toUtf8());
        application()->downloads() = { { "com.velkor.tools", "Velkor Tools Plus", "2.0.0", "plus.zxp" } };
        emit application()->downloadsUpdated();
        if (!withInstallation) {
            // The list goes away; the tables keep their rows and buttons.
            application()->dreamweavers().clear();
            emit application()->dreamweaversUpdated();
        }

        DialogDriver driver;
        driver.answers = { button.endsWith("no") ? QMessageBox::No : QMessageBox::Yes };
        driver.fileToChoose = button == "install" ? package : QString();
        if (button == "install" || button == "cancel")
            m_window->findChild<QPushButton*>("installButton")->click();
        else
            click(button == "store" ? "tableStore" : "tableInstalled",
                button == "store" ? "Velkor Tools Plus" : "Velkor Tools");

        QCOMPARE(driver.log, log);
        QCOMPARE(driver.boxParents.count(m_window.get()), driver.boxParents.size());
        if (withInstallation)
            QCOMPARE(installedRows(), rowsAfter);
        QCOMPARE(server.requests().size(), int(log.contains("Downloading")));
    }

    void dropsReachTheCommands_data()
    {
        QTest::addColumn<QStringList>("dropped"); // "@" stands for the packages' folder
        QTest::addColumn<bool>("taken"); // the drag's entry
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("warningLines");

        const QString web = "https://www.velkor.example/plus.zxp";
        const QString notPackage = "@/notes.txt cannot be installed: it is not a ZXP or MXP package.";
        addTestRow("a text file is taken, then refused naming it", QStringList { "@/notes.txt" }, true,
            QStringList { "warning" }, QStringList { notPackage });
        addTestRow("the refusals first, in one warning, then the packages in order",
            QStringList { "@/notes.txt", "@/plus.zxp", web, "@/beta.MXP" }, true,
            QStringList { "warning", replacePlus, "Removing", "Installing", "Installing" },
            QStringList { notPackage, web + " cannot be installed: it is not a file on this computer." });
        addTestRow("a web address alone is not taken", QStringList { web }, false, QStringList(), QStringList());
    }

    void dropsReachTheCommands()
    {
        QFETCH(QStringList, dropped);
        QFETCH(bool, taken);
        QFETCH(QStringList, log);
        QFETCH(QStringList, warningLines);

        preinstall(extension("Velkor Tools", "1.0.0"));
        writePackage(extension("Velkor Tools Plus", "2.0.0"), "plus.zxp");
        writePackage(extension("Velkor Beta", "2.0.0", "Beta"), "beta.MXP");
        QVERIFY(writeFile(root() + "/packages/notes.txt", "notes"));
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& url : dropped)
            urls << (url.startsWith('@') ? QUrl::fromLocalFile(root() + "/packages" + url.mid(1)) : QUrl(url));
        data.setUrls(urls);

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes };
        // Qt hands a drop only to the widget that took the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &enter);
        QCOMPARE(enter.isAccepted(), taken);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &drop);
        // Nothing is asked or installed while the drop is still being delivered.
        QCOMPARE(driver.log, QStringList());

        // The whole log arrives, and nothing more after it.
        QTRY_COMPARE(driver.log, log);
        QTest::qWait(50);
        QCOMPARE(driver.log, log);
        QCOMPARE(driver.warnings.join('\n'),
            warningLines.join('\n').replace("@", QDir::toNativeSeparators(root() + "/packages")));
        QCOMPARE(installedRows().size(), log.count("Installing") == 2 ? 2 : 1);
    }

    void removeButtonRemovesItsOwnRow()
    {
        preinstall(extension("Velkor Alpha", "1.0.0", "Alpha"));
        preinstall(extension("Velkor Gamma", "3.0.0", "Gamma"));
        // Installed through the window, so the rows are rebuilt and Gamma moves down.
        DialogDriver driver;
        QVERIFY(m_window->installPackageFile(writePackage(extension("Velkor Beta", "2.0.0", "Beta"), "beta.mxp")));
        driver.answers = { QMessageBox::Yes };
        click("tableInstalled", "Velkor Gamma");

        QCOMPARE(driver.log.mid(1), QStringList({ "question: Remove Velkor Gamma v. 3.0.0?", "Removing" }));
        QCOMPARE(installedRows(), QStringList({ "Velkor Alpha 1.0.0", "Velkor Beta 2.0.0" }));
        QVERIFY(!QFile::exists(configuration() + "/Commands/Gamma/own.js"));
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

        auto installation = [this](const QString& name, const QStringList& locales, const QList<QStringList>& stored) {
            DreamweaverInfo dreamweaver(name, QStringLiteral("Adobe"), root() + '/' + name, locales);
            for (int i = 0; i < stored.size(); ++i) {
                for (const QString& file : stored.at(i))
                    DiscoveryFixtures::storeManifest(
                        dreamweaver.extensionStoreFolder(dreamweaver.locales().at(i)), file, "N " + file, "A " + file);
            }
            return dreamweaver;
        };
        application()->dreamweavers() = {
            installation("Dreamweaver 2021", {}, { { "a.mxi", "b.MXI", "c.txt" } }),
            installation(
                "Dreamweaver CS6", { "en_US", "de_DE" }, { { "one.mxi", "two.mxi" }, { "two.mxi", "three.mxi" } }),
            installation("Dreamweaver (v 12.0)", {}, {}),
        };
        auto* combo = m_window->findChild<QComboBox*>("comboDreamweavers");
        auto* table = m_window->findChild<QTableWidget*>("tableInstalled");
        emit application()->dreamweaversUpdated();
        if (selected >= 0)
            combo->setCurrentIndex(selected);

        DreamweaverInfo& current = application()->dreamweavers()[qMax(selected, 0)];
        QCOMPARE(m_window->currentDreamweaver(), &current);
        QCOMPARE(table->rowCount(), rows);
        for (int row = 0; row < rows; ++row) {
            const ExtensionInfo& listed = current.installedExtensions().at(row);
            QCOMPARE(
                QStringList({ table->item(row, 0)->text(), table->item(row, 1)->text(), table->item(row, 2)->text() }),
                QStringList({ listed.name(), listed.version(), listed.author() }));
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
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    int applicationArgc = 1;
    Application application(applicationArgc, argv);
    TestMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
