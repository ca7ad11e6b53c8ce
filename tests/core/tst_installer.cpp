#include "commands/InstallationLock.h"
#include "commands/ReportSummary.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationFile.h"
#include "installer/ExtensionCheck.h"
#include "installer/IProgress.h"
#include "installer/MarkupBalance.h"
#include "installer/InstallRecord.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"
#include "installer/Remover.h"
#include "support/InstallerFixtures.h"
#include "support/MarkupFixtures.h"
#include "support/TestRows.h"
#include "support/ZxpWriter.h"

#include <QtTest>

// A file size limit stops a write, or kills the install inside it, the Linux way.
#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
// Another program holds a file open the Windows way.
#ifdef Q_OS_WIN
#include <chrono>
#include <thread>
#include <windows.h>
#endif

using namespace InstallerFixtures;
using Outcome = InstallReport::FileOutcome;
const Outcome refused = Outcome::RefusedDestination;
using Tree = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(InstallReport::FileOutcome)

namespace {

// Menus.xml and insertbar.xml of a fresh installation once the tools extension is in.
const QByteArray installedMenus = inserted(menusXml(), "id=\"DWMenu_Commands_Sort\" />\n",
    "        <menuitem name=\"Velkor _Tool\" file=\"Commands/Velkor/Velkor Tool.htm\" id=\"Velkor_Tool\" />\n");
const QByteArray installedInsertbar = inserted(insertbarXml(), "\t</category>\n",
    "\t<category id=\"Velkor_Category\" folder=\"Velkor\">\n\t\t<button id=\"Velkor_Button\""
    " image=\"Objects/Velkor/Images/tool.png\" file=\"Commands/Velkor/Velkor Tool.htm\" />\n\t</category>\n");

// Every file and folder below folder, with the bytes of each file.
Tree snapshot(const QString& folder)
{
    Tree tree;
    for (const QString& entry : entriesBelow(folder))
        tree.insert(entry, readFile(folder + '/' + entry));
    return tree;
}

// Counts the steps (one per listed file) at which the stored manifest is missing:
// it must be there before the first file arrives and stay until the last is gone.
struct ManifestProbe : IProgress
{
    QString path;
    int missing = 0;

    void setValue(int) override { missing += !QFileInfo::exists(path); }
    void reset() override { }
    void setTitle(QString) override { }
    void setStatus(QString) override { }
    void setMaximum(int) override { }
    void setFinished() override { }
    bool isFinished() override { return false; }
};

} // namespace

class TestInstaller : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root;

    // user, when relative, is taken from the working folder.
    DreamweaverInfo installation(const QStringList& locales, const QString& user = "/user/Dreamweaver CS6")
    {
        DreamweaverInfo dreamweaver("Dreamweaver CS6", "Adobe", user.startsWith('/') ? m_root + user : user, locales);
        dreamweaver.setInstallFolder(m_root + "/program");
        writeFile(m_root + "/program/Configuration/Menus/Menus.xml", menusXml());
        writeFile(m_root + "/program/Configuration/Objects/insertbar.xml", insertbarXml());
        return dreamweaver;
    }

    QString package(const TestExtension& extension, const QString& suffix = ".zxp")
    {
        const QString path = m_root + '/' + extension.id + suffix;
        return extension.writePackage(path) ? path : QString();
    }

private slots:
    void init()
    {
        m_root = m_dir.path() + '/' + QTest::currentTestFunction() + QString::number(qHash(QTest::currentDataTag()));
    }

    // The report as one text: a line per row, the stop first, then files,
    // configuration files and entries, each with its reason where it has one.
    void reportTextHasALinePerRow_data()
    {
        QTest::addColumn<bool>("planned");
        QTest::addColumn<QString>("expected");
        addTestRow("an install that stopped after one file, with every kind of row", false,
            QString("stopped: no room\n"
                    "written: C:/dw/Commands/a.js\n"
                    "skipped: refused destination: Commands/b.js (outside the folders)\n"
                    "C:/dw/Menus/Menus.xml: failed (damaged)\n"
                    "refused (would break the file): menu entry A, B in DWMenu_Commands (C:/dw/Menus/Menus.xml)\n"
                    "added: Extensions.txt line VM:Velocity (C:/dw/Extensions.txt)"));
        addTestRow("a dry run words each outcome as what it would do", true,
            QString("stopped: no room\n"
                    "would write: C:/dw/Commands/a.js\n"
                    "skipped: refused destination: Commands/b.js (outside the folders)\n"
                    "C:/dw/Menus/Menus.xml: failed (damaged)\n"
                    "refused (would break the file): menu entry A, B in DWMenu_Commands (C:/dw/Menus/Menus.xml)\n"
                    "would add: Extensions.txt line VM:Velocity (C:/dw/Extensions.txt)"));
    }

    void reportTextHasALinePerRow()
    {
        QFETCH(bool, planned);
        QFETCH(QString, expected);
        InstallReport report;
        report.setPlanned(planned);
        report.setError("no room");
        report.addFile({ "en_US", "Commands/a.js", "C:/dw/Commands/a.js", Outcome::Written, QString() });
        report.addFile({ "en_US", "Commands/b.js", QString(), Outcome::RefusedDestination, "outside the folders" });
        report.addXml({ "en_US", "C:/dw/Menus/Menus.xml", InstallReport::XmlOutcome::Failed, "damaged" });
        InstallReport::EntryResult refused = InstallReport::EntryResult::of(InstallReport::EntryKind::MenuEntry,
            "A, B", "DWMenu_Commands", InstallReport::EntryOutcome::Refused, "would break the file");
        refused.path = "C:/dw/Menus/Menus.xml";
        InstallReport::EntryResult line = InstallReport::EntryResult::of(
            InstallReport::EntryKind::ExtensionLine, "VM:Velocity", QString(), InstallReport::EntryOutcome::Added);
        line.path = "C:/dw/Extensions.txt";
        report.addEntries({ refused, line });
        QCOMPARE(report.toText(), expected);
        QCOMPARE(InstallReport().toText(), QString());
    }

    void installsAndRemovesInEveryLocale_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QByteArray>("lineEnd"); // of the per-user files; null: there are none
        QTest::addColumn<QByteArray>("start"); // bytes before their first line
        const QByteArray none;
        addTestRow("zxp into two locales", ".zxp", QStringList { "en_US", "de_DE" }, QByteArray("\n"), none);
        addTestRow("mxp into the unnamed locale", ".mxp", QStringList {}, QByteArray("\n"), none);
        addTestRow("files seeded from the program folder", ".zxp", QStringList { "en_US" }, none, none);
        addTestRow("files with CR LF line ends", ".ZXP", QStringList { "en_US" }, QByteArray("\r\n"), none);
        addTestRow("files with lone CR line ends and a byte-order mark", ".zxp", QStringList { "en_US" },
            QByteArray("\r"), QByteArray("\xef\xbb\xbf"));
    }

    void installsAndRemovesInEveryLocale()
    {
        QFETCH(QString, suffix);
        QFETCH(QStringList, locales);
        QFETCH(QByteArray, lineEnd);
        QFETCH(QByteArray, start);

        DreamweaverInfo dreamweaver = installation(locales);
        // Each file keeps its own line ends and start, and the inserted lines take up its line ends.
        const auto ended
            = [&](QByteArray text) { return lineEnd.isNull() ? text : start + text.replace("\n", lineEnd); };
        const QByteArray original = ended(menusXml());
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QVERIFY(QDir().mkpath(configuration));
            QVERIFY(lineEnd.isNull()
                || (writeFile(configuration + "/Menus/Menus.xml", original)
                    && writeFile(configuration + "/Objects/insertbar.xml", ended(insertbarXml()))));
        }
        const TestExtension extension = toolsExtension();
        const QString path = package(extension, suffix);
        const QString mxi = extension.manifestName;
        // Dry runs of the install, and later of the removal, write nothing.
        const Tree fresh = snapshot(m_root + "/user");
        Installer plannedInstall(dreamweaver, nullptr, nullptr);
        plannedInstall.setDryRun(true);
        QVERIFY(plannedInstall.installPackage(path));
        QCOMPARE(snapshot(m_root + "/user"), fresh);
        ManifestProbe probe;
        probe.path = dreamweaver.extensionStoreFolder(dreamweaver.locales().first()) + '/' + mxi;
        // The second install finds everything in place and must change nothing.
        for (int round = 0; round < 2; ++round) {
            InstallReport report;
            QVERIFY(Installer(dreamweaver, &probe, &report).installPackage(path));
            QCOMPARE(report.fileCount(Outcome::Written), 4 * dreamweaver.locales().size());
        }
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + "/Objects/Velkor/Images/tool.png"), extension.files[2].data);
            QCOMPARE(readFile(dreamweaver.extensionStoreFolder(locale) + '/' + mxi), extension.manifest());
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), ended(installedMenus));
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xml"), ended(installedInsertbar));
            QCOMPARE(readFile(configuration + "/Menus/Menus.xbk"), lineEnd.isNull() ? "" : original);
        }
        QVERIFY(ExtensionCheck::isWhole(ExtensionCheck(dreamweaver).check(mxi)));

        // Another extension lists tool.js too, which stays until that one goes;
        // a file already gone leaves its emptied folder to the removal all the same.
        const TestExtension other { "com.velkor.other", "Velkor Other",
            { extension.files[1], { "o.js", "o", "$dreamweaver/Configuration/Commands/Velkor/" } }, QByteArray(),
            "Velkor Other.mxi" };
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(other, ".mxp")));
        QVERIFY(QFile::remove(dreamweaver.configurationFolder(locales.value(0)) + "/Objects/Velkor/Images/tool.png"));
        // A killed install's temporaries must not keep the removal from taking their folders too.
        for (const char* folder : { "/Objects/Velkor/", "/Objects/Velkor/Images/" }) {
            QFile stale(dreamweaver.configurationFolder(locales.value(0)) + folder + ".moravel-0badf00d.part");
            QVERIFY(stale.open(QIODevice::WriteOnly)
                && stale.setFileTime(QDateTime::fromSecsSinceEpoch(0), QFileDevice::FileModificationTime));
        }
        const Tree installed = snapshot(m_root + "/user");
        Remover plannedRemoval(dreamweaver, nullptr, nullptr);
        plannedRemoval.setDryRun(true);
        plannedRemoval.removeExtension(mxi);
        QCOMPARE(snapshot(m_root + "/user"), installed);
        probe.path = dreamweaver.extensionStoreFolder(dreamweaver.locales().last()) + '/' + mxi;
        Remover(dreamweaver, &probe, nullptr).removeExtension(mxi);
        QCOMPARE(probe.missing, 0);
        QVERIFY(QFileInfo::exists(dreamweaver.configurationFolder(locales.value(0)) + "/Commands/Velkor/tool.js"));
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Velkor Other.mxi");
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), ended(menusXml()));
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xml"), ended(insertbarXml()));
            // Restoring from the backups never brings the extension back.
            QCOMPARE(readFile(configuration + "/Menus/Menus.xbk"), ended(menusXml()));
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xbk"), ended(insertbarXml()));
            QCOMPARE(entriesBelow(configuration),
                QStringList({ "Commands/", "Menus/", "Menus/Menus.xbk", "Menus/Menus.xml", "Objects/",
                    "Objects/insertbar.xbk", "Objects/insertbar.xml", "Shared/" }));
        }
    }

    // Real packages, and real manifests packed alone, into two locales seeded
    // with a real Menus.xml: every entry goes in (one marked for a language
    // only in that locale), verify finds each, and removal gives both files
    // back byte for byte.
    void realExtensionsInstallAndRemoveWhole()
    {
        const QString folder = MORAVEL_REALWORLD_DIR;
        if (!QDir(folder).exists())
            QSKIP("the real packages and manifests are absent");
        const QByteArray menus = readFile(folder + "/config/Menus--dwCC2014-15--iamduyu--ca73caa7.xml");
        TestExtension german { "de", "German", {},
            "<menu-insert appendTo=\"DWMenu_Commands\" xml:lang=\"de-DE\"><menuitem id=\"DE\"/></menu-insert>",
            "German.mxi" };
        QStringList paths { package(german) };
        for (const QFileInfo& file : QDir(folder + "/packages").entryInfoList(QDir::Files))
            paths << file.filePath();
        for (const QFileInfo& file : QDir(folder + "/mxi").entryInfoList(QDir::Files))
            paths << m_root + '/' + file.completeBaseName() + ".zxp";
        for (const QString& path : paths) {
            ZxpWriter alone;
            const QByteArray mxi = readFile(folder + "/mxi/" + QFileInfo(path).completeBaseName() + ".mxi");
            alone.add("x.mxi", mxi);
            // A stand-in for each listed file, so that no entry is left out for naming a missing one.
            const QList<FileEntry> listed
                = ExtensionInfo(mxi, "x.mxi", ExtensionInfo::Parts::HeaderAndDetails).files();
            for (const FileEntry& file : listed)
                alone.add(QString(file.source).replace('\\', '/').toUtf8(), "-");
            QVERIFY(!path.startsWith(m_root) || path.endsWith("de.zxp") || writeFile(path, alone.archive()));
            DreamweaverInfo dreamweaver = installation({ "en_US", "de_DE" });
            for (const QString& locale : dreamweaver.locales())
                QVERIFY(writeFile(dreamweaver.configurationFolder(locale) + "/Menus/Menus.xml", menus)
                    && writeFile(dreamweaver.configurationFolder(locale) + "/Objects/insertbar.xml", insertbarXml()));
            InstallReport report;
            QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(path));
            int placed = 0, buttons = 0;
            QStringList skipped;
            for (const QString& locale : dreamweaver.locales())
                buttons += readFile(dreamweaver.configurationFolder(locale) + "/Objects/insertbar.xml").count("<button")
                    - insertbarXml().count("<button");
            for (const InstallReport::EntryResult& entry : report.entries()) {
                placed += entry.outcome == InstallReport::EntryOutcome::Added;
                // Only Menus.xml and insertbar.xml are there: other files' entries are realPackageChangesOtherFiles's.
                if (entry.outcome != InstallReport::EntryOutcome::Added
                    && (entry.path.endsWith("Menus.xml") || entry.path.endsWith("insertbar.xml")))
                    skipped << entry.id;
            }
            qInfo("%s: %d files written, %d entries placed in two locales (%d buttons), not placed: %s",
                qPrintable(QFileInfo(path).fileName()), report.fileCount(Outcome::Written) - 2, placed, buttons,
                qPrintable(skipped.join(", ")));
            QCOMPARE(skipped, QStringList());
            for (const ExtensionCheck::Item& item :
                ExtensionCheck(dreamweaver).check(report.files().first().source.section('/', -1)))
                QVERIFY2(item.present || item.targetMissing || item.kind == ExtensionCheck::ItemKind::File,
                    qPrintable(item.name));
            const QString german = dreamweaver.configurationFolder("de_DE") + "/Menus/Menus.xml";
            QCOMPARE(readFile(german).contains("id=\"DE\""), path.endsWith("de.zxp"));
            QVERIFY(!readFile(dreamweaver.configurationFolder("en_US") + "/Menus/Menus.xml").contains("id=\"DE\""));
            Remover(dreamweaver, nullptr, nullptr).removeExtension(report.files().first().source.section('/', -1));
            for (const QString& locale : dreamweaver.locales()) {
                QCOMPARE(readFile(dreamweaver.configurationFolder(locale) + "/Menus/Menus.xml"), menus);
                QCOMPARE(readFile(dreamweaver.configurationFolder(locale) + "/Objects/insertbar.xml"), insertbarXml());
            }
        }
    }

    // A file the installer cannot or may not place (its own files, however
    // spelt) is skipped and reported. Verify misses what is not where it should
    // be: a file, or an entry anywhere but straight inside the element with the
    // manifest's target id, where the installer puts it and removal looks.
    void targetFolder_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("folder"); // $CONF, $HOME spelt out; else part of the refusal
        const QString conf = "$CONF/", home = "$HOME/";
        addTestRow("backslashes and any case", "$Dreamweaver\\configuration\\codehints\\", conf + "CodeHints");
        addTestRow("a folder in another case is reused, the rest kept", "$dreamweaver/Configuration/OBJECTS/New",
            conf + "Objects/New");
        addTestRow("$installfolder's configuration is the user's too", "$INSTALLFOLDER/configuration", "$CONF");
        addTestRow(
            "Desktop, climbing about inside the home folder", "$userdesktopfolder/../Documents/x", home + "Docs/x");
        addTestRow("Documents in another case", "$UserDocumentFolder", home + "Docs");
        addTestRow("home, climbing out", "$userhomefolder/a/../../x", "climbs out");
        addTestRow("configuration, climbing out by backslash", "$dreamweaver/Configuration/a\\..\\..\\x", "climbs out");
        addTestRow("a sibling with a longer name", "$dreamweaver/Configuration/../ConfigurationX", "climbs out");
        addTestRow("the program folder", "$dreamweaver/Commands", "outside the user's");
        addTestRow("a system folder", "$fonts", "outside the user's");
        addTestRow("a custom token", "$airstream/x", "is not a folder token");
        addTestRow("a token not at the start", "/tmp/$dreamweaver/Configuration", "starts with no folder token");
        addTestRow("a link below the folder leading out", "$dreamweaver/Configuration/Linked/x", "symbolic link");
        addTestRow("a link below the folder leading inside it", "$userhomefolder/Inside", home + "Inside");
        addTestRow("the Windows Startup folder",
            "$userhomefolder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Startup", "start with the user");
        addTestRow("the Linux autostart folder", "$userhomefolder/.config/autostart", "start with the user");
        addTestRow("the Linux autostart folder through a Wine profile's link", "$userdesktopfolder/.config/autostart",
            "start with the user");
        addTestRow("a stream suffix", "$dreamweaver/Configuration/MXI::$INDEX_ALLOCATION", "stream");
        addTestRow("a device name", "$dreamweaver/Configuration/Commands/com1.txt", "device");
        addTestRow("a device name with trailing dots", "$userhomefolder/CON..", "device");
        addTestRow("the shape of a short name", "$dreamweaver/Configuration/OBJECT~1", "short name");
    }

    void targetFolder()
    {
        QFETCH(QString, destination);
        QFETCH(QString, folder);
#ifdef Q_OS_WIN
        if (folder == "symbolic link" || destination.startsWith("$userdesktopfolder/.config"))
            QSKIP("Windows makes the test's links shortcuts, which no path leads through");
#endif
        const DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString conf = dreamweaver.configurationFolder("en_US"), home = m_root + "/home";
        QVERIFY(
            QDir().mkpath(conf + "/CodeHints") && QDir().mkpath(conf + "/Objects") && QDir().mkpath(home + "/Docs"));
        qputenv("USERPROFILE", home.toUtf8());
        // Windows calls it Documents: the folder there in another case stands in.
        QVERIFY(QDir(home).rename("Docs", "documents"));
        // A Wine profile's Desktop is a link to a folder of the Linux home.
        const QString linuxHome = m_root + "/linux";
        qputenv("XDG_CONFIG_HOME", QString(linuxHome + "/.config").toUtf8());
        QVERIFY(QDir().mkpath(linuxHome) && QDir().mkpath(m_root + "/elsewhere"));
        QVERIFY(QFile::link(m_root + "/elsewhere", conf + "/Linked")
            && QFile::link(home + "/documents", home + "/Inside") && QFile::link(linuxHome, home + "/Desktop"));
        QString reason;
        const QString actual
            = Installer::targetFolder(dreamweaver, { "x.js", destination, {}, false, false }, "en_US", &reason);
        const QString expected
            = QString(folder).replace("$CONF", conf).replace("$HOME", home).replace("Docs", "documents");
#ifdef Q_OS_WIN
        // The file system finds a folder in any case, so the manifest's own spelling stands.
        const Qt::CaseSensitivity sameName = Qt::CaseInsensitive;
#else
        const Qt::CaseSensitivity sameName = Qt::CaseSensitive;
#endif
        QVERIFY2(folder.startsWith('$') ? actual.compare(expected, sameName) == 0
                                        : actual.isEmpty() && reason.contains(folder),
            qPrintable(actual + " | " + reason));
    }

    // A package file may not go into any folder of another locale or
    // installation, nor into Dreamweaver's program folders, whatever token
    // leads there. The target has the locales en_US and de_DE; another
    // installation, Dreamweaver 2021, is known too.
    void packageFilesStayOutOfEveryDreamweaverFolder_data()
    {
        QTest::addColumn<QByteArray>("destination"); // below $userhomefolder
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("written"); // and removed again
        QTest::addColumn<QByteArray>("listed"); // the source as the manifest spells it; null: as packed
        const QByteArray roaming = "$userhomefolder/AppData/Roaming/", none;
        addTestRow("another installation's Menus.xml", roaming + "Adobe/Dreamweaver 2021/en_US/Configuration/Menus",
            QByteArray("Menus.xml"), false, none);
        addTestRow("another locale's store", roaming + "Adobe/Dreamweaver CS6/de_DE/Configuration/Shared/Velkor/MXI",
            QByteArray("Other.mxi.record"), false, none);
        addTestRow("another installation's program folder",
            QByteArray("$userhomefolder/Programs/Dreamweaver 2021/Configuration"), QByteArray("x.js"), false, none);
        addTestRow("a Dreamweaver folder no installation in the list has",
            roaming + "Macromedia/Dreamweaver 8/Configuration", QByteArray("x.js"), false, none);
        addTestRow("its own locale's configuration folder",
            roaming + "Adobe/Dreamweaver CS6/en_US/Configuration/Commands", QByteArray("x.js"), true, none);
        addTestRow("a folder of the home", QByteArray("$userhomefolder/Velkor"), QByteArray("x.js"), true, none);
        addTestRow("the Desktop, spelt otherwise in the manifest", QByteArray("$userhomefolder/Desktop"),
            QByteArray("Velkor/Read Me.txt"), true, QByteArray(".\\velkor\\READ ME.TXT"));
        addTestRow("the Desktop by its token, a folder", QByteArray("$userdesktopfolder/Velkor"),
            QByteArray("Docs/x.txt"), true, QByteArray("docs"));
    }

    void packageFilesStayOutOfEveryDreamweaverFolder()
    {
        QFETCH(QByteArray, destination);
        QFETCH(QByteArray, source);
        QFETCH(bool, written);
        QFETCH(QByteArray, listed);

        const QString home = m_root + "/home", roaming = home + "/AppData/Roaming/";
        qputenv("USERPROFILE", home.toUtf8());
        DreamweaverInfo dreamweaver = installation({ "en_US", "de_DE" }, "/home/AppData/Roaming/Adobe/Dreamweaver CS6");
        DreamweaverInfo other("Dreamweaver 2021", "Adobe", roaming + "Adobe/Dreamweaver 2021", { "en_US" });
        other.setInstallFolder(home + "/Programs/Dreamweaver 2021");
        dreamweaver.setNeighbourFolders(
            { { other.name(), other.userFolder() }, { other.name(), other.installFolder() } });
        const QString theirs = other.configurationFolder("en_US") + "/Menus/Menus.xml";
        QVERIFY(writeFile(theirs, menusXml()));

        TestExtension extension = toolsExtension();
        extension.files = { { source, "planted\n", listed.isNull() ? destination : QByteArray("-") } };
        if (!listed.isNull())
            extension.files.append({ listed, QByteArray(), destination });
        InstallReport report;
        QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(package(extension)));
        const QString path
            = QString(destination).replace("$userhomefolder", home).replace("$userdesktopfolder", home + "/Desktop")
            + '/' + QFileInfo(source).fileName();
        QCOMPARE(QFileInfo::exists(path) && readFile(path) == "planted\n", written);
        QCOMPARE(readFile(theirs), menusXml());
        dreamweaver.loadInstalledExtensions();
        QCOMPARE(dreamweaver.installedExtensions().size(), 1);
        // Whatever the install wrote, wherever its token sent it, goes with the extension.
        InstallReport removal;
        Remover(dreamweaver, nullptr, &removal).removeExtension(extension.manifestName);
        QVERIFY2(!QFileInfo::exists(path) || !written, qPrintable(removal.toText()));
    }

    // Each row's manifest lists its files from a package holding Lib/a.js,
    // Lib/sub/b.js and one.js, installed into en_US and de_DE; another
    // extension, when the row has one, is installed next; then the first is removed.
    void installsWhatTheManifestLists_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<QByteArray>("other");
        QTest::addColumn<QString>("installed"); // files below the user folder, as "de,en:Commands/x.js"
        QTest::addColumn<QString>("kept"); // the same after the removal
        const QByteArray to = "destination=\"$dreamweaver/configuration/Commands\"", none;
        addTestRow("a source ending in a slash: the folder and its subfolders", "<file source=\"Lib/\" " + to + "/>",
            none, "de,en:Commands/a.js de,en:Commands/sub/b.js", "");
        addTestRow("a source naming a folder", "<file source=\"Lib\" " + to + "/>", none,
            "de,en:Commands/a.js de,en:Commands/sub/b.js", "");
        addTestRow("sources written the Windows way: backslashes, a leading ./, any case",
            "<file source=\"Lib\\A.JS\" " + to + "/><file source=\"./one.js\" " + to + "/><file source=\".\\lib\\SUB\" "
                + to + "/>",
            none, "de,en:Commands/a.js de,en:Commands/b.js de,en:Commands/one.js", "");
        addTestRow("sources written on a Mac, colons between folders",
            "<file source=\"Lib:a.js\" " + to + "/><file source=\"Lib:sub\" " + to + "/>", none,
            "de,en:Commands/a.js de,en:Commands/b.js", "");
        addTestRow("xml:lang of the group and of the file",
            "<files xml:lang=\"de_DE\"><file source=\"one.js\" " + to
                + "/><file source=\"Lib/a.js\" xml:lang=\"en_US\" " + to + "/></files>",
            none, "en:Commands/a.js de:Commands/one.js", "");
        addTestRow("products that leave Dreamweaver out, of the file and the group",
            "<file source=\"one.js\" products=\"Flash\" " + to
                + "/><files products=\"Fireworks, dreamweaver\"><file "
                  "source=\"Lib/a.js\" "
                + to + "/></files>",
            none, "de,en:Commands/a.js", "");
        addTestRow("a destination ending in a backslash, and the attribute after it",
            QByteArray("<file source=\"one.js\" destination=\"$dreamweaver\\configuration\\Commands\\\" "
                       "systemfile=\"true\"/>"),
            none, "de,en:Commands/one.js", "de,en:Commands/one.js");
        addTestRow("a system file stays", "<file source=\"one.js\" systemfile=\"True\" " + to + "/>", none,
            "de,en:Commands/one.js", "de,en:Commands/one.js");
        addTestRow("a shared file stays while another manifest lists it",
            "<file source=\"one.js\" shared=\"true\" " + to + "/><file source=\"Lib/a.js\" " + to + "/>",
            "<file source=\"one.js\" " + to + "/><file source=\"Lib/a.js\" " + to + "/>",
            "de,en:Commands/a.js de,en:Commands/one.js", "de,en:Commands/one.js");
    }

    void installsWhatTheManifestLists()
    {
        QFETCH(QByteArray, files);
        QFETCH(QByteArray, other);
        QFETCH(QString, installed);
        QFETCH(QString, kept);
        DreamweaverInfo dreamweaver = installation({ "en_US", "de_DE" });
        // Other packs nothing: it lists what it never writes.
        const auto lib = [](const QByteArray& name, const QByteArray& listed) {
            const QList<PackagedFile> packed { { "Lib/a.js", "a", "-" }, { "Lib/sub/b.js", "b", "-" },
                { "one.js", "1", "-" } };
            return TestExtension { "com.velkor." + name, name, name == "Lib" ? packed : QList<PackagedFile>(), listed,
                name + ".mxi" };
        };
        // "de,en:x" stands for "de:x en:x".
        const auto spelt = [](const QString& pairs) {
            QStringList paths;
            for (const QString& word : pairs.split(' ', Qt::SkipEmptyParts)) {
                for (const QString& locale : word.section(':', 0, 0).split(','))
                    paths << locale + ':' + word.section(':', 1);
            }
            paths.sort();
            return paths;
        };
        const auto found = [&] {
            QStringList paths;
            for (const QString locale : { "de_DE", "en_US" }) {
                const QString folder = dreamweaver.configurationFolder(locale);
                for (const QString& path : entriesBelow(folder).filter(QRegularExpression("\\.js$")))
                    paths << locale.left(2) + ':' + path;
            }
            return paths;
        };
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(lib("Lib", files))));
        QCOMPARE(found(), spelt(installed));
        QVERIFY(
            other.isNull() || Installer(dreamweaver, nullptr, nullptr).installPackage(package(lib("Other", other))));
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Lib.mxi");
        QCOMPARE(found(), spelt(kept));
    }

    // Text beyond ASCII from a manifest goes into insertbar.xml as its declared
    // encoding carries it, the file stays well-formed, and comes out whole.
    void textGoesInAsTheFileDeclares_data()
    {
        QTest::addColumn<QByteArray>("encoding"); // as insertbar.xml declares it
        QTest::addColumn<QByteArray>("button"); // UTF-8, a button with the id "J"
        QTest::addColumn<QByteArray>("written"); // null: refused
        const QByteArray japanese = "<button id=\"J\" name=\"\xe6\x97\xa5\xe6\x9c\xac\"/>";
        addTestRow("Shift_JIS: character references", QByteArray("Shift_JIS"), japanese,
            QByteArray("<button id=\"J\" name=\"&#x65E5;&#x672C;\"/>"));
        addTestRow("windows-1252: past the BMP, a comment too", QByteArray("windows-1252"),
            QByteArray("<!-- \xc3\xa9 --><button id=\"J\" name='\xc3\xa9\xf0\x9f\x98\x80'/>"),
            QByteArray("<!-- &#xE9; -->\n\t\t<button id=\"J\" name='&#xE9;&#x1F600;'/>"));
        addTestRow("UTF-8: the characters themselves", QByteArray("UTF-8"), japanese, japanese);
        addTestRow("Shift_JIS: a name beyond ASCII is refused", QByteArray("Shift_JIS"),
            QByteArray("<button id=\"J\" \xe5\x90\x8d=\"x\"/>"), QByteArray());
    }

    void textGoesInAsTheFileDeclares()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(QByteArray, button);
        QFETCH(QByteArray, written);
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString insertbar = dreamweaver.configurationFolder("en_US") + "/Objects/insertbar.xml";
        const QByteArray original = QByteArray(insertbarXml()).replace("utf-8", encoding);
        QVERIFY(writeFile(insertbar, original));
        TestExtension extension { "com.velkor.text", "Text", {},
            "<insertbar-item-insert appendTo=\"DW_Insertbar_Common\">" + button + "</insertbar-item-insert>",
            "Text.mxi" };
        InstallReport report;
        QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(package(extension)));
        const QByteArray text = readFile(insertbar);
        QCOMPARE(text.contains(written.isNull() ? "id=\"J\"" : written), !written.isNull());
        QCOMPARE(report.entries().at(0).outcome,
            written.isNull() ? InstallReport::EntryOutcome::Refused : InstallReport::EntryOutcome::Added);
        QString unused;
        int line = 0;
        QVERIFY(MarkupBalance::checkDocument(QString::fromUtf8(text), &line, &unused));
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Text.mxi");
        QCOMPARE(readFile(insertbar), original);
    }

    // A folder that differs only in case from one already there is that
    // folder, whichever came first: the extension's file or the seeded file.
    void foldersDifferingOnlyInCaseAreOne_data()
    {
        QTest::addColumn<QByteArray>("destination"); // of one.js, below the configuration folder
        QTest::addColumn<QString>("before"); // a folder made first; empty: none
        QTest::addColumn<QStringList>("files"); // below the configuration folder, the record's aside
        addTestRow("the file's folder first: the seeded Menus.xml joins it", QByteArray("menus/Velkor"), QString(),
            QStringList { "Objects/insertbar.xml", "menus/Menus.xml", "menus/Velkor/one.js" });
        addTestRow("the file's folder first, spelt otherwise again: insertbar.xml joins it",
            QByteArray("OBJECTS/velkor"), QString(),
            QStringList { "Menus/Menus.xml", "OBJECTS/insertbar.xml", "OBJECTS/velkor/one.js" });
        addTestRow("a folder there first: the file joins it", QByteArray("MENUS/Velkor"), QString("Menus"),
            QStringList { "Menus/Menus.xml", "Menus/Velkor/one.js", "Objects/insertbar.xml" });
    }

    void foldersDifferingOnlyInCaseAreOne()
    {
        QFETCH(QByteArray, destination);
        QFETCH(QString, before);
        QFETCH(QStringList, files);
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder("en_US");
        QVERIFY(before.isEmpty() || QDir().mkpath(configuration + '/' + before));
        TestExtension extension { "com.velkor.case", "Case",
            { { "one.js", "1", "$dreamweaver/Configuration/" + destination } },
            "<menu-insert appendTo=\"DWMenu_File\"><menuitem id=\"C\"/></menu-insert><insertbar-insert>"
            "<category id=\"K\"><button id=\"B\"/></category></insertbar-insert>",
            "Case.mxi" };
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(extension)));
        QCOMPARE(entriesBelow(configuration).filter(QRegularExpression("\\.(js|xml)$")), files);
        QVERIFY(readFile(configuration + '/' + files.filter("Menus.xml").at(0)).contains("id=\"C\""));
        QVERIFY(ExtensionCheck::isWhole(ExtensionCheck(dreamweaver).check("Case.mxi")));
    }

    // An entry that names a file this install skipped stays out of the
    // configuration files, and the report names the file.
    void entriesNamingSkippedFilesStayOut_data()
    {
        QTest::addColumn<QByteArray>("unpacked"); // a file of the tools extension, or "run.htm" or "b.htm"
        QTest::addColumn<QStringList>("entries"); // "id outcome[: detail]" of each entry row
        const QString tool = "Velkor_Tool added", button = "Velkor_Category, Velkor_Button added";
        const QString run = "Run added", b = "B added";
        const QString skipped = " skipped: its file was not installed: ";
        addTestRow("every file written: every entry goes in", QByteArray(), QStringList { tool, run, button, b });
        addTestRow("a menu item's and a button's file missing from the package", QByteArray("Commands/Velkor Tool.htm"),
            QStringList { "Velkor_Tool" + skipped + "Commands/Velkor/Velkor Tool.htm", run,
                "Velkor_Category" + skipped + "Commands/Velkor/Velkor Tool.htm", b });
        addTestRow("the command file a menu item runs, named with a backslash in another case", QByteArray("run.htm"),
            QStringList { "Run" + skipped + "velkor\\RUN.htm", tool, button, b });
        addTestRow("a button's file named below the Objects folder", QByteArray("b.htm"),
            QStringList { tool, run, "B" + skipped + "./Velkor/b.htm", button });
    }

    void entriesNamingSkippedFilesStayOut()
    {
        QFETCH(QByteArray, unpacked);
        QFETCH(QStringList, entries);
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        TestExtension extension = toolsExtension();
        extension.files << PackagedFile { "run.htm", "run", "$dreamweaver/Configuration/Commands/Velkor" }
                        << PackagedFile { "b.htm", "b", "$dreamweaver/Configuration/Objects/Velkor" };
        for (PackagedFile& file : extension.files)
            file.data = file.source == unpacked ? QByteArray() : file.data;
        extension.configurationChanges
            += "<menu-insert appendTo=\"DWMenu_File\"><menuitem id=\"Run\" command=\"dw.runCommand("
               "'velkor\\RUN.htm')\"/></menu-insert><insertbar-item-insert appendTo=\"DW_Insertbar_Common\">"
               "<button id=\"B\" file=\"./Velkor/b.htm\"/></insertbar-item-insert>";
        InstallReport report;
        QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(package(extension)));
        QStringList seen;
        const QList<InstallReport::EntryResult> results = report.entries();
        for (const InstallReport::EntryResult& entry : results)
            seen << entry.id + ' ' + InstallReport::describe(entry.outcome) + (entry.detail.isEmpty() ? "" : ": ")
                    + entry.detail;
        QCOMPARE(seen, entries);
        // What stayed out is nowhere in the files, and the user is told.
        const QString configuration = dreamweaver.configurationFolder("en_US");
        const QByteArray written
            = readFile(configuration + "/Menus/Menus.xml") + readFile(configuration + "/Objects/insertbar.xml");
        for (const QString& entry : entries)
            QCOMPARE(written.contains("id=\"" + entry.section(' ', 0, 0).remove(',').toUtf8() + '"'),
                !entry.contains("skipped"));
        QCOMPARE(
            ReportSummary::installProblems(report).contains("name a file that was not installed"), !unpacked.isNull());
    }

    void reportsWhatIsMissing_data()
    {
        QTest::addColumn<QString>("user"); // relative: below the working folder
        QTest::addColumn<QByteArray>("target"); // destination and name of a file added to the tools extension
        QTest::addColumn<Outcome>("installed"); // the file's; not packed when it is missing from the package
        QTest::addColumn<QByteArray>("text"); // of the file holding what verify misses; null: as installed
        QTest::addColumn<QString>("missing"); // what verify misses, files by name
        const QString user = "/user/Dreamweaver CS6";
        const QByteArray dw = "$dreamweaver/Configuration", commands = dw + "/Commands/V/odd.js", none;
        const QByteArray tool = "<menuitem id=\"Velkor_Tool\"/>", button = "<button id=\"Velkor_Button\"/>";
        const QByteArray commandsEnd = "id=\"DWMenu_Commands_Sort\" />";
        addTestRow("empty destination", user, QByteArray("/odd.js"), refused, none, "odd.js");
        addTestRow("installation in a relative folder", "rel", commands, refused, none,
            "Velkor Tool.htm tool.js tool.png odd.js");
        addTestRow("Menus.xml in another case and slash", user, dw + "\\MENUS/menus.XML", refused, none, "menus.XML");
        addTestRow(
            "a backup with a trailing dot", user, dw + "/Objects/insertbar.xbk.", refused, none, "insertbar.xbk.");
        addTestRow("version.xml", user, dw + "/version.xml", refused, none, "version.xml");
        addTestRow("a file in the store folder", user, dw + "/Shared/Velkor/mxi/odd.js", refused, none, "odd.js");
        addTestRow("entry missing from the package", user, commands, Outcome::MissingFromPackage, none, "odd.js");
        addTestRow("a file stands where its folder must go", user, dw + "/Commands/Blocked/Deeper/odd.js",
            Outcome::WriteFailed, none, "odd.js");
        addTestRow("a file past the total an install may extract", user, dw + "/Commands/V/past-the-cap.js", refused,
            none, "past-the-cap.js");
        addTestRow("menu entry in a submenu of its menu", user, commands, Outcome::Written,
            inserted(menusXml(), commandsEnd, "<menu id=\"Sub\">" + tool + "</menu>"), "Velkor_Tool");
        addTestRow("menu entry commented out", user, commands, Outcome::Written,
            inserted(menusXml(), commandsEnd, "<!-- " + tool + " -->"), "Velkor_Tool");
        addTestRow("button in a folder of its category", user, commands, Outcome::Written,
            "<category id=\"Velkor_Category\"><menubutton id=\"Velkor\">" + button + "</menubutton></category>",
            "Velkor_Button");
        addTestRow("a menu that is gone: a warning, the extension whole", user, commands, Outcome::Written,
            QByteArray("<menubar/>"), "no Velkor_Tool (whole)");
        addTestRow("an empty Menus.xml: missing", user, commands, Outcome::Written, QByteArray(""), "Velkor_Tool");
    }

    void reportsWhatIsMissing()
    {
        QFETCH(QString, user);
        QFETCH(QByteArray, target);
        QFETCH(Outcome, installed);
        QFETCH(QByteArray, text);
        QFETCH(QString, missing);

        const QString workingFolder = m_root + "/cwd";
        QVERIFY(QDir().mkpath(workingFolder) && QDir::setCurrent(workingFolder));
        const auto restore = qScopeGuard([this] { QDir::setCurrent(m_dir.path()); });
        DreamweaverInfo dreamweaver = installation({ "en_US" }, user);
        const QString configuration = dreamweaver.configurationFolder("en_US") + '/';
        writeFile(configuration + "Commands/Blocked", "a file") && writeFile(configuration + "version.xml", "<x/>");
        TestExtension extension = toolsExtension();
        const int slash = target.lastIndexOf('/');
        // The added file holds its name: the cap fits exactly the tools' 80 bytes and odd.js.
        extension.files.append({ target.mid(slash + 1),
            installed == Outcome::MissingFromPackage ? QByteArray() : target.mid(slash + 1), target.left(slash) });
        InstallReport report;
        Installer installer(dreamweaver, nullptr, &report);
        installer.setMaxExtractedTotal(86);
        QVERIFY(installer.installPackage(package(extension)));
        QCOMPARE(report.files().last().outcome, installed);
        // A write that failed says why and what to do.
        if (installed == Outcome::WriteFailed)
            QCOMPARE(report.files().last().detail.section("; ", 0, 0), "another file or folder is in the way");
        const bool pastCap = report.files().last().detail == "past the 86 bytes one install may extract per locale";
        QCOMPARE(pastCap, missing.startsWith("past"));
        const bool menu = !text.contains("<category");
        QVERIFY(text.isNull() || writeFile(configuration + (menu ? "Menus/Menus.xml" : "Objects/insertbar.xml"), text));
        QStringList seen;
        const QList<ExtensionCheck::Item> items = ExtensionCheck(dreamweaver).check("Velkor Tools.mxi");
        for (const ExtensionCheck::Item& item : items)
            seen << (item.present ? QString() : (item.targetMissing ? "no " : "") + QFileInfo(item.name).fileName());
        seen << (ExtensionCheck::isWhole(items) ? "(whole)" : "");
        QCOMPARE(seen.filter(QRegularExpression(".")).join(' '), missing);
        InstallReport removal;
        Remover(dreamweaver, nullptr, &removal).removeExtension("Velkor Tools.mxi");
        QCOMPARE(removal.files().at(3).outcome == refused, installed == refused && !pastCap);
        // A relative path would land below the working folder.
        QCOMPARE(entriesBelow(workingFolder).filter(QRegularExpression("\\.(js|htm|png)$")), QStringList());
    }

    // An install goes on past a Menus.xml it cannot edit. A removal that cannot edit it, or delete a
    // file, keeps the stored manifest and says why; once the obstacle is gone, a later one finishes.
    void failedEditLeavesTheFileAndItsBackupWhole_data()
    {
        QTest::addColumn<bool>("removing"); // the install goes through and the removal meets the obstacle
        QTest::addColumn<QByteArray>("original"); // Menus.xml as the failing step finds it
        QTest::addColumn<QString>("blocked"); // a folder stands there, below the configuration folder
        QTest::addColumn<int>("cap"); // bytes a configuration file may hold; 0: as shipped
        const QByteArray notUtf8 = QByteArray(installedMenus).replace("_File", "_Fich\xe9");
        addTestRow("a folder stands where the backup must go", false, menusXml(), QString("Menus/Menus.xbk"), 0);
        addTestRow("a file that is not UTF-8 is not rewritten", false, notUtf8, QString(), 0);
        addTestRow("an edit past the size cap; insertbar.xml just fits", false, menusXml(), QString(),
            int(installedInsertbar.size()));
        addTestRow("removal: a folder where the backup must go", true, installedMenus, QString("Menus/Menus.xbk"), 0);
        addTestRow("removal: Menus.xml no longer UTF-8", true, notUtf8, QString(), 0);
        addTestRow(
            "removal: a file that cannot be deleted", true, installedMenus, QString("Commands/Velkor/tool.js"), 0);
    }

    void failedEditLeavesTheFileAndItsBackupWhole()
    {
        QFETCH(bool, removing);
        QFETCH(QByteArray, original);
        QFETCH(QString, blocked);
        QFETCH(int, cap);

        const qint64 shipped = ConfigurationFile::maximumSize();
        const auto restoreCap = qScopeGuard([shipped] { ConfigurationFile::setMaximumSize(shipped); });
        ConfigurationFile::setMaximumSize(cap ? cap : shipped);
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder("en_US") + '/', menus = configuration + "Menus/";
        const bool menusFail = !blocked.startsWith("Commands");
        QVERIFY(!removing || Installer(dreamweaver, nullptr, nullptr).installPackage(package(toolsExtension())));
        QFile::remove(configuration + blocked);
        QVERIFY(writeFile(menus + "Menus.xml", original)
            && (blocked.isEmpty() || QDir().mkpath(configuration + blocked + "/inside")));
        InstallReport report;
        if (removing)
            Remover(dreamweaver, nullptr, &report).removeExtension("Velkor Tools.mxi");
        else
            QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(package(toolsExtension())));
        QCOMPARE(readFile(menus + "Menus.xml"), menusFail ? original : menusXml());
        QCOMPARE(entriesBelow(menus).filter("Menus.xml"), QStringList { "Menus.xml" });
        // An install keeps what was there; a removal what it leaves.
        QCOMPARE(readFile(menus + "Menus.xbk"), menusFail ? QByteArray() : removing ? menusXml() : installedMenus);
        QCOMPARE(report.xmlFiles().at(0).outcome,
            menusFail ? InstallReport::XmlOutcome::Failed : InstallReport::XmlOutcome::Edited);
        QCOMPARE(report.xmlFiles().at(1).outcome, InstallReport::XmlOutcome::Edited);
        if (!removing)
            return;
        const InstallReport::FileResult kept = report.files().last();
        // The summary names the path as the system spells it.
        QVERIFY(ReportSummary::removalProblems(report).contains(QDir::toNativeSeparators(kept.path))
            && QFileInfo::exists(kept.path) && kept.detail.contains(blocked.isEmpty() ? "UTF-8" : blocked));
        QCOMPARE(kept.outcome, Outcome::KeptUnfinished);
        QVERIFY(blocked.isEmpty() ? writeFile(menus + "Menus.xml", installedMenus)
                                  : QDir(configuration + blocked).removeRecursively());
        InstallReport second;
        Remover(dreamweaver, nullptr, &second).removeExtension("Velkor Tools.mxi");
        QVERIFY(second.fileCount(Outcome::NotPresent) == 3 && second.files().last().outcome == Outcome::Removed);
        QCOMPARE(readFile(menus + "Menus.xml"), menusXml());
    }

    // A removal that could not edit one file keeps, in the install record, the
    // entries of that file alone: the next removal takes out exactly those.
    void unfinishedRemovalKeepsWhatItLeft_data()
    {
        QTest::addColumn<QString>("file"); // the file, below the configuration folder, too large at first
        QTest::addColumn<QByteArray>("pristine"); // as it was before the install
        addTestRow("insertbar.xml", QString("Objects/insertbar.xml"), insertbarXml());
        addTestRow("Extensions.txt", QString("Extensions.txt"), QByteArray("HTML,HTM:All Documents\r\nHTM:HTML\r\n"));
    }

    void unfinishedRemovalKeepsWhatItLeft()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, pristine);
        const qint64 shipped = ConfigurationFile::maximumSize();
        const auto restoreCap = qScopeGuard([shipped] { ConfigurationFile::setMaximumSize(shipped); });
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder("en_US") + '/';
        QVERIFY(writeFile(configuration + "Extensions.txt", "HTML,HTM:All Documents\r\nHTM:HTML\r\n"));
        TestExtension extension = toolsExtension();
        extension.configurationChanges += "    <extensions-changes>\n      <extension-insert extension=\"VM\""
                                          " description=\"Velocity files\" />\n    </extensions-changes>\n";
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(extension)));
        // Only the file of the row grows past the cap.
        const QByteArray padding = file.endsWith(".txt") ? "ZZ:" + QByteArray(2000, 'z') + "\r\n"
                                                         : "<!--" + QByteArray(2000, ' ') + "-->\n";
        QVERIFY(writeFile(configuration + file, readFile(configuration + file) + padding));
        ConfigurationFile::setMaximumSize(2000);
        InstallReport first;
        Remover(dreamweaver, nullptr, &first).removeExtension("Velkor Tools.mxi");
        QCOMPARE(first.files().last().outcome, Outcome::KeptUnfinished);
        QCOMPARE(readFile(configuration + "Menus/Menus.xml"), menusXml());
        ConfigurationFile::setMaximumSize(shipped);
        InstallReport second;
        Remover(dreamweaver, nullptr, &second).removeExtension("Velkor Tools.mxi");
        QCOMPARE(second.files().last().outcome, Outcome::Removed);
        QCOMPARE(readFile(configuration + file), pristine + padding);
        QCOMPARE(readFile(configuration + "Menus/Menus.xml"), menusXml());
    }

    // The Velocity Suite adds a tag library, a document type and an
    // Extensions.txt line to copies seeded from the program folder; a plan
    // changes nothing, and the removal gives each copy back byte for byte. A
    // file that neither folder has is a warning, not a failure.
    void realPackageChangesOtherFilesAndComesOut_data()
    {
        QTest::addColumn<bool>("documentTypes");
        addTestRow("every file there", true);
        addTestRow("no document types anywhere", false);
    }

    void realPackageChangesOtherFilesAndComesOut()
    {
        QFETCH(bool, documentTypes);
        const QString package = MORAVEL_REALWORLD_DIR "/packages/velocity--VelocitySuite--54f3ff42.mxp";
        if (!QFileInfo::exists(package))
            QSKIP("the real packages are absent");
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const Tree seeds {
            { "TagLibraries/TagLibraries.vtm",
                "<?xml version=\"1.0\"?>\r\n<taglibraries>\r\n\t<taglibrary id=\"DWTagLibrary_html\">\r\n"
                "\t</taglibrary>\r\n</taglibraries>\r\n" },
            { "DocumentTypes/MMDocumentTypes.xml",
                "<documenttypes>\n  <documenttype id=\"HTML\"/>\n</documenttypes>\n" },
            { "Extensions.txt", "HTML,HTM:All Documents\r\nHTML,HTM:HTML Documents\r\n" }
        };
        const QString configuration = dreamweaver.configurationFolder("en_US") + '/';
        for (auto seed = seeds.begin(); seed != seeds.end(); ++seed)
            QVERIFY(!seed.key().startsWith("Doc") || documentTypes
                    ? writeFile(m_root + "/program/Configuration/" + seed.key(), seed.value())
                    : true);
        InstallReport plan, report;
        Installer planner(dreamweaver, nullptr, &plan);
        planner.setDryRun(true);
        QVERIFY(planner.installPackage(package));
        QVERIFY(!QFileInfo::exists(configuration + "Extensions.txt"));
        QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(package));
        const auto changed = [](const InstallReport& done) {
            QStringList lines;
            // In any case: a dry run makes no folder, so it names insertbar.xml in the
            // folder's usual case where the package's files then make "objects".
            for (const InstallReport::XmlResult& file : done.xmlFiles())
                lines << file.path.toLower() + ' ' + InstallReport::describe(file.outcome) + ' ' + file.detail;
            for (const InstallReport::EntryResult& entry : done.entries())
                lines << entry.id + ' ' + InstallReport::describe(entry.outcome);
            return lines;
        };
        QCOMPARE(changed(plan), changed(report));
        QCOMPARE(ReportSummary::installProblems(report), QString());
        QCOMPARE(ReportSummary::missingTargets(report).contains("document type VM"), !documentTypes);
        QCOMPARE(readFile(configuration + "Extensions.txt"), seeds["Extensions.txt"] + "VM:Velocity files\r\n");
        QCOMPARE(readFile(configuration + "TagLibraries/TagLibraries.vtm").count("<tagref "), 96);
        QCOMPARE(readFile(configuration + "DocumentTypes/MMDocumentTypes.xml").contains("<documenttype id=\"VM\""),
            documentTypes);
        // verify agrees: each change is there, or is a warning where no file was; a line taken out is damage.
        const QList<ExtensionCheck::Item> items = ExtensionCheck(dreamweaver).check("VelocitySuite.mxi");
        QVERIFY(ExtensionCheck::isWhole(items));
        QCOMPARE(std::any_of(
                     items.begin(), items.end(), [](const ExtensionCheck::Item& item) { return item.targetMissing; }),
            !documentTypes);
        QVERIFY(writeFile(configuration + "Extensions.txt", seeds["Extensions.txt"]));
        QVERIFY(!ExtensionCheck::isWhole(ExtensionCheck(dreamweaver).check("VelocitySuite.mxi")));
        Remover(dreamweaver, nullptr, nullptr).removeExtension("VelocitySuite.mxi");
        for (auto seed = seeds.begin(); seed != seeds.end(); ++seed)
            QCOMPARE(readFile(configuration + seed.key()),
                !seed.key().startsWith("Doc") || documentTypes ? seed.value() : QByteArray());
    }

    // A removal takes away what the install added, wrote or replaced, as its
    // record says, and nothing else. Steps: T (tools) or W (a twin with the
    // same entry ids and its own tool.js) installed, -T/-W removed, !T its
    // record deleted, ?T its record damaged.
    // A record read back names each entry by its ids, as the removal's
    // report shows it: one id as it is, several joined, empty ones left out.
    void recordNamesEachEntryByItsIds_data()
    {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("id");
        addTestRow("one id", QStringList { "Velkor_Tool" }, QString("Velkor_Tool"));
        addTestRow("a block's ids, outermost first", QStringList { "Velkor_Menu", "Velkor_Tool" },
            QString("Velkor_Menu, Velkor_Tool"));
        addTestRow("an empty id left out", QStringList { "", "Velkor_Tool" }, QString("Velkor_Tool"));
    }

    void recordNamesEachEntryByItsIds()
    {
        QFETCH(QStringList, ids);
        QFETCH(QString, id);
        InstallRecord record;
        record.addEntry({ InstallReport::EntryKind::MenuEntry, QString(), "DWMenu_Commands", false,
            "menu#DWMenu_Commands", "<menuitem/>", ids, {} });
        const QString path = m_dir.path() + "/Velkor.mxi.record";
        QString error;
        QVERIFY2(record.write(path, {}, &error), qPrintable(error));
        QVERIFY2(record.read(path, {}, &error), qPrintable(error));
        QCOMPARE(record.entries.size(), 1);
        QCOMPARE(record.entries.front().id, id);
    }

    // Each field is written as its UTF-8 bytes, the separators (space, line
    // breaks), "%" and control bytes percent-encoded, whatever the characters
    // and wherever they fall among the four read at a time.
    void recordEncodesEachFieldAsUtf8PercentEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QString ascii;
        for (char16_t c = 1; c < 0x80; ++c) {
            ascii += QChar(c);
        }
        addTestRow("every ASCII character", ascii);
        addTestRow("a menu entry's block", QString("\n    <menuitem name=\"Bench 0\" file=\"Commands/B/f.htm\" />"));
        for (int length = 1; length <= 9; ++length) {
            addTestRow(qPrintable(QString("%1 plain characters").arg(length)), QString(length, 'a'));
            addTestRow(
                qPrintable(QString("%1 characters with a last to escape").arg(length)), QString(length - 1, 'a') + ' ');
            addTestRow(qPrintable(QString("non-ASCII after %1 characters").arg(length - 1)),
                QString(length - 1, 'a') + QChar(0xe9) + "bcdefgh");
        }
        addTestRow(
            "Latin-1, BMP and a surrogate pair", QString::fromUtf8("\xc3\x89lan \xe2\x82\xac \xf0\x9f\x98\x80 ok"));
        addTestRow("a lone surrogate", QString("abcd") + QChar(0xd800) + "efgh");
    }

    void recordEncodesEachFieldAsUtf8PercentEncoding()
    {
        QFETCH(QString, text);
        InstallRecord record;
        record.addEntry({ InstallReport::EntryKind::MenuEntry, text, text, false, text, text, { text }, {} });
        const QString path = m_dir.path() + "/Velkor.mxi.record";
        QString error;
        QVERIFY2(record.write(path, {}, &error), qPrintable(error));
        QByteArray field;
        for (const char c : text.toUtf8()) {
            const uchar u = uchar(c);
            field += u <= ' ' || u == '%' || u == 0x7f
                ? '%' + QByteArray::number(u, 16).rightJustified(2, '0').toUpper()
                : QByteArray(1, c);
        }
        QCOMPARE(readFile(path).split('\n').at(2), "entry menu " + field + ' ' + field + ' ' + field + ' ' + field);
    }

    // A record names its kept package relative to the data folder, and only below it; a record without the line
    // (of an earlier version) is read as naming none.
    void recordNamesItsKeptPackage_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("package");
        addTestRow("an earlier version's record names none", QByteArray(), true, QString());
        addTestRow("a package in the data folder", QByteArray("package packages/DW-1/a%20b-1.0.zxp\n"), true,
            QString("packages/DW-1/a b-1.0.zxp"));
        addTestRow(
            "one climbing out of the data folder", QByteArray("package packages/../../x.zxp\n"), false, QString());
        addTestRow("an absolute path", QByteArray("package /etc/x.zxp\n"), false, QString());
    }

    void recordNamesItsKeptPackage()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, readable);
        QFETCH(QString, package);
        const QString path = m_dir.path() + "/Velkor.mxi.record";
        QVERIFY(writeFile(path, "moravel-install-record 2\ninstalled 5\n" + line + "end\n"));
        InstallRecord record;
        QString error;
        QCOMPARE(record.read(path, {}, &error), readable);
        QCOMPARE(record.package, package);
        // Written again, it names the same package.
        InstallRecord again;
        QVERIFY(!readable || (record.write(path, {}, &error) && again.read(path, {}, &error)));
        QCOMPARE(again.package, package);
    }

    void removalUndoesWhatTheInstallDid_data()
    {
        QTest::addColumn<QByteArray>("before"); // tool.js before the first step; null: none
        QTest::addColumn<bool>("packed"); // T's tool.js in its package
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("menus"); // Menus.xml after the steps
        QTest::addColumn<QByteArray>("tool"); // tool.js after the steps; null: none
        QTest::addColumn<QByteArray>("extra"); // more of T's configuration changes
        const QByteArray none, mine = "mine", fresh = menusXml();
        const QByteArray newItem = "\n      <menuitem name=\"_New...\" key=\"Cmd+N\" command=\"dw.createDocument()\" "
                                   "id=\"DWMenu_File_New\" />";
        addTestRow("a Dreamweaver id the extension reuses stays", none, true, "T -T", fresh, none, none);
        addTestRow("an id two share stays with the one that added it", mine, true, "T W -W", installedMenus,
            QByteArray("function runTool() { return 1; }\n"), none);
        addTestRow("a replaced file comes back", mine, true, "T -T", fresh, mine, none);
        addTestRow("a file the install did not write stays", mine, false, "T -T", fresh, mine, none);
        addTestRow("replaced by two, removed in install order", mine, true, "T W -T -W", fresh, mine, none);
        addTestRow("without a record, as the manifest lists", mine, true, "T !T -T",
            QByteArray(fresh).replace(newItem, ""), none, none);
        addTestRow("a damaged record changes nothing", none, true, "T ?T -T", installedMenus,
            QByteArray("function runTool() { return 1; }\n"), none);
        addTestRow("text beyond ASCII goes through the record whole", none, true, "T -T", fresh, none,
            QByteArray("<menu-insert appendTo=\"DWMenu_Commands\"><menuitem name=\"\xc3\x89lan \xe2\x82\xac\" "
                       "id=\"Velkor_\xc3\x89lan\"/></menu-insert>\n"));
    }

    void removalUndoesWhatTheInstallDid()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, packed);
        QFETCH(QString, steps);
        QFETCH(QByteArray, menus);
        QFETCH(QByteArray, tool);
        QFETCH(QByteArray, extra);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder("en_US") + '/';
        const QString store = dreamweaver.extensionStoreFolder("en_US") + '/';
        QVERIFY(before.isNull() || writeFile(configuration + "Commands/Velkor/tool.js", before));
        TestExtension tools = toolsExtension(), twin = toolsExtension();
        tools.files[1].data = packed ? tools.files[1].data : QByteArray();
        tools.configurationChanges += "<menu-insert appendTo=\"DWMenu_File\"><menuitem id=\"DWMenu_File_New\"/>"
                                      "</menu-insert>\n"
            + extra;
        twin.id = "com.velkor.twin";
        twin.manifestName = "Twin.mxi";
        twin.files = { { "tool.js", "twin", "$dreamweaver/Configuration/Commands/Velkor" } };
        QStringList installed;
        for (const QString& step : steps.split(' ')) {
            const TestExtension& extension = step.endsWith('T') ? tools : twin;
            const QString mxi = extension.manifestName;
            if (step.size() == 1)
                QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(extension)));
            if (step.startsWith('!') || step.startsWith('?'))
                QVERIFY(QFile::remove(store + mxi + ".record")
                    && (step.startsWith('!')
                        || writeFile(store + mxi + ".record", "moravel-install-record 1\nfile x")));
            if (step.startsWith('-'))
                Remover(dreamweaver, nullptr, nullptr).removeExtension(mxi);
            installed.removeAll(mxi);
            installed << (QFileInfo::exists(store + mxi) ? QStringList { mxi } : QStringList());
        }
        QCOMPARE(readFile(configuration + "Menus/Menus.xml"), menus);
        QCOMPARE(readFile(configuration + "Commands/Velkor/tool.js"), tool);
        QCOMPARE(QFileInfo::exists(configuration + "Commands/Velkor/Velkor Tool.htm"),
            installed.contains("Velkor Tools.mxi"));
        // Records and backups are never taken for manifests, and go with the last extension.
        dreamweaver.loadInstalledExtensions();
        QCOMPARE(dreamweaver.installedExtensions().size(), installed.size());
        QCOMPARE(QFileInfo::exists(store), !installed.isEmpty());
    }

    // The record is read back only as far as its install could have
    // written: whatever is appended to it or changed in it, files outside
    // the configuration folder and the home folder, managed files and home
    // files its manifest never lists stay as they are, and the removal says
    // so. Steps on the record before the removal: append (an outside file
    // and ~/.bashrc with a planted backup), first (rewritten as the first
    // version wrote records, with absolute paths), outside (first, plus the
    // appended lines), program (first, plus the program folder's
    // Menus.xml), crlf (saved again with CR LF), cut (cut after its first
    // file line).
    void removalObeysOnlyWhatItsInstallCouldWrite_data()
    {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<bool>("removed"); // the extension's own files and entries
        QTest::addColumn<QString>("warning"); // in the removal's report
        addTestRow("appended outside file and ~/.bashrc with a planted backup", QString("append"), false,
            QString("after its end"));
        addTestRow("an earlier version's record within its folders is removed", QString("first"), true, QString());
        addTestRow("an earlier version's record naming an outside file and ~/.bashrc", QString("outside"), false,
            QString("outside/file: named by its install record, but it lies outside"));
        addTestRow("~/.bashrc, which no file of the manifest names", QString("outside"), false,
            QString("home/.bashrc: named by its install record, but no file of its manifest goes there"));
        addTestRow("the program folder's Menus.xml", QString("program"), false,
            QString("Menus.xml: named by its install record, but"));
        addTestRow("saved again with CR LF", QString("crlf"), true, QString());
        addTestRow("cut at a line end", QString("cut"), false, QString("cut short"));
    }

    void removalObeysOnlyWhatItsInstallCouldWrite()
    {
        QFETCH(QString, tamper);
        QFETCH(bool, removed);
        QFETCH(QString, warning);

        const QString home = m_root + "/home", outside = m_root + "/outside/file";
        qputenv("USERPROFILE", home.toUtf8());
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder("en_US");
        const QString store = dreamweaver.extensionStoreFolder("en_US") + '/';
        TestExtension tools = toolsExtension();
        tools.files << PackagedFile { "notes.txt", "notes\n", "$userhomefolder/Velkor" };
        QVERIFY(writeFile(outside, "outside\n") && writeFile(home + "/.bashrc", "bashrc\n"));
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(tools)));
        const Tree installed = snapshot(m_root);

        const QString recordPath = store + "Velkor Tools.mxi.record";
        const auto field = [](const QString& path) { return path.toUtf8().toPercentEncoding("/:"); };
        const QByteArray hostile = "file " + field(outside) + " \nfile " + field(home + "/.bashrc") + " 99\n";
        QByteArray record = readFile(recordPath);
        if (tamper != "append" && tamper != "crlf" && tamper != "cut") {
            // As the first version wrote it: absolute paths, no end line.
            QByteArray first;
            for (const QByteArray& line : record.split('\n')) {
                QList<QByteArray> fields = line.split(' ');
                if (fields.size() == 4 && fields.at(0) == "file") {
                    const QString root = fields.at(1) == "home" ? home : configuration;
                    fields
                        = { "file", field(root + '/' + QByteArray::fromPercentEncoding(fields.at(2))), fields.at(3) };
                }
                if (line != "end")
                    first += fields.join(' ') + '\n';
            }
            record = first.trimmed().replace("moravel-install-record 2", "moravel-install-record 1") + '\n';
        }
        if (tamper == "append" || tamper == "outside")
            record += hostile;
        if (tamper == "program")
            record += "file " + field(m_root + "/program/Configuration/Menus/Menus.xml") + " \n";
        if (tamper == "crlf")
            record.replace("\n", "\r\n");
        if (tamper == "cut")
            record.truncate(record.indexOf('\n', record.indexOf("\nfile ") + 1) + 1);
        QVERIFY(writeFile(recordPath, record) && writeFile(store + "Velkor Tools.mxi.backup/99", "hostile\n"));

        InstallReport report;
        Remover(dreamweaver, nullptr, &report).removeExtension("Velkor Tools.mxi");
        QStringList said;
        for (const InstallReport::FileResult& file : report.files())
            said << file.path + ": " + file.detail;
        QCOMPARE(readFile(outside), QByteArray("outside\n"));
        QCOMPARE(readFile(home + "/.bashrc"), QByteArray("bashrc\n"));
        QCOMPARE(readFile(m_root + "/program/Configuration/Menus/Menus.xml"), menusXml());
        QVERIFY2(warning.isEmpty() || said.join('\n').contains(warning), qPrintable(said.join('\n')));
        QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), removed ? menusXml() : installedMenus);
        QCOMPARE(QFileInfo::exists(home + "/Velkor/notes.txt"), !removed);
        QCOMPARE(QFileInfo::exists(configuration + "/Commands/Velkor/tool.js"), !removed);
        if (!removed) {
            // Nothing else changed than the record and its planted backup.
            Tree after = snapshot(m_root), before = installed;
            for (Tree* tree : { &after, &before }) {
                for (const QString& name : tree->keys()) {
                    if (name.contains(".mxi.record") || name.contains(".mxi.backup"))
                        tree->remove(name);
                }
            }
            QCOMPARE(after, before);
        }
    }

    // A system file stays once installed, as other programs may rely on it;
    // one that replaced the user's own file gives the user's back.
    void systemFileGivesBackTheFileItReplaced_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: none
        QTest::addColumn<QByteArray>("after");
        addTestRow("over the user's own file", QByteArray("mine\n"), QByteArray("mine\n"));
        addTestRow("where there was none", QByteArray(), QByteArray("system\n"));
    }

    void systemFileGivesBackTheFileItReplaced()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString path = dreamweaver.configurationFolder("en_US") + "/Shared/Velkor/shared.js";
        QVERIFY(before.isNull() || writeFile(path, before));
        TestExtension extension = toolsExtension();
        extension.files << PackagedFile { "shared.js", "system\n", "$dreamweaver/Configuration/Shared/Velkor",
            "systemfile=\"true\"" };
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(extension)));
        QCOMPARE(readFile(path), QByteArray("system\n"));
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Velkor Tools.mxi");
        QCOMPARE(readFile(path), after);
    }

    // A link in place of a file is neither written through nor replaced,
    // and a backup that is a link is not brought back as one.
    void linksAreNeitherFollowedNorRestored_data()
    {
        QTest::addColumn<bool>("linkedBackup"); // else tool.js itself is a link
        addTestRow("a destination that is a link stays one", false);
        addTestRow("a backup that is a link is not restored", true);
    }

    void linksAreNeitherFollowedNorRestored()
    {
        QFETCH(bool, linkedBackup);
#ifdef Q_OS_WIN
        if (!linkedBackup)
            QSKIP("Windows makes the test's link a shortcut, an ordinary file to replace");
#endif
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString tool = dreamweaver.configurationFolder("en_US") + "/Commands/Velkor/tool.js";
        const QString outside = m_root + "/outside.js";
        QVERIFY(writeFile(outside, "outside\n") && writeFile(tool, "mine\n"));
        QVERIFY(linkedBackup || (QFile::remove(tool) && QFile::link(outside, tool)));
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(toolsExtension())));
        const QString backup = dreamweaver.extensionStoreFolder("en_US") + "/Velkor Tools.mxi.backup/1";
        QVERIFY(!linkedBackup || (QFile::remove(backup) && QFile::link(outside, backup)));
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Velkor Tools.mxi");
        QCOMPARE(QFileInfo(tool).isSymLink(), !linkedBackup);
        QCOMPARE(readFile(outside), QByteArray("outside\n"));
    }

    // What keeps any process from taking the lock is said at once, rather
    // than after a wait that blames another program.
    void lockSaysAtOnceWhatKeepsItFromBeingTaken_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("problem"); // empty: the lock is taken
        addTestRow("a free lock is taken", QString(), QString());
        addTestRow("a folder where the lock file goes", QString("folder"), QString("is a folder"));
        addTestRow("a dangling link where the lock file goes", QString("link"), QString("symbolic link"));
        addTestRow("a file where the per-user folder goes", QString("file"), QString("cannot be written"));
    }

    void lockSaysAtOnceWhatKeepsItFromBeingTaken()
    {
        QFETCH(QString, damage);
        QFETCH(QString, problem);
#ifdef Q_OS_WIN
        if (damage == "link")
            QSKIP("Windows makes the test's link a shortcut, which never dangles");
#endif
        const DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString path = InstallationLock::path(dreamweaver);
        QVERIFY(damage != "folder" || QDir().mkpath(path));
        QVERIFY(damage != "link" || (QDir().mkpath(dreamweaver.userFolder()) && QFile::link(m_root + "/gone", path)));
        QVERIFY(damage != "file" || writeFile(dreamweaver.userFolder(), "x"));
        InstallationLock lock(dreamweaver);
        QCOMPARE(lock.tryLock(0), problem.isEmpty());
        QVERIFY2(problem.isEmpty() ? lock.problem().isEmpty() : lock.problem().contains(problem),
            qPrintable(lock.problem()));
    }

    // A command that takes the lock over from a holder that died sweeps the
    // temporaries that one left, young as they are; one that takes a free
    // lock leaves a young temporary, which may be a live writer's.
    void lockTakenFromAKilledHolderSweepsItsTemporaries_data()
    {
        QTest::addColumn<bool>("killed");
        addTestRow("taken over from a killed holder", true);
        addTestRow("taken free", false);
    }

    void lockTakenFromAKilledHolderSweepsItsTemporaries()
    {
        QFETCH(bool, killed);
        const DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString temporary = dreamweaver.configurationFolder("en_US") + "/Commands/Velkor/.moravel-0badf00d.part";
        QVERIFY(writeFile(temporary, "part"));
        // QLockFile's own format: the process id (of none alive), the program and the host,
        // which on Windows it names as the computer does.
#ifdef Q_OS_WIN
        const QByteArray host = qgetenv("COMPUTERNAME");
#else
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
#endif
        QVERIFY(!killed || writeFile(InstallationLock::path(dreamweaver), "2147483646\ntst_installer\n" + host + '\n'));
        InstallationLock lock(dreamweaver);
        QVERIFY(lock.tryLock(0));
        QCOMPARE(QFileInfo::exists(temporary), !killed);
    }

    // Whatever an install records, its removal reads: markup of separators
    // and quotes (which a record used to write three bytes to one) makes a
    // record of more than the 16 MiB its removal used to read.
    void largeInstallIsRemovedWhole()
    {
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        TestExtension extension = toolsExtension();
        extension.configurationChanges = "<menu-insert appendTo=\"DWMenu_Commands\">\n";
        for (int item = 0; item < 600; ++item) {
            extension.configurationChanges += "<menuitem name=\"" + QByteArray(10000, ' ') + "\" id=\"Velkor_"
                + QByteArray::number(item) + "\"/>\n";
        }
        extension.configurationChanges += "</menu-insert>\n";
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(extension)));
        const QString menus = dreamweaver.configurationFolder("en_US") + "/Menus/Menus.xml";
        QVERIFY(readFile(menus).size() > 6000000);
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Velkor Tools.mxi");
        QCOMPARE(readFile(menus), menusXml());
    }

    // A reinstall finds the extension's own files from the first install:
    // they are not the user's, so no copy of them is kept, and the removal
    // takes them away or brings back what the first install replaced.
    void reinstallKeepsNoCopyOfItsOwnFiles_data()
    {
        QTest::addColumn<QByteArray>("before"); // the file at the destination before the first install; null: none
        QTest::addColumn<int>("backups");
        addTestRow("a file the install created goes at removal", QByteArray(), 0);
        addTestRow("a file the install replaced comes back at removal", QByteArray("// the user's own\n"), 1);
    }
    void reinstallKeepsNoCopyOfItsOwnFiles()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, backups);
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString tool = dreamweaver.configurationFolder("en_US") + "/Commands/Velkor/tool.js";
        QVERIFY(before.isNull() || writeFile(tool, before));
        const QString path = package(toolsExtension());
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(path));
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(path));
        const QString backupFolder = InstallRecord::backupFolder(dreamweaver.extensionStoreFolder("en_US") + "/Velkor Tools.mxi");
        QCOMPARE(QDir(backupFolder).entryList(QDir::Files).size(), backups);
        Remover(dreamweaver, nullptr, nullptr).removeExtension("Velkor Tools.mxi");
        QCOMPARE(QFileInfo::exists(tool), !before.isNull());
        QCOMPARE(readFile(tool), before.isNull() ? QByteArray() : before);
    }

    // A profile copied whole (as copying a Wine prefix does), or a locale
    // folder copied to another, holds its own extensions: removing one from
    // the copy takes the copy's files (and, for a profile, those in its home
    // folder) and leaves the original's.
    void removalFromACopyTouchesOnlyTheCopy_data()
    {
        QTest::addColumn<QString>("original"); // the folder copied, below the root
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QString>("user"); // the Dreamweaver folder below each
        QTest::addColumn<QString>("locale"); // the original's; the copy's is en_US
        addTestRow("a profile", QString("/original"), QString("/copy"), QString("/Dreamweaver CS6"), QString("en_US"));
        addTestRow("a locale", QString("/user/Dreamweaver CS6/de_DE"), QString("/user/Dreamweaver CS6/en_US"),
            QString(), QString("de_DE"));
    }

    void removalFromACopyTouchesOnlyTheCopy()
    {
        QFETCH(QString, original);
        QFETCH(QString, copy);
        QFETCH(QString, user);
        QFETCH(QString, locale);
        const bool profile = !user.isEmpty();
        const QString from = m_root + original, to = m_root + copy;
        const QString home = profile ? from + "/home" : m_root + "/home";
        qputenv("USERPROFILE", home.toUtf8());
        DreamweaverInfo first = installation({ locale }, profile ? original + user : "/user/Dreamweaver CS6");
        TestExtension tools = toolsExtension();
        tools.files << PackagedFile { "notes.txt", "notes\n", "$userhomefolder/Velkor" };
        QVERIFY(Installer(first, nullptr, nullptr).installPackage(package(tools)));
        const Tree installed = snapshot(from);
        for (auto file = installed.cbegin(); file != installed.cend(); ++file)
            QVERIFY(QFileInfo(from + '/' + file.key()).isDir() || writeFile(to + '/' + file.key(), file.value()));

        qputenv("USERPROFILE", QString(profile ? to + "/home" : home).toUtf8());
        DreamweaverInfo second = installation({ "en_US" }, profile ? copy + user : "/user/Dreamweaver CS6");
        Remover(second, nullptr, nullptr).removeExtension("Velkor Tools.mxi");
        const QString configuration = second.configurationFolder("en_US");
        QVERIFY(!QFileInfo::exists(configuration + "/Commands/Velkor/tool.js"));
        QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), menusXml());
        QVERIFY(!profile || !QFileInfo::exists(to + "/home/Velkor/notes.txt"));
        QCOMPARE(snapshot(from), installed);
    }
    // Windows refuses to delete a file with the read-only attribute (Qt sets
    // it for a file without write permission); a removal still takes it.
    void readOnlyInstalledFileIsRemoved()
    {
        DreamweaverInfo dreamweaver = installation({ "en_US" });
        QVERIFY(Installer(dreamweaver, nullptr, nullptr).installPackage(package(toolsExtension())));
        const QString tool = dreamweaver.configurationFolder("en_US") + "/Commands/Velkor/tool.js";
        QVERIFY(QFile::setPermissions(tool, QFile::ReadOwner | QFile::ReadUser));
        InstallReport report;
        Remover(dreamweaver, nullptr, &report).removeExtension("Velkor Tools.mxi");
        QVERIFY2(!QFileInfo::exists(tool), qPrintable(ReportSummary::removalProblems(report)));
        QVERIFY(ReportSummary::removalProblems(report).isEmpty());
    }

#ifdef Q_OS_WIN
    // Windows will not replace a file that another program holds open without
    // sharing its deletion; Dreamweaver holds Menus.xml so while it runs, a
    // virus scanner for a moment.
    void fileHeldOpenIsReplacedOnceLetGo_data()
    {
        QTest::addColumn<int>("heldMs"); // how long the other program holds it; -1: throughout
        addTestRow("held for a moment: replaced on a later try", 300);
        addTestRow("held throughout: refused, Dreamweaver named", -1);
    }

    void fileHeldOpenIsReplacedOnceLetGo()
    {
        QFETCH(int, heldMs);
        const QString path = m_root + "/Menus.xml";
        QVERIFY(writeFile(path, menusXml()));
        const HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
            GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        std::thread letGo([held, heldMs] {
            if (heldMs >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(heldMs));
                CloseHandle(held);
            }
        });
        ConfigurationFile file(path, m_root + "/Menus.xbk");
        const bool saved = file.load() && file.save(installedMenus);
        letGo.join();
        if (heldMs < 0)
            CloseHandle(held);
        QCOMPARE(saved, heldMs >= 0);
        QCOMPARE(readFile(path), saved ? installedMenus : menusXml());
        QCOMPARE(file.errorString().contains("it may hold the file"), !saved);
    }
#endif

#ifdef Q_OS_LINUX
    // Root ignores permissions but not a file size limit. One just above the
    // old Menus.xml stops the install inside the write of the new one, the
    // only write that large, which must leave the file whole whether the write
    // just fails or the signal the limit raises kills the install there.
    void writeStoppedAtSizeLimitLeavesMenusWhole_data()
    {
        QTest::addColumn<bool>("killed");
        addTestRow("the write fails at the limit", false);
        addTestRow("the install is killed at the limit", true);
    }

    void writeStoppedAtSizeLimitLeavesMenusWhole()
    {
        QFETCH(bool, killed);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString menus = dreamweaver.configurationFolder("en_US") + "/Menus/";
        const QByteArray original = menusXml() + QByteArray(8000, ' ');
        const QString path = package(toolsExtension());
        const pid_t child = writeFile(menus + "Menus.xml", original) ? fork() : -1;
        if (child == 0) {
            const rlimit limited { rlim_t(original.size() + 16), rlim_t(original.size() + 16) }, noCore { 0, 0 };
            std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limited);
            setrlimit(RLIMIT_CORE, &noCore);
            _exit(Installer(dreamweaver, nullptr, nullptr).installPackage(path) ? 0 : 1);
        }
        int status = 0;
        QVERIFY(waitpid(child, &status, 0) == child && WIFSIGNALED(status) == killed);
        QCOMPARE(readFile(menus + "Menus.xml"), original);
        QCOMPARE(readFile(menus + "Menus.xbk"), original);
        QVERIFY(killed || entriesBelow(menus).filter("Menus.xml") == QStringList { "Menus.xml" });
    }
#endif
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
