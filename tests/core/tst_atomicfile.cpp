#include "packages/AtomicFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestAtomicFile : public QObject
{
    Q_OBJECT

private:
    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void writesWholeOrNothing_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("commit");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("new file appears on commit") << false << true << QByteArray("first part, second part");
        QTest::newRow("existing file is replaced on commit") << true << true << QByteArray("first part, second part");
        QTest::newRow("no new file without commit") << false << false << QByteArray("<missing>");
        QTest::newRow("existing file kept without commit") << true << false << QByteArray("old");
    }

    void writesWholeOrNothing()
    {
        QFETCH(bool, existing);
        QFETCH(bool, commit);
        QFETCH(QByteArray, expected);

        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("t.js"));
        if (existing) {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        {
            AtomicFile file(target);
            QVERIFY(file.open());
            QVERIFY(file.write("first part, "));
            // Nothing shows under the target's name before the commit.
            QCOMPARE(contents(target), existing ? QByteArray("old") : QByteArray("<missing>"));
            QVERIFY(file.write("second part"));
            if (commit)
                QVERIFY(file.commit());
        }
        QCOMPARE(contents(target), expected);
        QCOMPARE(entries(dir.path()), expected == "<missing>" ? QStringList() : QStringList { "t.js" });
    }

    void failuresLeaveNothingBehind_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("target is a folder") << "folder";
        QTest::newRow("parent folder is missing") << "missing/t.js";
        QTest::newRow("parent is a file") << "file/t.js";
    }

    void failuresLeaveNothingBehind()
    {
        QFETCH(QString, target);

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QStringList before = entries(dir.path());

        AtomicFile file(dir.filePath(target));
        if (file.open())
            QVERIFY(file.write("data"));
        QVERIFY(!file.commit());
        QCOMPARE(entries(dir.path()), before);
        QCOMPARE(entries(dir.filePath(QStringLiteral("folder"))), QStringList());
    }

    void replacingKeepsPermissions()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("run.sh"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
            | QFile::WriteUser | QFile::ExeUser;
        QVERIFY(old.setPermissions(permissions));

        AtomicFile file(target);
        QVERIFY(file.open() && file.write("#!/bin/sh\n") && file.commit());
        QCOMPARE(QFile::permissions(target), permissions);
#else
        QSKIP("Unix permissions only");
#endif
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
