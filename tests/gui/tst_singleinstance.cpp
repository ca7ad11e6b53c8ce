#include "app/SingleInstance.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

// A later start's files reach the running program whole, and what is not a
// well-formed message reaches nothing.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dataFolder;

private slots:
    void initTestCase()
    {
        // The socket's name follows the data folder: this test's own, never a running program's.
        qputenv("MORAVEL_DATA_FOLDER", m_dataFolder.path().toUtf8());
    }

    void filesArriveWhole_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("no files: only the window is wanted") << QStringList();
        QTest::newRow("two files, one with a line break and non-Latin letters in its name")
            << QStringList { "/home/u/a b.zxp", QString::fromUtf8("/home/u/\xc3\xa9t\xc3\xa9\n\xe6\x97\xa5.mxp") };
    }

    void filesArriveWhole()
    {
        QFETCH(QStringList, files);
        SingleInstance running(nullptr);
        QVERIFY(running.listen());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        // The later start blocks on its answer, so it runs beside this thread's event loop.
        auto later = std::async(std::launch::async, [files] { return SingleInstance::handOver(files); });
        QTRY_VERIFY(later.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(later.get());
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), files);
    }

    void nobodyRunning()
    {
        QVERIFY(!SingleInstance::handOver({ "/a.zxp" }, 1000));
#ifdef Q_OS_UNIX
        // A socket file a crashed program left is taken over.
        QFile left(QDir::tempPath() + '/' + SingleInstance::serverName());
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.close();
#endif
        SingleInstance first(nullptr);
        QVERIFY(first.listen());
    }

    void malformedMessagesReachNothing_data()
    {
        QTest::addColumn<QByteArray>("message");
        QByteArray overCap;
        QDataStream(&overCap, QIODevice::WriteOnly) << quint32(SingleInstance::maxMessageBytes + 1);
        QTest::newRow("a length past the cap, before any of its bytes") << overCap;
        QByteArray largest;
        QDataStream(&largest, QIODevice::WriteOnly) << quint32(0xffffffff);
        QTest::newRow("the largest length") << largest;
    }

    void malformedMessagesReachNothing()
    {
        QFETCH(QByteArray, message);
        SingleInstance running(nullptr);
        QVERIFY(running.listen());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        QLocalSocket client;
        client.connectToServer(SingleInstance::serverName());
        QVERIFY(client.waitForConnected(5000));
        client.write(message + QByteArray(64, 'x'));
        // Refused at once, not dropped later as a client that stopped talking is.
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, SingleInstance::answerTimeoutMs / 2);
        QCOMPARE(received.size(), 0);
    }
};

QTEST_MAIN(TestSingleInstance)

#include "tst_singleinstance.moc"
