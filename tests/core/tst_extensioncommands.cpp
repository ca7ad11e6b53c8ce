#include "commands/ExtensionCommands.h"
#include "commands/IUserPrompt.h"
#include "commands/InstallationLock.h"
#include "commands/KeptPackages.h"
#include "commands/OperationLog.h"
#include "commands/StoreClient.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/Installer.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "support/TestRows.h"
#include "support/ZxpWriter.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace InstallerFixtures;
using Result = ExtensionCommands::Result;

namespace {

// Answers the questions from a script and logs everything the operation
// says, as "question: ...", "warning: ...", "inform: ..." or a progress title.
class ScriptedPrompt : public IUserPrompt
{
public:
    QStringList log;
    bool answer = false;
    QString root;
    QStringList whileInstalling; // what lay below root once the install began

    bool confirm(const QString& question, const QString&) override
    {
        log << "question: " + question;
        return answer;
    }
    bool acceptLicense(const QString& title, const QString& license, const QString&) override
    {
        log << "licence of " + title + ": " + license;
        return answer;
    }
    void warn(const QString& text, const QString&) override { log << "warning: " + text; }
    int retries = 0; // how many times "Try again" is answered before giving up
    bool offerRetry(const QString& text) override
    {
        log << "retry: " + text;
        return retries-- > 0;
    }
    void inform(const QString& text, const QString&) override { log << "inform: " + text; }
    void notice(const QString& text) override { log << "notice: " + text; }
    IProgress* startProgress(const QString& title) override
    {
        log << title;
        // Only where a row asks for it: a listing of an empty path is the
        // current drive's root on Windows.
        if (title == "Installing" && !root.isEmpty())
            whileInstalling = entriesBelow(root);
        return nullptr;
    }
    void finishProgress(IProgress*) override { }
    void installedChanged() override { }
};

// Velkor Tools under another id, name, version and manifest name; with a
// folder, one file of its own there and no menu entry or button.
TestExtension extension(const QByteArray& id, const QByteArray& name, const QByteArray& version,
    const QByteArray& manifest, const QByteArray& folder = {})
{
    TestExtension result = toolsExtension();
    result.id = id;
    result.name = name;
    result.version = version;
    result.manifestName = manifest;
    if (!folder.isEmpty()) {
        result.files = { { "own.js", "own();\n", "$dreamweaver/Configuration/Commands/" + folder } };
        result.configurationChanges.clear();
    }
    return result;
}

const TestExtension tools = extension("com.velkor.tools", "Velkor Tools", "1.0.0", "Velkor Tools.mxi");

struct Case
{
    QList<TestExtension> installed;
    TestExtension package;
    // "file", "dry run", "store:<zxp>", "remove", or a problem: "missing", "folder", "Velkor Tools.mxi",
    // "broken.zxp", "nameless.zxp", "utf32.zxp"
    QString source;
    // Done after installing: "stuck file", "bad menus", "blocked store", "blocked file", "blocked folder",
    // "locked"; or to the package: "damaged entry", "UTF-16"
    QString damage;
    StoreServer::Route route; // for the store; a null body: the package
    bool answer;
    QStringList log; // prefixes; "$T" stands for the package's title, "$R" for its path
    Result result;
    QStringList rowsAfter;
    // The Store's entry, where it differs from the package's manifest.
    QString catalogueId = "package";
    QString catalogueVersion = "package";
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestExtensionCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    DreamweaverInfo m_dreamweaver;
#ifdef Q_OS_WIN
    QPair<QByteArray, QByteArray> m_windowsTemp;
#endif

    QString root() const
    {
        return m_root->path();
    }
    QString configuration() const
    {
        return m_dreamweaver.configurationFolder(QStringLiteral("en_US"));
    }

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QDir().mkpath(root() + "/tmp");
        qputenv("TMPDIR", QString(root() + "/tmp").toUtf8());
#ifdef Q_OS_WIN
        // Windows takes its temporary folder from these instead.
        m_windowsTemp = { qgetenv("TMP"), qgetenv("TEMP") };
        qputenv("TMP", QDir::toNativeSeparators(root() + "/tmp").toUtf8());
        qputenv("TEMP", QDir::toNativeSeparators(root() + "/tmp").toUtf8());
#endif
        qputenv("MORAVEL_DATA_FOLDER", QString(root() + "/data").toUtf8());
        m_dreamweaver = DreamweaverInfo("Dreamweaver CS6", "Adobe", root() + "/user", { "en_US" });
        QVERIFY(writeFile(configuration() + "/Menus/Menus.xml", menusXml()));
        QVERIFY(writeFile(configuration() + "/Objects/insertbar.xml", insertbarXml()));
        qputenv("MORAVEL_DATA_FOLDER", QString(root() + "/data").toUtf8());
    }

    void cleanup()
    {
        qunsetenv("MORAVEL_DATA_FOLDER");
        qunsetenv("TMPDIR");
#ifdef Q_OS_WIN
        qputenv("TMP", m_windowsTemp.first);
        qputenv("TEMP", m_windowsTemp.second);
#endif
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        qunsetenv("MORAVEL_DATA_FOLDER");
    }

    void run_data()
    {
        QTest::addColumn<Case>("c");

        const QString question = "question: Version 1.0.0 of Velkor Tools is already installed.\n\nDo you want to "
                                 "replace it with $T?";
        const QString removeQuestion = "question: Remove Velkor Tools 1.0.0?";
        const QString removed = "inform: Removed Velkor Tools 1.0.0 from Dreamweaver CS6:";
        const QString partly = "warning: Velkor Tools 1.0.0 could not be removed completely.\n\nThese ";
        const QString installed = "inform: Installed $T into Dreamweaver CS6:";
        const QString notAll
            = "warning: $T was installed into Dreamweaver CS6, but not completely.\n\nThese files were "
              "not installed:\n";
        const QString notDownloaded = "warning: Velkor Tools Plus (tools.zxp) ";
        const QStringList replaced { question, "Removing", removed, "Installing", installed };
        const QStringList kept { "Velkor Tools 1.0.0" }, plus { "Velkor Tools Plus 0.9" }, none;
        using Change = std::function<void(Case&)>;
        auto row = [&](
                       const char* name, const QString& source, const QStringList& log, Result result,
                       const QStringList& rowsAfter, const Change& change = [](Case&) {}) {
            Case c { { tools }, extension("com.velkor.tools", "Velkor Tools Plus", "0.9", "Velkor Tools.mxi"), source,
                {}, {}, true, log, result, rowsAfter };
            change(c);
            QTest::newRow(name) << c;
        };
        const Change notInstalled = [](Case& c) { c.installed.clear(); };
        const Change no = [](Case& c) { c.answer = false; };
        row("not installed: no question", "file", { "Installing", installed }, Result::Done, plus, notInstalled);
        row("installed, even a downgrade: the question, the removal, then the install", "file", replaced, Result::Done,
            plus);
        row("No changes nothing", "file", { question }, Result::Refused, kept, no);
        row("a dry run asks nothing and changes nothing", "dry run",
            { "Removing", "inform: Would remove Velkor Tools 1.0.0 from Dreamweaver CS6 first:", "Installing",
                "inform: Would install $T into Dreamweaver CS6:" },
            Result::Done, kept);
        row("a removal left incomplete: the install still goes on", "file",
            { question, "Removing", partly + "files could not be deleted:", "Installing", installed },
            Result::Incomplete, plus, [](Case& c) {
                c.damage = "stuck file";
                c.package.files.removeAt(1);
            });
        const QString notWhole = "warning: $T was not installed: it cannot go in whole; Velkor Tools 1.0.0 stays "
                                 "installed.\n\n";
        row("a replace with a damaged entry: nothing removed", "file",
            { question, notWhole + "These files would not be installed:\n" }, Result::Failed, kept,
            [](Case& c) { c.damage = "damaged entry"; });
        row("a replace whose file a folder blocks: nothing removed", "file",
            { question, notWhole + "Something stands in the way of these files:\n" }, Result::Failed, kept,
            [](Case& c) {
                c.damage = "blocked file";
                c.package.files.append(
                    { "Commands/new.js", "added();\n", "$dreamweaver/Configuration/Commands/Velkor" });
            });
        row("a replace whose file a file blocks, where a folder must go: nothing removed", "file",
            { question, notWhole + "Something stands in the way of these files:\n" }, Result::Failed, kept,
            [](Case& c) {
                c.damage = "blocked folder";
                c.package.files.append(
                    { "Commands/new.js", "added();\n", "$dreamweaver/Configuration/Commands/Velkor/Sub" });
            });
        row("a replace whose package holds an empty file: whole, so it goes in", "file", replaced, Result::Done, plus,
            [](Case& c) { c.package.files[1].data = ""; });
        row("a replace that puts a folder where the old version's file was: the removal clears its way", "file",
            replaced, Result::Done, plus, [](Case& c) {
                c.package.files.append(
                    { "Commands/new.js", "added();\n", "$dreamweaver/Configuration/Commands/Velkor/tool.js" });
                c.package.files.removeAt(1);
            });
        row("a replace whose install would fail: nothing removed", "file",
            { question, "warning: $T was not installed: a folder stands where the manifest copy" }, Result::Failed,
            kept, [](Case& c) {
                c.damage = "blocked store";
                c.package.manifestName = "Plus.mxi";
            });
        const QString waiting = "notice: Waiting for another program to finish with Dreamweaver CS6";
        // The lock file names the program holding it and its process.
        const QString locked = "$T was left as it is: tst_extensioncommands (process "
            + QString::number(QCoreApplication::applicationPid()) + ") kept Dreamweaver CS6 locked";
        const Change lockedOut = [](Case& c) { c.damage = "locked"; };
        row("another program holds the installation: a wait, then nothing changes", "file",
            { question, waiting, "Waiting", "retry: " + locked }, Result::Failed, kept, lockedOut);
        row("another program holds the installation: Try again waits once more", "file",
            { question, waiting, "Waiting", "retry: " + locked, "retry: " + locked }, Result::Failed, kept,
            [](Case& c) { c.damage = "locked, try again once"; });
        row("remove: another program holds the installation", "remove",
            { removeQuestion, waiting, "Waiting", "retry: Velkor Tools 1.0.0 was left" }, Result::Failed, kept,
            lockedOut);
        row("without ids, the same manifest name in another case is the same extension", "file", replaced, Result::Done,
            plus, [](Case& c) {
                c.installed = { extension("", "Velkor Tools", "1.0.0", "tools.mxi") };
                c.package.id.clear();
                c.package.manifestName = "TOOLS.MXI";
            });
        row("without ids, another manifest name is another extension", "file", { "Installing", installed },
            Result::Done, kept + plus, [](Case& c) {
                c.installed = { extension("", "Velkor Tools", "1.0.0", "another.mxi", "Mine") };
                c.package.id.clear();
                c.package.manifestName = "tools.mxi";
            });
        row("another id stored under the same manifest name: refused, nothing removed", "file",
            { "warning: $T was not installed: Velkor Tools 1.0.0 is installed in Dreamweaver CS6 under the same "
              "manifest name" },
            Result::Failed, kept, [](Case& c) { c.package.id = "com.velkor.new"; });
        row("a file left out of the package: installed, with a warning", "file", { "Installing", notAll },
            Result::Incomplete, plus, [](Case& c) {
                c.installed.clear();
                c.package.files[1].data = QByteArray();
            });
        const QString gone
            = "warning: In Dreamweaver CS6, some entries of $T have nowhere to go.\n\nThese configuration entries "
              "have no place to go into (their menu, category, element or file is not there):\nmenu entry V in Gone "
              "[en_US]";
        row("a menu that is not there: installed, with a warning", "file", replaced + QStringList { gone },
            Result::Done, plus, [](Case& c) {
                c.package.configurationChanges += "<menu-insert appendTo=\"Gone\"><menuitem id=\"V\"/></menu-insert>";
            });
        row("a UTF-16 manifest: the replace, then the extension listed under its name", "file", replaced, Result::Done,
            plus, [](Case& c) { c.damage = "UTF-16"; });
        // "Velkor Tools.mxi": the installed version's manifest on its own, read but refused before any question.
        for (const auto& [source, result, reason] : {
                 std::make_tuple("missing", Result::NotFound, "the file does not exist"),
                 std::make_tuple("folder", Result::NotFound, "it is a folder, not a package file"),
                 std::make_tuple("Velkor Tools.mxi", Result::Failed, "it is not a ZXP or MXP package"),
                 std::make_tuple("broken.zxp", Result::Failed, "no extension manifest can be read from it"),
                 std::make_tuple("nameless.zxp", Result::Failed,
                     "its manifest names no extension (it has neither an id nor a name)"),
                 std::make_tuple("utf32.zxp", Result::Failed, "its manifest is in UTF-32, which is not read"),
#ifdef Q_OS_UNIX
                 std::make_tuple("fifo.zxp", Result::Failed, "it is not a regular file"),
#endif
             }) {
            row(qPrintable(QString("%1: nothing asked or removed").arg(source)), source,
                { QString("warning: $R cannot be installed: %1.").arg(reason) }, result, kept);
        }
        row("the Store: the question, then Downloading, Removing, Installing", "store:tools.zxp",
            { question, "Downloading", "Removing", removed, "Installing", installed }, Result::Done, plus);
        row("folders, .. and a query stay out of the temporary name", "store:../../x/../tools.MXP?token=a/b",
            { "Downloading", "Installing", installed }, Result::Done, plus, notInstalled);
        const QStringList storeReplaced { "Downloading", question, "Removing", removed, "Installing", installed };
        const Change underAnotherId = [](Case& c) {
            c.catalogueId = "com.velkor.catalogue";
            c.package.manifestName = "Plus.mxi";
        };
        row("the Store: the manifest's id, not the catalogue's, decides what is replaced", "store:tools.zxp",
            storeReplaced, Result::Done, plus, underAnotherId);
        row("the Store: No to the replace the manifest's id asks for keeps it", "store:tools.zxp",
            { "Downloading", question }, Result::Refused, kept, [&](Case& c) {
                underAnotherId(c);
                c.answer = false;
            });
        row("the Store: a package of another id than its entry's leaves the entry's extension", "store:tools.zxp",
            { question, "Downloading",
                "notice: The package of $T holds another extension than Velkor Tools 1.0.0, which stays installed.",
                "Installing", installed },
            Result::Done, kept + plus, [](Case& c) {
                c.catalogueId = "com.velkor.tools";
                c.package.id = "com.velkor.plus";
                c.package.manifestName = "Plus.mxi";
            });
        row("the Store: an entry newer than its package is not reinstalled", "store:tools.zxp",
            { "question: Version 1.0.0 of Velkor Tools is already installed", "Downloading",
                "notice: Velkor Tools stays as it is in Dreamweaver CS6: the Store lists version 2.0, but its package "
                "holds version 1.0.0, and version 1.0.0 is installed." },
            Result::Done, kept, [](Case& c) {
                c.package.version = "1.0.0";
                c.catalogueVersion = "2.0";
            });
        row("the Store: a reply cut off before its length, the old version stays", "store:tools.zxp",
            { question, "Downloading", notDownloaded + "could not be downloaded from http://127.0.0.1:" },
            Result::Failed, kept, [](Case& c) { c.route.delivery = StoreServer::Delivery::Dropped; });
        row("the Store: a page that is no package, the old version stays", "store:tools.zxp",
            { question, "Downloading", notDownloaded + "cannot be installed: no extension manifest" }, Result::Failed,
            kept, [](Case& c) { c.route.body = "<html>maintenance</html>"; });
        // A licence is asked for before anything changes, the replace question and the removal included.
        const Change licensed = [](Case& c) {
            c.package.configurationChanges += "<ui-access><![CDATA[Commands &gt; Tool]]></ui-access>"
                                              "<license-agreement><![CDATA[Use it.]]></license-agreement>";
            c.package.rootAttributes = "requires-restart=\"true\"";
        };
        const QString license = "licence of $T: Use it.";
        const QString whereToFind = "inform: Where to find Velkor Tools Plus in Dreamweaver: Commands > Tool. Restart "
                                    "Dreamweaver to use it.";
        row("a licence declined: not even the replace is asked", "file", { license }, Result::Refused, kept,
            [&](Case& c) {
                licensed(c);
                c.answer = false;
            });
        row("a licence accepted: installed, then where to find it and the restart", "file",
            QStringList { license } + replaced + QStringList { whereToFind }, Result::Done, plus, licensed);
        row("a dry run asks for no licence, and says it would", "dry run",
            { "notice: $T would be installed only if you accept its licence agreement.", "Installing",
                "inform: Would install" },
            Result::Done, none, [&](Case& c) {
                licensed(c);
                notInstalled(c);
            });
        row("the Store: a licence declined after the download leaves the old version", "store:tools.zxp",
            { "Downloading", license }, Result::Refused, kept, [&](Case& c) {
                licensed(c);
                underAnotherId(c);
                c.answer = false;
            });
        row("the Store: only the restart, without where to find it", "store:tools.zxp",
            { "Downloading", "Installing", installed, "inform: Restart Dreamweaver to use it." }, Result::Done, plus,
            [&](Case& c) {
                notInstalled(c);
                c.package.rootAttributes = "requires-restart=\"true\"";
            });
        row("remove: Yes removes it", "remove", { removeQuestion, "Removing", removed }, Result::Done, none);
        row("remove: No keeps it", "remove", { removeQuestion }, Result::Refused, kept, no);
        row("remove: an entry the install refused is no removal failure", "remove",
            { removeQuestion, "Removing", removed }, Result::Done, none, [](Case& c) {
                c.installed[0].files.append({ "Commands/stray.js", "stray\n", "Commands/Velkor" });
            });
        row("remove: a Menus.xml that cannot be edited", "remove",
            { removeQuestion, "Removing", partly + "Dreamweaver files could not be edited:" }, Result::Incomplete, kept,
            [](Case& c) { c.damage = "bad menus"; });
        row("remove: not installed", "remove", {}, Result::NotFound, none, notInstalled);
    }

    // An extension another program installed (its manifest in each locale's Configuration/Extensions, the name
    // in another case in the second locale, no record): listed, checked, removed byte-exact, or taken over.
    void otherProgram_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("listed"); // after it: "+" marks another program's
        QTest::addColumn<bool>("pristine"); // Menus.xml, insertbar.xml and the files as before the install
        addTestRow("listed and whole", "verify", "+Velkor Tools 1.0.0 whole", false);
        addTestRow("removed byte-exact in every locale", "remove", "", true);
        addTestRow("adopted: one of ours, then removed byte-exact", "adopt", "Velkor Tools 1.0.0 whole", false);
        addTestRow("adopted, dry run: still another program's", "adopt, dry run", "+Velkor Tools 1.0.0 whole", false);
    }

    void otherProgram()
    {
        QFETCH(QString, operation);
        QFETCH(QString, listed);
        QFETCH(bool, pristine);
        DreamweaverInfo target("Dreamweaver CS6", "Adobe", root() + "/user", { "en_US", "de_DE" });
        const QString german = target.configurationFolder("de_DE");
        QVERIFY(writeFile(german + "/Menus/Menus.xml", menusXml())
            && writeFile(german + "/Objects/insertbar.xml", insertbarXml()));
        // The extension's files, and both locales' Menus.xml and insertbar.xml byte for byte.
        const auto contents = [&] {
            QStringList all = entriesBelow(configuration() + "/Commands");
            for (const QString& locale : target.locales())
                all << readFile(target.configurationFolder(locale) + "/Menus/Menus.xml")
                        + readFile(target.configurationFolder(locale) + "/Objects/insertbar.xml");
            return all;
        };
        const QStringList fresh = contents();
        QVERIFY(tools.writePackage(root() + "/tools.zxp")
            && Installer(target, nullptr, nullptr).installPackage(root() + "/tools.zxp"));
        // What the other program left: the manifest alone, as it kept it.
        for (const QString& locale : target.locales()) {
            const QString stored = target.extensionStoreFolder(locale) + "/Velkor Tools.mxi";
            const QString theirs
                = target.otherProgramFolder(locale) + (locale == "en_US" ? "/Velkor Tools.mxi" : "/velkor tools.MXI");
            QVERIFY(QDir().mkpath(target.otherProgramFolder(locale)) && QFile::rename(stored, theirs));
            QVERIFY(QDir(target.configurationFolder(locale) + "/Shared").removeRecursively());
        }
        const QStringList withTools = contents();
        QVERIFY(withTools != fresh);

        ScriptedPrompt prompt;
        prompt.answer = true;
        ExtensionCommands commands(prompt);
        commands.setDryRun(operation.endsWith("dry run"));
        if (operation == "remove")
            QCOMPARE(int(commands.removeExtension(target, "Velkor Tools.mxi")), int(Result::Done));
        if (operation.startsWith("adopt")) {
            QCOMPARE(int(commands.adoptExtension(target, "Velkor Tools.mxi")), int(Result::Done));
            QCOMPARE(QFile::exists(target.extensionStoreFolder("de_DE") + "/velkor tools.MXI"), operation == "adopt");
        }
        QStringList rows;
        for (const ExtensionCommands::Health& health : ExtensionCommands::verify(target))
            rows << (health.extension.isInstalledByOtherProgram() ? "+" : "") + health.extension.name() + ' '
                    + health.extension.version() + (health.whole ? " whole" : " damaged");
        QCOMPARE(rows.join("; "), listed);
        QCOMPARE(contents(), pristine ? fresh : withTools);
        if (operation == "adopt") {
            QCOMPARE(int(commands.removeExtension(target, "Velkor Tools.mxi")), int(Result::Done));
            QCOMPARE(contents(), fresh);
            target.loadInstalledExtensions();
            QVERIFY(target.installedExtensions().isEmpty());
        }
    }

    // Kept packages, disable, enable, reinstall and copy, one step after
    // another on a CS6 of two locales (and a 2021 to copy into). Each step is
    // "operation=result"; "plain install" installs without keeping the package.
    void manage_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("files"); // of the CS6 after them: "fresh", "installed", or unchecked
        QTest::addColumn<QString>("listed"); // verify's rows, then the disabled ones, in both installations
        QTest::addColumn<QStringList>("kept"); // the kept packages, by installation
        const QString whole = "CS6: Velkor Tools 1.0.0 whole";
        const QStringList keptHere { "CS6/com.velkor.tools-1.0.0.zxp" };
        addTestRow("disable: Dreamweaver's files as before the install, listed as disabled",
            QStringList { "install=Done", "disable=Done" }, QString("fresh"), QString("CS6: disabled Velkor Tools"),
            keptHere);
        addTestRow("enable: Dreamweaver's files as the install left them",
            QStringList { "install=Done", "disable=Done", "enable=Done" }, QString("installed"), whole, keptHere);
        addTestRow("disable twice, enable twice: the second does nothing",
            QStringList { "install=Done", "disable=Done", "disable=Done", "enable=Done", "enable=Done" },
            QString("installed"), whole, keptHere);
        addTestRow("remove while disabled: the parked files and the kept package go",
            QStringList { "install=Done", "disable=Done", "remove=Done" }, QString("fresh"), QString(), QStringList());
        addTestRow("remove: the kept package goes", QStringList { "install=Done", "remove=Done" }, QString("fresh"),
            QString(), QStringList());
        addTestRow("a replace swaps the kept package", QStringList { "install=Done", "install 0.9=Done" }, QString(),
            QString("CS6: Velkor Tools 0.9 whole"), QStringList { "CS6/com.velkor.tools-0.9.zxp" });
        addTestRow("reinstall after a file was deleted: whole again",
            QStringList { "install=Done", "delete a file", "reinstall=Done" }, QString("installed, new records"), whole,
            keptHere);
        addTestRow("reinstall without a kept package: refused", QStringList { "plain install", "reinstall=Failed" },
            QString("installed"), whole, QStringList());
        addTestRow("disable without an install record: refused, nothing changed",
            QStringList { "install=Done", "drop the records", "disable=Failed" }, QString(),
            QString("CS6: Velkor Tools 1.0.0 whole"), keptHere);
#ifdef Q_OS_UNIX
        addTestRow("a link in the data folder leading elsewhere: not disabled, nothing changed",
            QStringList { "install=Done", "link the disabled folder", "disable=Failed" }, QString("installed"), whole,
            keptHere);
#endif
        addTestRow("enable while another copy is installed under its name: refused",
            QStringList { "install=Done", "disable=Done", "plain install", "enable=Failed" }, QString("installed"),
            QString("CS6: Velkor Tools 1.0.0 whole; CS6: disabled Velkor Tools"), keptHere);
        addTestRow("copy into another version, installed there and kept for it",
            QStringList { "install=Done", "copy=Done" }, QString("installed"),
            whole + "; 2021: Velkor Tools 1.0.0 whole", QStringList { "2021/com.velkor.tools-1.0.0.zxp" } + keptHere);
        addTestRow("copy of a disabled extension: enabled there",
            QStringList { "install=Done", "disable=Done", "copy=Done" }, QString("fresh"),
            QString("CS6: disabled Velkor Tools; 2021: Velkor Tools 1.0.0 whole"),
            QStringList { "2021/com.velkor.tools-1.0.0.zxp" } + keptHere);
        addTestRow("copy without a kept package: not copied", QStringList { "plain install", "copy=Failed" },
            QString("installed"), whole, QStringList());
        addTestRow("copy outside the package's products, answered No: not copied",
            QStringList { "install for 12=Done", "copy=Refused" }, QString(), whole, keptHere);
    }

    void manage()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, files);
        QFETCH(QString, listed);
        QFETCH(QStringList, kept);
        DreamweaverInfo cs6("Dreamweaver CS6", "Adobe", root() + "/user", { "en_US", "de_DE" });
        cs6.setVersion("12.0");
        DreamweaverInfo dw2021("Dreamweaver 2021", "Adobe", root() + "/user2021", { "en_US" });
        dw2021.setVersion("21.0");
        for (const DreamweaverInfo& target : { cs6, dw2021 }) {
            for (const QString& locale : target.locales())
                QVERIFY(writeFile(target.configurationFolder(locale) + "/Menus/Menus.xml", menusXml())
                    && writeFile(target.configurationFolder(locale) + "/Objects/insertbar.xml", insertbarXml()));
        }
        // Every file's bytes; the editor's backups (.xbk) hold whatever came
        // before the last edit, and a new install's records its own time.
        const auto contents = [&] {
            QMap<QString, QByteArray> all;
            for (const QString& entry : entriesBelow(root() + "/user")) {
                if (!entry.endsWith('/') && !entry.endsWith(".xbk")
                    && !(files.endsWith("new records") && entry.endsWith(".record")))
                    all.insert(entry, readFile(root() + "/user/" + entry));
            }
            return all;
        };
        const QMap<QString, QByteArray> fresh = contents();
        QMap<QString, QByteArray> installed;
        const QString package = root() + "/packages/tools.zxp";
        QVERIFY(tools.writePackage(package));

        ScriptedPrompt prompt;
        prompt.answer = true;
        ExtensionCommands commands(prompt);
        for (const QString& step : steps) {
            const QString operation = step.section('=', 0, 0);
            Result result = Result::Done;
            if (operation == "install" || operation == "install 0.9") {
                TestExtension plus = tools;
                plus.version = operation == "install" ? "1.0.0" : "0.9";
                QVERIFY(plus.writePackage(root() + "/packages/now.zxp"));
                result = commands.installPackageFile(cs6, root() + "/packages/now.zxp");
                installed = contents();
            } else if (operation == "install for 12") {
                const QByteArray manifest = tools.manifest().replace(
                    "<files>", "<products><product name=\"Dreamweaver\" version=\"12\" maxversion=\"12.9\"/>"
                               "</products><files>");
                QList<ZxpWriter::Entry> entries { { tools.manifestName, manifest } };
                for (const PackagedFile& file : tools.files)
                    entries.append({ file.source, file.data });
                QVERIFY(writeFile(root() + "/packages/cs6.zxp", ZxpWriter::archiveOf(entries)));
                result = commands.installPackageFile(cs6, root() + "/packages/cs6.zxp");
                prompt.answer = false;
            } else if (operation == "plain install") {
                QVERIFY(Installer(cs6, nullptr, nullptr).installPackage(package));
                installed = contents();
            } else if (operation == "disable") {
                result = commands.disableExtension(cs6, "com.velkor.tools");
            } else if (operation == "enable") {
                result = commands.enableExtension(cs6, "com.velkor.tools");
            } else if (operation == "remove") {
                result = commands.removeExtension(cs6, "Velkor Tools.mxi");
            } else if (operation == "reinstall") {
                result = commands.reinstallExtension(cs6, "com.velkor.tools");
            } else if (operation == "copy") {
                result = commands.copyExtensions(cs6, dw2021, {});
            } else if (operation == "delete a file") {
                QVERIFY(QFile::remove(cs6.configurationFolder("de_DE") + "/Commands/Velkor/tool.js"));
            } else if (operation == "link the disabled folder") {
                QVERIFY(QDir().mkpath(root() + "/elsewhere")
                    && QFile::link(root() + "/elsewhere", root() + "/data/disabled"));
            } else if (operation == "drop the records") {
                for (const QString& locale : cs6.locales())
                    QVERIFY(QFile::remove(cs6.extensionStoreFolder(locale) + "/Velkor Tools.mxi.record"));
            } else {
                QFAIL(qPrintable("no such step: " + step));
            }
            const QString expected = step.section('=', 1);
            const QString got
                = QStringList { "Done", "Incomplete", "Failed", "Refused", "NotFound" }.value(int(result));
            QVERIFY2(expected.isEmpty() || got == expected,
                qPrintable(step + " gave " + got + "\n" + prompt.log.join('\n')));
        }
        if (files == "fresh")
            QCOMPARE(contents(), fresh);
        if (files.startsWith("installed"))
            QCOMPARE(contents(), installed);
        QStringList rows;
        for (DreamweaverInfo* target : { &cs6, &dw2021 }) {
            const QString name = target->name().section(' ', 1);
            for (const ExtensionCommands::Health& health : ExtensionCommands::verify(*target))
                rows << name + ": " + health.extension.name() + ' ' + health.extension.version()
                        + (health.whole ? " whole" : " damaged");
            for (const ExtensionInfo& extension : ExtensionCommands::disabledExtensions(*target))
                rows << name + ": disabled " + extension.name();
        }
        QCOMPARE(rows.join("; "), listed);
        QStringList keptNow = entriesBelow(root() + "/data/packages").filter(QRegularExpression("[^/]$"));
        keptNow.replaceInStrings(KeptPackages::installationKey(cs6), "CS6")
            .replaceInStrings(KeptPackages::installationKey(dw2021), "2021");
        QCOMPARE(keptNow, kept);
        QCOMPARE(entriesBelow(root() + "/tmp"), QStringList());
        QCOMPARE(entriesBelow(root() + "/elsewhere").filter(QRegularExpression("[^/]$")), QStringList());
    }

    // The log file itself: appended to, rotated past its cap, and never
    // made unreadable by a line a crash cut off.
    void log_data()
    {
        QTest::addColumn<QByteArray>("current"); // the log before the entry is added
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<int>("reportLength"); // of the entry added
        QTest::addColumn<QStringList>("after"); // extension and report length of each entry read, oldest first
        QTest::addColumn<QByteArray>("oldAfter"); // null: there is no old log
        const QByteArray line = R"({"time":"2026-01-01T00:00:00Z","operation":"install","installation":"D",)"
                                R"("extension":"earlier","outcome":"done","report":"r"})"
                                "\n";
        const QByteArray ancient = QByteArray(line).replace("earlier", "ancient");
        const QByteArray full = line.repeated(int(OperationLog::maximumSize / line.size()));
        QStringList rotated;
        for (int entry = 0; entry < full.count('\n'); ++entry)
            rotated << "earlier 1";
        rotated << "new 5";
        addTestRow(
            "an entry follows those there", line, QByteArray(), 5, QStringList { "earlier 1", "new 5" }, QByteArray());
        addTestRow("a line a crash cut off is passed over, and the entry after it is whole", line + line.left(40),
            QByteArray(), 5, QStringList { "earlier 1", "new 5" }, QByteArray());
        addTestRow("past the cap the log becomes the old log, whose entries go", full, ancient, 5, rotated, full);
        addTestRow("a report too long for the log is cut", QByteArray(), QByteArray(), int(OperationLog::maximumSize),
            QStringList { "new " + QString::number(OperationLog::maximumSize / 4 + 23) }, QByteArray());
        addTestRow("a log grown past the cap elsewhere is set aside, unread",
            QByteArray(3 * OperationLog::maximumSize, 'x'), ancient, 5, QStringList { "new 5" },
            QByteArray(3 * OperationLog::maximumSize, 'x'));
    }

    void log()
    {
        QFETCH(QByteArray, current);
        QFETCH(QByteArray, old);
        QFETCH(int, reportLength);
        QFETCH(QStringList, after);
        QFETCH(QByteArray, oldAfter);
        QVERIFY(current.isEmpty() || writeFile(OperationLog::path(), current));
        QVERIFY(old.isEmpty() || writeFile(OperationLog::oldPath(), old));
        QString error;
        QVERIFY2(
            OperationLog::append(
                { QDateTime::currentDateTimeUtc(), "install", "D", "new", "done", QString(reportLength, 'r') }, &error),
            qPrintable(error));
        QStringList read;
        for (const OperationLog::Entry& entry : OperationLog::read())
            read << entry.extension + ' ' + QString::number(entry.report.size());
        QCOMPARE(read, after);
        QCOMPARE(QFile::exists(OperationLog::oldPath()) ? readFile(OperationLog::oldPath()) : QByteArray(), oldAfter);
        QVERIFY(QFileInfo(OperationLog::path()).size() <= OperationLog::maximumSize);
    }

    void run()
    {
        QFETCH(Case, c);

        // A bystander that no row may touch.
        c.installed << extension("com.velkor.other", "Bystander", "1.0", "Other.mxi", "Other");
        for (const TestExtension& installed : c.installed)
            QVERIFY(installed.writePackage(root() + "/pre.zxp")
                && Installer(m_dreamweaver, nullptr, nullptr).installPackage(root() + "/pre.zxp"));
        // A folder with content where a file must go away: not even root can delete it.
        const QString tool = configuration() + "/Commands/Velkor/tool.js";
        if (c.damage == "stuck file")
            QVERIFY(QFile::remove(tool) && writeFile(tool + "/inside.txt", "x"));
        if (c.damage == "blocked store")
            QVERIFY(QDir().mkpath(m_dreamweaver.extensionStoreFolder("en_US") + "/Plus.mxi/inside"));
        if (c.damage == "blocked file")
            QVERIFY(QDir().mkpath(configuration() + "/Commands/Velkor/new.js/inside"));
        if (c.damage == "blocked folder")
            QVERIFY(writeFile(configuration() + "/Commands/Velkor/Sub", "mine\n"));
        if (c.damage == "bad menus")
            QVERIFY(writeFile(configuration() + "/Menus/Menus.xml",
                "<menubar id=\"DWMenu_Commands\"><menuitem id=\"Velkor_Tool\"/>\xff</menubar>"));
        const bool fromStore = c.source.startsWith("store:");
        QString path = root() + "/packages/" + c.source;
        if (c.source == "folder")
            QVERIFY(QDir().mkpath((path += ".zxp") + "/inside"));
        else if (c.source == "broken.zxp" || c.source.endsWith(".mxi"))
            QVERIFY(writeFile(path, c.source.endsWith("mxi") ? tools.manifest() : QByteArray(300, 'x')));
        if (c.source == "file" || c.source == "dry run" || fromStore)
            QVERIFY(
                c.package.writePackage(path = root() + (c.source.contains("MXP") ? "/package.mxp" : "/package.zxp")));
        if (c.damage == "damaged entry" || c.damage == "UTF-16") {
            QByteArray manifest = c.package.manifest();
            if (c.damage == "UTF-16") {
                // In this machine's byte order, which the byte-order mark tells.
                const QString text = QChar(0xFEFF) + QString::fromUtf8(manifest);
                manifest = QByteArray(reinterpret_cast<const char*>(text.utf16()), int(text.size()) * 2);
            }
            QList<ZxpWriter::Entry> entries { { c.package.manifestName, manifest } };
            for (const PackagedFile& file : c.package.files)
                entries.append({ file.source, file.data });
            // Its CRC-32 in the central directory no longer matches its data.
            if (c.damage == "damaged entry")
                entries[2].centralCrc = 0x12345678;
            QVERIFY(writeFile(path, ZxpWriter::archiveOf(entries)));
        }
#ifdef Q_OS_UNIX
        if (c.source == "fifo.zxp")
            QVERIFY(QDir().mkpath(root() + "/packages") && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
#endif
        const QByteArray utf32("\xff\xfe\0\0<\0\0\0", 8);
        if (c.source == "nameless.zxp" || c.source == "utf32.zxp")
            QVERIFY(writeFile(path,
                ZxpWriter::archiveOf({ { "x.mxi",
                    c.source == "utf32.zxp" ? utf32
                                            : "<macromedia-extension version=\"1\"></macromedia-extension>" } })));
        if (c.route.body.isNull() && fromStore)
            c.route.body = readFile(path);
        StoreServer server(StoreServer::Tls::None, c.route);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        QLockFile otherProgram(InstallationLock::path(m_dreamweaver));
        QVERIFY(!c.damage.startsWith("locked") || otherProgram.tryLock(0));
        const QStringList before = entriesBelow(root() + "/user");

        ScriptedPrompt prompt;
        prompt.answer = c.answer;
        prompt.retries = c.damage == "locked, try again once" ? 1 : 0;
        prompt.root = root();
        ExtensionCommands commands(prompt);
        commands.setDryRun(c.source == "dry run");
        commands.setLockTimeout(300);
        StoreClient store;
        const QString zxp = c.source.mid(6);
        const CatalogueEntry entry { c.catalogueId == "package" ? c.package.id : c.catalogueId, c.package.name,
            c.catalogueVersion == "package" ? c.package.version : c.catalogueVersion, zxp };
        const Result result = fromStore ? commands.installCatalogueEntry(m_dreamweaver, entry, store)
            : c.source == "remove"      ? commands.removeExtension(m_dreamweaver, "Velkor Tools.mxi")
                                        : commands.installPackageFile(m_dreamweaver, path);

        QCOMPARE(int(result), int(c.result));
        const QString title = c.package.name + " " + c.package.version;
        QCOMPARE(prompt.log.size(), c.log.size());
        for (int i = 0; i < c.log.size(); ++i) {
            QString expected = c.log.at(i);
            expected.replace("$T", title).replace("$R", QDir::toNativeSeparators(path));
            QVERIFY2(prompt.log.at(i).startsWith(expected), qPrintable(prompt.log.at(i) + "\nexpected: " + expected));
        }
        m_dreamweaver.loadInstalledExtensions();
        QStringList rowsAfter;
        for (const ExtensionInfo& extension : m_dreamweaver.installedExtensions())
            rowsAfter << extension.name() + ' ' + extension.version();
        QVERIFY(rowsAfter.removeOne("Bystander 1.0"));
        QCOMPARE(rowsAfter, c.rowsAfter);
        QVERIFY(QFile::exists(configuration() + "/Commands/Other/own.js"));
        if (int(c.result) > int(Result::Incomplete) || c.source == "dry run")
            QCOMPARE(entriesBelow(root() + "/user"), before);
        QCOMPARE(readFile(configuration() + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), int(!rowsAfter.isEmpty()));
        // Nothing stays in the temporary folder; while installing, the
        // download lay there under a unique prefix and its last name component.
        QCOMPARE(entriesBelow(root() + "/tmp"), QStringList());
        // Whatever changed the installation is in the log, with the whole of what the user was told.
        const QList<OperationLog::Entry> logged = OperationLog::read();
        const bool asked = c.source == "dry run" || c.result == Result::Refused || c.result == Result::NotFound;
        QVERIFY(logged.size() == 1 || (logged.isEmpty() && (asked || entriesBelow(root() + "/user") == before)));
        QVERIFY(!asked || logged.isEmpty());
        if (!logged.isEmpty()) {
            const OperationLog::Entry& entry = logged.first();
            const QString operation = c.source == "remove" ? "remove"
                : fromStore && c.log.contains("Removing")  ? "update"
                                                           : "install";
            QCOMPARE(entry.operation + ' ' + entry.outcome,
                operation + ' '
                    + (c.result == Result::Done              ? "done"
                            : c.result == Result::Incomplete ? "incomplete"
                                                             : "failed"));
            QCOMPARE(entry.installation, m_dreamweaver.name());
            const QStringList told = prompt.log.filter(QRegularExpression("^(inform|warning): "));
            QVERIFY2(
                !told.isEmpty() && entry.report.startsWith(told.first().section(": ", 1)), qPrintable(entry.report));
            QVERIFY(entry.report.contains(told.last().section(": ", 1).section('\n', 0, 0)));
        }
        if (fromStore && c.log.contains("Installing")) {
            const QString last = QRegularExpression::escape(zxp.section('?', 0, 0).section('/', -1));
            QCOMPARE(prompt.whileInstalling.filter(QRegularExpression("^tmp/[^/]{6}" + last + "$")).size(), 1);
            QCOMPARE(prompt.whileInstalling.filter(
                         QRegularExpression("^(?!user/|tmp/|packages/|pre.zxp|package.zxp|package.mxp)")),
                QStringList());
        }
    }
};

QTEST_GUILESS_MAIN(TestExtensionCommands)

#include "tst_extensioncommands.moc"
