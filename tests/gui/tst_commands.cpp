#include "DialogDriver.h"
#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/GuiTestSupport.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "ui/MainWindow.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace InstallerFixtures;
using Delivery = StoreServer::Delivery;
using Route = StoreServer::Route;
using Tls = StoreServer::Tls;

namespace {

// Velkor Tools' files, menu entry and button; with a folder, one file of its
// own there instead, so that removing it touches nothing another one shares.
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

struct Install
{
    QByteArray installed; // the version of Velkor Tools installed; empty: none
    Route route; // a null body: the package
    Tls tls;
    QString zxp; // empty: from disk through Install; "-": its file dialog cancelled
    int answer;
    QStringList log;
    QString warning; // part of the warning
};

const QString fileDialog = "file dialog: Select Extension to Install | Extension Files (*.zxp *.mxp)";
const QString replacePlus = replaceQuestion("Velkor Tools", "1.0.0", "Velkor Tools Plus", "2.0.0");

} // namespace

Q_DECLARE_METATYPE(Install)

class TestCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<MainWindow> m_window;

    Application* application() { return Application::instance(); }
    QString root() const { return m_root->path(); }
    DreamweaverInfo& dreamweaver() { return application()->dreamweavers()[0]; }
    QString configuration() { return dreamweaver().configurationFolder(QStringLiteral("en_US")); }
    QStringList installedRows() { return tableRows(m_window->findChild<QTableWidget*>("tableInstalled")); }
    bool boxesBelongToTheWindow(const DialogDriver& driver)
    {
        return driver.boxParents.count(m_window.get()) == driver.boxParents.size();
    }

    QString writePackage(const TestExtension& package, const QString& fileName)
    {
        const QString path = root() + "/packages/" + fileName;
        if (!package.writePackage(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Installs without the window, as an earlier session would have.
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

    void offerInStore(const QString& zxp)
    {
        application()->downloads() = { { "com.velkor.tools", "Velkor Tools Plus", "2.0.0", zxp } };
        emit application()->downloadsUpdated();
    }

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QDir().mkpath(root() + "/tmp");
        qputenv("TMPDIR", QString(root() + "/tmp").toUtf8());
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
        qunsetenv("TMPDIR");
        m_root.reset();
        VERIFY_NO_WINDOW_LEFT();
    }

    void commandsDoNothingWithoutAnInstallation_data()
    {
        QTest::addColumn<QString>("table"); // empty: Install beside the selector
        QTest::newRow("Install beside the selector") << "";
        QTest::newRow("Remove in an Installed row") << "tableInstalled";
        QTest::newRow("Install in a Store row") << "tableStore";
    }

    void commandsDoNothingWithoutAnInstallation()
    {
        QFETCH(QString, table);
        StoreServer server(Tls::None, { 200, "PK", Delivery::Whole, -1 });
        qputenv("MORAVEL_DOWNLOADS_URL", server.baseUrl().toUtf8());
        preinstall(extension("Velkor Tools Plus", "1.0.0"));
        offerInStore("Velkor Tools.zxp");
        // The list goes away; the tables keep their rows and buttons.
        application()->dreamweavers().clear();
        emit application()->dreamweaversUpdated();
        QCOMPARE(m_window->currentDreamweaver(), nullptr);
        const QStringList before = entriesBelow(root());

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes, QMessageBox::Yes };
        if (table.isEmpty())
            m_window->findChild<QPushButton*>("installButton")->click();
        else
            click(qPrintable(table), "Velkor Tools Plus");

        QCOMPARE(driver.log, QStringList());
        QCOMPARE(server.requests(), QList<QByteArray>());
        QCOMPARE(entriesBelow(root()), before);
    }

    void removeButtonRemovesItsOwnRow_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("log");

        const QString question = "question: Remove Velkor Gamma v. 3.0.0?";
        QTest::newRow("Yes removes the row that moved down when another was installed")
            << int(QMessageBox::Yes) << QStringList { question, "Removing" };
        QTest::newRow("No keeps it") << int(QMessageBox::No) << QStringList { question };
    }

    void removeButtonRemovesItsOwnRow()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, log);

        preinstall(extension("Velkor Alpha", "1.0.0", "Alpha"));
        preinstall(extension("Velkor Gamma", "3.0.0", "Gamma"));
        // Installed through the window, so the rows are rebuilt and Gamma moves down.
        DialogDriver driver;
        QVERIFY(m_window->installPackageFile(writePackage(extension("Velkor Beta", "2.0.0", "Beta"), "beta.mxp")));
        driver.log.clear();
        driver.answers = { answer };
        click("tableInstalled", "Velkor Gamma");

        QCOMPARE(driver.log, log);
        QVERIFY(boxesBelongToTheWindow(driver));
        const QStringList rows { "Velkor Alpha 1.0.0", "Velkor Beta 2.0.0", "Velkor Gamma 3.0.0" };
        const bool removed = log.contains("Removing");
        QCOMPARE(installedRows(), removed ? QStringList(rows.mid(0, 2)) : rows);
        QCOMPARE(QFile::exists(configuration() + "/Commands/Gamma/own.js"), !removed);
    }

    void install_data()
    {
        QTest::addColumn<Install>("c");

        const Route package;
        const QString name = "Velkor Tools.zxp";
        const int yes = QMessageBox::Yes;
        const QStringList fresh { "Downloading", "Installing" }, failed { replacePlus, "Downloading", "warning" };
        QTest::newRow("not installed: Downloading, then Installing")
            << Install { {}, package, Tls::None, name, 0, fresh, {} };
        QTest::newRow("installed: the question, then Downloading, Removing, Installing") << Install { "1.0.0", package,
            Tls::None, name, yes, { replacePlus, "Downloading", "Removing", "Installing" }, {} };
        QTest::newRow("No: nothing is downloaded")
            << Install { "1.0.0", package, Tls::None, name, 0, { replacePlus }, {} };
        QTest::newRow("from disk: the file dialog, then the same") << Install { "1.0.0", package, Tls::None, "", yes,
            { fileDialog, replacePlus, "Removing", "Installing" }, {} };
        QTest::newRow("from disk, cancelled") << Install { "1.0.0", package, Tls::None, "-", yes, { fileDialog }, {} };
        QTest::newRow("folders in an MXP's name stay out of the temporary name")
            << Install { {}, package, Tls::None, "../../x/../tools.MXP", 0, fresh, {} };
        QTest::newRow("backslashes too") << Install { {}, package, Tls::None, "..\\..\\Velkor Tools.zxp", 0, fresh,
            {} };
        QTest::newRow("not found: a warning, the old version stays")
            << Install { "1.0.0", { 404, "gone", Delivery::Whole, -1 }, Tls::None, name, yes, failed,
                   "Velkor Tools Plus (Velkor Tools.zxp) could not be downloaded: " };
        QTest::newRow("a page that is no package: the old version stays")
            << Install { "1.0.0", { 200, "<html>maintenance</html>", Delivery::Whole, -1 }, Tls::None, name, yes,
                   failed, "no extension manifest" };
        QTest::newRow("self-signed certificate: installs nothing")
            << Install { {}, package, Tls::Untrusted, name, 0, { "Downloading", "warning" }, "certificate" };
    }

    void install()
    {
        QFETCH(Install, c);

        if (!c.installed.isEmpty())
            preinstall(extension("Velkor Tools", c.installed));
        const QString packageFile = c.zxp.endsWith("MXP") ? "package.mxp" : "package.zxp";
        if (c.route.body.isNull())
            c.route.body = readFile(writePackage(extension("Velkor Tools Plus", "2.0.0"), packageFile));
        StoreServer server(c.tls, c.route);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        offerInStore(c.zxp);
        const QStringList userBefore = entriesBelow(root() + "/user");

        DialogDriver driver;
        driver.answers = { c.answer };
        QStringList whileInstalling;
        driver.onProgress = [&](const QString& title) {
            if (title == "Installing")
                whileInstalling = entriesBelow(root());
        };
        if (c.zxp.isEmpty() || c.zxp == "-") {
            driver.fileToChoose = c.zxp.isEmpty() ? root() + "/packages/" + packageFile : QString();
            m_window->findChild<QPushButton*>("installButton")->click();
        } else {
            click("tableStore", "Velkor Tools Plus");
        }

        QCOMPARE(driver.log, c.log);
        QVERIFY(boxesBelongToTheWindow(driver));
        QCOMPARE(server.requests().isEmpty(), !c.log.contains("Downloading") || c.tls == Tls::Untrusted);
        // Nothing stays in the temporary folder once the command ends.
        QCOMPARE(entriesBelow(root() + "/tmp"), QStringList());
        QCOMPARE(driver.warnings.size(), c.warning.isEmpty() ? 0 : 1);
        if (!c.warning.isEmpty()) {
            QVERIFY2(driver.warnings.first().contains(c.warning), qPrintable(driver.warnings.first()));
            QVERIFY(driver.warnings.first().contains("Velkor Tools Plus"));
        }
        if (!c.log.contains("Installing")) {
            QCOMPARE(installedRows(), c.installed.isEmpty() ? QStringList() : QStringList { "Velkor Tools 1.0.0" });
            QCOMPARE(entriesBelow(root() + "/user"), userBefore);
            return;
        }
        QCOMPARE(installedRows(), QStringList { "Velkor Tools Plus 2.0.0" });
        QCOMPARE(readFile(configuration() + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), 1);
        if (!c.log.contains("Downloading"))
            return;
        // While installing, the package lay in the temporary folder under a
        // unique prefix and the catalogue name's last component, and nowhere else.
        const QString lastComponent = c.zxp.mid(qMax(c.zxp.lastIndexOf('/'), c.zxp.lastIndexOf('\\')) + 1);
        QCOMPARE(whileInstalling.filter(QRegularExpression("^(?!user/|tmp/|packages/)")), QStringList());
        QCOMPARE(whileInstalling.filter(QRegularExpression("^tmp/."))
                     .join('\n')
                     .contains(QRegularExpression("^tmp/[^/]{6}" + QRegularExpression::escape(lastComponent) + "$")),
            true);
    }

    void failuresAreShownInAWarning_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("warningParts");

        const QString partly = "Velkor Tools v. 1.0.0 was installed into Dreamweaver CS6, but not completely.";
        QTest::newRow("a listed file missing from the package")
            << "missing file" << QStringList { partly, "tool.js", "missing from the package" };
        QTest::newRow("a Menus.xml that cannot be edited")
            << "bad menus"
            << QStringList { partly, "could not be edited", QDir::toNativeSeparators("Menus/Menus.xml") };
        QTest::newRow("the manifest copy cannot be stored")
            << "blocked store" << QStringList { "Velkor Tools v. 1.0.0 could not be installed: ", "Velkor Tools.mxi" };
        QTest::newRow("a damaged package")
            << "damaged" << QStringList { "broken.zxp cannot be installed: no extension manifest can be read from it" };
        QTest::newRow("a removal that leaves a file")
            << "stuck file" << QStringList { "Velkor Tools v. 1.0.0 could not be removed completely.", "tool.js" };
    }

    void failuresAreShownInAWarning()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, warningParts);

        preinstall(extension("Velkor Other", "1.0", "Other"));
        TestExtension package = extension("Velkor Tools", "1.0.0");
        QString path = root() + "/packages/broken.zxp";
        // A folder with content where a file must go, or go away: no one, not
        // even root, can replace or delete it.
        const QString tool = configuration() + "/Commands/Velkor/tool.js";
        if (kind == "missing file")
            package.files[1].data = QByteArray();
        else if (kind == "bad menus")
            QVERIFY(
                writeFile(configuration() + "/Menus/Menus.xml", "<menubar id=\"DWMenu_Commands\">\xff\xfe</menubar>"));
        else if (kind == "blocked store")
            QVERIFY(writeFile(dreamweaver().extensionStoreFolder("en_US") + "/Velkor Tools.mxi/inside.txt", "x"));
        else if (kind == "damaged")
            QVERIFY(writeFile(path, QByteArray(300, 'x')));
        if (kind != "damaged")
            path = writePackage(package, "tools.zxp");

        DialogDriver driver;
        bool installed = false;
        QStringList log { "Installing", "warning" };
        if (kind == "stuck file") {
            preinstall(package);
            QVERIFY(QFile::remove(tool) && writeFile(tool + "/inside.txt", "x"));
            driver.answers = { QMessageBox::Yes };
            click("tableInstalled", "Velkor Tools");
            log = QStringList { "question: Remove Velkor Tools v. 1.0.0?", "Removing", "warning" };
        } else {
            installed = m_window->installPackageFile(path);
            if (kind == "damaged")
                log.removeFirst();
        }

        QCOMPARE(driver.log, log);
        QVERIFY(boxesBelongToTheWindow(driver));
        QCOMPARE(driver.warnings.size(), 1);
        for (const QString& part : warningParts)
            QVERIFY2(driver.warnings.first().contains(part), qPrintable(driver.warnings.first()));
        QCOMPARE(installed, kind == "missing file" || kind == "bad menus");
        // The other extension is never touched by a failed command.
        QVERIFY(installedRows().contains("Velkor Other 1.0"));
        QCOMPARE(installedRows().contains("Velkor Tools 1.0.0"), installed);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir emptyProfile;
    GuiTestSupport::usePretendProfile(emptyProfile.path());
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    Application application(argc, argv);
    TestCommands test;
    // The start-up work must not replace a test's installation list later.
    QSignalSpy started(&application, &Application::dreamweaversUpdated);
    started.wait(5000);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
