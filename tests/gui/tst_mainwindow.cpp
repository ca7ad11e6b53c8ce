#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/Installer.h"
#include "support/DiscoveryFixtures.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "support/TestRows.h"
#include "ui/MainWindow.h"
#include "ui/RowButtonDelegate.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace InstallerFixtures;

namespace {

// Watches every window the program opens, logs it and answers it from a
// zero-delay timer, as a user would once it is on screen.
class DialogDriver : public QObject
{
public:
    // "question: <text>", "warning", "file dialog: <caption> | <filters>" or a progress dialog's title
    QStringList log;
    QStringList warnings;
    QList<QWidget*> boxParents; // null for a box that would render names from outside as markup
    QMessageBox::StandardButton answer = QMessageBox::Yes; // to every question
    QString fileToChoose; // empty: the file dialog is cancelled
    std::function<bool(QWidget*)> onProgress; // tried on each progress dialog every 10 ms until it returns true

    DialogDriver() { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !widget || !widget->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            boxParents << (box->textFormat() == Qt::PlainText ? box->parentWidget() : nullptr);
            const bool warning = box->icon() == QMessageBox::Warning;
            log << (warning ? QStringLiteral("warning") : "question: " + box->text());
            if (warning)
                warnings << box->text();
            QTimer::singleShot(0, box, [box, b = warning ? QMessageBox::Ok : answer] { box->button(b)->click(); });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
            log << "file dialog: " + dialog->windowTitle() + " | " + dialog->nameFilters().join(';');
            QTimer::singleShot(0, dialog, [dialog, file = fileToChoose] {
                dialog->selectFile(file);
                file.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
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
    // "install", "cancel", "store", "store: <what stops it>", "remove", "remove: no", "key: <key>", "drop", "start"
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
    void launch(const QStringList& arguments, bool withInstallation)
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
        m_driver = std::make_unique<DialogDriver>();
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

private slots:
    void initTestCase()
    {
        m_startingFolder = QDir::currentPath();
        qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        // Start-up never reads the machine's own profile.
        qputenv("APPDATA", QString(root() + "/AppData").toUtf8());
        qputenv("ALLUSERSPROFILE", QString(root() + "/ProgramData").toUtf8());
        qputenv("ProgramW6432", QString(root() + "/Program Files").toUtf8());
        const QString packages = root() + "/packages/";
        QVERIFY(extension("Velkor Tools", "1.0.0").writePackage(packages + "tools.zxp"));
        QVERIFY(extension("Velkor Tools Plus", "2.0.0").writePackage(packages + "plus.zxp"));
        QVERIFY(extension("Velkor Alpha", "1.0.0", "Alpha").writePackage(packages + "alpha.zxp"));
        QVERIFY(extension("Velkor Beta", "2.0.0", "Beta").writePackage(packages + "beta.MXP"));
        QVERIFY(writeFile(packages + "notes.txt", "notes"));
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
                                "replace it with Velkor Tools Plus v. 2.0.0?"
            + in;
        const QString remove = "question: Remove Velkor Tools v. 1.0.0?" + in;
        const QString installed = "Installed Velkor Tools Plus v. 2.0.0 into Dreamweaver CS6: 4 files and 2 entries.";
        const QString removed = "Removed Velkor Tools v. 1.0.0 from Dreamweaver CS6: 4 files and 2 entries.";
        const QString none = "No Dreamweaver installation was found, so nothing can be installed.";
        const QString web = "https://www.velkor.example/plus.zxp";
        const QString notPackage = "@/notes.txt cannot be installed: it is not a ZXP or MXP package.";
        const QString alpha = "Velkor Alpha 1.0.0 Velkor", tools = "Velkor Tools 1.0.0 Velkor";
        const QString plus = "Velkor Tools Plus 2.0.0 Velkor";
        auto row = [](const char* name, const Gesture& gesture) { QTest::newRow(name) << gesture; };
        row("Install asks for a file, then replaces",
            { "install", true, {}, { fileDialog, replace, "Removing", "Installing" }, {}, { alpha, plus }, installed });
        row("a cancelled file dialog does nothing", { "cancel", true, {}, { fileDialog }, {}, { tools }, {} });
        for (const char* store : { "store", "key: Enter" })
            row(qPrintable(QString(store) + " on a Store row downloads, then replaces"),
                { store, true, {}, { replace, "Downloading", "Removing", "Installing" }, {}, { alpha, plus },
                    installed });
        for (const char* stop : { "store: Cancel", "store: Escape", "store: close the window" })
            row(qPrintable(QString(stop) + ", while downloading: nothing removed or installed, no warning"),
                { stop, true, {}, { replace, "Downloading" }, {}, { tools },
                    "Velkor Tools Plus v. 2.0.0 was not installed: the download was cancelled." });
        row("a Remove button removes its own extension, though the list under the table changed",
            { "remove", true, {}, { remove, "Removing" }, {}, { alpha }, removed });
        row("Delete removes the selected installed extension",
            { "key: Delete", true, {}, { remove, "Removing" }, {}, { alpha }, removed });
        row("a Remove button, answered No", { "remove: no", true, {}, { remove }, {}, { tools }, {} });
        for (const char* button : { "install", "store" })
            row(qPrintable(QString("%1 does nothing without an installation").arg(button)),
                { button, false, {}, {}, {}, {}, none });
        row("a dropped text file is taken, then refused naming it",
            { "drop", true, { "@/notes.txt" }, { "warning" }, { notPackage }, { tools }, notPackage });
        row("dropped: the refusals first, in one warning, then the packages in order",
            { "drop", true, { "@/notes.txt", "@/plus.zxp", web, "@/beta.MXP" },
                { "warning", replace, "Removing", "Installing", "Installing" },
                { notPackage, web + " cannot be installed: it is not a file on this computer." },
                { alpha, "Velkor Beta 2.0.0 Velkor", plus },
                "Installed Velkor Beta v. 2.0.0 into Dreamweaver CS6: 2 files and 0 entries." });
        row("a dropped web address alone is not taken", { "drop", true, { web }, {}, {}, { tools }, {} });
        row("started with a relative name, taken from the starting folder; Qt's own options are not files",
            { "start", true, { "-platform", "offscreen", "plus.zxp" }, { "Installing" }, {}, { plus }, installed });
        row("started with several files: in order, with the same questions, a refusal does not stop the next",
            { "start", true, { "@/tools.zxp", "@/notes.txt", "@/plus.zxp" },
                { "Installing", "warning", replace, "Removing", "Installing" }, { notPackage }, { plus }, installed });
        row("started without a Dreamweaver installed",
            { "start", false, { "@/plus.zxp" }, { "warning" },
                { "@/plus.zxp cannot be installed: no Dreamweaver installation was found." }, {},
                "@/plus.zxp cannot be installed: no Dreamweaver installation was found." });
        row("started with an empty argument, which names no file", { "start", true, { "" }, {}, {}, {}, {} });
    }

    void gesturesReachTheCommands()
    {
        QFETCH(Gesture, c);

        const bool start = c.gesture == "start";
        launch(start ? c.files : QStringList(), c.withInstallation || !start);
        // The catalogue's address refuses connections: the Store tab says so and offers a Retry.
        QTRY_VERIFY(m_window->findChild<QPushButton*>("retryButton")->isVisible());
        QVERIFY(
            m_window->findChild<QLabel*>("labelStoreState")->text().startsWith("The catalogue could not be loaded: "));
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
            QCOMPARE(states,
                QStringList({ "Installed (disabled): Installed Velkor Alpha (Enter) | Installed Velkor Alpha (Enter) | "
                              "installed (installed: 1.0.0)",
                    "Install: Install Velkor Gamma (Enter) | Install Velkor Gamma (Enter) | not installed",
                    "Update: Update Velkor Tools Plus (Enter) | Update Velkor Tools Plus (Enter) | update available "
                    "(installed: 1.0.0)",
                    "Velkor Tools", "1.0.0", "Remove Velkor Tools (Delete)" }));
        }
        if (!c.withInstallation && !start) {
            // The list goes away; the tables keep their rows and buttons.
            m_application->dreamweavers().clear();
            emit m_application->dreamweaversUpdated();
        }

        m_driver->answer = c.gesture.endsWith("no") ? QMessageBox::No : QMessageBox::Yes;
        m_driver->fileToChoose = c.gesture == "install" ? root() + "/packages/plus.zxp" : QString();
        m_driver->onProgress = [this, &server, stop](QWidget* dialog) {
            if (server.requests().isEmpty())
                return stop.isEmpty();
            if (stop == "Escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (stop == "Cancel" && dialog->findChild<QDialogButtonBox*>()->isVisible())
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
            else if (stop == "close the window")
                m_window->close();
            return true;
        };
        if (c.gesture == "install" || c.gesture == "cancel")
            m_window->findChild<QPushButton*>("installButton")->click();
        else if (c.gesture.startsWith("store"))
            click("tableStore", "Velkor Tools Plus");
        else if (c.gesture.startsWith("remove"))
            click("tableInstalled", "Velkor Tools");
        if (c.gesture.startsWith("key: ")) {
            QTableWidget* keyed = table(c.gesture == "key: Delete" ? "tableInstalled" : "tableStore");
            keyed->selectRow(
                keyed->findItems(c.gesture == "key: Delete" ? "Velkor Tools" : "Velkor Tools Plus", Qt::MatchExactly)
                    .first()
                    ->row());
            m_window->findChild<QTabWidget*>()->setCurrentWidget(keyed->parentWidget());
            keyed->setFocus();
            QTest::keyClick(keyed, c.gesture == "key: Delete" ? Qt::Key_Delete : Qt::Key_Return);
        }
        if (c.gesture == "drop") {
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
        QCOMPARE(m_window->findChild<QPushButton*>("installButton")->isEnabled(), c.withInstallation);
        QCOMPARE(server.requests().size(), int(c.log.contains("Downloading")));
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
        auto* edit = m_window->findChild<QLineEdit*>("filterEdit");
        edit->setText(before);
        edit->setText(filter);
        QTableWidget* installed = table("tableInstalled");
        QStringList visible;
        for (int row = 0; row < installed->rowCount(); ++row) {
            if (!installed->isRowHidden(row))
                visible << installed->item(row, 0)->text();
        }
        QCOMPARE(visible, shown);
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
        QTest::newRow("filled behind the Store, then shown") << false;
        QTest::newRow("filled again while shown") << true;
    }

    void columnsFitTheirContents()
    {
        QFETCH(bool, refilledOnScreen);
        launch({}, false);
        const DreamweaverInfo dreamweaver("Dreamweaver 2021", "Adobe", root() + "/DW", {});
        const QString store = dreamweaver.extensionStoreFolder(QString());
        QVERIFY(DiscoveryFixtures::storeManifest(store, "a.mxi", "Alpha", "An author"));
        m_application->dreamweavers() = { dreamweaver };
        emit m_application->dreamweaversUpdated();
        QTableWidget* installed = table("tableInstalled");
        QVERIFY(!installed->isVisible());
        m_window->findChild<QTabWidget*>()->setCurrentWidget(installed->parentWidget());
        if (refilledOnScreen) {
            QVERIFY(DiscoveryFixtures::storeManifest(store, "b.mxi", "Beta", "An author of a much longer name"));
            emit m_application->dreamweaversUpdated();
            QCoreApplication::processEvents();
        }
        QHeaderView* header = installed->horizontalHeader();
        for (const int column : { 1, 2 }) {
            const int contents = std::max(
                static_cast<QAbstractItemView*>(installed)->sizeHintForColumn(column), header->sectionSizeHint(column));
            QCOMPARE(header->sectionSize(column),
                std::clamp(contents, header->minimumSectionSize(), header->maximumSectionSize()));
        }
        // Every row is as tall as its Remove button with a margin, or a line of text with one; the
        // button column as wide as the button.
        const QSize button = static_cast<RowButtonDelegate*>(installed->itemDelegate())->buttonSize("Remove");
        QVERIFY(header->sectionSize(3) >= button.width());
        for (int row = 0; row < installed->rowCount(); ++row)
            QCOMPARE(installed->rowHeight(row), std::max(button.height() + 6, installed->fontMetrics().height() + 12));
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
