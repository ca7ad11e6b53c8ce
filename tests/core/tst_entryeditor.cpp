#include "installer/EntryEditor.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<MenuInsert>)
Q_DECLARE_METATYPE(QList<InsertbarInsert>)

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

const char insertbar[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         "<insertbar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
                         "\t<category id=\"DW_Insertbar_Common\" MMString:name=\"insertbar/category/common\">\n"
                         "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" />\n"
                         "\t</category>\n"
                         "</insertbar>\n";

QString withLines(const char* before, const char* after, const char* replacement)
{
    QString text = QString::fromUtf8(twoSpaceMenus);
    const QString anchor = QString::fromUtf8(before) + QString::fromUtf8(after);
    Q_ASSERT(text.contains(anchor));
    return text.replace(anchor, QString::fromUtf8(before) + QString::fromUtf8(replacement) + QString::fromUtf8(after));
}

enum class Operation { AddMenu, RemoveMenu, AddInsertbar, RemoveInsertbar };

// The results as "id outcome" items in the order they were reported.
QStringList outcomes(const EntryEditor::EntryResults& results)
{
    static const char* const names[]
        = { "added", "already present", "target missing", "removed", "not present", "kept" };
    QStringList list;
    for (const InstallReport::EntryResult& result : results) {
        list << result.id + QLatin1Char(' ') + QLatin1String(names[int(result.outcome)]);
    }
    return list;
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestEntryEditor : public QObject
{
    Q_OBJECT

private slots:
    void addsMenuEntriesLaidOutLikeTheFile_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QList<MenuInsert>>("inserts");
        QTest::addColumn<QString>("expected");

        const char fileTarget[] = "    <menuitem name=\"_New\" id=\"DWMenu_File_New\" />\n";
        const char fileEnd[] = "  </menu>\n  <menu name=\"_Commands\"";

        QTest::newRow("indented one unit deeper than the target's end tag")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_File", "Velkor_Open",
                   "\n        <menuitem name=\"Open _Recent\" id=\"Velkor_Open\" command=\"run()\"/>\n      ") }
            << withLines(fileTarget, fileEnd,
                   "      <menuitem name=\"Open _Recent\" id=\"Velkor_Open\" command=\"run()\"/>\n");

        QTest::newRow("blank lines, odd indentation and text in the snippet are not kept")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_File", "Velkor_Sub",
                   "\n\n   <menu name=\"Velkor\" id=\"Velkor_Sub\">\n\n  stray text\n"
                   "<menuitem name=\"Tidy\" id=\"Velkor_Tidy\">Label</menuitem>\n"
                   "      <menuitem name=\"Lint\" id=\"Velkor_Lint\"/>\n</menu>\n\n") }
            << withLines(fileTarget, fileEnd,
                   "      <menu name=\"Velkor\" id=\"Velkor_Sub\">\n"
                   "          <menuitem name=\"Tidy\" id=\"Velkor_Tidy\">\n"
                   "          </menuitem>\n"
                   "          <menuitem name=\"Lint\" id=\"Velkor_Lint\"/>\n"
                   "      </menu>\n");

        QTest::newRow("comments keep their place and get the indentation")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_Commands", "Velkor_Cmd",
                   "\n<!-- Velkor tools -->\n<menuitem name=\"Tool\" id=\"Velkor_Cmd\"/>") }
            << withLines("    <menuitem name=\"_Sort Table\" id=\"DWMenu_Commands_Sort\" />\n", "  </menu>\n</menubar>",
                   "      <!-- Velkor tools -->\n"
                   "      <menuitem name=\"Tool\" id=\"Velkor_Cmd\"/>\n");

        QTest::newRow("two elements in one entry each get a line")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_File", "Velkor_One",
                   "<menuitem id=\"Velkor_One\" name=\"One\"/><separator/><menuitem id=\"Velkor_Two\" name=\"Two\"/>") }
            << withLines(fileTarget, fileEnd,
                   "      <menuitem id=\"Velkor_One\" name=\"One\"/>\n"
                   "      <separator/>\n"
                   "      <menuitem id=\"Velkor_Two\" name=\"Two\"/>\n");

        QTest::newRow("a later entry goes into the element an earlier one added")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_File", "Velkor_Sub", "<menu id=\"Velkor_Sub\" name=\"V\"></menu>"),
                   menu("Velkor_Sub", "Velkor_Item", "<menuitem id=\"Velkor_Item\" name=\"I\"/>") }
            << withLines(fileTarget, fileEnd,
                   "      <menu id=\"Velkor_Sub\" name=\"V\">\n"
                   "          <menuitem id=\"Velkor_Item\" name=\"I\"/>\n"
                   "      </menu>\n");

        QTest::newRow("target without white space before its end tag")
            << QStringLiteral("<menubar><menu id=\"m\"><menuitem id=\"a\"/></menu></menubar>")
            << QList<MenuInsert> { menu("m", "b", "\n  <menuitem id=\"b\"/>\n") }
            << QStringLiteral("<menubar><menu id=\"m\"><menuitem id=\"a\"/>    <menuitem id=\"b\"/></menu></menubar>");

        QTest::newRow("target whose trailing white space has no line break")
            << QStringLiteral("<menu id=\"m\"> <menuitem id=\"a\"/>\t</menu>")
            << QList<MenuInsert> { menu("m", "b", "<menuitem id=\"b\"><x/></menuitem>") }
            << QStringLiteral("<menu id=\"m\"> <menuitem id=\"a\"/>\t    <menuitem id=\"b\">\t        <x/>\t    "
                              "</menuitem>\t</menu>");

        QTest::newRow("empty-element target is opened up and receives the entry")
            << QStringLiteral("<menubar>\n  <menu name=\"Empty\" id=\"m\" />\n</menubar>\n")
            << QList<MenuInsert> { menu("m", "b", "<menuitem id=\"b\"/>") }
            << QStringLiteral("<menubar>\n  <menu name=\"Empty\" id=\"m\" >\n      <menuitem id=\"b\"/>\n  </menu>\n"
                              "</menubar>\n");

        QTest::newRow("empty-element target keeps the case of its tag name")
            << QStringLiteral("<MENUBAR><MENU id=\"m\"/></MENUBAR>")
            << QList<MenuInsert> { menu("m", "b", "<menuitem id=\"b\"/>") }
            << QStringLiteral("<MENUBAR><MENU id=\"m\">    <menuitem id=\"b\"/></MENU></MENUBAR>");

        QTest::newRow("missing target leaves the text as it was")
            << QString::fromUtf8(twoSpaceMenus) << QList<MenuInsert> { menu("NoSuchMenu", "x", "<menuitem id=\"x\"/>") }
            << QString::fromUtf8(twoSpaceMenus);

        QTest::newRow("target ids are compared with case")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("dwmenu_file", "x", "<menuitem id=\"x\"/>") }
            << QString::fromUtf8(twoSpaceMenus);

        QTest::newRow("an id already under the target is not added again")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_File", "DWMenu_File_New", "<menuitem id=\"DWMenu_File_New\"/>") }
            << QString::fromUtf8(twoSpaceMenus);

        QTest::newRow("an id elsewhere in the file does not stop the entry")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu(
                   "DWMenu_File", "DWMenu_Commands_Sort", "<menuitem id=\"DWMenu_Commands_Sort\"/>") }
            << withLines(fileTarget, fileEnd, "      <menuitem id=\"DWMenu_Commands_Sort\"/>\n");
    }

    void addsMenuEntriesLaidOutLikeTheFile()
    {
        QFETCH(QString, original);
        QFETCH(QList<MenuInsert>, inserts);
        QFETCH(QString, expected);

        const QString once = EntryEditor::addMenuInserts(original, inserts);
        QCOMPARE(once, expected);
        // Installing again must not duplicate anything.
        QCOMPARE(EntryEditor::addMenuInserts(once, inserts), expected);
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

    void addsInsertbarButtons_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QList<InsertbarInsert>>("inserts");
        QTest::addColumn<QString>("expected");

        const QString original = QString::fromUtf8(insertbar);

        QTest::newRow("button into a category Dreamweaver already has")
            << original
            << QList<InsertbarInsert> { button("DW_Insertbar_Common", "", "Velkor_Btn",
                   "<button id=\"Velkor_Btn\" image=\"Velkor/btn.png\" command=\"go()\"/>") }
            << QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                              "<insertbar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
                              "\t<category id=\"DW_Insertbar_Common\" MMString:name=\"insertbar/category/common\">\n"
                              "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" />\n"
                              "\t\t<button id=\"Velkor_Btn\" image=\"Velkor/btn.png\" command=\"go()\"/>\n"
                              "\t</category>\n"
                              "</insertbar>\n");

        QTest::newRow("new category written with folder first, then id, and two buttons in it")
            << original
            << QList<InsertbarInsert> {
                   button("Velkor_Cat", "Velkor Tools", "Velkor_A", "<button id=\"Velkor_A\" name=\"A\"/>"),
                   button("Velkor_Cat", "Velkor Tools", "Velkor_B",
                       "<button id=\"Velkor_B\" name=\"B\">\n   <tooltip/>\n</button>"),
               }
            << QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                              "<insertbar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
                              "\t<category id=\"DW_Insertbar_Common\" MMString:name=\"insertbar/category/common\">\n"
                              "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" />\n"
                              "\t</category>\n"
                              "\t<category folder=\"Velkor Tools\" id=\"Velkor_Cat\">\n"
                              "\t\t<button id=\"Velkor_A\" name=\"A\"/>\n"
                              "\t\t<button id=\"Velkor_B\" name=\"B\">\n"
                              "\t\t\t<tooltip/>\n"
                              "\t\t</button>\n"
                              "\t</category>\n"
                              "</insertbar>\n");

        QTest::newRow("new category with an empty folder")
            << QStringLiteral("<insertbar>\n</insertbar>")
            << QList<InsertbarInsert> { button("C", "", "B", "<button id=\"B\"/>") }
            << QStringLiteral("<insertbar>\n\t<category folder=\"\" id=\"C\">\n\t\t<button id=\"B\"/>\n\t</category>\n"
                              "</insertbar>");

        QTest::newRow("no insertbar element: nothing is created")
            << QStringLiteral("<toolbar>\n</toolbar>")
            << QList<InsertbarInsert> { button("C", "", "B", "<button id=\"B\"/>") }
            << QStringLiteral("<toolbar>\n</toolbar>");

        QTest::newRow("a button id already in the category is not added again")
            << original
            << QList<InsertbarInsert> { button(
                   "DW_Insertbar_Common", "", "DW_Hyperlink", "<button id=\"DW_Hyperlink\" image=\"Other.png\"/>") }
            << original;
    }

    void addsInsertbarButtons()
    {
        QFETCH(QString, original);
        QFETCH(QList<InsertbarInsert>, inserts);
        QFETCH(QString, expected);

        const QString once = EntryEditor::addInsertbarInserts(original, inserts);
        QCOMPARE(once, expected);
        QCOMPARE(EntryEditor::addInsertbarInserts(once, inserts), expected);
    }

    void removingWhatWasAddedGivesTheOriginalBack_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QList<MenuInsert>>("menuInserts");
        QTest::addColumn<QList<InsertbarInsert>>("insertbarInserts");

        QTest::newRow("menu entries in two menus")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> {
                   menu("DWMenu_File", "Velkor_One", "<menuitem id=\"Velkor_One\"/>"),
                   menu("DWMenu_Commands", "Velkor_Two", "\n   <menuitem id=\"Velkor_Two\"/>\n"),
               }
            << QList<InsertbarInsert> {};

        QTest::newRow("submenu filled by a later entry goes when entries are undone last first")
            << QString::fromUtf8(twoSpaceMenus)
            << QList<MenuInsert> { menu("DWMenu_File", "Velkor_Sub", "<menu id=\"Velkor_Sub\"></menu>"),
                   menu("Velkor_Sub", "Velkor_Item", "<menuitem id=\"Velkor_Item\"/>") }
            << QList<InsertbarInsert> {};

        QTest::newRow("category the extension created goes with its last button")
            << QString::fromUtf8(insertbar) << QList<MenuInsert> {}
            << QList<InsertbarInsert> { button("Velkor_Cat", "F", "Velkor_A", "<button id=\"Velkor_A\"/>"),
                   button("Velkor_Cat", "F", "Velkor_B", "<button id=\"Velkor_B\"/>") };

        QTest::newRow("category shared with Dreamweaver's buttons stays")
            << QString::fromUtf8(insertbar) << QList<MenuInsert> {}
            << QList<InsertbarInsert> {
                   button("DW_Insertbar_Common", "", "Velkor_A", "<button id=\"Velkor_A\"/>"),
               };
    }

    void removingWhatWasAddedGivesTheOriginalBack()
    {
        QFETCH(QString, original);
        QFETCH(QList<MenuInsert>, menuInserts);
        QFETCH(QList<InsertbarInsert>, insertbarInserts);

        QString text = EntryEditor::addMenuInserts(original, menuInserts);
        text = EntryEditor::addInsertbarInserts(text, insertbarInserts);
        QVERIFY(text != original);
        text = EntryEditor::removeInsertbarInserts(text, insertbarInserts);
        text = EntryEditor::removeMenuInserts(text, menuInserts);
        QCOMPARE(text, original);
    }

    void removalLeavesWhatItMustNotTake_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QList<MenuInsert>>("menuInserts");
        QTest::addColumn<QList<InsertbarInsert>>("insertbarInserts");
        QTest::addColumn<QString>("expected");

        QTest::newRow("a menu entry that still holds elements stays")
            << QStringLiteral("<menu id=\"m\">\n  <menu id=\"sub\">\n    <menuitem id=\"x\"/>\n  </menu>\n</menu>")
            << QList<MenuInsert> { menu("m", "sub", "<menu id=\"sub\"/>") } << QList<InsertbarInsert> {}
            << QStringLiteral("<menu id=\"m\">\n  <menu id=\"sub\">\n    <menuitem id=\"x\"/>\n  </menu>\n</menu>");

        QTest::newRow("only the element with the entry's id goes, not a comment added with it")
            << QStringLiteral("<menu id=\"m\">\n  <!-- V -->\n  <menuitem id=\"x\"/>\n</menu>")
            << QList<MenuInsert> { menu("m", "x", "<!-- V --><menuitem id=\"x\"/>") } << QList<InsertbarInsert> {}
            << QStringLiteral("<menu id=\"m\">\n  <!-- V -->\n</menu>");

        QTest::newRow("every child with the id goes, with its indentation")
            << QStringLiteral(
                   "<menu id=\"m\">\n  <menuitem id=\"x\"/>\n  <menuitem id=\"y\"/>\n  <menuitem id=\"x\"/>\n</menu>")
            << QList<MenuInsert> { menu("m", "x", "<menuitem id=\"x\"/>") } << QList<InsertbarInsert> {}
            << QStringLiteral("<menu id=\"m\">\n  <menuitem id=\"y\"/>\n</menu>");

        QTest::newRow("an id outside the target stays")
            << QStringLiteral("<a>\n <menu id=\"m\"/>\n <menuitem id=\"x\"/>\n</a>")
            << QList<MenuInsert> { menu("m", "x", "<menuitem id=\"x\"/>") } << QList<InsertbarInsert> {}
            << QStringLiteral("<a>\n <menu id=\"m\"/>\n <menuitem id=\"x\"/>\n</a>");

        QTest::newRow("a category that keeps another button stays")
            << QStringLiteral("<insertbar>\n\t<category id=\"C\">\n\t\t<button id=\"A\"/>\n\t\t<button id=\"B\"/>\n"
                              "\t</category>\n</insertbar>")
            << QList<MenuInsert> {} << QList<InsertbarInsert> { button("C", "", "A", "<button id=\"A\"/>") }
            << QStringLiteral(
                   "<insertbar>\n\t<category id=\"C\">\n\t\t<button id=\"B\"/>\n\t</category>\n</insertbar>");
    }

    void removalLeavesWhatItMustNotTake()
    {
        QFETCH(QString, installed);
        QFETCH(QList<MenuInsert>, menuInserts);
        QFETCH(QList<InsertbarInsert>, insertbarInserts);
        QFETCH(QString, expected);

        QString text = EntryEditor::removeMenuInserts(installed, menuInserts);
        text = EntryEditor::removeInsertbarInserts(text, insertbarInserts);
        QCOMPARE(text, expected);
    }

    void reportsWhatEachEntryDid_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<MenuInsert>>("menuInserts");
        QTest::addColumn<QList<InsertbarInsert>>("insertbarInserts");
        QTest::addColumn<QStringList>("expected");

        const QString menus = QString::fromUtf8(twoSpaceMenus);
        QTest::newRow("a target that is not there")
            << Operation::AddMenu << menus << QList<MenuInsert> { menu("DWMenu_Edit", "x", "<menuitem id=\"x\"/>") }
            << QList<InsertbarInsert> {} << QStringList { "x target missing" };
        QTest::newRow("the second of two equal entries finds the first")
            << Operation::AddMenu << menus
            << QList<MenuInsert> { menu("DWMenu_File", "x", "<menuitem id=\"x\"/>"),
                   menu("DWMenu_File", "x", "<menuitem id=\"x\"/>") }
            << QList<InsertbarInsert> {} << QStringList { "x added", "x already present" };
        QTest::newRow("removal runs from the last entry to the first")
            << Operation::RemoveMenu
            << withLines("id=\"DWMenu_File_New\" />\n", "  </menu>", "    <menuitem id=\"x\"/>\n")
            << QList<MenuInsert> { menu("DWMenu_File", "x", "<menuitem id=\"x\"/>"),
                   menu("DWMenu_File", "y", "<menuitem id=\"y\"/>") }
            << QList<InsertbarInsert> {} << QStringList { "y not present", "x removed" };
        QTest::newRow("an entry that holds elements is kept")
            << Operation::RemoveMenu
            << QStringLiteral("<menu id=\"m\">\n  <menu id=\"sub\">\n    <menuitem id=\"x\"/>\n  </menu>\n</menu>")
            << QList<MenuInsert> { menu("m", "sub", "<menu id=\"sub\"/>") } << QList<InsertbarInsert> {}
            << QStringList { "sub kept" };
        QTest::newRow("a button needs an insertbar element for its new category")
            << Operation::AddInsertbar << menus << QList<MenuInsert> {}
            << QList<InsertbarInsert> { button("V", "", "B", "<button id=\"B\"/>") }
            << QStringList { "B target missing" };
        QTest::newRow("a button in a new category")
            << Operation::AddInsertbar << QString::fromUtf8(insertbar) << QList<MenuInsert> {}
            << QList<InsertbarInsert> { button("V", "", "B", "<button id=\"B\"/>"),
                   button("DW_Insertbar_Common", "", "DW_Hyperlink", "<button id=\"DW_Hyperlink\"/>") }
            << QStringList { "B added", "DW_Hyperlink already present" };
        QTest::newRow("a button whose category goes with it")
            << Operation::RemoveInsertbar
            << QStringLiteral("<insertbar>\n\t<category id=\"V\">\n\t\t<button id=\"B\"/>\n\t</category>\n</insertbar>")
            << QList<MenuInsert> {} << QList<InsertbarInsert> { button("V", "", "B", "<button id=\"B\"/>") }
            << QStringList { "B removed" };
    }

    void reportsWhatEachEntryDid()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, text);
        QFETCH(QList<MenuInsert>, menuInserts);
        QFETCH(QList<InsertbarInsert>, insertbarInserts);
        QFETCH(QStringList, expected);

        EntryEditor::EntryResults results;
        switch (operation) {
        case Operation::AddMenu:
            EntryEditor::addMenuInserts(text, menuInserts, &results);
            break;
        case Operation::RemoveMenu:
            EntryEditor::removeMenuInserts(text, menuInserts, &results);
            break;
        case Operation::AddInsertbar:
            EntryEditor::addInsertbarInserts(text, insertbarInserts, &results);
            break;
        case Operation::RemoveInsertbar:
            EntryEditor::removeInsertbarInserts(text, insertbarInserts, &results);
            break;
        }
        QCOMPARE(outcomes(results), expected);
    }
};

QTEST_GUILESS_MAIN(TestEntryEditor)
#include "tst_entryeditor.moc"
