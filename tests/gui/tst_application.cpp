#include "app/Application.h"
#include "discovery/DreamweaverInfo.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A per-user profile as the folder scan finds it, with its program folders.
void writeProfile(const QString& root)
{
    struct Installation
    {
        const char* folder;
        const char* version;
    };
    for (const Installation& installation : { Installation { "Dreamweaver CS6", "12.0.0.5808" },
             Installation { "Dreamweaver 2021", "21.0" }, Installation { "Dreamweaver 8", "8.0" } }) {
        const QString name = QString::fromLatin1(installation.folder);
        const QString configuration = root + "/AppData/Adobe/" + name + "/en_US/Configuration";
        QDir().mkpath(configuration);
        QFile version(configuration + "/version.xml");
        if (!version.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(version.fileName()));
        version.write(
            QByteArray("<versioninfo><installinfo versionnum=\"") + installation.version + "\"/></versioninfo>");
        QDir().mkpath(root + "/Program Files/Adobe/Adobe " + name);
    }
}

int postLaunchesBeforeTheEventLoop = -1;
int postLaunches = 0;

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a top-level window leaked"); }

    void startUpWorkWaitsForTheEventLoopAndRunsOnce()
    {
        QCOMPARE(postLaunchesBeforeTheEventLoop, 0);
        // The window is shown before the installation list is announced.
        MainWindow window(nullptr);
        window.show();
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));

        QTRY_COMPARE(postLaunches, 1);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("Dreamweaver 2021"));
        QCOMPARE(combo->itemText(1), QStringLiteral("Dreamweaver CS6"));
        QCOMPARE(combo->itemText(2), QStringLiteral("Dreamweaver 8"));
        QCOMPARE(combo->currentIndex(), 0);

        QTest::qWait(50);
        QCOMPARE(postLaunches, 1);
        QCOMPARE(Application::instance()->dreamweavers().size(), 3);
    }

    void theDatabaseConnectionIsRegisteredAndLeftClosed()
    {
        const QString allUsers = qEnvironmentVariable("ALLUSERSPROFILE");
        const QString expected = allUsers + QDir::separator() + "Adobe" + QDir::separator() + "Moravel CC"
            + QDir::separator() + "Configuration" + QDir::separator() + "DB" + QDir::separator() + "ExMan.db";
        QCOMPARE(Application::instance()->exManDbPath(), expected);
        QVERIFY(QSqlDatabase::contains(QStringLiteral("CCDB")));
        const QSqlDatabase db = QSqlDatabase::database(QStringLiteral("CCDB"), false);
        QCOMPARE(db.driverName(), QStringLiteral("QSQLITE"));
        QCOMPARE(db.databaseName(), expected);
        QVERIFY(!db.isOpen());
        QVERIFY(!QFile::exists(expected));
    }

    void startupSettings()
    {
        Application::instance()->applyStartupSettings();
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.7.0"));
        QCOMPARE(Application::instance()->styleSheet(), Application::loadStyleSheet());
        QVERIFY(Application::instance()->styleSheet().contains(QStringLiteral("#3d9bf2")));
    }

    void styleSheetImagesAreCompiledIn_data()
    {
        QTest::addColumn<QString>("resource");

        const QString sheet = Application::loadStyleSheet();
        QVERIFY(!sheet.isEmpty());
        const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
        auto matches = url.globalMatch(sheet);
        QSet<QString> seen;
        while (matches.hasNext()) {
            const QString resource = matches.next().captured(1).trimmed();
            if (!seen.contains(resource))
                QTest::newRow(qPrintable("sheet refers to " + resource)) << resource;
            seen.insert(resource);
        }
        for (const char* image : { ":/qss/down_arrow.png", ":/qss/checkbox.png", ":/qss/handle.png" }) {
            if (!seen.contains(QString::fromLatin1(image)))
                QTest::newRow(image) << QString::fromLatin1(image);
        }
    }

    void styleSheetImagesAreCompiledIn()
    {
        QFETCH(QString, resource);
        QVERIFY2(resource.startsWith(QLatin1String(":/qss/")), "images come from the compiled-in folder");
        QImage image(resource);
        QVERIFY2(!image.isNull(), qPrintable(resource + " does not load"));
    }

    void styleSheetSelectsByClassOnly()
    {
        // Object names of the window are free to change; the sheet must not depend on them.
        const QString sheet = Application::loadStyleSheet();
        for (const char* name : { "comboDreamweavers", "installButton", "tableInstalled", "tableStore", "tabWidget",
                 "statusLabel", "progressBar" })
            QVERIFY2(!sheet.contains(QLatin1String(name)), name);
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir root;
    writeProfile(root.path());
    qputenv("APPDATA", QString(root.path() + "/AppData").toUtf8());
    qputenv("ALLUSERSPROFILE", QString(root.path() + "/ProgramData").toUtf8());
    qputenv("ProgramW6432", QString(root.path() + "/Program Files").toUtf8());

    // Only the program's name: the test's own arguments (function names,
    // options) would be taken for package files to install at start-up.
    int applicationArgc = 1;
    Application application(applicationArgc, argv);
    QObject::connect(&application, &Application::dreamweaversUpdated, [] { ++postLaunches; });
    // Constructing the object must not have run the start-up work.
    postLaunchesBeforeTheEventLoop = postLaunches;

    TestApplication test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
