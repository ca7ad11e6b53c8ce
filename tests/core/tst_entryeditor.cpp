#include "installer/EntryEditor.h"

#include <QtTest>

using Menus = QList<MenuInsert>;
using Buttons = QList<InsertbarInsert>;
Q_DECLARE_METATYPE(Menus)
Q_DECLARE_METATYPE(Buttons)

namespace {

MenuInsert menu(const char* appendTo, const char* itemId, const char* markup)
{
    return { QString::fromUtf8(appendTo), QString::fromUtf8(itemId), QString::fromUtf8(markup) };
}

InsertbarInsert button(const char* categoryId, const char* folder, const char* buttonId, const char* markup)
{
    return { QString::fromUtf8(categoryId), QString::fromUtf8(folder), QString::fromUtf8(buttonId),
        QString::fromUtf8(markup) };
}

// A Menus.xml laid out with two spaces per level, as some hand-edited copies are.
const char twoSpaceMenus[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                             "<menubar name=\"Main Window\" id=\"DWMainWindow\">\n"
                             "  <menu name=\"_File\" id=\"DWMenu_File\">\n"
                             "    <menuitem name=\"_New\" id=\"DWMenu_File_New\" />\n"
                             "  </menu>\n"
                             "  <menu name=\"_Commands\" id=\"DWMenu_Commands\">\n"
                             "    <!-- Dreamweaver's own commands -->\n"
                             "    <menuitem name=\"_Sort Table\" id=\"DWMenu_Commands_Sort\" />\n"
                             "  </menu>\n"
                             "</menubar>\n";
const char fileMenuEnd[] = "id=\"DWMenu_File_New\" />\n";

const char insertbar[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         "<insertbar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
                         "\t<category id=\"DW_Insertbar_Common\" MMString:name=\"insertbar/category/common\">\n"
                         "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" />\n"
                         "\t</category>\n"
                         "</insertbar>\n";

// text with added put right after the first occurrence of anchor.
QString inserted(const char* text, const char* anchor, const char* added)
{
    QString result = QString::fromUtf8(text);
    const int at = result.indexOf(QString::fromUtf8(anchor));
    Q_ASSERT(at >= 0);
    return result.insert(at + int(qstrlen(anchor)), QString::fromUtf8(added));
}

} // namespace

class TestEntryEditor : public QObject
{
    Q_OBJECT

private slots:
    void addsEntriesLaidOutLikeTheFile_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<Menus>("menus");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("removalRestores");

        const QString menus = QString::fromUtf8(twoSpaceMenus);
        QTest::newRow("indented one unit deeper than the target's end tag")
            << menus
            << Menus { menu("DWMenu_File", "V", "\n        <menuitem name=\"Open\" id=\"V\" command=\"run()\"/>\n  ") }
            << Buttons {}
            << inserted(twoSpaceMenus, fileMenuEnd, "      <menuitem name=\"Open\" id=\"V\" command=\"run()\"/>\n")
            << true;
        QTest::newRow("blank lines, odd indentation and text in the snippet are not kept")
            << menus
            << Menus { menu("DWMenu_File", "V",
                   "\n\n   <menu id=\"V\">\n\n  stray text\n<menuitem id=\"T\">Label</menuitem>\n"
                   "      <menuitem id=\"L\"/>\n</menu>\n\n") }
            << Buttons {}
            << inserted(twoSpaceMenus, fileMenuEnd,
                   "      <menu id=\"V\">\n          <menuitem id=\"T\">\n          </menuitem>\n"
                   "          <menuitem id=\"L\"/>\n      </menu>\n")
            << false;
        QTest::newRow("comments keep their place and get the indentation")
            << menus << Menus { menu("DWMenu_Commands", "V", "\n<!-- Velkor -->\n<menuitem id=\"V\"/>") } << Buttons {}
            << inserted(
                   twoSpaceMenus, "DWMenu_Commands_Sort\" />\n", "      <!-- Velkor -->\n      <menuitem id=\"V\"/>\n")
            << false;
        QTest::newRow("two elements in one entry each get a line")
            << menus << Menus { menu("DWMenu_File", "V", "<menuitem id=\"V\"/><separator/><menuitem id=\"W\"/>") }
            << Buttons {}
            << inserted(twoSpaceMenus, fileMenuEnd,
                   "      <menuitem id=\"V\"/>\n      <separator/>\n      <menuitem id=\"W\"/>\n")
            << false;
        QTest::newRow("a later entry goes into the element an earlier one added, and both go again")
            << menus
            << Menus { menu("DWMenu_File", "V", "<menu id=\"V\"></menu>"), menu("V", "I", "<menuitem id=\"I\"/>") }
            << Buttons {}
            << inserted(
                   twoSpaceMenus, fileMenuEnd, "      <menu id=\"V\">\n          <menuitem id=\"I\"/>\n      </menu>\n")
            << true;
        QTest::newRow("an id elsewhere in the file does not stop the entry")
            << menus << Menus { menu("DWMenu_File", "DWMenu_Commands_Sort", "<menuitem id=\"DWMenu_Commands_Sort\"/>") }
            << Buttons {} << inserted(twoSpaceMenus, fileMenuEnd, "      <menuitem id=\"DWMenu_Commands_Sort\"/>\n")
            << true;
        QTest::newRow("target without white space before its end tag")
            << QStringLiteral("<menubar><menu id=\"m\"><menuitem id=\"a\"/></menu></menubar>")
            << Menus { menu("m", "b", "\n  <menuitem id=\"b\"/>\n") } << Buttons {}
            << QStringLiteral("<menubar><menu id=\"m\"><menuitem id=\"a\"/>    <menuitem id=\"b\"/></menu></menubar>")
            << true;
        QTest::newRow("target whose trailing white space has no line break")
            << QStringLiteral("<menu id=\"m\"> <menuitem id=\"a\"/>\t</menu>")
            << Menus { menu("m", "b", "<menuitem id=\"b\"><x/></menuitem>") } << Buttons {}
            << QStringLiteral("<menu id=\"m\"> <menuitem id=\"a\"/>\t    <menuitem id=\"b\">\t        <x/>\t    "
                              "</menuitem>\t</menu>")
            << false;
        QTest::newRow("empty-element target is opened up, and stays open")
            << QStringLiteral("<menubar>\n  <menu id=\"m\" />\n</menubar>\n")
            << Menus { menu("m", "b", "<menuitem id=\"b\"/>") } << Buttons {}
            << QStringLiteral("<menubar>\n  <menu id=\"m\" >\n      <menuitem id=\"b\"/>\n  </menu>\n</menubar>\n")
            << false;
        QTest::newRow("empty-element target keeps the case of its tag name")
            << QStringLiteral("<MENUBAR><MENU id=\"m\"/></MENUBAR>") << Menus { menu("m", "b", "<menuitem id=\"b\"/>") }
            << Buttons {} << QStringLiteral("<MENUBAR><MENU id=\"m\">    <menuitem id=\"b\"/></MENU></MENUBAR>")
            << false;
        QTest::newRow("button into a category Dreamweaver has, which stays")
            << QString::fromUtf8(insertbar) << Menus {}
            << Buttons { button("DW_Insertbar_Common", "", "V", "<button id=\"V\" image=\"V.png\"/>") }
            << inserted(insertbar, "Hyperlink.png\" />\n", "\t\t<button id=\"V\" image=\"V.png\"/>\n") << true;
        QTest::newRow("new category, folder before id, goes with its last button")
            << QString::fromUtf8(insertbar) << Menus {}
            << Buttons { button("C", "Velkor Tools", "A", "<button id=\"A\"/>"),
                   button("C", "Velkor Tools", "B", "\n   <button id=\"B\"/>\n") }
            << inserted(insertbar, "\t</category>\n",
                   "\t<category folder=\"Velkor Tools\" id=\"C\">\n\t\t<button id=\"A\"/>\n\t\t<button id=\"B\"/>\n"
                   "\t</category>\n")
            << true;
    }

    void addsEntriesLaidOutLikeTheFile()
    {
        QFETCH(QString, original);
        QFETCH(Menus, menus);
        QFETCH(Buttons, buttons);
        QFETCH(QString, expected);
        QFETCH(bool, removalRestores);

        const QString once = EntryEditor::addInsertbarInserts(EntryEditor::addMenuInserts(original, menus), buttons);
        QCOMPARE(once, expected);
        // Installing again must not duplicate anything.
        QCOMPARE(EntryEditor::addInsertbarInserts(EntryEditor::addMenuInserts(once, menus), buttons), expected);
        const QString removed
            = EntryEditor::removeMenuInserts(EntryEditor::removeInsertbarInserts(once, buttons), menus);
        QCOMPARE(removed == original, removalRestores);
    }

    void deeplyNestedSnippetIsInsertedWithBoundedIndentation()
    {
        const QString nested = QStringLiteral("<menu id=\"deep\">") + QStringLiteral("<m>").repeated(200000);
        const QString text = EntryEditor::addMenuInserts(
            QStringLiteral("<menu id=\"m\">\n</menu>"), { { QStringLiteral("m"), QStringLiteral("deep"), nested } });
        QVERIFY(text.contains(QStringLiteral("\n    <menu id=\"deep\">\n        <m>")));
        // One capped indentation per element, not one growing with the depth.
        QVERIFY(text.size() < 200000 * (3 + 1 + 4 * EntryEditor::maximumIndentDepth));
    }

    void reportsWhatEachEntryDid_data()
    {
        QTest::addColumn<bool>("removing");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Menus>("menus");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QString>("expected"); // null: the text as it was
        QTest::addColumn<QStringList>("outcomes");

        const QString menus = QString::fromUtf8(twoSpaceMenus);
        QTest::newRow("target ids are compared with case")
            << false << menus << Menus { menu("dwmenu_file", "x", "<menuitem id=\"x\"/>") } << Buttons {} << QString()
            << QStringList { "x target missing" };
        QTest::newRow("the second of two equal entries finds the first")
            << false << menus
            << Menus { menu("DWMenu_File", "x", "<menuitem id=\"x\"/>"), menu("DWMenu_File", "x", "<menuitem/>") }
            << Buttons {} << inserted(twoSpaceMenus, fileMenuEnd, "      <menuitem id=\"x\"/>\n")
            << QStringList { "x added", "x already present" };
        QTest::newRow("no insertbar element: no category is created")
            << false << menus << Menus {} << Buttons { button("V", "", "B", "<button id=\"B\"/>") } << QString()
            << QStringList { "B target missing" };
        QTest::newRow("a button in a new category, one already there")
            << false << QStringLiteral("<insertbar>\n</insertbar>") << Menus {}
            << Buttons { button("V", "", "B", "<button id=\"B\"/>"), button("V", "", "B", "<button id=\"B\"/>") }
            << QStringLiteral("<insertbar>\n\t<category folder=\"\" id=\"V\">\n\t\t<button id=\"B\"/>\n\t</category>\n"
                              "</insertbar>")
            << QStringList { "B added", "B already present" };
        QTest::newRow("removal runs from the last entry to the first")
            << true << inserted(twoSpaceMenus, fileMenuEnd, "    <menuitem id=\"x\"/>\n")
            << Menus { menu("DWMenu_File", "x", ""), menu("DWMenu_File", "y", "") } << Buttons {} << menus
            << QStringList { "y not present", "x removed" };
        QTest::newRow("an entry that still holds elements is kept")
            << true
            << QStringLiteral("<menu id=\"m\">\n  <menu id=\"sub\">\n    <menuitem id=\"x\"/>\n  </menu>\n</menu>")
            << Menus { menu("m", "sub", "<menu id=\"sub\"/>") } << Buttons {} << QString()
            << QStringList { "sub kept" };
        QTest::newRow("every child with the id goes, with its indentation")
            << true
            << QStringLiteral(
                   "<menu id=\"m\">\n  <menuitem id=\"x\"/>\n  <menuitem id=\"y\"/>\n  <menuitem id=\"x\"/>\n</menu>")
            << Menus { menu("m", "x", "") } << Buttons {}
            << QStringLiteral("<menu id=\"m\">\n  <menuitem id=\"y\"/>\n</menu>") << QStringList { "x removed" };
    }

    void reportsWhatEachEntryDid()
    {
        QFETCH(bool, removing);
        QFETCH(QString, text);
        QFETCH(Menus, menus);
        QFETCH(Buttons, buttons);
        QFETCH(QString, expected);
        QFETCH(QStringList, outcomes);

        EntryEditor::EntryResults results;
        const QString result = removing
            ? EntryEditor::removeMenuInserts(
                EntryEditor::removeInsertbarInserts(text, buttons, &results), menus, &results)
            : EntryEditor::addInsertbarInserts(EntryEditor::addMenuInserts(text, menus, &results), buttons, &results);
        QCOMPARE(result, expected.isNull() ? text : expected);
        static const char* const names[]
            = { "added", "already present", "target missing", "removed", "not present", "kept" };
        QStringList seen;
        for (const InstallReport::EntryResult& entry : results) {
            seen << entry.id + QLatin1Char(' ') + QLatin1String(names[int(entry.outcome)]);
        }
        QCOMPARE(seen, outcomes);
    }
};

QTEST_GUILESS_MAIN(TestEntryEditor)
#include "tst_entryeditor.moc"
