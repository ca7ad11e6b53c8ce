#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"
#include "support/TestRows.h"

#include <QtTest>
#include <algorithm>

using Numbers = QVector<int>;

class TestDreamweaverInfo : public QObject
{
    Q_OBJECT

private slots:
    void setVersion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Numbers>("numbers");
        QTest::newRow("empty is four zeros") << "" << Numbers { 0, 0, 0, 0 };
        QTest::newRow("trailing dot, empty middle part") << "12..3." << Numbers { 12, 0, 3, 0 };
        QTest::newRow("signs and white space") << " -1 .+2\t" << Numbers { -1, 2, 0, 0 };
        QTest::newRow("other characters make a part zero") << "12a.3.0x1.1 2" << Numbers { 0, 3, 0, 0 };
        QTest::newRow("parts after the fourth ignored") << "1.2.3.4.5" << Numbers { 1, 2, 3, 4 };
        QTest::newRow("signed 32-bit limits, beyond them zero")
            << "2147483647.-2147483648.2147483648.-2147483649" << Numbers { INT_MAX, INT_MIN, 0, 0 };
    }

    void setVersion()
    {
        QFETCH(QString, text);
        QFETCH(Numbers, numbers);
        DreamweaverInfo info("Dreamweaver", "Adobe", "/dw", {});
        info.setVersion(text);
        const auto actual = info.versionNumbers();
        QCOMPARE(Numbers(actual.begin(), actual.end()), numbers);
    }

    void sortHighestFirst_data()
    {
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("number by number, signed, empty as zero") << QStringList { "12.0", "", "-1", "9.100", "10",
            "9.99", "10.0.0.1" } << QStringList { "12.0", "10.0.0.1", "10", "9.100", "9.99", "", "-1" };
        // A stable sort keeps equal versions in their order.
        QTest::newRow("10 and 10.0.0.0 are equal")
            << QStringList { "10", "10.0.0.0" } << QStringList { "10", "10.0.0.0" };
    }

    void sortHighestFirst()
    {
        QFETCH(QStringList, versions);
        QFETCH(QStringList, sorted);
        QList<DreamweaverInfo> list;
        for (const QString& version : versions) {
            list.append(DreamweaverInfo("Dreamweaver", "Adobe", "/dw", {}));
            list.last().setVersion(version);
        }
        std::stable_sort(list.begin(), list.end(), DreamweaverInfo::isNewerThan);
        QStringList actual;
        for (const DreamweaverInfo& info : list)
            actual.append(info.version());
        QCOMPARE(actual, sorted);
    }

    void folderRules()
    {
        const DreamweaverInfo none("Dreamweaver", "Adobe", "C:/A/B", {});
        QCOMPARE(none.locales(), QStringList { QString() });
        QCOMPARE(none.extensionStoreFolder(QString()), QStringLiteral("C:/A/B/Configuration/Shared/Velkor/MXI"));
        const DreamweaverInfo two("Dreamweaver", "Adobe", "C:/A/B", { "fr_FR", "en_US" });
        QCOMPARE(two.extensionStoreFolder("en_US"), QStringLiteral("C:/A/B/en_US/Configuration/Shared/Velkor/MXI"));
    }

    void resolveDestination_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("folder"); // empty: refused
        addTestRow("empty locale, token alone", "", "$dreamweaver/Configuration", "/u/DW/Configuration");
        addTestRow("any case, the rest as written", "en_US", "$DreamWeaver/configuration/My Stuff/",
            "/u/DW/en_US/Configuration/My Stuff/");
        addTestRow(
            "climbing inside stays", "en_US", "$dreamweaver/Configuration/A/../B", "/u/DW/en_US/Configuration/A/../B");
        addTestRow("no token refused", "en_US", "Commands", "");
        addTestRow("other tokens refused", "en_US", "$fonts/Velkor", "");
        addTestRow("token not at the start refused", "en_US", "/tmp/$dreamweaver/Configuration", "");
        addTestRow("climbing out by backslash refused", "en_US", "$dreamweaver/Configuration\\..\\x", "");
        addTestRow("sibling with a longer name refused", "en_US", "$dreamweaver/Configuration/../ConfigurationX", "");
    }

    void resolveDestination()
    {
        QFETCH(QString, locale);
        QFETCH(QString, destination);
        QFETCH(QString, folder);
        const DreamweaverInfo info("Dreamweaver", "Adobe", "/u/DW", { "en_US" });
        QCOMPARE(info.resolveDestination(destination, locale), folder);
    }

    void readVersionFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("files"); // one version.xml per locale de_DE, en_US; "-": none
        QTest::addColumn<QString>("version");
        const QString v11 = DiscoveryFixtures::versionXml("11.0"), v12 = DiscoveryFixtures::versionXml("12.0.1");
        QTest::newRow("first locale wins") << "DW" << QStringList { v11, v12 } << "11.0";
        QTest::newRow("missing file, next locale") << "DW" << QStringList { "-", v12 } << "12.0.1";
        QTest::newRow("first installinfo without versionnum, next locale")
            << "DW" << QStringList { "<v><installinfo/><installinfo versionnum=\"5\"/></v>", v12 } << "12.0.1";
        QTest::newRow("unparsable, next locale") << "DW" << QStringList { "<v><", v12 } << "12.0.1";
        QTest::newRow("over 1 MiB, next locale")
            << "DW" << QStringList { v11.leftJustified(1 << 20, ' ') + ' ', v12 } << "12.0.1";
        QTest::newRow("nothing usable is empty") << "DW" << QStringList { "<other/>", "-" } << "";
        const QStringList v9 { DiscoveryFixtures::versionXml("9.0"), "-" };
        addTestRow("CS4 saying 9.0 is 10.0", "Dreamweaver CS4", v9, "10.0");
        addTestRow("others saying 9.0 keep it", "Dreamweaver CS3", v9, "9.0");
    }

    void readVersionFile()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, files);
        QFETCH(QString, version);
        QTemporaryDir root;
        DreamweaverInfo info(name, "Adobe", root.path(), { "de_DE", "en_US" });
        for (int i = 0; i < files.size(); ++i) {
            const QString path = info.configurationFolder(info.locales().at(i)) + "/version.xml";
            QVERIFY(files.at(i) == "-" || DiscoveryFixtures::writeFile(path, files.at(i).toUtf8()));
        }
        info.setVersion("99");
        info.readVersionFile();
        QCOMPARE(info.version(), version);
        QCOMPARE(info.versionNumbers()[0], version.section('.', 0, 0).toInt());
    }
};

QTEST_GUILESS_MAIN(TestDreamweaverInfo)
#include "tst_dreamweaverinfo.moc"
