// Whole moravel-cli commands as a user runs them, each beside `unzip -o` of
// the same package: install and removal of packages with 1, 10, 100 and 1,000
// menu entries into Menus.xml files of about 0.4, 4 and 40 MB, and
// `installed` over 1,000 stored manifests. Every figure is the CPU time
// (user + system) of the finished child process, over interleaved rounds,
// printed as median [min-max] with its peak memory. Run as
// bench_commands PATH-TO-moravel-cli [ROUNDS [LARGEST-MB]]; LARGEST-MB
// leaves out the Menus.xml sizes above it, for a quick look at the small ones.
// With BENCH_KEEP set, the scratch folder stays and each command is printed
// as a shell line once, so that one run can be repeated under a profiler.
#include "BenchFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef MORAVEL_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using BenchFiles::menusXml;
using BenchFiles::writeFile;

QByteArray manifest(int entries, const QByteArray& id)
{
    QByteArray text = "<macromedia-extension id=\"" + id + "\" name=\"Bench " + id
        + "\" version=\"1.0\">\n  <author name=\"Velkor\" />\n  <files>\n"
          "    <file source=\"f.htm\" destination=\"$dreamweaver/Configuration/Commands/Bench\" />\n"
          "  </files>\n  <configuration-changes>\n";
    for (int i = 0; i < entries; ++i) {
        const QByteArray number = QByteArray::number(i);
        text += "    <menu-insert appendTo=\"DWMenu_Extra" + QByteArray::number(i % 10)
            + "\">\n      <menuitem name=\"Bench " + number + "\" file=\"Commands/Bench/f.htm\" id=\"Bench_" + number
            + "\" />\n    </menu-insert>\n";
    }
    return text + "  </configuration-changes>\n</macromedia-extension>\n";
}

struct Run
{
    double cpu = 0; // seconds
    long peakKb = 0;
};

Run run(const QStringList& arguments, const QProcessEnvironment& environment)
{
    std::vector<QByteArray> strings;
    for (const QString& argument : arguments) {
        strings.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    std::vector<QByteArray> envStrings;
    for (const QString& entry : environment.toStringList()) {
        envStrings.push_back(entry.toLocal8Bit());
    }
    std::vector<char*> envp;
    for (QByteArray& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(arguments.join(QLatin1Char(' '))));
        std::exit(1);
    }
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return { seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss };
}

#ifdef MORAVEL_HAVE_PUGIXML
struct DiscardingWriter : pugi::xml_writer
{
    size_t bytes = 0;
    void write(const void*, size_t size) override { bytes += size; }
};
#endif

// The reference for one entry into a large file: pugixml parsing the same
// bytes and writing them out, in this process, on its CPU time.
Run pugixmlRoundTrip(const QByteArray& bytes)
{
#ifdef MORAVEL_HAVE_PUGIXML
    const auto now = [] {
        timespec t = {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    };
    const double start = now();
    pugi::xml_document document;
    document.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_full);
    DiscardingWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
    return { now() - start, 0 };
#else
    Q_UNUSED(bytes);
    return {};
#endif
}

struct Figures
{
    std::vector<double> values;
    long peakKb = 0;
    void add(const Run& r)
    {
        values.push_back(r.cpu);
        peakKb = std::max(peakKb, r.peakKb);
    }
    double median() const
    {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    QByteArray text() const
    {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return QByteArray::number(median() * 1000, 'f', 1) + " ms [" + QByteArray::number(*low * 1000, 'f', 1) + "-"
            + QByteArray::number(*high * 1000, 'f', 1) + "]"
            + (peakKb ? " peak " + QByteArray::number(peakKb / 1024) + " MB" : QByteArray());
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-moravel-cli [ROUNDS]\n", argv[0]);
        return 2;
    }
    const QString tool = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(5, std::atoi(argv[2])) : 5;
    const double largestMb = argc > 3 ? std::atof(argv[3]) : 1e9;
    const QString unzip = QStringLiteral("/usr/bin/unzip");
    QTemporaryDir dir;
    const bool keep = qEnvironmentVariableIsSet("BENCH_KEEP");
    dir.setAutoRemove(!keep);
    const QString root = dir.path() + QStringLiteral("/profile");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("USERPROFILE"));
    environment.insert(QStringLiteral("APPDATA"), root + QStringLiteral("/AppData/Roaming"));
    environment.insert(QStringLiteral("ALLUSERSPROFILE"), root + QStringLiteral("/ProgramData"));
    environment.insert(QStringLiteral("ProgramW6432"), root + QStringLiteral("/Program Files"));
    const QString conf = root + QStringLiteral("/AppData/Roaming/Adobe/Dreamweaver 2021/en_US/Configuration");
    writeFile(conf + QStringLiteral("/version.xml"),
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<versioninfo>\n  <installinfo lang=\"en_US\" "
        "versionnum=\"21.0.0.15392\" build=\"4231\"/>\n</versioninfo>\n");
    writeFile(root + QStringLiteral("/Program Files/Adobe/Adobe Dreamweaver 2021/Configuration/Menus/Menus.xml"),
        menusXml(1000));
    const QString menus = conf + QStringLiteral("/Menus/Menus.xml");
    const QString unzipped = dir.path() + QStringLiteral("/unzipped");
    const auto show = [&](const QStringList& arguments) {
        if (keep) {
            std::printf("  env -u USERPROFILE APPDATA='%s' ALLUSERSPROFILE='%s' ProgramW6432='%s' '%s'\n",
                qPrintable(environment.value(QStringLiteral("APPDATA"))),
                qPrintable(environment.value(QStringLiteral("ALLUSERSPROFILE"))),
                qPrintable(environment.value(QStringLiteral("ProgramW6432"))),
                qPrintable(arguments.join(QStringLiteral("' '"))));
        }
    };
    if (keep) {
        std::printf("scratch folder %s; the install reads Menus.xml from %s\n", qPrintable(dir.path()),
            qPrintable(conf + QStringLiteral("/Menus/Menus.xml")));
    }

    std::printf("CPU time of the whole process, median [min-max] of %d interleaved rounds\n", rounds);
    for (const qint64 size : { 400 * 1024LL, 4 * 1024 * 1024LL, 40 * 1024 * 1024LL }) {
        if (double(size) / (1024 * 1024) > largestMb) {
            break;
        }
        const QByteArray menusText = menusXml(size);
        if (keep) {
            const QString copy = dir.path() + QStringLiteral("/Menus-%1.xml").arg(size);
            writeFile(copy, menusText);
            std::printf("each install starts from a copy of %s\n", qPrintable(copy));
        }
        const auto packageOf = [&](int entries) {
            const QString source = dir.path() + QStringLiteral("/source%1").arg(entries);
            writeFile(source + QStringLiteral("/bench.mxi"), manifest(entries, "com.velkor.bench"));
            writeFile(source + QStringLiteral("/f.htm"), "<html></html>\n");
            const QString package = dir.path() + QStringLiteral("/bench%1.zxp").arg(entries);
            if (!QFile::exists(package)) {
                const QByteArray zip = "cd '" + source.toUtf8() + "' && zip -q -r '" + package.toUtf8() + "' .";
                if (std::system(zip.constData()) != 0) {
                    std::exit(1);
                }
            }
            return package;
        };
        const QString onePackage = packageOf(1);
        const QStringList remove { tool, QStringLiteral("--yes"), QStringLiteral("remove"),
            QStringLiteral("com.velkor.bench") };
        const auto installOf = [&](const QString& package) {
            return QStringList { tool, QStringLiteral("--yes"), QStringLiteral("install"), package };
        };
        for (const int entries : { 1, 10, 100, 1000 }) {
            const QString package = packageOf(entries);
            // The 1-entry install runs in the same rounds as the larger one,
            // first or second by turns, so that a change in the machine's load
            // moves both: the ratio is taken round by round.
            Figures unzipFigures, installFigures, removeFigures, pugixmlFigures, oneFigures, ratios;
            for (int round = 0; round <= rounds; ++round) {
                QDir(unzipped).removeRecursively();
                const Run u = run(
                    { unzip, QStringLiteral("-o"), QStringLiteral("-q"), package, QStringLiteral("-d"), unzipped },
                    environment);
                if (round == 0) {
                    show(installOf(package));
                    show(remove);
                }
                Run one;
                const auto installOne = [&] {
                    writeFile(menus, menusText);
                    one = run(installOf(onePackage), environment);
                    run(remove, environment);
                };
                if (entries > 1 && round % 2) {
                    installOne();
                }
                writeFile(menus, menusText);
                const Run i = run(installOf(package), environment);
                const Run r = run(remove, environment);
                if (entries > 1 && round % 2 == 0) {
                    installOne();
                }
                if (round > 0) { // the first round warms the caches
                    unzipFigures.add(u);
                    installFigures.add(i);
                    removeFigures.add(r);
                    pugixmlFigures.add(pugixmlRoundTrip(menusText));
                    if (entries > 1) {
                        oneFigures.add(one);
                        ratios.add({ i.cpu / one.cpu, 0 });
                    }
                }
            }
            std::printf("Menus.xml %5.1f MB, %4d entries: unzip -o %s | install %s (%.2fx unzip) | remove %s (%.2fx "
                        "install)\n",
                double(menusText.size()) / (1024 * 1024), entries, unzipFigures.text().constData(),
                installFigures.text().constData(), installFigures.median() / unzipFigures.median(),
                removeFigures.text().constData(), removeFigures.median() / installFigures.median());
            if (entries > 1) {
                const auto [low, high] = std::minmax_element(ratios.values.begin(), ratios.values.end());
                std::printf(
                    "    1-entry install in the same rounds %s: install %.2fx [%.2f-%.2f] the 1-entry install\n",
                    oneFigures.text().constData(), ratios.median(), *low, *high);
            }
#ifdef MORAVEL_HAVE_PUGIXML
            std::printf("    pugixml parse+save of that Menus.xml %s: install %.2fx pugixml; peak %.2fx its UTF-16 "
                        "size\n",
                pugixmlFigures.text().constData(), installFigures.median() / pugixmlFigures.median(),
                double(installFigures.peakKb) * 1024 / (2.0 * double(menusText.size())));
#endif
            std::fflush(stdout);
        }
    }

    const QString store = conf + QStringLiteral("/Shared/Velkor/MXI");
    for (int i = 0; i < 1000; ++i) {
        const QByteArray id = "com.velkor.stored" + QByteArray::number(i);
        writeFile(store + QStringLiteral("/Stored%1.mxi").arg(i), manifest(3, id));
    }
    Figures listed;
    for (int round = 0; round <= rounds; ++round) {
        const Run r = run({ tool, QStringLiteral("installed") }, environment);
        if (round > 0) {
            listed.add(r);
        }
    }
    std::printf("installed, 1000 stored manifests: %s\n", listed.text().constData());
    return 0;
}
