#include "discovery/ExtensionInfo.h"
#include "installer/EntryEditor.h"
#include "installer/TextListEditor.h"
#include "support/TestRows.h"

#include <QtTest>

using Kind = InstallReport::EntryKind;
using Outcome = InstallReport::EntryOutcome;

// Where an install puts what a manifest adds, one rule per row, with the
// edited text written out in full.
class TestEntryPlacement : public QObject
{
    Q_OBJECT

private slots:
    void extensionLinesAddedOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("outcome");
        const QString list = "VEL,HTM:All Documents\r\nHTM,HTML:HTML Documents\r\n";
        addTestRow("a new line goes last, ended as the file's lines are", list, QString("VEL:Velkor Files"),
            list + "VEL:Velkor Files\r\n", int(Outcome::Added));
        addTestRow("a line already there is not added again", list + "VEL:Velkor Files\r\n",
            QString("VEL:Velkor Files"), list + "VEL:Velkor Files\r\n", int(Outcome::AlreadyPresent));
        addTestRow("a line already there in another case is not added again", list + "VEL:Velkor Files\r\n",
            QString("vel:VELKOR FILES"), list + "VEL:Velkor Files\r\n", int(Outcome::AlreadyPresent));
        addTestRow("the first line, which lists every extension, is not compared",
            QString("VEL:Velkor Files\nHTM:HTML\n"), QString("VEL:Velkor Files"),
            QString("VEL:Velkor Files\nHTM:HTML\nVEL:Velkor Files\n"), int(Outcome::Added));
        addTestRow("a last line without an end stays the last without one", QString("ALL:All\nHTM:HTML"),
            QString("VEL:Velkor"), QString("ALL:All\nHTM:HTML\nVEL:Velkor"), int(Outcome::Added));
    }
    void extensionLinesAddedOnce()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QFETCH(int, outcome);
        ConfigurationInsert insert;
        insert.kind = ConfigurationInsert::Kind::ExtensionLine;
        insert.file = "Extensions.txt";
        insert.markup = line;
        EntryEditor::EntryResults results;
        QCOMPARE(TextListEditor::addLines(text, { insert }, Kind::ExtensionLine, true, &results), expected);
        QCOMPARE(results.size(), 1);
        QCOMPARE(int(results.first().outcome), outcome);
    }

    void insertbarCategoriesGoLast_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("expected");
        const QString common
            = "\t<category id=\"Common\" folder=\"Common\">\n\t\t<button id=\"Link\"/>\n\t</category>\n";
        const QString forms = "\t<category id=\"Forms\" folder=\"Forms\">\n\t\t<button id=\"Form\"/>\n\t</category>\n";
        const QString velkor = "\t<category id=\"Velkor\" folder=\"V\">\n\t\t<button id=\"B\"/>\n\t</category>\n";
        addTestRow("a new category goes after the last one",
            QString("<insertbar-insert><category id=\"Velkor\" folder=\"V\"><button id=\"B\"/></category>"
                    "</insertbar-insert>"),
            QString("<insertbar>\n" + common + forms + velkor + "</insertbar>\n"));
        addTestRow("a category placed after a named one goes right after it",
            QString("<insertbar-insert insertAfter=\"Common\"><category id=\"Velkor\" folder=\"V\"><button id=\"B\"/>"
                    "</category></insertbar-insert>"),
            QString("<insertbar>\n" + common + velkor + forms + "</insertbar>\n"));
        addTestRow("a button without a place goes last in its category",
            QString("<insertbar-item-insert appendTo=\"Common\"><button id=\"N\"/></insertbar-item-insert>"),
            QString("<insertbar>\n" + QString(common).replace("\t</category>", "\t\t<button id=\"N\"/>\n\t</category>")
                + forms + "</insertbar>\n"));
    }
    void insertbarCategoriesGoLast()
    {
        QFETCH(QString, insert);
        QFETCH(QString, expected);
        const QString text = "<insertbar>\n\t<category id=\"Common\" folder=\"Common\">\n\t\t<button id=\"Link\"/>\n"
                             "\t</category>\n\t<category id=\"Forms\" folder=\"Forms\">\n\t\t<button id=\"Form\"/>\n"
                             "\t</category>\n</insertbar>\n";
        ExtensionInfo info("<macromedia-extension><configuration-changes>" + insert.toUtf8()
                + "</configuration-changes></macromedia-extension>",
            "x.mxi");
        info.parseDetails();
        EntryEditor::EntryResults results;
        QCOMPARE(EntryEditor::addInsertbarInserts(text, info.insertbarInserts(), &results), expected);
        QCOMPARE(results.size(), 1);
        QCOMPARE(int(results.first().outcome), int(Outcome::Added));
    }
};

QTEST_GUILESS_MAIN(TestEntryPlacement)
#include "tst_entryplacement.moc"
