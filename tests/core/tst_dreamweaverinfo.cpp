#include "discovery/DreamweaverInfo.h"
#include "support/DiscoveryFixtures.h"

#include <QtTest>
#include <algorithm>
#include <climits>

using Numbers = QVector<int>;

namespace {
Numbers numbersOf(const DreamweaverInfo& info)
{
    const auto numbers = info.versionNumbers();
    return Numbers(numbers.begin(), numbers.end());
}

DreamweaverInfo withVersion(const QString& version)
{
    DreamweaverInfo info(QStringLiteral("Dreamweaver"), QStringLiteral("Adobe"), QStringLiteral("/dw"), {});
    info.setVersion(version);
    return info;
}
} // namespace

class TestDreamweaverInfo : public QObject
{
    Q_OBJECT

private slots:
    void setVersionReadsFourSignedParts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Numbers>("numbers");

        QTest::newRow("major and minor") << "11.5" << Numbers { 11, 5, 0, 0 };
        QTest::newRow("four parts") << "19.0.1.10101" << Numbers { 19, 0, 1, 10101 };
        QTest::newRow("empty is four zeros") << "" << Numbers { 0, 0, 0, 0 };
        QTest::newRow("trailing dot gives an empty part") << "12." << Numbers { 12, 0, 0, 0 };
        QTest::newRow("empty middle part") << "12..3" << Numbers { 12, 0, 3, 0 };
        QTest::newRow("signed parts") << "-1.+2.-0.3" << Numbers { -1, 2, 0, 3 };
        QTest::newRow("white space around a part") << " 3 .\t4 " << Numbers { 3, 4, 0, 0 };
        QTest::newRow("space inside a part") << "1 2.5" << Numbers { 0, 5, 0, 0 };
        QTest::newRow("letters make the part zero") << "12a.3" << Numbers { 0, 3, 0, 0 };
        QTest::newRow("hexadecimal is not read") << "0x10.1" << Numbers { 0, 1, 0, 0 };
        QTest::newRow("sign without digits") << "-.5" << Numbers { 0, 5, 0, 0 };
        QTest::newRow("parts after the fourth ignored") << "1.2.3.4.5" << Numbers { 1, 2, 3, 4 };
        QTest::newRow("largest int") << "2147483647" << Numbers { INT_MAX, 0, 0, 0 };
        QTest::newRow("smallest int") << "-2147483648" << Numbers { INT_MIN, 0, 0, 0 };
        QTest::newRow("one past the largest int") << "2147483648.7" << Numbers { 0, 7, 0, 0 };
        QTest::newRow("one below the smallest int") << "-2147483649.7" << Numbers { 0, 7, 0, 0 };
        QTest::newRow("far beyond 64 bits") << "99999999999999999999999.1" << Numbers { 0, 1, 0, 0 };
        QTest::newRow("leading zeros") << "007.08" << Numbers { 7, 8, 0, 0 };
    }

    void setVersionReadsFourSignedParts()
    {
        QFETCH(QString, text);
        QFETCH(Numbers, numbers);

        DreamweaverInfo info = withVersion(QStringLiteral("20.0"));
        info.setVersion(text);
        QCOMPARE(info.version(), text);
        QCOMPARE(numbersOf(info), numbers);
    }

    void listIsSortedHighestVersionFirst_data()
    {
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QList<Numbers>>("sorted");

        QTest::newRow("empty version comes last") << QStringList { "12.0", "11.5", "20.1",
            "" } << QList<Numbers> { { 20, 1, 0, 0 }, { 12, 0, 0, 0 }, { 11, 5, 0, 0 }, { 0, 0, 0, 0 } };
        QTest::newRow("fourth number decides") << QStringList { "10", "10.0.0.1", "10.0.0.0" }
                                               << QList<Numbers> { { 10, 0, 0, 1 }, { 10, 0, 0, 0 }, { 10, 0, 0, 0 } };
        QTest::newRow("negative parts compare signed")
            << QStringList { "-1", "0", "0.-3" } << QList<Numbers> { { 0, 0, 0, 0 }, { 0, -3, 0, 0 }, { -1, 0, 0, 0 } };
        QTest::newRow("first differing number decides, not the sum") << QStringList { "9.99", "10.0",
            "9.100" } << QList<Numbers> { { 10, 0, 0, 0 }, { 9, 100, 0, 0 }, { 9, 99, 0, 0 } };
    }

    void listIsSortedHighestVersionFirst()
    {
        QFETCH(QStringList, versions);
        QFETCH(QList<Numbers>, sorted);

        QList<DreamweaverInfo> list;
        for (const QString& version : versions)
            list.append(withVersion(version));
        std::sort(list.begin(), list.end(), DreamweaverInfo::isNewerThan);

        QList<Numbers> actual;
        for (const DreamweaverInfo& info : list)
            actual.append(numbersOf(info));
        QCOMPARE(actual, sorted);
    }

    void equalNumbersAreEquivalent()
    {
        const DreamweaverInfo plain = withVersion(QStringLiteral("10"));
        const DreamweaverInfo full = withVersion(QStringLiteral("10.0.0.0"));
        QVERIFY(!DreamweaverInfo::isNewerThan(plain, full));
        QVERIFY(!DreamweaverInfo::isNewerThan(full, plain));
    }

    void folderRules_data()
    {
        QTest::addColumn<QStringList>("locales");
        QTest::addColumn<QStringList>("expectedLocales");
        QTest::addColumn<QStringList>("storeFolders");

        QTest::newRow("no locales uses the user folder itself")
            << QStringList() << QStringList { "" } << QStringList { "C:/A/B/Configuration/Shared/Velkor/MXI" };
        QTest::newRow("one locale") << QStringList { "en_US" } << QStringList { "en_US" }
                                    << QStringList { "C:/A/B/en_US/Configuration/Shared/Velkor/MXI" };
        QTest::newRow("two locales keep their order")
            << QStringList { "fr_FR", "de_DE" } << QStringList { "fr_FR", "de_DE" }
            << QStringList { "C:/A/B/fr_FR/Configuration/Shared/Velkor/MXI",
                   "C:/A/B/de_DE/Configuration/Shared/Velkor/MXI" };
    }

    void folderRules()
    {
        QFETCH(QStringList, locales);
        QFETCH(QStringList, expectedLocales);
        QFETCH(QStringList, storeFolders);

        const DreamweaverInfo info(
            QStringLiteral("Dreamweaver CS6"), QStringLiteral("Adobe"), QStringLiteral("C:/A/B"), locales);
        QCOMPARE(info.locales(), expectedLocales);
        QStringList actual;
        for (const QString& locale : info.locales()) {
            const QString localeFolder = locale.isEmpty() ? QStringLiteral("C:/A/B") : "C:/A/B/" + locale;
            QCOMPARE(info.localeFolder(locale), localeFolder);
            QCOMPARE(info.configurationFolder(locale), localeFolder + "/Configuration");
            actual.append(info.extensionStoreFolder(locale));
        }
        QCOMPARE(actual, storeFolders);
    }

    void readVersionFileTakesTheFirstUsableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("locales");
        // One version.xml text per locale; "-" means no file.
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("version");

        const QString v12 = DiscoveryFixtures::versionXml("12.0.1");
        const QString v11 = DiscoveryFixtures::versionXml("11.0");
        const QString noNumber
            = "<versioninfo><installinfo build=\"1\"/><installinfo versionnum=\"5.0\"/></versioninfo>";

        QTest::newRow("first locale wins")
            << "Dreamweaver CS6" << QStringList { "de_DE", "en_US" } << QStringList { v11, v12 } << "11.0";
        QTest::newRow("missing file tries the next locale")
            << "Dreamweaver CS6" << QStringList { "de_DE", "en_US" } << QStringList { "-", v12 } << "12.0.1";
        QTest::newRow("first installinfo without versionnum tries the next locale")
            << "Dreamweaver CS6" << QStringList { "de_DE", "en_US" } << QStringList { noNumber, v11 } << "11.0";
        QTest::newRow("unparsable file tries the next locale")
            << "Dreamweaver CS6" << QStringList { "de_DE", "en_US" } << QStringList { "<versioninfo><", v11 } << "11.0";
        QTest::newRow("no installinfo tries the next locale")
            << "Dreamweaver CS6" << QStringList { "de_DE", "en_US" } << QStringList { "<other/>", v11 } << "11.0";
        QTest::newRow("nothing usable gives an empty version")
            << "Dreamweaver CS6" << QStringList { "de_DE", "en_US" } << QStringList { noNumber, "-" } << "";
        QTest::newRow("installinfo nested anywhere")
            << "Dreamweaver CS6" << QStringList { "en_US" }
            << QStringList { "<a><b><installinfo versionnum=\"8.0.2\"/></b></a>" } << "8.0.2";
        QTest::newRow("no locales reads the user folder's configuration")
            << "Dreamweaver CS6" << QStringList {} << QStringList { v12 } << "12.0.1";
        QTest::newRow("CS4 saying 9.0 is 10.0") << "Dreamweaver CS4" << QStringList { "en_US" }
                                                << QStringList { DiscoveryFixtures::versionXml("9.0") } << "10.0";
        QTest::newRow("another folder saying 9.0 keeps it")
            << "Dreamweaver CS3" << QStringList { "en_US" } << QStringList { DiscoveryFixtures::versionXml("9.0") }
            << "9.0";
        QTest::newRow("CS4 saying 9.0.1 keeps it") << "Dreamweaver CS4" << QStringList { "en_US" }
                                                   << QStringList { DiscoveryFixtures::versionXml("9.0.1") } << "9.0.1";
    }

    void readVersionFileTakesTheFirstUsableFile()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, locales);
        QFETCH(QStringList, files);
        QFETCH(QString, version);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        DreamweaverInfo info(name, QStringLiteral("Adobe"), root.path(), locales);
        for (int i = 0; i < files.size(); ++i) {
            if (files.at(i) != QLatin1String("-")) {
                const QString path = info.configurationFolder(info.locales().at(i)) + "/version.xml";
                QVERIFY(DiscoveryFixtures::writeFile(path, files.at(i).toUtf8()));
            }
        }
        info.setVersion(QStringLiteral("99.9"));
        info.readVersionFile();
        QCOMPARE(info.version(), version);
        QCOMPARE(info.versionNumbers()[0], version.isEmpty() ? 0 : version.split('.').first().toInt());
    }

    void resolveDestination_data();
    void resolveDestination();
};

void TestDreamweaverInfo::resolveDestination_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("folder");

    QTest::newRow("token then a folder") << "en_US"
                                         << "$dreamweaver/Configuration/Commands"
                                         << "/u/DW/en_US/Configuration/Commands";
    QTest::newRow("token alone") << "en_US"
                                 << "$dreamweaver/Configuration"
                                 << "/u/DW/en_US/Configuration";
    QTest::newRow("empty locale") << ""
                                  << "$dreamweaver/Configuration/Objects/Common"
                                  << "/u/DW/Configuration/Objects/Common";
    QTest::newRow("capital D") << "en_US"
                               << "$Dreamweaver/Configuration/Commands"
                               << "/u/DW/en_US/Configuration/Commands";
    QTest::newRow("small c") << "en_US"
                             << "$dreamweaver/configuration/Shared/Velkor"
                             << "/u/DW/en_US/Configuration/Shared/Velkor";
    QTest::newRow("all capitals, text after kept as written") << "en_US"
                                                              << "$DREAMWEAVER/CONFIGURATION/Commands/MyStuff"
                                                              << "/u/DW/en_US/Configuration/Commands/MyStuff";
    QTest::newRow("trailing slash kept") << "en_US"
                                         << "$dreamweaver/Configuration/Commands/"
                                         << "/u/DW/en_US/Configuration/Commands/";
    QTest::newRow("climbing inside stays allowed") << "en_US"
                                                   << "$dreamweaver/Configuration/Commands/../Objects"
                                                   << "/u/DW/en_US/Configuration/Commands/../Objects";
    QTest::newRow("no token is refused") << "en_US"
                                         << "Commands"
                                         << "";
    QTest::newRow("absolute path is refused") << "en_US"
                                              << "/etc/profile.d"
                                              << "";
    QTest::newRow("empty destination is refused") << "en_US"
                                                  << ""
                                                  << "";
    QTest::newRow("other tokens are refused") << "en_US"
                                              << "$fonts/Velkor"
                                              << "";
    QTest::newRow("climbing out is refused") << "en_US"
                                             << "$dreamweaver/Configuration/../../../etc"
                                             << "";
    QTest::newRow("climbing out with backslashes is refused") << "en_US"
                                                              << "$dreamweaver/Configuration\\..\\..\\x"
                                                              << "";
    QTest::newRow("sibling with a longer name is refused") << "en_US"
                                                           << "$dreamweaver/Configuration/../ConfigurationX"
                                                           << "";
    QTest::newRow("token in the middle is refused") << "en_US"
                                                    << "/tmp/$dreamweaver/Configuration"
                                                    << "";
}

void TestDreamweaverInfo::resolveDestination()
{
    QFETCH(QString, locale);
    QFETCH(QString, destination);
    QFETCH(QString, folder);

    const DreamweaverInfo info(QStringLiteral("Dreamweaver CS6"), QStringLiteral("Adobe"), QStringLiteral("/u/DW"),
        { QStringLiteral("en_US") });
    QCOMPARE(info.resolveDestination(destination, locale), folder);
}

QTEST_GUILESS_MAIN(TestDreamweaverInfo)
#include "tst_dreamweaverinfo.moc"
