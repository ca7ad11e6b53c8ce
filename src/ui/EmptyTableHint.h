#pragma once

#include <QObject>
#include <QString>

class QAbstractItemView;
class QTableView;

// Paints a line of text over a table while it shows no row, where a user
// looks first: why it is empty and what to do about it, or, when the filter
// hides every row, that nothing matches it.
class EmptyTableHint : public QObject
{
    Q_OBJECT

public:
    explicit EmptyTableHint(QTableView* view);

    // What to say while the table has no rows at all.
    void setText(const QString& text);
    // The filter's text; empty when there is none.
    void setFilter(const QString& filter);
    // What the table shows over its rows now; empty when it shows rows.
    QString shownText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* m_view;
    QString m_text;
    QString m_filter;
};
