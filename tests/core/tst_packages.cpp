#include "packages/MXP.h"
#include "packages/ZXP.h"
#include "support/MxpWriter.h"
#include "support/PackageScratch.h"
#include "support/ZxpWriter.h"

#include <QtTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// Rules both readers share, each checked on both formats.
class TestPackages : public QObject
{
    Q_OBJECT

    PackageScratch m_scratch;

    // A package holding one entry; a damaged one fails when its data is read.
    std::unique_ptr<IPackage> package(
        const QString& format, const QByteArray& name, const QByteArray& data = "payload", bool damaged = false)
    {
        if (format == QLatin1String("zxp")) {
            ZxpWriter::Entry entry { name, data };
            if (damaged)
                entry.centralCrc = 0xBADC0DE;
            return std::make_unique<ZXP>(m_scratch.write(ZxpWriter::archiveOf({ entry }), format));
        }
        QList<MxpWriter::Chunk> chunks { MxpWriter::Chunk::of(data) };
        if (damaged)
            chunks.append({ 5, 5, "wrong" });
        return std::make_unique<MXP>(m_scratch.write(MxpWriter().addRecord(name, chunks).package(), format));
    }

    // Root ignores permissions but not a file size limit: writes past 4 KiB come up short.
    static bool extractWithinSizeLimit(IPackage& reader, const QString& entryName, const QString& folder)
    {
#ifdef Q_OS_UNIX
        rlimit previous {};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 4096;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
#endif
        const bool result = reader.extractFile(entryName, folder);
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
#endif
        return result;
    }

private slots:
    void extractsUnderTheLastComponent_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("lookup"); // MXP names are looked up with slashes
        QTest::addColumn<QString>("written"); // empty: refused

        for (const char* format : { "mxp", "zxp" }) {
            const auto row
                = [format](const char* name, const QByteArray& stored, const QString& lookup, const QString& written) {
                      QTest::addRow("%s: %s", format, name) << format << stored << lookup << written;
                  };
            row("backslash folders", "a\\b\\f.js", "a\\b\\f.js", "f.js");
            row("climbing folders dropped", "../..\\up.js", "../..\\up.js", "up.js");
            row("name as long as a file name can be", QByteArray(255, 'n'), QString(255, 'n'), QString(255, 'n'));
            row("folder entry", "folder/", "folder/", "");
            row("dot dot", "..", "..", "");
            row("ends in dot dot", "a\\..", "a\\..", "");
            row("lookup in another letter case", "a/b", "A/B", "");
            row("lookup by the last component", "a/b", "b", "");
        }
    }

    void extractsUnderTheLastComponent()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, stored);
        QFETCH(QString, lookup);
        QFETCH(QString, written);

        auto reader = package(format, stored);
        const QString parent = m_scratch.freshFolder();
        if (format == QLatin1String("mxp"))
            lookup.replace(QLatin1Char('\\'), QLatin1Char('/'));
        else if (written.isEmpty() && stored == lookup.toUtf8())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ZXP entry")));
        QCOMPARE(reader->extractFile(lookup, parent + QStringLiteral("/a/b")), !written.isEmpty());
        const QStringList expected
            = written.isEmpty() ? QStringList() : QStringList { "a/", "a/b/", QStringLiteral("a/b/") + written };
        QCOMPARE(ScratchFiles::entriesBelow(parent), expected);
    }

    void extractionReplacesOnlyWhenComplete_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("trouble"); // "damaged" entry, "folder" in the way, "full" disk
        for (const char* format : { "mxp", "zxp" }) {
            QTest::addRow("%s: good entry replaces the file", format) << format << QByteArray("payload") << "";
            QTest::addRow("%s: damaged entry leaves it alone", format) << format << QByteArray("payload") << "damaged";
            QTest::addRow("%s: folder in the way fails", format) << format << QByteArray("payload") << "folder";
#ifdef Q_OS_UNIX // rows that need a file size limit
            // Larger than the write buffer: the write itself comes up short.
            QTest::addRow("%s: short write leaves it alone", format) << format << QByteArray(100000, 'w') << "full";
            // Held in the write buffer: the flush at commit comes up short.
            QTest::addRow("%s: short flush leaves it alone", format) << format << QByteArray(10000, 'f') << "full";
#endif
        }
    }

    void extractionReplacesOnlyWhenComplete()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, data);
        QFETCH(QString, trouble);
        auto reader = package(format, "x/t.txt", data, trouble == "damaged");
        const QString folder = m_scratch.freshFolder();
        const QString target = folder + QStringLiteral("/t.txt");
        QVERIFY(
            trouble == "folder" ? QDir(folder).mkdir(QStringLiteral("t.txt")) : ScratchFiles::writeFile(target, "old"));
        if (trouble == "damaged" && format == QLatin1String("zxp"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ZXP entry")));
        const bool extracted = trouble == "full" ? extractWithinSizeLimit(*reader, "x/t.txt", folder)
                                                 : reader->extractFile(QStringLiteral("x/t.txt"), folder);
        QCOMPARE(extracted, trouble.isEmpty());
        QCOMPARE(QFileInfo(target).isDir(), trouble == "folder");
        QCOMPARE(ScratchFiles::readFile(target),
            trouble == "folder"     ? QByteArray()
                : trouble.isEmpty() ? data
                                    : QByteArray("old"));
        // No temporary file is left beside the target.
        QCOMPARE(ScratchFiles::entriesBelow(folder), QStringList { trouble == "folder" ? "t.txt/" : "t.txt" });
    }
};

QTEST_GUILESS_MAIN(TestPackages)
#include "tst_packages.moc"
