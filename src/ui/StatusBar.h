#pragma once

#include <QStatusBar>
#include <QTimer>

// The window's status bar: a message goes away by itself after a while, as
// news of the last command gets stale, and one too long for the bar ends in
// an ellipsis with the whole text in its tooltip, instead of being cut off.
class StatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent);

    // How long a message stays, in milliseconds.
    void setMessageLifetime(int milliseconds) { m_expiry.setInterval(milliseconds); }
    // The message as the bar shows it in its width: elided when it does not fit.
    QString shownMessage() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the message goes: left of the first permanent widget, as the base class puts it.
    QRect messageRect() const;

    QTimer m_expiry;
};
