#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/ManifestFixtures.h"

#include <QtTest>

// The installed list read back from the manifests in the store folders.
class TestInstalledExtensions : public QObject
{
    Q_OBJECT

private:
    static QStringList describe(const QList<ExtensionInfo>& extensions)
    {
        QStringList lines;
        for (const ExtensionInfo& extension : extensions)
            lines.append(extension.author() + ": " + extension.name());
        return lines;
    }

private slots:
    void order_data()
    {
        QTest::addColumn<QStringList>("stored"); // "author: name", one file each
        QTest::addColumn<QStringList>("listed");

        QTest::newRow("publisher first, then authors by code unit")
            << QStringList { "alpha: A", "Beta: B", ": C", "Velkor: D" }
            << QStringList { "Velkor: D", ": C", "Beta: B", "alpha: A" };
        QTest::newRow("same author by name, capitals first")
            << QStringList { "Acme: apple", "Acme: Zed", "Acme: Apple" }
            << QStringList { "Acme: Apple", "Acme: Zed", "Acme: apple" };
        QTest::newRow("publisher's own by name")
            << QStringList { "Velkor: Tables", "Acme: Forms", "Velkor: Images" }
            << QStringList { "Velkor: Images", "Velkor: Tables", "Acme: Forms" };
        QTest::newRow("publisher is matched exactly")
            << QStringList { "velkor: x", "Velkor Labs: y", "Velkor: z", "Acme: w" }
            << QStringList { "Velkor: z", "Acme: w", "Velkor Labs: y", "velkor: x" };
        QTest::newRow("a proper prefix is less") << QStringList { "Ann: Table Tools", "Ann: Table" }
                                                 << QStringList { "Ann: Table", "Ann: Table Tools" };
    }

    void order()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, listed);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), { "en_US" });
        for (int i = 0; i < stored.size(); ++i) {
            const QStringList parts = stored.at(i).split(": ");
            QVERIFY(ManifestFixtures::store(info.extensionStoreFolder("en_US"), QString("ext%1.mxi").arg(i),
                QString("id%1").arg(i), parts.at(1), parts.at(0)));
        }
        info.loadInstalledExtensions();
        QCOMPARE(describe(info.installedExtensions()), listed);
    }

    void sameFileNameInTwoLocalesIsListedOnceFromTheFirst_data()
    {
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QString>("name");

        QTest::newRow("en_US first") << QStringList { "en_US", "de_DE" } << "English";
        QTest::newRow("de_DE first") << QStringList { "de_DE", "en_US" } << "Deutsch";
    }

    void sameFileNameInTwoLocalesIsListedOnceFromTheFirst()
    {
        QFETCH(QStringList, locales);
        QFETCH(QString, name);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), locales);
        QVERIFY(ManifestFixtures::store(info.extensionStoreFolder("en_US"), "Sorter.mxi", "sorter", "English"));
        QVERIFY(ManifestFixtures::store(info.extensionStoreFolder("de_DE"), "Sorter.mxi", "sorter", "Deutsch"));
        // Same extension under another file name: listed separately.
        QVERIFY(ManifestFixtures::store(info.extensionStoreFolder("de_DE"), "sorter.mxi", "sorter", "Other"));

        info.loadInstalledExtensions();
        QCOMPARE(describe(info.installedExtensions()), (QStringList { "Velkor: " + name, "Velkor: Other" }));
    }

    void onlyManifestFilesAreListed()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), {});
        const QString store = info.extensionStoreFolder(QString());
        QCOMPARE(store, root.path() + "/Configuration/Shared/Velkor/MXI");
        QVERIFY(ManifestFixtures::store(store, "Lower.mxi", "a", "Lower"));
        QVERIFY(ManifestFixtures::store(store, "UPPER.MXI", "b", "Upper"));
        QVERIFY(ManifestFixtures::store(store, "notes.txt", "c", "Text"));
        QVERIFY(ManifestFixtures::store(store, "Lower.mxi.bak", "d", "Backup"));
        QVERIFY(ManifestFixtures::store(store + "/Folder.mxi", "Inner.mxi", "e", "Inner"));
        QVERIFY(ManifestFixtures::store(store, ".Hidden.mxi", "f", "Hidden"));
        QVERIFY(DiscoveryFixtures::writeFile(store + "/Empty.mxi", QByteArray()));
        QVERIFY(DiscoveryFixtures::writeFile(store + "/Broken.mxi", "<macromedia-extension name=\"Half"));

        info.loadInstalledExtensions();

        QStringList fileNames;
        for (const ExtensionInfo& extension : info.installedExtensions())
            fileNames.append(extension.fileName() + "=" + extension.name());
        fileNames.sort();
        QCOMPARE(fileNames, (QStringList { "Broken.mxi=", "Empty.mxi=", "Lower.mxi=Lower", "UPPER.MXI=Upper" }));
    }

    void reloadReplacesTheList()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), { "en_US" });
        const QString store = info.extensionStoreFolder("en_US");
        QVERIFY(ManifestFixtures::store(store, "One.mxi", "one", "One"));
        QVERIFY(ManifestFixtures::store(store, "Two.mxi", "two", "Two"));
        info.loadInstalledExtensions();
        QCOMPARE(info.installedExtensions().size(), 2);

        QVERIFY(QFile::remove(store + "/One.mxi"));
        info.loadInstalledExtensions();
        QCOMPARE(describe(info.installedExtensions()), QStringList { "Velkor: Two" });

        QVERIFY(QDir(store).removeRecursively());
        info.loadInstalledExtensions();
        QVERIFY(info.installedExtensions().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstalledExtensions)
#include "tst_installedextensions.moc"
