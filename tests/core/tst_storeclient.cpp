#include "commands/StoreClient.h"
#include "discovery/VersionNumber.h"
#include "installer/IProgress.h"
#include "platform/BuildConfig.h"
#include "support/StoreServer.h"
#include "support/UnderWine.h"

#include <QtTest>

using Delivery = StoreServer::Delivery;
using Tls = StoreServer::Tls;

namespace {

// What a download reported.
class RecordingProgress : public IProgress
{
public:
    void reset() override { }
    void setTitle(QString) override { }
    void setStatus(QString text) override { statuses << text; }
    void setMaximum(int maximum) override { maximums << maximum; }
    void setValue(int value) override { values << value; }
    void setFinished() override { ++finishedCount; }
    bool isFinished() override { return finishedCount > 0; }
    bool isCancelled() override { return cancel && !values.isEmpty(); }

    QStringList statuses;
    QList<int> maximums, values;
    int finishedCount = 0;
    bool cancel = false; // once bytes have arrived
};

// The same route serves the catalogue and the package, so that each row
// shows both transfers meeting the same server.
struct Transfer
{
    StoreServer::Route route;
    Tls tls;
    bool listed; // the catalogue's three entries replace the earlier one
    QString catalogueError; // part of the error; empty: succeeds
    QString downloadError;
    // Milliseconds; 0 keeps the ordinary ones, which a TLS handshake on a
    // busy machine never comes near.
    int stallTimeout = 0;
    int deadline = 0;
};

} // namespace

Q_DECLARE_METATYPE(Transfer)

class TestStoreClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QSslSocket::supportsSsl(), "Qt finds no TLS library"); }

    void addressesAreCompiledIn()
    {
        // The transfers below show that the environment overrides them.
        qunsetenv("MORAVEL_CATALOGUE_URL");
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        QCOMPARE(QStringList({ StoreClient::catalogueUrl(), StoreClient::downloadsUrl() }),
            QStringList({ MORAVEL_DEFAULT_CATALOGUE_URL, MORAVEL_DEFAULT_DOWNLOADS_URL }));
    }

    void transfer_data()
    {
        QTest::addColumn<Transfer>("c");

        const QByteArray three = "<?xml version=\"1.0\"?>\n<extensions>\n"
                                 "  <extension id=\"a\" name=\"Alpha\" version=\"1.0\" zxp=\"alpha.zxp\"/>\n"
                                 "  <group><extension id=\"b\" name=\"Beta\" version=\"2\" zxp=\"b.mxp\"></extension>"
                                 "</group>\n  <Extension ID='c' name=Gamma version=\"3.1\" zxp=\"g/c.zxp\" />\n"
                                 "</extensions>\n";
        const StoreServer::Route whole { 200, three, Delivery::Whole };
        const QString closed = "the connection was closed after", stalled = "no data arrived for 0.15 seconds";
        const QString late = "the transfer did not end within 1 seconds";
        QTest::newRow("three entries, one nested, one with a capital E, in document order")
            << Transfer { whole, Tls::None, true, {}, {} };
        QTest::newRow("over trusted HTTPS") << Transfer { whole, Tls::Trusted, true, {}, {} };
        // Each pause a fifth of the time-out, the whole transfer past it.
        QTest::newRow("no length, slower than the time-out but moving: the bar's maximum is -1 while it arrives")
            << Transfer { { 200, three, Delivery::WithoutLength, -1, 400 }, Tls::None, true, {}, {}, 2000 };
        QTest::newRow("dropped connection; the download's Cancel aborts it before that")
            << Transfer { { 200, three, Delivery::Dropped, -1 }, Tls::None, false, closed, "download was cancelled" };
        for (const Delivery delivery : { Delivery::Silent, Delivery::Stalled })
            QTest::newRow(
                delivery == Delivery::Silent ? "no answer: time-out" : "half the body, then silence: time-out")
                << Transfer { { 200, three, delivery, -1 }, Tls::None, false, stalled, stalled, 150 };
        // A byte every 100 ms never stalls, and would take 30 times the deadline.
        QTest::newRow("a byte at a time, never pausing long: the deadline ends it")
            << Transfer { { 200, three, Delivery::Trickle, -1, 100 }, Tls::None, false, late, late, 0, 1000 };
        QTest::newRow("self-signed certificate")
            << Transfer { whole, Tls::Untrusted, false, "certificate", "certificate" };
        QTest::newRow("an announced size past both caps")
            << Transfer { { 200, three, Delivery::Whole, StoreClient::maximumPackageSize + 1 }, Tls::None, false,
                   "larger than 16 MiB", "larger than 256 MiB" };
        QTest::newRow("no extension elements: the earlier catalogue stays")
            << Transfer { { 200, "<extensions><ext id=\"a\"/></extensions>", Delivery::Whole, -1 }, Tls::None, false,
                   {}, {} };
        for (const QString status : { "404 Not Found", "301 Moved Permanently", "203 Non-Authoritative Information" })
            QTest::newRow(qPrintable(status + ": refused, and no redirect followed"))
                << Transfer { { status.left(3).toInt(), three, Delivery::Whole, -1 }, Tls::None, false, status,
                       status };
        QTest::newRow("gzip, not asked for, inflating past the catalogue's cap")
            << Transfer { { 200, qCompress(QByteArray(17 << 20, ' ')).mid(4), Delivery::Gzip, -1 }, Tls::None, false,
                   "encoded as gzip", "encoded as gzip" };
        QTest::newRow("an empty body") << Transfer { { 200, "", Delivery::Whole, -1 }, Tls::None, false, {},
            "the server sent an empty file" };
    }

    void transfer()
    {
        QFETCH(Transfer, c);
        if (c.tls != Tls::None && runningUnderWine())
            QSKIP("Wine's schannel cannot serve the test server's side of TLS");

        StoreServer server(c.tls, c.route);
        qputenv("MORAVEL_CATALOGUE_URL", QString(server.baseUrl() + "store/extensions.xml").toUtf8());
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        StoreClient store;
        if (c.stallTimeout)
            store.setStallTimeout(c.stallTimeout);
        if (c.deadline)
            store.setDeadline(c.deadline);
        store.catalogue() = { { "earlier", "Earlier", "0.9", "earlier.zxp" } };
        QSignalSpy updated(&store, &StoreClient::catalogueUpdated);
        QSignalSpy finished(&store, &StoreClient::catalogueFinished);
        store.requestCatalogue();
        QVERIFY(finished.wait(10000));
        // A refused certificate ends the handshake before any request is sent.
        // A client that gave up first may be done before a busy server has
        // read the request it sent, so the server is given time to.
        QTRY_COMPARE_WITH_TIMEOUT(server.requests(),
            c.tls == Tls::Untrusted ? QList<QByteArray>() : QList<QByteArray>({ "/store/extensions.xml" }), 10000);

        QStringList listed;
        for (const CatalogueEntry& entry : store.catalogue())
            listed << entry.id + ' ' + entry.name + ' ' + entry.version + ' ' + entry.zxp;
        QCOMPARE(listed,
            c.listed ? QStringList({ "a Alpha 1.0 alpha.zxp", "b Beta 2 b.mxp", "c Gamma 3.1 g/c.zxp" })
                     : QStringList({ "earlier Earlier 0.9 earlier.zxp" }));
        QCOMPARE(updated.count(), int(c.listed));
        QVERIFY2(c.catalogueError.isEmpty() ? store.catalogueError().isEmpty()
                                            : store.catalogueError().contains(c.catalogueError),
            qPrintable(store.catalogueError()));

        RecordingProgress progress;
        progress.cancel = c.downloadError.contains("cancelled");
        const QByteArray data = store.downloadPackage(QStringLiteral("Velkor Tidy 1.zxp"), &progress);
        // The name is appended as the catalogue gives it; the URL parser encodes the spaces.
        QCOMPARE(server.requests().count("/files/Velkor%20Tidy%201.zxp"), int(c.tls != Tls::Untrusted));
        QCOMPARE(progress.statuses, QStringList { "Downloading Velkor Tidy 1.zxp" });
        QCOMPARE(progress.finishedCount, 1);
        QCOMPARE(progress.maximums.size(), progress.values.size());
        QVERIFY2(c.downloadError.isEmpty() ? store.downloadError().isEmpty()
                                           : store.downloadError().contains(c.downloadError),
            qPrintable(store.downloadError()));
        QCOMPARE(data, c.downloadError.isEmpty() ? c.route.body : QByteArray());
        if (!c.downloadError.isEmpty())
            return;
        QVERIFY(progress.values.size() >= (c.route.delivery == Delivery::WithoutLength ? 2 : 1));
        // Qt reports the received size as the total once the reply ends.
        QCOMPARE(progress.maximums.first(), c.route.delivery == Delivery::WithoutLength ? -1 : c.route.body.size());
        QCOMPARE(progress.maximums.last(), c.route.body.size());
        QCOMPARE(progress.values.last(), c.route.body.size());
    }

    // The Store and moravel-cli's update decide by this which version is newer.
    void versionsCompareByParts_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected"); // -1: a is older, 0: the same, 1: a is newer
        QTest::newRow("as numbers, not text") << "1.9.2"
                                              << "1.10.0" << -1;
        QTest::newRow("a later part decides") << "2.0.0"
                                              << "2.0.1" << -1;
        QTest::newRow("an extra part makes it newer") << "1.0.1"
                                                      << "1.0" << 1;
        QTest::newRow("an extra part of zeros changes nothing") << "1.0"
                                                                << "1.0.0.0" << 0;
        QTest::newRow("the tail after the digits, as text") << "1.0.0a"
                                                            << "1.0.0b" << -1;
        QTest::newRow("a pre-release tail before its release") << "1.0-rc"
                                                               << "1.0.0" << -1;
        QTest::newRow("a beta tail before its release") << "1.2.0b3"
                                                        << "1.2" << -1;
        QTest::newRow("longer than any integer") << "1.99999999999999999999"
                                                 << "1.100000000000000000000" << -1;
        QTest::newRow("the same: a missing part is 0") << "1.2"
                                                       << "1.2.0" << 0;
        QTest::newRow("the same: leading zeros") << "1.02"
                                                 << "1.2" << 0;
        QTest::newRow("the same: white space around") << " 3.1 "
                                                      << "3.1" << 0;
    }
    void versionsCompareByParts()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QCOMPARE(VersionNumber::compare(a, b), expected);
        QCOMPARE(VersionNumber::compare(b, a), -expected);
    }
};

QTEST_GUILESS_MAIN(TestStoreClient)

#include "tst_storeclient.moc"
