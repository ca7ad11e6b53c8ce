#include "support/InstallerFixtures.h"
#include "TestData.h"
#include "markup/Accessor.h"

#include <QtTest>

using namespace InstallerFixtures;

namespace {

const char helperName[] = "install_helper";

struct Tree
{
    QStringList entries;
    QHash<QString, QByteArray> files;
};

Tree snapshot(const QString& folder)
{
    Tree tree;
    tree.entries = entriesBelow(folder);
    for (const QString& entry : tree.entries) {
        if (!entry.endsWith(QLatin1Char('/'))) {
            tree.files.insert(entry, readFile(folder + QLatin1Char('/') + entry));
        }
    }
    return tree;
}

} // namespace

// An install killed at any moment must leave Dreamweaver's files either as they
// were or as the install makes them, never cut off, and no stray file behind.
class TestInstallCrash : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_package;
    QString m_program;
    Tree m_before;
    Tree m_after;
    QStringList m_steps;

    QString helperPath() const { return QStringLiteral(MORAVEL_BINARY_DIR "/") + QLatin1String(helperName); }

    // A fresh installation below folder; returns its configuration folder.
    QString prepare(const QString& folder)
    {
        const QString configuration = folder + QStringLiteral("/Configuration");
        writeFile(configuration + QStringLiteral("/Menus/Menus.xml"), largeMenusXml(400 * 1024));
        writeFile(configuration + QStringLiteral("/Objects/insertbar.xml"), insertbarXml());
        return configuration;
    }

    bool start(QProcess& process, const QString& folder)
    {
        process.start(helperPath(), { folder, m_program, m_package });
        return process.waitForStarted();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(helperPath()).isExecutable());
        QVERIFY(m_dir.isValid());
        m_package = m_dir.path() + QStringLiteral("/large.zxp");
        QVERIFY(largeExtension(120, 30, 10).writePackage(m_package));
        m_program = m_dir.path() + QStringLiteral("/program");

        // A run left alone gives the state every interrupted run heads for.
        const QString folder = m_dir.path() + QStringLiteral("/reference");
        const QString configuration = prepare(folder);
        m_before = snapshot(configuration);
        QProcess process;
        QVERIFY(start(process, folder));
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        m_steps = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(m_steps.contains(QStringLiteral("Adding menu entries")));
        m_after = snapshot(configuration);
        QVERIFY(m_after.files.value(QStringLiteral("Menus/Menus.xml")) != m_before.files.value("Menus/Menus.xml"));
    }

    void killedInstallLeavesWholeFiles_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("delayMs");

        // Kills at the start, during the extraction, and around and within
        // the two XML edits, which are the moments that matter most.
        QTest::newRow("at start") << QString() << 0;
        QTest::newRow("storing the manifest") << "Extracting files" << 0;
        QTest::newRow("early in the files") << "value 3" << 1;
        QTest::newRow("midway through the files") << "value 60" << 0;
        QTest::newRow("late in the files") << "value 119" << 2;
        for (int delay : { 0, 2, 5, 10, 20, 40, 80 }) {
            QTest::addRow("editing Menus.xml after %d ms", delay) << "Adding menu entries" << delay;
        }
        for (int delay : { 0, 1, 3 }) {
            QTest::addRow("editing insertbar.xml after %d ms", delay) << "Adding Insert Bar entries" << delay;
        }
    }

    void killedInstallLeavesWholeFiles()
    {
        QFETCH(QString, step);
        QFETCH(int, delayMs);

        const QString folder = m_dir.path() + QStringLiteral("/run-") + QString::fromLatin1(QTest::currentDataTag());
        const QString configuration = prepare(folder);
        QProcess process;
        QVERIFY(start(process, folder));
        if (!step.isEmpty()) {
            QByteArray output;
            while (!output.contains(step.toUtf8() + '\n') && process.state() == QProcess::Running) {
                process.waitForReadyRead(5000);
                output += process.readAllStandardOutput();
            }
        }
        QThread::msleep(delayMs);
        process.kill();
        QVERIFY(process.waitForFinished(10000));

        const Tree now = snapshot(configuration);
        for (const QString& entry : now.entries) {
            QVERIFY2(m_before.entries.contains(entry) || m_after.entries.contains(entry), qPrintable(entry));
        }
        for (auto it = now.files.cbegin(); it != now.files.cend(); ++it) {
            const bool asBefore = m_before.files.contains(it.key()) && m_before.files.value(it.key()) == it.value();
            const bool asAfter = m_after.files.value(it.key()) == it.value();
            QVERIFY2(asBefore || asAfter, qPrintable(it.key()));
        }
        for (const QString& xml : { QStringLiteral("Menus/Menus.xml"), QStringLiteral("Objects/insertbar.xml") }) {
            const QString text = QString::fromUtf8(now.files.value(xml));
            Accessor document;
            document.parse(text);
            QCOMPARE(document.toString(), text);
        }
    }
};

QTEST_GUILESS_MAIN(TestInstallCrash)
#include "tst_installcrash.moc"
