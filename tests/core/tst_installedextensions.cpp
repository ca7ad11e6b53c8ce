#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"

#include <QtTest>

// The installed list read back from the manifests in the store folders.
class TestInstalledExtensions : public QObject
{
    Q_OBJECT

private slots:
    void list_data()
    {
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QStringList>("stored"); // "locale/file|author|name" manifests, or "locale/file" empty
        QTest::addColumn<QStringList>("listed"); // "file author: name"
        const QStringList en { "en_US" };
        QTest::newRow("publisher, then authors by code unit")
            << en
            << QStringList { "en_US/a.mxi|alpha|A", "en_US/b.mxi|Beta|B", "en_US/c.mxi||C", "en_US/d.mxi|Velkor|D" }
            << QStringList { "d.mxi Velkor: D", "c.mxi : C", "b.mxi Beta: B", "a.mxi alpha: A" };
        QTest::newRow("names by code unit, prefix first")
            << en
            << QStringList { "en_US/a.mxi|Acme|apple", "en_US/b.mxi|Velkor|Tables", "en_US/c.mxi|Acme|Zed",
                   "en_US/d.mxi|Velkor|Table" }
            << QStringList { "d.mxi Velkor: Table", "b.mxi Velkor: Tables", "c.mxi Acme: Zed", "a.mxi Acme: apple" };
        QTest::newRow("publisher matched exactly")
            << en << QStringList { "en_US/a.mxi|velkor|x", "en_US/b.mxi|Velkor Labs|y", "en_US/c.mxi|Velkor|z" }
            << QStringList { "c.mxi Velkor: z", "b.mxi Velkor Labs: y", "a.mxi velkor: x" };
        // The same extension under another file name is another entry.
        const QStringList twoLocales { "en_US/S.mxi|Velkor|English", "de_DE/S.mxi|Velkor|Deutsch",
            "de_DE/s.mxi|Velkor|Same" };
        QTest::newRow("same file name once, from en_US first") << QStringList { "en_US",
            "de_DE" } << twoLocales << QStringList { "S.mxi Velkor: English", "s.mxi Velkor: Same" };
        QTest::newRow("same file name once, from de_DE first") << QStringList { "de_DE",
            "en_US" } << twoLocales << QStringList { "S.mxi Velkor: Deutsch", "s.mxi Velkor: Same" };
        QTest::newRow("only manifest files, empty ones too")
            << QStringList()
            << QStringList { "/UPPER.MXI|Velkor|Upper", "/notes.txt|Velkor|Text", "/Folder.mxi/Inner.mxi|Velkor|Inner",
                   "/.Hidden.mxi|Velkor|Hidden", "/Empty.mxi" }
            << QStringList { "UPPER.MXI Velkor: Upper", "Empty.mxi : " };
    }

    void list()
    {
        QFETCH(QStringList, locales);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, listed);
        QTemporaryDir root;
        DreamweaverInfo info("Dreamweaver CS6", "Adobe", root.path(), locales);
        for (const QString& manifest : stored) {
            const QStringList parts = manifest.split('|');
            const QString folder = info.extensionStoreFolder(parts[0].section('/', 0, 0)),
                          file = parts[0].section('/', 1);
            QVERIFY(parts.size() == 1 ? DiscoveryFixtures::writeFile(folder + '/' + file, QByteArray())
                                      : DiscoveryFixtures::storeManifest(folder, file, parts[2], parts[1]));
        }
        info.loadInstalledExtensions();
        QStringList actual;
        for (const ExtensionInfo& extension : info.installedExtensions())
            actual.append(extension.fileName() + " " + extension.author() + ": " + extension.name());
        QCOMPARE(actual, listed);
        // A reload replaces the list: with the manifests gone, it is empty.
        QVERIFY(QDir(root.path()).removeRecursively());
        info.loadInstalledExtensions();
        QVERIFY(info.installedExtensions().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstalledExtensions)
#include "tst_installedextensions.moc"
