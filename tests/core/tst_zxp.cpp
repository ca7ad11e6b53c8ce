#include "TestData.h"
#include "packages/ZXP.h"
#include "support/PackageScratch.h"
#include "support/TestRows.h"
#include "support/ZxpWriter.h"

#include <QtTest>

using Entry = ZxpWriter::Entry;
static QByteArray archiveOf(const QList<Entry>& entries, const QByteArray& comment = {}, int declaredCount = -1)
{
    return ZxpWriter::archiveOf(entries, comment, declaredCount);
}

static QByteArray textOf(int size)
{
    return QByteArray("function step(n) { return n + 1; } // Dreamweaver\n").repeated(size / 50 + 1).left(size);
}

class TestZxp : public QObject
{
    Q_OBJECT

    PackageScratch m_scratch;

    QString write(const QByteArray& bytes) { return m_scratch.write(bytes, QStringLiteral("zxp")); }

private slots:
    void entry_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QByteArray>("expected"); // the contents of a.js
        QTest::addColumn<QString>("warning"); // empty: read; text after the entry's name, or a whole ^pattern

        const QByteArray text = textOf(4000), deflated = ZxpWriter::deflateRaw(text);
        const auto good = [](const char* row, const QList<Entry>& entries, const QByteArray& expected) {
            QTest::newRow(row) << archiveOf(entries) << expected << QString();
        };
        Entry described { "a.js", text }, storedLater { "a.js", text, Entry::Stored };
        described.dataDescriptor = storedLater.dataDescriptor = true;
        good("deflated text", { { "a.js", textOf(70000) } }, textOf(70000));
        good("stored entry is copied", { { "a.js", text, Entry::Stored } }, text);
        good("sizes only in a data descriptor", { described }, text);
        good("stored entry with a data descriptor", { storedLater }, text);
        good("data that fills its buffer exactly", { { "a.js", QByteArray(65536, 'x') } }, QByteArray(65536, 'x'));
        good("later duplicate wins", { { "a.js", "1" }, { "a.js", "2" } }, "2");
        QTest::newRow("comment holding an end signature")
            << archiveOf({ { "a.js", "fake" } }, QByteArray("PK\x05\x06", 4) + QByteArray(30, '\0'))
            << QByteArray("fake") << QString();

        const auto bad = [&](const char* row, const QString& warning, auto change) {
            Entry e { "a.js", text };
            change(e);
            QTest::newRow(row) << archiveOf({ e }) << QByteArray() << warning;
        };
        bad("wrong CRC", "CRC-32 mismatch", [](Entry& e) { e.centralCrc = 0x12345678; });
        bad("wrong CRC of a stored entry", "CRC-32 mismatch", [](Entry& e) {
            e.method = Entry::Stored;
            e.centralCrc = 0;
        });
        bad("stored sizes that differ", "stored size", [](Entry& e) {
            e.method = Entry::Stored;
            e.centralUncompressedSize = 10;
        });
        bad("bzip2 method", "compression method 12", [](Entry& e) { e.method = 12; });
        bad("encrypted", "encrypted", [](Entry& e) { e.extraFlags = 1; });
        bad("ZIP64 size marker", "ZIP64", [](Entry& e) { e.centralUncompressedSize = 0xFFFFFFFF; });
        bad("declared size over the cap", "exceeds the limit", [](Entry& e) {
            e.centralUncompressedSize = 300u << 20;
            e.payload = QByteArray(400000, '\0');
        });
        bad("declared size the data cannot hold", "more than its data can hold",
            [](Entry& e) { e.centralUncompressedSize = 200u << 20; });
        bad("compressed size past the end of the file", "past the end",
            [](Entry& e) { e.centralCompressedSize = 0x7FFFFFF0; });
        bad("cut-off deflate data", "^inflate: error$",
            [&](Entry& e) { e.payload = deflated.left(deflated.size() / 2); });
        bad("more output than recorded", "^inflate: error$", [](Entry& e) { e.centralUncompressedSize = 3999; });
        bad("less output than recorded", "4000 bytes inflated, 4001 recorded",
            [](Entry& e) { e.centralUncompressedSize = 4001; });
    }

    void entry()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QByteArray, expected);
        QFETCH(QString, warning);
        ZXP package(write(archive));
        const QRegularExpression message(warning.startsWith('^')
                ? warning
                : QStringLiteral("^ZXP entry \"a.js\": .*") + QRegularExpression::escape(warning));
        for (int i = 0; i < 2 && !warning.isEmpty(); ++i) // once for reading, once for extracting
            QTest::ignoreMessage(QtWarningMsg, message);
        QCOMPARE(package.readFile(QStringLiteral("a.js")), expected);
        const QString folder = m_scratch.freshFolder();
        QCOMPARE(package.extractFile(QStringLiteral("a.js"), folder), warning.isEmpty());
        QCOMPARE(ScratchFiles::entriesBelow(folder), warning.isEmpty() ? QStringList { "a.js" } : QStringList());
        QFile file(folder + QStringLiteral("/a.js"));
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), expected);
    }

    void localHeaderNamesTheExtractedFile()
    {
        Entry e { "central/name.txt", "data" };
        e.localName = QByteArray("local/other.txt");
        ZXP package(write(archiveOf({ e })));
        const QString folder = m_scratch.freshFolder();
        QVERIFY(package.extractFile(QStringLiteral("central/name.txt"), folder));
        QCOMPARE(ScratchFiles::entriesBelow(folder), QStringList { "other.txt" });
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("mxi");

        const QStringList none;
        addTestRow("no end record", textOf(3000), none, "");
        addTestRow("bytes after the end record", archiveOf({ { "a.txt", "a" } }) + '!', none, "");
        addTestRow("two manifests: the later one counts",
            archiveOf({ { "one.mxi", "1" }, { "sub/TWO.MXI", "2" }, { "x.txt", "x" } }),
            QStringList { "one.mxi", "sub/TWO.MXI", "x.txt" }, "sub/TWO.MXI");
        addTestRow("a name of just mxi is no manifest", archiveOf({ { "mxi", "m" }, { "folder.mxi/file", "f" } }),
            QStringList { "folder.mxi/file", "mxi" }, "");
        addTestRow("directory shorter than its count keeps what it read",
            archiveOf({ { "first.txt", "1" }, { "second.mxi", "2" } }, {}, 3),
            QStringList { "first.txt", "second.mxi" }, "second.mxi");
        QByteArray damaged = archiveOf({ { "first.txt", "1" }, { "second.txt", "2" } });
        damaged[damaged.lastIndexOf("PK\x01\x02") + 3] = 9;
        addTestRow("damaged second directory header", damaged, QStringList { "first.txt" }, "");
        addTestRow("name of 261 bytes stops the walk", archiveOf({ { "ok.txt", "1" }, { QByteArray(261, 'n'), "2" } }),
            QStringList { "ok.txt" }, "");
        addTestRow("name of 260 bytes is read", archiveOf({ { QByteArray(260, 'n'), "2" } }),
            QStringList { QString(260, 'n') }, "");
        addTestRow("ZIP64 archive", archiveOf({ { "a.txt", "a" } }, {}, 0xFFFF), none, "ZIP64"); // a warning, no index
    }

    void index()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QStringList, names);
        QFETCH(QString, mxi);
        if (mxi == QLatin1String("ZIP64")) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ZIP64 archives are not supported")));
            mxi.clear();
        }
        ZXP package(write(archive));
        QCOMPARE(package.mxiFileName(), mxi);
        QCOMPARE(package.entryNames(), names);
        for (const QString& name : names)
            QVERIFY2(!package.readFile(name).isEmpty(), qPrintable(name));
        QVERIFY(package.readFile(QStringLiteral("second.txt")).isEmpty());
    }

    // Cut-off archives lose their end record: nothing may be indexed.
    void everyPrefixIsSafe()
    {
        const QByteArray archive = archiveOf({ { "a.mxi", textOf(300) }, { "c/d.js", "d", Entry::Stored } });
        for (int length = 0; length < archive.size(); ++length)
            QVERIFY(ZXP(write(archive.left(length))).mxiFileName().isEmpty());
    }

    // Archives written by real tools hold the files of the source folder byte for byte.
    void realArchives()
    {
        const QDir data(QStringLiteral(MORAVEL_TEST_DATA_DIR "/packages")), source(data.filePath("source"));
        const QStringList archives = data.entryList({ QStringLiteral("*.zxp") }, QDir::Files);
        QCOMPARE(archives.size(), 8);
        for (const QString& archive : archives) {
            ZXP package(data.filePath(archive));
            QCOMPARE(package.mxiFileName(), QStringLiteral("sample.mxi"));
            QDirIterator it(source.path(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QString name = source.relativeFilePath(file.fileName());
                QVERIFY2(package.readFile(name) == file.readAll(), qPrintable(archive + ": " + name));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestZxp)
#include "tst_zxp.moc"
