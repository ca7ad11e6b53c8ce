#include "ui/StatusBar.h"

#include <QHelpEvent>
#include <QLayout>
#include <QPainter>
#include <QStyleOption>
#include <QToolTip>

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent)
{
    m_expiry.setSingleShot(true);
    m_expiry.setInterval(30000);
    connect(&m_expiry, &QTimer::timeout, this, &QStatusBar::clearMessage);
    // Every message, however it was shown, lives as long as the last one.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            m_expiry.stop();
        else
            m_expiry.start();
    });
}

QRect StatusBar::messageRect() const
{
    // The base class leaves 6 pixels at the start and 12 at the end, for the size grip.
    int left = 6;
    int right = width() - 12;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    for (const QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible() || child->isWindow())
            continue;
        if (rightToLeft)
            left = std::max(left, child->geometry().right() + 3);
        else
            right = std::min(right, child->x() - 2);
    }
    return QRect(left, 0, std::max(0, right - left), height());
}

QString StatusBar::shownMessage() const
{
    return fontMetrics().elidedText(currentMessage(), Qt::ElideRight, messageRect().width());
}

bool StatusBar::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !currentMessage().isEmpty()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (shownMessage() != currentMessage() && messageRect().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), currentMessage(), this);
            return true;
        }
    }
    return QStatusBar::event(event);
}

void StatusBar::paintEvent(QPaintEvent* event)
{
    if (currentMessage().isEmpty()) {
        QStatusBar::paintEvent(event);
        return;
    }
    // The base class draws the message cut at the bar's end; drawn here elided.
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    painter.setPen(palette().windowText().color());
    painter.drawText(messageRect(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, shownMessage());
}
