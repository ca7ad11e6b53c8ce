#include "TestData.h"
#include "discovery/ExtensionInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/MxpWriter.h"
#include "support/TestRows.h"
#include "support/ZxpWriter.h"

#include <QtTest>

// The realistic manifest of the test data (comments, CDATA, products, both platforms).
static const QByteArray tableSorter = DiscoveryFixtures::readFile(MORAVEL_TEST_DATA_DIR "/installer/TableSorter.mxi");

class TestExtensionInfo : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("lines"); // header fields, then files, menu entries and Insert bar buttons
        addTestRow("realistic manifest", tableSorter,
            QStringList { "com.velkor.tablesorter | Table Sorter & Filter | 2.1.0 | Velkor | "
                          "Sorts and filters the rows of a table & keeps the page valid. | Dreamweaver 8-, "
                          "Dreamweaver 12-21",
                "file TableSorter.htm > $dreamweaver/Configuration/Commands",
                "file scripts/TableSorter.js > $dreamweaver/Configuration/Commands",
                "file icons/Sort.png > $Dreamweaver/Configuration/Shared/Velkor/Icons",
                "menu DWMenu_Commands Velkor_TableSorter", "button DW_Insertbar_Common/Velkor/Velkor_Sort",
                "button DW_Insertbar_Common/Velkor/Velkor_Filter", "button DW_Insertbar_Tables//Velkor_TableTools" });
        addTestRow("first elements win, author anywhere",
            QByteArray("<author name=\"Early\"/><macromedia-extension id=\"1\"><author name=\"Late\"/>"
                       "</macromedia-extension><macromedia-extension id=\"2\" name=\"Two\">"),
            QStringList { "1 |  |  | Early |  | " });
        addTestRow("zero byte ends the manifest",
            QByteArray("<macromedia-extension id=\"z\">") + '\0' + "<author name=\"Hidden\"/><file source=\"f\"/>",
            QStringList { "z |  |  |  |  | " });
        const QString none = " |  |  |  |  | ";
        addTestRow("platform filter is exact",
            QByteArray("<file source=\"none\"/><file source=\"empty\" platform=\"\"/><file source=\"win\" "
                       "platform=\"win\"/><file platform=\"Win\"/><file platform=\"mac\"/><file platform=\" win\"/>"),
            QStringList { none, "file none > ", "file empty > ", "file win > " });
        addTestRow("name stands in for source, duplicates kept",
            QByteArray("<x><FILE NAME=\"old\" Destination=\"d\"/></x><file source=\"new\" name=\"no\"/><file "
                       "name=\"old\" destination=\"d\"/><file/>"),
            QStringList { none, "file old > d", "file new > ", "file old > d", "file  > " });
        addTestRow("comments and children without id are passed over",
            QByteArray("<menu-insert appendTo=\"m\"><!-- <menuitem id=\"old\"/> --><separator/><menu><menuitem "
                       "id=\"inner\"/></menu>\n<MenuItem ID=\"new\"/></menu-insert>"),
            QStringList { none, "menu m new" });
        addTestRow("menu entries without appendTo, item id or markup dropped",
            QByteArray("<menu-insert><menuitem id=\"i\"/></menu-insert><menu-insert appendTo=\"a\"><separator/>"
                       "</menu-insert><menu-insert appendTo=\"b\"/><MENU-INSERT APPENDTO=\"c\"><x id=\"y\"/>"),
            QStringList { none, "menu c y" });
        addTestRow("category without id, button without id, category outside",
            QByteArray("<category id=\"out\"><button id=\"o\"/></category><INSERTBAR-INSERT><Category "
                       "FOLDER=\"f\"><button id=\"lost\"/></Category><category id=\"c\"><button/><BUTTON "
                       "Id=\"b\"/></category></INSERTBAR-INSERT>"),
            QStringList { none, "button c//b" });
    }

    void parse()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, lines);
        ExtensionInfo info(manifest, "x.mxi");
        QVERIFY(info.files().isEmpty() && info.menuInserts().isEmpty() && info.insertbarInserts().isEmpty());
        // Details are parsed twice: a second parse must replace the lists, not extend them.
        info.parseDetails();
        info.parseDetails();
        QStringList products, actual;
        for (const ProductInfo& p : info.products())
            products.append(p.name + ' ' + p.version + '-' + p.maxVersion);
        actual.append(QStringList {
            info.id(), info.name(), info.version(), info.author(), info.description(), products.join(", ") }
                          .join(" | "));
        for (const FileEntry& f : info.files())
            actual.append("file " + f.source + " > " + f.destination);
        // Markup is kept as written: entities, comments and white space included.
        for (const MenuInsert& m : info.menuInserts()) {
            actual.append("menu " + m.appendTo + " " + m.itemId);
            QVERIFY(manifest.contains('>' + m.markup.toUtf8()));
        }
        for (const InsertbarInsert& b : info.insertbarInserts()) {
            actual.append("button " + b.categoryId + "/" + b.folder + "/" + b.buttonId);
            QVERIFY(b.markup.startsWith("<button", Qt::CaseInsensitive) && manifest.contains(b.markup.toUtf8()));
        }
        QCOMPARE(actual, lines);
    }

    void fromAPath_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("read"); // the manifest is the table sorter's, without carriage returns
        ZxpWriter zxp, big;
        zxp.add("folder/Sorter.mxi", tableSorter);
        const QByteArray mxp = MxpWriter().add("folder\\Sorter.mxi", tableSorter).package();
        const QByteArray atCap = tableSorter.leftJustified(int(ExtensionInfo::maximumManifestSize), ' ');
        big.add("Sorter.mxi", atCap + ' ');
        addTestRow("stored manifest, carriage returns dropped", "Sorter.MXI",
            QByteArray(tableSorter).replace("\n", "\r\n"), "Sorter.MXI", true);
        addTestRow("zxp in capitals", "Sorter.ZXP", zxp.archive(), "folder/Sorter.mxi", true);
        addTestRow("mxp after another dot", "sorter.1.mxp", mxp, "folder/Sorter.mxi", true);
        addTestRow("zip is read as a manifest file", "sorter.zip", zxp.archive(), "sorter.zip", false);
        addTestRow("missing package", "gone.zxp", QByteArray(), "", false);
        addTestRow("manifest file as large as the cap", "big.mxi", atCap, "big.mxi", true);
        addTestRow("manifest file over the cap", "big.mxi", atCap + ' ', "big.mxi", false);
        addTestRow("manifest in a package over the cap", "big.zxp", big.archive(), "Sorter.mxi", false);
    }

    void fromAPath()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fileName);
        QFETCH(bool, read);
        QTemporaryDir folder;
        QVERIFY(bytes.isNull() || DiscoveryFixtures::writeFile(folder.filePath(file), bytes));
        const ExtensionInfo info(folder.filePath(file));
        QCOMPARE(info.fileName(), fileName);
        QCOMPARE(info.manifest().trimmed() == QString::fromUtf8(tableSorter).trimmed(), read);
        QCOMPARE(info.id(), read ? "com.velkor.tablesorter" : "");
    }
};

QTEST_GUILESS_MAIN(TestExtensionInfo)
#include "tst_extensioninfo.moc"
