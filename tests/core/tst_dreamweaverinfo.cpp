#include "discovery/DreamweaverInfo.h"
#include "discovery/DreamweaverList.h"
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
        qputenv("ALLUSERSPROFILE", path("ProgramData").toUtf8());
        m_database = openExtensionDatabase();
        QCOMPARE(QDir::fromNativeSeparators(m_database),
            path("ProgramData/Adobe/Extension Manager CC/Configuration/DB/ExMan.db"));
    }

    void init()
    {
        Registry::setInstance(std::unique_ptr<Registry>(m_registry = new MapRegistry));
        // As a 64-bit program sees 64-bit Windows.
        qputenv("ProgramFiles(x86)", path("Program Files (x86)").toUtf8());
        qputenv("ProgramW6432", path("Program Files").toUtf8());
        qputenv("ProgramFiles", path("Program Files").toUtf8());
    }

    void cleanup()
    {
        Registry::setInstance(nullptr);
        QDir(m_root.path()).removeRecursively();
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
        QTest::addColumn<QString>("stored"); // "[locale/][+]file|author|name" ("+": another program's), or empty
        QTest::addColumn<QString>("listed"); // the names, in order; an empty manifest has none
        addTestRow("the publisher exactly, then authors by code unit", "en_US",
            "a.mxi|velkor|A; b.mxi|Beta|B; c.mxi||C; d.mxi|Velkor Labs|D; e.mxi|Velkor|E", "E; C; B; D; A");
        addTestRow("names by code unit, prefix first", "en_US",
            "a.mxi|Acme|apple; b.mxi|Velkor|Tables; c.mxi|Acme|Zed; d.mxi|Velkor|Table", "Table; Tables; Zed; apple");
        // The same extension under another file name is another entry; a name is one whatever its case.
        const char* twoLocales = "en_US/S.mxi|Velkor|English; de_DE/s.MXI|Velkor|Deutsch; de_DE/t.mxi|Velkor|Other";
        addTestRow("same file name in any case once, from en_US first", "en_US; de_DE", twoLocales, "English; Other");
        addTestRow("same file name in any case once, from de_DE first", "de_DE; en_US", twoLocales, "Deutsch; Other");
        // What another program installed, in each locale's Extensions folder, unless the store has it.
        addTestRow("another program's, after the store's of the same name", "en_US; de_DE",
            "en_US/S.mxi|Velkor|Ours; de_DE/+s.mxi|Adobe|Theirs; en_US/+x.mxi|Adobe|Extra; de_DE/+X.mxi|Adobe|Again",
            "Ours; +Extra");
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
            const QString locale = where.section('/', 0, 0);
            QString file = where.section('/', 1);
            const QString folder = path("DW/" + locale + (locale.isEmpty() ? "" : "/")
                + (file.startsWith('+') ? "Configuration/Extensions" : "Configuration/Shared/Velkor/MXI"));
            file = file.mid(file.startsWith('+') ? 1 : 0);
            QVERIFY(parts.size() == 1 ? DiscoveryFixtures::writeFile(folder + '/' + file, QByteArray())
                                      : DiscoveryFixtures::storeManifest(folder, file, parts[2], parts[1]));
        }
        info.loadInstalledExtensions();
        QStringList actual;
        for (const ExtensionInfo& extension : info.installedExtensions())
            actual.append((extension.isInstalledByOtherProgram() ? "+" : "") + extension.name());
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
        QTest::addColumn<QString>("registered"); // "component|view": the key that names an existing folder
        QTest::addColumn<QString>("found"); // "DW" from the registry, the fallback folder, or "gone": none exists
        const char* fallback = "Program Files (x86)/Adobe/Adobe Dreamweaver CS3";
        addTestRow("8 alone", "8.0.2", "8|32", "DW");
        addTestRow("9 to 11 with .0", "10.0.4", "10.0|32", "DW");
        addTestRow("11.5 keeps its minor number", "11.5.0.5", "11.5|32", "DW");
        addTestRow("12 and above alone", "12.0", "12.0|32", fallback);
        addTestRow("a 64-bit version in the 64-bit view", "20.1", "20|64", "DW");
        addTestRow("a 32-bit version in the 64-bit view", "12.0", "12|64", "DW");
        addTestRow("missing key falls back", "20.1", "21|32", fallback);
        addTestRow("empty version is not looked up", "", "0|32", fallback);
        addTestRow("registered folder missing, no fallback", "12.0", "12|32", "gone");
    }

    void findInstallFolder()
    {
        QFETCH(QString, version);
        QFETCH(QString, registered);
        QFETCH(QString, found);
        QVERIFY(QDir().mkpath(path("Program Files (x86)/Adobe/Adobe Dreamweaver CS3")) && QDir().mkpath(path("DW")));
        // Registry names are found without regard to case, as on Windows.
        m_registry->setValue("software\\adobe\\dreamweaver\\" + registered.section('|', 0, 0) + "\\installation",
            "installpath", path(found == "gone" ? "gone" : "DW"),
            registered.endsWith("64") ? Registry::View::Bits64 : Registry::View::Bits32);
        m_registry->setValue("SOFTWARE\\Macromedia\\Dreamweaver\\20\\Installation", "InstallPath", path("DW"));
        // The fallback takes the folder's name, not the label.
        DreamweaverInfo info("Dreamweaver X", "Adobe", path("Roaming/Adobe/Dreamweaver 9"), {});
        info.setVersion(version);
        QCOMPARE(info.findInstallFolder(), found != "gone");
        // Windows joins the fallback with its own separator.
        QCOMPARE(QDir::fromNativeSeparators(info.installFolder()), found == "gone" ? path("gone") : path(found));
    }

    // Each release as its installer lays it out on 64-bit Windows: the per-user folder, version.xml and the
    // program folder (32-bit releases below Program Files (x86)), found through each source.
    void releases_data()
    {
        QTest::addColumn<QStringList>("releases"); // "label|user folder|version.xml|program folder|key|bits"
        QTest::addColumn<QString>("source"); // folders, registry, database, database only, 32-bit Windows
        QTest::addColumn<QString>("listed"); // X: Program Files (x86), P: Program Files, E: the registry's folder
        const QStringList all { "Dreamweaver MX|Macromedia/Dreamweaver MX|6.0|Macromedia/Dreamweaver MX|6|32",
            "Dreamweaver MX 2004|Macromedia/Dreamweaver MX 2004|7.0.1|Macromedia/Dreamweaver MX 2004|7|32",
            "Dreamweaver 8|Macromedia/Dreamweaver 8|8.0.2|Macromedia/Dreamweaver 8|8|32",
            "Dreamweaver CS3|Adobe/Dreamweaver 9|9.0|Adobe/Adobe Dreamweaver CS3|9.0|32",
            "Dreamweaver CS4|Adobe/Dreamweaver CS4|9.0|Adobe/Adobe Dreamweaver CS4|10.0|32",
            "Dreamweaver CS5|Adobe/Dreamweaver CS5|11.0|Adobe/Adobe Dreamweaver CS5|11.0|32",
            "Dreamweaver CS5.5|Adobe/Dreamweaver CS5.5|11.5|Adobe/Adobe Dreamweaver CS5.5|11.5|32",
            "Dreamweaver CS6|Adobe/Dreamweaver CS6|12.0|Adobe/Adobe Dreamweaver CS6|12|32",
            "Dreamweaver CC|Adobe/Dreamweaver CC|13.0|Adobe/Adobe Dreamweaver CC|13|32",
            "Dreamweaver CC 2014|Adobe/Dreamweaver CC 2014|14.0|Adobe/Adobe Dreamweaver CC 2014|14|32",
            "Dreamweaver CC 2015|Adobe/Dreamweaver CC 2015|16.0|Adobe/Adobe Dreamweaver CC 2015|16|64",
            "Dreamweaver CC 2017|Adobe/Dreamweaver CC 2017|17.0|Adobe/Adobe Dreamweaver CC 2017|17|64",
            "Dreamweaver CC 2018|Adobe/Dreamweaver CC 2018|18.0|Adobe/Adobe Dreamweaver CC 2018|18|64",
            "Dreamweaver CC 2019|Adobe/Dreamweaver CC 2019|19.0|Adobe/Adobe Dreamweaver CC 2019|19|64",
            "Dreamweaver 2020|Adobe/Dreamweaver 2020|20.0|Adobe/Adobe Dreamweaver 2020|20|64",
            "Dreamweaver 2021|Adobe/Dreamweaver 2021|21.0|Adobe/Adobe Dreamweaver 2021|21|64" };
        QStringList everyOne;
        for (const QString& release : all) {
            const QStringList field = release.split('|');
            const QString version = field[2] == "9.0" && field[0].endsWith("CS4") ? "10.0" : field[2];
            const QString line = field[0] + " | " + version + " | " + (field[5] == "32" ? "X/" : "P/") + field[3];
            everyOne.prepend(line + " | ");
            const QByteArray name = field[0].toUtf8();
            QTest::newRow(name + ": no registry") << QStringList { release } << "folders" << line + " | ";
            QTest::newRow(name + ": registry")
                << QStringList { release } << "registry" << field[0] + " | " + version + " | E/" + field[3] + " | ";
            if (version.section(".", 0, 0).toInt() >= 13 && version.section(".", 0, 0).toInt() <= 19)
                QTest::newRow(name + ": database agreeing") << QStringList { release } << "database" << line + " | D";
        }
        addTestRow("every release, no registry", all, "folders", everyOne.join("; "));
        addTestRow("database disagreeing: no program folder", QStringList { all[11] }, "database only",
            "Dreamweaver CC 2017 (v 17.0) | 17.0 |  | D");
        addTestRow("32-bit Windows: ProgramFiles only", QStringList { all[7] }, "32-bit Windows",
            "Dreamweaver CS6 | 12.0 | X/Adobe/Adobe Dreamweaver CS6 | ");
    }

    void releases()
    {
        QFETCH(QStringList, releases);
        QFETCH(QString, source);
        QFETCH(QString, listed);
        QStringList products;
        for (const QString& release : releases) {
            const QStringList field = release.split('|');
            const QString vendor = field[1].section('/', 0, 0);
            QVERIFY(DiscoveryFixtures::writeFile(path("Roaming/" + field[1] + "/en_US/Configuration/version.xml"),
                DiscoveryFixtures::versionXml(field[2])));
            const QString programFiles = field[5] == "32" ? "Program Files (x86)/" : "Program Files/";
            if (source == "registry") {
                m_registry->setValue("SOFTWARE\\" + vendor + "\\Dreamweaver\\" + field[4] + "\\Installation",
                    "InstallPath", path("E/" + field[3]),
                    field[5] == "64" ? Registry::View::Bits64 : Registry::View::Bits32);
                QVERIFY(QDir().mkpath(path("E/" + field[3])));
            } else if (source != "database only") {
                QVERIFY(QDir().mkpath(path(programFiles + field[3])));
            }
            if (source.startsWith("database"))
                products << "D|" + field[0] + "|" + field[2] + "|Dreamweaver"
                         << "D|$dreamweaver/configuration|$appdata/" + field[1];
        }
        QVERIFY(products.isEmpty() || createDatabase(products));
        // 32-bit Windows sets ProgramFiles alone.
        if (source == "32-bit Windows" && qunsetenv("ProgramFiles(x86)") && qunsetenv("ProgramW6432"))
            qputenv("ProgramFiles", path("Program Files (x86)").toUtf8());
        const DreamweaverList list = DreamweaverInfo::buildDreamweaverList(m_database);
        QStringList lines;
        for (const DreamweaverInfo& info : list.installations)
            lines << info.name() + " | " + info.version() + " | "
                    + QDir::fromNativeSeparators(info.installFolder())
                          .replace(path("Program Files (x86)"), "X")
                          .replace(path("Program Files"), "P")
                          .remove(path(""))
                    + " | " + info.productId();
        QCOMPARE(lines.join("; "), listed);
    }

    void installations_data()
    {
        // Below the roaming folder, "|" the version in version.xml ("-": none), " Configuration-1": one there
        // too, " no program": no program folder.
        QTest::addColumn<QString>("folders");
        QTest::addColumn<QString>("rows"); // "-": no database; products id|name|version|family; keys id|key|value
        QTest::addColumn<QString>("installations"); // newest first; P: the program files folder
        // Among what the list build says of the places it looked at ("why is my Dreamweaver missing?").
        QTest::addColumn<QString>("said");
        const QString cs6 = "|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6";
        // " 9" becomes " CS3" every time, the backups folder is skipped minding case, the program folder is
        // named after the label, locale folders are "??_??"; a renamed old configuration is no configuration.
#ifdef Q_OS_WIN
        // One folder name in two cases is one folder here.
        const QString otherCase, otherCaseListed;
#else
        const QString otherCase = "Adobe/Dreamweaver CS5 backups|11.0; ";
        const QString otherCaseListed = "Dreamweaver CS5 backups | 11.0 | ~/Adobe/Dreamweaver CS5 backups | "
                                        "de_de,en_US | P/Adobe/Adobe Dreamweaver CS5 backups | ; ";
#endif
        addTestRow("program folders and leftovers",
            "Macromedia/Dreamweaver 9 9|9.0; Adobe/Dreamweaver CS5 Backups|11.0; " + otherCase
                + "Adobe/Dreamweaver CS6|12.0; Adobe/Dreamweaver CC 2019|19.9; Adobe/Dreamweaver 2020|20.0; "
                  "Adobe/dreamweaver old|-; "
                  "Velkor/Dreamweaver CS6|12.0; Adobe/Dreamweaver CS4|- Configuration-1; Adobe/Dreamweaver CC|13.0 no "
                  "program",
            "-",
            "Dreamweaver 2020 | 20.0 | ~/Adobe/Dreamweaver 2020 | de_de,en_US | P/Adobe/Adobe Dreamweaver 2020 | ; "
            "Dreamweaver CC 2019 | 19.9 | ~/Adobe/Dreamweaver CC 2019 | de_de,en_US | "
            "P/Adobe/Adobe Dreamweaver CC 2019 | ; "
            "Dreamweaver CS6 | 12.0 | ~/Adobe/Dreamweaver CS6 | de_de,en_US | P/Adobe/Adobe Dreamweaver CS6 | ; "
                + otherCaseListed
                + "Dreamweaver CS3 CS3 | 9.0 | ~/Macromedia/Dreamweaver 9 9 | "
                  "de_de,en_US | P/Macromedia/Dreamweaver CS3 CS3 | ; "
                  "Dreamweaver CS4 |  | ~/Adobe/Dreamweaver CS4 | de_de,en_US | P/Adobe/Adobe Dreamweaver CS4 | ; "
                  "dreamweaver old |  | ~/Adobe/dreamweaver old | de_de,en_US | P/Adobe/Adobe dreamweaver old | ",
            "~/Adobe/Dreamweaver CS5 Backups: not listed: a backup folder (its name contains \"Backups\"); "
            "~/Adobe/Dreamweaver CC: not listed: version 13.0, but no program folder: tried "
            "X/Adobe/Adobe Dreamweaver CC, P/Adobe/Adobe Dreamweaver CC; ~/Macromedia/Dreamweaver 9 9: listed as "
            "Dreamweaver CS3 CS3: program folder P/Macromedia/Dreamweaver CS3 CS3; "
            "DB: not listed: no such file (Adobe's Extension Manager CC never ran here)");
        addTestRow("database: newest first, first keys, Dreamweaver only", "",
            "A|Dreamweaver CS6|12.0|Dreamweaver; P|Photoshop|13|Photoshop; B|Dreamweaver CC|20.0|Dreamweaver; A" + cs6
                + "; A|$installfolder|C:/DW; A|$installfolder|C:/second; P" + cs6
                + "; B|$dreamweaver/configuration|x/Adobe/Dreamweaver CS6/en_US/more",
            "Dreamweaver CC (v 20.0) | 20.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | B; "
            "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US | C:/DW | A",
            "DB, product A (Dreamweaver CS6 (v 12.0)): listed as Dreamweaver CS6 (v 12.0): configuration folder "
            "~/Adobe/Dreamweaver CS6");
        addTestRow("database: missing, other-case, two-part or climbing configuration key", "",
            "A|Dreamweaver CS6|12.0|Dreamweaver; B|Dreamweaver CC|20.0|Dreamweaver; C|Dreamweaver X|21|Dreamweaver; "
            "B|$Dreamweaver/Configuration|$appdata/Adobe/Dreamweaver CS6; A|$installfolder|C:/DW; "
            "C|$dreamweaver/configuration|$appdata/Adobe; D|Dreamweaver Y|22|Dreamweaver; "
            "D|$dreamweaver/configuration|$appdata/../Roaming",
            "",
            "product B (Dreamweaver CC (v 20.0)): not listed: no $dreamweaver/configuration key; product D "
            "(Dreamweaver Y (v 22)): not listed: its configuration key \"$appdata/../Roaming\" names no folder");
        addTestRow("database: empty first path component, no configuration folder", "",
            "A|Dreamweaver X|21.0|Dreamweaver; A|$dreamweaver/configuration|$appdata//Dreamweaver X", "", "");
        addTestRow("database rows whose folder is gone: the scanned one of their version, or nothing",
            "Adobe/Dreamweaver CC 2018|18.0.1",
            "A|Dreamweaver CC 2018|18.0|Dreamweaver; A|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CC 2018 "
            "old; B|Dreamweaver CC 2015|16.0|Dreamweaver; B|$dreamweaver/configuration|$appdata/Adobe/DW CC 2015",
            "Dreamweaver CC 2018 | 18.0.1 | ~/Adobe/Dreamweaver CC 2018 | de_de,en_US | "
            "P/Adobe/Adobe Dreamweaver CC 2018 | A",
            "(Dreamweaver CC 2018 (v 18.0)): not listed: the same installation as Dreamweaver CC 2018, found in "
            "~/Adobe/Dreamweaver CC 2018; (Dreamweaver CC 2015 (v 16.0)): not listed: no configuration folder: "
            "~/Adobe/DW CC 2015 does not exist");
        addTestRow("database: product ids holding a quote or SQL select only their own keys", "",
            "it's|Dreamweaver CS6|12.0|Dreamweaver; 0 OR 1=1|Dreamweaver Evil|1.0|Dreamweaver; it's" + cs6,
            "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | it's", "");
    }

    void installations()
    {
        QFETCH(QString, folders);
        QFETCH(QString, rows);
        QFETCH(QString, installations);
        QFETCH(QString, said);
        QVERIFY(QDir().mkpath(path("Roaming/Adobe/Dreamweaver CS6/en_US")));
        for (const QString& entry : folders.split("; ", Qt::SkipEmptyParts)) {
            const QString folder = "Roaming/" + entry.section('|', 0, 0), vendor = entry.section('/', 0, 0);
            for (const char* locale : { "en_US", "de_de", "en_USA", "english", ".x_yz" })
                QVERIFY(QDir().mkpath(path(folder + "/" + locale)));
            const QString version = entry.section('|', 1).section(' ', 0, 0);
            QVERIFY(version == "-"
                || DiscoveryFixtures::writeFile(
                    path(folder + "/en_US/Configuration/version.xml"), DiscoveryFixtures::versionXml(version)));
            for (const char* old : { "/Configuration-1", "/en_US/Configuration-1" })
                QVERIFY(!entry.endsWith(" Configuration-1")
                    || DiscoveryFixtures::writeFile(
                        path(folder + old + "/version.xml"), DiscoveryFixtures::versionXml("13.0")));
            const QString label = folder.section('/', 2).replace(" 9", " CS3");
            QVERIFY(entry.endsWith(" no program")
                || QDir().mkpath(
                    path("Program Files/" + vendor + '/' + (vendor == "Macromedia" ? "" : vendor + ' ') + label)));
        }
        QVERIFY(rows == "-" || createDatabase(rows.split("; ")));
        // The database belongs to Adobe's extension manager: never created, never written.
        QVERIFY(rows == "-" || !QSqlQuery(::extensionDatabase()).exec("INSERT INTO Tb_XManConfig VALUES (1, 2, 3)"));
        const DreamweaverList list = DreamweaverInfo::buildDreamweaverList(m_database);
        QStringList lines;
        for (const DreamweaverInfo& info : list.installations) {
            QStringList locales = info.locales();
            std::sort(locales.begin(), locales.end());
            lines.append(QStringList { info.name(), info.version(), info.userFolder().replace(path("Roaming"), "~"),
                locales.join(','), QDir::fromNativeSeparators(info.installFolder()).replace(path("Program Files"), "P"),
                info.productId() }
                             .join(" | "));
        }
        QCOMPARE(lines.join("; "), installations);
        QStringList findings;
        for (const DiscoveryFinding& finding : list.findings)
            findings << finding.place + ": "
                    + (finding.installation.isEmpty() ? "not listed" : "listed as " + finding.installation) + ": "
                    + finding.reason;
        const QString text = QDir::fromNativeSeparators(findings.join("; "))
                                 .replace(QDir::fromNativeSeparators(m_database), "DB")
                                 .replace(path("Roaming"), "~")
                                 .replace(path("Program Files (x86)"), "X")
                                 .replace(path("Program Files"), "P");
        for (const QString& piece : said.split("; ", Qt::SkipEmptyParts))
            QVERIFY2(text.contains(piece), qPrintable(piece + "\nnot in: " + text));
        QVERIFY(!QSqlDatabase::database("CCDB", false).isOpen());
        QCOMPARE(QFile::exists(m_database), rows != "-");
    }
};

QTEST_GUILESS_MAIN(TestDreamweaverInfo)
#include "tst_dreamweaverinfo.moc"
