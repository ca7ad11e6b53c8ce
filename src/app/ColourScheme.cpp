#include "app/ColourScheme.h"

#include <QColor>

QString ColourScheme::key(Choice choice)
{
    switch (choice) {
    case Choice::Light:
        return QStringLiteral("light");
    case Choice::Dark:
        return QStringLiteral("dark");
    case Choice::System:
        break;
    }
    return QStringLiteral("system");
}

ColourScheme::Choice ColourScheme::fromKey(const QString& key)
{
    if (key == QLatin1String("light"))
        return Choice::Light;
    if (key == QLatin1String("dark"))
        return Choice::Dark;
    return Choice::System;
}

bool ColourScheme::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

QPalette ColourScheme::palette(bool dark)
{
    // The accent: white text on it stands at 5.2:1.
    const QColor accent(0x2a, 0x6f, 0xb5);
    const QColor window = dark ? QColor(0x2d, 0x2d, 0x2d) : QColor(0xef, 0xef, 0xef);
    const QColor base = dark ? QColor(0x23, 0x23, 0x23) : QColor(0xff, 0xff, 0xff);
    const QColor text = dark ? QColor(0xe6, 0xe6, 0xe6) : QColor(0x1e, 0x1e, 0x1e);
    const QColor button = dark ? QColor(0x3a, 0x3a, 0x3a) : QColor(0xe4, 0xe4, 0xe4);
    // Dim text (placeholders): 5.3:1 or more on both the base and the window.
    const QColor dim = dark ? QColor(0xa8, 0xa8, 0xa8) : QColor(0x60, 0x60, 0x60);
    const QColor disabled = dark ? QColor(0x80, 0x80, 0x80) : QColor(0x8c, 0x8c, 0x8c);

    // The constructor derives the shades the style draws frames and bevels with.
    QPalette palette(button, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, dark ? QColor(0x2a, 0x2a, 0x2a) : QColor(0xf6, 0xf6, 0xf6));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dim);
    palette.setColor(QPalette::Link, dark ? QColor(0x7f, 0xb2, 0xf0) : accent);
    palette.setColor(QPalette::LinkVisited, dark ? QColor(0xb0, 0x9c, 0xf0) : QColor(0x6a, 0x4a, 0xb5));
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, disabled);
    palette.setColor(
        QPalette::Disabled, QPalette::Highlight, dark ? QColor(0x50, 0x50, 0x50) : QColor(0xc8, 0xc8, 0xc8));
    return palette;
}
