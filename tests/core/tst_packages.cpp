#include "packages/MXP.h"
#include "packages/ZXP.h"
#include "support/MxpWriter.h"
#include "support/PackageScratch.h"
#include "support/ZxpWriter.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

// Rules both readers share, each checked on both formats.
class TestPackages : public QObject
{
    Q_OBJECT

private:
    PackageScratch m_scratch;

    // A package holding one entry; a damaged one fails when its data is read.
    std::unique_ptr<IPackage> package(
        const QString& format, const QByteArray& name, const QByteArray& data, bool damaged = false)
    {
        QByteArray bytes;
        if (format == QLatin1String("zxp")) {
            ZxpWriter::Entry entry;
            entry.name = name;
            entry.data = data;
            if (damaged)
                entry.centralCrc = 0xBADC0DE;
            ZxpWriter writer;
            writer.add(entry);
            bytes = writer.archive();
        } else {
            MxpWriter writer;
            QList<MxpWriter::Chunk> chunks { MxpWriter::Chunk::of(data) };
            if (damaged)
                chunks.append({ 5, 5, "wrong" });
            writer.addRecord(name, chunks);
            bytes = writer.package();
        }
        const QString path = m_scratch.write(bytes, format);
        if (format == QLatin1String("zxp"))
            return std::make_unique<ZXP>(path);
        return std::make_unique<MXP>(path);
    }

    static void expectZxpWarning(const QString& format)
    {
        if (format == QLatin1String("zxp"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ZXP entry")));
    }

private slots:
    void lookupIsExact_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("name");
        for (const char* format : { "mxp", "zxp" }) {
            QTest::addRow("%s: other letter case", format) << format << "DIR/A.TXT";
            QTest::addRow("%s: backslashes for slashes", format) << format << "dir\\a.txt";
            QTest::addRow("%s: last component only", format) << format << "a.txt";
            QTest::addRow("%s: empty name", format) << format << "";
        }
    }

    void lookupIsExact()
    {
        QFETCH(QString, format);
        QFETCH(QString, name);
        auto reader = package(format, "dir/a.txt", "a");
        QCOMPARE(reader->readFile(QStringLiteral("dir/a.txt")), QByteArray("a"));
        QVERIFY(reader->readFile(name).isEmpty());
        QVERIFY(!reader->extractFile(name, m_scratch.freshFolder()));
    }

    void missingPackageHasNoEntries()
    {
        const QString path = m_scratch.freshFolder() + QStringLiteral("/none");
        for (const auto& reader :
            { std::unique_ptr<IPackage>(new MXP(path)), std::unique_ptr<IPackage>(new ZXP(path)) }) {
            QCOMPARE(reader->mxiFileName(), QString());
            QVERIFY(reader->readFile(QStringLiteral("a.mxi")).isEmpty());
            QVERIFY(!reader->extractFile(QStringLiteral("a.mxi"), m_scratch.freshFolder()));
        }
    }

    void extractsUnderTheLastComponent_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("storedName");
        QTest::addColumn<QString>("written"); // empty: refused

        for (const char* format : { "mxp", "zxp" }) {
            QTest::addRow("%s: two folder levels", format) << format << QByteArray("a/b/file.js") << "file.js";
            QTest::addRow("%s: backslash folders", format) << format << QByteArray("a\\b\\file.js") << "file.js";
            QTest::addRow("%s: climbing folders dropped", format) << format << QByteArray("../..\\up.js") << "up.js";
            QTest::addRow("%s: absolute path", format) << format << QByteArray("/etc/passwd") << "passwd";
            QTest::addRow("%s: name as long as a file name can be", format)
                << format << QByteArray(255, 'n') << QString(255, 'n');
            QTest::addRow("%s: folder entry", format) << format << QByteArray("folder/") << "";
            QTest::addRow("%s: dot dot", format) << format << QByteArray("..") << "";
            QTest::addRow("%s: ends in dot dot", format) << format << QByteArray("a\\..") << "";
            QTest::addRow("%s: dot", format) << format << QByteArray(".") << "";
        }
    }

    void extractsUnderTheLastComponent()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, storedName);
        QFETCH(QString, written);

        auto reader = package(format, storedName, "payload");
        QString key = QString::fromUtf8(storedName);
        if (format == QLatin1String("mxp"))
            key.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString parent = m_scratch.freshFolder();
        if (written.isEmpty())
            expectZxpWarning(format);
        QCOMPARE(reader->extractFile(key, parent + QStringLiteral("/a/b")), !written.isEmpty());
        const QStringList expected
            = written.isEmpty() ? QStringList() : QStringList { "a", "a/b", QStringLiteral("a/b/") + written };
        QCOMPARE(PackageScratch::filesBelow(parent), expected);
    }

    void extractionReplacesOrKeepsTheTarget_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QByteArray>("expected");
        for (const char* format : { "mxp", "zxp" }) {
            QTest::addRow("%s: good entry replaces the file", format) << format << false << QByteArray("new");
            QTest::addRow("%s: damaged entry leaves it alone", format) << format << true << QByteArray("old contents");
        }
    }

    void extractionReplacesOrKeepsTheTarget()
    {
        QFETCH(QString, format);
        QFETCH(bool, damaged);
        QFETCH(QByteArray, expected);

        auto reader = package(format, "x/t.txt", "new", damaged);
        const QString folder = m_scratch.freshFolder();
        QFile old(folder + QStringLiteral("/t.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();

        if (damaged)
            expectZxpWarning(format);
        QCOMPARE(reader->extractFile(QStringLiteral("x/t.txt"), folder), !damaged);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), expected);
        // No temporary file is left beside the target.
        QCOMPARE(PackageScratch::filesBelow(folder), QStringList { "t.txt" });
    }

    void extractionOntoAFolderFails_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("mxp") << "mxp";
        QTest::newRow("zxp") << "zxp";
    }

    void extractionOntoAFolderFails()
    {
        QFETCH(QString, format);
        auto reader = package(format, "t.txt", "data");
        const QString folder = m_scratch.freshFolder();
        QVERIFY(QDir(folder).mkdir(QStringLiteral("t.txt")));
        QVERIFY(!reader->extractFile(QStringLiteral("t.txt"), folder));
        QCOMPARE(PackageScratch::filesBelow(folder), QStringList { "t.txt" });
        QVERIFY(QFileInfo(folder + QStringLiteral("/t.txt")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestPackages)
#include "tst_packages.moc"
