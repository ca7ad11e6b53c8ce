#include "DialogDriver.h"
#include "ui/Progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QtTest>

namespace {

enum class Step { Reset, SetTitle, SetStatus, SetMaximum, SetValue, SetFinished };

void apply(Progress& progress, Step step)
{
    switch (step) {
    case Step::Reset:
        return progress.reset();
    case Step::SetTitle:
        return progress.setTitle(QStringLiteral("Installing"));
    case Step::SetStatus:
        return progress.setStatus(QStringLiteral("Extracting files"));
    case Step::SetMaximum:
        return progress.setMaximum(10);
    case Step::SetValue:
        return progress.setValue(3);
    case Step::SetFinished:
        return progress.setFinished();
    }
}

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(QVector<Step>)

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    // Every dialog here is a child of a window the test owns; one left over
    // would have outlived its parent.
    void cleanup() { VERIFY_NO_WINDOW_LEFT(); }

    void constructionBuildsTheFormWithoutShowing()
    {
        QWidget owner;
        auto* progress = new Progress(&owner);

        QCOMPARE(progress->parentWidget(), &owner);
        QCOMPARE(progress->objectName(), QStringLiteral("Progress"));
        QVERIFY(!progress->isVisible());
        QCOMPARE(progress->windowModality(), Qt::ApplicationModal);
        // Frameless is added to the dialog's own flags, not put in their place.
        QVERIFY(progress->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(progress->windowFlags().testFlag(Qt::Dialog));
        // The status line above the bar.
        auto* layout = progress->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
        QCOMPARE(layout->count(), 2);
        QCOMPARE(qobject_cast<QLabel*>(layout->itemAt(0)->widget())->text(), QStringLiteral("Filename"));
        QCOMPARE(layout->itemAt(0)->widget()->objectName(), QStringLiteral("statusLabel"));
        QCOMPARE(layout->itemAt(1)->widget()->objectName(), QStringLiteral("progressBar"));
    }

    void processesPendingEvents_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<bool>("processes");

        QTest::newRow("reset lets the dialog repaint") << Step::Reset << true;
        QTest::newRow("a status line is shown at once") << Step::SetStatus << true;
        QTest::newRow("a bar value is shown at once") << Step::SetValue << true;
        QTest::newRow("a title alone waits") << Step::SetTitle << false;
        QTest::newRow("a maximum alone waits for its value") << Step::SetMaximum << false;
        QTest::newRow("finishing only sets the flag") << Step::SetFinished << false;
    }

    void processesPendingEvents()
    {
        QFETCH(Step, step);
        QFETCH(bool, processes);

        QWidget owner;
        Progress progress(&owner);
        bool delivered = false;
        QMetaObject::invokeMethod(
            &owner, [&delivered] { delivered = true; }, Qt::QueuedConnection);
        apply(progress, step);
        QCOMPARE(delivered, processes);
    }

    void finishedFlag_data()
    {
        QTest::addColumn<QVector<Step>>("steps");
        QTest::addColumn<bool>("finished");

        QTest::newRow("updates alone never finish")
            << QVector<Step> { Step::Reset, Step::SetStatus, Step::SetMaximum, Step::SetValue } << false;
        QTest::newRow("stays finished through later updates") << QVector<Step> { Step::Reset, Step::SetFinished,
            Step::SetStatus, Step::SetMaximum, Step::SetValue, Step::SetTitle }
                                                              << true;
        QTest::newRow("the next reset clears it")
            << QVector<Step> { Step::Reset, Step::SetFinished, Step::Reset } << false;
    }

    void finishedFlag()
    {
        QFETCH(QVector<Step>, steps);
        QFETCH(bool, finished);

        QWidget owner;
        Progress progress(&owner);
        for (Step step : steps)
            apply(progress, step);
        QCOMPARE(progress.isFinished(), finished);
    }

    void updatesReachTheWidgets_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("resetAfter");
        QTest::addColumn<QStringList>("shown"); // title, status, maximum, value

        QTest::newRow("a known size") << 2048 << 1024 << false
                                      << QStringList { "Downloading", "a.zxp", "2048", "1024" };
        QTest::newRow("a transfer without a length keeps -1")
            << -1 << -1 << false << QStringList { "Downloading", "a.zxp", "-1", "-1" };
        QTest::newRow("reset clears what the last step showed")
            << 2048 << 1024 << true << QStringList { "", "", "2048", "0" };
    }

    void updatesReachTheWidgets()
    {
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(bool, resetAfter);
        QFETCH(QStringList, shown);

        QWidget owner;
        Progress progress(&owner);
        progress.reset();
        progress.setTitle(QStringLiteral("Downloading"));
        progress.setStatus(QStringLiteral("a.zxp"));
        progress.setMaximum(maximum);
        progress.setValue(value);
        if (resetAfter)
            progress.reset();

        auto* bar = progress.findChild<QProgressBar*>(QStringLiteral("progressBar"));
        QCOMPARE(
            QStringList({ progress.windowTitle(), progress.findChild<QLabel*>(QStringLiteral("statusLabel"))->text(),
                QString::number(bar->maximum()), QString::number(bar->value()) }),
            shown);
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
