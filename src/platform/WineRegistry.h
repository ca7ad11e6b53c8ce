#pragma once

#include "platform/Registry.h"

#include <QByteArray>

// One registry file of a Wine prefix (system.reg holds HKEY_LOCAL_MACHINE,
// user.reg the user's hive), in the text form wineserver saves:
//
//   WINE REGISTRY Version 2
//   #arch=win64
//   [Software\\Adobe\\Dreamweaver\\12\\Installation] 1796560907
//   "InstallPath"="C:\\Program Files\\Adobe\\Adobe Dreamweaver CS6"
//
// The file belongs to Wine and may be anything, so it is read under a size
// cap and each lookup is one forward pass over its lines: memory stays that
// of the file, and no input makes the reader recurse or go back. A program
// asks for a handful of values, so nothing is indexed.
class WineRegistry : public Registry
{
public:
    // Larger files are refused; a prefix with many programs has a few megabytes.
    static constexpr qint64 maximumSize = 64 * 1024 * 1024;

    // False, with errorString(), when the file cannot be read or does not
    // start as Wine's registry files do.
    [[nodiscard]] bool load(const QString& path);
    [[nodiscard]] bool parse(const QByteArray& bytes);
    QString errorString() const { return m_error; }

    // Whether the prefix is a 64-bit one ("#arch=win64"), where 32-bit
    // programs see the registry through Wow6432Node.
    bool is64Bit() const { return m_64Bit; }

    // The value as text: a string unescaped (str(2) ones unexpanded), a dword
    // as its decimal number; empty for a missing key or value and for other
    // forms (hex:, str(7):). keyPath uses single "\", valueName "" is the
    // key's default value ("@"); both are matched in any case.
    QString value(const QString& keyPath, const QString& valueName) const;

protected:
    // What a program of that many bits reads: in a 64-bit prefix a 32-bit
    // program's Software\X is Software\Wow6432Node\X; a 32-bit prefix has one view.
    QString lookUp(const QString& keyPath, const QString& valueName, View view) const override;

private:
    QByteArray m_bytes;
    bool m_64Bit = false;
    QString m_error;
};
