#pragma once

#include <QPalette>
#include <QString>

// The window's two palettes, light and dark, and which one to use: the
// desktop's choice, read from the palette the platform gives, or one the
// user forced. Both keep text at 4.5:1 or more against its background
// (selected rows and placeholder text included) and share one accent.
class ColourScheme
{
public:
    enum class Choice { System, Light, Dark };

    // The name a choice is remembered under, and back; an unknown name is System.
    static QString key(Choice choice);
    static Choice fromKey(const QString& key);

    // Whether a palette is a dark one: light text on a dark window.
    static bool isDark(const QPalette& palette);
    static QPalette palette(bool dark);
};
