#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionDatabase.h"
#include "platform/FolderFiles.h"
#include "platform/MapRegistry.h"
#include "support/DiscoveryFixtures.h"
#include "support/TestRows.h"

#include <QSqlQuery>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// One installation (its version, folders and installed list) and the two sources of the list of installations:
// the per-user program folders with the registry, and Adobe's ExMan.db as a real SQLite file.
class TestDreamweaverInfo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_database;
    MapRegistry* m_registry = nullptr;

    QString path(const QString& relative) const { return m_root.path() + '/' + relative; }

    // Rows are "|"-separated values; four make a product, three a key.
    bool createDatabase(const QStringList& rows)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(m_database);
        bool ok = QDir().mkpath(QFileInfo(m_database).path()) && db.open()
            && QSqlQuery(db).exec("CREATE TABLE Tb_ProductInfoV2 (ProdID, DisplayName, ProdVersion, FamilyName)")
            && QSqlQuery(db).exec("CREATE TABLE Tb_XManConfig (ProdID, KeyName, KeyValue)");
        for (const QString& row : rows)
            ok = ok
                && QSqlQuery(db).exec(QStringLiteral("INSERT INTO %1 VALUES ('%2')")
                                          .arg(QString(row.count('|') == 3 ? "Tb_ProductInfoV2" : "Tb_XManConfig"),
                                              QString(row).replace("'", "''").replace("|", "', '")));
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("fixture");
        return ok;
    }

private slots:
    void initTestCase()
    {
        qputenv("APPDATA", path("Roaming").toUtf8());
        qputenv("ProgramW6432", path("Program Files").toUtf8());
        qputenv("ALLUSERSPROFILE", path("ProgramData").toUtf8());
        m_database = openExtensionDatabase();
        QCOMPARE(
            QDir::fromNativeSeparators(m_database), path("ProgramData/Adobe/Moravel CC/Configuration/DB/ExMan.db"));
    }

    void init() { Registry::setInstance(std::unique_ptr<Registry>(m_registry = new MapRegistry)); }

    void cleanup()
    {
        Registry::setInstance(nullptr);
        QDir(m_root.path()).removeRecursively();
        DreamweaverInfo::installations().clear();
    }

    void readVersionFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("files"); // version.xml of de_DE, then of en_US; "-" or missing: none
        QTest::addColumn<QString>("version"); // as written " = " the four numbers read from it
        const QString v11 = DiscoveryFixtures::versionXml("11.0"), v12 = DiscoveryFixtures::versionXml("12.0.1");
        const auto only = [](const char* version) { return QStringList { DiscoveryFixtures::versionXml(version) }; };
        addTestRow("first locale wins", "DW", QStringList { v11, v12 }, "11.0 = 11.0.0.0");
        addTestRow("missing file, next locale", "DW", QStringList { "-", v12 }, "12.0.1 = 12.0.1.0");
        addTestRow("first installinfo without versionnum, next locale", "DW",
            QStringList { "<v><installinfo/><installinfo versionnum=\"5\"/></v>", v12 }, "12.0.1 = 12.0.1.0");
        const QString deep
            = QString("<a>").repeated(40000) + "<installinfo versionnum=\"7\"/>" + QString("</a>").repeated(40000);
        addTestRow("nested 40,000 deep", "DW", QStringList { deep, v12 }, "7 = 7.0.0.0");
        addTestRow("unparsable, next locale", "DW", QStringList { "<v><installinfo versionnum=\"5\"/><", v12 },
            "12.0.1 = 12.0.1.0");
        addTestRow("1 MiB is read", "DW", QStringList { v11.leftJustified(1 << 20, ' '), v12 }, "11.0 = 11.0.0.0");
        addTestRow("over 1 MiB, next locale", "DW", QStringList { v11.leftJustified((1 << 20) + 1, ' '), v12 },
            "12.0.1 = 12.0.1.0");
        addTestRow("nothing usable is empty, four zeros", "DW", QStringList { "<other/>", "-" }, " = 0.0.0.0");
        addTestRow("CS4 saying 9.0 is 10.0", "Dreamweaver CS4", only("9.0"), "10.0 = 10.0.0.0");
        addTestRow("others saying 9.0 keep it", "Dreamweaver CS3", only("9.0"), "9.0 = 9.0.0.0");
        addTestRow("signs, white space, empty parts", "DW", only(" -1 ..+2 ."), " -1 ..+2 . = -1.0.2.0");
        addTestRow("other characters make a part zero, parts after the fourth ignored", "DW", only("12a.3.0x1.1 2.5"),
            "12a.3.0x1.1 2.5 = 0.3.0.0");
        const char* limits = "2147483647.-2147483648.2147483648.-2147483649";
        addTestRow("signed 32-bit limits, beyond them zero", "DW", only(limits),
            limits + QString(" = 2147483647.-2147483648.0.0"));
    }

    void readVersionFile()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, files);
        QFETCH(QString, version);
        DreamweaverInfo info(name, "Adobe", path("DW"), { "de_DE", "en_US" });
        for (int i = 0; i < files.size(); ++i) {
            const QString file = info.configurationFolder(info.locales().at(i)) + "/version.xml";
            QVERIFY(files.at(i) == "-" || DiscoveryFixtures::writeFile(file, files.at(i).toUtf8()));
        }
        info.setVersion("99");
        info.readVersionFile();
        QStringList numbers;
        for (int number : info.versionNumbers())
            numbers.append(QString::number(number));
        QCOMPARE(info.version() + " = " + numbers.join('.'), version);
    }

    void installedExtensions_data()
    {
        QTest::addColumn<QString>("locales");
        QTest::addColumn<QString>("stored"); // "[locale/]file|author|name" manifests, or "[locale/]file" empty
        QTest::addColumn<QString>("listed"); // the names, in order; an empty manifest has none
        addTestRow("the publisher exactly, then authors by code unit", "en_US",
            "a.mxi|velkor|A; b.mxi|Beta|B; c.mxi||C; d.mxi|Velkor Labs|D; e.mxi|Velkor|E", "E; C; B; D; A");
        addTestRow("names by code unit, prefix first", "en_US",
            "a.mxi|Acme|apple; b.mxi|Velkor|Tables; c.mxi|Acme|Zed; d.mxi|Velkor|Table", "Table; Tables; Zed; apple");
        // The same extension under another file name is another entry.
        const char* twoLocales = "en_US/S.mxi|Velkor|English; de_DE/S.mxi|Velkor|Deutsch; de_DE/s.mxi|Velkor|Same";
        addTestRow("same file name once, from en_US first", "en_US; de_DE", twoLocales, "English; Same");
        addTestRow("same file name once, from de_DE first", "de_DE; en_US", twoLocales, "Deutsch; Same");
        addTestRow("no locale: only manifest files, empty ones too", "",
            "/UPPER.MXI|Velkor|Upper; /notes.txt|Velkor|Text; /Folder.mxi/Inner.mxi|Velkor|Inner; "
            "/.Hidden.mxi|Velkor|Hidden; /Empty.mxi",
            "Upper; ");
    }

    void installedExtensions()
    {
        QFETCH(QString, locales);
        QFETCH(QString, stored);
        QFETCH(QString, listed);
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", path("DW"), locales.split("; ", Qt::SkipEmptyParts));
        for (const QString& manifest : stored.split("; ")) {
            const QStringList parts = manifest.split('|');
            const QString where = parts[0].contains('/') ? parts[0] : info.locales().at(0) + '/' + parts[0];
            const QString locale = where.section('/', 0, 0), file = where.section('/', 1);
            const QString folder
                = path("DW/" + locale + (locale.isEmpty() ? "" : "/") + "Configuration/Shared/Velkor/MXI");
            QVERIFY(parts.size() == 1 ? DiscoveryFixtures::writeFile(folder + '/' + file, QByteArray())
                                      : DiscoveryFixtures::storeManifest(folder, file, parts[2], parts[1]));
        }
        info.loadInstalledExtensions();
        QStringList actual;
        for (const ExtensionInfo& extension : info.installedExtensions())
            actual.append(extension.name());
        QCOMPARE(actual.join("; "), listed);
        // A reload replaces the list: with the manifests gone, it is empty.
        QVERIFY(QDir(path("DW")).removeRecursively());
        info.loadInstalledExtensions();
        QVERIFY(info.installedExtensions().isEmpty());
    }

#ifdef Q_OS_UNIX
    // Entries of the store folder that are not plain files: the manifests are
    // listed as QDirIterator lists them with QDir::Files, and read through the
    // folder as their path would be, a link followed from the folder it lies in.
    void storeFolderEntries_data()
    {
        QTest::addColumn<QString>("entry"); // "name -> target" for a link, "name |" for a pipe, else a folder
        QTest::addColumn<QString>("listed"); // "file: name" by file name; an empty manifest has no name
        const QString plain = "plain.mxi: Plain";
        addTestRow("a link beside its manifest", "link.mxi -> plain.mxi", "link.mxi: Plain; " + plain);
        addTestRow("a link out of the folder, followed from the folder", "out.mxi -> ../../../../../Outside.mxi",
            "out.mxi: Outside; " + plain);
        addTestRow("a link by its absolute path", "abs.mxi -> ROOT/DW/Outside.mxi", "abs.mxi: Outside; " + plain);
        addTestRow("a link to a folder is not listed", "dir.mxi -> ROOT/DW", plain);
        addTestRow("a broken link is not listed", "broken.mxi -> none.mxi", plain);
        addTestRow("a pipe is not listed", "pipe.mxi |", plain);
        addTestRow("a folder named like a manifest is not listed", "folder.mxi", plain);
        addTestRow("a name beyond ASCII is read", "\u00fcn\u00ef\u65e5.mxi -> plain.mxi",
            plain + "; \u00fcn\u00ef\u65e5.mxi: Plain");
        addTestRow("a name that is not UTF-8 is not listed", "bad-utf8.mxi -> plain.mxi", plain);
        addTestRow("a manifest over the cap is listed with nothing read", "huge.mxi 16 MiB", "huge.mxi: ; " + plain);
#ifdef Q_OS_LINUX
        // Read through a link as any file is: what it leads to may read short before its end.
        addTestRow("a link to a file that reads short before its end is read to its end", "maps.mxi -> /proc/self/maps",
            "maps.mxi: ; " + plain);
#endif
        // A manifest is first read into a buffer of 16 KiB; one that fills it is read on.
        for (const char* size : { "16383", "16384", "16385", "40000" }) {
            QTest::newRow(qPrintable(QString("a manifest of %1 bytes is read whole").arg(size)))
                << "long.mxi " + QString(size) + " bytes"
                << "long.mxi: Long; " + plain;
        }
    }

    void storeFolderEntries()
    {
        QFETCH(QString, entry);
        QFETCH(QString, listed);
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", path("DW"), { "en_US" });
        const QString folder = info.extensionStoreFolder("en_US");
        QVERIFY(DiscoveryFixtures::storeManifest(folder, "plain.mxi", "Plain", "Velkor")
            && DiscoveryFixtures::storeManifest(path("DW"), "Outside.mxi", "Outside", "Velkor"));
        const QString name = entry.section(' ', 0, 0);
        // A byte that UTF-8 never holds, where the row names it.
        const QByteArray where = QFile::encodeName(folder + '/' + name).replace("-utf8", "\xff");
        // Qt neither lists nor removes a name it cannot decode: the row takes its entry away itself.
        const auto removeEntry = qScopeGuard([&where] { ::unlink(where.constData()); });
        if (entry.contains(" -> ")) {
            const QString target = entry.section(" -> ", 1).replace("ROOT", m_root.path());
            QCOMPARE(::symlink(QFile::encodeName(target).constData(), where.constData()), 0);
        } else if (entry.endsWith(" |")) {
            QCOMPARE(::mkfifo(where.constData(), 0600), 0);
        } else if (entry.endsWith(" 16 MiB")) {
            QFile huge(QString::fromUtf8(where));
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ExtensionInfo::maximumManifestSize + 1));
        } else if (entry.endsWith(" bytes")) {
            const QByteArray start
                = "<macromedia-extension id=\"l\" name=\"Long\" version=\"1\"><author name=\"V\"/><!--";
            const QByteArray end = "--></macromedia-extension>";
            const int size = entry.section(' ', 1, 1).toInt();
            QVERIFY(DiscoveryFixtures::writeFile(
                QString::fromUtf8(where), start + QByteArray(size - start.size() - end.size(), 'x') + end));
        } else {
            QVERIFY(QDir().mkpath(folder + '/' + name));
        }
        info.loadInstalledExtensions();
        QStringList actual;
        for (const ExtensionInfo& extension : info.installedExtensions()) {
            actual.append(extension.fileName() + ": " + extension.name());
            // Each manifest read whole, through a link too; one over the cap not
            // at all. The process's own map changes as it is read: past its first read is enough.
            QFile stored(folder + '/' + extension.fileName());
            QVERIFY(stored.open(QIODevice::ReadOnly));
            if (extension.fileName() == "maps.mxi")
                QVERIFY(extension.manifest().size() > 4096);
            else
                QCOMPARE(extension.manifest().toUtf8(),
                    stored.size() > ExtensionInfo::maximumManifestSize ? QByteArray() : stored.readAll());
        }
        actual.sort();
        QCOMPARE(actual.join("; "), listed);

        // The listing is QDirIterator's, also where the file system states no
        // entry's type and each one is looked at.
        QStringList expected;
        QDirIterator iterator(folder, QDir::Files | QDir::NoDotAndDotDot);
        while (iterator.hasNext())
            expected.append(QFileInfo(iterator.next()).fileName());
        QStringList names;
        for (const FolderFiles::File& file : FolderFiles(folder).files())
            names.append(file.name);
        QCOMPARE(names, expected);
        DIR* opened = ::opendir(QFile::encodeName(folder).constData());
        QVERIFY(opened);
        while (const dirent* each = ::readdir(opened)) {
            bool looked = false, stated = false;
            if (each->d_name[0] != '.') {
                QCOMPARE(FolderFiles::listsEntry(::dirfd(opened), each->d_name, DT_UNKNOWN, &looked),
                    FolderFiles::listsEntry(::dirfd(opened), each->d_name, each->d_type, &stated));
                QCOMPARE(looked, stated);
            }
        }
        ::closedir(opened);
    }
#endif

    void findInstallFolder_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("registered"); // the key's version component that names an existing folder
        QTest::addColumn<QString>("found"); // "DW" from the registry, the fallback folder, or "gone": none exists
        const char* fallback = "Program Files/Adobe/Adobe Dreamweaver 9";
        addTestRow("8 alone", "8.0.2", "8", "DW");
        addTestRow("9 to 11 with .0", "10.0.4", "10.0", "DW");
        addTestRow("11.5 keeps its minor number", "11.5.0.5", "11.5", "DW");
        addTestRow("12 and above alone", "12.0", "12.0", fallback);
        addTestRow("missing key falls back", "20.1", "21", fallback);
        addTestRow("empty version is not looked up", "", "0", fallback);
        addTestRow("registered folder missing, no fallback", "12.0", "12", "gone");
    }

    void findInstallFolder()
    {
        QFETCH(QString, version);
        QFETCH(QString, registered);
        QFETCH(QString, found);
        QVERIFY(QDir().mkpath(path("Program Files/Adobe/Adobe Dreamweaver 9")) && QDir().mkpath(path("DW")));
        // Registry names are found without regard to case, as on Windows.
        m_registry->setValue("software\\adobe\\dreamweaver\\" + registered + "\\installation", "installpath",
            path(found == "gone" ? "gone" : "DW"));
        m_registry->setValue("SOFTWARE\\Macromedia\\Dreamweaver\\20\\Installation", "InstallPath", path("DW"));
        // The fallback takes the folder's name, not the label.
        DreamweaverInfo info("Dreamweaver CS3", "Adobe", path("Roaming/Adobe/Dreamweaver 9"), {});
        info.setVersion(version);
        QCOMPARE(info.findInstallFolder(), found != "gone");
        // Windows joins the fallback with its own separator.
        QCOMPARE(QDir::fromNativeSeparators(info.installFolder()), path(found));
    }

    void installations_data()
    {
        QTest::addColumn<QString>("folders"); // below the roaming folder, "|" the version in version.xml ("-": none)
        QTest::addColumn<QString>("rows"); // "-": no database; products id|name|version|family; keys id|key|value
        QTest::addColumn<QString>("installations"); // newest first; P: the program files folder
        const QString cs6 = "|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6";
        // " 9" becomes " CS3" every time, the backups folder is skipped minding case, versions 13 to 19 are
        // not listed, the install folder is named after the folder, locale folders are "??_??".
        addTestRow("program folders",
            "Macromedia/Dreamweaver 9 9|9.0; Adobe/Dreamweaver CS5 Backups|11.0; Adobe/Dreamweaver CS5 backups|11.0; "
            "Adobe/Dreamweaver CS6|12.0; Adobe/Dreamweaver CC|13.0; Adobe/Dreamweaver CC 2019|19.9; "
            "Adobe/Dreamweaver 2020|20.0; Adobe/dreamweaver old|-; Velkor/Dreamweaver CS6|12.0",
            "-",
            "Dreamweaver 2020 | 20.0 | ~/Adobe/Dreamweaver 2020 | de_de,en_US | P/Adobe/Adobe Dreamweaver 2020 | ; "
            "Dreamweaver CS6 | 12.0 | ~/Adobe/Dreamweaver CS6 | de_de,en_US | P/Adobe/Adobe Dreamweaver CS6 | ; "
            "Dreamweaver CS5 backups | 11.0 | ~/Adobe/Dreamweaver CS5 backups | de_de,en_US | "
            "P/Adobe/Adobe Dreamweaver CS5 backups | ; Dreamweaver CS3 CS3 | 9.0 | ~/Macromedia/Dreamweaver 9 9 | "
            "de_de,en_US | P/Macromedia/Macromedia Dreamweaver 9 9 | ; dreamweaver old |  | ~/Adobe/dreamweaver old | "
            "de_de,en_US | P/Adobe/Adobe dreamweaver old | ");
        addTestRow("database: newest first, first keys, Dreamweaver only", "",
            "A|Dreamweaver CS6|12.0|Dreamweaver; P|Photoshop|13|Photoshop; B|Dreamweaver CC|20.0|Dreamweaver; A" + cs6
                + "; A|$installfolder|C:/DW; A|$installfolder|C:/second; P" + cs6
                + "; B|$dreamweaver/configuration|x/Adobe/Dreamweaver CS6/en_US/more",
            "Dreamweaver CC (v 20.0) | 20.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | B; "
            "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US | C:/DW | A");
        addTestRow("database: missing, other-case, two-part or climbing configuration key", "",
            "A|Dreamweaver CS6|12.0|Dreamweaver; B|Dreamweaver CC|20.0|Dreamweaver; C|Dreamweaver X|21|Dreamweaver; "
            "B|$Dreamweaver/Configuration|$appdata/Adobe/Dreamweaver CS6; A|$installfolder|C:/DW; "
            "C|$dreamweaver/configuration|$appdata/Adobe; D|Dreamweaver Y|22|Dreamweaver; "
            "D|$dreamweaver/configuration|$appdata/../Roaming",
            "");
        addTestRow("database: empty first path component, missing folder", "",
            "A|Dreamweaver X|21.0|Dreamweaver; A|$dreamweaver/configuration|$appdata//Dreamweaver X",
            "Dreamweaver X (v 21.0) | 21.0 | ~/Dreamweaver X |  |  | A");
        addTestRow("database: product ids holding a quote or SQL select only their own keys", "",
            "it's|Dreamweaver CS6|12.0|Dreamweaver; 0 OR 1=1|Dreamweaver Evil|1.0|Dreamweaver; it's" + cs6,
            "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | it's");
    }

    void installations()
    {
        QFETCH(QString, folders);
        QFETCH(QString, rows);
        QFETCH(QString, installations);
        QVERIFY(QDir().mkpath(path("Roaming/Adobe/Dreamweaver CS6/en_US")));
        for (const QString& entry : folders.split("; ", Qt::SkipEmptyParts)) {
            const QString folder = "Roaming/" + entry.section('|', 0, 0), vendor = entry.section('/', 0, 0);
            for (const char* locale : { "en_US", "de_de", "en_USA", "english", ".x_yz" })
                QVERIFY(QDir().mkpath(path(folder + "/" + locale)));
            QVERIFY(entry.endsWith("|-")
                || DiscoveryFixtures::writeFile(path(folder + "/en_US/Configuration/version.xml"),
                    DiscoveryFixtures::versionXml(entry.section('|', 1))));
            QVERIFY(QDir().mkpath(path("Program Files/" + vendor + '/' + vendor + ' ' + folder.section('/', 2))));
        }
        QVERIFY(rows == "-" || createDatabase(rows.split("; ")));
        // The database belongs to Adobe's extension manager: never created, never written.
        QVERIFY(rows == "-" || !QSqlQuery(::extensionDatabase()).exec("INSERT INTO Tb_XManConfig VALUES (1, 2, 3)"));
        DreamweaverInfo::buildDreamweaverList(m_database);
        QStringList lines;
        for (const DreamweaverInfo& info : DreamweaverInfo::installations()) {
            QStringList locales = info.locales();
            std::sort(locales.begin(), locales.end());
            lines.append(QStringList { info.name(), info.version(), info.userFolder().replace(path("Roaming"), "~"),
                locales.join(','), QDir::fromNativeSeparators(info.installFolder()).replace(path("Program Files"), "P"), info.productId() }
                             .join(" | "));
        }
        QCOMPARE(lines.join("; "), installations);
        QVERIFY(!QSqlDatabase::database("CCDB", false).isOpen());
        QCOMPARE(QFile::exists(m_database), rows != "-");
    }
};

QTEST_GUILESS_MAIN(TestDreamweaverInfo)
#include "tst_dreamweaverinfo.moc"
