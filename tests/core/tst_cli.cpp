#include "TestData.h"
#include "support/DiscoveryFixtures.h"
#include "support/InstallerFixtures.h"
#include "support/ZxpWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace InstallerFixtures;

namespace {

enum class State { Fresh, ToolsInstalled, NoInstallations };

struct Result
{
    int exitCode = -1;
    QByteArray out, err; // on a terminal, err is what the terminal showed
};

const QString toolPath = QStringLiteral(MORAVEL_BINARY_DIR "/moravel-cli");
const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));

// A stand-in Windows profile with two installations (2021 with en_US; CS6
// with en_US and de_DE) and a scratch folder beside it holding the packages
// the rows name, where moravel-cli runs.
class Profile
{
public:
    explicit Profile(State state)
    {
        for (const auto& [variable, folder] :
            { std::make_pair("APPDATA", "/AppData/Roaming"), std::make_pair("ALLUSERSPROFILE", "/ProgramData"),
                std::make_pair("ProgramW6432", "/Program Files") }) {
            m_environment.insert(variable, root() + folder);
            QDir().mkpath(root() + folder);
        }
        m_environment.remove(QStringLiteral("USERPROFILE"));
        const QString scratch = m_dir.path() + "/scratch/";
        toolsExtension().writePackage(scratch + "tools.zxp");
        toolsExtension().writePackage(scratch + "tools.mxp");
        // One file left out of the package, one refused destination, one for another platform.
        TestExtension damaged = toolsExtension();
        damaged.id = "com.velkor.damaged";
        damaged.manifestName = "Damaged.mxi";
        damaged.files.append({ "Commands/absent.js", QByteArray(), "$dreamweaver/Configuration/Commands/Velkor" });
        damaged.files.append({ "Commands/stray.js", "stray\n", "Commands/Velkor" });
        damaged.configurationChanges += "    <file source=\"Commands/tool.dylib\" "
                                        "destination=\"$dreamweaver/Configuration/Commands\" platform=\"mac\" />\n";
        damaged.writePackage(scratch + "damaged.zxp");
        writeFile(scratch + "notes.txt", "not a package\n");
        ZxpWriter empty;
        empty.add("readme.txt", "no manifest here\n");
        writeFile(scratch + "nomanifest.zxp", empty.archive());
        if (state == State::NoInstallations) {
            return;
        }
        for (const QString& user :
            QStringList { "Dreamweaver 2021/en_US", "Dreamweaver CS6/en_US", "Dreamweaver CS6/de_DE" }) {
            writeFile(root() + "/AppData/Roaming/Adobe/" + user + "/Configuration/version.xml",
                DiscoveryFixtures::versionXml(user.contains("2021") ? "21.0.0.15392" : "12.0.0.5808"));
            const QString program = root() + "/Program Files/Adobe/Adobe " + user.section('/', 0, 0);
            writeFile(program + "/Configuration/Menus/Menus.xml", menusXml());
            writeFile(program + "/Configuration/Objects/insertbar.xml", insertbarXml());
        }
        if (state == State::ToolsInstalled) {
            run({ QStringLiteral("install"), QStringLiteral("tools.zxp") });
        }
    }

    QString root() const { return m_dir.path() + "/profile"; }
    // The per-user configuration folder of the 2021 installation's en_US locale.
    QString conf() const { return root() + "/AppData/Roaming/Adobe/Dreamweaver 2021/en_US/Configuration"; }
    // Rows spell conf() as $CONF and root() as $ROOT.
    QString expand(QString text) const
    {
        return text.replace(QStringLiteral("$CONF"), conf()).replace(QStringLiteral("$ROOT"), root());
    }
    bool hasTools() const { return QFileInfo::exists(conf() + "/Shared/Velkor/MXI/Velkor Tools.mxi"); }

    // Runs moravel-cli with standard input closed or, when typed is not null,
    // with standard input and standard error on a terminal (through script(1))
    // on which typed is entered.
    Result run(const QStringList& arguments, const QByteArray& typed = QByteArray()) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setWorkingDirectory(m_dir.path() + "/scratch");
        const QString outPath = m_dir.path() + "/terminal-out.txt";
        if (typed.isNull()) {
            process.start(toolPath, arguments);
        } else {
            // -e: script exits with the tool's own exit status.
            const QString command = "'" + (QStringList { toolPath } + arguments).join("' '") + "' >'" + outPath + "'";
            process.start(script, { QStringLiteral("-qec"), command, QStringLiteral("/dev/null") });
        }
        Result result;
        if (process.waitForStarted() && typed.isNull()) {
            process.closeWriteChannel();
        } else if (process.state() == QProcess::Running) {
            process.write(typed);
        }
        // A tool that hangs is killed when process goes.
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            return result;
        }
        result.exitCode = process.exitCode();
        result.out = typed.isNull() ? process.readAllStandardOutput() : readFile(outPath);
        result.err = typed.isNull() ? process.readAllStandardError() : process.readAllStandardOutput();
        return result;
    }

    // Every file and folder below the profile, with each file's bytes.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> entries;
        for (const QString& entry : entriesBelow(root())) {
            entries.insert(entry, readFile(root() + '/' + entry));
        }
        return entries;
    }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

// The value at a slash-separated path of keys and indices, as text: arrays of
// strings joined with commas, null as "null".
QString valueAt(const QByteArray& json, const QString& path)
{
    QJsonValue value = QJsonDocument::fromJson(json).object();
    for (const QString& step : path.split('/')) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(step);
    }
    return value.isArray() ? value.toVariant().toStringList().join(',')
        : value.isNull()   ? QStringLiteral("null")
                           : value.toVariant().toString();
}

void addRow(const char* name, const QStringList& arguments, State state, int exitCode, const QStringList& out,
    const QString& err = QString())
{
    QTest::newRow(name) << arguments << state << exitCode << out << err;
}

} // namespace

Q_DECLARE_METATYPE(State)

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QFileInfo(toolPath).isExecutable()); }
    void commandsChangeNothing_data();
    void commandsChangeNothing();
    void installAndRemove_data();
    void installAndRemove();
    void verifyNoticesDamage_data();
    void verifyNoticesDamage();
};

void tst_Cli::commandsChangeNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out"); // with --json: "path=value" pairs
    QTest::addColumn<QString>("err");

    addRow("list shows both installations, newest first", { "list" }, State::Fresh, 0,
        { "0: Dreamweaver 2021\n   version:        21.0.0.15392", "1: Dreamweaver CS6", "locales:        en_US, de_DE",
            "program folder: $ROOT/Program Files/Adobe/Adobe Dreamweaver CS6" });
    addRow("list --json", { "list", "--json" }, State::Fresh, 0,
        { "installations/1/index=1", "installations/1/name=Dreamweaver CS6", "installations/1/locales=en_US,de_DE",
            "installations/0/programFolder=$ROOT/Program Files/Adobe/Adobe Dreamweaver 2021" });
    addRow("list without installations says so on stderr", { "list" }, State::NoInstallations, 0, {},
        "no Dreamweaver installation was found");
    addRow("installed defaults to the first installation", { "installed" }, State::ToolsInstalled, 0,
        { "NAME          VERSION  AUTHOR  ID                MANIFEST\n"
          "Velkor Tools  1.0.0    Velkor  com.velkor.tools  Velkor Tools.mxi\n" });
    addRow("installed target by index", { "installed", "--target", "1" }, State::ToolsInstalled, 0,
        { "No extensions are installed in Dreamweaver CS6." });
    addRow("installed --json", { "installed", "--json" }, State::ToolsInstalled, 0,
        { "target=Dreamweaver 2021", "extensions/0/id=com.velkor.tools", "extensions/0/manifest=Velkor Tools.mxi" });
    addRow("info resolves destinations for the target", { "info", "tools.zxp" }, State::Fresh, 0,
        { "target:      Dreamweaver 2021", "Commands/tool.js -> $CONF/Commands/Velkor/tool.js [en_US]",
            "menu entries:\n  Velkor_Tool in DWMenu_Commands",
            "Insert-bar buttons:\n  Velkor_Button in Velkor_Category (folder Velkor)" });
    addRow("info marks the files an install would skip", { "info", "damaged.zxp" }, State::Fresh, 0,
        { "Commands/absent.js -> $CONF/Commands/Velkor/absent.js [en_US] (skipped: missing from the package)",
            "Commands/stray.js [en_US] (skipped: refused destination (relative destination Commands/Velkor))",
            "Commands/tool.dylib (skipped: for the platform \"mac\")" });
    addRow("info --json", { "info", "damaged.zxp", "--json" }, State::Fresh, 0,
        { "files/1/path=$CONF/Commands/Velkor/tool.js", "files/3/reason=missing from the package",
            "menuEntries/0/appendTo=DWMenu_Commands", "insertbarButtons/0/folder=Velkor" });
    addRow("info works without any installation", { "info", "tools.zxp" }, State::NoInstallations, 0,
        { "target:      (none found)", "Commands/tool.js -> $dreamweaver/Configuration/Commands/Velkor\n" });

    addRow("dry run of a fresh install", { "install", "tools.zxp", "--dry-run" }, State::Fresh, 0,
        { "Dry run: nothing was changed.", "would write: $CONF/Commands/Velkor/tool.js",
            "$CONF/Menus/Menus.xml: would edit (seeded)",
            "would add: Insert-bar button Velkor_Button in Velkor_Category ($CONF/Objects/insertbar.xml)" });
    // The install is planned on Menus.xml as the planned removal leaves it.
    addRow("dry run of a replace plans the removal first, without asking", { "install", "tools.zxp", "--dry-run" },
        State::ToolsInstalled, 0,
        { "Would remove Velkor Tools v. 1.0.0 from Dreamweaver 2021 first:",
            "would delete: $CONF/Commands/Velkor/tool.js", "would remove: menu entry Velkor_Tool in DWMenu_Commands",
            "would add: menu entry Velkor_Tool in DWMenu_Commands" });
    addRow("dry run of a remove", { "remove", "Velkor Tools.mxi", "--dry-run" }, State::ToolsInstalled, 0,
        { "would delete: $CONF/Shared/Velkor/MXI/Velkor Tools.mxi", "$CONF/Objects/insertbar.xml: would edit",
            "would remove: Insert-bar button Velkor_Button in Velkor_Category" });

    addRow("replacing is refused without a terminal", { "install", "tools.zxp" }, State::ToolsInstalled, 1, {},
        "was not installed: it would replace Velkor Tools v. 1.0.0 in Dreamweaver 2021: there is no terminal to "
        "ask "
        "on; give --yes to go ahead");
    addRow("removing is refused without a terminal", { "remove", "com.velkor.tools" }, State::ToolsInstalled, 1, {},
        "Velkor Tools v. 1.0.0 was not removed from Dreamweaver 2021: there is no terminal to ask on");
    addRow("not a package", { "install", "notes.txt" }, State::Fresh, 1, {},
        "notes.txt cannot be installed: it is not a ZXP or MXP package");
    addRow("package without manifest", { "install", "nomanifest.zxp" }, State::Fresh, 1, {},
        "no extension manifest can be read from it");

    addRow("missing package", { "install", "missing.zxp" }, State::Fresh, 3, {}, "missing.zxp cannot be installed: the file does not exist");
    addRow("target index out of range", { "installed", "--target", "2" }, State::Fresh, 3, {},
        "no Dreamweaver installation \"2\": give an index from 0 to 1 or an exact name");
    addRow("target name must match exactly", { "verify", "--target", "dreamweaver cs6" }, State::Fresh, 3, {},
        "no Dreamweaver installation \"dreamweaver cs6\"");
    addRow("no installation to install into", { "install", "tools.zxp" }, State::NoInstallations, 3, {},
        "no Dreamweaver installation was found");
    addRow("remove matches ids, not display names", { "remove", "Velkor Tools", "--yes" }, State::ToolsInstalled, 3, {},
        "no extension \"Velkor Tools\" is installed in Dreamweaver 2021");

    addRow("no command", {}, State::Fresh, 2, {}, "no command given");
    addRow("unknown command", { "uninstall", "x" }, State::Fresh, 2, {}, "unknown command \"uninstall\"");
    addRow("missing argument", { "install" }, State::Fresh, 2, {}, "needs exactly one PACKAGE");
    addRow("json for install does not apply", { "install", "tools.zxp", "--json" }, State::Fresh, 2, {},
        "the option --json does not apply");
    addRow("unknown option", { "list", "--all" }, State::Fresh, 2, {}, "Unknown option 'all'");
}

void tst_Cli::commandsChangeNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(State, state);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);

    Profile profile(state);
    const auto before = profile.snapshot();
    const Result result = profile.run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    const bool json = arguments.contains(QStringLiteral("--json")) && exitCode == 0;
    for (const QString& expected : out) {
        if (json) {
            QCOMPARE(valueAt(result.out, expected.section('=', 0, 0)), profile.expand(expected.section('=', 1)));
        } else {
            QVERIFY2(QString::fromUtf8(result.out).contains(profile.expand(expected)), result.out.constData());
        }
    }
    // Without a terminal there is no progress bar: standard error holds errors alone.
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : QString::fromUtf8(result.err).contains(profile.expand(err)),
        result.err.constData());
    QVERIFY2(exitCode == 0 || result.out.isEmpty(), result.out.constData());
    QCOMPARE(profile.snapshot(), before);
}

void tst_Cli::installAndRemove_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("typed"); // null: no terminal
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("err");
    QTest::addColumn<bool>("installedAfter"); // in the 2021 installation

    const QString replace = "Version 1.0.0 of Velkor Tools is already installed.\r\n\r\nDo you want to replace it with "
                            "Velkor Tools v. 1.0.0? [y/N] ";
    const QString remove = "Remove Velkor Tools v. 1.0.0? [y/N] ";
    const QString removed = "Removed Velkor Tools v. 1.0.0 from Dreamweaver 2021:\n";
    QTest::newRow("replacing with --yes")
        << QStringList { "install", "tools.mxp", "--yes" } << QByteArray() << 0
        << QStringList { removed, "Installed Velkor Tools v. 1.0.0 into" } << QStringList() << true;
    QTest::newRow("install into every locale of another target")
        << QStringList { "install", "tools.zxp", "--target", "Dreamweaver CS6" } << QByteArray() << 0
        << QStringList { "Installed Velkor Tools v. 1.0.0 into Dreamweaver CS6:\n",
               "$ROOT/AppData/Roaming/Adobe/Dreamweaver CS6/de_DE/Configuration/Objects/Velkor/Images/tool.png" }
        << QStringList() << true;
    QTest::newRow("removing by manifest name with --yes")
        << QStringList { "remove", "Velkor Tools.mxi", "--yes" } << QByteArray() << 0 << QStringList { removed }
        << QStringList() << false;
    // The files it could write stay: the report lists them.
    QTest::newRow("an install that skipped files fails with its report")
        << QStringList { "install", "damaged.zxp" } << QByteArray() << 1 << QStringList()
        << QStringList { "but not completely.", "written: $CONF/Shared/Velkor/MXI/Damaged.mxi" } << true;
    QTest::newRow("replace answered yes on a terminal shows the bar")
        << QStringList { "install", "tools.zxp" } << QByteArray("y\n") << 0 << QStringList { removed }
        << QStringList { replace, "] Removing: Removing files", "] Installing: Adding Insert Bar entries" } << true;
    QTest::newRow("remove answered yes on a terminal")
        << QStringList { "remove", "com.velkor.tools" } << QByteArray("yes\n") << 0 << QStringList { removed }
        << QStringList { remove, "] Removing: Removing menu entries" } << false;
    QTest::newRow("remove answered with anything else")
        << QStringList { "remove", "com.velkor.tools" } << QByteArray("sure\n") << 1 << QStringList()
        << QStringList { remove, "was not removed from Dreamweaver 2021: the answer was no" } << true;
}

void tst_Cli::installAndRemove()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, typed);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);
    QFETCH(bool, installedAfter);

    if (!typed.isNull() && script.isEmpty()) {
        QSKIP("script(1) is needed to give the tool a terminal");
    }
    Profile profile(State::ToolsInstalled);
    const Result result = profile.run(arguments, typed);
    QCOMPARE(result.exitCode, exitCode);
    // The bar goes to the terminal only: standard output holds the report alone.
    QCOMPARE(result.out.isEmpty(), out.isEmpty());
    QVERIFY(!result.out.contains('\r'));
    for (const QString& expected : out) {
        QVERIFY2(QString::fromUtf8(result.out).contains(profile.expand(expected)), result.out.constData());
    }
    QVERIFY2(!err.isEmpty() || result.err.isEmpty(), result.err.constData());
    for (const QString& expected : err) {
        QVERIFY2(QString::fromUtf8(result.err).contains(profile.expand(expected)), result.err.constData());
    }
    QCOMPARE(profile.hasTools(), installedAfter);
    QCOMPARE(QFileInfo::exists(profile.conf() + "/Commands/Velkor/tool.js"), installedAfter);
    QCOMPARE(readFile(profile.conf() + "/Menus/Menus.xml").contains("id=\"Velkor_Tool\""), installedAfter);
}

void tst_Cli::verifyNoticesDamage_data()
{
    QTest::addColumn<QString>("damagedFile");
    QTest::addColumn<QByteArray>("removedId"); // another entry takes its place; empty: delete the file
    QTest::addColumn<QString>("out");

    QTest::newRow("intact") << QString() << QByteArray() << QString();
    QTest::newRow("deleted file") << "Commands/Velkor/tool.js" << QByteArray()
                                  << "damaged\n  missing file $CONF/Commands/Velkor/tool.js [en_US]";
    QTest::newRow("removed menu entry") << "Menus/Menus.xml" << QByteArray("id=\"Velkor_Tool\"")
                                        << "missing menu entry Velkor_Tool in DWMenu_Commands [en_US]";
    QTest::newRow("removed Insert-bar button") << "Objects/insertbar.xml" << QByteArray("id=\"Velkor_Button\"")
                                               << "missing Insert-bar button Velkor_Button in Velkor_Category [en_US]";
}

void tst_Cli::verifyNoticesDamage()
{
    QFETCH(QString, damagedFile);
    QFETCH(QByteArray, removedId);
    QFETCH(QString, out);

    Profile profile(State::ToolsInstalled);
    const QString path = profile.conf() + '/' + damagedFile;
    if (!damagedFile.isEmpty() && removedId.isEmpty()) {
        QVERIFY(QFile::remove(path));
    } else if (!damagedFile.isEmpty()) {
        const QByteArray text = readFile(path);
        QVERIFY(text.contains(removedId));
        QVERIFY(writeFile(path, QByteArray(text).replace(removedId, "id=\"Other\"")));
    }

    const bool whole = damagedFile.isEmpty();
    const Result result = profile.run({ QStringLiteral("verify") });
    QCOMPARE(result.exitCode, whole ? 0 : 1);
    QVERIFY2(QString::fromUtf8(result.out).contains(profile.expand(out)), result.out.constData());
    const Result json = profile.run({ QStringLiteral("verify"), QStringLiteral("--json") });
    QCOMPARE(json.exitCode, result.exitCode);
    QCOMPARE(valueAt(json.out, QStringLiteral("whole")), QVariant(whole).toString());
    QCOMPARE(valueAt(json.out, QStringLiteral("extensions/0/items/3/name")), QStringLiteral("Velkor_Tool"));
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
