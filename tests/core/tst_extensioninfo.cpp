#include "TestData.h"
#include "discovery/ExtensionInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/MxpWriter.h"
#include "support/TestRows.h"
#include "support/ZxpWriter.h"

#include <QtTest>

#include <optional>

// The realistic manifest of the test data (comments, CDATA, products, both platforms).
static const QByteArray tableSorter = DiscoveryFixtures::readFile(MORAVEL_TEST_DATA_DIR "/installer/TableSorter.mxi");

class TestExtensionInfo : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        // Bytes are written to the file and read from there, or read as they are when no file is named.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<QStringList>("lines"); // file name and header, then files, menu entries, Insert bar buttons
        const QStringList sorter { "com.velkor.tablesorter | Table Sorter & Filter | 2.1.0 | Velkor | "
                                   "Sorts and filters the rows of a table & keeps the page valid. | Dreamweaver 8-, "
                                   "Dreamweaver 12-21",
            "file TableSorter.htm > $dreamweaver/Configuration/Commands",
            "file scripts/TableSorter.js > $dreamweaver/Configuration/Commands",
            "file icons/Sort.png > $Dreamweaver/Configuration/Shared/Velkor/Icons",
            "menu DWMenu_Commands Velkor_TableSorter,Velkor_TableFilter",
            "button DW_Insertbar_Common//Velkor_Sort,Velkor_Filter", "button DW_Insertbar_Tables//Velkor_TableTools" };
        const auto read = [&](const QString& fileName) {
            return QStringList(sorter).replaceInStrings(QRegularExpression("^com"), fileName + " | com");
        };
        const auto unread = [](const QString& fileName) { return QStringList { fileName + " |  |  |  |  |  | " }; };
        ZxpWriter zxp, big;
        zxp.add("folder/Sorter.mxi", tableSorter);
        const QByteArray mxp = MxpWriter().add("folder\\Sorter.mxi", tableSorter).package();
        const QByteArray atCap = tableSorter.leftJustified(int(ExtensionInfo::maximumManifestSize), ' ');
        big.add("Sorter.mxi", atCap + ' ');
        const QString none = "x.mxi |  |  |  |  |  | ";
        addTestRow("realistic manifest", "", tableSorter, read("x.mxi"));
        addTestRow("stored manifest, carriage returns dropped", "Sorter.MXI",
            QByteArray(tableSorter).replace("\n", "\r\n"), read("Sorter.MXI"));
        addTestRow("zxp in capitals", "Sorter.ZXP", zxp.archive(), read("folder/Sorter.mxi"));
        addTestRow("mxp after another dot", "sorter.1.mxp", mxp, read("folder/Sorter.mxi"));
        addTestRow("zip is read as a manifest file", "sorter.zip", zxp.archive(), unread("sorter.zip"));
        addTestRow("missing package", "gone.zxp", QByteArray(), unread(""));
        addTestRow("manifest file as large as the cap", "big.mxi", atCap, read("big.mxi"));
        addTestRow("manifest file over the cap", "big.mxi", atCap + ' ', unread("big.mxi"));
        addTestRow("manifest in a package over the cap", "big.zxp", big.archive(), unread("Sorter.mxi"));
        addTestRow("first elements win, author anywhere", "",
            QByteArray("<author name=\"Early\"/><macromedia-extension id=\"1\"><author name=\"Late\"/>"
                       "</macromedia-extension><macromedia-extension id=\"2\" name=\"Two\">"),
            QStringList { "x.mxi | 1 |  |  | Early |  | " });
        addTestRow("the older root, maxVersion in camel case", "",
            QByteArray("<macromedia-package id=\"p\"><product name=\"DW\" version=\"8\" maxVersion=\"12\"/>"),
            QStringList { "x.mxi | p |  |  |  |  | DW 8-12" });
        addTestRow("a product named by its family name, the name first", "",
            QByteArray("<macromedia-extension id=\"f\"><products><product familyname=\"Dreamweaver\" version=\"9\"/>"
                       "<product name=\"Fireworks\" familyname=\"Flash\"/></products>"),
            QStringList { "x.mxi | f |  |  |  |  | Dreamweaver 9-, Fireworks -" });
        addTestRow("zero byte ends the manifest", "",
            QByteArray("<macromedia-extension id=\"z\">") + '\0' + "<author name=\"Hidden\"/><file source=\"f\"/>",
            QStringList { "x.mxi | z |  |  |  |  | " });
        addTestRow("platform filter is exact", "",
            QByteArray("<file source=\"none\"/><file source=\"empty\" platform=\"\"/><file source=\"win\" "
                       "platform=\"win\"/><file platform=\"Win\"/><file platform=\"mac\"/><file platform=\" win\"/>"),
            QStringList { none, "file none > ", "file empty > ", "file win > " });
        addTestRow("name stands in for source, duplicates kept", "",
            QByteArray("<x><FILE NAME=\"old\" Destination=\"d\"/></x><file source=\"new\" name=\"no\"/><file "
                       "name=\"old\" destination=\"d\"/><file/>"),
            QStringList { none, "file old > d", "file new > ", "file old > d", "file  > " });
        addTestRow("comments and children without id are passed over", "",
            QByteArray("<menu-insert appendTo=\"m\"><!-- <menuitem id=\"old\"/> --><separator/><menu><menuitem "
                       "id=\"inner\"/></menu>\n<MenuItem ID=\"new\"/></menu-insert>"),
            QStringList { none, "menu m new" });
        addTestRow("a commented-out item with no space after \"<!--\" is no item, nor are those after it hidden", "",
            QByteArray("<menu-insert appendTo=\"m\"><!--<menuitem id=\"old\"/>--><menuitem id=\"new\"/>"
                       "</menu-insert><insertbar-insert><category id=\"c\"><!--<button id=\"x\"/>-->"
                       "<button id=\"b\"/></category></insertbar-insert>"),
            QStringList { none, "menu m new", "button c//b" });
        addTestRow("menu entries without placement or markup dropped, one without ids kept", "",
            QByteArray("<menu-insert><menuitem id=\"i\"/></menu-insert><menu-insert appendTo=\"a\"><separator/>"
                       "</menu-insert><menu-insert appendTo=\"b\"/><MENU-INSERT APPENDTO=\"c\"><x id=\"y\"/>"),
            QStringList { none, "menu a ", "menu c y" });
        // The same header in each encoding a publisher's tool may have used;
        // in UTF-16, "\u010d" holds the byte of a carriage return.
        const QString header = "<macromedia-extension id=\"e\" name=\"Caf\u00e9 \u010d\" version=\"1\">\n"
                               "<author name=\"Zo\u00eb\"/>";
        const QStringList cafe { "x.mxi | e | Caf\u00e9 \u010d | 1 | Zo\u00eb |  | " };
        const auto utf16 = [](const QString& text, bool littleEndian) {
            QByteArray bytes;
            for (const QChar c : text) {
                const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
                bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
            }
            return bytes;
        };
        addTestRow("UTF-16 by its byte-order mark", "", QByteArray("\xff\xfe") + utf16(header, true), cafe);
        addTestRow("UTF-16 big-endian by its declaration alone", "",
            utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + header, false), cafe);
        addTestRow("stored UTF-16, carriage returns dropped after decoding", "U16.mxi",
            QByteArray("\xff\xfe") + utf16(QString(header).replace("\n", "\r\n"), true),
            QStringList(cafe).replaceInStrings("x.mxi", "U16.mxi"));
        const QString eight = "<macromedia-extension id=\"e\" name=\"Caf\u00e9 \u20ac\" version=\"1\">";
        const QStringList euro { "x.mxi | e | Caf\u00e9 \u20ac | 1 |  |  | " };
        const QByteArray latin = QByteArray("<macromedia-extension id=\"e\" name=\"Caf\xe9 \x80\" version=\"1\">");
        addTestRow("UTF-8 with its byte-order mark", "", QByteArray("\xef\xbb\xbf") + eight.toUtf8(), euro);
        addTestRow(
            "Windows-1252 by its declaration", "", "<?xml version='1.0' encoding = 'windows-1252' ?>\n" + latin, euro);
        addTestRow("ISO-8859-1 declared, read as Windows-1252", "",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + latin, euro);
        addTestRow("bytes that are not UTF-8, undeclared", "", latin, euro);
        addTestRow("not UTF-8 though declared UTF-8", "", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + latin, euro);
        addTestRow("another encoding in ASCII alone", "",
            QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><macromedia-extension id=\"s\">"),
            QStringList { "x.mxi | s |  |  |  |  | " });
        addTestRow("another encoding past ASCII: refused", "", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" + latin,
            QStringList { none,
                "problem: its manifest is encoded as shift_jis, which is not read (UTF-8, UTF-16, ISO-8859-1 and "
                "Windows-1252 are)" });
        addTestRow("UTF-32: refused", "", QByteArray("\xff\xfe\0\0", 4) + utf16(header, true),
            QStringList { none, "problem: its manifest is in UTF-32, which is not read" });
        addTestRow("category without id, button without id, category outside", "",
            QByteArray("<category id=\"out\"><button id=\"o\"/></category><INSERTBAR-INSERT><Category "
                       "FOLDER=\"f\"><button id=\"lost\"/></Category><category id=\"c\"><button/><BUTTON "
                       "Id=\"b\"/></category></INSERTBAR-INSERT>"),
            QStringList { none, "button c//b" });
    }

    void read()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir folder;
        QVERIFY(file.isEmpty() || bytes.isNull() || DiscoveryFixtures::writeFile(folder.filePath(file), bytes));
        ExtensionInfo info = file.isEmpty() ? ExtensionInfo(bytes, "x.mxi") : ExtensionInfo(folder.filePath(file));
        QVERIFY(info.files().isEmpty() && info.menuInserts().isEmpty() && info.insertbarInserts().isEmpty());
        // Details are parsed twice: a second parse must replace the lists, not extend them.
        info.parseDetails();
        info.parseDetails();
        QStringList products, actual;
        for (const ProductInfo& p : info.products())
            products.append(p.name + ' ' + p.version + '-' + p.maxVersion);
        actual.append(QStringList { info.fileName(), info.id(), info.name(), info.version(), info.author(),
            info.description(), products.join(", ") }
                          .join(" | "));
        if (!info.manifestProblem().isEmpty())
            actual.append("problem: " + info.manifestProblem());
        for (const FileEntry& f : info.files())
            actual.append("file " + f.source + " > " + f.destination);
        // Markup is kept as written: entities, comments and white space included.
        for (const MenuInsert& m : info.menuInserts()) {
            actual.append("menu " + m.target + " " + m.itemIds.join(','));
            QVERIFY(info.manifest().contains('>' + m.markup));
        }
        for (const InsertbarInsert& b : info.insertbarInserts()) {
            actual.append("button " + b.categoryId + "/" + b.target + "/" + b.itemIds.join(','));
            QVERIFY(b.markup.startsWith("<category", Qt::CaseInsensitive) && info.manifest().contains(b.markup));
        }
        QCOMPARE(actual, lines);
        QVERIFY(!info.manifest().contains('\r'));
    }

    // Whether the Dreamweaver at hand is one a product element names; where
    // that cannot be told, the answer is no, so that the install asks.
    void productRange_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("maxVersion");
        QTest::addColumn<bool>("covered");
        const QString cs6 = "12.0.0.5808";
        addTestRow("within the range", cs6, "8", "12", true);
        addTestRow("the newest counts to the depth it is written", cs6, "12.0", "12", true);
        addTestRow("past the newest", "21.0.0.15392", "8", "12", false);
        addTestRow("leading zeros", cs6, "008", "", true);
        addTestRow("an oldest version past every integer", cs6, "99999999999", "", false);
        addTestRow("a newest version past every integer", cs6, "8", "99999999999", true);
        addTestRow("an oldest version that is no number", cs6, "CS6", "", false);
        addTestRow("a newest version that is no number", cs6, "8", "12.x", false);
    }

    void productRange()
    {
        QFETCH(QString, host);
        QFETCH(QString, version);
        QFETCH(QString, maxVersion);
        QFETCH(bool, covered);
        QCOMPARE((ProductInfo { "Dreamweaver", version, maxVersion }.covers(host)), covered);
    }

    // A stored manifest read for the installed list parses no further than
    // its author where it can: it must give what a whole read gives.
    void listedAsReadWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: a real manifest, named by the row
        const QByteArray rest = "\n<files>"
            + QByteArray("<file source=\"a.htm\" destination=\"$dreamweaver/x\"/>\n").repeated(8)
            + "</files><products><product name=\"Dreamweaver\" version=\"8\"/></products>"
              "<description><![CDATA[Said <b>once</b>.]]></description>\n";
        const QByteArray root = "<macromedia-extension id=\"i\" name=\"N\" version=\"1\">";
        addTestRow("realistic manifest", tableSorter);
        addTestRow("carriage returns", QByteArray(tableSorter).replace("\n", "\r\n"));
        addTestRow("author in a comment first",
            root + "<!-- <author name=\"Old\"/> -->" + rest + "<author name=\"A\"/>" + rest);
        addTestRow("author in CDATA first",
            root + "<description><![CDATA[<author name=\"Said\">]]></description>" + rest + "<author name=\"A\"/>"
                + rest);
        addTestRow("author after the files", root + rest + "<author name=\"A\"/>" + rest);
        addTestRow("author before the root", "<author name=\"A\"/>" + rest + root + rest);
        addTestRow("older root", "<macromedia-package id=\"p\" name=\"P\"><author name=\"A\"/>" + rest + rest);
        addTestRow("older root before a newer one further on",
            "<macromedia-package id=\"p\"><author name=\"A\"/>" + rest + root + rest);
        addTestRow(
            "odd case", "<Macromedia-Extension ID=\"c\" Name=\"C\" VERSION=\"2\"><AUTHOR NAME=\"U\"/>" + rest + rest);
        addTestRow("closing bracket in the author's name", root + "<author name=\"a>" + rest + "\"/>" + rest);
        addTestRow("root's tag running past the author",
            "<author name=\"A\"/><macromedia-extension id=\"" + rest.toHex() + "\">" + rest);
        addTestRow("author at the end", root + rest + "<author name=\"A\"/>");
        addTestRow("no author", root + rest + rest);
        addTestRow("attributes spelt oddly, the first of a name wins",
            "<macromedia-extension NAME = 'It\\'s' name=\"second\" id=bare VERSION version=\"2\">"
            "<author Name=\"A &amp;amp; B\" name=\"C\"/>"
                + rest + rest);
        addTestRow("authors without a name", root + "<authors name=\"S\"/><author/>" + rest + rest);
        // Markup that a plain reading of the start must not take for plain,
        // at the start, after the root's tag and before the author's.
        const QByteArray plain = "<?xml version=\"1.0\"?>\n<macromedia-extension id=\"i\" name=\"N\" version=\"1\">\n"
                                 "<products><product name=\"Dreamweaver\"/></products>\n<author name=\"A\"/>\n"
            + rest;
        const QList<QByteArray> places { "<?xml version=\"1.0\"?>",
            "<macromedia-extension id=\"i\" name=\"N\" version=\"1\">", "<author" };
        const char* const asides[] = { "<!-- <author name=\"c\"/> -->", "<!-- a -- b <author name=\"c\"/> -->",
            "<![CDATA[<author name=\"d\">]]>", "<![CDATA[ > <author name=\"d\"/> ]]>", "<!-- a -- b -->",
            "<author name=\"one\"/><author name=\"two\"/>", "<script><author name=\"s\"/></script>",
            "<style><author name=\"y\"/></style>", "<textarea><author name=\"t\"/></textarea>",
            "<?php echo '<author name=\"p\"/>'; ?>", "<% <author name=\"q\"/> %>", "<x a='>'><author name=\"x\"/>",
            "<product name=\"<author name=&quot;v&quot;>\"/>", "<author name=\"e\" x=\"<\">",
            "<author name=\"b\\\" x=\\\"\">", "<Author NAME='u'/>", "<macromedia-extension id=\"second\">",
            "<!DOCTYPE x [<!ENTITY a \"<author name='z'/>\">]>", "&amp;<author name=\"m\"/>",
            "text <author name=\"w\"/>", "<products>", "</macromedia-extension>", "\xef\xbb\xbf" };
        for (const QByteArray& place : places) {
            for (const char* aside : asides) {
                QByteArray bytes = plain;
                const int at = bytes.indexOf(place) + (place == "<author" ? 0 : place.size());
                QTest::newRow(qPrintable(QString::fromUtf8(aside) + " after " + place.left(12)))
                    << bytes.insert(at, aside);
            }
        }
        if (!QDir(MORAVEL_REALWORLD_DIR "/mxi").exists())
            qInfo("%s is absent: real manifests are not tried", MORAVEL_REALWORLD_DIR);
        for (const QString& file : QDir(MORAVEL_REALWORLD_DIR "/mxi").entryList({ "*.mxi" }, QDir::Files))
            QTest::newRow(qPrintable(file)) << QByteArray();
    }

    void listedAsReadWhole()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir folder;
        QString path = MORAVEL_REALWORLD_DIR "/mxi/" + QString(QTest::currentDataTag());
        if (!bytes.isNull()) {
            path = folder.filePath("x.mxi");
            QVERIFY(DiscoveryFixtures::writeFile(path, bytes));
        }
        const auto fields = [](const ExtensionInfo& info) {
            QStringList products;
            for (const ProductInfo& p : info.products())
                products.append(p.name + ' ' + p.version + '-' + p.maxVersion);
            return QStringList { info.fileName(), info.id(), info.name(), info.version(), info.author(),
                info.description(), products.join(", "), info.manifest() };
        };
        const ExtensionInfo listed(path);
        const std::optional<ExtensionInfo> whole = ExtensionInfo::readStored(path);
        QVERIFY(whole && !whole->manifest().isEmpty());
        // A copy taken before the rest is read gives the same as the value it was taken from.
        const ExtensionInfo copy = listed;
        QCOMPARE(fields(copy), fields(*whole));
        QCOMPARE(fields(listed), fields(*whole));
    }
};

QTEST_GUILESS_MAIN(TestExtensionInfo)
#include "tst_extensioninfo.moc"
