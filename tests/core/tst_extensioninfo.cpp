#include "installer/ExtensionInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/MxpWriter.h"
#include "support/ZxpWriter.h"

#include <QtTest>

template <typename T, typename F> static QStringList describe(const QList<T>& items, F line)
{
    QStringList lines;
    for (const T& item : items)
        lines.append(line(item));
    return lines;
}

static ExtensionInfo detailed(const QByteArray& manifest)
{
    ExtensionInfo info(manifest, "test.mxi");
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
        QTest::addColumn<QStringList>("fields"); // id, name, version, author
        QTest::newRow("realistic manifest")
            << DiscoveryFixtures::tableSorterManifest()
            << QStringList { "com.velkor.tablesorter", "Table Sorter & Filter", "2.1.0", "Velkor" };
        QTest::newRow("names in capitals") << QByteArray("<MACROMEDIA-EXTENSION ID=\"a\" Name='N' VERSION=1><Author "
                                                         "NAME=\"Ann\"/>")
                                           << QStringList { "a", "N", "1", "Ann" };
        QTest::newRow("only &amp; decoded, once") << QByteArray("<macromedia-extension name=\"A &amp;amp; &lt;B&gt;\">")
                                                  << QStringList { "", "A &amp; &lt;B&gt;", "", "" };
        QTest::newRow("first elements win, author anywhere")
            << QByteArray("<author name=\"Early\"/><macromedia-extension id=\"1\"><author name=\"Late\"/>"
                          "</macromedia-extension><macromedia-extension id=\"2\" name=\"Two\">")
            << QStringList { "1", "", "", "Early" };
        QTest::newRow("zero byte ends the manifest")
            << QByteArray("<macromedia-extension id=\"z\">") + QByteArray(1, '\0') + "<author name=\"Hidden\"/>"
            << QStringList { "z", "", "", "" };
        QTest::newRow("not markup") << QByteArray("just text") << QStringList { "", "", "", "" };
    }

    void header()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, fields);
        const ExtensionInfo info(manifest, "x.mxi");
        QCOMPARE((QStringList { info.id(), info.name(), info.version(), info.author() }), fields);
        QVERIFY(info.files().isEmpty() && info.menuInserts().isEmpty() && info.insertbarInserts().isEmpty());
    }

    void descriptionAndProducts()
    {
        const ExtensionInfo info(DiscoveryFixtures::tableSorterManifest(), "x.mxi");
        QCOMPARE(info.description(), QStringLiteral("Sorts and filters the rows of a table & keeps the page valid."));
        QCOMPARE(
            describe(info.products(), [](const ProductInfo& p) { return p.name + p.version + "-" + p.maxVersion; }),
            (QStringList { "Dreamweaver8-", "Dreamweaver12-21" }));
    }

    void files_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("realistic manifest") << DiscoveryFixtures::tableSorterManifest()
                                            << QStringList { "TableSorter.htm > $dreamweaver/Configuration/Commands",
                                                   "scripts/TableSorter.js > $dreamweaver/Configuration/Commands",
                                                   "icons/Sort.png > $Dreamweaver/Configuration/Shared/Velkor/Icons" };
        QTest::newRow("platform filter is exact")
            << QByteArray("<file source=\"none\"/><file source=\"empty\" platform=\"\"/><file source=\"win\" "
                          "platform=\"win\"/><file platform=\"Win\"/><file platform=\"mac\"/><file platform=\" win\"/>")
            << QStringList { "none > ", "empty > ", "win > " };
        QTest::newRow("name stands in for source, duplicates kept") << QByteArray(
            "<x><FILE NAME=\"old\" Destination=\"d\"/></x><file source=\"new\" name=\"no\"/><file "
            "name=\"old\" destination=\"d\"/><file/>") << QStringList { "old > d", "new > ", "old > d", " > " };
    }

    void files()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, files);
        QCOMPARE(
            describe(detailed(manifest).files(), [](const FileEntry& f) { return f.source + " > " + f.destination; }),
            files);
    }

    void menuInserts_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("inserts");
        QTest::newRow("realistic manifest")
            << DiscoveryFixtures::tableSorterManifest() << QStringList { "DWMenu_Commands Velkor_TableSorter" };
        QTest::newRow("comments and children without id are passed over") << QByteArray(
            "<menu-insert appendTo=\"m\"><!-- <menuitem id=\"old\"/> --><separator/><menu><menuitem "
            "id=\"inner\"/></menu>\n<MenuItem ID=\"new\"/></menu-insert>") << QStringList { "m new" };
        QTest::newRow("entries without appendTo, item id or markup dropped")
            << QByteArray("<menu-insert><menuitem id=\"i\"/></menu-insert><menu-insert appendTo=\"a\"><separator/>"
                          "</menu-insert><menu-insert appendTo=\"b\"/><MENU-INSERT APPENDTO=\"c\"><x id=\"y\"/>")
            << QStringList { "c y" };
    }

    void menuInserts()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, inserts);
        QCOMPARE(
            describe(detailed(manifest).menuInserts(), [](const MenuInsert& m) { return m.appendTo + " " + m.itemId; }),
            inserts);
    }

    void menuInsertKeepsItsMarkupAsWritten()
    {
        const QByteArray inner
            = "\n  <!-- note -->\n  <menuitem name=\"A &amp; B\" id=\"x\" />\n  <menuitem id=\"y\"/>\n";
        const auto inserts = detailed("<menu-insert appendTo=\"m\">" + inner + "</menu-insert>").menuInserts();
        QCOMPARE(inserts.size(), 1);
        QCOMPARE(inserts.first().markup, QString::fromUtf8(inner));
    }

    void insertbarInserts_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QStringList>("inserts");
        QTest::newRow("realistic manifest")
            << DiscoveryFixtures::tableSorterManifest()
            << QStringList { "DW_Insertbar_Common/Velkor/Velkor_Sort", "DW_Insertbar_Common/Velkor/Velkor_Filter",
                   "DW_Insertbar_Tables//Velkor_TableTools" };
        QTest::newRow("category without id, button without id, category outside") << QByteArray(
            "<category id=\"out\"><button id=\"o\"/></category><INSERTBAR-INSERT><Category "
            "FOLDER=\"f\"><button id=\"lost\"/></Category><category id=\"c\"><button/><BUTTON "
            "Id=\"b\"/></category></INSERTBAR-INSERT>") << QStringList { "c//b" };
    }

    void insertbarInserts()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QStringList, inserts);
        const auto buttons = detailed(manifest).insertbarInserts();
        QCOMPARE(describe(buttons,
                     [](const InsertbarInsert& b) { return b.categoryId + "/" + b.folder + "/" + b.buttonId; }),
            inserts);
        for (const InsertbarInsert& button : buttons)
            QVERIFY(button.markup.startsWith("<button id=\"" + button.buttonId, Qt::CaseInsensitive));
        QVERIFY(buttons.last().markup.endsWith(">"));
    }

    void parseDetailsTwiceGivesTheSameLists()
    {
        ExtensionInfo info(DiscoveryFixtures::tableSorterManifest(), "t.mxi");
        info.parseDetails();
        const ExtensionInfo once = info;
        info.parseDetails();
        QCOMPARE(info.files(), once.files());
        QCOMPARE(info.menuInserts(), once.menuInserts());
        QCOMPARE(info.insertbarInserts(), once.insertbarInserts());
    }

    void fromAPath_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("read");
        QTest::newRow("stored manifest, suffix in capitals") << "Sorter.MXI"
                                                             << "Sorter.MXI" << true;
        QTest::newRow("zxp in capitals") << "Sorter.ZXP"
                                         << "folder/Sorter.mxi" << true;
        QTest::newRow("mxp after another dot") << "sorter.1.mxp"
                                               << "folder/Sorter.mxi" << true;
        QTest::newRow("zip is read as a manifest file") << "sorter.zip"
                                                        << "sorter.zip" << false;
        QTest::newRow("missing package") << "gone.zxp"
                                         << "" << false;
    }

    void fromAPath()
    {
        QFETCH(QString, file);
        QFETCH(QString, fileName);
        QFETCH(bool, read);
        QTemporaryDir folder;
        const QString path = folder.filePath(file);
        const QByteArray manifest = DiscoveryFixtures::tableSorterManifest();
        ZxpWriter zxp;
        zxp.add("folder/Sorter.mxi", manifest);
        MxpWriter mxp;
        mxp.add("folder\\Sorter.mxi", manifest);
        QVERIFY(file.startsWith("gone")
            || (file.endsWith("mxp")       ? DiscoveryFixtures::writeFile(path, mxp.package())
                    : file.endsWith("MXI") ? DiscoveryFixtures::writeFile(path, manifest)
                                           : DiscoveryFixtures::writeFile(path, zxp.archive())));

        const ExtensionInfo info(path);
        QCOMPARE(info.fileName(), fileName);
        QCOMPARE(info.manifest() == QString::fromUtf8(manifest), read);
        QCOMPARE(info.id(), read ? "com.velkor.tablesorter" : "");
    }

    void manifestsAboveTheCapAreNotRead()
    {
        QByteArray bytes = "<macromedia-extension id=\"big\"/>";
        bytes.append(QByteArray(int(ExtensionInfo::maximumManifestSize) - bytes.size(), ' '));
        QCOMPARE(ExtensionInfo(bytes, "big.mxi").id(), QStringLiteral("big"));
        QTemporaryDir folder;
        QVERIFY(DiscoveryFixtures::writeFile(folder.filePath("big.mxi"), bytes + ' '));
        const ExtensionInfo tooBig(folder.filePath("big.mxi"));
        QVERIFY(tooBig.manifest().isEmpty() && tooBig.id().isEmpty());
        QCOMPARE(ExtensionInfo(bytes + ' ', "big.mxi").id(), QString());
    }
};

QTEST_GUILESS_MAIN(TestExtensionInfo)
#include "tst_extensioninfo.moc"
