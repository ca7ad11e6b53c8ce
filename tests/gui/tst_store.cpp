#include "DialogDriver.h"
#include "app/Application.h"
#include "platform/BuildConfig.h"
#include "support/GuiTestSupport.h"
#include "support/StoreServer.h"
#include "ui/IProgress.h"

#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

using Delivery = StoreServer::Delivery;
using Route = StoreServer::Route;
using Entries = QList<QStringList>; // id, name, version, zxp

namespace {

// What a download reported, in order.
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

Entries entriesOf(const QVector<Application::Download>& downloads)
{
    Entries entries;
    for (const Application::Download& download : downloads)
        entries << QStringList { download.id, download.name, download.version, download.zxp };
    return entries;
}

const QVector<Application::Download> earlierCatalogue { { "earlier", "Earlier", "0.9", "earlier.zxp" } };

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

    QSslConfiguration m_defaultTls;
    Application* application() { return Application::instance(); }

    void startServer(StoreServer& server, const Route& route, bool trusted)
    {
        QVERIFY(server.start(route));
        if (trusted)
            StoreServer::trustCertificate();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QSslSocket::supportsSsl(), "Qt finds no TLS library");
        m_defaultTls = QSslConfiguration::defaultConfiguration();
        // Let the start-up request (to a closed port) end before the tests start their own.
        QTRY_VERIFY(!application()->catalogueError().isEmpty());
    }

    void cleanup()
    {
        QSslConfiguration::setDefaultConfiguration(m_defaultTls);
        qunsetenv("MORAVEL_CATALOGUE_URL");
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        VERIFY_NO_WINDOW_LEFT();
    }

    void addressesComeFromTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QString>("downloads");

        QTest::newRow("unset: the compiled-in addresses")
            << QByteArray() << MORAVEL_DEFAULT_CATALOGUE_URL << MORAVEL_DEFAULT_DOWNLOADS_URL;
        QTest::newRow("empty counts as unset")
            << QByteArray("") << MORAVEL_DEFAULT_CATALOGUE_URL << MORAVEL_DEFAULT_DOWNLOADS_URL;
        QTest::newRow("a mirror replaces both")
            << QByteArray("https://mirror.example/m/") << "https://mirror.example/m/"
            << "https://mirror.example/m/";
    }

    void addressesComeFromTheEnvironment()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, catalogue);
        QFETCH(QString, downloads);

        qunsetenv("MORAVEL_CATALOGUE_URL");
        if (!value.isNull()) {
            qputenv("MORAVEL_CATALOGUE_URL", value);
            qputenv("MORAVEL_DOWNLOADS_URL", value);
        }
        QCOMPARE(Application::catalogueUrl(), catalogue);
        QCOMPARE(Application::downloadsUrl(), downloads);
    }

    void catalogue_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<Entries>("entries"); // empty: the earlier catalogue stays, no signal
        QTest::addColumn<QString>("error"); // part of catalogueError()

        const QByteArray three
            = "<?xml version=\"1.0\"?>\n<extensions>\n"
              "  <extension id=\"a\" name=\"Alpha\" version=\"1.0\" zxp=\"alpha.zxp\"/>\n"
              "  <group><extension id=\"b\" name=\"Beta\" version=\"2\" zxp=\"beta.mxp\"></extension>"
              "</group>\n"
              "  <Extension ID='c' name=Gamma version=\"3.1\" zxp=\"g/gamma.zxp\" />\n"
              "</extensions>\n";
        const Entries threeEntries { { "a", "Alpha", "1.0", "alpha.zxp" }, { "b", "Beta", "2", "beta.mxp" },
            { "c", "Gamma", "3.1", "g/gamma.zxp" } };
        const auto ok = [](const QByteArray& body) { return Route { 200, body, Delivery::Whole, -1 }; };

        QTest::newRow("three entries, one nested, one with a capital E, in document order")
            << ok(three) << false << false << threeEntries << "";
        QTest::newRow("slow body without a length")
            << Route { 200, three, Delivery::WithoutLength, -1 } << false << false << threeEntries << "";
        QTest::newRow("&amp; is read as &, other entities stay as written")
            << ok("<e><extension id=\"t&amp;c\" name=\"Tom &amp; Jerry &lt;3 &#38;\" version=\"&quot;1&quot;\" "
                  "zxp=\"t&amp;j.zxp\"/></e>")
            << false << false << Entries { { "t&c", "Tom & Jerry &lt;3 &#38;", "&quot;1&quot;", "t&j.zxp" } } << "";
        QTest::newRow("invalid UTF-8 becomes replacement characters")
            << ok("<extension id=\"u\" name=\"Caf\xe9 \xff\" version=\"1\" zxp=\"u.zxp\"/>") << false << false
            << Entries { { "u", QString::fromUtf8("Caf\xef\xbf\xbd \xef\xbf\xbd"), "1", "u.zxp" } } << "";
        QTest::newRow("over trusted HTTPS") << ok(three) << true << true << threeEntries << "";

        QTest::newRow("not found") << Route { 404, three, Delivery::Whole, -1 } << false << false << Entries {}
                                   << "Not Found";
        QTest::newRow("dropped connection")
            << Route { 200, three, Delivery::Dropped, -1 } << false << false << Entries {} << "closed";
        QTest::newRow("self-signed certificate not trusted")
            << ok(three) << true << false << Entries {} << "certificate";
        QTest::newRow("announced size past the cap")
            << Route { 200, three, Delivery::Whole, Application::maximumCatalogueSize + 1 } << false << false
            << Entries {} << "larger";
        QTest::newRow("no extension elements")
            << ok("<extensions><ext id=\"a\"/></extensions>") << false << false << Entries {} << "";
    }

    void catalogue()
    {
        QFETCH(Route, route);
        QFETCH(bool, secure);
        QFETCH(bool, trusted);
        QFETCH(Entries, entries);
        QFETCH(QString, error);

        StoreServer server(secure);
        startServer(server, route, trusted);
        qputenv("MORAVEL_CATALOGUE_URL", QString(server.baseUrl() + "store/extensions.xml").toUtf8());
        application()->downloads() = earlierCatalogue;
        QSignalSpy updated(application(), &Application::downloadsUpdated);

        application()->requestDownloads();
        auto* manager
            = application()->findChildren<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly).last();
        QSignalSpy finished(manager, &QNetworkAccessManager::finished);
        QVERIFY(finished.wait(10000));

        // A refused certificate ends the handshake before any request is sent.
        QCOMPARE(server.requests(),
            secure && !trusted ? QList<QByteArray> {} : QList<QByteArray> { "/store/extensions.xml" });
        QCOMPARE(updated.count(), entries.isEmpty() ? 0 : 1);
        QCOMPARE(entriesOf(application()->downloads()), entries.isEmpty() ? entriesOf(earlierCatalogue) : entries);
        if (!entries.isEmpty())
            QCOMPARE(application()->catalogueError(), QString());
        QVERIFY2(application()->catalogueError().contains(error), qPrintable(application()->catalogueError()));
    }

    void download_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<int>("firstMaximum");
        QTest::addColumn<QString>("error"); // part of downloadError(); empty: succeeds

        QByteArray body(200000, 'a');
        for (int i = 0; i < body.size(); ++i)
            body[i] = char('a' + i % 26);
        QTest::newRow("whole body: the bar's maximum is the size")
            << Route { 200, body, Delivery::Whole, -1 } << false << false << body.size() << "";
        QTest::newRow("no length: the maximum is -1 while it arrives")
            << Route { 200, body, Delivery::WithoutLength, -1 } << false << false << -1 << "";
        QTest::newRow("trusted certificate")
            << Route { 200, body, Delivery::Whole, -1 } << true << true << body.size() << "";
        QTest::newRow("not found") << Route { 404, "missing", Delivery::Whole, -1 } << false << false << 0
                                   << "Not Found";
        QTest::newRow("dropped connection")
            << Route { 200, body, Delivery::Dropped, -1 } << false << false << 0 << "closed";
        QTest::newRow("self-signed certificate not trusted")
            << Route { 200, body, Delivery::Whole, -1 } << true << false << 0 << "certificate";
        QTest::newRow("a declared size past the cap")
            << Route { 200, body, Delivery::Whole, Application::maximumPackageSize + 1 } << false << false << 0
            << "larger than 256 MiB";
        QTest::newRow("empty body") << Route { 200, "", Delivery::Whole, -1 } << false << false << 0 << "empty";
    }

    void download()
    {
        QFETCH(Route, route);
        QFETCH(bool, secure);
        QFETCH(bool, trusted);
        QFETCH(int, firstMaximum);
        QFETCH(QString, error);

        StoreServer server(secure);
        startServer(server, route, trusted);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        RecordingProgress progress;

        const QByteArray data = application()->downloadPackage(QStringLiteral("Velkor Tidy 1.zxp"), &progress);

        // The name is appended as the catalogue gives it; the URL parser encodes the spaces.
        QCOMPARE(server.requests(),
            secure && !trusted ? QList<QByteArray> {} : QList<QByteArray> { "/files/Velkor%20Tidy%201.zxp" });
        QCOMPARE(progress.statuses, QStringList { "Downloading Velkor Tidy 1.zxp" });
        QCOMPARE(progress.finishedCount, 1);
        QCOMPARE(progress.maximums.size(), progress.values.size());
        if (!error.isEmpty()) {
            QCOMPARE(data, QByteArray());
            QVERIFY2(application()->downloadError().contains(error), qPrintable(application()->downloadError()));
            return;
        }
        QCOMPARE(data, route.body);
        QCOMPARE(application()->downloadError(), QString());
        QVERIFY(progress.values.size() >= (route.delivery == Delivery::WithoutLength ? 2 : 1));
        // Qt reports the received size as the total once the reply ends.
        QCOMPARE(progress.maximums.first(), firstMaximum);
        QCOMPARE(progress.maximums.last(), route.body.size());
        QCOMPARE(progress.values.last(), route.body.size());
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir emptyProfile;
    GuiTestSupport::usePretendProfile(emptyProfile.path());
    // The start-up request goes to a closed port and fails at once.
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    Application application(argc, argv);
    qRegisterMetaType<Route>();
    TestStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store.moc"
