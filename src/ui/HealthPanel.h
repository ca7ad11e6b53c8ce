#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;

// Under the details of an installed extension: whether the last check found
// it whole, what is missing when it is not, and the Verify and Repair buttons.
class HealthPanel : public QWidget
{
    Q_OBJECT

public:
    explicit HealthPanel(QWidget* parent);

    // name: the extension shown; checked: a check has run since the list was
    // shown; missing: what that check did not find (empty: whole).
    void showExtension(const QString& name, bool checked, const QStringList& missing);

signals:
    void verifyClicked();
    void repairClicked();

private:
    QLabel* m_text;
    QPushButton* m_verify;
    QPushButton* m_repair;
};
