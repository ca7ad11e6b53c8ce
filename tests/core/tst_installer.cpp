#include "TestData.h"
#include "discovery/DreamweaverInfo.h"
#include "installer/InstallReport.h"
#include "installer/Remover.h"
#include "support/InstallerFixtures.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace InstallerFixtures;
using Outcome = InstallReport::FileOutcome;

Q_DECLARE_METATYPE(InstallReport::FileOutcome)

namespace {

// Menus.xml and insertbar.xml of a fresh installation once the tools extension is in.
QByteArray installedMenus()
{
    QByteArray text = menusXml();
    const QByteArray anchor = "id=\"DWMenu_Commands_Sort\" />\n";
    text.insert(text.indexOf(anchor) + anchor.size(),
        "        <menuitem name=\"Velkor _Tool\" file=\"Commands/Velkor/Velkor Tool.htm\" id=\"Velkor_Tool\" />\n");
    return text;
}

QByteArray installedInsertbar()
{
    QByteArray text = insertbarXml();
    text.insert(text.indexOf("</insertbar>"),
        "\t<category folder=\"Velkor\" id=\"Velkor_Category\">\n"
        "\t\t<button id=\"Velkor_Button\" image=\"Objects/Velkor/Images/tool.png\""
        " file=\"Commands/Velkor/Velkor Tool.htm\" />\n"
        "\t</category>\n");
    return text;
}

QByteArray withCrLf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

// The bytes a file written by the program holds for text with "\n" line ends.
QByteArray onDisk(const QByteArray& text)
{
#ifdef Q_OS_WIN
    return withCrLf(text);
#else
    return text;
#endif
}

} // namespace

class TestInstaller : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root;

    DreamweaverInfo installation(const QStringList& locales)
    {
        DreamweaverInfo dreamweaver(QStringLiteral("Dreamweaver CS6"), QStringLiteral("Adobe"),
            m_root + QStringLiteral("/user/Dreamweaver CS6"), locales);
        dreamweaver.setInstallFolder(m_root + QStringLiteral("/program"));
        writeFile(m_root + QStringLiteral("/program/Configuration/Menus/Menus.xml"), menusXml());
        writeFile(m_root + QStringLiteral("/program/Configuration/Objects/insertbar.xml"), insertbarXml());
        return dreamweaver;
    }

    QString package(const TestExtension& extension, const QString& suffix)
    {
        const QString path = m_root + QStringLiteral("/") + QString::fromUtf8(extension.id) + suffix;
        extension.writePackage(path);
        return path;
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_root = m_dir.path() + QStringLiteral("/") + QString::fromLatin1(QTest::currentTestFunction())
            + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        QVERIFY(QDir().mkpath(m_root));
    }

    void installsAndRemovesInEveryLocale_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<bool>("perUserFiles");
        QTest::addColumn<bool>("crlf");

        QTest::newRow("zxp into two locales") << ".zxp" << QStringList { "en_US", "de_DE" } << true << false;
        QTest::newRow("mxp into the unnamed locale") << ".mxp" << QStringList {} << true << false;
        QTest::newRow("missing per-user files seeded from the program folder")
            << ".zxp" << QStringList { "en_US" } << false << false;
        QTest::newRow("CR LF files come back with the platform's line ends")
            << ".ZXP" << QStringList { "en_US" } << true << true;
    }

    void installsAndRemovesInEveryLocale()
    {
        QFETCH(QString, suffix);
        QFETCH(QStringList, locales);
        QFETCH(bool, perUserFiles);
        QFETCH(bool, crlf);

        DreamweaverInfo dreamweaver = installation(locales);
        const QByteArray originalMenus = crlf ? withCrLf(menusXml()) : menusXml();
        const QByteArray originalInsertbar = crlf ? withCrLf(insertbarXml()) : insertbarXml();
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QVERIFY(QDir().mkpath(configuration));
            if (perUserFiles) {
                writeFile(configuration + QStringLiteral("/Menus/Menus.xml"), originalMenus);
                writeFile(configuration + QStringLiteral("/Objects/insertbar.xml"), originalInsertbar);
            }
        }
        const TestExtension extension = toolsExtension();
        const QString path = package(extension, suffix);

        // The second install finds everything in place and must change nothing.
        for (int round = 0; round < 2; ++round) {
            InstallReport report;
            QVERIFY(dreamweaver.installPackage(path, nullptr, &report));
            QCOMPARE(report.fileCount(Outcome::Written), 4 * dreamweaver.locales().size());
        }
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + QStringLiteral("/Commands/Velkor/tool.js")), extension.files[1].data);
            QCOMPARE(
                readFile(configuration + QStringLiteral("/Objects/Velkor/Images/tool.png")), extension.files[2].data);
            QCOMPARE(readFile(dreamweaver.extensionStoreFolder(locale) + QStringLiteral("/Velkor Tools.mxi")),
                extension.manifest());
            QCOMPARE(readFile(configuration + QStringLiteral("/Menus/Menus.xml")), onDisk(installedMenus()));
            QCOMPARE(readFile(configuration + QStringLiteral("/Objects/insertbar.xml")), onDisk(installedInsertbar()));
            QCOMPARE(QFileInfo::exists(configuration + QStringLiteral("/Menus/Menus.xbk")), perUserFiles);
            if (perUserFiles) {
                QCOMPARE(readFile(configuration + QStringLiteral("/Menus/Menus.xbk")), originalMenus);
            }
        }

        dreamweaver.loadInstalledExtensions();
        const ExtensionInfo* found = dreamweaver.findExtension(QStringLiteral("com.velkor.tools"));
        QVERIFY(found);
        QVERIFY(!dreamweaver.findExtension(QStringLiteral("com.velkor.Tools")));

        dreamweaver.removeExtension(found->fileName(), nullptr);
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + QStringLiteral("/Menus/Menus.xml")), onDisk(menusXml()));
            QCOMPARE(readFile(configuration + QStringLiteral("/Objects/insertbar.xml")), onDisk(insertbarXml()));
            QCOMPARE(readFile(configuration + QStringLiteral("/Menus/Menus.xbk")), onDisk(installedMenus()));
            const QStringList left { "Commands/", "Menus/", "Menus/Menus.xbk", "Menus/Menus.xml", "Objects/",
                "Objects/insertbar.xbk", "Objects/insertbar.xml", "Shared/" };
            QCOMPARE(entriesBelow(configuration), left);
        }
        dreamweaver.loadInstalledExtensions();
        QVERIFY(dreamweaver.installedExtensions().isEmpty());
    }

    void skipsAndReportsFilesItCannotPlace_data()
    {
        QTest::addColumn<QByteArray>("destination");
        QTest::addColumn<bool>("packed");
        QTest::addColumn<Outcome>("installed");
        QTest::addColumn<Outcome>("removed");

        const QByteArray good = "$dreamweaver/Configuration/Commands/Velkor";
        QTest::newRow("empty destination")
            << QByteArray() << true << Outcome::RefusedDestination << Outcome::RefusedDestination;
        QTest::newRow("relative destination")
            << QByteArray("Commands/Velkor") << true << Outcome::RefusedDestination << Outcome::RefusedDestination;
        QTest::newRow("destination climbing out of the configuration folder")
            << QByteArray("$dreamweaver/Configuration/../../escaped") << true << Outcome::RefusedDestination
            << Outcome::RefusedDestination;
        QTest::newRow("entry missing from the package")
            << good << false << Outcome::MissingFromPackage << Outcome::NotPresent;
        QTest::newRow("a file stands where its folder must go")
            << QByteArray("$dreamweaver/Configuration/Commands/Blocked/Deeper") << true << Outcome::WriteFailed
            << Outcome::NotPresent;
    }

    void skipsAndReportsFilesItCannotPlace()
    {
        QFETCH(QByteArray, destination);
        QFETCH(bool, packed);
        QFETCH(Outcome, installed);
        QFETCH(Outcome, removed);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder(QStringLiteral("en_US"));
        writeFile(configuration + QStringLiteral("/Commands/Blocked"), "a file, not a folder");
        TestExtension extension = toolsExtension();
        extension.files = { { "odd.js", packed ? QByteArray("odd") : QByteArray(), destination },
            { "fine.js", "fine", "$dreamweaver/Configuration/Commands/Velkor" } };
        const QString path = package(extension, ".zxp");

        const QString workingFolder = m_root + QStringLiteral("/cwd");
        QVERIFY(QDir().mkpath(workingFolder));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(workingFolder);
        InstallReport report;
        const bool result = dreamweaver.installPackage(path, nullptr, &report);
        QDir::setCurrent(previous);

        QVERIFY(result);
        QCOMPARE(entriesBelow(workingFolder), QStringList());
        QVERIFY(!QFileInfo::exists(m_root + QStringLiteral("/user/escaped")));
        QCOMPARE(report.files().size(), 3);
        QCOMPARE(report.files().at(1).outcome, installed);
        QCOMPARE(report.files().at(2).outcome, Outcome::Written);
        QCOMPARE(readFile(configuration + QStringLiteral("/Commands/Velkor/fine.js")), QByteArray("fine"));

        InstallReport removal;
        dreamweaver.removeExtension(QString::fromUtf8(extension.manifestName), nullptr, &removal);
        QCOMPARE(removal.files().size(), 3);
        QCOMPARE(removal.files().at(0).outcome, removed);
        QCOMPARE(removal.files().at(1).outcome, Outcome::Removed);
        QCOMPARE(readFile(configuration + QStringLiteral("/Commands/Blocked")), QByteArray("a file, not a folder"));
    }

    void failedEditLeavesTheFileAndItsBackupWhole_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<bool>("backupBlocked");
        QTest::addColumn<bool>("sizeLimited");

        // Larger than everything else the install writes, so that a size
        // limit just above it stops only the edited Menus.xml.
        const QByteArray padded
            = QByteArray(menusXml())
                  .replace("</menubar>\n</menubar>", "</menubar>\n<!--" + QByteArray(6000, '-') + "-->\n</menubar>");
        QTest::newRow("a folder stands where the backup must go") << menusXml() << true << false;
        QTest::newRow("the new text is cut off by a file size limit") << padded << false << true;
        QTest::newRow("a file that is not UTF-8 is not rewritten")
            << QByteArray(menusXml()).replace("_File", "_Fich\xe9") << false << false;
    }

    void failedEditLeavesTheFileAndItsBackupWhole()
    {
        QFETCH(QByteArray, original);
        QFETCH(bool, backupBlocked);
        QFETCH(bool, sizeLimited);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString menus = dreamweaver.configurationFolder(QStringLiteral("en_US")) + QStringLiteral("/Menus");
        writeFile(menus + QStringLiteral("/Menus.xml"), original);
        if (backupBlocked) {
            QVERIFY(QDir().mkpath(menus + QStringLiteral("/Menus.xbk/inside")));
        }
        const QString path = package(toolsExtension(), ".zxp");

        InstallReport report;
        bool result = false;
        if (sizeLimited) {
            // Root ignores permissions but not a file size limit.
            rlimit previous {};
            getrlimit(RLIMIT_FSIZE, &previous);
            rlimit limited = previous;
            limited.rlim_cur = rlim_t(original.size() + 16);
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
            result = dreamweaver.installPackage(path, nullptr, &report);
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, previousHandler);
        } else {
            result = dreamweaver.installPackage(path, nullptr, &report);
        }

        QVERIFY(result);
        QCOMPARE(readFile(menus + QStringLiteral("/Menus.xml")), original);
        if (!backupBlocked) {
            QCOMPARE(readFile(menus + QStringLiteral("/Menus.xbk")), sizeLimited ? original : QByteArray());
        }
        QCOMPARE(entriesBelow(menus).filter(QStringLiteral("Menus.xml")), QStringList { "Menus.xml" });
        QCOMPARE(report.xmlFiles().size(), 2);
        QCOMPARE(report.xmlFiles().at(0).outcome, InstallReport::XmlOutcome::Failed);
        QCOMPARE(report.xmlFiles().at(1).outcome, InstallReport::XmlOutcome::Edited);
    }

    void sharedFileStaysUntilItsLastExtensionGoes_data()
    {
        QTest::addColumn<bool>("firstInstalledGoesFirst");
        QTest::newRow("first installed removed first") << true;
        QTest::newRow("last installed removed first") << false;
    }

    void sharedFileStaysUntilItsLastExtensionGoes()
    {
        QFETCH(bool, firstInstalledGoesFirst);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString folder = dreamweaver.configurationFolder(QStringLiteral("en_US")) + QStringLiteral("/Commands");
        TestExtension first = toolsExtension();
        TestExtension second = toolsExtension();
        second.id = "com.velkor.other";
        second.name = "Velkor Other";
        second.manifestName = "Velkor Other.mxi";
        second.files
            = { { "lib/tool.js", "function runTool() { return 2; }\n", "$dreamweaver/Configuration/Commands/Velkor/" },
                  { "other.htm", "<html/>", "$dreamweaver/Configuration/Commands/Velkor" } };
        second.configurationChanges.clear();
        QVERIFY(dreamweaver.installPackage(package(first, ".zxp"), nullptr));
        QVERIFY(dreamweaver.installPackage(package(second, ".mxp"), nullptr));

        const TestExtension& goesFirst = firstInstalledGoesFirst ? first : second;
        const TestExtension& goesLast = firstInstalledGoesFirst ? second : first;
        InstallReport report;
        dreamweaver.removeExtension(QString::fromUtf8(goesFirst.manifestName), nullptr, &report);
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/Velkor/tool.js")));
        QCOMPARE(report.fileCount(Outcome::KeptShared), 1);
        QVERIFY(report.toText().contains(QString::fromUtf8(goesLast.name)));

        dreamweaver.removeExtension(QString::fromUtf8(goesLast.manifestName), nullptr);
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/Velkor")));
        QVERIFY(QFileInfo::exists(folder));
    }

    void removesFileAndTheFoldersItEmptied_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QStringList>("left");

        QTest::newRow("subfolder goes, top-level folder of the configuration stays")
            << QStringList { "C/Configuration/Commands/Sub/Deep/f.js" } << "C/Configuration/Commands/Sub/Deep/f.js"
            << QStringList { "C/", "C/Configuration/", "C/Configuration/Commands/" };
        QTest::newRow("a folder that still holds a file stays")
            << QStringList { "C/Configuration/Commands/Sub/f.js", "C/Configuration/Commands/Sub/g.js" }
            << "C/Configuration/Commands/Sub/f.js"
            << QStringList { "C/", "C/Configuration/", "C/Configuration/Commands/", "C/Configuration/Commands/Sub/",
                   "C/Configuration/Commands/Sub/g.js" };
        QTest::newRow("file directly in a configuration folder that holds more")
            << QStringList { "C/Configuration/f.js", "C/Configuration/Menus/Menus.xml" } << "C/Configuration/f.js"
            << QStringList { "C/", "C/Configuration/", "C/Configuration/Menus/", "C/Configuration/Menus/Menus.xml" };
        QTest::newRow("a folder named in lower case does not stop the walk")
            << QStringList { "C/Configuration/Top/configuration/Sub/f.js" }
            << "C/Configuration/Top/configuration/Sub/f.js"
            << QStringList { "C/", "C/Configuration/", "C/Configuration/Top/" };
        QTest::newRow("outside a configuration folder, emptied folders stay")
            << QStringList { "Elsewhere/Sub/f.js" } << "Elsewhere/Sub/f.js"
            << QStringList { "Elsewhere/", "Elsewhere/Sub/" };
        QTest::newRow("missing file: the empty folder on its path still goes")
            << QStringList { "C/Configuration/Commands/Empty/" } << "C/Configuration/Commands/Empty/never.js"
            << QStringList { "C/", "C/Configuration/", "C/Configuration/Commands/" };
    }

    void removesFileAndTheFoldersItEmptied()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, removed);
        QFETCH(QStringList, left);

        for (const QString& file : files) {
            if (file.endsWith(QLatin1Char('/'))) {
                QVERIFY(QDir().mkpath(m_root + QLatin1Char('/') + file));
            } else {
                QVERIFY(writeFile(m_root + QLatin1Char('/') + file, "x"));
            }
        }
        Remover::removeFileAndEmptyFolders(m_root + QLatin1Char('/') + removed);
        QCOMPARE(entriesBelow(m_root), left);
    }

    // The demo generator's two samples, installed side by side into the demo
    // profile as discovery finds it, then removed: Dreamweaver's files come back.
    void installsAndRemovesTheDemoProfileSamples()
    {
        const QString script = QStringLiteral(MORAVEL_TEST_DATA_DIR "/../../scripts/make-demo-profile.sh");
        QCOMPARE(QProcess::execute(QStringLiteral("bash"), { script, m_root }), 0);
        qputenv("APPDATA", (m_root + QStringLiteral("/AppData/Roaming")).toUtf8());
        qputenv("ProgramW6432", (m_root + QStringLiteral("/Program Files")).toUtf8());
        DreamweaverInfo::buildDreamweaverList(m_root + QStringLiteral("/none.db"));
        const auto& installations = DreamweaverInfo::installations();
        const auto found = std::find_if(installations.cbegin(), installations.cend(),
            [](const DreamweaverInfo& info) { return info.name() == QLatin1String("Dreamweaver CS6"); });
        QVERIFY(found != installations.cend());
        DreamweaverInfo dreamweaver = *found;
        QCOMPARE(dreamweaver.locales().size(), 2);
        dreamweaver.loadInstalledExtensions();
        const int before = dreamweaver.installedExtensions().size();

        const QStringList ids { "com.velkor.tidy", "com.velkor.snippets" };
        QVERIFY(dreamweaver.installPackage(m_root + QStringLiteral("/Packages/Velkor Tidy.zxp"), nullptr));
        QVERIFY(dreamweaver.installPackage(m_root + QStringLiteral("/Packages/Velkor Snippets.mxp"), nullptr));
        dreamweaver.loadInstalledExtensions();
        QCOMPARE(dreamweaver.installedExtensions().size(), before + 2);
        for (const QString& locale : dreamweaver.locales()) {
            const QByteArray menus = readFile(dreamweaver.configurationFolder(locale) + "/Menus/Menus.xml");
            QVERIFY(menus.contains("id=\"Velkor_Tidy_Menu\"") && menus.contains("id=\"Velkor_Snippets_Form\""));
        }

        for (const QString& id : ids) {
            dreamweaver.removeExtension(dreamweaver.findExtension(id)->fileName(), nullptr);
        }
        const QString program = dreamweaver.installFolder() + QStringLiteral("/Configuration");
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            for (const char* file : { "/Menus/Menus.xml", "/Objects/insertbar.xml" }) {
                QCOMPARE(readFile(configuration + file), onDisk(readFile(program + file)));
            }
            QCOMPARE(entriesBelow(configuration).filter(QStringLiteral("Velkor ")), QStringList());
        }
        dreamweaver.loadInstalledExtensions();
        QCOMPARE(dreamweaver.installedExtensions().size(), before);
    }

    void refusesPackagesItCannotInstall_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("withManifest");
        QTest::addColumn<bool>("secondStoreBlocked");
        QTest::addColumn<QStringList>("storedIn");

        QTest::newRow("neither zxp nor mxp") << ".zip" << true << false << QStringList {};
        QTest::newRow("no manifest in the package") << ".zxp" << false << false << QStringList {};
        QTest::newRow("store of the second locale blocked: the first stays installed")
            << ".mxp" << true << true << QStringList { "en_US" };
    }

    void refusesPackagesItCannotInstall()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, withManifest);
        QFETCH(bool, secondStoreBlocked);
        QFETCH(QStringList, storedIn);

        DreamweaverInfo dreamweaver = installation({ "en_US", "de_DE" });
        TestExtension extension = toolsExtension();
        if (!withManifest) {
            extension.manifestName = "manifest.txt";
        }
        if (secondStoreBlocked) {
            writeFile(dreamweaver.extensionStoreFolder(QStringLiteral("de_DE")), "a file, not a folder");
        }
        QVERIFY(!dreamweaver.installPackage(package(extension, suffix), nullptr));
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            const bool stored = storedIn.contains(locale);
            QCOMPARE(QFileInfo::exists(configuration + QStringLiteral("/Commands/Velkor/tool.js")), stored);
            QCOMPARE(readFile(configuration + QStringLiteral("/Menus/Menus.xml")),
                stored ? onDisk(installedMenus()) : QByteArray());
        }
    }
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
