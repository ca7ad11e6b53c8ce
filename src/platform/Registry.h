#pragma once

#include <QString>
#include <memory>

// Reads string values below HKEY_LOCAL_MACHINE in the 32-bit registry view.
// Windows has the real registry; elsewhere there is none, so lookups find
// nothing and callers fall back to their defaults. Tests install their own.
class Registry
{
public:
    virtual ~Registry() = default;

    // keyPath is below HKEY_LOCAL_MACHINE and uses "\" as on Windows.
    virtual QString localMachineValue(const QString& keyPath, const QString& valueName) const = 0;

    static const Registry& instance();
    // Replaces the process-wide registry (tests); nullptr restores the system one.
    static void setInstance(std::unique_ptr<Registry> registry);
};
