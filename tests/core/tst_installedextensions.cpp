#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"

#include <QtTest>

// The installed list read back from the manifests in the store folders.
class TestInstalledExtensions : public QObject
{
    Q_OBJECT

    static QStringList listed(const DreamweaverInfo& info)
    {
        QStringList lines;
        for (const ExtensionInfo& extension : info.installedExtensions())
            lines.append(extension.fileName() + " " + extension.author() + ": " + extension.name());
        return lines;
    }

private slots:
    void order_data()
    {
        QTest::addColumn<QStringList>("stored"); // "author: name", one file each
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("publisher, then authors by code unit") << QStringList { "alpha: A", "Beta: B", ": C",
            "Velkor: D" } << QStringList { "Velkor: D", ": C", "Beta: B", "alpha: A" };
        QTest::newRow("names by code unit, prefix first") << QStringList { "Acme: apple", "Velkor: Tables", "Acme: Zed",
            "Velkor: Table" } << QStringList { "Velkor: Table", "Velkor: Tables", "Acme: Zed", "Acme: apple" };
        QTest::newRow("publisher matched exactly") << QStringList { "velkor: x", "Velkor Labs: y", "Velkor: z" }
                                                   << QStringList { "Velkor: z", "Velkor Labs: y", "velkor: x" };
    }

    void order()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, sorted);
        QTemporaryDir root;
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), { "en_US" });
        for (int i = 0; i < stored.size(); ++i)
            QVERIFY(DiscoveryFixtures::storeManifest(info.extensionStoreFolder("en_US"), QString("%1.mxi").arg(i),
                stored.at(i).section(": ", 1), stored.at(i).section(": ", 0, 0)));
        info.loadInstalledExtensions();
        QStringList actual = listed(info);
        for (QString& line : actual)
            line = line.section(' ', 1);
        QCOMPARE(actual, sorted);
    }

    void sameFileNameIsListedOnceFromTheFirstLocale_data()
    {
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QString>("name");
        QTest::newRow("en_US first") << QStringList { "en_US", "de_DE" } << "English";
        QTest::newRow("de_DE first") << QStringList { "de_DE", "en_US" } << "Deutsch";
    }

    void sameFileNameIsListedOnceFromTheFirstLocale()
    {
        QFETCH(QStringList, locales);
        QFETCH(QString, name);
        QTemporaryDir root;
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), locales);
        QVERIFY(DiscoveryFixtures::storeManifest(info.extensionStoreFolder("en_US"), "S.mxi", "English", "Velkor"));
        QVERIFY(DiscoveryFixtures::storeManifest(info.extensionStoreFolder("de_DE"), "S.mxi", "Deutsch", "Velkor"));
        // The same extension under another file name is another entry.
        QVERIFY(DiscoveryFixtures::storeManifest(info.extensionStoreFolder("de_DE"), "s.mxi", "Same", "Velkor"));
        info.loadInstalledExtensions();
        QCOMPARE(listed(info), (QStringList { "S.mxi Velkor: " + name, "s.mxi Velkor: Same" }));
    }

    void onlyManifestFilesAreListedAndReloadReplaces()
    {
        QTemporaryDir root;
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), {});
        const QString store = root.path() + "/Configuration/Shared/Velkor/MXI";
        QVERIFY(DiscoveryFixtures::storeManifest(store, "UPPER.MXI", "Upper", "Velkor"));
        QVERIFY(DiscoveryFixtures::storeManifest(store, "notes.txt", "Text", "Velkor"));
        QVERIFY(DiscoveryFixtures::storeManifest(store + "/Folder.mxi", "Inner.mxi", "Inner", "Velkor"));
        QVERIFY(DiscoveryFixtures::storeManifest(store, ".Hidden.mxi", "Hidden", "Velkor"));
        QVERIFY(DiscoveryFixtures::writeFile(store + "/Empty.mxi", QByteArray()));
        info.loadInstalledExtensions();
        QCOMPARE(listed(info), (QStringList { "UPPER.MXI Velkor: Upper", "Empty.mxi : " }));

        QVERIFY(QDir(store).removeRecursively());
        info.loadInstalledExtensions();
        QVERIFY(info.installedExtensions().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstalledExtensions)
#include "tst_installedextensions.moc"
