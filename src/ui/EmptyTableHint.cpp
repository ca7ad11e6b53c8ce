#include "ui/EmptyTableHint.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

EmptyTableHint::EmptyTableHint(QTableView* view)
    : QObject(view)
    , m_view(view)
{
    view->viewport()->installEventFilter(this);
}

void EmptyTableHint::setText(const QString& text)
{
    m_text = text;
    m_view->viewport()->update();
}

void EmptyTableHint::setFilter(const QString& filter)
{
    m_filter = filter;
    m_view->viewport()->update();
}

QString EmptyTableHint::shownText() const
{
    const int rows = m_view->model() ? m_view->model()->rowCount() : 0;
    if (rows == 0)
        return m_text;
    if (!m_filter.isEmpty() && m_view->verticalHeader()->hiddenSectionCount() == rows)
        return tr("No extension matches '%1'.").arg(m_filter);
    return QString();
}

bool EmptyTableHint::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        const QString text = shownText();
        if (!text.isEmpty()) {
            QPainter painter(m_view->viewport());
            // The colour of placeholder text, which every scheme keeps readable.
            painter.setPen(m_view->palette().color(QPalette::PlaceholderText));
            painter.drawText(
                m_view->viewport()->rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, text);
        }
    }
    return false;
}
