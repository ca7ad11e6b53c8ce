#include "installer/ExtensionInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/ManifestFixtures.h"
#include "support/MxpWriter.h"
#include "support/ZxpWriter.h"

#include <QtTest>

namespace {

QStringList describe(const QList<FileEntry>& files)
{
    QStringList lines;
    for (const FileEntry& file : files)
        lines.append(file.source + " -> " + file.destination);
    return lines;
}

QStringList describe(const QList<MenuInsert>& inserts)
{
    QStringList lines;
    for (const MenuInsert& insert : inserts)
        lines.append(insert.appendTo + " / " + insert.itemId);
    return lines;
}

QStringList describe(const QList<InsertbarInsert>& inserts)
{
    QStringList lines;
    for (const InsertbarInsert& insert : inserts)
        lines.append(insert.categoryId + " / " + insert.folder + " / " + insert.buttonId + " = " + insert.markup);
    return lines;
}

QStringList describe(const QList<ProductInfo>& products)
{
    QStringList lines;
    for (const ProductInfo& product : products)
        lines.append(product.name + " " + product.version + "-" + product.maxVersion);
    return lines;
}

ExtensionInfo detailed(const QByteArray& manifest)
{
    ExtensionInfo info(manifest, QStringLiteral("test.mxi"));
    info.parseDetails();
    return info;
}

} // namespace

class TestExtensionInfo : public QObject
{
    Q_OBJECT

private slots:
    void header_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("fields"); // id, name, version, author

        QTest::newRow("realistic manifest") << ManifestFixtures::tableSorter()
                                            << QStringList { "com.velkor.tablesorter", "Table Sorter & Filter",
                                                   "2.1.0", "Velkor" };
        QTest::newRow("names in capitals")
            << QByteArray("<MACROMEDIA-EXTENSION ID=\"a.b\" Name='N' VERSION=1.0>\n<Author NAME=\"Ann\"/>")
            << QStringList { "a.b", "N", "1.0", "Ann" };
        QTest::newRow("only &amp; is decoded, once")
            << QByteArray("<macromedia-extension id=\"x\" name=\"A &amp;amp; B &lt;C&gt;\" version=\"1\">")
            << QStringList { "x", "A &amp; B &lt;C&gt;", "1", "" };
        QTest::newRow("first of two extension elements")
            << QByteArray("<macromedia-extension id=\"first\" name=\"One\" version=\"1\"></macromedia-extension>"
                          "<macromedia-extension id=\"second\" name=\"Two\" version=\"2\"/>")
            << QStringList { "first", "One", "1", "" };
        QTest::newRow("author found anywhere, first wins")
            << QByteArray("<x><author name=\"Early\"/></x><macromedia-extension id=\"i\"><author name=\"Late\"/>")
            << QStringList { "i", "", "", "Early" };
        QTest::newRow("missing attributes stay empty")
            << QByteArray("<macromedia-extension name=\"Only name\"><author/>")
            << QStringList { "", "Only name", "", "" };
        QTest::newRow("attributes separated by commas")
            << QByteArray("<macromedia-extension id=\"c\", name=\"Comma\", version=\"3\">")
            << QStringList { "c", "Comma", "3", "" };
        QTest::newRow("zero byte ends the manifest")
            << QByteArray("<macromedia-extension id=\"z\" name=\"Zero\" version=\"1\">") + QByteArray(1, '\0')
                + QByteArray("<author name=\"Hidden\"/>")
            << QStringList { "z", "Zero", "1", "" };
        QTest::newRow("not markup") << QByteArray("just some text") << QStringList { "", "", "", "" };
        QTest::newRow("empty") << QByteArray() << QStringList { "", "", "", "" };
        QTest::newRow("UTF-8 text") << QByteArray("<macromedia-extension id=\"u\" name=\"Caf\xc3\xa9\">")
                                    << QStringList { "u", QString::fromUtf8("Caf\xc3\xa9"), "", "" };
    }

    void header()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, fields);

        const ExtensionInfo info(manifest, QStringLiteral("x.mxi"));
        QCOMPARE((QStringList { info.id(), info.name(), info.version(), info.author() }), fields);
        QCOMPARE(info.fileName(), QStringLiteral("x.mxi"));
        // The header leaves the details for the install and remove procedures.
        QVERIFY(info.files().isEmpty());
        QVERIFY(info.menuInserts().isEmpty());
        QVERIFY(info.insertbarInserts().isEmpty());
    }

    void descriptionAndProducts_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("products");

        QTest::newRow("realistic manifest")
            << ManifestFixtures::tableSorter()
            << "Sorts and filters the rows of a table & keeps the page valid."
            << QStringList { "Dreamweaver 8-", "Dreamweaver 12-21" };
        QTest::newRow("plain description, first one wins")
            << QByteArray("<description> Plain words </description><description>second</description>") << "Plain words"
            << QStringList {};
        QTest::newRow("products outside a products element")
            << QByteArray("<PRODUCT NAME=\"Dreamweaver\" VERSION=\"20\" MAXVERSION=\"21\"/>") << ""
            << QStringList { "Dreamweaver 20-21" };
    }

    void descriptionAndProducts()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QString, description);
        QFETCH(QStringList, products);

        const ExtensionInfo info(manifest, QStringLiteral("x.mxi"));
        QCOMPARE(info.description(), description);
        QCOMPARE(describe(info.products()), products);
    }

    void files_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("files");

        QTest::newRow("realistic manifest keeps win and unmarked files")
            << ManifestFixtures::tableSorter()
            << QStringList { "TableSorter.htm -> $dreamweaver/Configuration/Commands",
                   "scripts/TableSorter.js -> $dreamweaver/Configuration/Commands",
                   "icons/Sort.png -> $Dreamweaver/Configuration/Shared/Velkor/Icons" };
        QTest::newRow("platform filter is exact")
            << QByteArray("<files><file source=\"none\" destination=\"d\"/><file source=\"empty\" platform=\"\" "
                          "destination=\"d\"/><file source=\"win\" platform=\"win\" destination=\"d\"/><file "
                          "source=\"Win\" platform=\"Win\" destination=\"d\"/><file source=\"WIN\" platform=\"WIN\" "
                          "destination=\"d\"/><file source=\"mac\" platform=\"mac\" destination=\"d\"/><file "
                          "source=\"spaced\" platform=\" win\" destination=\"d\"/></files>")
            << QStringList { "none -> d", "empty -> d", "win -> d" };
        QTest::newRow("name stands in for a missing source")
            << QByteArray("<file name=\"old.htm\" destination=\"d\"/><file source=\"new.htm\" name=\"ignored\" "
                          "destination=\"d\"/>")
            << QStringList { "old.htm -> d", "new.htm -> d" };
        QTest::newRow("empty source and destination are kept")
            << QByteArray("<files><file/><file source=\"\" destination=\"\"/></files>") << QStringList { " -> ", " -> " };
        QTest::newRow("duplicates and order are kept")
            << QByteArray("<file source=\"b\" destination=\"1\"/><file source=\"a\" destination=\"2\"/><file "
                          "source=\"b\" destination=\"1\"/>")
            << QStringList { "b -> 1", "a -> 2", "b -> 1" };
        QTest::newRow("files anywhere, names in capitals")
            << QByteArray("<x><FILE Source=\"deep\" Destination=\"d\"></FILE></x>") << QStringList { "deep -> d" };
        QTest::newRow("&amp; in a source") << QByteArray("<file source=\"A &amp; B.htm\" destination=\"d\"/>")
                                           << QStringList { "A & B.htm -> d" };
    }

    void files()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, files);
        QCOMPARE(describe(detailed(manifest).files()), files);
    }

    void menuInserts_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("inserts");

        QTest::newRow("realistic manifest") << ManifestFixtures::tableSorter()
                                            << QStringList { "DWMenu_Commands / Velkor_TableSorter" };
        QTest::newRow("comment before the item")
            << QByteArray("<menu-insert appendTo=\"m\">\n  <!-- note -->\n  <menuitem id=\"i\"/>\n</menu-insert>")
            << QStringList { "m / i" };
        QTest::newRow("commented-out item with an id is not the item")
            << QByteArray("<menu-insert appendTo=\"m\"><!-- <menuitem id=\"old\"/> --><menuitem "
                          "id=\"new\"/></menu-insert>")
            << QStringList { "m / new" };
        QTest::newRow("first child without id is passed over")
            << QByteArray("<menu-insert appendTo=\"m\"><separator/><menuitem id=\"second\"/></menu-insert>")
            << QStringList { "m / second" };
        QTest::newRow("only direct children count")
            << QByteArray("<menu-insert appendTo=\"m\"><menu name=\"x\"><menuitem id=\"inner\"/></menu><menuitem "
                          "id=\"outer\"/></menu-insert>")
            << QStringList { "m / outer" };
        QTest::newRow("no child id drops the entry")
            << QByteArray("<menu-insert appendTo=\"m\"><separator/></menu-insert>") << QStringList {};
        QTest::newRow("no appendTo drops the entry")
            << QByteArray("<menu-insert><menuitem id=\"i\"/></menu-insert>") << QStringList {};
        QTest::newRow("self-closed insert drops the entry") << QByteArray("<menu-insert appendTo=\"m\"/>")
                                                           << QStringList {};
        QTest::newRow("attribute names in any case, several entries")
            << QByteArray("<MENU-INSERT APPENDTO=\"a\"><MenuItem ID=\"one\"/></MENU-INSERT>\n<menu-insert "
                          "appendto=\"b\"><menuitem id=\"two\"/></menu-insert>")
            << QStringList { "a / one", "b / two" };
    }

    void menuInserts()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, inserts);
        QCOMPARE(describe(detailed(manifest).menuInserts()), inserts);
    }

    void menuInsertKeepsItsInnerMarkupAsWritten()
    {
        const QByteArray inner = "\n      <!-- the sorter -->\n      <menuitem name=\"A &amp; B\" id=\"x\" />\n"
                                 "      <menuitem name=\"C\" id=\"y\" />\n    ";
        const ExtensionInfo info = detailed("<menu-insert appendTo=\"DWMenu_Commands\">" + inner + "</menu-insert>");
        QCOMPARE(info.menuInserts().size(), 1);
        QCOMPARE(info.menuInserts().first().markup, QString::fromUtf8(inner));
    }

    void insertbarInserts_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("inserts");

        QTest::newRow("realistic manifest")
            << ManifestFixtures::tableSorter()
            << QStringList {
                   "DW_Insertbar_Common / Velkor / Velkor_Sort = <button id=\"Velkor_Sort\" "
                   "image=\"Shared/Velkor/Icons/Sort.png\" name=\"Sort Table\" file=\"Objects/Sort.htm\" />",
                   "DW_Insertbar_Common / Velkor / Velkor_Filter = <button id=\"Velkor_Filter\" "
                   "image=\"Shared/Velkor/Icons/Filter.png\" name=\"Filter Table\" file=\"Objects/Filter.htm\" />",
                   "DW_Insertbar_Tables /  / Velkor_TableTools = <button id=\"Velkor_TableTools\" name=\"Table "
                   "Tools\" file=\"Objects/Tools.htm\"></button>"
               };
        QTest::newRow("category without id gives no buttons")
            << QByteArray("<insertbar-insert><category folder=\"f\"><button id=\"b\"/></category></insertbar-insert>")
            << QStringList {};
        QTest::newRow("button without id is dropped, its siblings kept")
            << QByteArray("<insertbar-insert><category id=\"c\"><button name=\"n\"/><button "
                          "id=\"b\"/></category></insertbar-insert>")
            << QStringList { "c /  / b = <button id=\"b\"/>" };
        QTest::newRow("categories outside an insertbar-insert are ignored")
            << QByteArray("<category id=\"c\"><button id=\"b\"/></category>") << QStringList {};
        QTest::newRow("names in capitals")
            << QByteArray("<INSERTBAR-INSERT><Category ID=\"c\" FOLDER=\"f\"><BUTTON Id=\"b\"/></Category>"
                          "</INSERTBAR-INSERT>")
            << QStringList { "c / f / b = <BUTTON Id=\"b\"/>" };
    }

    void insertbarInserts()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, inserts);
        QCOMPARE(describe(detailed(manifest).insertbarInserts()), inserts);
    }

    void parseDetailsTwiceGivesTheSameLists()
    {
        ExtensionInfo info(ManifestFixtures::tableSorter(), QStringLiteral("t.mxi"));
        info.parseDetails();
        const auto files = info.files();
        const auto menus = info.menuInserts();
        const auto buttons = info.insertbarInserts();
        info.parseDetails();
        QCOMPARE(info.files(), files);
        QCOMPARE(info.menuInserts(), menus);
        QCOMPARE(info.insertbarInserts(), buttons);
        QCOMPARE(files.size(), 3);
        QCOMPARE(menus.size(), 1);
        QCOMPARE(buttons.size(), 3);
    }

    void constructionFromAPath_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind"); // "mxi", "zxp", "mxp", "none"
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("id");

        QTest::newRow("stored manifest") << "TableSorter.mxi" << "mxi" << "TableSorter.mxi"
                                         << "com.velkor.tablesorter";
        QTest::newRow("stored manifest in capitals") << "SORTER.MXI" << "mxi" << "SORTER.MXI"
                                                     << "com.velkor.tablesorter";
        QTest::newRow("zxp package") << "sorter.zxp" << "zxp" << "folder/TableSorter.mxi" << "com.velkor.tablesorter";
        QTest::newRow("ZXP in capitals") << "SORTER.ZXP" << "zxp" << "folder/TableSorter.mxi"
                                         << "com.velkor.tablesorter";
        QTest::newRow("mxp package") << "sorter.1.mxp" << "mxp" << "folder/TableSorter.mxi"
                                     << "com.velkor.tablesorter";
        QTest::newRow("zip archive is read as a manifest file") << "sorter.zip" << "zxp" << "sorter.zip" << "";
        QTest::newRow("missing stored file keeps its name") << "gone.mxi" << "none" << "gone.mxi" << "";
        QTest::newRow("missing package has no manifest name") << "gone.zxp" << "none" << "" << "";
    }

    void constructionFromAPath()
    {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        QFETCH(QString, fileName);
        QFETCH(QString, id);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(file);
        const QByteArray manifest = ManifestFixtures::tableSorter();
        if (kind == "mxi") {
            QVERIFY(DiscoveryFixtures::writeFile(path, manifest));
        } else if (kind == "zxp") {
            ZxpWriter zxp;
            zxp.add("folder/Readme.txt", "read me");
            zxp.add("folder/TableSorter.mxi", manifest);
            QVERIFY(zxp.writeTo(path));
        } else if (kind == "mxp") {
            MxpWriter mxp;
            mxp.add("folder\\TableSorter.mxi", manifest);
            mxp.add("TableSorter.htm", "<html></html>");
            QVERIFY(mxp.writeTo(path));
        }

        const ExtensionInfo info(path);
        QCOMPARE(info.fileName(), fileName);
        QCOMPARE(info.id(), id);
        if (!id.isEmpty()) {
            QCOMPARE(info.manifest(), QString::fromUtf8(manifest));
            QCOMPARE(info.author(), QStringLiteral("Velkor"));
        }
    }

    void manifestsAboveTheCapAreNotRead_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("read");

        QTest::newRow("exactly the cap") << ExtensionInfo::maximumManifestSize << true;
        QTest::newRow("one byte more") << ExtensionInfo::maximumManifestSize + 1 << false;
    }

    void manifestsAboveTheCapAreNotRead()
    {
        QFETCH(qint64, size);
        QFETCH(bool, read);

        QByteArray bytes("<macromedia-extension id=\"big\"/>");
        bytes.append(QByteArray(int(size) - bytes.size(), ' '));

        const ExtensionInfo fromBytes(bytes, QStringLiteral("big.mxi"));
        QCOMPARE(fromBytes.id(), read ? QStringLiteral("big") : QString());
        QCOMPARE(fromBytes.manifest().size(), read ? int(size) : 0);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(DiscoveryFixtures::writeFile(folder.filePath("big.mxi"), bytes));
        const ExtensionInfo fromFile(folder.filePath("big.mxi"));
        QCOMPARE(fromFile.id(), read ? QStringLiteral("big") : QString());
        QCOMPARE(fromFile.fileName(), QStringLiteral("big.mxi"));
    }
};

QTEST_GUILESS_MAIN(TestExtensionInfo)
#include "tst_extensioninfo.moc"
