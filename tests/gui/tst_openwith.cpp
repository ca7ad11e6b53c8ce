#include "DialogDriver.h"
#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/GuiTestSupport.h"
#include "support/InstallerFixtures.h"
#include "ui/MainWindow.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using namespace InstallerFixtures;

namespace {

TestExtension extension(const QByteArray& name, const QByteArray& version)
{
    TestExtension result = toolsExtension();
    result.id = "com.velkor." + name;
    result.name = "Velkor " + name;
    result.version = version;
    result.manifestName = result.name + ".mxi";
    return result;
}

const QString replaceTools = replaceQuestion("Velkor Tools", "1.0.0", "Velkor Tools", "2.0.0");
const QString notPackage = "@/packages/notes.txt cannot be installed: it is not a ZXP or MXP package.";

struct Start
{
    bool installation; // a Dreamweaver in the profile
    QStringList arguments; // "@" stands for the test's folder
    QStringList log;
    QStringList rowsAfter;
    QStringList warningLines;
};

} // namespace

Q_DECLARE_METATYPE(Start)

// The program is started anew for every test, with the test's command line,
// against a profile in a temporary folder.
class TestOpenWith : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    QByteArrayList m_arguments;
    std::vector<char*> m_argv;
    int m_argc = 0;
    std::unique_ptr<Application> m_application;
    std::unique_ptr<MainWindow> m_window;
    QString m_startingFolder;
    QString m_configuration;

    QString root() const { return m_root->path(); }
    QStringList installedRows() { return tableRows(m_window->findChild<QTableWidget*>("tableInstalled")); }

    // "@" at the start stands for the test's folder.
    QString resolved(const QString& text) const
    {
        return text.startsWith('@') ? QDir::toNativeSeparators(root() + text.mid(1)) : text;
    }

    // What main() does: the application object with the command line, and the
    // window shown before the event loop runs. Returns once start-up is done.
    void launch(bool withInstallation, const QStringList& arguments, DialogDriver& driver)
    {
        if (withInstallation) {
            m_configuration = GuiTestSupport::writeInstallation(root(), "Dreamweaver CS6", "12.0");
            QVERIFY(writeFile(m_configuration + "/Menus/Menus.xml", menusXml()));
            QVERIFY(writeFile(m_configuration + "/Objects/insertbar.xml", insertbarXml()));
        }
        m_arguments = { "moravel" };
        for (const QString& argument : arguments)
            m_arguments << QFile::encodeName(resolved(argument));
        m_argv.clear();
        for (QByteArray& argument : m_arguments)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
        m_argc = int(m_arguments.size());
        m_application = std::make_unique<Application>(m_argc, m_argv.data());
        qApp->installEventFilter(&driver);
        m_window = std::make_unique<MainWindow>(nullptr);
        m_window->show();
        QSignalSpy started(m_application.get(), &Application::dreamweaversUpdated);
        QVERIFY(started.wait(5000));
    }

private slots:
    void initTestCase()
    {
        m_startingFolder = QDir::currentPath();
        qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        GuiTestSupport::usePretendProfile(root());
        const QString packages = root() + "/packages";
        QVERIFY(extension("Tools", "2.0.0").writePackage(packages + "/tools.zxp"));
        QVERIFY(extension("Tools", "1.0.0").writePackage(packages + "/tools-1.zxp"));
        QVERIFY(writeFile(packages + "/notes.txt", "notes"));
        QVERIFY(QDir::setCurrent(packages));
    }

    void cleanup()
    {
        m_window.reset();
        const bool leaked = m_application && !QApplication::topLevelWidgets().isEmpty();
        m_application.reset();
        DreamweaverInfo::installations().clear();
        QDir::setCurrent(m_startingFolder);
        m_root.reset();
        QVERIFY2(!leaked, "a top-level window leaked");
    }

    void installsThePackagesItIsStartedWith_data()
    {
        QTest::addColumn<Start>("c");

        const QStringList warning { "warning" };
        QTest::newRow("a relative name is taken from the starting folder, Qt's own options are not files")
            << Start { true, { "-platform", "offscreen", "tools.zxp" }, { "Installing" }, { "Velkor Tools 2.0.0" },
                   {} };
        QTest::newRow("several files in the order given, the same questions, a refusal does not stop the next")
            << Start { true, { "@/packages/notes.txt", "@/packages/tools-1.zxp", "@/packages/tools.zxp" },
                   { "warning", "Installing", replaceTools, "Removing", "Installing" }, { "Velkor Tools 2.0.0" },
                   { notPackage } };
        QTest::newRow("no Dreamweaver installed") << Start { false, { "@/packages/tools.zxp" }, warning, {},
            { "@/packages/tools.zxp cannot be installed: no Dreamweaver installation was found." } };
        QTest::newRow("an empty argument names no file") << Start { true, { "" }, {}, {}, {} };
    }

    void installsThePackagesItIsStartedWith()
    {
        QFETCH(Start, c);

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes };
        launch(c.installation, c.arguments, driver);
        // The whole log arrives, and nothing more after it.
        QTRY_COMPARE(driver.log, c.log);
        QTest::qWait(50);
        QCOMPARE(driver.log, c.log);
        QCOMPARE(installedRows(), c.rowsAfter);
        for (QString& line : c.warningLines)
            line = resolved(line);
        QCOMPARE(driver.warnings.join('\n'), c.warningLines.join('\n'));
        if (c.rowsAfter == QStringList { "Velkor Tools 2.0.0" })
            QCOMPARE(readFile(m_configuration + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), 1);
    }
};

// No application object here: each test makes its own, with its own command line.
QTEST_APPLESS_MAIN(TestOpenWith)

#include "tst_openwith.moc"
