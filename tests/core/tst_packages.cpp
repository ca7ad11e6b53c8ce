#include "TestData.h"
#include "packages/AtomicFile.h"
#include "packages/MXP.h"
#include "packages/ZXP.h"
#include "platform/CappedFile.h"
#include "support/MxpWriter.h"
#include "support/ScratchFiles.h"
#include "support/ZxpWriter.h"

#include <QtTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using Chunk = MxpWriter::Chunk;
using Entry = ZxpWriter::Entry;

static const QByteArray text = QByteArray("function step(n) { return n + 1; }\n").repeated(120).left(4000);

static QByteArray zip(const QList<Entry>& entries, const QByteArray& comment = {}, int declaredCount = -1)
{
    return ZxpWriter::archiveOf(entries, comment, declaredCount);
}

// An MXP whose record "d/a.js" holds these chunks.
static QByteArray mxpOf(const QList<Chunk>& chunks, bool terminated = true)
{
    return MxpWriter().addRecord("d/a.js", chunks, terminated).package();
}

// Both readers: ZXP (ZIP archives) and MXP (runs of zlib chunks), each checked
// on its own damage, and the rules they share checked on both formats.
class TestPackages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    std::unique_ptr<IPackage> open(const QString& format, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.%2").arg(++m_count).arg(format));
        if (!ScratchFiles::writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return format == "zxp" ? std::unique_ptr<IPackage>(new ZXP(path)) : std::make_unique<MXP>(path);
    }

    // Not created: extraction makes the folder it writes into.
    QString freshFolder() { return m_dir.filePath(QStringLiteral("out%1").arg(++m_count)); }

    // A package of either format holding one entry.
    static QByteArray single(const QString& format, const QByteArray& data, const QByteArray& name = "d/a.js")
    {
        return format == "zxp" ? zip({ { name, data } }) : MxpWriter().add(name, data).package();
    }

private slots:
    void entry_data()
    {
        QTest::addColumn<QByteArray>("package"); // in the format the row name begins with
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected"); // what reading the entry gives
        QTest::addColumn<QString>("written"); // the file extraction writes; empty: refused
        QTest::addColumn<QString>("warning"); // text after the entry's name, or a whole ^pattern
        const auto row = [](const char* format, const char* row, const QByteArray& package, const QByteArray& expected,
                             const char* written = "a.js", const QString& warning = {}) {
            QTest::addRow("%s: %s", format, row) << package << "d/a.js" << expected << written << warning;
        };
        // Only the last component of a name names the file, and not when it is empty or "..".
        for (const char* format : { "mxp", "zxp" }) {
            const bool zxp = QLatin1String(format) == QLatin1String("zxp");
            const auto named = [&](const char* row, const QByteArray& stored, const QString& written) {
                const QString name
                    = zxp ? QString(stored) : QString(stored).replace('\\', '/'); // MXP turns "\\" to "/"
                QTest::addRow("%s: %s", format, row)
                    << single(format, "payload", stored) << name << QByteArray("payload") << written
                    << (zxp && written.isEmpty() ? "names no file" : "");
            };
            named("backslash folders", "a\\b\\f.js", "f.js");
            named("climbing folders dropped", "../..\\up.js", "up.js");
            named("name as long as a file name can be", QByteArray(255, 'n'), QString(255, 'n'));
            named("folder entry", "folder/", "");
            named("ends in dot dot", "a\\..", "");
            QTest::addRow("%s: lookup by the last component", format)
                << single(format, "payload") << "a.js" << QByteArray() << QString() << QString();
            row(format, "folder in the way", single(format, "payload"), "payload", "!folder");
#ifdef Q_OS_UNIX // rows that need a file size limit
            // Larger than the write buffer, the write itself comes up short; held in it, the flush at commit does.
            row(format, "short write", single(format, QByteArray(100000, 'w')), QByteArray(100000, 'w'), "!full");
            row(format, "short flush", single(format, QByteArray(10000, 'f')), QByteArray(10000, 'f'), "!full");
#endif
        }
        const auto damagedZip = [&](const char* name, const QString& warning, auto change) {
            Entry e { "d/a.js", text };
            change(e);
            row("zxp", name, zip({ e }), {}, "", warning);
        };

        row("zxp", "data that fills its buffer exactly", zip({ { "d/a.js", QByteArray(65536, 'x') } }),
            QByteArray(65536, 'x'));
        row("zxp", "later duplicate wins, comment holding an end signature",
            zip({ { "d/a.js", "1" }, { "d/a.js", "2" } }, QByteArray("PK\x05\x06", 4) + QByteArray(30, '\0')), "2");
        damagedZip("local header naming another file", "local header names it \"local/other.txt\"",
            [](Entry& e) { e.localName = QByteArray("local/other.txt"); });
        damagedZip("wrong CRC", "CRC-32 mismatch", [](Entry& e) { e.centralCrc = 0x12345678; });
        damagedZip("stored sizes that differ", "stored size",
            [](Entry& e) { e.method = Entry::Stored, e.centralUncompressedSize = 10; });
        damagedZip("bzip2 method", "compression method 12", [](Entry& e) { e.method = 12; });
        damagedZip("encrypted", "encrypted", [](Entry& e) { e.extraFlags = 1; });
        damagedZip("declared size over the cap", "exceeds the limit",
            [](Entry& e) { e.centralUncompressedSize = 300u << 20, e.payload = QByteArray(400000, '\0'); });
        damagedZip("declared size the data cannot hold", "more than its data can hold",
            [](Entry& e) { e.centralUncompressedSize = 200u << 20; });
        damagedZip(
            "compressed size past the end", "past the end", [](Entry& e) { e.centralCompressedSize = 0x7FFFFFF0; });
        damagedZip("cut-off deflate data", "^inflate: error$",
            [](Entry& e) { e.payload = ZxpWriter::deflateRaw(text).chopped(40); });
        damagedZip("more output than recorded", "^inflate: error$", [](Entry& e) { e.centralUncompressedSize = 3999; });
        damagedZip("less output than recorded", "4000 bytes inflated, 4001 recorded",
            [](Entry& e) { e.centralUncompressedSize = 4001; });

        const QByteArray two = QByteArray(300000, 'a') + QByteArray(50, 'z');
        Chunk damaged = Chunk::of("good data"), pastEnd = Chunk::of("data"), cut = Chunk::of(QByteArray(500, 'c'));
        damaged.bytes[5] = char(damaged.bytes[5] ^ 0x55);
        pastEnd.compressedSize = 0x7FFFFFFF;
        // Incompressible: its stream is long enough to back a 256 MiB claim yet yields little.
        QByteArray noise(1 << 18, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        row("mxp", "large and small chunk in order", mxpOf({ Chunk::of(two.left(300000)), Chunk::of(two.mid(300000)) }),
            two);
        row("mxp", "name cut at a zero byte", MxpWriter().add(QByteArray("d/a.js\0hidden", 13), "cut").package(),
            "cut");
        row("mxp", "record without chunks is an empty file", mxpOf({}), "");
        row("mxp", "later duplicate wins, last record without its end header",
            MxpWriter().add("d/a.js", "first").addRecord("d/a.js", { Chunk::of("last") }, false).package(), "last");
        row("mxp", "negative size ends the chunks",
            mxpOf({ Chunk::of("kept") }, false) + MxpWriter::int32(-1) + MxpWriter::int32(4) + "junk", "kept");
        // The declared size bounds the output; a shorter stream is the chunk's real contents.
        row("mxp", "declared size larger than the data", mxpOf({ Chunk::of("short", 500) }), "short");
        row("mxp", "damaged zlib data in the second chunk", mxpOf({ Chunk::of("fine"), damaged }), {}, "");
        row("mxp", "more output than declared", mxpOf({ Chunk::of(QByteArray(100, 'l'), 99) }), {}, "");
        row("mxp", "cut-off zlib stream", mxpOf({ { 500, cut.compressedSize - 3, cut.bytes.chopped(3) } }), {}, "");
        row("mxp", "chunks together claim over the cap", mxpOf({ Chunk::of("a"), Chunk::of(noise, 256 << 20) }), {},
            "");
        row("mxp", "declared size the data cannot hold", mxpOf({ Chunk::of("tiny", 100 << 20) }), {}, "");
        row("mxp", "data past the end of the file", mxpOf({ pastEnd }, false) + QByteArray(16, '\0'), {}, "");
        row("mxp", "chunk that yields nothing", mxpOf({ { 5, 8, QByteArray("\x78\x9c\x03\0\0\0\0\x01", 8) } }), {}, "");
    }

    void entry()
    {
        QFETCH(QByteArray, package);
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);
        QFETCH(QString, written);
        QFETCH(QString, warning);
        auto reader = open(QString(QTest::currentDataTag()).left(3), package);
        const QRegularExpression message(warning.startsWith('^')
                ? warning
                : "^ZXP entry \"" + QRegularExpression::escape(name) + "\": .*" + QRegularExpression::escape(warning));
        // On reading, on checking, and on extracting.
        for (int i = expected.isNull() ? 0 : 2; i < 3 && !warning.isEmpty(); ++i)
            QTest::ignoreMessage(QtWarningMsg, message);
        QCOMPARE(reader->readFile(name), expected);
        // What a replace checks before it removes the version installed: an empty entry is whole.
        QCOMPARE(reader->checkFile(name), !expected.isNull());
        QVERIFY(reader->entrySize(name) >= (expected.isNull() ? -1 : expected.size())); // bounds what is written
        // An extracted file replaces the one there, but only once it is whole, and nothing else is left;
        // a folder in the way ("!folder") or a disk that fills up ("!full") leaves all as it was.
        const QString folder = freshFolder();
        const bool refused = written.isEmpty() || written.startsWith('!');
        QVERIFY(
            written == "!folder" ? QDir().mkpath(folder + "/a.js") : ScratchFiles::writeFile(folder + "/a.js", "old"));
        // A killed extraction's temporary goes at the next write into its folder; a live writer's stays.
        const QString stale = ".moravel-0badf00d.part", fresh = ".moravel-00000001.part";
        QFile staleFile(folder + '/' + stale);
        QVERIFY(ScratchFiles::writeFile(folder + '/' + fresh, "f") && staleFile.open(QIODevice::WriteOnly)
            && staleFile.setFileTime(QDateTime::currentDateTime().addSecs(-AtomicFile::staleAfterSeconds - 5),
                QFileDevice::FileModificationTime));
        staleFile.close();
#ifdef Q_OS_UNIX
        // Root ignores permissions but not a file size limit: writes past 4 KiB come up short.
        rlimit previous {};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limited { written == "!full" ? 4096 : previous.rlim_cur, previous.rlim_max };
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
#endif
        const bool extracted = reader->extractFile(name, folder);
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
#endif
        QCOMPARE(extracted, !refused);
        // A file that could not be written says why, as the system did; an entry refused for itself does not.
        const FileFailure::Kind failure = written == "!full" ? FileFailure::Kind::DiskFull
            : written == "!folder"                           ? FileFailure::Kind::InTheWay
                                                             : FileFailure::Kind::None;
        QCOMPARE(reader->writeFailure().kind(), failure);
        QVERIFY(refused || !staleFile.exists()); // a refused entry may fail before it writes at all
        QCOMPARE(ScratchFiles::entriesBelow(folder).filter(QRegularExpression("^(?!" + stale + ")")),
            QStringList({ fresh, written == "!folder" ? "a.js/" : "a.js" })
                + (refused || written == "a.js" ? QStringList() : QStringList { written }));
        const QByteArray kept = written == "!folder" ? "" : "old"; // what a.js holds unless replaced
        QCOMPARE(ScratchFiles::readFile(folder + "/a.js"), written == "a.js" ? expected : kept);
        QCOMPARE(ScratchFiles::readFile(folder + '/' + written), refused ? "" : expected);
    }

    void index_data()
    {
        QTest::addColumn<QByteArray>("package"); // in the format the row name begins with
        QTest::addColumn<QStringList>("names"); // entries named "broken..." cannot be read
        QTest::addColumn<QString>("mxi"); // or "!" and the pattern of a warning it gives
        const auto row = [](const char* name, const QByteArray& package, const QStringList& names, const QString& mxi) {
            QTest::newRow(name) << package << names << mxi;
        };
        row("zxp: no end record", text, {}, "");
        row("zxp: bytes after the end record", zip({ { "a.txt", "a" } }) + '!', {}, "");
        row("zxp: the last manifest counts, a name of just mxi is none",
            zip({ { "one.mxi", "1" }, { "sub/TWO.MXI", "2" }, { "mxi", "m" }, { "folder.mxi/file", "f" } }),
            { "folder.mxi/file", "mxi", "one.mxi", "sub/TWO.MXI" }, "sub/TWO.MXI");
        row("zxp: directory shorter than its count keeps what it read",
            zip({ { "first.txt", "1" }, { "second.mxi", "2" } }, {}, 3), { "first.txt", "second.mxi" }, "second.mxi");
        const QByteArray long260(260, 'n'), long261(261, 'n');
        const QString skipped = "!^[ZM]XP entry \"n{260}\\.{3}\": its name is longer than 260 bytes; it is skipped$";
        row("zxp: name of 260 bytes is read, of 261 skipped", zip({ { long260, "1" }, { long261, "2" }, { "z", "3" } }),
            { long260, "z" }, skipped);
        row("zxp: ZIP64 archive", zip({ { "a.txt", "a" } }, {}, 0xFFFF), {}, "!ZIP64 archives are not supported");
        row("mxp: name of 260 bytes is read, of 261 skipped",
            MxpWriter().add(long260, "1").add(long261, "2").add("z", "3").package(), { long260, "z" }, skipped);
        row("mxp: negative name length stops the scan",
            MxpWriter().add("ok.txt", "1").package() + MxpWriter::int32(-4) + QByteArray(40, 'x'), { "ok.txt" }, "");
        // A record enters the index before its chunks are skipped.
        row("mxp: record with chunks past the end is indexed",
            MxpWriter().add("ok.mxi", "1").addRecord("broken.txt", { { 10, 5000, "short" } }, false).package(),
            { "broken.txt", "ok.mxi" }, "ok.mxi");
    }

    void index()
    {
        QFETCH(QByteArray, package);
        QFETCH(QStringList, names);
        QFETCH(QString, mxi);
        if (mxi.startsWith('!')) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(mxi.mid(1)));
            mxi.clear();
        }
        auto reader = open(QString(QTest::currentDataTag()).left(3), package);
        QCOMPARE(reader->mxiFileName(), mxi);
        auto* zxp = dynamic_cast<ZXP*>(reader.get());
        QCOMPARE(zxp ? zxp->entryNames() : static_cast<MXP*>(reader.get())->entryNames(), names);
        for (const QString& name : names)
            QCOMPARE(reader->readFile(name).isEmpty(), name.startsWith("broken"));
    }

    void everyPrefixIsSafe()
    {
        const QByteArray full = QByteArray(100, 'a') + QByteArray(50, 'b');
        const QByteArray mxp = MxpWriter()
                                   .add("a.mxi", QByteArray(400, 'm'))
                                   .addRecord("d/a.js", { Chunk::of(full.left(100)), Chunk::of(full.mid(100)) })
                                   .package();
        // A cut-off package yields a whole entry or a prefix of it, never other bytes.
        for (int length = 0; length <= mxp.size(); ++length)
            QVERIFY2(full.startsWith(open("mxp", mxp.left(length))->readFile("d/a.js")),
                qPrintable(QString::number(length)));
        // Cut-off archives lose their end record: nothing may be indexed.
        const QByteArray zxp = zip({ { "a.mxi", text.left(300) }, { "d/a.js", "d", Entry::Stored } });
        for (int length = 0; length < zxp.size(); ++length)
            QVERIFY(open("zxp", zxp.left(length))->mxiFileName().isEmpty());
    }

    // The size-capped read every untrusted file goes through. Files under /proc
    // state no size, as a file that grows after it was measured states too
    // little: their cap holds on the bytes actually read.
    void cappedRead_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("errorPart");
        const QString file = m_dir.filePath(QStringLiteral("capped.txt"));
        const QString empty = m_dir.filePath(QStringLiteral("empty.txt"));
        if (!ScratchFiles::writeFile(file, text) || !ScratchFiles::writeFile(empty, {}))
            qFatal("cannot write %s", qPrintable(file));
        const auto row = [](const char* name, const QString& path, qint64 cap, bool read, const QString& errorPart) {
            QTest::newRow(name) << path << cap << read << errorPart;
        };
        row("a file under its cap is read whole", file, text.size() + 1000, true, {});
        row("a file at its cap is read whole", file, text.size(), true, {});
        row("a file a byte over its cap is refused", file, text.size() - 1, false,
            file + QStringLiteral(" is larger than %1 bytes").arg(text.size() - 1));
        row("an empty file is read as no bytes", empty, 10, true, {});
        row("a missing file is refused", m_dir.filePath(QStringLiteral("none.txt")), 10, false,
            QStringLiteral("cannot open ") + m_dir.filePath(QStringLiteral("none.txt")) + QStringLiteral(": "));
        row("a folder is refused", m_dir.path(), 10, false, QStringLiteral("cannot open ") + m_dir.path());
#ifdef Q_OS_LINUX
        row("a file that states no size is read to its end", QStringLiteral("/proc/self/status"), 1 << 20, true, {});
        row("a file that states no size is refused past its cap", QStringLiteral("/proc/self/status"), 64, false,
            QStringLiteral("/proc/self/status is larger than 64 bytes"));
        // Before anything is read: a FIFO without a writer would wait forever.
        const QString fifo = m_dir.filePath(QStringLiteral("system.reg"));
        if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0)
            qFatal("cannot make the FIFO %s", qPrintable(fifo));
        row("a FIFO is refused at once", fifo, 1 << 20, false, fifo + QStringLiteral(" is not a regular file"));
        row("a device is refused, not read to its cap", QStringLiteral("/dev/zero"), 64, false,
            QStringLiteral("/dev/zero is not a regular file"));
#endif
    }

    void cappedRead()
    {
        QFETCH(QString, path);
        QFETCH(qint64, cap);
        QFETCH(bool, read);
        QFETCH(QString, errorPart);
        QByteArray bytes = "left over";
        QString error;
        QCOMPARE(CappedFile::read(path, cap, &bytes, &error), read);
        if (!read) {
            QVERIFY2(error.contains(errorPart), qPrintable(error));
            QVERIFY(bytes.isEmpty());
            return;
        }
        QVERIFY(error.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        // /proc/self/status changes its figures from one read to the next, not its lines.
        if (path.startsWith(QLatin1String("/proc/")))
            QCOMPARE(bytes.count('\n'), whole.count('\n'));
        else
            QCOMPARE(bytes, whole);
        QVERIFY(bytes.size() <= cap);
    }

#ifdef Q_OS_UNIX
    // Opening a FIFO for reading waits for a writer: neither reader opens one.
    void fifoIsNoPackage()
    {
        for (const QString format : { "zxp", "mxp" }) {
            const QString path = m_dir.filePath("fifo." + format);
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            const std::unique_ptr<IPackage> package
                = format == "zxp" ? std::unique_ptr<IPackage>(new ZXP(path)) : std::make_unique<MXP>(path);
            QVERIFY(package->mxiFileName().isEmpty() && package->entryNames().isEmpty());
        }
    }
#endif

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
                const QString name = source.relativeFilePath(it.next());
                QVERIFY2(
                    package.readFile(name) == ScratchFiles::readFile(it.filePath()), qPrintable(archive + ": " + name));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPackages)
#include "tst_packages.moc"
