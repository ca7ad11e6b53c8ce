#include "TestData.h"
#include "markup/Accessor.h"
#include "support/InstallerFixtures.h"

#include <QtTest>

#ifdef Q_OS_LINUX
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_LINUX
// Counts the changes the kernel reports in one folder (files created, written,
// renamed into it), so that a kill can follow a given change within
// microseconds.
class FolderWatch
{
public:
    explicit FolderWatch(const QString& folder)
    {
        if (folder.isEmpty()) {
            return;
        }
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0) {
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MODIFY | IN_MOVED_TO);
        }
    }
    ~FolderWatch()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    // Returns when count changes were seen, or the process ended first; the
    // number of changes seen.
    int waitForChanges(int count, QProcess& process)
    {
        QElapsedTimer timer;
        timer.start();
        alignas(inotify_event) char buffer[4096];
        while (seen < count && timer.elapsed() < 10000) {
            pollfd descriptor { m_fd, POLLIN, 0 };
            if (poll(&descriptor, 1, 20) <= 0) {
                if (process.waitForFinished(0)) {
                    break;
                }
                continue;
            }
            const ssize_t length = read(m_fd, buffer, sizeof buffer);
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                ++seen;
                offset += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return seen;
    }

private:
    int m_fd = -1;
    int seen = 0;
};
#endif

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
        writeFile(configuration + QStringLiteral("/Menus/Menus.xml"), largeMenusXml(100 * 1024));
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
        QVERIFY(largeExtension(60, 20, 10).writePackage(m_package));
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
        QTest::addColumn<QString>("watched");
        QTest::addColumn<int>("changes");

        // Kills at the start, during the extraction, and around the two XML
        // edits; the last rows kill at the n-th change the file system reports
        // in the folder of Menus.xml or insertbar.xml, to land inside writes.
        QTest::newRow("at start") << QString() << 0 << QString() << 0;
        QTest::newRow("storing the manifest") << "Extracting files" << 0 << QString() << 0;
        QTest::newRow("early in the files") << "value 3" << 1 << QString() << 0;
        QTest::newRow("late in the files") << "value 58" << 0 << QString() << 0;
        for (int delay : { 0, 20, 60 }) {
            QTest::addRow("editing Menus.xml after %d ms", delay) << "Adding menu entries" << delay << QString() << 0;
        }
        QTest::newRow("editing insertbar.xml") << "Adding Insert Bar entries" << 0 << QString() << 0;
#ifdef Q_OS_LINUX
        for (int changes : { 1, 2, 3, 4, 5 }) {
            QTest::addRow("at change %d of the Menus folder", changes) << QString() << 0 << "Menus" << changes;
        }
        for (int changes : { 1, 3 }) {
            QTest::addRow("at change %d of the Objects folder", changes) << QString() << 0 << "Objects" << changes;
        }
#endif
    }

    void killedInstallLeavesWholeFiles()
    {
        QFETCH(QString, step);
        QFETCH(int, delayMs);
        QFETCH(QString, watched);
        QFETCH(int, changes);

        const QString folder = m_dir.path() + QStringLiteral("/run-") + QString::fromLatin1(QTest::currentDataTag());
        const QString configuration = prepare(folder);
#ifdef Q_OS_LINUX
        FolderWatch watch(watched.isEmpty() ? QString() : configuration + QLatin1Char('/') + watched);
#endif
        QProcess process;
        QVERIFY(start(process, folder));
        if (!step.isEmpty()) {
            QByteArray output;
            while (!output.contains(step.toUtf8() + '\n') && process.state() == QProcess::Running) {
                process.waitForReadyRead(5000);
                output += process.readAllStandardOutput();
            }
        }
#ifdef Q_OS_LINUX
        if (!watched.isEmpty()) {
            watch.waitForChanges(changes, process);
        }
#endif
        QThread::msleep(delayMs);
        process.kill();
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));

        const Tree now = snapshot(configuration);
        for (const QString& entry : now.entries) {
            // The package reader's unfinished extractions are hidden ".part"
            // files: no name Dreamweaver reads in any of its folders.
            const QString name = entry.mid(entry.lastIndexOf(QLatin1Char('/')) + 1);
            const bool readerTemporary = name.startsWith(QLatin1Char('.')) && name.endsWith(QLatin1String(".part"));
            QVERIFY2(m_before.entries.contains(entry) || m_after.entries.contains(entry) || readerTemporary,
                qPrintable(entry));
        }
        for (auto it = now.files.cbegin(); it != now.files.cend(); ++it) {
            if (!m_before.files.contains(it.key()) && !m_after.files.contains(it.key())) {
                continue;
            }
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
