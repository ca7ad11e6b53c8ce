#include "TestData.h"
#include "packages/ZXP.h"
#include "support/ZxpWriter.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray textOf(int size)
{
    QByteArray text;
    while (text.size() < size)
        text.append("function step(n) { return n + 1; } // Dreamweaver\n");
    return text.left(size);
}

QByteArray binaryOf(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2463534242u;
    for (int i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = char(state);
    }
    return bytes;
}

ZxpWriter::Entry entry(const QByteArray& name, const QByteArray& data, quint16 method = ZxpWriter::Deflated)
{
    ZxpWriter::Entry e;
    e.name = name;
    e.data = data;
    e.method = method;
    return e;
}

QByteArray archiveOf(const QList<ZxpWriter::Entry>& entries, const QByteArray& comment = QByteArray())
{
    ZxpWriter writer;
    for (const auto& e : entries)
        writer.add(e);
    writer.setComment(comment);
    return writer.archive();
}

} // namespace

class TestZxp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString write(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.zxp").arg(++m_count));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString freshFolder()
    {
        const QString path = m_dir.filePath(QStringLiteral("out%1").arg(++m_count));
        QDir().mkpath(path);
        return path;
    }

private slots:
    void readsEntry_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray text = textOf(70000);
        const QByteArray binary = binaryOf(5000);
        QTest::newRow("deflated text") << archiveOf({ entry("a.js", text) }) << "a.js" << text;
        QTest::newRow("stored binary is copied, not inflated")
            << archiveOf({ entry("b.bin", binary, ZxpWriter::Stored) }) << "b.bin" << binary;
        QTest::newRow("empty stored entry")
            << archiveOf({ entry("e.txt", "", ZxpWriter::Stored) }) << "e.txt" << QByteArray();

        auto described = entry("d/x.js", text);
        described.dataDescriptor = true;
        QTest::newRow("sizes only in a data descriptor") << archiveOf({ described }) << "d/x.js" << text;
        auto describedStored = entry("s.mxi", "<macromedia-extension/>", ZxpWriter::Stored);
        describedStored.dataDescriptor = true;
        QTest::newRow("stored entry with a data descriptor")
            << archiveOf({ describedStored }) << "s.mxi" << QByteArray("<macromedia-extension/>");

        QTest::newRow("archive with a 100-byte comment")
            << archiveOf({ entry("c.txt", "comment") }, QByteArray(100, 'c')) << "c.txt" << QByteArray("comment");
        QTest::newRow("comment holding an end signature")
            << archiveOf({ entry("c.txt", "fake") }, QByteArray("PK\x05\x06", 4) + QByteArray(30, '\0')) << "c.txt"
            << QByteArray("fake");
        QTest::newRow("name keeps its folders") << archiveOf({ entry("Configuration/Commands/run.js", "run") })
                                                << "Configuration/Commands/run.js" << QByteArray("run");
        QTest::newRow("name keeps its backslashes")
            << archiveOf({ entry("Shared\\lib.js", "lib") }) << "Shared\\lib.js" << QByteArray("lib");
        QTest::newRow("later duplicate wins") << archiveOf({ entry("dup.txt", "first"), entry("dup.txt", "second") })
                                              << "dup.txt" << QByteArray("second");
        QTest::newRow("name cut at a zero byte")
            << archiveOf({ entry(QByteArray("cut.txt\0tail", 12), "cut") }) << "cut.txt" << QByteArray("cut");
        QTest::newRow("UTF-8 name") << archiveOf({ entry("Fran\xc3\xa7ois.txt", "utf") })
                                    << QString::fromUtf8("Fran\xc3\xa7ois.txt") << QByteArray("utf");
        QTest::newRow("data that fills its buffer exactly")
            << archiveOf({ entry("exact.bin", QByteArray(65536, 'x')) }) << "exact.bin" << QByteArray(65536, 'x');
    }

    void readsEntry()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);

        ZXP package(write(archive));
        QCOMPARE(package.readFile(name), expected);

        const QString folder = freshFolder();
        QVERIFY(package.extractFile(name, folder));
        QFile file(folder + QLatin1Char('/') + name.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

    void refusesEntry_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("warning");

        const QByteArray text = textOf(4000);
        auto e = entry("bad.js", text);
        e.centralCrc = 0x12345678;
        QTest::newRow("wrong CRC") << archiveOf({ e }) << "CRC-32 mismatch";

        e = entry("bad.js", text, ZxpWriter::Stored);
        e.centralCrc = 0;
        QTest::newRow("wrong CRC of a stored entry") << archiveOf({ e }) << "CRC-32 mismatch";

        e = entry("bad.js", text, ZxpWriter::Stored);
        e.centralUncompressedSize = 10;
        QTest::newRow("stored sizes that differ") << archiveOf({ e }) << "stored size";

        e = entry("bad.js", text, 12);
        QTest::newRow("bzip2 method") << archiveOf({ e }) << "compression method 12";
        e = entry("bad.js", text, 99);
        QTest::newRow("AES method") << archiveOf({ e }) << "compression method 99";

        e = entry("bad.js", text);
        e.extraFlags = 1;
        QTest::newRow("encrypted") << archiveOf({ e }) << "encrypted";

        e = entry("bad.js", text);
        e.centralUncompressedSize = 0xFFFFFFFF;
        QTest::newRow("ZIP64 size marker") << archiveOf({ e }) << "ZIP64";

        e = entry("bad.js", text);
        e.centralUncompressedSize = 300u * 1024 * 1024;
        e.payload = QByteArray(400000, '\0');
        QTest::newRow("declared size over the cap") << archiveOf({ e }) << "exceeds the limit";

        e = entry("bad.js", text);
        e.centralUncompressedSize = 200u * 1024 * 1024;
        QTest::newRow("declared size the data cannot hold") << archiveOf({ e }) << "more than its data can hold";

        e = entry("bad.js", text);
        e.centralCompressedSize = 0x7FFFFFF0;
        QTest::newRow("compressed size past the end of the file") << archiveOf({ e }) << "past the end";

        e = entry("bad.js", text);
        e.payload = QByteArray("\xff\xff\xff\xff not deflate at all", 24);
        QTest::newRow("damaged deflate data") << archiveOf({ e }) << "^inflate: error$";

        e = entry("bad.js", text);
        const QByteArray deflated = ZxpWriter::deflateRaw(text);
        e.payload = deflated.left(deflated.size() / 2);
        QTest::newRow("cut-off deflate data") << archiveOf({ e }) << "^inflate: error$";

        e = entry("bad.js", text);
        e.centralUncompressedSize = quint32(text.size() - 1);
        QTest::newRow("more output than recorded") << archiveOf({ e }) << "^inflate: error$";

        e = entry("bad.js", text);
        e.centralUncompressedSize = quint32(text.size() + 1);
        QTest::newRow("less output than recorded") << archiveOf({ e }) << "4000 bytes inflated, 4001 recorded";
    }

    void refusesEntry()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QString, warning);

        ZXP package(write(archive));
        const QRegularExpression expected(warning.startsWith(QLatin1Char('^'))
                ? warning
                : QStringLiteral("^ZXP entry \"bad.js\": .*") + QRegularExpression::escape(warning));
        QTest::ignoreMessage(QtWarningMsg, expected);
        QVERIFY(package.readFile(QStringLiteral("bad.js")).isEmpty());

        const QString folder = freshFolder();
        QTest::ignoreMessage(QtWarningMsg, expected);
        QVERIFY(!package.extractFile(QStringLiteral("bad.js"), folder));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("mxi");

        QTest::newRow("empty archive") << archiveOf({}) << QStringList() << QString();
        QTest::newRow("shorter than an end record") << QByteArray("PK\x05\x06", 4) << QStringList() << QString();
        QTest::newRow("no end record") << textOf(3000) << QStringList() << QString();

        QByteArray trailing = archiveOf({ entry("a.txt", "a") });
        trailing.append('!');
        QTest::newRow("bytes after the end record") << trailing << QStringList() << QString();

        QByteArray shortComment = archiveOf({ entry("a.txt", "a") }, "12345");
        shortComment.chop(1);
        QTest::newRow("comment shorter than declared") << shortComment << QStringList() << QString();

        QTest::newRow("two manifests: the later one counts")
            << archiveOf({ entry("one.mxi", "1"), entry("sub/TWO.MXI", "2"), entry("x.txt", "x") })
            << QStringList { "one.mxi", "sub/TWO.MXI", "x.txt" } << "sub/TWO.MXI";
        QTest::newRow("a name of just mxi is no manifest")
            << archiveOf({ entry("mxi", "m"), entry("folder.mxi/file", "f") })
            << QStringList { "folder.mxi/file", "mxi" } << QString();

        ZxpWriter extra;
        extra.add("first.txt", "1");
        extra.add("second.mxi", "2");
        extra.setDeclaredCount(3);
        QTest::newRow("directory shorter than its count keeps what it read")
            << extra.archive() << QStringList { "first.txt", "second.mxi" } << "second.mxi";

        QByteArray damaged = archiveOf({ entry("first.txt", "1"), entry("second.txt", "2") });
        const int second = damaged.lastIndexOf(QByteArray("PK\x01\x02", 4));
        damaged[second + 3] = 9;
        QTest::newRow("damaged second directory header") << damaged << QStringList { "first.txt" } << QString();

        QByteArray longName = archiveOf({ entry("ok.txt", "1"), entry(QByteArray(261, 'n'), "2") });
        QTest::newRow("name of 261 bytes stops the walk") << longName << QStringList { "ok.txt" } << QString();
        QTest::newRow("name of 260 bytes is read")
            << archiveOf({ entry(QByteArray(260, 'n'), "2") }) << QStringList { QString(260, 'n') } << QString();
    }

    void index()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QStringList, names);
        QFETCH(QString, mxi);

        ZXP package(write(archive));
        QCOMPARE(package.mxiFileName(), mxi);
        QCOMPARE(package.entryNames(), names);
        for (const QString& name : names)
            QVERIFY2(!package.readFile(name).isEmpty(), qPrintable(name));
        QVERIFY(package.readFile(QStringLiteral("second.txt")).isEmpty());
    }

    void zip64ArchiveIsRefused()
    {
        ZxpWriter writer;
        writer.add("a.txt", "a");
        writer.setDeclaredCount(0xFFFF);
        const QString path = write(writer.archive());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ZIP64 archives are not supported")));
        ZXP package(path);
        QVERIFY(package.readFile(QStringLiteral("a.txt")).isEmpty());
    }

    void lookupIsExact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("other letter case") << "DIR/A.TXT";
        QTest::newRow("slashes for backslashes") << "dir\\a.txt";
        QTest::newRow("last component only") << "a.txt";
        QTest::newRow("empty name") << "";
    }

    void lookupIsExact()
    {
        QFETCH(QString, name);
        ZXP package(write(archiveOf({ entry("dir/a.txt", "a") })));
        QVERIFY(package.readFile(name).isEmpty());
        QVERIFY(!package.extractFile(name, freshFolder()));
    }

    void missingFileHasNoEntries()
    {
        ZXP package(m_dir.filePath(QStringLiteral("does-not-exist.zxp")));
        QCOMPARE(package.mxiFileName(), QString());
        QVERIFY(package.readFile(QStringLiteral("a.mxi")).isEmpty());
        QVERIFY(!package.extractFile(QStringLiteral("a.mxi"), freshFolder()));
    }

    void extractsUnderTheLastComponent_data()
    {
        QTest::addColumn<QByteArray>("localName");
        QTest::addColumn<QString>("written"); // empty: refused

        QTest::newRow("two folder levels") << QByteArray("a/b/file.js") << "file.js";
        QTest::newRow("backslash folders") << QByteArray("a\\b\\file.js") << "file.js";
        QTest::newRow("climbing folders are dropped") << QByteArray("../../up.js") << "up.js";
        QTest::newRow("absolute path") << QByteArray("/etc/passwd") << "passwd";
        QTest::newRow("directory entry") << QByteArray("folder/") << "";
        QTest::newRow("dot dot") << QByteArray("..") << "";
        QTest::newRow("ends in dot dot") << QByteArray("a/..") << "";
        QTest::newRow("ends in backslash dot dot") << QByteArray("a\\..") << "";
        QTest::newRow("dot") << QByteArray(".") << "";
        QTest::newRow("empty") << QByteArray() << "";
    }

    void extractsUnderTheLastComponent()
    {
        QFETCH(QByteArray, localName);
        QFETCH(QString, written);

        // The directory knows the entry as "entry"; the local header names the file.
        auto e = entry("entry", "payload");
        e.localName = localName;
        ZXP package(write(archiveOf({ e })));
        const QString parent = freshFolder();
        const QString folder = parent + QStringLiteral("/a/b");
        if (written.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("names no file to write")));
        QCOMPARE(package.extractFile(QStringLiteral("entry"), folder), !written.isEmpty());
        QStringList expected;
        if (!written.isEmpty())
            expected << QStringLiteral("a/b/") + written;
        QStringList found;
        QDirIterator it(parent, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(parent).relativeFilePath(it.next());
        QCOMPARE(found, expected);
    }

    void extractionReplacesOrKeepsTheTarget_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("good entry replaces the file") << false << QByteArray("new contents");
        QTest::newRow("damaged entry leaves the file alone") << true << QByteArray("old contents that are longer");
    }

    void extractionReplacesOrKeepsTheTarget()
    {
        QFETCH(bool, damaged);
        QFETCH(QByteArray, expected);

        auto e = entry("x/target.txt", "new contents");
        if (damaged)
            e.centralCrc = 1;
        ZXP package(write(archiveOf({ e })));
        const QString folder = freshFolder();
        QFile old(folder + QStringLiteral("/target.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents that are longer");
        old.close();

        if (damaged)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("CRC-32 mismatch")));
        QCOMPARE(package.extractFile(QStringLiteral("x/target.txt"), folder), !damaged);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), expected);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "target.txt" });
    }

    void extractionIntoAFileFails()
    {
        ZXP package(write(archiveOf({ entry("a.txt", "a") })));
        const QString blocker = freshFolder() + QStringLiteral("/file");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!package.extractFile(QStringLiteral("a.txt"), blocker + QStringLiteral("/inside")));
    }

    void everyPrefixIsSafe()
    {
        const QByteArray archive = archiveOf(
            { entry("a.mxi", textOf(300)), entry("b.bin", binaryOf(200), ZxpWriter::Stored), entry("c/d.js", "d") });
        for (int length = 0; length < archive.size(); ++length) {
            ZXP package(write(archive.left(length)));
            // Cut-off archives lose their end record: nothing may be indexed.
            QCOMPARE(package.mxiFileName(), QString());
            QVERIFY(package.readFile(QStringLiteral("a.mxi")).isEmpty());
        }
    }

    void realArchives_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("entryName");

        const QDir data(QStringLiteral(MORAVEL_TEST_DATA_DIR "/packages"));
        const QStringList archives = data.entryList({ QStringLiteral("*.zxp") }, QDir::Files, QDir::Name);
        QVERIFY(!archives.isEmpty());
        const QDir source(data.filePath(QStringLiteral("source")));
        QDirIterator it(source.path(), QDir::Files, QDirIterator::Subdirectories);
        QStringList names;
        while (it.hasNext())
            names << source.relativeFilePath(it.next());
        names.sort();
        for (const QString& archive : archives)
            for (const QString& name : names)
                QTest::addRow("%s: %s", qPrintable(archive), qPrintable(name)) << data.filePath(archive) << name;
    }

    void realArchives()
    {
        QFETCH(QString, archive);
        QFETCH(QString, entryName);

        QFile source(QStringLiteral(MORAVEL_TEST_DATA_DIR "/packages/source/") + entryName);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray expected = source.readAll();

        ZXP package(archive);
        QCOMPARE(package.mxiFileName(), QStringLiteral("sample.mxi"));
        const QByteArray actual = package.readFile(entryName);
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
    }
};

QTEST_GUILESS_MAIN(TestZxp)
#include "tst_zxp.moc"
