#include "packages/MXP.h"
#include "packages/ZXP.h"
#include "support/MxpWriter.h"
#include "support/PackageScratch.h"
#include "support/ZxpWriter.h"

#include <QtTest>

#include <memory>

// Rules both readers share, each checked on both formats.
class TestPackages : public QObject
{
    Q_OBJECT

    PackageScratch m_scratch;

    // A package holding one entry; a damaged one fails when its data is read.
    std::unique_ptr<IPackage> package(const QString& format, const QByteArray& name, bool damaged = false)
    {
        if (format == QLatin1String("zxp")) {
            ZxpWriter::Entry entry { name, "payload" };
            if (damaged)
                entry.centralCrc = 0xBADC0DE;
            return std::make_unique<ZXP>(m_scratch.write(ZxpWriter::archiveOf({ entry }), format));
        }
        QList<MxpWriter::Chunk> chunks { MxpWriter::Chunk::of("payload") };
        if (damaged)
            chunks.append({ 5, 5, "wrong" });
        return std::make_unique<MXP>(m_scratch.write(MxpWriter().addRecord(name, chunks).package(), format));
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
            row("dot", ".", ".", "");
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
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<bool>("folderInTheWay"); // of the extracted file, else an old file
        for (const char* format : { "mxp", "zxp" }) {
            QTest::addRow("%s: good entry replaces the file", format) << format << false << false;
            QTest::addRow("%s: damaged entry leaves it alone", format) << format << true << false;
            QTest::addRow("%s: folder in the way fails", format) << format << false << true;
        }
    }

    void extractionReplacesOnlyWhenComplete()
    {
        QFETCH(QString, format);
        QFETCH(bool, damaged);
        QFETCH(bool, folderInTheWay);
        auto reader = package(format, "x/t.txt", damaged);
        const QString folder = m_scratch.freshFolder();
        QFile target(folder + QStringLiteral("/t.txt"));
        QVERIFY(folderInTheWay ? QDir(folder).mkdir(QStringLiteral("t.txt")) : target.open(QIODevice::WriteOnly));
        target.write("old");
        target.close();
        if (damaged && format == QLatin1String("zxp"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ZXP entry")));
        QCOMPARE(reader->extractFile(QStringLiteral("x/t.txt"), folder), !damaged && !folderInTheWay);
        QCOMPARE(QFileInfo(target).isDir(), folderInTheWay);
        QCOMPARE(target.open(QIODevice::ReadOnly) ? target.readAll() : QByteArray(),
            folderInTheWay ? QByteArray()
                : damaged  ? QByteArray("old")
                           : QByteArray("payload"));
        // No temporary file is left beside the target.
        QCOMPARE(ScratchFiles::entriesBelow(folder), QStringList { folderInTheWay ? "t.txt/" : "t.txt" });
    }

    void missingPackageHasNoEntries()
    {
        const QString path = m_scratch.freshFolder() + QStringLiteral("/none");
        for (const auto& reader :
            { std::unique_ptr<IPackage>(new MXP(path)), std::unique_ptr<IPackage>(new ZXP(path)) }) {
            QCOMPARE(reader->mxiFileName(), QString());
            QVERIFY(!reader->extractFile(QStringLiteral("a.mxi"), m_scratch.freshFolder()));
        }
    }
};

QTEST_GUILESS_MAIN(TestPackages)
#include "tst_packages.moc"
