#include "TestData.h"
#include "packages/ZXP.h"
#include "support/PackageScratch.h"
#include "support/ZxpWriter.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

namespace {

using Entry = ZxpWriter::Entry;
Entry entry(const QByteArray& name, const QByteArray& data, quint16 method = ZxpWriter::Deflated)
{
    return ZxpWriter::entry(name, data, method);
}

QByteArray archiveOf(const QList<Entry>& entries, const QByteArray& comment = QByteArray())
{
    return ZxpWriter::archiveOf(entries, comment);
}

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
    QRandomGenerator random(size);
    for (char& byte : bytes)
        byte = char(random.generate());
    return bytes;
}

} // namespace

class TestZxp : public QObject
{
    Q_OBJECT

private:
    PackageScratch m_scratch;

    QString write(const QByteArray& bytes) { return m_scratch.write(bytes, QStringLiteral("zxp")); }

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

        Entry described = entry("d/x.js", text);
        described.dataDescriptor = true;
        QTest::newRow("sizes only in a data descriptor") << archiveOf({ described }) << "d/x.js" << text;
        described = entry("s.mxi", "<macromedia-extension/>", ZxpWriter::Stored);
        described.dataDescriptor = true;
        QTest::newRow("stored entry with a data descriptor")
            << archiveOf({ described }) << "s.mxi" << QByteArray("<macromedia-extension/>");

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

        const QString folder = m_scratch.freshFolder();
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
        auto broken = [&](auto change, quint16 method = ZxpWriter::Deflated) {
            Entry e = entry("bad.js", text, method);
            change(e);
            return archiveOf({ e });
        };
        const QByteArray deflated = ZxpWriter::deflateRaw(text);
        QTest::newRow("wrong CRC") << broken([](Entry& e) { e.centralCrc = 0x12345678; }) << "CRC-32 mismatch";
        QTest::newRow("wrong CRC of a stored entry")
            << broken([](Entry& e) { e.centralCrc = 0; }, ZxpWriter::Stored) << "CRC-32 mismatch";
        QTest::newRow("stored sizes that differ")
            << broken([](Entry& e) { e.centralUncompressedSize = 10; }, ZxpWriter::Stored) << "stored size";
        QTest::newRow("bzip2 method") << broken([](Entry&) {}, 12) << "compression method 12";
        QTest::newRow("encrypted") << broken([](Entry& e) { e.extraFlags = 1; }) << "encrypted";
        QTest::newRow("ZIP64 size marker")
            << broken([](Entry& e) { e.centralUncompressedSize = 0xFFFFFFFF; }) << "ZIP64";
        QTest::newRow("declared size over the cap") << broken([](Entry& e) {
            e.centralUncompressedSize = 300u << 20;
            e.payload = QByteArray(400000, '\0');
        }) << "exceeds the limit";
        QTest::newRow("declared size the data cannot hold")
            << broken([](Entry& e) { e.centralUncompressedSize = 200u << 20; }) << "more than its data can hold";
        QTest::newRow("compressed size past the end of the file")
            << broken([](Entry& e) { e.centralCompressedSize = 0x7FFFFFF0; }) << "past the end";
        QTest::newRow("damaged deflate data")
            << broken([](Entry& e) { e.payload = QByteArray("\xff\xff\xff\xff not deflate"); }) << "^inflate: error$";
        QTest::newRow("cut-off deflate data")
            << broken([&](Entry& e) { e.payload = deflated.left(deflated.size() / 2); }) << "^inflate: error$";
        QTest::newRow("more output than recorded")
            << broken([&](Entry& e) { e.centralUncompressedSize = quint32(text.size() - 1); }) << "^inflate: error$";
        QTest::newRow("less output than recorded")
            << broken([&](Entry& e) { e.centralUncompressedSize = quint32(text.size() + 1); })
            << "4000 bytes inflated, 4001 recorded";
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

        const QString folder = m_scratch.freshFolder();
        QTest::ignoreMessage(QtWarningMsg, expected);
        QVERIFY(!package.extractFile(QStringLiteral("bad.js"), folder));
        QCOMPARE(PackageScratch::filesBelow(folder), QStringList());
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("mxi");

        QTest::newRow("empty archive") << archiveOf({}) << QStringList() << QString();
        QTest::newRow("shorter than an end record") << QByteArray("PK\x05\x06", 4) << QStringList() << QString();
        QTest::newRow("no end record") << textOf(3000) << QStringList() << QString();

        QTest::newRow("bytes after the end record")
            << archiveOf({ entry("a.txt", "a") }) + '!' << QStringList() << QString();

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

        QTest::newRow("name of 261 bytes stops the walk")
            << archiveOf({ entry("ok.txt", "1"), entry(QByteArray(261, 'n'), "2") }) << QStringList { "ok.txt" }
            << QString();
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

    void localHeaderNamesTheExtractedFile()
    {
        Entry e = entry("central/name.txt", "data");
        e.localName = QByteArray("local/other.txt");
        ZXP package(write(archiveOf({ e })));
        const QString folder = m_scratch.freshFolder();
        QVERIFY(package.extractFile(QStringLiteral("central/name.txt"), folder));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList { "other.txt" });
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
        QVERIFY(package.readFile(entryName) == expected);
    }
};

QTEST_GUILESS_MAIN(TestZxp)
#include "tst_zxp.moc"
