#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionDatabase.h"
#include "support/DiscoveryFixtures.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

// Installations read from a real SQLite file shaped like Adobe's ExMan.db.
class TestExtensionDatabase : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    ScopedEnvironment* m_environment = nullptr;
    QString m_databasePath;

    QString appData() const { return m_root.path() + "/Roaming"; }

    // products: "ProdID|DisplayName|ProdVersion|FamilyName"; keys: "ProdID|KeyName|KeyValue".
    bool createDatabase(const QStringList& products, const QStringList& keys)
    {
        bool ok = DiscoveryFixtures::makeFolder(QFileInfo(m_databasePath).absolutePath());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
            db.setDatabaseName(m_databasePath);
            ok = ok && db.open();
            QSqlQuery query(db);
            ok = ok
                && query.exec("CREATE TABLE Tb_ProductInfoV2 (ProdID TEXT, DisplayName TEXT, ProdVersion TEXT, "
                              "FamilyName TEXT, Other TEXT)")
                && query.exec("CREATE TABLE Tb_XManConfig (ProdID TEXT, KeyName TEXT, KeyValue TEXT)");
            for (const QString& product : products) {
                const QStringList fields = product.split('|');
                ok = ok && query.prepare("INSERT INTO Tb_ProductInfoV2 VALUES (?, ?, ?, ?, 'x')");
                for (const QString& field : fields)
                    query.addBindValue(field);
                ok = ok && query.exec();
            }
            for (const QString& key : keys) {
                const QStringList fields = key.split('|');
                ok = ok && query.prepare("INSERT INTO Tb_XManConfig VALUES (?, ?, ?)");
                for (const QString& field : fields)
                    query.addBindValue(field);
                ok = ok && query.exec();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("fixture");
        return ok;
    }

    // One line per installation, in list order.
    static QStringList describe(const QList<DreamweaverInfo>& list, const QString& base)
    {
        QStringList lines;
        for (const DreamweaverInfo& info : list) {
            QString userFolder = info.userFolder();
            userFolder.replace(base, "~");
            lines.append(QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6")
                             .arg(info.name(), info.version(), userFolder, info.locales().join(','),
                                 info.installFolder(), info.productId()));
        }
        return lines;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_environment = new ScopedEnvironment;
        m_environment->set("ALLUSERSPROFILE", m_root.path() + "/ProgramData");
        m_environment->set("APPDATA", appData());
        m_environment->set("ProgramW6432", m_root.path() + "/none");
        m_databasePath = openExtensionDatabase();
    }

    void cleanupTestCase() { delete m_environment; }

    void cleanup()
    {
        QFile::remove(m_databasePath);
        DreamweaverInfo::installations().clear();
    }

    void pathAndConnection()
    {
        QCOMPARE(QDir::fromNativeSeparators(m_databasePath),
            m_root.path() + "/ProgramData/Adobe/Moravel CC/Configuration/DB/ExMan.db");
        QVERIFY(QSqlDatabase::contains("CCDB"));
        const QSqlDatabase db = QSqlDatabase::database("CCDB", false);
        QCOMPARE(db.driverName(), QStringLiteral("QSQLITE"));
        QCOMPARE(db.databaseName(), m_databasePath);
        QVERIFY(!db.isOpen());
    }

    void productsBecomeInstallations_data()
    {
        QTest::addColumn<QStringList>("products");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("installations");

        const QString cs6Key = "A|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6";
        QTest::newRow("label, version, folder and install folder")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver" } << QStringList { cs6Key, "A|$installfolder|C:/DW" }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US | C:/DW | A" };
        QTest::newRow("two products in query order, same folder")
            << QStringList { "B|Dreamweaver CC|20.0|Dreamweaver", "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { cs6Key, "B|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6" }
            << QStringList { "Dreamweaver CC (v 20.0) | 20.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | B",
                   "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | A" };
        QTest::newRow("other families are ignored")
            << QStringList { "P|Photoshop|13.0|Photoshop", "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { "P|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6", cs6Key }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | A" };
        QTest::newRow("missing configuration key leaves the product out")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver", "B|Dreamweaver CC|20.0|Dreamweaver" }
            << QStringList { cs6Key, "B|$installfolder|C:/DW" }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | A" };
        QTest::newRow("configuration key name is exact")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { "A|$Dreamweaver/Configuration|$appdata/Adobe/Dreamweaver CS6" } << QStringList {};
        QTest::newRow("value with two parts leaves the product out")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { "A|$dreamweaver/configuration|$appdata/Adobe" } << QStringList {};
        QTest::newRow("parts after the third are ignored, the vendor is always Adobe")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { "A|$dreamweaver/configuration|$x/Adobe/Dreamweaver CS6/en_US/Configuration" }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | A" };
        QTest::newRow("empty part 1 still counts")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { "A|$dreamweaver/configuration|$appdata//Adobe" }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe |  |  | A" };
        QTest::newRow("missing user folder gives one empty locale")
            << QStringList { "A|Dreamweaver X|21.0|Dreamweaver" }
            << QStringList { "A|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver X" }
            << QStringList { "Dreamweaver X (v 21.0) | 21.0 | ~/Adobe/Dreamweaver X |  |  | A" };
        QTest::newRow("only the first row of a key counts")
            << QStringList { "A|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { cs6Key, "A|$dreamweaver/configuration|$appdata/Adobe/Other", "A|$installfolder|C:/one",
                   "A|$installfolder|C:/two" }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US | C:/one | A" };
        QTest::newRow("product id with a quote")
            << QStringList { "it's|Dreamweaver CS6|12.0|Dreamweaver" }
            << QStringList { "it's|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6",
                   "it's|$installfolder|C:/DW" }
            << QStringList { "Dreamweaver CS6 (v 12.0) | 12.0 | ~/Adobe/Dreamweaver CS6 | en_US | C:/DW | it's" };
        QTest::newRow("product id holding SQL selects only its own keys")
            << QStringList { "0 OR 1=1|Dreamweaver Evil|1.0|Dreamweaver", "B|Dreamweaver CC|20.0|Dreamweaver" }
            << QStringList { "B|$dreamweaver/configuration|$appdata/Adobe/Dreamweaver CS6" }
            << QStringList { "Dreamweaver CC (v 20.0) | 20.0 | ~/Adobe/Dreamweaver CS6 | en_US |  | B" };
        QTest::newRow("empty version") << QStringList { "A|Dreamweaver|  |Dreamweaver" } << QStringList { cs6Key }
                                       << QStringList {
                                              "Dreamweaver (v   ) |    | ~/Adobe/Dreamweaver CS6 | en_US |  | A"
                                          };
    }

    void productsBecomeInstallations()
    {
        QFETCH(QStringList, products);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, installations);

        QVERIFY(DiscoveryFixtures::makeFolder(appData() + "/Adobe/Dreamweaver CS6/en_US"));
        QVERIFY(DiscoveryFixtures::makeFolder(appData() + "/Adobe/Dreamweaver CS6/Configuration"));
        QVERIFY(createDatabase(products, keys));

        // The list build sorts; the database's own order shows before it.
        DreamweaverInfo::buildDreamweaverList(m_databasePath);
        DreamweaverInfo::installations().clear();
        addFromExtensionDatabase(m_databasePath);

        QCOMPARE(describe(DreamweaverInfo::installations(), appData()), installations);
        QVERIFY(!QSqlDatabase::database("CCDB", false).isOpen());
    }

    void connectionIsReadOnly()
    {
        QVERIFY(createDatabase({ "A|Dreamweaver CS6|12.0|Dreamweaver" }, {}));
        QSqlDatabase db = extensionDatabase();
        QVERIFY(db.isOpen());
        QSqlQuery query(db);
        QVERIFY(!query.exec("INSERT INTO Tb_XManConfig VALUES ('A', 'k', 'v')"));
        db.close();
    }

    void missingDatabaseIsNotCreated()
    {
        DreamweaverInfo::buildDreamweaverList(m_databasePath);
        QVERIFY(DreamweaverInfo::installations().isEmpty());
        QVERIFY(!QFile::exists(m_databasePath));
        // Even asked directly, the connection does not create the file.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unable to open database"));
        QVERIFY(!extensionDatabase().isOpen());
        QVERIFY(!QFile::exists(m_databasePath));
    }

    void fileWithoutTheTablesAddsNothing()
    {
        QVERIFY(DiscoveryFixtures::writeFile(m_databasePath, "not a database at all"));
        DreamweaverInfo::buildDreamweaverList(m_databasePath);
        QVERIFY(DreamweaverInfo::installations().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExtensionDatabase)
#include "tst_extensiondatabase.moc"
