#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionDatabase.h"
#include "platform/MapRegistry.h"
#include "support/DiscoveryFixtures.h"
#include "support/TestRows.h"

#include <QSqlQuery>
#include <QtTest>

// The two sources of the installation list: the per-user program folders with
// the registry, and Adobe's ExMan.db as a real SQLite file.
class TestDiscoverySources : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_database;
    MapRegistry* m_registry = nullptr;

    QString path(const QString& relative) const { return m_root.path() + '/' + relative; }

    // Rows are "|"-separated column values; four make a product, three a key.
    bool createDatabase(const QStringList& rows)
    {
        bool ok = QDir().mkpath(QFileInfo(m_database).absolutePath());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
            db.setDatabaseName(m_database);
            QSqlQuery query(db);
            ok = ok && db.open()
                && query.exec("CREATE TABLE Tb_ProductInfoV2 (ProdID, DisplayName, ProdVersion, FamilyName)")
                && query.exec("CREATE TABLE Tb_XManConfig (ProdID, KeyName, KeyValue)");
            for (const QString& row : rows) {
                const QStringList values = row.split('|');
                ok = ok
                    && query.prepare(values.size() == 4 ? "INSERT INTO Tb_ProductInfoV2 VALUES (?, ?, ?, ?)"
                                                        : "INSERT INTO Tb_XManConfig VALUES (?, ?, ?)");
                for (const QString& value : values)
                    query.addBindValue(value);
                ok = ok && query.exec();
            }
        }
        QSqlDatabase::removeDatabase("fixture");
        return ok;
    }

    static QStringList describe(const QString& base)
    {
        QStringList lines;
        for (const DreamweaverInfo& info : DreamweaverInfo::installations())
            lines.append(QStringList { info.name(), info.version(), QString(info.userFolder()).replace(base, "~"),
                info.locales().join(','), info.installFolder(), info.productId() }
                             .join(" | "));
        return lines;
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
        QVERIFY(!QSqlDatabase::database("CCDB", false).isOpen());
    }

    void init()
    {
        auto registry = std::make_unique<MapRegistry>();
        m_registry = registry.get();
        Registry::setInstance(std::move(registry));
    }

    void cleanup()
    {
        Registry::setInstance(nullptr);
        QDir(m_root.path()).removeRecursively();
        DreamweaverInfo::installations().clear();
    }

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
        m_registry->setValue("SOFTWARE\\Adobe\\Dreamweaver\\" + registered + "\\Installation", "InstallPath",
            path(found == "gone" ? "gone" : "DW"));
        m_registry->setValue("SOFTWARE\\Macromedia\\Dreamweaver\\20\\Installation", "InstallPath", path("DW"));

        // The fallback takes the folder's name, not the label.
        DreamweaverInfo info("Dreamweaver CS3", "Adobe", path("Roaming/Adobe/Dreamweaver 9"), {});
        info.setVersion(version);
        QCOMPARE(info.findInstallFolder(), found != "gone");
        QCOMPARE(info.installFolder(), path(found));
    }

    void programFolders_data()
    {
        QTest::addColumn<QString>("folder"); // below the roaming folder
        QTest::addColumn<QString>("version"); // "-": no version.xml
        QTest::addColumn<QString>("label"); // empty: not listed
        addTestRow("9 becomes CS3, every time", "Macromedia/Dreamweaver 9 9", "9.0", "Dreamweaver CS3 CS3");
        addTestRow("Backups skipped", "Adobe/Dreamweaver CS5 Backups", "11.0", "");
        addTestRow("backups in lower case listed", "Adobe/Dreamweaver CS5 backups", "11.0", "Dreamweaver CS5 backups");
        addTestRow("12 listed", "Adobe/Dreamweaver CS6", "12.0", "Dreamweaver CS6");
        addTestRow("13 left out", "Adobe/Dreamweaver CC", "13.0", "");
        addTestRow("19 left out", "Adobe/Dreamweaver CC 2019", "19.9", "");
        addTestRow("20 listed", "Adobe/Dreamweaver 2020", "20.0", "Dreamweaver 2020");
        addTestRow("no version.xml counts as 0", "Adobe/dreamweaver old", "-", "dreamweaver old");
        addTestRow("other publishers not searched", "Velkor/Dreamweaver CS6", "12.0", "");
    }

    void programFolders()
    {
        QFETCH(QString, folder);
        QFETCH(QString, version);
        QFETCH(QString, label);
        const QString vendor = folder.section('/', 0, 0);
        for (const char* locale : { "en_US", "de_de", "english", ".x_yz" })
            QVERIFY(QDir().mkpath(path("Roaming/" + folder + "/" + locale)));
        QVERIFY(version == "-"
            || DiscoveryFixtures::writeFile(path("Roaming/" + folder + "/en_US/Configuration/version.xml"),
                DiscoveryFixtures::versionXml(version)));
        QVERIFY(QDir().mkpath(path("Program Files/" + vendor + '/' + vendor + ' ' + folder.section('/', 1))));

        DreamweaverInfo::buildDreamweaverList(m_database);

        const QStringList expected = label.isEmpty() ? QStringList() : QStringList { label };
        QStringList names, locales;
        for (const DreamweaverInfo& info : DreamweaverInfo::installations()) {
            names.append(info.name());
            locales = info.locales();
            QCOMPARE(info.vendor(), vendor);
            QCOMPARE(info.version(), version == "-" ? QString() : version);
        }
        QCOMPARE(names, expected);
        std::sort(locales.begin(), locales.end());
        QCOMPARE(locales, label.isEmpty() ? QStringList() : (QStringList { "de_de", "en_US" }));
    }

    void extensionDatabase_data()
    {
        QTest::addColumn<QStringList>("rows"); // products: id|name|version|family; keys: id|key|value
        QTest::addColumn<QStringList>("installations");
        const QString cs6 = "|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6";
        QTest::newRow("two products in query order")
            << QStringList { "B|Dreamweaver CC|20.0|Dreamweaver", "P|Photoshop|13|Photoshop",
                   "A|Dreamweaver CS6|12.0|Dreamweaver", "A" + cs6, "A|$installfolder|C:/DW",
                   "A|$installfolder|C:/second", "P" + cs6,
                   "B|$dreamweaver/configuration|x/Adobe/Dreamweaver CS6/en_US/more" }
            << QStringList { "Dreamweaver CC (v 20.0) | 20.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | B",
                   "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US | C:/DW | A" };
        QTest::newRow("missing, other-case or two-part configuration key")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver", "B|Dreamweaver CC|20.0|Dreamweaver",
                   "C|Dreamweaver X|21|Dreamweaver", "B|$Dreamweaver/Configuration|$appdata/Adobe/Dreamweaver CS6",
                   "A|$installfolder|C:/DW", "C|$dreamweaver/configuration|$appdata/Adobe" }
            << QStringList {};
        QTest::newRow("empty first path component, missing folder") << QStringList {
            "A|Dreamweaver X|21.0|Dreamweaver", "A|$dreamweaver/configuration|$appdata//Dreamweaver X"
        } << QStringList { "Dreamweaver X (v 21.0) | 21.0 | ~/Dreamweaver X |  |  | A" };
        QTest::newRow("product ids holding a quote or SQL select only their own keys") << QStringList {
            "it's|Dreamweaver CS6|12.0|Dreamweaver", "0 OR 1=1|Dreamweaver Evil|1.0|Dreamweaver", "it's" + cs6
        } << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | it's" };
    }

    void extensionDatabase()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, installations);
        QVERIFY(QDir().mkpath(path("Roaming/Adobe/Dreamweaver CS6/en_US")));
        QVERIFY(createDatabase(rows));

        // The list build sorts; called alone, the source shows the database's order.
        DreamweaverInfo::buildDreamweaverList(m_database);
        DreamweaverInfo::installations().clear();
        addFromExtensionDatabase(m_database);

        QCOMPARE(describe(path("Roaming")), installations);
        QVERIFY(!QSqlDatabase::database("CCDB", false).isOpen());
    }

    void databaseIsNeverWrittenOrCreated()
    {
        DreamweaverInfo::buildDreamweaverList(m_database);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unable to open database"));
        QVERIFY(!::extensionDatabase().isOpen());
        QVERIFY(!QFile::exists(m_database));

        QVERIFY(createDatabase({}));
        QSqlDatabase db = ::extensionDatabase();
        QVERIFY(!QSqlQuery(db).exec("INSERT INTO Tb_XManConfig VALUES (1, 2, 3)"));
        db.close();
    }
};

QTEST_GUILESS_MAIN(TestDiscoverySources)
#include "tst_discoverysources.moc"
