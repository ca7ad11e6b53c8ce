#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/InstallerFixtures.h"
#include "ui/MainWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>
#include <vector>

using namespace InstallerFixtures;
using Answers = QList<int>; // QMessageBox::StandardButton, in the order the questions come

namespace {

// Logs the message boxes and progress dialogs as they appear, and answers the
// boxes from a zero-delay timer, as a user would once they are on screen.
class DialogDriver : public QObject
{
public:
    QStringList log; // "question: <text>", "warning", or a progress dialog's title
    QStringList warnings;
    Answers answers;

    DialogDriver() { qApp->installEventFilter(this); }
    ~DialogDriver() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !widget || !widget->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (box->icon() == QMessageBox::Warning) {
                log << QStringLiteral("warning");
                warnings << box->text();
            } else {
                log << QStringLiteral("question: ") + box->text();
                answer = answers.isEmpty() ? QMessageBox::No : QMessageBox::StandardButton(answers.takeFirst());
            }
            QTimer::singleShot(0, box, [box, answer] { box->button(answer)->click(); });
        } else if (widget->inherits("Progress")) {
            log << widget->windowTitle();
        }
        return false;
    }
};

TestExtension tools(const QByteArray& version)
{
    TestExtension result = toolsExtension();
    result.id = "com.velkor.tools";
    result.name = "Velkor Tools";
    result.version = version;
    result.manifestName = "Velkor Tools.mxi";
    return result;
}

TestExtension gallery()
{
    TestExtension result = toolsExtension();
    result.id = "com.velkor.gallery";
    result.name = "Velkor Gallery";
    result.manifestName = "Velkor Gallery.mxi";
    result.files = { { "gallery.js", "gallery();\n", "$dreamweaver/Configuration/Commands/Gallery" } };
    result.configurationChanges.clear();
    return result;
}

QString replaceQuestion(const QString& installedVersion, const QString& version)
{
    return "question: Version " + installedVersion + " of Velkor Tools is already installed.\n\n"
        + "Do you want to replace it with Velkor Tools v. " + version + "?";
}

QStringList rows(const QTableWidget* table)
{
    QStringList shown;
    for (int row = 0; row < table->rowCount(); ++row)
        shown << table->item(row, 0)->text() + " " + table->item(row, 1)->text();
    return shown;
}

} // namespace

// The program is started anew for every test, with the test's command line,
// against a profile in a temporary folder.
class TestDropAndOpen : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QByteArrayList m_arguments;
    std::vector<char*> m_argv;
    int m_argc = 0;
    std::unique_ptr<Application> m_application;
    std::unique_ptr<MainWindow> m_window;
    QString m_startingFolder;

    QString root() const { return m_root->path(); }
    QString userFolder() const { return root() + "/AppData/Adobe/Dreamweaver CS6"; }
    QString configuration() const { return userFolder() + "/en_US/Configuration"; }
    QTableWidget* installedTable() { return m_window->findChild<QTableWidget*>(QStringLiteral("tableInstalled")); }

    // "@" at the start stands for the test's folder.
    QString resolved(const QString& text) const
    {
        return text.startsWith('@') ? QDir::toNativeSeparators(root() + text.mid(1)) : text;
    }

    void writeInstallation()
    {
        QVERIFY(DiscoveryFixtures::writeFile(configuration() + "/version.xml", DiscoveryFixtures::versionXml("12.0")));
        QVERIFY(QDir().mkpath(root() + "/Program Files/Adobe/Adobe Dreamweaver CS6"));
        QVERIFY(writeFile(configuration() + "/Menus/Menus.xml", menusXml()));
        QVERIFY(writeFile(configuration() + "/Objects/insertbar.xml", insertbarXml()));
    }

    // What main() does: the application object with the command line, and the
    // window shown before the event loop runs.
    void launch(const QStringList& arguments)
    {
        m_arguments = { "moravel" };
        for (const QString& argument : arguments)
            m_arguments << QFile::encodeName(resolved(argument));
        m_argv.clear();
        for (QByteArray& argument : m_arguments)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
        m_argc = int(m_arguments.size());
        m_application = std::make_unique<Application>(m_argc, m_argv.data());
        m_window = std::make_unique<MainWindow>(nullptr);
        m_window->show();
    }

    void waitForStartUp()
    {
        QSignalSpy started(m_application.get(), &Application::dreamweaversUpdated);
        QVERIFY(started.wait(5000));
    }

    // Files (and addresses) to drag; plain text when there are none.
    QMimeData* mimeData(const QStringList& urls)
    {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const QString& url : urls)
            list << (url.startsWith('@') ? QUrl::fromLocalFile(root() + url.mid(1)) : QUrl(url));
        if (list.isEmpty())
            data->setText(QStringLiteral("tools.zxp"));
        else
            data->setUrls(list);
        return data;
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
        QVERIFY(m_root->isValid());
        qputenv("APPDATA", QString(root() + "/AppData").toUtf8());
        qputenv("ALLUSERSPROFILE", QString(root() + "/ProgramData").toUtf8());
        qputenv("ProgramW6432", QString(root() + "/Program Files").toUtf8());
        const QString packages = root() + "/packages";
        QVERIFY(tools("2.0.0").writePackage(packages + "/tools.zxp"));
        QVERIFY(tools("1.0.0").writePackage(packages + "/tools-1.zxp"));
        QVERIFY(gallery().writePackage(packages + "/gallery.MXP"));
        QVERIFY(writeFile(packages + "/notes.txt", "notes"));
        QVERIFY(QDir().mkpath(packages + "/folder.zxp"));
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

    void installsPackagesGivenOnTheCommandLine_data()
    {
        QTest::addColumn<bool>("withInstallation");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<QStringList>("warnings");

        const QStringList installed { "Installing" };
        const QStringList tools2 { "Velkor Tools 2.0.0" };
        QTest::newRow("a package installs once the installations are known")
            << true << QStringList { "@/packages/tools.zxp" } << Answers {} << installed << tools2 << QStringList {};
        QTest::newRow("a relative name is taken from the starting folder")
            << true << QStringList { "tools.zxp" } << Answers {} << installed << tools2 << QStringList {};
        QTest::newRow("Qt's own options are not taken for files")
            << true << QStringList { "-platform", "offscreen", "@/packages/tools.zxp" } << Answers {} << installed
            << tools2 << QStringList {};
        QTest::newRow("several packages install in the order given, with the same questions")
            << true << QStringList { "@/packages/tools-1.zxp", "@/packages/tools.zxp" } << Answers { QMessageBox::Yes }
            << QStringList { "Installing", replaceQuestion("1.0.0", "2.0.0"), "Removing", "Installing" } << tools2
            << QStringList {};
        QTest::newRow("a missing file: a warning naming it")
            << true << QStringList { "@/packages/gone.zxp" } << Answers {} << QStringList { "warning" }
            << QStringList {} << QStringList { "@/packages/gone.zxp cannot be installed: the file does not exist." };
        QTest::newRow("a folder: a warning naming it")
            << true << QStringList { "@/packages/folder.zxp" } << Answers {} << QStringList { "warning" }
            << QStringList {}
            << QStringList { "@/packages/folder.zxp cannot be installed: it is a folder, not a package file." };
        QTest::newRow("not a package: a warning, and the next file still installs")
            << true << QStringList { "@/packages/notes.txt", "@/packages/gallery.MXP" } << Answers {}
            << QStringList { "warning", "Installing" } << QStringList { "Velkor Gallery 1.0.0" }
            << QStringList { "@/packages/notes.txt cannot be installed: it is not a ZXP or MXP package." };
        QTest::newRow("no Dreamweaver installed: a warning naming the file")
            << false << QStringList { "@/packages/tools.zxp" } << Answers {} << QStringList { "warning" }
            << QStringList {}
            << QStringList { "@/packages/tools.zxp cannot be installed: no Dreamweaver installation was found." };
        QTest::newRow("no file given: nothing happens")
            << true << QStringList {} << Answers {} << QStringList {} << QStringList {} << QStringList {};
        QTest::newRow("an empty argument names no file")
            << true << QStringList { "" } << Answers {} << QStringList {} << QStringList {} << QStringList {};
    }

    void installsPackagesGivenOnTheCommandLine()
    {
        QFETCH(bool, withInstallation);
        QFETCH(QStringList, arguments);
        QFETCH(Answers, answers);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rowsAfter);
        QFETCH(QStringList, warnings);

        if (withInstallation)
            writeInstallation();
        launch(arguments);
        DialogDriver driver;
        driver.answers = answers;
        waitForStartUp();

        QTRY_COMPARE(driver.log, log);
        // Nothing more comes once the start-up work is done.
        QTest::qWait(50);
        QCOMPARE(driver.log, log);
        QCOMPARE(rows(installedTable()), rowsAfter);
        for (QString& warning : warnings)
            warning = resolved(warning);
        QCOMPARE(driver.warnings, warnings);
    }

    void dropInstallsPackagesAndRefusesTheRest_data()
    {
        QTest::addColumn<QStringList>("urls"); // "@" stands for the test's folder; none: plain text
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<bool>("taken"); // the drag's entry
        QTest::addColumn<bool>("accepted"); // the drop
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<QStringList>("warningLines");

        const QString web = "https://www.velkor.example/tools.zxp";
        QTest::newRow("a ZXP installs") << QStringList { "@/packages/tools.zxp" } << Answers {} << true << true
                                        << QStringList { "Installing" } << QStringList { "Velkor Tools 2.0.0" }
                                        << QStringList {};
        QTest::newRow("a suffix in capitals: the MXP installs")
            << QStringList { "@/packages/gallery.MXP" } << Answers {} << true << true << QStringList { "Installing" }
            << QStringList { "Velkor Gallery 1.0.0" } << QStringList {};
        QTest::newRow("a text file is taken, then refused naming it")
            << QStringList { "@/packages/notes.txt" } << Answers {} << true << false << QStringList { "warning" }
            << QStringList {}
            << QStringList { "@/packages/notes.txt cannot be installed: it is not a ZXP or MXP package." };
        QTest::newRow("the refusals first, then the packages in order")
            << QStringList { "@/packages/notes.txt", "@/packages/tools-1.zxp", web, "@/packages/tools.zxp" }
            << Answers { QMessageBox::Yes } << true << true
            << QStringList { "warning", "Installing", replaceQuestion("1.0.0", "2.0.0"), "Removing", "Installing" }
            << QStringList { "Velkor Tools 2.0.0" }
            << QStringList { "@/packages/notes.txt cannot be installed: it is not a ZXP or MXP package.",
                   web + " cannot be installed: it is not a file on this computer." };
        QTest::newRow("a web address alone is not taken") << QStringList { web } << Answers {} << false << false
                                                          << QStringList {} << QStringList {} << QStringList {};
        QTest::newRow("plain text is not taken")
            << QStringList {} << Answers {} << false << false << QStringList {} << QStringList {} << QStringList {};
    }

    void dropInstallsPackagesAndRefusesTheRest()
    {
        QFETCH(QStringList, urls);
        QFETCH(Answers, answers);
        QFETCH(bool, taken);
        QFETCH(bool, accepted);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rowsAfter);
        QFETCH(QStringList, warningLines);

        writeInstallation();
        launch({});
        DialogDriver driver;
        driver.answers = answers;
        waitForStartUp();
        QCOMPARE(rows(installedTable()), QStringList());

        // Qt hands a drop only to the widget that took the drag's entry.
        std::unique_ptr<QMimeData> data(mimeData(urls));
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &enter);
        QCOMPARE(enter.isAccepted(), taken);
        QVERIFY(m_window->acceptDrops());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &drop);
        QCOMPARE(drop.isAccepted(), accepted);
        // Nothing is asked or installed while the drop is still being delivered.
        QCOMPARE(driver.log, QStringList());

        QTRY_COMPARE(driver.log, log);
        QTest::qWait(50);
        QCOMPARE(driver.log, log);
        QCOMPARE(rows(installedTable()), rowsAfter);
        for (QString& line : warningLines)
            line = resolved(line);
        QCOMPARE(driver.warnings, warningLines.isEmpty() ? QStringList() : QStringList { warningLines.join('\n') });
        if (rowsAfter.contains("Velkor Tools 2.0.0")) {
            QVERIFY(QFile::exists(configuration() + "/Commands/Velkor/tool.js"));
            QCOMPARE(readFile(configuration() + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), 1);
        }
    }
};

// No application object here: each test makes its own, with its own command line.
QTEST_APPLESS_MAIN(TestDropAndOpen)

#include "tst_dropandopen.moc"
