#include "discovery/DreamweaverInfo.h"
#include "platform/MapRegistry.h"
#include "platform/Registry.h"
#include "support/DiscoveryFixtures.h"

#include <QtTest>

// Installations found below the per-user "Macromedia" and "Adobe" folders, with
// their program folder from the registry or the program-files fallback.
class TestProgramFolders : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    ScopedEnvironment* m_environment = nullptr;
    MapRegistry* m_registry = nullptr;

    QString appData() const { return m_root.path() + "/AppData/Roaming"; }
    QString programFiles() const { return m_root.path() + "/Program Files"; }
    QString noDatabase() const { return m_root.path() + "/no/ExMan.db"; }

    void registerInstallPath(const QString& vendor, const QString& component, const QString& folder)
    {
        m_registry->setValue(
            "SOFTWARE\\" + vendor + "\\Dreamweaver\\" + component + "\\Installation", "InstallPath", folder);
    }

private slots:
    void init()
    {
        QVERIFY(m_root.isValid());
        m_environment = new ScopedEnvironment;
        m_environment->set("APPDATA", appData());
        m_environment->set("ProgramW6432", programFiles());
        auto registry = std::make_unique<MapRegistry>();
        m_registry = registry.get();
        Registry::setInstance(std::move(registry));
    }

    void cleanup()
    {
        Registry::setInstance(nullptr);
        m_registry = nullptr;
        delete m_environment;
        m_environment = nullptr;
        QDir(m_root.path()).removeRecursively();
        QDir().mkpath(m_root.path());
        DreamweaverInfo::installations().clear();
    }

    void findInstallFolderAsksTheRegistryThenFallsBack_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("version");
        // The registry component that holds an existing folder; empty: nothing registered.
        QTest::addColumn<QString>("registered");
        QTest::addColumn<bool>("fallbackExists");
        // "registry", "fallback" or "missing registry folder".
        QTest::addColumn<QString>("expected");

        QTest::newRow("8 alone") << "Macromedia"
                                 << "8.0.2"
                                 << "8" << false << "registry";
        QTest::newRow("9 with .0") << "Macromedia"
                                   << "9.0"
                                   << "9.0" << false << "registry";
        QTest::newRow("10 with .0") << "Adobe"
                                    << "10.0.4"
                                    << "10.0" << false << "registry";
        QTest::newRow("11 with .0") << "Adobe"
                                    << "11.0"
                                    << "11.0" << false << "registry";
        QTest::newRow("11.5 keeps its minor number") << "Adobe"
                                                     << "11.5.0.5"
                                                     << "11.5" << false << "registry";
        QTest::newRow("11.50 reads as 11.5 by its first characters") << "Adobe"
                                                                     << "11.50"
                                                                     << "11.5" << false << "registry";
        QTest::newRow("12 alone") << "Adobe"
                                  << "12.0.1"
                                  << "12" << false << "registry";
        QTest::newRow("20 alone") << "Adobe"
                                  << "20.2"
                                  << "20" << false << "registry";
        QTest::newRow("12 is not looked up as 12.0") << "Adobe"
                                                     << "12.0"
                                                     << "12.0" << true << "fallback";
        QTest::newRow("vendor is part of the key") << "Adobe"
                                                   << "8.0"
                                                   << "" << true << "fallback";
        QTest::newRow("missing key falls back") << "Adobe"
                                                << "20.0"
                                                << "" << true << "fallback";
        QTest::newRow("empty version is not looked up") << "Adobe"
                                                        << ""
                                                        << "0" << true << "fallback";
        QTest::newRow("nothing exists") << "Adobe"
                                        << "20.0"
                                        << "" << false << "missing fallback";
        QTest::newRow("registry folder missing does not fall back") << "Adobe"
                                                                    << "12.0"
                                                                    << "12" << true << "missing registry folder";
    }

    void findInstallFolderAsksTheRegistryThenFallsBack()
    {
        QFETCH(QString, vendor);
        QFETCH(QString, version);
        QFETCH(QString, registered);
        QFETCH(bool, fallbackExists);
        QFETCH(QString, expected);

        const QString registryFolder = m_root.path() + "/registered";
        if (!registered.isEmpty()) {
            registerInstallPath(
                vendor, registered, expected == "missing registry folder" ? registryFolder + "/gone" : registryFolder);
        }
        // The other vendor's key must not be consulted.
        registerInstallPath(vendor == "Adobe" ? "Macromedia" : "Adobe", "8", registryFolder);
        QVERIFY(DiscoveryFixtures::makeFolder(registryFolder));
        const QString fallback = programFiles() + "/" + vendor + "/" + vendor + " Dreamweaver X";
        if (fallbackExists)
            QVERIFY(DiscoveryFixtures::makeFolder(fallback));

        DreamweaverInfo info("Dreamweaver X", vendor, appData() + "/" + vendor + "/Dreamweaver X", {});
        info.setVersion(version);
        const bool found = info.findInstallFolder();

        if (expected == "registry") {
            QVERIFY(found);
            QCOMPARE(info.installFolder(), registryFolder);
        } else if (expected == "fallback") {
            QVERIFY(found);
            QCOMPARE(info.installFolder(), fallback);
        } else if (expected == "missing fallback") {
            QVERIFY(!found);
            QCOMPARE(info.installFolder(), fallback);
        } else {
            QVERIFY(!found);
            QCOMPARE(info.installFolder(), registryFolder + "/gone");
        }
    }

    void fallbackUsesTheFolderNameNotTheLabel()
    {
        const QString fallback = programFiles() + "/Macromedia/Macromedia Dreamweaver 9";
        QVERIFY(DiscoveryFixtures::makeFolder(fallback));
        DreamweaverInfo info("Dreamweaver CS3", "Macromedia", appData() + "/Macromedia/Dreamweaver 9", {});
        QVERIFY(info.findInstallFolder());
        QCOMPARE(info.installFolder(), fallback);
    }

    void addFromProgramFolders_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("version"); // "-": no version.xml
        QTest::addColumn<QString>("label"); // empty: not listed

        QTest::newRow("Dreamweaver 9 is labelled CS3") << "Macromedia"
                                                       << "Dreamweaver 9"
                                                       << "9.0"
                                                       << "Dreamweaver CS3";
        QTest::newRow("every \" 9\" is replaced") << "Adobe"
                                                  << "Dreamweaver 9 9"
                                                  << "9.0"
                                                  << "Dreamweaver CS3 CS3";
        QTest::newRow("Dreamweaver 8 keeps its name") << "Macromedia"
                                                      << "Dreamweaver 8"
                                                      << "8.0"
                                                      << "Dreamweaver 8";
        QTest::newRow("Dreamweaver 95 is not version 9") << "Adobe"
                                                         << "Dreamweaver 95"
                                                         << "8.0"
                                                         << "Dreamweaver CS35";
        QTest::newRow("Backups is skipped") << "Adobe"
                                            << "Dreamweaver CS5 Backups"
                                            << "11.0"
                                            << "";
        QTest::newRow("Backups anywhere is skipped") << "Adobe"
                                                     << "Dreamweaver OldBackupsCS5"
                                                     << "11.0"
                                                     << "";
        QTest::newRow("lower-case backups is listed") << "Adobe"
                                                      << "Dreamweaver CS5 backups"
                                                      << "11.0"
                                                      << "Dreamweaver CS5 backups";
        QTest::newRow("version 12 is listed") << "Adobe"
                                              << "Dreamweaver CS6"
                                              << "12.0"
                                              << "Dreamweaver CS6";
        QTest::newRow("version 13 is left to the database") << "Adobe"
                                                            << "Dreamweaver CC"
                                                            << "13.0"
                                                            << "";
        QTest::newRow("version 14 is left to the database") << "Adobe"
                                                            << "Dreamweaver CC 2014"
                                                            << "14.1"
                                                            << "";
        QTest::newRow("version 19 is left to the database") << "Adobe"
                                                            << "Dreamweaver CC 2019"
                                                            << "19.2.1"
                                                            << "";
        QTest::newRow("version 20 is listed") << "Adobe"
                                              << "Dreamweaver 2020"
                                              << "20.0"
                                              << "Dreamweaver 2020";
        QTest::newRow("no version.xml counts as version 0") << "Adobe"
                                                            << "Dreamweaver Old"
                                                            << "-"
                                                            << "Dreamweaver Old";
        QTest::newRow("name without the space is not an installation") << "Adobe"
                                                                       << "DreamweaverCS6"
                                                                       << "12.0"
                                                                       << "";
        QTest::newRow("name matched without regard to case") << "Adobe"
                                                             << "dreamweaver cs6"
                                                             << "12.0"
                                                             << "dreamweaver cs6";
        QTest::newRow("other publisher folders are not searched") << "Velkor"
                                                                  << "Dreamweaver CS6"
                                                                  << "12.0"
                                                                  << "";
    }

    void addFromProgramFolders()
    {
        QFETCH(QString, vendor);
        QFETCH(QString, folder);
        QFETCH(QString, version);
        QFETCH(QString, label);

        const QString userFolder = appData() + "/" + vendor + "/" + folder;
        QVERIFY(DiscoveryFixtures::makeFolder(userFolder + "/en_US/Configuration"));
        if (version != "-")
            QVERIFY(DiscoveryFixtures::writeFile(
                userFolder + "/en_US/Configuration/version.xml", DiscoveryFixtures::versionXml(version)));
        QVERIFY(DiscoveryFixtures::makeFolder(programFiles() + "/" + vendor + "/" + vendor + " " + folder));

        DreamweaverInfo::buildDreamweaverList(noDatabase());

        const QList<DreamweaverInfo>& list = DreamweaverInfo::installations();
        if (label.isEmpty()) {
            QVERIFY(list.isEmpty());
            return;
        }
        QCOMPARE(list.size(), 1);
        const DreamweaverInfo& info = list.first();
        QCOMPARE(info.name(), label);
        QCOMPARE(info.vendor(), vendor);
        QCOMPARE(info.userFolder(), userFolder);
        QCOMPARE(info.locales(), QStringList { "en_US" });
        QCOMPARE(info.version(), version == "-" ? QString() : version);
        QVERIFY(info.productId().isEmpty());
    }

    void installationWithoutProgramFolderIsLeftOut()
    {
        QVERIFY(DiscoveryFixtures::makeFolder(appData() + "/Adobe/Dreamweaver CS6/en_US/Configuration"));
        DreamweaverInfo::buildDreamweaverList(noDatabase());
        QVERIFY(DreamweaverInfo::installations().isEmpty());
    }

    void localeFoldersAreFoundByPattern()
    {
        const QString userFolder = appData() + "/Adobe/Dreamweaver CS6";
        for (const char* name : { "en_US", "de_de", "Configuration", "english", "en-US", "en_USA", ".x_yz" })
            QVERIFY(DiscoveryFixtures::makeFolder(userFolder + "/" + name));
        QVERIFY(DiscoveryFixtures::writeFile(userFolder + "/fr_FR", "a file, not a folder"));
        QVERIFY(DiscoveryFixtures::makeFolder(programFiles() + "/Adobe/Adobe Dreamweaver CS6"));

        DreamweaverInfo::buildDreamweaverList(noDatabase());

        QCOMPARE(DreamweaverInfo::installations().size(), 1);
        QStringList locales = DreamweaverInfo::installations().first().locales();
        locales.sort();
        QCOMPARE(locales, (QStringList { "de_de", "en_US" }));
    }

    void sameInstallationInTwoFoldersIsListedTwiceAndSorted()
    {
        const struct
        {
            const char* vendor;
            const char* folder;
            const char* version;
        } installs[] = { { "Macromedia", "Dreamweaver 8", "8.0" }, { "Adobe", "Dreamweaver CS6", "12.0" },
            { "Adobe", "Dreamweaver CS6 Copy", "12.0" }, { "Adobe", "Dreamweaver 2021", "21.0" } };
        for (const auto& install : installs) {
            const QString userFolder = appData() + "/" + install.vendor + "/" + install.folder;
            QVERIFY(DiscoveryFixtures::writeFile(
                userFolder + "/Configuration/version.xml", DiscoveryFixtures::versionXml(install.version)));
            QVERIFY(DiscoveryFixtures::makeFolder(
                programFiles() + "/" + install.vendor + "/" + install.vendor + " " + install.folder));
        }

        DreamweaverInfo::buildDreamweaverList(noDatabase());

        QStringList versions;
        for (const DreamweaverInfo& info : DreamweaverInfo::installations())
            versions.append(info.version());
        QCOMPARE(versions, (QStringList { "21.0", "12.0", "12.0", "8.0" }));
        QCOMPARE(DreamweaverInfo::installations().first().locales(), QStringList { QString() });
    }

    void applicationDataFallsBackToTheUserProfile()
    {
        m_environment->unset("APPDATA");
        m_environment->set("USERPROFILE", m_root.path());
        const QString userFolder = appData() + "/Adobe/Dreamweaver CS6";
        QVERIFY(DiscoveryFixtures::makeFolder(userFolder));
        QVERIFY(DiscoveryFixtures::makeFolder(programFiles() + "/Adobe/Adobe Dreamweaver CS6"));

        DreamweaverInfo::buildDreamweaverList(noDatabase());

        QCOMPARE(QDir::cleanPath(DreamweaverInfo::applicationDataFolder()), appData());
        QCOMPARE(DreamweaverInfo::installations().size(), 1);
        QCOMPARE(DreamweaverInfo::installations().first().userFolder(), userFolder);
    }
};

QTEST_GUILESS_MAIN(TestProgramFolders)
#include "tst_programfolders.moc"
