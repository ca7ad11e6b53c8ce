#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace InstallerFixtures;
using Delivery = StoreServer::Delivery;
using Answers = QList<int>; // QMessageBox::StandardButton, in the order the questions come

namespace {

// Watches every window the commands open, logs it and answers it from a
// zero-delay timer, as a user would once it is on screen.
class DialogDriver : public QObject
{
public:
    QStringList log; // "file dialog: <caption> | <filter>", "question: <text>", "warning", "<progress title>"
    QStringList warnings;
    QList<QWidget*> boxParents;
    Answers answers;
    QString fileToChoose; // empty: the file dialog is cancelled
    QString watchedFolder; // listed when the "Installing" dialog appears
    QStringList watchedFolderWhileInstalling;

    DialogDriver() { qApp->installEventFilter(this); }
    ~DialogDriver() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !widget || !widget->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            boxParents << box->parentWidget();
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (box->icon() == QMessageBox::Warning) {
                log << QStringLiteral("warning");
                warnings << box->text();
            } else {
                log << QStringLiteral("question: ") + box->text();
                answer = answers.isEmpty() ? QMessageBox::No : QMessageBox::StandardButton(answers.takeFirst());
            }
            QTimer::singleShot(0, box, [box, answer] { box->button(answer)->click(); });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
            log << QStringLiteral("file dialog: ") + dialog->windowTitle() + " | " + dialog->nameFilters().join(';');
            const QString file = fileToChoose;
            QTimer::singleShot(0, dialog, [dialog, file] {
                if (file.isEmpty()) {
                    dialog->reject();
                    return;
                }
                dialog->selectFile(file);
                static_cast<QDialog*>(dialog)->accept();
            });
        } else if (widget->inherits("Progress")) {
            log << widget->windowTitle();
            if (widget->windowTitle() == QLatin1String("Installing") && !watchedFolder.isEmpty())
                watchedFolderWhileInstalling = entriesBelow(watchedFolder);
        }
        return false;
    }
};

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

QStringList rows(const QTableWidget* table)
{
    QStringList shown;
    for (int row = 0; row < table->rowCount(); ++row)
        shown << table->item(row, 0)->text() + " " + table->item(row, 1)->text();
    return shown;
}

QString replaceQuestion(
    const QString& installed, const QString& installedVersion, const QString& name, const QString& version)
{
    return "question: Version " + installedVersion + " of " + installed
        + " is already installed.\n\nDo you want to replace it with " + name + " v. " + version + "?";
}

const char fileDialogLine[] = "file dialog: Select Extension to Install | Extension Files (*.zxp *.mxp)";

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private:
    Application* application() { return Application::instance(); }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<MainWindow> m_window;
    QSslConfiguration m_defaultTls;

    QString root() const { return m_root->path(); }
    DreamweaverInfo& dreamweaver() { return application()->dreamweavers()[0]; }
    QString configuration() { return dreamweaver().configurationFolder(QStringLiteral("en_US")); }
    QTableWidget* installedTable() { return m_window->findChild<QTableWidget*>(QStringLiteral("tableInstalled")); }
    QTableWidget* storeTable() { return m_window->findChild<QTableWidget*>(QStringLiteral("tableStore")); }

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

    QPushButton* buttonInRow(QTableWidget* table, const QString& name, int column)
    {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text() == name)
                return qobject_cast<QPushButton*>(table->cellWidget(row, column));
        }
        return nullptr;
    }

    void offerInStore(const QString& name, const QString& version, const QString& zxp)
    {
        application()->downloads() = { { "com.velkor.tools", name, version, zxp } };
        emit application()->downloadsUpdated();
    }

private slots:
    void initTestCase() { m_defaultTls = QSslConfiguration::defaultConfiguration(); }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        QDir().mkpath(root() + "/tmp");
        qputenv("TMPDIR", QString(root() + "/tmp").toUtf8());
        application()->dreamweavers() = { DreamweaverInfo(
            QStringLiteral("Dreamweaver CS6"), QStringLiteral("Adobe"), root() + "/user", { "en_US" }) };
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
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a top-level window leaked");
    }

    void commandsDoNothingWithoutAnInstallation_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Install beside the selector") << "install";
        QTest::newRow("Remove in an Installed row") << "remove";
        QTest::newRow("Install in a Store row") << "store";
    }

    void commandsDoNothingWithoutAnInstallation()
    {
        QFETCH(QString, button);

        StoreServer server(false);
        QVERIFY(server.start());
        server.setFallbackRoute({ 200, "PK", Delivery::Whole, -1 });
        qputenv("MORAVEL_DOWNLOADS_URL", server.baseUrl().toUtf8());
        preinstall(tools("1.0.0"));
        offerInStore("Velkor Tools", "2.0.0", "Velkor Tools.zxp");
        // The list goes away; the tables keep their rows and buttons.
        application()->dreamweavers().clear();
        emit application()->dreamweaversUpdated();
        QCOMPARE(installedTable()->rowCount(), 1);
        const QStringList before = entriesBelow(root());

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes, QMessageBox::Yes };
        if (button == "install")
            m_window->findChild<QPushButton*>(QStringLiteral("installButton"))->click();
        else if (button == "remove")
            buttonInRow(installedTable(), "Velkor Tools", 3)->click();
        else
            buttonInRow(storeTable(), "Velkor Tools", 2)->click();

        QCOMPARE(driver.log, QStringList());
        QCOMPARE(server.requests(), QList<QByteArray>());
        QCOMPARE(entriesBelow(root()), before);
    }

    void installFromDisk_data()
    {
        QTest::addColumn<QByteArray>("installedVersion"); // empty: nothing installed
        QTest::addColumn<QByteArray>("packageVersion");
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rowsAfter");

        const QString plus = QStringLiteral("Velkor Tools Plus");
        QTest::newRow("not installed: installs without a question")
            << QByteArray() << QByteArray("2.0.0") << true << Answers {} << QStringList { fileDialogLine, "Installing" }
            << QStringList { plus + " 2.0.0" };
        QTest::newRow("newer version: the question, Yes removes and then installs")
            << QByteArray("1.0.0") << QByteArray("2.0.0") << true << Answers { QMessageBox::Yes }
            << QStringList { fileDialogLine, replaceQuestion("Velkor Tools", "1.0.0", plus, "2.0.0"), "Removing",
                   "Installing" }
            << QStringList { plus + " 2.0.0" };
        QTest::newRow("older version: asked just the same")
            << QByteArray("3.1") << QByteArray("2.0.0") << true << Answers { QMessageBox::Yes }
            << QStringList { fileDialogLine, replaceQuestion("Velkor Tools", "3.1", plus, "2.0.0"), "Removing",
                   "Installing" }
            << QStringList { plus + " 2.0.0" };
        QTest::newRow("No changes nothing")
            << QByteArray("1.0.0") << QByteArray("2.0.0") << true << Answers { QMessageBox::No }
            << QStringList { fileDialogLine, replaceQuestion("Velkor Tools", "1.0.0", plus, "2.0.0") }
            << QStringList { "Velkor Tools 1.0.0" };
        QTest::newRow("cancelled file dialog does nothing")
            << QByteArray("1.0.0") << QByteArray("2.0.0") << false << Answers { QMessageBox::Yes }
            << QStringList { fileDialogLine } << QStringList { "Velkor Tools 1.0.0" };
    }

    void installFromDisk()
    {
        QFETCH(QByteArray, installedVersion);
        QFETCH(QByteArray, packageVersion);
        QFETCH(bool, chooseFile);
        QFETCH(Answers, answers);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rowsAfter);

        if (!installedVersion.isEmpty())
            preinstall(tools(installedVersion));
        const QString package = writePackage(tools(packageVersion, "Velkor Tools Plus"), "Velkor Tools Plus.zxp");
        const QStringList before = entriesBelow(root());
        const QByteArray menusBefore = readFile(configuration() + "/Menus/Menus.xml");

        DialogDriver driver;
        driver.answers = answers;
        driver.fileToChoose = chooseFile ? package : QString();
        m_window->findChild<QPushButton*>(QStringLiteral("installButton"))->click();

        QCOMPARE(driver.log, log);
        QCOMPARE(rows(installedTable()), rowsAfter);
        for (QWidget* parent : driver.boxParents)
            QCOMPARE(parent, m_window.get());
        if (!log.contains("Installing")) {
            QCOMPARE(entriesBelow(root()), before);
            QCOMPARE(readFile(configuration() + "/Menus/Menus.xml"), menusBefore);
            return;
        }
        // The new version's files are in place and its menu entry is there once.
        QVERIFY(QFile::exists(configuration() + "/Commands/Velkor/tool.js"));
        QCOMPARE(readFile(configuration() + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), 1);
        QVERIFY(QFile::exists(dreamweaver().extensionStoreFolder("en_US") + "/Velkor Tools Plus.mxi"));
        QCOMPARE(QFile::exists(dreamweaver().extensionStoreFolder("en_US") + "/Velkor Tools.mxi"), false);
    }

    void removeButtonRemovesItsOwnExtension_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("rowsAfter");

        QTest::newRow("first row") << "Velkor Alpha" << int(QMessageBox::Yes)
                                   << QStringList { "Velkor Beta 2.0.0", "Velkor Gamma 3.0.0" };
        QTest::newRow("row that moved down when another was installed")
            << "Velkor Gamma" << int(QMessageBox::Yes) << QStringList { "Velkor Alpha 1.0.0", "Velkor Beta 2.0.0" };
        QTest::newRow("row added last") << "Velkor Beta" << int(QMessageBox::Yes)
                                        << QStringList { "Velkor Alpha 1.0.0", "Velkor Gamma 3.0.0" };
        QTest::newRow("No keeps it") << "Velkor Gamma" << int(QMessageBox::No)
                                     << QStringList { "Velkor Alpha 1.0.0", "Velkor Beta 2.0.0", "Velkor Gamma 3.0.0" };
    }

    void removeButtonRemovesItsOwnExtension()
    {
        QFETCH(QString, target);
        QFETCH(int, answer);
        QFETCH(QStringList, rowsAfter);

        preinstall(extension("a", "Velkor Alpha", "1.0.0"));
        TestExtension gamma = extension("c", "Velkor Gamma", "3.0.0");
        gamma.files = { { "gamma.js", "gamma();\n", "$dreamweaver/Configuration/Commands/Gamma" } };
        gamma.configurationChanges.clear();
        preinstall(gamma);
        QCOMPARE(rows(installedTable()), QStringList({ "Velkor Alpha 1.0.0", "Velkor Gamma 3.0.0" }));
        // Installed through the window, so the rows are rebuilt and Gamma moves down.
        DialogDriver driver;
        QVERIFY(m_window->installPackageFile(writePackage(extension("b", "Velkor Beta", "2.0.0"), "beta.mxp")));
        QCOMPARE(driver.log, QStringList { "Installing" });
        QCOMPARE(rows(installedTable()).size(), 3);

        driver.log.clear();
        driver.answers = { answer };
        buttonInRow(installedTable(), target, 3)->click();

        const QString version = target == "Velkor Alpha" ? "1.0.0" : target == "Velkor Beta" ? "2.0.0" : "3.0.0";
        QStringList log { "question: Remove " + target + " v. " + version + "?" };
        if (answer == QMessageBox::Yes)
            log << "Removing";
        QCOMPARE(driver.log, log);
        QCOMPARE(rows(installedTable()), rowsAfter);
        QCOMPARE(driver.boxParents, QList<QWidget*> { m_window.get() });
        QCOMPARE(QFile::exists(configuration() + "/Commands/Gamma/gamma.js"), rowsAfter.contains("Velkor Gamma 3.0.0"));
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("installedVersion"); // empty: nothing installed
        QTest::addColumn<StoreServer::Route>("route"); // the package unless a body is given
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QString>("zxp");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<QString>("warning"); // part of the warning, with the package's name

        using Route = StoreServer::Route;
        const QString question = replaceQuestion("Velkor Tools", "1.0.0", "Velkor Tools Plus", "2.0.0");
        const QStringList newRow { "Velkor Tools Plus 2.0.0" };
        const QStringList oldRow { "Velkor Tools 1.0.0" };
        const Route package { 200, QByteArray(), Delivery::Whole, -1 };

        QTest::newRow("not installed: Downloading, then Installing")
            << QByteArray() << package << false << false << "Velkor Tools.zxp" << Answers {}
            << QStringList { "Downloading", "Installing" } << newRow << "";
        QTest::newRow("installed: the question, then Downloading, Removing, Installing")
            << QByteArray("1.0.0") << package << false << false << "Velkor Tools.zxp" << Answers { QMessageBox::Yes }
            << QStringList { question, "Downloading", "Removing", "Installing" } << newRow << "";
        QTest::newRow("No: nothing is downloaded")
            << QByteArray("1.0.0") << package << false << false << "Velkor Tools.zxp" << Answers { QMessageBox::No }
            << QStringList { question } << oldRow << "";
        QTest::newRow("an MXP keeps its reader")
            << QByteArray() << package << false << false << "tools.MXP" << Answers {}
            << QStringList { "Downloading", "Installing" } << newRow << "";
        QTest::newRow("trusted certificate")
            << QByteArray() << package << true << true << "Velkor Tools.zxp" << Answers {}
            << QStringList { "Downloading", "Installing" } << newRow << "";
        QTest::newRow("folders in the name do not leave the temporary folder")
            << QByteArray() << package << false << false << "../../x/../Velkor Tools.zxp" << Answers {}
            << QStringList { "Downloading", "Installing" } << newRow << "";
        QTest::newRow("backslashes in the name do not leave it either")
            << QByteArray() << package << false << false << "..\\..\\Velkor Tools.zxp" << Answers {}
            << QStringList { "Downloading", "Installing" } << newRow << "";

        QTest::newRow("not found: a warning, the old version stays")
            << QByteArray("1.0.0") << Route { 404, "gone", Delivery::Whole, -1 } << false << false << "Velkor Tools.zxp"
            << Answers { QMessageBox::Yes } << QStringList { question, "Downloading", "warning" } << oldRow
            << "Velkor Tools Plus (Velkor Tools.zxp) could not be downloaded: ";
        QTest::newRow("self-signed certificate: installs nothing")
            << QByteArray() << package << true << false << "Velkor Tools.zxp" << Answers {}
            << QStringList { "Downloading", "warning" } << QStringList {} << "certificate";
        QTest::newRow("a page that is no package: the old version stays")
            << QByteArray("1.0.0") << Route { 200, "<html>maintenance</html>", Delivery::Whole, -1 } << false << false
            << "Velkor Tools.zxp" << Answers { QMessageBox::Yes } << QStringList { question, "Downloading", "warning" }
            << oldRow << "no extension manifest";
    }

    void download()
    {
        QFETCH(QByteArray, installedVersion);
        QFETCH(StoreServer::Route, route);
        QFETCH(bool, secure);
        QFETCH(bool, trusted);
        QFETCH(QString, zxp);
        QFETCH(Answers, answers);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rowsAfter);
        QFETCH(QString, warning);

        if (!installedVersion.isEmpty())
            preinstall(tools(installedVersion));
        const QString packageFile = zxp.endsWith("MXP") ? "package.mxp" : "package.zxp";
        if (route.body.isNull())
            route.body = readFile(writePackage(tools("2.0.0", "Velkor Tools Plus"), packageFile));
        StoreServer server(secure);
        QVERIFY(server.start());
        server.setFallbackRoute(route);
        if (trusted) {
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.addCaCertificate(StoreServer::certificate());
            QSslConfiguration::setDefaultConfiguration(tls);
        }
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        offerInStore("Velkor Tools Plus", "2.0.0", zxp);
        const QStringList outsideBefore = entriesBelow(root() + "/user");

        DialogDriver driver;
        driver.answers = answers;
        driver.watchedFolder = root();
        buttonInRow(storeTable(), "Velkor Tools Plus", 2)->click();

        QCOMPARE(driver.log, log);
        QCOMPARE(rows(installedTable()), rowsAfter);
        for (QWidget* parent : driver.boxParents)
            QCOMPARE(parent, m_window.get());
        QCOMPARE(server.requests().isEmpty(), !log.contains("Downloading") || (secure && !trusted));
        // Nothing stays in the temporary folder once the command ends.
        QCOMPARE(entriesBelow(root() + "/tmp"), QStringList());
        if (!warning.isEmpty()) {
            QCOMPARE(driver.warnings.size(), 1);
            QVERIFY2(driver.warnings.first().contains(warning), qPrintable(driver.warnings.first()));
            QVERIFY(driver.warnings.first().contains("Velkor Tools Plus"));
        }
        if (!log.contains("Installing")) {
            QCOMPARE(entriesBelow(root() + "/user"), outsideBefore);
            return;
        }
        // While installing, the package lay in the temporary folder under a
        // unique prefix and the catalogue name's last component, and nowhere else.
        const QString lastComponent = zxp.mid(qMax(zxp.lastIndexOf('/'), zxp.lastIndexOf('\\')) + 1);
        QStringList outside = driver.watchedFolderWhileInstalling.filter(QRegularExpression("^(?!user/|tmp/)"));
        outside.removeAll(QStringLiteral("packages/"));
        outside.removeAll("packages/" + packageFile);
        outside.removeAll(QStringLiteral("packages/pre.zxp"));
        QCOMPARE(outside, QStringList());
        const QStringList temporary = driver.watchedFolderWhileInstalling.filter(QRegularExpression("^tmp/."));
        QCOMPARE(temporary.size(), 1);
        QVERIFY2(QRegularExpression("^tmp/[^/]{6}" + QRegularExpression::escape(lastComponent) + "$")
                     .match(temporary.first())
                     .hasMatch(),
            qPrintable(temporary.first()));
    }

    void installWarnsWhenSomethingFails_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("warningParts");

        QTest::newRow("a listed file missing from the package")
            << "missing file" << QStringList { "Installing", "warning" }
            << QStringList { "Velkor Tools was installed, but not completely.", "tool.js", "missing from the package" };
        QTest::newRow("a Menus.xml that cannot be edited")
            << "bad menus" << QStringList { "Installing", "warning" }
            << QStringList { "Velkor Tools was installed, but not completely.", "could not be edited",
                   QDir::toNativeSeparators("Menus/Menus.xml") };
        QTest::newRow("the manifest copy cannot be stored")
            << "blocked store" << QStringList { "Installing", "warning" }
            << QStringList { "Velkor Tools could not be installed: ", "Velkor Tools.mxi" };
        QTest::newRow("not a package") << "text file" << QStringList { "warning" }
                                       << QStringList {
                                              "notes.txt cannot be installed: it is not a ZXP or MXP package"
                                          };
        QTest::newRow("a damaged package")
            << "damaged" << QStringList { "warning" }
            << QStringList { "broken.zxp cannot be installed: no extension manifest can be read from it" };
    }

    void installWarnsWhenSomethingFails()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, log);
        QFETCH(QStringList, warningParts);

        TestExtension package = tools("1.0.0");
        QString path;
        if (kind == "missing file") {
            package.files[1].data = QByteArray();
        } else if (kind == "bad menus") {
            QVERIFY(
                writeFile(configuration() + "/Menus/Menus.xml", "<menubar id=\"DWMenu_Commands\">\xff\xfe</menubar>"));
        } else if (kind == "blocked store") {
            // A folder with content where the manifest copy must go: no one,
            // not even root, can replace it with a file.
            const QString store = dreamweaver().extensionStoreFolder("en_US");
            QVERIFY(writeFile(store + "/Velkor Tools.mxi/inside.txt", "in the way"));
        } else if (kind == "text file") {
            path = root() + "/packages/notes.txt";
            QVERIFY(writeFile(path, "notes"));
        } else if (kind == "damaged") {
            path = root() + "/packages/broken.zxp";
            QVERIFY(writeFile(path, QByteArray(300, 'x')));
        }
        if (path.isEmpty())
            path = writePackage(package, "Velkor Tools.zxp");
        preinstall(extension("other", "Velkor Other", "1.0"));

        DialogDriver driver;
        const bool installed = m_window->installPackageFile(path);

        QCOMPARE(driver.log, log);
        QCOMPARE(driver.boxParents, QList<QWidget*> { m_window.get() });
        QCOMPARE(driver.warnings.size(), 1);
        for (const QString& part : warningParts)
            QVERIFY2(driver.warnings.first().contains(part), qPrintable(driver.warnings.first()));
        QCOMPARE(installed, kind == "missing file" || kind == "bad menus");
        // The extension already installed is never touched by a failed install.
        QVERIFY(rows(installedTable()).contains("Velkor Other 1.0"));
    }

    void removalWarnsWhenAFileStays()
    {
        preinstall(tools("1.0.0"));
        // A folder with content where the installed file was: deleting it fails, even for root.
        const QString file = configuration() + "/Commands/Velkor/tool.js";
        QVERIFY(QFile::remove(file));
        QVERIFY(writeFile(file + "/inside.txt", "x"));

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes };
        buttonInRow(installedTable(), "Velkor Tools", 3)->click();

        QCOMPARE(driver.log, QStringList({ "question: Remove Velkor Tools v. 1.0.0?", "Removing", "warning" }));
        QVERIFY2(driver.warnings.first().startsWith("Velkor Tools could not be removed completely."),
            qPrintable(driver.warnings.first()));
        QVERIFY(driver.warnings.first().contains(QDir::toNativeSeparators(file)));
        QCOMPARE(driver.boxParents, QList<QWidget*>({ m_window.get(), m_window.get() }));
        QCOMPARE(rows(installedTable()), QStringList());
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir emptyProfile;
    qputenv("APPDATA", emptyProfile.path().toUtf8());
    qputenv("ALLUSERSPROFILE", emptyProfile.path().toUtf8());
    qputenv("ProgramW6432", emptyProfile.path().toUtf8());
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    Application application(argc, argv);
    qRegisterMetaType<StoreServer::Route>();
    TestCommands test;
    // The start-up work must not replace a test's installation list later.
    QSignalSpy started(&application, &Application::dreamweaversUpdated);
    started.wait(5000);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
