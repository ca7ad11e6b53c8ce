#include "packages/MXP.h"
#include "support/MxpWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtEndian>
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

QByteArray int32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray chunkHeader(qint32 uncompressed, qint32 compressed)
{
    return int32(uncompressed) + int32(compressed);
}

} // namespace

class TestMxp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString write(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.mxp").arg(++m_count));
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
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");

        MxpWriter one;
        one.add("Commands/run.js", "function run() {}");
        QTest::newRow("one chunk") << one.package() << "Commands/run.js" << QByteArray("function run() {}");

        MxpWriter two;
        two.addRecord("two.bin", { Chunk::of(patterned(100, 'a')), Chunk::of(patterned(50, 'z')) });
        QTest::newRow("chunks of 100 and 50 bytes in order")
            << two.package() << "two.bin" << patterned(100, 'a') + patterned(50, 'z');

        MxpWriter backslash;
        backslash.add("Configuration\\Shared\\lib.js", "lib");
        QTest::newRow("backslashes are found as slashes")
            << backslash.package() << "Configuration/Shared/lib.js" << QByteArray("lib");

        MxpWriter zero;
        zero.add(QByteArray("cut.js\0hidden", 13), "cut");
        QTest::newRow("name cut at a zero byte") << zero.package() << "cut.js" << QByteArray("cut");

        MxpWriter duplicate;
        duplicate.add("dup.txt", "first");
        duplicate.add("dup.txt", "second");
        QTest::newRow("later duplicate wins") << duplicate.package() << "dup.txt" << QByteArray("second");

        MxpWriter unterminated;
        unterminated.add("a.txt", "a");
        unterminated.addRecord("last.txt", { Chunk::of("last") }, false);
        QTest::newRow("last record without its end header")
            << unterminated.package() << "last.txt" << QByteArray("last");

        MxpWriter negative;
        negative.addRecord("neg.txt", { Chunk::of("kept") }, false);
        negative.addRaw(chunkHeader(-1, 20) + QByteArray(20, 'j'));
        QTest::newRow("negative size ends the chunks") << negative.package() << "neg.txt" << QByteArray("kept");

        // The output bound is the declared size, but a shorter stream is the
        // chunk's real contents.
        Chunk generous = Chunk::of("short");
        generous.uncompressedSize = 500;
        MxpWriter shorter;
        shorter.addRecord("hint.txt", { generous });
        QTest::newRow("declared size larger than the data") << shorter.package() << "hint.txt" << QByteArray("short");

        MxpWriter big;
        big.add("big.bin", patterned(300000, 'b'));
        QTest::newRow("large chunk") << big.package() << "big.bin" << patterned(300000, 'b');
    }

    void readsEntry()
    {
        QFETCH(QByteArray, package);
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);

        MXP reader(write(package));
        QCOMPARE(reader.readFile(name), expected);

        const QString folder = freshFolder();
        QVERIFY(reader.extractFile(name, folder));
        QFile file(folder + QLatin1Char('/') + name.section(QLatin1Char('/'), -1));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

    void refusesEntry_data()
    {
        QTest::addColumn<QByteArray>("package");

        auto withChunks = [](const QList<Chunk>& chunks, bool terminated = true) {
            MxpWriter writer;
            writer.addRecord("bad.js", chunks, terminated);
            return writer.package();
        };

        Chunk damaged = Chunk::of("good data");
        damaged.bytes[5] = char(damaged.bytes[5] ^ 0x55);
        QTest::newRow("damaged zlib data") << withChunks({ Chunk::of("fine"), damaged });

        Chunk raw { 10, 10, QByteArray(10, 'r') };
        QTest::newRow("data that is not a zlib stream") << withChunks({ raw });

        Chunk longer = Chunk::of(patterned(100, 'l'));
        longer.uncompressedSize = 99;
        QTest::newRow("more output than declared") << withChunks({ longer });

        Chunk cut = Chunk::of(patterned(500, 'c'));
        cut.bytes.chop(3);
        cut.compressedSize -= 3;
        QTest::newRow("cut-off zlib stream") << withChunks({ cut });

        Chunk over = Chunk::of(QByteArray(300000, 'o'));
        over.uncompressedSize = 257 * 1024 * 1024;
        QTest::newRow("declared size over the cap") << withChunks({ over });

        Chunk impossible = Chunk::of("tiny");
        impossible.uncompressedSize = 100 * 1024 * 1024;
        QTest::newRow("declared size the data cannot hold") << withChunks({ impossible });

        Chunk pastEnd = Chunk::of("data");
        pastEnd.compressedSize = 0x7FFFFFFF;
        QTest::newRow("data past the end of the file") << withChunks({ pastEnd }, false) + QByteArray(16, '\0');

        Chunk empty = Chunk::of(QByteArray());
        empty.uncompressedSize = 5;
        QTest::newRow("chunk that yields nothing") << withChunks({ empty });
    }

    void refusesEntry()
    {
        QFETCH(QByteArray, package);

        MXP reader(write(package));
        QVERIFY(reader.readFile(QStringLiteral("bad.js")).isEmpty());
        const QString folder = freshFolder();
        QVERIFY(!reader.extractFile(QStringLiteral("bad.js"), folder));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("mxi");

        QTest::newRow("shorter than the file header") << QByteArray("MXP") << QStringList() << QString();
        QTest::newRow("only the file header") << QByteArray("MXPHEAD1") << QStringList() << QString();

        MxpWriter longName;
        longName.add("ok.txt", "1");
        longName.addRaw(MxpWriter::recordHead(QByteArray(261, 'n')));
        longName.add("after.txt", "2");
        QTest::newRow("name of 261 bytes stops the scan")
            << longName.package() << QStringList { "ok.txt" } << QString();

        MxpWriter maxName;
        maxName.add(QByteArray(260, 'n'), "1");
        QTest::newRow("name of 260 bytes is read")
            << maxName.package() << QStringList { QString(260, 'n') } << QString();

        MxpWriter negativeLength;
        negativeLength.add("ok.txt", "1");
        negativeLength.addRaw(int32(-4) + QByteArray(40, 'x'));
        QTest::newRow("negative name length stops the scan")
            << negativeLength.package() << QStringList { "ok.txt" } << QString();

        MxpWriter twoManifests;
        twoManifests.add("first.mxi", "1");
        twoManifests.add("Second.MXI", "2");
        twoManifests.add("x.txt", "x");
        QTest::newRow("two manifests: the later one counts")
            << twoManifests.package() << QStringList { "Second.MXI", "first.mxi", "x.txt" } << "Second.MXI";

        MxpWriter slashedManifest;
        slashedManifest.add("sub\\pack.mxi", "m");
        QTest::newRow("manifest named with slashes")
            << slashedManifest.package() << QStringList { "sub/pack.mxi" } << "sub/pack.mxi";

        MxpWriter damagedChunks;
        damagedChunks.add("ok.mxi", "1");
        damagedChunks.addRecord("broken.txt", { Chunk { 10, 5000, "short" } }, false);
        QTest::newRow("record with chunks past the end is indexed")
            << damagedChunks.package() << QStringList { "broken.txt", "ok.mxi" } << "ok.mxi";

        MxpWriter truncatedHead;
        truncatedHead.add("ok.txt", "1");
        truncatedHead.addRaw(int32(10) + "abc");
        QTest::newRow("cut-off record head") << truncatedHead.package() << QStringList { "ok.txt" } << QString();
    }

    void index()
    {
        QFETCH(QByteArray, package);
        QFETCH(QStringList, names);
        QFETCH(QString, mxi);

        MXP reader(write(package));
        QCOMPARE(reader.mxiFileName(), mxi);
        QCOMPARE(reader.entryNames(), names);
        for (const QString& name : names) {
            // Records whose data is damaged are indexed all the same.
            if (!name.startsWith(QLatin1String("broken")))
                QVERIFY2(!reader.readFile(name).isEmpty(), qPrintable(name));
        }
        QVERIFY(reader.readFile(QStringLiteral("after.txt")).isEmpty());
    }

    void recordWithoutChunksIsAnEmptyFile()
    {
        MxpWriter writer;
        writer.add("empty.txt", QByteArray());
        MXP reader(write(writer.package()));
        QVERIFY(reader.readFile(QStringLiteral("empty.txt")).isEmpty());
        const QString folder = freshFolder();
        QVERIFY(reader.extractFile(QStringLiteral("empty.txt"), folder));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/empty.txt")).size(), 0);
        QVERIFY(QFileInfo(folder + QStringLiteral("/empty.txt")).isFile());
    }

    void lookupIsExact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("other letter case") << "DIR/A.TXT";
        QTest::newRow("backslashes as stored") << "dir\\a.txt";
        QTest::newRow("last component only") << "a.txt";
    }

    void lookupIsExact()
    {
        QFETCH(QString, name);
        MxpWriter writer;
        writer.add("dir\\a.txt", "a");
        MXP reader(write(writer.package()));
        QVERIFY(reader.readFile(name).isEmpty());
        QVERIFY(!reader.extractFile(name, freshFolder()));
    }

    void missingFileHasNoEntries()
    {
        MXP reader(m_dir.filePath(QStringLiteral("does-not-exist.mxp")));
        QCOMPARE(reader.mxiFileName(), QString());
        QVERIFY(reader.readFile(QStringLiteral("a.mxi")).isEmpty());
    }

    void extractsUnderTheLastComponent_data()
    {
        QTest::addColumn<QByteArray>("storedName");
        QTest::addColumn<QString>("written"); // empty: refused

        QTest::newRow("two folder levels") << QByteArray("a/b/file.js") << "file.js";
        QTest::newRow("backslash folders") << QByteArray("a\\b\\file.js") << "file.js";
        QTest::newRow("climbing folders are dropped") << QByteArray("..\\..\\up.js") << "up.js";
        QTest::newRow("folder record") << QByteArray("folder\\") << "";
        QTest::newRow("dot dot") << QByteArray("..") << "";
        QTest::newRow("ends in dot dot") << QByteArray("a\\..") << "";
        QTest::newRow("dot") << QByteArray(".") << "";
    }

    void extractsUnderTheLastComponent()
    {
        QFETCH(QByteArray, storedName);
        QFETCH(QString, written);

        MxpWriter writer;
        writer.add(storedName, "payload");
        MXP reader(write(writer.package()));
        const QString parent = freshFolder();
        const QString key = QString::fromUtf8(storedName).replace(QLatin1Char('\\'), QLatin1Char('/'));
        QCOMPARE(reader.extractFile(key, parent + QStringLiteral("/a/b")), !written.isEmpty());
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
        QTest::newRow("good entry replaces the file") << false << QByteArray("new");
        QTest::newRow("damaged second chunk leaves the file alone") << true << QByteArray("old contents");
    }

    void extractionReplacesOrKeepsTheTarget()
    {
        QFETCH(bool, damaged);
        QFETCH(QByteArray, expected);

        Chunk second = Chunk::of(damaged ? QByteArray("broken") : QByteArray());
        second.bytes[2] = char(second.bytes[2] ^ 0x7F);
        MxpWriter writer;
        writer.addRecord(
            "t.txt", damaged ? QList<Chunk> { Chunk::of("new"), second } : QList<Chunk> { Chunk::of("new") });
        MXP reader(write(writer.package()));
        const QString folder = freshFolder();
        QFile old(folder + QStringLiteral("/t.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();

        QCOMPARE(reader.extractFile(QStringLiteral("t.txt"), folder), !damaged);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), expected);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "t.txt" });
    }

    void everyPrefixIsSafe()
    {
        MxpWriter writer;
        writer.add("a.mxi", patterned(400, 'm'));
        writer.addRecord("b.bin", { Chunk::of(patterned(100, 'a')), Chunk::of(patterned(50, 'b')) });
        const QByteArray package = writer.package();
        const QByteArray full = patterned(100, 'a') + patterned(50, 'b');
        for (int length = 0; length <= package.size(); ++length) {
            MXP reader(write(package.left(length)));
            const QByteArray b = reader.readFile(QStringLiteral("b.bin"));
            // A cut-off package yields a whole entry or a prefix of it, never other bytes.
            QVERIFY2(full.startsWith(b), qPrintable(QString::number(length)));
        }
    }
};

QTEST_GUILESS_MAIN(TestMxp)
#include "tst_mxp.moc"
