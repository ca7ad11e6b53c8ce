#include "TestData.h"
#include "app/Application.h"
#include "app/ColourScheme.h"
#include "commands/InstallationLock.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/Installer.h"
#include "support/DiscoveryFixtures.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "support/TestRows.h"
#include "ui/EmptyTableHint.h"
#include "ui/InstalledListWatcher.h"
#include "ui/MainWindow.h"
#include "ui/OpenFilesDialog.h"
#include "ui/Progress.h"
#include "ui/RowButtonDelegate.h"
#include "ui/StatusBar.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolTip>
#include <QWindow>
#include <QtTest>

using namespace InstallerFixtures;

namespace {

// Watches every window the program opens, logs it and answers it from a
// zero-delay timer, as a user would once it is on screen.
class DialogDriver : public QObject
{
public:
    // "question: <text> | <yes> / <no>", "warning", "file dialog: <caption> | <filters>" or a progress dialog's title
    QStringList log;
    QStringList warnings;
    QList<QWidget*> boxParents; // null for a box that would render names from outside as markup
    QMessageBox::StandardButton answer = QMessageBox::Yes; // to every question
    QString fileToChoose; // empty: the file dialog is cancelled
    std::function<bool(QWidget*)> onProgress; // tried on each progress dialog every 10 ms until it returns true
    int installationToChoose = -1; // in the open-files question; -1 keeps the one it offers
    QString menuChoice; // the entry of a row's menu to choose
    QString fileDialogFolder; // the folder the last file dialog opened in

    DialogDriver() { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !widget || !widget->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            boxParents << (box->textFormat() == Qt::PlainText ? box->parentWidget() : nullptr);
            const bool question = box->button(QMessageBox::Yes) != nullptr;
            const bool warning = !question && box->icon() == QMessageBox::Warning;
            QString text = (question ? "question: " : "information: ") + box->text();
            if (question) {
                // "... | Update / Cancel", and how a risky question is asked.
                text += " | " + box->button(QMessageBox::Yes)->text() + " / " + box->button(QMessageBox::No)->text();
                if (box->icon() == QMessageBox::Warning && box->defaultButton() == box->button(QMessageBox::No))
                    text += " (warning, No by default)";
            }
            log << (warning ? QStringLiteral("warning") : text);
            if (warning)
                warnings << box->text();
            QTimer::singleShot(0, box, [box, b = question ? answer : QMessageBox::Ok] { box->button(b)->click(); });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
            log << "file dialog: " + dialog->windowTitle() + " | " + dialog->nameFilters().join(';');
            fileDialogFolder = dialog->directory().path();
            QTimer::singleShot(0, dialog, [dialog, file = fileToChoose] {
                dialog->selectFile(file);
                file.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
            });
        } else if (auto* open = qobject_cast<OpenFilesDialog*>(widget)) {
            // "open files: <heading> <each package>; ... | <installations, the offered one in brackets>"
            QString text = "open files: " + open->findChild<QLabel*>("openFilesHeading")->text();
            if (auto* list = open->findChild<QListWidget*>()) {
                for (int row = 0; row < list->count(); ++row)
                    text += (row ? "; " : " ") + list->item(row)->text();
            }
            auto* choice = open->findChild<QComboBox*>("installationChoice");
            QStringList installations;
            for (int index = 0; index < choice->count(); ++index)
                installations << (index == choice->currentIndex() ? "[" + choice->itemText(index) + "]"
                                                                  : choice->itemText(index));
            log << text + " | " + installations.join(", ");
            QTimer::singleShot(0, open, [open, choice, b = answer, index = installationToChoose] {
                if (index >= 0)
                    choice->setCurrentIndex(index);
                for (QAbstractButton* button : open->findChild<QDialogButtonBox*>()->buttons()) {
                    const auto role = open->findChild<QDialogButtonBox*>()->buttonRole(button);
                    if (role == (b == QMessageBox::Yes ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole))
                        button->click();
                }
            });
        } else if (widget->objectName() == "licenseDialog" || widget->windowTitle() == "Log") {
            // The licence's Accept or Decline, or the log's Close.
            log << widget->windowTitle() + ": " + widget->findChild<QPlainTextEdit*>()->toPlainText();
            QTimer::singleShot(0, widget, [widget, accept = answer == QMessageBox::Yes] {
                for (QAbstractButton* button : widget->findChild<QDialogButtonBox*>()->buttons()) {
                    if (button->text() == (accept ? "Accept" : "Decline") || button->text() == "Close")
                        button->click();
                }
            });
        } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
            QStringList entries;
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions()) {
                const QString text = action->text().remove('&');
                entries << text + (action->isEnabled() ? "" : " (disabled)");
                if (text == menuChoice)
                    chosen = action;
            }
            log << "menu: " + entries.join(" | ");
            QTimer::singleShot(0, menu, [menu, chosen] {
                if (chosen)
                    chosen->trigger();
                menu->close();
            });
        } else if (widget->objectName() == "reportDialog") {
            log << "report";
            QTimer::singleShot(0, widget, [widget] {
                widget->findChild<QPushButton*>("copyReportButton")->click();
                static_cast<QDialog*>(widget)->reject();
            });
        } else if (widget->inherits("Progress")) {
            log << widget->windowTitle();
            auto* poll = new QTimer(widget);
            connect(poll, &QTimer::timeout, widget, [this, widget, poll] {
                if (!onProgress || onProgress(widget))
                    poll->stop();
            });
            poll->start(10);
        }
        return false;
    }
};

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

struct Gesture
{
    // "install", "cancel", "store", "store: <what stops it>", "remove", "remove: no", "key: <key>", "drop", "start",
    // "start: no", "second start"
    QString gesture;
    bool withInstallation;
    QStringList files; // dropped, or the command line; "@" stands for the packages' folder
    QStringList log;
    QStringList warningLines;
    QStringList rowsAfter;
    QString status; // the status bar's message afterwards
};

} // namespace

Q_DECLARE_METATYPE(Gesture)

// The window's gestures and the program's command line reach the command
// layer, and its tables follow the installations; the flows themselves are
// tested without a window. The program is started anew for every test,
// against a profile in a temporary folder.
class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<QTemporaryDir> m_settingsFolder;
    QByteArrayList m_arguments;
    std::vector<char*> m_argv;
    int m_argc = 0;
    std::unique_ptr<Application> m_application;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<DialogDriver> m_driver;
    QString m_startingFolder;

    QString root() const { return m_root->path(); }
    QString resolved(QString text) const { return text.replace('@', QDir::toNativeSeparators(root() + "/packages")); }
    DreamweaverInfo& dreamweaver() { return m_application->dreamweavers()[0]; }
    QTableWidget* table(const char* name) { return m_window->findChild<QTableWidget*>(name); }
    // "<name> <version> <author>" for each row of the Installed table.
    QStringList installedRows()
    {
        QStringList shown;
        QTableWidget* installed = table("tableInstalled");
        for (int row = 0; row < installed->rowCount(); ++row)
            shown << installed->item(row, 0)->text() + ' ' + installed->item(row, 1)->text() + ' '
                    + installed->item(row, 2)->text();
        return shown;
    }

    // What main() does: the application object with the command line, and the
    // window shown before the event loop runs. Returns once start-up is done.
    void launch(
        const QStringList& arguments, bool withInstallation, QMessageBox::StandardButton answer = QMessageBox::Yes)
    {
        const QString configuration = root() + "/AppData/Adobe/Dreamweaver CS6/en_US/Configuration";
        if (withInstallation) {
            QVERIFY(writeFile(configuration + "/version.xml", DiscoveryFixtures::versionXml("12.0")));
            QVERIFY(QDir().mkpath(root() + "/Program Files/Adobe/Adobe Dreamweaver CS6"));
            QVERIFY(writeFile(configuration + "/Menus/Menus.xml", menusXml()));
            QVERIFY(writeFile(configuration + "/Objects/insertbar.xml", insertbarXml()));
        }
        m_arguments = { "moravel" };
        for (const QString& argument : arguments)
            m_arguments << QFile::encodeName(resolved(argument));
        for (QByteArray& argument : m_arguments)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
        m_argc = int(m_arguments.size());
        m_application = std::make_unique<Application>(m_argc, m_argv.data());
        // No other program of this test's user is running: this one takes later starts.
        QVERIFY(!m_application->handOverToRunningProgram());
        m_driver = std::make_unique<DialogDriver>();
        m_driver->answer = answer; // the command line's files are asked about at start
        m_window = std::make_unique<MainWindow>(nullptr);
        m_window->show();
        QSignalSpy started(m_application.get(), &Application::dreamweaversUpdated);
        QVERIFY(started.wait(5000));
    }

    // The button in the last column of the row that shows name, clicked
    // where it is drawn, on its tab.
    void click(const char* tableName, const QString& name)
    {
        QTableWidget* buttons = table(tableName);
        const QList<QTableWidgetItem*> found = buttons->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        m_window->findChild<QTabWidget*>()->setCurrentWidget(buttons->parentWidget());
        const QModelIndex cell = buttons->model()->index(found.first()->row(), buttons->columnCount() - 1);
        buttons->scrollTo(cell);
        QTest::mouseClick(buttons->viewport(), Qt::LeftButton, Qt::NoModifier, buttons->visualRect(cell).center());
    }

    // Damages Velkor Tools unless whole, checks from the menu (from the details pane when whole), and
    // sees the row and the details say what the check found; then presses Repair if asked.
    void verifyTools(bool whole, bool repair)
    {
        const QString tool = dreamweaver().configurationFolder("en_US") + "/Commands/Velkor/tool.js";
        QVERIFY(whole || QFile::remove(tool));
        QTableWidget* installed = table("tableInstalled");
        m_window->findChild<QTabWidget*>()->setCurrentWidget(installed->parentWidget());
        installed->selectRow(installed->findItems("Velkor Tools", Qt::MatchExactly).first()->row());
        if (whole)
            m_window->findChild<QPushButton*>("verifyButton")->click();
        else
            m_window->findChild<QAction*>("actionVerify")->trigger();
        QStringList marks;
        for (int row = 0; row < installed->rowCount(); ++row) {
            const QTableWidgetItem* name = installed->item(row, 0);
            marks << name->text() + (name->icon().isNull() ? "" : " (marked): " + name->toolTip());
        }
        const QString missing = "file " + QDir::toNativeSeparators(tool) + " (en_US)";
        QCOMPARE(marks,
            QStringList({ "Velkor Alpha",
                whole ? "Velkor Tools" : "Velkor Tools (marked): Velkor Tools is not whole. Missing: " + missing }));
        QCOMPARE(m_window->findChild<QLabel*>("healthText")->text(),
            whole ? "Velkor Tools is whole: every file and entry it installed is in place."
                  : "Velkor Tools is not whole. Missing:\n\u2022 " + missing);
        auto* repairButton = m_window->findChild<QPushButton*>("repairButton");
        QCOMPARE(repairButton->isVisible(), !whole);
        if (repair)
            repairButton->click();
    }

private slots:
    void initTestCase()
    {
        m_startingFolder = QDir::currentPath();
        // What the program remembers goes to this run's own folder: never the developer's settings,
        // nor those of another run of this test going on at the same time.
        m_settingsFolder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_settingsFolder->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settingsFolder->path()));
        qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QSettings("Velkor", "Moravel").clear();
        // Start-up never reads the machine's own profile.
        qputenv("APPDATA", QString(root() + "/AppData").toUtf8());
        qputenv("ALLUSERSPROFILE", QString(root() + "/ProgramData").toUtf8());
        qputenv("ProgramW6432", QString(root() + "/Program Files").toUtf8());
        // Also names the socket a later start looks for: each test's program is on its own.
        qputenv("MORAVEL_DATA_FOLDER", QString(root() + "/Moravel").toUtf8());
        Application::setSetting("installation", QVariant());
        const QString packages = root() + "/packages/";
        QVERIFY(extension("Velkor Tools", "1.0.0").writePackage(packages + "tools.zxp"));
        QVERIFY(extension("Velkor Tools Plus", "2.0.0").writePackage(packages + "plus.zxp"));
        QVERIFY(extension("Velkor Alpha", "1.0.0", "Alpha").writePackage(packages + "alpha.zxp"));
        QVERIFY(extension("Velkor Beta", "2.0.0", "Beta").writePackage(packages + "beta.MXP"));
        TestExtension gamma = extension("Velkor Gamma", "1.0.0", "Gamma");
        gamma.rootAttributes = "requires-restart=\"true\"";
        gamma.configurationChanges = "<ui-access><![CDATA[Commands &gt; Gamma]]></ui-access>"
                                     "<license-agreement><![CDATA[<p>Use it.</p>]]></license-agreement>";
        QVERIFY(gamma.writePackage(packages + "gamma.zxp"));
        TestExtension old = extension("Velkor Old", "1.0.0", "Old");
        old.configurationChanges = "<product name=\"Dreamweaver\" version=\"8\" maxversion=\"11\" />\n";
        QVERIFY(old.writePackage(packages + "old.zxp"));
        QVERIFY(writeFile(packages + "notes.txt", "notes"));
        qputenv("MORAVEL_DATA_FOLDER", QString(root() + "/data").toUtf8());
        QVERIFY(QDir::setCurrent(packages));
    }

    void cleanup()
    {
        m_driver.reset();
        m_window.reset();
        // A window left open is one a command forgot to close or parent.
        const bool leaked = m_application && !QApplication::topLevelWidgets().isEmpty();
        m_application.reset();
        m_argv.clear();
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
        qunsetenv("MORAVEL_DATA_FOLDER");
        QDir::setCurrent(m_startingFolder);
        m_root.reset();
        QVERIFY2(!leaked, "a top-level window leaked");
    }

    void gesturesReachTheCommands_data()
    {
        QTest::addColumn<Gesture>("c");

        const QString fileDialog = "file dialog: Select Extension to Install | Extension Files (*.zxp *.mxp)";
        const QString in = "\n\nInstallation: Dreamweaver CS6";
        const QString replace = "question: Version 1.0.0 of Velkor Tools is already installed.\n\nDo you want to "
                                "replace it with Velkor Tools Plus 2.0.0?"
            + in + " | Update / Cancel";
        const QString remove = "question: Remove Velkor Tools 1.0.0?" + in + " | Remove / Keep";
        const QString installed = "Installed Velkor Tools Plus 2.0.0 into Dreamweaver CS6: 4 files and 2 entries.";
        const QString updated
            = "Updated Velkor Tools 1.0.0 to Velkor Tools Plus 2.0.0 in Dreamweaver CS6: 4 files and 2 entries.";
        const QString removed = "Removed Velkor Tools 1.0.0 from Dreamweaver CS6: 4 files and 2 entries.";
        // The chosen installation with its languages, until a command says more.
        const QString ready = "Packages will go into Dreamweaver CS6 (en_US).";
        const QString none = "No Dreamweaver installation was found, so nothing can be installed. See Help > Why Is "
                             "My Dreamweaver Missing?";
        const QString web = "https://www.velkor.example/plus.zxp";
        const QString notPackage = "@/notes.txt cannot be installed: it is not a ZXP or MXP package.";
        const QString alpha = "Velkor Alpha 1.0.0 Velkor", tools = "Velkor Tools 1.0.0 Velkor";
        const QString openPlus = "open files: Install Velkor Tools Plus 2.0.0 by Velkor into: | [Dreamweaver CS6]";
        const QString plus = "Velkor Tools Plus 2.0.0 Velkor";
        auto row = [](const char* name, const Gesture& gesture) { QTest::newRow(name) << gesture; };
        row("Install asks for a file, then replaces",
            { "install", true, {}, { fileDialog, replace, "Removing", "Installing" }, {}, { alpha, plus }, updated });
        row("Install of the installed version is asked as a reinstall",
            { "install", true, { "@/tools.zxp" },
                { fileDialog,
                    "question: Velkor Tools 1.0.0 is already installed in Dreamweaver CS6.\n\nDo you want to "
                    "reinstall it?"
                        + in + " | Reinstall / Cancel",
                    "Removing", "Installing" },
                {}, { alpha, tools }, "Reinstalled Velkor Tools 1.0.0 in Dreamweaver CS6: 4 files and 2 entries." });
        row("a Dreamweaver outside the package's range: a warning that defaults to Cancel",
            { "install: no", true, { "@/old.zxp" },
                { fileDialog,
                    "question: Velkor Old 1.0.0: it is made for Dreamweaver 8 to 11, and Dreamweaver CS6 is version "
                    "12.0.\n\nInstall it anyway?"
                        + in + " | Install / Cancel (warning, No by default)" },
                {}, { tools },
                "Velkor Old 1.0.0 was not installed: it is made for Dreamweaver 8 to 11, and Dreamweaver CS6 is "
                "version 12.0." });
        row("a cancelled file dialog does nothing", { "cancel", true, {}, { fileDialog }, {}, { tools }, ready });
        for (const char* store : { "store", "key: Enter" })
            row(qPrintable(QString(store) + " on a Store row downloads, then replaces"),
                { store, true, {}, { replace, "Downloading", "Removing", "Installing" }, {}, { alpha, plus },
                    updated });
        row("Update All updates each extension the Store has newer, with its question",
            { "update all", true, {}, { replace, "Downloading", "Removing", "Installing" }, {}, { alpha, plus },
                "Update All: 1 extension updated in Dreamweaver CS6." });
        row("Update All, answered Cancel: counted as not updated",
            { "update all: no", true, {}, { replace }, {}, { alpha, tools },
                "Update All: 0 of 1 extensions updated in Dreamweaver CS6; Report... says why not the others." });
        for (const char* stop :
            { "store: Cancel", "store: Escape", "store: close the window", "store: the window system closes it" })
            row(qPrintable(QString(stop) + ", while downloading: nothing removed or installed, no warning"),
                { stop, true, {}, { replace, "Downloading" }, {}, { tools },
                    "Velkor Tools Plus 2.0.0 was not installed: the download was cancelled." });
        row("Install while another program holds the installation: it is named, and Cancel stops the wait",
            { "install: locked", true, {},
                { fileDialog, replace, "Waiting",
                    "Velkor Tools Plus 2.0.0 is waiting for Dreamweaver CS6 | tst_mainwindow (process "
                        + QString::number(QCoreApplication::applicationPid()) + ") is changing it. | busy" },
                {}, { alpha, tools },
                "Velkor Tools Plus 2.0.0 was left as it is: the wait for Dreamweaver CS6 was cancelled." });
        row("a Remove button removes its own extension, though the list under the table changed",
            { "remove", true, {}, { remove, "Removing" }, {}, { alpha }, removed });
        const QString rowMenu = "menu: Remove | Disable Extension | Verify | Show Files | Open Folder | Copy Name";
        row("a row's menu: Remove removes its extension",
            { "menu: Remove", true, {}, { rowMenu, remove, "Removing" }, {}, { alpha }, removed });
        row("a row's menu: Verify checks the installation",
            { "menu: Verify", true, {}, { rowMenu }, {}, { alpha, tools },
                "Verified 2 extensions in Dreamweaver CS6: all are whole." });
        row("Delete removes the selected installed extension",
            { "key: Delete", true, {}, { remove, "Removing" }, {}, { alpha }, removed });
        row("a Remove button, answered No: the status line says so",
            { "remove: no", true, {}, { remove }, {}, { tools },
                "Velkor Tools 1.0.0 was not removed from Dreamweaver CS6." });
        const QString gone = "Velkor Tools is no longer installed in Dreamweaver CS6; the list has been refreshed.";
        row("a Remove button of an extension removed from outside says so and refreshes",
            { "remove: vanished", true, {}, { "information: " + gone }, {}, { alpha }, gone });
        row("an install from outside shows without a gesture",
            { "external", true, {}, {}, {}, { alpha, "Velkor Beta 2.0.0 Velkor", tools }, ready });
        const QString verified = "Verified 2 extensions in Dreamweaver CS6: ";
        row("Verify marks a damaged row and names what it misses",
            { "verify", true, {}, {}, {}, { alpha, tools }, verified + "Velkor Tools is not whole." });
        row("Repair of a damaged extension offers its removal",
            { "verify: repair", true, {}, { remove, "Removing" }, {}, { alpha },
                "Removed Velkor Tools 1.0.0 from Dreamweaver CS6: 3 files and 2 entries." });
        row("Verify in the details pane, all whole",
            { "verify: whole", true, {}, {}, {}, { alpha, tools }, verified + "all are whole." });
        row("F5 refreshes the Installed list at once", { "key: F5", true, {}, {}, {}, { alpha, tools }, ready });
        for (const char* button : { "install", "store" })
            row(qPrintable(QString("%1 does nothing without an installation").arg(button)),
                { button, false, {}, {}, {}, {}, none });
        row("a dropped text file is taken, then refused naming it",
            { "drop", true, { "@/notes.txt" }, { "warning" }, { notPackage }, { tools }, notPackage });
        row("dropped: the refusals first, in one warning, then the packages in order",
            { "drop", true, { "@/notes.txt", "@/plus.zxp", web, "@/beta.MXP" },
                { "warning",
                    "open files: Install these 2 packages into: Velkor Tools Plus 2.0.0 by Velkor; Velkor Beta 2.0.0 "
                    "by Velkor | [Dreamweaver CS6]",
                    replace, "Removing", "Installing", "Installing" },
                { notPackage, web + " cannot be installed: it is not a file on this computer." },
                { alpha, "Velkor Beta 2.0.0 Velkor", plus },
                "Installed Velkor Beta 2.0.0 into Dreamweaver CS6: 2 files and 0 entries." });
        row("a licence accepted: installed, then where to find it and the restart on the status line",
            { "drop", true, { "@/gamma.zxp" },
                { "open files: Install Velkor Gamma 1.0.0 by Velkor into: | [Dreamweaver CS6]",
                    "Licence Agreement: Use it.", "Installing" },
                {},
                { alpha, "Velkor Gamma 1.0.0 Velkor", tools },
                "Installed Velkor Gamma 1.0.0 into Dreamweaver CS6: 2 files and 0 entries. Where to find Velkor "
                "Gamma in Dreamweaver: Commands > Gamma. Restart Dreamweaver to use it." });
        row("a licence declined: nothing installed",
            { "install: no", true, { "@/gamma.zxp" }, { fileDialog, "Licence Agreement: Use it." }, {}, { tools }, ready });
        row("a dropped web address alone is not taken", { "drop", true, { web }, {}, {}, { tools }, ready });
        row("started with a relative name, taken from the starting folder; Qt's own options are not files",
            { "start", true, { "-platform", "offscreen", "plus.zxp" }, { openPlus, "Installing" }, {}, { plus },
                installed });
        row("started with a package, answered Cancel: nothing installed",
            { "start: no", true, { "plus.zxp" }, { openPlus }, {}, {}, ready });
        row("started with several files: in order, with the same questions, a refusal does not stop the next",
            { "start", true, { "@/tools.zxp", "@/notes.txt", "@/plus.zxp" },
                { "open files: Install these 3 packages into: Velkor Tools 1.0.0 by Velkor; notes.txt; Velkor Tools "
                  "Plus 2.0.0 by Velkor | [Dreamweaver CS6]",
                    "Installing", "warning", replace, "Removing", "Installing" },
                { notPackage }, { plus }, updated });
        row("a second start hands its file to the first, which asks, then replaces",
            { "second start", true, { "@/plus.zxp" }, { openPlus, replace, "Removing", "Installing" }, {},
                { alpha, plus }, updated });
        row("started without a Dreamweaver installed",
            { "start", false, { "@/plus.zxp" }, { "warning" },
                { "@/plus.zxp cannot be installed: no Dreamweaver installation was found." }, {},
                "@/plus.zxp cannot be installed: no Dreamweaver installation was found." });
        row("started with an empty argument, which names no file", { "start", true, { "" }, {}, {}, {}, ready });
    }

    void gesturesReachTheCommands()
    {
        QFETCH(Gesture, c);

        const bool start = c.gesture.startsWith("start");
        const auto answer = c.gesture.endsWith("no") ? QMessageBox::No : QMessageBox::Yes;
        launch(start ? c.files : QStringList(), c.withInstallation || !start, answer);
        // The catalogue's address refuses connections: the Store tab says so and offers a Retry.
        QTRY_VERIFY(!m_window->findChild<QPushButton*>("retryButton")->isHidden());
        // The failure names the catalogue's address and says when it was tried.
        QVERIFY(m_window->findChild<QLabel*>("labelStoreState")
                    ->text()
                    .contains(QRegularExpression(
                        "^The catalogue could not be loaded from "
                        "http://127.0.0.1:1/extensions.xml: .* \\(tried at \\d\\d:\\d\\d:\\d\\d\\)\\.$")));
        // A download to stop never ends by itself; it is stopped once the server has its request, as a user would.
        const QString stop = c.gesture.startsWith("store: ") ? c.gesture.mid(7) : QString();
        StoreServer server(StoreServer::Tls::None,
            { 200, readFile(root() + "/packages/plus.zxp"),
                stop.isEmpty() ? StoreServer::Delivery::Whole : StoreServer::Delivery::Stalled, -1 });
        if (!start) {
            QVERIFY(Installer(dreamweaver(), nullptr, nullptr).installPackage(root() + "/packages/tools.zxp"));
            m_window->updateInstalledTable();
            // Alpha arrives behind the window's back: the list under the table changes, the table does not.
            QVERIFY(Installer(dreamweaver(), nullptr, nullptr).installPackage(root() + "/packages/alpha.zxp"));
            dreamweaver().loadInstalledExtensions();
            qputenv("MORAVEL_DOWNLOADS_URL", server.baseUrl().toUtf8());
            m_application->downloads() = { { "com.velkor.tools", "Velkor Tools Plus", "2.0.0", "plus.zxp" },
                { "com.velkor.Alpha", "Velkor Alpha", "1.0", "alpha.zxp" },
                { "com.velkor.Gamma", "Velkor Gamma", "1.0.0", "gamma.zxp" } };
            emit m_application->downloadsUpdated();
            // Each entry against the installed list, versions compared as numbers; sorted by name.
            // Tooltips: a version says where the entry stands, a button what it does.
            QStringList states;
            for (int row = 0; row < 3; ++row) {
                const QModelIndex button = table("tableStore")->model()->index(row, 2);
                states << button.data(RowButtonDelegate::TextRole).toString()
                        + (RowButtonDelegate::isEnabled(button) ? "" : " (disabled)") + ": "
                        + button.data(Qt::AccessibleTextRole).toString() + " | "
                        + button.data(Qt::ToolTipRole).toString() + " | "
                        + button.siblingAtColumn(1).data(Qt::ToolTipRole).toString();
            }
            for (const int column : { 0, 1, 3 })
                states << table("tableInstalled")->model()->index(0, column).data(Qt::ToolTipRole).toString();
            // The Installed tab and Update All say that the Store has a newer version.
            auto* tabs = m_window->findChild<QTabWidget*>();
            states << tabs->tabText(0) + (m_window->findChild<QPushButton*>("updateAllButton")->isHidden() ? "" : " | Update All");
            // The selector names the languages the chosen installation has.
            states << m_window->findChild<QComboBox*>("comboDreamweavers")->toolTip();
            QCOMPARE(states,
                QStringList({ "Installed (disabled): Installed Velkor Alpha (Enter) | Installed Velkor Alpha (Enter) | "
                              "installed",
                    "Install: Install Velkor Gamma (Enter) | Install Velkor Gamma (Enter) | not installed",
                    "Update: Update Velkor Tools Plus (Enter) | Update Velkor Tools Plus (Enter) | update available "
                    "(installed: 1.0.0)",
                    "Velkor Tools",
                    "1.0.0: version 2.0.0 is in the Store (Update All, or Update on the Store tab).",
                    "Remove Velkor Tools (Delete)", "&Installed (1 update) | Update All",
                    "Packages will go into Dreamweaver CS6 (en_US)." }));
        }
        if (!c.withInstallation && !start) {
            // The list goes away; the tables keep their rows and buttons.
            m_application->dreamweavers().clear();
            emit m_application->dreamweaversUpdated();
        }

        m_driver->answer = answer;
        m_driver->menuChoice = c.gesture.startsWith("menu: ") ? c.gesture.mid(6) : QString();
        m_driver->fileToChoose = !c.gesture.startsWith("install") ? QString()
            : c.files.isEmpty()                                  ? root() + "/packages/plus.zxp"
                                                                 : resolved(c.files.first());
        std::unique_ptr<QLockFile> otherProgram;
        if (c.gesture == "install: locked") {
            otherProgram = std::make_unique<QLockFile>(InstallationLock::path(dreamweaver()));
            QVERIFY(otherProgram->tryLock(0));
        }
        m_driver->onProgress = [this, &server, stop](QWidget* dialog) {
            if (dialog->windowTitle() == "Waiting") {
                auto* bar = dialog->findChild<QProgressBar*>();
                m_driver->log << dialog->findChild<QLabel*>("headingLabel")->text() + " | "
                        + dialog->findChild<QLabel*>("statusLabel")->text() + " | "
                        + (bar->maximum() == 0 ? "busy" : "a bar");
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
                return true;
            }
            if (server.requests().isEmpty())
                return stop.isEmpty();
            if (stop == "Escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (stop == "Cancel" && dialog->findChild<QDialogButtonBox*>()->isVisible())
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
            else if (stop == "close the window")
                m_window->close();
            else if (stop == "the window system closes it") {
                // The window system's close button does nothing on a window a modal dialog blocks.
                if (QGuiApplication::modalWindow()) {
                    m_driver->log << "the close was ignored";
                    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
                } else {
                    m_window->windowHandle()->close();
                }
            }
            return true;
        };
        // Removed behind the window's back, and clicked before the window could notice.
        if (c.gesture == "remove: vanished")
            QVERIFY(QFile::remove(dreamweaver().extensionStoreFolder("en_US") + "/Velkor Tools.mxi"));
        if (c.gesture.startsWith("install") || c.gesture == "cancel")
            m_window->findChild<QPushButton*>("installButton")->click();
        else if (c.gesture.startsWith("update all"))
            m_window->findChild<QPushButton*>("updateAllButton")->click();
        else if (c.gesture.startsWith("store"))
            click("tableStore", "Velkor Tools Plus");
        else if (c.gesture.startsWith("remove"))
            click("tableInstalled", "Velkor Tools");
        if (c.gesture == "external") {
            // The refresh of the window's coming to the front is over: only the install can show now.
            QTest::qWait(2 * InstalledListWatcher::settleMs);
            QVERIFY(Installer(dreamweaver(), nullptr, nullptr).installPackage(root() + "/packages/beta.MXP"));
            QTRY_COMPARE(installedRows(), c.rowsAfter);
        }
        if (c.gesture.startsWith("verify"))
            verifyTools(c.gesture == "verify: whole", c.gesture == "verify: repair");
        if (c.gesture.startsWith("menu: ")) {
            QTableWidget* installed = table("tableInstalled");
            const QPoint at
                = installed->visualItemRect(installed->findItems("Velkor Tools", Qt::MatchExactly).first()).center();
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at, installed->viewport()->mapToGlobal(at));
            QApplication::sendEvent(installed->viewport(), &menu);
        }
        if (c.gesture == "key: F5")
            QTest::keyClick(m_window.get(), Qt::Key_F5);
        else if (c.gesture.startsWith("key: ")) {
            QTableWidget* keyed = table(c.gesture == "key: Delete" ? "tableInstalled" : "tableStore");
            keyed->selectRow(
                keyed->findItems(c.gesture == "key: Delete" ? "Velkor Tools" : "Velkor Tools Plus", Qt::MatchExactly)
                    .first()
                    ->row());
            m_window->findChild<QTabWidget*>()->setCurrentWidget(keyed->parentWidget());
            keyed->setFocus();
            QTest::keyClick(keyed, c.gesture == "key: Delete" ? Qt::Key_Delete : Qt::Key_Return);
        }
        if (c.gesture == "second start") {
            QProcess second;
            QStringList files;
            for (const QString& file : c.files)
                files << resolved(file);
            second.start(QString(MORAVEL_BINARY_DIR) + "/moravel", files);
            QVERIFY(second.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
            QVERIFY2(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0,
                second.readAllStandardError().constData());
        }
        if (c.gesture.startsWith("drop")) {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString& file : c.files)
                urls << (file.startsWith('@') ? QUrl::fromLocalFile(resolved(file)) : QUrl(file));
            data.setUrls(urls);
            // Qt hands a drop only to the widget that took the drag's entry.
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.get(), &enter);
            QCOMPARE(enter.isAccepted(), !c.log.isEmpty());
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.get(), &drop);
            // Nothing is asked or installed while the drop is still being delivered.
            QCOMPARE(m_driver->log, QStringList());
        }

        // The whole log arrives, and nothing more after it.
        QTRY_COMPARE(m_driver->log, c.log);
        QTest::qWait(50);
        QCOMPARE(m_driver->log, c.log);
        QCOMPARE(m_driver->warnings.join('\n'), resolved(c.warningLines.join('\n')));
        QCOMPARE(m_driver->boxParents.count(m_window.get()), m_driver->boxParents.size());
        QCOMPARE(installedRows(), c.rowsAfter);
        QCOMPARE(m_window->statusBar()->currentMessage(), resolved(c.status));
        // Passing over a menu's entries does not wipe what the command said.
        QStatusTipEvent passedOver{ QString() };
        QApplication::sendEvent(m_window.get(), &passedOver);
        QCOMPARE(m_window->statusBar()->currentMessage(), resolved(c.status));
        QCOMPARE(m_window->findChild<QPushButton*>("installButton")->isEnabled(), c.withInstallation);
        QCOMPARE(server.requests().size(), int(c.log.contains("Downloading")));
        // Without an installation the table says where the program looked and where to read why.
        if (!c.withInstallation) {
            const QString hint = table("tableInstalled")->findChild<EmptyTableHint*>()->shownText();
            QVERIFY2(hint.contains("\n\nLooked in:\n" + QDir::toNativeSeparators(root())), qPrintable(hint));
            QVERIFY2(hint.contains("Help > Why Is My Dreamweaver Missing? explains"), qPrintable(hint));
        }
        // Once updated, nothing is offered as newer.
        if (c.gesture == "update all")
            QCOMPARE(m_window->findChild<QTabWidget*>()->tabText(0), "&Installed");
        // The report can be opened once a command has reported something, from the menu as from the button.
        QCOMPARE(m_window->findChild<QAction*>("actionShowReport")->isEnabled(),
            m_window->findChild<QPushButton*>("reportButton")->isEnabled());
        // The report's Copy puts the whole report on the clipboard.
        if (m_window->findChild<QPushButton*>("reportButton")->isEnabled()) {
            QGuiApplication::clipboard()->clear();
            m_window->findChild<QAction*>("actionShowReport")->trigger();
            QCOMPARE(m_driver->log.last(), "report");
            QVERIFY(QGuiApplication::clipboard()->text().contains("Dreamweaver"));
        }
        // A removal leaves the selection on the row that took the removed one's place.
        if (c.log.contains("Removing") && !c.log.contains("Installing")) {
            QTableWidget* installed = table("tableInstalled");
            QVERIFY(installed->selectionModel()->hasSelection());
            QCOMPARE(installed->item(installed->currentRow(), 0)->text() + " 1.0.0 Velkor", c.rowsAfter.first());
        }
    }

    // Opened files go where the question's choice sends them, and that choice is the one offered from then on.
    void openedFilesGoIntoTheChosenInstallation()
    {
        launch({}, true);
        m_application->dreamweavers().append(DreamweaverInfo("Dreamweaver 2021", "Adobe", root() + "/DW", {}));
        emit m_application->dreamweaversUpdated();
        m_driver->installationToChoose = 1;
        emit m_application->packageFilesHandedOver({ root() + "/packages/alpha.zxp" });
        QTRY_COMPARE(m_driver->log,
            QStringList(
                { "open files: Install Velkor Alpha 1.0.0 by Velkor into: | [Dreamweaver CS6], Dreamweaver 2021",
                    "Installing" }));
        auto* combo = m_window->findChild<QComboBox*>("comboDreamweavers");
        QCOMPARE(combo->currentText(), "Dreamweaver 2021");
        QCOMPARE(installedRows(), QStringList { "Velkor Alpha 1.0.0 Velkor" });
        dreamweaver().loadInstalledExtensions();
        QCOMPARE(dreamweaver().installedExtensions().size(), 0);
        // The list found anew, as at the next start.
        emit m_application->dreamweaversUpdated();
        QCOMPARE(combo->currentText(), "Dreamweaver 2021");
        // The first extension of an installation whose store folder is not made yet shows without a gesture.
        combo->setCurrentIndex(0);
        QVERIFY(!QFileInfo::exists(dreamweaver().extensionStoreFolder("en_US")));
        QTest::qWait(2 * InstalledListWatcher::settleMs);
        QVERIFY(Installer(dreamweaver(), nullptr, nullptr).installPackage(root() + "/packages/tools.zxp"));
        QTRY_COMPARE(installedRows(), QStringList { "Velkor Tools 1.0.0 Velkor" });
    }

    // A reload that fails keeps the list shown, says that it is the earlier one and when it was loaded, and
    // what appears above the table does not move it.
    void failedReloadKeepsTheEarlierList()
    {
        launch({}, true);
        // Once the program runs: the server needs its event loop.
        StoreServer server(StoreServer::Tls::None,
            { 200, "<extensions><extension id=\"com.velkor.a\" name=\"Velkor A\" version=\"1.0\" zxp=\"a.zxp\" />"
                   "</extensions>" });
        QTRY_VERIFY(!m_application->catalogueLoading());
        qputenv("MORAVEL_CATALOGUE_URL", QString(server.baseUrl() + "extensions.xml").toUtf8());
        m_window->findChild<QAction*>("actionReloadCatalogue")->trigger();
        QTableWidget* store = table("tableStore");
        m_window->findChild<QTabWidget*>()->setCurrentWidget(store->parentWidget());
        QTRY_VERIFY(!m_application->catalogueLoading());
        QVERIFY2(store->rowCount() == 1, qPrintable(m_window->findChild<QLabel*>("labelStoreState")->text()));
        QCoreApplication::processEvents();
        const int top = store->mapTo(m_window.get(), QPoint()).y();
        server.setRoute("/extensions.xml", { 500, "down" });
        m_window->findChild<QAction*>("actionReloadCatalogue")->trigger();
        QTRY_VERIFY(!m_window->findChild<QPushButton*>("retryButton")->isHidden());
        const QString state = m_window->findChild<QLabel*>("labelStoreState")->text();
        QVERIFY2(state.contains(QRegularExpression("^The catalogue could not be loaded from " + server.baseUrl()
                     + "extensions.xml: .* \\(tried at \\d\\d:\\d\\d:\\d\\d\\)\\. The list below is the one loaded at "
                       "\\d\\d:\\d\\d:\\d\\d\\.$")),
            qPrintable(state));
        QCOMPARE(store->rowCount(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(store->mapTo(m_window.get(), QPoint()).y(), top);
    }

    // Alt and a letter reach one control: no two controls shown together share their mnemonic.
    void mnemonicsAreUnique()
    {
        launch({}, true);
        QVERIFY(Installer(dreamweaver(), nullptr, nullptr).installPackage(root() + "/packages/tools.zxp"));
        m_window->updateInstalledTable();
        table("tableInstalled")->selectRow(0);
        QCoreApplication::processEvents();
        QMultiHash<QChar, QString> owners;
        const auto add = [&owners](const QString& text) {
            const int at = text.indexOf(QRegularExpression("&[^&]"));
            if (at >= 0)
                owners.insert(text.at(at + 1).toLower(), text);
        };
        for (QAction* menu : m_window->menuBar()->actions())
            add(menu->text());
        for (QAbstractButton* button : m_window->findChildren<QAbstractButton*>()) {
            if (button->isVisibleTo(m_window.get()))
                add(button->text());
        }
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
            if (label->buddy() && label->isVisibleTo(m_window.get()))
                add(label->text());
        }
        auto* tabs = m_window->findChild<QTabWidget*>();
        for (int tab = 0; tab < tabs->count(); ++tab)
            add(tabs->tabText(tab));
        QVERIFY(owners.contains('y')); // the check's button is among them
        const QList<QChar> keys = owners.uniqueKeys();
        for (const QChar key : keys)
            QVERIFY2(owners.count(key) == 1, qPrintable(QStringList(owners.values(key)).join(", ")));
    }

    // Help > About names the version, the Qt version, the licence and the project's address.
    void aboutSaysWhatAndWhose()
    {
        launch({}, true);
        m_window->findChild<QAction*>("actionAbout")->trigger();
        QTRY_COMPARE(m_driver->log.filter("information: ").size(), 1);
        const QString about = m_driver->log.filter("information: ").first();
        for (const QString& part : { "Velkor Moravel " + QString(MORAVEL_VERSION), "Qt " + QString(qVersion()),
                 QString("Copyright Velkor. All rights reserved."),
                 QString("<a href=\"https://www.velkor.example/moravel/\">") })
            QVERIFY2(about.contains(part), qPrintable(about));
    }

    // Help > Show Log: what was installed, from the log in the data folder, newest last.
    void showLogListsWhatWasDone()
    {
        launch({}, true);
        QVERIFY(m_window->installPackageFile(root() + "/packages/tools.zxp"));
        m_window->findChild<QAction*>("actionShowLog")->trigger();
        QTRY_COMPARE(m_driver->log.filter("Log: ").size(), 1);
        const QString shown = m_driver->log.filter("Log: ").first();
        QVERIFY2(shown.contains(QRegularExpression("^Log: \\S+  install  Dreamweaver CS6  Velkor Tools 1.0.0  done\n"
                                                   "    Installed Velkor Tools 1.0.0 into Dreamweaver CS6:\n")),
            qPrintable(shown));
    }

    void installedTableFollowsTheSelection()
    {
        launch({}, false);
        // Stores of every locale, one row per file name; names and authors
        // differ so that a swapped column shows.
        const auto installation = [this](const QString& name, const QStringList& locales, const QStringList& stored) {
            DreamweaverInfo dreamweaver(name, QStringLiteral("Adobe"), root() + '/' + name, locales);
            for (const QString& file : stored)
                DiscoveryFixtures::storeManifest(dreamweaver.extensionStoreFolder(file.section('/', 0, 0)),
                    file.section('/', 1), "N " + file, "A " + file);
            return dreamweaver;
        };
        m_application->dreamweavers() = { installation("Dreamweaver 2021", {}, { "/a.mxi", "/b.MXI", "/c.txt" }),
            installation(
                "Dreamweaver CS6", { "en_US", "de_DE" }, { "en_US/one.mxi", "de_DE/one.mxi", "de_DE/two.mxi" }),
            installation("Dreamweaver 8", {}, {}) };
        auto* combo = m_window->findChild<QComboBox*>("comboDreamweavers");
        emit m_application->dreamweaversUpdated();
        for (const int selected : { 0, 1, 2, 1 }) {
            combo->setCurrentIndex(selected);
            DreamweaverInfo& current = m_application->dreamweavers()[selected];
            QCOMPARE(m_window->currentDreamweaver(), &current);
            QStringList listed;
            for (const ExtensionInfo& extension : current.installedExtensions())
                listed << extension.name() + ' ' + extension.version() + ' ' + extension.author();
            QCOMPARE(listed.size(), QList<int>({ 2, 2, 0 }).at(selected) + (listed.contains("N 1.0 A") ? 1 : 0));
            QCOMPARE(installedRows(), listed);
            // A manifest stored after start-up shows once the selection comes back.
            if (selected == 2)
                DiscoveryFixtures::storeManifest(
                    m_application->dreamweavers()[1].extensionStoreFolder("en_US"), "added.mxi", "N", "A");
        }
    }

    // Without an installation the window offers to say why, as the Help menu does; with one, an extension
    // another program installed is marked, and Adopt makes it one of the program's.
    void missingDreamweaverAndAnotherProgramsExtension()
    {
        launch({}, false);
        auto* why = m_window->findChild<QPushButton*>("whyMissingButton");
        QVERIFY(why->isVisible());
        why->click();
        auto* text = m_window->findChild<QPlainTextEdit*>("diagnosisText");
        QVERIFY(text->isVisible() && text->toPlainText().contains(root() + "/AppData/Adobe\n  not listed: no such"));
        text->window()->hide();
        m_window->findChild<QAction*>("actionWhyMissing")->trigger();
        QVERIFY(text->isVisible());

        DreamweaverInfo installation("Dreamweaver CS6", "Adobe", root() + "/DW", {});
        QVERIFY(DiscoveryFixtures::storeManifest(installation.otherProgramFolder(""), "theirs.mxi", "Theirs", "Adobe"));
        m_application->dreamweavers() = { installation };
        emit m_application->dreamweaversUpdated();
        QVERIFY(!why->isVisible());
        QCOMPARE(installedRows(), QStringList { "Theirs (installed by another program) 1.0 Adobe" });
        auto* adopt = m_window->findChild<QAction*>("actionAdopt");
        QVERIFY(!adopt->isEnabled());
        table("tableInstalled")->selectRow(0);
        QVERIFY(adopt->isEnabled());
        adopt->trigger();
        QCOMPARE(installedRows(), QStringList { "Theirs 1.0 Adobe" });
        QVERIFY(!adopt->isEnabled());
        QVERIFY(QFile::exists(installation.extensionStoreFolder("") + "/theirs.mxi"));
    }

    // Disable and Enable from the Extensions menu, the details pane and the
    // row's context menu; Copy Extensions To installs into the installation chosen.
    void disableEnableAndCopy()
    {
        launch({}, true);
        DreamweaverInfo other("Dreamweaver 2021", "Adobe", root() + "/DW2021", { "en_US" });
        QVERIFY(writeFile(other.configurationFolder("en_US") + "/Menus/Menus.xml", menusXml()));
        m_application->dreamweavers().append(other);
        emit m_application->dreamweaversUpdated();
        QVERIFY(m_window->installPackageFile(root() + "/packages/tools.zxp"));
        auto* toggle = m_window->findChild<QAction*>("actionToggleEnabled");
        auto* button = m_window->findChild<QPushButton*>("toggleEnabledButton");
        QVERIFY(!toggle->isEnabled() && !button->isVisible());
        m_window->findChild<QTabWidget*>()->setCurrentIndex(0);
        table("tableInstalled")->selectRow(0);
        QVERIFY(toggle->isEnabled());
        QVERIFY(button->isVisible());
        QCOMPARE(toggle->text() + " | " + button->text(), QString("&Disable Extension | Disable"));
        toggle->trigger();
        QCOMPARE(installedRows(), QStringList { "Velkor Tools (disabled) 1.0.0 Velkor" });
        QVERIFY(
            m_window->statusBar()->currentMessage().startsWith("Disabled Velkor Tools 1.0.0 in Dreamweaver CS6"));
        QVERIFY(!QFile::exists(dreamweaver().configurationFolder("en_US") + "/Commands/Velkor/tool.js"));
        table("tableInstalled")->selectRow(0);
        QCOMPARE(toggle->text() + " | " + button->text(), QString("&Enable Extension | Enable"));
        button->click();
        QCOMPARE(installedRows(), QStringList { "Velkor Tools 1.0.0 Velkor" });
        QVERIFY(QFile::exists(dreamweaver().configurationFolder("en_US") + "/Commands/Velkor/tool.js"));
        // The context menu offers the same action.
        table("tableInstalled")->selectRow(0);
        QString offered;
        QTimer::singleShot(0, this, [&offered] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (const QAction* action : menu->actions())
                    offered += action->objectName();
                menu->close();
            }
        });
        QTableWidget* installed = table("tableInstalled");
        emit installed->customContextMenuRequested(installed->visualRect(installed->model()->index(0, 0)).center());
        QCOMPARE(offered, QString("actionRemoveactionToggleEnabled"));

        QTimer::singleShot(0, this, [] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog && dialog->comboBoxItems() == QStringList { "Dreamweaver 2021" });
            dialog->accept();
        });
        m_window->findChild<QAction*>("actionCopyTo")->trigger();
        m_application->dreamweavers()[1].loadInstalledExtensions();
        QCOMPARE(m_application->dreamweavers()[1].installedExtensions().size(), 1);
        QVERIFY(QFile::exists(other.configurationFolder("en_US") + "/Commands/Velkor/tool.js"));
    }

    // The filter shows the rows of which a cell holds it, case aside, and
    // all of them again once it is cleared.
    void filterShowsMatchingRows_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("shown");
        const QStringList all { "Alpha", "Beta" };
        addTestRow("no filter", "", "", all);
        addTestRow("a name, any case", "", "ALP", QStringList { "Alpha" });
        addTestRow("an author", "", "someone", QStringList { "Beta" });
        addTestRow("nothing matching", "", "zzz", QStringList());
        addTestRow("cleared after a filter", "alp", "", all);
        addTestRow("white space alone after a filter", "alp", "  ", all);
    }

    void filterShowsMatchingRows()
    {
        QFETCH(QString, before);
        QFETCH(QString, filter);
        QFETCH(QStringList, shown);
        launch({}, false);
        const DreamweaverInfo dreamweaver("Dreamweaver 2021", "Adobe", root() + "/DW", {});
        const QString store = dreamweaver.extensionStoreFolder(QString());
        QVERIFY(DiscoveryFixtures::storeManifest(store, "a.mxi", "Alpha", "An author"));
        QVERIFY(DiscoveryFixtures::storeManifest(store, "b.mxi", "Beta", "Someone"));
        m_application->dreamweavers() = { dreamweaver };
        emit m_application->dreamweaversUpdated();
        QTableWidget* installed = table("tableInstalled");
        installed->selectRow(installed->findItems("Alpha", Qt::MatchExactly).first()->row());
        QApplication::setActiveWindow(m_window.get());
        auto* edit = m_window->findChild<QLineEdit*>("filterEdit");
        edit->setText(before);
        edit->setText(filter);
        QStringList visible;
        for (int row = 0; row < installed->rowCount(); ++row) {
            if (!installed->isRowHidden(row))
                visible << installed->item(row, 0)->text();
        }
        QCOMPARE(visible, shown);
        // A row the filter hides leaves the details pane; an empty result says why the table is empty.
        const bool alphaShown = shown.contains("Alpha");
        QCOMPARE(installed->selectionModel()->hasSelection(), alphaShown);
        QCOMPARE(m_window->findChild<QTextBrowser*>("detailsView")->toPlainText().isEmpty(), !alphaShown);
        QCOMPARE(installed->findChild<EmptyTableHint*>()->shownText(),
            shown.isEmpty() ? "No extension matches '" + filter.trimmed() + "'." : QString());
        // Ctrl+F goes to the filter from anywhere in the window.
        installed->setFocus();
        QTest::keyClick(installed, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(edit->hasFocus());
    }

    // The progress dialog is as tall as its wrapped lines and its Cancel
    // need, and its status line does not repeat the step its heading names.
    void progressDialogShowsAllOfIt_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("cancellable");
        QTest::addColumn<QString>("shownStatus");
        const QString longName = "Velkor Tools With A Name Long Enough To Wrap Twice Over 2.0.0";
        addTestRow("a short heading", "Installing Velkor Tools 1.0.0 into Dreamweaver CS6", "Extracting files",
            false, "Extracting files");
        addTestRow("a heading that wraps, with Cancel", "Downloading " + longName + " for Dreamweaver CS6",
            "Downloading plus.zxp", true, "plus.zxp");
        addTestRow("a status that wraps, with Cancel", "Downloading Velkor Tools for Dreamweaver CS6",
            "Downloading " + longName.repeated(3).remove(' ') + ".zxp", true,
            longName.repeated(3).remove(' ') + ".zxp");
        addTestRow("a status naming another step keeps it", "Installing Velkor Tools", "Downloadingplus.zxp", false,
            "Downloadingplus.zxp");
    }

    void progressDialogShowsAllOfIt()
    {
        QFETCH(QString, heading);
        QFETCH(QString, status);
        QFETCH(bool, cancellable);
        QFETCH(QString, shownStatus);
        launch({}, false);
        // Shown first, as the operations do: what they say later must fit too.
        Progress progress(m_window.get());
        progress.reset();
        progress.setTitle(heading.section(' ', 0, 0));
        progress.setHeading(progress.windowTitle());
        progress.show();
        QCoreApplication::processEvents();
        progress.setHeading(heading);
        progress.setCancellable(cancellable);
        progress.setStatus(status);
        QCoreApplication::processEvents();
        QCOMPARE(progress.findChild<QLabel*>("statusLabel")->text(), shownStatus);
        const QList<QWidget*> parts = progress.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(parts.size(), 4);
        for (QWidget* part : parts) {
            QCOMPARE(part->isVisible(), part->objectName() != "buttonBox" || cancellable);
            QVERIFY2(progress.rect().contains(part->geometry()), qPrintable(part->objectName()));
            if (auto* label = qobject_cast<QLabel*>(part))
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->objectName()));
        }
    }

    // The details of an installed extension name its files where they went
    // and its entries by their place in Dreamweaver, the id in a tooltip;
    // entries the configuration files no longer hold by the manifest's names.
    void detailsNameFilesAndEntriesByTheirPlace_data()
    {
        QTest::addColumn<bool>("entriesInFiles");
        QTest::addColumn<QString>("menu");
        addTestRow("entries where the install put them", true, "Menu Commands > Velkor Tool");
        addTestRow("entries gone from the files", false, "Menu Velkor Tool");
    }

    void detailsNameFilesAndEntriesByTheirPlace()
    {
        QFETCH(bool, entriesInFiles);
        QFETCH(QString, menu);
        launch({}, true);
        QVERIFY(Installer(dreamweaver(), nullptr, nullptr).installPackage(root() + "/packages/tools.zxp"));
        const QString configuration = dreamweaver().configurationFolder("en_US");
        if (!entriesInFiles) {
            QVERIFY(writeFile(configuration + "/Menus/Menus.xml", menusXml()));
            QVERIFY(writeFile(configuration + "/Objects/insertbar.xml", insertbarXml()));
        }
        m_window->updateInstalledTable();
        table("tableInstalled")->selectRow(0);
        auto* details = m_window->findChild<QTextBrowser*>("detailsView");
        const QString text = details->toPlainText();
        const QString shown = text.mid(text.indexOf("Files"));
        QCOMPARE(shown.split('\n'),
            QStringList(
                { "Files", "Configuration/Commands/Velkor/Velkor Tool.htm", "Configuration/Commands/Velkor/tool.js",
                    "Configuration/Objects/Velkor/Images/tool.png", "Entries", menu, "Insert bar category Velkor" }));
        QTextCursor found = details->document()->find("Velkor Tool", details->document()->find("Entries"));
        QVERIFY(!found.isNull());
        const QPoint at = details->cursorRect(found).center() - QPoint(4, 0);
        QHelpEvent help(QEvent::ToolTip, at, details->viewport()->mapToGlobal(at));
        QApplication::sendEvent(details, &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), "Id: Velkor_Tool");
        QToolTip::hideText();
    }

    // Text stands out from what it is drawn on by 4.5:1 at least, in both
    // schemes: rows, selected rows, placeholders, tooltips, buttons, links.
    void paletteTextIsReadable_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("text");
        QTest::addColumn<int>("background");
        const QList<QPair<const char*, QPair<QPalette::ColorRole, QPalette::ColorRole>>> pairs {
            { "text", { QPalette::Text, QPalette::Base } },
            { "window text", { QPalette::WindowText, QPalette::Window } },
            { "selected row", { QPalette::HighlightedText, QPalette::Highlight } },
            { "placeholder", { QPalette::PlaceholderText, QPalette::Base } },
            { "placeholder on the window", { QPalette::PlaceholderText, QPalette::Window } },
            { "tooltip", { QPalette::ToolTipText, QPalette::ToolTipBase } },
            { "button", { QPalette::ButtonText, QPalette::Button } },
            { "link", { QPalette::Link, QPalette::Base } },
        };
        for (const bool dark : { false, true }) {
            for (const auto& pair : pairs) {
                QTest::newRow(qPrintable(QString(dark ? "dark: " : "light: ") + pair.first))
                    << dark << int(pair.second.first) << int(pair.second.second);
            }
        }
    }

    void paletteTextIsReadable()
    {
        QFETCH(bool, dark);
        QFETCH(int, text);
        QFETCH(int, background);
        const QPalette palette = ColourScheme::palette(dark);
        QCOMPARE(ColourScheme::isDark(palette), dark);
        const auto luminance = [](const QColor& colour) {
            const auto channel = [](double value) {
                return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF())
                + 0.0722 * channel(colour.blueF());
        };
        const double a = luminance(palette.color(QPalette::ColorRole(text)));
        const double b = luminance(palette.color(QPalette::ColorRole(background)));
        const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
        QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
    }

    // The View menu's choice of colours applies at once, is checked in the
    // menu and is remembered; the desktop's choice follows its palette.
    void colourSchemeFollowsTheChoice()
    {
        launch({}, true);
        // As the program runs: with its style sheet, which every widget is polished with.
        m_application->setStyleSheet(Application::loadStyleSheet());
        QVERIFY(!m_application->styleSheet().isEmpty());
        const bool desktopDark = ColourScheme::isDark(QGuiApplication::palette());
        QCOMPARE(m_window->findChild<QAction*>("actionSchemeSystem")->isChecked(), true);
        for (const char* name : { "actionSchemeDark", "actionSchemeLight", "actionSchemeSystem" }) {
            auto* action = m_window->findChild<QAction*>(name);
            action->trigger();
            QVERIFY(action->isChecked());
            const bool dark
                = QString(name) == "actionSchemeDark" || (QString(name) == "actionSchemeSystem" && desktopDark);
            QCOMPARE(
                QApplication::palette().color(QPalette::Window), ColourScheme::palette(dark).color(QPalette::Window));
            QTRY_COMPARE(m_window->palette().color(QPalette::Base), ColourScheme::palette(dark).color(QPalette::Base));
            // Every widget takes the colours, not the window alone.
            QCOMPARE(table("tableInstalled")->palette().color(QPalette::Base),
                ColourScheme::palette(dark).color(QPalette::Base));
            QCOMPARE(m_window->findChild<QLabel*>("labelDreamweaver")->palette().color(QPalette::WindowText),
                ColourScheme::palette(dark).color(QPalette::WindowText));
        }
        m_window->findChild<QAction*>("actionSchemeDark")->trigger();
        QCOMPARE(QSettings("Velkor", "Moravel").value("colourScheme").toString(), "dark");
        QCOMPARE(ColourScheme::fromKey("dark"), ColourScheme::Choice::Dark);
    }

    // Size, split, tab, sort order, installation and the package dialog's
    // folder come back at the next start.
    void windowRemembersItsState()
    {
        const auto twoInstallations = [this] {
            m_application->dreamweavers()
                = { DreamweaverInfo("Dreamweaver 2021", "Adobe", root() + "/DW", {}), dreamweaver() };
            emit m_application->dreamweaversUpdated();
        };
        launch({}, true);
        twoInstallations();
        auto* combo = m_window->findChild<QComboBox*>("comboDreamweavers");
        QCOMPARE(combo->currentIndex(), 0);
        combo->setCurrentIndex(1);
        m_window->resize(700, 500);
        auto* splitter = m_window->findChild<QSplitter*>("splitter");
        // The tabs above one details pane, with nothing empty below it.
        QCOMPARE(splitter->count(), 2);
        splitter->setSizes({ 150, 250 });
        const QList<int> split = splitter->sizes();
        table("tableInstalled")->sortByColumn(2, Qt::DescendingOrder);
        m_window->findChild<QTabWidget*>()->setCurrentIndex(1);
        m_driver->fileToChoose = root() + "/packages/plus.zxp";
        m_window->findChild<QPushButton*>("installButton")->click();
        QTRY_VERIFY(m_driver->log.contains("Installing"));
        m_window->close();

        m_driver.reset();
        m_window.reset();
        m_application.reset();
        m_argv.clear();
        launch({}, true);
        twoInstallations();
        combo = m_window->findChild<QComboBox*>("comboDreamweavers");
        QCOMPARE(combo->currentText(), "Dreamweaver CS6");
        QCOMPARE(m_window->size(), QSize(700, 500));
        QCOMPARE(m_window->findChild<QSplitter*>("splitter")->sizes(), split);
        QCOMPARE(m_window->findChild<QTabWidget*>()->currentIndex(), 1);
        QHeaderView* header = table("tableInstalled")->horizontalHeader();
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        m_window->findChild<QPushButton*>("installButton")->click();
        QCOMPARE(m_driver->fileDialogFolder, root() + "/packages");
    }

    // A status message too long for the bar ends in an ellipsis, whole in
    // the tooltip; every message goes away after its time.
    void statusMessagesElideAndExpire_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("elided");
        addTestRow("a short message, whole", "Removed Velkor Tools 1.0.0 from Dreamweaver CS6.", false);
        addTestRow("a long message, elided", QString("Velkor Tools Plus was not installed: ").repeated(20), true);
    }

    void statusMessagesElideAndExpire()
    {
        QFETCH(QString, message);
        QFETCH(bool, elided);
        launch({}, true);
        auto* bar = m_window->findChild<StatusBar*>();
        bar->setMessageLifetime(200);
        bar->showMessage(message);
        QCOMPARE(bar->shownMessage() == message, !elided);
        QVERIFY(bar->shownMessage().endsWith(elided ? QString(QChar(0x2026)) : message.right(1)));
        QHelpEvent help(
            QEvent::ToolTip, QPoint(10, bar->height() / 2), bar->mapToGlobal(QPoint(10, bar->height() / 2)));
        QApplication::sendEvent(bar, &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), elided ? message : QString());
        QToolTip::hideText();
        QTRY_COMPARE(bar->currentMessage(), QString());
    }

    // The selector drops down a plain list view, which the style sheet's
    // item-view rules reach, and keeps it the next time.
    void selectorDropsDownAPlainList()
    {
        launch({}, true);
        auto* combo = m_window->findChild<QComboBox*>("comboDreamweavers");
        for (int time = 0; time < 2; ++time) {
            combo->showPopup();
            QCOMPARE(combo->view()->metaObject()->className(), "QListView");
            QCOMPARE(combo->view()->model()->rowCount(), combo->count());
            combo->hidePopup();
        }
    }

    // The Installed cells sort as plain table cells of the same texts sort,
    // by any column and either way, in the order of the user's language.
    void installedRowsSortAsTheirTexts_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        addTestRow("by name", 0, true);
        addTestRow("by name, descending", 0, false);
        addTestRow("by author", 2, true);
    }

    void installedRowsSortAsTheirTexts()
    {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        // A locale whose order is not that of code units, so that sorting by them alone would show.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto restore = qScopeGuard([&before] { QLocale::setDefault(before); });
        launch({}, false);
        const DreamweaverInfo dreamweaver("Dreamweaver 2021", "Adobe", root() + "/DW", {});
        const QStringList names
            = { "apple", "Banana", "\u00c4hre", "zebra", "Zed", "\u00e9clair", "10", "9", "a b", "a-b", "ab", "Ab" };
        for (int i = 0; i < names.size(); ++i) {
            QVERIFY(DiscoveryFixtures::storeManifest(dreamweaver.extensionStoreFolder(QString()),
                QString::number(i) + ".mxi", names.at(i), names.at((i + 5) % names.size())));
        }
        m_application->dreamweavers() = { dreamweaver };
        emit m_application->dreamweaversUpdated();
        QTableWidget* installed = table("tableInstalled");
        const Qt::SortOrder order = ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
        installed->sortByColumn(column, order);

        QTableWidget plain(installed->rowCount(), 3);
        for (int row = 0; row < installed->rowCount(); ++row) {
            for (int each = 0; each < 3; ++each)
                plain.setItem(row, each, new QTableWidgetItem(installed->item(row, each)->text()));
        }
        plain.sortItems(column, order);
        QCOMPARE(installedRows().size(), names.size());
        for (int row = 0; row < plain.rowCount(); ++row) {
            QCOMPARE(installed->item(row, 0)->text() + ' ' + installed->item(row, 2)->text(),
                plain.item(row, 0)->text() + ' ' + plain.item(row, 2)->text());
        }
        // The buttons' column has nothing to sort by: a click on its header leaves the order.
        QHeaderView* header = installed->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
            QPoint(header->sectionViewportPosition(3) + header->sectionSize(3) / 2, header->height() / 2));
        QCOMPARE(header->sortIndicatorSection(), column);
        QCOMPARE(header->sortIndicatorOrder(), order);
        // A text and a key set afterwards are the ones the cell shows, tells and holds.
        QTableWidgetItem* renamed = installed->item(0, 0);
        renamed->setText("\u00dcber");
        renamed->setData(Qt::UserRole, "other.mxi");
        const QModelIndex index = installed->model()->index(renamed->row(), 0);
        QCOMPARE(index.data().toString() + ' ' + renamed->toolTip() + ' ' + index.data(Qt::UserRole).toString(),
            "\u00dcber \u00dcber other.mxi");
    }

    // Versions sort by their numbers, either way; versions spelt apart but
    // equal ("1.2", "1.2.0") fall back to their texts.
    void installedVersionsSortAsNumbers_data()
    {
        QTest::addColumn<bool>("ascending");
        addTestRow("ascending", true);
        addTestRow("descending", false);
    }

    void installedVersionsSortAsNumbers()
    {
        QFETCH(bool, ascending);
        launch({}, false);
        const DreamweaverInfo dreamweaver("Dreamweaver 2021", "Adobe", root() + "/DW", {});
        const QStringList versions = { "1.10", "1.9", "10.0", "2", "1.2.0", "1.2", "1.2.0b3", "" };
        // A tail after a part's digits marks a pre-release of that version.
        const QStringList sorted = { "", "1.2.0b3", "1.2", "1.2.0", "1.9", "1.10", "2", "10.0" };
        for (int i = 0; i < versions.size(); ++i) {
            QVERIFY(DiscoveryFixtures::storeManifest(dreamweaver.extensionStoreFolder(QString()),
                QString::number(i) + ".mxi", "n" + QString::number(i), "a", versions.at(i)));
        }
        m_application->dreamweavers() = { dreamweaver };
        emit m_application->dreamweaversUpdated();
        QTableWidget* installed = table("tableInstalled");
        installed->sortByColumn(1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        QStringList shown;
        for (int row = 0; row < installed->rowCount(); ++row)
            shown.append(installed->item(row, 1)->text());
        QStringList expected = sorted;
        if (!ascending)
            std::reverse(expected.begin(), expected.end());
        QCOMPARE(shown, expected);
    }

    // A column sized to its contents fits them once its table is on screen:
    // the Installed table is filled behind the Store tab, and again while shown.
    void columnsFitTheirContents_data()
    {
        QTest::addColumn<bool>("refilledOnScreen");
        QTest::addColumn<int>("userWidth"); // of the author column, before the refill; 0: not sized by the user
        QTest::newRow("filled behind the Store, then shown") << false << 0;
        QTest::newRow("filled again while shown: a long author takes a quarter at most") << true << 0;
        QTest::newRow("sized by the user, then filled again: the user's width stays") << true << 300;
    }

    void columnsFitTheirContents()
    {
        QFETCH(bool, refilledOnScreen);
        QFETCH(int, userWidth);
        launch({}, false);
        const DreamweaverInfo dreamweaver("Dreamweaver 2021", "Adobe", root() + "/DW", {});
        const QString store = dreamweaver.extensionStoreFolder(QString());
        QVERIFY(DiscoveryFixtures::storeManifest(store, "a.mxi", "Alpha", "An author"));
        QTableWidget* installed = table("tableInstalled");
        m_window->findChild<QTabWidget*>()->setCurrentWidget(table("tableStore")->parentWidget());
        m_application->dreamweavers() = { dreamweaver };
        emit m_application->dreamweaversUpdated();
        QVERIFY(!installed->isVisible());
        m_window->findChild<QTabWidget*>()->setCurrentWidget(installed->parentWidget());
        QHeaderView* header = installed->horizontalHeader();
        if (userWidth > 0) {
            // Where a user drags the border between the author and the buttons.
            const int border = header->sectionViewportPosition(2) + header->sectionSize(2) - 1;
            QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(border, 5));
            QMouseEvent move(QEvent::MouseMove, QPointF(border + userWidth - header->sectionSize(2), 5),
                QPointF(header->viewport()->mapToGlobal(QPoint(border + userWidth - header->sectionSize(2), 5))),
                Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &move);
            QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                QPoint(border + userWidth - header->sectionSize(2), 5));
            QCOMPARE(header->sectionSize(2), userWidth);
        }
        if (refilledOnScreen) {
            QVERIFY(DiscoveryFixtures::storeManifest(store, "b.mxi", "Beta", "An author of a much longer name"));
            emit m_application->dreamweaversUpdated();
            QCoreApplication::processEvents();
        }
        for (const int column : { 1, 2 }) {
            const int contents = std::max(
                static_cast<QAbstractItemView*>(installed)->sizeHintForColumn(column), header->sectionSizeHint(column));
            const int quarter = std::max(header->minimumSectionSize(), installed->viewport()->width() / 4);
            QCOMPARE(header->sectionSize(column),
                column == 2 && userWidth > 0
                    ? userWidth
                    : std::min(
                        quarter, std::clamp(contents, header->minimumSectionSize(), header->maximumSectionSize())));
        }
        // Every row is as tall as a line of text with a margin, not as a whole push button, so that many
        // fit on a small screen; the button column as wide as the button, which is drawn within its row.
        const auto* delegate = static_cast<RowButtonDelegate*>(installed->itemDelegate());
        const QSize button = delegate->buttonSize("Remove");
        QVERIFY(header->sectionSize(3) >= button.width());
        for (int row = 0; row < installed->rowCount(); ++row) {
            QVERIFY(installed->rowHeight(row) >= installed->fontMetrics().height() + 6);
            QVERIFY(installed->rowHeight(row) < button.height());
            const QRect drawn = delegate->buttonRect(installed->model()->index(row, 3));
            QVERIFY(drawn.height() >= installed->fontMetrics().height());
            QVERIFY(drawn.height() <= installed->rowHeight(row));
        }
    }

    // A plain line is measured by its advance beside one the style measured
    // whole: every text must come out as the style measures it, or a column
    // sized to its contents would cut its widest text.
    void cellsMeasuredAsTheStyleMeasures_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* text : { "1.0.123", "Velkor Shown 12", "AVAWAY To Ty r. L' P, F.", "office fluff ffi",
                 "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", " leading space", "trailing space  ", "tab\there", "two\nlines",
                 "W", "" })
            QTest::newRow(text) << QString::fromLatin1(text);
        QTest::newRow("beyond ASCII") << QStringLiteral("Gr\u00fc\u00dfe \u65e5\u672c \u05e9\u05dc\u05d5\u05dd");
    }

    void cellsMeasuredAsTheStyleMeasures()
    {
        QFETCH(QString, text);
        launch({}, false);
        auto* table = m_window->findChild<QTableWidget*>("tableInstalled");
        table->setSortingEnabled(false);
        table->setRowCount(2);
        table->setItem(0, 0, new QTableWidgetItem("Measured whole 1.0"));
        table->setItem(1, 0, new QTableWidgetItem(text));
        QStyleOptionViewItem option;
        option.initFrom(table);
        option.font = table->font();
        option.widget = table;
        const QStyledItemDelegate style;
        for (const int row : { 0, 1 }) {
            const QModelIndex index = table->model()->index(row, 0);
            QCOMPARE(table->itemDelegate()->sizeHint(option, index), style.sizeHint(option, index));
        }
    }
};

// No application object here: each test makes its own, with its own command line.
QTEST_APPLESS_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
