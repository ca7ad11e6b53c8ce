// Reading and extracting ZXP packages: our reader beside the limit (raw
// inflate + CRC-32 over entries already in memory) and beside libzip, and
// extraction beside `unzip -o` of the same archive, in interleaved rounds.
// Two packages: 200 files of 100 KB, and a mixed one of 200 files from 200
// bytes to 3 MB (about 20 MB).
#include "Rounds.h"

#include "packages/ZXP.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>
#include <zlib.h>

#ifdef MORAVEL_HAVE_LIBZIP
#include <zip.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#ifdef __unix__
#include <sys/resource.h>
#endif

namespace {

struct RawEntry
{
    quint16 method = 0;
    quint32 crc = 0;
    QByteArray compressed;
    qint64 uncompressedSize = 0;
};

// Text like script and markup sources, and binary like images: compressible
// in part, with runs and noise.
QByteArray makeText(std::mt19937& random, int size)
{
    static const char* const words[] = { "function", "return", "var", "dw.getDocumentDOM()", "<td class=\"cell\">",
        "</td>", "if (", ") {", "}", "\n", "    ", "selection", "node.innerHTML", "=", ";", "'", "1", "42" };
    QByteArray text;
    text.reserve(size);
    while (text.size() < size)
        text.append(words[random() % (sizeof(words) / sizeof(words[0]))]).append(' ');
    return text.left(size);
}

QByteArray makeBinary(std::mt19937& random, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size;) {
        const int run = int(random() % 64) + 1;
        const char value = char(random());
        const bool noisy = random() % 3 == 0;
        for (int j = 0; j < run && i < size; ++j, ++i)
            bytes[i] = noisy ? char(random()) : value;
    }
    return bytes;
}

class Fixture
{
public:
    // `uniform`: 200 files of 100 KB; otherwise sizes from 200 bytes to 3 MB.
    explicit Fixture(bool uniform)
        : name(uniform ? "200 x 100 KB" : "mixed 200 files")
    {
        std::mt19937 random(20261206);
        const QString source = m_dir.filePath(QStringLiteral("source"));
        for (int i = 0; i < 200; ++i) {
            const bool binary = i % 3 == 0;
            int size = 100 * 1024;
            if (!uniform)
                size = i == 7 ? 3 * 1024 * 1024 : int(random() % (i % 10 == 0 ? 400000 : 120000)) + 200;
            const QString folder = source + QStringLiteral("/Configuration/Folder%1").arg(i % 9);
            QDir().mkpath(folder);
            QFile file(folder + QStringLiteral("/file%1.%2").arg(i).arg(binary ? "png" : "js"));
            file.open(QIODevice::WriteOnly);
            file.write(binary ? makeBinary(random, size) : makeText(random, size));
            totalSize += size;
            largestEntry = qMax<qint64>(largestEntry, size);
        }
        archive = m_dir.filePath(QStringLiteral("bench.zxp"));
        QProcess zip;
        zip.setWorkingDirectory(source);
        zip.start(QStringLiteral("zip"),
            { QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-X"), archive,
                QStringLiteral("Configuration") });
        if (!zip.waitForFinished(120000) || zip.exitCode() != 0) {
            std::fprintf(stderr, "zip failed: install Info-ZIP zip\n");
            std::exit(1);
        }
        extractFolder = m_dir.filePath(QStringLiteral("out"));
        readRaw();
    }

    std::string name;
    QString archive;
    QString extractFolder;
    QStringList names;
    std::vector<RawEntry> raw;
    qint64 totalSize = 0;
    qint64 largestEntry = 0;
    qint64 largestCompressed = 0;

private:
    QTemporaryDir m_dir;

    // A minimal walk of the central directory, to hold every entry's
    // compressed bytes in memory for the limit.
    void readRaw()
    {
        QFile file(archive);
        file.open(QIODevice::ReadOnly);
        const std::string bytes = file.readAll().toStdString();
        if (bytes.size() < 22) {
            std::fprintf(stderr, "zip wrote no archive\n");
            std::exit(1);
        }
        const char* end = bytes.data() + bytes.size() - 22;
        const quint16 count = qFromLittleEndian<quint16>(end + 10);
        qint64 position = qFromLittleEndian<quint32>(end + 16);
        for (int i = 0; i < count; ++i) {
            const char* header = bytes.data() + position;
            const quint16 nameLength = qFromLittleEndian<quint16>(header + 28);
            const QString entryName = QString::fromUtf8(header + 46, nameLength);
            RawEntry entry;
            entry.method = qFromLittleEndian<quint16>(header + 10);
            entry.crc = qFromLittleEndian<quint32>(header + 16);
            const quint32 compressedSize = qFromLittleEndian<quint32>(header + 20);
            entry.uncompressedSize = qFromLittleEndian<quint32>(header + 24);
            const char* local = bytes.data() + qFromLittleEndian<quint32>(header + 42);
            const char* data
                = local + 30 + qFromLittleEndian<quint16>(local + 26) + qFromLittleEndian<quint16>(local + 28);
            entry.compressed = QByteArray(data, int(compressedSize));
            position
                += 46 + nameLength + qFromLittleEndian<quint16>(header + 30) + qFromLittleEndian<quint16>(header + 32);
            if (entryName.endsWith(QLatin1Char('/')))
                continue;
            names << entryName;
            largestCompressed = qMax<qint64>(largestCompressed, compressedSize);
            raw.push_back(entry);
        }
    }
};

bool fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

void readAllOurs(const Fixture& fixture)
{
    ZXP package(fixture.archive);
    qint64 total = 0;
    for (const QString& name : fixture.names)
        total += package.readFile(name).size();
    if (total != fixture.totalSize)
        fail("ours: wrong total");
}

void readAllLimit(const Fixture& fixture)
{
    for (const RawEntry& entry : fixture.raw) {
        QByteArray output(int(entry.uncompressedSize), Qt::Uninitialized);
        if (entry.method == 0) {
            std::memcpy(output.data(), entry.compressed.constData(), size_t(output.size()));
        } else {
            z_stream stream = {};
            inflateInit2(&stream, -MAX_WBITS);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entry.compressed.constData()));
            stream.avail_in = uInt(entry.compressed.size());
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = uInt(output.size());
            inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
        }
        if (crc32(0, reinterpret_cast<const Bytef*>(output.constData()), uInt(output.size())) != entry.crc)
            fail("limit: CRC mismatch");
        benchmark::DoNotOptimize(output.constData());
    }
}

#ifdef MORAVEL_HAVE_LIBZIP
void readAllLibzip(const Fixture& fixture)
{
    const QByteArray path = QFile::encodeName(fixture.archive);
    int error = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_RDONLY, &error);
    qint64 total = 0;
    for (const QString& name : fixture.names) {
        const QByteArray utf8 = name.toUtf8();
        zip_stat_t stat;
        zip_stat(archive, utf8.constData(), 0, &stat);
        QByteArray output(int(stat.size), Qt::Uninitialized);
        zip_file_t* file = zip_fopen(archive, utf8.constData(), 0);
        total += zip_fread(file, output.data(), zip_uint64_t(output.size()));
        zip_fclose(file);
    }
    zip_close(archive);
    if (total != fixture.totalSize)
        fail("libzip: wrong total");
}
#endif

void extractOurs(const Fixture& fixture)
{
    ZXP package(fixture.archive);
    for (const QString& name : fixture.names)
        if (!package.extractFile(name, fixture.extractFolder))
            fail("extraction failed");
}

void extractUnzip(const Fixture& fixture)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"),
        { QStringLiteral("-o"), QStringLiteral("-q"), fixture.archive, QStringLiteral("-d"), fixture.extractFolder });
    if (!unzip.waitForFinished(120000) || unzip.exitCode() != 0)
        fail("unzip failed");
}

// Minor page faults of this process and of its waited-for children.
long minorFaults()
{
#ifdef __unix__
    rusage self = {};
    rusage children = {};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return self.ru_minflt + children.ru_minflt;
#else
    return 0;
#endif
}

template <class Work> long faultsOf(Work work)
{
    const long before = minorFaults();
    work();
    return minorFaults() - before;
}

void printSpeed(
    const char* what, const Rounds::Side& ours, const Rounds::Side& reference, const char* referenceName, double bytes)
{
    std::printf("  %-12s ours %s, %s %s: speed ours/%s %s\n", what,
        Rounds::format(Rounds::rate(ours.seconds, bytes), "MB/s").c_str(), referenceName,
        Rounds::format(Rounds::rate(reference.seconds, bytes), "MB/s").c_str(), referenceName,
        Rounds::format(Rounds::speedRatio(ours, reference), "x").c_str());
}

} // namespace

int main()
{
    const int rounds = Rounds::roundCount();
    std::printf(
        "processor time, %d interleaved rounds, %s; median [min-max]\n", rounds, Rounds::allocatorName().c_str());
    for (bool uniform : { true, false }) {
        const Fixture fixture(uniform);
        const double bytes = double(fixture.totalSize);
        std::printf("%s (%.1f MB)\n", fixture.name.c_str(), bytes / 1e6);

        // Before any round, so that ours starts with the heap as a fresh
        // process has it, as each unzip does.
        const long ourFaults = faultsOf([&fixture] { extractOurs(fixture); });
        const long unzipFaults = faultsOf([&fixture] { extractUnzip(fixture); });

        Rounds::Side ours([&fixture] { readAllOurs(fixture); });
        Rounds::Side limit([&fixture] { readAllLimit(fixture); });
        Rounds::interleave(ours, limit, rounds);
        printSpeed("read-all", ours, limit, "limit", bytes);
#ifdef MORAVEL_HAVE_LIBZIP
        Rounds::Side libzip([&fixture] { readAllLibzip(fixture); });
        Rounds::Side limitAgain([&fixture] { readAllLimit(fixture); });
        Rounds::interleave(libzip, limitAgain, rounds);
        printSpeed("libzip", libzip, limitAgain, "limit", bytes);
#endif

        // Children's time counts only once they are waited for, which each
        // run does; both sides are timed the same way.
        Rounds::Side extract([&fixture] { extractOurs(fixture); }, false);
        Rounds::Side unzip([&fixture] { extractUnzip(fixture); }, false);
        Rounds::interleave(extract, unzip, rounds, 0.2);
        printSpeed("extraction", extract, unzip, "unzip -o", bytes);
        std::printf("  page faults of the first extraction: ours %ld, unzip -o %ld\n", ourFaults, unzipFaults);
    }
    return 0;
}
