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
        progress.reset();
        break;
    case Step::SetTitle:
        progress.setTitle(QStringLiteral("Installing"));
        break;
    case Step::SetStatus:
        progress.setStatus(QStringLiteral("Extracting files"));
        break;
    case Step::SetMaximum:
        progress.setMaximum(10);
        break;
    case Step::SetValue:
        progress.setValue(3);
        break;
    case Step::SetFinished:
        progress.setFinished();
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(QVector<Step>)

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        // Every dialog here is a child of a window the test owns; anything left
        // over would be a dialog that outlived its parent.
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a top-level window leaked");
    }

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
        QVERIFY(layout);
        QCOMPARE(layout->count(), 2);
        QCOMPARE(layout->itemAt(0)->widget()->objectName(), QStringLiteral("statusLabel"));
        QCOMPARE(layout->itemAt(1)->widget()->objectName(), QStringLiteral("progressBar"));
        QCOMPARE(qobject_cast<QLabel*>(layout->itemAt(0)->widget())->text(), QStringLiteral("Filename"));
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

        QTest::newRow("reset clears") << QVector<Step> { Step::Reset } << false;
        QTest::newRow("finished after setFinished") << QVector<Step> { Step::Reset, Step::SetFinished } << true;
        QTest::newRow("stays finished through later updates") << QVector<Step> { Step::Reset, Step::SetFinished,
            Step::SetStatus, Step::SetMaximum, Step::SetValue, Step::SetTitle }
                                                              << true;
        QTest::newRow("the next reset clears it again")
            << QVector<Step> { Step::Reset, Step::SetFinished, Step::Reset } << false;
        QTest::newRow("updates alone never finish")
            << QVector<Step> { Step::Reset, Step::SetStatus, Step::SetMaximum, Step::SetValue } << false;
        QTest::newRow("a reused dialog finishes again")
            << QVector<Step> { Step::Reset, Step::SetFinished, Step::Reset, Step::SetTitle, Step::SetFinished } << true;
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

    void resetClearsWhatTheLastStepShowed()
    {
        QWidget owner;
        Progress progress(&owner);
        progress.setTitle(QStringLiteral("Installing"));
        progress.setStatus(QStringLiteral("Adding menu entries"));
        progress.setMaximum(8);
        progress.setValue(5);

        progress.reset();

        auto* label = progress.findChild<QLabel*>(QStringLiteral("statusLabel"));
        auto* bar = progress.findChild<QProgressBar*>(QStringLiteral("progressBar"));
        QCOMPARE(progress.windowTitle(), QString());
        QCOMPARE(label->text(), QString());
        QCOMPARE(bar->value(), 0);
    }

    void updatesReachTheWidgets_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");

        QTest::newRow("a known size") << 2048 << 1024;
        QTest::newRow("a transfer without a length keeps -1") << -1 << -1;
    }

    void updatesReachTheWidgets()
    {
        QFETCH(int, maximum);
        QFETCH(int, value);

        QWidget owner;
        Progress progress(&owner);
        progress.reset();
        progress.setTitle(QStringLiteral("Downloading"));
        progress.setStatus(QStringLiteral("Downloading a.zxp"));
        progress.setMaximum(maximum);
        progress.setValue(value);

        auto* label = progress.findChild<QLabel*>(QStringLiteral("statusLabel"));
        auto* bar = progress.findChild<QProgressBar*>(QStringLiteral("progressBar"));
        QCOMPARE(progress.windowTitle(), QStringLiteral("Downloading"));
        QCOMPARE(label->text(), QStringLiteral("Downloading a.zxp"));
        QCOMPARE(bar->maximum(), maximum);
        QCOMPARE(bar->value(), value);
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
