#include "DialogDriver.h"
#include "ui/Progress.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QtTest>

#include <map>

namespace {

// One letter a step.
const std::map<QChar, void (*)(Progress&)> steps {
    { 'r', [](Progress& progress) { progress.reset(); } },
    { 't', [](Progress& progress) { progress.setTitle(QStringLiteral("Installing")); } },
    { 's', [](Progress& progress) { progress.setStatus(QStringLiteral("Extracting files")); } },
    { 'm', [](Progress& progress) { progress.setMaximum(10); } },
    { 'v', [](Progress& progress) { progress.setValue(3); } },
    { 'f', [](Progress& progress) { progress.setFinished(); } },
};

} // namespace

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
        QCOMPARE(progress->objectName(), QStringLiteral("Progress"));
        QVERIFY(!progress->isVisible());
        QCOMPARE(progress->windowModality(), Qt::ApplicationModal);
        // Frameless is added to the dialog's own flags, not put in their place.
        QCOMPARE(
            progress->windowFlags() & (Qt::FramelessWindowHint | Qt::Dialog), Qt::FramelessWindowHint | Qt::Dialog);
        // The status line above the bar.
        auto* layout = progress->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
        QCOMPARE(layout->count(), 2);
        QCOMPARE(qobject_cast<QLabel*>(layout->itemAt(0)->widget())->text(), QStringLiteral("Filename"));
        QCOMPARE(layout->itemAt(0)->widget()->objectName(), QStringLiteral("statusLabel"));
        QCOMPARE(layout->itemAt(1)->widget()->objectName(), QStringLiteral("progressBar"));
    }

    void eventsAndFinishedFlag_data()
    {
        QTest::addColumn<QString>("steps"); // r reset, t title, s status, m maximum, v value, f finished
        QTest::addColumn<bool>("processes"); // pending events
        QTest::addColumn<bool>("finished");

        QTest::newRow("reset lets the dialog repaint") << "r" << true << false;
        QTest::newRow("a status line is shown at once") << "s" << true << false;
        QTest::newRow("a bar value is shown at once") << "v" << true << false;
        QTest::newRow("a title alone waits") << "t" << false << false;
        QTest::newRow("a maximum alone waits for its value") << "m" << false << false;
        QTest::newRow("finishing only sets the flag") << "f" << false << true;
        QTest::newRow("stays finished through later updates") << "fstmv" << true << true;
        QTest::newRow("the next reset clears it") << "fr" << true << false;
    }

    void eventsAndFinishedFlag()
    {
        QFETCH(QString, steps);
        QFETCH(bool, processes);
        QFETCH(bool, finished);

        QWidget owner;
        Progress progress(&owner);
        bool delivered = false;
        QMetaObject::invokeMethod(
            &owner, [&delivered] { delivered = true; }, Qt::QueuedConnection);
        for (QChar step : steps)
            ::steps.at(step)(progress);
        QCOMPARE(delivered, processes);
        QCOMPARE(progress.isFinished(), finished);
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
