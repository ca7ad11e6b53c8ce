#include "ui/RowButtonDelegate.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QtMath>

#include <algorithm>

namespace {

// A single line whose measure is its advance: printable ASCII, which every
// font in use has glyphs for, with no white space at its end that a line
// would leave out of its width.
bool isPlainLine(const QString& text)
{
    if (text.isEmpty() || text.endsWith(QLatin1Char(' ')))
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

// Whether the style measures the cell by its text alone: nothing else in it,
// and nothing that sets its size or font itself.
bool isTextOnly(const QModelIndex& index)
{
    for (const int role : { Qt::DecorationRole, Qt::CheckStateRole, Qt::FontRole, Qt::SizeHintRole }) {
        if (index.data(role).isValid())
            return false;
    }
    return true;
}

QPoint positionOf(const QEvent* event)
{
    const auto* mouse = static_cast<const QMouseEvent*>(event);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return mouse->pos();
#else
    return mouse->position().toPoint();
#endif
}

} // namespace

RowButtonDelegate::RowButtonDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view)
    , m_view(view)
    , m_viewport(view->viewport())
    , m_model(new QPushButton(view->viewport()))
{
    m_model->hide();
    m_model->setFocusPolicy(Qt::NoFocus);
    view->viewport()->installEventFilter(this);
}

bool RowButtonDelegate::isEnabled(const QModelIndex& index)
{
    return index.data(EnabledRole).toBool();
}

bool RowButtonDelegate::isButtonCell(const QModelIndex& index) const
{
    return index.isValid() && index.column() == index.model()->columnCount() - 1 && index.data(TextRole).isValid();
}

QSize RowButtonDelegate::buttonSize(const QString& text) const
{
    m_model->setText(text);
    return m_model->sizeHint();
}

// Where a widget placed in the cell would stand: the cell's text area, laid
// out from the options the view gives every cell. Painting and pressing both
// take it from here, so a press lands where the button is drawn.
QRect RowButtonDelegate::buttonRect(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    option.initFrom(m_view);
    option.state &= ~QStyle::State_MouseOver;
    option.font = m_view->font();
    const int iconSize = m_view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_view);
    option.decorationSize = m_view->iconSize().isValid() ? m_view->iconSize() : QSize(iconSize, iconSize);
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationAlignment = Qt::AlignCenter;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = m_view->textElideMode();
    option.showDecorationSelected
        = m_view->style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, m_view);
    option.widget = m_view;
    option.rect = m_view->visualRect(index);
    initStyleOption(&option, index);
    return m_view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, m_view);
}

void RowButtonDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!isButtonCell(index))
        return;
    QStyleOptionButton button;
    button.initFrom(m_model);
    button.rect = buttonRect(index);
    button.text = index.data(TextRole).toString();
    button.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    const bool down = m_pressedInside && m_pressed == index;
    if (isEnabled(index)) {
        button.state |= QStyle::State_Enabled;
        if (option.state & QStyle::State_MouseOver
            && button.rect.contains(m_view->viewport()->mapFromGlobal(QCursor::pos())))
            button.state |= QStyle::State_MouseOver;
    } else {
        button.state &= ~QStyle::State_Enabled;
        button.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    painter->save();
    painter->setFont(m_model->font());
    m_model->style()->drawControl(QStyle::CE_PushButton, &button, painter, m_model);
    painter->restore();
}

QSize RowButtonDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (isButtonCell(index))
        return buttonSize(index.data(TextRole).toString());
    // Only the text tells one plain cell's measure from another's.
    if (option.font != m_measuredFont) {
        m_textSizes.clear();
        m_measuredFont = option.font;
        m_metrics = QFontMetricsF(option.font);
        m_lineFrame = QSize();
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    auto found = m_textSizes.constFind(text);
    if (found == m_textSizes.cend())
        found = m_textSizes.insert(text, textSize(option, index, text));
    return *found;
}

// The style lays a cell's text out as a line and takes its natural width,
// rounded up, with the margins around it: for a plain line that width is its
// advance, which costs a fraction of a layout.
QSize RowButtonDelegate::textSize(
    const QStyleOptionViewItem& option, const QModelIndex& index, const QString& text) const
{
    if (!isPlainLine(text) || !isTextOnly(index))
        return QStyledItemDelegate::sizeHint(option, index);
    const int advance = qCeil(m_metrics.horizontalAdvance(text));
    if (!m_lineFrame.isValid()) {
        const QSize measured = QStyledItemDelegate::sizeHint(option, index);
        m_lineFrame = QSize(measured.width() - advance, measured.height());
        return measured;
    }
    return QSize(m_lineFrame.width() + advance, m_lineFrame.height());
}

bool RowButtonDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint position = positionOf(event);
        const QModelIndex index = m_view->indexAt(position);
        if (mouse->button() != Qt::LeftButton || !isButtonCell(index) || !buttonRect(index).contains(position))
            return false;
        // A press on a button is the button's, as it was when the button was a
        // widget: it neither selects the row nor starts a drag.
        if (isEnabled(index)) {
            m_pressed = index;
            m_pressedInside = true;
            m_view->viewport()->update(m_view->visualRect(index));
        }
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_pressed.isValid())
            return false;
        const QPoint position = positionOf(event);
        const bool inside = m_view->indexAt(position) == m_pressed && buttonRect(m_pressed).contains(position);
        if (inside != m_pressedInside) {
            m_pressedInside = inside;
            m_view->viewport()->update(m_view->visualRect(m_pressed));
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed.isValid() || mouse->button() != Qt::LeftButton)
            return false;
        const QPersistentModelIndex pressed = m_pressed;
        const QPoint position = positionOf(event);
        const bool clickedHere
            = m_view->indexAt(position) == pressed && buttonRect(pressed).contains(position) && isEnabled(pressed);
        m_pressed = QPersistentModelIndex();
        m_pressedInside = false;
        m_view->viewport()->update(m_view->visualRect(pressed));
        if (clickedHere)
            emit clicked(pressed);
        return true;
    }
    default:
        return false;
    }
}
