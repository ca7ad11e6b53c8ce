#include "DialogDriver.h"
#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/GuiTestSupport.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "ui/MainWindow.h"

#include <QRegularExpression>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

using namespace InstallerFixtures;
using Delivery = StoreServer::Delivery;
using Route = StoreServer::Route;
using Answers = QList<int>;

namespace {

TestExtension extension(const QByteArray& id, const QByteArray& name, const QByteArray& version)
{
    TestExtension result = toolsExtension();
    result.id = id;
    result.name = name;
    result.version = version;
    result.manifestName = name + ".mxi";
    return result;
}

TestExtension tools(const QByteArray& version, const QByteArray& name = "Velkor Tools")
{
    return extension("com.velkor.tools", name, version);
}

const QString fileDialog = "file dialog: Select Extension to Install | Extension Files (*.zxp *.mxp)";
const QString replacePlus = replaceQuestion("Velkor Tools", "1.0.0", "Velkor Tools Plus", "2.0.0");

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<MainWindow> m_window;
    QSslConfiguration m_defaultTls;

    Application* application() { return Application::instance(); }
    QString root() const { return m_root->path(); }
    DreamweaverInfo& dreamweaver() { return application()->dreamweavers()[0]; }
    QString configuration() { return dreamweaver().configurationFolder(QStringLiteral("en_US")); }
    QTableWidget* table(const char* name) { return m_window->findChild<QTableWidget*>(name); }
    QStringList installedRows() { return tableRows(table("tableInstalled")); }

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

    QPushButton* buttonInRow(const char* tableName, const QString& name)
    {
        QTableWidget* widget = table(tableName);
        for (int row = 0; row < widget->rowCount(); ++row) {
            if (widget->item(row, 0)->text() == name)
                return qobject_cast<QPushButton*>(widget->cellWidget(row, widget->columnCount() - 1));
        }
        return nullptr;
    }

    void offerInStore(const QString& name, const QString& zxp)
    {
        application()->downloads() = { { "com.velkor.tools", name, "2.0.0", zxp } };
        emit application()->downloadsUpdated();
    }

    void verifyBoxesBelongToTheWindow(const DialogDriver& driver)
    {
        for (QWidget* parent : driver.boxParents)
            QCOMPARE(parent, m_window.get());
    }

private slots:
    void initTestCase() { m_defaultTls = QSslConfiguration::defaultConfiguration(); }

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
        QSslConfiguration::setDefaultConfiguration(m_defaultTls);
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        qunsetenv("TMPDIR");
        m_root.reset();
        VERIFY_NO_WINDOW_LEFT();
    }

    void commandsDoNothingWithoutAnInstallation_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Install beside the selector") << "install";
        QTest::newRow("Remove in an Installed row") << "tableInstalled";
        QTest::newRow("Install in a Store row") << "tableStore";
    }

    void commandsDoNothingWithoutAnInstallation()
    {
        QFETCH(QString, button);
        StoreServer server(false);
        QVERIFY(server.start({ 200, "PK", Delivery::Whole, -1 }));
        qputenv("MORAVEL_DOWNLOADS_URL", server.baseUrl().toUtf8());
        preinstall(tools("1.0.0"));
        offerInStore("Velkor Tools", "Velkor Tools.zxp");
        // The list goes away; the tables keep their rows and buttons.
        application()->dreamweavers().clear();
        emit application()->dreamweaversUpdated();
        QCOMPARE(m_window->currentDreamweaver(), nullptr);
        QCOMPARE(installedRows().size(), 1);
        const QStringList before = entriesBelow(root());

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes, QMessageBox::Yes };
        if (button == "install")
            m_window->findChild<QPushButton*>("installButton")->click();
        else
            buttonInRow(qPrintable(button), "Velkor Tools")->click();

        QCOMPARE(driver.log, QStringList());
        QCOMPARE(server.requests(), QList<QByteArray>());
        QCOMPARE(entriesBelow(root()), before);
    }

    void installFromDisk_data()
    {
        QTest::addColumn<QByteArray>("installed"); // empty: nothing installed
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("log");

        QTest::newRow("not installed: no question")
            << QByteArray() << true << 0 << QStringList { fileDialog, "Installing" };
        QTest::newRow("older installed: Yes removes it, then installs")
            << QByteArray("1.0.0") << true << int(QMessageBox::Yes)
            << QStringList { fileDialog, replacePlus, "Removing", "Installing" };
        QTest::newRow("No changes nothing")
            << QByteArray("1.0.0") << true << int(QMessageBox::No) << QStringList { fileDialog, replacePlus };
        QTest::newRow("cancelled file dialog") << QByteArray("1.0.0") << false << 0 << QStringList { fileDialog };
    }

    void installFromDisk()
    {
        QFETCH(QByteArray, installed);
        QFETCH(bool, chooseFile);
        QFETCH(int, answer);
        QFETCH(QStringList, log);

        if (!installed.isEmpty())
            preinstall(tools(installed));
        const QString package = writePackage(tools("2.0.0", "Velkor Tools Plus"), "Velkor Tools Plus.zxp");
        const QStringList before = entriesBelow(root());
        const QByteArray menusBefore = readFile(configuration() + "/Menus/Menus.xml");

        DialogDriver driver;
        if (answer)
            driver.answers = { answer };
        driver.fileToChoose = chooseFile ? package : QString();
        m_window->findChild<QPushButton*>("installButton")->click();

        QCOMPARE(driver.log, log);
        verifyBoxesBelongToTheWindow(driver);
        const QString store = dreamweaver().extensionStoreFolder("en_US");
        if (!log.contains("Installing")) {
            QCOMPARE(installedRows(), QStringList { "Velkor Tools 1.0.0" });
            QCOMPARE(entriesBelow(root()), before);
            QCOMPARE(readFile(configuration() + "/Menus/Menus.xml"), menusBefore);
            return;
        }
        QCOMPARE(installedRows(), QStringList { "Velkor Tools Plus 2.0.0" });
        QVERIFY(QFile::exists(configuration() + "/Commands/Velkor/tool.js"));
        QCOMPARE(readFile(configuration() + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), 1);
        QVERIFY(QFile::exists(store + "/Velkor Tools Plus.mxi"));
        QVERIFY(!QFile::exists(store + "/Velkor Tools.mxi"));
    }

    void removeButtonRemovesItsOwnRow_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rowsAfter");

        const QString alpha = "Velkor Alpha 1.0.0", beta = "Velkor Beta 2.0.0", gamma = "Velkor Gamma 3.0.0";
        QTest::newRow("a row that moved down when another was installed")
            << "Velkor Gamma" << int(QMessageBox::Yes)
            << QStringList { "question: Remove Velkor Gamma v. 3.0.0?", "Removing" } << QStringList { alpha, beta };
        QTest::newRow("the row added last")
            << "Velkor Beta" << int(QMessageBox::Yes)
            << QStringList { "question: Remove Velkor Beta v. 2.0.0?", "Removing" } << QStringList { alpha, gamma };
        QTest::newRow("No keeps it") << "Velkor Gamma" << int(QMessageBox::No)
                                     << QStringList { "question: Remove Velkor Gamma v. 3.0.0?" }
                                     << QStringList { alpha, beta, gamma };
    }

    void removeButtonRemovesItsOwnRow()
    {
        QFETCH(QString, target);
        QFETCH(int, answer);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rowsAfter);

        preinstall(extension("a", "Velkor Alpha", "1.0.0"));
        TestExtension gamma = extension("c", "Velkor Gamma", "3.0.0");
        gamma.files = { { "gamma.js", "gamma();\n", "$dreamweaver/Configuration/Commands/Gamma" } };
        gamma.configurationChanges.clear();
        preinstall(gamma);
        // Installed through the window, so the rows are rebuilt and Gamma moves down.
        DialogDriver driver;
        QVERIFY(m_window->installPackageFile(writePackage(extension("b", "Velkor Beta", "2.0.0"), "beta.mxp")));
        driver.log.clear();
        driver.answers = { answer };
        buttonInRow("tableInstalled", target)->click();

        QCOMPARE(driver.log, log);
        QCOMPARE(installedRows(), rowsAfter);
        verifyBoxesBelongToTheWindow(driver);
        QCOMPARE(QFile::exists(configuration() + "/Commands/Gamma/gamma.js"), rowsAfter.contains("Velkor Gamma 3.0.0"));
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("installed"); // empty: nothing installed
        QTest::addColumn<Route>("route"); // a null body: the package
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QString>("zxp");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("warning"); // part of the warning

        const Route package;
        const QString name = "Velkor Tools.zxp";
        const int yes = QMessageBox::Yes;
        const QStringList fresh { "Downloading", "Installing" };
        const QStringList failed { replacePlus, "Downloading", "warning" };
        QTest::newRow("not installed: Downloading, then Installing")
            << QByteArray() << package << false << false << name << 0 << fresh << "";
        QTest::newRow("installed: the question, then Downloading, Removing, Installing")
            << QByteArray("1.0.0") << package << false << false << name << yes
            << QStringList { replacePlus, "Downloading", "Removing", "Installing" } << "";
        QTest::newRow("No: nothing is downloaded")
            << QByteArray("1.0.0") << package << false << false << name << 0 << QStringList { replacePlus } << "";
        QTest::newRow("trusted certificate") << QByteArray() << package << true << true << name << 0 << fresh << "";
        QTest::newRow("folders in an MXP's name stay out of the temporary name")
            << QByteArray() << package << false << false << "../../x/../tools.MXP" << 0 << fresh << "";
        QTest::newRow("backslashes too") << QByteArray() << package << false << false << "..\\..\\Velkor Tools.zxp" << 0
                                         << fresh << "";
        QTest::newRow("not found: a warning, the old version stays")
            << QByteArray("1.0.0") << Route { 404, "gone", Delivery::Whole, -1 } << false << false << name << yes
            << failed << "Velkor Tools Plus (Velkor Tools.zxp) could not be downloaded: ";
        QTest::newRow("a page that is no package: the old version stays")
            << QByteArray("1.0.0") << Route { 200, "<html>maintenance</html>", Delivery::Whole, -1 } << false << false
            << name << yes << failed << "no extension manifest";
        QTest::newRow("self-signed certificate: installs nothing")
            << QByteArray() << package << true << false << name << 0 << QStringList { "Downloading", "warning" }
            << "certificate";
    }

    void download()
    {
        QFETCH(QByteArray, installed);
        QFETCH(Route, route);
        QFETCH(bool, secure);
        QFETCH(bool, trusted);
        QFETCH(QString, zxp);
        QFETCH(int, answer);
        QFETCH(QStringList, log);
        QFETCH(QString, warning);

        if (!installed.isEmpty())
            preinstall(tools(installed));
        const QString packageFile = zxp.endsWith("MXP") ? "package.mxp" : "package.zxp";
        if (route.body.isNull())
            route.body = readFile(writePackage(tools("2.0.0", "Velkor Tools Plus"), packageFile));
        StoreServer server(secure);
        QVERIFY(server.start(route));
        if (trusted)
            StoreServer::trustCertificate();
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        offerInStore("Velkor Tools Plus", zxp);
        const QStringList userBefore = entriesBelow(root() + "/user");

        DialogDriver driver;
        if (answer)
            driver.answers = { answer };
        QStringList whileInstalling;
        driver.onProgress = [&](const QString& title) {
            if (title == "Installing")
                whileInstalling = entriesBelow(root());
        };
        buttonInRow("tableStore", "Velkor Tools Plus")->click();

        QCOMPARE(driver.log, log);
        verifyBoxesBelongToTheWindow(driver);
        QCOMPARE(server.requests().isEmpty(), !log.contains("Downloading") || (secure && !trusted));
        // Nothing stays in the temporary folder once the command ends.
        QCOMPARE(entriesBelow(root() + "/tmp"), QStringList());
        if (!warning.isEmpty()) {
            QCOMPARE(driver.warnings.size(), 1);
            QVERIFY2(driver.warnings.first().contains(warning), qPrintable(driver.warnings.first()));
            QVERIFY(driver.warnings.first().contains("Velkor Tools Plus"));
        }
        if (!log.contains("Installing")) {
            QCOMPARE(installedRows(), installed.isEmpty() ? QStringList() : QStringList { "Velkor Tools 1.0.0" });
            QCOMPARE(entriesBelow(root() + "/user"), userBefore);
            return;
        }
        QCOMPARE(installedRows(), QStringList { "Velkor Tools Plus 2.0.0" });
        // While installing, the package lay in the temporary folder under a
        // unique prefix and the catalogue name's last component, and nowhere else.
        const QString lastComponent = zxp.mid(qMax(zxp.lastIndexOf('/'), zxp.lastIndexOf('\\')) + 1);
        const QStringList elsewhere = whileInstalling.filter(QRegularExpression("^(?!user/|tmp/|packages/)"));
        QCOMPARE(elsewhere, QStringList());
        const QStringList temporary = whileInstalling.filter(QRegularExpression("^tmp/."));
        QCOMPARE(temporary.size(), 1);
        QVERIFY2(temporary.first().contains(
                     QRegularExpression("^tmp/[^/]{6}" + QRegularExpression::escape(lastComponent) + "$")),
            qPrintable(temporary.first()));
    }

    void failuresAreShownInAWarning_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("warningParts");

        const QString partly = "Velkor Tools was installed, but not completely.";
        QTest::newRow("a listed file missing from the package")
            << "missing file" << QStringList { "Installing", "warning" }
            << QStringList { partly, "tool.js", "missing from the package" };
        QTest::newRow("a Menus.xml that cannot be edited")
            << "bad menus" << QStringList { "Installing", "warning" }
            << QStringList { partly, "could not be edited", QDir::toNativeSeparators("Menus/Menus.xml") };
        QTest::newRow("the manifest copy cannot be stored")
            << "blocked store" << QStringList { "Installing", "warning" }
            << QStringList { "Velkor Tools could not be installed: ", "Velkor Tools.mxi" };
        QTest::newRow("a damaged package")
            << "damaged" << QStringList { "warning" }
            << QStringList { "broken.zxp cannot be installed: no extension manifest can be read from it" };
        QTest::newRow("a removal that leaves a file")
            << "stuck file" << QStringList { "question: Remove Velkor Tools v. 1.0.0?", "Removing", "warning" }
            << QStringList { "Velkor Tools could not be removed completely.", "tool.js" };
    }

    void failuresAreShownInAWarning()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, log);
        QFETCH(QStringList, warningParts);

        TestExtension other = extension("other", "Velkor Other", "1.0");
        other.files = { { "other.js", "other();\n", "$dreamweaver/Configuration/Commands/Other" } };
        other.configurationChanges.clear();
        preinstall(other);
        TestExtension package = tools("1.0.0");
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
            path = writePackage(package, "Velkor Tools.zxp");

        DialogDriver driver;
        bool installed = false;
        if (kind == "stuck file") {
            preinstall(package);
            QVERIFY(QFile::remove(tool) && writeFile(tool + "/inside.txt", "x"));
            driver.answers = { QMessageBox::Yes };
            buttonInRow("tableInstalled", "Velkor Tools")->click();
        } else {
            installed = m_window->installPackageFile(path);
        }

        QCOMPARE(driver.log, log);
        verifyBoxesBelongToTheWindow(driver);
        QCOMPARE(driver.warnings.size(), 1);
        for (const QString& part : warningParts)
            QVERIFY2(driver.warnings.first().contains(part), qPrintable(driver.warnings.first()));
        QCOMPARE(installed, kind == "missing file" || kind == "bad menus");
        // The other extension is never touched by a failed command.
        QCOMPARE(installedRows().contains("Velkor Other 1.0"), true);
        QCOMPARE(installedRows().contains("Velkor Tools 1.0.0"), installed);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir emptyProfile;
    GuiTestSupport::usePretendProfile(emptyProfile.path());
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    Application application(argc, argv);
    qRegisterMetaType<Route>();
    TestCommands test;
    // The start-up work must not replace a test's installation list later.
    QSignalSpy started(&application, &Application::dreamweaversUpdated);
    started.wait(5000);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
