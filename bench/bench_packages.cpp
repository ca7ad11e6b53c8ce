// Reading and extracting a ZXP of about 200 files and 20 MB: our reader beside
// libzip and beside the limit (raw inflate + CRC-32 over entries already in
// memory), and extraction beside `unzip -o` on the same archive.
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

#ifdef Q_OS_LINUX
#include <malloc.h>
#endif
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

struct RawEntry
{
    QString name;
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
    static Fixture& instance()
    {
        static Fixture fixture;
        return fixture;
    }

    QString archive;
    QString extractFolder;
    QStringList names;
    std::vector<RawEntry> raw;
    qint64 totalSize = 0;
    qint64 largestEntry = 0;
    qint64 largestCompressed = 0;

private:
    QTemporaryDir m_dir;

    Fixture()
    {
        // A fixed threshold makes every large buffer its own mapping, returned
        // when freed, so that the peak resident size shows what a read holds.
#ifdef Q_OS_LINUX
        mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
        std::mt19937 random(20261206);
        const QString source = m_dir.filePath(QStringLiteral("source"));
        for (int i = 0; i < 200; ++i) {
            const bool binary = i % 3 == 0;
            // Mostly small files, a few large ones: one of 3 MB.
            int size = i == 7 ? 3 * 1024 * 1024 : int(random() % (i % 10 == 0 ? 400000 : 120000)) + 200;
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

    // A minimal walk of the central directory, to hold every entry's
    // compressed bytes in memory for the limit.
    void readRaw()
    {
        QFile file(archive);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const char* end = bytes.constData() + bytes.size() - 22;
        const quint16 count = qFromLittleEndian<quint16>(end + 10);
        qint64 position = qFromLittleEndian<quint32>(end + 16);
        for (int i = 0; i < count; ++i) {
            const char* header = bytes.constData() + position;
            const quint16 nameLength = qFromLittleEndian<quint16>(header + 28);
            RawEntry entry;
            entry.name = QString::fromUtf8(header + 46, nameLength);
            entry.method = qFromLittleEndian<quint16>(header + 10);
            entry.crc = qFromLittleEndian<quint32>(header + 16);
            const quint32 compressedSize = qFromLittleEndian<quint32>(header + 20);
            entry.uncompressedSize = qFromLittleEndian<quint32>(header + 24);
            const char* local = bytes.constData() + qFromLittleEndian<quint32>(header + 42);
            const char* data
                = local + 30 + qFromLittleEndian<quint16>(local + 26) + qFromLittleEndian<quint16>(local + 28);
            entry.compressed = QByteArray(data, int(compressedSize));
            position
                += 46 + nameLength + qFromLittleEndian<quint16>(header + 30) + qFromLittleEndian<quint16>(header + 32);
            if (entry.name.endsWith(QLatin1Char('/')))
                continue;
            names << entry.name;
            largestCompressed = qMax<qint64>(largestCompressed, compressedSize);
            raw.push_back(entry);
        }
    }
};

void setBytes(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * Fixture::instance().totalSize);
}

void BM_ReadAll_Ours(benchmark::State& state)
{
    const Fixture& fixture = Fixture::instance();
    for (auto _ : state) {
        ZXP package(fixture.archive);
        qint64 total = 0;
        for (const QString& name : fixture.names)
            total += package.readFile(name).size();
        if (total != fixture.totalSize)
            state.SkipWithError("wrong total");
    }
    setBytes(state);
}

void BM_ReadAll_Limit(benchmark::State& state)
{
    const Fixture& fixture = Fixture::instance();
    for (auto _ : state) {
        qint64 total = 0;
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
                state.SkipWithError("CRC mismatch");
            total += output.size();
        }
        benchmark::DoNotOptimize(total);
    }
    setBytes(state);
}

#ifdef MORAVEL_HAVE_LIBZIP
void BM_ReadAll_Libzip(benchmark::State& state)
{
    const Fixture& fixture = Fixture::instance();
    const QByteArray path = QFile::encodeName(fixture.archive);
    for (auto _ : state) {
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
            state.SkipWithError("wrong total");
    }
    setBytes(state);
}
BENCHMARK(BM_ReadAll_Libzip)->Unit(benchmark::kMillisecond);
#endif

void BM_Extract_Ours(benchmark::State& state)
{
    const Fixture& fixture = Fixture::instance();
    for (auto _ : state) {
        ZXP package(fixture.archive);
        for (const QString& name : fixture.names)
            if (!package.extractFile(name, fixture.extractFolder))
                state.SkipWithError("extraction failed");
    }
    setBytes(state);
}

void BM_Extract_UnzipO(benchmark::State& state)
{
    const Fixture& fixture = Fixture::instance();
    for (auto _ : state) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"),
            { QStringLiteral("-o"), QStringLiteral("-q"), fixture.archive, QStringLiteral("-d"),
                fixture.extractFolder });
        if (!unzip.waitForFinished(120000) || unzip.exitCode() != 0)
            state.SkipWithError("unzip failed");
    }
    setBytes(state);
}

// Peak resident memory added while reading every entry once, against the
// budget of the largest entry plus its compressed size plus a few MB.
qint64 statusField(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

template <typename Read> void measurePeak(benchmark::State& state, Read read)
{
    const Fixture& fixture = Fixture::instance();
    double extra = 0;
    for (auto _ : state) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) {
            state.SkipWithError("cannot reset the peak");
            return;
        }
        clear.close();
        const qint64 before = statusField("VmRSS:");
        read();
        extra = double(statusField("VmHWM:") - before);
    }
    state.counters["peak_extra_MB"] = extra / (1 << 20);
    state.counters["budget_MB"] = double(fixture.largestEntry + fixture.largestCompressed) / (1 << 20);
}

void BM_PeakMemory_Ours(benchmark::State& state)
{
    measurePeak(state, [] {
        ZXP package(Fixture::instance().archive);
        for (const QString& name : Fixture::instance().names)
            benchmark::DoNotOptimize(package.readFile(name));
    });
}

} // namespace

BENCHMARK(BM_ReadAll_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAll_Limit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extract_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Extract_UnzipO)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeakMemory_Ours)->Iterations(1);

namespace {

// Prints the ratios the figures are judged by, from the same run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter()
        : ConsoleReporter(colourTerminal() ? OO_ColorTabular : OO_Tabular)
    {
    }

    // Colours only on a terminal, so that a saved report holds no escapes.
    static bool colourTerminal()
    {
#ifdef Q_OS_UNIX
        return isatty(fileno(stdout));
#else
        return false;
#endif
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_realTime[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        auto ratio = [this](const char* numerator, const char* denominator) {
            const auto a = m_realTime.find(numerator);
            const auto b = m_realTime.find(denominator);
            return a == m_realTime.end() || b == m_realTime.end() ? 0.0 : a->second / b->second;
        };
        std::printf("read-all speed, share of the limit: ours %.2fx, libzip %.2fx\n",
            ratio("BM_ReadAll_Limit", "BM_ReadAll_Ours"), ratio("BM_ReadAll_Limit", "BM_ReadAll_Libzip"));
        std::printf("extraction time, ours over unzip -o: %.2fx\n", ratio("BM_Extract_Ours", "BM_Extract_UnzipO"));
    }

private:
    std::map<std::string, double> m_realTime;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
