#include "support/CliProfile.h"
#include "support/InstallerFixtures.h"
#include "support/ZxpWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace InstallerFixtures;

namespace {

enum class State { Fresh, ToolsInstalled, NoInstallations };

// The tools extension with one file left out of the package, one refused
// destination and one file for another platform.
TestExtension damagedExtension()
{
    TestExtension extension = toolsExtension();
    extension.id = "com.velkor.damaged";
    extension.manifestName = "Damaged.mxi";
    extension.files.append({ "Commands/absent.js", QByteArray(), "$dreamweaver/Configuration/Commands/Velkor" });
    extension.files.append({ "Commands/stray.js", "stray\n", "Commands/Velkor" });
    extension.configurationChanges += "    <file source=\"Commands/tool.dylib\" "
                                      "destination=\"$dreamweaver/Configuration/Commands\" platform=\"mac\" />\n";
    return extension;
}

// The profile, with the packages the rows name written beside it.
struct Fixture
{
    explicit Fixture(State state)
        : profile(state == State::NoInstallations)
    {
        toolsExtension().writePackage(profile.scratchPath(QStringLiteral("tools.zxp")));
        toolsExtension().writePackage(profile.scratchPath(QStringLiteral("tools.mxp")));
        damagedExtension().writePackage(profile.scratchPath(QStringLiteral("damaged.zxp")));
        writeFile(profile.scratchPath(QStringLiteral("notes.txt")), "not a package\n");
        ZxpWriter empty;
        empty.add("readme.txt", "no manifest here\n");
        writeFile(profile.scratchPath(QStringLiteral("nomanifest.zxp")), empty.archive());
        if (state == State::ToolsInstalled) {
            installed
                = profile.run({ QStringLiteral("install"), profile.scratchPath(QStringLiteral("tools.zxp")) }).exitCode
                == 0;
        }
    }

    // Rows spell packages as $name and folders as $CONF (the 2021 en_US
    // configuration folder) and $ROOT (the profile).
    QString expand(QString text) const
    {
        text.replace(QStringLiteral("$CONF"), profile.configuration());
        text.replace(QStringLiteral("$ROOT"), profile.root() + QStringLiteral("/profile"));
        for (const char* name : { "tools.zxp", "tools.mxp", "damaged.zxp", "notes.txt", "nomanifest.zxp" }) {
            text.replace(QLatin1Char('$') + QLatin1String(name), profile.scratchPath(QLatin1String(name)));
        }
        text.replace(QStringLiteral("$missing.zxp"), profile.scratchPath(QStringLiteral("missing.zxp")));
        return text;
    }

    QStringList expand(const QStringList& list) const
    {
        QStringList expanded;
        for (const QString& text : list) {
            expanded << expand(text);
        }
        return expanded;
    }

    CliProfile profile;
    bool installed = true;
};

// The value at a slash-separated path of keys and indices, as text: arrays of
// strings joined with commas, null as "null".
QString valueAt(const QJsonDocument& document, const QString& path)
{
    QJsonValue value = document.object();
    for (const QString& step : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(step);
    }
    if (value.isArray()) {
        QStringList items;
        for (const QJsonValue& item : value.toArray()) {
            items << item.toVariant().toString();
        }
        return items.join(QLatin1Char(','));
    }
    if (value.isNull()) {
        return QStringLiteral("null");
    }
    if (value.isUndefined()) {
        return QStringLiteral("undefined");
    }
    return value.toVariant().toString();
}

QString text(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

} // namespace

Q_DECLARE_METATYPE(State)

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textCommands_data();
    void textCommands();
    void jsonCommands_data();
    void jsonCommands();
    void questions_data();
    void questions();
    void onTerminal_data();
    void onTerminal();
    void dryRunChangesNothing_data();
    void dryRunChangesNothing();
    void verifyNoticesDamage_data();
    void verifyNoticesDamage();
    void installThenRemove_data();
    void installThenRemove();
};

void tst_Cli::initTestCase()
{
    QVERIFY2(QFileInfo(CliProfile::toolPath()).isExecutable(), qPrintable(CliProfile::toolPath()));
}

void tst_Cli::textCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");

    const QString conf = QStringLiteral("$CONF");
    QTest::newRow("list shows both installations, newest first")
        << QStringList { "list" } << State::Fresh << 0
        << QStringList { "0: Dreamweaver 2021\n   version:        21.0.0.15392", "1: Dreamweaver CS6",
               "locales:        en_US, de_DE", "program folder: $ROOT/Program Files/Adobe/Adobe Dreamweaver CS6" }
        << QString();
    QTest::newRow("list without installations says so on stderr")
        << QStringList { "list" } << State::NoInstallations << 0 << QStringList()
        << "no Dreamweaver installation was found";
    QTest::newRow("installed defaults to the first installation")
        << QStringList { "installed" } << State::ToolsInstalled << 0
        << QStringList { "NAME          VERSION  AUTHOR  ID                MANIFEST",
               "Velkor Tools  1.0.0    Velkor  com.velkor.tools  Velkor Tools.mxi" }
        << QString();
    QTest::newRow("installed target by index")
        << QStringList { "installed", "--target", "1" } << State::ToolsInstalled << 0
        << QStringList { "No extensions are installed in Dreamweaver CS6." } << QString();
    QTest::newRow("installed target by exact name")
        << QStringList { "installed", "--target", "Dreamweaver CS6" } << State::ToolsInstalled << 0
        << QStringList { "No extensions are installed in Dreamweaver CS6." } << QString();
    QTest::newRow("info resolves destinations for the target")
        << QStringList { "info", "$tools.zxp" } << State::Fresh << 0
        << QStringList { "id:          com.velkor.tools", "target:      Dreamweaver 2021",
               "Commands/tool.js -> " + conf + "/Commands/Velkor/tool.js [en_US]",
               "Objects/tool.png -> " + conf + "/Objects/Velkor/Images/tool.png [en_US]",
               "menu entries:\n  Velkor_Tool in DWMenu_Commands",
               "Insert-bar buttons:\n  Velkor_Button in Velkor_Category (folder Velkor)" }
        << QString();
    QTest::newRow("info lists every locale of the target")
        << QStringList { "info", "$tools.mxp", "--target", "1" } << State::Fresh << 0
        << QStringList { "Dreamweaver CS6/en_US/Configuration/Commands/Velkor/tool.js [en_US]",
               "Dreamweaver CS6/de_DE/Configuration/Commands/Velkor/tool.js [de_DE]" }
        << QString();
    QTest::newRow("info marks the files an install would skip")
        << QStringList { "info", "$damaged.zxp" } << State::Fresh << 0
        << QStringList { "Commands/absent.js -> " + conf
                   + "/Commands/Velkor/absent.js [en_US] (skipped: missing from "
                     "the package)",
               "Commands/stray.js [en_US] (skipped: refused destination (relative destination Commands/Velkor))",
               "Commands/tool.dylib (skipped: for the platform \"mac\")" }
        << QString();
    QTest::newRow("info works without any installation")
        << QStringList { "info", "$tools.zxp" } << State::NoInstallations << 0
        << QStringList { "target:      (none found)",
               "Commands/tool.js -> $dreamweaver/Configuration/Commands/Velkor\n" }
        << QString();
    QTest::newRow("verify calls an intact extension whole")
        << QStringList { "verify" } << State::ToolsInstalled << 0
        << QStringList { "Velkor Tools v. 1.0.0 (Velkor Tools.mxi): whole" } << QString();
    QTest::newRow("verify with nothing installed")
        << QStringList { "verify" } << State::Fresh << 0
        << QStringList { "No extensions are installed in Dreamweaver 2021." } << QString();

    QTest::newRow("install refuses a file that is not a package")
        << QStringList { "install", "$notes.txt" } << State::Fresh << 1 << QStringList()
        << "notes.txt is not an extension package: the name must end in .zxp or .mxp";
    QTest::newRow("install refuses a package without manifest")
        << QStringList { "install", "$nomanifest.zxp" } << State::Fresh << 1 << QStringList()
        << "the package holds no readable manifest";
    QTest::newRow("an install that skipped files fails with its report")
        << QStringList { "install", "$damaged.zxp" } << State::Fresh << 1 << QStringList()
        << "only in part:\nwritten: " + conf + "/Shared/Velkor/MXI/Damaged.mxi";

    QTest::newRow("missing package") << QStringList { "install", "$missing.zxp" } << State::Fresh << 3 << QStringList()
                                     << "missing.zxp not found: no such file";
    QTest::newRow("missing package to inspect") << QStringList { "info", "$missing.zxp" } << State::Fresh << 3
                                                << QStringList() << "missing.zxp not found: no such file";
    QTest::newRow("target index out of range")
        << QStringList { "installed", "--target", "2" } << State::Fresh << 3 << QStringList()
        << "no Dreamweaver installation \"2\": give an index from 0 to 1 or an exact name";
    QTest::newRow("target name must match exactly")
        << QStringList { "verify", "--target", "dreamweaver cs6" } << State::Fresh << 3 << QStringList()
        << "no Dreamweaver installation \"dreamweaver cs6\"";
    QTest::newRow("no installation to install into")
        << QStringList { "install", "$tools.zxp" } << State::NoInstallations << 3 << QStringList()
        << "no Dreamweaver installation was found";
    QTest::newRow("unknown extension") << QStringList { "remove", "com.velkor.nothing" } << State::ToolsInstalled << 3
                                       << QStringList()
                                       << "no extension \"com.velkor.nothing\" is installed in Dreamweaver 2021";
    QTest::newRow("remove does not match the display name")
        << QStringList { "remove", "Velkor Tools", "--yes" } << State::ToolsInstalled << 3 << QStringList()
        << "no extension \"Velkor Tools\"";

    QTest::newRow("no command") << QStringList() << State::Fresh << 2 << QStringList() << "no command given";
    QTest::newRow("unknown command") << QStringList { "uninstall", "x" } << State::Fresh << 2 << QStringList()
                                     << "unknown command \"uninstall\"";
    QTest::newRow("argument to a command without one")
        << QStringList { "list", "extra" } << State::Fresh << 2 << QStringList() << "takes no argument";
    QTest::newRow("missing argument") << QStringList { "install" } << State::Fresh << 2 << QStringList()
                                      << "needs exactly one PACKAGE";
    QTest::newRow("option that does not apply") << QStringList { "list", "--dry-run" } << State::Fresh << 2
                                                << QStringList() << "the option --dry-run does not apply";
    QTest::newRow("json for install does not apply")
        << QStringList { "install", "$tools.zxp", "--json" } << State::Fresh << 2 << QStringList()
        << "the option --json does not apply";
    QTest::newRow("unknown option") << QStringList { "list", "--all" } << State::Fresh << 2 << QStringList()
                                    << "Unknown option 'all'";
    QTest::newRow("target without value") << QStringList { "installed", "--target" } << State::Fresh << 2
                                          << QStringList() << "Missing value after '--target'";
}

void tst_Cli::textCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(State, state);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);

    Fixture fixture(state);
    QVERIFY(fixture.installed);
    const CliProfile::Result result = fixture.profile.run(fixture.expand(arguments));
    QCOMPARE(result.exitCode, exitCode);
    for (const QString& expected : fixture.expand(out)) {
        QVERIFY2(text(result.out).contains(expected), qPrintable(text(result.out)));
    }
    if (err.isEmpty()) {
        // Without a terminal there is no progress bar: standard error stays quiet.
        QVERIFY2(result.err.isEmpty(), result.err.constData());
    } else {
        QVERIFY2(text(result.err).contains(fixture.expand(err)), result.err.constData());
    }
    if (exitCode != 0) {
        QVERIFY2(result.out.isEmpty(), result.out.constData());
    }
}

void tst_Cli::jsonCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<State>("state");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");

    QTest::newRow("list names") << QStringList { "list", "--json" } << State::Fresh << "installations/1/name"
                                << "Dreamweaver CS6";
    QTest::newRow("list locales") << QStringList { "list", "--json" } << State::Fresh << "installations/1/locales"
                                  << "en_US,de_DE";
    QTest::newRow("list program folder") << QStringList { "list", "--json" } << State::Fresh
                                         << "installations/0/programFolder"
                                         << "$ROOT/Program Files/Adobe/Adobe Dreamweaver 2021";
    QTest::newRow("list index") << QStringList { "list", "--json" } << State::Fresh << "installations/1/index"
                                << "1";
    QTest::newRow("list of nothing is an empty array")
        << QStringList { "list", "--json" } << State::NoInstallations << "installations"
        << "";
    QTest::newRow("installed id") << QStringList { "installed", "--json" } << State::ToolsInstalled << "extensions/0/id"
                                  << "com.velkor.tools";
    QTest::newRow("installed manifest") << QStringList { "installed", "--json" } << State::ToolsInstalled
                                        << "extensions/0/manifest"
                                        << "Velkor Tools.mxi";
    QTest::newRow("installed target") << QStringList { "installed", "--json", "--target", "1" } << State::ToolsInstalled
                                      << "target"
                                      << "Dreamweaver CS6";
    QTest::newRow("info file path") << QStringList { "info", "$tools.zxp", "--json" } << State::Fresh << "files/1/path"
                                    << "$CONF/Commands/Velkor/tool.js";
    QTest::newRow("info skipped file") << QStringList { "info", "$damaged.zxp", "--json" } << State::Fresh
                                       << "files/3/reason"
                                       << "missing from the package";
    QTest::newRow("info menu entry") << QStringList { "info", "$tools.zxp", "--json" } << State::Fresh
                                     << "menuEntries/0/appendTo"
                                     << "DWMenu_Commands";
    QTest::newRow("info button folder") << QStringList { "info", "$tools.mxp", "--json" } << State::Fresh
                                        << "insertbarButtons/0/folder"
                                        << "Velkor";
    QTest::newRow("info without installation has no target")
        << QStringList { "info", "$tools.zxp", "--json" } << State::NoInstallations << "target"
        << "null";
    QTest::newRow("verify whole") << QStringList { "verify", "--json" } << State::ToolsInstalled << "whole"
                                  << "true";
    QTest::newRow("verify item") << QStringList { "verify", "--json" } << State::ToolsInstalled
                                 << "extensions/0/items/3/name"
                                 << "Velkor_Tool";
}

void tst_Cli::jsonCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(State, state);
    QFETCH(QString, path);
    QFETCH(QString, value);

    Fixture fixture(state);
    QVERIFY(fixture.installed);
    const CliProfile::Result result = fixture.profile.run(fixture.expand(arguments));
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.err.isEmpty(), result.err.constData());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QVERIFY(document.isObject());
    QCOMPARE(valueAt(document, path), fixture.expand(value));
}

void tst_Cli::questions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("installedAfter");

    QTest::newRow("a fresh install asks nothing")
        << QStringList { "install", "$tools.mxp" } << State::Fresh << 0 << QString() << true;
    QTest::newRow("replacing is refused without a terminal")
        << QStringList { "install", "$tools.zxp" } << State::ToolsInstalled << 1
        << "Velkor Tools v. 1.0.0 was not installed: it would replace Velkor Tools v. 1.0.0 in Dreamweaver 2021: "
           "there is no terminal to ask on; give --yes to go ahead"
        << true;
    QTest::newRow("replacing with --yes")
        << QStringList { "install", "$tools.mxp", "--yes" } << State::ToolsInstalled << 0 << QString() << true;
    QTest::newRow("removing is refused without a terminal")
        << QStringList { "remove", "com.velkor.tools" } << State::ToolsInstalled << 1
        << "Velkor Tools v. 1.0.0 was not removed from Dreamweaver 2021: there is no terminal to ask on" << true;
    QTest::newRow("removing by id with --yes")
        << QStringList { "remove", "com.velkor.tools", "--yes" } << State::ToolsInstalled << 0 << QString() << false;
    QTest::newRow("removing by manifest name with --yes")
        << QStringList { "remove", "Velkor Tools.mxi", "--yes" } << State::ToolsInstalled << 0 << QString() << false;
}

void tst_Cli::questions()
{
    QFETCH(QStringList, arguments);
    QFETCH(State, state);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(bool, installedAfter);

    Fixture fixture(state);
    QVERIFY(fixture.installed);
    const QMap<QString, QByteArray> before = fixture.profile.snapshot();
    const CliProfile::Result result = fixture.profile.run(fixture.expand(arguments));
    QCOMPARE(result.exitCode, exitCode);
    if (err.isEmpty()) {
        QVERIFY2(result.err.isEmpty(), result.err.constData());
    } else {
        QVERIFY2(text(result.err).contains(err), result.err.constData());
        // A refusal leaves everything as it was.
        QVERIFY(fixture.profile.snapshot() == before);
        QVERIFY(result.out.isEmpty());
    }
    QCOMPARE(
        QFileInfo::exists(fixture.profile.configuration() + "/Shared/Velkor/MXI/Velkor Tools.mxi"), installedAfter);
    QCOMPARE(QFileInfo::exists(fixture.profile.configuration() + "/Commands/Velkor/tool.js"), installedAfter);
    QCOMPARE(
        readFile(fixture.profile.configuration() + "/Menus/Menus.xml").contains("id=\"Velkor_Tool\""), installedAfter);
}

void tst_Cli::onTerminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("terminal");
    QTest::addColumn<bool>("installedAfter");

    const QString replace = "Version 1.0.0 of Velkor Tools is already installed.\r\n\r\nDo you want to replace it with "
                            "Velkor Tools v. 1.0.0? [y/N] ";
    QTest::newRow("replace answered yes shows the bar")
        << QStringList { "install", "$tools.zxp" } << QByteArray("y\n") << 0
        << QStringList { replace, "] Removing: Removing files", "] Installing: Adding Insert Bar entries" } << true;
    QTest::newRow("replace answered no")
        << QStringList { "install", "$tools.zxp" } << QByteArray("n\n") << 1
        << QStringList { replace,
               "was not installed: it would replace Velkor Tools v. 1.0.0 in Dreamweaver 2021: the "
               "answer was no" }
        << true;
    QTest::newRow("remove answered yes") << QStringList { "remove", "com.velkor.tools" } << QByteArray("yes\n") << 0
                                         << QStringList { "Remove Velkor Tools v. 1.0.0? [y/N] ",
                                                "] Removing: Removing menu entries" }
                                         << false;
    QTest::newRow("remove answered with anything else")
        << QStringList { "remove", "com.velkor.tools" } << QByteArray("sure\n") << 1
        << QStringList { "Remove Velkor Tools v. 1.0.0? [y/N] ", "the answer was no" } << true;
}

void tst_Cli::onTerminal()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QStringList, terminal);
    QFETCH(bool, installedAfter);

    Fixture fixture(State::ToolsInstalled);
    QVERIFY(fixture.installed);
    const CliProfile::Result result = fixture.profile.runOnTerminal(fixture.expand(arguments), input);
    if (result.exitCode == -1 && QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty()) {
        QSKIP("script(1) is needed to give the tool a terminal");
    }
    QCOMPARE(result.exitCode, exitCode);
    for (const QString& expected : terminal) {
        QVERIFY2(text(result.err).contains(expected), result.err.constData());
    }
    // The bar goes to the terminal only: standard output holds the report alone.
    QVERIFY(!result.out.contains('\r'));
    QCOMPARE(result.out.isEmpty(), exitCode != 0);
    QCOMPARE(
        QFileInfo::exists(fixture.profile.configuration() + "/Shared/Velkor/MXI/Velkor Tools.mxi"), installedAfter);
}

void tst_Cli::dryRunChangesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<State>("state");
    QTest::addColumn<QStringList>("out");

    QTest::newRow("fresh install")
        << QStringList { "install", "$tools.zxp", "--dry-run" } << State::Fresh
        << QStringList { "Dry run: nothing was changed.", "would write: $CONF/Shared/Velkor/MXI/Velkor Tools.mxi",
               "would write: $CONF/Commands/Velkor/tool.js", "$CONF/Menus/Menus.xml: would edit (seeded)",
               "would add: menu entry Velkor_Tool in DWMenu_Commands ($CONF/Menus/Menus.xml)",
               "would add: Insert-bar button Velkor_Button in Velkor_Category ($CONF/Objects/insertbar.xml)" };
    QTest::newRow("install into two locales")
        << QStringList { "install", "$tools.mxp", "--dry-run", "--target", "Dreamweaver CS6" } << State::Fresh
        << QStringList { "would write: $ROOT/AppData/Roaming/Adobe/Dreamweaver CS6/en_US/Configuration/Commands/"
                         "Velkor/tool.js",
               "would write: $ROOT/AppData/Roaming/Adobe/Dreamweaver CS6/de_DE/Configuration/Commands/Velkor/"
               "tool.js" };
    QTest::newRow("replace plans the removal first, without asking")
        << QStringList { "install", "$tools.zxp", "--dry-run" } << State::ToolsInstalled
        << QStringList { "Would remove Velkor Tools v. 1.0.0 from Dreamweaver 2021 first:",
               "would delete: $CONF/Commands/Velkor/tool.js", "would remove: menu entry Velkor_Tool in DWMenu_Commands",
               // planned on Menus.xml as the removal leaves it
               "would add: menu entry Velkor_Tool in DWMenu_Commands" };
    QTest::newRow("remove") << QStringList { "remove", "Velkor Tools.mxi", "--dry-run" } << State::ToolsInstalled
                            << QStringList { "would delete: $CONF/Objects/Velkor/Images/tool.png",
                                   "would delete: $CONF/Shared/Velkor/MXI/Velkor Tools.mxi",
                                   "$CONF/Objects/insertbar.xml: would edit",
                                   "would remove: Insert-bar button Velkor_Button in Velkor_Category" };
}

void tst_Cli::dryRunChangesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(State, state);
    QFETCH(QStringList, out);

    Fixture fixture(state);
    QVERIFY(fixture.installed);
    const QMap<QString, QByteArray> before = fixture.profile.snapshot();
    const CliProfile::Result result = fixture.profile.run(fixture.expand(arguments));
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.err.isEmpty(), result.err.constData());
    for (const QString& expected : fixture.expand(out)) {
        QVERIFY2(text(result.out).contains(expected), qPrintable(text(result.out)));
    }
    const QMap<QString, QByteArray> after = fixture.profile.snapshot();
    QCOMPARE(after.keys(), before.keys());
    QVERIFY(after == before);
}

void tst_Cli::verifyNoticesDamage_data()
{
    QTest::addColumn<QString>("damagedFile");
    QTest::addColumn<QByteArray>("removedLine"); // empty: delete the file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");

    QTest::newRow("intact") << QString() << QByteArray() << 0 << "Velkor Tools v. 1.0.0 (Velkor Tools.mxi): whole";
    QTest::newRow("deleted file") << "Commands/Velkor/tool.js" << QByteArray() << 1
                                  << "damaged\n  missing file $CONF/Commands/Velkor/tool.js [en_US]";
    QTest::newRow("removed menu entry") << "Menus/Menus.xml" << QByteArray("id=\"Velkor_Tool\"") << 1
                                        << "missing menu entry Velkor_Tool in DWMenu_Commands [en_US]";
    QTest::newRow("removed Insert-bar button") << "Objects/insertbar.xml" << QByteArray("id=\"Velkor_Button\"") << 1
                                               << "missing Insert-bar button Velkor_Button in Velkor_Category [en_US]";
    QTest::newRow("deleted Menus.xml") << "Menus/Menus.xml" << QByteArray() << 1
                                       << "missing menu entry Velkor_Tool in DWMenu_Commands";
}

void tst_Cli::verifyNoticesDamage()
{
    QFETCH(QString, damagedFile);
    QFETCH(QByteArray, removedLine);
    QFETCH(int, exitCode);
    QFETCH(QString, out);

    Fixture fixture(State::ToolsInstalled);
    QVERIFY(fixture.installed);
    const QString path = fixture.profile.configuration() + QLatin1Char('/') + damagedFile;
    if (!damagedFile.isEmpty() && removedLine.isEmpty()) {
        QVERIFY(QFile::remove(path));
    } else if (!damagedFile.isEmpty()) {
        QList<QByteArray> lines = readFile(path).split('\n');
        const int before = lines.size();
        lines.erase(std::remove_if(
                        lines.begin(), lines.end(), [&](const QByteArray& line) { return line.contains(removedLine); }),
            lines.end());
        QCOMPARE(lines.size(), before - 1);
        QVERIFY(writeFile(path, lines.join('\n')));
    }

    const CliProfile::Result result = fixture.profile.run({ QStringLiteral("verify") });
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(text(result.out).contains(fixture.expand(out)), result.out.constData());

    const CliProfile::Result json = fixture.profile.run({ QStringLiteral("verify"), QStringLiteral("--json") });
    QCOMPARE(json.exitCode, exitCode);
    const QJsonDocument document = QJsonDocument::fromJson(json.out);
    QCOMPARE(
        valueAt(document, QStringLiteral("whole")), exitCode == 0 ? QStringLiteral("true") : QStringLiteral("false"));
}

void tst_Cli::installThenRemove_data()
{
    QTest::addColumn<QString>("package");

    QTest::newRow("zxp package") << "$tools.zxp";
    QTest::newRow("mxp package") << "$tools.mxp";
}

void tst_Cli::installThenRemove()
{
    QFETCH(QString, package);

    Fixture fixture(State::Fresh);
    const QStringList target { QStringLiteral("--target"), QStringLiteral("1") };
    const CliProfile::Result install = fixture.profile.run(QStringList { "install", fixture.expand(package) } + target);
    QCOMPARE(install.exitCode, 0);
    QVERIFY(text(install.out).startsWith("Installed Velkor Tools v. 1.0.0 into Dreamweaver CS6:\n"));
    const QString user = fixture.expand(QStringLiteral("$ROOT/AppData/Roaming/Adobe/Dreamweaver CS6/"));
    for (const char* locale : { "en_US", "de_DE" }) {
        QVERIFY(QFileInfo::exists(user + locale + "/Configuration/Objects/Velkor/Images/tool.png"));
        QVERIFY(readFile(user + locale + "/Configuration/Objects/insertbar.xml").contains("id=\"Velkor_Button\""));
    }
    QCOMPARE(fixture.profile.run(QStringList { "verify" } + target).exitCode, 0);

    const CliProfile::Result remove
        = fixture.profile.run(QStringList { "remove", "com.velkor.tools", "--yes" } + target);
    QCOMPARE(remove.exitCode, 0);
    QVERIFY(text(remove.out).startsWith("Removed Velkor Tools v. 1.0.0 from Dreamweaver CS6:\n"));
    for (const char* locale : { "en_US", "de_DE" }) {
        QVERIFY(!QFileInfo::exists(user + locale + "/Configuration/Objects/Velkor"));
        QVERIFY(!QFileInfo::exists(user + locale + "/Configuration/Shared/Velkor"));
        QVERIFY(!readFile(user + locale + "/Configuration/Menus/Menus.xml").contains("Velkor_Tool"));
    }
    const CliProfile::Result listed = fixture.profile.run(QStringList { "installed" } + target);
    QCOMPARE(text(listed.out), QStringLiteral("No extensions are installed in Dreamweaver CS6.\n"));
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
