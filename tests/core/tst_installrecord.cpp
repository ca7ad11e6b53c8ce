#include "installer/InstallRecord.h"
#include "support/TestRows.h"

#include <QTemporaryDir>
#include <QtTest>

using Kind = InstallReport::EntryKind;

// A record is the only thing that lets a removal undo an install: what one
// install writes, the removal must read back field for field, and what a
// tampered record names must never lead out of the folders it belongs to.
class TestInstallRecord : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    InstallRecord::Roots roots() const { return { m_dir.path() + "/Configuration", m_dir.path() + "/home" }; }
    QString recordPath() const { return m_dir.path() + "/Velkor Tools.mxi.record"; }

private slots:
    void backupNamesStayInTheBackupFolder_data()
    {
        QTest::addColumn<QString>("backup");
        QTest::addColumn<bool>("readable");
        addTestRow("none: the install created the file", QString(), true);
        addTestRow("a plain name", QString("tool.js.1"), true);
        addTestRow("a name with spaces and dots", QString("my tool.js..2"), true);
        addTestRow("the parent folder", QString("../x"), false);
        addTestRow("a subfolder", QString("sub/x"), false);
        addTestRow("a Windows parent folder", QString("..\\x"), false);
        addTestRow("an absolute path", QString("/etc/passwd"), false);
        addTestRow("the folder itself", QString(".."), false);
    }
    void backupNamesStayInTheBackupFolder()
    {
        QFETCH(QString, backup);
        QFETCH(bool, readable);
        InstallRecord written;
        written.files = { { roots().configuration + "/Commands/tool.js", backup } };
        QString error;
        QVERIFY2(written.write(recordPath(), roots(), &error), qPrintable(error));
        InstallRecord read;
        QCOMPARE(read.read(recordPath(), roots(), &error), readable);
        QCOMPARE(read.files.size(), readable ? 1 : 0);
        if (readable)
            QCOMPARE(read.files.first().backup, backup);
    }

    // Every field an entry carries comes back as it was written.
    void entriesReadBackAsWritten_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QStringList>("ids");
        addTestRow("a menu block with one id", int(Kind::MenuEntry), QString(), QString("<menuitem id=\"T\"/>\n"),
            QStringList { "T" });
        addTestRow("a block of comments alone keeps its empty ids", int(Kind::MenuEntry), QString(),
            QString("<!-- Velkor -->\n"), QStringList {});
        addTestRow("a comments-only block in another file", int(Kind::TagLibrary),
            QString("TagLibraries/TagLibraries.vtm"), QString("<!-- only a note -->\n"), QStringList {});
        addTestRow("several ids, outermost first", int(Kind::InsertbarCategory), QString(),
            QString("<category id=\"C\"><button id=\"B\"/></category>\n"), QStringList { "C", "B" });
        addTestRow("spaces, percent signs and line ends in the text", int(Kind::ExtensionLine),
            QString("Extensions.txt"), QString("VEL,TOOL:Velkor 100% Files\r"), QStringList {});
    }
    void entriesReadBackAsWritten()
    {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(QString, inserted);
        QFETCH(QStringList, ids);
        InstallRecord written;
        written.installedAt = 1700000000123;
        written.entries
            = { { Kind(kind), ids.join(", "), "DWMenu_Commands", false, "menu#DWMenu_Commands", inserted, ids, file } };
        QString error;
        QVERIFY2(written.write(recordPath(), roots(), &error), qPrintable(error));
        InstallRecord read;
        QVERIFY2(read.read(recordPath(), roots(), &error), qPrintable(error));
        QCOMPARE(read.installedAt, written.installedAt);
        QCOMPARE(read.entries.size(), 1);
        const InstallRecord::Entry& entry = read.entries.first();
        QCOMPARE(int(entry.kind), kind);
        QCOMPARE(entry.target, QString("DWMenu_Commands"));
        QCOMPARE(entry.parent, QString("menu#DWMenu_Commands"));
        QCOMPARE(entry.inserted, inserted);
        QCOMPARE(entry.ids, ids);
        QCOMPARE(entry.file, file);
    }
};

QTEST_GUILESS_MAIN(TestInstallRecord)
#include "tst_installrecord.moc"
