#include "platform/MapRegistry.h"
#include "platform/Registry.h"

#include <QtTest>

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Registry::setInstance(nullptr); }

    void installedRegistryAnswersWithoutRegardToCase()
    {
        auto registry = std::make_unique<MapRegistry>();
        registry->setValue(QStringLiteral("SOFTWARE\\Adobe\\Dreamweaver CS6\\Installation"),
            QStringLiteral("InstallPath"), QStringLiteral("C:\\DW"));
        Registry::setInstance(std::move(registry));

        QCOMPARE(Registry::instance().localMachineValue(
                     QStringLiteral("software\\adobe\\dreamweaver cs6\\installation"), QStringLiteral("installpath")),
            QStringLiteral("C:\\DW"));
        QVERIFY(Registry::instance()
                    .localMachineValue(QStringLiteral("SOFTWARE\\Adobe\\Dreamweaver CS5\\Installation"),
                        QStringLiteral("InstallPath"))
                    .isEmpty());
    }

    void withoutAnInstalledRegistryNothingIsFoundOffWindows()
    {
#ifndef Q_OS_WIN
        QVERIFY(Registry::instance()
                    .localMachineValue(QStringLiteral("SOFTWARE\\Adobe\\Dreamweaver CS6\\Installation"),
                        QStringLiteral("InstallPath"))
                    .isEmpty());
#endif
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
