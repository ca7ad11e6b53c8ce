#include "discovery/DreamweaverInfo.h"
#include "installer/ExtensionCheck.h"
#include "installer/IProgress.h"
#include "installer/InstallReport.h"
#include "installer/Installer.h"
#include "installer/Remover.h"
#include "support/InstallerFixtures.h"
#include "support/TestRows.h"

#include <QtTest>

// These tests stop writes and processes the Linux way.
#ifdef Q_OS_LINUX
#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace InstallerFixtures;
using Outcome = InstallReport::FileOutcome;
using Tree = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(InstallReport::FileOutcome)

namespace {

// text with added put right after the first occurrence of anchor.
QByteArray inserted(const QByteArray& text, const QByteArray& anchor, const QByteArray& added)
{
    return QByteArray(text).insert(text.indexOf(anchor) + anchor.size(), added);
}

// Menus.xml and insertbar.xml of a fresh installation once the tools extension is in.
const QByteArray installedMenus = inserted(menusXml(), "id=\"DWMenu_Commands_Sort\" />\n",
    "        <menuitem name=\"Velkor _Tool\" file=\"Commands/Velkor/Velkor Tool.htm\" id=\"Velkor_Tool\" />\n");
const QByteArray installedInsertbar = inserted(insertbarXml(), "\t</category>\n",
    "\t<category folder=\"Velkor\" id=\"Velkor_Category\">\n\t\t<button id=\"Velkor_Button\""
    " image=\"Objects/Velkor/Images/tool.png\" file=\"Commands/Velkor/Velkor Tool.htm\" />\n\t</category>\n");

// Every file and folder below folder, with the bytes of each file.
Tree snapshot(const QString& folder)
{
    Tree tree;
    for (const QString& entry : entriesBelow(folder)) {
        tree.insert(entry, readFile(folder + '/' + entry));
    }
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

    void installsAndRemovesInEveryLocale_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QByteArray>("lineEnd"); // of the per-user files; null: there are none
        addTestRow("zxp into two locales", QString(".zxp"), QStringList { "en_US", "de_DE" }, QByteArray("\n"));
        addTestRow("mxp into the unnamed locale", QString(".mxp"), QStringList {}, QByteArray("\n"));
        addTestRow("files seeded from the program folder", QString(".zxp"), QStringList { "en_US" }, QByteArray());
        addTestRow("files with CR LF line ends", QString(".ZXP"), QStringList { "en_US" }, QByteArray("\r\n"));
    }

    void installsAndRemovesInEveryLocale()
    {
        QFETCH(QString, suffix);
        QFETCH(QStringList, locales);
        QFETCH(QByteArray, lineEnd);

        DreamweaverInfo dreamweaver = installation(locales);
        const QByteArray original = QByteArray(menusXml()).replace("\n", lineEnd);
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QVERIFY(QDir().mkpath(configuration));
            QVERIFY(lineEnd.isNull()
                || (writeFile(configuration + "/Menus/Menus.xml", original)
                    && writeFile(configuration + "/Objects/insertbar.xml", insertbarXml().replace("\n", lineEnd))));
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
            QVERIFY(dreamweaver.installPackage(path, &probe, &report));
            QCOMPARE(report.fileCount(Outcome::Written), 4 * dreamweaver.locales().size());
        }
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + "/Objects/Velkor/Images/tool.png"), extension.files[2].data);
            QCOMPARE(readFile(dreamweaver.extensionStoreFolder(locale) + '/' + mxi), extension.manifest());
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), installedMenus);
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xml"), installedInsertbar);
            QCOMPARE(readFile(configuration + "/Menus/Menus.xbk"), lineEnd.isNull() ? "" : original);
        }
        QVERIFY(ExtensionCheck::isWhole(ExtensionCheck(dreamweaver).check(mxi)));

        // Another extension lists tool.js too, which stays until that one goes;
        // a file already gone leaves its emptied folder to the removal all the same.
        const TestExtension other { "com.velkor.other", "Velkor Other",
            { extension.files[1], { "o.js", "o", "$dreamweaver/Configuration/Commands/Velkor/" } }, QByteArray(),
            "Velkor Other.mxi" };
        QVERIFY(dreamweaver.installPackage(package(other, ".mxp"), nullptr));
        QVERIFY(QFile::remove(dreamweaver.configurationFolder(locales.value(0)) + "/Objects/Velkor/Images/tool.png"));
        const Tree installed = snapshot(m_root + "/user");
        Remover plannedRemoval(dreamweaver, nullptr, nullptr);
        plannedRemoval.setDryRun(true);
        plannedRemoval.removeExtension(mxi);
        QCOMPARE(snapshot(m_root + "/user"), installed);
        probe.path = dreamweaver.extensionStoreFolder(dreamweaver.locales().last()) + '/' + mxi;
        InstallReport removal;
        dreamweaver.removeExtension(mxi, &probe, &removal);
        QCOMPARE(probe.missing, 0);
        QVERIFY(QFileInfo::exists(dreamweaver.configurationFolder(locales.value(0)) + "/Commands/Velkor/tool.js"));
        dreamweaver.removeExtension("Velkor Other.mxi", nullptr);
        for (const QString& locale : dreamweaver.locales()) {
            const QString configuration = dreamweaver.configurationFolder(locale);
            QCOMPARE(readFile(configuration + "/Menus/Menus.xml"), menusXml());
            QCOMPARE(readFile(configuration + "/Objects/insertbar.xml"), insertbarXml());
            QCOMPARE(readFile(configuration + "/Menus/Menus.xbk"), installedMenus);
            QCOMPARE(entriesBelow(configuration),
                QStringList({ "Commands/", "Menus/", "Menus/Menus.xbk", "Menus/Menus.xml", "Objects/",
                    "Objects/insertbar.xbk", "Objects/insertbar.xml", "Shared/" }));
        }
    }

    // A file the installer cannot place is skipped and reported. Verify then
    // misses what is not where it should be: a file, or an entry anywhere but
    // straight inside the element with the manifest's target id, where the
    // installer puts it and the removal looks for it.
    void reportsWhatIsMissing_data()
    {
        QTest::addColumn<QString>("user"); // relative: below the working folder
        QTest::addColumn<QByteArray>("destination"); // of odd.js, added to the tools extension
        QTest::addColumn<Outcome>("installed"); // odd.js's; not packed when it is missing from the package
        QTest::addColumn<QString>("damaged"); // a file changed after the install
        QTest::addColumn<QByteArray>("text"); // its new text
        QTest::addColumn<QString>("missing"); // what verify misses
        const QString user = "/user/Dreamweaver CS6", menus = "Menus/Menus.xml", insertbar = "Objects/insertbar.xml";
        const QByteArray commands = "$dreamweaver/Configuration/Commands/V", none;
        const QByteArray tool = "<menuitem id=\"Velkor_Tool\"/>", button = "<button id=\"Velkor_Button\"/>";
        const QByteArray commandsEnd = "id=\"DWMenu_Commands_Sort\" />";
        addTestRow("empty destination", user, none, Outcome::RefusedDestination, QString(), none, QString());
        addTestRow("installation in a relative folder", QString("rel"), commands, Outcome::RefusedDestination,
            QString(), none, QString());
        addTestRow("entry missing from the package", user, commands, Outcome::MissingFromPackage, QString(), none,
            QString("Commands/V/odd.js"));
        addTestRow("a file stands where its folder must go", user,
            QByteArray("$dreamweaver/Configuration/Commands/Blocked/Deeper"), Outcome::WriteFailed, QString(), none,
            QString("Commands/Blocked/Deeper/odd.js"));
        addTestRow("menu entry under another menu", user, commands, Outcome::Written, menus,
            inserted(menusXml(), "id=\"DWMenu_File_New\" />", tool), QString("Velkor_Tool"));
        addTestRow("menu entry in a submenu of its menu", user, commands, Outcome::Written, menus,
            inserted(menusXml(), commandsEnd, "<menu id=\"Sub\">" + tool + "</menu>"), QString("Velkor_Tool"));
        addTestRow("menu entry commented out", user, commands, Outcome::Written, menus,
            inserted(menusXml(), commandsEnd, "<!-- " + tool + " -->"), QString("Velkor_Tool"));
        addTestRow("button in another category", user, commands, Outcome::Written, insertbar,
            inserted(installedInsertbar, "Hyperlink.htm\" />", button).replace("id=\"Velkor_Button", "id=\"Other"),
            QString("Velkor_Button"));
        addTestRow("button in a folder of its category", user, commands, Outcome::Written, insertbar,
            "<category id=\"Velkor_Category\"><menubutton id=\"Velkor\">" + button + "</menubutton></category>",
            QString("Velkor_Button"));
    }

    void reportsWhatIsMissing()
    {
        QFETCH(QString, user);
        QFETCH(QByteArray, destination);
        QFETCH(Outcome, installed);
        QFETCH(QString, damaged);
        QFETCH(QByteArray, text);
        QFETCH(QString, missing);

        const QString workingFolder = m_root + "/cwd";
        QVERIFY(QDir().mkpath(workingFolder) && QDir::setCurrent(workingFolder));
        const auto restore = qScopeGuard([this] { QDir::setCurrent(m_dir.path()); });
        DreamweaverInfo dreamweaver = installation({ "en_US" }, user);
        const QString configuration = dreamweaver.configurationFolder("en_US") + '/';
        writeFile(configuration + "Commands/Blocked", "a file");
        TestExtension extension = toolsExtension();
        extension.files.append(
            { "odd.js", installed == Outcome::MissingFromPackage ? QByteArray() : "odd", destination });
        InstallReport report;
        QVERIFY(dreamweaver.installPackage(package(extension), nullptr, &report));
        QCOMPARE(report.files().last().outcome, installed);
        QVERIFY(damaged.isEmpty() || writeFile(configuration + damaged, text));
        QStringList seen;
        for (const ExtensionCheck::Item& item : ExtensionCheck(dreamweaver).check("Velkor Tools.mxi")) {
            seen << (item.present ? QString() : QString(item.name).remove(configuration));
        }
        QCOMPARE(seen.join(QString()), missing);
        InstallReport removal;
        dreamweaver.removeExtension("Velkor Tools.mxi", nullptr, &removal);
        QCOMPARE(
            removal.files().at(3).outcome == Outcome::RefusedDestination, installed == Outcome::RefusedDestination);
        // A relative path would land below the working folder.
        QCOMPARE(entriesBelow(workingFolder).filter(QRegularExpression("\\.(js|htm|png)$")), QStringList());
    }

    void failedEditLeavesTheFileAndItsBackupWhole_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<bool>("backupBlocked");
        QTest::addColumn<bool>("sizeLimited");
        addTestRow("a folder stands where the backup must go", menusXml(), true, false);
#ifdef Q_OS_LINUX
        // Larger than anything else the install writes, so that a size limit
        // just above it stops only the edited Menus.xml.
        addTestRow("the new text is cut off by a file size limit", menusXml() + QByteArray(8000, ' '), false, true);
#endif
        addTestRow("a file that is not UTF-8 is not rewritten", menusXml().replace("_File", "_Fich\xe9"), false, false);
    }

    void failedEditLeavesTheFileAndItsBackupWhole()
    {
        QFETCH(QByteArray, original);
        QFETCH(bool, backupBlocked);
        QFETCH(bool, sizeLimited);

        DreamweaverInfo dreamweaver = installation({ "en_US" });
        const QString menus = dreamweaver.configurationFolder("en_US") + "/Menus";
        writeFile(menus + "/Menus.xml", original);
        QVERIFY(!backupBlocked || QDir().mkpath(menus + "/Menus.xbk/inside"));
#ifdef Q_OS_LINUX
        // Root ignores permissions but not a file size limit.
        rlimit previous {};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limited { sizeLimited ? rlim_t(original.size() + 16) : previous.rlim_cur, previous.rlim_max };
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
#endif
        InstallReport report;
        const bool result = dreamweaver.installPackage(package(toolsExtension()), nullptr, &report);
#ifdef Q_OS_LINUX
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
#endif

        QVERIFY(result);
        QCOMPARE(readFile(menus + "/Menus.xml"), original);
        QCOMPARE(entriesBelow(menus).filter("Menus.xml"), QStringList { "Menus.xml" });
        QCOMPARE(readFile(menus + "/Menus.xbk"), sizeLimited ? original : QByteArray());
        QCOMPARE(report.xmlFiles().at(0).outcome, InstallReport::XmlOutcome::Failed);
        QCOMPARE(report.xmlFiles().at(1).outcome, InstallReport::XmlOutcome::Edited);
    }

#ifdef Q_OS_LINUX
    // An install killed at any moment must leave Dreamweaver's files as they
    // were or as the install makes them, never cut off. The kill follows the
    // n-th change (a file created, written or renamed into it) that the kernel
    // reports in a folder, to land inside the extraction or inside the writes
    // of Menus.xml and insertbar.xml.
    void killedInstallLeavesWholeFiles_data()
    {
        QTest::addColumn<QString>("watched");
        QTest::addColumn<int>("changes");
        for (const char* watched : { "Commands/Velkor", "Menus", "Objects" }) {
            for (int changes = 1; changes <= 5; ++changes) {
                QTest::addRow("at change %d of %s", changes, watched) << QString(watched) << changes;
            }
        }
    }

    void killedInstallLeavesWholeFiles()
    {
        QFETCH(QString, watched);
        QFETCH(int, changes);

        const QString path = package(toolsExtension());
        const auto prepare = [&](const QString& name) {
            const DreamweaverInfo dreamweaver = installation({ "en_US" }, '/' + name);
            const QString configuration = dreamweaver.configurationFolder("en_US");
            // Large enough that writing it takes a while.
            writeFile(configuration + "/Menus/Menus.xml",
                inserted(menusXml(), "</menu>\n", QByteArray("<menuitem command=\"dw.run()\" />\n").repeated(40000)));
            writeFile(configuration + "/Objects/insertbar.xml", insertbarXml());
            QDir().mkpath(configuration + "/Commands/Velkor");
            return dreamweaver;
        };
        // A run left alone gives the state every interrupted run heads for.
        const DreamweaverInfo reference = prepare("reference");
        const Tree before = snapshot(reference.configurationFolder("en_US"));
        QVERIFY(reference.installPackage(path, nullptr));
        const Tree after = snapshot(reference.configurationFolder("en_US"));

        const DreamweaverInfo dreamweaver = prepare("killed");
        const QString configuration = dreamweaver.configurationFolder("en_US");
        const int fd = inotify_init1(IN_CLOEXEC);
        const auto closeWatch = qScopeGuard([fd] { close(fd); });
        inotify_add_watch(
            fd, QFile::encodeName(configuration + '/' + watched).constData(), IN_CREATE | IN_MODIFY | IN_MOVED_TO);
        const pid_t child = fork();
        if (child == 0) {
            _exit(dreamweaver.installPackage(path, nullptr) ? 0 : 1);
        }
        alignas(inotify_event) char buffer[4096];
        pid_t ended = 0;
        for (int seen = 0; seen < changes && (ended = waitpid(child, nullptr, WNOHANG)) == 0;) {
            pollfd descriptor { fd, POLLIN, 0 };
            for (ssize_t offset = 0, length = poll(&descriptor, 1, 20) > 0 ? read(fd, buffer, sizeof buffer) : 0;
                 offset < length; ++seen) {
                offset += ssize_t(sizeof(inotify_event) + reinterpret_cast<inotify_event*>(buffer + offset)->len);
            }
        }
        if (ended == 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        // The temporaries a kill may leave behind carry names Dreamweaver never reads.
        const Tree now = snapshot(configuration);
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            const bool known = before.contains(it.key()) || after.contains(it.key());
            QVERIFY2(!known || before.value(it.key(), "-") == it.value() || after.value(it.key(), "-") == it.value(),
                qPrintable(it.key()));
        }
    }
#endif
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
