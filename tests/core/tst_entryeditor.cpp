#include "commands/ReportSummary.h"
#include "installer/EntryEditor.h"
#include "installer/MarkupBalance.h"
#include "support/InstallerFixtures.h"
#include "support/TestRows.h"

#include <QtTest>

using namespace InstallerFixtures;
using Menus = QList<MenuInsert>;
using Buttons = QList<InsertbarInsert>;
Q_DECLARE_METATYPE(Menus)
Q_DECLARE_METATYPE(Buttons)

namespace {

InsertbarInsert button(const char* categoryId, const char* folder, const char* buttonId)
{
    return { categoryId, folder, buttonId, QStringLiteral("<button id=\"%1\"/>").arg(buttonId) };
}

// An element `levels` deep: each level one <m>, the last an empty <i/>.
QString nested(int levels)
{
    return QString("<m>").repeated(levels - 1) + "<i/>" + QString("</m>").repeated(levels - 1);
}

} // namespace

class TestEntryEditor : public QObject
{
    Q_OBJECT

private slots:
    // Each row adds (or, when removing, takes out) the entries; an added text
    // must stay as it is when the entries are added again, and taking them out
    // again gives the original back exactly when restores is set.
    void editsEntriesLaidOutLikeTheFile_data()
    {
        QTest::addColumn<bool>("removing");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Menus>("menuEntries");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QByteArray>("expected"); // null: the text as it was
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<bool>("restores");

        // Menus.xml indents by two spaces: an entry goes one unit of the editor's own in from its menu's end tag.
        const QByteArray m = menusXml(), bar = insertbarXml(), none;
        const char commandsEnd[] = "DWMenu_Commands_Sort\" />\n", fileEnd[] = "id=\"DWMenu_File_New\" />\n";
        addTestRow("blank lines, odd indentation and text in the snippet are dropped, comments kept", false, m,
            Menus { { "DWMenu_Commands", "V",
                "\n<!-- Velkor -->\n\n   <menu id=\"V\">\n\n  stray\n<menuitem id=\"T\">Label</menuitem>\n"
                "      <menuitem id=\"L\"/>\n</menu><separator/>\n\n" } },
            Buttons {},
            inserted(m, commandsEnd,
                "        <!-- Velkor -->\n        <menu id=\"V\">\n            <menuitem id=\"T\">\n"
                "            </menuitem>\n            <menuitem id=\"L\"/>\n        </menu>\n        <separator/>\n"),
            QStringList { "V added" }, false);
        addTestRow("a later entry goes into the element an earlier one added", false, m,
            Menus { { "DWMenu_File", "V", "<menu id=\"V\"></menu>" }, { "V", "I", "<menuitem id=\"I\"/>" } },
            Buttons {},
            inserted(m, fileEnd, "        <menu id=\"V\">\n            <menuitem id=\"I\"/>\n        </menu>\n"),
            QStringList { "V added", "I added" }, true);
        addTestRow("the id under another menu neither stops the entry nor goes with it", false, m,
            Menus { { "DWMenu_Commands", "DWMenu_File_New", "<menuitem id=\"DWMenu_File_New\"/>" } }, Buttons {},
            inserted(m, commandsEnd, "        <menuitem id=\"DWMenu_File_New\"/>\n"),
            QStringList { "DWMenu_File_New added" }, true);
        addTestRow("empty-element target is opened up with its tag name's case, and stays open", false,
            QByteArray("<menubar>\n  <MENU id=\"m\" />\n</menubar>\n"), Menus { { "m", "b", "<menuitem id=\"b\"/>" } },
            Buttons {},
            QByteArray("<menubar>\n  <MENU id=\"m\" >\n      <menuitem id=\"b\"/>\n  </MENU>\n</menubar>\n"),
            QStringList { "b added" }, false);
        addTestRow("button into a category Dreamweaver has, which stays", false, bar, Menus {},
            Buttons { button("DW_Insertbar_Common", "", "V") },
            inserted(bar, "Hyperlink.htm\" />\n", "\t\t<button id=\"V\"/>\n"), QStringList { "V added" }, true);
        addTestRow("a new category, folder before id, goes with its last button", false, bar, Menus {},
            Buttons { button("C", "Velkor Tools", "A"), button("C", "Velkor Tools", "B") },
            inserted(bar, "\t</category>\n",
                "\t<category folder=\"Velkor Tools\" id=\"C\">\n\t\t<button id=\"A\"/>\n\t\t<button id=\"B\"/>\n"
                "\t</category>\n"),
            QStringList { "A added", "B added" }, true);
        addTestRow("no insertbar element: no category is created", false, m, Menus {}, Buttons { button("V", "", "B") },
            none, QStringList { "B skipped: target not found" }, true);
        addTestRow("markup that would leave the file ill-formed is refused, and only that", false, m,
            Menus { { "DWMenu_Commands", "X", "<menuitem id=\"X\" /><menu id=\"Injected\">" },
                { "DWMenu_Commands", "E", "<i></menu><menu id=\"E\">" },
                { "DWMenu_Commands", "C", "<i id=\"C\"/><!-- " }, { "DWMenu_Commands", "D", "<i><![CDATA[</i>" },
                { "DWMenu_Commands", "T", "<!DOCTYPE m><i id=\"T\"/>" }, { "DWMenu_Commands", "Q", "<i id='Q>'" },
                { "DWMenu_Commands", "OK", "<i id=\"OK\" a='>'/><!-- c -->" } },
            Buttons {}, inserted(m, commandsEnd, "        <i id=\"OK\" a='>'/>\n        <!-- c -->\n"),
            QStringList { "X refused: the element <menu> is not closed",
                "E refused: the end tag </menu> closes no element it opened", "C refused: a comment is not closed",
                "D refused: a CDATA section is not closed", "T refused: it holds a DOCTYPE",
                "Q refused: the tag <i is not closed", "OK added" },
            false);
        addTestRow("nesting past the bound is refused", false, QByteArray("<menu id=\"m\">\n</menu>"),
            Menus { { "m", "deep", nested(MarkupBalance::maximumDepth) } }, Buttons {}, none,
            QStringList { "deep refused: its elements would lie deeper than 256 levels" }, true);
        addTestRow("a quote in a category's folder is escaped, in its id refused", false, bar, Menus {},
            Buttons { button("C\"x", "", "A"), button("C", "V\" a=\"<&", "B") },
            inserted(bar, "\t</category>\n",
                "\t<category folder=\"V&quot; a=&quot;&lt;&amp;\" id=\"C\">\n\t\t<button id=\"B\"/>\n\t</category>\n"),
            QStringList { "A refused: its category id holds a quote or an angle bracket", "B added" }, true);
        addTestRow("inserted lines end as the first line does (CR LF), a lone CR stays", false,
            QByteArray("<menubar id=\"bar\">\r\n<!-- x -->\r  <menu id=\"m\" />\n</menubar>"),
            Menus { { "m", "b", "<i\nid=\"b\"/>" }, { "bar", "c", "<i id=\"c\"/>" } }, Buttons {},
            QByteArray("<menubar id=\"bar\">\r\n<!-- x -->\r  <menu id=\"m\" >\r\n      <i\r\nid=\"b\"/>\r\n  </menu>"
                       "\r\n    <i id=\"c\"/>\n</menubar>"),
            QStringList { "b added", "c added" }, false);
        addTestRow("removal runs from the last entry to the first", true,
            inserted(m, fileEnd, "      <menuitem id=\"x\"/>\n"),
            Menus { { "DWMenu_File", "x", "" }, { "DWMenu_File", "y", "" } }, Buttons {}, m,
            QStringList { "y not present", "x removed" }, false);
        addTestRow("an entry that still holds elements is kept", true,
            QByteArray("<menu id=\"m\">\n  <menu id=\"sub\">\n    <menuitem id=\"x\"/>\n  </menu>\n</menu>"),
            Menus { { "m", "sub", "" } }, Buttons {}, none, QStringList { "sub kept: holds other elements" }, false);
        addTestRow("every child with the id goes, with its indentation, but not a comment", true,
            QByteArray("<menu id=\"m\">\n  <i id=\"x\"/>\n  <!-- <i id=\"x\"/> -->\n  <i id=\"x\"/>\n</menu>"),
            Menus { { "m", "x", "" } }, Buttons {}, QByteArray("<menu id=\"m\">\n  <!-- <i id=\"x\"/> -->\n</menu>"),
            QStringList { "x removed" }, false);
    }

    void editsEntriesLaidOutLikeTheFile()
    {
        QFETCH(bool, removing);
        QFETCH(QByteArray, text);
        QFETCH(Menus, menuEntries);
        QFETCH(Buttons, buttons);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, outcomes);
        QFETCH(bool, restores);

        const auto add = [&](const QString& from, EntryEditor::EntryResults* results) {
            return EntryEditor::addInsertbarInserts(
                EntryEditor::addMenuInserts(from, menuEntries, results), buttons, results);
        };
        const auto remove = [&](const QString& from, EntryEditor::EntryResults* results) {
            return EntryEditor::removeMenuInserts(
                EntryEditor::removeInsertbarInserts(from, buttons, results), menuEntries, results);
        };
        EntryEditor::EntryResults results;
        const QString edited = removing ? remove(text, &results) : add(text, &results);
        QCOMPARE(edited, QString(expected.isNull() ? text : expected));
        QStringList seen;
        for (const InstallReport::EntryResult& entry : results)
            seen << entry.id + ' ' + InstallReport::describe(entry.outcome) + (entry.detail.isEmpty() ? "" : ": ")
                    + entry.detail;
        QCOMPARE(seen, outcomes);
        InstallReport report;
        for (const InstallReport::EntryResult& entry : results)
            report.addEntry(entry);
        QCOMPARE(ReportSummary::installProblems(report).contains("refused"), outcomes.join(' ').contains("refused"));
        if (!removing) {
            QCOMPARE(add(edited, nullptr), edited);
            QCOMPARE(remove(edited, nullptr) == text, restores);
        }
    }

    void nestingAtTheBoundIsInsertedWithBoundedIndentation()
    {
        const QString text = EntryEditor::addMenuInserts(
            "<menu id=\"m\">\n</menu>", { { "m", "deep", nested(MarkupBalance::maximumDepth - 1) } });
        QVERIFY(text.contains("\n    <m>\n        <m>"));
        // One capped indentation per element, not one growing with the depth.
        QVERIFY(text.size() < 2 * MarkupBalance::maximumDepth * (4 + 4 * EntryEditor::maximumIndentDepth));
    }
};

QTEST_GUILESS_MAIN(TestEntryEditor)
#include "tst_entryeditor.moc"
