// Parse and write-back throughput of the markup document beside pugixml's
// parse_full + save on the same texts, measured in the same run.
#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef MORAVEL_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

struct Input
{
    std::string name;
    QByteArray utf8;
    QString text;
};

std::vector<Input>& inputs()
{
    static std::vector<Input> list;
    return list;
}

// A document shaped like a menu configuration: nested menus of items with
// several attributes, comments and tab indentation, about `targetBytes` long.
QByteArray menuDocument(size_t targetBytes)
{
    std::mt19937 random(42);
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<!-- generated menu configuration -->\n"
                      "<menubar name=\"Main Window\" id=\"DWMainWindow\">\n";
    int counter = 0;
    while (out.size() < targetBytes) {
        const int menu = counter++;
        out += "\t<menu name=\"_Menu " + std::to_string(menu) + "\" id=\"DWMenu_" + std::to_string(menu) + "\">\n";
        const int items = 3 + static_cast<int>(random() % 12);
        for (int i = 0; i < items; ++i) {
            const int kind = static_cast<int>(random() % 10);
            const std::string id = "DWMenu_" + std::to_string(menu) + "_" + std::to_string(i);
            if (kind == 0) {
                out += "\t\t<separator />\n";
            } else if (kind == 1) {
                out += "\t\t<!-- <menuitem name=\"Old\" id=\"" + id + "_old\" /> -->\n";
            } else if (kind == 2) {
                out += "\t\t<menu name=\"Sub " + std::to_string(i) + "\" id=\"" + id + "\">\n";
                for (int j = 0; j < 4; ++j)
                    out += "\t\t\t<menuitem name=\"Entry " + std::to_string(j) + "...\" file=\"Menus/MM/Entry_"
                        + std::to_string(j) + ".htm\" id=\"" + id + "_" + std::to_string(j) + "\" />\n";
                out += "\t\t</menu>\n";
            } else {
                out += "\t\t<menuitem name=\"_Item " + std::to_string(i) + "\" key=\"Cmd+Shift+" + char('A' + i % 26)
                    + "\" enabled=\"dw.getFocus() != 'none' &amp;&amp; dw.canEdit()\" command=\"dw.runCommand('" + id
                    + "')\" id=\"" + id + "\" />\n";
            }
        }
        out += "\t</menu>\n";
    }
    out += "</menubar>\n";
    return QByteArray::fromStdString(out);
}

void addInput(const std::string& name, const QByteArray& utf8)
{
    inputs().push_back({ name, utf8, QString::fromUtf8(utf8) });
}

void ourParseAndWrite(benchmark::State& state, const Input* input)
{
    for (auto _ : state) {
        Accessor document;
        document.parse(input->text);
        QString written = document.toString();
        benchmark::DoNotOptimize(written.constData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * input->utf8.size());
}

void ourParse(benchmark::State& state, const Input* input)
{
    for (auto _ : state) {
        Accessor document;
        document.parse(input->text);
        benchmark::DoNotOptimize(document.root());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * input->utf8.size());
    // Memory the parsed document holds beyond the text (its nodes, which
    // live in blocks that are reused, so the heap does not show them), and
    // with the text, against the UTF-16 size of the text.
    Accessor document;
    document.parse(input->text);
    size_t nodes = 0;
    std::vector<CElement*> pending { document.root() };
    while (!pending.empty()) {
        CElement* node = pending.back();
        pending.pop_back();
        ++nodes;
        for (CElement* child : node->children())
            pending.push_back(child);
    }
    const double utf16Bytes = 2.0 * input->text.size();
    const double treeBytes = static_cast<double>(nodes) * sizeof(CElement);
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["tree/text"] = treeBytes / utf16Bytes;
    state.counters["(tree+text)/text"] = (treeBytes + utf16Bytes) / utf16Bytes;
}

#ifdef MORAVEL_HAVE_PUGIXML
struct StringWriter : pugi::xml_writer
{
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

void pugixmlParseAndSave(benchmark::State& state, const Input* input)
{
    for (auto _ : state) {
        pugi::xml_document document;
        document.load_buffer(input->utf8.constData(), static_cast<size_t>(input->utf8.size()), pugi::parse_full);
        StringWriter writer;
        document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
        benchmark::DoNotOptimize(writer.out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * input->utf8.size());
}
#endif

double fastest(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// Keeps the rate of every run so that the figures can be set side by side.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // The fastest of the repetitions, in processor time: the machine is
        // shared, and other work only ever makes a run slower, on the clock
        // far more than in processor time.
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min" && run.iterations > 0)
                m_seconds[run.run_name.function_name] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }

    void printSummary() const
    {
        std::printf("\nprocessor time, fastest of 7 repetitions\n%-28s %14s %14s %14s %10s\n", "input",
            "ours parse+out", "ours parse", "pugixml p+s", "ours/pugi");
        for (const Input& input : inputs()) {
            const double megabytes = input.utf8.size() / 1e6;
            const double both = rate(megabytes, "moravel_parse_tostring/" + input.name);
            const double parse = rate(megabytes, "moravel_parse/" + input.name);
            const double pugi = rate(megabytes, "pugixml_parse_save/" + input.name);
            std::printf("%-28s %9.0f MB/s %9.0f MB/s %9.0f MB/s %10.2f\n", input.name.c_str(), both, parse, pugi,
                pugi > 0 ? both / pugi : 0.0);
        }
        const auto small = m_seconds.find("moravel_parse_tostring/menus_1MB");
        const auto large = m_seconds.find("moravel_parse_tostring/menus_8MB");
        if (small != m_seconds.end() && large != m_seconds.end())
            std::printf("time of menus_8MB / menus_1MB (parse+out): %.2f (sizes %.2f)\n", large->second / small->second,
                static_cast<double>(inputs()[1].utf8.size()) / inputs()[0].utf8.size());
    }

private:
    double rate(double megabytes, const std::string& name) const
    {
        const auto found = m_seconds.find(name);
        return found == m_seconds.end() || found->second <= 0 ? 0.0 : megabytes / found->second;
    }

    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    addInput("menus_1MB", menuDocument(1000000));
    addInput("menus_8MB", menuDocument(8000000));
    QFile mime(QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml"));
    if (mime.open(QIODevice::ReadOnly))
        addInput("freedesktop.org.xml", mime.readAll());

    for (const Input& input : inputs()) {
        benchmark::RegisterBenchmark(("moravel_parse_tostring/" + input.name).c_str(), ourParseAndWrite, &input)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ComputeStatistics("min", fastest)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("moravel_parse/" + input.name).c_str(), ourParse, &input)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ComputeStatistics("min", fastest)
            ->ReportAggregatesOnly(true);
#ifdef MORAVEL_HAVE_PUGIXML
        benchmark::RegisterBenchmark(("pugixml_parse_save/" + input.name).c_str(), pugixmlParseAndSave, &input)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ComputeStatistics("min", fastest)
            ->ReportAggregatesOnly(true);
#endif
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
