#include "packages/MXP.h"
#include "support/MxpWriter.h"
#include "support/PackageScratch.h"

#include <QtTest>

namespace {

using Chunk = MxpWriter::Chunk;

QByteArray patterned(int size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7 + (i >> 3));
    return bytes;
}

Chunk changed(Chunk chunk, qint32 uncompressedSize, int chopped = 0)
{
    chunk.uncompressedSize = uncompressedSize;
    chunk.bytes.chop(chopped);
    chunk.compressedSize -= chopped;
    return chunk;
}

} // namespace

class TestMxp : public QObject
{
    Q_OBJECT

private:
    PackageScratch m_scratch;

    QString write(const QByteArray& bytes) { return m_scratch.write(bytes, QStringLiteral("mxp")); }

private slots:
    void readsEntry_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("one chunk") << MxpWriter().add("Commands/run.js", "run()").package() << "Commands/run.js"
                                   << QByteArray("run()");
        QTest::newRow("chunks of 100 and 50 bytes in order")
            << MxpWriter()
                   .addRecord("two.bin", { Chunk::of(patterned(100, 'a')), Chunk::of(patterned(50, 'z')) })
                   .package()
            << "two.bin" << patterned(100, 'a') + patterned(50, 'z');
        QTest::newRow("backslashes are found as slashes")
            << MxpWriter().add("Configuration\\Shared\\lib.js", "lib").package() << "Configuration/Shared/lib.js"
            << QByteArray("lib");
        QTest::newRow("name cut at a zero byte")
            << MxpWriter().add(QByteArray("cut.js\0hidden", 13), "cut").package() << "cut.js" << QByteArray("cut");
        QTest::newRow("later duplicate wins") << MxpWriter().add("dup.txt", "first").add("dup.txt", "second").package()
                                              << "dup.txt" << QByteArray("second");
        QTest::newRow("last record without its end header")
            << MxpWriter().add("a.txt", "a").addRecord("last.txt", { Chunk::of("last") }, false).package() << "last.txt"
            << QByteArray("last");
        QTest::newRow("negative size ends the chunks")
            << MxpWriter()
                   .addRecord("neg.txt", { Chunk::of("kept") }, false)
                   .addRaw(MxpWriter::int32(-1) + MxpWriter::int32(20) + QByteArray(20, 'j'))
                   .package()
            << "neg.txt" << QByteArray("kept");
        // The declared size bounds the output; a shorter stream is the chunk's real contents.
        QTest::newRow("declared size larger than the data")
            << MxpWriter().addRecord("hint.txt", { changed(Chunk::of("short"), 500) }).package() << "hint.txt"
            << QByteArray("short");
        QTest::newRow("large chunk") << MxpWriter().add("big.bin", patterned(300000, 'b')).package() << "big.bin"
                                     << patterned(300000, 'b');
    }

    void readsEntry()
    {
        QFETCH(QByteArray, package);
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);

        MXP reader(write(package));
        QCOMPARE(reader.readFile(name), expected);

        const QString folder = m_scratch.freshFolder();
        QVERIFY(reader.extractFile(name, folder));
        QFile file(folder + QLatin1Char('/') + name.section(QLatin1Char('/'), -1));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

    void refusesEntry_data()
    {
        QTest::addColumn<QByteArray>("package");

        auto withChunks = [](const QList<Chunk>& chunks, bool terminated = true) {
            return MxpWriter().addRecord("bad.js", chunks, terminated).package();
        };
        Chunk damaged = Chunk::of("good data");
        damaged.bytes[5] = char(damaged.bytes[5] ^ 0x55);
        Chunk pastEnd = Chunk::of("data");
        pastEnd.compressedSize = 0x7FFFFFFF;

        QTest::newRow("damaged zlib data in the second chunk") << withChunks({ Chunk::of("fine"), damaged });
        QTest::newRow("data that is not a zlib stream") << withChunks({ { 10, 10, QByteArray(10, 'r') } });
        QTest::newRow("more output than declared") << withChunks({ changed(Chunk::of(patterned(100, 'l')), 99) });
        QTest::newRow("cut-off zlib stream") << withChunks({ changed(Chunk::of(patterned(500, 'c')), 500, 3) });
        QTest::newRow("declared size over the cap")
            << withChunks({ changed(Chunk::of(QByteArray(300000, 'o')), 257 << 20) });
        QTest::newRow("declared size the data cannot hold") << withChunks({ changed(Chunk::of("tiny"), 100 << 20) });
        QTest::newRow("data past the end of the file") << withChunks({ pastEnd }, false) + QByteArray(16, '\0');
        QTest::newRow("chunk that yields nothing") << withChunks({ changed(Chunk::of(QByteArray()), 5) });
    }

    void refusesEntry()
    {
        QFETCH(QByteArray, package);

        MXP reader(write(package));
        QVERIFY(reader.readFile(QStringLiteral("bad.js")).isEmpty());
        const QString folder = m_scratch.freshFolder();
        QVERIFY(!reader.extractFile(QStringLiteral("bad.js"), folder));
        QCOMPARE(PackageScratch::filesBelow(folder), QStringList());
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("mxi");

        QTest::newRow("shorter than the file header") << QByteArray("MXP") << QStringList() << QString();
        QTest::newRow("only the file header") << MxpWriter().package() << QStringList() << QString();
        QTest::newRow("name of 261 bytes stops the scan") << MxpWriter()
                                                                 .add("ok.txt", "1")
                                                                 .addRaw(MxpWriter::recordHead(QByteArray(261, 'n')))
                                                                 .add("after.txt", "2")
                                                                 .package()
                                                          << QStringList { "ok.txt" } << QString();
        QTest::newRow("name of 260 bytes is read")
            << MxpWriter().add(QByteArray(260, 'n'), "1").package() << QStringList { QString(260, 'n') } << QString();
        QTest::newRow("negative name length stops the scan")
            << MxpWriter().add("ok.txt", "1").addRaw(MxpWriter::int32(-4) + QByteArray(40, 'x')).package()
            << QStringList { "ok.txt" } << QString();
        QTest::newRow("two manifests: the later one counts")
            << MxpWriter().add("first.mxi", "1").add("Second.MXI", "2").add("x.txt", "x").package()
            << QStringList { "Second.MXI", "first.mxi", "x.txt" } << "Second.MXI";
        QTest::newRow("manifest named with backslashes")
            << MxpWriter().add("sub\\pack.mxi", "m").package() << QStringList { "sub/pack.mxi" } << "sub/pack.mxi";
        // A record enters the index before its chunks are skipped.
        QTest::newRow("record with chunks past the end is indexed")
            << MxpWriter().add("ok.mxi", "1").addRecord("broken.txt", { { 10, 5000, "short" } }, false).package()
            << QStringList { "broken.txt", "ok.mxi" } << "ok.mxi";
        QTest::newRow("cut-off record head")
            << MxpWriter().add("ok.txt", "1").addRaw(MxpWriter::int32(10) + "abc").package() << QStringList { "ok.txt" }
            << QString();
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
        QVERIFY(reader.readFile(QStringLiteral("empty.txt")).isEmpty());
        const QString folder = m_scratch.freshFolder();
        QVERIFY(reader.extractFile(QStringLiteral("empty.txt"), folder));
        const QFileInfo file(folder + QStringLiteral("/empty.txt"));
        QVERIFY(file.isFile());
        QCOMPARE(file.size(), 0);
    }

    void everyPrefixIsSafe()
    {
        const QByteArray full = patterned(100, 'a') + patterned(50, 'b');
        const QByteArray package = MxpWriter()
                                       .add("a.mxi", patterned(400, 'm'))
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
