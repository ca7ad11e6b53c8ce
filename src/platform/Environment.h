#pragma once

#include <QString>

// The Windows environment as the program reads it, plus the one rule for paths
// that Windows spells with backslashes.
namespace Environment {

QString variable(const char* name);

// Joins with the platform's own separator: "\" on Windows, "/" elsewhere, so
// that the rules that build such paths can be exercised on Linux.
QString joinNative(const QString& folder, const QString& name);

} // namespace Environment
