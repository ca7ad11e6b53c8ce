#include "DialogDriver.h"
#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/GuiTestSupport.h"
#include "support/InstallerFixtures.h"
#include "ui/MainWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
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
    QStringList dropped; // files (or addresses) dropped on the window once it runs
    bool taken; // the drag's entry
    QStringList log;
    QStringList rowsAfter;
    QStringList warningLines;
};

} // namespace

Q_DECLARE_METATYPE(Start)

// The program is started anew for every test, with the test's command line,
// against a profile in a temporary folder.
class TestDropAndOpen : public QObject
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
        TestExtension gallery = extension("Gallery", "1.0.0");
        gallery.files = { { "gallery.js", "gallery();\n", "$dreamweaver/Configuration/Commands/Gallery" } };
        gallery.configurationChanges.clear();
        QVERIFY(gallery.writePackage(packages + "/gallery.MXP"));
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

    void installsPackagesGivenOrDropped_data()
    {
        QTest::addColumn<Start>("c");

        const QStringList installing { "Installing" }, warning { "warning" }, tools2 { "Velkor Tools 2.0.0" };
        const QString web = "https://www.velkor.example/tools.zxp";
        QTest::newRow("a relative name is taken from the starting folder")
            << Start { true, { "tools.zxp" }, {}, false, installing, tools2, {} };
        QTest::newRow("Qt's own options are not taken for files")
            << Start { true, { "-platform", "offscreen", "@/packages/tools.zxp" }, {}, false, installing, tools2, {} };
        QTest::newRow("several packages in the order given, with the same questions")
            << Start { true, { "@/packages/tools-1.zxp", "@/packages/tools.zxp" }, {}, false,
                   { "Installing", replaceTools, "Removing", "Installing" }, tools2, {} };
        QTest::newRow("not a package: a warning, and the next file still installs")
            << Start { true, { "@/packages/notes.txt", "@/packages/gallery.MXP" }, {}, false,
                   { "warning", "Installing" }, { "Velkor Gallery 1.0.0" }, { notPackage } };
        QTest::newRow("no Dreamweaver installed") << Start { false, { "@/packages/tools.zxp" }, {}, false, warning, {},
            { "@/packages/tools.zxp cannot be installed: no Dreamweaver installation was found." } };
        QTest::newRow("an empty argument names no file") << Start { true, { "" }, {}, false, {}, {}, {} };

        QTest::newRow("dropped: a text file is taken, then refused naming it")
            << Start { true, {}, { "@/packages/notes.txt" }, true, warning, {}, { notPackage } };
        QTest::newRow("dropped: the refusals first, in one warning, then the packages in order")
            << Start { true, {}, { "@/packages/notes.txt", "@/packages/tools-1.zxp", web, "@/packages/tools.zxp" },
                   true, { "warning", "Installing", replaceTools, "Removing", "Installing" }, tools2,
                   { notPackage, web + " cannot be installed: it is not a file on this computer." } };
        QTest::newRow("dropped: a web address alone is not taken") << Start { true, {}, { web }, false, {}, {}, {} };
    }

    void installsPackagesGivenOrDropped()
    {
        QFETCH(Start, c);

        DialogDriver driver;
        driver.answers = { QMessageBox::Yes };
        launch(c.installation, c.arguments, driver);
        if (!c.dropped.isEmpty()) {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString& url : c.dropped)
                urls << (url.startsWith('@') ? QUrl::fromLocalFile(root() + url.mid(1)) : QUrl(url));
            data.setUrls(urls);
            // Qt hands a drop only to the widget that took the drag's entry.
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.get(), &enter);
            QCOMPARE(enter.isAccepted(), c.taken);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.get(), &drop);
            QCOMPARE(drop.isAccepted(), !c.rowsAfter.isEmpty());
            // Nothing is asked or installed while the drop is still being delivered.
            QCOMPARE(driver.log, QStringList());
        }

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
QTEST_APPLESS_MAIN(TestDropAndOpen)

#include "tst_dropandopen.moc"
