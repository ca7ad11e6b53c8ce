#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

// Watches every window the program opens, logs it and answers it from a
// zero-delay timer, as a user would once it is on screen. Widgets are not in
// the shared test library (the core tests link it too), hence header-only.
class DialogDriver : public QObject
{
public:
    // "question: <text>", "warning", "file dialog: <caption> | <filters>" or a
    // progress dialog's title
    QStringList log;
    QStringList warnings;
    QList<QWidget*> boxParents;
    QList<int> answers; // for the questions in turn; No for 0 or once they run out
    QString fileToChoose; // empty: the file dialog is cancelled

    // Without an application yet, the test installs the driver once it has one.
    DialogDriver()
    {
        if (qApp)
            qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !widget || !widget->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            boxParents << box->parentWidget();
            auto answer = QMessageBox::Ok;
            if (box->icon() == QMessageBox::Warning) {
                log << QStringLiteral("warning");
                warnings << box->text();
            } else {
                log << QStringLiteral("question: ") + box->text();
                const int given = answers.isEmpty() ? 0 : answers.takeFirst();
                answer = given ? QMessageBox::StandardButton(given) : QMessageBox::No;
            }
            QTimer::singleShot(0, box, [box, answer] { box->button(answer)->click(); });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
            log << "file dialog: " + dialog->windowTitle() + " | " + dialog->nameFilters().join(';');
            QTimer::singleShot(0, dialog, [dialog, file = fileToChoose] {
                if (!file.isEmpty())
                    dialog->selectFile(file);
                file.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
            });
        } else if (widget->inherits("Progress")) {
            log << widget->windowTitle();
        }
        return false;
    }
};

// "<name> <version>" for each row of an extension table.
inline QStringList tableRows(const QTableWidget* table)
{
    QStringList shown;
    for (int row = 0; row < table->rowCount(); ++row)
        shown << table->item(row, 0)->text() + ' ' + table->item(row, 1)->text();
    return shown;
}

inline QString replaceQuestion(
    const QString& installed, const QString& installedVersion, const QString& name, const QString& version)
{
    return "question: Version " + installedVersion + " of " + installed
        + " is already installed.\n\nDo you want to replace it with " + name + " v. " + version + "?";
}

// For cleanup(): a window left open is one a command forgot to close or parent.
#define VERIFY_NO_WINDOW_LEFT() QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a top-level window leaked")
