// Installing and removing a package of 200 files (about 20 MB) with 30 menu
// entries and 10 Insert-bar buttons into an installation whose Menus.xml is
// about 400 KB, beside `unzip -o` of the same package into an empty folder.
// The XML edits are also timed alone, to show the share spent parsing.
#include "BenchFiles.h"
#include "discovery/DreamweaverInfo.h"
#include "discovery/ExtensionInfo.h"
#include "installer/EntryEditor.h"
#include "installer/Installer.h"
#include "installer/Remover.h"
#include "markup/Accessor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using BenchFiles::menusXml;
using BenchFiles::writeFile;

constexpr int fileCount = 200;
constexpr int fileSize = 100 * 1024;
constexpr int menuEntries = 30;
constexpr int buttons = 10;

QByteArray insertbarXml()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<insertbar>\n"
           "\t<category id=\"DW_Insertbar_Common\" folder=\"Common\">\n"
           "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" />\n"
           "\t</category>\n</insertbar>\n";
}

// Half text, half noise: about what extensions ship (scripts, pages, images).
QByteArray fileContent(int index)
{
    QByteArray data;
    data.reserve(fileSize);
    quint32 seed = 2654435761u * quint32(index + 1);
    while (data.size() < fileSize) {
        if (index % 2 == 0) {
            data += "function step" + QByteArray::number(data.size()) + "() { return dw.getDocumentDOM(); }\n";
        } else {
            seed = seed * 1664525u + 1013904223u;
            data += char(seed >> 24);
        }
    }
    data.truncate(fileSize);
    return data;
}

QByteArray manifest()
{
    QByteArray text = "<macromedia-extension id=\"com.velkor.bench\" name=\"Bench\" version=\"1.0\">\n"
                      "  <author name=\"Velkor\" />\n  <files>\n";
    for (int i = 0; i < fileCount; ++i) {
        text += "    <file source=\"files/f" + QByteArray::number(i) + ".bin\" destination=\""
            + "$dreamweaver/Configuration/Commands/Bench/Part" + QByteArray::number(i % 8) + "\" />\n";
    }
    text += "  </files>\n  <configuration-changes>\n";
    for (int i = 0; i < menuEntries; ++i) {
        const QByteArray number = QByteArray::number(i);
        text += "    <menu-insert appendTo=\"DWMenu_Extra" + number + "\">\n      <menuitem name=\"Bench " + number
            + "\" file=\"Commands/Bench/f.htm\" id=\"Bench_" + number + "\" />\n    </menu-insert>\n";
    }
    text += "    <insertbar-insert>\n      <category id=\"Bench_Category\" folder=\"Bench\">\n";
    for (int i = 0; i < buttons; ++i) {
        text += "        <button id=\"Bench_Button" + QByteArray::number(i) + "\" image=\"b.png\" />\n";
    }
    return text + "      </category>\n    </insertbar-insert>\n  </configuration-changes>\n</macromedia-extension>\n";
}

struct Setup
{
    QTemporaryDir dir;
    QString package;
    QByteArray menus = menusXml(400 * 1024);
    QByteArray insertbar = insertbarXml();
    ExtensionInfo record;

    Setup()
    {
        const QString source = dir.path() + QStringLiteral("/source");
        writeFile(source + QStringLiteral("/bench.mxi"), manifest());
        for (int i = 0; i < fileCount; ++i) {
            writeFile(source + QStringLiteral("/files/f%1.bin").arg(i), fileContent(i));
        }
        package = dir.path() + QStringLiteral("/bench.zxp");
        const QByteArray command = "cd '" + source.toUtf8() + "' && zip -q -r '" + package.toUtf8() + "' .";
        if (std::system(command.constData()) != 0) {
            std::abort();
        }
        record = ExtensionInfo(manifest(), QStringLiteral("bench.mxi"));
        record.parseDetails();
    }

    // A configuration folder as a user has it before the install.
    DreamweaverInfo freshInstallation(const QString& name) const
    {
        const QString user = dir.path() + QLatin1Char('/') + name;
        QDir(user).removeRecursively();
        writeFile(user + QStringLiteral("/Configuration/Menus/Menus.xml"), menus);
        writeFile(user + QStringLiteral("/Configuration/Objects/insertbar.xml"), insertbar);
        return DreamweaverInfo(QStringLiteral("Bench"), QStringLiteral("Adobe"), user, {});
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

void unzipOverwrite(benchmark::State& state)
{
    const QString target = setup().dir.path() + QStringLiteral("/unzipped");
    const QByteArray command = "unzip -o -q '" + setup().package.toUtf8() + "' -d '" + target.toUtf8() + "'";
    for (auto _ : state) {
        state.PauseTiming();
        QDir(target).removeRecursively();
        state.ResumeTiming();
        if (std::system(command.constData()) != 0) {
            state.SkipWithError("unzip failed");
            break;
        }
    }
}

void install(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const DreamweaverInfo dreamweaver = setup().freshInstallation(QStringLiteral("install"));
        state.ResumeTiming();
        if (!Installer(dreamweaver, nullptr, nullptr).installPackage(setup().package)) {
            state.SkipWithError("install failed");
            break;
        }
    }
}

void removeInstalled(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const DreamweaverInfo dreamweaver = setup().freshInstallation(QStringLiteral("remove"));
        if (!Installer(dreamweaver, nullptr, nullptr).installPackage(setup().package)) {
            state.SkipWithError("the package to remove could not be installed");
            break;
        }
        state.ResumeTiming();
        Remover(dreamweaver, nullptr, nullptr).removeExtension(QStringLiteral("bench.mxi"));
    }
}

// The XML part of the install alone, in memory: what parsing and editing cost.
void addEntries(benchmark::State& state)
{
    const QString menus = QString::fromUtf8(setup().menus);
    const QString insertbar = QString::fromUtf8(setup().insertbar);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EntryEditor::addMenuInserts(menus, setup().record.menuInserts()));
        benchmark::DoNotOptimize(EntryEditor::addInsertbarInserts(insertbar, setup().record.insertbarInserts()));
    }
}

void parseMenusOnce(benchmark::State& state)
{
    const QString menus = QString::fromUtf8(setup().menus);
    for (auto _ : state) {
        Accessor document;
        document.parse(menus);
        benchmark::DoNotOptimize(document.toString());
    }
}

} // namespace

BENCHMARK(unzipOverwrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(install)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(removeInstalled)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(addEntries)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(parseMenusOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
