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

// Every file and folder below folder, with the bytes of each file.
using Tree = QMap<QString, QByteArray>;

Tree snapshot(const QString& folder)
{
    Tree tree;
    for (const QString& entry : entriesBelow(folder)) {
        tree.insert(entry, entry.endsWith('/') ? QByteArray() : readFile(folder + '/' + entry));
    }
    return tree;
}

#ifdef Q_OS_LINUX
// Waits until the kernel has reported count changes (files created, written,
// renamed into it) in the folder fd watches, so that a kill can follow a given
// change within microseconds; gives up when the process ends first.
void waitForChanges(int fd, int count, QProcess& process)
{
    alignas(inotify_event) char buffer[4096];
    QElapsedTimer timer;
    timer.start();
    for (int seen = 0; seen < count && timer.elapsed() < 10000;) {
        pollfd descriptor { fd, POLLIN, 0 };
        if (poll(&descriptor, 1, 20) <= 0) {
            if (process.waitForFinished(0)) {
                return;
            }
            continue;
        }
        const ssize_t length = read(fd, buffer, sizeof buffer);
        for (ssize_t offset = 0; offset < length; ++seen) {
            offset += ssize_t(sizeof(inotify_event) + reinterpret_cast<const inotify_event*>(buffer + offset)->len);
        }
    }
}
#endif

} // namespace

// An install killed at any moment must leave Dreamweaver's files either as they
// were or as the install makes them, never cut off, and no stray file behind.
class TestInstallCrash : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Tree m_before;
    Tree m_after;

    // A fresh installation below folder; returns its configuration folder.
    QString prepare(const QString& folder)
    {
        const QString configuration = folder + "/Configuration";
        writeFile(configuration + "/Menus/Menus.xml", largeMenusXml(100 * 1024));
        writeFile(configuration + "/Objects/insertbar.xml", insertbarXml());
        return configuration;
    }

    bool start(QProcess& process, const QString& folder)
    {
        process.start(QStringLiteral(MORAVEL_BINARY_DIR "/install_helper"),
            { folder, m_dir.path() + "/program", m_dir.path() + "/large.zxp" });
        return process.waitForStarted();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(largeExtension(60, 20, 10).writePackage(m_dir.path() + "/large.zxp"));
        // A run left alone gives the state every interrupted run heads for.
        const QString configuration = prepare(m_dir.path() + "/reference");
        m_before = snapshot(configuration);
        QProcess process;
        QVERIFY(start(process, m_dir.path() + "/reference"));
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().contains("\nAdding menu entries\n"));
        m_after = snapshot(configuration);
        QVERIFY(m_after.value("Menus/Menus.xml") != m_before.value("Menus/Menus.xml"));
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

        const QString folder = m_dir.path() + "/run-" + QLatin1String(QTest::currentDataTag());
        const QString configuration = prepare(folder);
#ifdef Q_OS_LINUX
        const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(fd >= 0);
        const auto closeWatch = qScopeGuard([fd] { close(fd); });
        if (!watched.isEmpty()) {
            inotify_add_watch(
                fd, QFile::encodeName(configuration + '/' + watched).constData(), IN_CREATE | IN_MODIFY | IN_MOVED_TO);
        }
#endif
        QProcess process;
        QVERIFY(start(process, folder));
        QByteArray output;
        while (!step.isEmpty() && !output.contains(step.toUtf8() + '\n') && process.state() == QProcess::Running) {
            process.waitForReadyRead(5000);
            output += process.readAllStandardOutput();
        }
#ifdef Q_OS_LINUX
        if (!watched.isEmpty()) {
            waitForChanges(fd, changes, process);
        }
#endif
        QThread::msleep(delayMs);
        process.kill();
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));

        const Tree now = snapshot(configuration);
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            // A kill leaves no chance to clean up: what may stay are the
            // package reader's hidden ".part" files and the temporary a file
            // is written to before it is renamed over its name (a suffix of
            // six characters), neither a name Dreamweaver reads.
            const QString name = it.key().section('/', -1);
            const QString real = it.key().chopped(qMin(7, it.key().size()));
            const bool temporary = (name.startsWith('.') && name.endsWith(QLatin1String(".part")))
                || (it.key().at(real.size()) == '.' && (m_before.contains(real) || m_after.contains(real)));
            const bool asBefore = m_before.contains(it.key()) && m_before.value(it.key()) == it.value();
            const bool asAfter = m_after.contains(it.key()) && m_after.value(it.key()) == it.value();
            QVERIFY2(asBefore || asAfter || temporary, qPrintable(it.key()));
        }
        for (const char* xml : { "Menus/Menus.xml", "Objects/insertbar.xml" }) {
            const QString text = QString::fromUtf8(now.value(QLatin1String(xml)));
            Accessor document;
            document.parse(text);
            QCOMPARE(document.toString(), text);
        }
    }
};

QTEST_GUILESS_MAIN(TestInstallCrash)
#include "tst_installcrash.moc"
