#include "TestData.h"
#include "support/DiscoveryFixtures.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"
#include "support/UnderWine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace InstallerFixtures;

namespace {

enum class State {
    Fresh,
    ToolsInstalled,
    ToolsDamaged,
    MenuGone,
    ToolsDisabled,
    NoInstallations,
    Wine,
    WineTools,
    WineMenusHeld
};

struct Case
{
    QStringList arguments;
    State state;
    QByteArray typed; // null: no terminal
    int exitCode;
    QStringList out; // with --json: "path=value" pairs
    QStringList err;
    bool changes;
};

// A Store on the loopback server: its catalogue lists the tools at
// catalogueVersion and another extension; the tools' package is served as
// package says.
struct StoreCase
{
    Case c;
    QByteArray catalogueVersion;
    StoreServer::Tls tls;
    StoreServer::Route package;
};

#ifdef Q_OS_WIN
const QString toolPath = QStringLiteral(MORAVEL_BINARY_DIR "/moravel-cli.exe");
#else
const QString toolPath = QStringLiteral(MORAVEL_BINARY_DIR "/moravel-cli");
#endif
const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));

// The value at a slash-separated path of keys and indices, as text: arrays of
// strings joined with commas.
QString valueAt(const QByteArray& json, const QString& path)
{
    QJsonValue value = QJsonDocument::fromJson(json).object();
    for (const QString& step : path.split('/')) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(step);
    }
    return value.isArray() ? value.toVariant().toStringList().join(',') : value.toVariant().toString();
}

} // namespace

Q_DECLARE_METATYPE(Case)
Q_DECLARE_METATYPE(StoreCase)

// The tool's own face: arguments, exit status, the two streams, JSON and the
// terminal. What the operations do is tested on the command layer.
class tst_Cli : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcessEnvironment m_environment;
    int m_exitCode = -1;
    QByteArray m_out, m_err; // on a terminal, m_err is what the terminal showed

    QString root() const { return m_dir->path() + "/profile"; }
    // The per-user configuration folder of the 2021 installation's en_US locale.
    QString conf() const { return root() + "/AppData/Roaming/Adobe/Dreamweaver 2021/en_US/Configuration"; }
    // Rows spell conf() as $CONF and root() as $ROOT.
    QString expand(QString text) const { return text.replace("$CONF", conf()).replace("$ROOT", root()); }

    // A stand-in Windows profile with two installations (2021 with en_US; CS6
    // with en_US and de_DE) and a scratch folder beside it holding the
    // packages the rows name, where moravel-cli runs.
    void prepare(State state)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.remove(QStringLiteral("USERPROFILE"));
        // Kept packages and disabled extensions stay with the row.
        m_environment.insert(QStringLiteral("MORAVEL_DATA_FOLDER"), m_dir->path() + "/data");
        for (const auto& [variable, folder] :
            { std::make_pair("APPDATA", "/AppData/Roaming"), std::make_pair("ALLUSERSPROFILE", "/ProgramData"),
                std::make_pair("ProgramW6432", "/Program Files") }) {
            m_environment.insert(variable, root() + folder);
            QDir().mkpath(root() + folder);
        }
        const QString scratch = m_dir->path() + "/scratch/";
        toolsExtension().writePackage(scratch + "tools.zxp");
        toolsExtension().writePackage(scratch + "tools.mxp");
        // One file left out of the package, one refused destination, one for another platform, a whole folder.
        TestExtension damaged = toolsExtension();
        damaged.id = "com.velkor.damaged";
        damaged.manifestName = "Damaged.mxi";
        damaged.files.append({ "Commands/absent.js", QByteArray(), "$dreamweaver/Configuration/Commands/Velkor" });
        damaged.files.append({ "Commands/stray.js", "stray\n", "Commands/Velkor" });
        damaged.configurationChanges += "    <file source=\"Commands/tool.dylib\" "
                                        "destination=\"$dreamweaver/Configuration/Commands\" platform=\"mac\" />\n"
                                        "<file source=\"Commands/\" destination=\"$dreamweaver/Configuration/All\"/>";
        damaged.writePackage(scratch + "damaged.zxp");
        TestExtension old = toolsExtension();
        old.configurationChanges += "<product name=\"Dreamweaver\" version=\"8\" maxversion=\"12\" />\n";
        old.writePackage(scratch + "old.zxp");
        TestExtension fireworks = toolsExtension();
        fireworks.configurationChanges += "<products><product name=\"Fireworks\" /><product familyname=\"Flash\" />"
                                          "</products>\n";
        fireworks.writePackage(scratch + "fireworks.zxp");
        TestExtension spelt = toolsExtension();
        spelt.files[1].destination = "-";
        spelt.files.append({ "commands\\TOOL.JS", QByteArray(), "$dreamweaver/Configuration/Commands/Velkor" });
        spelt.writePackage(scratch + "spelt.zxp");
        TestExtension licensed = toolsExtension();
        licensed.rootAttributes = "requires-restart=\"true\"";
        licensed.configurationChanges
            += "<ui-access><![CDATA[Commands &gt; Tool]]></ui-access>\n"
               "<license-agreement><![CDATA[<p>Use it <b>well</b>.</p>]]></license-agreement>\n";
        licensed.writePackage(scratch + "licensed.zxp");
        writeFile(scratch + "notes.txt", "not a package\n");
        if (state >= State::Wine) {
            // The prefix is the profile folder, whose environment folders hold no installation.
            const QString user
                = root() + "/drive_c/users/root/AppData/Roaming/Adobe/Dreamweaver CS6/en_US/Configuration";
            const QString program = root() + "/drive_c/Program Files (x86)/Adobe/Adobe Dreamweaver CS6/Configuration";
            QVERIFY(DiscoveryFixtures::makeWinePrefix(root())
                && writeFile(user + "/version.xml", DiscoveryFixtures::versionXml("12.0.0.5808"))
                && writeFile(program + "/Menus/Menus.xml", menusXml())
                && writeFile(program + "/Objects/insertbar.xml", insertbarXml()));
            QVERIFY(state != State::WineTools
                || (runTool({ "--wine-prefix", root(), "install", "tools.zxp" }) && m_exitCode == 0));
            QVERIFY(state != State::WineMenusHeld || QDir().mkpath(user + "/Menus/Menus.xml"));
        }
        if (state >= State::NoInstallations)
            return;
        for (const QString& user :
            QStringList { "Dreamweaver 2021/en_US", "Dreamweaver CS6/en_US", "Dreamweaver CS6/de_DE" }) {
            writeFile(root() + "/AppData/Roaming/Adobe/" + user + "/Configuration/version.xml",
                DiscoveryFixtures::versionXml(user.contains("2021") ? "21.0.0.15392" : "12.0.0.5808"));
            const QString program = root() + "/Program Files/Adobe/Adobe " + user.section('/', 0, 0);
            writeFile(program + "/Configuration/Menus/Menus.xml", menusXml());
            writeFile(program + "/Configuration/Objects/insertbar.xml", insertbarXml());
        }
        if (state != State::Fresh)
            QVERIFY(runTool({ "install", "tools.zxp" }) && m_exitCode == 0);
        if (state == State::ToolsDamaged)
            QFile::remove(conf() + "/Commands/Velkor/tool.js");
        if (state == State::MenuGone)
            writeFile(conf() + "/Menus/Menus.xml", "<menubar/>");
        if (state == State::ToolsDisabled)
            QVERIFY(runTool({ "disable", "com.velkor.tools" }) && m_exitCode == 0);
    }

    // Runs moravel-cli with standard input closed or, when typed is not null,
    // with standard input and standard error on a terminal (through script(1))
    // on which typed is entered. False when it hangs or crashes.
    bool runTool(const QStringList& arguments, const QByteArray& typed = QByteArray())
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setWorkingDirectory(m_dir->path() + "/scratch");
        const QString outPath = m_dir->path() + "/terminal-out.txt";
        if (typed.isNull()) {
            process.start(toolPath, arguments);
        } else {
            // -e: script exits with the tool's own exit status.
            const QString command = "'" + (QStringList { toolPath } + arguments).join("' '") + "' >'" + outPath + "'";
            process.start(script, { QStringLiteral("-qec"), command, QStringLiteral("/dev/null") });
        }
        if (process.waitForStarted() && typed.isNull())
            process.closeWriteChannel();
        else if (process.state() == QProcess::Running)
            process.write(typed);
        // Waits with the event loop running, so that a Store in this process
        // can answer the tool. A tool that hangs is killed when process goes.
        QEventLoop loop;
        connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
        if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit)
            return false;
        m_exitCode = process.exitCode();
        m_out = typed.isNull() ? process.readAllStandardOutput() : readFile(outPath);
        m_err = typed.isNull() ? process.readAllStandardError() : process.readAllStandardOutput();
#ifdef Q_OS_WIN
        // The tool writes in text mode, every line end as CR LF; a CR left
        // over after this fails the rows.
        m_out.replace("\r\n", "\n");
        m_err.replace("\r\n", "\n");
#endif
        return true;
    }

    // Runs the row's command on the prepared profile and checks its results.
    void check(const Case& c);

    // Every file and folder below the profile, with each file's bytes.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> entries;
        for (const QString& entry : entriesBelow(root()))
            entries.insert(entry, readFile(root() + '/' + entry));
        return entries;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(toolPath).isExecutable());
    }
    void run_data();
    void run();
    void store_data();
    void store();

    // Installs into two installations at once wait for no installation lock
    // of each other's; the log's own lock keeps both entries.
    void concurrentLogEntriesKeepBoth()
    {
        for (int round = 0; round < 5; ++round) {
            prepare(State::Fresh);
            QProcess first, second;
            for (QProcess* process : { &first, &second }) {
                process->setProcessEnvironment(m_environment);
                process->setWorkingDirectory(m_dir->path() + "/scratch");
                process->start(toolPath, { "install", "tools.zxp", "--target", process == &first ? "0" : "1" });
            }
            QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
            QCOMPARE(first.exitCode() + second.exitCode(), 0);
            QCOMPARE(readFile(m_dir->path() + "/data/moravel.log").count("\"operation\":\"install\""), 2);
        }
    }

    // A Dreamweaver that is running reads the new extension only once it starts again.
    void installWhileDreamweaverRuns()
    {
#ifndef Q_OS_LINUX
        QSKIP("a stand-in process named Dreamweaver.exe is made on Linux only");
#else
        prepare(State::Fresh);
        const QString standIn = m_dir->path() + "/Dreamweaver.exe";
        QVERIFY(QFile::copy(QStandardPaths::findExecutable("sleep"), standIn));
        QVERIFY(runTool({ "install", "tools.zxp" }) && m_exitCode == 0);
        QVERIFY2(!m_out.contains("Restart"), m_out.constData());
        QProcess dreamweaver;
        dreamweaver.start(standIn, { "60" });
        QVERIFY(dreamweaver.waitForStarted());
        QVERIFY(runTool({ "install", "tools.zxp", "--yes" }) && m_exitCode == 0);
        dreamweaver.kill();
        dreamweaver.waitForFinished();
        QVERIFY2(m_out.endsWith("\nRestart Dreamweaver to use it.\n"), m_out.constData());
#endif
    }

    // Two tools started together each read Menus.xml and write it back; without
    // a lock one of them lost the other's entries in most runs.
    void concurrentInstallsKeepBoth()
    {
        for (int round = 0; round < 5; ++round) {
            prepare(State::Fresh);
            TestExtension other = toolsExtension();
            other.id = "com.velkor.other";
            other.manifestName = "Other.mxi";
            other.configurationChanges.replace("Velkor_", "Other_");
            QVERIFY(other.writePackage(m_dir->path() + "/scratch/other.zxp"));
            QProcess tools, others;
            for (QProcess* process : { &tools, &others }) {
                process->setProcessEnvironment(m_environment);
                process->setWorkingDirectory(m_dir->path() + "/scratch");
                process->start(toolPath, { "install", process == &tools ? "tools.zxp" : "other.zxp" });
            }
            QVERIFY(tools.waitForFinished(60000) && others.waitForFinished(60000));
            QCOMPARE(tools.exitCode() + others.exitCode(), 0);
            const QByteArray menus = readFile(conf() + "/Menus/Menus.xml");
            QVERIFY2(menus.contains("id=\"Velkor_Tool\"") && menus.contains("id=\"Other_Tool\""), menus.constData());
        }
    }
};

void tst_Cli::run_data()
{
    QTest::addColumn<Case>("c");

    const QByteArray none;
    const QString removed = "Removed Velkor Tools 1.0.0 from Dreamweaver 2021:\n";
    auto row = [](const char* name, const QStringList& arguments, State state, const QByteArray& typed, int exitCode,
                   const QStringList& out, const QStringList& err = {}, bool changes = false) {
        QTest::newRow(name) << Case { arguments, state, typed, exitCode, out, err, changes };
    };
#ifdef Q_OS_WIN
    // Locales come in the order the file system lists their folders: by name here.
    const QString locales = "de_DE, en_US";
#else
    const QString locales = "en_US, de_DE";
#endif
    row("list shows both installations, newest first", { "list" }, State::Fresh, none, 0,
        { "0: Dreamweaver 2021\n   version:        21.0.0.15392", "1: Dreamweaver CS6", "locales:        " + locales,
            "program folder: $ROOT/Program Files/Adobe/Adobe Dreamweaver CS6" });
    row("list --json", { "list", "--json" }, State::Fresh, none, 0,
        { "installations/1/name=Dreamweaver CS6", "installations/1/locales=" + QString(locales).remove(' ') });
    row("list without installations says so on stderr", { "list" }, State::NoInstallations, none, 0, {},
        { "no Dreamweaver installation was found" });
    row("doctor says why nothing was found", { "doctor" }, State::NoInstallations, none, 0,
        { "folder $ROOT/AppData/Roaming/Adobe\n  not listed: no such folder\n",
            "\nNo Dreamweaver installation was found.\n" });
    row("doctor --json", { "doctor", "--json" }, State::Fresh, none, 0,
        { "installations=2", "places/1/installation=Dreamweaver 2021", "places/1/listed=true" });
    row("info of an installed extension by its id", { "info", "com.velkor.tools" }, State::ToolsInstalled, none, 0,
        { "id:          com.velkor.tools\n", "manifest:    Velkor Tools.mxi\n" });
    row("installed, as a table", { "installed" }, State::ToolsInstalled, none, 0,
        { "NAME          VERSION  AUTHOR  ID                MANIFEST\n"
          "Velkor Tools  1.0.0    Velkor  com.velkor.tools  Velkor Tools.mxi\n" });
    row("installed --json of a target by index", { "installed", "--json", "--target", "1" }, State::ToolsInstalled,
        none, 0, { "target=Dreamweaver CS6", "extensions=" });
    row("info marks the files an install would skip", { "info", "damaged.zxp" }, State::Fresh, none, 0,
        { "Commands/absent.js -> $CONF/Commands/Velkor/absent.js [en_US] (skipped: missing from the package)",
            "Commands/stray.js [en_US] (skipped: refused destination (Commands/Velkor starts with no folder token))",
            "Commands/tool.dylib (skipped: for the platform \"mac\")",
            "Insert-bar buttons:\n  Velkor_Button in category Velkor_Category" });
    row("info --json", { "info", "damaged.zxp", "--json" }, State::Fresh, none, 0,
        { "files/1/path=$CONF/Commands/Velkor/tool.js", "files/3/reason=missing from the package",
            "menuEntries/0/appendTo=DWMenu_Commands", "files/7/source=Commands/tool.js",
            "files/7/destination=$dreamweaver/Configuration/All" });
    row("info --json matches a source spelt otherwise to its entry", { "info", "spelt.zxp", "--json" }, State::Fresh,
        none, 0,
        { "files/2/source=Commands/tool.js", "files/2/destination=$dreamweaver/Configuration/Commands/Velkor" });
    row("info works without any installation", { "info", "tools.zxp" }, State::NoInstallations, none, 0,
        { "target:      (none found)", "Commands/tool.js -> $dreamweaver/Configuration/Commands/Velkor\n" });
    row("a dry run of a replace plans the removal first, without asking", { "install", "tools.zxp", "--dry-run" },
        State::ToolsInstalled, none, 0,
        { "Dry run: nothing was changed.", "Would remove Velkor Tools 1.0.0 from Dreamweaver 2021 first:",
            "would remove: menu entry Velkor_Tool in DWMenu_Commands",
            "would add: menu entry Velkor_Tool in DWMenu_Commands" });
    row("verify names what is missing", { "verify" }, State::ToolsDamaged, none, 1,
        { "damaged\n  missing file $CONF/Commands/Velkor/tool.js [en_US]" });
    row("verify warns of a menu that is gone, and passes", { "verify" }, State::MenuGone, none, 0,
        { "whole\n  warning: no menu DWMenu_Commands for entry Velkor_Tool [en_US]" });
    row("verify --json", { "verify", "--json" }, State::ToolsDamaged, none, 1,
        { "whole=false", "extensions/0/items/3/name=Velkor_Tool" });

    row("reinstalling the same version is refused without a terminal", { "install", "tools.zxp" },
        State::ToolsInstalled, none, 1, {},
        { "moravel-cli: Velkor Tools 1.0.0 was not reinstalled in Dreamweaver 2021: there is no terminal to ask on; "
          "give --yes to go ahead" });
    row("replacing with --yes", { "install", "tools.mxp", "--yes" }, State::ToolsInstalled, none, 0,
        { removed, "Installed Velkor Tools 1.0.0 into Dreamweaver 2021:\nwritten: " }, {}, true);
    row("a reinstall answered yes on a terminal shows the bar", { "install", "tools.zxp" }, State::ToolsInstalled,
        "y\n", 0, { removed },
        { "Velkor Tools 1.0.0 is already installed in Dreamweaver 2021.\r\n\r\nDo you want to reinstall it? [y/N] ",
            "] Removing: Removing files", "] Installing: Adding Insert Bar entries" },
        true);
    row("remove answered with anything else", { "remove", "com.velkor.tools" }, State::ToolsInstalled, "sure\n", 1, {},
        { "Remove Velkor Tools 1.0.0? [y/N] ", "was not removed from Dreamweaver 2021: the answer was no" });
    row("a Dreamweaver outside the products' range is asked about", { "install", "old.zxp" }, State::Fresh, none, 1, {},
        { "not installed: it is made for Dreamweaver 8 to 12, and Dreamweaver 2021 is version 21.0.0.15392" });
    row("a package for other products only is refused, --yes or not", { "install", "fireworks.zxp", "--yes" },
        State::Fresh, none, 1, {},
        { "Velkor Tools 1.0.0 was not installed: it is made for Fireworks and Flash, not for Dreamweaver" });
    row("one inside it is not: 12 takes in 12.0.0.5808", { "install", "old.zxp", "--target", "1" }, State::Fresh, none,
        0, { "Installed Velkor Tools 1.0.0 into Dreamweaver CS6" }, {}, true);
    row("removing by manifest name with --yes", { "remove", "Velkor Tools.mxi", "--yes" }, State::ToolsInstalled, none,
        0, { removed }, {}, true);
    row("an install that skipped files fails, and what it did stays", { "install", "damaged.zxp" }, State::Fresh, none,
        1, {}, { "but not completely.", "written: $CONF/Shared/Velkor/MXI/Damaged.mxi" }, true);
    row("a dry run that would skip files says so in the conditional", { "install", "damaged.zxp", "--dry-run" },
        State::Fresh, none, 1, { "Dry run: nothing was changed." },
        { "Velkor Tools 1.0.0 would be installed into Dreamweaver 2021, but not completely.\n\nThese files would "
          "not be installed:" });
    row("not a package fails", { "install", "notes.txt" }, State::Fresh, none, 1, {},
        { "notes.txt cannot be installed: it is not a ZXP or MXP package" });
    row("a missing package is not found", { "install", "missing.zxp" }, State::Fresh, none, 3, {},
        { "missing.zxp cannot be installed: the file does not exist" });
    row("a target out of range is not found", { "installed", "--target", "2" }, State::Fresh, none, 3, {},
        { "no Dreamweaver installation \"2\": give an index from 0 to 1 or an exact name" });
    row("remove matches ids, not display names", { "remove", "Velkor Tools" }, State::ToolsInstalled, none, 3, {},
        { "no extension \"Velkor Tools\" is installed in Dreamweaver 2021" });
    row("no installation to install into", { "install", "tools.zxp" }, State::NoInstallations, none, 3, {},
        { "no Dreamweaver installation was found" });
    const QStringList wine = { "--wine-prefix", "../profile" }; // relative to the scratch folder
    const QString dw = "$ROOT/drive_c/users/root/AppData/Roaming/Adobe/Dreamweaver CS6/en_US/Configuration";
    row("a Wine prefix: the program folder from its registry", wine + QStringList { "list" }, State::Wine, none, 0,
        { "user folder:    $ROOT/drive_c/users/root/AppData/Roaming/Adobe/Dreamweaver CS6",
            "program folder: $ROOT/drive_c/Program Files (x86)/Adobe/Adobe Dreamweaver CS6" });
    row("install into a Wine prefix", wine + QStringList { "install", "tools.zxp" }, State::Wine, none, 0,
        { "written: " + dw + "/Commands/Velkor/tool.js", dw + "/Menus/Menus.xml: edited (seeded)" }, {}, true);
    row("verify in a Wine prefix", { "verify", "--wine-prefix", "../profile" }, State::WineTools, none, 0,
        { ": whole" });
    row("remove from a Wine prefix", wine + QStringList { "remove", "com.velkor.tools", "--yes" }, State::WineTools,
        none, 0, { "from Dreamweaver CS6:\n", "removed: " + dw + "/Commands/Velkor/tool.js" }, {}, true);
    row("an edit refused names a running Dreamweaver", wine + QStringList { "install", "tools.zxp" },
        State::WineMenusHeld, none, 1, {}, { "(if Dreamweaver is running, close it: it may hold the file)" }, true);
#ifdef Q_OS_WIN
    row("the Windows program offers no Wine prefix", { "list", "--wine-prefix", "../profile/AppData" }, State::Fresh,
        none, 2, {}, { "moravel-cli: Unknown option 'wine-prefix'." });
#else
    row("a folder that is not a prefix is not found", { "list", "--wine-prefix", "../profile/AppData" }, State::Fresh,
        none, 3, {}, { "moravel-cli: $ROOT/AppData is not a Wine prefix: cannot open $ROOT/AppData/system.reg" });
#endif
    // The licence: shown and asked, never taken as accepted by --yes.
    const QString refused = "moravel-cli: Velkor Tools 1.0.0 was not installed: its licence agreement was not "
                            "accepted: ";
    row("a licence is refused without a terminal, and nothing changes", { "install", "licensed.zxp" }, State::Fresh,
        none, 1, {},
        { "The licence agreement of Velkor Tools 1.0.0:\n\nUse it well.\n",
            refused + "there is no terminal to ask on; give --accept-license to accept it" });
    row("--yes does not accept a licence", { "install", "licensed.zxp", "--yes" }, State::ToolsInstalled, none, 1, {},
        { refused + "there is no terminal to ask on; give --accept-license to accept it" });
    row("--accept-license installs, then says where to find it and to restart",
        { "install", "licensed.zxp", "--accept-license" }, State::Fresh, none, 0,
        { "added: menu entry Velkor_Tool in DWMenu_Commands",
            "\nWhere to find Velkor Tools in Dreamweaver: Commands > Tool. Restart Dreamweaver to use it.\n" },
        {}, true);
    row("a licence declined on a terminal", { "install", "licensed.zxp" }, State::Fresh, "n\n", 1, {},
        { "Use it well.\r\n\r\nDo you accept the licence agreement of Velkor Tools 1.0.0? [y/N] ",
            refused + "the answer was no" });
    row("a licence accepted on a terminal", { "install", "licensed.zxp" }, State::Fresh, "y\n", 0,
        { "Installed Velkor Tools 1.0.0 into Dreamweaver 2021:" }, { "[y/N] " }, true);
    row("a dry run says a licence would be asked for", { "install", "licensed.zxp", "--dry-run" }, State::Fresh, none,
        0, { "Would install" }, { "would be installed only if you accept its licence agreement" });
    row("info shows the licence and where to find it", { "info", "licensed.zxp" }, State::Fresh, none, 0,
        { "find it in:  Commands > Tool\nrestart:     yes\n", "\nlicence agreement:\n  Use it well.\n" });
    row("info --json shows them too", { "info", "licensed.zxp", "--json" }, State::Fresh, none, 0,
        { "license=Use it well.", "uiAccess=Commands > Tool", "requiresRestart=true" });

    // Each command's own help.
    row("install --help is about install", { "install", "--help" }, State::Fresh, none, 0,
        { "Usage: moravel-cli install [options] PACKAGE\n\nInstalls a .zxp or .mxp package",
            "\n  3  no such installation, package or extension\n", "\n  --accept-license ", "\n  --store ID " });
    row("update --help takes any number of ids", { "update", "--help" }, State::Fresh, none, 0,
        { "Usage: moravel-cli update [options] [ID...]\n" });
    row("log --help names no option it does not take", { "--help", "log" }, State::Fresh, none, 0,
        { "Usage: moravel-cli log [options]\n", "Options:\n  --json " });

    // The log, newest last.
    row("an empty log says so", { "log" }, State::Fresh, none, 0, { "The log is empty" });
    row("log shows the install", { "log" }, State::ToolsInstalled, none, 0,
        { "  install  Dreamweaver 2021  Velkor Tools 1.0.0  done\n"
          "    Installed Velkor Tools 1.0.0 into Dreamweaver 2021:\n"
          "    written: $CONF/Shared/Velkor/MXI/Velkor Tools.mxi\n" });
    row("log --json", { "log", "--json" }, State::ToolsInstalled, none, 0,
        { "entries/0/operation=install", "entries/0/installation=Dreamweaver 2021", "entries/0/outcome=done",
            "entries/1/operation=" });

    row("unknown command", { "uninstall", "x" }, State::Fresh, none, 2, {}, { "unknown command \"uninstall\"" });
    row("missing argument", { "install" }, State::Fresh, none, 2, {}, { "needs exactly one PACKAGE" });
 // Disable, enable, copy and reinstall.
    const QString tools = "Velkor Tools 1.0.0";
    row("disable takes it out of Dreamweaver", { "disable", "com.velkor.tools" }, State::ToolsInstalled, none, 0,
        { "Disabled " + tools + " in Dreamweaver 2021:\nremoved: $CONF/Commands/Velkor/Velkor Tool.htm" }, {}, true);
    row("installed lists a disabled extension as disabled", { "installed" }, State::ToolsDisabled, none, 0,
        { "MANIFEST          STATE\nVelkor Tools  1.0.0    Velkor  com.velkor.tools  Velkor Tools.mxi  disabled\n" });
    row("installed --json gives the state", { "installed", "--json" }, State::ToolsDisabled, none, 0,
        { "extensions/0/state=disabled", "extensions/0/id=com.velkor.tools" });
    row("installed --json of an enabled one", { "installed", "--json" }, State::ToolsInstalled, none, 0,
        { "extensions/0/state=enabled" });
    row("log shows the disable after the install, each with its report", { "log", "--json" }, State::ToolsDisabled,
        none, 0,
        { "entries/0/operation=install", "entries/1/operation=disable", "entries/1/outcome=done",
            "entries/2/operation=" });
    row("verify does not call a disabled extension damaged", { "verify" }, State::ToolsDisabled, none, 0,
        { "Velkor Tools 1.0.0 (Velkor Tools.mxi): disabled" });
    row("enable puts it back", { "enable", "Velkor Tools.mxi" }, State::ToolsDisabled, none, 0,
        { "Enabled " + tools + " in Dreamweaver 2021:\nwritten: $CONF/Shared/Velkor/MXI/Velkor Tools.mxi" }, {}, true);
    row("remove of a disabled extension asks like any removal", { "remove", "com.velkor.tools" }, State::ToolsDisabled,
        none, 1, {}, { "was not removed from Dreamweaver 2021: there is no terminal to ask on" });
    row("remove of a disabled extension with --yes", { "remove", "com.velkor.tools", "--yes" }, State::ToolsDisabled,
        none, 0, { "Removed " + tools + " from Dreamweaver 2021:\ndeleted: " });
    row("disable of an extension that is not there", { "disable", "com.velkor.none" }, State::ToolsInstalled, none, 3,
        {}, { "no extension \"com.velkor.none\" is installed in Dreamweaver 2021" });
    row("copy into another installation", { "copy", "--from", "0", "--to", "Dreamweaver CS6", "--yes" },
        State::ToolsInstalled, none, 0, { "Installed " + tools + " into Dreamweaver CS6:\n" }, {}, true);
    row("copy of an extension the source does not have", { "copy", "--from", "1", "--to", "0", "com.velkor.tools" },
        State::ToolsInstalled, none, 3, {}, { "No extension \"com.velkor.tools\" is installed in Dreamweaver CS6." });
    row("copy needs both installations", { "copy", "--from", "0" }, State::ToolsInstalled, none, 2, {},
        { "copy: needs --from A and --to B" });
    row("reinstall makes a damaged extension whole, without the replace question", { "reinstall", "com.velkor.tools" },
        State::ToolsDamaged, none, 0,
        { "Installed " + tools + " into Dreamweaver 2021:\n", "written: $CONF/Commands/Velkor/tool.js" }, {}, true);
    row("json for install does not apply", { "install", "tools.zxp", "--json" }, State::Fresh, none, 2, {},
        { "the option --json does not apply" });
}

void tst_Cli::run()
{
    QFETCH(Case, c);

    if (!c.typed.isNull() && script.isEmpty())
        QSKIP("script(1) is needed to give the tool a terminal");
#ifdef Q_OS_WIN
    if (c.state >= State::Wine)
        QSKIP("the Windows program manages no Wine prefix: it reads its own machine");
#endif
    prepare(c.state);
    check(c);
}

void tst_Cli::check(const Case& c)
{
    const auto before = snapshot();
    QVERIFY(runTool(c.arguments, c.typed));
    QCOMPARE(m_exitCode, c.exitCode);
    // The bar goes to the terminal only: standard output holds the results alone.
    QCOMPARE(m_out.isEmpty(), c.out.isEmpty());
    QVERIFY(!m_out.contains('\r'));
    // Each result ends its last line once, however many parts it was written from.
    QVERIFY2(m_out.isEmpty() || (m_out.endsWith('\n') && !m_out.endsWith("\n\n")), m_out.constData());
    // Paths are shown with the system's separators; the rows spell them with "/".
    const QString out = QDir::fromNativeSeparators(QString::fromUtf8(m_out));
    for (const QString& expected : c.out) {
        if (c.arguments.contains("--json"))
            QCOMPARE(valueAt(m_out, expected.section('=', 0, 0)), expand(expected.section('=', 1)));
        else
            QVERIFY2(out.contains(expand(expected)), m_out.constData());
    }
    // Without a terminal there is no progress bar: standard error holds errors alone.
    QVERIFY2(!c.err.isEmpty() || m_err.isEmpty(), m_err.constData());
    for (const QString& expected : c.err)
        QVERIFY2(QString::fromUtf8(m_err).contains(expand(expected)), m_err.constData());
    QCOMPARE(snapshot() != before, c.changes);
}

void tst_Cli::store_data()
{
    QTest::addColumn<StoreCase>("s");

    using Tls = StoreServer::Tls;
    const StoreServer::Route whole { 200, QByteArray(), StoreServer::Delivery::Whole, -1 };
    auto row = [](const char* name, const QStringList& arguments, State state, const QByteArray& version, Tls tls,
                   const StoreServer::Route& package, int exitCode, const QStringList& out, const QStringList& err = {},
                   bool changes = false) {
        QTest::newRow(name) << StoreCase { { arguments, state, QByteArray(), exitCode, out, err, changes }, version,
            tls, package };
    };
    row("store compares versions as numbers", { "store" }, State::ToolsInstalled, "1.10", Tls::None, whole, 0,
        { "com.velkor.tools  Velkor Tools  1.10     tools.zxp  update available (installed: 1.0.0)",
            "com.velkor.other  Other Tool    2.0      other.zxp  not installed" });
    row("store --json", { "store", "--json" }, State::ToolsInstalled, "0.9", Tls::None, whole, 0,
        { "extensions/0/state=installedNewer", "extensions/0/installedVersion=1.0.0",
            "extensions/1/state=notInstalled" });
    row("install by id", { "install", "--store", "com.velkor.tools" }, State::Fresh, "1.0", Tls::None, whole, 0,
        { "Installed Velkor Tools 1.0 into Dreamweaver 2021:" }, {}, true);
    row("install of an id the Store lacks", { "install", "--store", "com.velkor.none" }, State::Fresh, "1.0", Tls::None,
        whole, 3, {}, { "the Store has no extension \"com.velkor.none\"" });
    row("update of all that are older", { "update", "--yes" }, State::ToolsInstalled, "1.0.1", Tls::None, whole, 0,
        { "Installed Velkor Tools 1.0.1 into Dreamweaver 2021:" }, {}, true);
    row("update of all leaves a newer installed version as it is", { "update", "--yes" }, State::ToolsInstalled, "0.9",
        Tls::None, whole, 0, { "Every extension from the Store is up to date in Dreamweaver 2021." });
    row("update of one that is up to date", { "update", "com.velkor.tools" }, State::ToolsInstalled, "1.0.0.0",
        Tls::None, whole, 0, { "Velkor Tools 1.0.0.0 is up to date in Dreamweaver 2021 (installed: 1.0.0)." });
    row("update of one that is not installed fails", { "update", "com.velkor.other" }, State::ToolsInstalled, "1.0",
        Tls::None, whole, 1, {}, { "Other Tool is not installed in Dreamweaver 2021" });
    row("a self-signed certificate is refused, and nothing changes", { "update", "--yes" }, State::ToolsInstalled,
        "1.1", Tls::Untrusted, whole, 1, {}, { "could not be read from https://localhost:", "certificate" });
    row("a missing package names the address and the status", { "update", "--yes" }, State::ToolsInstalled, "1.1",
        Tls::None, { 404, "gone", StoreServer::Delivery::Whole, -1 }, 1, {},
        { "(tools.zxp) could not be downloaded from http://127.0.0.1:", "/files/tools.zxp: the server answered 404" });
    row("a stalled download times out, and nothing changes", { "install", "--store", "com.velkor.tools", "--yes" },
        State::ToolsInstalled, "1.1", Tls::None, { 200, QByteArray(), StoreServer::Delivery::Stalled, -1 }, 1, {},
        { "no data arrived for 1 seconds" });
}

void tst_Cli::store()
{
    QFETCH(StoreCase, s);
    if (s.tls != StoreServer::Tls::None && runningUnderWine())
        QSKIP("Wine's schannel cannot serve the test server's side of TLS");

    prepare(s.c.state);
    StoreServer server(s.tls,
        { 200,
            "<extensions><extension id=\"com.velkor.tools\" name=\"Velkor Tools\" version=\"" + s.catalogueVersion
                + "\" zxp=\"tools.zxp\"/><extension id=\"com.velkor.other\" "
                  "name=\"Other Tool\" version=\"2.0\" zxp=\"other.zxp\"/></extensions>",
            StoreServer::Delivery::Whole, -1 });
    StoreServer::Route package = s.package;
    // The package the catalogue describes: one of another version than its
    // entry says is no update, and is left alone.
    if (package.body.isNull()) {
        TestExtension served = toolsExtension();
        served.version = s.catalogueVersion;
        QVERIFY(served.writePackage(m_dir->path() + "/scratch/served.zxp"));
        package.body = readFile(m_dir->path() + "/scratch/served.zxp");
    }
    server.setRoute("/files/tools.zxp", package);
    m_environment.insert("MORAVEL_CATALOGUE_URL", server.baseUrl() + "extensions.xml");
    m_environment.insert("MORAVEL_DOWNLOADS_URL", server.baseUrl() + "files/");
    m_environment.insert("MORAVEL_TRANSFER_TIMEOUT", "1");
    check(s.c);
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
