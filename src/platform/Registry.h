#pragma once

#include <QString>
#include <memory>

// Reads string values below HKEY_LOCAL_MACHINE. 64-bit Windows keeps two views
// of SOFTWARE: 32-bit programs (Dreamweaver up to CC 2019) register in one,
// 64-bit programs (Dreamweaver 2020 and later) in the other. Windows has the
// real registry; elsewhere there is none, so lookups find nothing and callers
// fall back to their defaults. Tests install their own.
class Registry
{
public:
    enum class View { Bits32, Bits64 };

    virtual ~Registry() = default;

    // keyPath is below HKEY_LOCAL_MACHINE and uses "\" as on Windows.
    QString localMachineValue(const QString& keyPath, const QString& valueName, View view = View::Bits32) const
    {
        return lookUp(keyPath, valueName, view);
    }

    static const Registry& instance();
    // Replaces the process-wide registry (tests); nullptr restores the system one.
    static void setInstance(std::unique_ptr<Registry> registry);

protected:
    virtual QString lookUp(const QString& keyPath, const QString& valueName, View view) const = 0;
};
