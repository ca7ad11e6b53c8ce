#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"

#include <QtTest>
#include <algorithm>

using Numbers = QVector<int>;

static Numbers numbersOf(const QString& version)
{
    DreamweaverInfo info("Dreamweaver", "Adobe", "/dw", {});
    info.setVersion(version);
    const auto numbers = info.versionNumbers();
    return Numbers(numbers.begin(), numbers.end());
}

class TestDreamweaverInfo : public QObject
{
    Q_OBJECT

private slots:
    void setVersion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Numbers>("numbers");
        QTest::newRow("four parts") << "19.0.1.10101" << Numbers { 19, 0, 1, 10101 };
        QTest::newRow("empty is four zeros") << "" << Numbers { 0, 0, 0, 0 };
        QTest::newRow("trailing dot, empty middle part") << "12..3." << Numbers { 12, 0, 3, 0 };
        QTest::newRow("signs and white space") << " -1 .+2\t" << Numbers { -1, 2, 0, 0 };
        QTest::newRow("other characters make a part zero") << "12a.3.0x1.1 2" << Numbers { 0, 3, 0, 0 };
        QTest::newRow("parts after the fourth ignored") << "1.2.3.4.5" << Numbers { 1, 2, 3, 4 };
        QTest::newRow("signed 32-bit limits") << "2147483647.-2147483648" << Numbers { INT_MAX, INT_MIN, 0, 0 };
        QTest::newRow("beyond the limits is zero")
            << "2147483648.-2147483649.99999999999999999999.7" << Numbers { 0, 0, 0, 7 };
    }

    void setVersion()
    {
        QFETCH(QString, text);
        QFETCH(Numbers, numbers);
        QCOMPARE(numbersOf(text), numbers);
    }

    void sortHighestFirst_data()
    {
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("empty version last")
            << QStringList { "12.0", "11.5", "20.1", "" } << QStringList { "20.1", "12.0", "11.5", "" };
        QTest::newRow("fourth number decides") << QStringList { "10", "10.0.0.1" } << QStringList { "10.0.0.1", "10" };
        QTest::newRow("signed, number by number")
            << QStringList { "-1", "9.100", "0", "10", "9.99" } << QStringList { "10", "9.100", "9.99", "0", "-1" };
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
        std::sort(list.begin(), list.end(), DreamweaverInfo::isNewerThan);
        QStringList actual;
        for (const DreamweaverInfo& info : list)
            actual.append(info.version());
        QCOMPARE(actual, sorted);

        DreamweaverInfo plain("a", "Adobe", "/a", {}), full("b", "Adobe", "/b", {});
        plain.setVersion("10");
        full.setVersion("10.0.0.0");
        QVERIFY(!DreamweaverInfo::isNewerThan(plain, full) && !DreamweaverInfo::isNewerThan(full, plain));
    }

    void folderRules()
    {
        const DreamweaverInfo none("Dreamweaver", "Adobe", "C:/A/B", {});
        QCOMPARE(none.locales(), QStringList { QString() });
        QCOMPARE(none.extensionStoreFolder(QString()), QStringLiteral("C:/A/B/Configuration/Shared/Velkor/MXI"));
        const DreamweaverInfo two("Dreamweaver", "Adobe", "C:/A/B", { "fr_FR", "en_US" });
        QCOMPARE(two.locales(), (QStringList { "fr_FR", "en_US" }));
        QCOMPARE(two.localeFolder("en_US"), QStringLiteral("C:/A/B/en_US"));
        QCOMPARE(two.extensionStoreFolder("en_US"), QStringLiteral("C:/A/B/en_US/Configuration/Shared/Velkor/MXI"));
    }

    void resolveDestination_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("folder");
        QTest::newRow("token and folder") << "en_US"
                                          << "$dreamweaver/Configuration/Commands"
                                          << "/u/DW/en_US/Configuration/Commands";
        QTest::newRow("empty locale, token alone") << ""
                                                   << "$dreamweaver/Configuration"
                                                   << "/u/DW/Configuration";
        QTest::newRow("any case, the rest as written") << "en_US"
                                                       << "$DreamWeaver/configuration/My Stuff/"
                                                       << "/u/DW/en_US/Configuration/My Stuff/";
        QTest::newRow("climbing inside stays") << "en_US"
                                               << "$dreamweaver/Configuration/A/../B"
                                               << "/u/DW/en_US/Configuration/A/../B";
        QTest::newRow("no token refused") << "en_US"
                                          << "Commands"
                                          << "";
        QTest::newRow("absolute path refused") << "en_US"
                                               << "/etc"
                                               << "";
        QTest::newRow("other tokens refused") << "en_US"
                                              << "$fonts/Velkor"
                                              << "";
        QTest::newRow("token not at the start refused") << "en_US"
                                                        << "/tmp/$dreamweaver/Configuration"
                                                        << "";
        QTest::newRow("climbing out refused") << "en_US"
                                              << "$dreamweaver/Configuration/../../x"
                                              << "";
        QTest::newRow("climbing out by backslash refused") << "en_US"
                                                           << "$dreamweaver/Configuration\\..\\x"
                                                           << "";
        QTest::newRow("sibling with a longer name refused") << "en_US"
                                                            << "$dreamweaver/Configuration/../ConfigurationX"
                                                            << "";
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
        const QString v12 = DiscoveryFixtures::versionXml("12.0.1");
        QTest::newRow("first locale wins")
            << "DW" << QStringList { DiscoveryFixtures::versionXml("11.0"), v12 } << "11.0";
        QTest::newRow("missing file, next locale") << "DW" << QStringList { "-", v12 } << "12.0.1";
        QTest::newRow("first installinfo without versionnum, next locale")
            << "DW" << QStringList { "<v><installinfo/><installinfo versionnum=\"5\"/></v>", v12 } << "12.0.1";
        QTest::newRow("unparsable, next locale") << "DW" << QStringList { "<v><", v12 } << "12.0.1";
        QTest::newRow("nothing usable is empty") << "DW" << QStringList { "<other/>", "-" } << "";
        QTest::newRow("CS4 saying 9.0 is 10.0")
            << "Dreamweaver CS4" << QStringList { DiscoveryFixtures::versionXml("9.0"), "-" } << "10.0";
        QTest::newRow("others saying 9.0 keep it")
            << "Dreamweaver CS3" << QStringList { DiscoveryFixtures::versionXml("9.0"), "-" } << "9.0";
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
