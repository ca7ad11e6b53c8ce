#include "discovery/ExtensionInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/MxpWriter.h"
#include "support/ZxpWriter.h"

#include <QtTest>

// Details are parsed twice: a second parse must replace the lists, not extend them.
static ExtensionInfo detailed(const QByteArray& manifest)
{
    ExtensionInfo info(manifest, "test.mxi");
    info.parseDetails();
    info.parseDetails();
    return info;
}

class TestExtensionInfo : public QObject
{
    Q_OBJECT

private slots:
    void header_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("fields"); // id, name, version, author, description, products
        QTest::newRow("realistic manifest")
            << DiscoveryFixtures::tableSorterManifest()
            << QStringList { "com.velkor.tablesorter", "Table Sorter & Filter", "2.1.0", "Velkor",
                   "Sorts and filters the rows of a table & keeps the page valid.",
                   "Dreamweaver 8-, Dreamweaver 12-21" };
        QTest::newRow("names in capitals") << QByteArray("<MACROMEDIA-EXTENSION ID=\"a\" Name='N' VERSION=1><Author "
                                                         "NAME=\"Ann\"/>")
                                           << QStringList { "a", "N", "1", "Ann", "", "" };
        QTest::newRow("only &amp; decoded, once") << QByteArray("<macromedia-extension name=\"A &amp;amp; &lt;B&gt;\">")
                                                  << QStringList { "", "A &amp; &lt;B&gt;", "", "", "", "" };
        QTest::newRow("first elements win, author anywhere")
            << QByteArray("<author name=\"Early\"/><macromedia-extension id=\"1\"><author name=\"Late\"/>"
                          "</macromedia-extension><macromedia-extension id=\"2\" name=\"Two\">")
            << QStringList { "1", "", "", "Early", "", "" };
        QTest::newRow("zero byte ends the manifest")
            << QByteArray("<macromedia-extension id=\"z\">") + QByteArray(1, '\0') + "<author name=\"Hidden\"/>"
            << QStringList { "z", "", "", "", "", "" };
    }

    void header()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, fields);
        const ExtensionInfo info(manifest, "x.mxi");
        QStringList products;
        for (const ProductInfo& p : info.products())
            products.append(p.name + ' ' + p.version + '-' + p.maxVersion);
        QCOMPARE((QStringList {
                     info.id(), info.name(), info.version(), info.author(), info.description(), products.join(", ") }),
            fields);
        QVERIFY(info.files().isEmpty() && info.menuInserts().isEmpty() && info.insertbarInserts().isEmpty());
    }

    void details_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("lines"); // files, menu entries, then Insert bar buttons
        QTest::newRow("realistic manifest")
            << DiscoveryFixtures::tableSorterManifest()
            << QStringList { "file TableSorter.htm > $dreamweaver/Configuration/Commands",
                   "file scripts/TableSorter.js > $dreamweaver/Configuration/Commands",
                   "file icons/Sort.png > $Dreamweaver/Configuration/Shared/Velkor/Icons",
                   "menu DWMenu_Commands Velkor_TableSorter", "button DW_Insertbar_Common/Velkor/Velkor_Sort",
                   "button DW_Insertbar_Common/Velkor/Velkor_Filter", "button DW_Insertbar_Tables//Velkor_TableTools" };
        QTest::newRow("platform filter is exact")
            << QByteArray("<file source=\"none\"/><file source=\"empty\" platform=\"\"/><file source=\"win\" "
                          "platform=\"win\"/><file platform=\"Win\"/><file platform=\"mac\"/><file platform=\" win\"/>")
            << QStringList { "file none > ", "file empty > ", "file win > " };
        QTest::newRow("name stands in for source, duplicates kept")
            << QByteArray("<x><FILE NAME=\"old\" Destination=\"d\"/></x><file source=\"new\" name=\"no\"/><file "
                          "name=\"old\" destination=\"d\"/><file/>")
            << QStringList { "file old > d", "file new > ", "file old > d", "file  > " };
        QTest::newRow("comments and children without id are passed over") << QByteArray(
            "<menu-insert appendTo=\"m\"><!-- <menuitem id=\"old\"/> --><separator/><menu><menuitem "
            "id=\"inner\"/></menu>\n<MenuItem ID=\"new\"/></menu-insert>") << QStringList { "menu m new" };
        QTest::newRow("menu entries without appendTo, item id or markup dropped")
            << QByteArray("<menu-insert><menuitem id=\"i\"/></menu-insert><menu-insert appendTo=\"a\"><separator/>"
                          "</menu-insert><menu-insert appendTo=\"b\"/><MENU-INSERT APPENDTO=\"c\"><x id=\"y\"/>")
            << QStringList { "menu c y" };
        QTest::newRow("category without id, button without id, category outside") << QByteArray(
            "<category id=\"out\"><button id=\"o\"/></category><INSERTBAR-INSERT><Category "
            "FOLDER=\"f\"><button id=\"lost\"/></Category><category id=\"c\"><button/><BUTTON "
            "Id=\"b\"/></category></INSERTBAR-INSERT>") << QStringList { "button c//b" };
    }

    void details()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, lines);
        const ExtensionInfo info = detailed(manifest);
        QStringList actual;
        for (const FileEntry& f : info.files())
            actual.append("file " + f.source + " > " + f.destination);
        for (const MenuInsert& m : info.menuInserts())
            actual.append("menu " + m.appendTo + " " + m.itemId);
        for (const InsertbarInsert& b : info.insertbarInserts()) {
            actual.append("button " + b.categoryId + "/" + b.folder + "/" + b.buttonId);
            QVERIFY(b.markup.startsWith("<button id=\"" + b.buttonId, Qt::CaseInsensitive) && b.markup.endsWith(">"));
        }
        QCOMPARE(actual, lines);
    }

    void menuInsertKeepsItsMarkupAsWritten()
    {
        const QByteArray inner
            = "\n  <!-- note -->\n  <menuitem name=\"A &amp; B\" id=\"x\" />\n  <menuitem id=\"y\"/>\n";
        const auto inserts = detailed("<menu-insert appendTo=\"m\">" + inner + "</menu-insert>").menuInserts();
        QCOMPARE(inserts.size(), 1);
        QCOMPARE(inserts.first().markup, QString::fromUtf8(inner));
    }

    void fromAPath_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("read");
        const QByteArray manifest = DiscoveryFixtures::tableSorterManifest();
        ZxpWriter zxp;
        zxp.add("folder/Sorter.mxi", manifest);
        const QByteArray mxp = MxpWriter().add("folder\\Sorter.mxi", manifest).package();
        const QByteArray big = manifest.leftJustified(int(ExtensionInfo::maximumManifestSize) + 1, ' ');
        const auto row = [](const char* name, const char* file, const QByteArray& bytes, const char* fileName,
                             bool read) { QTest::newRow(name) << file << bytes << fileName << read; };
        row("stored manifest, suffix in capitals", "Sorter.MXI", manifest, "Sorter.MXI", true);
        row("zxp in capitals", "Sorter.ZXP", zxp.archive(), "folder/Sorter.mxi", true);
        row("mxp after another dot", "sorter.1.mxp", mxp, "folder/Sorter.mxi", true);
        row("zip is read as a manifest file", "sorter.zip", zxp.archive(), "sorter.zip", false);
        row("missing package", "gone.zxp", QByteArray(), "", false);
        row("manifest file over the cap", "big.mxi", big, "big.mxi", false);
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
        QCOMPARE(info.manifest() == QString::fromUtf8(DiscoveryFixtures::tableSorterManifest()), read);
        QCOMPARE(info.id(), read ? "com.velkor.tablesorter" : "");
    }

    void manifestsAboveTheCapAreNotRead()
    {
        const QByteArray bytes = QByteArray("<macromedia-extension id=\"big\"/>")
                                     .leftJustified(int(ExtensionInfo::maximumManifestSize), ' ');
        QCOMPARE(ExtensionInfo(bytes, "big.mxi").id(), QStringLiteral("big"));
        QCOMPARE(ExtensionInfo(bytes + ' ', "big.mxi").id(), QString());
    }
};

QTEST_GUILESS_MAIN(TestExtensionInfo)
#include "tst_extensioninfo.moc"
