#include "packages/MXP.h"
#include "support/MxpWriter.h"
#include "support/PackageScratch.h"

#include <QtTest>

using Chunk = MxpWriter::Chunk;

static Chunk changed(Chunk chunk, qint32 uncompressedSize, int chopped = 0)
{
    chunk.uncompressedSize = uncompressedSize;
    chunk.bytes.chop(chopped);
    chunk.compressedSize -= chopped;
    return chunk;
}

class TestMxp : public QObject
{
    Q_OBJECT

    PackageScratch m_scratch;

    QString write(const QByteArray& bytes) { return m_scratch.write(bytes, QStringLiteral("mxp")); }

private slots:
    void readsEntry_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QByteArray>("expected"); // the contents of "d/a.js"; empty: refused

        auto of = [](const QList<Chunk>& chunks, bool terminated = true) {
            return MxpWriter().addRecord("d/a.js", chunks, terminated).package();
        };
        const QByteArray two = QByteArray(300000, 'a') + QByteArray(50, 'z');
        Chunk damaged = Chunk::of("good data"), pastEnd = Chunk::of("data");
        damaged.bytes[5] = char(damaged.bytes[5] ^ 0x55);
        pastEnd.compressedSize = 0x7FFFFFFF;
        // Incompressible: its stream is long enough to back a 256 MiB claim yet yields little.
        QByteArray noise(1 << 18, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        const auto row = [](const char* name, const QByteArray& package, const QByteArray& expected = {}) {
            QTest::newRow(name) << package << expected;
        };

        row("large and small chunk in order", of({ Chunk::of(two.left(300000)), Chunk::of(two.mid(300000)) }), two);
        row("backslashes are found as slashes", MxpWriter().add("d\\a.js", "lib").package(), "lib");
        row("name cut at a zero byte", MxpWriter().add(QByteArray("d/a.js\0hidden", 13), "cut").package(), "cut");
        row("later duplicate wins", MxpWriter().add("d/a.js", "first").add("d/a.js", "second").package(), "second");
        row("last record without its end header",
            MxpWriter().add("x.txt", "x").addRecord("d/a.js", { Chunk::of("last") }, false).package(), "last");
        row("negative size ends the chunks",
            MxpWriter()
                .addRecord("d/a.js", { Chunk::of("kept") }, false)
                .addRaw(MxpWriter::int32(-1) + MxpWriter::int32(20) + QByteArray(20, 'j'))
                .package(),
            "kept");
        // The declared size bounds the output; a shorter stream is the chunk's real contents.
        row("declared size larger than the data", of({ changed(Chunk::of("short"), 500) }), "short");

        row("damaged zlib data in the second chunk", of({ Chunk::of("fine"), damaged }));
        row("more output than declared", of({ changed(Chunk::of(QByteArray(100, 'l')), 99) }));
        row("cut-off zlib stream", of({ changed(Chunk::of(QByteArray(500, 'c')), 500, 3) }));
        row("declared size over the cap", of({ changed(Chunk::of(QByteArray(300000, 'o')), 257 << 20) }));
        row("chunks together claim over the cap", of({ Chunk::of("a"), changed(Chunk::of(noise), 256 << 20) }));
        row("declared size the data cannot hold", of({ changed(Chunk::of("tiny"), 100 << 20) }));
        row("data past the end of the file", of({ pastEnd }, false) + QByteArray(16, '\0'));
        row("chunk that yields nothing", of({ { 5, 8, QByteArray("\x78\x9c\x03\0\0\0\0\x01", 8) } }));
    }

    void readsEntry()
    {
        QFETCH(QByteArray, package);
        QFETCH(QByteArray, expected);
        MXP reader(write(package));
        QCOMPARE(reader.readFile(QStringLiteral("d/a.js")), expected);
        const QString folder = m_scratch.freshFolder();
        QCOMPARE(reader.extractFile(QStringLiteral("d/a.js"), folder), !expected.isEmpty());
        QCOMPARE(ScratchFiles::entriesBelow(folder), expected.isEmpty() ? QStringList() : QStringList { "a.js" });
        QFile file(folder + QStringLiteral("/a.js"));
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), expected);
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QStringList>("names"); // entries named "broken..." cannot be read
        QTest::addColumn<QString>("mxi");

        const auto row = [](const char* name, const MxpWriter& writer, const QStringList& names, const QString& mxi) {
            QTest::newRow(name) << writer.package() << names << mxi;
        };
        const auto ok = [] { return MxpWriter().add("ok.txt", "1"); };
        row("name of 261 bytes stops the scan", ok().add(QByteArray(261, 'n'), "2"), { "ok.txt" }, {});
        row("name of 260 bytes is read", MxpWriter().add(QByteArray(260, 'n'), "1"), { QString(260, 'n') }, {});
        row("negative name length stops the scan", ok().addRaw(MxpWriter::int32(-4) + QByteArray(40, 'x')),
            { "ok.txt" }, {});
        row("cut-off record head", ok().addRaw(MxpWriter::int32(10) + "abc"), { "ok.txt" }, {});
        row("two manifests: the later one counts",
            MxpWriter().add("first.mxi", "1").add("sub\\Second.MXI", "2").add("x.txt", "x"),
            { "first.mxi", "sub/Second.MXI", "x.txt" }, "sub/Second.MXI");
        // A record enters the index before its chunks are skipped.
        row("record with chunks past the end is indexed",
            MxpWriter().add("ok.mxi", "1").addRecord("broken.txt", { { 10, 5000, "short" } }, false),
            { "broken.txt", "ok.mxi" }, "ok.mxi");
    }

    void index()
    {
        QFETCH(QByteArray, package);
        QFETCH(QStringList, names);
        QFETCH(QString, mxi);
        MXP reader(write(package));
        QCOMPARE(reader.mxiFileName(), mxi);
        QCOMPARE(reader.entryNames(), names);
        for (const QString& name : names)
            QCOMPARE(reader.readFile(name).isEmpty(), name.startsWith(QLatin1String("broken")));
    }

    void recordWithoutChunksIsAnEmptyFile()
    {
        MXP reader(write(MxpWriter().add("empty.txt", QByteArray()).package()));
        const QString folder = m_scratch.freshFolder();
        QVERIFY(reader.extractFile(QStringLiteral("empty.txt"), folder));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/empty.txt")).size(), 0);
    }

    void everyPrefixIsSafe()
    {
        const QByteArray full = QByteArray(100, 'a') + QByteArray(50, 'b');
        const QByteArray package = MxpWriter()
                                       .add("a.mxi", QByteArray(400, 'm'))
                                       .addRecord("b.bin", { Chunk::of(full.left(100)), Chunk::of(full.mid(100)) })
                                       .package();
        for (int length = 0; length <= package.size(); ++length) {
            MXP reader(write(package.left(length)));
            // A cut-off package yields a whole entry or a prefix of it, never other bytes.
            QVERIFY2(full.startsWith(reader.readFile(QStringLiteral("b.bin"))), qPrintable(QString::number(length)));
        }
    }
};

QTEST_GUILESS_MAIN(TestMxp)
#include "tst_mxp.moc"
