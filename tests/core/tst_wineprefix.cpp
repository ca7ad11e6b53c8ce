#include "platform/WinePrefix.h"
#include "support/DiscoveryFixtures.h"
#include "support/TestRows.h"

#include <QtTest>

using namespace DiscoveryFixtures;

// Wine's registry files, read as wineserver writes them (the fixture was
// made by wine64 8.0 with "reg add ... /reg:32"), and a prefix's folders as
// a program running in it sees them.
class tst_WinePrefix : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QByteArray m_system = readFile(MORAVEL_TEST_DATA_DIR "/wine/system.reg");
    QString prefix() const { return m_dir.path() + "/prefix"; }

private slots:
    // The home folder, where ~/.wine is looked for, is the scratch folder.
    void initTestCase() { qputenv("HOME", m_dir.path().toUtf8()); }

    void init()
    {
        QDir(prefix()).removeRecursively();
        QVERIFY(makeWinePrefix(prefix()));
    }

    // As Dreamweaver, a 32-bit program, reads them: in the 64-bit fixture, Software\X is Software\Wow6432Node\X.
    void localMachineValue_data()
    {
        QTest::addColumn<QString>("text"); // "win64": the fixture; "win32": made a 32-bit prefix's; or a whole file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value"); // "refused": not a registry file
        const QString dw = "Software\\Adobe\\Dreamweaver\\12\\Installation",
                      dw64 = "Software\\Adobe\\Dreamweaver\\11.5\\Installation",
                      x86 = "C:\\Program Files (x86)\\Adobe\\Adobe Dreamweaver CS6";
        const QString file = "WINE REGISTRY Version 2\n[A] 1\n";
        addTestRow("win64: Software\\X in Wow6432Node, backslashes doubled", "win64", dw, "InstallPath", x86);
        addTestRow("win64: a 64-bit program's key is not seen", "win64", dw64, "InstallPath", "");
        addTestRow("win32: Software\\X as it is", "win32", dw64, "InstallPath", "Z:\\opt\\elsewhere");
        addTestRow("win32: Wow6432Node is an ordinary key", "win32", dw, "InstallPath", "");
        // "64:": read in the 64-bit view, as Dreamweaver CC 2015 and later are 64-bit programs.
        addTestRow(
            "win64, 64-bit view: a 64-bit program's key", "win64", "64:" + dw64, "InstallPath", "Z:\\opt\\elsewhere");
        addTestRow("win64, 64-bit view: a 32-bit program's key is not seen", "win64", "64:" + dw, "InstallPath", "");
        addTestRow(
            "win32, 64-bit view: the one view there is", "win32", "64:" + dw64, "InstallPath", "Z:\\opt\\elsewhere");
        addTestRow("default value, \\x to Latin-1", "win64", dw, "", "Dreamweaver CS6 \u00e9");
        addTestRow(
            "str(2) unexpanded, escaped quotes", "win64", dw, "Name", "%ProgramFiles%\\Adobe \"quoted\" \\\\ back");
        addTestRow("escaped name; four-digit \\x, \\t, octal, \\x past Latin-1", "win64", dw, "Say \"hi\"",
            "\u00e91\tx\001y\u20ac");
        addTestRow("dword as a decimal number", "win64", dw, "Build", "5808");
        addTestRow("str(7) has no text", "win64", dw, "Multi", "");
        addTestRow("key and name in any case", "win64", dw.toUpper(), "installpath", x86);
        addTestRow("key after a continued hex value", "win32",
            "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", "ProgramData", "C:\\ProgramData");
        addTestRow("CR LF", "WINE REGISTRY Version 2\r\n[A] 1\r\n\"v\"=\"x\"\r\n", "A", "v", "x");
        addTestRow("a key written twice, the later value wins",
            file + "\"v\"=\"1\"\n[B]\n\"v\"=\"2\"\n[a]\n\"v\"=\"3\"\n", "A", "v", "3");
        addTestRow("an unterminated key or string counts for nothing",
            file + "\"v\"=\"1\"\n\"v\"=\"2\n[A\n\"v\"=\"3\"\n", "A", "v", "1");
        addTestRow("\\x without digits, \\101, others", file + "\"v\"=\"\\xg\\q\\]\\1015\"\n", "A", "v", "xgq]A5");
        addTestRow("dword of nine digits", file + "\"v\"=dword:123456789\n", "A", "v", "");
        addTestRow("a .reg file of regedit", "REGEDIT4\n[A]\n\"v\"=\"1\"\n", "A", "v", "refused");
    }

    void localMachineValue()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QString, value);
        WineRegistry registry;
        const QByteArray bytes
            = text.startsWith("win") ? QByteArray(m_system).replace("win64", text.toLatin1()) : text.toLatin1();
        QCOMPARE(registry.parse(bytes), value != "refused");
        QCOMPARE(registry.localMachineValue(key.mid(key.startsWith("64:") ? 3 : 0), name,
                     key.startsWith("64:") ? Registry::View::Bits64 : Registry::View::Bits32),
            value == "refused" ? QString() : value);
    }

    // Nothing may crash on a file cut off anywhere.
    void everyPrefixReads()
    {
        WineRegistry registry;
        for (int size = 0; size <= m_system.size(); ++size) {
            static_cast<void>(registry.parse(m_system.left(size)));
            registry.localMachineValue("Software\\Adobe\\Dreamweaver\\12\\Installation", "InstallPath");
        }
    }

    void localPath_data()
    {
        QTest::addColumn<QString>("windowsPath");
        QTest::addColumn<QString>("path"); // $P: the prefix; empty: not mapped
        addTestRow("drive C: through its link", "C:\\Program Files\\x", "$P/drive_c/Program Files/x");
        addTestRow("any case, either slash", "c:/USERS/public/Docs", "$P/drive_c/users/Public/Docs");
        addTestRow("no climbing above the drive", "C:\\users\\..\\..\\..\\etc", "$P/drive_c/etc");
        addTestRow("drive Z: is the root", "Z:\\opt\\x", "/opt/x");
        addTestRow("a drive link to nothing", "D:\\x", "");
        addTestRow("no drive letter", "\\\\server\\share", "");
    }

    void localPath()
    {
        QFETCH(QString, windowsPath);
        QFETCH(QString, path);
        QVERIFY(QFile::link("../gone", prefix() + "/dosdevices/d:"));
        WinePrefix wine;
        QVERIFY2(wine.open(prefix()), qPrintable(wine.errorString()));
        QCOMPARE(wine.localPath(windowsPath), path.replace("$P", prefix()));
    }

    void variables_data()
    {
        QTest::addColumn<QString>("appData"); // in place of user.reg's user folder; "-": no user.reg
        QTest::addColumn<QString>("folder"); // made below drive_c/users, or a file removed from the prefix
        QTest::addColumn<QString>("expected"); // APPDATA below drive_c/users, or the error
        addTestRow("from user.reg", "C:\\\\users\\\\root", "", "root/AppData/Roaming");
        addTestRow("one outside the prefix is not taken", "Z:\\\\tmp", "someone", "someone/AppData/Roaming");
        addTestRow("Application Data of older prefixes", "-", "someone/Application Data", "someone/Application Data");
        addTestRow("no drive C:", "-", "-dosdevices/c:", "is not a Wine prefix: it has no drive C:");
        addTestRow("drive C: linked outside the prefix", "-", ">../../elsewhere",
            "is not used: its drive C: (dosdevices/c:) leads outside it, to ");
    }

    void variables()
    {
        QFETCH(QString, appData);
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        const QString userReg = prefix() + "/user.reg";
        QVERIFY(appData == "-"
                ? QFile::remove(userReg)
                : writeFile(userReg, readFile(userReg).replace("C:\\\\users\\\\root", appData.toLatin1())));
        const QString driveLink = prefix() + "/dosdevices/c:";
        if (folder.startsWith('>')) // the drive's link replaced, leading to a drive C: of its own
            QVERIFY(QFile::remove(driveLink) && QFile::link(folder.mid(1), driveLink)
                && QDir().mkpath(QFileInfo(driveLink).symLinkTarget() + "/users/root/AppData/Roaming"));
        else
            QVERIFY(folder.startsWith('-') ? QFile::remove(prefix() + '/' + folder.mid(1))
                                           : QDir().mkpath(prefix() + "/drive_c/users/" + folder));
        WinePrefix wine;
        const bool opened = wine.open(prefix());
        QVERIFY2(opened ? wine.variables().value("APPDATA") == prefix() + "/drive_c/users/" + expected
                        : wine.errorString().contains(expected),
            qPrintable(wine.variables().value("APPDATA") + wine.errorString()));
        QCOMPARE(wine.variables().value("ProgramW6432"), opened ? prefix() + "/drive_c/Program Files" : QString());
        // A 32-bit program's folder in the 64-bit fixture.
        QCOMPARE(wine.variables().value("ProgramFiles(x86)"),
            opened ? prefix() + "/drive_c/Program Files (x86)" : QString());
    }

    void defaultFolder_data()
    {
        QTest::addColumn<QString>("given"); // WINEPREFIX|APPDATA|the remembered choice|"~" when ~/.wine exists
        QTest::addColumn<QString>("folder");
        addTestRow("WINEPREFIX over all else", "/w|/a|/r|~", "/w");
        addTestRow("a folder variable set: none", "|/a|/r|~", "");
        addTestRow("the remembered choice over ~/.wine", "||/r|~", "/r");
        addTestRow("~/.wine", "|||~", "~/.wine");
        addTestRow("no ~/.wine: none", "|||", "");
    }

    void defaultFolder()
    {
        QFETCH(QString, given);
        QFETCH(QString, folder);
        const QStringList parts = given.split('|');
        qputenv("WINEPREFIX", parts[0].toUtf8());
        qputenv("APPDATA", parts[1].toUtf8());
        QVERIFY(QDir(m_dir.path() + "/.wine").removeRecursively()
            && (parts[3] != "~" || QDir().mkpath(m_dir.path() + "/.wine")));
        QCOMPARE(WinePrefix::defaultFolder(parts[2]), folder.replace("~", m_dir.path()));
    }
};

QTEST_GUILESS_MAIN(tst_WinePrefix)
#include "tst_wineprefix.moc"
