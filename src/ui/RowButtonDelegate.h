#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class QAbstractItemView;
class QPushButton;

// Paints the push button of each row in a table's last column, where a
// widget per row would cost a window with hundreds of extensions most of its
// start-up, and presses it with the mouse as a real button would be. The
// cell's item says what the button shows: its text under TextRole, and
// whether it can be pressed under EnabledRole. Text cells keep their
// measured sizes, since a column sized to its contents is measured on every
// change of the table's layout; a plain line of printable ASCII is measured
// by its advance beside one cell the style measured whole.
class RowButtonDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    enum Role { TextRole = Qt::UserRole + 1, EnabledRole };

    explicit RowButtonDelegate(QAbstractItemView* view);

    // Whether the button of this cell can be pressed.
    static bool isEnabled(const QModelIndex& index);
    // The size of a button showing text, as the window's buttons are sized.
    QSize buttonSize(const QString& text) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Where the button of index's row is drawn and pressed: within its cell, as tall as the row allows.
    QRect buttonRect(const QModelIndex& index) const;

signals:
    // The button of the row of index was clicked.
    void clicked(const QModelIndex& index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isButtonCell(const QModelIndex& index) const;
    QSize textSize(const QStyleOptionViewItem& option, const QModelIndex& index, const QString& text) const;

    QAbstractItemView* m_view;
    // What the filter watches, kept apart from the view: the view's children
    // are deleted, and their removal reported to the viewport, once the view
    // is no longer a view, when nothing may be asked of it.
    QPointer<QWidget> m_viewport;
    // Never shown: it gives the painted buttons the style, the style sheet's
    // rules and the font that a button in the table would have.
    QPushButton* m_model;
    QPersistentModelIndex m_pressed;
    bool m_pressedInside = false;
    mutable QHash<QString, QSize> m_textSizes;
    mutable QFont m_measuredFont;
    mutable QFontMetricsF m_metrics { QFont() };
    // A plain line's size less its advance, rounded up; invalid until a plain line was measured whole.
    mutable QSize m_lineFrame;
};
