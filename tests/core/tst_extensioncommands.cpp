#include "commands/ExtensionCommands.h"
#include "commands/IUserPrompt.h"
#include "commands/StoreClient.h"
#include "discovery/DreamweaverInfo.h"
#include "support/InstallerFixtures.h"
#include "support/StoreServer.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace InstallerFixtures;
using Result = ExtensionCommands::Result;
using Delivery = StoreServer::Delivery;

namespace {

// Answers the questions from a script and logs everything the operation
// says, as "question: ...", "warning: ...", "inform: ..." or a progress title.
class ScriptedPrompt : public IUserPrompt
{
public:
    QStringList log;
    QList<bool> answers; // no once they run out
    std::function<void(const QString& title)> onProgress;

    bool confirm(const QString& question, const QString&) override
    {
        log << "question: " + question;
        return !answers.isEmpty() && answers.takeFirst();
    }
    void warn(const QString& text, const QString&) override { log << "warning: " + text; }
    void inform(const QString& text, const QString&) override { log << "inform: " + text; }
    IProgress* startProgress(const QString& title) override
    {
        log << title;
        if (onProgress)
            onProgress(title);
        return nullptr;
    }
    void finishProgress(IProgress*) override { }
    void installedChanged() override { }
};

// Velkor Tools under another name, version and manifest name; with a
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
const TestExtension plus = extension("com.velkor.tools", "Velkor Tools Plus", "2.0.0", "Velkor Tools.mxi");

struct Case
{
    QList<TestExtension> installed;
    TestExtension package;
    QString source; // "file", "store:<zxp>", "dry run", or the problem: "missing", "folder", "notes.txt", "broken.zxp"
    StoreServer::Route route; // for the store; a null body: the package
    bool answer;
    QStringList log; // "$T" stands for the package's title
    Result result;
    QStringList rowsAfter;
};

QStringList rowsOf(const DreamweaverInfo& dreamweaver)
{
    QStringList rows;
    for (const ExtensionInfo& extension : dreamweaver.installedExtensions())
        rows << extension.name() + ' ' + extension.version();
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestExtensionCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    DreamweaverInfo m_dreamweaver;

    QString root() const { return m_root->path(); }
    QString configuration() const { return m_dreamweaver.configurationFolder(QStringLiteral("en_US")); }
    QString writePackage(const TestExtension& package, const QString& fileName)
    {
        const QString path = root() + "/packages/" + fileName;
        return package.writePackage(path) ? path : QString();
    }
    void preinstall(const TestExtension& package)
    {
        QVERIFY(m_dreamweaver.installPackage(writePackage(package, "pre.zxp"), nullptr));
    }

private slots:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QDir().mkpath(root() + "/tmp");
        qputenv("TMPDIR", QString(root() + "/tmp").toUtf8());
        m_dreamweaver = DreamweaverInfo("Dreamweaver CS6", "Adobe", root() + "/user", { "en_US" });
        QVERIFY(writeFile(configuration() + "/Menus/Menus.xml", menusXml()));
        QVERIFY(writeFile(configuration() + "/Objects/insertbar.xml", insertbarXml()));
    }

    void cleanup()
    {
        qunsetenv("TMPDIR");
        qunsetenv("MORAVEL_DOWNLOADS_URL");
    }

    void install_data()
    {
        QTest::addColumn<Case>("c");

        const QString question = "question: Version 1.0.0 of Velkor Tools is already installed.\n\nDo you want to "
                                 "replace it with $T?";
        const QString removed = "inform: Removed Velkor Tools v. 1.0.0 from Dreamweaver CS6:";
        const QString installed = "inform: Installed $T into Dreamweaver CS6:";
        const QStringList replaced { question, "Removing", removed, "Installing", installed };
        const QStringList downloadFailed { question, "Downloading",
            "warning: Velkor Tools Plus (tools.zxp) could not "
            "be downloaded: " };
        const StoreServer::Route package;
        const Case base { { tools }, plus, "file", package, true, replaced, Result::Done,
            { "Velkor Tools Plus 2.0.0" } };
        auto row = [&](const char* name, auto change) {
            Case c = base;
            change(c);
            QTest::newRow(name) << c;
        };
        row("not installed: no question", [&](Case& c) {
            c.installed.clear();
            c.log = QStringList { "Installing", installed };
        });
        row("installed: the question, the removal, then the install", [](Case&) {});
        row("a downgrade asks just the same", [&](Case& c) {
            c.package.version = "0.9";
            c.rowsAfter = QStringList { "Velkor Tools Plus 0.9" };
        });
        row("No changes nothing", [&](Case& c) {
            c.answer = false;
            c.log = QStringList { question };
            c.result = Result::Refused;
            c.rowsAfter = QStringList { "Velkor Tools 1.0.0" };
        });
        row("a dry run asks nothing and changes nothing", [&](Case& c) {
            c.source = "dry run";
            c.log = QStringList { "Removing",
                "inform: Would remove Velkor Tools v. 1.0.0 from Dreamweaver CS6 first:", "Installing",
                "inform: Would install $T into Dreamweaver CS6:" };
            c.rowsAfter = QStringList { "Velkor Tools 1.0.0" };
        });
        row("without ids, the same manifest name in another case is the same extension", [&](Case& c) {
            c.installed = { extension("", "Velkor Tools", "1.0.0", "tools.mxi") };
            c.package = extension("", "Velkor Tools Plus", "2.0.0", "TOOLS.MXI");
        });
        row("without ids, another manifest name is another extension", [&](Case& c) {
            c.installed = { extension("", "Velkor Tools", "1.0.0", "other.mxi", "Other") };
            c.package = extension("", "Velkor Tools Plus", "2.0.0", "tools.mxi");
            c.log = QStringList { "Installing", installed };
            c.rowsAfter = QStringList { "Velkor Tools 1.0.0", "Velkor Tools Plus 2.0.0" };
        });
        row("a file left out of the package: installed, with a warning", [&](Case& c) {
            c.installed.clear();
            c.package.files[1].data = QByteArray();
            c.log = QStringList { "Installing",
                "warning: $T was installed into Dreamweaver CS6, but not completely.\n\nThese files were not "
                "installed:\n" };
            c.result = Result::Incomplete;
        });
        for (const auto& [name, source, result, reason] :
            { std::make_tuple("a missing file", "missing", Result::NotFound, "the file does not exist"),
                std::make_tuple("a folder", "folder", Result::NotFound, "it is a folder, not a package file"),
                std::make_tuple("another suffix", "notes.txt", Result::Failed, "it is not a ZXP or MXP package"),
                std::make_tuple(
                    "no manifest", "broken.zxp", Result::Failed, "no extension manifest can be read from it") }) {
            row(qPrintable(QString("%1: nothing asked or removed").arg(name)), [&](Case& c) {
                c.source = source;
                c.log = QStringList { QString("warning: $R cannot be installed: %1.").arg(reason) };
                c.result = result;
                c.rowsAfter = QStringList { "Velkor Tools 1.0.0" };
            });
        }
        row("the Store: the question, then Downloading, Removing, Installing", [&](Case& c) {
            c.source = "store:tools.zxp";
            c.log.insert(1, "Downloading");
        });
        row("folders and .. in the Store's name stay out of the temporary name", [&](Case& c) {
            c.installed.clear();
            c.source = "store:../../x/../tools.MXP";
            c.log = QStringList { "Downloading", "Installing", installed };
        });
        row("the Store: not found, the old version stays", [&](Case& c) {
            c.source = "store:tools.zxp";
            c.route = { 404, "gone", Delivery::Whole, -1 };
            c.log = downloadFailed;
            c.log.last() += "Error transferring";
            c.result = Result::Failed;
            c.rowsAfter = QStringList { "Velkor Tools 1.0.0" };
        });
        row("the Store: a reply cut off before its length, the old version stays", [&](Case& c) {
            c.source = "store:tools.zxp";
            c.route.delivery = Delivery::Dropped;
            c.log = downloadFailed;
            c.log.last() += "the connection was closed after ";
            c.result = Result::Failed;
            c.rowsAfter = QStringList { "Velkor Tools 1.0.0" };
        });
        row("the Store: a page that is no package, the old version stays", [&](Case& c) {
            c.source = "store:tools.zxp";
            c.route = { 200, "<html>maintenance</html>", Delivery::Whole, -1 };
            c.log = QStringList { question, "Downloading",
                "warning: Velkor Tools Plus (tools.zxp) cannot be installed: no extension manifest" };
            c.result = Result::Failed;
            c.rowsAfter = QStringList { "Velkor Tools 1.0.0" };
        });
    }

    void install()
    {
        QFETCH(Case, c);

        for (const TestExtension& installed : c.installed)
            preinstall(installed);
        QString path = root() + "/packages/" + c.source;
        if (c.source == "folder")
            QVERIFY(QDir().mkpath(path + ".zxp/inside"));
        else if (c.source == "notes.txt" || c.source == "broken.zxp")
            QVERIFY(writeFile(path, QByteArray(300, 'x')));
        if (c.source == "folder")
            path += ".zxp";
        const bool fromFile = c.source == "file" || c.source == "dry run";
        if (fromFile || c.source.startsWith("store:"))
            path = writePackage(c.package, c.source.endsWith("MXP") ? "package.mxp" : "package.zxp");
        if (c.route.body.isNull())
            c.route.body = readFile(path);
        StoreServer server(StoreServer::Tls::None, c.route);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        const QStringList before = entriesBelow(root() + "/user");

        ScriptedPrompt prompt;
        prompt.answers = { c.answer };
        QStringList whileInstalling;
        prompt.onProgress = [&](const QString& title) {
            if (title == "Installing")
                whileInstalling = entriesBelow(root());
        };
        ExtensionCommands commands(prompt);
        commands.setDryRun(c.source == "dry run");
        StoreClient store;
        const QString zxp = c.source.mid(6);
        const Result result = c.source.startsWith("store:") ? commands.installCatalogueEntry(
                                  m_dreamweaver, { c.package.id, c.package.name, c.package.version, zxp }, store)
                                                            : commands.installPackageFile(m_dreamweaver, path);

        QCOMPARE(int(result), int(c.result));
        const QString title = c.package.name + " v. " + c.package.version;
        QCOMPARE(prompt.log.size(), c.log.size());
        for (int i = 0; i < c.log.size(); ++i) {
            QString expected = c.log.at(i);
            expected.replace("$T", title).replace("$R", QDir::toNativeSeparators(path));
            QVERIFY2(prompt.log.at(i).startsWith(expected), qPrintable(prompt.log.at(i) + "\nexpected: " + expected));
        }
        m_dreamweaver.loadInstalledExtensions();
        QCOMPARE(rowsOf(m_dreamweaver), c.rowsAfter);
        if ((c.log.last().startsWith("warning") && c.result != Result::Incomplete) || c.source == "dry run")
            QCOMPARE(entriesBelow(root() + "/user"), before);
        QCOMPARE(readFile(configuration() + "/Menus/Menus.xml").count("id=\"Velkor_Tool\""), 1);
        // Nothing stays in the temporary folder; while installing, the
        // download lay there under a unique prefix and its last name component.
        QCOMPARE(entriesBelow(root() + "/tmp"), QStringList());
        if (c.source.startsWith("store:") && c.log.contains("Installing")) {
            const QString last = QRegularExpression::escape(zxp.mid(zxp.lastIndexOf('/') + 1));
            QCOMPARE(whileInstalling.filter(QRegularExpression("^tmp/[^/]{6}" + last + "$")).size(), 1);
            QCOMPARE(whileInstalling.filter(QRegularExpression("^(?!user/|tmp/|packages/)")), QStringList());
        }
    }

    void remove_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("lastLog");
        QTest::addColumn<int>("result");

        const QString removed = "inform: Removed Velkor Tools v. 1.0.0 from Dreamweaver CS6:";
        const QString partly = "warning: Velkor Tools v. 1.0.0 could not be removed completely.\n\n";
        QTest::newRow("Yes removes it") << "" << true << removed << int(Result::Done);
        QTest::newRow("No keeps it") << "" << false << "question: Remove Velkor Tools v. 1.0.0?"
                                     << int(Result::Refused);
        QTest::newRow("an entry the install refused is no removal failure")
            << "refused entry" << true << removed << int(Result::Done);
        QTest::newRow("a file that cannot be deleted")
            << "stuck file" << true << partly + "These files could not be deleted:" << int(Result::Incomplete);
        QTest::newRow("a Menus.xml that cannot be edited")
            << "bad menus" << true
            << partly + "These Dreamweaver files could not be edited:" << int(Result::Incomplete);
        QTest::newRow("not installed") << "not installed" << true << "" << int(Result::NotFound);
    }

    void remove()
    {
        QFETCH(QString, damage);
        QFETCH(bool, answer);
        QFETCH(QString, lastLog);
        QFETCH(int, result);

        preinstall(extension("com.velkor.other", "Velkor Other", "1.0", "Other.mxi", "Other"));
        TestExtension package = tools;
        if (damage == "refused entry")
            package.files.append({ "Commands/stray.js", "stray\n", "Commands/Velkor" });
        if (damage != "not installed")
            preinstall(package);
        // A folder with content where a file must go away: not even root can delete it.
        const QString tool = configuration() + "/Commands/Velkor/tool.js";
        if (damage == "stuck file")
            QVERIFY(QFile::remove(tool) && writeFile(tool + "/inside.txt", "x"));
        if (damage == "bad menus")
            QVERIFY(writeFile(configuration() + "/Menus/Menus.xml", "<menubar id=\"DWMenu_Commands\">\xff</menubar>"));

        ScriptedPrompt prompt;
        prompt.answers = { answer };
        QCOMPARE(int(ExtensionCommands(prompt).removeExtension(m_dreamweaver, "Velkor Tools.mxi")), result);

        QVERIFY2(lastLog.isEmpty() ? prompt.log.isEmpty() : prompt.log.last().startsWith(lastLog),
            qPrintable(prompt.log.join('\n')));
        m_dreamweaver.loadInstalledExtensions();
        const bool gone = result == int(Result::Done) || result == int(Result::Incomplete);
        QCOMPARE(rowsOf(m_dreamweaver).contains("Velkor Tools 1.0.0"), !gone && damage != "not installed");
        QVERIFY(rowsOf(m_dreamweaver).contains("Velkor Other 1.0"));
        QVERIFY(QFile::exists(configuration() + "/Commands/Other/own.js"));
    }
};

QTEST_GUILESS_MAIN(TestExtensionCommands)

#include "tst_extensioncommands.moc"
