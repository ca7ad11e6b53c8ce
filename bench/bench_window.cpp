// The window with 500 installed extensions, from its construction to the
// Installed table filled and shown, beside a bare Qt window of the same size
// whose only content is a QTableWidget with the same 500 rows and headers. Offscreen; both sides in this process on its
// CPU time, in interleaved rounds, printed as median [min-max]. Run as bench_window [ROUNDS].
#include "BenchFiles.h"
#include "Rounds.h"

#include "app/Application.h"
#include "ui/MainWindow.h"

#include <QAbstractItemView>
#include <QEventLoop>
#include <QHeaderView>
#include <QMainWindow>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int extensionCount = 500;

QByteArray manifest(int number)
{
    const QByteArray id = QByteArray::number(number);
    return "<macromedia-extension id=\"com.velkor.shown" + id + "\" name=\"Velkor Shown " + id + "\" version=\"1.0."
        + id
        + "\">\n  <author name=\"Velkor\" />\n  <products>\n"
          "    <product name=\"Dreamweaver\" version=\"8\" primary=\"true\" />\n  </products>\n"
          "  <description><![CDATA[Extension "
        + id
        + ".]]></description>\n  <files>\n"
          "    <file source=\"f.htm\" destination=\"$dreamweaver/Configuration/Commands/Shown\" />\n  </files>\n"
          "</macromedia-extension>\n";
}

// The window as a user sees it: built, given the installations, shown, and
// its events processed until the Installed table is on screen. Returns the
// rows the table shows. Never inlined, so that a profiler can be told to
// count this side alone (callgrind --toggle-collect=*showOurWindow*).
Q_NEVER_INLINE int showOurWindow()
{
    MainWindow window(nullptr);
    window.show();
    window.dreamweaversUpdated();
    QCoreApplication::processEvents();
    return window.findChild<QAbstractItemView*>(QStringLiteral("tableInstalled"))->model()->rowCount();
}

// What the window shows for the same extensions, with nothing of ours around it.
Q_NEVER_INLINE void showBareWindow()
{
    QMainWindow window;
    window.resize(760, 560);
    auto* table = new QTableWidget(&window);
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels(
        { QStringLiteral("Name"), QStringLiteral("Version"), QStringLiteral("Author"), QString() });
    table->setRowCount(extensionCount);
    for (int row = 0; row < extensionCount; ++row) {
        const QString id = QString::number(row);
        table->setItem(row, 0, new QTableWidgetItem(QStringLiteral("Velkor Shown ") + id));
        table->setItem(row, 1, new QTableWidgetItem(QStringLiteral("1.0.") + id));
        table->setItem(row, 2, new QTableWidgetItem(QStringLiteral("Velkor")));
    }
    table->setSortingEnabled(true);
    window.setCentralWidget(table);
    window.show();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    const QString root = dir.path();
    qputenv("APPDATA", QString(root + QStringLiteral("/AppData")).toUtf8());
    qputenv("ALLUSERSPROFILE", QString(root + QStringLiteral("/ProgramData")).toUtf8());
    qputenv("ProgramW6432", QString(root + QStringLiteral("/Program Files")).toUtf8());
    qunsetenv("USERPROFILE");
    // Nothing is downloaded: the catalogue request fails at once.
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    const QString conf = root + QStringLiteral("/AppData/Adobe/Dreamweaver 2021/en_US/Configuration");
    BenchFiles::writeFile(conf + QStringLiteral("/version.xml"),
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<versioninfo>\n  <installinfo lang=\"en_US\" "
        "versionnum=\"21.0.0.15392\" build=\"4231\"/>\n</versioninfo>\n");
    QDir().mkpath(root + QStringLiteral("/Program Files/Adobe/Adobe Dreamweaver 2021"));
    BenchFiles::writeFile(conf + QStringLiteral("/Menus/Menus.xml"), BenchFiles::menusXml(20000));
    for (int i = 0; i < extensionCount; ++i) {
        BenchFiles::writeFile(conf + QStringLiteral("/Shared/Velkor/MXI/Shown%1.mxi").arg(i), manifest(i));
    }

    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : Rounds::roundCount();
    Application application(argc, argv);
    // Start-up lists the installations once, before any round.
    QEventLoop started;
    QObject::connect(&application, &Application::dreamweaversUpdated, &started, &QEventLoop::quit);
    QTimer::singleShot(10000, &started, &QEventLoop::quit);
    started.exec();
    if (application.dreamweavers().isEmpty()) {
        std::fprintf(stderr, "no installation found\n");
        return 1;
    }

    int shownRows = 0;
    Rounds::Side ours([&shownRows] { shownRows = showOurWindow(); });
    Rounds::Side bare(showBareWindow);
    Rounds::interleave(ours, bare, rounds, 0.2);
    if (shownRows != extensionCount) {
        std::fprintf(stderr, "the window shows %d rows, not %d\n", shownRows, extensionCount);
        return 1;
    }
    const Rounds::Stats o = Rounds::stats(ours.seconds), b = Rounds::stats(bare.seconds);
    std::printf("Window with %d installed extensions, CPU time, median [min-max] of %d interleaved rounds (%s)\n",
        extensionCount, rounds, Rounds::allocatorName().c_str());
    std::printf("  ours %.1f ms [%.1f-%.1f] | bare window %.1f ms [%.1f-%.1f] | %.2fx\n", o.median * 1e3, o.min * 1e3,
        o.max * 1e3, b.median * 1e3, b.min * 1e3, b.max * 1e3, o.median / b.median);
    return 0;
}
