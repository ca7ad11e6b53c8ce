#include "commands/StoreClient.h"
#include "installer/IProgress.h"
#include "platform/BuildConfig.h"
#include "support/StoreServer.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QtTest>

using Delivery = StoreServer::Delivery;
using Route = StoreServer::Route;
using Tls = StoreServer::Tls;
using Entries = QList<QStringList>; // id, name, version, zxp

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

    QStringList statuses;
    QList<int> maximums;
    QList<int> values;
    int finishedCount = 0;
};

Entries entriesOf(const QVector<CatalogueEntry>& downloads)
{
    Entries entries;
    for (const CatalogueEntry& download : downloads)
        entries << QStringList { download.id, download.name, download.version, download.zxp };
    return entries;
}

struct Transfer
{
    Route route;
    Tls tls;
    Entries entries; // catalogue: what it lists; empty: the earlier one stays
    int firstMaximum; // download: the bar's first maximum
    QString error; // part of the error; empty: succeeds
};

Route whole(const QByteArray& body, qint64 declaredLength = -1)
{
    return { 200, body, Delivery::Whole, declaredLength };
}

} // namespace

Q_DECLARE_METATYPE(Transfer)

class TestStoreClient : public QObject
{
    Q_OBJECT

    StoreClient m_store;

private slots:
    void initTestCase() { QVERIFY2(QSslSocket::supportsSsl(), "Qt finds no TLS library"); }

    void cleanup()
    {
        qunsetenv("MORAVEL_CATALOGUE_URL");
        qunsetenv("MORAVEL_DOWNLOADS_URL");
    }

    void addressesComeFromTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QStringList>("addresses");

        const QStringList defaults { MORAVEL_DEFAULT_CATALOGUE_URL, MORAVEL_DEFAULT_DOWNLOADS_URL };
        QTest::newRow("unset: the compiled-in addresses") << QByteArray() << defaults;
        QTest::newRow("a mirror replaces both") << QByteArray(
            "https://mirror.example/m/") << QStringList { "https://mirror.example/m/", "https://mirror.example/m/" };
    }

    void addressesComeFromTheEnvironment()
    {
        QFETCH(QByteArray, value);
        QFETCH(QStringList, addresses);

        qunsetenv("MORAVEL_CATALOGUE_URL");
        if (!value.isNull()) {
            qputenv("MORAVEL_CATALOGUE_URL", value);
            qputenv("MORAVEL_DOWNLOADS_URL", value);
        }
        QCOMPARE(QStringList({ StoreClient::catalogueUrl(), StoreClient::downloadsUrl() }), addresses);
    }

    void catalogue_data()
    {
        QTest::addColumn<Transfer>("c");

        const QByteArray three = "<?xml version=\"1.0\"?>\n<extensions>\n"
                                 "  <extension id=\"a\" name=\"Alpha\" version=\"1.0\" zxp=\"alpha.zxp\"/>\n"
                                 "  <group><extension id=\"b\" name=\"Beta\" version=\"2\" zxp=\"b.mxp\"></extension>"
                                 "</group>\n  <Extension ID='c' name=Gamma version=\"3.1\" zxp=\"g/c.zxp\" />\n"
                                 "</extensions>\n";
        const Entries threeEntries { { "a", "Alpha", "1.0", "alpha.zxp" }, { "b", "Beta", "2", "b.mxp" },
            { "c", "Gamma", "3.1", "g/c.zxp" } };

        QTest::newRow("three entries, one nested, one with a capital E, in document order")
            << Transfer { whole(three), Tls::None, threeEntries, 0, {} };
        QTest::newRow("over trusted HTTPS") << Transfer { whole(three), Tls::Trusted, threeEntries, 0, {} };
        QTest::newRow("not found") << Transfer { { 404, three, Delivery::Whole, -1 }, Tls::None, {}, 0, "Not Found" };
        QTest::newRow("dropped connection")
            << Transfer { { 200, three, Delivery::Dropped, -1 }, Tls::None, {}, 0, "the connection was closed after" };
        QTest::newRow("self-signed certificate") << Transfer { whole(three), Tls::Untrusted, {}, 0, "certificate" };
        QTest::newRow("announced size past the cap")
            << Transfer { whole(three, StoreClient::maximumCatalogueSize + 1), Tls::None, {}, 0, "larger" };
        QTest::newRow("no extension elements")
            << Transfer { whole("<extensions><ext id=\"a\"/></extensions>"), Tls::None, {}, 0, {} };
    }

    void catalogue()
    {
        QFETCH(Transfer, c);

        StoreServer server(c.tls, c.route);
        qputenv("MORAVEL_CATALOGUE_URL", QString(server.baseUrl() + "store/extensions.xml").toUtf8());
        const QVector<CatalogueEntry> earlier { { "earlier", "Earlier", "0.9", "earlier.zxp" } };
        m_store.catalogue() = earlier;
        QSignalSpy updated(&m_store, &StoreClient::catalogueUpdated);

        m_store.requestCatalogue();
        QSignalSpy finished(m_store.findChildren<QNetworkAccessManager*>().last(), &QNetworkAccessManager::finished);
        QVERIFY(finished.wait(10000));

        // A refused certificate ends the handshake before any request is sent.
        QCOMPARE(server.requests().size(), c.tls == Tls::Untrusted ? 0 : 1);
        QCOMPARE(updated.count(), c.entries.isEmpty() ? 0 : 1);
        QCOMPARE(entriesOf(m_store.catalogue()), c.entries.isEmpty() ? entriesOf(earlier) : c.entries);
        if (!c.entries.isEmpty())
            QCOMPARE(m_store.catalogueError(), QString());
        QVERIFY2(m_store.catalogueError().contains(c.error), qPrintable(m_store.catalogueError()));
    }

    void download_data()
    {
        QTest::addColumn<Transfer>("c");

        QByteArray body(200000, 'a');
        for (int i = 0; i < body.size(); ++i)
            body[i] = char('a' + i % 26);
        const int size = body.size();
        QTest::newRow("whole body: the bar's maximum is the size") << Transfer { whole(body), Tls::None, {}, size, {} };
        QTest::newRow("no length: the maximum is -1 while it arrives")
            << Transfer { { 200, body, Delivery::WithoutLength, -1 }, Tls::None, {}, -1, {} };
        QTest::newRow("self-signed certificate") << Transfer { whole(body), Tls::Untrusted, {}, 0, "certificate" };
        QTest::newRow("a declared size past the cap")
            << Transfer { whole(body, StoreClient::maximumPackageSize + 1), Tls::None, {}, 0, "larger than 256 MiB" };
        QTest::newRow("empty body") << Transfer { whole(""), Tls::None, {}, 0, "empty" };
    }

    void download()
    {
        QFETCH(Transfer, c);

        StoreServer server(c.tls, c.route);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        RecordingProgress progress;

        const QByteArray data = m_store.downloadPackage(QStringLiteral("Velkor Tidy 1.zxp"), &progress);

        // The name is appended as the catalogue gives it; the URL parser encodes the spaces.
        QCOMPARE(server.requests(),
            c.tls == Tls::Untrusted ? QList<QByteArray> {} : QList<QByteArray> { "/files/Velkor%20Tidy%201.zxp" });
        QCOMPARE(progress.statuses, QStringList { "Downloading Velkor Tidy 1.zxp" });
        QCOMPARE(progress.finishedCount, 1);
        QCOMPARE(progress.maximums.size(), progress.values.size());
        QVERIFY2(m_store.downloadError().contains(c.error), qPrintable(m_store.downloadError()));
        QCOMPARE(data, c.error.isEmpty() ? c.route.body : QByteArray());
        if (!c.error.isEmpty())
            return;
        QCOMPARE(m_store.downloadError(), QString());
        QVERIFY(progress.values.size() >= (c.route.delivery == Delivery::WithoutLength ? 2 : 1));
        // Qt reports the received size as the total once the reply ends.
        QCOMPARE(progress.maximums.first(), c.firstMaximum);
        QCOMPARE(progress.maximums.last(), c.route.body.size());
        QCOMPARE(progress.values.last(), c.route.body.size());
    }
};

QTEST_GUILESS_MAIN(TestStoreClient)

#include "tst_storeclient.moc"
