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
    const QByteArray anchor = "id=\"DWMenu_Commands_Sort\" />\n";
    return menusXml().insert(menusXml().indexOf(anchor) + anchor.size(),
        "        <menuitem name=\"Velkor _Tool\" file=\"Commands/Velkor/Velkor Tool.htm\" id=\"Velkor_Tool\" />\n");
}

QByteArray installedInsertbar()
{
    return insertbarXml().insert(insertbarXml().indexOf("</insertbar>"),
        "\t<category folder=\"Velkor\" id=\"Velkor_Category\">\n\t\t<button id=\"Velkor_Button\""
        " image=\"Objects/Velkor/Images/tool.png\" file=\"Commands/Velkor/Velkor Tool.htm\" />\n\t</category>\n");
}

// The bytes a file written by the program holds for text with "\n" line ends.
QByteArray onDisk(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace("\n", "\r\n");
#endif
    return text;
}

} // namespace

class TestInstaller : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root;

    DreamweaverInfo installation(const QStringList& locales)
    {
        DreamweaverInfo dreamweaver("Dreamweaver CS6", "Adobe", m_root + "/user/Dreamweaver CS6", locales);
        dreamweaver.setInstallFolder(m_root + "/program");
        writeFile(m_root + "/program/Configuration/Menus/Menus.xml", menusXml());
        writeFile(m_root + "/program/Configuration/Objects/insertbar.xml", insertbarXml());
        return dreamweaver;
    }

    QString package(const TestExtension& extension, const QString& suffix)
    {
        const QString path = m_root + '/' + QString::fromUtf8(extension.id) + suffix;
        extension.writePackage(path);
        return path;
    }

private slots:
    void init()
    {
        m_root = m_dir.path() + '/' + QLatin1String(QTest::currentTestFunction())
            + QString::number(qHash(QLatin1String(QTest::currentDataTag())));
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
        const QByteArray original = crlf ? menusXml().replace("\n", "\r\n") : menusXml();
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QVERIFY(QDir().mkpath(configuration));
            if (perUserFiles) {
                writeFile(configuration + "/Menus/Menus.xml", original);
                writeFile(configuration + "/Objects/insertbar.xml",
                    crlf ? insertbarXml().replace("\n", "\r\n") : insertbarXml());
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
            QCOMPARE(readFile(configuration + "/Objects/Velkor/Images/tool.png"), extension.files[2].data);
            QCOMPARE(readFile(dreamweaver.extensionStoreFolder(locale) + "/Velkor Tools.mxi"), extension.manifest());
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), onDisk(installedMenus()));
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xml"), onDisk(installedInsertbar()));
            QCOMPARE(readFile(configuration + "/Menus/Menus.xbk"), perUserFiles ? original : "");
        }

        dreamweaver.loadInstalledExtensions();
        QVERIFY(!dreamweaver.findExtension("com.velkor.Tools"));
        dreamweaver.removeExtension(dreamweaver.findExtension("com.velkor.tools")->fileName(), nullptr);
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), onDisk(menusXml()));
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xml"), onDisk(insertbarXml()));
            QCOMPARE(readFile(configuration + "/Menus/Menus.xbk"), onDisk(installedMenus()));
            QCOMPARE(entriesBelow(configuration),
                QStringList({ "Commands/", "Menus/", "Menus/Menus.xbk", "Menus/Menus.xml", "Objects/",
                    "Objects/insertbar.xbk", "Objects/insertbar.xml", "Shared/" }));
        }
        dreamweaver.loadInstalledExtensions();
        QVERIFY(dreamweaver.installedExtensions().isEmpty());
    }

    void skipsAndReportsFilesItCannotPlace_data()
    {
        QTest::addColumn<QByteArray>("destination");
        QTest::addColumn<bool>("packed");
        QTest::addColumn<Outcome>("installed");
        QTest::newRow("empty destination") << QByteArray() << true << Outcome::RefusedDestination;
        QTest::newRow("relative destination") << QByteArray("Commands/V") << true << Outcome::RefusedDestination;
        QTest::newRow("destination climbing out of the configuration folder")
            << QByteArray("$dreamweaver/Configuration/../../escaped") << true << Outcome::RefusedDestination;
        QTest::newRow("entry missing from the package")
            << QByteArray("$dreamweaver/Configuration/Commands/V") << false << Outcome::MissingFromPackage;
        QTest::newRow("a file stands where its folder must go")
            << QByteArray("$dreamweaver/Configuration/Commands/Blocked/Deeper") << true << Outcome::WriteFailed;
    }

    void skipsAndReportsFilesItCannotPlace()
    {
        QFETCH(QByteArray, destination);
        QFETCH(bool, packed);
        QFETCH(Outcome, installed);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString configuration = dreamweaver.configurationFolder("en_US");
        writeFile(configuration + "/Commands/Blocked", "a file");
        TestExtension extension = toolsExtension();
        extension.files = { { "odd.js", packed ? QByteArray("odd") : QByteArray(), destination },
            { "fine.js", "fine", "$dreamweaver/Configuration/Commands/Velkor" } };
        const QString path = package(extension, ".zxp");

        // A relative path would land below the working folder.
        const QString workingFolder = m_root + "/cwd";
        QVERIFY(QDir().mkpath(workingFolder));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(workingFolder);
        InstallReport report;
        const bool result = dreamweaver.installPackage(path, nullptr, &report);
        QDir::setCurrent(previous);
        QVERIFY(result);
        QCOMPARE(entriesBelow(workingFolder), QStringList());
        QVERIFY(!QFileInfo::exists(m_root + "/user/escaped"));
        QCOMPARE(report.files().size(), 3);
        QCOMPARE(report.files().at(1).outcome, installed);
        QCOMPARE(readFile(configuration + "/Commands/Velkor/fine.js"), QByteArray("fine"));

        InstallReport removal;
        dreamweaver.removeExtension(QString::fromUtf8(extension.manifestName), nullptr, &removal);
        QCOMPARE(removal.files().size(), 3);
        QCOMPARE(
            removal.files().at(0).outcome, installed == Outcome::RefusedDestination ? installed : Outcome::NotPresent);
        QCOMPARE(removal.files().at(1).outcome, Outcome::Removed);
        QCOMPARE(readFile(configuration + "/Commands/Blocked"), QByteArray("a file"));
    }

    void failedEditLeavesTheFileAndItsBackupWhole_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<bool>("backupBlocked");
        QTest::addColumn<bool>("sizeLimited");
        QTest::newRow("a folder stands where the backup must go") << menusXml() << true << false;
        // Larger than everything else the install writes, so that a size limit
        // just above it stops only the edited Menus.xml.
        QTest::newRow("the new text is cut off by a file size limit") << largeMenusXml(8000) << false << true;
        QTest::newRow("a file over 64 MiB is not read")
            << menusXml().append(QByteArray((64 << 20) + 1 - menusXml().size(), ' ')) << false << false;
        QTest::newRow("a file that is not UTF-8 is not rewritten")
            << menusXml().replace("_File", "_Fich\xe9") << false << false;
    }

    void failedEditLeavesTheFileAndItsBackupWhole()
    {
        QFETCH(QByteArray, original);
        QFETCH(bool, backupBlocked);
        QFETCH(bool, sizeLimited);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString menus = dreamweaver.configurationFolder("en_US") + "/Menus";
        writeFile(menus + "/Menus.xml", original);
        if (backupBlocked) {
            QVERIFY(QDir().mkpath(menus + "/Menus.xbk/inside"));
        }
        const QString path = package(toolsExtension(), ".zxp");
        // Root ignores permissions but not a file size limit.
        rlimit previous {};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        if (sizeLimited) {
            limited.rlim_cur = rlim_t(original.size() + 16);
        }
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        InstallReport report;
        const bool result = dreamweaver.installPackage(path, nullptr, &report);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(result);
        QCOMPARE(readFile(menus + "/Menus.xml"), original);
        if (!backupBlocked) {
            QCOMPARE(readFile(menus + "/Menus.xbk"), sizeLimited ? original : QByteArray());
        }
        QCOMPARE(entriesBelow(menus).filter("Menus.xml"), QStringList { "Menus.xml" });
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
        const QString folder = dreamweaver.configurationFolder("en_US") + "/Commands";
        TestExtension first = toolsExtension();
        TestExtension second { "com.velkor.other", "Velkor Other",
            { { "lib/tool.js", "2", "$dreamweaver/Configuration/Commands/Velkor/" },
                { "other.htm", "<html/>", "$dreamweaver/Configuration/Commands/Velkor" } },
            QByteArray(), "Velkor Other.mxi" };
        QVERIFY(dreamweaver.installPackage(package(first, ".zxp"), nullptr));
        QVERIFY(dreamweaver.installPackage(package(second, ".mxp"), nullptr));

        const TestExtension& goesFirst = firstInstalledGoesFirst ? first : second;
        const TestExtension& goesLast = firstInstalledGoesFirst ? second : first;
        InstallReport report;
        dreamweaver.removeExtension(QString::fromUtf8(goesFirst.manifestName), nullptr, &report);
        QVERIFY(QFileInfo::exists(folder + "/Velkor/tool.js"));
        QCOMPARE(report.fileCount(Outcome::KeptShared), 1);
        QVERIFY(report.toText().contains(QString::fromUtf8(goesLast.name)));
        dreamweaver.removeExtension(QString::fromUtf8(goesLast.manifestName), nullptr);
        QVERIFY(!QFileInfo::exists(folder + "/Velkor"));
        QVERIFY(QFileInfo::exists(folder));
    }

    void removesFileAndTheFoldersItEmptied_data()
    {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QStringList>("left");
        const QStringList configuration { "C/", "C/Configuration/" };
        QTest::newRow("a folder named in lower case does not stop the walk")
            << "C/Configuration/Top/configuration/Sub/f.js"
            << "C/Configuration/Top/configuration/Sub/f.js" << configuration + QStringList { "C/Configuration/Top/" };
        QTest::newRow("outside a configuration folder, emptied folders stay")
            << "Elsewhere/Sub/f.js"
            << "Elsewhere/Sub/f.js" << QStringList { "Elsewhere/", "Elsewhere/Sub/" };
        QTest::newRow("missing file: the empty folder on its path still goes")
            << "C/Configuration/Commands/Empty/"
            << "C/Configuration/Commands/Empty/never.js" << configuration + QStringList { "C/Configuration/Commands/" };
    }

    void removesFileAndTheFoldersItEmptied()
    {
        QFETCH(QString, made);
        QFETCH(QString, removed);
        QFETCH(QStringList, left);

        QVERIFY(made.endsWith('/') ? QDir().mkpath(m_root + '/' + made) : writeFile(m_root + '/' + made, "x"));
        Remover::removeFileAndEmptyFolders(m_root + '/' + removed);
        QCOMPARE(entriesBelow(m_root), left);
    }

    void failureInOneLocaleKeepsTheOthersInstalled()
    {
        DreamweaverInfo dreamweaver = installation({ "en_US", "de_DE" });
        writeFile(dreamweaver.extensionStoreFolder("de_DE"), "a file, not a folder");
        QVERIFY(!dreamweaver.installPackage(package(toolsExtension(), ".mxp"), nullptr));
        for (const QString& locale : dreamweaver.locales()) {
            const bool stored = locale == QLatin1String("en_US");
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(QFileInfo::exists(configuration + "/Commands/Velkor/tool.js"), stored);
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), stored ? onDisk(installedMenus()) : QByteArray());
        }
    }
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
