#include "app/Application.h"
#include "platform/BuildConfig.h"
#include "support/StoreServer.h"
#include "ui/IProgress.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

using Delivery = StoreServer::Delivery;
using Entries = QList<QStringList>; // id, name, version, zxp

Q_DECLARE_METATYPE(StoreServer::Delivery)

namespace {

// What a download reported, in order.
class RecordingProgress : public IProgress
{
public:
    void reset() override { finished = false; }
    void setTitle(QString) override { }
    void setStatus(QString text) override { statuses << text; }
    void setMaximum(int maximum) override { maximums << maximum; }
    void setValue(int value) override { values << value; }
    void setFinished() override
    {
        finished = true;
        ++finishedCount;
    }
    bool isFinished() override { return finished; }

    QStringList statuses;
    QList<int> maximums;
    QList<int> values;
    bool finished = false;
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

QByteArray packageBytes(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char('a' + i % 26));
    return bytes;
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private:
    Application* application() { return Application::instance(); }
    QSslConfiguration m_defaultTls;

    // Serves route at path on a fresh server (the certificate trusted or not).
    void serve(StoreServer& server, const QByteArray& path, const StoreServer::Route& route, bool trusted)
    {
        QVERIFY(server.start());
        server.setRoute(path, route);
        if (trusted) {
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.addCaCertificate(StoreServer::certificate());
            QSslConfiguration::setDefaultConfiguration(tls);
        }
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
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a top-level window leaked");
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
        qunsetenv("MORAVEL_DOWNLOADS_URL");
        if (!value.isNull()) {
            qputenv("MORAVEL_CATALOGUE_URL", value);
            qputenv("MORAVEL_DOWNLOADS_URL", value);
        }
        QCOMPARE(Application::catalogueUrl(), catalogue);
        QCOMPARE(Application::downloadsUrl(), downloads);
        QVERIFY(QByteArray(MORAVEL_DEFAULT_CATALOGUE_URL).startsWith("https://"));
        QVERIFY(QByteArray(MORAVEL_DEFAULT_DOWNLOADS_URL).endsWith('/'));
    }

    void catalogue_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<Delivery>("delivery");
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<Entries>("entries"); // empty: the earlier catalogue stays, no signal

        const QByteArray three
            = "<?xml version=\"1.0\"?>\n<extensions>\n"
              "  <extension id=\"a\" name=\"Alpha\" version=\"1.0\" zxp=\"alpha.zxp\"/>\n"
              "  <group><extension id=\"b\" name=\"Beta\" version=\"2\" zxp=\"beta.mxp\"></extension>"
              "</group>\n"
              "  <Extension id='c' name=Gamma version=\"3.1\" zxp=\"g/gamma.zxp\" />\n"
              "</extensions>\n";
        const Entries threeEntries { { "a", "Alpha", "1.0", "alpha.zxp" }, { "b", "Beta", "2", "beta.mxp" },
            { "c", "Gamma", "3.1", "g/gamma.zxp" } };

        QTest::newRow("three entries, one nested, one with a capital E, in document order")
            << three << 200 << Delivery::Whole << false << false << threeEntries;
        QTest::newRow("body without a length")
            << three << 200 << Delivery::WithoutLength << false << false << threeEntries;
        QTest::newRow("EXTENSION in capitals")
            << QByteArray("<EXTENSION ID=\"x\" NAME=\"X\" VERSION=\"1\" ZXP=\"x.zxp\"/>") << 200 << Delivery::Whole
            << false << false << Entries { { "x", "X", "1", "x.zxp" } };
        QTest::newRow("&amp; is read as &, other entities stay as written")
            << QByteArray("<e><extension id=\"t&amp;c\" name=\"Tom &amp; Jerry &lt;3 &#38;\" version=\"&quot;1&quot;\" "
                          "zxp=\"t&amp;j.zxp\"/></e>")
            << 200 << Delivery::Whole << false << false
            << Entries { { "t&c", "Tom & Jerry &lt;3 &#38;", "&quot;1&quot;", "t&j.zxp" } };
        QTest::newRow("missing attributes are empty, the entry is still listed")
            << QByteArray("<extension name=\"Only a name\"/>") << 200 << Delivery::Whole << false << false
            << Entries { { "", "Only a name", "", "" } };
        QTest::newRow("invalid UTF-8 becomes replacement characters")
            << QByteArray("<extension id=\"u\" name=\"Caf\xe9 \xff\xfe\" version=\"1\" zxp=\"u.zxp\"/>") << 200
            << Delivery::Whole << false << false
            << Entries { { "u", QString::fromUtf8("Caf\xef\xbf\xbd \xef\xbf\xbd\xef\xbf\xbd"), "1", "u.zxp" } };
        QTest::newRow("over trusted HTTPS") << three << 200 << Delivery::Whole << true << true << threeEntries;

        QTest::newRow("not found") << three << 404 << Delivery::Whole << false << false << Entries {};
        QTest::newRow("dropped connection") << three << 200 << Delivery::Dropped << false << false << Entries {};
        QTest::newRow("self-signed certificate not trusted")
            << three << 200 << Delivery::Whole << true << false << Entries {};
        QTest::newRow("no extension elements") << QByteArray("<extensions><ext id=\"a\"/></extensions>") << 200
                                               << Delivery::Whole << false << false << Entries {};
        QTest::newRow("not XML at all") << QByteArray("\x89PNG\r\n\x1a\n garbage") << 200 << Delivery::Whole << false
                                        << false << Entries {};
    }

    void catalogue()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(Delivery, delivery);
        QFETCH(bool, secure);
        QFETCH(bool, trusted);
        QFETCH(Entries, entries);

        StoreServer server(secure);
        serve(server, "/store/extensions.xml", { status, body, delivery, -1 }, trusted);
        qputenv("MORAVEL_CATALOGUE_URL", QString(server.baseUrl() + "store/extensions.xml").toUtf8());
        application()->downloads() = earlierCatalogue;
        QSignalSpy updated(application(), &Application::downloadsUpdated);

        application()->requestDownloads();
        auto* manager
            = application()->findChildren<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly).last();
        QSignalSpy finished(manager, &QNetworkAccessManager::finished);
        QVERIFY(finished.wait(10000));

        const bool refused = secure && !trusted;
        if (refused)
            QCOMPARE(server.requests(), QList<QByteArray> {});
        else
            QCOMPARE(server.requests().first(), QByteArray("/store/extensions.xml"));
        if (entries.isEmpty()) {
            QCOMPARE(updated.count(), 0);
            QCOMPARE(entriesOf(application()->downloads()), entriesOf(earlierCatalogue));
        } else {
            QCOMPARE(updated.count(), 1);
            QCOMPARE(entriesOf(application()->downloads()), entries);
            QCOMPARE(application()->catalogueError(), QString());
        }
        if (refused)
            QVERIFY2(
                application()->catalogueError().contains("certificate"), qPrintable(application()->catalogueError()));
        if (status != 200)
            QVERIFY(!application()->catalogueError().isEmpty());
    }

    void download_data()
    {
        QTest::addColumn<StoreServer::Route>("route");
        QTest::addColumn<bool>("secure");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<int>("firstMaximum");
        QTest::addColumn<QString>("reason"); // part of downloadError() on failure

        const QByteArray body = packageBytes(200000);
        QTest::newRow("whole body: the bar's maximum is the size")
            << StoreServer::Route { 200, body, Delivery::Whole, -1 } << false << false << true << body.size() << "";
        QTest::newRow("no length: the maximum is -1 while it arrives")
            << StoreServer::Route { 200, body, Delivery::SlowWithoutLength, -1 } << false << false << true << -1 << "";
        QTest::newRow("no length, all at once") << StoreServer::Route { 200, body, Delivery::WithoutLength, -1 }
                                                << false << false << true << body.size() << "";
        QTest::newRow("slow body arrives whole")
            << StoreServer::Route { 200, body, Delivery::Slow, -1 } << false << false << true << body.size() << "";
        QTest::newRow("trusted certificate")
            << StoreServer::Route { 200, body, Delivery::Whole, -1 } << true << true << true << body.size() << "";
        QTest::newRow("not found") << StoreServer::Route { 404, "missing", Delivery::Whole, -1 } << false << false
                                   << false << 0 << "Not Found";
        QTest::newRow("dropped connection")
            << StoreServer::Route { 200, body, Delivery::Dropped, -1 } << false << false << false << 0 << "closed";
        QTest::newRow("self-signed certificate not trusted")
            << StoreServer::Route { 200, body, Delivery::Whole, -1 } << true << false << false << 0 << "certificate";
        QTest::newRow("a declared size past the limit is aborted")
            << StoreServer::Route { 200, body, Delivery::Whole, Application::maximumPackageSize + 1 } << false << false
            << false << 0 << "larger than 256 MiB";
        QTest::newRow("empty body") << StoreServer::Route { 200, QByteArray(), Delivery::Whole, -1 } << false << false
                                    << false << 0 << "empty";
    }

    void download()
    {
        QFETCH(StoreServer::Route, route);
        QFETCH(bool, secure);
        QFETCH(bool, trusted);
        QFETCH(bool, succeeds);
        QFETCH(int, firstMaximum);
        QFETCH(QString, reason);

        StoreServer server(secure);
        // The catalogue's name is appended unchanged; spaces are encoded by the URL parser.
        serve(server, "/files/Velkor%20Tidy%201.zxp", route, trusted);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        RecordingProgress progress;

        const QByteArray data = application()->downloadPackage(QStringLiteral("Velkor Tidy 1.zxp"), &progress);

        // A refused certificate ends the handshake before any request is sent.
        const bool refused = secure && !trusted;
        if (refused)
            QCOMPARE(server.requests(), QList<QByteArray> {});
        else
            QCOMPARE(server.requests().first(), QByteArray("/files/Velkor%20Tidy%201.zxp"));
        QCOMPARE(progress.statuses, QStringList { "Downloading Velkor Tidy 1.zxp" });
        QCOMPARE(progress.finishedCount, 1);
        QCOMPARE(progress.maximums.size(), progress.values.size());
        if (!succeeds) {
            QCOMPARE(data, QByteArray());
            QVERIFY2(application()->downloadError().contains(reason), qPrintable(application()->downloadError()));
            QVERIFY(!application()->downloadError().isEmpty());
            return;
        }
        QCOMPARE(data, route.body);
        QCOMPARE(application()->downloadError(), QString());
        QVERIFY(!progress.maximums.isEmpty());
        // Qt reports the received size as the total once the reply ends.
        QCOMPARE(progress.maximums.first(), firstMaximum);
        QCOMPARE(progress.maximums.last(), route.body.size());
        QCOMPARE(progress.values.last(), route.body.size());
        for (int i = 1; i < progress.values.size(); ++i)
            QVERIFY(progress.values.at(i) >= progress.values.at(i - 1));
        if (route.delivery == Delivery::Slow || route.delivery == Delivery::SlowWithoutLength)
            QVERIFY(progress.values.size() >= 2);
    }

    void downloadWithoutProgressObject()
    {
        StoreServer server(false);
        serve(server, "/files/p.zxp", { 200, "PK", Delivery::Whole, -1 }, false);
        qputenv("MORAVEL_DOWNLOADS_URL", QString(server.baseUrl() + "files/").toUtf8());
        QCOMPARE(application()->downloadPackage(QStringLiteral("p.zxp"), nullptr), QByteArray("PK"));
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir emptyProfile;
    qputenv("APPDATA", emptyProfile.path().toUtf8());
    qputenv("ALLUSERSPROFILE", emptyProfile.path().toUtf8());
    qputenv("ProgramW6432", emptyProfile.path().toUtf8());
    // The start-up request goes to a closed port and fails at once.
    qputenv("MORAVEL_CATALOGUE_URL", "http://127.0.0.1:1/extensions.xml");
    Application application(argc, argv);
    qRegisterMetaType<StoreServer::Route>();
    qRegisterMetaType<QNetworkReply*>();
    TestStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store.moc"
