#include "DialogDriver.h"
#include "app/Application.h"
#include "support/GuiTestSupport.h"
#include "ui/MainWindow.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int postLaunchesBeforeTheEventLoop = -1;
int postLaunches = 0;

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEFT(); }

    void startUpWorkWaitsForTheEventLoopAndRunsOnce()
    {
        QCOMPARE(postLaunchesBeforeTheEventLoop, 0);
        // The window is shown before the installation list is announced.
        MainWindow window(nullptr);
        window.show();
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboDreamweavers"));

        QTRY_COMPARE(postLaunches, 1);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, QStringList({ "Dreamweaver 2021", "Dreamweaver CS6", "Dreamweaver 8" }));
        QCOMPARE(combo->currentIndex(), 0);
        QTest::qWait(50);
        QCOMPARE(postLaunches, 1);
    }

    void startupSettings()
    {
        Application::instance()->applyStartupSettings();
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.7.0"));
        QVERIFY(Application::instance()->styleSheet().contains(QStringLiteral("#3d9bf2")));
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir root;
    GuiTestSupport::usePretendProfile(root.path());
    for (const auto& [name, version] : { std::pair { "Dreamweaver CS6", "12.0.0.5808" },
             std::pair { "Dreamweaver 2021", "21.0" }, std::pair { "Dreamweaver 8", "8.0" } }) {
        if (GuiTestSupport::writeInstallation(root.path(), name, version).isEmpty())
            qFatal("cannot write the profile");
    }

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
