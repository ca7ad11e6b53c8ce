// The markup document beside pugixml, both from bytes to bytes: ours decodes
// UTF-8, parses and writes the text back as UTF-8; pugixml parses with
// parse_full and saves. Inputs: documents shaped like a menu configuration of
// 0.4, 1 and 8 MB, a dense one, the system's MIME database, and every XML
// file under /usr/share and /etc that pugixml parses, as one corpus.
#include "Rounds.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "markup/Utf8.h"

#include <QDirIterator>
#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
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
    std::vector<QByteArray> files;
    double bytes = 0;
};

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

// About one node per 11 bytes: short empty elements, one to a line (the
// line end is a node too).
QByteArray denseDocument(size_t targetBytes)
{
    std::string out = "<r>\n";
    for (int k = 0; out.size() < targetBytes; ++k)
        out += "<entry key=\"k" + std::to_string(k % 10000) + "\"/>\n";
    out += "</r>\n";
    return QByteArray::fromStdString(out);
}

bool pugixmlParses(const QByteArray& bytes)
{
#ifdef MORAVEL_HAVE_PUGIXML
    pugi::xml_document document;
    return document.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_full);
#else
    return bytes.startsWith("<?xml");
#endif
}

// Every file under the folders that begins like markup and parses.
Input systemCorpus()
{
    Input corpus { "system corpus", {}, 0 };
    for (const QString& root : { QStringLiteral("/usr/share"), QStringLiteral("/etc") }) {
        QDirIterator it(root, QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.size() > (16 << 20) || file.size() < 8 || !file.open(QIODevice::ReadOnly))
                continue;
            QByteArray head = file.peek(64);
            if (head.startsWith("\xEF\xBB\xBF"))
                head = head.mid(3);
            head = head.trimmed();
            if (!head.startsWith("<?xml") && !head.startsWith("<!DOCTYPE") && !head.startsWith("<!--")
                && !(head.size() > 1 && head[0] == '<' && std::isalpha(static_cast<unsigned char>(head[1]))))
                continue;
            const QByteArray bytes = file.readAll();
            if (!pugixmlParses(bytes))
                continue;
            corpus.files.push_back(bytes);
            corpus.bytes += bytes.size();
        }
    }
    return corpus;
}

// An untouched document hands back its source text; BENCH_TREE_WALK=1 writes
// it out from the tree instead, like for like with pugixml's save.
QByteArray ourRoundTrip(const QByteArray& bytes)
{
    static const bool treeWalk = qEnvironmentVariableIntValue("BENCH_TREE_WALK") != 0;
    // Decoded and encoded as the program reads and writes configuration files.
    Accessor document;
    document.parse(Utf8::decode(bytes));
    return treeWalk ? document.root()->innerMarkupUtf8() : document.root()->outerMarkupUtf8();
}

#ifdef MORAVEL_HAVE_PUGIXML
struct StringWriter : pugi::xml_writer
{
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

void pugixmlRoundTrip(const QByteArray& bytes)
{
    pugi::xml_document document;
    document.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_full);
    StringWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
    benchmark::DoNotOptimize(writer.out.data());
}
#endif

size_t nodeCount(Accessor& document)
{
    size_t nodes = 0;
    std::vector<CElement*> pending { document.root() };
    while (!pending.empty()) {
        CElement* node = pending.back();
        pending.pop_back();
        ++nodes;
        for (CElement* child : node->children())
            pending.push_back(child);
    }
    return nodes;
}

} // namespace

int main()
{
    std::vector<Input> inputs;
    const auto single = [&inputs](const std::string& name, const QByteArray& bytes) {
        inputs.push_back({ name, { bytes }, double(bytes.size()) });
    };
    single("menus 0.4 MB", menuDocument(400000));
    single("menus 1 MB", menuDocument(1000000));
    single("menus 8 MB", menuDocument(8000000));
    single("dense 1 MB", denseDocument(1000000));
    // The fixed cost of a document, in the us/file column.
    const QByteArray tiny("<?xml version=\"1.0\"?>\n<a b=\"c\"/>\n");
    inputs.push_back({ "1000 tiny documents", std::vector<QByteArray>(1000, tiny), 1000.0 * tiny.size() });
    QFile mime(QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml"));
    if (mime.open(QIODevice::ReadOnly))
        single("freedesktop.org.xml", mime.readAll());
    // BENCH_INPUT=text keeps the inputs whose name holds the text.
    const char* only = std::getenv("BENCH_INPUT");
    if (!only || std::string("system corpus").find(only) != std::string::npos)
        inputs.push_back(systemCorpus());
    if (only)
        inputs.erase(std::remove_if(inputs.begin(), inputs.end(),
                         [only](const Input& input) { return input.name.find(only) == std::string::npos; }),
            inputs.end());

    const int rounds = Rounds::roundCount();
    std::printf("bytes to bytes, processor time, %d interleaved rounds, %s; median [min-max]\n", rounds,
        Rounds::allocatorName().c_str());
    std::printf("%-22s %6s %6s %22s %22s %22s %10s\n", "input", "files", "MB", "ours MB/s", "pugixml MB/s",
        "ours/pugixml", "us/file");
    double secondsPerMbSmall = 0;
    double secondsPerMbLarge = 0;
    for (const Input& input : inputs) {
        Rounds::Side ours([&input] {
            for (const QByteArray& file : input.files)
                benchmark::DoNotOptimize(ourRoundTrip(file).constData());
        });
        Rounds::Side reference([&input] {
#ifdef MORAVEL_HAVE_PUGIXML
            for (const QByteArray& file : input.files)
                pugixmlRoundTrip(file);
#endif
        });
        Rounds::interleave(ours, reference, rounds);
        const Rounds::Stats ourRate = Rounds::rate(ours.seconds, input.bytes);
        std::printf("%-22s %6zu %6.2f %22s %22s %22s %10.1f\n", input.name.c_str(), input.files.size(),
            input.bytes / 1e6, Rounds::format(ourRate, "").c_str(),
            Rounds::format(Rounds::rate(reference.seconds, input.bytes), "").c_str(),
            Rounds::format(Rounds::speedRatio(ours, reference), "x").c_str(),
            Rounds::stats(ours.seconds).median * 1e6 / double(input.files.size()));
        if (input.name == "menus 0.4 MB")
            secondsPerMbSmall = 1e6 / ourRate.median;
        if (input.name == "menus 8 MB")
            secondsPerMbLarge = 1e6 / ourRate.median;
    }
    if (secondsPerMbSmall > 0)
        std::printf("cost per byte, menus 8 MB over menus 0.4 MB (1.00 is linear): %.2f\n",
            secondsPerMbLarge / secondsPerMbSmall);

    // What a parsed document holds: its text in UTF-16 and its nodes.
    std::printf("\nmemory of the parsed document against its UTF-16 text (node %zu bytes)\n", sizeof(CElement));
    for (const Input& input : inputs) {
        if (input.files.size() != 1)
            continue;
        Accessor document;
        const QString text = QString::fromUtf8(input.files.front());
        document.parse(text);
        const size_t nodes = nodeCount(document);
        const double utf16 = 2.0 * text.size();
        std::printf("%-22s %9zu nodes, one per %5.1f bytes: (nodes + text) / text = %.2f\n", input.name.c_str(), nodes,
            input.bytes / double(nodes), (double(nodes) * sizeof(CElement) + utf16) / utf16);
    }
    return 0;
}
