#include "commands/ReportSummary.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/ConfigurationEditor.h"
#include "installer/EntryEditor.h"
#include "installer/ExtensionCheck.h"
#include "installer/InstallRecord.h"
#include "installer/Installer.h"
#include "installer/MarkupBalance.h"
#include "installer/Remover.h"
#include "installer/TextListEditor.h"
#include "support/InstallerFixtures.h"
#include "support/MarkupFixtures.h"
#include "support/TestRows.h"

#include <QtTest>

using namespace InstallerFixtures;
using Menus = QList<MenuInsert>;
Q_DECLARE_METATYPE(Menus)
Q_DECLARE_METATYPE(EntryEditor::Placed)

namespace {

// An entry whose markup a manifest could not even hold.
MenuInsert menu(const char* target, const QString& id, const QString& markup)
{
    return { target, { id }, markup, MenuInsert::Placement::AppendTo, false, QString(), false, std::nullopt };
}

// An element `levels` deep: each level one <m>, the last an empty <i/>.
QString nested(int levels)
{
    return QString("<m>").repeated(levels - 1) + "<i/>" + QString("</m>").repeated(levels - 1);
}

// Every entry of a manifest added, as the install does; then, from what the
// editor says it placed, taken out as the removal does.
struct Round
{
    EntryEditor::EntryResults results;
    EntryEditor::Placed placed;
    QString added;

    Round(const QString& text, const ExtensionInfo& info, const Menus& extra = {})
        : added(EntryEditor::addInsertbarInserts(
            EntryEditor::addMenuInserts(text, info.menuInserts() + extra, &results, &placed), info.insertbarInserts(),
            &results, &placed))
    {
    }
    QString removed() const { return EntryEditor::removeEntries(added, placed); }
};

ExtensionInfo manifest(const QByteArray& changes)
{
    ExtensionInfo info("<macromedia-extension><configuration-changes>" + changes
            + "</configuration-changes>"
              "</macromedia-extension>",
        "x.mxi");
    info.parseDetails();
    return info;
}

// The changes for files other than Menus.xml and insertbar.xml added to text
// one by one, as the install adds them to the file each names.
QString addOthers(const QString& text, const ExtensionInfo& info, EntryEditor::Placed* placed)
{
    QString edited = text;
    for (const ConfigurationInsert& entry : info.configurationInserts()) {
        const InstallReport::EntryKind kind = ConfigurationEditor::entryKind(entry.kind);
        edited = entry.isLine()
            ? TextListEditor::addLines(edited, { entry }, kind, entry.file == "Extensions.txt", nullptr, placed)
            : EntryEditor::addConfigurationInserts(edited, { entry }, kind, nullptr, placed);
    }
    return edited;
}

// An installation whose program folder holds the fresh files and whose
// per-user Menus.xml is menus, below root.
DreamweaverInfo installation(const QString& root, const QByteArray& menus)
{
    DreamweaverInfo dreamweaver("Dreamweaver CS6", "Adobe", root + "/user", { "en_US" });
    dreamweaver.setInstallFolder(root + "/program");
    writeFile(root + "/program/Configuration/Menus/Menus.xml", menusXml());
    writeFile(root + "/program/Configuration/Objects/insertbar.xml", insertbarXml());
    writeFile(dreamweaver.configurationFolder("en_US") + "/Menus/Menus.xml", menus);
    return dreamweaver;
}

const char wrapMxi[] = "Velkor Wrap.mxi";

// A package of one file and one menu entry, at root.
QString menuPackage(const QString& root, const QByteArray& target, const QByteArray& entry)
{
    TestExtension extension { "com.velkor.wrap", "Velkor Wrap",
        { { "Commands/wrap.js", "function wrap() {}\n", "$dreamweaver/Configuration/Commands/Velkor" } },
        "    <menu-insert appendTo=\"" + target + "\">\n      " + entry + "\n    </menu-insert>\n", wrapMxi };
    const QString path = root + "/wrap.zxp";
    return extension.writePackage(path) ? path : QString();
}

} // namespace

class TestEntryEditor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // Each row adds the manifest's entries (or, when removing, takes out what
    // it lists, as for an extension stored without an install record). An
    // added text must stay as it is when the entries are added again, and
    // taking out what the results name gives the original back exactly when
    // restores is set.
    void editsEntriesLaidOutLikeTheFile_data()
    {
        QTest::addColumn<bool>("removing");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("changes");
        QTest::addColumn<Menus>("extra");
        QTest::addColumn<QByteArray>("expected"); // null: the text as it was
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<bool>("restores");

        // Menus.xml indents by two spaces: an entry goes one unit of the editor's own in from its menu's end tag.
        const QByteArray m = menusXml(), bar = insertbarXml(), none;
        const char commandsEnd[] = "DWMenu_Commands_Sort\" />\n", fileEnd[] = "id=\"DWMenu_File_New\" />\n";
        addTestRow("blank lines, odd indentation and text in the snippet are dropped, comments kept", false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_Commands\">\n<!-- Velkor -->\n\n   <menu id=\"V\">\n\n  stray\n"
                       "<menuitem id=\"T\">Label</menuitem>\n      <menuitem id=\"L\"/>\n</menu><separator/>\n\n"
                       "</menu-insert>"),
            Menus {},
            inserted(m, commandsEnd,
                "        <!-- Velkor -->\n        <menu id=\"V\">\n            <menuitem id=\"T\">\n"
                "            </menuitem>\n            <menuitem id=\"L\"/>\n        </menu>\n        <separator/>\n"),
            QStringList { "V added" }, true);
        addTestRow("every child goes in and out, a comment element as a comment with its text", false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_File\"><comment>Velkor</comment><menuitem id=\"A\"/>"
                       "<menuitem id=\"B\"/></menu-insert>"),
            Menus {},
            inserted(
                m, fileEnd, "        <!-- Velkor -->\n        <menuitem id=\"A\"/>\n        <menuitem id=\"B\"/>\n"),
            QStringList { "A, B added" }, true);
        addTestRow("a commented-out item is copied as written and listed as nothing", false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_File\">\n  <menuitem id=\"A\"/>\n"
                       "  <!--<menuitem  id=\"X\"\n  name='x'/>-->\n  <menuitem id=\"B\"/>\n</menu-insert>"),
            Menus {},
            inserted(m, fileEnd,
                "        <menuitem id=\"A\"/>\n        <!--<menuitem  id=\"X\"\n  name='x'/>-->\n"
                "        <menuitem id=\"B\"/>\n"),
            QStringList { "A, B added" }, true);
        addTestRow("a later entry goes into the element an earlier one added", false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_File\"><menu id=\"V\"></menu></menu-insert>"
                       "<menu-insert appendTo=\"V\"><menuitem id=\"I\"/></menu-insert>"),
            Menus {},
            inserted(m, fileEnd, "        <menu id=\"V\">\n            <menuitem id=\"I\"/>\n        </menu>\n"),
            QStringList { "V added", "I added" }, true);
        addTestRow("entries into a menu an earlier entry wrote as one tag come out with it, separator too", false, m,
            QByteArray("<menu-insert insertAfter=\"DWMenu_Commands_Sort\"><separator /><menu id=\"V\" name=\"v\"/>"
                       "</menu-insert><menu-insert appendTo=\"V\"><menuitem id=\"I\"/></menu-insert>"
                       "<menu-insert appendTo=\"V\"><menuitem id=\"J\"/></menu-insert>"),
            Menus {},
            inserted(m, commandsEnd,
                "      <separator />\n      <menu id=\"V\" name=\"v\">\n          <menuitem id=\"I\"/>\n"
                "          <menuitem id=\"J\"/>\n      </menu>\n"),
            QStringList { "V added", "I added", "J added" }, true);
        addTestRow("a later entry finds an element added as one tag, its id in capitals among quotes of both kinds",
            false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_File\">\n  <Menu\tname='a \"b\"'  ID=\"V\" id='W' />\n"
                       "</menu-insert><menu-insert appendTo=\"V\"><menuitem id=\"I\"/></menu-insert>"),
            Menus {},
            inserted(m, fileEnd,
                "        <Menu\tname='a \"b\"'  ID=\"V\" id='W' >\n            <menuitem id=\"I\"/>\n        "
                "</Menu>\n"),
            QStringList { "V added", "I added" }, true);
        addTestRow("prependTo, insertBefore, insertAfter past a separator, each at its neighbours' indentation", false,
            inserted(m, fileEnd, "      <separator />\n"),
            QByteArray("<menu-insert prependTo=\"DWMenu_File\"><menuitem id=\"P\"/></menu-insert>"
                       "<menu-insert insertBefore=\"DWMenu_Commands\"><menu id=\"B\"/></menu-insert>"
                       "<MENU-INSERT INSERTAFTER=\"DWMenu_File_New\" skipSeparator=\"True\"><separator id=\"S\"/>"
                       "</MENU-INSERT><menu-insert insertAfter=\"DWMenu_Commands_Sort\"><menuitem id=\"A\"/>"
                       "</menu-insert>"),
            Menus {},
            inserted(inserted(inserted(m, "id=\"DWMenu_File\">\n", "      <menuitem id=\"P\"/>\n"), fileEnd,
                         "      <separator />\n      <separator id=\"S\"/>\n    </menu>\n    <menu id=\"B\"/>\n"),
                commandsEnd, "      <menuitem id=\"A\"/>\n")
                .replace("    </menu>\n    <menu id=\"B\"/>\n    </menu>\n", "    </menu>\n    <menu id=\"B\"/>\n"),
            QStringList { "P added", "B added", "S added", "A added" }, true);
        addTestRow("entries prepended to one menu, each in front of those before it", false, m,
            QByteArray("<menu-insert prependTo=\"DWMenu_File\"><menuitem id=\"P\"/></menu-insert>"
                       "<menu-insert prependTo=\"DWMenu_File\"><menuitem id=\"Q\"/></menu-insert>"),
            Menus {}, inserted(m, "id=\"DWMenu_File\">\n", "      <menuitem id=\"Q\"/>\n      <menuitem id=\"P\"/>\n"),
            QStringList { "P added", "Q added" }, true);
        addTestRow("an entry after an element that an earlier one appended to", false,
            QByteArray("<menubar>\n  <menu id=\"m\"><menuitem id=\"a\"/></menu>\n</menubar>\n"),
            QByteArray("<menu-insert appendTo=\"m\"><menuitem id=\"b\"/></menu-insert>"
                       "<menu-insert insertAfter=\"a\"><menuitem id=\"c\"/></menu-insert>"),
            Menus {},
            QByteArray("<menubar>\n  <menu id=\"m\"><menuitem id=\"a\"/>\n      <menuitem id=\"c\"/>    "
                       "<menuitem id=\"b\"/></menu>\n</menubar>\n"),
            QStringList { "b added", "c added" }, true);
        addTestRow("entries appended where the end tag shares a line with an item or with text: nothing twice", false,
            QByteArray("<menubar>\n  <menu id=\"m\"><menuitem id=\"a\"/></menu>\n  <menu id=\"t\">\n"
                       "    <menuitem id=\"e\"/>\n    Label</menu>\n</menubar>\n"),
            QByteArray("<menu-insert appendTo=\"m\"><menuitem id=\"b\"/></menu-insert>"
                       "<menu-insert appendTo=\"m\"><menuitem id=\"c\"/></menu-insert>"
                       "<menu-insert appendTo=\"t\"><menuitem id=\"f\"/></menu-insert>"),
            Menus {},
            QByteArray("<menubar>\n  <menu id=\"m\"><menuitem id=\"a\"/>    <menuitem id=\"b\"/>    "
                       "<menuitem id=\"c\"/></menu>\n  <menu id=\"t\">\n    <menuitem id=\"e\"/>\n    Label\n"
                       "    <menuitem id=\"f\"/></menu>\n</menubar>\n"),
            QStringList { "b added", "c added", "f added" }, true);
        addTestRow("first of repeated ids that can take the entry; a missing target skips only its entry", false,
            QByteArray("<menus>\n  <menuitem id=\"D\"/>\n  <menu id=\"D\">\n  </menu>\n  <menu id=\"D\">\n  </menu>\n"
                       "</menus>\n"),
            QByteArray("<menu-insert appendTo=\"Gone\"><menuitem id=\"G\"/></menu-insert>"
                       "<menu-insert appendTo=\"D\"><menuitem id=\"I\"/></menu-insert>"
                       "<menu-insert insertAfter=\"D\"><separator id=\"S\"/></menu-insert>"),
            Menus {},
            QByteArray("<menus>\n  <menuitem id=\"D\"/>\n  <separator id=\"S\"/>\n  <menu id=\"D\">\n"
                       "      <menuitem id=\"I\"/>\n  </menu>\n  <menu id=\"D\">\n  </menu>\n</menus>\n"),
            QStringList { "G skipped: target not found", "I added", "S added" }, true);
        addTestRow("shortcuts into their list, a whole list at the end of the file", false,
            QByteArray("<menus>\n  <shortcutlist id=\"DWMainWindow\">\n  </shortcutlist>\n</menus>\n"),
            QByteArray("<shortcut-insert list_Id=\"DWMainWindow\"><shortcut key=\"F5\" id=\"K\"/></shortcut-insert>"
                       "<shortcut-insert><shortcutlist id=\"L\"><shortcut id=\"M\"/></shortcutlist></shortcut-insert>"
                       "<server-format-changes><menu-insert appendTo=\"DWMainWindow\"><x id=\"no\"/></menu-insert>"
                       "</server-format-changes>"),
            Menus {},
            QByteArray("<menus>\n  <shortcutlist id=\"DWMainWindow\">\n      <shortcut key=\"F5\" id=\"K\"/>\n"
                       "  </shortcutlist>\n    <shortcutlist id=\"L\">\n        <shortcut id=\"M\"/>\n"
                       "    </shortcutlist>\n</menus>\n"),
            QStringList { "K added", "L added" }, true);
        addTestRow("the id under another menu neither stops the entry nor goes with it", false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_Commands\"><menuitem id=\"DWMenu_File_New\"/></menu-insert>"),
            Menus {}, inserted(m, commandsEnd, "        <menuitem id=\"DWMenu_File_New\"/>\n"),
            QStringList { "DWMenu_File_New added" }, true);
        addTestRow("empty-element target is opened up with its tag name's case, and stays open", false,
            QByteArray("<menubar>\n  <MENU id=\"m\" />\n</menubar>\n"),
            QByteArray("<menu-insert appendTo=\"m\"><menuitem id=\"b\"/></menu-insert>"), Menus {},
            QByteArray("<menubar>\n  <MENU id=\"m\" >\n      <menuitem id=\"b\"/>\n  </MENU>\n</menubar>\n"),
            QStringList { "b added" }, false);
        addTestRow("category as written with its groups at the end; items into one, before one, by fallback", false,
            bar,
            QByteArray("<insertbar-insert><category id=\"C\" MMString:name=\"c\" folder=\"F\"><menubutton id=\"G\">"
                       "<button id=\"A\"/><separator/></menubutton><checkbutton id=\"K\"/></category>"
                       "</insertbar-insert><insertbar-item-insert appendTo=\"DW_Insertbar_Common\"><button id=\"V\"/>"
                       "</insertbar-item-insert><insertbar-item-insert insertBefore=\"K\"><separator id=\"S\"/>"
                       "</insertbar-item-insert><insertbar-item-insert insertAfter=\"Gone\" category=\"C\">"
                       "<button id=\"L\"/></insertbar-item-insert>"),
            Menus {},
            inserted(inserted(bar, "Hyperlink.htm\" />\n", "\t\t<button id=\"V\"/>\n"), "\t</category>\n",
                "\t<category id=\"C\" MMString:name=\"c\" folder=\"F\">\n\t\t<menubutton id=\"G\">\n"
                "\t\t\t<button id=\"A\"/>\n\t\t\t<separator/>\n\t\t</menubutton>\n\t\t<separator id=\"S\"/>\n"
                "\t\t<checkbutton id=\"K\"/>\n\t\t<button id=\"L\"/>\n\t</category>\n"),
            QStringList { "C, G, A, K added", "V added", "S added", "L added" }, true);
        addTestRow("a category already there takes only the items it lacks", false, bar,
            QByteArray("<insertbar-insert><category id=\"DW_Insertbar_Common\"><button id=\"DW_Hyperlink\"/>"
                       "<button id=\"N\"/></category></insertbar-insert>"),
            Menus {}, inserted(bar, "Hyperlink.htm\" />\n", "\t\t<button id=\"N\"/>\n"), QStringList { "N added" },
            true);
        addTestRow("no insertbar element: no category is created", false, m,
            QByteArray("<insertbar-insert><category id=\"V\"><button id=\"B\"/></category></insertbar-insert>"),
            Menus {}, none, QStringList { "V skipped: target not found" }, true);
        addTestRow("markup that would leave the file ill-formed is refused, and only that", false, m, QByteArray(),
            Menus { menu("DWMenu_Commands", "X", "<menuitem id=\"X\" /><menu id=\"Injected\">"),
                menu("DWMenu_Commands", "E", "<i></menu><menu id=\"E\">"),
                menu("DWMenu_Commands", "C", "<i id=\"C\"/><!-- "), menu("DWMenu_Commands", "D", "<i><![CDATA[</i>"),
                menu("DWMenu_Commands", "T", "<!DOCTYPE m><i id=\"T\"/>"), menu("DWMenu_Commands", "Q", "<i id='Q>'"),
                menu("DWMenu_Commands", "N", "<i id=\"N\" a=\"&nbsp;\"/>"),
                menu("DWMenu_Commands", "Z", "<i id=\"Z\">&#0;</i>"),
                menu("DWMenu_Commands", "B", "<i id=\"B\" a=\"\x01\"/>"),
                menu("DWMenu_Commands", "S", "<i id=\"S\" a=\"" + QString(QChar(0xdc00)) + "\"/>"),
                menu("DWMenu_Commands", "OK", "<i id=\"OK\" a='>' b=\"&amp;&#xE9; & x\"/><!-- c -->") },
            inserted(m, commandsEnd, "        <i id=\"OK\" a='>' b=\"&amp;&#xE9; & x\"/>\n        <!-- c -->\n"),
            QStringList { "X refused: the element <menu> is not closed",
                "E refused: the end tag </menu> closes no element it opened", "C refused: a comment is not closed",
                "D refused: a CDATA section is not closed", "T refused: it holds a DOCTYPE",
                "Q refused: the tag <i is not closed",
                "N refused: it refers to the entity &nbsp;, which XML does not define",
                "Z refused: the character reference &#0; names no character XML allows",
                "B refused: it holds the character U+0001, which XML does not allow",
                "S refused: it holds half of a surrogate pair", "OK added" },
            true);
        addTestRow("nesting past the bound is refused", false, QByteArray("<menu id=\"m\">\n</menu>"), QByteArray(),
            Menus { menu("m", "deep", nested(MarkupBalance::maximumDepth)) }, none,
            QStringList { "deep refused: its elements would lie deeper than 256 levels" }, true);
        addTestRow("inserted lines end as the first line does (CR LF), a lone CR stays", false,
            QByteArray("<menubar id=\"bar\">\r\n<!-- x -->\r  <menu id=\"m\" />\n</menubar>"),
            QByteArray("<menu-insert appendTo=\"m\"><i\nid=\"b\"/></menu-insert>"
                       "<menu-insert appendTo=\"bar\"><i id=\"c\"/></menu-insert>"),
            Menus {},
            QByteArray("<menubar id=\"bar\">\r\n<!-- x -->\r  <menu id=\"m\" >\r\n      <i\r\nid=\"b\"/>\r\n  </menu>"
                       "\r\n    <i id=\"c\"/>\n</menubar>"),
            QStringList { "b added", "c added" }, false);
        addTestRow("without a record, each element with an id goes, its own items first", true,
            inserted(m, fileEnd, "      <menu id=\"x\">\n        <menuitem id=\"y\"/>\n      </menu>\n"),
            QByteArray("<menu-insert appendTo=\"DWMenu_File\"><menu id=\"x\"><menuitem id=\"y\"/></menu>"
                       "<menuitem id=\"z\"/></menu-insert><menu-insert insertAfter=\"x\"><i id=\"x\"/></menu-insert>"),
            Menus {}, m, QStringList { "x, z removed" }, false);
        addTestRow("an entry that still holds elements is kept", true,
            QByteArray("<menu id=\"m\">\n  <menu id=\"sub\">\n    <menuitem id=\"x\"/>\n  </menu>\n</menu>"),
            QByteArray("<menu-insert appendTo=\"m\"><menu id=\"sub\"/></menu-insert>"), Menus {}, none,
            QStringList { "sub kept: holds other elements" }, false);
        addTestRow("an element the markup model would read unlike XML is refused", false, m,
            QByteArray("<menu-insert appendTo=\"DWMenu_Commands\"><link id=\"l\"></link></menu-insert>"), Menus {},
            none, QStringList { "l refused: laid out, the element <link> is not closed" }, true);
        addTestRow("every child with the id goes, with its indentation, but not a comment", true,
            QByteArray("<menu id=\"m\">\n  <i id=\"x\"/>\n  <!-- <i id=\"x\"/> -->\n  <i id=\"x\"/>\n</menu>"),
            QByteArray("<menu-insert appendTo=\"m\"><i id=\"x\"/></menu-insert>"), Menus {},
            QByteArray("<menu id=\"m\">\n  <!-- <i id=\"x\"/> -->\n</menu>"), QStringList { "x removed" }, false);
    }

    void editsEntriesLaidOutLikeTheFile()
    {
        QFETCH(bool, removing);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, changes);
        QFETCH(Menus, extra);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, outcomes);
        QFETCH(bool, restores);

        const ExtensionInfo info = manifest(changes);
        EntryEditor::EntryResults results;
        const Round round(text, info, extra);
        const QString edited = removing ? EntryEditor::removeEntries(text,
                                   EntryEditor::placedByManifest(info.menuInserts())
                                       + EntryEditor::placedByManifest(info.insertbarInserts()),
                                   &results)
                                        : round.added;
        QCOMPARE(edited, QString(expected.isNull() ? text : expected));
        QStringList seen;
        for (const InstallReport::EntryResult& entry : removing ? results : round.results)
            seen << entry.id + ' ' + InstallReport::describe(entry.outcome) + (entry.detail.isEmpty() ? "" : ": ")
                    + entry.detail;
        QCOMPARE(seen, outcomes);
        InstallReport report;
        for (const InstallReport::EntryResult& entry : round.results)
            report.addEntry(entry);
        QCOMPARE(ReportSummary::installProblems(report).contains("refused"), outcomes.join(' ').contains("refused"));
        if (!removing) {
            QCOMPARE(Round(edited, info, extra).added, edited);
            QCOMPARE(round.removed() == text, restores);
        }
    }

    // Each row's changes go into the one file they name, laid out like it;
    // added again they change nothing, and taking out what the results name
    // gives the text back byte for byte.
    void editsOtherConfigurationFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("changes");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray toolbar
            = "<toolbarset>\n  <toolbar id=\"t\">\n    <button id=\"b\"/>\n  </toolbar>\n</toolbarset>";
        addTestRow("a tag library ends the libraries",
            QByteArray("<taglibraries>\n\t<taglibrary id=\"a\">\n\t</taglibrary>\n</taglibraries>\n"),
            QByteArray("<taglibrary-changes><taglibrary-insert><taglibrary id=\"v\"><tagref "
                       "name=\"x\"/></taglibrary></taglibrary-insert></taglibrary-changes>"),
            QString("TagLibraries/TagLibraries.vtm"),
            QByteArray("<taglibraries>\n\t<taglibrary id=\"a\">\n\t</taglibrary>\n\t<taglibrary id=\"v\">\n\t\t<tagref "
                       "name=\"x\"/>\n\t</taglibrary>\n</taglibraries>\n"));
        addTestRow("a document type goes into the root, not the declaration",
            QByteArray("<?xml version=\"1.0\"?>\r\n<documenttypes>\r\n</documenttypes>"),
            QByteArray("<documenttype-changes><documenttype-insert><documenttype "
                       "id=\"VM\"/></documenttype-insert></documenttype-changes>"),
            QString("DocumentTypes/MMDocumentTypes.xml"),
            QByteArray(
                "<?xml version=\"1.0\"?>\r\n<documenttypes>\r\n    <documenttype id=\"VM\"/>\r\n</documenttypes>"));
        addTestRow("a toolbar item goes before its neighbour, in the file named", toolbar,
            QByteArray("<toolbar-changes file=\"mine.xml\"><toolbar-item-insert insertBefore=\"b\" "
                       "toolbar=\"t\"><button id=\"n\"/></toolbar-item-insert></toolbar-changes>"),
            QString("Toolbars/mine.xml"),
            QByteArray(toolbar).replace("    <button id=\"b\"", "    <button id=\"n\"/>\n    <button id=\"b\""));
        addTestRow("a toolbar item whose neighbour is missing ends its toolbar", toolbar,
            QByteArray("<toolbar-changes><toolbar-item-insert insertAfter=\"gone\" toolbar=\"t\"><button "
                       "id=\"n\"/></toolbar-item-insert></toolbar-changes>"),
            QString("Toolbars/toolbars.xml"), QByteArray(toolbar).replace("b\"/>", "b\"/>\n    <button id=\"n\"/>"));
        addTestRow("a server behaviour goes into its server model's file", QByteArray("<menu id=\"m\">\n</menu>"),
            QByteArray("<server-behavior-changes servermodelfolder=\"PHP_MySQL\"><menu-insert appendTo=\"m\"><menuitem "
                       "id=\"s\"/></menu-insert></server-behavior-changes>"),
            QString("ServerBehaviors/PHP_MySQL/ServerBehaviors.xml"),
            QByteArray("<menu id=\"m\">\n    <menuitem id=\"s\"/>\n</menu>"));
        addTestRow("a line that the All Documents line matches still goes in",
            QByteArray("VM:velocity files\r\nHTM:HTML\r\n"),
            QByteArray("<extensions-changes><extension-insert extension=\"VM\" description=\"Velocity "
                       "files\"/></extensions-changes>"),
            QString("Extensions.txt"), QByteArray("VM:velocity files\r\nHTM:HTML\r\nVM:Velocity files\r\n"));
        addTestRow("a line with its references decoded, a control character or line break made a space",
            QByteArray("HTM:HTML\r\n"),
            QByteArray("<extensions-changes><extension-insert extension=\"VM,&#x56;TL\" description=\"Caf&#233; "
                       "&amp;#233; &lt;b&gt;&#9;x\x01y&#10;z&#0;\"/></extensions-changes>"),
            QString("Extensions.txt"), QByteArray("HTM:HTML\r\nVM,VTL:Caf\xc3\xa9 &#233; <b> x y z&#0;\r\n"));
        addTestRow("an FTP map line after a last line without an end", QByteArray("HTM\tASCII\nJPG\tBINARY"),
            QByteArray("<ftp-extension-map-changes><ftp-extension-insert extension=\"vm\" "
                       "type=\"ascii\"/></ftp-extension-map-changes>"),
            QString("FTPExtensionMap.txt"), QByteArray("HTM\tASCII\nJPG\tBINARY\nVM\tASCII"));
    }

    void editsOtherConfigurationFiles()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, changes);
        QFETCH(QString, file);
        QFETCH(QByteArray, expected);

        const ExtensionInfo info = manifest(changes);
        QVERIFY(!info.configurationInserts().isEmpty());
        for (const ConfigurationInsert& entry : info.configurationInserts())
            QCOMPARE(entry.file, file);
        EntryEditor::Placed placed;
        const QString added = addOthers(text, info, &placed);
        QCOMPARE(added, QString(expected));
        QCOMPARE(addOthers(added, info, nullptr), added);
        const bool lines = info.configurationInserts().front().isLine();
        QCOMPARE(lines ? TextListEditor::removeLines(added, placed, file == "Extensions.txt")
                       : EntryEditor::removeEntries(added, placed),
            QString(text));
    }

    // A removal takes blocks out the last first, each from what the ones
    // before it left: a run already emptied is not found again, nor is one
    // emptied by its ids, and an element emptied gives way to the next that
    // carries its id.
    void removalFindsWhatEarlierRemovalsLeft_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<EntryEditor::Placed>("entries");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("outcomes"); // the last entry's first
        using Kind = InstallReport::EntryKind;
        const QString block = "\n    <menuitem id=\"X\"/>",
                      menu = "<menu id=\"M\">\n    <menuitem id=\"A\"/>%1\n</menu>\n";
        const InstallRecord::Entry item { Kind::MenuEntry, "X", "M", false, "menu#M", block, { "X" }, {} };
        addTestRow("a block the file holds twice comes out once for each entry", menu.arg(block + block),
            EntryEditor::Placed { item, item }, menu.arg(QString()), QStringList { "removed", "removed" });
        InstallRecord::Entry changed = item;
        changed.inserted = "<menuitem id=\"X\" name=\"changed\"/>";
        addTestRow("a block emptied by its ids is not found by its text", menu.arg(block),
            EntryEditor::Placed { item, changed }, menu.arg(QString()), QStringList { "removed", "not present" });
        // Recorded by earlier versions: a button by its id, in a category made for it.
        const auto button = [](const QString& id) {
            return InstallRecord::Entry { Kind::InsertbarButton, id, "C", true, "#C", QString(), { id }, {} };
        };
        const QString category = "\n  <category id=\"C\">\n    <button id=\"%1\"/>\n  </category>";
        addTestRow("an emptied element gives way to the next with its id",
            "<insertbar>" + category.arg("B2") + category.arg("B1") + "\n</insertbar>\n",
            EntryEditor::Placed { button("B1"), button("B2") }, QString("<insertbar>\n</insertbar>\n"),
            QStringList { "removed", "removed" });
    }

    void removalFindsWhatEarlierRemovalsLeft()
    {
        QFETCH(QString, text);
        QFETCH(EntryEditor::Placed, entries);
        QFETCH(QString, expected);
        QFETCH(QStringList, outcomes);
        EntryEditor::EntryResults results;
        QCOMPARE(EntryEditor::removeEntries(text, entries, &results), expected);
        QStringList seen;
        for (const InstallReport::EntryResult& result : results)
            seen << InstallReport::describe(result.outcome);
        QCOMPARE(seen, outcomes);
    }

    // The menu each added block went into, as the removal finds it again:
    // entries of one target share it, and an entry whose target an earlier
    // one made a different element of another name gets that element's.
    void addedBlocksNameTheirMenu_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("changes");
        QTest::addColumn<QStringList>("parents");
        const QString bars
            = "<menus>\n  <menubar id=\"top\">\n  </menubar>\n  <menubar id=\"X\">\n  </menubar>\n</menus>";
        addTestRow("entries of one target, between those of another", bars,
            QByteArray("<menu-insert appendTo=\"X\"><i id=\"a\"/></menu-insert>"
                       "<menu-insert appendTo=\"top\"><i id=\"b\"/></menu-insert>"
                       "<menu-insert appendTo=\"X\"><i id=\"c\"/></menu-insert>"),
            QStringList { "menubar#X", "menubar#top", "menubar#X" });
        addTestRow("a target that an earlier entry gave to a menu in front of the menu bar", bars,
            QByteArray("<menu-insert appendTo=\"X\"><i id=\"a\"/></menu-insert>"
                       "<menu-insert appendTo=\"top\"><menu id=\"X\"></menu></menu-insert>"
                       "<menu-insert appendTo=\"X\"><i id=\"c\"/></menu-insert>"),
            QStringList { "menubar#X", "menubar#top", "menu#X" });
    }

    void addedBlocksNameTheirMenu()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, changes);
        QFETCH(QStringList, parents);
        const Round round(text, manifest(changes));
        QStringList seen;
        for (const InstallRecord::Entry& entry : round.placed)
            seen << entry.parent;
        QCOMPARE(seen, parents);
        QCOMPARE(round.removed(), text);
    }

    // Conditions in attribute values hold ">" and "<": an entry with one, or
    // one appended among Dreamweaver's own that have them, goes in, is found
    // whole by the check, and comes out leaving the file byte for byte.
    void conditionsInValuesGoInAreCheckedAndComeOut_data()
    {
        QTest::addColumn<QString>("menusPath"); // empty: the fresh Menus.xml
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("entry");
        const QByteArray wrap
            = "<menuitem name=\"Wrap\" enabled=\"dw.getSelection().length > 0 &amp;&amp; a < b\" command=\"wrap()\" "
              "id=\"Velkor_Wrap\"/>";
        addTestRow("an entry whose condition holds \">\" and \"<\"", QString(), QByteArray("DWMenu_Commands"), wrap);
        addTestRow("an entry appended after Dreamweaver's own with \"length > 0\"",
            QString(MORAVEL_REALWORLD_DIR "/config/Menus--dwCC2014-15--iamduyu--ca73caa7.xml"),
            QByteArray("DWContext_Text"),
            QByteArray("<menuitem name=\"Wrap\" command=\"wrap()\" id=\"Velkor_Wrap\"/>"));
    }

    void conditionsInValuesGoInAreCheckedAndComeOut()
    {
        QFETCH(QString, menusPath);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, entry);
        if (!menusPath.isEmpty() && !QFileInfo::exists(menusPath))
            QSKIP("the real configuration files are absent");
        const QByteArray menus = menusPath.isEmpty() ? menusXml() : readFile(menusPath);
        const QString root = m_dir.path() + "/conditions" + QString::number(qHash(QTest::currentDataTag()));
        const DreamweaverInfo dreamweaver = installation(root, menus);
        const QString menusFile = dreamweaver.configurationFolder("en_US") + "/Menus/Menus.xml";
        InstallReport report;
        QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(menuPackage(root, target, entry)));
        QCOMPARE(report.entries().size(), 1);
        QCOMPARE(report.entries().front().outcome, InstallReport::EntryOutcome::Added);
        QVERIFY(readFile(menusFile).contains(entry));
        QString reason;
        int line = 0;
        QVERIFY2(MarkupBalance::checkDocument(QString::fromUtf8(readFile(menusFile)), &line, &reason),
            qPrintable(QString::number(line) + ": " + reason));
        const QList<ExtensionCheck::Item> items = ExtensionCheck(dreamweaver).check(wrapMxi);
        QVERIFY(ExtensionCheck::isWhole(items));
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.last().name, QString("Velkor_Wrap"));
        QVERIFY(items.last().present);
        InstallReport removal;
        Remover(dreamweaver, nullptr, &removal).removeExtension(wrapMxi);
        QCOMPARE(removal.entries().size(), 1);
        QCOMPARE(removal.entries().front().outcome, InstallReport::EntryOutcome::Removed);
        QCOMPARE(readFile(menusFile), menus);
    }

    // Whole files judged as the editors judge them before any edit: what
    // Dreamweaver's own files hold passes; a fault is found at its line.
    void damagedFilesAreFoundAtTheirLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line"); // 0: sound
        addTestRow("conditions with \"&&\", \">\" and \"<\" in values, comments, a DOCTYPE with a subset",
            "<?xml version=\"1.0\"?>\n<!DOCTYPE m [<!ENTITY x \"<y>\">]>\n<!-- <m> -->\n<m>\n<i e=\"a && b > 0\" f = "
            "'c<d'/>"
            "\n<![CDATA[</m>]]></m>\n",
            0);
        addTestRow("cut off inside a menu: the menu left open", "<m id=\"a\">\n  <menu id=\"b\">\n  <i/>\n", 2);
        addTestRow("an end tag that closes nothing", "<m>\n</menu>\n</m>", 2);
        addTestRow("a value whose quote never closes", "<m>\n\n<i a=\"x/>\n</m>", 3);
        addTestRow("a quote outside a value", "<m>\n<i \"a\"/>\n</m>", 2);
        addTestRow("a DOCTYPE after the first element", "<m>\n</m>\n<!DOCTYPE m>", 3);
        addTestRow("a comment left open", "<m>\n<!-- x\n</m>", 2);
        addTestRow("a tag cut off at the end", "<m>\n</m", 2);
        // Dreamweaver's real files, as users have them, must never be taken for damaged.
        const QDir real(MORAVEL_REALWORLD_DIR "/config");
        for (const QString& name : real.entryList(QDir::Files))
            QTest::newRow(qPrintable(name)) << QString::fromUtf8(readFile(real.filePath(name))) << 0;
    }

    void damagedFilesAreFoundAtTheirLine()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        int found = 0;
        QString reason;
        QCOMPARE(MarkupBalance::checkDocument(text, &found, &reason), line == 0);
        QCOMPARE(found, line);
        QCOMPARE(reason.isEmpty(), line == 0);
    }

    // A Menus.xml that is not well-formed, or one whose new content cannot
    // replace it, takes no entry: the file stays as it was, the report and the
    // install record claim nothing for it, and a removal that cannot take its
    // entry out says so rather than claiming it.
    void filesThatTakeNoEditClaimNoEntry_data()
    {
        QTest::addColumn<bool>("removing"); // the install goes through; the removal meets the obstacle
        QTest::addColumn<QByteArray>("damage"); // put after the per-user Menus.xml's first line
        QTest::addColumn<bool>("blockBackup"); // a folder stands where the backup must go
        QTest::addColumn<QString>("detail"); // in the failed file's report
        const QByteArray none;
        addTestRow("install: a tag cut off on line 2", false, QByteArray("<menu id=\"x\"\n"), false,
            QString("damaged at line 2"));
        addTestRow("install: the file cannot be replaced", false, none, true, QString("Menus.xbk"));
        addTestRow(
            "removal: a stray end tag on line 2", true, QByteArray("</menu>\n"), false, QString("damaged at line 2"));
        addTestRow("removal: the file cannot be replaced", true, none, true, QString("Menus.xbk"));
    }

    void filesThatTakeNoEditClaimNoEntry()
    {
        QFETCH(bool, removing);
        QFETCH(QByteArray, damage);
        QFETCH(bool, blockBackup);
        QFETCH(QString, detail);
        const QString root = m_dir.path() + "/damaged" + QString::number(qHash(QTest::currentDataTag()));
        const DreamweaverInfo dreamweaver = installation(root, menusXml());
        const QString menus = dreamweaver.configurationFolder("en_US") + "/Menus/";
        const QByteArray entry = "<menuitem name=\"Wrap\" command=\"wrap()\" id=\"Velkor_Wrap\"/>";
        const QString package = menuPackage(root, "DWMenu_Commands", entry);
        QVERIFY(!removing || Installer(dreamweaver, nullptr, nullptr).installPackage(package));
        QByteArray original = readFile(menus + "Menus.xml");
        const int firstLineEnd = original.indexOf('\n') + 1;
        original.insert(firstLineEnd, damage);
        QVERIFY(writeFile(menus + "Menus.xml", original));
        QVERIFY(!blockBackup
            || ((QFile::remove(menus + "Menus.xbk") || removing == false)
                && QDir().mkpath(menus + "Menus.xbk/inside")));
        InstallReport report;
        if (removing)
            Remover(dreamweaver, nullptr, &report).removeExtension(wrapMxi);
        else
            QVERIFY(Installer(dreamweaver, nullptr, &report).installPackage(package));
        QCOMPARE(readFile(menus + "Menus.xml"), original);
        QCOMPARE(report.xmlFiles().size(), 1);
        QCOMPARE(report.xmlFiles().front().outcome, InstallReport::XmlOutcome::Failed);
        // A damaged file that an install edited before points to the copy kept then.
        QVERIFY2(report.xmlFiles().front().detail.contains(detail)
                && (blockBackup || !removing || report.xmlFiles().front().detail.contains(menus + "Menus.xbk")),
            qPrintable(report.xmlFiles().front().detail));
        for (const InstallReport::EntryResult& result : report.entries())
            QVERIFY(result.outcome != InstallReport::EntryOutcome::Added
                && result.outcome != InstallReport::EntryOutcome::Removed);
        const QString stored = dreamweaver.extensionStoreFolder("en_US") + '/' + wrapMxi;
        InstallRecord record;
        QString error;
        QVERIFY(record.read(InstallRecord::recordPath(stored), InstallRecord::roots(dreamweaver, "en_US"), &error));
        // The install's record lists no entry; the removal's keeps the one it could not take out.
        QCOMPARE(record.entries.size(), removing ? 1 : 0);
        if (removing) {
            QCOMPARE(report.files().last().outcome, InstallReport::FileOutcome::KeptUnfinished);
            QVERIFY(QFileInfo::exists(stored));
        } else {
            QVERIFY(!ReportSummary::installProblems(report).isEmpty());
        }
    }

    void nestingAtTheBoundIsInsertedWithBoundedIndentation()
    {
        const QString text = EntryEditor::addMenuInserts(
            "<menu id=\"m\">\n</menu>", { menu("m", "deep", nested(MarkupBalance::maximumDepth - 1)) });
        QVERIFY(text.contains("\n    <m>\n        <m>"));
        // One capped indentation per element, not one growing with the depth.
        QVERIFY(text.size() < 2 * MarkupBalance::maximumDepth * (4 + 4 * EntryEditor::maximumIndentDepth));
    }

    // Real manifests into a real Menus.xml and the Insert bar: every entry
    // whose menu exists (or an earlier entry made) goes in, and taking out
    // what the install added gives the files back byte for byte.
    void realManifestsGoInAndOutWhole()
    {
        const QString folder = MORAVEL_REALWORLD_DIR;
        if (!QDir(folder).exists())
            QSKIP("the real manifests and configuration files are absent");
        QFile menusFile(folder + "/config/Menus--dwCC2014-15--iamduyu--ca73caa7.xml");
        QVERIFY(menusFile.open(QIODevice::ReadOnly));
        const QString menus = QString::fromUtf8(menusFile.readAll()), insertbar = QString::fromUtf8(insertbarXml());
        for (const QString& name :
            QDir(folder + "/mxi").entryList(QDir::Files) + QDir(folder + "/packages").entryList(QDir::Files)) {
            ExtensionInfo info(folder + (name.endsWith(".mxi") ? "/mxi/" : "/packages/") + name);
            info.parseDetails();
            const Round menu(menus, info), bar(insertbar, info);
            QStringList skipped;
            // Each text is given every entry; only those for its own file count.
            for (const Round* round : { &menu, &bar })
                for (const InstallReport::EntryResult& entry : round->results)
                    if (entry.outcome != InstallReport::EntryOutcome::Added
                        && ConfigurationEditor::editsMenus(entry.kind) == (round == &menu))
                        skipped << entry.id + ": " + InstallReport::describe(entry.outcome);
            qInfo("%s: %d menu entries, %d Insert-bar entries, not placed: %s", qPrintable(name),
                int(info.menuInserts().size()), int(info.insertbarInserts().size()), qPrintable(skipped.join("; ")));
            QVERIFY2(skipped.isEmpty(), qPrintable(name));
            QCOMPARE(menu.removed(), menus);
            QCOMPARE(bar.removed(), insertbar);
        }
    }
};

QTEST_GUILESS_MAIN(TestEntryEditor)
#include "tst_entryeditor.moc"
